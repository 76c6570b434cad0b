// The assembled Newton system against one-sided differences of the
// assembled right-hand side, for every equation set on a 1-D grid and on a
// 2-D vertical grid with gravity, blocks with and without free gas, wells on
// rate and pressure control; the upstream choice on ties; isolated blocks;
// and the spare positions of switched-off equations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "init/equifit.h"
#include "io/errors.h"
#include "physics_fixture.h"

namespace talvek {
namespace {

using namespace phys_test;

struct Config {
  const char* name;
  int w, o, g, p;
  int nx, nz;
  int iquad;
  double sofixed = 0.2;  // oil saturation held fixed when oil and gas are off
};


// Builds the state of a configuration. New level: pressures falling along x
// and with depth chosen so that no connection is near a tie; blocks of odd
// number carry free gas when both oil and gas are solved.
std::unique_ptr<State> build(const Config& c, double dtime) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setEquations(s, c.w, c.o, c.g, c.p);
  setGrid(s, c.nx, c.nz, 10.0);
  if (c.iquad != 0) {
    s.IQUAD = c.iquad;
    s.NINTBLE = 21;
    PREQFT(s);
  }
  const bool oil = c.o > 0, gas = c.g > 0, pol = c.p > 0;
  auto stateOf = [&](int n, double shift) {
    const int i = (n - 1) % c.nx + 1;
    const int k = (n - 1) / c.nx + 1;
    const double p = 3000.0 - 40.0 * (i - 1) - 8.0 * (k - 1) - shift;
    double sw = 0.3 + 0.07 * (n - 1) - 0.003 * shift;
    double spv = pol ? 0.05 + 0.02 * n - 0.002 * shift : 0.0;
    if (!oil && !gas) {
      // Water and polymer fill what the fixed oil leaves.
      spv = pol ? 0.2 + 0.05 * n - 0.002 * shift : 0.0;
      sw = 1.0 - c.sofixed - spv;
      setBlock(s, n, p, sw, c.sofixed, spv, 0.0, 1);
      return;
    }
    if (oil && gas && n % 2 == 1)
      setBlock(s, n, p, sw, 1.0 - 0.25 - sw - spv, spv, 0.0, 1);
    else if (oil)
      setBlock(s, n, p, sw, 1.0 - sw - spv, spv, 450.0 + 10.0 * n, 0);
    else  // gas without oil: the oil saturation is fixed
      setBlock(s, n, p, sw, 0.3, spv, 0.0, 1);
  };
  for (int n = 1; n <= s.NGPACT; ++n) stateOf(n, 1.5);
  makeOldLevel(s);
  for (int n = 1; n <= s.NGPACT; ++n) stateOf(n, 0.0);
  s.DTIME = dtime;
  GRADNT(s);

  // Wells: an injector at BHP in block 1, a rate-controlled producer in the
  // last block; on 2-D grids a producer at BHP and, with gas, a gas injector.
  addWell(s, 1, -2, pol ? 4 : 2, 1.0e6, 3100.0, 2.0);
  s.CPMFI(1) = 0.3;
  const int last = s.NGPACT;
  addWell(s, last, -1, oil ? 4 : 7, 40.0, 500.0, 3.0);
  s.QOECON = 0.0;
  s.WORMAX = 100.0;
  s.GORMAX = 50000.0;
  if (s.NGPACT >= 4) {
    addWell(s, 2, -1, 11, 0.0, 2500.0, 1.5);
    if (gas) addWell(s, 3, -2, 3, 1.0e6, 3200.0, 0.5);
  }
  return sp;
}

// Raises unknown position u of block m and sets the dependent saturations;
// returns the amount.
double raise(State& s, int m, int u) {
  const bool oil = s.KEQO > 0, gas = s.KEQG > 0;
  double eps = 0.0;
  if (u == s.IPO) {
    eps = s.EPSP;
    s.P(m) += eps;
  } else if (u == s.ISW) {
    eps = s.EPSS;
    s.SW(m) += eps;
  } else if (u == s.ISP) {
    eps = s.EPSS;
    s.SP(m) += eps;
    if (!oil && !gas) s.SW(m) -= eps;
  } else if (u == s.ISO) {
    eps = s.EPSX2(m);
    if (s.ISAT(m) == 1)
      s.SO(m) += eps;
    else
      s.RS(m) += eps;
  }
  s.SA(m) = s.SW(m) + s.SP(m);
  if (oil && (!gas || s.ISAT(m) != 1)) s.SO(m) = 1.0 - s.SA(m);
  s.SG(m) = 1.0 - s.SO(m) - s.SA(m);
  return eps;
}

int slotOf(const State& s, int n, int m) {
  if (n == m) return 4;
  for (int k = 1; k <= s.NNB(n); ++k)
    if (s.NBN(k, n) == m) return s.NBS(k, n);
  return 0;
}

// Compares VBB with -(RHS(raised) - RHS)/eps for every block, equation,
// neighbour and unknown. Returns the largest error relative to the row.
double checkJacobian(State& s, double tol, const char* name) {
  assemble(s);
  const int ne = s.NEQN, nb = s.NGPACT;
  auto idx = [&](int k, int n) { return (n - 1) * ne + (k - 1); };
  std::vector<double> rhs0(static_cast<std::size_t>(ne * nb));
  std::vector<double> rowScale(rhs0.size(), 1.0);
  // Snapshot of the assembled matrix.
  auto vbb = std::make_unique<FArray<double, MXEQ, MXEQ, MXSLOT, MXBLK>>(s.VBB);
  for (int n = 1; n <= nb; ++n)
    for (int k = 1; k <= ne; ++k) {
      rhs0[idx(k, n)] = s.RHS(k, n);
      for (int sl = 1; sl <= MXSLOT; ++sl) {
        if (sl != 4 && slotOf(s, n, s.NBR(sl, n)) != sl) continue;
        for (int u = 1; u <= ne; ++u)
          rowScale[idx(k, n)] = std::fmax(rowScale[idx(k, n)], std::fabs(s.VBB(k, u, sl, n)));
      }
    }
  double worst = 0.0;
  int nonzero = 0;
  for (int m = 1; m <= nb; ++m) {
    for (int u = 1; u <= ne; ++u) {
      const double p = s.P(m), sw = s.SW(m), so = s.SO(m), sg = s.SG(m), spv = s.SP(m),
                   rs = s.RS(m), sa = s.SA(m);
      const double eps = raise(s, m, u);
      assemble(s);
      for (int n = 1; n <= nb; ++n) {
        const int sl = slotOf(s, n, m);
        for (int k = 1; k <= ne; ++k) {
          const double fd = -(s.RHS(k, n) - rhs0[idx(k, n)]) / eps;
          double want = 0.0;
          if (sl != 0) want = (*vbb)(k, u, sl, n) - (sl == 4 && k == u ? 1.0e-11 : 0.0);
          if (want != 0.0) ++nonzero;
          const double err = std::fabs(fd - want) / rowScale[idx(k, n)];
          worst = std::fmax(worst, err);
          EXPECT_LE(err, tol) << name << ": block " << n << " equation " << k << " unknown " << u
                              << " of block " << m << ": VBB " << want << " difference " << fd;
        }
      }
      s.P(m) = p;
      s.SW(m) = sw;
      s.SO(m) = so;
      s.SG(m) = sg;
      s.SP(m) = spv;
      s.RS(m) = rs;
      s.SA(m) = sa;
    }
  }
  // The system is not trivially empty.
  EXPECT_GT(nonzero, nb * ne) << name;
  assemble(s);
  return worst;
}

const Config kConfigs[] = {
    {"water-oil 1-D", 1, 1, 0, 0, 3, 1, 0},
    {"water-oil-gas 1-D", 1, 1, 1, 0, 3, 1, 0},
    {"water-oil-polymer 1-D", 1, 1, 0, 1, 3, 1, 0},
    {"water-oil-gas-polymer 1-D", 1, 1, 1, 1, 3, 1, 0},
    {"water-polymer 1-D", 1, 0, 0, 1, 3, 1, 0},
    {"water-oil 2-D", 1, 1, 0, 0, 2, 2, 0},
    {"water-oil-gas 2-D", 1, 1, 1, 0, 2, 2, 0},
    {"water-oil-polymer 2-D", 1, 1, 0, 1, 2, 2, 0},
    {"water-oil-gas-polymer 2-D", 1, 1, 1, 1, 3, 2, 0},
    {"water-polymer 2-D", 1, 0, 0, 1, 2, 2, 0},
    // The fixed oil is mobile, so the wells' total mobility carries it.
    {"water-polymer 2-D, mobile fixed oil", 1, 0, 0, 1, 2, 2, 0, 0.35},
    {"water-gas-polymer 2-D", 1, 0, 1, 1, 2, 2, 0},
    {"water-oil-gas 2-D linear fits", 1, 1, 1, 0, 2, 2, 1},
    {"water-oil-gas-polymer 2-D quadratic fits", 1, 1, 1, 1, 2, 2, 2},
};

// Flow and well derivatives are one-sided differences with the same
// amounts as the raised states, so with the accumulation made negligible
// (a very long step) the system matches the differences to round-off.
TEST(Jacobian, FlowAndWellsMatchOneSidedDifferences) {
  for (const Config& c : kConfigs) {
    auto sp = build(c, 1.0e30);
    State& s = *sp;
    const double worst = checkJacobian(s, 1.0e-7, c.name);
    EXPECT_LT(worst, 1.0e-7) << c.name;
  }
}

// An aquifer on every block without a well, for each model and both flow
// directions, on the long step. Its saturation and second-unknown
// derivatives are one-sided differences over the raised states; its
// pressure derivative takes the rate's own slope AQA exactly, so the system
// differs from the differences by the change of the phase shares over EPSP
// times AQA (seen up to about 5E-7 of a row).
TEST(Jacobian, AquiferMatchesOneSidedDifferences) {
  const Config cases[] = {{"water-oil 1-D", 1, 1, 0, 0, 3, 1, 0},
                          {"water-polymer 1-D", 1, 0, 0, 1, 3, 1, 0},
                          {"water-oil-gas-polymer 2-D", 1, 1, 1, 1, 3, 2, 0}};
  const double dt = 1.0e30;
  double worst = 0.0;
  for (const Config& c : cases) {
    for (int model : {2, 3, 4}) {
      for (bool out : {true, false}) {
        auto sp = build(c, dt);
        State& s = *sp;
        s.IDAQFR = model;
        s.NAQBLK = 0;
        for (int n = 1; n <= s.NGPACT; ++n) {
          bool well = false;
          for (int i = 1; i <= s.NWELM1; ++i) well = well || s.LWELM1(i) == n;
          for (int i = 1; i <= s.NWELM2; ++i) well = well || s.LWELM2(i) == n;
          if (well) continue;
          s.LAQBLK(++s.NAQBLK) = n;
          // The old level lies 1.5 below the iterate: the pot gives out
          // with a rising pressure and takes in with a falling one.
          if (model == 2 && !out) s.PN(n) = s.P(n) + 1.5;
          s.PAQI(n) = s.P(n) + (out ? -40.0 : 40.0);
          s.WECUM(n) = out ? 20.0 : -20.0;
          // Coefficients sized so that the rates are of the order of the
          // wells' on a step of 1E30: the pot's AQA is AQCOEF / DTIME, the
          // unsteady one TDFAC / pD times AQCOEF at tD = 1.
          s.AQCOEF(n) = model == 2 ? 50.0 * dt : (model == 3 ? 3.0 : 600.0 * dt);
        }
        ASSERT_GE(s.NAQBLK, 1) << c.name;
        s.TIMUSE = dt;
        s.TDFAC = 1.0 / dt;
        s.REDAQ = 5.0;
        assemble(s);
        for (int i = 1; i <= s.NAQBLK; ++i) {
          const int n = s.LAQBLK(i);
          ASSERT_EQ(s.QAQ(n) > 1.0e-7, out) << c.name << " model " << model;
          ASSERT_GT(std::fabs(s.QAQ(n)), 10.0) << c.name << " model " << model;
        }
        const std::string name = std::string(c.name) + ", model " + std::to_string(model) + (out ? ", out" : ", in");
        worst = std::fmax(worst, checkJacobian(s, 1.0e-5, name.c_str()));
      }
    }
  }
  std::printf("Jacobian with aquifer: worst difference over the row %.2e\n", worst);
}

// The accumulation enters the diagonal and the right-hand side: against a
// step of normal length the difference of the two assemblies is exactly
// -DACC in the diagonal and ACCR in RHS, and RHSFLW does not change.
TEST(Jacobian, AccumulationEntersDiagonalAndRhs) {
  for (const Config& c : kConfigs) {
    auto longStep = build(c, 1.0e30);
    auto shortStep = build(c, 0.5);
    State& a = *longStep;
    State& b = *shortStep;
    assemble(a);
    assemble(b);
    for (int n = 1; n <= b.NGPACT; ++n)
      for (int k = 1; k <= b.NEQN; ++k) {
        EXPECT_NEAR(b.RHSFLW(k, n), a.RHSFLW(k, n), 1e-9 * (1 + std::fabs(a.RHSFLW(k, n)))) << c.name;
        EXPECT_NEAR(b.RHS(k, n) - b.RHSFLW(k, n), b.ACCR(k, n), 1e-9 * (1 + std::fabs(b.ACCR(k, n))))
            << c.name;
        for (int u = 1; u <= b.NUKN; ++u) {
          const double diff = b.VBB(k, u, 4, n) - a.VBB(k, u, 4, n);
          EXPECT_NEAR(diff, -b.DACC(k, u, n), 1e-9 * (1 + std::fabs(b.DACC(k, u, n))))
              << c.name << " block " << n << " eq " << k << " unknown " << u;
        }
      }
  }
}

// With a step of normal length and the iterate close to the old level, the
// chord slopes of the accumulation are close to its derivatives: the whole
// system agrees with the one-sided differences to the accuracy the step
// sizes and the distance from the old level allow.
TEST(Jacobian, WholeSystemNearOldLevel) {
  for (const Config& c : kConfigs) {
    auto sp = build(c, 0.5);
    const double worst = checkJacobian(*sp, 2.0e-3, c.name);
    EXPECT_LT(worst, 2.0e-3) << c.name;
  }
}

// Two blocks at equal potential: each takes itself as upstream, the flux is
// zero, and the derivatives use each block's own mobility products. Without
// capillary pressure and at equal pressures the blocks tie exactly while
// their saturations, and so their mobilities, differ.
TEST(Jacobian, TiesTakeTheBlockItselfAsUpstream) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  for (int i = 1; i <= s.NRWO(1); ++i) s.PCOW(i, 1) = 0.0;
  setEquations(s, 1, 1, 0, 0);
  setGrid(s, 2, 1, 10.0);
  setBlock(s, 1, 3000.0, 0.4, 0.6, 0.0, 300.0, 0);
  setBlock(s, 2, 3000.0, 0.55, 0.45, 0.0, 300.0, 0);
  makeOldLevel(s);
  s.DTIME = 1.0e30;
  GRADNT(s);
  assemble(s);
  ASSERT_EQ(s.PWAT(KBASE, 2), s.PWAT(KBASE, 1));
  ASSERT_NE(s.TRAN(5, JWAT, KBASE, 1), s.TRAN(3, JWAT, KBASE, 2));
  ASSERT_NE(s.TRAN(5, JOIL, KBASE, 1), s.TRAN(3, JOIL, KBASE, 2));
  for (int n = 1; n <= 2; ++n) {
    const int sl = s.NBS(1, n);
    EXPECT_EQ(s.RHSFLW(s.IQW, n), 0.0);
    EXPECT_EQ(s.RHSFLW(s.IQO, n), 0.0);
    for (int c : {JWAT, JOIL}) {
      const int k = c == JWAT ? s.IQW : s.IQO;
      // Own pressure derivative: n's own raised product; neighbour
      // pressure: n's own base product.
      const double own = -s.TRAN(sl, c, KDPO, n);
      EXPECT_NEAR(s.VBB(k, s.IPO, 4, n), own, 1e-12 * std::fabs(own) + 2e-11);
      const double nbp = s.TRAN(sl, c, KBASE, n);
      EXPECT_NEAR(s.VBB(k, s.IPO, sl, n), nbp, 1e-12 * std::fabs(nbp));
      // The downstream neighbour's saturation does not move the flux.
      EXPECT_EQ(s.VBB(k, s.ISW, sl, n), 0.0);
    }
  }
}

// Upstream choice on a strict potential difference: water flows from the
// high-pressure block through that block's mobility product; the
// downstream block's rows see every unknown of the upstream block, the
// upstream block's rows only the downstream block's pressure.
TEST(Jacobian, UpstreamBlockCarriesTheMobility) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setEquations(s, 1, 1, 0, 0);
  setGrid(s, 2, 1, 10.0);
  setBlock(s, 1, 3050.0, 0.5, 0.5, 0.0, 300.0, 0);
  setBlock(s, 2, 3000.0, 0.3, 0.7, 0.0, 300.0, 0);
  makeOldLevel(s);
  s.DTIME = 1.0e30;
  GRADNT(s);
  assemble(s);
  // Block 2 receives from block 1 through block 1's mobility product.
  const double dphi = s.PWAT(KBASE, 1) - s.PWAT(KBASE, 2);
  ASSERT_GT(dphi, 0.0);
  EXPECT_NEAR(s.RHSFLW(s.IQW, 2), -dphi * s.TRAN(5, JWAT, KBASE, 1), 1e-9);
  EXPECT_NEAR(s.RHSFLW(s.IQW, 1), dphi * s.TRAN(5, JWAT, KBASE, 1), 1e-9);
  // Block 1 is upstream of block 2: block 2's oil row has every unknown of
  // block 1, block 1's oil row only block 2's pressure.
  EXPECT_NE(s.VBB(s.IQO, s.ISW, 3, 2), 0.0);
  EXPECT_EQ(s.VBB(s.IQO, s.ISW, 5, 1), 0.0);
  EXPECT_NE(s.VBB(s.IQO, s.IPO, 5, 1), 0.0);
}

// A block without active neighbours has only its accumulation, well and
// aquifer terms and the diagonal shift.
TEST(Jacobian, IsolatedBlock) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setEquations(s, 1, 1, 1, 1);
  setGrid(s, 1, 1, 10.0);
  setBlock(s, 1, 2000.0, 0.3, 0.4, 0.1, 0.0, 1);
  makeOldLevel(s);
  setBlock(s, 1, 2010.0, 0.31, 0.38, 0.11, 0.0, 1);
  s.DTIME = 2.0;
  assemble(s);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(s.RHSFLW(k, 1), 0.0);
    EXPECT_EQ(s.RHS(k, 1), s.ACCR(k, 1));
    for (int u = 1; u <= 4; ++u)
      EXPECT_EQ(s.VBB(k, u, 4, 1), -s.DACC(k, u, 1) + (k == u ? 1.0e-11 : 0.0));
  }
}

// Terms of switched-off equations and unknowns never reach the solved rows
// and columns, and nothing is written outside them.
TEST(Jacobian, SparePositionsStayOutsideTheSystem) {
  const Config cases[] = {{"water-oil", 1, 1, 0, 0, 3, 1, 0},
                          {"water-polymer", 1, 0, 0, 1, 3, 1, 0},
                          {"water-oil-polymer", 1, 1, 0, 1, 2, 2, 0}};
  for (const Config& c : cases) {
    auto sp = build(c, 1.0);
    State& s = *sp;
    const double mark = -7.25;
    s.VBB.fill(mark);
    s.RHS.fill(mark);
    s.RHSFLW.fill(mark);
    assemble(s);
    for (int n = 1; n <= s.NGPACT; ++n)
      for (int k = 1; k <= MXEQ; ++k) {
        if (k > s.NEQN) {
          EXPECT_EQ(s.RHS(k, n), mark) << c.name;
          EXPECT_EQ(s.RHSFLW(k, n), mark) << c.name;
        } else {
          EXPECT_NE(s.RHS(k, n), mark) << c.name;
        }
        for (int u = 1; u <= MXEQ; ++u)
          for (int sl = 1; sl <= MXSLOT; ++sl) {
            const bool used = sl == 4 || slotOf(s, n, s.NBR(sl, n)) == sl;
            if (k > s.NEQN || u > s.NUKN || !used)
              EXPECT_EQ(s.VBB(k, u, sl, n), mark) << c.name << " " << k << " " << u << " " << sl;
            else
              EXPECT_NE(s.VBB(k, u, sl, n), mark) << c.name;
          }
      }
  }
}

// Positions that cannot address the system stop the run before anything is
// written.
TEST(Jacobian, InconsistentPositionsStop) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setGrid(s, 2, 1, 10.0);
  setEquations(s, 1, 1, 1, 1);
  s.IQG = 5;  // outside the 4 x 4 block
  EXPECT_THROW(JACOBN(s), RunError);
  EXPECT_THROW(EVALUT(s), RunError);
  setEquations(s, 1, 1, 0, 0);
  s.IQG = 2;  // a switched-off equation inside the system
  EXPECT_THROW(JACOBN(s), RunError);
  setEquations(s, 1, 1, 0, 0);
  s.ISW = 2;  // two unknowns at one position
  EXPECT_THROW(PRODUC(s, 1), RunError);
  setEquations(s, 0, 0, 0, 0);
  EXPECT_THROW(JACOBN(s), RunError);
  // Every choice of solved equations, positioned by the deck reader's rule,
  // is accepted.
  for (int m = 1; m < 16; ++m) {
    setEquations(s, m & 1, (m >> 1) & 1, (m >> 2) & 1, (m >> 3) & 1);
    EXPECT_NO_THROW(CHKEQN(s)) << "switches " << m;
  }
}

}  // namespace
}  // namespace talvek
