// Interblock flow with single-point upstream weighting and the assembly of
// the Newton system.
#pragma once

namespace talvek {

struct State;

// For every active block: the interblock fluxes of each solved equation and
// their one-sided derivatives over the raised states, the neighbour blocks
// VBB(., ., s, n) of its connections, the diagonal block VBB(., ., 4, n)
// with the well, accumulation and aquifer derivatives, RHSFLW (flow, wells
// and aquifer) and RHS (RHSFLW plus the accumulation term). VBB holds the
// derivatives of the residual (fluxes in - rates out - accumulation) and RHS
// its negative. Only solved rows and columns (1..NEQN, 1..NUKN) are written;
// the diagonal and the neighbour blocks of the block's connections are
// written whole.
void JACOBN(State& s);

}  // namespace talvek
