// Well source terms: rates of the injection and production wells, their
// controls and their derivatives with respect to the unknowns of the well
// block.
#pragma once

namespace talvek {

struct State;

// Rates FLOWO/FLOWW/FLOWG/FLOWP (stock tank, positive out of the reservoir),
// their derivatives DFLOW*(unknown position, n), the sand-face pressure
// PSAND, the well condition code IWC and the polymer mass injection rate
// QPMINJ of every injection and production well. On the first Newton
// iteration of an attempt (iterk = 1) every rate and derivative of every
// active block is cleared first. From the fourth iteration on the stored
// control IPFORC of a production well follows its condition, and a control
// that flips back and forth settles on the pressure limit.
void PRODUC(State& s, int iterk);

}  // namespace talvek
