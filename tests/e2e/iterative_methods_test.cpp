// Whole runs with the iterative solution methods: the example decks give the
// same final cumulative figures with the block ILU (METHOD 2) and the nested
// factorization (METHOD 3) as with the band solver, with closed material
// balances; the 4000-block example runs with both and its message for the
// band methods says which methods fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_util.h"

using namespace e2e;

namespace {

// `deck` with the data line of group `label` changed by `edit`.
template <typename Edit>
std::string editGroup(const std::string& deck, const char* label, Edit edit) {
  auto l = lines(deck);
  for (std::size_t i = 0; i + 2 < l.size(); ++i) {
    if (l[i].rfind(label, 0) != 0) continue;
    std::istringstream in(l[i + 2]);
    std::vector<std::string> f;
    for (std::string w; in >> w;) f.push_back(w);
    edit(f);
    std::string joined;
    for (const auto& x : f) joined += x + " ";
    l[i + 2] = joined;
  }
  std::string out;
  for (const auto& x : l) out += x + "\n";
  return out;
}

std::string withMethod(const std::string& deck, int method) {
  return editGroup(deck, "DATA 10B", [&](std::vector<std::string>& f) { f[3] = std::to_string(method); });
}

std::string withStop(const std::string& deck, const char* tmstop) {
  return editGroup(deck, "DATA 02B", [&](std::vector<std::string>& f) { f[3] = tmstop; });
}

std::vector<double> figures(const std::string& line) {
  std::istringstream in(line.substr(10));
  std::vector<double> v;
  for (std::string w; in >> w;) v.push_back(std::strtod(w.c_str(), nullptr));
  return v;
}

// Final cumulative injection and production of the reservoir (oil, water,
// gas, polymer solution) and the cumulative material-balance ratios.
struct Final {
  std::vector<double> inj, prod, mbr;
};

Final finalFigures(const std::string& listing) {
  const auto l = lines(listing);
  std::size_t sec = 0;
  for (std::size_t i = 0; i < l.size(); ++i)
    if (l[i].find("RESERVOIR PRODUCTION AND INJECTION SUMMARY") != std::string::npos) sec = i;
  Final f;
  for (std::size_t i = sec; i < l.size(); ++i) {
    if (f.inj.empty() && l[i].rfind(" CUM INJ", 0) == 0) f.inj = figures(l[i]);
    if (f.prod.empty() && l[i].rfind(" CUM PROD", 0) == 0) f.prod = figures(l[i]);
  }
  for (const auto& x : l)
    if (x.rfind(" CUM MB R", 0) == 0) f.mbr = figures(x);
  return f;
}

struct WholeRun {
  Result r;
  std::string listing;
};

WholeRun runDeck(const std::string& name, const std::string& deck) {
  const fs::path d = scratch(name);
  {
    std::ofstream f(d / "deck.txt");
    f << deck;
  }
  WholeRun out;
  out.r = run(d, "deck.txt out.lis rin.rst rout.rst");
  out.listing = slurp(d / "out.lis");
  fs::remove_all(d);
  return out;
}

std::string example(const char* file) { return slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / file); }

class IterativeExamples : public ::testing::TestWithParam<const char*> {};

// Newton iterations of a run: its iteration lines on the console.
int newtonIterations(const std::string& console) {
  int n = 0;
  for (std::size_t at = console.find("ITERK ="); at != std::string::npos; at = console.find("ITERK =", at + 1)) ++n;
  return n;
}

// The Newton tolerance lets methods differ by about a percent in a figure;
// figures far below the largest of the run (traces of polymer solution) are
// compared against a thousandth of that largest figure.
TEST_P(IterativeExamples, SameFinalFiguresAsTheBandSolver) {
  const std::string deck = example(GetParam());
  const WholeRun band = runDeck("band", withMethod(deck, 1));
  ASSERT_EQ(band.r.status, 0) << band.r.err;
  const Final ref = finalFigures(band.listing);
  ASSERT_EQ(ref.prod.size(), 6u);
  double largest = 0.0;
  for (int c = 0; c < 4; ++c) largest = std::max({largest, std::fabs(ref.prod[c]), std::fabs(ref.inj[c])});
  for (int method : {2, 3}) {
    SCOPED_TRACE("METHOD " + std::to_string(method));
    const WholeRun it = runDeck("m" + std::to_string(method), withMethod(deck, method));
    ASSERT_EQ(it.r.status, 0) << it.r.err;
    EXPECT_NE(it.r.out.find(method == 2 ? "BLOKITR =" : "NESTITR ="), std::string::npos);
    const Final f = finalFigures(it.listing);
    ASSERT_EQ(f.prod.size(), 6u);
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(f.prod[c], ref.prod[c], 0.02 * std::fabs(ref.prod[c]) + 1e-3 * largest) << "component " << c;
      EXPECT_NEAR(f.inj[c], ref.inj[c], 0.02 * std::fabs(ref.inj[c]) + 1e-3 * largest) << "component " << c;
    }
    // Balances as good as the band solver's, and not bought with many more
    // Newton iterations: a linear solve that stops short leaves both worse.
    for (int c = 0; c < 4; ++c) {
      if (ref.mbr[c] != 0.0) {
        EXPECT_LE(std::fabs(f.mbr[c] - 1.0), std::fabs(ref.mbr[c] - 1.0) + 5e-5) << "component " << c;
      }
    }
    EXPECT_LE(newtonIterations(it.r.out), 1.25 * newtonIterations(band.r.out));
  }
}

INSTANTIATE_TEST_SUITE_P(Decks, IterativeExamples,
                         ::testing::Values("waterflood1d.txt", "fivespot_polymer.txt", "blackoil3d.txt",
                                           "waterflood_si.txt", "coreflood_lab.txt"));

// The 4000-block example: the band methods stop before the first step and
// name the methods that fit; methods 2 and 3 run (a few days here; the full
// run takes about ten seconds in a release build).
TEST(IterativeLargeExample, RunsWithTheIterativeMethodsOnly) {
  const std::string deck = withStop(example("polymer3d_4000.txt"), "3.");
  for (int method : {1, 4}) {
    const WholeRun r = runDeck("big_band", withMethod(deck, method));
    EXPECT_NE(r.r.status, 0);
    EXPECT_NE(r.r.err.find("more than the 2000000 it holds"), std::string::npos) << r.r.err;
    EXPECT_NE(r.r.err.find("methods 2 and 3 need no band store and always fit"), std::string::npos) << r.r.err;
  }
  for (int method : {2, 3}) {
    const WholeRun r = runDeck("big_it", withMethod(deck, method));
    ASSERT_EQ(r.r.status, 0) << r.r.err;
    const Final f = finalFigures(r.listing);
    ASSERT_EQ(f.mbr.size(), 6u);
    for (int c : {0, 1, 3}) EXPECT_NEAR(f.mbr[c], 1.0, 1e-4) << "METHOD " << method << " component " << c;
  }
}

}  // namespace
