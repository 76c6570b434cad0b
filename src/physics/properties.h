// Block properties of the Newton iteration: porosity, formation volume
// factors, viscosities, solution gas, phase pressures, relative
// permeabilities and mobilities of every active block, at the iterate and in
// the four raised states (the flow terms take the mobility products of the
// block's sides from them, State::TRAN); the accumulation terms in the same
// pass.
#pragma once

namespace talvek {

struct State;

// Evaluates the properties of every active block in the five states and the
// accumulation terms (accumulation.h). Saturated blocks get their RS from
// the PVT table at the block pressure.
void EVALUT(State& s);

// Effective viscosities of the two aqueous components: the water viscosity
// MUW and polymer-solution viscosity MUP are mixed by OMEGAMIX in
// proportion to the saturations SW, SP, and raised by the residual
// resistance (water) and resistance (polymer solution) factors RRF, RF in
// proportion to the adsorbed polymer ADS over its maximum ADMAX. Without the
// polymer equation the viscosities are returned unchanged.
void AQVIS(const State& s, double MUW, double MUP, double SW, double SP, double& MUWE, double& MUPE,
           double RF, double RRF, double ADMAX, double ADS);

// Stops the run when the equation and unknown positions cannot address the
// 4 x 4 block of a block's Newton system: NEQN outside 1..4, NUKN != NEQN,
// the pressure not last, a solved equation or unknown outside 1..NEQN, or a
// switched-off one inside it. Every term of a switched-off equation or
// unknown then lies at a position above NEQN, never in a solved row.
void CHKEQN(const State& s);

}  // namespace talvek
