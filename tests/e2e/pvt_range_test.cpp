// Whole runs whose blocks leave the PVT table: the table's end row is held
// beyond it, and the run says so once per region and kind on standard error
// while the console and the listing stay as they are.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

namespace fs = std::filesystem;

// blackoil3d with its PVT table cut after the row of pressure `lastRow`
// (the rows above it removed, the zero row kept).
std::string cutTable(const std::string& lastRow) {
  const auto l = e2e::lines(e2e::slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "blackoil3d.txt"));
  std::string out;
  bool inTable = false, cut = false;
  for (const std::string& line : l) {
    if (line.rfind("DATA 40C", 0) == 0) inTable = true;
    if (line.rfind("DATA 41B", 0) == 0) inTable = false;
    if (inTable && cut && line.rfind("0 0 0", 0) != 0) continue;
    if (inTable && line.rfind(lastRow + " ", 0) == 0) cut = true;
    out += line + "\n";
  }
  EXPECT_TRUE(cut) << "no PVT row " << lastRow;
  return out;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

e2e::Result runDeck(const std::string& name, const std::string& deck, fs::path& dir) {
  dir = e2e::scratch(name);
  std::ofstream(dir / "deck.txt") << deck;
  return e2e::run(dir, "deck.txt out.lis r1 r2");
}

TEST(PvtRange, PressureRisingAboveTheTableIsWarnedAboutOnce) {
  // Pressures start at about 2,600 psia and rise to about 3,400 under the
  // gas injection: the table now ends at 3,014.7.
  fs::path dir;
  const auto r = runDeck("pvt_rise", cutTable("3014.7"), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(r.err, "warning:"), 1) << r.err;
  // Named: the deck line of the table's last row, the group, the item, the
  // step and the region's highest pressure.
  // (The row of 3,014.7 psia is line 164 of the deck.)
  EXPECT_NE(r.err.find("deck.txt:164: data group DATA 40C, item PRES: at step "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("above the highest pressure of the PVT table of PVT region 1 (3014.70)"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("in the initial state"), std::string::npos) << r.err;

  // Only standard error has it: the console and the listing stay as they are.
  EXPECT_EQ(count(r.out, "PVT region"), 0);
  EXPECT_EQ(count(e2e::slurp(dir / "out.lis"), "PVT region 1 ("), 0);

  // A restart from the image of the run's end starts outside the table: it
  // says so before its first step. Its tables are the image's, which no line
  // of the restart deck gave.
  std::string deck = e2e::slurp(dir / "deck.txt");
  const std::string head = "0 0 600. 600. 1.";
  ASSERT_NE(deck.find(head), std::string::npos);
  deck.replace(deck.find(head), head.size(), "0 1 700. 700. 1.");
  std::ofstream(dir / "restart.txt") << deck;
  const auto rr = e2e::run(dir, "restart.txt out2.lis r2 r3");
  ASSERT_EQ(rr.status, 0) << rr.err;
  EXPECT_EQ(count(rr.err, "warning:"), 1) << rr.err;
  EXPECT_NE(rr.err.find("restart.txt: data group DATA 40C, item PRES: at the start of this run (the image of step "),
            std::string::npos)
      << rr.err;
  EXPECT_NE(rr.err.find("above the highest pressure of the PVT table of PVT region 1 of the restart-up image "
                        "(3014.70)"),
            std::string::npos)
      << rr.err;
}

TEST(PvtRange, InitialStateOutsideTheTableIsWarnedAboutBeforeTheFirstStep) {
  // The table now ends at 2,514.7 psia and RS 775: the initial pressures
  // (2,600 to 2,614) and the initial RS of 780 of the undersaturated oil both
  // lie beyond it.
  fs::path dir;
  const auto r = runDeck("pvt_initial", cutTable("2514.7"), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  // (The run also fails to converge at its smallest step: warned about on
  // lines of their own.)
  EXPECT_EQ(count(r.err, "data group DATA 40C"), 2) << r.err;
  EXPECT_EQ(count(r.err, "in the initial state the oil pressure of block ("), 1) << r.err;
  EXPECT_NE(r.err.find("is 2614.00, above the highest pressure of the PVT table of PVT region 1 (2514.70)"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("item RS: in the initial state the solution gas-oil ratio of the undersaturated oil of block ("),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("is 780.000, above the largest RS of the PVT table of PVT region 1 (775.000)"),
            std::string::npos)
      << r.err;
}

// Steps accepted without converging (Newton used its fifteen iterations at a
// step too short to be cut) are named on standard error: the first at once,
// the count at the end; with --summary the summary counts them too. The
// table cut below the initial pressures makes Newton fail at the smallest
// step several times.
TEST(Unconverged, StepsAcceptedWithoutConvergingAreNamed) {
  fs::path dir;
  const auto r = runDeck("unconverged", cutTable("2014.7"), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  // From the console: the steps whose last attempt used all 15 iterations.
  int last = 0, lastIter = 0, unconverged = 0, first = 0;
  for (const std::string& l : e2e::lines(r.out)) {
    int step = 0, iter = 0;
    if (std::sscanf(l.c_str(), " ISTEP = %d ITERK = %d", &step, &iter) != 2) continue;
    if (step != last && lastIter == 15) {
      ++unconverged;
      if (first == 0) first = last;
    }
    last = step;
    lastIter = iter;
  }
  if (lastIter == 15) ++unconverged;
  ASSERT_GE(unconverged, 2) << "the deck no longer fails to converge at the smallest step";
  const std::string one = "talvek: warning: deck.txt: step " + std::to_string(first) + " (time ";
  EXPECT_NE(r.err.find(one), std::string::npos) << r.err;
  EXPECT_EQ(count(r.err, "was accepted without converging: Newton did not reach its tolerance in 15 iterations"), 1)
      << r.err;
  EXPECT_NE(r.err.find("talvek: warning: deck.txt: " + std::to_string(unconverged) +
                       " steps were accepted without converging, the first at step " + std::to_string(first) + " (time "),
            std::string::npos)
      << r.err;
  // The console and the listing stay as they are.
  EXPECT_EQ(count(r.out, "without converging"), 0);
  EXPECT_EQ(count(e2e::slurp(dir / "out.lis"), "without converging"), 0);

  const auto rs = e2e::run(dir, "--summary --quiet deck.txt out2.lis r1 r3");
  ASSERT_EQ(rs.status, 0) << rs.err;
  EXPECT_NE(rs.out.find(" STEPS ACCEPTED WITHOUT CONVERGING: " + std::to_string(unconverged) + " (THE FIRST AT STEP " +
                        std::to_string(first) + ", T = "),
            std::string::npos)
      << rs.out;
}

}  // namespace
