// Reading whole decks: run-control groups, grid, array groups and the values
// derived from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/debug.h"
#include "input/input.h"
#include "io/deck.h"
#include "io/errors.h"
#include "input/deck_fixture.h"
#include "warning_capture.h"

namespace talvek {
namespace {

using testing::DeckBuilder;

std::string trimmed(const FText<80>& t) { return std::string(t.c.data(), t.trimmed()); }

TEST(InputDeck, CartesianDeckThroughInput) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  const std::string text = b.text();
  DeckReader deck("cart.dat", text);
  INPUT(s, deck, 0);
  EXPECT_TRUE(deck.atEnd()) << "stopped at line " << deck.lineNumber() << " of " << deck.lineCount();

  // Groups 1 to 10.
  EXPECT_EQ(trimmed(s.TITLE), "SMALL CARTESIAN TEST DECK");
  EXPECT_EQ(s.TITLE.c[79], ' ');
  EXPECT_DOUBLE_EQ(s.TMTOTAL, 100.0);
  EXPECT_DOUBLE_EQ(s.TMSTOP, 50.0);
  EXPECT_DOUBLE_EQ(s.DELT, 1.0);
  EXPECT_EQ(s.MUNITIN, 1);
  EXPECT_EQ(s.MUNTOUT, 1);
  EXPECT_DOUBLE_EQ(s.DTMAX, 30.0);
  EXPECT_DOUBLE_EQ(s.DELSAT, 0.05);
  EXPECT_EQ(s.MATBAK, 2);
  EXPECT_DOUBLE_EQ(s.TOLREL, 0.001);
  EXPECT_DOUBLE_EQ(s.EPSP, 0.1);
  EXPECT_DOUBLE_EQ(s.EPSS, 0.001);
  EXPECT_DOUBLE_EQ(s.EPSRS, 1.0);
  EXPECT_EQ(s.INOUTP, 1);
  EXPECT_EQ(s.NWRITE, 0);
  const int prnt[12] = {1, 1, 1, 1, 0, 1, 0, 1, 1, 0, 0, 1};
  for (int k = 1; k <= 12; ++k) EXPECT_EQ(s.IPRNT(k), prnt[k - 1]) << k;
  EXPECT_EQ(s.NEQN, 4);
  EXPECT_EQ(s.KEQP, 1);
  EXPECT_EQ(s.KEQW, 2);
  EXPECT_EQ(s.KEQO, 3);
  EXPECT_EQ(s.KEQG, 4);
  EXPECT_DOUBLE_EQ(s.DEPTH1, 5000.0);
  EXPECT_EQ(s.IDAQFR, 1);  // deck 0: no aquifer
  EXPECT_DOUBLE_EQ(s.ANGLE, 360.0);
  EXPECT_DOUBLE_EQ(s.ZREF, 5000.0);
  EXPECT_DOUBLE_EQ(s.PZREF, 3000.0);
  EXPECT_EQ(s.NX, 3);
  EXPECT_EQ(s.NY, 2);
  EXPECT_EQ(s.NZ, 2);
  EXPECT_EQ(s.IRADIAL, 0);
  EXPECT_EQ(s.NCELL, 12);
  EXPECT_EQ(s.NY1, 3);
  EXPECT_EQ(s.NZ1, 3);
  EXPECT_EQ(trimmed(s.LAYLAB(1)), "(BOTTOM LAYER)");
  EXPECT_EQ(trimmed(s.LAYLAB(2)), "(TOP LAYER)");
  EXPECT_EQ(s.LAYLAB(3).trimmed(), 0u);
  EXPECT_DOUBLE_EQ(s.C1, 5.6146);
  EXPECT_EQ(s.IVHIGH(12), 2);
  EXPECT_EQ(s.IVHIGH(13), 2);

  // XYZ natural order: L = I + 3(J-1) + 6(K-1); block (3,2,2) is inactive.
  for (int k = 1; k <= 2; ++k)
    for (int j = 1; j <= 2; ++j)
      for (int i = 1; i <= 3; ++i) EXPECT_EQ(s.LBLOCK(i, j, k), i + 3 * (j - 1) + 6 * (k - 1));
  EXPECT_EQ(s.NGPACT, 11);
  for (int L = 1; L <= 11; ++L) {
    EXPECT_EQ(s.IACTIVE(L), 1);
    EXPECT_EQ(s.IBLK(L), L);
    EXPECT_EQ(s.IORD(L), L);
  }
  EXPECT_EQ(s.IACTIVE(12), 0);
  EXPECT_EQ(s.IORD(12), 0);
  EXPECT_EQ(s.NBR(7, 6), 0);  // (3,2,1) has the inactive (3,2,2) above it

  const int pvt[12] = {1, 2, 1, 2, 1, 2, 2, 1, 2, 1, 2, 1};
  for (int n = 1; n <= 11; ++n) {
    const int k = n <= 6 ? 1 : 2;
    EXPECT_EQ(s.NKRGN(n), k) << n;
    EXPECT_EQ(s.NPVTGN(n), pvt[n - 1]) << n;
    EXPECT_DOUBLE_EQ(s.KX(n), 100.0 * n) << n;
    EXPECT_DOUBLE_EQ(s.KY(n), n == 2 ? 555.0 : 100.0) << n;  // the later, overlapping line wins
    EXPECT_DOUBLE_EQ(s.KZ(n), 10.0);
    EXPECT_DOUBLE_EQ(s.PHI(n), 0.2);
    EXPECT_DOUBLE_EQ(s.SON(n), 0.3);
    EXPECT_DOUBLE_EQ(s.SWN(n), 0.5);
    EXPECT_DOUBLE_EQ(s.SPN(n), 0.1);
    EXPECT_NEAR(s.SGN(n), 0.1, 1e-15);
    EXPECT_DOUBLE_EQ(s.RSN(n), 400.0);
    EXPECT_DOUBLE_EQ(s.PN(n), 3000.0);
    EXPECT_DOUBLE_EQ(s.CRP(n), 0.0005);
    EXPECT_DOUBLE_EQ(s.ADS(n), 0.0005);
    EXPECT_EQ(s.INFBLK(n), (n - 1) % 3 == 0 ? 3 : 0) << n;
    EXPECT_DOUBLE_EQ(s.RNTG(n), 1.0);
    EXPECT_DOUBLE_EQ(s.MUPB(n), 1.0);
    // Region-form default 0.0 of the active-block reals becomes 1.0E-51.
    EXPECT_EQ(s.DEPTH(n), 1.0E-51);
    EXPECT_EQ(s.CONCP(n), 1.0E-51);
    EXPECT_EQ(s.RGFZ(n), 1.0E-51);
  }
  EXPECT_EQ(s.MUPB(12), 0.0);
  for (int L = 1; L <= 12; ++L) {
    EXPECT_DOUBLE_EQ(s.DX(L), 100.0);
    EXPECT_DOUBLE_EQ(s.DY(L), 50.0);
    EXPECT_DOUBLE_EQ(s.DZ(L), L <= 6 ? 10.0 : 20.0);
  }
  // The tables were read after group 37 (two regions each).
  EXPECT_EQ(s.NRWO(2), 3);
  EXPECT_EQ(s.NRPVT(2), 3);
}

// The second call goes on from where the first stopped and reads the
// schedule.
TEST(InputDeck, ScheduleReadBySecondCall) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  const std::string text = b.text() +
                           "DATA 45D  WELL SCHEDULE\nNOW IRITE1 DELT1 SIMNEW QOECON WORMAX GORMAX\n"
                           "IWT IWC IW JW KW IWOPC GW BHP QSP CONCPI CONCTI\n"
                           "1 1 1.0 365.0 5.0 20.0 2000.0\n"
                           "-2 7 1 1 1 1 10.0 3000.0 1.0 500.0 20.0\n"
                           "0 0 0 0 0 0 0\n";
  DeckReader deck("sched.dat", text);
  INPUT(s, deck, 0);
  EXPECT_FALSE(deck.atEnd());
  INPUT(s, deck, 1);
  EXPECT_TRUE(deck.atEnd());
  EXPECT_EQ(s.NNOW, 1);
  EXPECT_DOUBLE_EQ(s.SIMNEW(1), 365.0);
  EXPECT_EQ(s.NWLINE(1), 1);
}

TEST(InputDeck, TitleIsCutAfter80Characters) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  const std::string title = std::string(78, 'T') + "ABCD, 1 2 3";
  b.data[1] = title + "\n";
  DeckReader deck("title.dat", b.text(37));
  setInputTables(s);
  readRunControl(s, deck);
  EXPECT_EQ(std::string(s.TITLE.c.data(), 80), title.substr(0, 80));
}

// A blank header line is skipped, so the group's data line is taken as its
// second header and the next group's header as data: the read stops there.
TEST(InputDeck, BlankHeaderLineShiftsTheDeck) {
  auto sp = makeState();
  State& s = *sp;
  std::string text = DeckBuilder().text(37);
  const std::string head = "DATA 02B HEADER LINE ONE";
  text.replace(text.find(head), head.size(), "");
  DeckReader deck("blank.dat", text);
  setInputTables(s);
  try {
    readRunControl(s, deck);
    ADD_FAILURE() << "shifted deck accepted";
  } catch (const DeckError& e) {
    EXPECT_EQ(e.group, "DATA 02B");
    EXPECT_EQ(e.item, "IPRTDAT");
    EXPECT_EQ(e.line, testing::lineOf(text, "DATA 03B HEADER LINE ONE"));
  }
}

TEST(InputDeck, RadialGridFromNyZero) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[10] = "5 0 3 1 2 0 1 1 0.25 1000.\n";
  b.data[11] = "1 IACTIVE\n0 0 0 0 0 0 0\n";
  b.data[12] = "1 NKRGN\n1 5 1 1 1 3 1\n0 0 0 0 0 0 0\n";
  b.data[13] = "0 NPVTGN\n15*1\n";
  b.data[14] = "1 DX\n1 5 1 1 1 3 100.\n0 0 0 0 0 0 0\n";
  b.data[15] = "0 DY\n15*1.\n";
  // Every other array over the whole r-z grid, as region lines.
  const char* value[38] = {};
  value[16] = "10.";  value[17] = "0.";  value[19] = "100."; value[20] = "10.";  value[21] = "0.2";
  value[22] = "0.3";  value[23] = "0.5"; value[24] = "0.1";  value[25] = "400."; value[26] = "3000.";
  value[27] = "0.";   value[28] = "0.";  value[29] = "0.";   value[30] = "0";    value[31] = "0.";
  for (int g = 32; g <= 37; ++g) value[g] = "0.";
  for (int g = 16; g <= 37; ++g) {
    if (g == 18) continue;
    b.data[g] = std::string("1 ARRAY\n1 5 1 1 1 3 ") + value[g] + "\n0 0 0 0 0 0 0\n";
  }
  b.data[18] = "1 KX\n1 5 1 1 1 3 100.\n3 3 1 1 2 2 7.\n0 0 0 0 0 0 0\n";
  b.data[38] = DeckBuilder::rockRegion(1);
  b.data[40] = DeckBuilder::pvtRegion(1);
  DeckReader deck("radial.dat", b.text());
  INPUT(s, deck, 0);
  EXPECT_TRUE(deck.atEnd());
  EXPECT_EQ(s.IRADIAL, 1);
  EXPECT_EQ(s.NY, 1);
  EXPECT_EQ(s.NY1, 2);
  EXPECT_EQ(s.NCELL, 15);
  EXPECT_EQ(s.NGPACT, 15);
  EXPECT_DOUBLE_EQ(s.RADW, 0.25);
  EXPECT_DOUBLE_EQ(s.RADE, 1000.0);
  EXPECT_EQ(trimmed(s.LAYLAB(1)), "(BOTTOM LAYER)");
  EXPECT_EQ(trimmed(s.LAYLAB(3)), "(TOP LAYER)");
  EXPECT_EQ(s.LAYLAB(2).trimmed(), 0u);
  for (int k = 1; k <= 3; ++k)
    for (int i = 1; i <= 5; ++i) {
      const int L = s.LBLOCK(i, 1, k);
      EXPECT_DOUBLE_EQ(s.DX(L), 100.0);
      const int n = s.IORD(L);
      ASSERT_GE(n, 1);
      EXPECT_DOUBLE_EQ(s.KX(n), (i == 3 && k == 2) ? 7.0 : 100.0);
    }
}

// Rings have no direction to dip along: a radial grid with a dip is warned
// about (its depths still follow the sines over DX and DY); a level radial
// grid and a dipping Cartesian grid are not.
TEST(InputDeck, DipOfARadialGridIsWarnedAbout) {
  struct Case {
    const char* grid;  // group 10
    const char* dip;   // group 7
    bool warned;
  };
  const Case cases[] = {
      {"3 0 2 1 2 0 2 2 0.25 1000.\n", "5000. 0.1 0.\n", true},
      {"3 0 2 1 2 0 2 2 0.25 1000.\n", "5000. 0. -0.2\n", true},
      {"3 0 2 1 2 0 2 2 0.25 1000.\n", "5000. 0. 0.\n", false},
      {"3 2 2 1 2 0 2 2 0. 0.\n", "5000. 0.1 0.\n", false},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    DeckBuilder b;
    b.data[7] = c.dip;
    b.data[10] = c.grid;
    testing::WarningCapture capture;
    DeckReader deck("dip.dat", b.text(37));
    setInputTables(s);
    readRunControl(s, deck);
    std::vector<std::string> dip;
    for (const std::string& w : capture.lines())
      if (w.find("has no dip") != std::string::npos) dip.push_back(w);
    if (!c.warned) {
      EXPECT_TRUE(dip.empty()) << c.grid << c.dip;
      continue;
    }
    ASSERT_EQ(dip.size(), 1u) << c.dip;
    const std::string at = "dip.dat:" + std::to_string(testing::lineOf(b.text(37), std::string(c.dip, std::string_view(c.dip).find('\n')))) +
                           ": data group DATA 07B, item SINX, SINY: a radial grid (NY = 0) has no dip";
    EXPECT_EQ(dip[0].rfind("talvek: warning: " + at, 0), 0u) << dip[0];
  }
}

// With automatic ordering the numbering is not the deck's I-J-K order: the
// whole form must still give the m-th value to cell (I,J,K).
TEST(InputDeck, WholeFormFollowsPhysicalIndicesUnderAnyOrdering) {
  for (int order : {1, 3, 7}) {
    auto sp = makeState();
    State& s = *sp;
    DeckBuilder b;
    b.data[10] = "3 2 2 1 " + std::to_string(order) + " 0 2 2 0. 0.\n";
    b.data[11] = "0 IACTIVE\n1 1 1 1 0 1  1 1 1 1 1 1\n";  // (2,2,1) inactive
    b.data[14] = "0 DX\n1. 2. 3. 4. 5. 6. 7. 8. 9. 10. 11. 12.\n";
    b.data[18] = "0 KX\n1. 2. 3. 4. 5. 6. 7. 8. 9. 10. 11. 12.\n";
    DeckReader deck("order.dat", b.text(37));
    setInputTables(s);
    readRunControl(s, deck);
    readArrayGroups(s, deck);
    EXPECT_EQ(s.NGPACT, 11);
    for (int k = 1; k <= 2; ++k)
      for (int j = 1; j <= 2; ++j)
        for (int i = 1; i <= 3; ++i) {
          const int m = i + 3 * (j - 1) + 6 * (k - 1);
          const int L = s.LBLOCK(i, j, k);
          EXPECT_DOUBLE_EQ(s.DX(L), m) << "order " << order;
          EXPECT_EQ(s.IACTIVE(L), m == 5 ? 0 : 1);
          if (m != 5) {
            EXPECT_DOUBLE_EQ(s.KX(s.IORD(L)), m) << "order " << order;
          }
        }
  }
}

TEST(InputDeck, RegionLineForms) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  // Ends on indices that add up to 0 (2 -2 0 0 0 0), after an empty box
  // (I1 > I2) that sets nothing.
  b.data[14] = "1 DX\n1 3 1 2 1 2 100.\n3 1 1 2 1 2 999.\n2 -2 0 0 0 0 5.\n";
  // Values may be spread over lines and followed by comments.
  b.data[16] = "1 DZ\n1 3 1 2\n 1 2 15. this is a comment\n0 0 0 0 0 0 0\n";
  DeckReader deck("regions.dat", b.text(37));
  setInputTables(s);
  readRunControl(s, deck);
  readArrayGroups(s, deck);
  for (int L = 1; L <= 12; ++L) {
    EXPECT_DOUBLE_EQ(s.DX(L), 100.0);
    EXPECT_DOUBLE_EQ(s.DZ(L), 15.0);
  }
  EXPECT_TRUE(deck.atEnd());
}

// Indices whose sum is 2^32 do not end the list (their box, J1 > J2, is
// empty); the following line still applies.
TEST(InputDeck, HugeIndicesDoNotEndTheRegionLines) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[14] = "1 DX\n1 3 1 2 1 2 100.\n2147483647 2147483647 2 0 0 0 5.\n1 1 1 1 1 1 7.\n0 0 0 0 0 0 0\n";
  DeckReader deck("huge.dat", b.text(37));
  setInputTables(s);
  readRunControl(s, deck);
  readArrayGroups(s, deck);
  for (int L = 1; L <= 12; ++L) EXPECT_DOUBLE_EQ(s.DX(L), L == s.LBLOCK(1, 1, 1) ? 7.0 : 100.0) << L;
  EXPECT_TRUE(deck.atEnd());
}

TEST(InputDeck, AllBlocksInactive) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[11] = "1 IACTIVE\n1 3 1 2 1 2 0\n0 0 0 0 0 0 0\n";
  DeckReader deck("inactive.dat", b.text(37));
  setInputTables(s);
  readRunControl(s, deck);
  readArrayGroups(s, deck);
  EXPECT_EQ(s.NGPACT, 0);
  for (int L = 1; L <= 12; ++L) EXPECT_EQ(s.IORD(L), 0);
}

// Derived settings of groups 2, 3, 8 and 9.
TEST(InputDeck, RunControlDerivedValues) {
  struct Case {
    int group;
    std::string data;
    void (*check)(const State&);
  };
  const Case cases[] = {
      {2, "0 0 10. 50. 80.\n",
       [](const State& s) {
         EXPECT_DOUBLE_EQ(s.TMTOTAL, 50.0);  // raised to the halting time
         EXPECT_DOUBLE_EQ(s.DELT, 50.0);     // cut to the halting time
       }},
      {3, "1 1 0 0 0.5 2.0 0.05 500. 500. 0.05 1\n",
       [](const State& s) {
         EXPECT_DOUBLE_EQ(s.DTMAX, 2.0);  // raised to DTMIN
       }},
      {3, "3 1 0 0 30. 0.01 0.05 500. 500. 0.05 1\n",
       [](const State& s) {
         EXPECT_EQ(s.MUNTOUT, 3);  // laboratory input gives laboratory output
         EXPECT_DOUBLE_EQ(s.C2, 1.0);
       }},
      {3, "1 2 1 200 30. 0.01 0.05 500. 500. 0.05 4\n",
       [](const State& s) {
         EXPECT_EQ(s.IQUAD, 1);
         EXPECT_EQ(s.NINTBLE, 200);
         EXPECT_DOUBLE_EQ(s.TOLREL, 1.0E-5);
         EXPECT_NEAR(s.UFAC(6), 6.894757, 1e-12);
       }},
      {3, "1 1 0 0 30. 0.01 0.05 500. 500. 0.05 7\n",
       [](const State& s) { EXPECT_DOUBLE_EQ(s.TOLREL, 0.01); }},
      {8, "2 1. 2. 3000. 30000. 180. 1.E-5 0.5\n",
       [](const State& s) {
         EXPECT_EQ(s.IDAQFR, 3);  // steady-state, kept as deck value + 1
         EXPECT_DOUBLE_EQ(s.AQRE, 30000.0);
       }},
      {8, "0 0. 0. 0. 0. 0. 0. 0.\n",
       [](const State& s) {
         // Each of the seven reals is raised by 1.0E-51.
         for (double v : {s.AQFH, s.AQKH, s.AQRW, s.AQRE, s.ANGLE, s.AQCWE, s.AQMUW}) EXPECT_EQ(v, 1.0E-51);
         EXPECT_EQ(s.IDAQFR, 1);
       }},
      {8, "3 0. 0. 0. 0. 0. 0. 0.\n", [](const State& s) { EXPECT_EQ(s.IDAQFR, 4); }},
      {10, "3 2 2 1 2 0 2 2 0. 0.\n",
       [](const State& s) {
         EXPECT_EQ(s.RADW, 1.0E-51);
         EXPECT_EQ(s.RADE, 1.0E-51);
       }},
      {9, "1 3 0. 0. 0.\n",
       [](const State& s) {
         EXPECT_EQ(s.INIOPT, 1);
         EXPECT_EQ(s.ICASE, 3);
         EXPECT_EQ(s.ZREF, 1.0E-51);
         EXPECT_EQ(s.PZREF, 1.0E-51);
         EXPECT_EQ(s.XREF5, 1.0E-51);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("group " + std::to_string(c.group) + ": " + c.data);
    auto sp = makeState();
    State& s = *sp;
    DeckBuilder b;
    b.data[c.group] = c.data;
    DeckReader deck("derived.dat", b.text(37));
    setInputTables(s);
    readRunControl(s, deck);
    readArrayGroups(s, deck);
    c.check(s);
  }
}

// The Newton tolerance follows MATBAK; it is set once the active blocks are
// known (after group 11), together with the perturbations of the raised
// states.
TEST(InputDeck, ToleranceByMatbak) {
  const struct {
    int matbak;
    double tolrel;
  } cases[] = {{1, 0.01}, {2, 0.001}, {3, 1.0E-4}, {4, 1.0E-5}, {0, 0.01}, {5, 0.01}, {-3, 0.01}};
  for (const auto& c : cases) {
    SCOPED_TRACE("MATBAK " + std::to_string(c.matbak));
    auto sp = makeState();
    State& s = *sp;
    s.TOLREL = s.EPSP = s.EPSS = s.EPSRS = -1.0;
    DeckBuilder b;
    b.data[3] = "1 1 0 0 30. 0.01 0.05 500. 500. 0.05 " + std::to_string(c.matbak) + "\n";
    DeckReader deck("matbak.dat", b.text(37));
    setInputTables(s);
    readRunControl(s, deck);
    EXPECT_EQ(s.TOLREL, -1.0);  // not yet set after group 10
    EXPECT_EQ(s.MATBAK, c.matbak);
    readArrayGroups(s, deck);
    EXPECT_EQ(s.TOLREL, c.tolrel);
    EXPECT_EQ(s.EPSP, 0.1);
    EXPECT_EQ(s.EPSS, 0.001);
    EXPECT_EQ(s.EPSRS, 1.0);
  }
}

// A single layer has no layer labels.
TEST(InputDeck, SingleLayerHasNoLayerLabels) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[10] = "3 2 1 1 2 0 2 2 0. 0.\n";
  DeckReader deck("onelayer.dat", b.text(10));
  setInputTables(s);
  for (int k = 1; k <= 100; ++k) s.LAYLAB(k).set(std::string_view("STALE"));
  readRunControl(s, deck);
  EXPECT_EQ(s.NCELL, 6);
  EXPECT_EQ(s.NZ1, 2);
  for (int k = 1; k <= 100; ++k) EXPECT_EQ(s.LAYLAB(k).trimmed(), 0u) << k;
}

// Null values and a slash leave items unchanged (the state's defaults).
TEST(InputDeck, NullsAndSlashKeepValues) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[6] = "1, ,1 /\n";
  DeckReader deck("nulls.dat", b.text(37));
  s.KEQO = 1;
  s.KEQP = 0;
  setInputTables(s);
  readRunControl(s, deck);
  EXPECT_EQ(s.NEQN, 3);  // water, oil (kept 1), gas; polymer kept 0
  EXPECT_EQ(s.IQP, 4);
}

// The whole form reads into one work array per kind of value: nulls and the
// values after a slash keep what the last whole-form array of that kind gave
// the same cell. That is kept, and said, since it silently mixes one
// property into another.
TEST(InputDeck, NullsInTheWholeFormTakeTheLastWholeFormArraysValuesAndAreWarnedAbout) {
  struct Case {
    const char* kz;  // group 20 (KX of group 18 is given in the whole form)
    int kept;        // values left to the work array
    int active;      // of them in active cells (cell 12 is inactive)
  };
  const Case cases[] = {
      {"0 KZ\n6*50. 6*\n", 6, 5},
      {"0 KZ\n50. 50. /\n", 10, 9},
      {"0 KZ\n50.,,50. 9*50.\n", 1, 1},
      {"0 KZ\n12*50.\n", 0, 0},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    DeckBuilder b;
    b.data[20] = c.kz;
    testing::WarningCapture capture;
    DeckReader deck("whole.dat", b.text(37));
    setInputTables(s);
    readRunControl(s, deck);
    readArrayGroups(s, deck);
    int fromKx = 0;
    for (int L = 1; L <= s.NCELL; ++L) {
      const int n = s.IORD(L);
      if (n < 1) continue;
      if (s.KZ(n) != 50.0) {
        EXPECT_DOUBLE_EQ(s.KZ(n), 100.0 * L) << c.kz << " cell " << L;  // KX's value of that cell
        ++fromKx;
      }
    }
    EXPECT_EQ(fromKx, c.active) << c.kz;
    std::vector<std::string> kz;
    for (const std::string& w : capture.lines())
      if (w.find("item KZ") != std::string::npos) kz.push_back(w);
    if (c.kept == 0) {
      EXPECT_TRUE(kz.empty()) << c.kz;
      continue;
    }
    ASSERT_EQ(kz.size(), 1u) << c.kz;
    EXPECT_NE(kz[0].find("whole.dat:" + std::to_string(testing::lineOf(b.text(37), "KZ") + 1) +
                         ": data group DATA 20A, item KZ: " + std::to_string(c.kept) + " of the 12 values"),
              std::string::npos)
        << kz[0];
  }
}

}  // namespace
}  // namespace talvek
