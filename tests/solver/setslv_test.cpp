// Solver set-up of a new run: the band layout and its report lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/errors.h"
#include "io/units.h"
#include "state/state.h"
#include "solver/numbering.h"
#include "solver/solve.h"

namespace talvek {
namespace {

std::vector<std::string> tokens(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> t;
  for (std::string w; in >> w;) t.push_back(w);
  return t;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

void lineGrid(State& s, int method, int nuslvr) {
  s.NX = 5;
  s.NY = 1;
  s.NZ = 1;
  s.NXYZORD = 2;
  s.METHOD = method;
  s.NUSLVR = nuslvr;
  s.NEQN = s.NUKN = 2;
  BORDER(s);
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
  ACTNUM(s);
  CONLST(s);
}

TEST(Setslv, BandMethodsReportK7AndNNMAX) {
  struct Case {
    int method, nuslvr;
    const char *k7, *nnmax;
  };
  // 5 blocks in a line, 2 equations: 52 (variable) and 58 (uniform) entries;
  // method 4 keeps the two second-colour blocks: 2 x 2 blocks of 2 x 2.
  const Case cases[] = {{1, 1, "5", "52"}, {1, 0, "5", "58"}, {4, 1, "2", "16"}, {4, 0, "2", "16"}};
  const std::string path = testing::TempDir() + "setslv_listing.txt";
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    lineGrid(s, c.method, c.nuslvr);
    s.units.open(s.IOUT, path, FileForm::Formatted, FileStatus::Unknown);
    testing::internal::CaptureStdout();
    SETSLV(s);
    s.units.flushAll();
    const std::string console = testing::internal::GetCapturedStdout();
    s.units.close(s.IOUT);
    std::ifstream f(path);
    std::stringstream listing;
    listing << f.rdbuf();
    for (const std::string& text : {console, listing.str()}) {
      const auto l = lines(text);
      ASSERT_EQ(l.size(), 3u) << text;
      EXPECT_EQ(l[0], "      ");
      EXPECT_EQ(l[2], "      ");
      EXPECT_EQ(l[1].rfind("   K7 =", 0), 0u) << l[1];
      const std::vector<std::string> want = {"K7", "=", c.k7, "NGPACT=", "5", "NNMAX", "=", c.nnmax};
      EXPECT_EQ(tokens(l[1]), want) << l[1];
    }
  }
  std::remove(path.c_str());
}

// The iterative methods keep no band store and print nothing: the band
// system is every active block, and the pattern or the plane lists are laid.
TEST(Setslv, IterativeMethodsLayTheirListsQuietly) {
  auto sp = makeState();
  State& s = *sp;
  s.FINPUT.set(std::string("grid.dat"));
  for (int m : {2, 3}) {
    lineGrid(s, m, 0);
    testing::internal::CaptureStdout();
    SETSLV(s);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(s.K7, 5);
    for (int b = 1; b <= 5; ++b) EXPECT_EQ(s.IBLIST(b), b);
    if (m == 2) {
      // Blocks 1..5 along x: the face positions 1 only.
      for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(s.LBI(1, n), n - 1);
        EXPECT_EQ(s.UBI(1, n), n < 5 ? n + 1 : 0);
        for (int p = 2; p <= 6; ++p) EXPECT_EQ(s.LBI(p, n) + s.UBI(p, n), 0);
      }
    } else {
      EXPECT_EQ(s.NKT, 1);
      EXPECT_EQ(s.NJK(1), 1);
      EXPECT_EQ(s.NI(1, 1), 5);
      for (int i = 1; i <= 5; ++i) EXPECT_EQ(s.NSIJ(i, 1, 1), i);
    }
  }
  s.METHOD = 0;
  try {
    SETSLV(s);
    FAIL();
  } catch (const RunError& e) {
    EXPECT_EQ(std::string(e.what()),
              "deck grid.dat, group DATA 10B, item METHOD: METHOD = 0 is not a solution method (1..4)");
  }
}

}  // namespace
}  // namespace talvek
