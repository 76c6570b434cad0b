// Equilibrium initialisation: a column of eight 10-ft blocks (tops 1000 to
// 1070) and tables with constant phase gradients, so that pressures are
// linear in depth and every zone value has a hand figure:
//   water 0.45 (BW = 1), gas 0.05 (BG = 0.002), saturated and undersaturated
//   oil 0.3 (Bo tied to Rs, CO = 0).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "grid/geometry.h"
#include "grid/grid_fixture.h"
#include "init/equil.h"
#include "init/init_fixture.h"
#include "warning_capture.h"

namespace talvek {
namespace {

constexpr double GW = 0.45, GG = 0.05, GO = 0.3;

void column(State& s) {
  testing::layGrid(s, 1, 1, 8);
  testing::uniformRock(s, 100, 100, 10, 100, 0.2);
  testing::linearTables(s);
  for (int k = 1; k <= 4; ++k) {
    s.BW(k, 1) = 1.0;
    s.BG(k, 1) = 0.002;
  }
  s.CO(1) = 0.0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.NKRGN(n) = s.NPVTGN(n) = 1;
    s.PN(n) = -1;
    s.SWN(n) = s.SON(n) = s.SGN(n) = s.SPN(n) = s.RSN(n) = -1;
  }
  s.DEPTH1 = 1080.0;
  ZELVAT(s);
  s.INIOPT = 1;
}

// Block of layer k spans [1080 - 10k, 1090 - 10k]; active number n = k.
double centre(int k) { return 1085.0 - 10.0 * k; }

// One zone of a hand computation: depth interval and the values at depth d.
struct Zone {
  double top, bot;
  double (*sw)(double);
  double (*so)(double);
  double (*pn)(double);
};

// Thickness-weighted average over the zones, as a hand computation does it.
void expectBlocks(const State& s, const std::vector<Zone>& zones, const char* what) {
  for (int k = 1; k <= 8; ++k) {
    const double t = centre(k) - 5, b = centre(k) + 5;
    double sw = 0, so = 0, pn = 0;
    for (const auto& z : zones) {
      const double lo = std::max(t, z.top), hi = std::min(b, z.bot);
      if (hi - lo <= 1e-5) continue;
      const double f = (hi - lo) / 10.0, d = 0.5 * (lo + hi);
      sw += f * z.sw(d);
      so += f * z.so(d);
      pn += f * z.pn(d);
    }
    EXPECT_NEAR(s.SWN(k), sw, 1e-9) << what << " layer " << k;
    EXPECT_NEAR(s.SON(k), so, 1e-9) << what << " layer " << k;
    EXPECT_NEAR(s.SGN(k), 1 - sw - so, 1e-9) << what << " layer " << k;
    EXPECT_NEAR(s.PN(k), pn, 1e-7) << what << " layer " << k;
    EXPECT_EQ(s.SPN(k), 0.0);
  }
}

constexpr double INF = 1e30;

TEST(Newint, SinglePhaseCases) {
  struct Case {
    int icase;
    double grad, sw, so, rsn;
  } cases[] = {{1, GO, 0.2, 0.8, 250.0}, {2, GW, 1.0, 0.0, 0.0}, {3, GG, 0.2, 0.0, 0.0}};
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    column(s);
    s.ICASE = c.icase;
    s.ZREF = 1040.0;
    s.PZREF = 3000.0;
    s.XREF5 = 250.0;
    NEWINT(s);
    for (int k = 1; k <= 8; ++k) {
      EXPECT_NEAR(s.PN(k), 3000.0 + c.grad * (centre(k) - 1040.0), 1e-7) << c.icase << " " << k;
      EXPECT_DOUBLE_EQ(s.SWN(k), c.sw);
      EXPECT_DOUBLE_EQ(s.SON(k), c.so);
      EXPECT_NEAR(s.SGN(k), 1 - c.sw - c.so, 1e-15);
      EXPECT_DOUBLE_EQ(s.RSN(k), c.rsn);
    }
    // Layer 1 by hand: centre 1075, 35 ft below the reference.
    EXPECT_NEAR(s.PN(1), 3000.0 + 35.0 * c.grad, 1e-7);
  }
}

TEST(Newint, WaterPressureWithVaryingFactorIsHydrostatic) {
  // Bw falling with pressure: the result satisfies p = p0 + gbar (z - z0)
  // with gbar the mean of the gradients at both ends.
  auto sp = makeState();
  State& s = *sp;
  column(s);
  for (int k = 1; k <= 4; ++k) s.BW(k, 1) = 1.1 - 0.02 * k;
  s.ICASE = 2;
  s.ZREF = 900.0;
  s.PZREF = 2000.0;
  NEWINT(s);
  auto bw = [](double p) { return 1.1 - 0.02 * p / 1000.0; };
  for (int k = 1; k <= 8; ++k) {
    const double p = s.PN(k);
    const double gbar = 0.5 * (GW / bw(2000.0) + GW / bw(p));
    EXPECT_NEAR(p, 2000.0 + gbar * (centre(k) - 900.0), 1e-5) << k;
  }
}

TEST(Newint, Case4GasOverWater) {
  // Gas-liquid curve Pc = 5 (1 - S): PcS = 4, Pc1 = 0; transition top
  // 1047 - 4 / (0.45 - 0.05) = 1037.
  auto sp = makeState();
  State& s = *sp;
  column(s);
  s.ICASE = 4;
  s.ZREF = 1047.0;
  s.PZREF = 2000.0;
  NEWINT(s);
  static constexpr double zt = 1037.0, pt = 2000.0 - GW * 10.0;
  std::vector<Zone> zones = {
      {-INF, zt, [](double) { return 0.2; }, [](double) { return 0.0; },
       [](double d) { return pt + 4 + GG * (d - zt) - 4; }},
      {zt, 1047, [](double d) { return 1 - 4 * (1 - (d - zt) / 10) / 5; }, [](double) { return 0.0; },
       [](double d) { return 2000 + GW * (d - 1047); }},
      {1047, INF, [](double) { return 1.0; }, [](double) { return 0.0; },
       [](double d) { return 2000 + GW * (d - 1047); }},
  };
  expectBlocks(s, zones, "case 4");
  // Hand figures: layer 4 [1040, 1050] is 0.7 transition, 0.3 water.
  EXPECT_NEAR(s.SWN(4), 0.804, 1e-12);
  EXPECT_NEAR(s.PN(4), 1999.1, 1e-9);
  // Layer 5 [1030, 1040] is 0.7 gas, 0.3 transition.
  EXPECT_NEAR(s.SWN(5), 0.236, 1e-12);
  EXPECT_NEAR(s.PN(5), 1995.58, 1e-9);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(s.SON(k), 0.0);
    EXPECT_EQ(s.RSN(k), 0.0);
  }
  EXPECT_DOUBLE_EQ(s.SWN(1), 1.0);
  EXPECT_DOUBLE_EQ(s.SWN(8), 0.2);
}

TEST(Newint, FlatCapillaryCurveGivesSharpContact) {
  auto sp = makeState();
  State& s = *sp;
  column(s);
  for (int k = 1; k <= 5; ++k) s.PCGOI(k, 1) = 0.0;
  s.ICASE = 4;
  s.ZREF = 1047.0;
  s.PZREF = 2000.0;
  NEWINT(s);
  // Layer 4 straddles the contact: 0.7 gas above it, 0.3 water below.
  EXPECT_NEAR(s.SWN(4), 0.7 * 0.2 + 0.3 * 1.0, 1e-12);
  EXPECT_NEAR(s.PN(4), 0.7 * (2000 + GG * (1043.5 - 1047)) + 0.3 * (2000 + GW * 1.5), 1e-9);
  EXPECT_DOUBLE_EQ(s.SWN(5), 0.2);
  EXPECT_DOUBLE_EQ(s.SWN(3), 1.0);
}

TEST(Newint, Case5GasCapOverSaturatedOil) {
  // Oil 0.3 and gas 0.05 on the gas-liquid curve: top 1047 - 4 / 0.25 = 1031.
  auto sp = makeState();
  State& s = *sp;
  column(s);
  s.ICASE = 5;
  s.ZREF = 1047.0;
  s.PZREF = 3000.0;
  s.XREF5 = 123.0;
  NEWINT(s);
  EXPECT_NEAR(s.XREF5, 300.0, 1e-9);  // replaced by Rs(PZREF)
  static constexpr double zt = 1031.0, pt = 3000.0 - GO * 16.0;
  std::vector<Zone> zones = {
      {-INF, zt, [](double) { return 0.2; }, [](double) { return 0.0; },
       [](double d) { return pt + 4 + GG * (d - zt) - 4; }},
      {zt, 1047, [](double) { return 0.2; }, [](double d) { return 1 - 4 * (1 - (d - zt) / 16) / 5 - 0.2; },
       [](double d) { return 3000 + GO * (d - 1047); }},
      {1047, INF, [](double) { return 0.2; }, [](double) { return 0.8; },
       [](double d) { return 3000 + GO * (d - 1047); }},
  };
  expectBlocks(s, zones, "case 5");
  EXPECT_NEAR(s.SON(4), 0.6775, 1e-12);
  EXPECT_NEAR(s.PN(4), 2999.4, 1e-9);
  for (int k = 1; k <= 8; ++k) {
    if (s.SGN(k) >= 1e-6)
      EXPECT_NEAR(s.RSN(k), testing::rsOf(s.PN(k)), 1e-9) << k;
    else
      EXPECT_NEAR(s.RSN(k), 300.0, 1e-9) << k;
  }
  EXPECT_NEAR(s.RSN(4), 299.94, 1e-9);
  EXPECT_NEAR(s.RSN(1), 300.0, 1e-9);  // all oil: the reference ratio
}

// Water-oil curve Pc = 1 + 1.875 (1 - S): PcS = 2.5, Pc1 = 1; undersaturated
// oil 0.3 over water 0.45: transition top 1047 - 1.5 / 0.15 = 1037.
constexpr double kOwTop = 1037.0, kPwRef = 2999.0, kPwTop = kPwRef - GW * 10.0;
double owSw(double d) { return 1 - (2.5 + (d - kOwTop) / 10 * (1 - 2.5) - 1) / 1.875; }

TEST(Newint, Case6UndersaturatedOilOverWater) {
  auto sp = makeState();
  State& s = *sp;
  column(s);
  s.ICASE = 6;
  s.ZREF = 1047.0;
  s.PZREF = 3000.0;
  s.XREF5 = 200.0;
  NEWINT(s);
  std::vector<Zone> zones = {
      {-INF, kOwTop, [](double) { return 0.2; }, [](double) { return 0.8; },
       [](double d) { return kPwTop + 2.5 + GO * (d - kOwTop); }},
      {kOwTop, 1047, owSw, [](double d) { return 1 - owSw(d); },
       [](double d) { return kPwTop + 2.5 + GO * (d - kOwTop); }},
      {1047, INF, [](double) { return 1.0; }, [](double) { return 0.0; },
       [](double d) { return kPwRef + GW * (d - 1047) + 1.0; }},
  };
  expectBlocks(s, zones, "case 6");
  EXPECT_NEAR(s.SWN(5), 0.236, 1e-12);
  EXPECT_NEAR(s.SON(5), 0.764, 1e-12);
  EXPECT_NEAR(s.PN(5), 2996.4, 1e-9);
  for (int k = 1; k <= 8; ++k) EXPECT_DOUBLE_EQ(s.RSN(k), 200.0);
}

TEST(Newint, Case7GasCapOilAndWater) {
  // R = 299.04 has its bubble point at 2990.4, reached 9.6 / 0.3 = 32 ft
  // above ZREF: gas-oil contact 1015. Gas-liquid curve Pc = 2.5 (1 - S)
  // (PcS = 2): gas-liquid transition top 1015 - 2 / 0.25 = 1007.
  auto sp = makeState();
  State& s = *sp;
  column(s);
  for (int k = 1; k <= 5; ++k) s.PCGOI(k, 1) = 2.5 * (1 - s.SLT(k, 1));
  s.ICASE = 7;
  s.ZREF = 1047.0;
  s.PZREF = 3000.0;
  s.XREF5 = 299.04;
  NEWINT(s);
  static constexpr double zgt = 1007.0, zgo = 1015.0, pgt = 2990.4 - GO * 8;
  std::vector<Zone> zones = {
      {-INF, zgt, [](double) { return 0.2; }, [](double) { return 0.0; },
       [](double d) { return pgt + 2 + GG * (d - zgt) - 2; }},
      {zgt, zgo, [](double) { return 0.2; },
       [](double d) { return 1 - 2 * (1 - (d - zgt) / 8) / 2.5 - 0.2; },
       [](double d) { return pgt + GO * (d - zgt); }},
      {zgo, kOwTop, [](double) { return 0.2; }, [](double) { return 0.8; },
       [](double d) { return kPwTop + 2.5 + GO * (d - kOwTop); }},
      {kOwTop, 1047, owSw, [](double d) { return 1 - owSw(d); },
       [](double d) { return kPwTop + 2.5 + GO * (d - kOwTop); }},
      {1047, INF, [](double) { return 1.0; }, [](double) { return 0.0; },
       [](double d) { return kPwRef + GW * (d - 1047) + 1.0; }},
  };
  expectBlocks(s, zones, "case 7");
  // Hand figures: layer 7 [1010, 1020] half gas-oil transition, half oil;
  // layer 8 [1000, 1010] 0.7 gas, 0.3 transition.
  EXPECT_NEAR(s.SON(7), 0.675, 1e-12);
  EXPECT_NEAR(s.PN(7), 2990.4, 1e-9);
  EXPECT_NEAR(s.RSN(7), 299.04, 1e-9);
  EXPECT_NEAR(s.SON(8), 0.045, 1e-12);
  EXPECT_NEAR(s.SGN(8), 0.755, 1e-12);
  EXPECT_NEAR(s.PN(8), 2988.0125, 1e-9);
  EXPECT_NEAR(s.RSN(8), testing::rsOf(2988.0125), 1e-9);
  // Blocks without free gas keep the oil's ratio.
  EXPECT_DOUBLE_EQ(s.RSN(3), 299.04);
  EXPECT_DOUBLE_EQ(s.RSN(1), 299.04);
}

TEST(Newint, Case7OilColumnShorterThanTheWaterOilTransition) {
  // R = 299.85 has its bubble point at 2998.5, reached 1.5 / 0.3 = 5 ft above
  // ZREF: gas-oil contact 1042, below the top the water-oil transition would
  // have on its own (1037). The transition then ends at the contact, where
  // the oil is at its bubble point and the water at its own gradient: both
  // pressures stay hydrostatic through it, and the water saturation at the
  // contact is that of Pc = 1.75 (0.6), not the connate one. Gas-liquid
  // curve Pc = 2.5 (1 - S): its transition top 1042 - 2 / 0.25 = 1034.
  auto sp = makeState();
  State& s = *sp;
  column(s);
  for (int k = 1; k <= 5; ++k) s.PCGOI(k, 1) = 2.5 * (1 - s.SLT(k, 1));
  s.ICASE = 7;
  s.ZREF = 1047.0;
  s.PZREF = 3000.0;
  s.XREF5 = 299.85;
  NEWINT(s);
  static constexpr double zgt = 1034.0, zgo = 1042.0, pgt = 2998.5 - GO * 8;
  std::vector<Zone> zones = {
      {-INF, zgt, [](double) { return 0.2; }, [](double) { return 0.0; },
       [](double d) { return pgt + 2 + GG * (d - zgt) - 2; }},
      {zgt, zgo, [](double) { return 0.2; },
       [](double d) { return 1 - 2 * (1 - (d - zgt) / 8) / 2.5 - 0.2; },
       [](double d) { return pgt + GO * (d - zgt); }},
      {zgo, 1047, [](double d) { return 1 + 0.15 * (d - 1047) / 1.875; },
       [](double d) { return -0.15 * (d - 1047) / 1.875; },
       [](double d) { return 3000 + GO * (d - 1047); }},
      {1047, INF, [](double) { return 1.0; }, [](double) { return 0.0; },
       [](double d) { return kPwRef + GW * (d - 1047) + 1.0; }},
  };
  expectBlocks(s, zones, "short oil column");
  // Layer 4 [1040, 1050]: 0.2 gas-oil transition, 0.5 water-oil transition
  // (water 0.8 at its middle 1044.5), 0.3 water.
  EXPECT_NEAR(s.SWN(4), 0.2 * 0.2 + 0.5 * 0.8 + 0.3, 1e-12);
}

// Pressure at depth d of a phase with gradient g(p), from p0 at z0 with the
// reference gradient g0: the fixed point p = p0 + (g0 + g(p)) / 2 * (d - z0),
// found here by plain substitution.
template <typename G>
double hydrostatic(double d, double z0, double p0, double g0, const G& g) {
  double p = p0;
  for (int it = 0; it < 200; ++it) p = p0 + 0.5 * (g0 + g(p)) * (d - z0);
  return p;
}

TEST(Newint, FactorsLookedUpAtTheZonePressures) {
  // Flat capillary curves put the contact at ZREF; formation volume factors
  // that vary with pressure show at which pressure each zone looks them up:
  // gas over water (case 4) looks the water factor up at the water pressure
  // and the gas factor at the gas pressure less PcS; oil over water (case 6)
  // looks the water factor up at PZREF for the reference gradient and at the
  // water pressure plus Pc1 in the water zone.
  static auto bw = [](double p) { return 1.5 - 1e-4 * p; };
  static auto bg = [](double p) { return 0.005 - 1e-6 * p; };
  const double gwsc = 0.45, ggsc = 0.0001;
  auto prepare = [&](State& s) {
    column(s);
    for (int k = 1; k <= 4; ++k) {
      s.BW(k, 1) = bw(s.PRES(k, 1));
      s.BG(k, 1) = bg(s.PRES(k, 1));
    }
  };
  auto gw = [&](double p) { return gwsc / bw(p); };
  {
    auto sp = makeState();
    State& s = *sp;
    prepare(s);
    for (int k = 1; k <= 5; ++k) s.PCGOI(k, 1) = 4.0;  // PcS = Pc1 = 4
    s.ICASE = 4;
    s.ZREF = 1047.0;
    s.PZREF = 2000.0;
    NEWINT(s);
    for (int k : {1, 2, 3}) {  // entirely below ZREF: water
      const double pw = hydrostatic(centre(k), 1047.0, 2000.0, gw(2000.0), gw);
      EXPECT_NEAR(s.PN(k), pw, 1e-7) << k;
      EXPECT_DOUBLE_EQ(s.SWN(k), 1.0);
    }
    auto ggShift = [&](double p) { return ggsc / bg(p - 4.0); };
    for (int k : {5, 6, 7, 8}) {  // entirely above: gas at connate water
      const double pg = hydrostatic(centre(k), 1047.0, 2004.0, ggShift(2004.0), ggShift);
      EXPECT_NEAR(s.PN(k), pg - 4.0, 1e-7) << k;
      EXPECT_DOUBLE_EQ(s.SWN(k), 0.2);
    }
  }
  {
    auto sp = makeState();
    State& s = *sp;
    prepare(s);
    for (int k = 1; k <= 5; ++k) s.PCOWI(k, 1) = 20.0;  // PcS = Pc1 = 20
    s.ICASE = 6;
    s.ZREF = 1047.0;
    s.PZREF = 3000.0;
    s.XREF5 = 200.0;
    NEWINT(s);
    auto gwShift = [&](double p) { return gwsc / bw(p + 20.0); };
    for (int k : {1, 2, 3}) {
      const double pw = hydrostatic(centre(k), 1047.0, 2980.0, gw(3000.0), gwShift);
      EXPECT_NEAR(s.PN(k), pw + 20.0, 1e-7) << k;
      EXPECT_DOUBLE_EQ(s.SWN(k), 1.0);
    }
    for (int k : {5, 6, 7, 8}) {  // oil of constant gradient 0.3 (CO = 0)
      EXPECT_NEAR(s.PN(k), 3000.0 + GO * (centre(k) - 1047.0), 1e-7) << k;
      EXPECT_DOUBLE_EQ(s.SWN(k), 0.2);
      EXPECT_DOUBLE_EQ(s.RSN(k), 200.0);
    }
  }
}

TEST(Newint, Case7WithReferenceBelowTheBubblePointKeepsZonesInOrder) {
  // R = 350 has its bubble point at 3500, above the reference oil pressure:
  // the gas-oil contact would fall below ZREF. It is held at ZREF, so the
  // zones stay in depth order: water below ZREF, gas-oil transition and gas
  // above it.
  auto sp = makeState();
  State& s = *sp;
  column(s);
  s.ICASE = 7;
  s.ZREF = 1047.0;
  s.PZREF = 3000.0;
  s.XREF5 = 350.0;
  NEWINT(s);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_TRUE(std::isfinite(s.PN(k))) << k;
    EXPECT_GE(s.SWN(k), 0.2 - 1e-12) << k;
    EXPECT_LE(s.SWN(k), 1.0 + 1e-12) << k;
    EXPECT_GE(s.SON(k), -1e-12) << k;
    EXPECT_GE(s.SGN(k), -1e-12) << k;
    EXPECT_NEAR(s.SWN(k) + s.SON(k) + s.SGN(k), 1.0, 1e-12) << k;
  }
  for (int k : {1, 2, 3}) {
    EXPECT_DOUBLE_EQ(s.SWN(k), 1.0) << k;
    EXPECT_NEAR(s.PN(k), 2999.0 + GW * (centre(k) - 1047.0) + 1.0, 1e-7) << k;
  }
  // Gas-liquid transition above the contact: top 1047 - 4 / 0.25 = 1031.
  EXPECT_NEAR(s.SGN(8), 0.8, 1e-12);
  EXPECT_NEAR(s.SGN(7), 0.8, 1e-12);
  EXPECT_GT(s.SON(5), 0.0);
}

// The undersaturated cases warn, once per PVT region, when the bubble point
// of XREF5 lies above the reference oil pressure; a ratio whose bubble point
// lies below it, and the other cases, say nothing.
TEST(Newint, BubblePointAboveTheReferencePressureIsWarnedAbout) {
  struct Case {
    int icase;
    double xref5;
    bool warns;
  } cases[] = {{1, 350.0, true}, {6, 350.0, true}, {7, 350.0, true}, {1, 200.0, false},
               {6, 200.0, false}, {7, 200.0, false}, {2, 350.0, false}, {5, 350.0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(c.icase) + ", XREF5 " + std::to_string(c.xref5));
    auto sp = makeState();
    State& s = *sp;
    column(s);
    s.ICASE = c.icase;
    s.ZREF = 1047.0;
    s.PZREF = 3000.0;
    s.XREF5 = c.xref5;
    s.RUNFILE[0] = "eq.txt";
    s.LINEQL = 27;
    testing::WarningCapture capture;
    NEWINT(s);
    const std::vector<std::string>& warnings = capture.lines();
    ASSERT_EQ(warnings.size(), c.warns ? 1u : 0u);
    if (!c.warns) continue;
    EXPECT_EQ(warnings[0].rfind("talvek: warning: eq.txt:27: data group DATA 09B, item XREF5: the bubble point of oil "
                                "of solution ratio 350 in PVT region 1 is 3500, above the oil pressure PREF = 3000 at "
                                "ZREF: ",
                                0),
              0u)
        << warnings[0];
    EXPECT_NE(warnings[0].find("give XREF5 at most 300 (the solution ratio at PREF) or PREF at least 3500"),
              std::string::npos)
        << warnings[0];
  }
}

// Every PVT region whose bubble point of XREF5 lies above the reference
// pressure is named, each with its own largest ratio that fits: five regions
// of one table each.
TEST(Newint, BubblePointAboveTheReferencePressureIsNamedForEveryRegion) {
  auto sp = makeState();
  State& s = *sp;
  column(s);
  constexpr int kRegions = 5;
  s.NPVTRGN = kRegions;
  for (int r = 2; r <= kRegions; ++r) {
    s.NRPVT(r) = s.NRPVT(1);
    for (int k = 1; k <= s.NRPVT(1); ++k) {
      s.PRES(k, r) = s.PRES(k, 1);
      s.RST(k, r) = s.RST(k, 1);
      s.BO(k, r) = s.BO(k, 1);
      s.BW(k, r) = s.BW(k, 1);
      s.BG(k, r) = s.BG(k, 1);
    }
    s.CO(r) = s.CO(1);
    s.GRADW(r) = s.GRADW(1);
    s.GRADO(r) = s.GRADO(1);
    s.GRADG(r) = s.GRADG(1);
  }
  for (int n = 1; n <= s.NGPACT; ++n) s.NPVTGN(n) = std::min(n, kRegions);
  s.ICASE = 1;
  s.ZREF = 1047.0;
  s.PZREF = 3000.0;
  s.XREF5 = 350.0;
  s.RUNFILE[0] = "eq.txt";
  s.LINEQL = 27;
  testing::WarningCapture capture;
  NEWINT(s);
  const std::vector<std::string>& warnings = capture.lines();
  ASSERT_EQ(warnings.size(), static_cast<std::size_t>(kRegions));
  for (int r = 1; r <= kRegions; ++r)
    EXPECT_NE(warnings[static_cast<std::size_t>(r - 1)].find("of solution ratio 350 in PVT region " + std::to_string(r) +
                                                             " is 3500,"),
              std::string::npos)
        << warnings[static_cast<std::size_t>(r - 1)];
}

TEST(Newint, OtherCasesChangeNothing) {
  for (int icase : {0, 8, -1}) {
    auto sp = makeState();
    State& s = *sp;
    column(s);
    s.ICASE = icase;
    s.ZREF = 1047.0;
    s.PZREF = 3000.0;
    NEWINT(s);
    for (int k = 1; k <= 8; ++k) {
      EXPECT_EQ(s.PN(k), -1.0);
      EXPECT_EQ(s.SWN(k), -1.0);
      EXPECT_EQ(s.RSN(k), -1.0);
    }
  }
}

}  // namespace
}  // namespace talvek
