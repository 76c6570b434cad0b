// Block properties: the aqueous viscosities, the raised states, saturated
// and undersaturated oil, the three-phase oil relative permeability, both
// lookup methods, and the per-step phase gradients.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "init/equifit.h"
#include "io/errors.h"
#include "run/loop.h"
#include "physics_fixture.h"

namespace talvek {
namespace {

using namespace phys_test;

struct AqCase {
  const char* what;
  int keqp;
  double omega, sw, sp, rf, rrf, admax, ads;
  double muwe, mupe;  // expected
};

TEST(Properties, AqueousViscosities) {
  const double muw = 0.6, mup = 8.0;
  const double mum = muw + (mup - muw) * 0.2 / 0.6;  // SW 0.4, SP 0.2
  const AqCase cases[] = {
      {"polymer equation off", 0, 0.7, 0.4, 0.2, 2.0, 1.5, 0.1, 0.05, muw, mup},
      {"no mixing", 1, 0.0, 0.4, 0.2, 2.0, 1.5, 0.0, 0.0, muw, mup},
      {"full mixing", 1, 1.0, 0.4, 0.2, 2.0, 1.5, 0.0, 0.0, mum, mum},
      {"partial mixing", 1, 0.5, 0.4, 0.2, 2.0, 1.5, 0.0, 0.0, std::sqrt(muw * mum), std::sqrt(mup * mum)},
      {"half the maximum adsorbed", 1, 0.0, 0.4, 0.2, 2.0, 1.5, 0.1, 0.05, muw * 1.25, mup * 1.5},
      {"adsorption above the maximum", 1, 0.0, 0.4, 0.2, 2.0, 1.5, 0.1, 0.2, muw * 2.0, mup * 3.0},
      {"no adsorption", 1, 0.0, 0.4, 0.2, 2.0, 1.5, 0.1, 0.0, muw, mup},
      {"no aqueous saturation", 1, 1.0, 0.0, 0.0, 2.0, 1.5, 0.0, 0.0, muw, muw},
  };
  auto sp = makeState();
  State& s = *sp;
  for (const AqCase& c : cases) {
    s.KEQP = c.keqp;
    s.OMEGAMIX = c.omega;
    double we = -1, pe = -1;
    AQVIS(s, muw, mup, c.sw, c.sp, we, pe, c.rf, c.rrf, c.admax, c.ads);
    EXPECT_NEAR(we, c.muwe, 1e-12) << c.what;
    EXPECT_NEAR(pe, c.mupe, 1e-12) << c.what;
  }
}

std::unique_ptr<State> block(int w, int o, int g, int p) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setEquations(s, w, o, g, p);
  setGrid(s, 2, 1, 10.0);
  return sp;
}

TEST(Properties, NoAqueousSaturationGivesZeroMobility) {
  auto sp = block(1, 1, 1, 1);
  State& s = *sp;
  setBlock(s, 1, 2500.0, 0.0, 0.7, 0.0, 0.0, 1);
  setBlock(s, 2, 2500.0, 0.3, 0.5, 0.1, 0.0, 1);
  makeOldLevel(s);
  EVALUT(s);
  for (int e = 1; e <= NKSTATE; ++e) {
    for (int f = 1; f <= NPHASE; ++f) EXPECT_TRUE(std::isfinite(s.RMOB(f, e, 1)));
    if (e != KDSW && e != KDSP) {
      EXPECT_EQ(s.RMOB(JWAT, e, 1), 0.0);
      EXPECT_EQ(s.RMOB(JPOL, e, 1), 0.0);
    }
  }
}

// The three-phase oil relative permeability is never negative, over a grid
// of saturations, in any state.
TEST(Properties, ThreePhaseOilNeverNegative) {
  auto sp = block(1, 1, 1, 0);
  State& s = *sp;
  int zeros = 0;
  for (double sw = 0.0; sw <= 0.9; sw += 0.05)
    for (double so = 0.0; so <= 1.0 - sw; so += 0.05) {
      setBlock(s, 1, 2500.0, sw, so, 0.0, 0.0, 1);
      setBlock(s, 2, 2500.0, sw, so, 0.0, 0.0, 1);
      EVALUT(s);
      for (int e = 1; e <= NKSTATE; ++e) {
        EXPECT_GE(s.RMOB(JOIL, e, 1), 0.0);
        if (s.RMOB(JOIL, e, 1) == 0.0) ++zeros;
      }
    }
  EXPECT_GT(zeros, 0);  // the lower bound was reached somewhere
}

TEST(Properties, UndersaturatedOilAtItsBubblePoint) {
  auto sp = block(1, 1, 1, 0);
  State& s = *sp;
  // RS 300 is row 2 of the table: bubble point 1000.
  setBlock(s, 1, 1000.0, 0.3, 0.7, 0.0, 300.0, 0);
  setBlock(s, 2, 1500.0, 0.3, 0.7, 0.0, 300.0, 0);
  makeOldLevel(s);
  EVALUT(s);
  EXPECT_EQ(s.BOB(1), s.BO(2, 1));
  // The oil viscosity is the table's at the bubble point.
  int ip;
  double w, o, kro;
  SEARCH(ip, w, o, s.SWT.column(1), 0.3, s.NRWO(1));
  FUN1D(ip, w, o, s.KROW.column(1), kro, s.NRWO(1));
  EXPECT_NEAR(s.RMOB(JOIL, KBASE, 1) * s.MUO(2, 1), kro, 1e-14);
  // Above the bubble point the oil is compressed and thicker.
  EXPECT_LT(s.BOB(2), s.BO(2, 1));
  EXPECT_NEAR(s.BOB(2), s.BO(2, 1) / (1.0 + s.CO(1) * 500.0), 1e-15);
  // The second-unknown state raises RS by EPSRS; the pressure state keeps it.
  EXPECT_EQ(s.RSBX(1), 301.0);
  EXPECT_EQ(s.RSBP(1), 300.0);
  EXPECT_EQ(s.RS(1), 300.0);
  EXPECT_EQ(s.RMOB(JGAS, KBASE, 1), 0.0);
  EXPECT_EQ(s.PGAS(KDSW, 1), s.PGAS(KBASE, 1));
}

TEST(Properties, SaturatedBlockTakesTableSolutionRatio) {
  auto sp = block(1, 1, 1, 0);
  State& s = *sp;
  setBlock(s, 1, 2750.0, 0.3, 0.5, 0.0, 9999.0, 1);
  setBlock(s, 2, 2750.0, 0.3, 0.5, 0.0, 0.0, 0);
  s.NNB(1) = s.NNB(2) = 0;
  EVALUT(s);
  EXPECT_NEAR(s.RS(1), 100.0 + 0.2 * 2750.0, 1e-9);
  EXPECT_NEAR(s.RSBP(1), 100.0 + 0.2 * 2750.1, 1e-9);
  EXPECT_EQ(s.RSBX(1), s.RS(1));
  EXPECT_EQ(s.BOBX(1), s.BOB(1));
  EXPECT_GT(s.BOBP(1), s.BOB(1));
  EXPECT_EQ(s.RS(2), 0.0);  // undersaturated: RS is the block's own
  // With the oil equation off the block is treated as saturated.
  setEquations(s, 1, 0, 1, 0);
  s.RS(2) = 0.0;
  EVALUT(s);
  EXPECT_NEAR(s.RS(2), 100.0 + 0.2 * 2750.0, 1e-9);
}

// Raised states: which pressures move in which state.
TEST(Properties, RaisedStatePressures) {
  auto sp = block(1, 1, 1, 1);
  State& s = *sp;
  setBlock(s, 1, 2500.0, 0.3, 0.4, 0.1, 0.0, 1);
  setBlock(s, 2, 2500.0, 0.3, 0.6, 0.1, 400.0, 0);
  EVALUT(s);
  for (int n = 1; n <= 2; ++n) {
    EXPECT_EQ(s.POIL(KDPO, n), s.P(n) + s.EPSP);
    EXPECT_EQ(s.PWAT(KDPO, n), s.PWAT(KBASE, n) + s.EPSP);
    EXPECT_EQ(s.PWAT(KDX2, n), s.PWAT(KBASE, n));
    EXPECT_LT(s.PWAT(KDSW, n), s.P(n));
    EXPECT_GT(s.PWAT(KDSW, n), s.PWAT(KBASE, n));  // PCOW falls with SA
    EXPECT_EQ(s.PWAT(KDSP, n), s.PWAT(KDSW, n));
    EXPECT_EQ(s.PGAS(KDPO, n), s.PGAS(KBASE, n) + s.EPSP);
  }
  EXPECT_LT(s.PGAS(KDX2, 1), s.PGAS(KBASE, 1));  // PCGO falls with SL
  EXPECT_EQ(s.PGAS(KDX2, 2), s.PGAS(KBASE, 2));
  // Without oil and gas the aqueous pressure does not follow the saturations.
  setEquations(s, 1, 0, 0, 1);
  EVALUT(s);
  for (int e : {KBASE, KDSW, KDX2, KDSP}) EXPECT_EQ(s.PWAT(e, 1), s.PWAT(KBASE, 1));
}

// The mobility products of each side are the geometric factor times the
// mobility over the formation volume factor, in every state.
TEST(Properties, SideProducts) {
  auto sp = block(1, 1, 1, 1);
  State& s = *sp;
  setBlock(s, 1, 2500.0, 0.3, 0.4, 0.1, 0.0, 1);
  setBlock(s, 2, 2400.0, 0.35, 0.55, 0.1, 400.0, 0);
  EVALUT(s);
  for (int n = 1; n <= 2; ++n) {
    const int sl = s.NBS(1, n);
    for (int f = 1; f <= NPHASE; ++f)
      for (int e = 1; e <= NKSTATE; ++e) {
        EXPECT_EQ(s.TRAN(sl, f, e, n), s.GF(sl, n) * s.RMOBB(f, e, n));
        const double b = f == JOIL   ? (e == KDPO ? s.BOBP(n) : e == KDX2 ? s.BOBX(n) : s.BOB(n))
                         : f == JGAS ? (e == KDPO ? s.BGBP(n) : s.BGB(n))
                                     : (e == KDPO ? s.BWBP(n) : s.BWB(n));
        EXPECT_NEAR(s.RMOBB(f, e, n), s.RMOB(f, e, n) / b, 1e-15 * s.RMOB(f, e, n) + 1e-300);
      }
  }
}

// With evenly spaced tables and as many equispaced points as rows, the
// linear fits give what interpolation in the tables gives, for every output.
TEST(Properties, LinearFitsAgreeWithTableSearch) {
  for (int sat : {1, 0}) {
    auto a = block(1, 1, 1, 1);
    auto b = block(1, 1, 1, 1);
    b->IQUAD = 1;
    b->NINTBLE = 11;
    PREQFT(*b);
    for (State* s : {a.get(), b.get()}) {
      setBlock(*s, 1, 2630.0, 0.33, 0.42, 0.07, 430.0, sat);
      setBlock(*s, 2, 2410.0, 0.41, 0.52 - 0.07 * sat, 0.07, 410.0, sat);
      makeOldLevel(*s);
      s->P(1) += 7.0;
      s->SW(1) += 0.01;
    }
    EVALUT(*a);
    EVALUT(*b);
    auto near = [](double x, double y) { return std::fabs(x - y) <= 1e-10 * (std::fabs(x) + 1e-12); };
    for (int n = 1; n <= 2; ++n) {
      for (int e = 1; e <= NKSTATE; ++e) {
        EXPECT_TRUE(near(a->PWAT(e, n), b->PWAT(e, n)));
        EXPECT_TRUE(near(a->PGAS(e, n), b->PGAS(e, n)));
        for (int f = 1; f <= NPHASE; ++f) {
          EXPECT_TRUE(near(a->RMOB(f, e, n), b->RMOB(f, e, n))) << f << " " << e;
          EXPECT_TRUE(near(a->RMOBB(f, e, n), b->RMOBB(f, e, n))) << f << " " << e;
        }
      }
      for (auto arr : {&State::BWB, &State::BOB, &State::BGB, &State::RS})
        EXPECT_TRUE(near((a.get()->*arr)(n), (b.get()->*arr)(n)));
      for (auto arr : {&PhysicsState::BWBP, &PhysicsState::BOBP, &PhysicsState::BGBP,
                       &PhysicsState::BOBX, &PhysicsState::RSBP, &PhysicsState::RSBX})
        EXPECT_TRUE(near((a.get()->*arr)(n), (b.get()->*arr)(n)));
      for (int k = 1; k <= 4; ++k) {
        EXPECT_TRUE(near(a->ACCR(k, n), b->ACCR(k, n))) << k;
        for (int u = 1; u <= 4; ++u) EXPECT_TRUE(near(a->DACC(k, u, n), b->DACC(k, u, n)));
      }
    }
  }
}

// A table read with a row out of order (the deck reader warns and keeps it):
// the abscissa 0.5, 3000 or 600 of row 2 lies above that of row 3. The lead
// block's value falls in the last interval, the probe's between rows 3 and 2.
// Whichever block is evaluated first, the probe gets the values of a search
// of the table from its start.
struct OutOfOrderCase {
  const char* table;
  int gas;       // gas equation on (blocks with free gas) or off (undersaturated)
  double x[4];   // abscissae of the 4-row table
  double lead, probe;
};

TEST(Properties, RowsOutOfOrderGiveTheSameValuesInAnyBlockOrder) {
  const OutOfOrderCase cases[] = {
      {"water-oil", 0, {0.0, 0.5, 0.3, 1.0}, 0.9, 0.4},
      {"gas-liquid", 1, {0.0, 0.5, 0.3, 1.0}, 0.9, 0.4},
      {"PVT by pressure", 0, {500.0, 3000.0, 2000.0, 6000.0}, 5000.0, 2500.0},
      {"PVT by solution ratio", 0, {100.0, 600.0, 300.0, 900.0}, 800.0, 400.0},
  };
  for (const auto& c : cases) {
    double probeValue[2][4];
    for (int probeFirst = 0; probeFirst <= 1; ++probeFirst) {
      auto sp = block(1, 1, c.gas, 0);
      State& s = *sp;
      const std::string t = c.table;
      RA<MXROW, MXRGN>& x = t == "water-oil" ? s.SWT : t == "gas-liquid" ? s.SLT : t == "PVT by pressure" ? s.PRES : s.RST;
      for (int i = 1; i <= 4; ++i) x(i, 1) = c.x[i - 1];
      if (t == "water-oil") s.NRWO(1) = 4;
      if (t == "gas-liquid") s.NRGO(1) = 4;
      if (t.rfind("PVT", 0) == 0) s.NRPVT(1) = 4;
      const int np = probeFirst ? 1 : 2, nl = 3 - np;
      for (int k = 0; k < 2; ++k) {
        const int n = k == 0 ? np : nl;
        const double v = k == 0 ? c.probe : c.lead;
        if (t == "water-oil")
          setBlock(s, n, 2500.0, v, 1.0 - v, 0.0, 300.0, 0);
        else if (t == "gas-liquid")
          setBlock(s, n, 2500.0, 0.2, v - 0.2, 0.0, 0.0, 1);
        else if (t == "PVT by pressure")
          setBlock(s, n, v, 0.3, 0.7, 0.0, 250.0, 0);
        else
          setBlock(s, n, 3000.0, 0.3, 0.7, 0.0, v, 0);
      }
      makeOldLevel(s);
      EVALUT(s);
      const double out[4] = {s.PWAT(KBASE, np), s.PGAS(KBASE, np), s.BWB(np), s.BOB(np)};
      for (int k = 0; k < 4; ++k) probeValue[probeFirst][k] = out[k];
      // The lookups of run control, from the lead block's interval.
      int hint = 0;
      if (t == "PVT by pressure") {
        (void)pvtAtP(s, 1, c.lead, hint);
        EXPECT_EQ(pvtValue(s, pvtAtP(s, 1, c.probe, hint), PvtCol::BW), PVTP(s, 1, c.probe, PvtCol::BW)) << c.table;
      } else if (t == "PVT by solution ratio") {
        (void)pvtAtRs(s, 1, c.lead, hint);
        EXPECT_EQ(pvtValue(s, pvtAtRs(s, 1, c.probe, hint), PvtRsCol::PRES), PVTR(s, 1, c.probe, PvtRsCol::PRES))
            << c.table;
      }
    }
    for (int k = 0; k < 4; ++k) EXPECT_EQ(probeValue[0][k], probeValue[1][k]) << c.table << " output " << k;
  }
}

// The refresh of block properties after a step (polymer-solution mobility
// from the water-oil table) searches such a table from its start too.
TEST(Properties, RefreshAfterAStepWithRowsOutOfOrderIsTheSameInAnyBlockOrder) {
  double probeMobility[2];
  for (int probeFirst = 0; probeFirst <= 1; ++probeFirst) {
    auto sp = block(1, 1, 0, 1);
    State& s = *sp;
    const double swt[4] = {0.0, 0.5, 0.3, 1.0}, krw[4] = {0.05, 0.3, 0.1, 1.0};
    for (int i = 1; i <= 4; ++i) {
      s.SWT(i, 1) = swt[i - 1];
      s.KRW(i, 1) = krw[i - 1];
    }
    s.NRWO(1) = 4;
    const int np = probeFirst ? 1 : 2, nl = 3 - np;
    setBlock(s, np, 2500.0, 0.2, 0.6, 0.2, 300.0, 0);  // aqueous saturation 0.4
    setBlock(s, nl, 2500.0, 0.6, 0.1, 0.3, 300.0, 0);  // 0.9
    makeOldLevel(s);
    EVALUT(s);
    PROPRF(s);
    probeMobility[probeFirst] = s.RMOBB(JPOL, KBASE, np);
  }
  EXPECT_GT(probeMobility[0], 0.0);
  EXPECT_EQ(probeMobility[0], probeMobility[1]);
}

TEST(Properties, RegionOutsideTheTablesStops) {
  auto sp = block(1, 1, 0, 0);
  State& s = *sp;
  setBlock(s, 1, 2500.0, 0.3, 0.7, 0.0, 300.0, 0);
  setBlock(s, 2, 2500.0, 0.3, 0.7, 0.0, 300.0, 0);
  s.NKRGN(2) = 2;  // one rock region only
  EXPECT_THROW(EVALUT(s), RunError);
  s.NKRGN(2) = 1;
  s.NPVTGN(1) = 0;
  EXPECT_THROW(EVALUT(s), RunError);
  s.NPVTGN(1) = 1;
  EXPECT_NO_THROW(EVALUT(s));
}

TEST(Gradients, BlockValuesAndConnectionMeans) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  s.NPVTRGN = 2;
  s.GRADW(2) = 0.44;
  s.GRADO(2) = 0.30;
  s.GRADG(2) = 8.0e-5;
  setGrid(s, 2, 2, 10.0);
  for (int n = 1; n <= 4; ++n) {
    s.NPVTGN(n) = n % 2 + 1;
    s.BWN(n) = 1.0 + 0.01 * n;
    s.BON(n) = 1.2 + 0.02 * n;
    s.BGN(n) = 0.002 * n;
    s.RSN(n) = 300.0 + 10.0 * n;
  }
  GRADNT(s);
  for (int n = 1; n <= 4; ++n) {
    const int p = s.NPVTGN(n);
    EXPECT_DOUBLE_EQ(s.GRADWB(n), s.GRADW(p) / s.BWN(n));
    EXPECT_DOUBLE_EQ(s.GRADOB(n), (s.GRADO(p) + s.GRADG(p) * s.RSN(n)) / s.BON(n));
    EXPECT_DOUBLE_EQ(s.GRADGB(n), s.GRADG(p) / s.BGN(n));
  }
  for (int n = 1; n <= 4; ++n)
    for (int k = 1; k <= s.NNB(n); ++k) {
      const int m = s.NBN(k, n);
      const int sl = s.NBS(k, n);
      EXPECT_DOUBLE_EQ(s.GRAVW(sl, n), 0.5 * (s.GRADWB(n) + s.GRADWB(m)));
      EXPECT_EQ(s.GRAVW(sl, n), s.GRAVW(8 - sl, m));
      EXPECT_EQ(s.GRAVO(sl, n), s.GRAVO(8 - sl, m));
      EXPECT_EQ(s.GRAVG(sl, n), s.GRAVG(8 - sl, m));
    }
}

TEST(Aquifer, TermsStayZero) {
  auto sp = makeState();
  State& s = *sp;
  setGrid(s, 2, 1, 10.0);
  s.QAW(1) = 3.0;
  s.DQA(2, 2, 2) = 1.0;
  s.QAQ(2) = 5.0;
  INFLUX(s, 1);
  EXPECT_EQ(s.QAW(1), 0.0);
  EXPECT_EQ(s.DQA(2, 2, 2), 0.0);
  EXPECT_EQ(s.QAQ(2), 0.0);
}

}  // namespace
}  // namespace talvek
