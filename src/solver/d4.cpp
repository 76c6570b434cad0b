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

// y = W * x for an N x N block W (leading dimension 4).
template <int N>
inline void blockTimesVectorN(const double* W, const double* x, double* y) {
  for (int i = 0; i < N; ++i) {
    double t = 0.0;
    for (int j = 0; j < N; ++j) t += W[i + 4 * j] * x[j];
    y[i] = t;
  }
}

}  // namespace

namespace {

int gaussJordan(double* A, int N, bool finite) {
  int r = 0;
  blockops::byOrder(N, [&]<int M>() { r = blockops::gaussJordan<M>(A, finite); });
  return r;
}

}  // namespace

namespace {

std::string singularBlock(int k, int N) {
  return "block inverse: zero pivot in row " + std::to_string(k) + " of a " + std::to_string(N) + " x " +
         std::to_string(N) + " diagonal block of the Newton system; the block is singular";
}

}  // namespace

void INVERS(double* A, int N) {
  const int k = gaussJordan(A, N, false);
  if (k != 0) throw RunError(singularBlock(k, N));
}

bool INVTRY(double* A, int N) { return gaussJordan(A, N, true) == 0; }

namespace {

// INVRT for N equations (NUKN = NEQN in the band methods).
template <int N>
void invertRows(State& s) {
  for (int n = 1; n <= s.NRED; ++n) {
    double t[N];
    for (int i = 0; i < N; ++i) t[i] = s.RHS(i + 1, n);
    double W[16];
    const double* d = &s.VBB(1, 1, 4, n);
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) W[i + 4 * j] = d[i + MXEQ * j];
    if (const int k = blockops::gaussJordan<N>(W, false)) SINGLR(s, n, 0, "D4 solver, " + singularBlock(k, N));
    double* dinv = &s.DINV(1, 1, n);
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) dinv[i + MXEQ * j] = W[i + 4 * j];
    for (int k = 1; k <= s.NNB(n); ++k) {
      double* c = &s.VBB(1, 1, s.NBS(k, n), n);
      for (int j = 0; j < N; ++j) {
        double out[N];
        blockTimesVectorN<N>(W, c + MXEQ * j, out);
        for (int i = 0; i < N; ++i) c[i + MXEQ * j] = out[i];
      }
    }
    double out[N];
    blockTimesVectorN<N>(W, t, out);
    for (int i = 0; i < N; ++i) s.RHS(i + 1, n) = out[i];
  }
}

}  // namespace

void INVRT(State& s) {
  // NEQN is 1 to MXEQ here: the band set-up checked it.
  blockops::byOrder(s.NEQN, [&]<int N>() { invertRows<N>(s); });
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
  // times r's scaled row. Each block of the row is taken into registers,
  // updated and stored before the next: blocks of the row reached through
  // two neighbours r take their subtractions in the order of r.
  double rm[N];
  for (int i = 0; i < N; ++i) rm[i] = s.RHS(i + 1, m);
  for (int k = 1; k <= s.NNB(m); ++k) {
    const int r = s.NBN(k, m);
    const double* __restrict G = &s.VBB(1, 1, s.NBS(k, m), m);  // G[i + MXEQ * jr]
    const double* rr = &s.RHS(1, r);
    for (int jr = 0; jr < N; ++jr)
      for (int i = 0; i < N; ++i) rm[i] -= G[i + MXEQ * jr] * rr[jr];
    for (int kk = 1; kk <= s.NNB(r); ++kk) {
      double* __restrict z = &s.ZROW(1, 1, s.IDX4(s.NBN(kk, r)));
      const double* __restrict V = &s.VBB(1, 1, s.NBS(kk, r), r);  // V[jr + MXEQ * j]
      double t[N][N];
      for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) t[j][i] = z[i + MXEQ * j];
      for (int j = 0; j < N; ++j)
        for (int jr = 0; jr < N; ++jr)
          for (int i = 0; i < N; ++i) t[j][i] -= G[i + MXEQ * jr] * V[jr + MXEQ * j];
      for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) z[i + MXEQ * j] = t[j][i];
    }
  }
  for (int i = 0; i < N; ++i) s.RHS(i + 1, m) = rm[i];
}

}  // namespace

void ZERO(State& s, int b) {
  // NEQN is 1 to MXEQ here: the band set-up checked it.
  blockops::byOrder(s.NEQN, [&]<int N>() { zeroRow<N>(s, b); });
}

namespace {

// BACSUB, XINVRT and XZERO for N equations.
template <int N>
void backSubstitute(State& s) {
  double* X = &s.DELX(1);  // X[(n - 1) * N + i - 1] is DELX((n - 1) * N + i)
  // Second colour: band order -> active order (moving up, so from the end).
  for (int b = s.K7; b >= 1; --b) {
    const int n = s.IBLIST(b);
    for (int i = N - 1; i >= 0; --i) X[(n - 1) * N + i] = X[(b - 1) * N + i];
  }
  // First colour: x(n) = scaled RHS(n) - sum of scaled couplings times x(q).
  for (int n = 1; n <= s.NRED; ++n) {
    double x[N];
    for (int i = 0; i < N; ++i) x[i] = s.RHS(i + 1, n);
    for (int k = 1; k <= s.NNB(n); ++k) {
      const double* xq = X + (s.NBN(k, n) - 1) * N;
      const double* c = &s.VBB(1, 1, s.NBS(k, n), n);
      for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) x[i] -= c[i + MXEQ * j] * xq[j];
    }
    for (int i = 0; i < N; ++i) X[(n - 1) * N + i] = x[i];
  }
}

template <int N>
void scaleRhs(State& s) {
  for (int n = 1; n <= s.NRED; ++n) {
    double t[N];
    for (int i = 0; i < N; ++i) t[i] = s.RHS(i + 1, n);
    const double* d = &s.DINV(1, 1, n);
    for (int i = 0; i < N; ++i) {
      double v = 0.0;
      for (int j = 0; j < N; ++j) v += d[i + MXEQ * j] * t[j];
      s.RHS(i + 1, n) = v;
    }
  }
}

template <int N>
void reduceRhs(State& s, int b) {
  const int m = s.IBLIST(b);
  double* rm = &s.RHS(1, m);
  for (int k = 1; k <= s.NNB(m); ++k) {
    const double* rr = &s.RHS(1, s.NBN(k, m));
    const double* c = &s.VBB(1, 1, s.NBS(k, m), m);
    for (int jr = 0; jr < N; ++jr)
      for (int i = 0; i < N; ++i) rm[i] -= c[i + MXEQ * jr] * rr[jr];
  }
}

}  // namespace

void BACSUB(State& s) {
  blockops::byOrder(s.NEQN, [&]<int N>() { backSubstitute<N>(s); });
}

void XINVRT(State& s) {
  blockops::byOrder(s.NEQN, [&]<int N>() { scaleRhs<N>(s); });
}

void XZERO(State& s, int b) {
  blockops::byOrder(s.NEQN, [&]<int N>() { reduceRhs<N>(s, b); });
}

}  // namespace talvek
