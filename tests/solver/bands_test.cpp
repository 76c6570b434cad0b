// Band solvers, the D4 elimination and the repeated solve against a dense
// solve of the same Newton system.
#include "solver/bands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "io/errors.h"
#include "state/state.h"
#include "solver/d4.h"
#include "solver/numbering.h"
#include "solver/solve.h"

namespace talvek {
namespace {

struct Grid {
  int nx, ny, nz, nxyzord;
  std::vector<int> inactive;  // physical (I, J, K) triples
};

void layout(State& s, const Grid& g, int method, int nuslvr, int neqn) {
  s.NX = g.nx;
  s.NY = g.ny;
  s.NZ = g.nz;
  s.NXYZORD = g.nxyzord;
  s.METHOD = method;
  s.NUSLVR = nuslvr;
  s.NEQN = s.NUKN = neqn;
  BORDER(s);
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
  for (std::size_t t = 0; t + 2 < g.inactive.size(); t += 3)
    s.IACTIVE(s.LBLOCK(g.inactive[t], g.inactive[t + 1], g.inactive[t + 2])) = 0;
  ACTNUM(s);
  CONLST(s);
  if (nuslvr == 1) {
    LRBAND(s);
  } else {
    OLDBND(s);
  }
}

// A random block system, diagonally dominant by rows. Entries that must not
// be read (slots without a neighbour, rows and columns beyond NEQN) hold junk.
void randomSystem(State& s, unsigned seed) {
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
      s.VBB(i, i, 4, n) += (u(gen) > 0 ? 1.0 : -1.0) * (row + 0.5);
    }
    for (int i = 1; i <= 4; ++i) s.RHS(i, n) = i <= ne ? 10.0 * u(gen) : 1.0e30;
  }
}

// Dense matrix of the system in active order, and a partial-pivoting solve.
std::vector<double> denseMatrix(const State& s) {
  const int ne = s.NEQN, N = ne * s.NGPACT;
  std::vector<double> A(static_cast<std::size_t>(N) * N, 0.0);
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int sl = 1; sl <= 7; ++sl) {
      const int q = s.NBR(sl, n);
      if (q == 0) continue;
      for (int i = 1; i <= ne; ++i)
        for (int j = 1; j <= ne; ++j)
          A[static_cast<std::size_t>((n - 1) * ne + i - 1) * N + (q - 1) * ne + j - 1] =
              s.VBB(i, j, sl, n);
    }
  return A;
}

std::vector<double> rhsVector(const State& s) {
  std::vector<double> b;
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int i = 1; i <= s.NEQN; ++i) b.push_back(s.RHS(i, n));
  return b;
}

std::vector<double> denseSolve(std::vector<double> A, std::vector<double> b) {
  const int N = static_cast<int>(b.size());
  auto a = [&](int i, int j) -> double& { return A[static_cast<std::size_t>(i) * N + j]; };
  for (int k = 0; k < N; ++k) {
    int p = k;
    for (int i = k + 1; i < N; ++i)
      if (std::fabs(a(i, k)) > std::fabs(a(p, k))) p = i;
    for (int j = 0; j < N; ++j) std::swap(a(p, j), a(k, j));
    std::swap(b[static_cast<std::size_t>(p)], b[static_cast<std::size_t>(k)]);
    for (int i = k + 1; i < N; ++i) {
      const double m = a(i, k) / a(k, k);
      for (int j = k; j < N; ++j) a(i, j) -= m * a(k, j);
      b[static_cast<std::size_t>(i)] -= m * b[static_cast<std::size_t>(k)];
    }
  }
  std::vector<double> x(static_cast<std::size_t>(N));
  for (int i = N - 1; i >= 0; --i) {
    double t = b[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < N; ++j) t -= a(i, j) * x[static_cast<std::size_t>(j)];
    x[static_cast<std::size_t>(i)] = t / a(i, i);
  }
  return x;
}

void expectNear(const State& s, const std::vector<double>& x, const char* what) {
  double scale = 1.0;
  for (double v : x) scale = std::max(scale, std::fabs(v));
  for (std::size_t m = 0; m < x.size(); ++m)
    ASSERT_NEAR(s.DELX(static_cast<int>(m) + 1), x[m], 1e-11 * scale) << what << " entry " << m + 1;
}

const std::vector<Grid>& grids() {
  static const std::vector<Grid> g = {
      {1, 1, 1, 2, {}},
      {5, 1, 1, 2, {}},
      {4, 1, 1, 2, {3, 1, 1}},             // an isolated second-colour block
      {1, 1, 7, 1, {1, 1, 4}},             // a column split in two
      {4, 3, 1, 2, {2, 2, 1, 4, 1, 1}},
      {3, 4, 1, 1, {1, 1, 1}},
      {3, 3, 3, 2, {2, 2, 2, 1, 3, 3, 3, 1, 1}},
      {4, 3, 2, 1, {4, 3, 2}},
      {2, 3, 4, 6, {}},
      {5, 4, 3, 4, {1, 2, 3, 5, 4, 1, 3, 3, 2}},
  };
  return g;
}

// Every grid, 1 to 4 equations, both methods, both stores: the solve equals
// the dense solve; the repeated solve with the same right-hand side repeats
// DELX exactly, and with a new right-hand side equals the dense solve of it.
TEST(BandSolve, MatchesDenseSolveAndRepeatedSolve) {
  auto sp = makeState();
  State& s = *sp;
  unsigned seed = 7;
  for (const auto& g : grids()) {
    for (int method : {1, 4}) {
      for (int nuslvr : {0, 1}) {
        for (int neqn = 1; neqn <= 4; ++neqn) {
          SCOPED_TRACE(testing::Message() << g.nx << "x" << g.ny << "x" << g.nz << " ord "
                                          << g.nxyzord << " method " << method << " nuslvr "
                                          << nuslvr << " neqn " << neqn);
          layout(s, g, method, nuslvr, neqn);
          randomSystem(s, ++seed);
          const auto A = denseMatrix(s);
          const auto b = rhsVector(s);
          const auto x = denseSolve(A, b);
          for (int m = 1; m <= MXBAND; m += 9973) s.ABAND(m) = 1.0e30;  // stale store
          SOLVE(s);
          EXPECT_EQ(s.LINIT, 0);
          expectNear(s, x, "full solve");
          std::vector<double> full(x.size());
          for (std::size_t m = 0; m < x.size(); ++m) full[m] = s.DELX(static_cast<int>(m) + 1);

          // Same right-hand side again.
          for (int n = 1; n <= s.NGPACT; ++n)
            for (int i = 1; i <= neqn; ++i) s.RHS(i, n) = b[static_cast<std::size_t>((n - 1) * neqn + i - 1)];
          for (int m = 1; m <= static_cast<int>(x.size()); ++m) s.DELX(m) = -7.0;
          RESOLV(s);
          for (std::size_t m = 0; m < x.size(); ++m)
            ASSERT_EQ(s.DELX(static_cast<int>(m) + 1), full[m]) << "repeated entry " << m + 1;

          // A new right-hand side.
          std::vector<double> b2(b.size());
          for (std::size_t m = 0; m < b.size(); ++m) b2[m] = std::sin(3.0 * static_cast<double>(m) + 1.0);
          for (int n = 1; n <= s.NGPACT; ++n)
            for (int i = 1; i <= neqn; ++i) s.RHS(i, n) = b2[static_cast<std::size_t>((n - 1) * neqn + i - 1)];
          RESOLV(s);
          expectNear(s, denseSolve(A, b2), "repeated solve, new right-hand side");
        }
      }
    }
  }
}

// The solve clears only the part of the store it uses: whatever the store
// held before (here not-a-number everywhere), the full and the repeated
// solve give the same digits as on a clean store.
TEST(BandSolve, WhateverTheStoreHeldBefore) {
  auto sp = makeState();
  State& s = *sp;
  unsigned seed = 41;
  const std::vector<Grid> cases = {grids()[4], grids()[6], grids()[9], {9, 8, 2, 2, {3, 3, 1}}};
  for (const auto& g : cases) {
    for (int method : {1, 4}) {
      for (int nuslvr : {0, 1}) {
        for (int neqn : {1, 3}) {
          SCOPED_TRACE(testing::Message() << g.nx << "x" << g.ny << "x" << g.nz << " method " << method
                                          << " nuslvr " << nuslvr << " neqn " << neqn);
          layout(s, g, method, nuslvr, neqn);
          randomSystem(s, ++seed);
          const auto b = rhsVector(s);
          std::vector<double> vbb(s.VBB.data(), s.VBB.data() + 7 * 16 * s.NGPACT);
          const int n = neqn * s.NGPACT;
          std::vector<double> x[2], xr[2];
          for (int pass = 0; pass < 2; ++pass) {
            std::fill_n(s.ABAND.data(), MXBAND, pass == 0 ? 0.0 : std::nan(""));
            std::fill_n(s.BBAND.data(), MXVEC, pass == 0 ? 0.0 : std::nan(""));
            std::copy(vbb.begin(), vbb.end(), s.VBB.data());
            for (int m = 1; m <= s.NGPACT; ++m)
              for (int i = 1; i <= neqn; ++i) s.RHS(i, m) = b[static_cast<std::size_t>((m - 1) * neqn + i - 1)];
            SOLVE(s);
            x[pass].assign(s.DELX.data(), s.DELX.data() + n);
            for (int m = 1; m <= s.NGPACT; ++m)
              for (int i = 1; i <= neqn; ++i) s.RHS(i, m) = std::cos(0.3 * (m * neqn + i));
            RESOLV(s);
            xr[pass].assign(s.DELX.data(), s.DELX.data() + n);
          }
          for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(std::isfinite(x[1][static_cast<std::size_t>(i)])) << "full solve, entry " << i + 1;
            ASSERT_EQ(x[1][static_cast<std::size_t>(i)], x[0][static_cast<std::size_t>(i)]) << "full solve, entry " << i + 1;
            ASSERT_EQ(xr[1][static_cast<std::size_t>(i)], xr[0][static_cast<std::size_t>(i)]) << "repeated solve, entry " << i + 1;
          }
        }
      }
    }
  }
}

// The elimination one pivot row at a time, as written down: multiplier
// A(i,k) / A(k,k), row i minus multiplier times row k over the reach of step
// k, the right-hand side in the same pass; the repeated solve recomputes the
// multipliers from the untouched lower entries. Then the back substitution
// summing the known part of each row in column order.
void rowByRow(std::vector<double>& A, std::vector<double>& B, std::vector<double>& X, const State& s,
              bool full) {
  const int nb = s.NBAND;
  auto reach = [&](int k) { return s.NUSLVR == 1 ? s.RBW(k) : s.IRBW(k); };
  auto at = [&](int i, int j) -> double& { return A[static_cast<std::size_t>(s.IDIAG(i) + j - i - 1)]; };
  for (int k = 1; k < nb; ++k) {
    for (int i = k + 1; i <= k + reach(k); ++i) {
      const double m = at(i, k) / at(k, k);
      if (m == 0.0) continue;
      if (full)
        for (int j = k + 1; j <= k + reach(k); ++j) at(i, j) -= m * at(k, j);
      B[static_cast<std::size_t>(i - 1)] -= m * B[static_cast<std::size_t>(k - 1)];
    }
  }
  X.assign(static_cast<std::size_t>(nb), 0.0);
  for (int i = nb; i >= 1; --i) {
    double sum = 0.0;
    for (int j = i + 1; j <= i + reach(i); ++j) sum += at(i, j) * X[static_cast<std::size_t>(j - 1)];
    X[static_cast<std::size_t>(i - 1)] = (B[static_cast<std::size_t>(i - 1)] - sum) / at(i, i);
  }
}

// The factorization works on several pivot rows at once and keeps the
// multipliers for the repeated solve, but each entry must get the same
// operations in the same order: DELX of the full and the repeated solve
// equals, bit for bit, the elimination one pivot row at a time. Some block
// entries are exactly zero (0 or -0), so that rows skip some pivots of a group.
TEST(BandSolve, SameDigitsAsTheEliminationOneRowAtATime) {
  auto sp = makeState();
  State& s = *sp;
  unsigned seed = 101;
  std::vector<Grid> all = grids();
  all.push_back({9, 8, 2, 2, {3, 3, 1}});  // rows reaching past a group of 64 below the pivots
  // Wide bands (128 columns right of the diagonal or more), whose panels take
  // pivots of neighbouring blocks ending in different columns, the ends made
  // irregular by inactive blocks: one equation with method 1, and method 4
  // from two equations on.
  all.push_back({12, 11, 2, 2, {4, 3, 1, 12, 11, 1, 1, 7, 2}});
  all.push_back({9, 9, 9, 2, {5, 5, 5, 1, 1, 1, 9, 2, 3, 4, 8, 6}});
  for (const auto& g : all) {
    for (int method : {1, 4}) {
      for (int nuslvr : {0, 1}) {
        for (int neqn = 1; neqn <= 4; ++neqn) {
          SCOPED_TRACE(testing::Message() << g.nx << "x" << g.ny << "x" << g.nz << " ord "
                                          << g.nxyzord << " method " << method << " nuslvr "
                                          << nuslvr << " neqn " << neqn);
          layout(s, g, method, nuslvr, neqn);
          randomSystem(s, ++seed);
          std::mt19937 gen(seed);
          for (int n = 1; n <= s.NGPACT; ++n)
            for (int sl = 1; sl <= 7; ++sl)
              for (int j = 1; j <= neqn; ++j)
                for (int i = 1; i <= neqn; ++i)
                  if (!(sl == 4 && i == j) && gen() % 3 == 0) s.VBB(i, j, sl, n) = gen() % 2 ? 0.0 : -0.0;
          // The filled store, as the solve sees it; the entries that the fill
          // leaves (beyond the rows' reach) hold junk, which must never be read.
          std::fill_n(s.ABAND.data(), s.NNMAX, std::nan(""));
          if (method == 4) INVRT(s);
          if (nuslvr == 1) ONEDM(s); else ONED4(s);
          std::vector<double> A(s.ABAND.data(), s.ABAND.data() + s.NNMAX);
          std::vector<double> B(s.BBAND.data(), s.BBAND.data() + s.NBAND);
          std::vector<double> X;
          rowByRow(A, B, X, s, true);
          if (nuslvr == 1) DSOLV(s); else GVBND(s);
          for (int i = 1; i <= s.NBAND; ++i)
            ASSERT_EQ(s.DELX(i), X[static_cast<std::size_t>(i - 1)]) << "full solve, row " << i;

          // Repeated solve with a new right-hand side in the band.
          for (int i = 1; i <= s.NBAND; ++i) {
            B[static_cast<std::size_t>(i - 1)] = std::cos(1.7 * i) * (i % 5 == 0 ? 0.0 : 1.0);
            s.BBAND(i) = B[static_cast<std::size_t>(i - 1)];
          }
          rowByRow(A, B, X, s, false);
          if (nuslvr == 1) XDSOLV(s); else XGVBND(s);
          for (int i = 1; i <= s.NBAND; ++i)
            ASSERT_EQ(s.DELX(i), X[static_cast<std::size_t>(i - 1)]) << "repeated solve, row " << i;
        }
      }
    }
  }
}

TEST(BandSetup, OneBlock) {
  auto sp = makeState();
  State& s = *sp;
  for (int nuslvr : {0, 1})
    for (int neqn = 1; neqn <= 4; ++neqn) {
      layout(s, grids()[0], 1, nuslvr, neqn);
      EXPECT_EQ(s.K7, 1);
      EXPECT_EQ(s.NBAND, neqn);
      EXPECT_EQ(s.NNMAX, neqn * neqn);
    }
}

TEST(BandSetup, FiveBlockLine) {
  auto sp = makeState();
  State& s = *sp;
  layout(s, grids()[1], 1, 1, 2);
  const int lcol[] = {1, 1, 2, 3, 4}, rcol[] = {2, 3, 4, 5, 5};
  for (int b = 1; b <= 5; ++b) {
    EXPECT_EQ(s.LCOL(b), lcol[b - 1]);
    EXPECT_EQ(s.RCOL(b), rcol[b - 1]);
  }
  EXPECT_EQ(s.NNMAX, 52);
  EXPECT_EQ(s.RBW(s.NBAND), 0);
  EXPECT_EQ(s.LBW(s.NBAND + 1), 0);
  layout(s, grids()[1], 1, 0, 2);
  EXPECT_EQ(s.MBLK, 2);
  EXPECT_EQ(s.MBW, 3);
  EXPECT_EQ(s.NNMAX, 58);
  EXPECT_EQ(s.IRBW(s.NBAND), 0);
}

TEST(BandSetup, TwoColourReduction) {
  auto sp = makeState();
  State& s = *sp;
  // Five blocks in a line: three first-colour blocks eliminated, the two
  // remaining blocks coupled with each other.
  layout(s, grids()[1], 4, 1, 1);
  EXPECT_EQ(s.NRED, 3);
  EXPECT_EQ(s.K7, 2);
  for (int b = 1; b <= 2; ++b) {
    EXPECT_EQ(s.IBLIST(b), 3 + b);
    ASSERT_EQ(s.NRCON(b), 2);
    EXPECT_EQ(s.ICOLR(1, b), 1);
    EXPECT_EQ(s.ICOLR(2, b), 2);
  }
  // 2 x 2 x 1: (1,1,1), (2,2,1) first colour; (2,1,1), (1,2,1) coupled.
  layout(s, Grid{2, 2, 1, 2, {}}, 4, 0, 2);
  EXPECT_EQ(s.NRED, 2);
  EXPECT_EQ(s.K7, 2);
  EXPECT_EQ(s.NRCON(1), 2);
  EXPECT_EQ(s.NRCON(2), 2);
  // A second-colour block without active neighbours keeps its own diagonal.
  layout(s, grids()[2], 4, 1, 2);
  EXPECT_EQ(s.NRED, 1);  // the other first-colour block is inactive
  EXPECT_EQ(s.K7, 2);
  EXPECT_EQ(s.NRCON(2), 1);
  EXPECT_EQ(s.ICOLR(1, 2), 2);
  // A single block is all first colour: no band system at all.
  layout(s, grids()[0], 4, 1, 3);
  EXPECT_EQ(s.NRED, 1);
  EXPECT_EQ(s.K7, 0);
  EXPECT_EQ(s.NNMAX, 0);
}

TEST(BandSetup, SizeOfAnyMethodAndOrderWithoutLayingItOut) {
  // BANDSZ on a grid laid out one way gives the NNMAX that the set-up of
  // another method, band solver and order finds.
  auto bp = makeState(), sp = makeState();
  State& base = *bp;
  State& s = *sp;
  for (const auto& g : grids()) {
    for (int neqn : {1, 3}) {
      layout(base, Grid{g.nx, g.ny, g.nz, 2, g.inactive}, 1, 1, neqn);
      // As after the schedule of a run continued from a restart-up file:
      // a shut-in well makes the activity code of its block 0.
      base.IACTIVE(base.IBLK(base.NGPACT)) = 0;
      for (int method : {1, 4}) {
        for (int nuslvr : {0, 1}) {
          for (int order = 1; order <= 7; ++order) {
            layout(s, Grid{g.nx, g.ny, g.nz, order, g.inactive}, method, nuslvr, neqn);
            EXPECT_EQ(BANDSZ(base, method, nuslvr, order), s.NNMAX)
                << g.nx << "x" << g.ny << "x" << g.nz << " METHOD " << method << " NUSLVR " << nuslvr
                << " NXYZORD " << order << " NEQN " << neqn;
          }
        }
      }
    }
  }
}

TEST(BandSetup, StoreTooSmallNamesWhatFits) {
  // 40 x 40 x 2 with two equations: x or y fastest couples blocks 40 x 40
  // apart; the message lists exactly the methods, band solvers and orders
  // whose set-up fits the store.
  const Grid g{40, 40, 2, 2, {}};
  auto sp = makeState();
  State& s = *sp;
  s.FINPUT.set(std::string_view("wide.dat"));
  std::string msg;
  try {
    layout(s, g, 1, 1, 2);
    FAIL() << "no stop";
  } catch (const RunError& e) {
    msg = e.what();
  }
  EXPECT_EQ(msg.rfind("wide.dat: DATA 10B: solution method 1 (variable band, NXYZORD = 2): ", 0), 0u) << msg;
  std::string want;
  int fitting = 0, failing = 0;
  auto tp = makeState();
  for (int method : {1, 4}) {
    for (int nuslvr : {1, 0}) {
      std::string orders;
      for (int order = 1; order <= 7; ++order) {
        bool fits = true;
        try {
          layout(*tp, Grid{g.nx, g.ny, g.nz, order, {}}, method, nuslvr, 2);
        } catch (const RunError&) {
          fits = false;
        }
        (fits ? fitting : failing)++;
        if (fits) orders += (orders.empty() ? "" : ",") + std::to_string(order);
      }
      if (orders.empty()) continue;
      // "1,6,7" -> "1, 6 or 7"
      const std::size_t last = orders.rfind(',');
      if (last != std::string::npos) orders.replace(last, 1, " or ");
      for (std::size_t c = orders.find(','); c != std::string::npos; c = orders.find(',', c + 2))
        orders.replace(c, 1, ", ");
      want += (want.empty() ? "" : "; ") + std::string("METHOD = ") + std::to_string(method) +
              ", NUSLVR = " + std::to_string(nuslvr) + " with NXYZORD = " + orders;
    }
  }
  ASSERT_GT(fitting, 0);
  ASSERT_GT(failing, 0);
  EXPECT_NE(msg.find("it holds; within the store: " + want + "; methods 2 and 3 need no band store and always fit"),
            std::string::npos)
      << msg << "\n"
      << want;
  EXPECT_EQ(msg.find("NXYZORD = 1, the other band solver or method 2 or 3"), std::string::npos) << msg;
}

TEST(BandSetup, StoreTooSmallStopsBeforeTheFirstStep) {
  auto sp = makeState();
  State& s = *sp;
  // 40 x 40 x 2, x fastest, 4 equations: blocks couple 1600 blocks apart.
  const long long nb = 4 * 3200, w = 4 * 1601 - 1;
  long long widths = 0;  // variable band: block columns max(1,b-1600)..min(3200,b+1600)
  for (long long b = 1; b <= 3200; ++b) widths += std::min(3200LL, b + 1600) - std::max(1LL, b - 1600) + 1;
  const long long need[2] = {(2 * w + 1) * nb - w * w - w, 16 * widths};
  s.FINPUT.set(std::string_view("wide.dat"));
  for (int nuslvr : {0, 1}) {
    s.NNMAX = 5;
    try {
      layout(s, Grid{40, 40, 2, 2, {}}, 1, nuslvr, 4);
      FAIL() << "no stop";
    } catch (const RunError& e) {
      const std::string w = e.what();
      EXPECT_EQ(w.rfind("wide.dat: DATA 10B: solution method 1", 0), 0u) << w;
      EXPECT_NE(w.find("NNMAX = " + std::to_string(need[nuslvr]) + " "), std::string::npos) << w;
      EXPECT_NE(w.find("2000000"), std::string::npos) << w;
      EXPECT_NE(w.find("it holds; no band method, band solver or order fits this grid; methods 2 and 3 need no band "
                       "store and always fit"),
                std::string::npos)
          << w;
    }
    EXPECT_EQ(s.NNMAX, 5);
  }
}

// Two blocks in a line, two equations, nothing to eliminate (all lower
// entries 0). Row 1 is [1 t | t 0] with t = 2^-54 and every other unknown 1:
// its back substitution sums t + t before taking it from BBAND(1), which gives
// 1 - 2^-53 (subtracting t twice would round back to 1 each time).
TEST(BandSolve, BackSubstitutionSumsTheKnownPartFirst) {
  auto sp = makeState();
  State& s = *sp;
  const double t = std::ldexp(1.0, -54);
  for (int nuslvr : {0, 1}) {
    SCOPED_TRACE(nuslvr);
    layout(s, Grid{2, 1, 1, 2, {}}, 1, nuslvr, 2);
    for (int n = 1; n <= 2; ++n)
      for (int sl = 1; sl <= 7; ++sl)
        for (int j = 1; j <= 4; ++j)
          for (int i = 1; i <= 4; ++i) s.VBB(i, j, sl, n) = (sl == 4 && i == j) ? 1.0 : 0.0;
    s.VBB(1, 2, 4, 1) = t;
    s.VBB(1, 1, 5, 1) = t;  // I+1: block 2, unknown 1
    for (int n = 1; n <= 2; ++n)
      for (int i = 1; i <= 2; ++i) s.RHS(i, n) = 1.0;
    SOLVE(s);
    EXPECT_EQ(s.DELX(4), 1.0);
    EXPECT_EQ(s.DELX(3), 1.0);
    EXPECT_EQ(s.DELX(2), 1.0);
    EXPECT_EQ(s.DELX(1), 1.0 - std::ldexp(1.0, -53));
  }
}

TEST(BandSolve, ZeroPivotStops) {
  // The stop names the deck, the active block with its grid indices and the
  // solver's place of the zero pivot.
  auto sp = makeState();
  State& s = *sp;
  s.FINPUT.set(std::string_view("pivot.dat"));
  auto stops = [&s](const std::vector<std::string>& want) {
    try {
      SOLVE(s);
      ADD_FAILURE() << "no stop";
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_EQ(m.rfind("deck pivot.dat: the Newton system is singular at active block 1, grid block (2,3,4)", 0), 0u)
          << m;
      for (const std::string& w : want) EXPECT_NE(m.find(w), std::string::npos) << m;
    }
  };
  for (int nuslvr : {0, 1}) {
    layout(s, grids()[1], 1, nuslvr, 1);
    randomSystem(s, 3);
    s.IJK(1, 1) = 2;
    s.IJK(2, 1) = 3;
    s.IJK(3, 1) = 4;
    s.VBB(1, 1, 4, 1) = 0.0;
    stops({", equation 1 (band solver: zero pivot at row 1 of the band system)", "DX, DY, DZ, PHI"});
  }
  layout(s, grids()[1], 4, 1, 2);
  randomSystem(s, 4);
  s.IJK(1, 1) = 2;
  s.IJK(2, 1) = 3;
  s.IJK(3, 1) = 4;
  s.VBB(1, 1, 4, 1) = 0.0;
  s.VBB(1, 2, 4, 1) = 0.0;
  stops({"(D4 solver, block inverse: zero pivot"});  // singular first-colour diagonal block
}

TEST(D4, Invers) {
  double A[16] = {};
  // [[4, 1], [2, 3]], first index the row.
  A[0] = 4;
  A[4] = 1;
  A[1] = 2;
  A[5] = 3;
  INVERS(A, 2);
  EXPECT_NEAR(A[0], 0.3, 1e-15);
  EXPECT_NEAR(A[4], -0.1, 1e-15);
  EXPECT_NEAR(A[1], -0.2, 1e-15);
  EXPECT_NEAR(A[5], 0.4, 1e-15);
  double B[16] = {};
  B[0] = 8;
  INVERS(B, 1);
  EXPECT_EQ(B[0], 0.125);
  // A 4 x 4 block times its inverse is the identity.
  double C[16], Ci[16];
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) C[i + 4 * j] = Ci[i + 4 * j] = (i == j ? 5.0 : 0.0) + std::sin(i + 2.0 * j);
  INVERS(Ci, 4);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double t = 0;
      for (int k = 0; k < 4; ++k) t += C[i + 4 * k] * Ci[k + 4 * j];
      EXPECT_NEAR(t, i == j ? 1.0 : 0.0, 1e-14);
    }
}

TEST(SolveDispatch, UnknownMethodStopsAndLabels) {
  auto sp = makeState();
  State& s = *sp;
  for (int m : {0, 5}) {
    s.METHOD = m;
    try {
      SOLVE(s);
      FAIL();
    } catch (const RunError& e) {
      EXPECT_EQ(std::string(e.what()),
                "solution method " + std::to_string(m) + " does not exist (METHOD is 1..4)");
    }
    EXPECT_THROW(RESOLV(s), RunError);
  }
  const char* labels[] = {"S.S.-NAT=", "BLOKITR =", "NESTITR =", "S.S.-D4 ="};
  for (int m = 1; m <= 4; ++m) {
    EXPECT_EQ(methodLabel(s, m), labels[m - 1]);
    EXPECT_EQ(s.MTHLAB(m).trimmed(), 9u);
  }
}

}  // namespace
}  // namespace talvek
