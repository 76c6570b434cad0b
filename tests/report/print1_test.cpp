// The initial report: golden listings of a small Cartesian and a small
// radial state, and the parts that depend on IPRINT, the print switches and
// the aquifer.
#include <cmath>

#include "report/print1.h"
#include "report_fixture.h"

namespace talvek {
namespace {

using test::Capture;

void runControl(State& s) {
  s.IRSTRT = 0;
  s.TMTOTAL = 365.0;
  s.TMSTOP = 300.0;
  s.INOUTP = 1;
  s.NFRRES = 5;
  s.NFRWEL = 10;
  s.NFRARY = 20;
  s.NWRITE = 1;
  for (int i = 1; i <= 12; ++i) s.IPRNT(i) = 1;
  s.IQUAD = 0;
  s.METHOD = 1;
  s.NXYZORD = 2;
  s.KEQW = 2, s.KEQO = 3, s.KEQG = 4, s.KEQP = 1;
  s.NEQN = s.NUKN = 4;
  s.IQP = 1, s.IQW = 2, s.IQO = 3, s.IQG = 4;
  s.ISP = 1, s.ISW = 2, s.ISO = 3, s.IPO = 4;
  s.DENR = 165.0 * s.C1;
  s.CPHI = 3.0e-6;
  s.PREF = 14.7;
  s.OMEGAMIX = 2.0 / 3.0;
  s.DEPTH1 = 5000.0;
  s.SINX = 0.1;
  s.SINY = 0.0;
  s.IDAQFR = 1;
  s.INOIL = 1.23456789e6;
  s.RECOIL = 6.5e5;
  s.INWATER = 4.4e5;
  s.INGAS = 7.5e8;
  s.INPOLY = 1.0e-51;
  s.DTMAX = 30.0, s.DTMIN = 0.01, s.RERORP = 0.05;
  s.DELPO = 500.0, s.DELRS = 300.0, s.DELSAT = 0.05;
  s.MATBAK = 2;
  s.IPRINT = 0;
}

void tables(State& s) {
  s.NKRRGN = 1;
  const double wo[3][5] = {{0.2, 0.0, 0.9, 5.0, 5.0}, {0.5, 0.1, 0.3, 1.0, 2.0}, {0.8, 0.4, 0.0, 0.0, 0.0}};
  for (int i = 1; i <= 3; ++i) {
    s.SWT(i, 1) = wo[i - 1][0];
    s.KRW(i, 1) = wo[i - 1][1];
    s.KROW(i, 1) = wo[i - 1][2];
    s.PCOW(i, 1) = wo[i - 1][3];
    s.PCOWI(i, 1) = wo[i - 1][4];
  }
  s.NRWO(1) = 3;
  s.ONEWO(1) = 0;
  // A gas-liquid table given as one row and padded to two.
  for (int i = 1; i <= 2; ++i) {
    s.SLT(i, 1) = 1.0 + (i - 1) * 1.0e-6;
    s.KRG(i, 1) = 0.0;
    s.KROG(i, 1) = 1.0;
    s.PCGO(i, 1) = 0.0;
    s.PCGOI(i, 1) = 0.0;
  }
  s.NRGO(1) = 2;
  s.ONEGO(1) = 1;
  s.NPVTRGN = 1;
  const double pvt[3][8] = {{14.7, 1.0, 1.03, 1.06, 0.2, 0.5, 2.5, 0.012},
                            {1500.0, 350.0, 1.02, 1.20, 0.0018, 0.5, 1.2, 0.016},
                            {4000.0, 900.0, 1.01, 1.45, 0.0007, 0.5, 0.7, 0.025}};
  for (int i = 1; i <= 3; ++i) {
    s.PRES(i, 1) = pvt[i - 1][0];
    s.RST(i, 1) = pvt[i - 1][1];
    s.BW(i, 1) = pvt[i - 1][2];
    s.BO(i, 1) = pvt[i - 1][3];
    s.BG(i, 1) = pvt[i - 1][4];
    s.MUW(i, 1) = pvt[i - 1][5];
    s.MUO(i, 1) = pvt[i - 1][6];
    s.MUG(i, 1) = pvt[i - 1][7];
  }
  s.NRPVT(1) = 3;
  s.ONEPVT(1) = 0;
  s.GAMAW(1) = 1.05;
  s.GAMAG(1) = 0.75;
  s.OILAPI(1) = 35.0;
  s.CO(1) = 1.2e-5;
  s.CMUO(1) = 2.5e-5;
  // The polymer viscosity table holds ln(concentration) by the time of the report.
  s.CPPPM(1) = std::log(100.0);
  s.CPPPM(2) = std::log(1500.0);
  s.MUP(1) = 5.0;
  s.MUP(2) = 20.0;
  s.NRPOL = 2;
  s.ONEPOL = 0;
  // A retention table given as one row.
  s.CRPT(1) = 1.0e-5;
  s.CRPT(2) = 1.0e-5 + 1.0e-11;
  s.RF(1) = s.RF(2) = 2.5;
  s.RRF(1) = s.RRF(2) = 1.8;
  s.NRRET = 2;
  s.ONERET = 1;
}

// Block values that differ from block to block.
void blocks(State& s) {
  for (int L = 1; L <= s.NCELL; ++L) {
    s.DX(L) = 100.0 + 10.0 * s.ICOORD(1, L);
    s.DY(L) = 200.0 + 20.0 * s.ICOORD(2, L);
    s.DZ(L) = 10.0 + s.ICOORD(3, L);
    s.DZNET(L) = s.IORD(L) > 0 ? 0.9 * s.DZ(L) : 0.0;
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.NKRGN(n) = 1;
    s.NPVTGN(n) = 1;
    s.DEPTH(n) = 5000.0 + 11.0 * (s.NZ - s.IJK(3, n));
    s.ZC(n) = s.DEPTH(n) + 5.5;
    s.PHI(n) = 0.18 + 0.01 * n;
    s.KX(n) = 100.0 * n;
    s.KY(n) = 90.0 * n;
    s.KZ(n) = 10.0 * n;
    s.RBVOL(n) = n == 2 ? 0.5 : 0.0;
    s.RPORO(n) = n == 3 ? -0.1 : 0.0;
    s.RNTG(n) = 0.9;
    s.RGFX(n) = 0.0;
    s.RGFY(n) = n == 1 ? -1.0 : 0.0;
    s.RGFZ(n) = 0.0;
    s.VB(n) = 1.0e5 * n / s.C1;
    s.GF(5, n) = 1.5 * n;
    s.GF(6, n) = 2.5 * n;
    s.GF(7, n) = 0.25 * n;
    s.PN(n) = 3000.0 + 5.0 * n;
    s.SON(n) = 0.7 - 0.01 * n;
    s.SWN(n) = 0.3 + 0.01 * n;
    s.SGN(n) = 0.0;
    s.SPN(n) = 0.0;
    s.RSN(n) = 650.0;
    s.PBUBL(n) = 2500.0;
    s.STOIP(n) = 1.0e4 * n;
    s.CONCP(n) = 0.0;
    s.CONCT(n) = n == 4 ? 250.0 : 0.0;
    s.CRP(n) = 0.0;
  }
}

void cartesianState(State& s) {
  test::buildGrid(s, 3, 2, 2, false, {{3, 1, 2}});
  test::fieldUnits(s);
  s.MUNTOUT = 2;
  // Distinct output factors: the report is in input units, so no map picks
  // them up (the stock-tank oil map not factor 2, the solution gas and
  // pressure maps not factors 5 and 6).
  for (int k = 2; k <= 12; ++k) s.UFAC(k) = 1.0 + 0.25 * k;
  runControl(s);
  tables(s);
  blocks(s);
}

void radialState(State& s) {
  test::buildGrid(s, 4, 1, 2, true);
  test::fieldUnits(s);
  runControl(s);
  tables(s);
  blocks(s);
  s.RADW = 0.25 + 1.0e-51;
  s.RADE = 1000.0 + 1.0e-51;
  s.IPRINT = 1;
  s.IDAQFR = 3;  // steady-state infinite aquifer (deck code 2)
  s.AQFH = 20.0, s.AQKH = 5000.0, s.AQRW = 1000.0, s.AQRE = 10000.0, s.ANGLE = 360.0;
  s.AQCWE = 6.0e-6, s.AQMUW = 0.5;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const bool edge = s.IJK(1, n) == 4;
    s.INFBLK(n) = edge ? 5 : 0;
    s.BBLKWT(n) = edge ? 0.5 : 0.0;
    s.AQCOEF(n) = edge ? 12.5 : 0.0;
  }
}

bool has(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& l : lines)
    if (l == text) return true;
  return false;
}

TEST(InitialReport, GoldenCartesian) {
  auto sp = makeState();
  State& s = *sp;
  cartesianState(s);
  Capture cap(s, s.IOUT, "print1_cartesian.txt");
  PRINT1(s);
  const auto lines = cap.lines();
  test::expectGolden(lines, "print1_cartesian.txt");
  // Lines whose values the reference writer was given too.
  auto ref = test::oracle();
  for (const auto& want : {ref["stepcontrol"][0], ref["pvtconst"][0], ref["echo"][0], ref["echo"][2]})
    EXPECT_TRUE(has(lines, want)) << want;
}

TEST(InitialReport, GoldenRadialWithAquifer) {
  auto sp = makeState();
  State& s = *sp;
  radialState(s);
  Capture cap(s, s.IOUT, "print1_radial.txt");
  PRINT1(s);
  const auto lines = cap.lines();
  test::expectGolden(lines, "print1_radial.txt");
  EXPECT_TRUE(has(lines, test::oracle()["echo"][1]));
}

std::vector<std::string> afterInitialConditions(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == " INITIAL CONDITIONS") return {lines.begin() + static_cast<long>(i), lines.end()};
  return {};
}


TEST(InitialReport, InitialConditionsFollowIprintAndSwitches) {
  auto sp = makeState();
  State& s = *sp;
  cartesianState(s);
  struct Case {
    int iprint;
    std::vector<int> on;  // switches set to 1 (others 0)
    std::vector<std::string> present, absent;
    std::size_t lines;    // lines from " INITIAL CONDITIONS" to the end
  };
  const std::string water = " WATER SATURATION ARRAY", pres = " RESERVOIR PRESSURE ARRAY";
  const std::vector<Case> cases = {
      // IPRINT = 1: the table of all 11 active blocks instead of maps.
      {1, {1, 8}, {}, {water, pres}, 3 + 1 + 11},
      // Any other IPRINT: nothing after the heading.
      {3, {1, 8}, {}, {water, pres}, 3},
      // Maps chosen by the switches, each map 6 title lines and 2 layers x 11 lines after its title lines.
      {2, {8}, {pres}, {water}, 3 + 6 + 22},
      {0, {}, {}, {water, pres}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.iprint);
    s.IPRINT = c.iprint;
    for (int i = 1; i <= 12; ++i) s.IPRNT(i) = 0;
    for (int i : c.on) s.IPRNT(i) = 1;
    Capture cap(s, s.IOUT, "print1_ic.txt");
    PRINT1(s);
    const auto tail = afterInitialConditions(cap.lines());
    ASSERT_FALSE(tail.empty());
    EXPECT_EQ(tail.size(), c.lines);
    for (const auto& t : c.present) EXPECT_TRUE(has(tail, t)) << t;
    for (const auto& t : c.absent) EXPECT_FALSE(has(tail, t)) << t;
  }
  // The IPRINT = 1 table lists grid numbers with their I, J, K; the inactive
  // block (3, 1, 2) = grid block 9 is left out.
  s.IPRINT = 1;
  Capture cap(s, s.IOUT, "print1_table.txt");
  PRINT1(s);
  const auto tail = afterInitialConditions(cap.lines());
  ASSERT_EQ(tail.size(), 15u);
  EXPECT_EQ(tail[3],
            "    L    I    J    K    PRES        SO        SW        SG        SP      PBUBL      GOR");
  EXPECT_EQ(tail[4 + 7].substr(0, 21), "    8    2    1    2 ");
  EXPECT_EQ(tail[4 + 8].substr(0, 21), "   10    1    2    2 ");
}

TEST(InitialReport, StockTankOilMapInTheInputUnitsOfItsHeading) {
  // Field input, SI output: the heading names the input units, and the map
  // shows STOIP (1.0E4 x the active block number) as it is, not converted.
  auto sp = makeState();
  State& s = *sp;
  cartesianState(s);
  s.IPRINT = 2;
  for (int i = 1; i <= 12; ++i) s.IPRNT(i) = i == 5 ? 1 : 0;
  Capture cap(s, s.IOUT, "print1_stoip.txt");
  PRINT1(s);
  const auto lines = cap.lines();
  EXPECT_TRUE(has(lines, " UNITS OF INPUT DATA ARE: FIELD UNITS" + std::string(44, ' ')));
  const auto tail = afterInitialConditions(lines);
  ASSERT_TRUE(has(tail, " STOCK TANK OIL IN PLACE ARRAY"));
  // Top layer, rows J = 2 and 1: active blocks 9, 10, 11 and 7, 8.
  EXPECT_TRUE(has(tail, "   2  0.9000E+05  0.1000E+06  0.1100E+06     2"));
  EXPECT_TRUE(has(tail, "   1  0.7000E+05  0.8000E+05  0.0000E+00     1"));
}

TEST(InitialReport, AquiferPartsOnlyWithAnAquifer) {
  auto sp = makeState();
  State& s = *sp;
  radialState(s);
  const std::string typeLine =
      "          TYPE OF AQUIFER (0-NO, 1-POT, 2-S.S. INF., 3-UNS.S)       IDAQFR  =  2";
  for (int idaqfr : {1, 3}) {
    s.IDAQFR = idaqfr;
    Capture cap(s, s.IOUT, "print1_aq.txt");
    PRINT1(s);
    const auto lines = cap.lines();
    EXPECT_EQ(has(lines, typeLine), idaqfr != 1);
    EXPECT_EQ(has(lines, " AQUIFER INFLUENCE COEFFICIENT ARRAY"), idaqfr != 1);
    EXPECT_EQ(has(lines, " INFLUX BLOCK WEIGHT ARRAY"), idaqfr != 1);
  }
}

}  // namespace
}  // namespace talvek
