// Accumulation terms of the four equations of a block (the change over the
// time step of the stock-tank amounts held in the block, over the step),
// their derivatives from the conservative expansion with chord slopes
// between the old level and the iterate, and the block's phase-state
// measure with its derivative row.
#pragma once

namespace talvek {

struct State;

// Properties of one block at the iterate, from the property pass.
struct AccumInput {
  double PHI;      // porosity at the block pressure
  double BW, BO, BG;  // formation volume factors
  double PB, BOB;  // bubble-point pressure and its oil formation volume factor at RS
                   // (undersaturated treatment only)
  double RSAT;     // saturated solution ratio of the PVT table at P
  double RSATP;    // the same at P + EPSP
};

// ACCR(., n), DACC(., ., n), SATCON(n) and DSATCON(., n) of active block n.
void ACCUM(State& s, int n, const AccumInput& a);

}  // namespace talvek
