// Block incomplete LU with ORTHOMIN (method 2), and the ORTHOMIN iteration
// shared with the nested factorization.
#include "solver/blkitr.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "solver/blockops.h"

namespace talvek {

using namespace blockops;

namespace {

// The packed row of active block n in FPAK, for N equations.
template <int N>
inline double* iluRow(State& s, int n) {
  return s.FPAK.data() + 13 * N * N * (n - 1);
}

// Block ILU factorization of VBB into FL, FU, PINV, which also packs VBB for
// the products of the iteration as it reads each block's row. Returns 0, or
// the active block whose pivot block could not be inverted.
template <int N>
int factor(State& s) {
  const int m1 = s.MSLOT(1), m2 = s.MSLOT(2), m3 = s.MSLOT(3);
  const int faceL[3] = {m1, m2, m3}, faceU[3] = {8 - m1, 8 - m2, 8 - m3};
  const int facePos[3] = {1, 3, 6};
  auto zero = [](double* B) {
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) B[i + 4 * j] = 0.0;
  };
  auto copy = [](const double* A, double* B) {
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) B[i + 4 * j] = A[i + 4 * j];
  };
  // The updates of one row: lower position q of n, then the targets with the
  // upper position p of the block at q that points to each. Target kind 0:
  // FL, 1: FU, 2: the pivot.
  struct Target {
    int kind, pos, p;
  };
  struct Step {
    int q, nt;
    Target t[4];
  };
  static constexpr Step kSteps[9] = {
      {6, 4, {{0, 5, 1}, {0, 3, 4}, {0, 4, 3}, {0, 1, 5}}},
      {5, 2, {{0, 4, 2}, {0, 2, 4}, {}, {}}},
      {3, 2, {{0, 2, 1}, {0, 1, 2}, {}, {}}},
      {1, 3, {{1, 2, 3}, {1, 5, 6}, {2, 0, 1}, {}}},
      {2, 3, {{1, 1, 3}, {1, 4, 5}, {2, 0, 2}, {}}},
      {3, 2, {{1, 4, 6}, {2, 0, 3}, {}, {}}},
      {4, 3, {{1, 2, 5}, {1, 3, 6}, {2, 0, 4}, {}}},
      {5, 2, {{1, 1, 6}, {2, 0, 5}, {}, {}}},
      {6, 1, {{2, 0, 6}, {}, {}, {}}},
  };
  // Row by row: the row of n starts from VBB and is updated with the rows
  // before it, which are final.
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int p = 1; p <= 6; ++p) {
      zero(&s.FL(1, 1, p, n));
      zero(&s.FU(1, 1, p, n));
    }
    for (int d = 0; d < 3; ++d) {
      if (s.NBR(faceL[d], n) != 0) copy(&s.VBB(1, 1, faceL[d], n), &s.FL(1, 1, facePos[d], n));
      if (s.NBR(faceU[d], n) != 0) copy(&s.VBB(1, 1, faceU[d], n), &s.FU(1, 1, facePos[d], n));
    }
    packRow<N>(s, n);
    double D[16];
    copy(&s.VBB(1, 1, 4, n), D);
    for (const Step& st : kSteps) {
      const int m = s.LBI(st.q, n);
      if (m == 0) continue;
      double W[16];
      mulBB<N>(&s.FL(1, 1, st.q, n), &s.PINV(1, 1, m), W);
      for (int k = 0; k < st.nt; ++k) {
        const Target& t = st.t[k];
        double* dst = t.kind == 0 ? &s.FL(1, 1, t.pos, n) : t.kind == 1 ? &s.FU(1, 1, t.pos, n) : D;
        if (s.UBI(t.p, m) != 0) subMulBB<N>(W, &s.FU(1, 1, t.p, m), dst);
      }
    }
    if (!invertTry<N>(D)) return n;
    copy(D, &s.PINV(1, 1, n));
    // The row of n is final: pack what the preconditioner solve reads of it.
    double* pk = iluRow<N>(s, n);
    auto pack = [&](const double* A, double* P) {
      for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) P[i + N * j] = A[i + 4 * j];
    };
    for (int p = 1; p <= 6; ++p) {
      if (s.LBI(p, n) != 0) pack(&s.FL(1, 1, p, n), pk + N * N * (p - 1));
      if (s.UBI(p, n) != 0) pack(&s.FU(1, 1, p, n), pk + N * N * (6 + p));
    }
    pack(D, pk + N * N * 6);
  }
  return 0;
}

void bilu(State& s) { BILUSV(s, s.RHS, s.ZPRE); }

}  // namespace

void SLVBAD(State& s, int n, int kind) {
  s.NBADBK = n;
  s.NBADKD = kind;
  const int nv = s.NEQN * s.NGPACT;
  for (int i = 1; i <= nv; ++i) s.DELX(i) = std::numeric_limits<double>::quiet_NaN();
}

void BILOKT(State& s) {
  const int m1 = s.MSLOT(1), m2 = s.MSLOT(2), m3 = s.MSLOT(3);
  const int p1 = 8 - m1, p2 = 8 - m2, p3 = 8 - m3;
  auto at = [&](int n, int slot) { return n == 0 ? 0 : s.NBR(slot, n); };
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.LBI(1, n) = s.NBR(m1, n);
    s.LBI(2, n) = at(s.NBR(m2, n), p1);
    s.LBI(3, n) = s.NBR(m2, n);
    s.LBI(4, n) = at(s.NBR(m3, n), p2);
    s.LBI(5, n) = at(s.NBR(m3, n), p1);
    s.LBI(6, n) = s.NBR(m3, n);
    s.UBI(1, n) = s.NBR(p1, n);
    s.UBI(2, n) = at(s.NBR(p2, n), m1);
    s.UBI(3, n) = s.NBR(p2, n);
    s.UBI(4, n) = at(s.NBR(p3, n), m2);
    s.UBI(5, n) = at(s.NBR(p3, n), m1);
    s.UBI(6, n) = s.NBR(p3, n);
  }
}

void MULTAV(const double* A, const double* X, double* Y, int N) { mulBV(A, X, Y, N); }

void MLTABC(const double* A, const double* B, const double* G, double* D, int N, int M) {
  double AB[16];
  mulBB(A, B, AB, N);
  for (int l = 0; l < M; ++l) mulBB(AB, G + 16 * l, D + 16 * l, N);
}

void MATVEC(const State& s, const double* X, double* Y) {
  byOrder(s.NEQN, [&]<int N>() {
    for (int n = 1; n <= s.NGPACT; ++n) {
      double* y = Y + 4 * (n - 1);
      for (int i = 0; i < N; ++i) y[i] = 0.0;
      for (int k = 1; k <= s.NCONN(n); ++k) {
        const int sl = s.ICSLOT(k, n);
        addMulBV<N>(&s.VBB(1, 1, sl, n), X + 4 * (s.NBR(sl, n) - 1), y);
      }
    }
  });
}

// The sweeps are recurrences through the previous (next) block. As in the
// line solves of the nested factorization, the products on that path are
// summed from their first product and the result of each block is carried
// in registers; every value stored has 0 added, which gives the digits of
// the sums from 0 (the values carried differ from them at most in the sign
// of a zero, and that difference dies in the next product and sum). The
// forward result kept in Z is read again only by the backward step of the
// same block, which ends in such a sum.
void BILUSV(State& s, const BlockVec& R, BlockVec& Z) {
  byOrder(s.NEQN, [&]<int N>() {
    double yp[N] = {};
    int nprev = 0;
    for (int n = 1; n <= s.NGPACT; ++n) {
      const double* pk = iluRow<N>(s, n);
      double t[MXEQ];
      for (int i = 0; i < N; ++i) t[i] = R(i + 1, n);
      for (int p = 1; p <= 6; ++p) {
        const int m = s.LBI(p, n);
        if (m == 0) continue;
        if (m == nprev) {
          double u[N];
          rowSumsLead<N, N>(pk + N * N * (p - 1), yp, u);
          for (int i = 0; i < N; ++i) t[i] -= u[i];
        } else {
          subMulBV<N, N>(pk + N * N * (p - 1), &s.YFWD(1, m), t);
        }
      }
      for (int i = 0; i < N; ++i) Z(i + 1, n) = t[i];
      rowSumsLead<N, N>(pk + N * N * 6, t, yp);
      for (int i = 0; i < N; ++i) s.YFWD(i + 1, n) = yp[i] + 0.0;
      nprev = n;
    }
    int nnext = 0;
    for (int n = s.NGPACT; n >= 1; --n) {
      const double* pk = iluRow<N>(s, n);
      double t[MXEQ];
      for (int i = 0; i < N; ++i) t[i] = Z(i + 1, n);
      for (int p = 1; p <= 6; ++p) {
        const int m = s.UBI(p, n);
        if (m == 0) continue;
        if (m == nnext) {
          double u[N];
          rowSumsLead<N, N>(pk + N * N * (6 + p), yp, u);
          for (int i = 0; i < N; ++i) t[i] -= u[i];
        } else {
          subMulBV<N, N>(pk + N * N * (6 + p), &Z(1, m), t);
        }
      }
      rowSumsLead<N, N>(pk + N * N * 6, t, yp);
      for (int i = 0; i < N; ++i) Z(i + 1, n) = yp[i] + 0.0;
      nnext = n;
    }
  });
}

// The step length a / b of ORTHOMIN, where b is the squared length of a
// product with the matrix. A fixed addend guarding b against zero, such as
// 1e-11, shortens every step of a system whose residuals are small in its
// units (cubic centimetres and atmospheres give products of 1e-12 and less):
// the step is then a fraction of what it should be, and the iteration stops
// far from the solution. Only a zero product (a direction the matrix maps
// to nothing) gives no step.
static double ratio(double a, double b) { return b > 0.0 ? a / b : 0.0; }

namespace {

// Y = A * X from the packed matrix, summed as MATVEC sums; after each block
// row, row(i, y) sees entry i of it (first entry 4 * (n - 1)).
template <int N, class Row>
void packedProduct(const State& s, const double* X, double* Y, Row&& row) {
  const double* A = s.AMAT.data();
  for (int n = 0; n < s.NGPACT; ++n) {
    const double* a = A + MXSLOT * N * N * n;
    const int* off = &s.AOFF(1, n + 1);
    // Rows in pairs (each row summed in the same order as alone), and the
    // odd last row.
    constexpr int NP = N / 2;
    Pair yp[NP > 0 ? NP : 1] = {};
    double yl = 0.0;
    const int nc = s.NCONN(n + 1);
    for (int k = 0; k < nc; ++k, a += N * N) {
      const double* x = X + off[k];
      for (int j = 0; j < N; ++j) {
        for (int p = 0; p < NP; ++p) yp[p] += loadPair(a + 2 * p + N * j) * both(x[j]);
        if constexpr (N % 2 != 0) yl += a[N - 1 + N * j] * x[j];
      }
    }
    double y[N];
    for (int p = 0; p < NP; ++p) storePair(y + 2 * p, yp[p]);
    if constexpr (N % 2 != 0) y[N - 1] = yl;
    double* yn = Y + 4 * n;
    for (int i = 0; i < N; ++i) {
      yn[i] = y[i];
      row(4 * n + i, y[i]);
    }
  }
}

template <int N>
void orthomin(State& s, void (*precon)(State&)) {
  const int ng = s.NGPACT;
  const int north = std::clamp(s.NORTH, 1, MXNORT);
  double* x = s.XIT.data();
  double* r = s.RHS.data();
  const double* z = s.ZPRE.data();
  double* az = s.AZ.data();
  // Squared lengths of the stored products with the matrix, by slot.
  double qq[MXNORT];
  double beta[MXNORT];
  const double* pk[MXNORT];
  for (int n = 0; n < ng; ++n)
    for (int i = 4 * n; i < 4 * n + N; ++i) x[i] = 0.0;
  // Largest entry of the starting residual: the yardstick of the stopping
  // test when no entry is large enough for the relative test.
  double r0 = 0.0;
  for (int n = 0; n < ng; ++n)
    for (int i = 4 * n; i < 4 * n + N; ++i) r0 = std::max(r0, std::fabs(r[i]));
  s.LINIT = 0;
  s.NBADBK = s.NBADKD = 0;
  for (int iter = 1; iter <= s.LINMAX; ++iter) {
    precon(s);
    const int slot = (iter - 1) % north + 1;
    double* pd = s.PSTORE.column(slot);
    double* qd = s.QSTORE.column(slot);
    // Against the stored directions from the first of the set that holds
    // the previous iteration up to the previous iteration.
    int nk = 0;
    if (iter > 1) {
      packedProduct<N>(s, z, az, [](int, double) {});
      const int first = ((iter - 2) / north) * north + 1;
      for (int k = first; k <= iter - 1; ++k) {
        const int sk = (k - 1) % north + 1;
        const double* qk = s.QSTORE.column(sk);
        double t = 0.0;
        for (int n = 0; n < ng; ++n)
          for (int i = 4 * n; i < 4 * n + N; ++i) t += az[i] * qk[i];
        beta[nk] = ratio(t, qq[sk - 1]);
        pk[nk++] = s.PSTORE.column(sk);
      }
    }
    // The new direction, entry by entry: the slot it goes to may hold the
    // first direction it is made orthogonal to, read before it is replaced.
    for (int n = 0; n < ng; ++n)
      for (int i = 4 * n; i < 4 * n + N; ++i) {
        double p = z[i];
        for (int k = 0; k < nk; ++k) p -= beta[k] * pk[k][i];
        pd[i] = p;
      }
    double rq = 0.0, qqd = 0.0;
    packedProduct<N>(s, pd, qd, [&](int i, double q) {
      rq += r[i] * q;
      qqd += q * q;
    });
    qq[slot - 1] = qqd;
    const double alpha = ratio(rq, qqd);
    int bad = 0;
    // Largest change of the iterate and of the residual relative to their
    // values, over the entries that are not small, from the third iteration
    // on.
    const bool judge = iter >= 3;
    double rx = 0.0, rr = 0.0, rmax = 0.0;
    bool any = false;
    for (int n = 0; n < ng; ++n) {
      for (int i = 4 * n; i < 4 * n + N; ++i) {
        x[i] += alpha * pd[i];
        r[i] -= alpha * qd[i];
        if (bad == 0 && !(std::isfinite(x[i]) && std::isfinite(r[i]))) bad = n + 1;
        if (!judge) continue;
        const double ax = std::fabs(x[i]), ar = std::fabs(r[i]);
        rmax = std::max(rmax, ar);
        if (ax < 0.01 || ar < 0.01) continue;
        any = true;
        rx = std::max(rx, std::fabs(pd[i]) / (ax + 1e-51));
        rr = std::max(rr, std::fabs(qd[i]) / (ar + 1e-51));
      }
    }
    ++s.LINIT;
    if (bad != 0) {
      SLVBAD(s, bad, 2);
      return;
    }
    // When no entry is large enough to judge by, the iteration has not
    // shown that it converged: small corrections late in a Newton
    // iteration, or a deck in units whose residuals are all small (cubic
    // centimetres), would otherwise stop every call at its third
    // iteration with a poor solution. It then stops once the residual
    // has fallen to 0.01 of its starting size.
    if (judge && (any ? (rx < 0.01 || rr < 0.01) : rmax <= 0.01 * r0)) break;
  }
  for (int n = 1; n <= ng; ++n)
    for (int i = 1; i <= N; ++i) s.DELX((n - 1) * N + i) = s.XIT(i, n);
}

}  // namespace

void PACKMV(State& s) {
  byOrder(s.NEQN, [&]<int N>() {
    for (int n = 1; n <= s.NGPACT; ++n) packRow<N>(s, n);
  });
}

void ORTHMN(State& s, void (*precon)(State&)) {
  byOrder(s.NEQN, [&]<int N>() { orthomin<N>(s, precon); });
}

void BLKITR(State& s, int mode) {
  if (mode == 0) {
    int n = 0;
    byOrder(s.NEQN, [&]<int N>() { n = factor<N>(s); });
    if (n != 0) {
      s.LINIT = 0;
      SLVBAD(s, n, 1);
      return;
    }
  } else {
    PACKMV(s);
  }
  ORTHMN(s, bilu);
}

}  // namespace talvek
