// Decks the reader must refuse: unreadable values, a deck that runs out, and
// values the tables cannot hold. Each stops with one DeckError naming the
// deck file, the line, the group label and the item.
#include <gtest/gtest.h>

#include <string>

#include "input/debug.h"
#include "input/input.h"
#include "io/deck.h"
#include "io/errors.h"
#include "input/deck_fixture.h"

namespace talvek {
namespace {

using testing::DeckBuilder;
using testing::lineOf;

struct Bad {
  const char* what;
  int group;            // group whose data is replaced
  std::string data;     // the replacement
  int last;             // last group of the deck text
  const char* label;    // expected group label
  const char* item;     // expected item
  const char* needle;   // text of the expected line (empty: the deck's last line)
  const char* message;  // a piece of the expected message
};

void expectStop(const Bad& c) {
  SCOPED_TRACE(c.what);
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[c.group] = c.data;
  const std::string text = b.text(c.last);
  DeckReader deck("bad.dat", text);
  const int line = *c.needle ? lineOf(text, c.needle) : deck.lineCount();
  ASSERT_GT(line, 0) << "needle not in deck: " << c.needle;
  try {
    setInputTables(s);
    readRunControl(s, deck);
    readArrayGroups(s, deck);
    ADD_FAILURE() << "deck accepted";
  } catch (const DeckError& e) {
    const std::string msg = e.what();
    EXPECT_EQ(e.file, "bad.dat") << msg;
    EXPECT_EQ(e.line, line) << msg;
    EXPECT_EQ(e.group, c.label) << msg;
    EXPECT_EQ(e.item, c.item) << msg;
    EXPECT_NE(msg.find("bad.dat"), std::string::npos) << msg;
    EXPECT_NE(msg.find(c.label), std::string::npos) << msg;
    EXPECT_NE(msg.find(c.message), std::string::npos) << msg;
  }
}

TEST(InputErrors, UnreadableDecks) {
  const Bad cases[] = {
      {"deck ends inside group 10", 10, "3 2 2 1 2\n", 10, "DATA 10B", "NUSLVR", "", "premature end"},
      {"deck ends inside the region lines", 14, "1 DX\n1 3 1 2 1 2 100.\n", 14, "DATA 14A", "I1", "",
       "premature end"},
      {"deck ends before the control line", 11, "", 11, "DATA 11A", "ICODE", "", "premature end"},
      {"a letter where an integer is due", 3, "1 x 0 0 30. 0.01 0.05 500. 500. 0.05 2\n", 44, "DATA 03B",
       "MUNTOUT", "1 x 0 0", "not an integer"},
      {"a letter where a real is due", 7, "5000. 0.O 0.\n", 44, "DATA 07B", "SINX", "5000. 0.O", "not a number"},
      {"an integer that does not fit", 10, "99999999999 2 2 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NX",
       "99999999999", "4-byte"},
      {"a real where an integer is due", 2, "0.5 0 100. 50. 1.\n", 44, "DATA 02B", "IPRTDAT", "0.5 0 100.",
       "not an integer"},
      {"a letter among the print switches", 5, "1 1 1 1 0 1\n0 1 x 0 0 1\n", 44, "DATA 05B", "PRNTCP", "0 1 x",
       "not an integer"},
      {"a letter in a whole array", 18, "0 KX\n100. 2OO. 300. 400. 500. 600.\n", 44, "DATA 18A", "KX(2)",
       "100. 2OO.", "not a number"},
      {"a letter in a region line", 14, "1 DX\n1 3 1 Q 1 2 100.\n0 0 0 0 0 0 0\n", 44, "DATA 14A", "J2",
       "1 3 1 Q", "not an integer"},
  };
  for (const Bad& c : cases) expectStop(c);
}

TEST(InputErrors, LimitsOfTheTables) {
  const Bad cases[] = {
      {"41 blocks in x", 10, "41 2 2 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NX", "41 2 2", "outside 1 to 40"},
      {"no block in x", 10, "0 2 2 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NX", "0 2 2 1", "outside 1 to 40"},
      {"negative NY", 10, "3 -1 2 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NY", "3 -1 2", "outside 0 to 40"},
      {"41 blocks in y", 10, "3 41 2 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NY", "3 41 2", "outside 0 to 40"},
      {"no layer", 10, "3 2 0 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NZ", "3 2 0 1", "outside 1 to 40"},
      {"41 layers", 10, "3 2 41 1 2 0 2 2 0. 0.\n", 44, "DATA 10B", "NZ", "3 2 41", "outside 1 to 40"},
      {"METHOD 5", 10, "3 2 2 5 2 0 2 2 0. 0.\n", 44, "DATA 10B", "METHOD", "3 2 2 5", "outside 1 to 4"},
      {"METHOD 0", 10, "3 2 2 0 2 0 2 2 0. 0.\n", 44, "DATA 10B", "METHOD", "3 2 2 0", "outside 1 to 4"},
      {"NXYZORD 8", 10, "3 2 2 1 8 0 2 2 0. 0.\n", 44, "DATA 10B", "NXYZORD", "3 2 2 1 8", "outside 1 to 7"},
      {"NUSLVR 2", 10, "3 2 2 1 2 2 2 2 0. 0.\n", 44, "DATA 10B", "NUSLVR", "3 2 2 1 2 2", "outside 0 to 1"},
      {"31 rock regions", 10, "3 2 2 1 2 0 31 2 0. 0.\n", 44, "DATA 10B", "NKRRGN", "0 31 2",
       "outside 1 to 30"},
      {"no rock region", 10, "3 2 2 1 2 0 0 2 0. 0.\n", 44, "DATA 10B", "NKRRGN", "2 0 0 2", "outside 1 to 30"},
      {"31 PVT regions", 10, "3 2 2 1 2 0 2 31 0. 0.\n", 44, "DATA 10B", "NPVTRGN", "2 31 0.",
       "outside 1 to 30"},
      {"MUNITIN 4", 3, "4 1 0 0 30. 0.01 0.05 500. 500. 0.05 2\n", 44, "DATA 03B", "MUNITIN", "4 1 0 0",
       "outside 1 to 3"},
      {"MUNITIN 0", 3, "0 1 0 0 30. 0.01 0.05 500. 500. 0.05 2\n", 44, "DATA 03B", "MUNITIN", "0 1 0 0",
       "outside 1 to 3"},
      {"MUNTOUT 0", 3, "1 0 0 0 30. 0.01 0.05 500. 500. 0.05 2\n", 44, "DATA 03B", "MUNTOUT", "1 0 0 0",
       "outside 1 to 3"},
      {"501 equispaced points", 3, "1 1 1 501 30. 0.01 0.05 500. 500. 0.05 2\n", 44, "DATA 03B", "NINTBLE",
       "1 1 1 501", "outside 2 to 500"},
      {"too few points for quadratic pieces", 3, "1 1 2 2 30. 0.01 0.05 500. 500. 0.05 2\n", 44, "DATA 03B",
       "NINTBLE", "1 1 2 2 30.", "outside 3 to 500"},
      {"aquifer type 4", 8, "4 0. 0. 0. 0. 0. 0. 0.\n", 44, "DATA 08B", "IDAQFR", "4 0. 0. 0.", "outside 0 to 3"},
      {"aquifer type at the integer limit", 8, "2147483647 0. 0. 0. 0. 0. 0. 0.\n", 44, "DATA 08B", "IDAQFR",
       "2147483647 0.", "outside 0 to 3"},
      {"negative aquifer type", 8, "-1 0. 0. 0. 0. 0. 0. 0.\n", 44, "DATA 08B", "IDAQFR", "-1 0. 0.",
       "outside 0 to 3"},
      {"no equation", 6, "0 0 0 0\n", 44, "DATA 06B", "KEQW", "0 0 0 0", "no equation"},
      {"64000 active blocks", 10, "40 40 40 1 2 0 2 2 0. 0.\n", 11, "DATA 11A", "IACTIVE", "",
       "active blocks"},
  };
  for (const Bad& c : cases) expectStop(c);
}

TEST(InputErrors, RegionLinesAndRegionNumbers) {
  const Bad cases[] = {
      {"I2 beyond NX", 14, "1 DX\n1 4 1 2 1 2 100.\n0 0 0 0 0 0 0\n", 44, "DATA 14A", "I2", "1 4 1 2 1 2",
       "outside the grid"},
      {"K1 of 0 in an active-block array", 17, "1 DEPTH\n1 3 1 2 0 2 100.\n0 0 0 0 0 0 0\n", 44, "DATA 17A",
       "K1", "1 3 1 2 0 2", "outside the grid"},
      {"J2 beyond NY in the activity map", 11, "1 IACTIVE\n1 3 1 3 1 2 1\n0 0 0 0 0 0 0\n", 44, "DATA 11A",
       "J2", "1 3 1 3 1 2 1", "outside the grid"},
      {"negative I1", 30, "1 INFBLK\n-1 3 1 2 1 2 1\n0 0 0 0 0 0 0\n", 44, "DATA 30A", "I1", "-1 3 1 2",
       "outside the grid"},
      {"rock region above NKRRGN", 12, "1 NKRGN\n1 3 1 2 1 2 3\n0 0 0 0 0 0 0 end of NKRGN\n", 44,
       "DATA 12A", "NKRGN", "end of NKRGN", "not a region 1 to NKRRGN = 2"},
      {"blocks left at the default region 0", 12, "1 NKRGN\n1 3 1 2 1 1 1\n0 0 0 0 0 0 0 end of NKRGN\n",
       44, "DATA 12A", "NKRGN", "end of NKRGN", "NKRGN = 0 at block (1,1,2)"},
      {"PVT region 5 in the whole form", 13, "0 NPVTGN\n1 1 1 1 1 1 1 1 1 1 5 1\n", 44, "DATA 13A",
       "NPVTGN", "1 1 1 1 1 1 1 1 1 1 5 1", "NPVTGN = 5 at block (2,2,2)"},
  };
  for (const Bad& c : cases) expectStop(c);
}

// Boxes that are empty set nothing, so indices outside the grid in them are
// harmless (they are only warned about with the debugging facility on).
TEST(InputErrors, EmptyBoxOutsideTheGridIsAccepted) {
  auto sp = makeState();
  State& s = *sp;
  DeckBuilder b;
  b.data[14] = "1 DX\n1 3 1 2 1 2 100.\n9 4 1 2 1 2 5.\n0 0 0 0 0 0 0\n";
  DeckReader deck("empty.dat", b.text(37));
  setInputTables(s);
  readRunControl(s, deck);
  readArrayGroups(s, deck);
  for (int L = 1; L <= 12; ++L) EXPECT_DOUBLE_EQ(s.DX(L), 100.0);
}

}  // namespace
}  // namespace talvek
