// Unit systems: the constants C1..C4 that carry the input unit system into
// the physics, and the twelve output factors UFAC.
//
// The computation runs in the input system (MUNITIN); values are converted
// into the output system (MUNTOUT) only when printed or written, as
// output value = UFAC(k) * internal value.
#pragma once

#include <string>

#include "state/state.h"

namespace talvek {

// Sets C1..C4 for MUNITIN and UFAC(1..12) for the pair MUNITIN, MUNTOUT.
// Throws RunError when MUNITIN is not 1 (field), 2 (SI) or 3 (laboratory):
// the physics cannot run without its constants.
void UNITSB(State& s);

// Laboratory output is made from laboratory input only: no factors lead from
// field or SI units into laboratory units. Field or SI input (MUNITIN 1 or 2)
// that asks for laboratory output (MUNTOUT 3) is reported in its own system:
// `muntout` becomes `munitin` and the warning to give is returned. Any other
// pair is left as it is and the text is empty.
std::string unconvertedOutput(int munitin, int& muntout);

}  // namespace talvek
