// Material balance of an accepted time step.
#pragma once

namespace talvek {

struct State;

// Amounts in place of every block at the new level, the well and aquifer
// rates and cumulatives of the step, the incremental and cumulative balance
// ratios and errors by component (oil, water, gas, polymer solution, polymer
// mass, aqueous), the pore-volume weighted average pressure and the
// saturation extremes. Once per accepted step: the amounts in place it
// stores are the reference of the next step.
void MATBAL(State& s);

}  // namespace talvek
