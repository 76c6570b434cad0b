// The free-format deck reader: list-directed reads against gfortran's own
// results (tests/data/io/golden_listin.txt from listin.txt and
// gen_listin.f90), the error messages, header and title lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/deck.h"
#include "io/errors.h"

using namespace talvek;

namespace {

std::string hexBits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(b));
  return buf;
}

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> v;
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// Reads listin.txt the way gen_listin.f90 does (each case's lines a deck of
// their own) and prints the same lines.
std::vector<std::string> replayListIn() {
  const auto lines = readLines(std::string(TALVEK_TEST_DATA) + "/io/listin.txt");
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& card = lines[i];
    if (card.rfind("CASE", 0) != 0) continue;
    std::string text;
    for (std::size_t j = i + 1; j < lines.size() && lines[j].rfind("CASE", 0) != 0; ++j) text += lines[j] + "\n";
    DeckReader deck("case", text);
    out.push_back(card);
    std::istringstream cs(card.substr(4));
    std::string kind;
    int n = 0, m = 0;
    cs >> kind >> n >> m;
    int ia[8], ib[8];
    double ra[8];
    std::string t[4];
    for (int k = 0; k < 8; ++k) ia[k] = ib[k] = -7, ra[k] = -7.5;
    for (auto& x : t) x = "?";
    std::vector<std::string> vals;
    try {
      if (kind == "I") {
        ListRead r(deck, "CASES");
        r.items(ia, n, "IA");
        r.end();
        for (int k = 0; k < n; ++k) vals.push_back("  i " + std::to_string(ia[k]));
      } else if (kind == "R") {
        ListRead r(deck, "CASES");
        r.items(ra, n, "RA");
        r.end();
        for (int k = 0; k < n; ++k) vals.push_back("  r " + hexBits(ra[k]));
      } else if (kind == "T") {
        ListRead r(deck, "CASES");
        for (int k = 0; k < n; ++k) r.item(t[k], "T");
        r.end();
        for (int k = 0; k < n; ++k) vals.push_back("  t [" + rtrim(t[k]) + "]");
      } else if (kind == "M") {
        ListRead r(deck, "CASES");
        r.item(ia[0], "I1").item(ra[0], "R1").item(t[0], "T1").item(ia[1], "I2");
        r.end();
        vals = {"  i " + std::to_string(ia[0]), "  r " + hexBits(ra[0]), "  t [" + rtrim(t[0]) + "]",
                "  i " + std::to_string(ia[1])};
      } else if (kind == "II") {
        ListRead r1(deck, "CASES");
        r1.items(ia, n, "IA");
        r1.end();
        ListRead r2(deck, "CASES");
        r2.items(ib, m, "IB");
        r2.end();
        for (int k = 0; k < n; ++k) vals.push_back("  i " + std::to_string(ia[k]));
        for (int k = 0; k < m; ++k) vals.push_back("  i " + std::to_string(ib[k]));
      }
    } catch (const DeckError&) {
      vals = {"  ERROR"};
    }
    out.insert(out.end(), vals.begin(), vals.end());
  }
  return out;
}

}  // namespace

TEST(Deck, ListReadMatchesGfortranGolden) {
  const auto want = readLines(std::string(TALVEK_TEST_DATA) + "/io/golden_listin.txt");
  ASSERT_GT(want.size(), 100u);
  const auto got = replayListIn();
  const std::size_t n = std::min(want.size(), got.size());
  std::string lastCase;
  for (std::size_t i = 0; i < n; ++i) {
    if (want[i].rfind("CASE", 0) == 0) lastCase = want[i] + " (golden line " + std::to_string(i + 1) + ")";
    ASSERT_EQ(got[i], want[i]) << "in " << lastCase;
  }
  EXPECT_EQ(got.size(), want.size());
}

// Every failure names deck, line, group and item; the line is where the bad
// value (or the end of the deck) was met.
TEST(Deck, ErrorsNameFileLineGroupAndItem) {
  struct Case {
    const char* text;
    int line;
    const char* item;
    const char* reason;
  };
  const Case cases[] = {
      {"1 2\n", 1, "NZ", "premature end of the deck"},
      {"1\n\n2\n", 3, "NZ", "premature end of the deck"},
      {"", 0, "NX", "the deck is empty"},
      {"1 2 abc\n", 1, "NZ", "'abc' is not an integer"},
      {"1 2 3 4.5x\n", 1, "DX", "'4.5x' is not a number"},
      {"1 2 1.5 1\n", 1, "NZ", "'1.5' is not an integer"},
      {"1 2\n2147483648\n", 2, "NZ", "'2147483648' does not fit a 4-byte integer"},
      {"1 2 3 1e999\n", 1, "DX", "'1e999' is too large for a real"},
      {"1 2 3 -1D400\n", 1, "DX", "'-1D400' is too large for a real"},
      {"1 2 3 'big'\n", 1, "DX", "text 'big' where a number is due"},
      {"1 2 '3'\n", 1, "NZ", "text '3' where an integer is due"},
      {"1 2 0*3\n", 1, "NZ", "bad repeat count '0*'"},
      {"1 2 3 inf\n", 1, "DX", "'inf' is not a number"},
      {"1 2 3 nan\n", 1, "DX", "'nan' is not a number"},
      // A quoted text never closed is named at the line where it opens.
      {"1 2\n'3\n", 2, "NZ", "the quoted text opened on this line is not closed before the end of the deck (line 2)"},
      {"1 2 'open\nmore\n\nlast\n", 1, "NZ",
       "the quoted text opened on this line is not closed before the end of the deck (line 4)"},
  };
  for (const Case& c : cases) {
    DeckReader deck("case.dat", c.text);
    int nx = 0, ny = 0, nz = 0;
    double dx = 0;
    try {
      ListRead(deck, "DATA 10B").item(nx, "NX").item(ny, "NY").item(nz, "NZ").item(dx, "DX").end();
      ADD_FAILURE() << "no error for: " << c.text;
    } catch (const DeckError& e) {
      const std::string want =
          "case.dat:" + std::to_string(c.line) + ": data group DATA 10B, item " + c.item + ": " + c.reason;
      EXPECT_EQ(std::string(e.what()), want) << c.text;
      EXPECT_EQ(e.file, "case.dat");
      EXPECT_EQ(e.line, c.line);
      EXPECT_EQ(e.group, "DATA 10B");
      EXPECT_EQ(e.item, c.item);
    }
  }
}

// A bad value is quoted by a short prefix and its length, control
// characters and NUL bytes escaped, so that the message stays one short line.
TEST(Deck, BadValuesAreQuotedShortAndEscaped) {
  struct Case {
    std::string value;
    std::string quoted;
  };
  const Case cases[] = {
      {std::string(5000, '7') + "x", "'" + std::string(40, '7') + "...' (5001 characters)"},
      {std::string("ab\0c\x01\x7f", 6), "'ab\\0c\\x01\\x7F'"},
      {std::string(40, '9') + "z", "'" + std::string(40, '9') + "...' (41 characters)"},
      {std::string(39, '9') + "z", "'" + std::string(39, '9') + "z'"},
  };
  EXPECT_EQ(quoteValue("a\tb"), "'a\\tb'");
  for (const Case& c : cases) {
    EXPECT_EQ(quoteValue(c.value), c.quoted);
    DeckReader deck("q.dat", "1 2 " + c.value + "\n");
    int nx = 0, ny = 0, nz = 0;
    try {
      ListRead(deck, "DATA 10B").item(nx, "NX").item(ny, "NY").item(nz, "NZ").end();
      ADD_FAILURE() << "no error";
    } catch (const DeckError& e) {
      EXPECT_EQ(std::string(e.what()), "q.dat:1: data group DATA 10B, item NZ: " + c.quoted + " is not an integer");
    }
  }
}

// Lines are read one at a time and a line beyond the bound is refused,
// naming it; a line of exactly the bound (with a carriage return) is read.
TEST(Deck, LineLongerThanTheBoundIsRefused) {
  std::string full = "1 2 3";
  full.resize(kMaxDeckLine, ' ');
  {
    DeckReader deck("ok.dat", "head\n" + full + "\r\n");
    deck.header("DATA 10B");
    int a = 0, b = 0, c = 0;
    ListRead(deck, "DATA 10B").item(a, "NX").item(b, "NY").item(c, "NZ").end();
    EXPECT_EQ(a * 100 + b * 10 + c, 123);
    EXPECT_TRUE(deck.atEnd());
  }
  for (const std::string& tail : {std::string("4"), std::string(3 * kMaxDeckLine, '4') + "\n5\n"}) {
    const std::string path = testing::TempDir() + "deck_longline.txt";
    {
      std::ofstream f(path, std::ios::binary);
      f << "head\n1 2\n\n" << full << tail;
    }
    DeckReader deck(path);
    deck.header("DATA 10B");
    int a = 0, b = 0, c = 0;
    try {
      ListRead(deck, "DATA 10B").item(a, "NX").item(b, "NY").item(c, "NZ").end();
      ADD_FAILURE() << "no error";
    } catch (const DeckError& e) {
      EXPECT_EQ(std::string(e.what()), path + ":4: data group DATA 10B, item NZ: line 4 is longer than 1048576 "
                                              "characters, the longest deck line read");
      EXPECT_EQ(e.line, 4);
    }
    // The listing's image of the deck still gets every line, the long one cut.
    std::vector<std::size_t> sizes;
    deck.eachLine([&](std::string_view l) { sizes.push_back(l.size()); });
    ASSERT_GE(sizes.size(), 4u);
    EXPECT_EQ(sizes[3], kMaxDeckLine);
    std::remove(path.c_str());
  }
}

TEST(Deck, ArrayItemsAreNamedByElement) {
  DeckReader deck("arr.dat", "head\n1 2\n3 x 5\n");
  deck.header("DATA 14A");
  double v[4] = {};
  try {
    ListRead(deck, "DATA 14A").items(v, 4, "DX").end();
    FAIL() << "no error";
  } catch (const DeckError& e) {
    EXPECT_STREQ(e.what(), "arr.dat:3: data group DATA 14A, item DX(4): 'x' is not a number");
  }
  EXPECT_EQ(v[2], 3.0);  // values before the bad one were stored
}

TEST(Deck, HeaderTakesTheWholeNextNonBlankLine) {
  DeckReader deck("h.dat",
                  "DATA 02B  a, b / 'c \"d\" 3*4\n"
                  "\n"
                  "   \t \n"
                  "/ slash first\n"
                  "1 2\n");
  EXPECT_EQ(deck.header("DATA 02B"), "DATA 02B  a, b / 'c \"d\" 3*4");
  EXPECT_EQ(deck.lineNumber(), 1);
  EXPECT_EQ(deck.header("DATA 02B"), "/ slash first");  // blank lines skipped
  EXPECT_EQ(deck.lineNumber(), 4);
  int a = 0, b = 0;
  ListRead(deck, "DATA 02B").item(a, "A").item(b, "B").end();
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  try {
    deck.header("DATA 03B");
    FAIL() << "no error";
  } catch (const DeckError& e) {
    EXPECT_STREQ(e.what(), "h.dat:5: data group DATA 03B, item header line: premature end of the deck");
  }
}

TEST(Deck, TitleLineIsVerbatimAndPaddedOrCutTo80) {
  const std::string longLine(95, 'x');
  DeckReader deck("t.dat", "  RUN 1, 'A'/B  \n\n" + longLine + "\r\n");
  const std::string t1 = deck.textLine("DATA 01E", "TITLE");
  EXPECT_EQ(t1.size(), 80u);
  EXPECT_EQ(t1, "  RUN 1, 'A'/B" + std::string(66, ' '));
  EXPECT_EQ(deck.textLine("DATA 01E", "TITLE"), std::string(80, ' '));  // a blank line is a blank title
  EXPECT_EQ(deck.textLine("DATA 01E", "TITLE"), std::string(80, 'x'));  // cut, carriage return removed
  EXPECT_TRUE(deck.atEnd());
  EXPECT_THROW(deck.textLine("DATA 01E", "TITLE"), DeckError);
}

TEST(Deck, ReadsStartOnFreshLinesAndEmptyReadSkipsOne) {
  DeckReader deck("r.dat", "1 2 3 comment\n4\n\n5 6\n7\n");
  int a = 0, b = 0;
  ListRead(deck, "G").item(a, "A").end();
  EXPECT_EQ(a, 1);
  EXPECT_EQ(deck.lineNumber(), 1);
  ListRead(deck, "G").end();  // an empty read passes over one line
  EXPECT_EQ(deck.lineNumber(), 2);
  ListRead(deck, "G").item(a, "A").item(b, "B").end();  // blank line skipped
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 6);
  deck.rewind();
  ListRead(deck, "G").item(a, "A").end();
  EXPECT_EQ(a, 1);
  deck.seek(4);
  ListRead(deck, "G").item(a, "A").end();
  EXPECT_EQ(a, 7);
  EXPECT_THROW(deck.seek(6), RunError);
  EXPECT_THROW(deck.line(0), RunError);
  EXPECT_EQ(deck.line(5), "7");
}

TEST(Deck, TextItemIsTheValueAsRead) {
  DeckReader deck("w.dat", "1 VALUE rest\n2 'CON STANT'\n");
  int code = 0;
  std::string word;
  ListRead(deck, "DATA 14A").item(code, "ICODE").item(word, "WORD").end();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(word, "VALUE");
  ListRead(deck, "DATA 14A").item(code, "ICODE").item(word, "WORD").end();
  EXPECT_EQ(word, "CON STANT");
}

TEST(Deck, OpenMissingFileNamesIt) {
  try {
    DeckReader deck("/nonexistent/dir/deck.txt");
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/dir/deck.txt"), std::string::npos) << e.what();
  }
}

TEST(Deck, ReadsAFileWithoutFinalNewline) {
  const std::string path = testing::TempDir() + "deck_nofinal.txt";
  {
    std::ofstream f(path, std::ios::binary);
    f << "title\r\n3 4";
  }
  DeckReader deck(path);
  EXPECT_EQ(deck.fileName(), path);
  EXPECT_EQ(deck.lineCount(), 2);
  EXPECT_EQ(deck.line(1), "title");
  deck.header("G");
  int a = 0, b = 0;
  ListRead(deck, "G").item(a, "A").item(b, "B").end();
  EXPECT_EQ(a * 10 + b, 34);
  std::remove(path.c_str());
}
