// Two-colour (D4) elimination: block inverses, reduced rows, back substitution.
#include "solver/d4.h"

#include <cmath>
#include <string>

#include "io/errors.h"
#include "state/state.h"
#include "solver/bands.h"
#include "solver/blockops.h"

namespace talvek {

namespace {

// y = W * x for an n x n block W (leading dimension 4).
inline void blockTimesVector(const double* W, const double* x, double* y, int n) {
  for (int i = 0; i < n; ++i) {
    double t = 0.0;
    for (int j = 0; j < n; ++j) t += W[i + 4 * j] * x[j];
    y[i] = t;
  }
}

}  // namespace

namespace {

// Gauss-Jordan inversion of the N x N block A in place, without row
// exchanges. Returns 0, or the row (1..N) whose pivot is zero (with
// `finite`: zero or not a finite number); A is then left unchanged.
int gaussJordan(double* A, int N, bool finite) {
  // [A | I] as an N x 2N array W.
  double W[4][8];
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) {
      W[i][j] = A[i + 4 * j];
      W[i][N + j] = i == j ? 1.0 : 0.0;
    }
  for (int k = 0; k < N; ++k) {
    const double piv = W[k][k];
    if (piv == 0.0 || (finite && !std::isfinite(piv))) return k + 1;
    for (int m = 0; m < N; ++m) {
      if (m == k) continue;
      const double f = W[m][k] / piv;
      for (int j = 0; j < 2 * N; ++j) W[m][j] -= f * W[k][j];
    }
  }
  if (finite) {
    for (int k = 0; k < N; ++k)
      for (int j = 0; j < N; ++j)
        if (!std::isfinite(W[k][N + j] / W[k][k])) return k + 1;
  }
  for (int k = 0; k < N; ++k) {
    const double d = W[k][k];
    for (int j = 0; j < N; ++j) A[k + 4 * j] = W[k][N + j] / d;
  }
  return 0;
}

}  // namespace

void INVERS(double* A, int N) {
  const int k = gaussJordan(A, N, false);
  if (k != 0) {
    throw RunError("block inverse: zero pivot in row " + std::to_string(k) + " of a " +
                   std::to_string(N) + " x " + std::to_string(N) +
                   " diagonal block of the Newton system; the block is singular");
  }
}

bool INVTRY(double* A, int N) { return gaussJordan(A, N, true) == 0; }

void INVRT(State& s) {
  const int ne = s.NEQN, nk = s.NUKN;
  for (int n = 1; n <= s.NRED; ++n) {
    double t[MXEQ];
    for (int i = 1; i <= ne; ++i) t[i - 1] = s.RHS(i, n);
    double W[16];
    for (int j = 1; j <= nk; ++j)
      for (int i = 1; i <= ne; ++i) W[(i - 1) + 4 * (j - 1)] = s.VBB(i, j, 4, n);
    try {
      INVERS(W, ne);
    } catch (const RunError& e) {
      SINGLR(s, n, 0, std::string("D4 solver, ") + e.what());
    }
    for (int j = 1; j <= nk; ++j)
      for (int i = 1; i <= ne; ++i) s.DINV(i, j, n) = W[(i - 1) + 4 * (j - 1)];
    for (int k = 1; k <= s.NNB(n); ++k) {
      const int sl = s.NBS(k, n);
      for (int j = 1; j <= nk; ++j) {
        double col[MXEQ], out[MXEQ];
        for (int i = 1; i <= ne; ++i) col[i - 1] = s.VBB(i, j, sl, n);
        blockTimesVector(W, col, out, ne);
        for (int i = 1; i <= ne; ++i) s.VBB(i, j, sl, n) = out[i - 1];
      }
    }
    double out[MXEQ];
    blockTimesVector(W, t, out, ne);
    for (int i = 1; i <= ne; ++i) s.RHS(i, n) = out[i - 1];
  }
}

namespace {

// ZERO for N equations. Each entry of the row gets its subtractions in the
// order of the first-colour neighbours r of m and, for each, of the
// unknowns jr of r, as in one subtraction at a time; a first-colour block's
// neighbours are distinct blocks of the second colour, so no entry is
// reached twice through one r.
template <int N>
void zeroRow(State& s, int b) {
  const int m = s.IBLIST(b);
  // Clear the blocks of this row; the diagonal block of m goes to block b.
  for (int k = 1; k <= s.NRCON(b); ++k) {
    double* z = &s.ZROW(1, 1, s.ICOLR(k, b));
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) z[i + MXEQ * j] = 0.0;
  }
  {
    double* z = &s.ZROW(1, 1, b);
    const double* d = &s.VBB(1, 1, 4, m);
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) z[i + MXEQ * j] = d[i + MXEQ * j];
  }
  // Subtract, through every first-colour neighbour r, the coupling of m to r
  // times r's scaled row.
  for (int k = 1; k <= s.NNB(m); ++k) {
    const int r = s.NBN(k, m);
    const double* G = &s.VBB(1, 1, s.NBS(k, m), m);  // G[i + MXEQ * jr]
    for (int jr = 0; jr < N; ++jr)
      for (int i = 0; i < N; ++i) s.RHS(i + 1, m) -= G[i + MXEQ * jr] * s.RHS(jr + 1, r);
    for (int kk = 1; kk <= s.NNB(r); ++kk) {
      double* z = &s.ZROW(1, 1, s.IDX4(s.NBN(kk, r)));
      const double* V = &s.VBB(1, 1, s.NBS(kk, r), r);  // V[jr + MXEQ * j]
      for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) {
          double t = z[i + MXEQ * j];
          for (int jr = 0; jr < N; ++jr) t -= G[i + MXEQ * jr] * V[jr + MXEQ * j];
          z[i + MXEQ * j] = t;
        }
    }
  }
}

}  // namespace

void ZERO(State& s, int b) {
  // NEQN is 1 to MXEQ here: the band set-up checked it.
  blockops::byOrder(s.NEQN, [&]<int N>() { zeroRow<N>(s, b); });
}

void BACSUB(State& s) {
  const int ne = s.NEQN;
  // Second colour: band order -> active order (moving up, so from the end).
  for (int b = s.K7; b >= 1; --b) {
    const int n = s.IBLIST(b);
    for (int i = ne; i >= 1; --i) s.DELX((n - 1) * ne + i) = s.DELX((b - 1) * ne + i);
  }
  // First colour: x(n) = scaled RHS(n) - sum of scaled couplings times x(q).
  for (int n = 1; n <= s.NRED; ++n) {
    double x[MXEQ];
    for (int i = 1; i <= ne; ++i) x[i - 1] = s.RHS(i, n);
    for (int k = 1; k <= s.NNB(n); ++k) {
      const int q = s.NBN(k, n);
      const int sl = s.NBS(k, n);
      for (int j = 1; j <= s.NUKN; ++j) {
        const double xq = s.DELX((q - 1) * ne + j);
        for (int i = 1; i <= ne; ++i) x[i - 1] -= s.VBB(i, j, sl, n) * xq;
      }
    }
    for (int i = 1; i <= ne; ++i) s.DELX((n - 1) * ne + i) = x[i - 1];
  }
}

void XINVRT(State& s) {
  const int ne = s.NEQN;
  for (int n = 1; n <= s.NRED; ++n) {
    double t[MXEQ], out[MXEQ];
    for (int i = 1; i <= ne; ++i) t[i - 1] = s.RHS(i, n);
    for (int i = 1; i <= ne; ++i) {
      double v = 0.0;
      for (int j = 1; j <= ne; ++j) v += s.DINV(i, j, n) * t[j - 1];
      out[i - 1] = v;
    }
    for (int i = 1; i <= ne; ++i) s.RHS(i, n) = out[i - 1];
  }
}

void XZERO(State& s, int b) {
  const int ne = s.NEQN;
  const int m = s.IBLIST(b);
  for (int k = 1; k <= s.NNB(m); ++k) {
    const int r = s.NBN(k, m);
    const int sl = s.NBS(k, m);
    for (int jr = 1; jr <= ne; ++jr)
      for (int i = 1; i <= ne; ++i) s.RHS(i, m) -= s.VBB(i, jr, sl, m) * s.RHS(jr, r);
  }
}

}  // namespace talvek
