// Phase gradients of the gravity terms, at the old time level.
#pragma once

namespace talvek {

struct State;

// Per active block the reservoir phase gradients GRADWB, GRADOB (with the
// dissolved gas) and GRADGB from the stock-tank gradients of its PVT region
// and the old-level formation volume factors and solution ratio; then per
// block and off-diagonal connection the means GRAVW, GRAVO, GRAVG of the
// two blocks' values. Called once per time step.
void GRADNT(State& s);

}  // namespace talvek
