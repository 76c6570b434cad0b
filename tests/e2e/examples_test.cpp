// The example decks run to their end, with both band solvers of the natural
// ordering and the D4 solver giving the same results, saturations that stay physical, closed
// material balances and no report from a cut step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
#include <utility>

#include "e2e_util.h"

using namespace e2e;

namespace {

// Copies `deck` with the solution method METHOD and the band-solver choice
// NUSLVR of group 10 replaced.
std::string withSolver(const std::string& deck, int method, int nuslvr) {
  auto l = lines(deck);
  for (std::size_t i = 0; i + 2 < l.size(); ++i) {
    if (l[i].rfind("DATA 10B", 0) == 0) {
      std::istringstream in(l[i + 2]);
      std::vector<std::string> f;
      std::string w;
      while (in >> w) f.push_back(w);
      EXPECT_GE(f.size(), 6u);
      EXPECT_EQ(f[3], "1") << "the examples use METHOD 1";
      f[3] = std::to_string(method);
      f[5] = std::to_string(nuslvr);
      std::string joined;
      for (const auto& x : f) joined += x + " ";
      l[i + 2] = joined;
      break;
    }
  }
  std::string out;
  for (const auto& x : l) out += x + "\n";
  return out;
}

std::vector<std::vector<double>> numbers(const std::string& text) {
  std::vector<std::vector<double>> rows;
  for (const auto& l : lines(text)) {
    std::istringstream in(l);
    std::vector<double> r;
    std::string w;
    while (in >> w) r.push_back(std::strtod(w.c_str(), nullptr));
    if (!r.empty()) rows.push_back(r);
  }
  return rows;
}

struct Deck {
  const char* file;
  double tmstop;
  bool oil, water, gas, polymer;
  bool expectCuts;
};

struct Outcome {
  Result r;
  std::string res, listing, rokmat;
};

Outcome runDeck(const std::string& name, const std::string& text) {
  const auto dir = scratch(name);
  {
    std::ofstream f(dir / "deck.txt");
    f << text;
  }
  Outcome o;
  o.r = run(dir, "deck.txt out.lis rin.rst rout.rst");
  o.res = slurp(dir / "res.lis");
  o.listing = slurp(dir / "out.lis");
  o.rokmat = slurp(dir / "rokmat.lis");
  return o;
}

// The block arrays of "rokmat.lis" by time level: for each level, the values
// of each listed array (switch number -> active-block values in file order).
std::vector<std::map<int, std::vector<double>>> rokLevels(const std::string& text, int nx, int ny, int nz) {
  const auto rows = numbers(text);
  const int perDir = (nx + 9) / 10;
  std::vector<std::map<int, std::vector<double>>> levels;
  // Three grid-description series (one record per ten entries each).
  std::size_t i = static_cast<std::size_t>((nx + 9) / 10 + (ny + 9) / 10 + (nz + 9) / 10);
  const auto& sw = rows.at(i++);
  std::vector<int> listed;
  for (int k = 1; k <= 9; ++k)
    if (sw.at(static_cast<std::size_t>(k)) == 1.0) listed.push_back(k);
  const std::size_t perArray = static_cast<std::size_t>(nz * ny * perDir);
  while (i < rows.size()) {
    ++i;  // the time-level record
    std::map<int, std::vector<double>> level;
    for (int k : listed) {
      std::vector<double>& v = level[k];
      for (std::size_t r = 0; r < perArray && i < rows.size(); ++r, ++i)
        for (std::size_t c = 1; c < rows[i].size(); ++c)
          if (rows[i][c] != -9999.9999) v.push_back(rows[i][c]);
    }
    levels.push_back(level);
  }
  return levels;
}

void checkOneRun(const Deck& d, const Outcome& o, int nx, int ny, int nz) {
  SCOPED_TRACE(d.file);
  ASSERT_EQ(o.r.status, 0) << o.r.err;
  EXPECT_EQ(o.r.err, "");
  EXPECT_EQ(o.r.out.find("TERMINATED"), std::string::npos);
  const auto con = lines(o.r.out);
  ASSERT_FALSE(con.empty());
  EXPECT_EQ(con.back(), " END OF TALVEK RUN");

  // One "res.lis" record per accepted step; the last one at the halting time.
  const auto res = numbers(o.res);
  ASSERT_FALSE(res.empty());
  EXPECT_NEAR(res.back().at(1), d.tmstop, 0.5);
  std::smatch m;
  int lastStep = 0;
  const std::regex stepRe("ISTEP =\\s+(\\d+)");
  for (const auto& l : con)
    if (std::regex_search(l, m, stepRe)) lastStep = std::stoi(m[1]);
  EXPECT_EQ(static_cast<int>(res.size()), lastStep);

  // A cut step is never a report step: every summary but the closing one
  // shows one pass.
  const std::regex passRe("NPASS =\\s*(\\d+)");
  std::vector<int> passes;
  for (const auto& l : lines(o.listing))
    if (std::regex_search(l, m, passRe)) passes.push_back(std::stoi(m[1]));
  ASSERT_GE(passes.size(), 2u);
  for (std::size_t k = 0; k + 1 < passes.size(); ++k) EXPECT_EQ(passes[k], 1) << "summary " << k;
  const bool cut = o.r.out.find("ITERK = 15") != std::string::npos;
  if (d.expectCuts) {
    EXPECT_TRUE(cut) << "the deck is meant to exercise step cuts";
  }

  // Cumulative material balance ratios of the solved components.
  std::vector<double> cum;
  for (const auto& l : lines(o.listing))
    if (l.rfind(" CUM MB R ", 0) == 0) {
      cum.clear();
      std::istringstream in(l.substr(10));
      double v;
      while (in >> v) cum.push_back(v);
    }
  ASSERT_EQ(cum.size(), 6u);
  if (d.oil) {
    EXPECT_NEAR(cum[0], 1.0, 1e-3);
  }
  if (d.gas) {
    EXPECT_NEAR(cum[2], 1.0, 1e-3);
  }
  EXPECT_NEAR(cum[5], 1.0, 1e-3);  // aqueous
  if (d.water && !d.polymer) {
    EXPECT_NEAR(cum[1], 1.0, 1e-3);
  }

  // Saturations within [0, 1] and summing to 1 at every listed time level.
  const auto levels = rokLevels(o.rokmat, nx, ny, nz);
  ASSERT_GE(levels.size(), 2u);
  for (const auto& lv : levels) {
    ASSERT_TRUE(lv.count(1) && lv.count(2)) << "the examples list SW and SO";
    const std::size_t nb = lv.at(1).size();
    for (std::size_t b = 0; b < nb; ++b) {
      double sum = 0;
      for (int k : {1, 2, 3, 4}) {
        if (!lv.count(k)) continue;
        const double v = lv.at(k).at(b);
        EXPECT_GE(v, -1e-3);
        EXPECT_LE(v, 1.0 + 1e-3);
        sum += v;
      }
      EXPECT_NEAR(sum, 1.0, 2e-3) << "block " << b;
    }
  }
}

struct Example {
  Deck d;
  int nx, ny, nz;
  bool alsoD4;  // also solved by the two-colour (D4) method
};

// How the test output names a case (instead of the bytes of the object).
void PrintTo(const Example& e, std::ostream* os) { *os << e.d.file; }

class Examples : public ::testing::TestWithParam<Example> {};

}  // namespace

TEST_P(Examples, RunToTheirEndAndTheSolversAgree) {
  const Example& e = GetParam();
  const std::string deck = slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / e.d.file);
  ASSERT_FALSE(deck.empty());
  const std::string stem = fs::path(e.d.file).stem().string();
  // The deck as it is (METHOD 1, variable band), the uniform band, and D4.
  struct Variant {
    int method, nuslvr;
  };
  std::vector<Variant> variants = {{1, 0}, {1, 1}};
  if (e.alsoD4) variants.push_back({4, 0});
  std::vector<Outcome> outs;
  for (const Variant& v : variants) {
    SCOPED_TRACE("METHOD " + std::to_string(v.method) + " NUSLVR " + std::to_string(v.nuslvr));
    outs.push_back(runDeck(stem + "_m" + std::to_string(v.method) + std::to_string(v.nuslvr), withSolver(deck, v.method, v.nuslvr)));
    checkOneRun(e.d, outs.back(), e.nx, e.ny, e.nz);
  }

  // The title (the third line of the deck) fits the listing's title line.
  auto rtrim = [](std::string x) {
    while (!x.empty() && (x.back() == ' ' || x.back() == '\r')) x.pop_back();
    return x;
  };
  const std::string title = rtrim(lines(deck).at(2));
  EXPECT_LE(title.size(), 80u) << title;
  bool titled = false;
  for (const auto& l : lines(outs[0].listing))
    if (l.rfind("  RUN TITLE :  ", 0) == 0) {
      EXPECT_EQ(rtrim(l), "  RUN TITLE :  " + title);
      titled = true;
    }
  EXPECT_TRUE(titled);

  // Every method solves the same systems: the same steps and the same
  // reservoir performance, record by record.
  const auto ra = numbers(outs[0].res);
  for (std::size_t k = 1; k < outs.size(); ++k) {
    SCOPED_TRACE("variant " + std::to_string(k));
    const auto rb = numbers(outs[k].res);
    ASSERT_EQ(ra.size(), rb.size());
    for (std::size_t i = 0; i < ra.size(); ++i) {
      ASSERT_EQ(ra[i].size(), rb[i].size());
      for (std::size_t c = 0; c < ra[i].size(); ++c)
        EXPECT_NEAR(ra[i][c], rb[i][c], 1e-6 + 2e-3 * std::fabs(ra[i][c])) << "record " << i << " column " << c;
    }
  }
}

namespace {

// The headline results examples/README.md states for one deck: a number, or
// "none" for an event that must not happen, or "-" for nothing stated.
struct Stated {
  bool given = false;  // a number is stated
  bool none = false;   // the event must not happen
  double value = 0;
};

Stated statedCell(std::string cell) {
  Stated st;
  while (!cell.empty() && cell.front() == ' ') cell.erase(cell.begin());
  if (cell.rfind("none", 0) == 0) {
    st.none = true;
  } else if (!cell.empty() && cell[0] != '-') {
    char* end = nullptr;
    st.value = std::strtod(cell.c_str(), &end);
    st.given = end != cell.c_str();
  }
  return st;
}

std::string readme() { return slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "README.md"); }

// The cells of the first README table row of `ncells` cells that starts with
// `key` (the deck name in back quotes, or a row label); empty when there is
// no such row.
std::vector<std::string> readmeRow(const std::string& key, std::size_t ncells) {
  for (const auto& l : lines(readme())) {
    if (l.rfind("| " + key + " |", 0) != 0) continue;
    std::vector<std::string> cells;
    std::size_t p = 1;
    while (p < l.size()) {
      const std::size_t q = l.find('|', p);
      if (q == std::string::npos) break;
      cells.push_back(l.substr(p, q - p));
      p = q + 1;
    }
    if (cells.size() == ncells) return cells;
  }
  return {};
}

// The time of the first "res.lis" record whose column `col` reaches `level`;
// a negative value when none does.
double firstReaching(const std::vector<std::vector<double>>& res, std::size_t col, double level) {
  for (const auto& r : res)
    if (r.at(col) >= level) return r.at(1);
  return -1;
}

}  // namespace

// The headline results of examples/README.md come from the decks as they
// stand: oil recovery (ORF of the last "res.lis" record), water breakthrough
// (the first record with a producing water-oil ratio of 0.05 or more), gas
// breakthrough (the first record with a producing gas-oil ratio at least
// twice that of the first record) and the average pressure at the end.
TEST_P(Examples, MatchTheHeadlinesOfTheirReadme) {
  const Example& e = GetParam();
  const auto cells = readmeRow(std::string("`") + e.d.file + "`", 5);
  ASSERT_EQ(cells.size(), 5u) << "examples/README.md has no headline row for " << e.d.file;
  const Stated recovery = statedCell(cells[1]), water = statedCell(cells[2]), gas = statedCell(cells[3]),
               pavg = statedCell(cells[4]);
  ASSERT_TRUE(recovery.given && pavg.given) << "every example states its recovery and final pressure";
  ASSERT_TRUE(water.given || water.none);
  ASSERT_TRUE(gas.given || gas.none);

  const Outcome o = runDeck(fs::path(e.d.file).stem().string() + "_headline",
                            slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / e.d.file));
  ASSERT_EQ(o.r.status, 0) << o.r.err;
  const auto res = numbers(o.res);
  ASSERT_GE(res.size(), 2u);
  for (const auto& r : res) ASSERT_EQ(r.size(), 16u);

  EXPECT_NEAR(res.back()[3], recovery.value, 0.005) << "oil recovery";
  EXPECT_NEAR(res.back()[2], pavg.value, 0.005 * pavg.value) << "average pressure at the end";
  const double tWater = firstReaching(res, 13, 0.05);
  const double tGas = res.front()[14] > 0 ? firstReaching(res, 14, 2.0 * res.front()[14]) : -1;
  struct {
    const char* what;
    const Stated& st;
    double t;
  } events[] = {{"water breakthrough", water, tWater}, {"gas breakthrough", gas, tGas}};
  for (const auto& ev : events) {
    if (ev.st.none) {
      EXPECT_LT(ev.t, 0) << ev.what << " is stated as none";
    } else {
      EXPECT_NEAR(ev.t, ev.st.value, 1.0 + 0.05 * ev.st.value) << ev.what;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Decks, Examples,
                         ::testing::Values(Example{{"waterflood1d.txt", 720, true, true, false, false, false}, 20, 1, 1, true},
                                           Example{{"fivespot_polymer.txt", 900, true, true, false, true, false}, 11, 11, 1, true},
                                           Example{{"blackoil3d.txt", 600, true, true, true, false, true}, 8, 8, 3, false},
                                           Example{{"radial_welltest.txt", 20, true, true, false, false, false}, 10, 1, 2, true},
                                           Example{{"equilibrium_gascap.txt", 730, true, true, true, false, false}, 4, 1, 15, true},
                                           Example{{"waterflood_si.txt", 1000, true, true, false, false, false}, 10, 1, 3, true},
                                           Example{{"coreflood_lab.txt", 8000, true, true, false, true, false}, 20, 1, 1, true},
                                           Example{{"regions_inactive.txt", 1500, true, true, false, false, false}, 10, 5, 2, true},
                                           Example{{"aquifer_edge.txt", 1095, true, true, true, false, false}, 12, 3, 1, true}),
                         [](const auto& info) { return fs::path(info.param.d.file).stem().string(); });

// The radial well test: the flowing bottom-hole pressure at the end of the
// drawdown ("weld.lis") and the pressure of the well's ring in the lower
// layer at the end of the build-up (the last level of "rokmat.lis") are the
// ones examples/README.md states.
TEST(RadialWellTest, DrawdownAndBuildUpPressuresMatchTheReadme) {
  const auto fbhp = readmeRow("Flowing bottom-hole pressure of well 1 at day 10", 2);
  const auto ring = readmeRow("Pressure of ring 1 in the lower layer at day 20", 2);
  ASSERT_EQ(fbhp.size(), 2u);
  ASSERT_EQ(ring.size(), 2u);
  const Stated sf = statedCell(fbhp[1]), sr = statedCell(ring[1]);
  ASSERT_TRUE(sf.given && sr.given);

  const auto dir = scratch("radial_welltest_pressures");
  {
    std::ofstream f(dir / "deck.txt");
    f << slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "radial_welltest.txt");
  }
  const Result r = run(dir, "deck.txt out.lis rin.rst rout.rst");
  ASSERT_EQ(r.status, 0) << r.err;

  // "weld.lis": ISTEP, TIME, well, I, J, K, FBHP, ...; the last record of
  // well 1 with a non-zero oil rate ends the drawdown at day 10.
  double lastFlowing = -1, tFlowing = -1;
  for (const auto& w : numbers(slurp(dir / "weld.lis"))) {
    ASSERT_GE(w.size(), 8u);
    if (w[2] == 1 && w[7] > 0) {
      lastFlowing = w[6];
      tFlowing = w[1];
    }
  }
  EXPECT_NEAR(tFlowing, 10.0, 0.05);
  EXPECT_NEAR(lastFlowing, sf.value, 0.001 * sf.value);

  // The pressure is the third array of each level (SW, SO, P); the top layer
  // comes first, so the lower layer's ring 1 is the 11th value.
  const auto levels = rokLevels(slurp(dir / "rokmat.lis"), 10, 1, 2);
  ASSERT_GE(levels.size(), 2u);
  ASSERT_TRUE(levels.back().count(8));
  const auto& p = levels.back().at(8);
  ASSERT_EQ(p.size(), 20u);
  EXPECT_NEAR(p[10], sr.value, 0.001 * sr.value);
  // The build-up: the ring has risen well above the flowing pressure and
  // the pressures of the lower layer have levelled out across the rings.
  EXPECT_GT(p[10], lastFlowing + 100.0);
  EXPECT_NEAR(p[10], p[19], 1.0);
}

namespace {

// The waterflood example with whole lines replaced: `edits` maps a line of
// the deck, as it stands, to its replacement (an empty replacement drops it).
std::string waterflood(const std::vector<std::pair<std::string, std::string>>& edits) {
  auto l = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"));
  std::string out;
  for (const auto& e : edits) {
    bool found = false;
    for (auto& x : l)
      if (x == e.first) {
        x = e.second.empty() ? "\x01" : e.second;
        found = true;
      }
    EXPECT_TRUE(found) << "no line '" << e.first << "' in the example";
  }
  for (const auto& x : l)
    if (x != "\x01") out += x + "\n";
  return out;
}

const char* const kRunControl = "0 0 720. 720. 1.";
const char* const kLimits = "1 1 0 0 10. 0.01 0.05 100. 100. 0.05 3";
const char* const kRecord = "2 1 1. 720. 0. 100. 50000.";

// The TIME of every time-step summary of the listing, in order.
std::vector<std::string> summaryTimes(const std::string& listing) {
  std::vector<std::string> t;
  const auto l = lines(listing);
  for (std::size_t i = 0; i + 3 < l.size(); ++i)
    if (l[i].find("TIME  STEP  SUMMARY") != std::string::npos) {
      const auto p = l[i + 3].find("TIME  = ");
      t.push_back(p == std::string::npos ? "?" : l[i + 3].substr(p + 8));
    }
  return t;
}

double firstStepSize(const std::string& console) {
  std::smatch m;
  const std::regex re("ISTEP =\\s+1\\s+ITERK =\\s+1 .*DTIME =\\s+([0-9.]+)");
  for (const auto& l : lines(console))
    if (std::regex_search(l, m, re)) return std::stod(m[1]);
  return -1;
}

}  // namespace

TEST(StepReports, FirstStepSizeAndItsReport) {
  // A first period of 5 days that is a report period, 20 days in all,
  // summaries every 20 steps.
  struct Case {
    const char* what;
    const char* limits;  // group 3
    const char* record;  // the first schedule record
    double dt1lo, dt1hi;  // the first step's size
  };
  const Case cases[] = {
      // The record allows 10 days; the first-step choice takes far less: that
      // step is no report step and no completed-step message is due.
      {"first step shortened", kLimits, "2 1 10. 5. 0. 100. 50000.", 0.001, 0.5},
      // Generous change limits would allow a step over the whole period; the
      // record's cap of 1 day holds.
      {"first step capped by DELT1", "1 1 0 0 10. 0.01 0.05 1000000. 100. 5. 3", "2 1 1. 5. 0. 100. 50000.", 1.0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome o = runDeck("first_step", waterflood({{kRunControl, "0 0 20. 20. 1."}, {kLimits, c.limits}, {kRecord, c.record}}));
    ASSERT_EQ(o.r.status, 0) << o.r.err;
    const double dt1 = firstStepSize(o.r.out);
    EXPECT_GE(dt1, c.dt1lo);
    EXPECT_LE(dt1, c.dt1hi);
    EXPECT_EQ(o.r.out.find("STEP NO:   1  HAS BEEN COMPLETED"), std::string::npos);
    // Summaries at the end of the report period, at the halting time, and
    // the closing one.
    const std::vector<std::string> expect = {"0.50000E+01", "0.20000E+02", "0.20000E+02"};
    EXPECT_EQ(summaryTimes(o.listing), expect);
  }
}

TEST(StepReports, NoScheduleRecords) {
  // Only the closing zero line: no wells; the run goes to the halting time in
  // steps of DTMAX, and its end is a report step.
  const Outcome o = runDeck("no_schedule", waterflood({{kRunControl, "0 0 30. 30. 1."},
                                                        {kRecord, ""},
                                                        {"-2 1 1 1 1 2 20. 10000. 0.2 0. 0.", ""},
                                                        {"-1 2 20 1 1 11 20. 2900. 0. 0. 0.", ""}}));
  ASSERT_EQ(o.r.status, 0) << o.r.err;
  EXPECT_EQ(o.r.err, "");
  EXPECT_EQ(lines(o.r.out).back(), " END OF TALVEK RUN");
  const auto res = numbers(o.res);
  ASSERT_EQ(res.size(), 3u);
  for (std::size_t i = 0; i < res.size(); ++i) EXPECT_NEAR(res[i].at(1), 10.0 * (i + 1), 1e-3) << i;
  EXPECT_EQ(summaryTimes(o.listing), (std::vector<std::string>{"0.30000E+02", "0.30000E+02"}));
}

TEST(StepReports, CutStepsWriteNoCompletedStepMessage) {
  // A smallest step of 100 days makes many first attempts fail; the
  // completed-step message is due at every step (NWRITE = 1) but a step that
  // needed a cut never gets it.
  auto l = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "fivespot_polymer.txt"));
  const std::pair<const char*, const char*> edits[] = {
      {"DATA 02B", "0 0 900. 200. 1."}, {"DATA 03B", "1 1 0 0 400. 100. 0.05 5000. 5000. 0.9 4"}, {"DATA 04B", "0 0 0 0 25 25 50 1"}};
  for (const auto& e : edits)
    for (std::size_t i = 0; i + 2 < l.size(); ++i)
      if (l[i].rfind(e.first, 0) == 0) l[i + 2] = e.second;
  std::string deck;
  for (const auto& x : l) deck += x + "\n";
  const Outcome o = runDeck("cut_message", deck);
  ASSERT_EQ(o.r.status, 0) << o.r.err;
  std::map<int, int> passes;
  std::map<int, int> messages;
  std::smatch m;
  const std::regex passRe("^  ISTEP =\\s+(\\d+)  ITERK =  1 "), msgRe("^ STEP NO:\\s*(\\d+)  HAS BEEN COMPLETED$");
  for (const auto& x : lines(o.r.out)) {
    if (std::regex_search(x, m, passRe)) ++passes[std::stoi(m[1])];
    if (std::regex_search(x, m, msgRe)) ++messages[std::stoi(m[1])];
  }
  int cut = 0, uncut = 0;
  for (const auto& [step, n] : passes) {
    EXPECT_EQ(messages[step], n == 1 ? 1 : 0) << "step " << step << ", " << n << " passes";
    (n == 1 ? uncut : cut)++;
  }
  EXPECT_GT(cut, 0);
  EXPECT_GT(uncut, 0);
}
