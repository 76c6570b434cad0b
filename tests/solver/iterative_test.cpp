// The iterative solvers: the block ILU (method 2) and the nested
// factorization (method 3) against their definitions, built densely here
// from the factor blocks, and the ORTHOMIN iteration they share.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "io/errors.h"
#include "state/state.h"
#include "solver/blkitr.h"
#include "solver/blockops.h"
#include "solver/d4.h"
#include "solver/nested.h"
#include "solver/numbering.h"
#include "solver/solve.h"

namespace talvek {
namespace {

struct Grid {
  int nx, ny, nz, nxyzord;
  std::vector<int> inactive;  // physical (I, J, K) triples
};

void layout(State& s, const Grid& g, int method, int neqn) {
  s.NX = g.nx;
  s.NY = g.ny;
  s.NZ = g.nz;
  s.NXYZORD = g.nxyzord;
  s.METHOD = method;
  s.NUSLVR = 0;
  s.NEQN = s.NUKN = neqn;
  BORDER(s);
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
  for (std::size_t t = 0; t + 2 < g.inactive.size(); t += 3)
    s.IACTIVE(s.LBLOCK(g.inactive[t], g.inactive[t + 1], g.inactive[t + 2])) = 0;
  ACTNUM(s);
  CONLST(s);
  SETSLV(s);
}

// A random block system. `dominance` > 0 adds that multiple of the row's
// absolute sum to the diagonal. Entries that must not be read (slots without
// a neighbour, rows and columns beyond NEQN) hold junk.
void randomSystem(State& s, unsigned seed, double dominance) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const int ne = s.NEQN;
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int sl = 1; sl <= 7; ++sl)
      for (int j = 1; j <= 4; ++j)
        for (int i = 1; i <= 4; ++i) {
          const bool used = s.NBR(sl, n) != 0 && i <= ne && j <= ne;
          s.VBB(i, j, sl, n) = used ? u(gen) : 1.0e30;
        }
    for (int i = 1; i <= ne; ++i) {
      double row = 0.0;
      for (int sl = 1; sl <= 7; ++sl)
        if (s.NBR(sl, n) != 0)
          for (int j = 1; j <= ne; ++j) row += std::fabs(s.VBB(i, j, sl, n));
      s.VBB(i, i, 4, n) += (u(gen) > 0 ? 1.0 : -1.0) * dominance * row;
    }
    for (int i = 1; i <= 4; ++i) s.RHS(i, n) = i <= ne ? 10.0 * u(gen) : 1.0e30;
  }
}

// Dense square matrices in active order: row (n - 1) * NEQN + i.
struct Dense {
  int N = 0;
  std::vector<double> a;
  explicit Dense(int n) : N(n), a(static_cast<std::size_t>(n) * n, 0.0) {}
  double& operator()(int i, int j) { return a[static_cast<std::size_t>(i) * N + j]; }
  double operator()(int i, int j) const { return a[static_cast<std::size_t>(i) * N + j]; }
};

Dense operator*(const Dense& A, const Dense& B) {
  Dense C(A.N);
  for (int i = 0; i < A.N; ++i)
    for (int k = 0; k < A.N; ++k) {
      const double v = A(i, k);
      if (v == 0.0) continue;
      for (int j = 0; j < A.N; ++j) C(i, j) += v * B(k, j);
    }
  return C;
}

Dense operator+(Dense A, const Dense& B) {
  for (std::size_t i = 0; i < A.a.size(); ++i) A.a[i] += B.a[i];
  return A;
}

Dense inverse(Dense A) {
  const int N = A.N;
  Dense X(N);
  for (int i = 0; i < N; ++i) X(i, i) = 1.0;
  for (int k = 0; k < N; ++k) {
    int p = k;
    for (int i = k + 1; i < N; ++i)
      if (std::fabs(A(i, k)) > std::fabs(A(p, k))) p = i;
    for (int j = 0; j < N; ++j) {
      std::swap(A(p, j), A(k, j));
      std::swap(X(p, j), X(k, j));
    }
    const double d = A(k, k);
    for (int j = 0; j < N; ++j) {
      A(k, j) /= d;
      X(k, j) /= d;
    }
    for (int i = 0; i < N; ++i) {
      if (i == k) continue;
      const double m = A(i, k);
      if (m == 0.0) continue;
      for (int j = 0; j < N; ++j) {
        A(i, j) -= m * A(k, j);
        X(i, j) -= m * X(k, j);
      }
    }
  }
  return X;
}

std::vector<double> times(const Dense& A, const std::vector<double>& x) {
  std::vector<double> y(static_cast<std::size_t>(A.N), 0.0);
  for (int i = 0; i < A.N; ++i)
    for (int j = 0; j < A.N; ++j) y[static_cast<std::size_t>(i)] += A(i, j) * x[static_cast<std::size_t>(j)];
  return y;
}

// Puts the NEQN x NEQN block B (leading dimension 4) at block row r, column c.
void put(Dense& D, int ne, int r, int c, const double* B) {
  for (int i = 0; i < ne; ++i)
    for (int j = 0; j < ne; ++j) D((r - 1) * ne + i, (c - 1) * ne + j) = B[i + 4 * j];
}

Dense newtonMatrix(const State& s) {
  Dense A(s.NEQN * s.NGPACT);
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int sl = 1; sl <= 7; ++sl)
      if (s.NBR(sl, n) != 0) put(A, s.NEQN, n, s.NBR(sl, n), &s.VBB(1, 1, sl, n));
  return A;
}

// Couplings of ordered direction d (1..3), minus side or plus side.
Dense coupling(const State& s, int d, bool plus) {
  Dense A(s.NEQN * s.NGPACT);
  const int sl = plus ? 8 - s.MSLOT(d) : s.MSLOT(d);
  for (int n = 1; n <= s.NGPACT; ++n)
    if (s.NBR(sl, n) != 0) put(A, s.NEQN, n, s.NBR(sl, n), &s.VBB(1, 1, sl, n));
  return A;
}

std::vector<double> flat(const State& s, const BlockVec& v) {
  std::vector<double> x;
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int i = 1; i <= s.NEQN; ++i) x.push_back(v(i, n));
  return x;
}

void randomVec(const State& s, BlockVec& v, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int i = 1; i <= 4; ++i) v(i, n) = i <= s.NEQN ? u(gen) : 1.0e30;
}

double maxAbs(const std::vector<double>& x) {
  double m = 0.0;
  for (double v : x) m = std::max(m, std::fabs(v));
  return m;
}

double maxDiff(const std::vector<double>& x, const std::vector<double>& y) {
  double m = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) m = std::max(m, std::fabs(x[i] - y[i]));
  return m;
}

// The block ILU preconditioner M = (D + L) D^-1 (D + U) from the factors.
Dense iluM(const State& s) {
  const int ne = s.NEQN, N = ne * s.NGPACT;
  Dense P(N), Pinv(N), L(N), U(N);
  for (int n = 1; n <= s.NGPACT; ++n) {
    put(Pinv, ne, n, n, &s.PINV(1, 1, n));
    for (int p = 1; p <= 6; ++p) {
      if (s.LBI(p, n) != 0) put(L, ne, n, s.LBI(p, n), &s.FL(1, 1, p, n));
      if (s.UBI(p, n) != 0) put(U, ne, n, s.UBI(p, n), &s.FU(1, 1, p, n));
    }
  }
  P = inverse(Pinv);
  return (P + L) * Pinv * (P + U);
}

// The nested preconditioner from the inverted pivots and the couplings.
Dense nestedM(const State& s) {
  const int ne = s.NEQN, N = ne * s.NGPACT;
  Dense Ginv(N);
  for (int n = 1; n <= s.NGPACT; ++n) put(Ginv, ne, n, n, &s.GINV(1, 1, n));
  const Dense G = inverse(Ginv);
  const Dense T = (G + coupling(s, 1, false)) * Ginv * (G + coupling(s, 1, true));
  const Dense P = (T + coupling(s, 2, false)) * inverse(T) * (T + coupling(s, 2, true));
  return (P + coupling(s, 3, false)) * inverse(P) * (P + coupling(s, 3, true));
}

// Grids with inactive blocks: a gap line, a gap plane, scattered blocks, and
// other direction orders.
const std::vector<Grid>& gappedGrids() {
  static const std::vector<Grid> g = {
      {4, 3, 3, 2, {}},
      // 4 x 3 x 3, x fastest; line J = 2 of layer 2 inactive.
      {4, 3, 3, 2, {1, 2, 2, 2, 2, 2, 3, 2, 2, 4, 2, 2}},
      // 3 x 3 x 4; plane K = 2 inactive, and one more block.
      {3, 3, 4, 2, {1, 1, 2, 2, 1, 2, 3, 1, 2, 1, 2, 2, 2, 2, 2, 3, 2, 2, 1, 3, 2, 2, 3, 2, 3, 3, 2, 2, 3, 4}},
      // 4 x 3 x 3 ordered Z, X, Y with scattered inactive blocks.
      {4, 3, 3, 6, {2, 2, 2, 1, 3, 1, 4, 1, 3}},
      // 3 x 4 x 3 ordered Y, Z, X; a line along y inactive.
      {3, 4, 3, 5, {2, 1, 2, 2, 2, 2, 2, 3, 2, 2, 4, 2, 1, 1, 1}},
  };
  return g;
}

TEST(BlockIlu, PreconditionerSolveIsTheDefinedProductAndMatchesTheMatrixOnItsPattern) {
  for (const Grid& g : gappedGrids()) {
    for (int ne : {1, 3, 4}) {
      SCOPED_TRACE("grid " + std::to_string(g.nx) + "x" + std::to_string(g.ny) + "x" + std::to_string(g.nz) +
                   " order " + std::to_string(g.nxyzord) + " NEQN " + std::to_string(ne));
      auto sp = makeState();
      State& s = *sp;
      layout(s, g, 2, ne);
      randomSystem(s, 7u + static_cast<unsigned>(ne), 1.0);
      BLKITR(s, 0);
      ASSERT_EQ(s.NBADBK, 0);
      const Dense M = iluM(s);
      for (unsigned seed : {1u, 2u, 3u}) {
        BlockVec& r = s.XIT;  // scratch of the iteration, free after the call
        randomVec(s, r, seed);
        BILUSV(s, r, s.AZ);
        const auto back = times(M, flat(s, s.AZ));
        EXPECT_LT(maxDiff(back, flat(s, r)), 1e-10 * std::max(1.0, maxAbs(back)));
      }
      // Incomplete LU: M and the Newton matrix agree on every position of
      // the pattern: the diagonal, the faces, and the six in-plane diagonal
      // positions, where the Newton matrix is zero and the fill must cancel.
      const Dense A = newtonMatrix(s);
      double worst = 0.0;
      for (int n = 1; n <= s.NGPACT; ++n)
        for (int t = 0; t <= 12; ++t) {
          const int q = t == 0 ? n : t <= 6 ? s.LBI(t, n) : s.UBI(t - 6, n);
          if (q == 0) continue;
          for (int i = 0; i < ne; ++i)
            for (int j = 0; j < ne; ++j)
              worst = std::max(worst, std::fabs(M((n - 1) * ne + i, (q - 1) * ne + j) - A((n - 1) * ne + i, (q - 1) * ne + j)));
        }
      EXPECT_LT(worst, 1e-10);
    }
  }
}

TEST(NestedFactorization, PreconditionerSolveIsTheNestedProduct) {
  for (const Grid& g : gappedGrids()) {
    for (int ne : {1, 3, 4}) {
      SCOPED_TRACE("grid " + std::to_string(g.nx) + "x" + std::to_string(g.ny) + "x" + std::to_string(g.nz) +
                   " order " + std::to_string(g.nxyzord) + " NEQN " + std::to_string(ne));
      auto sp = makeState();
      State& s = *sp;
      layout(s, g, 3, ne);
      randomSystem(s, 11u + static_cast<unsigned>(ne), 1.0);
      NESITR(s, 0);
      ASSERT_EQ(s.NBADBK, 0);
      const Dense M = nestedM(s);
      for (unsigned seed : {1u, 2u, 3u}) {
        BlockVec& r = s.XIT;
        randomVec(s, r, seed);
        QSUB(s, r, s.AZ);
        const auto back = times(M, flat(s, s.AZ));
        EXPECT_LT(maxDiff(back, flat(s, r)), 1e-10 * std::max(1.0, maxAbs(back)));
      }
    }
  }
}

// The preconditioner solves of both methods are sums from 0: a zero
// right-hand side whose entries are -0 gives +0 in every entry, however the
// sweeps carry their values from block to block.
TEST(IterativeSolvers, ZeroRightHandSideGivesPositiveZeros) {
  for (int method : {2, 3}) {
    for (int ne : {1, 2, 3, 4}) {
      SCOPED_TRACE("method " + std::to_string(method) + " NEQN " + std::to_string(ne));
      auto sp = makeState();
      State& s = *sp;
      layout(s, gappedGrids()[2], method, ne);
      randomSystem(s, 13u + static_cast<unsigned>(ne), 1.0);
      SOLVE(s);
      ASSERT_EQ(s.NBADBK, 0);
      BlockVec& r = s.XIT;
      for (int n = 1; n <= s.NGPACT; ++n)
        for (int i = 1; i <= ne; ++i) {
          r(i, n) = -0.0;
          s.AZ(i, n) = 1.0;
        }
      auto allPositiveZeros = [&](const char* what) {
        int negative = 0, nonzero = 0;
        for (int n = 1; n <= s.NGPACT; ++n)
          for (int i = 1; i <= ne; ++i) {
            if (s.AZ(i, n) != 0.0) ++nonzero;
            if (std::signbit(s.AZ(i, n))) ++negative;
          }
        EXPECT_EQ(nonzero, 0) << what;
        EXPECT_EQ(negative, 0) << what;
      };
      if (method == 2) {
        BILUSV(s, r, s.AZ);
        allPositiveZeros("block ILU solve");
      } else {
        QSUB(s, r, s.AZ);
        allPositiveZeros("nested solve");
        // The line solves alone, on every line.
        for (int kk = 1; kk <= s.NKT; ++kk)
          for (int jj = 1; jj <= s.NJK(s.KLIST(kk)); ++jj)
            WSUB(s, r, s.AZ, s.KLIST(kk), s.NJ(jj, s.KLIST(kk)));
        allPositiveZeros("line solves");
      }
    }
  }
}

// The row sums of the dropped couplings are handed on: for a vector that is
// constant over the blocks, the nested M and the Newton matrix agree.
TEST(NestedFactorization, RowSumsOfTheNewtonMatrixAreKept) {
  for (const Grid& g : gappedGrids()) {
    auto sp = makeState();
    State& s = *sp;
    layout(s, g, 3, 2);
    randomSystem(s, 5u, 1.0);
    NESITR(s, 0);
    const Dense M = nestedM(s), A = newtonMatrix(s);
    for (int c = 0; c < 2; ++c) {
      std::vector<double> e(static_cast<std::size_t>(A.N), 0.0);
      for (int n = 0; n < s.NGPACT; ++n) e[static_cast<std::size_t>(2 * n + c)] = 1.0;
      EXPECT_LT(maxDiff(times(M, e), times(A, e)), 1e-10);
    }
  }
}

// A single line, a line broken by an inactive block, and two lines of one
// block each: both preconditioners are exact, so one ORTHOMIN iteration
// solves the system, and the stopping test still waits for the third.
TEST(IterativeSolvers, ExactPreconditionersSolveInOneIteration) {
  const std::vector<Grid> grids = {{6, 1, 1, 2, {}}, {1, 1, 5, 2, {}}, {7, 1, 1, 2, {4, 1, 1}}, {1, 2, 1, 2, {}}};
  for (const Grid& g : grids) {
    for (int method : {2, 3}) {
      SCOPED_TRACE("grid " + std::to_string(g.nx) + "x" + std::to_string(g.ny) + "x" + std::to_string(g.nz) +
                   " method " + std::to_string(method));
      auto sp = makeState();
      State& s = *sp;
      layout(s, g, method, 3);
      randomSystem(s, 3u, 0.2);  // not dominant: the exactness is the factorization's
      const Dense A = newtonMatrix(s);
      const std::vector<double> b = flat(s, s.RHS);
      const std::vector<double> x = times(inverse(A), b);
      const BlockVec rhs0 = s.RHS;
      // Also in units that make every entry tiny: the one step is not
      // shortened by its size.
      for (double scale : {1.0, 1e-7}) {
        for (int linmax : {1, 40}) {
          s.RHS = rhs0;
          for (int n = 1; n <= s.NGPACT; ++n)
            for (int i = 1; i <= s.NEQN; ++i) s.RHS(i, n) *= scale;
          s.LINMAX = linmax;
          SOLVE(s);
          ASSERT_EQ(s.NBADBK, 0);
          EXPECT_EQ(s.LINIT, linmax == 1 ? 1 : 3);
          std::vector<double> got(s.DELX.data(), s.DELX.data() + A.N);
          for (double& v : got) v /= scale;
          EXPECT_LT(maxDiff(got, x), 1e-9 * std::max(1.0, maxAbs(x))) << "scale " << scale;
        }
      }
      if (method == 3) {
        const Dense M = nestedM(s);
        EXPECT_LT(maxDiff(M.a, A.a), 1e-9);
        // One plane: nothing is handed on between planes; one line: nor
        // between lines. (The column of five blocks is five planes of one
        // block each, where the hand-on is exact.)
        for (int n = 1; n <= s.NGPACT; ++n)
          for (int t = 0; t < 16; ++t) {
            if (s.N3 == 1) {
              EXPECT_EQ((&s.CORZ(1, 1, n))[t], 0.0);
            }
            if (s.N2 == 1) {
              EXPECT_EQ((&s.CORY(1, 1, n))[t], 0.0);
            }
          }
      } else {
        EXPECT_LT(maxDiff(iluM(s).a, A.a), 1e-9);
      }
    }
  }
}


// A diagonal position is reached through a face neighbour: with block
// (1,1,1) inactive, (2,1,1) is not in the lower list of (1,2,1), while
// (1,2,1) is in the upper list of (2,1,1) through (2,2,1).
TEST(BlockIlu, DiagonalPositionsFollowTheirPath) {
  auto sp = makeState();
  State& s = *sp;
  layout(s, Grid{3, 2, 1, 2, {1, 1, 1}}, 2, 2);
  auto at = [&](int i, int j) { return s.IORD(s.IJKORD(i, j, 1)); };
  EXPECT_EQ(s.LBI(2, at(1, 2)), 0);
  EXPECT_EQ(s.UBI(2, at(2, 1)), at(1, 2));
  EXPECT_EQ(s.LBI(2, at(2, 2)), at(3, 1));
  EXPECT_EQ(s.UBI(2, at(3, 1)), at(2, 2));
  EXPECT_EQ(s.LBI(3, at(2, 2)), at(2, 1));
  EXPECT_EQ(s.LBI(1, at(2, 1)), 0);
}

// Lists of planes and lines skip the empty ones, and no correction is
// handed across an empty line or plane.
TEST(NestedFactorization, ListsAndCorrectionsSkipGaps) {
  auto sp = makeState();
  State& s = *sp;
  // 3 x 3 x 4: line J = 2 of layer 1 and the whole layer 3 inactive.
  Grid g{3, 3, 4, 2, {1, 2, 1, 2, 2, 1, 3, 2, 1}};
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 3; ++i) g.inactive.insert(g.inactive.end(), {i, j, 3});
  layout(s, g, 3, 2);
  ASSERT_EQ(s.NKT, 3);
  EXPECT_EQ(s.KLIST(1), 1);
  EXPECT_EQ(s.KLIST(2), 2);
  EXPECT_EQ(s.KLIST(3), 4);
  ASSERT_EQ(s.NJK(1), 2);
  EXPECT_EQ(s.NJ(1, 1), 1);
  EXPECT_EQ(s.NJ(2, 1), 3);
  EXPECT_EQ(s.NJK(3), 0);
  EXPECT_EQ(s.NI(2, 1), 0);
  EXPECT_EQ(s.NI(3, 1), 3);
  randomSystem(s, 4u, 1.0);
  NESITR(s, 0);
  auto zero = [&](const BlockCol& c, int n) {
    for (int t = 0; t < 16; ++t)
      if ((&c(1, 1, n))[t] != 0.0) return false;
    return true;
  };
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(zero(s.CORY, s.NSIJ(i, 3, 1)));   // across the empty line
    EXPECT_TRUE(zero(s.CORZ, s.NSIJ(i, 1, 4)));   // across the empty plane
    EXPECT_FALSE(zero(s.CORY, s.NSIJ(i, 2, 2)));  // from line 1 of layer 2
    EXPECT_FALSE(zero(s.CORZ, s.NSIJ(i, 1, 2)));  // from layer 1
  }
}

// Systems that are not diagonally dominant, for the iteration's own rules:
// `stagnant` takes more than 40 iterations with either method; the other
// takes more than 13 without reaching round-off, so that its directions stay
// well conditioned.
void hardSystem(State& s, int method, bool stagnant) {
  if (stagnant) {
    layout(s, Grid{8, 6, 4, 2, {2, 2, 2}}, method, 4);
  } else {
    layout(s, Grid{7, 5, 4, 2, {2, 2, 2}}, method, 2);
    randomSystem(s, 3u, 0.4);
    return;
  }
  randomSystem(s, 21u, 0.0);
}

// Cosine of the angle between two stored products with the matrix.
double cosine(State& s, int a, int b) {
  const double* x = s.QSTORE.column(a);
  const double* y = s.QSTORE.column(b);
  double xy = 0, xx = 0, yy = 0;
  for (int n = 0; n < s.NGPACT; ++n)
    for (int i = 0; i < s.NEQN; ++i) {
      xy += x[4 * n + i] * y[4 * n + i];
      xx += x[4 * n + i] * x[4 * n + i];
      yy += y[4 * n + i] * y[4 * n + i];
    }
  return xy / std::sqrt(xx * yy);
}

TEST(Orthomin, LinmaxBoundsTheWork) {
  for (int method : {2, 3}) {
    for (int linmax : {7, 40}) {
      auto sp = makeState();
      State& s = *sp;
      hardSystem(s, method, true);
      s.LINMAX = linmax;
      SOLVE(s);
      EXPECT_EQ(s.LINIT, linmax) << "method " << method;
      EXPECT_EQ(s.NBADBK, 0);
    }
  }
}

// Directions are kept in sets of NORTH iterations: the products with the
// matrix are orthogonal within a set, iteration 11 is orthogonal to 1..10,
// iteration 12 only to 11 and iteration 13 to 11 and 12.
TEST(Orthomin, DirectionSets) {
  for (int method : {2, 3}) {
    SCOPED_TRACE("method " + std::to_string(method));
    auto sp = makeState();
    State& s = *sp;
    hardSystem(s, method, false);
    s.LINMAX = 13;
    SOLVE(s);
    ASSERT_EQ(s.LINIT, 13);
    // Slots 1..3 hold iterations 11..13, slots 4..10 iterations 4..10.
    const double tol = 1e-7;
    for (int a = 4; a <= 10; ++a) {
      for (int b = a + 1; b <= 10; ++b) EXPECT_LT(std::fabs(cosine(s, a, b)), tol) << a << " " << b;
      EXPECT_LT(std::fabs(cosine(s, 1, a)), tol) << "11 against " << a;
    }
    EXPECT_LT(std::fabs(cosine(s, 2, 1)), tol);
    EXPECT_LT(std::fabs(cosine(s, 3, 1)), tol);
    EXPECT_LT(std::fabs(cosine(s, 3, 2)), tol);
    double off = 0.0;
    for (int a = 4; a <= 10; ++a) off = std::max(off, std::fabs(cosine(s, 2, a)));
    EXPECT_GT(off, 1e-3) << "iteration 12 is not orthogonalized against the previous set";
  }
}

// The repeated solve iterates with the stored factors: given the same
// right-hand side again, it repeats the full solve's result exactly, and
// given a new one, it gives the full solve's result for it.
TEST(Orthomin, RepeatedSolveRepeatsTheFullSolve) {
  for (int method : {2, 3}) {
    auto sp = makeState();
    State& s = *sp;
    layout(s, gappedGrids()[2], method, 4);
    randomSystem(s, 9u, 0.6);
    const auto rhs = std::make_unique<BlockVec>(s.RHS);
    SOLVE(s);
    const std::vector<double> full(s.DELX.data(), s.DELX.data() + 4 * s.NGPACT);
    const int lin = s.LINIT;
    s.RHS = *rhs;
    RESOLV(s);
    const std::vector<double> again(s.DELX.data(), s.DELX.data() + 4 * s.NGPACT);
    EXPECT_EQ(full, again) << "method " << method;
    EXPECT_EQ(s.LINIT, lin);
    // A new right-hand side: the stored factors give what a full solve of
    // the same matrix gives.
    for (int n = 1; n <= s.NGPACT; ++n)
      for (int i = 1; i <= 4; ++i) (*rhs)(i, n) = std::sin(1.3 * n + i);
    s.RHS = *rhs;
    RESOLV(s);
    const std::vector<double> repeated(s.DELX.data(), s.DELX.data() + 4 * s.NGPACT);
    s.RHS = *rhs;
    SOLVE(s);
    const std::vector<double> fresh(s.DELX.data(), s.DELX.data() + 4 * s.NGPACT);
    EXPECT_EQ(repeated, fresh) << "method " << method;
  }
}


// Error of DELX against the dense solution, relative to the largest entry of
// that solution.
double relError(State& s, const std::vector<double>& x) {
  std::vector<double> got(s.DELX.data(), s.DELX.data() + x.size());
  return maxDiff(got, x) / maxAbs(x);
}


// The repeated solve keeps the factors of the last full solve only as its
// preconditioner: it solves the system of the matrix as it is now.
TEST(Orthomin, RepeatedSolveUsesTheMatrixAsItIsNow) {
  for (int method : {2, 3}) {
    auto sp = makeState();
    State& s = *sp;
    layout(s, gappedGrids()[1], method, 3);
    randomSystem(s, 13u, 2.0);
    const auto rhs = std::make_unique<BlockVec>(s.RHS);
    SOLVE(s);
    for (int n = 1; n <= s.NGPACT; ++n)
      for (int i = 1; i <= 3; ++i) s.VBB(i, i, 4, n) *= 1.5;
    const auto x = times(inverse(newtonMatrix(s)), flat(s, *rhs));
    s.RHS = *rhs;
    RESOLV(s);
    EXPECT_LT(relError(s, x), 1e-2) << "method " << method;
  }
}

// On diagonally dominant systems both methods stop with the solution to
// within the 1 % that the stopping test aims at.
TEST(IterativeSolvers, DiagonallyDominantSystemsReachTheDenseSolution) {
  for (const Grid& g : gappedGrids()) {
    for (int method : {2, 3}) {
      for (double dominance : {1.0, 2.0}) {
        auto sp = makeState();
        State& s = *sp;
        layout(s, g, method, 3);
        randomSystem(s, 17u, dominance);
        const auto x = times(inverse(newtonMatrix(s)), flat(s, s.RHS));
        SOLVE(s);
        EXPECT_LT(relError(s, x), 1e-2) << "method " << method << " dominance " << dominance;
        EXPECT_LT(s.LINIT, s.LINMAX);
      }
    }
  }
}

// A system whose right-hand side is small in its units (a laboratory deck's
// cubic centimetres) is solved as well as the same system in larger units:
// the steps are not shortened by a fixed guard, and a residual with no entry
// large enough for the relative test is iterated until it has fallen to 0.01
// of its starting size instead of stopping at the third iteration.
TEST(Orthomin, SmallResidualsAreSolvedAsWellAsLargeOnes) {
  for (int method : {2, 3}) {
    for (double scale : {1.0, 1e-4, 1e-8}) {
      SCOPED_TRACE("method " + std::to_string(method) + " scale " + std::to_string(scale));
      auto sp = makeState();
      State& s = *sp;
      layout(s, gappedGrids()[2], method, 3);
      randomSystem(s, 17u, 0.4);
      for (int n = 1; n <= s.NGPACT; ++n)
        for (int i = 1; i <= s.NEQN; ++i) s.RHS(i, n) *= scale;
      const std::vector<double> x = times(inverse(newtonMatrix(s)), flat(s, s.RHS));
      SOLVE(s);
      EXPECT_GT(s.LINIT, 3);
      EXPECT_LT(relError(s, x), 1e-2);
    }
  }
}

// Newton systems of real runs: the iteration dump of a step of two example
// decks (each block's rows and its accumulation residual as the right-hand
// side), solved by both methods.
struct DumpCase {
  const char* deck;
  Grid grid;
  int neqn;
};

// Runs `deck` to a few days with the iteration dump of step 3 and reads
// the first dumped system into `s` (laid out as `c.grid`).
bool loadNewtonSystem(State& s, const DumpCase& c, int method) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(testing::TempDir()) / ("talvek_dump_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ifstream in(std::string(TALVEK_SOURCE_DIR) + "/examples/" + c.deck);
  std::vector<std::string> l;
  for (std::string x; std::getline(in, x);) l.push_back(x);
  for (std::size_t i = 0; i + 2 < l.size(); ++i) {
    std::istringstream f(l[i + 2]);
    std::vector<std::string> w;
    for (std::string v; f >> v;) w.push_back(v);
    if (l[i].rfind("DATA 02B", 0) == 0) w[3] = "5.";                       // TMSTOP
    if (l[i].rfind("DATA 04B", 0) == 0) w[0] = "2", w[1] = "3", w[2] = "3";  // dump step 3
    if (l[i].rfind("DATA 02B", 0) == 0 || l[i].rfind("DATA 04B", 0) == 0) {
      std::string j;
      for (const auto& v : w) j += v + " ";
      l[i + 2] = j;
    }
  }
  {
    std::ofstream out(dir / "deck.txt");
    for (const auto& x : l) out << x << "\n";
  }
  const std::string cmd = "cd '" + dir.string() + "' && '" + std::string(TALVEK_BINARY) +
                          "' deck.txt out.lst r1 r2 > con.txt 2>&1";
  if (std::system(cmd.c_str()) != 0) return false;
  layout(s, c.grid, method, c.neqn);
  std::ifstream lst(dir / "out.lst");
  int rows = 0;
  bool inDump = false;
  for (std::string x; std::getline(lst, x);) {
    if (x.find("BLK   EQN  NBR") != std::string::npos) inDump = true;
    if (!inDump) continue;
    if (x.find("   PO  ") != std::string::npos) break;  // the state table after the dump
    std::istringstream f(x);
    int n, i, sl;
    double rhs;
    if (!(f >> n >> i >> sl >> rhs)) continue;
    if (n < 1 || n > s.NGPACT || i < 1 || i > c.neqn || sl < 1 || sl > 7 || s.NBR(sl, n) == 0) return false;
    for (int j = 1; j <= c.neqn; ++j) f >> s.VBB(i, j, sl, n);
    s.RHS(i, n) = rhs;
    ++rows;
  }
  fs::remove_all(dir);
  int want = 0;
  for (int n = 1; n <= s.NGPACT; ++n) want += c.neqn * s.NCONN(n);
  return rows == want;
}

TEST(IterativeSolvers, NewtonSystemsOfRealRunsReachTheDenseSolution) {
  const DumpCase cases[] = {
      // 8 x 8 x 3, ordered z, x, y; a shale corner in the middle layer.
      {"blackoil3d.txt", {8, 8, 3, 1, {7, 1, 2, 8, 1, 2, 7, 2, 2, 8, 2, 2}}, 3},
      {"fivespot_polymer.txt", {11, 11, 1, 2, {}}, 3},
  };
  for (const DumpCase& c : cases) {
    for (int method : {2, 3}) {
      SCOPED_TRACE(std::string(c.deck) + " method " + std::to_string(method));
      auto sp = makeState();
      State& s = *sp;
      ASSERT_TRUE(loadNewtonSystem(s, c, method));
      const auto x = times(inverse(newtonMatrix(s)), flat(s, s.RHS));
      SOLVE(s);
      EXPECT_EQ(s.NBADBK, 0);
      EXPECT_LT(relError(s, x), 1e-2);
      std::printf("%s method %d: %d iterations, error %.3g of the largest entry\n", c.deck, method, s.LINIT,
                  relError(s, x));
    }
  }
}


// The pivot inverse of the iterative factorizations, written for a block
// order known to the compiler, gives the digits of the run-time order
// inverse, and refuses the same blocks, leaving them unchanged: a zero, an
// infinite or a not-a-number pivot, and a block whose inverse overflows.
TEST(IterativeSolvers, PivotInverseOfEachOrderIsTheRunTimeOrderInverse) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::mt19937 gen(11u);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int N = 1; N <= 4; ++N) {
    // Case 0: a random block with a dominant diagonal; 1: zero first pivot;
    // 2: infinite entry met as a later pivot; 3: not-a-number pivot; 4: an
    // inverse that overflows; 5: a zero pivot reached by elimination.
    for (int c = 0; c <= 5; ++c) {
      SCOPED_TRACE("order " + std::to_string(N) + " case " + std::to_string(c));
      double A[16];
      for (double& a : A) a = u(gen);
      for (int i = 0; i < N; ++i) A[i + 4 * i] += 3.0;
      if (c == 1) A[0] = 0.0;
      if (c == 2) A[(N - 1) * 5] = inf;
      if (c == 3) A[0] = nan;
      if (c == 4) A[0] = 1e-310;
      if (c == 5 && N >= 2) A[0] = A[1] = A[4] = A[5] = 1.0;
      double B[16];
      std::memcpy(B, A, sizeof A);
      const bool ok = INVTRY(A, N);
      bool got = false;
      blockops::byOrder(N, [&]<int M>() { got = blockops::invertTry<M>(B); });
      EXPECT_EQ(got, ok);
      if (c == 0) {
        EXPECT_TRUE(ok);
      }
      if ((c >= 1 && c <= 3) || (c == 4 && N == 1)) {
        EXPECT_FALSE(ok);
      }
      EXPECT_EQ(std::memcmp(A, B, sizeof A), 0);
    }
  }
}

// A pivot block that cannot be inverted, or an iterate that is not finite,
// leaves not-a-number in DELX and names the block; at the smallest step the
// run stops with that block in the message.
TEST(IterativeSolvers, BreakdownLeavesNoUsableCorrection) {
  for (int method : {2, 3}) {
    SCOPED_TRACE("method " + std::to_string(method));
    auto sp = makeState();
    State& s = *sp;
    s.FINPUT.set(std::string("lens.dat"));
    layout(s, Grid{3, 2, 2, 2, {}}, method, 2);
    randomSystem(s, 2u, 1.0);
    const int bad = s.IORD(s.LBLOCK(2, 2, 1));
    for (int j = 1; j <= 2; ++j) s.VBB(1, j, 4, bad) = 0.0;  // the pivot's first row is zero
    for (int sl = 1; sl <= 7; ++sl)
      if (sl != 4 && s.NBR(sl, bad) != 0) s.VBB(1, 1, sl, bad) = s.VBB(1, 2, sl, bad) = 0.0;
    SOLVE(s);
    EXPECT_EQ(s.NBADBK, bad);
    EXPECT_EQ(s.NBADKD, 1);
    EXPECT_TRUE(std::isnan(s.DELX(1)));
    try {
      SLVSTP(s);
      FAIL();
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("lens.dat"), std::string::npos) << m;
      EXPECT_NE(m.find("active block " + std::to_string(bad) + ", grid block ("), std::string::npos) << m;
      EXPECT_NE(m.find("pivot block cannot be inverted"), std::string::npos) << m;
    }
    // A finite system again, but a right-hand side that overflows.
    randomSystem(s, 2u, 1.0);
    s.RHS(2, 3) = 1e308;
    s.RHS(1, 3) = -1e308;
    SOLVE(s);
    EXPECT_EQ(s.NBADKD, 2);
    EXPECT_GE(s.NBADBK, 1);
    EXPECT_TRUE(std::isnan(s.DELX(1)));
  }
}

}  // namespace
}  // namespace talvek
