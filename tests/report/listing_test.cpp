// The listing files: record splits of the grid files, pad values, the
// switch record, the per-step records with their clipping, the table files,
// and the end-of-run summaries read back from "res.lis" and "weld.lis".
#include <cmath>
#include <cstdio>
#include <sstream>

#include "io/errors.h"
#include "report/listing.h"
#include "report/print1.h"
#include "report_fixture.h"

namespace talvek {
namespace {

using test::Capture;

std::vector<double> fields(const std::string& rec) {
  std::istringstream in(rec);
  std::vector<double> v;
  double x;
  while (in >> x) v.push_back(x);
  return v;
}

// a(n) = I + 100 J + 10000 K identifies the block of every value.
std::vector<double> ijkValues(const State& s) {
  std::vector<double> a(static_cast<std::size_t>(s.NGPACT));
  for (int n = 1; n <= s.NGPACT; ++n) a[n - 1] = s.IJK(1, n) + 100.0 * s.IJK(2, n) + 10000.0 * s.IJK(3, n);
  return a;
}

TEST(GridListing, RecordSplitsByNX) {
  struct Case {
    int nx, ny, nz;
    std::size_t records;
  };
  for (const Case c : {Case{7, 2, 1, 2}, Case{10, 2, 1, 2}, Case{23, 2, 1, 6}, Case{5, 4, 3, 12}}) {
    SCOPED_TRACE(c.nx);
    auto sp = makeState();
    State& s = *sp;
    test::buildGrid(s, c.nx, c.ny, c.nz, false);
    test::fieldUnits(s);
    const auto a = ijkValues(s);
    Capture cap(s, 12, "graprt.txt");
    GRAPRT(s, a.data(), 1.0, 12);
    const auto recs = cap.lines();
    ASSERT_EQ(recs.size(), c.records);
    std::size_t r = 0;
    for (int K = c.nz; K >= 1; --K)
      for (int p = 0; p * 10 < c.nx; ++p)
        for (int J = c.ny; J >= 1; --J, ++r) {
          const auto v = fields(recs[r]);
          ASSERT_EQ(v.size(), 11u) << "record " << r;
          EXPECT_DOUBLE_EQ(v[0], std::round(10.0 * s.WIDY(J)) / 10.0);
          for (int q = 0; q < 10; ++q) {
            const int I = 10 * p + q + 1;
            const double want = I <= c.nx ? I + 100.0 * J + 10000.0 * K : -9999.9999;
            EXPECT_DOUBLE_EQ(v[q + 1], want) << "record " << r << " value " << q + 1;
          }
        }
  }
}

TEST(GridListing, InactiveBlocksAndTheReferenceLayout) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 3, 1, 1, false, {{2, 1, 1}});
  test::fieldUnits(s);
  s.UFAC(11) = 0.5;
  s.WIDY(1) = 400.0;
  const double a[2] = {1.0, 2.0};
  Capture cap(s, 12, "inactive_lis.txt");
  GRAPRT(s, a, 3.0, 12);
  const auto recs = cap.lines();
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0], "    200.0      3.0000  -9999.9999      6.0000  -9999.9999  -9999.9999  -9999.9999  "
                     "-9999.9999  -9999.9999  -9999.9999  -9999.9999");
  // The layout of a record against the reference writer.
  auto ref = test::oracle();
  test::buildGrid(s, 7, 1, 1, false, {{2, 1, 1}});
  s.WIDY(1) = 400.0;
  const double c[6] = {0.25, 1234.5678, 0.0, 1.0, 2.0, 3.0};
  Capture cap2(s, 12, "ref_lis.txt");
  GRAPRT(s, c, 1.0, 12);
  EXPECT_EQ(cap2.lines(), ref["graprt"]);
}

TEST(GridListing, DescriptionSwitchesAndTimeMarks) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 23, 2, 1, false);
  test::fieldUnits(s);
  const int sw[12] = {1, 0, 1, 0, 0, 0, 0, 1, 0, 1, 1, 1};
  for (int i = 1; i <= 12; ++i) s.IPRNT(i) = sw[i - 1];
  Capture cap(s, 12, "grapr0.txt");
  GRAPR0(s, 2.0, 12);
  GRAPR1(s, 3, 12);
  GRAPR2(s, 36.5, 2.0, 12);
  const auto recs = cap.lines();
  ASSERT_EQ(recs.size(), 3u + 1 + 1 + 1 + 1);
  // x series: 23 widths in three records, leading field NX, pads in the last.
  auto x3 = fields(recs[2]);
  ASSERT_EQ(x3.size(), 11u);
  EXPECT_EQ(x3[0], 23.0);
  EXPECT_EQ(x3[1], 2.0 * s.WIDX(21));
  EXPECT_EQ(x3[3], 2.0 * s.WIDX(23));
  EXPECT_EQ(x3[4], -9999.9999);
  auto y = fields(recs[3]);
  EXPECT_EQ(y[0], 2.0);
  EXPECT_EQ(y[2], 2.0 * s.WIDY(2));
  EXPECT_EQ(y[3], -9999.9999);
  auto z = fields(recs[4]);
  EXPECT_EQ(z[0], 1.0);
  EXPECT_EQ(z[1], 2.0 * s.WIDZ(1));
  EXPECT_EQ(recs[5], test::oracle()["grapr1"][0]);
  auto t = fields(recs[6]);
  ASSERT_EQ(t.size(), 11u);
  EXPECT_EQ(t[0], 73.0);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(t[i], -9999.9999);
}

void tableState(State& s) {
  s.NPVTRGN = 2;
  s.NKRRGN = 1;
  s.MUNTOUT = 2;
  for (int p = 1; p <= 2; ++p) {
    s.NRPVT(p) = 2;
    for (int i = 1; i <= 2; ++i) {
      s.PRES(i, p) = 1000.0;
      s.RST(i, p) = 250.5;
      s.BW(i, p) = 1.02;
      s.BO(i, p) = 1.25;
      s.BG(i, p) = 0.0025;
      s.MUW(i, p) = 0.5;
      s.MUO(i, p) = 1.5;
      s.MUG(i, p) = 0.015;
    }
  }
  s.NRWO(1) = 3;
  s.NRGO(1) = 2;
  for (int i = 1; i <= 3; ++i) s.SWT(i, 1) = 0.1 * i, s.KRW(i, 1) = 0.2 * i;
  for (int i = 1; i <= 2; ++i) s.SLT(i, 1) = 0.5 * i, s.KROG(i, 1) = 0.3 * i;
}

TEST(TableListing, PvtAndRelativePermeabilityFiles) {
  auto sp = makeState();
  State& s = *sp;
  tableState(s);
  auto ref = test::oracle();
  {
    Capture cap(s, s.IPVTL, "pvt.lis");
    PVTLIS(s);
    const auto recs = cap.lines();
    ASSERT_EQ(recs.size(), 1u + 2 * (1 + 2));
    EXPECT_EQ(recs[0], "            2            2            2            2            2            2"
                       "            2            2");
    EXPECT_EQ(recs[1], ref["countrow"][0]);
    EXPECT_EQ(recs[2], ref["tablerow"][0]);
  }
  {
    Capture cap(s, s.IKRPL, "krp.lis");
    KRPLIS(s);
    const auto recs = cap.lines();
    ASSERT_EQ(recs.size(), 1u + 1 + 3 + 2);
    EXPECT_EQ(recs[0], "            1            1            2            1");
    EXPECT_EQ(recs[1], "            3            2            3            2");
    EXPECT_EQ(recs[4], "      0.30000      0.60000      0.00000      0.00000");
    EXPECT_EQ(recs[6], "      1.00000      0.00000      0.60000      0.00000");
  }
  s.NPVTRGN = 31;
  EXPECT_THROW(PVTLIS(s), RunError);
  s.NPVTRGN = 1;
  s.NRPVT(1) = 31;
  EXPECT_THROW(PVTLIS(s), RunError);
}

// resmat.lis lists KX, KY, KZ only along directions with more than one block;
// rokmat.lis announces the arrays whose switch is 1 and lists them.
TEST(GridListing, ReservoirDescriptionAndInitialArrays) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 1, 3, 2, false);
  test::fieldUnits(s);
  {
    Capture cap(s, s.IRESM, "resmat.lis");
    RESMAT(s);
    // 3 description records, the time mark, 8 arrays of 6 records (no KX).
    EXPECT_EQ(cap.lines().size(), 3u + 1 + 8 * 6);
  }
  for (int i = 1; i <= 12; ++i) s.IPRNT(i) = 0;
  s.IPRNT(2) = 1;
  s.IPRNT(5) = 1;
  s.IPRNT(7) = 2;  // printed, not listed
  for (int n = 1; n <= s.NGPACT; ++n) s.OIPH(n) = 2.0;
  Capture cap(s, s.IROKM, "rokmat.lis");
  ROKMAT(s);
  const auto recs = cap.lines();
  ASSERT_EQ(recs.size(), 3u + 1 + 1 + 2 * 6);
  EXPECT_EQ(fields(recs[3])[0], 2.0);  // two switches equal 1
  EXPECT_NEAR(fields(recs[5 + 6])[1], 2.0 * 43.56 / 5.6146, 1e-4);  // OIPH with UFAC(1)
}

TEST(StepListing, ReservoirRecordLayoutAndClipping) {
  auto sp = makeState();
  State& s = *sp;
  const double rec[15] = {365.25, 3456.7, 0.4567, 0.1, 1.25, 0.0, 1234.5, 2345.6, 0.0, 45678.9,
                          98765.4, 1.0e6, 1.9, 0.75, 1.35};
  {
    for (int k = 1; k <= 15; ++k) s.RESPRF(k) = rec[k - 1];
    Capture cap(s, s.IRESL, "res_ref.lis");
    RESLIS(s);
    EXPECT_EQ(cap.lines(), test::oracle()["reslis"]);
  }
  struct Case {
    int col;
    double value, kept;
  };
  const Case cases[] = {
      {RPORF, 1500.0, 99.999},  {RPORF, -1500.0, 99.999}, {RPORF, 150.0, 99.999},
      {RPORF, 0.5, 0.5},        {RPPVIA, 2000.0, 999.999}, {RPPVIP, 999.99, 999.99},
      {RPAOR, -5000.0, 999.999}, {RPAOR, -150.0, 999.999}, {RPPVI, 12.5, 12.5},
      {RPPVIG, 1000.0, 999.999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.col << " " << c.value);
    for (int k = 1; k <= 15; ++k) s.RESPRF(k) = rec[k - 1];
    s.RESPRF(c.col) = c.value;
    Capture cap(s, s.IRESL, "res_clip.lis");
    RESLIS(s);
    const auto lines = cap.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find('*'), std::string::npos) << lines[0];
    EXPECT_DOUBLE_EQ(s.RESPRF(c.col), c.kept);
  }
}

void wellState(State& s) {
  test::buildGrid(s, 3, 1, 1, false);
  test::fieldUnits(s);
  s.NWELM2 = 1, s.LWELM2(1) = 3, s.IWNUM(3) = 3;
  s.NWELM1 = 1, s.LWELM1(1) = 1, s.IWNUM(1) = 1;
  s.NWEL0 = 0;
  s.PSAND(1) = 2500.5;
  s.FLOWO(1) = 100.25;
  s.FLOWW(1) = -0.75;
  s.FLOWP(1) = 0.25;
  s.FLOWG(1) = 1.0e4;
  s.CUMPB(1, 1) = 36500.0;
  s.CONCT(1) = 250.0;
  s.RESPRF(RPPVI) = 1.35;
  s.ISTEP = 17;
  s.TIMUSE = 123.456;
}

TEST(StepListing, WellRecordsInListOrder) {
  auto sp = makeState();
  State& s = *sp;
  wellState(s);
  s.IJK(1, 1) = 2, s.IJK(2, 1) = 3, s.IJK(3, 1) = 1;  // as the reference record
  s.IWNUM(1) = 7;
  Capture cap(s, s.IWELD, "weld_ref.lis");
  WELDLS(s);
  const auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 18), "   17    123.5   3");  // the injection list first
  EXPECT_EQ(lines[1], test::oracle()["weldlis"][0]);
  s.NWELM1 = 5;  // more wells than active blocks
  EXPECT_THROW(WELDLS(s), RunError);
}

// Two steps of records, then the end-of-run summaries: "res.lis" copied
// under its heading, "weld.lis" regrouped by well number into "well.lis",
// a heading without records for a well number that has none.
TEST(EndOfRun, SummariesReadBackFromTheListingFiles) {
  auto sp = makeState();
  State& s = *sp;
  wellState(s);
  Capture out(s, s.IOUT, "finsum_out.txt");
  s.units.open(s.IRESL, test::tmpFile("res.lis"), FileForm::Formatted, FileStatus::Unknown);
  s.units.open(s.IWELD, test::tmpFile("weld.lis"), FileForm::Formatted, FileStatus::Unknown);
  for (int step = 1; step <= 2; ++step) {
    s.ISTEP = step;
    s.TIMUSE = 10.0 * step;
    for (int k = 1; k <= 15; ++k) s.RESPRF(k) = 0.5 * step;
    s.RESPRF(RPTIME) = s.TIMUSE;
    RESLIS(s);
    WELDLS(s);
  }
  // A record whose well number does not fit its field belongs to no well.
  s.units.writeLine(s.IWELD, "    3     30.0****    1   1   1");
  const std::string wellPath = test::tmpFile("well.lis");
  s.units.open(s.IWELL, wellPath, FileForm::Formatted, FileStatus::Unknown);
  FINSUM(s);
  s.units.close(s.IWELL);
  s.units.close(s.IRESL);
  s.units.close(s.IWELD);
  const auto lines = out.lines();
  const auto well = test::readLines(wellPath);

  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[0], "1");
  EXPECT_EQ(lines[3], "  FINAL RESERVOIR PERFORMANCE SUMMARY");
  EXPECT_EQ(lines[4], " " + std::string(37, '='));
  EXPECT_EQ(lines[6],
            "I  TIME   PAVG    ORF    PVIP    PVIA    PVIG     qo        qa        qg        Qo        Qa"
            "        Qg       AOR     GOR       PVI");
  EXPECT_EQ(lines[7], "");
  const auto res = test::readLines(test::tmpFile("res.lis"));
  ASSERT_EQ(res.size(), 2u);
  EXPECT_EQ(lines[8], res[0]);
  EXPECT_EQ(lines[9], res[1]);
  EXPECT_EQ(lines[10], "1");
  EXPECT_EQ(lines[13], "  SUMMARY FOR INDIVIDUAL WELL PERFORMANCE");
  // Wells 1, 2 (no records) and 3, each under its heading.
  const std::string head =
      "  ISETP  TIME   NO.   IW  JW  KW      FBHP        OIL  RATE    AQUA  RATE     GAS  RATE     OIL "
      "PROD.    PVI       TRACER CONC.";
  std::vector<std::size_t> heads;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == head) heads.push_back(i);
  ASSERT_EQ(heads.size(), 3u);
  const auto weld = test::readLines(test::tmpFile("weld.lis"));
  ASSERT_EQ(weld.size(), 5u);  // step 1: wells 3, 1; step 2: wells 3, 1; the unreadable one
  EXPECT_EQ(lines[heads[0] + 2], weld[1]);
  EXPECT_EQ(lines[heads[0] + 3], weld[3]);
  EXPECT_EQ(heads[1], heads[0] + 6);  // two records, then "", "" before the next heading
  EXPECT_EQ(heads[2], heads[1] + 4);  // well 2 has no records
  EXPECT_EQ(lines[heads[2] + 2], weld[0]);
  EXPECT_EQ(lines[heads[2] + 3], weld[2]);
  EXPECT_EQ(lines.size(), heads[2] + 4);
  EXPECT_EQ(well, (std::vector<std::string>{weld[1], weld[3], weld[0], weld[2]}));
}

}  // namespace
}  // namespace talvek
