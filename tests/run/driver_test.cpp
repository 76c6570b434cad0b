// The run driver's own pieces: the answer line, the pre-read of the deck
// head, the listing banner, and the set-up values of a new run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "io/deck.h"
#include "io/errors.h"
#include "run/driver.h"
#include "state/state.h"

using namespace talvek;

TEST(Answer, NamesTable) {
  struct Case {
    const char* line;
    int count;
    const char* n[4];
  };
  const Case cases[] = {
      {"input.txt,output.lis,rstr1.txt,rstr2.txt", 4, {"input.txt", "output.lis", "rstr1.txt", "rstr2.txt"}},
      {"  a.dat   b.lis  c  d  ", 4, {"a.dat", "b.lis", "c", "d"}},
      {"a , b , c , d  trailing words", 4, {"a", "b", "c", "d"}},
      {"/tmp/x/deck.txt,/tmp/x/out.lis,r1,r2", 4, {"/tmp/x/deck.txt", "/tmp/x/out.lis", "r1", "r2"}},
      {"'my deck.txt' \"out put.lis\" r1 r2", 4, {"my deck.txt", "out put.lis", "r1", "r2"}},
      {"deck.txt,out.lis", 2, {"deck.txt", "out.lis", "", ""}},
      {"deck.txt,,r1,r2", 4, {"deck.txt", "", "r1", "r2"}},
      {",out.lis,r1,r2", 4, {"", "out.lis", "r1", "r2"}},
      {"deck.txt , , r1 , r2", 4, {"deck.txt", "", "r1", "r2"}},
      {"deck.txt out.lis / r1 r2", 2, {"deck.txt", "out.lis", "", ""}},
      {"", 0, {"", "", "", ""}},
  };
  for (const Case& c : cases) {
    std::string names[4] = {"x", "x", "x", "x"};
    EXPECT_EQ(ANSWER(c.line, names), c.count) << c.line;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(names[i], c.n[i]) << c.line << " name " << i;
  }
}

TEST(Answer, LongNamesAreKeptWhole) {
  auto sp = makeState();
  State& s = *sp;
  const std::string longName = "/" + std::string(120, 'd') + "/deck.txt";
  const std::string names[4] = {longName, "out.lis", "r1", "r2"};
  SETNAMES(s, names);
  EXPECT_EQ(s.RUNFILE[0], longName);
  EXPECT_EQ(std::string(s.FINPUT.c.data(), 80), longName.substr(0, 80));
  EXPECT_EQ(std::string(s.FOUTPUT.c.data(), 7), "out.lis");
  EXPECT_EQ(s.FOUTPUT.trimmed(), 7u);
}

namespace {

const char* kHead =
    "DATA 01E header\n"
    "title follows\n"
    "A SHORT RUN TITLE\n"
    "DATA 02B\n"
    "IPRTDAT IRSTRT TMTOTAL TMSTOP DELT\n"
    "1 0 500. 400. 2.5   comment after the values\n"
    "DATA 03B\n"
    "MUNITIN ...\n"
    "3 1 0 0\n"
    "5. 20. 0.01 500. 300. 0.2 2\n"
    "DATA 04B\n"
    "IPRINT ...\n"
    "2 3 4 1 5 6 7 8\n"
    "DATA 05B\n"
    "switches\n"
    "1 0 1 0 1 0 1 0 1 0 1 0\n"
    "DATA 06B\n";

std::string tempPath(const char* stem) {
  return std::string(::testing::TempDir()) + stem + std::to_string(::getpid());
}

std::string slurp(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

TEST(PreRead, DeckHeadIsHeldBack) {
  auto sp = makeState();
  State& s = *sp;
  const std::string out = tempPath("preread.lis");
  s.units.open(s.IOUT, out, FileForm::Formatted, FileStatus::Unknown);
  DeckReader deck("head.txt", kHead);
  PRERED(s, deck);
  s.units.close(s.IOUT);
  EXPECT_EQ(s.IPRTDAT, 1);
  EXPECT_EQ(s.IRSTRT, 0);
  EXPECT_EQ(s.MUNITIN, 3);
  EXPECT_EQ(s.INOUTP, 1);
  const DeckHead& h = s.HEAD;
  EXPECT_DOUBLE_EQ(h.TMTOTAL, 500);
  EXPECT_DOUBLE_EQ(h.TMSTOP, 400);
  EXPECT_DOUBLE_EQ(h.DELT, 2.5);
  EXPECT_EQ(h.MUNTOUT, 3);       // laboratory input gives laboratory output
  EXPECT_DOUBLE_EQ(h.DTMAX, 20);  // DTMAX below DTMIN raised to DTMIN
  EXPECT_DOUBLE_EQ(h.DTMIN, 20);
  EXPECT_EQ(h.MATBAK, 2);
  EXPECT_EQ(h.IPRINT, 2);
  EXPECT_EQ(h.IPRST2, 4);
  EXPECT_EQ(h.NWRITE, 8);
  EXPECT_EQ(h.IPRNT(1), 1);
  EXPECT_EQ(h.IPRNT(11), 1);
  EXPECT_EQ(h.IPRNT(12), 0);
  // The deck is rewound for the deck reader.
  EXPECT_EQ(deck.lineNumber(), 0);
  const std::string lis = slurp(out);
  const std::string title = std::string("1\n\n\n  RUN TITLE :  A SHORT RUN TITLE") + std::string(80 - 17, ' ') + "\n " +
                            std::string(98, '=') + "\n\n\n\n";
  EXPECT_EQ(lis, title);
  std::remove(out.c_str());
}

TEST(PreRead, ShortDeckNamesGroupAndLine) {
  auto sp = makeState();
  State& s = *sp;
  const std::string out = tempPath("preread2.lis");
  s.units.open(s.IOUT, out, FileForm::Formatted, FileStatus::Unknown);
  DeckReader deck("cut.txt", "h\nh\nTITLE\nh\nh\n1 0 x 5 1\n");
  try {
    PRERED(s, deck);
    ADD_FAILURE() << "no error";
  } catch (const DeckError& e) {
    EXPECT_EQ(e.file, "cut.txt");
    EXPECT_EQ(e.group, "DATA 02B");
    EXPECT_EQ(e.line, 6);
    EXPECT_EQ(e.item, "TMTOTAL");
  }
  s.units.close(s.IOUT);
  std::remove(out.c_str());
}

TEST(Listing, BannerAndDeckImage) {
  auto sp = makeState();
  State& s = *sp;
  const std::string names[4] = {"deck", tempPath("banner.lis"), "r1", tempPath("banner.rst")};
  SETNAMES(s, names);
  OPENUP(s);
  DeckReader deck("d.txt", "line one\n" + std::string(90, 'x') + "\n");
  DCKIMG(s, deck);
  s.units.close(s.IOUT);
  s.units.close(s.IRST2);
  const std::string lis = slurp(names[1]);
  std::istringstream in(lis);
  std::string l;
  std::vector<std::string> lines;
  while (std::getline(in, l)) lines.push_back(l);
  ASSERT_GE(lines.size(), 30u);
  EXPECT_EQ(lines[0], "1");
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(lines[i], "") << i;
  EXPECT_EQ(lines[12], std::string(45, ' ') + std::string(49, '='));
  EXPECT_EQ(lines[13], std::string(47, ' ') + "TALVEK");
  EXPECT_EQ(lines[14], std::string(47, ' ') + "            (TALVEK, RELEASE 1.16)");
  EXPECT_EQ(lines[15], lines[12]);
  // Three empty lines, then the four banner lines of 80 characters.
  EXPECT_EQ(lines[16], "");
  EXPECT_EQ(lines[19].size(), 127u);
  EXPECT_EQ(lines[22].size(), 127u);
  EXPECT_EQ(lines[24].size(), 127u);
  EXPECT_EQ(lines[26].size(), 127u);
  EXPECT_EQ(lines[27], "");
  EXPECT_EQ(lines[28], "");
  // The deck image: heading, then each deck line as 1X A80.
  const std::size_t n = lines.size();
  EXPECT_EQ(lines[n - 2], " line one" + std::string(72, ' '));
  EXPECT_EQ(lines[n - 1], " " + std::string(80, 'x'));
  EXPECT_EQ(lines[n - 7], " THIS IS AN IMMAGE OF YOUR DATA FILE");
  EXPECT_EQ(lines[n - 6], " " + std::string(35, '='));
  std::remove(names[1].c_str());
  std::remove(names[3].c_str());
}

TEST(NewRunSetUp, LimitsFixedSaturationsAndLogConcentrations) {
  auto sp = makeState();
  State& s = *sp;
  s.DELSAT = 0.2;
  s.DELPO = 300;
  s.DELRS = 150;
  s.IPO = 3;
  NEWLIM(s);
  EXPECT_DOUBLE_EQ(s.DELRS2, 150);
  for (int k : {1, 2, 4}) {
    EXPECT_DOUBLE_EQ(s.DXREF(k), 1.0);
    EXPECT_DOUBLE_EQ(s.DXMAX(k), 0.2);
  }
  EXPECT_DOUBLE_EQ(s.DXREF(3), 15000.0);
  EXPECT_DOUBLE_EQ(s.DXMAX(3), 300.0);

  s.NGPACT = 1;
  s.SPN(1) = 0.05;
  s.SWN(1) = 0.3;
  s.SON(1) = 0.5;
  s.SGN(1) = 0.15;
  struct Case {
    int w, o, g, p;
    double expect;
  };
  const Case cases[] = {{1, 1, 1, 1, 0.0}, {1, 1, 0, 0, 0.2}, {1, 0, 0, 1, 0.65}, {0, 1, 1, 0, 0.35}};
  for (const Case& c : cases) {
    s.KEQW = c.w;
    s.KEQO = c.o;
    s.KEQG = c.g;
    s.KEQP = c.p;
    FIXSAT(s);
    EXPECT_NEAR(s.SFIXED(1), c.expect, 1e-15);
  }

  s.NRPOL = 3;
  s.CPPPM(1) = 1.0E-7;
  s.CPPPM(2) = 100.0;
  s.CPPPM(3) = 2000.0;
  CPLOG(s);
  EXPECT_DOUBLE_EQ(s.CPPPM(1), std::log(1.0E-7));
  EXPECT_DOUBLE_EQ(s.CPPPM(2), std::log(100.0));
  EXPECT_DOUBLE_EQ(s.CPPPM(3), std::log(2000.0));

  // A negative concentration of the deck (stored plus 1e-7) has no logarithm.
  s.RUNFILE[0] = "poly.txt";
  s.CPPPM(1) = 1.0E-7;
  s.CPPPM(2) = -5.0 + 1.0E-7;
  try {
    CPLOG(s);
    ADD_FAILURE() << "no error";
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(),
                 "poly.txt: data group DATA 43C, item CONCP: concentration of row 2 of the polymer viscosity table is "
                 "negative: CONCP = -5.00000");
  }
}

TEST(Restart, NewDeckHeadReplacesRunControl) {
  for (double delt : {0.5, 50.0}) {
    auto sp = makeState();
    State& s = *sp;
    const std::string out = tempPath("rsthed.lis");
    s.units.open(s.IOUT, out, FileForm::Formatted, FileStatus::Unknown);
    // Restored state.
    s.MUNITIN = 1;
    s.MUNTOUT = 1;
    s.IPO = 3;
    s.DPREF = 15000.0;
    s.DTIME = 7.0;
    s.ISTEP = 42;
    s.TIMUSE = 123.0;
    s.IQUAD = 0;
    s.NINTBLE = 0;
    s.TOLREL = 0.001;
    // The new deck's head.
    DeckHead& h = s.HEAD;
    h.DELT = delt;
    h.TMTOTAL = 900;
    h.TMSTOP = 800;
    h.MUNTOUT = 2;
    h.DTMAX = 30;
    h.DTMIN = 0.1;
    h.DELSAT = 0.07;
    h.DELPO = 250;
    h.DELRS = 90;
    h.MATBAK = 4;
    h.NFRRES = 3;
    h.NINTBLE = 50;
    h.IPRNT(8) = 1;
    RSTHED(s);
    s.units.close(s.IOUT);
    EXPECT_DOUBLE_EQ(s.DTIME, std::min(7.0, delt));
    EXPECT_DOUBLE_EQ(s.TMSTOP, 800);
    EXPECT_DOUBLE_EQ(s.DTMAX, 30);
    EXPECT_EQ(s.MATBAK, 4);
    EXPECT_DOUBLE_EQ(s.TOLREL, 0.001);  // the restored tolerance stays
    EXPECT_EQ(s.NFRRES, 3);
    EXPECT_EQ(s.IPRNT(8), 1);
    EXPECT_DOUBLE_EQ(s.DELRS2, 90);
    EXPECT_DOUBLE_EQ(s.DXMAX(1), 0.07);
    EXPECT_DOUBLE_EQ(s.DXMAX(3), 250);
    EXPECT_DOUBLE_EQ(s.DXREF(3), 15000.0);
    EXPECT_EQ(s.ISTEP0, 42);
    EXPECT_EQ(s.NINTBLE, 50);
    EXPECT_NEAR(s.UFAC(6), 6.894757, 1e-12);  // field input, SI output now
    const std::string lis = slurp(out);
    EXPECT_EQ(lis, std::string(11, ' ') + "RESULTS OF SIMULATION\n" + std::string(11, ' ') + std::string(21, '=') + "\n\n\n\n");
    std::remove(out.c_str());
  }
}

// Laboratory input has no conversion to other systems: a restart of a
// laboratory run reports in laboratory units whatever output units the new
// deck's head asks for (its own MUNITIN is not the one in force).
TEST(Restart, OutputUnitsFollowTheInputUnitsInForce) {
  const struct {
    int munitin, deckMuntout, muntout;
  } cases[] = {{3, 1, 3}, {3, 2, 3}, {1, 2, 2}, {2, 1, 1}, {1, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "MUNITIN " << c.munitin << ", deck MUNTOUT " << c.deckMuntout);
    auto sp = makeState();
    State& s = *sp;
    const std::string out = tempPath("rstunits.lis");
    s.units.open(s.IOUT, out, FileForm::Formatted, FileStatus::Unknown);
    s.MUNITIN = c.munitin;
    s.MUNTOUT = c.munitin == 3 ? 3 : 1;
    s.IPO = 3;
    s.DTIME = 1.0;
    s.HEAD.DELT = 1.0;
    s.HEAD.MUNTOUT = c.deckMuntout;
    RSTHED(s);
    s.units.close(s.IOUT);
    EXPECT_EQ(s.MUNTOUT, c.muntout);
    std::remove(out.c_str());
  }
}
