// Blocks that hold no oil while the oil and gas equations are solved: a
// water zone the engineer gave no oil (and a solution ratio of 0), and the
// water below a gas cap of a gas-over-water equilibrium. Their solution ratio
// cannot be an unknown (no oil holds it); the runs must converge, keep their
// balances and give the oil that flows in the ratio it came with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_util.h"

using namespace e2e;

namespace {

// The deck of tests/data/e2e with the solution method and, when asked, the
// oil equation switch replaced.
std::string deckWith(const std::string& name, int method, int keqo = -1) {
  std::vector<std::string> ls = lines(slurp(fs::path(TALVEK_TEST_DATA) / "e2e" / name));
  for (std::size_t i = 0; i + 2 < ls.size(); ++i) {
    std::istringstream in(ls[i + 2]);
    std::vector<std::string> tok;
    for (std::string t; in >> t;) tok.push_back(t);
    if (ls[i].rfind("DATA 10B", 0) == 0 && tok.size() > 3) tok[3] = std::to_string(method);
    else if (ls[i].rfind("DATA 06B", 0) == 0 && keqo >= 0 && tok.size() > 1) tok[1] = std::to_string(keqo);
    else continue;
    std::string l;
    for (const auto& t : tok) l += t + " ";
    ls[i + 2] = l;
  }
  std::string out;
  for (const auto& l : ls) out += l + "\n";
  return out;
}

Result runDeck(const fs::path& dir, const std::string& text) {
  {
    std::ofstream f(dir / "deck.txt");
    f << text;
  }
  return run(dir, "deck.txt out.lis r1 r2");
}

// The numbers after `label` on the last listing line that starts with it.
std::vector<double> lastRow(const std::string& listing, const std::string& label) {
  std::vector<double> v;
  for (const auto& l : lines(listing)) {
    if (l.rfind(label, 0) != 0) continue;
    v.clear();
    std::istringstream in(l.substr(label.size()));
    for (double x; in >> x;) v.push_back(x);
  }
  return v;
}

// The values of the last "SOLUTION GAS IN OIL ARRAY" of the listing, all layers.
std::vector<double> lastRatios(const std::string& listing) {
  const auto ls = lines(listing);
  std::size_t from = ls.size();
  for (std::size_t i = 0; i < ls.size(); ++i)
    if (ls[i].find("SOLUTION GAS IN OIL ARRAY") != std::string::npos) from = i;
  std::vector<double> v;
  for (std::size_t i = from + 1; i < ls.size() && ls[i].find(" ARRAY") == std::string::npos; ++i) {
    int row = 0;
    char rest[400] = {};
    if (std::sscanf(ls[i].c_str(), " %d %399[^\n]", &row, rest) != 2 || ls[i].find('E') == std::string::npos) continue;
    std::istringstream in(rest);
    for (double x; in >> x;) v.push_back(x);
    v.pop_back();  // the row number repeated at the end of the line
  }
  return v;
}

// Water injected at block 1 drives undersaturated oil (RS 500) through a
// water zone (blocks 4 to 6, SO = 0, RS = 0) to the producer at block 6.
// Before, the water blocks' ratio had an empty column: every step was
// accepted without converging, the oil reaching the water zone was lost
// (9594 STB of balance error, none produced) and RS ran to +-1E6.
TEST(OilFreeBlocks, OilDrivenThroughAWaterZoneKeepsItsBalanceAndItsRatio) {
  for (int method = 1; method <= 4; ++method) {
    SCOPED_TRACE("METHOD " + std::to_string(method));
    const auto dir = scratch("oilfree_waterzone_" + std::to_string(method));
    const Result r = runDeck(dir, deckWith("waterzone6x1.txt", method));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("without converging"), std::string::npos) << r.err;
    const std::string listing = slurp(dir / "out.lis");
    // Oil, water and gas balances.
    const auto cum = lastRow(listing, " CUM MB R");
    ASSERT_GE(cum.size(), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(cum[static_cast<std::size_t>(k)], 1.0, 1e-3) << "component " << k + 1;
    // The oil went through the water zone to the producer.
    const auto prod = lastRow(listing, " CUM PROD");
    ASSERT_GE(prod.size(), 3u);
    EXPECT_GT(prod[0], 3000.0);
    // Every block ends with the oil that came from the oil zone, ratio 500.
    const auto rs = lastRatios(listing);
    ASSERT_EQ(rs.size(), 6u);
    for (double x : rs) EXPECT_NEAR(x, 500.0, 0.5);
  }
}

// Equilibrium case 4, gas over water, with the oil equation on: no block
// holds oil. The run is the gas-water run (oil equation off) whatever the
// gas that the producer draws down into the water blocks. Before, 121 steps
// were accepted without converging.
TEST(OilFreeBlocks, GasOverWaterWithTheOilEquationRunsAsWithoutIt) {
  const auto dirOn = scratch("oilfree_case4_on");
  const auto dirOff = scratch("oilfree_case4_off");
  const Result on = runDeck(dirOn, deckWith("gaswater2x6.txt", 1));
  const Result off = runDeck(dirOff, deckWith("gaswater2x6.txt", 1, 0));
  ASSERT_EQ(on.status, 0) << on.err;
  ASSERT_EQ(off.status, 0) << off.err;
  EXPECT_EQ(on.err.find("without converging"), std::string::npos) << on.err;
  const std::string listing = slurp(dirOn / "out.lis");
  const auto cum = lastRow(listing, " CUM MB R");
  ASSERT_GE(cum.size(), 3u);
  EXPECT_NEAR(cum[1], 1.0, 1e-3);
  EXPECT_NEAR(cum[2], 1.0, 1e-3);
  // The gas reached the water blocks of the bottom layer; the ratios shown
  // are the saturated ones, within the PVT table (0 to 1618).
  for (double x : lastRatios(listing)) {
    EXPECT_GE(x, 0.0);
    EXPECT_LE(x, 1618.0);
  }
  // Well by well, step by step: the same pressures, rates and cumulatives.
  const auto a = lines(slurp(dirOn / "weld.lis")), b = lines(slurp(dirOff / "weld.lis"));
  ASSERT_EQ(a.size(), b.size());
  ASSERT_GT(a.size(), 20u);
  double gas = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::istringstream ia(a[i]), ib(b[i]);
    std::vector<double> va, vb;
    for (double x; ia >> x;) va.push_back(x);
    for (double x; ib >> x;) vb.push_back(x);
    ASSERT_EQ(va.size(), vb.size()) << a[i];
    for (std::size_t k = 0; k < va.size(); ++k)
      EXPECT_NEAR(va[k], vb[k], 1e-6 * std::fabs(vb[k]) + 1e-9) << "weld.lis line " << i + 1 << ": " << a[i];
    if (va.size() > 9) gas = std::max(gas, va[9]);
  }
  EXPECT_GT(gas, 1.0E4) << "the producer makes gas";
}

}  // namespace
