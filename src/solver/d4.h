// Two-colour (D4) direct solver of method 4.
//
// The first-colour blocks (active numbers 1..NRED) are coupled only to
// second-colour blocks, so they are eliminated block by block (INVRT); the
// reduced system of the second-colour blocks is built row by row (ZERO, called
// by the band fill) and solved by a band solver; BACSUB then recovers the
// first-colour unknowns and writes DELX in active order.
#pragma once

namespace talvek {

struct State;

// Inverse of the N x N block held in a 4 x 4 array A (leading dimension 4,
// first index the row), N <= 4, by Gauss-Jordan elimination without row
// exchanges. A zero pivot stops the run with a RunError.
void INVERS(double* A, int N);

// The same inversion for the iterative solvers, which must not stop the run
// on a bad pivot block: returns false, leaving A unchanged, when a pivot of
// the elimination is zero or not finite or the inverse is not finite.
bool INVTRY(double* A, int N);

// Eliminates the first colour from its own rows: DINV(n) = inverse of the
// diagonal block, the off-diagonal blocks and RHS of n scaled by it.
void INVRT(State& s);

// Reduced row of band block b into ZROW (the blocks of ICOLR(., b)) and the
// reduced right-hand side into RHS(., IBLIST(b)).
void ZERO(State& s, int b);

// Second-colour unknowns from DELX in band order, first-colour unknowns by
// back substitution; DELX rewritten in active order.
void BACSUB(State& s);

// Repeated solve: RHS of the first colour scaled by DINV; the reduced
// right-hand side of band block b.
void XINVRT(State& s);
void XZERO(State& s, int b);

}  // namespace talvek
