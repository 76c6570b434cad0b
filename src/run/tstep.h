// Time-step size control: the first step, the selector TSTEP with its repeated
// solve, the growth limiter after a cut, and the cut of a failed attempt.
#pragma once

#include "state/state.h"

namespace talvek {

// Block-local choice of the first step of a new run (first pass of step 1):
// evaluates the system at the start values, then DTFSEL.
void DTFRST(State& s);
// The choice itself, from DACC and RHSFLW of the evaluated system and the
// trial size DTOLD: sets DTIME (bounded by DTMIN, DTMAX, the first period's
// end, the halting time and the time-step cap DELT1 of the record in force).
void DTFSEL(State& s);
// Chooses the next DTIME after an accepted step (sets DTOLD too): the
// repeated solve, then TSNEXT.
void TSTEP(State& s);
// After the repeated solve: DXEST from DELX (all zero, and the step kept,
// when a value is not finite), the three ratios and the bounds.
void TSNEXT(State& s);
// The three ratios of the selector from DXEST: truncation (q1), change
// limits (q2) and phase-state constraints (q3), each with its safety factor.
void TSRATS(State& s, double& q1, double& q2, double& q3);
// The bounds of TSTEP applied to the three ratios: sets DTIME from DTOLD.
void TSBNDS(State& s, double q1, double q2, double q3);
// Growth limiter after TSTEP (reads NPASS, keeps NSINCE).
void GROWLM(State& s);
// Cut after a failed attempt. Returns true when the step is to be accepted
// as it is (DTIME already at or below DTFLOOR); otherwise halves DTIME.
bool CUTSTP(State& s);
// The message of the fifteenth failure, to the listing and the console.
void TRMMSG(State& s);

}  // namespace talvek
