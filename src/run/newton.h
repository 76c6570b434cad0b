// Newton iteration of one attempt of a time step, the update of the unknowns
// with the saturated/undersaturated switching (CNVRGE), and the correction of
// the well and aquifer rates after convergence.
#pragma once

#include "state/state.h"

namespace talvek {

// Start values of an attempt after PASSST: the first-step shift, or the
// extrapolation from the last step's estimated changes.
void STARTV(State& s);
// Up to MAXIT Newton iterations. Returns true when converged. An iteration
// whose correction is not finite ends the attempt unconverged (NONFIN = 1).
bool NEWTON(State& s);
// Applies DELX to the new level, updates the dependent saturations, tests the
// relative changes against TOLREL and switches block states.
void CNVRGE(State& s, int& NCONV);
// Clears VBB over the used stencil slots of the active blocks.
void VBBZER(State& s);
// The console iteration line (and to the listing when IPRINT = 2).
void ITLINE(State& s);
// The detailed dump of one iteration (IPRINT = 2 within the step window).
void ITDUMP(State& s);
// Adds the last Newton correction to the well rates (and the aquifer terms).
void RATCOR(State& s);

}  // namespace talvek
