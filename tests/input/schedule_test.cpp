// Group 45: the well schedule, its checks and stops, and the pass over
// groups 1 to 44 that brings a restart run to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "input/debug.h"
#include "input/input.h"
#include "input/schedule.h"
#include "input/tables.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "state/state.h"

#include "warning_capture.h"

namespace talvek {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream f(path);
  std::vector<std::string> v;
  for (std::string l; std::getline(f, l);) v.push_back(l);
  return v;
}

// A grid in natural order (I fastest); `inactive` lists blocks with IACTIVE 0.
void layGrid(State& s, int nx, int ny, int nz, std::vector<std::array<int, 3>> inactive = {}) {
  s.NX = nx;
  s.NY = ny;
  s.NZ = nz;
  s.NCELL = nx * ny * nz;
  s.NGPACT = 0;
  for (int k = 1; k <= nz; ++k)
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) {
        const int l = i + nx * (j - 1) + nx * ny * (k - 1);
        s.LBLOCK(i, j, k) = l;
        bool act = true;
        for (const auto& b : inactive) act = act && !(b[0] == i && b[1] == j && b[2] == k);
        s.IACTIVE(l) = act ? 1 : 0;
        s.IORD(l) = 0;
        if (act) {
          s.IORD(l) = ++s.NGPACT;
          s.IBLK(s.NGPACT) = l;
        }
      }
}

// A state for READSC as INPUT leaves it: name tables completed, a 3 x 2 x 2
// grid with block (3,2,2) inactive (11 active blocks).
std::unique_ptr<State> scheduleState() {
  auto sp = makeState();
  State& s = *sp;
  setInputTables(s);
  layGrid(s, 3, 2, 2, {{3, 2, 2}});
  s.IPRTDAT = 0;
  return sp;
}

const std::string kHeads =
    "DATA 45D  WELL SCHEDULE\nNOW IRITE1 DELT1 SIMNEW QOECON WORMAX GORMAX\n"
    "IWT IWC IW JW KW IWOPC GW BHP QSP CONCPI CONCTI\n";

TEST(Schedule, OneRecordWithTwoWells) {
  auto sp = scheduleState();
  State& s = *sp;
  DeckReader d("sched.dat", kHeads +
                                "2 1 1.0 365.0 5.0 20.0 2000.0\n"
                                "-2 7 1 1 1 1 10.0 3000.0 1.0 500.0 20.0\n"
                                "-1 8 3 2 1 2 12.5 500.0 0.5 0.0 0.0\n"
                                "0 0 0 0 0 0 0\n");
  READSC(s, d);
  EXPECT_TRUE(d.atEnd());
  EXPECT_EQ(s.NNOW, 1);
  EXPECT_EQ(s.NWLINE(1), 2);
  EXPECT_EQ(s.IRITE1(1), 1);
  EXPECT_DOUBLE_EQ(s.DELT1(1), 1.0);
  EXPECT_DOUBLE_EQ(s.SIMNEW(1), 365.0);
  EXPECT_DOUBLE_EQ(s.QOECONT(1), 5.0);
  EXPECT_DOUBLE_EQ(s.WORMAXT(1), 20.0);
  EXPECT_DOUBLE_EQ(s.GORMAXT(1), 2000.0);
  const int wantI[2][7] = {{-2, 1, 1, 1, 1, 7, 1}, {-1, 3, 2, 1, 2, 8, 6}};
  const double wantR[2][5] = {{10.0, 3000.0, 1.0, 500.0, 20.0}, {12.5, 500.0, 0.5, 0.0, 0.0}};
  for (int m = 1; m <= 2; ++m) {
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(s.IWLINE(c, m), wantI[m - 1][c - 1]) << "line " << m << " item " << c;
    for (int c = 1; c <= 5; ++c) {
      EXPECT_DOUBLE_EQ(s.RWLINE(c, m), wantR[m - 1][c - 1]) << "line " << m << " item " << c;
    }
  }
}

// Two well lines of one record for the same block: the later is the one the
// block gets, with a warning on standard error naming the line; the same
// block in the next record is no repeat.
TEST(Schedule, SameBlockTwiceInOneRecordIsWarnedAbout) {
  auto sp = scheduleState();
  State& s = *sp;
  testing::WarningCapture capture;
  DeckReader d("sched.dat", kHeads +
                                "3 1 1.0 100.0 0 0 0\n"
                                "-2 1 1 1 1 2 10.0 3000.0 1.0 0 0\n"
                                "-1 2 3 2 1 11 12.5 500.0 0 0 0\n"
                                "-2 1 1 1 1 2 10.0 3000.0 2.0 0 0\n"
                                "1 1 1.0 200.0 0 0 0\n"
                                "-2 1 1 1 1 2 10.0 3000.0 3.0 0 0\n"
                                "0 0 0 0 0 0 0\n");
  READSC(s, d);
  const std::vector<std::string>& warnings = capture.lines();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "talvek: warning: sched.dat:7: data group DATA 45D, item IW: well line 3 of \"NOW\" line 1 is for block "
            "(1,1,1), as well line 1 of the same record: the later line is the one applied");
  EXPECT_EQ(s.NWLINE(1), 3);
}

// A well number the reports cannot print in their columns is warned about,
// and kept: it is a label only.
TEST(Schedule, WellNumbersOutsideTheReportColumnsAreWarnedAbout) {
  auto sp = scheduleState();
  State& s = *sp;
  testing::WarningCapture capture;
  DeckReader d("sched.dat", kHeads +
                                "5 1 1.0 100.0 0 0 0\n"
                                "-2 1 1 1 1 2 10.0 3000.0 1.0 0 0\n"
                                "-1 999 3 2 1 11 12.5 500.0 0 0 0\n"
                                "-1 1000 2 2 1 11 12.5 500.0 0 0 0\n"
                                "-1 0 2 1 1 11 12.5 500.0 0 0 0\n"
                                "-1 -3 3 1 1 11 12.5 500.0 0 0 0\n"
                                "0 0 0 0 0 0 0\n");
  READSC(s, d);
  const std::vector<std::string>& warnings = capture.lines();
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_EQ(warnings[0],
            "talvek: warning: sched.dat:7: data group DATA 45D, item IWC: well line 3 of \"NOW\" line 1 gives the well "
            "number 1000, outside 1 to 999: the well reports print it in three columns (\"***\" above 999) and "
            "weld.lis runs four digits into the time before it");
  // A number below 1 prints in the columns, but the per-well summaries
  // (well.lis and the end of the listing) list the wells from number 1 up:
  // such a well's records are left out of them.
  const std::string belowOne =
      ", outside 1 to 999: the summaries of individual well performance (well.lis and the end of the listing) "
      "leave out a well numbered below 1";
  EXPECT_EQ(warnings[1], "talvek: warning: sched.dat:8: data group DATA 45D, item IWC: well line 4 of \"NOW\" line 1 "
                         "gives the well number 0" + belowOne);
  EXPECT_EQ(warnings[2], "talvek: warning: sched.dat:9: data group DATA 45D, item IWC: well line 5 of \"NOW\" line 1 "
                         "gives the well number -3" + belowOne);
  // Kept as read.
  EXPECT_EQ(s.IWLINE(6, 3), 1000);
  EXPECT_EQ(s.IWLINE(6, 5), -3);
}

TEST(Schedule, SeveralRecordsNumberWellLinesContinuously) {
  auto sp = scheduleState();
  State& s = *sp;
  // A period without well changes (NOW = 0) is a record of its own; the
  // active numbers follow the inactive block (3,2,2) out of the count.
  DeckReader d("sched.dat", kHeads +
                                "1 0 1.0 100.0 0 0 0\n"
                                "-1 1 2 1 1 1 1.0 100.0 1.0 0 0\n"
                                "0 1 2.0 200.0 0 0 0\n"
                                "2 0 0.5 300.0 0 0 0\n"
                                "0 1 1 1 2 0 1.0 100.0 0.0 0 0\n"
                                "-2, 2, 2, 2, 2, 0, 1.0, 900.0, 2.0, 0, 0   commas\n"
                                "0 0 0 0 0 0 0\n");
  READSC(s, d);
  EXPECT_EQ(s.NNOW, 3);
  EXPECT_EQ(s.NWLINE(1), 1);
  EXPECT_EQ(s.NWLINE(2), 0);
  EXPECT_EQ(s.NWLINE(3), 2);
  EXPECT_DOUBLE_EQ(s.SIMNEW(2), 200.0);
  EXPECT_EQ(s.IRITE1(2), 1);
  EXPECT_DOUBLE_EQ(s.DELT1(3), 0.5);
  EXPECT_EQ(s.IWLINE(7, 1), 2);   // (2,1,1)
  EXPECT_EQ(s.IWLINE(7, 2), 7);   // (1,1,2)
  EXPECT_EQ(s.IWLINE(7, 3), 11);  // (2,2,2): grid block 11, active 11 ((3,2,2) is grid 12)
  EXPECT_EQ(s.IWLINE(1, 3), -2);
  EXPECT_DOUBLE_EQ(s.RWLINE(2, 3), 900.0);
}

// A null value or a slash leaves an item as the line before gave it: the
// limits of the record before on a "NOW" line, the values of the well line
// before on a well line (the first line of each kind starts from zeros).
TEST(Schedule, NullsAndSlashKeepTheValuesOfTheLineBefore) {
  auto sp = scheduleState();
  State& s = *sp;
  DeckReader d("sched.dat", kHeads +
                                "2 1 1.0 100.0 5.0 20.0 2000.0\n"
                                "-2 1 1 1 1 2 10.0 3000.0 / the rest as before: zeros\n"
                                "-1 2 3 2 1 1 12.5 500.0 0.5 100.0 7.0\n"
                                "2 0 2.0 200.0 /  limits as in the record before\n"
                                "-1 3 2 1 1 11 8.0 /\n"
                                "-2, 4, 1, 2, 1, 4,, 2500.0, 1.5,, 9.0\n"
                                "1 1 3.0 300.0 1.0 / WORMAX and GORMAX kept\n"
                                "-1 5 2 2 2 3 6.0 700.0 0.25 0.0 0.0\n"
                                "0 0 0 0 0 0 0\n");
  READSC(s, d);
  ASSERT_EQ(s.NNOW, 3);
  const double wantNow[3][5] = {
      {1.0, 100.0, 5.0, 20.0, 2000.0}, {2.0, 200.0, 5.0, 20.0, 2000.0}, {3.0, 300.0, 1.0, 20.0, 2000.0}};
  for (int t = 1; t <= 3; ++t) {
    EXPECT_DOUBLE_EQ(s.DELT1(t), wantNow[t - 1][0]) << t;
    EXPECT_DOUBLE_EQ(s.SIMNEW(t), wantNow[t - 1][1]) << t;
    EXPECT_DOUBLE_EQ(s.QOECONT(t), wantNow[t - 1][2]) << t;
    EXPECT_DOUBLE_EQ(s.WORMAXT(t), wantNow[t - 1][3]) << t;
    EXPECT_DOUBLE_EQ(s.GORMAXT(t), wantNow[t - 1][4]) << t;
  }
  EXPECT_EQ(s.IRITE1(2), 0);
  // IWT IWC IWOPC, then GW BHP QSP CONCPI CONCTI of the five well lines.
  const int wantI[5][3] = {{-2, 1, 2}, {-1, 2, 1}, {-1, 3, 11}, {-2, 4, 4}, {-1, 5, 3}};
  const double wantR[5][5] = {{10.0, 3000.0, 0.0, 0.0, 0.0},
                              {12.5, 500.0, 0.5, 100.0, 7.0},
                              {8.0, 500.0, 0.5, 100.0, 7.0},
                              {8.0, 2500.0, 1.5, 100.0, 9.0},
                              {6.0, 700.0, 0.25, 0.0, 0.0}};
  for (int m = 1; m <= 5; ++m) {
    EXPECT_EQ(s.IWLINE(1, m), wantI[m - 1][0]) << "line " << m;
    EXPECT_EQ(s.IWLINE(6, m), wantI[m - 1][1]) << "line " << m;
    EXPECT_EQ(s.IWLINE(5, m), wantI[m - 1][2]) << "line " << m;
    for (int c = 1; c <= 5; ++c) EXPECT_DOUBLE_EQ(s.RWLINE(c, m), wantR[m - 1][c - 1]) << "line " << m << " item " << c;
  }
}

TEST(Schedule, EndLineAddingUpToZero) {
  auto sp = scheduleState();
  State& s = *sp;
  DeckReader d("sched.dat", kHeads +
                                "0 0 1.0 100.0 0 0 0\n"
                                "1 0 -1.0 0 0 0 0   SUM IS ZERO\n"
                                "NEXT GROUP\n");
  READSC(s, d);
  EXPECT_EQ(s.NNOW, 1);
  EXPECT_EQ(d.lineNumber(), 5);
}

TEST(Schedule, DebuggingFacilityMessages) {
  auto sp = scheduleState();
  State& s = *sp;
  s.IPRTDAT = 1;
  const std::string path = ::testing::TempDir() + "schedule_debug_test.lis";
  s.units.open(s.IOUT, path, FileForm::Formatted, FileStatus::Unknown);
  DeckReader d("schedule_debug.dat", readFile(std::string(TALVEK_TEST_DATA) + "/input/schedule_debug.dat"));
  READSC(s, d);
  s.units.close(s.IOUT);
  const auto want = readLines(std::string(TALVEK_TEST_DATA) + "/input/schedule_debug_listing.txt");
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(readLines(path), want);
  std::remove(path.c_str());
  // Warnings only: everything stored as read.
  EXPECT_EQ(s.NNOW, 3);
  EXPECT_DOUBLE_EQ(s.SIMNEW(2), 365.0);
  EXPECT_EQ(s.IRITE1(3), 2);
  EXPECT_EQ(s.IWLINE(1, 3), 1);
  EXPECT_EQ(s.IWLINE(5, 3), 12);
  EXPECT_DOUBLE_EQ(s.RWLINE(3, 3), -1.0);
}

TEST(Schedule, OutOfRangeCountsAreKeptAsRead) {
  // A negative NOW is a record without well lines and a NOW above NGPACT is
  // warned about; nothing stops, with the facility on or off.
  std::string wells;
  for (int k = 1; k <= 11; ++k) wells += "-1 " + std::to_string(k) + " 1 1 1 1 1.0 100.0 1.0 0 0\n";
  wells += "-2 9 3 2 1 1 1.0 100.0 1.0 0 0\n";
  const std::string deck = kHeads + "-1 0 1.0 10.0 0 0 0\n12 0 1.0 20.0 0 0 0\n" + wells + "0 0 0 0 0 0 0\n";

  std::vector<std::string> want = {
      " ",
      "   *WARNING* VARIABLE \"  NOW  \" IS OUT OF RANGE IN \"NOW\" LINE #    1",
      "   LAST \"NOW\" LINE SUCCESSFULLY READ FROM \"DATA 45D\" HAS SIMNEW =     10.000",
      " ",
      " ",
      "   *WARNING* VARIABLE \"  NOW  \" IS OUT OF RANGE IN \"NOW\" LINE #    2",
      "   LAST \"NOW\" LINE SUCCESSFULLY READ FROM \"DATA 45D\" HAS SIMNEW =     20.000",
      " ",
  };
  for (int k = 1; k <= 12; ++k) {
    char b[80];
    std::snprintf(b, sizeof b, "   LAST \"IWT\" LINE SUCCESSFULLY READ FROM \"DATA 45D\" IS # %4d", k);
    want.emplace_back(b);
  }
  want.insert(want.end(), {" ", " ", "   LAST DATA GROUP READ SUCCESSFULLY IS \"DATA 45D\""});

  for (int iprtdat : {1, 0}) {
    SCOPED_TRACE(iprtdat);
    auto sp = scheduleState();
    State& s = *sp;
    s.IPRTDAT = iprtdat;
    const std::string path = ::testing::TempDir() + "schedule_kept_as_read.lis";
    s.units.open(s.IOUT, path, FileForm::Formatted, FileStatus::Unknown);
    DeckReader d("sched.dat", deck);
    READSC(s, d);
    s.units.close(s.IOUT);
    EXPECT_EQ(readLines(path), iprtdat == 1 ? want : std::vector<std::string>{});
    std::remove(path.c_str());
    EXPECT_TRUE(d.atEnd());
    EXPECT_EQ(s.NNOW, 2);
    EXPECT_EQ(s.NWLINE(1), -1);
    EXPECT_EQ(s.NWLINE(2), 12);
    EXPECT_EQ(s.IWLINE(6, 1), 1);  // the first well line belongs to record 2
    EXPECT_EQ(s.IWLINE(7, 1), 1);
    const int last[7] = {-2, 3, 2, 1, 1, 9, s.IORD(s.LBLOCK(3, 2, 1))};
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(s.IWLINE(c, 12), last[c - 1]) << "item " << c;
    EXPECT_DOUBLE_EQ(s.RWLINE(2, 12), 100.0);
  }
}

// The warnings of "NOW" lines and well lines on standard error name the value
// read and the range or the rule it breaks (11 active blocks, 3 x 2 x 2).
TEST(Schedule, WarningsNameTheValueAndItsRange) {
  struct Case {
    const char* name;
    std::string body;  // the records after the header lines (deck line 4 on)
    std::vector<std::string> want;  // after "sched.dat:<line>: data group DATA 45D, item "
    bool stops = false;
  };
  const std::string end = "0 0 0 0 0 0 0\n";
  const Case cases[] = {
      {"NOW line ranges",
       "-1 2 1.0 100.0 -1.0 200.0 60000.0\n" + end,
       {"4: data group DATA 45D, item NOW: -1 in \"NOW\" line 1 is out of range 0 to 11 (the active blocks)",
        "4: data group DATA 45D, item IRITE1: 2 in \"NOW\" line 1 is out of range 0 to 1",
        "4: data group DATA 45D, item QOECON: -1 in \"NOW\" line 1 is out of range 0 to 100",
        "4: data group DATA 45D, item WORMAX: 200 in \"NOW\" line 1 is out of range 0 to 100",
        "4: data group DATA 45D, item GORMAX: 60000 in \"NOW\" line 1 is out of range 0 to 50000"}},
      {"SIMNEW not after the time before",
       "0 0 1.0 0.0 0 0 0\n0 0 1.0 50.5 0 0 0\n0 0 1.0 50.5 0 0 0\n0 0 1.0 20.0 0 0 0\n" + end,
       {"4: data group DATA 45D, item SIMNEW: 0 in \"NOW\" line 1 is out of range: not after time 0",
        "6: data group DATA 45D, item SIMNEW: 50.5 in \"NOW\" line 3 is out of range: not after the SIMNEW of the "
        "line before (50.5)",
        "7: data group DATA 45D, item SIMNEW: 20 in \"NOW\" line 4 is out of range: not after the SIMNEW of the "
        "line before (50.5)"}},
      {"well line type and amounts",
       "1 0 1.0 10.0 0 0 0\n-3 1 1 1 1 1 1.0 100.0 -1.0 -5.0 -2.5\n" + end,
       {"5: data group DATA 45D, item IWT: -3 in well line 1 is out of range -2 to 0 (-2 injection, -1 "
        "production, 0 shut-in)",
        "5: data group DATA 45D, item QSP: -1 in well line 1 is out of range: below 0",
        "5: data group DATA 45D, item CONCPI: -5 in well line 1 is out of range: below 0",
        "5: data group DATA 45D, item CONCTI: -2.5 in well line 1 is out of range: below 0"}},
      {"IW above NX",
       "1 0 1.0 10.0 0 0 0\n-1 1 4 1 1 1 1.0 100.0 1.0 0 0\n",
       {"5: data group DATA 45D, item IW: 4 in well line 1 is out of range 1 to 3 (the blocks in x)"},
       true},
      {"JW above NY",
       "1 0 1.0 10.0 0 0 0\n-1 1 1 5 1 1 1.0 100.0 1.0 0 0\n",
       {"5: data group DATA 45D, item JW: 5 in well line 1 is out of range 0 to 2 (the blocks in y)"},
       true},
      {"KW above NZ, second well line",
       "2 0 1.0 10.0 0 0 0\n-1 1 1 1 1 1 1.0 100.0 1.0 0 0\n-1 1 1 1 3 1 1.0 100.0 1.0 0 0\n",
       {"6: data group DATA 45D, item KW: 3 in well line 2 is out of range 1 to 2 (the layers)"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto sp = scheduleState();
    State& s = *sp;
    testing::WarningCapture capture;
    DeckReader d("sched.dat", kHeads + c.body);
    bool stopped = false;
    try {
      READSC(s, d);
    } catch (const DeckError&) {
      stopped = true;
    }
    EXPECT_EQ(stopped, c.stops);
    std::vector<std::string> want;
    for (const std::string& w : c.want) want.push_back("talvek: warning: sched.dat:" + w);
    EXPECT_EQ(capture.lines(), want);
  }
}

// A well line whose operating option gives its well no source term: an
// injection well injects fluid 1 to 4 only, a production well produces
// under option 1 to 11 only. One warning on standard error per line, by the
// well's type; a shut-in line is only held to 0 to 11. The option is kept as
// read, and the listing of the facility keeps to the range 0 to 11.
TEST(Schedule, WellOptionThatGivesNoSourceIsWarnedAbout) {
  const std::string inject =
      "an injection well injects fluid 1 oil, 2 water, 3 gas or 4 polymer solution: with IWOPC = ";
  const std::string produce =
      "a production well produces QSP of the stream of option 1 to 10, or at its BHP with option 11: with IWOPC = ";
  struct Case {
    int iwt;
    int iwopc;
    std::string want;  // the warning's text after the item, "" for none
  };
  const Case cases[] = {
      {-2, 1, ""},
      {-2, 4, ""},
      {-2, 0, "0 in well line 1 is out of range 1 to 4; " + inject + "0 it injects nothing"},
      {-2, 5, "5 in well line 1 is out of range 1 to 4; " + inject + "5 it injects nothing"},
      {-2, 11, "11 in well line 1 is out of range 1 to 4; " + inject + "11 it injects nothing"},
      {-2, 12, "12 in well line 1 is out of range 1 to 4; " + inject + "12 it injects nothing"},
      {-1, 1, ""},
      {-1, 11, ""},
      {-1, 0, "0 in well line 1 is out of range 1 to 11; " + produce + "0 it produces nothing"},
      {-1, -1, "-1 in well line 1 is out of range 1 to 11; " + produce + "-1 it produces nothing"},
      {-1, 12, "12 in well line 1 is out of range 1 to 11; " + produce + "12 it produces nothing"},
      {0, 0, ""},
      {0, 11, ""},
      {0, 12, "12 in well line 1 is out of range 0 to 11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("IWT " + std::to_string(c.iwt) + " IWOPC " + std::to_string(c.iwopc));
    auto sp = scheduleState();
    State& s = *sp;
    s.KEQG = s.KEQP = 1;  // every fluid can be injected
    s.IPRTDAT = 1;
    const std::string path = ::testing::TempDir() + "schedule_option.lis";
    s.units.open(s.IOUT, path, FileForm::Formatted, FileStatus::Unknown);
    testing::WarningCapture capture;
    DeckReader d("opt.dat", kHeads + "1 0 1.0 10.0 0 0 0\n" + std::to_string(c.iwt) + " 1 1 1 1 " +
                                std::to_string(c.iwopc) + " 1.0 100.0 1.0 0 0\n0 0 0 0 0 0 0\n");
    READSC(s, d);
    s.units.close(s.IOUT);
    std::vector<std::string> want;
    if (!c.want.empty()) want.push_back("talvek: warning: opt.dat:5: data group DATA 45D, item IWOPC: " + c.want);
    EXPECT_EQ(capture.lines(), want);
    EXPECT_EQ(s.IWLINE(5, 1), c.iwopc);
    const auto lis = readLines(path);
    std::remove(path.c_str());
    const bool listed = std::find(lis.begin(), lis.end(),
                                  "   *WARNING* VARIABLE \" IWOPC \" IS OUT OF RANGE IN \"NWT\" LINE #    1") !=
                        lis.end();
    EXPECT_EQ(listed, c.iwopc < 0 || c.iwopc > 11);
  }
}

// An injector of a fluid whose equation is off injects nothing: its line is
// warned about (standard error only; the option is in its range).
TEST(Schedule, InjectorOfAFluidWhoseEquationIsOffIsWarnedAbout) {
  const struct {
    int iwopc;
    const char* want;  // "" for none
  } cases[] = {
      {1, ""},
      {2, ""},
      {3, "injects gas, whose equation is off (KEQG = 0 in DATA 06B): the well injects nothing"},
      {4, "injects polymer solution, whose equation is off (KEQP = 0 in DATA 06B): the well injects nothing"},
  };
  for (const auto& c : cases) {
    auto sp = scheduleState();
    State& s = *sp;
    s.KEQW = s.KEQO = 1;
    s.KEQG = s.KEQP = 0;
    testing::WarningCapture capture;
    DeckReader d("off.dat", kHeads + "2 0 1.0 10.0 0 0 0\n-2 1 1 1 1 " + std::to_string(c.iwopc) +
                                " 1.0 100.0 1.0 0 0\n-1 2 3 1 1 " + std::to_string(c.iwopc) +
                                " 1.0 100.0 1.0 0 0\n0 0 0 0 0 0 0\n");
    READSC(s, d);
    std::vector<std::string> want;
    if (*c.want)
      want.push_back("talvek: warning: off.dat:5: data group DATA 45D, item IWOPC: " + std::to_string(c.iwopc) +
                     " in well line 1 " + c.want);
    EXPECT_EQ(capture.lines(), want) << c.iwopc;  // the producer's line is not warned about
    EXPECT_EQ(s.IWLINE(5, 1), c.iwopc);
  }
}

std::string records(int n) {
  std::string t;
  for (int i = 1; i <= n; ++i) t += "0 0 1.0 " + std::to_string(10 * i) + ".0 0 0 0\n";
  return t;
}

std::string wellLines(int n) {
  std::string t;
  for (int i = 0; i < n; ++i) t += "-1 1 1 1 1 1 1.0 100.0 1.0 0 0\n";
  return t;
}

TEST(Schedule, FaultsStopWithTheDeckPlace) {
  struct Case {
    const char* name;
    std::string body;
    const char* item;
    int line;  // deck line of the stop, 0: not tested
    const char* text;
  };
  const std::string big1 = "10000 0 1.0 10.0 0 0 0\n" + wellLines(10000);
  const std::string big2 = "10001 0 1.0 20.0 0 0 0\n" + wellLines(10001);
  const Case cases[] = {
      {"100 records fit, the 101st stops", records(101) + "0 0 0 0 0 0 0\n", "NOW", 3 + 101, "100 records"},
      {"20001 well lines in two records", big1 + big2 + "0 0 0 0 0 0 0\n", "IWT", 3 + 1 + 10000 + 1 + 10001,
       "20000 well lines"},
      {"IW 0", "1 0 1.0 10.0 0 0 0\n-1 1 0 1 1 1 1.0 100.0 1.0 0 0\n", "IW", 5, "outside the grid"},
      {"IW above NX", "1 0 1.0 10.0 0 0 0\n-1 1 4 1 1 1 1.0 100.0 1.0 0 0\n", "IW", 5, "block (4,1,1)"},
      {"JW 0", "1 0 1.0 10.0 0 0 0\n-1 1 1 0 1 1 1.0 100.0 1.0 0 0\n", "JW", 5, "outside the grid"},
      {"JW above NY", "1 0 1.0 10.0 0 0 0\n-1 1 1 3 1 1 1.0 100.0 1.0 0 0\n", "JW", 5, "3 x 2 x 2"},
      {"KW above NZ, second well of record 2",
       "0 0 1.0 10.0 0 0 0\n2 0 1.0 20.0 0 0 0\n-1 1 1 1 1 1 1.0 100.0 1.0 0 0\n-1 1 1 1 3 1 1.0 100.0 1.0 0 0\n",
       "KW", 7, "well line 2 of \"NOW\" line 2"},
      {"KW negative", "1 0 1.0 10.0 0 0 0\n-1 1 1 1 -1 1 1.0 100.0 1.0 0 0\n", "KW", 5, "outside the grid"},
      {"well on the inactive block (3,2,2)", "1 0 1.0 10.0 0 0 0\n-1 1 3 2 2 1 1.0 100.0 1.0 0 0\n", "IW", 5,
       "which is inactive"},
      {"no end line", "1 0 1.0 10.0 0 0 0\n-1 1 1 1 1 1 1.0 100.0 1.0 0 0\n", "NOW", 5, "premature end"},
      {"well line cut short", "2 0 1.0 10.0 0 0 0\n-1 1 1 1 1 1 1.0 100.0 1.0 0 0\n-1 1 1 1\n", "KW", 6,
       "premature end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto sp = scheduleState();
    State& s = *sp;
    DeckReader d("faulty.dat", kHeads + c.body);
    try {
      READSC(s, d);
      ADD_FAILURE() << "no stop";
    } catch (const DeckError& e) {
      EXPECT_EQ(e.file, "faulty.dat");
      EXPECT_EQ(e.group, "DATA 45D");
      EXPECT_EQ(e.item, c.item);
      EXPECT_EQ(e.line, c.line);
      EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
    }
    EXPECT_LE(s.NNOW, MXNOW);
  }
}

TEST(Schedule, HundredRecordsAndTwentyThousandLinesFit) {
  auto sp = scheduleState();
  State& s = *sp;
  // 98 empty records, then two records holding 20000 well lines in all.
  DeckReader d("sched.dat", kHeads + records(98) + "10000 0 1.0 5000.0 0 0 0\n" + wellLines(10000) +
                                "10000 0 1.0 6000.0 0 0 0\n" + wellLines(10000) + "0 0 0 0 0 0 0\n");
  READSC(s, d);
  EXPECT_EQ(s.NNOW, 100);
  EXPECT_EQ(s.NWLINE(100), 10000);
  EXPECT_DOUBLE_EQ(s.SIMNEW(100), 6000.0);
  EXPECT_EQ(s.IWLINE(7, MXWLIN), 1);
}

// ---------------------------------------------------------------------------
// A restart run's way to the schedule.

std::string fullDeck() { return readFile(std::string(TALVEK_TEST_DATA) + "/input/schedule_full_deck.dat"); }

int lineOf(const DeckReader& d, const std::string& start) {
  for (int i = 1; i <= d.lineCount(); ++i) {
    if (d.line(i).rfind(start, 0) == 0) return i;
  }
  return -1;
}

TEST(Schedule, SkipToTheScheduleOfACompleteDeck) {
  DeckReader d("full.dat", fullDeck());
  const int header45 = lineOf(d, "DATA 45D");
  ASSERT_GT(header45, 0);
  for (int start : {0, 10, header45 + 2}) {  // from any position: the pass starts at the top
    SCOPED_TRACE(start);
    d.seek(start);
    SKPDCK(d);
    EXPECT_EQ(d.lineNumber(), header45 - 1);
  }

  // The schedule is then read as in a new run (radial grid 3 x 1 x 2).
  auto sp = makeState();
  State& s = *sp;
  setInputTables(s);
  layGrid(s, 3, 1, 2);
  READSC(s, d);
  EXPECT_TRUE(d.atEnd());
  EXPECT_EQ(s.NNOW, 2);
  EXPECT_DOUBLE_EQ(s.SIMNEW(2), 200.0);
  EXPECT_EQ(s.IWLINE(7, 2), 6);
}

TEST(Schedule, SkipPassesTheTablesAsTheTableReaderReadsThem) {
  // The pass over groups 38 to 44 and READTB end on the same line.
  DeckReader skip("full.dat", fullDeck());
  SKPDCK(skip);
  DeckReader read("full.dat", fullDeck());
  read.seek(lineOf(read, "DATA 38C") - 1);
  auto sp = makeState();
  State& s = *sp;
  s.NKRRGN = 2;
  s.NPVTRGN = 1;
  s.C1 = 5.6146;
  READTB(s, read);
  EXPECT_EQ(read.lineNumber(), skip.lineNumber());
  EXPECT_EQ(s.NRGO(2), 3);  // the row 0 0 0 -5 5 is a row, not the end
  EXPECT_EQ(s.NRPVT(1), 2);
}

TEST(Schedule, SkipEndsWhereTheFirstPassOfANewRunEnds) {
  // A new run reads groups 1 to 44 and then the schedule; a restart passes
  // over them: both reach the schedule on the same line and read the same.
  DeckReader first("full.dat", fullDeck());
  auto sp = makeState();
  State& s = *sp;
  INPUT(s, first, 0);
  DeckReader skip("full.dat", fullDeck());
  SKPDCK(skip);
  EXPECT_EQ(first.lineNumber(), skip.lineNumber());
  INPUT(s, first, 1);
  EXPECT_TRUE(first.atEnd());
  EXPECT_EQ(s.NNOW, 2);
  EXPECT_EQ(s.IWLINE(7, 2), 6);
}

TEST(Schedule, SkipStopsOnAnUnreadableDeck) {
  // A letter where group 10's NX is due: the pass stops naming the place.
  std::string text = fullDeck();
  const std::string g10 = "3 0 2 1 2 0 2 1 0.25 500.";
  const auto at = text.find(g10);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 1, "X");
  DeckReader d("bad.dat", text);
  try {
    SKPDCK(d);
    ADD_FAILURE() << "no stop";
  } catch (const DeckError& e) {
    EXPECT_EQ(e.group, "DATA 10B");
    EXPECT_EQ(e.item, "NX");
    EXPECT_EQ(d.line(e.line).rfind("X 0 2", 0), 0U);
  }
  // A deck that ends before group 45.
  DeckReader cut("cut.dat", fullDeck().substr(0, fullDeck().find("DATA 43C")));
  EXPECT_THROW(SKPDCK(cut), DeckError);
}

}  // namespace
}  // namespace talvek
