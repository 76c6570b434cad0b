// Time-step size control: the first step, the selector TSTEP with its repeated
// solve, the growth limiter after a cut, and the cut of a failed attempt.
#pragma once

#include "run/state.h"

namespace talvek {

// Block-local choice of the first step of a new run (first pass of step 1).
void DTFRST(State& s);
// Chooses the next DTIME after an accepted step (sets DTOLD too).
void TSTEP(State& s);
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
