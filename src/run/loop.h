// The time-step loop: one pass per time step until the halting time.
#pragma once

#include "state/state.h"

namespace talvek {

// The whole loop, its preparation included. Returns when the halting time is
// reached, the step count is used up, or a step has failed fifteen times
// (ITERM = 1).
void STEPLP(State& s);

// Pieces of one step, in their order (each is also called on its own by tests).
void OUTFLG(State& s);  // per-step output flags by the report frequencies
void ALLFLG(State& s);  // every output flag due at this step
void SCHCHK(State& s);  // the schedule records still to come, checked before the first step
void SCHTIM(State& s);  // time bookkeeping against the schedule and the halting time
void FSTFLG(State& s);  // the output flags of step 1 again, for the size the first-step choice gave
void WELAPL(State& s);  // the well lines of the record NOWSTP, then the well lists
void WELIST(State& s);  // rebuilds the three well lists and the injected masses
void PASSST(State& s);  // start values of a pass: well markers, old level copied
void MUPOLY(State& s);  // polymer-solution viscosity at the blocks' concentrations
void PROPRF(State& s);  // property refresh at the converged state
void STORLV(State& s);  // stores the new level as the old one
void STEPAC(State& s);  // acceptance of a step, from the refresh to the next step size
// Warns on standard error, once per PVT region and kind in a run, when a
// block's oil pressure lies outside its PVT table's pressures, or the
// solution ratio of its undersaturated oil above the table's: the table's
// end row is then held, and the run goes on with properties the deck does not
// give. `start`: the state before the first step of this run.
void PVTRNG(State& s, bool start);
void STPMSG(State& s);  // the completed-step message (when KSTWRT is this step) and the blank console line
// End of a pass: true when the step is accepted (converged, or unconverged
// at the floor DTFLOOR with finite values); otherwise the step is cut.
bool PASEND(State& s, bool converged);
// What follows a pass: the acceptance, another pass, or the end of the run
// after the fifteenth failed pass (with its message, ITERM = 1).
enum class PassOutcome { Accept, Retry, Terminate };
PassOutcome PASDEC(State& s, bool converged);
// One step: passes with cuts; returns false when the run must end (fifteen cuts).
bool ONESTP(State& s);
// A step accepted without converging: counted, and the first of the run
// warned about on standard error (the listing shows it only in its
// iteration lines). UNCSUM at the end of the run: how many there were.
void UNCNVG(State& s);
void UNCSUM(const State& s);
// Before a step: keeps what the old level does not hold itself (the time,
// the well rates and pressures). After the fifteenth failed pass: restores
// the old level (unknowns, properties, well values, time) so that the final
// report shows the last accepted state, not the failed attempt.
void KEEPLV(State& s);
void LASTLV(State& s);

}  // namespace talvek
