// Nested factorization with ORTHOMIN (method 3).
//
// The Newton matrix is seen as planes (ordered direction 3) of lines
// (direction 2) of blocks (direction 1). Each level is factored as a block
// tridiagonal product of the level below:
//   line:   T = (G + Lx) * G^-1 * (G + Ux)
//   plane:  P = (T + Ly) * T^-1 * (T + Uy)
//   system: M = (P + Lz) * P^-1 * (P + Uz)
// and the couplings dropped between lines and between planes are handed on
// to the pivots G of the next line or plane as row-sum corrections (CORY,
// CORZ), so that the row sums of M match those of the Newton matrix.
#pragma once

#include "solver/blkitr.h"

namespace talvek {

// One 4 x 4 block per active block.
using BlockCol = FArray<double, MXEQ, MXEQ, MXBLK>;

// The plane, line and block lists, once per run.
void NSLOKT(State& s);

// MODE = 0: factor the current VBB, then iterate; any other MODE: iterate
// with the factors of the last MODE = 0 call. As BLKITR: writes DELX, LINIT
// and the final residual into RHS; VBB is not changed.
void NESITR(State& s, int mode);

// Z = M^-1 R (R and Z distinct).
void QSUB(State& s, const BlockVec& R, BlockVec& Z);
// Z = P^-1 R on the blocks of plane k (R and Z distinct).
void ZSUB(State& s, const BlockVec& R, BlockVec& Z, int k);
// Z = T^-1 R on the blocks of line j of plane k (R and Z may be the same).
void WSUB(State& s, const BlockVec& R, BlockVec& Z, int k, int j);
// The same two operators applied to a column of blocks: V = T^-1 B on line
// (j, k) (B and V may be the same), V = P^-1 B on plane k (B and V distinct).
void WSUB2(State& s, const BlockCol& B, BlockCol& V, int k, int j);
void ZSUB2(State& s, const BlockCol& B, BlockCol& V, int k);

}  // namespace talvek
