// Nested factorization with ORTHOMIN (method 3).
#include "solver/nested.h"

#include "solver/blockops.h"
#include "solver/d4.h"

namespace talvek {

using namespace blockops;

namespace {

// Copies of the couplings and the diagonal; zero where the neighbour is absent.
void copyCoefficients(State& s) {
  const int ne = s.NEQN;
  BlockCol* lo[3] = {&s.CLX, &s.CLY, &s.CLZ};
  BlockCol* up[3] = {&s.CUX, &s.CUY, &s.CUZ};
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int d = 0; d < 3; ++d) {
      const int ms = s.MSLOT(d + 1), ps = 8 - ms;
      double* L = &(*lo[d])(1, 1, n);
      double* U = &(*up[d])(1, 1, n);
      zeroBlock(L);
      zeroBlock(U);
      if (s.NBR(ms, n) != 0) copyBlock(&s.VBB(1, 1, ms, n), L, ne);
      if (s.NBR(ps, n) != 0) copyBlock(&s.VBB(1, 1, ps, n), U, ne);
    }
    zeroBlock(&s.CDG(1, 1, n));
    copyBlock(&s.VBB(1, 1, 4, n), &s.CDG(1, 1, n), ne);
  }
}

// The nested factorization of VBB. Returns 0, or the active block whose
// pivot block could not be inverted.
int factor(State& s) {
  const int ne = s.NEQN;
  const int m1 = s.MSLOT(1), p2 = 8 - s.MSLOT(2), p3 = 8 - s.MSLOT(3);
  for (int n = 1; n <= s.NGPACT; ++n) {
    zeroBlock(&s.EUX(1, 1, n));
    zeroBlock(&s.CORY(1, 1, n));
    zeroBlock(&s.CORZ(1, 1, n));
  }
  copyCoefficients(s);
  for (int kk = 1; kk <= s.NKT; ++kk) {
    const int k = s.KLIST(kk);
    for (int jj = 1; jj <= s.NJK(k); ++jj) {
      const int j = s.NJ(jj, k);
      for (int ii = 1; ii <= s.NI(j, k); ++ii) {
        const int n = s.NSIJ(ii, j, k);
        double G[16];
        copyBlock(&s.CDG(1, 1, n), G, ne);
        const int nx = s.NBR(m1, n);
        if (nx != 0) subMulBB(&s.CLX(1, 1, n), &s.EUX(1, 1, nx), G, ne);
        subBlock(&s.CORY(1, 1, n), G, ne);
        subBlock(&s.CORZ(1, 1, n), G, ne);
        if (!INVTRY(G, ne)) return n;
        copyBlock(G, &s.GINV(1, 1, n), ne);
        mulBB(G, &s.CUX(1, 1, n), &s.EUX(1, 1, n), ne);
      }
      // The row sums of T^-1 Uy of this line, handed to the next line.
      if (jj < s.NJK(k) && s.NJ(jj + 1, k) == j + 1) {
        WSUB2(s, s.CUY, s.VCOL, k, j);
        for (int ii = 1; ii <= s.NI(j, k); ++ii) {
          const int n = s.NSIJ(ii, j, k);
          const int ny = s.NBR(p2, n);
          if (ny == 0) continue;
          double C[16];
          mulBB(&s.CLY(1, 1, ny), &s.VCOL(1, 1, n), C, ne);
          addBlock(C, &s.CORY(1, 1, ny), ne);
        }
      }
    }
    // The row sums of P^-1 Uz of this plane, handed to the next plane.
    if (kk < s.NKT && s.KLIST(kk + 1) == k + 1) {
      ZSUB2(s, s.CUZ, s.VCOL, k);
      for (int jj = 1; jj <= s.NJK(k); ++jj) {
        const int j = s.NJ(jj, k);
        for (int ii = 1; ii <= s.NI(j, k); ++ii) {
          const int n = s.NSIJ(ii, j, k);
          const int nz = s.NBR(p3, n);
          if (nz == 0) continue;
          double C[16];
          mulBB(&s.CLZ(1, 1, nz), &s.VCOL(1, 1, n), C, ne);
          addBlock(C, &s.CORZ(1, 1, nz), ne);
        }
      }
    }
  }
  return 0;
}

void nestedPre(State& s) { QSUB(s, s.RHS, s.ZPRE); }

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
      if (nx == nprev) {
        subMulBV<N>(&s.CLX(1, 1, n), zp, t);
      } else {
        subMulBV<N>(&s.CLX(1, 1, n), &W(1, nx), t);
      }
    }
    mulBV<N>(&s.GINV(1, 1, n), t, zp);
    for (int i = 0; i < N; ++i) W(i + 1, n) = zp[i];
    nprev = n;
  }
  int nnext = 0;
  for (int ii = ni; ii >= 1; --ii) {
    const int n = s.NSIJ(ii, j, k);
    double z[N];
    for (int i = 0; i < N; ++i) z[i] = W(i + 1, n);
    const int nxp = s.NBR(p1, n);
    if (nxp != 0) {
      if (nxp == nnext) {
        subMulBV<N>(&s.EUX(1, 1, n), zp, z);
      } else {
        subMulBV<N>(&s.EUX(1, 1, n), &W(1, nxp), z);
      }
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

void WSUB2(State& s, const BlockCol& B, BlockCol& V, int k, int j) {
  const int ne = s.NEQN, m1 = s.MSLOT(1), p1 = 8 - m1;
  const int ni = s.NI(j, k);
  for (int ii = 1; ii <= ni; ++ii) {
    const int n = s.NSIJ(ii, j, k);
    double t[16];
    copyBlock(&B(1, 1, n), t, ne);
    const int nx = s.NBR(m1, n);
    if (nx != 0) subMulBB(&s.CLX(1, 1, n), &V(1, 1, nx), t, ne);
    mulBB(&s.GINV(1, 1, n), t, &V(1, 1, n), ne);
  }
  for (int ii = ni; ii >= 1; --ii) {
    const int n = s.NSIJ(ii, j, k);
    const int nxp = s.NBR(p1, n);
    if (nxp != 0) subMulBB(&s.EUX(1, 1, n), &V(1, 1, nxp), &V(1, 1, n), ne);
  }
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
          if (ny != 0) subMulBV<N>(&s.CLY(1, 1, n), &Z(1, ny), t);
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
            mulBV<N>(&s.CUY(1, 1, n), &Z(1, ny), t);
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

void ZSUB2(State& s, const BlockCol& B, BlockCol& V, int k) {
  const int ne = s.NEQN, m2 = s.MSLOT(2), p2 = 8 - m2;
  BlockCol& T = s.WCOL;
  const int nl = s.NJK(k);
  for (int jj = 1; jj <= nl; ++jj) {
    const int j = s.NJ(jj, k);
    for (int ii = 1; ii <= s.NI(j, k); ++ii) {
      const int n = s.NSIJ(ii, j, k);
      copyBlock(&B(1, 1, n), &T(1, 1, n), ne);
      const int ny = s.NBR(m2, n);
      if (ny != 0) subMulBB(&s.CLY(1, 1, n), &V(1, 1, ny), &T(1, 1, n), ne);
    }
    WSUB2(s, T, T, k, j);
    for (int ii = 1; ii <= s.NI(j, k); ++ii) {
      const int n = s.NSIJ(ii, j, k);
      copyBlock(&T(1, 1, n), &V(1, 1, n), ne);
    }
  }
  for (int jj = nl; jj >= 1; --jj) {
    const int j = s.NJ(jj, k);
    bool any = false;
    for (int ii = 1; ii <= s.NI(j, k); ++ii) {
      const int n = s.NSIJ(ii, j, k);
      const int ny = s.NBR(p2, n);
      if (ny != 0) {
        mulBB(&s.CUY(1, 1, n), &V(1, 1, ny), &T(1, 1, n), ne);
        any = true;
      } else {
        zeroBlock(&T(1, 1, n));
      }
    }
    if (!any) continue;
    WSUB2(s, T, T, k, j);
    for (int ii = 1; ii <= s.NI(j, k); ++ii) {
      const int n = s.NSIJ(ii, j, k);
      subBlock(&T(1, 1, n), &V(1, 1, n), ne);
    }
  }
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
          if (nz != 0) subMulBV<N>(&s.CLZ(1, 1, n), &Z(1, nz), t);
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
            mulBV<N>(&s.CUZ(1, 1, n), &Z(1, nz), t);
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

void NESITR(State& s, int mode) {
  if (mode == 0) {
    const int n = factor(s);
    if (n != 0) {
      s.LINIT = 0;
      SLVBAD(s, n, 1);
      return;
    }
  }
  ORTHMN(s, nestedPre);
}

}  // namespace talvek
