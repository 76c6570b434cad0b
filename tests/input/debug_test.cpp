// The input-debugging facility: message layouts, the switch, and a golden
// listing of a deck with values out of range.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/debug.h"
#include "input/input.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "input/deck_fixture.h"

#include "warning_capture.h"

namespace talvek {
namespace {

using testing::DeckBuilder;
using testing::Listing;
using testing::lineOf;

TEST(DebugMessages, ExactLayouts) {
  auto sp = makeState();
  State& s = *sp;
  setInputTables(s);
  s.IPRTDAT = 1;
  Listing lis(s, "layouts");
  dbgBlank(s);
  dbgGroupEnd(s, 2);
  dbgGroupEndRock(s, 38, 3);
  dbgGroupEndPvt(s, 40, 12);
  dbgTableRow(s, 43, 7);
  dbgTableRow(s, 44, 123);
  dbgRockRow(s, 39, 2, 15);
  dbgPvtRow(s, 40, 1, 3);
  dbgRegionLine(s, 14, 12);
  dbgNowLine(s, 45, 365.25);
  dbgWellLine(s, 45, 3);
  const DeckReader deck("layouts.dat", "");
  testing::WarningCapture err;
  warnFixed(s, deck, 3, 5, 2000.0, rangeText(0.01, 1000.0));
  warnFixed(s, deck, 3, 4, 7, 5.0, rangeText(1.0, 4.0));
  warnFixed(s, deck, 5, 48, 1, 2.0, rangeText(0.0, 1.0));
  warnLine(s, deck, 38, 2, 4, 1.5, rangeText(0.0, 1.0));
  warnRegionLine(s, deck, 11, 7, 12345, 7.0, 0.0, 1.0);
  warnArray(s, deck, 21, 7, 3, 0.0, 1.0);
  warnArray(s, deck, 32, 7, 12, -1.0E29, 1.0E29);
  warnNowLine(s, deck, 45, 3, 2, -1.0, ruleText("below 0"));
  warnWellLine(s, deck, 49, 6, 1, -1.0, ruleText("below 0"));
  // A well-line warning kept off the listing.
  warnWellLine(s, deck, 49, 5, 1, 0.0, rangeText(1.0, 11.0), false);
  const std::vector<std::string> want = {
      " ",
      R"(   LAST DATA GROUP READ SUCCESSFULLY IS "DATA 02B")",
      R"(   LAST DATA GROUP READ SUCCESSFULLY IS "DATA 38C" FOR ROCK REGION #   3)",
      R"(   LAST DATA GROUP READ SUCCESSFULLY IS "DATA 40C" FOR PVT  REGION #  12)",
      R"(   LAST LINE SUCCESSFULLY READ FROM "DATA 43C" IS #  7)",
      R"(   LAST LINE SUCCESSFULLY READ FROM "DATA 44C" IS # **)",
      R"(   LAST LINE SUCCESSFULLY READ FROM "DATA 39C" FOR ROCK REGION   2 IS # 15)",
      R"(   LAST LINE SUCCESSFULLY READ FROM "DATA 40C" FOR  PVT REGION   1 IS #  3)",
      R"(   LAST LINE SUCCESSFULLY READ FROM "DATA 14A" IS #    12)",
      R"(   LAST "NOW" LINE SUCCESSFULLY READ FROM "DATA 45D" HAS SIMNEW =    365.250)",
      R"(   LAST "IWT" LINE SUCCESSFULLY READ FROM "DATA 45D" IS #    3)",
      R"(   *WARNING* VARIABLE " DTMAX " OF "DATA 03B" IS OUT OF RANGE)",
      R"(   *WARNING* VARIABLE "MATBAK " OF "DATA 03B" IS OUT OF RANGE)",
      R"(   *WARNING* VARIABLE "MAXADS " OF "DATA 05B" IS OUT OF RANGE)",
      R"(   *WARNING* VARIABLE "  KRW  " IS OUT OF RANGE IN LINE #    4 OF "DATA 38C")",
      R"(   *WARNING* VARIABLE "IACTIVE" IS OUT OF RANGE IN LINE # **** OF "DATA 11A")",
      R"(   *WARNING* VARIABLE "  PHI  " OF "DATA 21A" IS OUT OF RANGE    3 TIMES)",
      R"(   *WARNING* VARIABLE " RATIO " OF "DATA 32A" IS OUT OF RANGE   12 TIMES)",
      R"(   *WARNING* VARIABLE " DELT1 " IS OUT OF RANGE IN "NOW" LINE #    2)",
      R"(   *WARNING* VARIABLE "  GW   " IS OUT OF RANGE IN "NWT" LINE #    1)",
  };
  EXPECT_EQ(lis.lines(), want);
  // Standard error names each value and the range or rule it breaks.
  const std::vector<std::string> wantErr = {
      "talvek: warning: layouts.dat: data group DATA 03B, item DTMAX: 2000 is out of range 0.01 to 1000",
      "talvek: warning: layouts.dat: data group DATA 03B, item MATBAK: 5 is out of range 1 to 4",
      "talvek: warning: layouts.dat: data group DATA 05B, item PRNTADMX: 2 is out of range 0 to 1",
      "talvek: warning: layouts.dat: data group DATA 38C, item KRW: 1.5 in row 4 is out of range 0 to 1",
      "talvek: warning: layouts.dat: data group DATA 11A, item IACTIVE: 7 in region line 12345 is out of range 0 to 1",
      "talvek: warning: layouts.dat: data group DATA 21A, item PHI: 3 values of the array out of range 0 to 1",
      "talvek: warning: layouts.dat: data group DATA 32A, item RNTG: 12 values of the array out of range -1e+29 to "
      "1e+29",
      "talvek: warning: layouts.dat: data group DATA 45D, item DELT1: -1 in \"NOW\" line 2 is out of range: below 0",
      "talvek: warning: layouts.dat: data group DATA 45D, item GW: -1 in well line 1 is out of range: below 0",
      "talvek: warning: layouts.dat: data group DATA 45D, item IWOPC: 0 in well line 1 is out of range 1 to 11",
  };
  EXPECT_EQ(err.lines(), wantErr);
}

TEST(DebugMessages, Banner) {
  auto sp = makeState();
  State& s = *sp;
  s.IPRTDAT = 1;
  Listing lis(s, "banner");
  dbgBanner(s);
  const std::vector<std::string> want = {
      "",
      "",
      "   =================================================",
      "     FACILITIES FOR DEBUGGING YOUR INPUT DATA FILE",
      "                  ARE BEING ACTIVATED             ",
      "   =================================================",
      "",
      "",
      "",
      "               ISTRUCTIONS FOR DEBUGGING           ",
      "               -------------------------           ",
      "    SEARCH FOR:                                    ",
      "",
      "    1. \"*WARNING*\" MESSAGES.                       ",
      "    2. LAST LINE SUCCESSFULLY READ FROM A DATA GROUP.",
      "    3. LAST DATA GROUP READ SUCCESSFULLY.          ",
      "",
      "",
      "",
  };
  EXPECT_EQ(lis.lines(), want);
}

TEST(DebugMessages, NothingWrittenWithTheFacilityOff) {
  auto sp = makeState();
  State& s = *sp;
  setInputTables(s);
  s.IPRTDAT = 0;
  Listing lis(s, "off");
  dbgBanner(s);
  dbgBlank(s);
  dbgGroupEnd(s, 2);
  dbgRegionLine(s, 14, 1);
  const DeckReader deck("off.dat", "");
  warnFixed(s, deck, 3, 5, 2000.0, rangeText(0.01, 1000.0));
  warnArray(s, deck, 21, 7, 3, 0.0, 1.0);
  warnWellLine(s, deck, 49, 6, 1, -1.0, ruleText("below 0"));
  EXPECT_TRUE(lis.lines().empty());
}

TEST(DebugMessages, NameTables) {
  auto sp = makeState();
  State& s = *sp;
  auto cell = [&](int r, int c) { return std::string(s.VARNAM(r, c).c.data(), 8); };
  EXPECT_EQ(std::string(s.GRPLAB(1).c.data(), 8), "DATA 01E");
  EXPECT_EQ(std::string(s.GRPLAB(45).c.data(), 8), "DATA 45D");
  EXPECT_EQ(std::string(s.GRPLAB(46).c.data(), 8), "        ");
  EXPECT_EQ(cell(3, 10), "DELSAT  ");
  EXPECT_EQ(cell(40, 8), "  MUG   ");
  EXPECT_EQ(cell(11, 1), "        ");  // filled on entry to the reader
  setInputTables(s);
  EXPECT_EQ(cell(11, 1), "  I1    ");
  EXPECT_EQ(cell(11, 7), "IACTIVE ");
  EXPECT_EQ(cell(37, 6), "  K2    ");
  EXPECT_EQ(cell(37, 7), " RATIO  ");
  EXPECT_EQ(cell(48, 2), "  IWC   ");
  EXPECT_EQ(cell(49, 10), "CONCTI  ");
  EXPECT_EQ(s.IVLOW(12), 1);
  EXPECT_EQ(s.IVHIGH(30), 7);
  EXPECT_EQ(s.IVHIGH(11), 1);
  EXPECT_EQ(s.RVLOW(14), 1.0E-11);
  EXPECT_EQ(s.RVLOW(16), 0.0);
  EXPECT_EQ(s.RVLOW(17), -1.0E29);
  EXPECT_EQ(s.RVHIGH(24), 1.0);
  EXPECT_EQ(s.RVHIGH(25), 1.0E29);
  EXPECT_EQ(s.RVHIGH(27), 10000.0);
  EXPECT_EQ(s.RVHIGH(29), 0.001);
  EXPECT_EQ(s.RVLOW(32), -1.0E29);
  EXPECT_EQ(s.RVLOW(37), -1.0);
}

// A deck with values out of range in fixed-list groups, region lines and a
// whole array.
DeckBuilder goldenDeck() {
  DeckBuilder b;
  b.data[2] = "1 0 100. 50. 1.\n";
  b.data[3] = "1 1 0 0 2000. 0.01 0.05 500. 500. 0.05 5\n";
  b.data[5] = "1 1 -1 1 0 1 0 1 1 0 2 1\n";
  b.data[7] = "5000. 1.5 0.\n";
  b.data[8] = "2 1. 2. 5000. 3000. 400. 1.E-5 0.5\n";
  b.data[11] = "1 IACTIVE\n3 3 2 2 2 2 0\n5 4 1 1 1 1 7\n0 0 0 0 0 0 0\n";
  b.data[21] = "0 PHI\n0.2 1.5 0.2 0.2 -0.1 0.2\n0.2 0.2 0.2 0.2 2.0 0.2\n";
  b.data[33] = "1 RATIO\n1 3 1 2 1 1 -2.\n0 0 0 0 0 0 0\n";
  return b;
}

// The listing of the banner and groups 1 to 37 of that deck. After an
// intended change of a layout, regenerate the golden file with
//   TALVEK_WRITE_GOLDEN=1 ./test_input --gtest_filter=DebugMessages.GoldenListing
// and review its difference line by line before committing it.
TEST(DebugMessages, GoldenListing) {
  auto sp = makeState();
  State& s = *sp;
  s.IPRTDAT = 1;  // as run control's pre-read of the deck head leaves it
  const std::string text = goldenDeck().text(37);
  DeckReader deck("golden.dat", text);
  std::string got;
  {
    Listing lis(s, "golden");
    setInputTables(s);
    dbgBanner(s);
    readRunControl(s, deck);
    readArrayGroups(s, deck);
    got = lis.text();
  }
  const std::string path = std::string(TALVEK_TEST_DATA) + "/input/debug_listing.golden";
  if (std::getenv("TALVEK_WRITE_GOLDEN")) {
    std::ofstream(path) << got;
    GTEST_SKIP() << "golden listing written to " << path;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in) << "missing " << path;
  std::stringstream want;
  want << in.rdbuf();
  EXPECT_EQ(got, want.str());
  // The warnings change nothing: the values stay as read.
  EXPECT_DOUBLE_EQ(s.DTMAX, 2000.0);
  EXPECT_EQ(s.MATBAK, 5);
  EXPECT_EQ(s.IPRNT(3), -1);
  EXPECT_DOUBLE_EQ(s.PHI(2), 1.5);
  EXPECT_DOUBLE_EQ(s.PHI(5), -0.1);
  EXPECT_DOUBLE_EQ(s.RBVOL(1), -2.0);
}

// The same deck with the facility off reads the same values and writes
// nothing.
TEST(DebugMessages, SameDeckSilentWithTheFacilityOff) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b = goldenDeck();
  b.data[2] = "0 0 100. 50. 1.\n";
  DeckReader deck("silent.dat", b.text(37));
  Listing lis(s, "silent");
  setInputTables(s);
  dbgBanner(s);
  readRunControl(s, deck);
  readArrayGroups(s, deck);
  EXPECT_TRUE(lis.lines().empty());
  EXPECT_DOUBLE_EQ(s.DTMAX, 2000.0);
  EXPECT_DOUBLE_EQ(s.PHI(2), 1.5);
  EXPECT_EQ(s.NGPACT, 11);
}

// The checks of the fixed-list groups: bounds, the name each warning prints
// (row and column of the name table) and the order within a group.
TEST(DebugMessages, FixedListGroupChecks) {
  struct Case {
    int group;
    std::string data;
    std::vector<std::string> names;  // the warnings expected, in order
    bool stops = false;              // a value the tables cannot hold follows the warnings
  };
  const Case cases[] = {
      {2, "1 2 100. 50. 1.\n", {"IRSTRT"}},
      {2, "1 1 100. 50. 1.\n", {}},
      // Laboratory input forces laboratory output before the checks.
      {3, "3 5 0 0 30. 0.01 0.05 500. 500. 0.05 2\n", {}},
      {3, "1 1 0 0 0.5 2.0 0.05 500. 500. 0.05 2\n", {" DTMAX", " DTMIN"}},
      // Every bound itself passes.
      // (zero change targets then stop the run)
      {3, "3 3 2 500 1000. 0.001 0.001 0. 0. 0. 4\n", {}, true},
      {3, "1 1 0 0 1000. 0.001 0.001 1000. 1000. 1. 1\n", {}},
      {3, "1 1 3 200 30. 0.01 0.05 500. 500. 0.05 2\n", {" IQUAD"}},
      {3, "0 4 -1 -1 1000.1 0.0009 0.0009 -0.1 1000.1 1.01 0\n",
       {"MUNITIN", "MUNTOUT", " IQUAD", "NINTBLE", " DTMAX", " DTMIN", "RERORP", " DELPO", " DELRS", "DELSAT",
        "MATBAK"},
       true},
      {3, "1 1 0 501 30. 0.01 0.05 -1. 1000.1 -0.01 5\n", {"NINTBLE", " DELPO", " DELRS", "DELSAT", "MATBAK"}, true},
      {4, "3 0 0 2 -1 -1 -1 -1\n", {"IPRINT", "INOUTP", "NFRRES", "NFRWEL", "NFRARY", "NWRITE"}},
      {4, "2 -5 -5 1 0 0 0 0\n", {}},
      {4, "-1 0 0 -1 0 0 0 0\n", {"IPRINT", "INOUTP"}},
      {5, "2 1 1 1 1 1 1 1 1 -1 1 5\n", {"  SW", "  ADS", "  IWC"}},
      {5, "0 2 2 2 2 2 2 2 2 0 2 0\n", {"  SO", "  SG", "  SP", "  SA", "  RS", " CONCT", "   P", " CONCP", "MAXADS"}},
      {6, "2 1 1 -1\n", {"  IQW", "  IQP"}},
      {6, "0 2 -1 1\n", {"  IQO", "  IQG"}},
      {7, "-9999. 1. -1.\n", {}},
      {7, "0. -1.01 1.5\n", {" SINX", " SINY"}},
      // No aquifer: the radii are not compared.
      {8, "0 0. 0. 5000. 3000. 0. 0. 0.\n", {}},
      {8, "1 0. 0. 3000. 3000. 360. 0. 0.\n", {" AQRW", " AQRE"}},
      {8, "3 0. 0. 2999. 3000. 360.1 0. 0.\n", {" ANGLE"}},
      {8, "4 0. 0. 5000. 3000. -1. 0. 0.\n", {"IDAQFR", " ANGLE"}, true},
      {8, "-1 0. 0. 5000. 3000. 90. 0. 0.\n", {"IDAQFR"}, true},
      {9, "2 8 0. 0. 0.\n", {"INIOPT", " ICASE"}},
      {9, "-1 -1 0. 0. 0.\n", {"INIOPT", " ICASE"}},
      {9, "1 7 -5. -5. -5.\n", {}},
      // A radial grid (NY = 0) is no warning.
      {10, "40 0 40 4 7 1 30 30 0. 0.\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("group " + std::to_string(c.group) + ": " + c.data);
    auto sp = makeState();
    State& s = *sp;
    s.IPRTDAT = 1;
    DeckBuilder b;
    b.data[2] = "1 0 100. 50. 1.\n";
    b.data[c.group] = c.data;
    DeckReader deck("checks.dat", b.text(10));
    Listing lis(s, "checks");
    setInputTables(s);
    bool stopped = false;
    try {
      readRunControl(s, deck);
    } catch (const DeckError&) {
      stopped = true;
    }
    EXPECT_EQ(stopped, c.stops);
    std::vector<std::string> got;
    for (const std::string& l : lis.lines())
      if (l.find("*WARNING*") != std::string::npos) got.push_back(l);
    std::vector<std::string> want;
    char lab[16];
    std::snprintf(lab, sizeof lab, "DATA %02dB", c.group);
    for (const std::string& n : c.names) {
      want.push_back("   *WARNING* VARIABLE \"" + (n + "       ").substr(0, 7) + "\" OF \"" + lab +
                     "\" IS OUT OF RANGE");
    }
    EXPECT_EQ(got, want);
  }
}

// INPUT itself: the banner, then the groups in deck order, each with its
// messages, up to the end of group 44 (the listing of groups 1 to 37 is the
// golden one above).
TEST(DebugMessages, InputWritesBannerAndGroupsInOrder) {
  auto sp = makeState();
  State& s = *sp;
  s.IPRTDAT = 1;
  DeckReader deck("input.dat", goldenDeck().text(44));
  std::vector<std::string> lines;
  {
    Listing lis(s, "input");
    INPUT(s, deck, 0);
    lines = lis.lines();
  }
  std::ifstream in(std::string(TALVEK_TEST_DATA) + "/input/debug_listing.golden");
  ASSERT_TRUE(in);
  std::vector<std::string> want;
  for (std::string l; std::getline(in, l);) want.push_back(l);
  ASSERT_GT(lines.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(want.size())), want);
  EXPECT_EQ(lines.back(), R"(   LAST DATA GROUP READ SUCCESSFULLY IS "DATA 44C")");
  // The second call reads only the schedule: no second banner.
  DeckReader sched("sched.dat", "DATA 45D\nNOW LINE\nWELL LINE\n0 0 0 0 0 0 0\n");
  Listing lis2(s, "input2");
  INPUT(s, sched, 1);
  ASSERT_FALSE(lis2.lines().empty());
  for (const std::string& l : lis2.lines()) EXPECT_EQ(l.find("DEBUGGING"), std::string::npos) << l;
}

// With the facility on, the warnings of a group are written before a value
// the tables cannot hold stops the run.
TEST(DebugMessages, WarningsPrecedeALimitStop) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[2] = "1 0 100. 50. 1.\n";
  b.data[10] = "41 2 2 1 2 0 2 2 0. 0.\n";
  DeckReader deck("stop.dat", b.text(37));
  Listing lis(s, "stop");
  setInputTables(s);
  EXPECT_THROW(readRunControl(s, deck), DeckError);
  const auto lines = lis.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), R"(   *WARNING* VARIABLE "  NX   " OF "DATA 10B" IS OUT OF RANGE)");
}


// With the facility off the listing stays silent, but every warning the
// facility knows goes to standard error, one line each with the deck line,
// the group and the item; more than three about one item are counted.
TEST(DebugMessages, WarningsOnStandardErrorAlsoWithTheFacilityOff) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b = goldenDeck();
  b.data[2] = "0 0 100. 50. 1.\n";
  b.data[21] = "0 PHI\n20. 20. 20. 20. 20. 20.\n20. 20. 20. 20. 20. 20.\n";  // porosity as a percentage
  b.data[33] = "1 RATIO\n1 1 1 1 1 1 -2.\n2 2 1 1 1 1 -3.\n3 3 1 1 1 1 -4.\n1 1 2 2 1 1 -5.\n"
               "2 2 2 2 1 1 -6.\n0 0 0 0 0 0 0\n";
  const std::string text = b.text(44);
  DeckReader deck("w.dat", text);
  Listing lis(s, "stderr");
  testing::WarningCapture err;
  INPUT(s, deck, 0);
  EXPECT_TRUE(lis.lines().empty());
  auto at = [&](const std::string& needle, int from = 1) {
    return "w.dat:" + std::to_string(lineOf(text, needle, from));
  };
  const int g33 = lineOf(text, "DATA 33A");
  const std::vector<std::string> want = {
      "talvek: warning: " + at("2000.") +
          ": data group DATA 03B, item DTMAX: 2000 is out of range 0.01 to 1000 (DTMIN to 1000)",
      "talvek: warning: " + at("2000.") + ": data group DATA 03B, item MATBAK: 5 is out of range 1 to 4",
      "talvek: warning: " + at("1 1 -1 1") + ": data group DATA 05B, item PRNTSG: -1 is out of range 0 to 1",
      "talvek: warning: " + at("1 1 -1 1") + ": data group DATA 05B, item PRNTADMX: 2 is out of range 0 to 1",
      "talvek: warning: " + at("5000. 1.5") + ": data group DATA 07B, item SINX: 1.5 is out of range -1 to 1",
      "talvek: warning: " + at("2 1. 2.") +
          ": data group DATA 08B, item AQRW: 5000 is out of range: not below AQRE (3000)",
      "talvek: warning: " + at("2 1. 2.") +
          ": data group DATA 08B, item AQRE: 3000 is out of range: not above AQRW (5000)",
      "talvek: warning: " + at("2 1. 2.") + ": data group DATA 08B, item ANGLE: 400 is out of range 0 to 360",
      "talvek: warning: " + at("5 4 1 1") + ": data group DATA 11A, item I1: 5 in region line 2 is out of range 1 to 3",
      "talvek: warning: " + at("5 4 1 1") + ": data group DATA 11A, item I2: 4 in region line 2 is out of range 1 to 3",
      "talvek: warning: " + at("5 4 1 1") +
          ": data group DATA 11A, item IACTIVE: 7 in region line 2 is out of range 0 to 1",
      "talvek: warning: " + at("20. 20.", lineOf(text, "20. 20.") + 1) +
          ": data group DATA 21A, item PHI: 12 values of the array out of range 0 to 1",
      "talvek: warning: " + at("1 1 1 1 1 1 -2.", g33) +
          ": data group DATA 33A, item RBVOL: -2 in region line 1 is out of range -1 to 1e+29",
      "talvek: warning: " + at("2 2 1 1 1 1 -3.", g33) +
          ": data group DATA 33A, item RBVOL: -3 in region line 2 is out of range -1 to 1e+29",
      "talvek: warning: " + at("3 3 1 1 1 1 -4.", g33) +
          ": data group DATA 33A, item RBVOL: -4 in region line 3 is out of range -1 to 1e+29",
      "talvek: warning: w.dat: data group DATA 33A, item RBVOL: (2 more like this)",
  };
  EXPECT_EQ(err.lines(), want);
  // The values stay as read.
  EXPECT_DOUBLE_EQ(s.PHI(1), 20.0 + 1.0E-51);
  EXPECT_DOUBLE_EQ(s.RBVOL(4), -5.0);
}

// The warnings and stops of the fixed-list groups on standard error name the
// item as the deck calls it and the line its value stands on, also when the
// group's values are spread over several lines; a warning then names the
// value read and the range or the rule it breaks.
TEST(DebugMessages, FixedListMessagesNameTheItemAndItsLine) {
  struct At {
    const char* item;
    int line;               // line within the group's data, from 1
    const char* what = "";  // the warning's text after the item
  };
  struct Case {
    int group;
    std::string data;
    std::vector<At> warnings;
    At stop = {"", 0};  // the stop that follows the warnings (none when empty)
  };
  const Case cases[] = {
      {6, "2 1 1 -1\n", {{"KEQW", 1, "2 is out of range 0 to 1"}, {"KEQP", 1, "-1 is out of range 0 to 1"}}},
      {6, "1\n1\n0\n7\n", {{"KEQP", 4, "7 is out of range 0 to 1"}}},
      {3,
       "1 1 0 0\n2000. 0.01 0.0005\n500. 500. 0.05\n5\n",
       {{"DTMAX", 2, "2000 is out of range 0.01 to 1000 (DTMIN to 1000)"},
        {"RERORP", 2, "0.0005 is out of range: below 0.001"},
        {"MATBAK", 4, "5 is out of range 1 to 4"}}},
      {3,
       "1 1 0 0 0.5 1.\n0.05 500. 500. 0.05 2\n",
       {{"DTMAX", 1, "0.5 is out of range 1 to 1000 (DTMIN to 1000)"},
        {"DTMIN", 1, "1 is out of range 0.001 to 0.5 (0.001 to DTMAX)"}}},
      // A whole number is printed in full.
      {3, "1 1 0 1234567 30. 0.01 0.05 500. 500. 0.05 2\n", {{"NINTBLE", 1, "1234567 is out of range 0 to 500"}}},
      {3, "1 1 0 0 30. 0.01\n0.\n500. 500. 0.05 2\n", {{"RERORP", 2, "0 is out of range: below 0.001"}}, {"RERORP", 2}},
      {3,
       "4\n1 0 0 30. 0.01 0.05 500. 500. 0.05 2\n",
       {{"MUNITIN", 1, "4 is out of range 1 to 3 (1 field, 2 SI, 3 laboratory)"}},
       {"MUNITIN", 1}},
      {3, "1 1 1\n1\n30. 0.01 0.05 500. 500. 0.05 2\n", {}, {"NINTBLE", 2}},
      {4, "0 0 0 1\n-1 10 10 0\n", {{"NFRRES", 2, "-1 is out of range: below 0"}}},
      {5, "1 1 1 1 1 1\n1 1 1 1 1 2\n", {{"PRNTWC", 2, "2 is out of range 0 to 1"}}},
      {7, "0.\n1.5 0.\n", {{"SINX", 2, "1.5 is out of range -1 to 1"}}},
      {8,
       "1 0. 0.\n3000.\n2000. 361. 0. 0.\n",
       {{"AQRW", 2, "3000 is out of range: not below AQRE (2000)"},
        {"AQRE", 3, "2000 is out of range: not above AQRW (3000)"},
        {"ANGLE", 3, "361 is out of range 0 to 360"}}},
      {8, "5\n0. 0. 0. 0. 360. 0. 0.\n", {{"IDAQFR", 1, "5 is out of range 0 to 3"}}, {"IDAQFR", 1}},
      {9, "2 0\n0. 0. 0.\n", {{"INIOPT", 1, "2 is out of range 0 to 1"}}},
      {10, "50\n1 1 1 2 0 1 1 0. 0.\n", {{"NX", 1, "50 is out of range 1 to 40"}}, {"NX", 1}},
      {10, "3 2 2 1 2 0\n31\n1 0. 0.\n", {{"NKRRGN", 2, "31 is out of range 1 to 30"}}, {"NKRRGN", 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("group " + std::to_string(c.group) + ": " + c.data);
    auto sp = makeState();
    State& s = *sp;
    DeckBuilder b;
    b.data[c.group] = c.data;
    const std::string text = b.text(10);
    // The group's data start after its two header lines.
    const int first = lineOf(text, DeckBuilder::label(c.group)) + 2;
    DeckReader deck("fl.dat", text);
    testing::WarningCapture err;
    std::string stopped;
    int stopLine = 0;
    try {
      readRunControl(s, deck);
    } catch (const DeckError& e) {
      stopped = e.item;
      stopLine = e.line;
    }
    std::vector<std::string> want;
    for (const At& a : c.warnings) {
      want.push_back("talvek: warning: fl.dat:" + std::to_string(first + a.line - 1) + ": data group " +
                     DeckBuilder::label(c.group) + ", item " + a.item + ": " + a.what);
    }
    EXPECT_EQ(err.lines(), want);
    EXPECT_EQ(stopped, c.stop.item);
    if (*c.stop.item) {
      EXPECT_EQ(stopLine, first + c.stop.line - 1);
    }
  }
}

// A group's first header line that carries another group's label is warned
// about with both labels and the line; other header texts pass silently.
TEST(DebugMessages, HeaderLineWithAnotherGroupsLabel) {
  struct Case {
    const char* from;  // a first header line of the fixture deck
    const char* to;    // its replacement
    const char* want;  // the warning expected (empty: none)
  };
  const Case cases[] = {
      {"DATA 10B HEADER LINE ONE", "DATA 11B HEADER LINE ONE",
       "data group DATA 10B, item header line: the header line carries the label 'DATA 11B' where 'DATA 10B' is "
       "due (a line missing or extra before it shifts the groups that follow)"},
      {"DATA 21A HEADER", "data 12a porosity",
       "data group DATA 21A, item header line: the header line carries the label 'data 12a' where 'DATA 21A' is "
       "due (a line missing or extra before it shifts the groups that follow)"},
      {"DATA 38C WATER-OIL TABLE, REGION 2", "DATA 40C WATER-OIL TABLE, REGION 2",
       "data group DATA 38C, item header line: the header line carries the label 'DATA 40C' where 'DATA 38C' is "
       "due (a line missing or extra before it shifts the groups that follow)"},
      {"DATA 21A HEADER", "data 21a porosity", ""},
      {"DATA 21A HEADER", "DATA TABLE 21", ""},
      {"DATA 21A HEADER", "POROSITY DATA 12A", ""},
      {"DATA 21A HEADER", "DATA 2A", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    auto sp = makeState();
    State& s = *sp;
    std::string text = DeckBuilder().text(44);
    const int line = lineOf(text, c.from);
    ASSERT_GT(line, 0);
    text.replace(text.find(c.from), std::string(c.from).size(), c.to);
    DeckReader deck("h.dat", text);
    testing::WarningCapture err;
    INPUT(s, deck, 0);
    if (*c.want) {
      EXPECT_EQ(err.lines(), std::vector<std::string>{"talvek: warning: h.dat:" + std::to_string(line) + ": " + c.want});
    } else {
      EXPECT_TRUE(err.lines().empty()) << err.lines().front();
    }
  }
}

}  // namespace
}  // namespace talvek
