// The time-step report: a golden report, the output factors and signs of
// every row, the phase switches, the flags that select each part, the well
// entries of the three well types, the listing arrays, and the reservoir
// performance record.
#include <cmath>
#include <sstream>

#include "report/print1.h"
#include "report/print2.h"
#include "report_fixture.h"

namespace talvek {
namespace {

using test::Capture;

// 3 x 2 x 1 grid; well #1 injects in block 1, well #2 produces from block 6,
// well #3 is shut in at block 3.
void stepState(State& s) {
  test::buildGrid(s, 3, 2, 1, false);
  test::fieldUnits(s);
  s.MUNTOUT = 2;
  const double si[13] = {0,         3.048217, 0.1589873, 0.02831685, 0.4535924, 0.17811, 6.894757,
                         0.1589873, 0.02831685, 0.4535924, 2.305916E-05, 0.3048, 1.0};
  for (int k = 1; k <= 12; ++k) s.UFAC(k) = si[k];
  s.KEQW = 2, s.KEQO = 3, s.KEQG = 4, s.KEQP = 1;
  s.METHOD = 1;
  s.IPRINT = 0;
  for (int i = 1; i <= 12; ++i) s.IPRNT(i) = 1;
  s.ISTEP = 5;
  s.KSTANY = s.KSTRES = s.KSTWEL = s.KSTARY = 5;
  s.ITER = 3;
  s.TOTITER = 41;
  s.NPASS = 1;
  s.TIMUSE = 120.5;
  s.DTIME = 10.0;
  s.IDAQFR = 3;
  s.INOIL = 5.0e5;
  s.PVOT = 6.0e5, s.PVWT = 6.2e5, s.PVGT = 9.0e7, s.PVPT = 6.2e5;
  const double qi[6] = {0, 0.0, -800.0, 0.0, -200.0, -30.0};
  const double qp[6] = {0, 450.0, 350.0, 3.0e5, 120.0, 9.0};
  const double qa[6] = {0, 0.0, -50.0, 0.0, -1.0, 0.0};
  for (int k = 1; k <= 5; ++k) {
    s.QINJT(k) = qi[k];
    s.QPRDT(k) = qp[k];
    s.QAQT(k) = qa[k];
    s.CUMINJ(k) = 100.0 * qi[k];
    s.CUMPRD(k) = 100.0 * qp[k];
    s.CUMAQ(k) = 100.0 * qa[k];
    s.MBAINC(k) = 1.0e-3 * k;
    s.MBACUM(k) = -2.0e-3 * k;
  }
  for (int k = 1; k <= 6; ++k) {
    s.MBRINC(k) = 1.0 - 1.0e-4 * k;
    s.MBRCUM(k) = 1.0 + 1.0e-5 * k;
  }
  s.QAQR = -52.0;
  s.CUMAQR = -5200.0;
  s.PAVG = 2950.0;
  const double smin[5] = {0.2, 0.25, 0.0, 0.0, 0.3}, smax[5] = {0.7, 0.8, 0.05, 0.1, 0.8};
  const int nmin[5] = {1, 6, 2, 3, 6}, nmax[5] = {6, 1, 4, 1, 1};
  for (int f = 1; f <= 5; ++f) {
    s.SMIN(f) = smin[f - 1];
    s.SMAX(f) = smax[f - 1];
    s.NSMIN(f) = nmin[f - 1];
    s.NSMAX(f) = nmax[f - 1];
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.P(n) = s.PN(n) = 2900.0 + 20.0 * n;
    s.SW(n) = s.SWN(n) = 0.3 + 0.05 * n;
    s.SO(n) = s.SON(n) = 0.7 - 0.05 * n;
    s.SG(n) = s.SGN(n) = 0.0;
    s.SP(n) = s.SPN(n) = n == 1 ? 0.1 : 0.0;
    s.RS(n) = s.RSN(n) = 600.0;
    s.PBUBL(n) = 2500.0;
    s.STOIP(n) = 1.0e4 * n;
    s.OIPH(n) = 0.5 * n;
    s.CONCP(n) = n == 1 ? 1000.0 : 0.0;
    s.CONCT(n) = n == 1 ? 50.0 : 0.0;
    s.ADS(n) = n == 1 ? 2.0e-5 : 0.0;
    s.CRPMAX(n) = 3.0e-5;
    s.IWC(n) = 0;
  }
  // Wells.
  s.NWELM2 = 1, s.LWELM2(1) = 1, s.IWNUM(1) = 1;
  s.NWELM1 = 1, s.LWELM1(1) = 6, s.IWNUM(6) = 2;
  s.NWEL0 = 1, s.LWEL0(1) = 3, s.IWNUM(3) = 3;
  s.IWC(1) = 4;
  s.IWC(6) = -1;
  s.PSAND(1) = 3500.0, s.GW(1) = 12.0;
  s.PSAND(6) = 2000.0, s.GW(6) = 15.0;
  s.FLOWW(1) = -800.0, s.FLOWP(1) = -200.0, s.QPMINJ(1) = -30.0;
  s.FLOWO(6) = 450.0, s.FLOWW(6) = 350.0, s.FLOWG(6) = 3.0e5, s.FLOWP(6) = 120.0, s.QPMPRD(6) = 9.0;
  for (int k = 1; k <= 5; ++k) {
    s.CUMIB(k, 1) = 100.0 * qi[k];
    s.CUMPB(k, 6) = 100.0 * qp[k];
    s.CUMPB(k, 3) = 10.0 * qp[k];  // the shut-in well produced earlier
  }
  s.CUMPB(1, 1) = 777.0;           // the injector produced oil before it was converted
}

// The six values of the first row with this label after line `from`.
std::vector<double> rowValues(const std::vector<std::string>& lines, const std::string& label,
                              std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].size() > 10 && lines[i].compare(1, 9, label) == 0) {
      std::istringstream in(lines[i].substr(10));
      std::vector<double> v;
      double x;
      while (in >> x) v.push_back(x);
      return v;
    }
  }
  return {};
}

std::size_t find(const std::vector<std::string>& lines, const std::string& text, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i)
    if (lines[i].find(text) != std::string::npos) return i;
  return lines.size();
}

void expectRow(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_NEAR(got[i], want[i], 1.0e-4 * std::fabs(want[i]) + 1.0e-30) << what << " field " << i + 1;
}

TEST(TimeStepReport, Golden) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  Capture out(s, s.IOUT, "print2_golden.txt");
  Capture rok(s, s.IROKM, "print2_rokmat.txt");
  PRINT2(s, 17, s.IROKM);
  test::expectGolden(out.lines(), "print2_report.txt");
  test::expectGolden(rok.lines(), "print2_rokmat.txt");
}

// Every row with its own factor and sign, the aqueous sums and the ratios.
TEST(TimeStepReport, FactorsSignsAndRatiosOfTheReservoirRows) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  for (int k = 1; k <= 12; ++k) s.UFAC(k) = k + 1.0;  // distinct factors
  Capture out(s, s.IOUT, "print2_factors.txt");
  Capture rok(s, s.IROKM, "print2_factors_rok.txt");
  PRINT2(s, 0, s.IROKM);
  const auto lines = out.lines();
  const std::size_t res = find(lines, "RESERVOIR PRODUCTION AND INJECTION SUMMARY");
  ASSERT_LT(res, lines.size());
  // rates: UFAC 3,3,4,3,5 (factors of k = 2, 2, 3, 2, 4); cumulatives 8,8,9,8,10.
  expectRow(rowValues(lines, "INJ RATE ", res), {0, 2400, 0, 600, 150, 3000}, "INJ RATE");
  expectRow(rowValues(lines, "CUM INJ  ", res), {0, 640000, 0, 160000, 30000, 800000}, "CUM INJ");
  expectRow(rowValues(lines, "INJ PVOL ", res),
            {0, 80000 / 6.2e5, 0, 20000 / 6.2e5, 100000 / 6.2e5}, "INJ PVOL");
  expectRow(rowValues(lines, "PRD RATE ", res), {1350, 1050, 1.2e6, 360, 45, 1410}, "PRD RATE");
  expectRow(rowValues(lines, "PRD XOR  ", res), {1, 1050.0 / 1350, 1.2e6 / 1350, 360.0 / 1350,
                                                 1410.0 / 1350}, "PRD XOR");
  expectRow(rowValues(lines, "CUM PROD ", res), {360000, 280000, 2.7e8, 96000, 9000, 376000},
            "CUM PROD");
  expectRow(rowValues(lines, "CUM XOR  ", res),
            {1, 280000.0 / 360000, 2.7e8 / 360000, 96000.0 / 360000, 376000.0 / 360000}, "CUM XOR");
  expectRow(rowValues(lines, "PRD PVOL ", res),
            {45000 / 6.0e5, 35000 / 6.2e5, 3.0e7 / 9.0e7, 12000 / 6.2e5, 35000 / 6.2e5 + 12000 / 6.2e5},
            "PRD PVOL");
  expectRow(rowValues(lines, "RAT EFLUX", res), {0, -150, 0, -3, 0, -153}, "RAT EFLUX");
  expectRow(rowValues(lines, "CUM EFLUX", res), {0, -40000, 0, -800, 0, -40800}, "CUM EFLUX");
  const std::size_t mb = find(lines, "MATERIAL BALANCES");
  expectRow(rowValues(lines, "CUM MB R ", mb), {1.00001, 1.00002, 1.00003, 1.00004, 1.00005, 1.00006},
            "CUM MB R");
  expectRow(rowValues(lines, "INC MB A ", mb), {0.008, 0.016, 0.027, 0.032, 0.05, 0.048}, "INC MB A");
  const std::size_t influx = find(lines, " RATE OF INFLUX = ");
  ASSERT_LT(influx, lines.size());
  EXPECT_EQ(lines[influx], " RATE OF INFLUX =  0.15600E+03   CUMMULATIVE INFLUX =  0.41600E+05");
  // The performance record in output units.
  EXPECT_DOUBLE_EQ(s.RESPRF(RPPAVG), 2950.0 * 7.0);
  EXPECT_DOUBLE_EQ(s.RESPRF(RPORF), 45000.0 / 5.0e5);
  EXPECT_NEAR(s.RESPRF(RPPVIP), 20000 / 6.2e5, 1e-12);
  EXPECT_NEAR(s.RESPRF(RPPVIA), 100000 / 6.2e5, 1e-12);
  EXPECT_NEAR(s.RESPRF(RPPVI), 100000 / 6.2e5, 1e-12);
  EXPECT_DOUBLE_EQ(s.RESPRF(RPQA), 1410.0);
  EXPECT_DOUBLE_EQ(s.RESPRF(RPCQG), 2.7e8);
  EXPECT_NEAR(s.RESPRF(RPAOR), 1410.0 / 1350, 1e-9);
  EXPECT_NEAR(s.RESPRF(RPGOR), 1.2e6 / 1350, 1e-6);
}

TEST(TimeStepReport, EquationsSwitchedOffPrintZero) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  s.KEQO = 0;
  s.KEQG = 0;
  Capture out(s, s.IOUT, "print2_oiloff.txt");
  Capture rok(s, s.IROKM, "print2_oiloff_rok.txt");
  PRINT2(s, 0, s.IROKM);
  const auto lines = out.lines();
  const auto prd = rowValues(lines, "PRD RATE ");
  ASSERT_EQ(prd.size(), 6u);
  EXPECT_EQ(prd[0], 0.0);
  EXPECT_EQ(prd[2], 0.0);
  EXPECT_GT(prd[1], 0.0);
  for (const char* label : {"PRD XOR  ", "CUM XOR  "})
    for (double x : rowValues(lines, label)) EXPECT_LT(std::fabs(x), 1.0e-10) << label;
  EXPECT_EQ(rowValues(lines, "CUM MB R ")[0], 0.0);
  EXPECT_EQ(s.RESPRF(RPORF), 0.0);
  EXPECT_EQ(s.RESPRF(RPQO), 0.0);
}

// With the water and polymer-solution equations both off no aqueous phase
// flows: the aqueous balance is a ratio of nothing to nothing (the water in
// place still moves with the pore volume) and prints 0 like its two parts.
TEST(TimeStepReport, AqueousBalanceWithoutWaterAndPolymerPrintsZero) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  s.KEQW = 0;
  s.KEQP = 0;
  s.MBRCUM(6) = 1.5e55;
  s.MBRINC(6) = -5.5e49;
  Capture out(s, s.IOUT, "print2_aqoff.txt");
  Capture rok(s, s.IROKM, "print2_aqoff_rok.txt");
  PRINT2(s, 0, s.IROKM);
  const auto lines = out.lines();
  for (const char* label : {"CUM MB R ", "INC MB R "}) {
    const auto v = rowValues(lines, label);
    ASSERT_EQ(v.size(), 6u) << label;
    EXPECT_EQ(v[1], 0.0) << label;
    EXPECT_EQ(v[5], 0.0) << label;
    EXPECT_GT(v[0], 0.0) << label;  // the oil balance is still printed
  }
}

TEST(TimeStepReport, ZeroWithASignPrintsAsZeroInEveryRow) {
  // Balance ratios and saturation extremes that are zero with a sign, as a
  // ratio of zero amounts can be: printed as 0 like the rate rows.
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  s.MBRCUM(5) = -0.0;
  s.MBRCUM(6) = -0.0;
  s.MBRINC(4) = -0.0;
  s.SMIN(3) = -0.0;
  s.SMIN(5) = -0.0;
  s.SMAX(4) = -0.0;
  Capture out(s, s.IOUT, "print2_negzero.txt");
  Capture rok(s, s.IROKM, "print2_negzero_rok.txt");
  PRINT2(s, 0, s.IROKM);
  const auto lines = out.lines();
  for (const char* label : {"CUM MB R ", "INC MB R ", "MIN. SATN", "MAX. SATN"}) {
    const std::size_t i = find(lines, label);
    ASSERT_LT(i, lines.size()) << label;
    EXPECT_EQ(lines[i].find("-0.00000E+00"), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find(" 0.00000E+00"), std::string::npos) << lines[i];
  }
}

// Which parts appear for which flags.
TEST(TimeStepReport, PartsFollowTheOutputFlags) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  struct Case {
    int kres, kwel, kary, kany, idaqfr;
    bool summary, balance, eflux, wells, shutin, arrays;
  };
  const Case cases[] = {
      {5, 5, 5, 5, 3, true, true, true, true, true, true},
      {5, 0, 0, 5, 1, true, true, false, false, true, false},
      {0, 0, 5, 5, 3, true, false, false, false, true, true},
      {0, 5, 0, 5, 3, true, false, false, true, true, false},
      {0, 0, 0, 0, 3, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kres << c.kwel << c.kary << c.kany);
    s.KSTRES = c.kres, s.KSTWEL = c.kwel, s.KSTARY = c.kary, s.KSTANY = c.kany, s.IDAQFR = c.idaqfr;
    s.RESPRF.fill(-1.0);
    Capture out(s, s.IOUT, "print2_flags.txt");
    Capture rok(s, s.IROKM, "print2_flags_rok.txt");
    PRINT2(s, 0, s.IROKM);
    const auto lines = out.lines();
    const auto rlines = rok.lines();
    auto present = [&](const std::string& t) { return find(lines, t) < lines.size(); };
    EXPECT_EQ(present("TIME  STEP  SUMMARY"), c.summary);
    EXPECT_EQ(present("MATERIAL BALANCES: CUM. & INC., RATIO & ACTUAL"), c.balance);
    EXPECT_EQ(present("RAT EFLUX"), c.eflux);
    EXPECT_EQ(present("RATE OF INFLUX"), c.eflux);
    EXPECT_EQ(present("WELL BY WELL PRODUCTION (INJECTION) SUMMARY"), c.wells);
    EXPECT_EQ(present("(INJECTION  WELL)"), c.wells);
    EXPECT_EQ(present("(PRODUCTION WELL)"), c.wells);
    EXPECT_EQ(present("(SHUT-IN WELL)"), c.shutin);
    EXPECT_EQ(present("RESERVOIR BEHAVIOR ARRAYS"), c.arrays);
    EXPECT_EQ(!rlines.empty(), c.arrays);
    if (!c.summary) {
      EXPECT_TRUE(lines.empty());
    }
    // The performance record is refreshed on every call.
    EXPECT_DOUBLE_EQ(s.RESPRF(RPTIME), 120.5);
    EXPECT_NEAR(s.RESPRF(RPORF), 45000.0 / 5.0e5, 1e-12);
  }
}

// Each well type shows its own rows; a converted injector keeps what it produced.
TEST(TimeStepReport, WellEntriesOfTheThreeTypes) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  for (int k = 1; k <= 12; ++k) s.UFAC(k) = 1.0;
  Capture out(s, s.IOUT, "print2_wells.txt");
  Capture rok(s, s.IROKM, "print2_wells_rok.txt");
  PRINT2(s, 0, s.IROKM);
  const auto lines = out.lines();
  const std::size_t inj = find(lines, "(INJECTION  WELL)");
  const std::size_t prd = find(lines, "(PRODUCTION WELL)");
  const std::size_t shut = find(lines, "(SHUT-IN WELL)");
  ASSERT_LT(inj, prd);
  ASSERT_LT(prd, shut);
  ASSERT_LT(shut, lines.size());
  EXPECT_EQ(lines[inj],
            " FOR WELL #:  1  (INJECTION  WELL)   LOCATED AT BLOCK  :  1  1  1  FBHP = 0.35000E+04   GW = "
            "0.12000E+02");
  EXPECT_EQ(lines[shut], " FOR WELL #:  3    (SHUT-IN WELL)   LOCATED AT BLOCK  :  3  1  1");
  EXPECT_EQ(lines[inj + 1], " " + std::string(105, '_'));
  auto labels = [&](std::size_t from, std::size_t to) {
    std::vector<std::string> v;
    for (std::size_t i = from; i < to; ++i)
      if (lines[i].size() > 10 && lines[i][10] == ' ' && lines[i][1] != ' ' && lines[i][1] != '_' &&
          lines[i].compare(1, 4, "FOR ") != 0)
        v.push_back(lines[i].substr(1, 9));
    return v;
  };
  EXPECT_EQ(labels(inj, prd),
            (std::vector<std::string>{"INJ RATE ", "CUM INJ  ", "INJ PVOL ", "CUM PROD ", "CUM XOR  "}));
  EXPECT_EQ(labels(prd, shut), (std::vector<std::string>{"PRD RATE ", "PRD XOR  ", "CUM PROD ",
                                                         "CUM XOR  ", "PRD PVOL ", "CUM INJ  "}));
  EXPECT_EQ(labels(shut, find(lines, "RESERVOIR BEHAVIOR ARRAYS")),
            (std::vector<std::string>{"CUM INJ  ", "CUM PROD ", "CUM XOR  "}));
  expectRow(rowValues(lines, "INJ RATE ", inj), {0, 800, 0, 200, 30, 1000}, "well INJ RATE");
  expectRow(rowValues(lines, "CUM PROD ", inj), {777, 0, 0, 0, 0, 0}, "converted injector");
  expectRow(rowValues(lines, "CUM XOR  ", inj), {777.0 / (777.0 + 1e-51), 0, 0, 0, 0}, "CUM XOR");
  expectRow(rowValues(lines, "PRD RATE ", prd), {450, 350, 3.0e5, 120, 9, 470}, "well PRD RATE");
  expectRow(rowValues(lines, "CUM PROD ", shut), {4500, 3500, 3.0e6, 1200, 90, 4700}, "shut-in");
}

// IPRINT = 1 prints the block table; a switch of 2 prints its map but does
// not list the array.
TEST(TimeStepReport, DetailedArraysAndListing) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  for (int i = 1; i <= 12; ++i) s.IPRNT(i) = 0;
  s.IPRNT(1) = 2;
  s.IPRNT(8) = 1;
  {
    Capture out(s, s.IOUT, "print2_arrays.txt");
    Capture rok(s, s.IROKM, "print2_arrays_rok.txt");
    PRINT2(s, 0, s.IROKM);
    const auto lines = out.lines();
    EXPECT_LT(find(lines, " WATER SATURATION ARRAY"), lines.size());
    EXPECT_LT(find(lines, " RESERVOIR PRESSURE ARRAY"), lines.size());
    EXPECT_EQ(find(lines, " OIL SATURATION ARRAY"), lines.size());
    // GRAPR2 and one GRAPRT (one layer of two rows) for the pressure only.
    const auto r = rok.lines();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].substr(0, 9), "    120.5");
    EXPECT_EQ(r[1].substr(9, 12), "  20546.3759");  // 6.894757 * PN(4) = 6.894757 * 2980
  }
  s.IPRINT = 1;
  {
    Capture out(s, s.IOUT, "print2_table.txt");
    Capture rok(s, s.IROKM, "print2_table_rok.txt");
    PRINT2(s, 0, s.IROKM);
    const auto lines = out.lines();
    const std::size_t h = find(lines, "    L    I    J    K     PO  ");
    ASSERT_LT(h, lines.size());
    EXPECT_EQ(lines[h + 1], "");
    EXPECT_EQ(lines[h + 2],
              "    1    1    1    1  20132.69   0.65000   0.35000   0.00000   0.10000  17236.89    106.87");
    EXPECT_EQ(find(lines, " WATER SATURATION ARRAY"), lines.size());
  }
}

// Records whose values can be set exactly, against the reference writer; the
// six-column rows by the positions of their fields.
TEST(TimeStepReport, ReferenceRecords) {
  auto sp = makeState();
  State& s = *sp;
  stepState(s);
  test::buildGrid(s, 3, 3, 1, false);
  for (int k = 1; k <= 12; ++k) s.UFAC(k) = 1.0;
  s.TIMUSE = 123.456, s.DTIME = 12.5, s.ISTEP = 17, s.ITER = 3, s.TOTITER = 250, s.NPASS = 1;
  s.KSTANY = s.KSTRES = s.KSTWEL = 17;
  s.KSTARY = 0;
  s.NWELM2 = 0;
  s.NWELM1 = 1, s.LWELM1(1) = 8, s.IWNUM(8) = 7, s.PSAND(8) = 2500.5, s.GW(8) = 12.25;
  s.NWEL0 = 1, s.LWEL0(1) = 1, s.IWNUM(1) = 8;
  s.QAQR = 150.25, s.CUMAQR = -36500.0;
  Capture out(s, s.IOUT, "print2_ref.txt");
  PRINT2(s, 0, s.IROKM);
  const auto lines = out.lines();
  auto ref = test::oracle();
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[4], ref["stepsummary"][0]);
  EXPECT_EQ(lines[6], ref["stepsummary"][1]);
  EXPECT_EQ(lines[7], ref["stepsummary"][2]);
  EXPECT_LT(find(lines, ref["wellline"][0]), lines.size());
  EXPECT_LT(find(lines, ref["wellline"][1]), lines.size());
  EXPECT_LT(find(lines, ref["influx"][0]), lines.size());
  // Field positions: where each "E" of a value and each "(" of a block stands.
  auto marks = [](const std::string& l, char c) {
    std::vector<std::size_t> v;
    for (std::size_t i = 10; i < l.size(); ++i)
      if (l[i] == c) v.push_back(i);
    return v;
  };
  const auto full = lines[find(lines, " INJ RATE ")];
  const auto shrt = lines[find(lines, " INJ PVOL ")];
  const auto ijk = lines[find(lines, " & (I,J,K)")];
  EXPECT_EQ(marks(full, 'E'), marks(ref["rowfull"][0], 'E'));
  EXPECT_EQ(full.size(), ref["rowfull"][0].size());
  EXPECT_EQ(marks(shrt, 'E'), marks(ref["rowshort"][0], 'E'));
  EXPECT_EQ(shrt.size(), ref["rowshort"][0].size());
  EXPECT_EQ(marks(ijk, '('), marks(ref["ijkrow"][0], '('));
  EXPECT_EQ(ijk.size(), ref["ijkrow"][0].size());
}

}  // namespace
}  // namespace talvek
