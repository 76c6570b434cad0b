// The time-step report.
//
// PRINT2 runs after every accepted step (after the material balance) and
// once more at the end of the run. On every call it converts the
// material-balance results into output units and stores the reservoir
// performance record RESPRF; when output is due it writes the time-step
// summary, the material balances with the reservoir production and injection
// summary, the well-by-well summary, the shut-in wells and the detailed block
// arrays to IOUT, and hands the selected arrays to the grid listing file on
// `unit`.
#pragma once

#include "state/state.h"

namespace talvek {

void PRINT2(State& s, int lintot, int unit);

}  // namespace talvek
