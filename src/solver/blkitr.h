// Block iterative solver (method 2) and the ORTHOMIN acceleration it shares
// with the nested factorization (method 3).
//
// The preconditioner is a block incomplete LU factorization of the Newton
// matrix on the seven-point pattern plus the six in-plane diagonal positions
// that first-level fill produces: M = (D + L) * D^-1 * (D + U), with D the
// factored pivots, L the FL and U the FU blocks.
#pragma once

#include "state/state.h"

namespace talvek {

// A block vector: entry (equation, active block).
using BlockVec = FArray<double, MXEQ, MXBLK>;

// The thirteen-position pattern LBI, UBI of every active block, once per run.
void BILOKT(State& s);

// MODE = 0: factor the current VBB, then iterate; any other MODE: iterate
// with the factors of the last MODE = 0 call. Writes DELX, LINIT and the
// final residual into RHS; VBB is not changed. A pivot block that cannot be
// inverted, or an iterate that stops being finite, sets NBADBK / NBADKD and
// fills DELX with not-a-number, so that run control treats the correction as
// unusable.
void BLKITR(State& s, int mode);

// The preconditioner solve of the block ILU: Z = M^-1 R.
void BILUSV(State& s, const BlockVec& R, BlockVec& Z);

// Y = A * X with the Newton matrix VBB, over the connections of every block.
void MATVEC(const State& s, const double* X, double* Y);
// Y = A * X for one N x N block A (leading dimension 4).
void MULTAV(const double* A, const double* X, double* Y, int N);
// D(l) = A * B * G(l) for l = 1..M: A, B and each G(l), D(l) N x N blocks of
// leading dimension 4, G(l) and D(l) 16 entries apart.
void MLTABC(const double* A, const double* B, const double* G, double* D, int N, int M);

// ORTHOMIN on the Newton system, preconditioned by `precon` (ZPRE from the
// residual in RHS). Starts from XIT = 0 with the residual RHS; writes DELX,
// LINIT and leaves the final residual in RHS. Its products with the matrix
// read the packed copy AMAT, AOFF of VBB (PACKMV, or packRow for every
// active block).
void ORTHMN(State& s, void (*precon)(State&));

// Packs the connection blocks of active block n of VBB into AMAT and their
// neighbours' offsets in a block vector into AOFF, for N equations; the
// factorizations call it as they read the block's row of VBB.
template <int N>
inline void packRow(State& s, int n) {
  double* a = s.AMAT.data() + MXSLOT * N * N * (n - 1);
  for (int k = 1; k <= s.NCONN(n); ++k) {
    const int sl = s.ICSLOT(k, n);
    const double* v = &s.VBB(1, 1, sl, n);
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) a[i + N * j] = v[i + 4 * j];
    a += N * N;
    s.AOFF(k, n) = 4 * (s.NBR(sl, n) - 1);
  }
}
// packRow for every active block.
void PACKMV(State& s);

// Marks a breakdown of the solve at active block n (kind 1: pivot block,
// kind 2: not finite) and fills DELX with not-a-number.
void SLVBAD(State& s, int n, int kind);

}  // namespace talvek
