// Initial state and fluids in place.
#pragma once

namespace talvek {

struct State;

// Completes the initial old level of every active block: the phase state
// (ISATN, EPSX2), the saturated solution ratio of blocks with free gas, the
// bubble point, the formation volume factors, the porosity at the initial
// pressure, the fluids in place per block and in total, the polymer and
// tracer mass fractions, the polymer resistance factors and, with an aquifer,
// the aquifer constants and the influence coefficient of every block.
// Stops with a RunError when an attached aquifer has AQRW <= 0 or
// AQRE / AQRW not above 1, or when the constant of its model (with the
// unsteady model also the time factor and the influence function at the
// boundary threshold) is not a finite number.
void INITAL(State& s);

}  // namespace talvek
