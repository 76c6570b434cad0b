// Nested factorization with ORTHOMIN (method 3).
//
// The factorization reads each block's row of VBB once, by the slot of each
// ordered direction and only where the neighbour is there, and packs the
// couplings, the inverted pivot and GINV * Ux of the block into one run
// (NFAC); its own solves and those of the iteration read all they need of a
// block from there, block after block in the order of the sweeps.
#include "solver/nested.h"

#include "solver/blockops.h"

namespace talvek {

using namespace blockops;

namespace {

// Positions of the blocks in NFAC.
enum NfPos { kLx = 0, kGinv, kEux, kLy, kUy, kLz, kUz };

// Block `pos` of active block n in NFAC, for N equations.
template <int N>
inline double* nf(State& s, int n, int pos) {
  return s.NFAC.data() + NFPOS * N * N * (n - 1) + N * N * pos;
}

template <int N>
inline void packN(const double* A, double* P) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) P[i + N * j] = A[i + 4 * j];
}

}  // namespace

void NSLOKT(State& s) {
  s.NKT = 0;
  for (int k = 1; k <= s.N3; ++k) {
    int nlines = 0;
    for (int j = 1; j <= s.N2; ++j) {
      int cnt = 0;
      for (int i = 1; i <= s.N1; ++i) {
        const int L = s.IJKORD(i, j, k);
        // Active blocks only, by their active number: the IACTIVE code of an
        // active block becomes its well type (0 for some wells) once the
        // schedule places a well there, so it cannot tell activity after
        // the start, as a restart needs.
        if (s.IORD(L) == 0) continue;
        s.NSIJ(++cnt, j, k) = s.IORD(L);
      }
      s.NI(j, k) = cnt;
      if (cnt > 0) s.NJ(++nlines, k) = j;
    }
    s.NJK(k) = nlines;
    if (nlines > 0) s.KLIST(++s.NKT) = k;
  }
}

// The line, plane and whole-grid solves are written for a number of
// equations N known at compile time (unrolled block products); WSUB, ZSUB
// and QSUB choose N from NEQN.
//
// One line solve T^-1 on line (j, k): rhs(n, t) gives the right-hand side of
// block n, the forward results and then the solution are kept in W, and
// out(n, z) sees the solution of each block as the backward sweep reaches
// it. The previous block's result along the line is carried in registers
// rather than read back from W: the sweeps are recurrences, and their speed
// is the latency of one step.
//
// Along the recurrence the block products are summed from their first
// product (rowSumsLead), one addition less per product on its path. The
// values carried may then differ from the sums from 0 only in the sign of a
// zero, and such a difference dies in the next product and sum (a signed
// zero added to a nonzero leaves it; the next sum's own zero result is
// again only a signed zero). The forward results are stored with 0 added,
// which turns a -0 into the +0 that the sums from 0 give; a backward result
// is such a stored value less a product, which is never -0 either. So the
// results are those of the sums from 0 to the last digit.
template <int N, class Rhs, class Out>
inline void lineSolve(State& s, BlockVec& W, int k, int j, Rhs&& rhs, Out&& out) {
  const int m1 = s.MSLOT(1), p1 = 8 - m1;
  const int ni = s.NI(j, k);
  double zp[N] = {};
  int nprev = 0;
  for (int ii = 1; ii <= ni; ++ii) {
    const int n = s.NSIJ(ii, j, k);
    double t[N];
    rhs(n, t);
    const int nx = s.NBR(m1, n);
    if (nx != 0) {
      double u[N];
      rowSumsLead<N, N>(nf<N>(s, n, kLx), nx == nprev ? zp : &W(1, nx), u);
      for (int i = 0; i < N; ++i) t[i] -= u[i];
    }
    rowSumsLead<N, N>(nf<N>(s, n, kGinv), t, zp);
    for (int i = 0; i < N; ++i) W(i + 1, n) = zp[i] + 0.0;
    nprev = n;
  }
  int nnext = 0;
  for (int ii = ni; ii >= 1; --ii) {
    const int n = s.NSIJ(ii, j, k);
    double z[N];
    for (int i = 0; i < N; ++i) z[i] = W(i + 1, n);
    const int nxp = s.NBR(p1, n);
    if (nxp != 0) {
      double u[N];
      rowSumsLead<N, N>(nf<N>(s, n, kEux), nxp == nnext ? zp : &W(1, nxp), u);
      for (int i = 0; i < N; ++i) z[i] -= u[i];
    }
    for (int i = 0; i < N; ++i) {
      W(i + 1, n) = z[i];
      zp[i] = z[i];
    }
    out(n, z);
    nnext = n;
  }
}

template <int N>
void wsubN(State& s, const BlockVec& R, BlockVec& Z, int k, int j) {
  lineSolve<N>(
      s, Z, k, j,
      [&](int n, double* t) {
        for (int i = 0; i < N; ++i) t[i] = R(i + 1, n);
      },
      [](int, const double*) {});
}

void WSUB(State& s, const BlockVec& R, BlockVec& Z, int k, int j) {
  byOrder(s.NEQN, [&]<int M>() { wsubN<M>(s, R, Z, k, j); });
}

// The same line solve on a column of blocks: rhs(n, t) gives the N x N
// block of block n (leading dimension 4), V keeps the forward results and
// then the solution. As in lineSolve, the previous block's result is carried
// along the recurrence summed from the first product, and 0 is added to the
// forward results stored.
template <int N, class Rhs>
void lineSolve2(State& s, BlockCol& V, int k, int j, Rhs&& rhs) {
  const int m1 = s.MSLOT(1), p1 = 8 - m1;
  const int ni = s.NI(j, k);
  double zp[16] = {};
  int nprev = 0;
  for (int ii = 1; ii <= ni; ++ii) {
    const int n = s.NSIJ(ii, j, k);
    double t[16];
    rhs(n, t);
    const int nx = s.NBR(m1, n);
    if (nx != 0) {
      const double* v = nx == nprev ? zp : &V(1, 1, nx);
      for (int c = 0; c < N; ++c) {
        double u[N];
        rowSumsLead<N, N>(nf<N>(s, n, kLx), v + 4 * c, u);
        for (int i = 0; i < N; ++i) t[i + 4 * c] -= u[i];
      }
    }
    double* vn = &V(1, 1, n);
    for (int c = 0; c < N; ++c) {
      rowSumsLead<N, N>(nf<N>(s, n, kGinv), t + 4 * c, zp + 4 * c);
      for (int i = 0; i < N; ++i) vn[i + 4 * c] = zp[i + 4 * c] + 0.0;
    }
    nprev = n;
  }
  int nnext = 0;
  for (int ii = ni; ii >= 1; --ii) {
    const int n = s.NSIJ(ii, j, k);
    const int nxp = s.NBR(p1, n);
    double* vn = &V(1, 1, n);
    if (nxp == 0) {
      for (int c = 0; c < N; ++c)
        for (int i = 0; i < N; ++i) zp[i + 4 * c] = vn[i + 4 * c];
    } else {
      const double* v = nxp == nnext ? zp : &V(1, 1, nxp);
      double z[16];
      for (int c = 0; c < N; ++c) {
        double u[N];
        rowSumsLead<N, N>(nf<N>(s, n, kEux), v + 4 * c, u);
        for (int i = 0; i < N; ++i) z[i + 4 * c] = vn[i + 4 * c] - u[i];
      }
      for (int c = 0; c < N; ++c)
        for (int i = 0; i < N; ++i) vn[i + 4 * c] = zp[i + 4 * c] = z[i + 4 * c];
    }
    nnext = n;
  }
}

template <int N>
inline void copyN(const double* A, double* B) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) B[i + 4 * j] = A[i + 4 * j];
}

template <int N>
inline void zeroN(double* B) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) B[i + 4 * j] = 0.0;
}

// The coupling of block n to its neighbour in `slot`, packed at `pos` of
// NFAC, where that neighbour is there; a zero block where it is not.
template <int N>
inline void couplingOrZero(State& s, int slot, int pos, int n, double* t) {
  if (s.NBR(slot, n) != 0) {
    const double* a = nf<N>(s, n, pos);
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) t[i + 4 * j] = a[i + N * j];
  } else {
    zeroN<N>(t);
  }
}

// V = P^-1 B on plane k for a column of blocks, where rhs(n, t) gives block n
// of B.
template <int N, class Rhs>
void planeSolve2(State& s, BlockCol& V, int k, Rhs&& rhs) {
  const int m2 = s.MSLOT(2), p2 = 8 - m2;
  BlockCol& T = s.WCOL;
  const int nl = s.NJK(k);
  for (int jj = 1; jj <= nl; ++jj) {
    const int j = s.NJ(jj, k);
    lineSolve2<N>(s, V, k, j, [&](int n, double* t) {
      rhs(n, t);
      const int ny = s.NBR(m2, n);
      if (ny != 0) subMulBB<N, N>(nf<N>(s, n, kLy), &V(1, 1, ny), t);
    });
  }
  for (int jj = nl; jj >= 1; --jj) {
    const int j = s.NJ(jj, k);
    bool any = false;
    for (int ii = 1; ii <= s.NI(j, k) && !any; ++ii) any = s.NBR(p2, s.NSIJ(ii, j, k)) != 0;
    if (!any) continue;
    lineSolve2<N>(s, T, k, j, [&](int n, double* t) {
      const int ny = s.NBR(p2, n);
      if (ny != 0) {
        mulBB<N, N>(nf<N>(s, n, kUy), &V(1, 1, ny), t);
      } else {
        zeroN<N>(t);
      }
    });
    for (int ii = 1; ii <= s.NI(j, k); ++ii) {
      const int n = s.NSIJ(ii, j, k);
      for (int c = 0; c < N; ++c)
        for (int i = 0; i < N; ++i) V(i + 1, c + 1, n) -= T(i + 1, c + 1, n);
    }
  }
}

// The nested factorization of VBB, block after block in the order of the
// sweeps, which reads each block's row of VBB once: it packs the row for the
// products of the iteration and the couplings for the solves, and the solves
// of the factorization read the packed blocks. Returns 0, or the active block
// whose pivot block could not be inverted.
//
// The correction handed to block n from the previous line (plane) is there
// exactly when n has a neighbour on that line (plane); it is stored as
// 0 + C, as a sum from zero would give, and subtracted from the pivot only
// then (taking a zero block away changes no digit).
template <int N>
int factorN(State& s) {
  const int m1 = s.MSLOT(1), p1 = 8 - m1;
  const int m2 = s.MSLOT(2), p2 = 8 - m2;
  const int m3 = s.MSLOT(3), p3 = 8 - m3;
  const int slot[5] = {m1, m2, p2, m3, p3};
  const NfPos pos[5] = {kLx, kLy, kUy, kLz, kUz};
  for (int kk = 1; kk <= s.NKT; ++kk) {
    const int k = s.KLIST(kk);
    for (int jj = 1; jj <= s.NJK(k); ++jj) {
      const int j = s.NJ(jj, k);
      for (int ii = 1; ii <= s.NI(j, k); ++ii) {
        const int n = s.NSIJ(ii, j, k);
        packRow<N>(s, n);
        for (int d = 0; d < 5; ++d)
          if (s.NBR(slot[d], n) != 0) packN<N>(&s.VBB(1, 1, slot[d], n), nf<N>(s, n, pos[d]));
        double G[16];
        copyN<N>(&s.VBB(1, 1, 4, n), G);
        const int nx = s.NBR(m1, n);
        if (nx != 0) subMulBB<N, N, N>(nf<N>(s, n, kLx), nf<N>(s, nx, kEux), G);
        if (s.NBR(m2, n) != 0) {
          for (int c = 0; c < N; ++c)
            for (int i = 0; i < N; ++i) G[i + 4 * c] -= s.CORY(i + 1, c + 1, n);
        } else {
          zeroN<N>(&s.CORY(1, 1, n));
        }
        if (s.NBR(m3, n) != 0) {
          for (int c = 0; c < N; ++c)
            for (int i = 0; i < N; ++i) G[i + 4 * c] -= s.CORZ(i + 1, c + 1, n);
        } else {
          zeroN<N>(&s.CORZ(1, 1, n));
        }
        if (!invertTry<N>(G)) return n;
        copyN<N>(G, &s.GINV(1, 1, n));
        packN<N>(G, nf<N>(s, n, kGinv));
        // GINV * Ux, read only where the next block along the line is there.
        if (s.NBR(p1, n) != 0) mulBB<N, 4, 4, N>(G, &s.VBB(1, 1, p1, n), nf<N>(s, n, kEux));
      }
      // The row sums of T^-1 Uy of this line, handed to the next line.
      if (jj < s.NJK(k) && s.NJ(jj + 1, k) == j + 1) {
        lineSolve2<N>(s, s.VCOL, k, j, [&](int n, double* t) { couplingOrZero<N>(s, p2, kUy, n, t); });
        for (int ii = 1; ii <= s.NI(j, k); ++ii) {
          const int n = s.NSIJ(ii, j, k);
          const int ny = s.NBR(p2, n);
          if (ny == 0) continue;
          double C[16];
          mulBB<N>(&s.VBB(1, 1, m2, ny), &s.VCOL(1, 1, n), C);
          for (int c = 0; c < N; ++c)
            for (int i = 0; i < N; ++i) s.CORY(i + 1, c + 1, ny) = 0.0 + C[i + 4 * c];
        }
      }
    }
    // The row sums of P^-1 Uz of this plane, handed to the next plane.
    if (kk < s.NKT && s.KLIST(kk + 1) == k + 1) {
      planeSolve2<N>(s, s.VCOL, k, [&](int n, double* t) { couplingOrZero<N>(s, p3, kUz, n, t); });
      for (int jj = 1; jj <= s.NJK(k); ++jj) {
        const int j = s.NJ(jj, k);
        for (int ii = 1; ii <= s.NI(j, k); ++ii) {
          const int n = s.NSIJ(ii, j, k);
          const int nz = s.NBR(p3, n);
          if (nz == 0) continue;
          double C[16];
          mulBB<N>(&s.VBB(1, 1, m3, nz), &s.VCOL(1, 1, n), C);
          for (int c = 0; c < N; ++c)
            for (int i = 0; i < N; ++i) s.CORZ(i + 1, c + 1, nz) = 0.0 + C[i + 4 * c];
        }
      }
    }
  }
  return 0;
}

void WSUB2(State& s, const BlockCol& B, BlockCol& V, int k, int j) {
  byOrder(s.NEQN, [&]<int N>() {
    lineSolve2<N>(s, V, k, j, [&](int n, double* t) { copyN<N>(&B(1, 1, n), t); });
  });
}

void ZSUB2(State& s, const BlockCol& B, BlockCol& V, int k) {
  byOrder(s.NEQN, [&]<int N>() {
    planeSolve2<N>(s, V, k, [&](int n, double* t) { copyN<N>(&B(1, 1, n), t); });
  });
}

// Z = P^-1 R on plane k, where rhs(n, t) gives entry n of R.
template <int N, class Rhs>
void zsubN(State& s, Rhs&& rhs, BlockVec& Z, int k) {
  const int m2 = s.MSLOT(2), p2 = 8 - m2;
  BlockVec& T = s.ZT;
  const int nl = s.NJK(k);
  // Forward over the lines: (T + Ly) y = R.
  for (int jj = 1; jj <= nl; ++jj) {
    const int j = s.NJ(jj, k);
    lineSolve<N>(
        s, Z, k, j,
        [&](int n, double* t) {
          rhs(n, t);
          const int ny = s.NBR(m2, n);
          if (ny != 0) subMulBV<N, N>(nf<N>(s, n, kLy), &Z(1, ny), t);
        },
        [](int, const double*) {});
  }
  // Backward: Z = y - T^-1 Uy Z(next line).
  for (int jj = nl; jj >= 1; --jj) {
    const int j = s.NJ(jj, k);
    bool any = false;
    for (int ii = 1; ii <= s.NI(j, k) && !any; ++ii) any = s.NBR(p2, s.NSIJ(ii, j, k)) != 0;
    if (!any) continue;
    lineSolve<N>(
        s, T, k, j,
        [&](int n, double* t) {
          const int ny = s.NBR(p2, n);
          if (ny != 0) {
            mulBV<N, N>(nf<N>(s, n, kUy), &Z(1, ny), t);
          } else {
            for (int i = 0; i < N; ++i) t[i] = 0.0;
          }
        },
        [&](int n, const double* z) {
          for (int i = 0; i < N; ++i) Z(i + 1, n) -= z[i];
        });
  }
}

template <int N>
void zsubN(State& s, const BlockVec& R, BlockVec& Z, int k) {
  zsubN<N>(
      s,
      [&](int n, double* t) {
        for (int i = 0; i < N; ++i) t[i] = R(i + 1, n);
      },
      Z, k);
}

void ZSUB(State& s, const BlockVec& R, BlockVec& Z, int k) {
  byOrder(s.NEQN, [&]<int M>() { zsubN<M>(s, R, Z, k); });
}

template <int N>
void qsubN(State& s, const BlockVec& R, BlockVec& Z) {
  const int m3 = s.MSLOT(3), p3 = 8 - m3;
  BlockVec& W = s.QW;
  // Forward over the planes: (P + Lz) y = R.
  for (int kk = 1; kk <= s.NKT; ++kk) {
    const int k = s.KLIST(kk);
    zsubN<N>(
        s,
        [&](int n, double* t) {
          for (int i = 0; i < N; ++i) t[i] = R(i + 1, n);
          const int nz = s.NBR(m3, n);
          if (nz != 0) subMulBV<N, N>(nf<N>(s, n, kLz), &Z(1, nz), t);
        },
        Z, k);
  }
  // Backward: Z = y - P^-1 Uz Z(next plane).
  for (int kk = s.NKT; kk >= 1; --kk) {
    const int k = s.KLIST(kk);
    bool any = false;
    for (int jj = 1; jj <= s.NJK(k) && !any; ++jj) {
      const int j = s.NJ(jj, k);
      for (int ii = 1; ii <= s.NI(j, k) && !any; ++ii) any = s.NBR(p3, s.NSIJ(ii, j, k)) != 0;
    }
    if (!any) continue;
    zsubN<N>(
        s,
        [&](int n, double* t) {
          const int nz = s.NBR(p3, n);
          if (nz != 0) {
            mulBV<N, N>(nf<N>(s, n, kUz), &Z(1, nz), t);
          } else {
            for (int i = 0; i < N; ++i) t[i] = 0.0;
          }
        },
        W, k);
    for (int jj = 1; jj <= s.NJK(k); ++jj) {
      const int j = s.NJ(jj, k);
      for (int ii = 1; ii <= s.NI(j, k); ++ii) {
        const int n = s.NSIJ(ii, j, k);
        for (int i = 1; i <= N; ++i) Z(i, n) -= W(i, n);
      }
    }
  }
}

void QSUB(State& s, const BlockVec& R, BlockVec& Z) {
  byOrder(s.NEQN, [&]<int M>() { qsubN<M>(s, R, Z); });
}

namespace {

void nestedPre(State& s) { QSUB(s, s.RHS, s.ZPRE); }

}  // namespace

void NESITR(State& s, int mode) {
  if (mode == 0) {
    int n = 0;
    byOrder(s.NEQN, [&]<int N>() { n = factorN<N>(s); });
    if (n != 0) {
      s.LINIT = 0;
      SLVBAD(s, n, 1);
      return;
    }
  } else {
    PACKMV(s);
  }
  ORTHMN(s, nestedPre);
}

}  // namespace talvek
