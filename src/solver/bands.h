// Band solvers of the Newton system (methods 1 and 4).
//
// Two interchangeable stores, chosen by NUSLVR for the whole run:
//   NUSLVR = 1: variable band (each scalar row has its own extent):
//               LRBAND set-up, ONEDM fill, DSOLV factor and solve;
//   NUSLVR = 0: uniform band (one half-bandwidth, corners cut off):
//               OLDBND set-up, ONED4 fill, GVBND factor and solve.
// Both eliminate without pivoting, row by row, in the one-dimensional store
// ABAND, with the right-hand side BBAND eliminated in the same pass; the
// solution goes to DELX. For method 1 the band system is the whole Newton
// system in active order; for method 4 it is the reduced system of the
// second-colour blocks.
//
// The full solve leaves in ABAND the eliminated upper part and, over each
// lower entry (i, k), the multiplier of row i at step k. The X-variants solve
// again with a new right-hand side: they leave ABAND as it is, eliminate
// BBAND alone with the stored multipliers and back-substitute.
#pragma once

#include <string>

namespace talvek {

struct State;

// Stops the run on a singular Newton system: names the deck, the active
// block n with its grid indices, the equation (0: not known) and `detail`
// (where the solver met the zero pivot), and points at the block data that
// usually cause it. Throws RunError.
[[noreturn]] void SINGLR(const State& s, int n, int eqn, const std::string& detail);

// Set-ups, once per run after the connection lists. For method 4 they first
// number the two colours (NRED, K7, IBLIST, IDX4) and build the reduced
// couplings (NRCON, ICOLR). Throw RunError, naming the method and the size,
// when the band store cannot hold NNMAX entries.
void LRBAND(State& s);
void OLDBND(State& s);

// The NNMAX that METHOD `method` (1 or 4) with band solver `nuslvr` and
// order `nxyzord` would need for the present grid, activity (IACTIVE through
// LBLOCK) and NEQN, without changing the state. Used to say what fits when
// the store is too small.
long long BANDSZ(const State& s, int method, int nuslvr, int nxyzord);

// Fill ABAND and BBAND from VBB and RHS (method 4: through ZERO, one band
// block at a time). Each row of ABAND is cleared over the columns the solve
// uses before its blocks are stored; the rest of the store is never read.
void ONEDM(State& s);
void ONED4(State& s);

// Factor ABAND in place, eliminate BBAND, back-substitute into DELX(1..NBAND).
// A zero pivot stops the run with a RunError.
void DSOLV(State& s);
void GVBND(State& s);

// Repeated solve: BBAND only (method 4 through XZERO), then forward
// elimination of BBAND with the stored multipliers and back substitution.
void XONEDM(State& s);
void XONED4(State& s);
void XDSOLV(State& s);
void XGVBND(State& s);

}  // namespace talvek
