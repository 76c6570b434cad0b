// Initial state and fluids in place, against hand computations on two blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "grid/grid_fixture.h"
#include "init/equifit.h"
#include "init/init_fixture.h"
#include "init/initial.h"
#include "io/errors.h"

namespace talvek {
namespace {

using testing::bgOf;
using testing::boOf;
using testing::boOfRs;
using testing::bwOf;
using testing::pbOf;
using testing::rsOf;

// Block 1 holds free gas at 2500; block 2 is undersaturated at 3000.
void twoBlocks(State& s) {
  testing::layGrid(s, 2, 1, 1);
  testing::linearTables(s);
  s.KEQW = s.KEQO = s.KEQG = s.KEQP = 1;
  s.CPHI = 4e-6;
  s.PREF = 2000.0;
  s.DENR = 150.0;
  s.SORW(1) = 0.2;
  s.SORG(1) = 0.15;
  const double pn[2] = {2500, 3000}, son[2] = {0.5, 0.7}, swn[2] = {0.45, 0.2}, sgn[2] = {0.05, 0.0},
               spn[2] = {0.0, 0.1}, rsn[2] = {999.0, 150.0}, vb[2] = {1000, 2000}, crp[2] = {2e-5, 0.0};
  for (int n = 1; n <= 2; ++n) {
    s.NKRGN(n) = s.NPVTGN(n) = 1;
    s.PN(n) = pn[n - 1];
    s.SON(n) = son[n - 1];
    s.SWN(n) = swn[n - 1];
    s.SGN(n) = sgn[n - 1];
    s.SPN(n) = spn[n - 1];
    s.RSN(n) = rsn[n - 1];
    s.VB(n) = vb[n - 1];
    s.PHI(n) = 0.25;
    s.HNET(n) = 10.0;
    s.CONCP(n) = 500.0;
    s.CONCT(n) = 20.0;
    s.CRP(n) = crp[n - 1];
  }
}

TEST(Inital, PhaseStateAndFluidsInPlaceByHand) {
  auto sp = makeState();
  State& s = *sp;
  twoBlocks(s);
  // Leftovers the initial state must clear: run totals, per-block
  // cumulatives and the aquifer's cumulative exchange.
  for (int c = 1; c <= 6; ++c) {
    s.CUMINJ(c) = s.CUMPRD(c) = s.CUMAQ(c) = s.CUMNET(c) = 7.0;
    for (int n = 1; n <= 2; ++n) s.CUMPB(c, n) = s.CUMIB(c, n) = 7.0;
  }
  s.CUMAQR = 7.0;
  s.WECUM(1) = s.WECUM(2) = 7.0;
  s.INOIL = s.INPMAS = 7.0;
  INITAL(s);
  for (int c = 1; c <= 6; ++c) {
    EXPECT_EQ(s.CUMINJ(c) + s.CUMPRD(c) + s.CUMAQ(c) + s.CUMNET(c), 0.0) << c;
    for (int n = 1; n <= 2; ++n) EXPECT_EQ(s.CUMPB(c, n) + s.CUMIB(c, n), 0.0) << c << " " << n;
  }
  EXPECT_EQ(s.CUMAQR, 0.0);
  EXPECT_EQ(s.WECUM(1), 0.0);
  EXPECT_EQ(s.WECUM(2), 0.0);

  // Block 1: free gas; its deck RS (999) is replaced by the saturated value.
  const double bo1 = boOf(2500), bg1 = bgOf(2500), bw1 = bwOf(2500);
  EXPECT_EQ(s.ISATN(1), 1);
  EXPECT_DOUBLE_EQ(s.EPSX2(1), 0.001);
  EXPECT_NEAR(s.RSN(1), 250.0, 1e-9);
  EXPECT_NEAR(s.BON(1), bo1, 1e-12);
  EXPECT_NEAR(s.BGN(1), bg1, 1e-15);
  EXPECT_NEAR(s.BWN(1), bw1, 1e-12);
  const double rstot1 = 0.05 * bo1 / (0.5 * bg1 + 1e-6) + 250.0;
  EXPECT_NEAR(s.RSTOT(1), rstot1, 1e-9);
  EXPECT_NEAR(s.PBUBL(1), pbOf(rstot1), 1e-7);
  EXPECT_NEAR(s.BOBUB(1), boOfRs(rstot1), 1e-12);

  // Block 2: undersaturated, oil compressed above its bubble point.
  EXPECT_EQ(s.ISATN(2), 0);
  EXPECT_DOUBLE_EQ(s.EPSX2(2), 1.0);
  EXPECT_DOUBLE_EQ(s.RSN(2), 150.0);
  EXPECT_NEAR(s.PBUBL(2), 1500.0, 1e-9);
  EXPECT_NEAR(s.BOBUB(2), boOfRs(150.0), 1e-12);
  EXPECT_NEAR(s.BON(2), boOfRs(150.0) / (1500.0 * 1e-5 + 1.0), 1e-12);
  EXPECT_DOUBLE_EQ(s.RSTOT(2), 150.0);

  // Volumes in place.
  double pvo = 1e-51, pvw = 1e-51, pvg = 1e-51, inoil = 0, inwat = 0, ingas = 0, inpoly = 0, recoil = 1e-51,
         inpmas = 0;
  for (int n = 1; n <= 2; ++n) {
    const double phin = 0.25 * (1 + 4e-6 * (s.PN(n) - 2000.0));
    EXPECT_NEAR(s.PHIN(n), phin, 1e-15);
    EXPECT_NEAR(s.SA(n), s.SWN(n) + s.SPN(n), 1e-15);
    const double v = s.VB(n) * phin;
    const double vo = v / s.BON(n), vw = v / s.BWN(n), vg = v / s.BGN(n);
    EXPECT_NEAR(s.STOIP(n), vo * s.SON(n), 1e-9);
    EXPECT_NEAR(s.OIPH(n), 10.0 * phin * s.SON(n) / s.BON(n), 1e-12);
    EXPECT_NEAR(s.WIP(n), vw * s.SWN(n), 1e-9);
    EXPECT_NEAR(s.PSIP(n), vw * s.SPN(n), 1e-9);
    EXPECT_NEAR(s.GIP(n), vg * s.SGN(n) + s.RSN(n) * vo * s.SON(n), 1e-6);
    EXPECT_NEAR(s.RMASS(n), 0.75 * s.VB(n) * 150.0, 1e-9);
    const double cpmf = 500e-6 * 62.4;
    EXPECT_NEAR(s.CPMF(n), cpmf, 1e-15);
    EXPECT_NEAR(s.CTMF(n), 20e-6 * 62.4, 1e-15);
    EXPECT_NEAR(s.PMIP(n), v * s.SPN(n) * cpmf / s.BWN(n) + s.RMASS(n) * s.CRP(n), 1e-9);
    pvo += vo;
    pvw += vw;
    pvg += vg;
    inoil += vo * s.SON(n);
    inwat += vw * s.SWN(n);
    inpoly += vw * s.SPN(n);
    ingas += s.GIP(n);
    recoil += (s.SON(n) - 0.15) * vo;  // all three phases on: min(SORW, SORG)
    inpmas += s.PMIP(n);
  }
  EXPECT_NEAR(s.PVOT, pvo, 1e-9);
  EXPECT_NEAR(s.PVWT, pvw, 1e-9);
  EXPECT_NEAR(s.PVPT, pvw, 1e-9);
  EXPECT_NEAR(s.PVGT, pvg, 1e-6);
  EXPECT_NEAR(s.INOIL, inoil, 1e-9);
  EXPECT_NEAR(s.INWATER, inwat, 1e-9);
  EXPECT_NEAR(s.INPOLY, inpoly, 1e-9);
  EXPECT_NEAR(s.INGAS, ingas, 1e-6);
  EXPECT_NEAR(s.RECOIL, recoil, 1e-9);
  EXPECT_NEAR(s.INPMAS, inpmas, 1e-9);
  // A hand figure for block 2's oil: VB*PHIN*SO/BO.
  EXPECT_NEAR(s.STOIP(2), 2000 * 0.25 * 1.004 * 0.7 / (boOfRs(150.0) / 1.015), 1e-9);

  // Resistance factors: block 1 above the first retention row, block 2 on it.
  EXPECT_NEAR(s.RFB(1), 1.4, 1e-12);
  EXPECT_NEAR(s.RRFB(1), 1.2, 1e-12);
  EXPECT_DOUBLE_EQ(s.RFB(2), 1.0);
  EXPECT_DOUBLE_EQ(s.RRFB(2), 1.0);
  EXPECT_NEAR(s.PI, 3.14159265358979, 1e-13);
}

TEST(Inital, ThresholdOfFreeGasAndPolymerOff) {
  auto sp = makeState();
  State& s = *sp;
  twoBlocks(s);
  s.SGN(1) = 1.0E-6;  // exactly the threshold: no free gas
  s.RSN(1) = 120.0;
  s.KEQP = 0;
  INITAL(s);
  EXPECT_EQ(s.ISATN(1), 0);
  EXPECT_DOUBLE_EQ(s.RSN(1), 120.0);
  EXPECT_DOUBLE_EQ(s.RFB(1), 1.0);
  EXPECT_DOUBLE_EQ(s.RRFB(1), 1.0);
}

TEST(Inital, StateThatIsNotFiniteStops) {
  // Extreme deck values (equilibrium references, oil compressibility) can
  // give an initial state with infinities or a volume factor that is not
  // positive: the run stops naming the deck and the block.
  struct Case {
    const char* what;
    void (*spoil)(State&);
    const char* want;
  };
  const Case cases[] = {
      {"infinite pressure", [](State& s) { s.PN(2) = HUGE_VAL; }, "initial pressure P of block (2,1,1) is inf;"},
      {"no solution ratio", [](State& s) { s.RSN(1) = std::nan(""); s.SGN(1) = 0.0; },
       "initial solution gas-oil ratio RS of block (1,1,1) is nan;"},
      {"undersaturated oil compressed below zero volume", [](State& s) { s.CO(1) = -1.0; },
       "initial oil formation volume factor BO of block (2,1,1) is -"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto sp = makeState();
    State& s = *sp;
    twoBlocks(s);
    s.FINPUT.set(std::string("init.dat"));
    for (int n = 1; n <= 2; ++n) {
      s.IJK(1, n) = n;
      s.IJK(2, n) = s.IJK(3, n) = 1;
    }
    c.spoil(s);
    try {
      INITAL(s);
      ADD_FAILURE() << "no stop";
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_EQ(m.rfind("deck init.dat: ", 0), 0u) << m;
      EXPECT_NE(m.find(c.want), std::string::npos) << m;
      EXPECT_NE(m.find("DATA 09B"), std::string::npos) << m;
    }
  }
}

TEST(Inital, FreeGasWithoutGasEquationLeavesOilUndersaturated) {
  // Block 1 holds gas (SGN = 0.05), but with the gas equation off that gas is
  // a fixed saturation: the oil stays undersaturated at its deck solution
  // ratio, its volume factor from the bubble point and the compressibility.
  auto sp = makeState();
  State& s = *sp;
  twoBlocks(s);
  s.KEQG = 0;
  s.RSN(1) = 150.0;
  INITAL(s);
  EXPECT_EQ(s.ISATN(1), 0);
  EXPECT_DOUBLE_EQ(s.EPSX2(1), 1.0);
  EXPECT_DOUBLE_EQ(s.RSN(1), 150.0);
  EXPECT_DOUBLE_EQ(s.RSTOT(1), 150.0);
  EXPECT_NEAR(s.PBUBL(1), pbOf(150.0), 1e-9);
  EXPECT_NEAR(s.BON(1), boOfRs(150.0) / ((2500.0 - pbOf(150.0)) * s.CO(1) + 1.0), 1e-12);
  // With the gas equation on, the same block is saturated.
  auto sp2 = makeState();
  State& t = *sp2;
  twoBlocks(t);
  t.RSN(1) = 150.0;
  INITAL(t);
  EXPECT_EQ(t.ISATN(1), 1);
}

// A block without oil and without free gas (a water zone) has no solution
// ratio to solve for: with the oil and gas equations on it starts saturated
// (its unknown the oil saturation), its deck ratio and fluids in place kept.
TEST(Inital, BlockWithoutOilStartsSaturatedWithTheGasEquation) {
  struct Case {
    const char* what;
    double son;
    int keqo, keqg;
    int isatn;
  };
  const Case cases[] = {
      {"water zone, oil and gas on", 0.0, 1, 1, 1},
      {"oil saturation at the no-oil limit", 1.0E-6, 1, 1, 1},
      {"oil saturation just above it", 2.0E-6, 1, 1, 0},
      {"water zone, gas equation off", 0.0, 1, 0, 0},
      {"water zone, oil equation off", 0.0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    twoBlocks(s);
    s.KEQO = c.keqo;
    s.KEQG = c.keqg;
    s.SON(2) = c.son;
    s.SWN(2) = 1.0 - c.son - s.SPN(2);
    s.RSN(2) = 120.0;  // whatever ratio the deck gives the water zone
    INITAL(s);
    EXPECT_EQ(s.ISATN(2), c.isatn) << c.what;
    EXPECT_DOUBLE_EQ(s.EPSX2(2), c.isatn == 1 ? 0.001 : 1.0) << c.what;
    EXPECT_DOUBLE_EQ(s.RSN(2), 120.0) << c.what;
    EXPECT_NEAR(s.BON(2), boOfRs(120.0) / ((3000.0 - pbOf(120.0)) * s.CO(1) + 1.0), 1e-12) << c.what;
    EXPECT_NEAR(s.GIP(2), 120.0 * s.STOIP(2), 1e-9) << c.what;
  }
}

TEST(Inital, ResidualOilByEquationSwitches) {
  struct Case {
    int w, o, g;
    double sorw, sorg, want;
  } cases[] = {{1, 1, 1, 0.2, 0.15, 0.15}, {1, 1, 1, 0.1, 0.25, 0.1}, {1, 1, 0, 0.2, 0.15, 0.2},
               {0, 1, 1, 0.2, 0.15, 0.15}, {1, 0, 1, 0.2, 0.15, 0.0}};
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    twoBlocks(s);
    s.KEQW = c.w;
    s.KEQO = c.o;
    s.KEQG = c.g;
    s.SORW(1) = c.sorw;
    s.SORG(1) = c.sorg;
    INITAL(s);
    double want = 1e-51;
    for (int n = 1; n <= 2; ++n) want += (s.SON(n) - c.want) * s.STOIP(n) / s.SON(n);
    EXPECT_NEAR(s.RECOIL, want, 1e-9) << c.w << c.o << c.g;
  }
}

TEST(Inital, EquispacedFitsGiveTheSameState) {
  auto a = makeState();
  auto b = makeState();
  twoBlocks(*a);
  twoBlocks(*b);
  b->IQUAD = 1;
  b->NINTBLE = 4;
  PREQFT(*b);
  INITAL(*a);
  INITAL(*b);
  for (int n = 1; n <= 2; ++n) {
    EXPECT_EQ(a->ISATN(n), b->ISATN(n));
    EXPECT_NEAR(a->RSN(n), b->RSN(n), 1e-9);
    EXPECT_NEAR(a->BON(n), b->BON(n), 1e-12);
    EXPECT_NEAR(a->BWN(n), b->BWN(n), 1e-12);
    EXPECT_NEAR(a->BGN(n), b->BGN(n), 1e-12);
    EXPECT_NEAR(a->PBUBL(n), b->PBUBL(n), 1e-7);
    EXPECT_NEAR(a->RFB(n), b->RFB(n), 1e-12);
  }
  EXPECT_NEAR(a->INOIL, b->INOIL, 1e-8);
}

TEST(Inital, AquiferSharesByHand) {
  auto sp = makeState();
  State& s = *sp;
  testing::layGrid(s, 4, 1, 1);
  testing::linearTables(s);
  for (int n = 1; n <= 4; ++n) {
    s.NKRGN(n) = s.NPVTGN(n) = 1;
    s.PN(n) = 2000;
    s.SWN(n) = 1.0;
    s.VB(n) = 100;
    s.PHI(n) = 0.2;
    s.HNET(n) = 5.0;
    s.KX(n) = 100;
    s.KY(n) = 50;
    s.KZ(n) = 10;
    s.BBLKWT(n) = 2.0;
  }
  for (int l = 1; l <= 4; ++l) {
    s.DX(l) = 20;
    s.DY(l) = 30;
  }
  s.INFBLK(1) = 1;  // 2*5*30*100 = 30000
  s.INFBLK(2) = 6;  // 2*2*5*(30*100 + 20*50) = 80000
  s.INFBLK(3) = 7;  // 2*20*30*10 = 12000
  s.INFBLK(4) = 0;  // none, weight reset
  s.C1 = 5.6146;
  s.C2 = 0.001127;
  s.AQFH = 20;
  s.AQKH = 500;
  s.AQRW = 1000;
  s.AQRE = 5000;
  s.ANGLE = 180;
  s.AQCWE = 1e-5;
  s.AQMUW = 0.5;
  const double pi = 4 * std::atan(1.0);
  const double k1 = pi * 1e-5 * 20 * (5000.0 * 5000 - 1000.0 * 1000) * 0.5 / 5.6146;
  const double k2 = 2 * pi * 0.001127 * 500 * 0.5 / (std::log(5.0) * 0.5);
  const double k3 = 2 * pi * 20 * 1e-5 * 1000.0 * 1000 * 0.5 / 5.6146;
  const double shares[4] = {30000, 80000, 12000, 0};
  const double sum = 122000;
  struct Case {
    int idaqfr;
    double k;
  } cases[] = {{2, k1}, {3, k2}, {4, k3}};
  for (const auto& c : cases) {
    s.IDAQFR = c.idaqfr;
    s.BBLKWT(4) = 2.0;
    INITAL(s);
    for (int n = 1; n <= 4; ++n) EXPECT_NEAR(s.AQCOEF(n), c.k * shares[n - 1] / sum, 1e-9 * c.k) << n;
    EXPECT_DOUBLE_EQ(s.BBLKWT(4), 0.0);
    EXPECT_NEAR(s.REDAQ, 5.0, 1e-12);
    EXPECT_NEAR(s.TDFAC, 5.6146 * 0.001127 * 500 / (0.5 * 20 * 1e-5 * 1e6), 1e-12);
  }
  // An aquifer whose outer radius does not exceed its inner one stops, and so
  // does a reservoir radius given as 0 (stored as 1.0E-51 by the reader); the
  // message shows the deck values.
  s.FINPUT.set(std::string("aq.dat"));
  s.LINAQ = 23;
  const struct {
    double aqrw, aqre;
    const char* shown;
    const char* where;
  } bad[] = {{1000.0, 1000.0, "AQRW = 1000 and aquifer external radius AQRE = 1000;",
              "aq.dat:23: data group DATA 08B, item AQRE: "},
             {1.0E-51, 5000.0 + 1.0E-51, "AQRW = 0 and aquifer external radius AQRE = 5000;",
              "aq.dat:23: data group DATA 08B, item AQRW: "}};
  for (const auto& c : bad) {
    s.AQRW = c.aqrw;
    s.AQRE = c.aqre;
    try {
      INITAL(s);
      FAIL();
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find(c.where), std::string::npos) << m;
      EXPECT_NE(m.find(c.shown), std::string::npos) << m;
    }
  }
  // No aquifer: nothing is computed.
  auto sp2 = makeState();
  State& t = *sp2;
  testing::layGrid(t, 1, 1, 1);
  testing::linearTables(t);
  t.NKRGN(1) = t.NPVTGN(1) = 1;
  t.PN(1) = 2000;
  t.INFBLK(1) = 1;
  t.BBLKWT(1) = 3.0;
  t.IDAQFR = 1;
  INITAL(t);
  EXPECT_EQ(t.AQCOEF(1), 0.0);
  EXPECT_EQ(t.BBLKWT(1), 3.0);
}

// Input that makes the chosen model's constant, the unsteady model's time
// factor or its influence function where the boundary is first felt (when
// the run gets there) infinite or not a number stops with the deck and the
// deck values. An aquifer whose boundary the run never feels is accepted
// however large it is (shown as ""), and its influx block gets a finite
// coefficient.
TEST(Inital, AquiferConstantsMustBeFinite) {
  struct Case {
    const char* what;
    int idaqfr;
    double aqfh, aqkh, aqrw, aqre, aqcwe;
    const char* shown;
  } cases[] = {
      {"pot holding more than a double", 2, 1e300, 500, 1000, 5000, 1e300, "pot constant is inf"},
      {"time factor of a storage-less aquifer", 4, 1e-200, 500, 1000, 5000, 1e-200,
       "dimensionless time factor is inf"},
      {"radius ratio of 1E30 felt within the run", 4, 20, 500, 1.0, 1e30, 1e-57,
       "influence function at the aquifer boundary"},
      {"radius ratio of 1E30, an infinite aquifer", 4, 20, 500, 1.0, 1e30, 1e-5, ""},
      {"radius ratio of 1E80", 4, 20, 500, 1.0, 1e80, 1e-5, ""},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    testing::layGrid(s, 1, 1, 1);
    testing::linearTables(s);
    s.NKRGN(1) = s.NPVTGN(1) = 1;
    s.PN(1) = 2000;
    s.SWN(1) = 1.0;
    s.VB(1) = 100;
    s.PHI(1) = 0.2;
    s.HNET(1) = 5.0;
    s.KX(1) = s.KY(1) = s.KZ(1) = 100;
    s.DX(1) = s.DY(1) = 20;
    s.INFBLK(1) = 1;
    s.BBLKWT(1) = 1.0;
    s.C1 = 5.6146;
    s.C2 = 0.001127;
    s.FINPUT.set(std::string("aq.dat"));
    s.LINAQ = 17;
    s.IDAQFR = c.idaqfr;
    s.AQFH = c.aqfh;
    s.AQKH = c.aqkh;
    s.AQRW = c.aqrw;
    s.AQRE = c.aqre;
    s.ANGLE = 360;
    s.AQCWE = c.aqcwe;
    s.AQMUW = 0.5;
    s.TMTOTAL = 1.0E4;
    try {
      INITAL(s);
      if (*c.shown != '\0') ADD_FAILURE() << c.what << ": no stop";
      EXPECT_TRUE(std::isfinite(s.AQCOEF(1)) && s.AQCOEF(1) > 0.0) << c.what << ": " << s.AQCOEF(1);
    } catch (const RunError& e) {
      if (*c.shown == '\0') ADD_FAILURE() << c.what << ": " << e.what();
      const std::string m = e.what();
      EXPECT_NE(m.find("aq.dat:17: data group DATA 08B, item "), std::string::npos) << c.what << ": " << m;
      EXPECT_NE(m.find(c.shown), std::string::npos) << c.what << ": " << m;
    }
  }
}

}  // namespace
}  // namespace talvek
