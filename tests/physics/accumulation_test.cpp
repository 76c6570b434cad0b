// Accumulation terms: zero at the old level, the conservative expansion
// (the accumulation equals its chord derivatives times the change of the
// unknowns since the old level), the three oil/gas cases, the absent
// equations, and the phase-state measure.
#include <gtest/gtest.h>

#include <cmath>

#include "physics_fixture.h"

namespace talvek {
namespace {

using namespace phys_test;

struct EqSet {
  const char* name;
  int w, o, g, p;
};

const EqSet kSets[] = {
    {"water-oil", 1, 1, 0, 0},         {"water-oil-gas", 1, 1, 1, 0},
    {"water-oil-polymer", 1, 1, 0, 1}, {"water-oil-gas-polymer", 1, 1, 1, 1},
    {"water-polymer", 1, 0, 0, 1},     {"water-gas", 1, 0, 1, 0},
};

// Two blocks: block 1 with free gas (where gas is solved), block 2 without.
std::unique_ptr<State> twoBlocks(const EqSet& e) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setEquations(s, e.w, e.o, e.g, e.p);
  setGrid(s, 2, 1, 10.0);
  const double spv = e.p ? 0.1 : 0.0;
  if (e.o && e.g) {
    setBlock(s, 1, 2500.0, 0.3, 0.45, spv, 0.0, 1);
    setBlock(s, 2, 2600.0, 0.35, 0.65 - spv, spv, 420.0, 0);
  } else if (e.o) {
    setBlock(s, 1, 2500.0, 0.3, 0.7 - spv, spv, 300.0, 0);
    setBlock(s, 2, 2600.0, 0.35, 0.65 - spv, spv, 320.0, 0);
  } else {
    setBlock(s, 1, 2500.0, 0.5, 0.2, spv, 0.0, 1);
    setBlock(s, 2, 2600.0, 0.45, 0.2, spv, 0.0, 1);
  }
  s.DTIME = 3.0;
  return sp;
}

TEST(Accumulation, ZeroWhenIterateEqualsOldLevel) {
  for (const EqSet& e : kSets) {
    auto sp = twoBlocks(e);
    State& s = *sp;
    makeOldLevel(s);
    EVALUT(s);
    for (int n = 1; n <= 2; ++n)
      for (int k = 1; k <= s.NEQN; ++k) {
        EXPECT_NEAR(s.ACCR(k, n), 0.0, 1e-12) << e.name << " block " << n << " eq " << k;
        for (int u = 1; u <= s.NUKN; ++u) EXPECT_TRUE(std::isfinite(s.DACC(k, u, n))) << e.name;
      }
  }
}

// Change of each unknown since the old level, in unknown positions.
double changeOf(const State& s, int n, int u) {
  if (u == s.IPO) return s.P(n) - s.PN(n);
  if (u == s.ISW) return s.SW(n) - s.SWN(n);
  if (u == s.ISP) return s.SP(n) - s.SPN(n);
  if (u == s.ISO) return s.ISAT(n) == 1 ? s.SO(n) - s.SON(n) : s.RS(n) - s.RSN(n);
  return 0.0;
}

// Where the block keeps its saturation state over the step, the chord
// derivatives reproduce the accumulation exactly: ACCR = sum DACC * change.
TEST(Accumulation, ConservativeExpansion) {
  for (const EqSet& e : kSets) {
    auto sp = twoBlocks(e);
    State& s = *sp;
    makeOldLevel(s);
    // New level: pressure, saturations and (without free gas) RS move.
    for (int n = 1; n <= 2; ++n) {
      s.P(n) += 35.0 * n;
      if (!e.o && !e.g) {
        // Water and polymer share the pore space the fixed saturations leave.
        s.SP(n) += 0.01;
        s.SW(n) -= 0.01;
      } else {
        s.SW(n) += 0.02;
        if (e.p) s.SP(n) += 0.01;
      }
      if (e.o && e.g && s.ISAT(n) == 0) s.RS(n) += 25.0;  // RS is an unknown only with gas
      s.SA(n) = s.SW(n) + s.SP(n);
      if (e.o && (!e.g || s.ISAT(n) == 0))
        s.SO(n) = 1.0 - s.SA(n);
      else if (e.o)
        s.SO(n) -= 0.01;
      s.SG(n) = 1.0 - s.SO(n) - s.SA(n);
    }
    EVALUT(s);
    for (int n = 1; n <= 2; ++n)
      for (int k = 1; k <= s.NEQN; ++k) {
        double sum = 0.0;
        for (int u = 1; u <= s.NUKN; ++u) sum += s.DACC(k, u, n) * changeOf(s, n, u);
        EXPECT_NEAR(s.ACCR(k, n), sum, 1e-9 * (std::fabs(s.ACCR(k, n)) + 1.0))
            << e.name << " block " << n << " eq " << k;
        EXPECT_NE(s.ACCR(k, n), 0.0) << e.name;
      }
  }
}

// A block that gained free gas during the step takes its oil slopes from the
// old bubble point, not from the old pressure.
TEST(Accumulation, GasAppearedTakesSlopesFromOldBubblePoint) {
  auto sp = twoBlocks({"water-oil-gas", 1, 1, 1, 0});
  State& s = *sp;
  makeOldLevel(s);
  // Block 2 was undersaturated; now it has free gas.
  s.ISAT(2) = 1;
  s.SO(2) -= 0.05;
  s.SG(2) = 1.0 - s.SO(2) - s.SA(2);
  s.P(2) += 20.0;
  EVALUT(s);
  const int n = 2;
  const double v = s.VB(n) / s.DTIME;
  const double phi = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF));
  const double A = phi * v;
  const double cphi = (phi - s.PHIN(n)) / (phi * (s.P(n) - s.PN(n) + 1e-51));
  const double g = (1.0 / s.BOB(n) - 1.0 / s.BOBUB(n)) / (s.P(n) - s.PBUBL(n));
  EXPECT_NEAR(s.DACC(s.IQO, s.IPO, n), (cphi / s.BON(n) + g) * A * s.SON(n),
              1e-12 * std::fabs(s.DACC(s.IQO, s.IPO, n)));
  EXPECT_NEAR(s.DACC(s.IQO, s.ISO, n), A / s.BOB(n), 1e-12 * A / s.BOB(n));
  const double dr = (s.RS(n) - s.RSN(n)) / (s.P(n) - s.PBUBL(n));
  const double expectG = (cphi / s.BGN(n) - ((s.BGB(n) - s.BGN(n)) / (s.P(n) - s.PN(n))) /
                                                (s.BGB(n) * s.BGN(n))) *
                             A * s.SGN(n) +
                         s.PHIN(n) * v / s.BON(n) * s.SON(n) * dr + s.RS(n) * s.DACC(s.IQO, s.IPO, n);
  EXPECT_NEAR(s.DACC(s.IQG, s.IPO, n), expectG, 1e-9 * std::fabs(expectG));
}

// Without free gas the gas row carries only the dissolved gas, and the oil
// saturation follows the aqueous saturation.
TEST(Accumulation, UndersaturatedBlockHasOnlyDissolvedGas) {
  auto sp = twoBlocks({"water-oil-gas", 1, 1, 1, 0});
  State& s = *sp;
  makeOldLevel(s);
  s.P(2) += 15.0;
  s.RS(2) += 10.0;
  EVALUT(s);
  const int n = 2;
  const double cso = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF)) * s.VB(n) / s.DTIME / s.BOB(n);
  const double co0 = s.PHIN(n) * s.VB(n) / s.DTIME / s.BON(n);
  EXPECT_NEAR(s.DACC(s.IQO, s.ISW, n), -cso, 1e-12 * cso);
  EXPECT_NEAR(s.DACC(s.IQG, s.ISW, n), -s.RS(n) * cso, 1e-12 * s.RS(n) * cso);
  const double gso = co0 * s.SON(n) + s.RS(n) * s.DACC(s.IQO, s.ISO, n);
  EXPECT_NEAR(s.DACC(s.IQG, s.ISO, n), gso, 1e-12 * std::fabs(gso));
  EXPECT_NEAR(s.DACC(s.IQG, s.IPO, n), s.RS(n) * s.DACC(s.IQO, s.IPO, n),
              1e-12 * std::fabs(s.DACC(s.IQG, s.IPO, n)));
}

// An undersaturated block whose oil more than doubles within the step (oil
// flowing into a block that held little or none) takes the slopes in RS of
// its new oil: they match the change of the accumulations when RS moves. The
// slopes of the old oil would be a fraction of it (none without old oil),
// and Newton's RS would swing ever wider.
TEST(Accumulation, FillingBlockTakesRatioSlopesFromItsNewOil) {
  for (double son : {0.0, 0.02, 0.1}) {
    auto sp = twoBlocks({"water-oil-gas", 1, 1, 1, 0});
    State& s = *sp;
    setBlock(s, 2, 2600.0, 1.0 - son, son, 0.0, 400.0, 0);
    makeOldLevel(s);
    const int n = 2;
    setBlock(s, n, 2620.0, 0.7, 0.3, 0.0, 410.0, 0);
    EVALUT(s);
    const double ao = s.ACCR(s.IQO, n), ag = s.ACCR(s.IQG, n);
    const double dOil = s.DACC(s.IQO, s.ISO, n), dGas = s.DACC(s.IQG, s.ISO, n);
    s.RS(n) += 1.0;
    EVALUT(s);
    const double fo = s.ACCR(s.IQO, n) - ao, fg = s.ACCR(s.IQG, n) - ag;
    ASSERT_NE(fo, 0.0);
    EXPECT_NEAR(dOil, fo, 0.05 * std::fabs(fo)) << "SON " << son;
    EXPECT_NEAR(dGas, fg, 0.05 * std::fabs(fg)) << "SON " << son;
  }
}

// Water and polymer alone: the water term moves with the polymer-solution
// saturation, with the sign reversed.
TEST(Accumulation, WaterPolymerRunPutsWaterSlopeOnPolymerSaturation) {
  auto sp = twoBlocks({"water-polymer", 1, 0, 0, 1});
  State& s = *sp;
  makeOldLevel(s);
  EVALUT(s);
  for (int n = 1; n <= 2; ++n) {
    const double csw = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF)) * s.VB(n) / s.DTIME / s.BWB(n);
    EXPECT_NEAR(s.DACC(s.IQW, s.ISP, n), -csw, 1e-12 * csw);
    EXPECT_NEAR(s.DACC(s.IQP, s.ISP, n), csw, 1e-12 * csw);
  }
}

TEST(Accumulation, PhaseStateMeasure) {
  // Gas off, oil on: the oil saturation.
  {
    auto sp = twoBlocks({"water-oil-polymer", 1, 1, 0, 1});
    State& s = *sp;
    makeOldLevel(s);
    EVALUT(s);
    EXPECT_DOUBLE_EQ(s.SATCON(1), 1.0 - s.SW(1) - s.SP(1));
    EXPECT_EQ(s.DSATCON(s.ISW, 1), -1.0);
    EXPECT_EQ(s.DSATCON(s.ISP, 1), -1.0);
    EXPECT_EQ(s.DSATCON(s.IPO, 1), 0.0);
  }
  // Water and polymer: the rest beside the polymer solution.
  {
    auto sp = twoBlocks({"water-polymer", 1, 0, 0, 1});
    State& s = *sp;
    makeOldLevel(s);
    EVALUT(s);
    EXPECT_DOUBLE_EQ(s.SATCON(1), 1.0 - s.SP(1));
    EXPECT_EQ(s.DSATCON(s.ISP, 1), -1.0);
    EXPECT_EQ(s.DSATCON(s.IPO, 1), 0.0);
  }
  // Gas on: free gas saturation, or the distance to the saturated ratio.
  {
    auto sp = twoBlocks({"water-oil-gas", 1, 1, 1, 0});
    State& s = *sp;
    makeOldLevel(s);
    EVALUT(s);
    EXPECT_NEAR(s.SATCON(1), s.SG(1), 1e-15);
    for (int u : {s.ISW, s.ISO}) EXPECT_EQ(s.DSATCON(u, 1), -1.0);
    EXPECT_EQ(s.DSATCON(s.IPO, 1), 0.0);
    // Without free gas: 1 - RS / Rsat(P), its pressure slope a one-sided
    // difference over EPSP.
    const double sat0 = s.SATCON(2);
    const double rsat = 100.0 + 0.2 * s.P(2);
    EXPECT_NEAR(sat0, 1.0 - s.RS(2) / rsat, 1e-12);
    EXPECT_NEAR(s.DSATCON(s.ISO, 2), -1.0 / rsat, 1e-15);
    EXPECT_EQ(s.DSATCON(s.ISW, 2), 0.0);
    const double slope = s.DSATCON(s.IPO, 2);
    s.P(2) += s.EPSP;
    EVALUT(s);
    EXPECT_NEAR(slope, (s.SATCON(2) - sat0) / s.EPSP, 1e-9 * std::fabs(slope));
    EXPECT_GT(slope, 0.0);
  }
}

// A block whose pressure equals its old pressure gets finite coefficients
// and no porosity slope.
TEST(Accumulation, EqualPressureGivesFiniteCoefficients) {
  auto sp = twoBlocks({"water-oil-gas-polymer", 1, 1, 1, 1});
  State& s = *sp;
  makeOldLevel(s);
  s.SW(1) += 0.01;
  s.SO(1) -= 0.01;
  EVALUT(s);
  for (int k = 1; k <= 4; ++k)
    for (int u = 1; u <= 4; ++u) EXPECT_TRUE(std::isfinite(s.DACC(k, u, 1)));
  EXPECT_EQ(s.DACC(s.IQW, s.IPO, 1), 0.0);  // no porosity or volume-factor change
}

}  // namespace
}  // namespace talvek
