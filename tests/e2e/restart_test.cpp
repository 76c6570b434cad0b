// Restart-up files in whole runs: the image a run writes, a run continued
// from it, a continuation with a new schedule, and the faults of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e_util.h"
#include "io/deck.h"
#include "io/errors.h"
#include "run/driver.h"
#include "run/restart.h"
#include "state/state.h"

namespace e2e {
namespace {

std::string example(const std::string& name) { return slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / name); }

// `from` replaced by `to` once; the test fails when `from` is missing.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto p = text.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos) text.replace(p, from.size(), to);
  return text;
}

void write(const fs::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
}

// The polymer example with its slug split at day 200 (the same well line in
// both periods) and run to day 300: day 200 falls in the middle of the slug.
std::string polymerDeck(int irstrt, int tmstop, int method = 1) {
  std::string d = example("fivespot_polymer.txt");
  // Every map, the oil in place per unit area among them, in rokmat.lis.
  d = replaced(d, "\n1 1 0 1 0 0 0 1 1 1 0 0\n", "\n1 1 0 1 1 0 0 1 1 1 0 0\n");
  d = replaced(d, "1 1 1. 300. 0. 100. 50000.\n-2 1 1 1 1 4 5. 5000. 0.15 1000. 100.\n",
               "1 1 1. 200. 0. 100. 50000.\n-2 1 1 1 1 4 5. 5000. 0.15 1000. 100.\n"
               "1 1 1. 300. 0. 100. 50000.\n-2 1 1 1 1 4 5. 5000. 0.15 1000. 100.\n");
  d = replaced(d, "0 0 900. 900. 1.", "0 " + std::to_string(irstrt) + " 300. " + std::to_string(tmstop) + ". 1.");
  return replaced(d, "11 11 1 1 2 0 1 1 0. 0.", "11 11 1 " + std::to_string(method) + " 2 0 1 1 0. 0.");
}

// The three-phase example (water, oil and gas equations), run to day 300;
// its injector starts at day 200.
std::string blackOilDeck(int irstrt, int tmstop, int method = 1) {
  std::string d = example("blackoil3d.txt");
  d = replaced(d, "\n1 1 1 0 0 1 0 1 0 0 0 1\n", "\n1 1 1 0 1 1 0 1 0 0 0 1\n");
  d = replaced(d, "\n0 0 0 1 20 20 60 20\n", "\n0 0 0 1 20 20 20 20\n");
  d = replaced(d, "0 0 600. 600. 1.", "0 " + std::to_string(irstrt) + " 300. " + std::to_string(tmstop) + ". 1.");
  return replaced(d, "8 8 3 1 1 0 1 1 0. 0.", "8 8 3 " + std::to_string(method) + " 1 0 1 1 0. 0.");
}

// The record lengths of the restart-up file, read from its framing alone: a
// 4-byte little-endian length before and after each record.
std::vector<std::uint32_t> framing(const fs::path& p, bool& ok) {
  std::vector<std::uint32_t> lens;
  std::ifstream f(p, std::ios::binary);
  ok = true;
  auto get = [&](std::uint32_t& v) {
    unsigned char b[4];
    if (!f.read(reinterpret_cast<char*>(b), 4)) return false;
    v = b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
  };
  std::uint32_t head = 0, tail = 0;
  while (get(head)) {
    f.seekg(head, std::ios::cur);
    if (!get(tail) || tail != head) {
      ok = false;
      break;
    }
    lens.push_back(head);
  }
  return lens;
}

TEST(Restart, ImageHasTheSixtySixRecordsOfFullLength) {
  // Lengths in bytes of records 1 to 66: every array at its full declared
  // size (R 8 bytes, I 4, T 80), whatever the deck's grid.
  const std::vector<std::uint32_t> expected = {
      2408000, 2000,   16324,   472,     416000, 16,     16008,  640000, 640000, 640000, 56,
      192000,  262400, 6724,    75884,   484,    36048,  3601440, 2161456, 1280000, 272052, 48012,
      512000,  128000, 89444,   40,      64016,  136,    128000, 928000, 192000, 64,     336000,
      32000,   224000, 32,      48,      28,     56,     192024, 80,     48,     128,    2960000,
      48,      12,     36,      152,     32000,  320000, 1124812, 224000, 128000, 724,    64000,
      32000,   512000, 192000,  256000,  32008,  160008, 128000, 960,    16000,  96000,  32000};
  ASSERT_EQ(expected.size(), 66u);
  const auto dir = scratch("rst_frame");
  write(dir / "deck.txt", polymerDeck(0, 20));
  const Result r = run(dir, "deck.txt out.lis none.rst image.rst");
  ASSERT_EQ(r.status, 0) << r.err;
  bool ok = false;
  const auto lens = framing(dir / "image.rst", ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(lens, expected);
  std::uint64_t total = 0;
  for (auto n : lens) total += n;
  EXPECT_EQ(total, 21852280u);  // about 21.9 million bytes of data
  EXPECT_EQ(fs::file_size(dir / "image.rst"), total + 8 * 66);
  // No temporary file is left beside it.
  for (const auto& e : fs::directory_iterator(dir)) EXPECT_NE(e.path().extension(), ".tmp") << e.path();
  // Record 2: the unit texts of the three systems (six kinds), the four
  // method labels, then the three adsorption units, each 80 characters.
  std::ifstream f(dir / "image.rst", std::ios::binary);
  f.seekg(4 + 2408000 + 4 + 4);
  std::string rec2(2000, '\0');
  ASSERT_TRUE(f.read(rec2.data(), 2000));
  auto text = [&](int i) {
    std::string v = rec2.substr(static_cast<std::size_t>(80 * i), 80);
    return v.substr(0, v.find_last_not_of(' ') + 1);
  };
  EXPECT_EQ(text(0), "UNITS OF OUTPUT DATA ARE: FIELD UNITS");
  EXPECT_EQ(text(5), "UNITS OF INPUT DATA ARE: LABORATORY UNITS");
  EXPECT_EQ(text(7), "TIME (d); PRESSURE (kPa); MASS (kg); LENGTH (m);");
  EXPECT_EQ(text(17), "RATIO [ LIQUID/OIL (scc/scc), GAS/OIL (scc/scc)]");
  EXPECT_EQ(text(18).substr(0, 9), "S.S.-NAT=");
  EXPECT_EQ(text(21).substr(0, 9), "S.S.-D4 =");
  EXPECT_EQ(text(22), "(lbm POLYMER/lbm ROCK)");
  EXPECT_EQ(text(24), "(g POLYMER/g ROCK)");
}

struct Continuation {
  const char* name;
  std::string (*deck)(int, int, int);
  int method;
};

void PrintTo(const Continuation& c, std::ostream* os) { *os << c.name; }

class RestartContinues : public ::testing::TestWithParam<Continuation> {};

// A run to day 200 and a restart run from its image to day 300 give, for
// every step after day 200, the res.lis and weld.lis records and the
// rokmat.lis maps of one run to day 300, and at the end the same image.
TEST_P(RestartContinues, LikeTheUninterruptedRun) {
  const auto& c = GetParam();
  const auto dir = scratch(std::string("rst_cont_") + c.name);
  for (const char* sub : {"full", "first", "second"}) fs::create_directories(dir / sub);
  write(dir / "full" / "deck.txt", c.deck(0, 300, c.method));
  write(dir / "first" / "deck.txt", c.deck(0, 200, c.method));
  write(dir / "second" / "deck.txt", c.deck(1, 300, c.method));

  const Result full = run(dir / "full", "deck.txt out.lis none.rst end.rst");
  ASSERT_EQ(full.status, 0) << full.err;
  const Result first = run(dir / "first", "deck.txt out.lis none.rst day200.rst");
  ASSERT_EQ(first.status, 0) << first.err;
  fs::copy_file(dir / "first" / "day200.rst", dir / "second" / "day200.rst");
  const Result second = run(dir / "second", "deck.txt out.lis day200.rst end.rst");
  ASSERT_EQ(second.status, 0) << second.err;

  // The restart says where it starts.
  EXPECT_NE(second.out.find("SIMTME="), std::string::npos);
  for (const char* lis : {"res.lis", "weld.lis"}) {
    const std::string whole = slurp(dir / "full" / lis);
    const std::string a = slurp(dir / "first" / lis), b = slurp(dir / "second" / lis);
    ASSERT_FALSE(b.empty()) << lis;
    EXPECT_EQ(a + b, whole) << lis;
  }
  // The maps after day 200 (the first run ends with its own maps of day
  // 200); the oil in place per unit area needs the blocks' net thickness,
  // which the image does not hold.
  const std::string maps = slurp(dir / "second" / "rokmat.lis"), wholeMaps = slurp(dir / "full" / "rokmat.lis");
  ASSERT_FALSE(maps.empty());
  EXPECT_TRUE(wholeMaps.size() >= maps.size() && wholeMaps.compare(wholeMaps.size() - maps.size(), maps.size(), maps) == 0)
      << "rokmat.lis of the restart run is not the end of the uninterrupted run's";
  EXPECT_EQ(slurp(dir / "second" / "end.rst"), slurp(dir / "full" / "end.rst"));
}

INSTANTIATE_TEST_SUITE_P(Decks, RestartContinues,
                         ::testing::Values(Continuation{"polymer_m1", polymerDeck, 1},
                                           Continuation{"polymer_m3", polymerDeck, 3},
                                           Continuation{"polymer_m4", polymerDeck, 4},
                                           Continuation{"blackoil_m1", blackOilDeck, 1},
                                           Continuation{"blackoil_m3", blackOilDeck, 3},
                                           Continuation{"blackoil_m4", blackOilDeck, 4}),
                         [](const auto& i) { return std::string(i.param.name); });

// The producer's row of the run summary: the water breakthrough of the
// five-spot (about day 290) comes before a restart at day 400. The restart
// run cannot tell whether the threshold was passed before its first step or
// at it, and says so instead of giving its first step as the breakthrough.
TEST(Restart, SummaryMarksBreakthroughsPassedBeforeTheFirstStep) {
  const auto dir = scratch("rst_summary");
  for (const char* sub : {"first", "second"}) fs::create_directories(dir / sub);
  const std::string deck = example("fivespot_polymer.txt");
  write(dir / "first" / "deck.txt", replaced(deck, "0 0 900. 900. 1.", "0 0 900. 400. 1."));
  write(dir / "second" / "deck.txt", replaced(deck, "0 0 900. 900. 1.", "0 1 900. 500. 1."));
  const Result first = run(dir / "first", "--summary deck.txt out.lis none.rst day400.rst");
  ASSERT_EQ(first.status, 0) << first.err;
  fs::copy_file(dir / "first" / "day400.rst", dir / "second" / "day400.rst");
  const Result second = run(dir / "second", "--summary deck.txt out.lis day400.rst end.rst");
  ASSERT_EQ(second.status, 0) << second.err;

  // The water cell (the first after the block) of the producer's row, and
  // the accepted steps.
  auto water = [](const std::string& summary) {
    for (const auto& l : lines(summary))
      if (l.find("(11, 11, 1)") != std::string::npos) return l.substr(l.find(')') + 5, 24);
    return std::string();
  };
  auto steps = [](const std::string& summary) {
    const auto p = summary.find(" STEPS: ");
    return p == std::string::npos ? -1 : std::stoi(summary.substr(p + 8));
  };
  const std::string s1 = slurp(dir / "first" / "summary.txt"), s2 = slurp(dir / "second" / "summary.txt");
  const std::string w1 = water(s1), w2 = water(s2);
  ASSERT_EQ(w1.rfind("step ", 0), 0u) << s1;
  EXPECT_LT(std::stod(w1.substr(w1.find("t = ") + 4)), 400.0) << w1;
  EXPECT_EQ(s1.find("a restart run"), std::string::npos);
  // The restart run's first step is the first run's last plus one.
  ASSERT_GT(steps(s1), 0) << s1;
  EXPECT_EQ(w2.rfind("step<=" + std::to_string(steps(s1) + 1) + ", t<=", 0), 0u) << s2;
  EXPECT_NE(s2.find("(a restart run: \"step<=\" is a threshold passed by the first step of this run"), std::string::npos)
      << s2;

  // The counts of the restart run are those of this run, every one of them:
  // its steps from the image's step to its last, its Newton iterations (one
  // console line each), not the totals since the first run began.
  EXPECT_NE(s2.find(" THIS RUN (FROM THE IMAGE OF STEP " + std::to_string(steps(s1)) + "):"), std::string::npos) << s2;
  int lastStep = 0, newton = 0;
  for (const auto& l : lines(second.out)) {
    const auto p = l.find("ISTEP =");
    if (p == std::string::npos || l.find("ITERK =") == std::string::npos) continue;
    ++newton;
    lastStep = std::max(lastStep, std::stoi(l.substr(p + 7)));
  }
  ASSERT_GT(lastStep, steps(s1)) << second.out;
  EXPECT_EQ(steps(s2), lastStep - steps(s1)) << s2;
  EXPECT_NE(s2.find("NEWTON ITERATIONS: " + std::to_string(newton) + " "), std::string::npos) << s2;
}

// Every value of the "CUM MB R" lines of a listing that is not 0.
std::vector<double> cumulativeRatios(const std::string& listing) {
  std::vector<double> v;
  for (const auto& l : lines(listing)) {
    if (l.rfind(" CUM MB R", 0) != 0) continue;
    std::istringstream in(l.substr(9));
    double x;
    while (in >> x)
      if (x != 0.0) v.push_back(x);
  }
  return v;
}

// A restart with a new schedule: the earlier run's records, then new ones.
// The material balance goes on from the restored cumulative figures.
TEST(Restart, NewScheduleContinuesTheBalance) {
  struct Case {
    const char* name;
    std::string first, second;
  };
  // Polymer: water injection to day 100, then a new polymer slug.
  std::string water = example("fivespot_polymer.txt");
  water = replaced(water, "0 0 900. 900. 1.", "0 0 200. 100. 1.");
  std::string slug = replaced(water, "0 0 200. 100. 1.", "0 1 200. 200. 1.");
  slug = replaced(slug, "1 1 1. 300. 0. 100. 50000.\n-2 1 1 1 1 4 5. 5000. 0.15 1000. 100.\n1 1 1. 900. 0. 100. 50000.\n"
                        "-2 1 1 1 1 2 5. 5000. 0.15 0. 0.\n",
                  "1 1 1. 200. 0. 100. 50000.\n-2 1 1 1 1 4 5. 5000. 0.3 2000. 100.\n");
  // Three phases: a second water injector at (8,1,1) from day 200.
  const std::string oil = blackOilDeck(0, 200, 1);
  std::string injector = blackOilDeck(1, 300, 1);
  injector = replaced(injector, "1 1 1. 600. 0. 100. 50000.\n-2 2 1 1 1 2 20. 4500. 1.2 0. 0.\n",
                      "2 1 1. 600. 0. 100. 50000.\n-2 2 1 1 1 2 20. 4500. 1.2 0. 0.\n"
                      "-2 3 8 1 1 2 20. 4500. 0.8 0. 0.\n");
  for (const Case& c : {Case{"polymer_slug", water, slug}, Case{"new_injector", oil, injector}}) {
    SCOPED_TRACE(c.name);
    const auto dir = scratch(std::string("rst_sched_") + c.name);
    for (const char* sub : {"first", "second"}) fs::create_directories(dir / sub);
    write(dir / "first" / "deck.txt", c.first);
    write(dir / "second" / "deck.txt", c.second);
    const Result first = run(dir / "first", "deck.txt out.lis none.rst t1.rst");
    ASSERT_EQ(first.status, 0) << first.err;
    fs::copy_file(dir / "first" / "t1.rst", dir / "second" / "t1.rst");
    const Result second = run(dir / "second", "deck.txt out.lis t1.rst t2.rst");
    ASSERT_EQ(second.status, 0) << second.err;
    const auto ratios = cumulativeRatios(slurp(dir / "second" / "out.lis"));
    ASSERT_GE(ratios.size(), 3u);
    for (double r : ratios) EXPECT_NEAR(r, 1.0, 1.0E-4);
    // The new schedule acts: polymer solution is injected after the
    // restart (PVIP of res.lis grows from 0), the new well produces records.
    const auto field = [](const std::string& line, std::size_t i) {
      std::istringstream in(line);
      std::string w;
      for (std::size_t k = 0; k <= i; ++k) in >> w;
      return w;
    };
    const auto res1 = lines(slurp(dir / "first" / "res.lis")), res2 = lines(slurp(dir / "second" / "res.lis"));
    ASSERT_FALSE(res1.empty());
    ASSERT_FALSE(res2.empty());
    int newWell = 0;
    for (const auto& l : lines(slurp(dir / "second" / "weld.lis")))
      if (field(l, 2) == "3" && field(l, 3) == "8" && field(l, 4) == "1" && field(l, 5) == "1") ++newWell;
    if (std::string(c.name) == "polymer_slug") {
      EXPECT_EQ(std::stod(field(res1.back(), 4)), 0.0);
      EXPECT_GT(std::stod(field(res2.back(), 4)), 0.01);
    } else {
      EXPECT_GT(newWell, 0);
    }
  }
}

// The faults of the restart-up file: each stops with a message naming the
// file (and the record), a non-zero status, and nothing written before.
TEST(Restart, BadImagesStopBeforeAnythingIsWritten) {
  const auto base = scratch("rst_bad_src");
  write(base / "deck.txt", polymerDeck(0, 20));
  ASSERT_EQ(run(base, "deck.txt out.lis none.rst good.rst").status, 0);
  const std::string good = slurp(base / "good.rst");
  ASSERT_EQ(good.size(), 21852808u);

  struct Case {
    const char* name;
    std::string image;  // content of the file to read ("" with exists = false: no file)
    std::string args;
    int status;
    std::string message;
  };
  const std::string grid = replaced(polymerDeck(1, 40), "11 11 1 1 2 0 1 1 0. 0.", "11 10 1 1 2 0 1 1 0. 0.");
  const std::vector<Case> cases = {
      {"truncated", good.substr(0, 5000000), "deck.txt out.lis in.rst out.rst", 1,
       "the restart-up file to read 'in.rst' ends inside record 13"},
      {"cut_at_record", good.substr(0, 2408008 + 2008), "deck.txt out.lis in.rst out.rst", 1,
       "the restart-up file to read 'in.rst' ends before record 3"},
      {"foreign", polymerDeck(0, 20), "deck.txt out.lis in.rst out.rst", 1,
       "the restart-up file to read 'in.rst' is not a restart-up image of this program: record 1"},
      {"empty", "", "deck.txt out.lis in.rst out.rst", 1, "the restart-up file to read 'in.rst' is empty"},
      {"one_byte_more", good + "\n", "deck.txt out.lis in.rst out.rst", 1,
       "the restart-up file to read 'in.rst' holds 1 more byte after the 66 records of an image: it is not an image "
       "this program wrote"},
      {"two_images", good + good, "deck.txt out.lis in.rst out.rst", 1,
       "the restart-up file to read 'in.rst' holds 21852808 more bytes after the 66 records of an image: it is not "
       "an image this program wrote"},
      {"same_name_twice", good, "deck.txt out.lis in.rst ./in.rst", 2,
       "the restart-up file to read 'in.rst' and the restart-up file to write './in.rst' are the same file"},
      {"missing", "", "deck.txt out.lis absent.rst out.rst", 4,
       "cannot open the restart-up file to read 'absent.rst': No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto dir = scratch(std::string("rst_bad_") + c.name);
    write(dir / "deck.txt", polymerDeck(1, 40));
    write(dir / "in.rst", c.image);
    // Files of an earlier run in this folder stay as they were.
    write(dir / "out.lis", "earlier listing\n");
    write(dir / "out.rst", "earlier image\n");
    write(dir / "res.lis", "earlier res.lis\n");
    const Result r = run(dir, c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(slurp(dir / "out.lis"), "earlier listing\n");
    EXPECT_EQ(slurp(dir / "out.rst"), "earlier image\n");
    EXPECT_EQ(slurp(dir / "res.lis"), "earlier res.lis\n");
    EXPECT_EQ(slurp(dir / "in.rst"), c.image);
  }
  // An image of another grid than the deck's.
  const auto dir = scratch("rst_bad_grid");
  write(dir / "deck.txt", grid);
  write(dir / "in.rst", good);
  const Result r = run(dir, "deck.txt out.lis in.rst out.rst");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("deck.txt: data group DATA 10B, item NX: the deck's grid 11 x 10 x 1 is not the grid 11 x 11 x 1 of "
                       "the restart-up file to read 'in.rst'"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "out.rst"));
}

// The run-control values a restart takes from its deck's head are checked
// as a new run checks them: values that leave no time step, a step-size
// control that would hold every step at DTMIN, fits or output units the
// tables do not have, stop the run with the deck's line, group and item.
TEST(Restart, DeckHeadThatCannotRunIsRefused) {
  const auto base = scratch("rst_head_src");
  write(base / "deck.txt", polymerDeck(0, 20));
  ASSERT_EQ(run(base, "deck.txt out.lis none.rst day20.rst").status, 0);
  const std::string head3 = "\n1 1 0 0 10. 0.01 0.05 100. 100. 0.05 3\n";
  struct Case {
    const char* name;
    std::string from, to;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"delsat", head3, "\n1 1 0 0 10. 0.01 0.05 100. 100. 0. 3\n",
       "deck.txt:9: data group DATA 03B, item DELSAT: DELSAT = 0 is not positive"},
      {"rerorp", head3, "\n1 1 0 0 10. 0.01 -1. 100. 100. 0.05 3\n",
       "deck.txt:9: data group DATA 03B, item RERORP: RERORP = -1 is not positive"},
      {"nintble", head3, "\n1 1 1 1000 10. 0.01 0.05 100. 100. 0.05 3\n",
       "deck.txt:9: data group DATA 03B, item NINTBLE: NINTBLE = 1000 is outside 2 to 500"},
      {"muntout", head3, "\n1 5 0 0 10. 0.01 0.05 100. 100. 0.05 3\n",
       "deck.txt:9: data group DATA 03B, item MUNTOUT: MUNTOUT = 5 is outside 1 to 3"},
      {"delt", "0 1 300. 40. 1.", "0 1 300. 40. 0.",
       "deck.txt:6: data group DATA 02B, item DELT: DELT = 0 is not positive"},
      {"dtmax", head3, "\n1 1 0 0 0. 0. 0.05 100. 100. 0.05 3\n",
       "deck.txt:9: data group DATA 03B, item DTMAX: DTMAX = 0 leaves no positive time step"},
      // The line of the item itself when the group's values go on over
      // another line.
      {"rerorp on the first of two lines", head3, "\n1 1 0 0 10. 0.01 -1.\n100. 100. 0.05 3\n",
       "deck.txt:9: data group DATA 03B, item RERORP: RERORP = -1 is not positive"},
      // The image holds field units; the deck may not read its values in others.
      {"munitin", head3, "\n2 2 0 0 10. 0.01 0.05 100. 100. 0.05 3\n",
       "deck.txt:9: data group DATA 03B, item MUNITIN: MUNITIN = 2, but the restart-up image was written with "
       "MUNITIN = 1 (field units): a restart continues in the input units of the run it continues"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto dir = scratch(std::string("rst_head_") + c.name);
    write(dir / "deck.txt", replaced(polymerDeck(1, 40), c.from, c.to));
    fs::copy_file(base / "day20.rst", dir / "day20.rst");
    const Result r = run(dir, "deck.txt out.lis day20.rst out.rst");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.rst"));
  }
}

// A restart deck whose halting time lies beyond its total simulation time
// runs to the halting time, as the same head does in a new run (the total is
// raised to it), and not to the total while its console line says otherwise.
// The polymer deck run to day 20, then restarted in a folder of its own
// ("second") with the deck `second` to day 40.
Result restartAtDay20(const fs::path& dir, const std::string& second) {
  write(dir / "first.txt", polymerDeck(0, 20));
  EXPECT_EQ(run(dir, "first.txt first.lis none.rst day20.rst").status, 0);
  fs::create_directories(dir / "second");
  fs::copy_file(dir / "day20.rst", dir / "second" / "day20.rst");
  write(dir / "second" / "second.txt", second);
  return run(dir / "second", "second.txt second.lis day20.rst day40.rst");
}

TEST(Restart, HaltingTimeBeyondTheTotalRaisesTheTotal) {
  const auto dir = scratch("rst_tmtotal");
  const Result r = restartAtDay20(dir, replaced(polymerDeck(1, 40), "0 1 300. 40. 1.", "0 1 30. 40. 1."));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto res = lines(slurp(dir / "second" / "res.lis"));
  ASSERT_FALSE(res.empty());
  std::istringstream last(res.back());
  int step = 0;
  double time = 0.0;
  last >> step >> time;
  EXPECT_NEAR(time, 40.0, 1e-6) << res.back();
}

// The first step of a restart is capped by the new deck's DELT and by its
// DTMAX: a deck that lowers the largest step below the restored step size
// gets steps no longer than it from the first one on.
TEST(Restart, FirstStepKeepsTheNewLargestStep) {
  const Result r = restartAtDay20(
      scratch("rst_dtmax"), replaced(replaced(polymerDeck(1, 40), "0 1 300. 40. 1.", "0 1 300. 40. 5."),
                                     "\n1 1 0 0 10. 0.01 0.05 100. 100. 0.05 3\n",
                                     "\n1 1 0 0 0.5 0.01 0.05 100. 100. 0.05 3\n"));
  ASSERT_EQ(r.status, 0) << r.err;
  int iterations = 0;
  for (const auto& l : lines(r.out)) {
    const auto p = l.find("DTIME = ");
    if (p == std::string::npos || l.find("ITERK =") == std::string::npos) continue;
    ++iterations;
    EXPECT_LE(std::stod(l.substr(p + 8)), 0.5) << l;
  }
  EXPECT_GT(iterations, 0) << r.out;
}

// A field-unit image continued by a deck asking for laboratory output is
// reported in field units, with one warning naming the new deck's item: the
// reports are those of the same deck asking for field output.
TEST(Restart, LaboratoryOutputOfAFieldImageIsWrittenInFieldUnits) {
  const std::string head3 = "\n1 1 0 0 10. 0.01 0.05 100. 100. 0.05 3\n";
  const auto own = scratch("rst_labout_own"), lab = scratch("rst_labout_lab");
  const Result r1 = restartAtDay20(own, polymerDeck(1, 40));
  const Result r3 = restartAtDay20(lab, replaced(polymerDeck(1, 40), head3, "\n1 3 0 0 10. 0.01 0.05 100. 100. 0.05 3\n"));
  ASSERT_EQ(r1.status, 0) << r1.err;
  ASSERT_EQ(r3.status, 0) << r3.err;
  EXPECT_EQ(r1.err, "");
  EXPECT_EQ(lines(r3.err), std::vector<std::string>{
                               "talvek: warning: second.txt:9: data group DATA 03B, item MUNTOUT: MUNTOUT = 3, but "
                               "laboratory output is not converted from field input: the reports are written in field "
                               "units (MUNTOUT = 1)"});
  const std::string listing = withoutTimes(lab / "second" / "second.lis");
  EXPECT_NE(listing.find("UNITS OF OUTPUT DATA ARE: FIELD UNITS"), std::string::npos);
  EXPECT_EQ(listing.find("LABORATORY UNITS"), std::string::npos);
  EXPECT_EQ(listing, withoutTimes(own / "second" / "second.lis"));
  for (const char* file : {"res.lis", "well.lis", "weld.lis", "rokmat.lis"}) {
    SCOPED_TRACE(file);
    const std::string want = slurp(own / "second" / file);
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(slurp(lab / "second" / file), want);
  }
}

// The loop goes on with the schedule record and well line after those the
// image has applied: a schedule that does not repeat them is refused.
TEST(Restart, ScheduleMustRepeatTheRecordsAlreadyRun) {
  const auto dir = scratch("rst_sched_bad");
  write(dir / "first.txt", polymerDeck(0, 20));
  ASSERT_EQ(run(dir, "first.txt first.lis none.rst day20.rst").status, 0);
  write(dir / "second.txt", replaced(polymerDeck(1, 40), "2 1 1. 100. 0. 100. 50000.\n-2 1 1 1 1 2 5. 5000. 0.15 0. 0.\n",
                                     "1 1 1. 100. 0. 100. 50000.\n"));
  const Result r = run(dir, "second.txt second.lis day20.rst day40.rst");
  EXPECT_EQ(r.status, 1);
  // The message names the "NOW" line of the record the image has run.
  int line = 0;
  {
    std::ifstream in(dir / "second.txt");
    std::string l;
    for (int n = 1; std::getline(in, l); ++n)
      if (l == "1 1 1. 100. 0. 100. 50000.") line = n;
  }
  ASSERT_GT(line, 0);
  EXPECT_NE(r.err.find("second.txt:" + std::to_string(line) +
                       ": data group DATA 45D, item NOW: the schedule does not repeat the records already run: "
                       "records 1 to 1 hold 1 well lines where the restart-up image applied 2"),
            std::string::npos)
      << r.err;
}

// A record already run, or the one running at the restored time, was
// applied with the values the image ran with: a restart deck that changes
// one of them (here in the first record, which runs to day 100) is refused,
// naming the record's "NOW" line and the item, instead of running on with
// the old values without a word. A later record may change.
TEST(Restart, ScheduleRecordsAlreadyAppliedMustNotChange) {
  const std::string now1 = "2 1 1. 100. 0. 100. 50000.\n-2 1 1 1 1 2 5. 5000. 0.15 0. 0.\n";
  struct Case {
    const char* name;
    std::string from, to;
    const char* message;  // "" when the deck runs
  } cases[] = {
      {"end of the running period", now1, "2 1 1. 50. 0. 100. 50000.\n-2 1 1 1 1 2 5. 5000. 0.15 0. 0.\n",
       ": data group DATA 45D, item SIMNEW: record 1 gives SIMNEW = 50 where the restart-up image ran with 100; "},
      {"rate of a well line applied", now1, "2 1 1. 100. 0. 100. 50000.\n-2 1 1 1 1 2 5. 5000. 0.2 0. 0.\n",
       ": data group DATA 45D, item QSP: well line 1 of record 1 gives QSP = 0.2 where the restart-up image ran "
       "with 0.15; "},
      {"a later record", "1 1 1. 900. 0. 100. 50000.", "1 1 1. 800. 0. 100. 50000.", ""},
  };
  const auto base = scratch("rst_sched_same");
  write(base / "first.txt", polymerDeck(0, 20));
  ASSERT_EQ(run(base, "first.txt first.lis none.rst day20.rst").status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto dir = scratch(std::string("rst_sched_same_") + c.name);
    fs::copy_file(base / "day20.rst", dir / "day20.rst");
    const std::string deck = replaced(polymerDeck(1, 40), c.from, c.to);
    write(dir / "second.txt", deck);
    const Result r = run(dir, "second.txt second.lis day20.rst day40.rst");
    if (*c.message == '\0') {
      EXPECT_EQ(r.status, 0) << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 1);
    const auto l = lines(deck);
    int line = 0;
    for (std::size_t i = 0; i < l.size(); ++i)
      if (l[i] == lines(c.to).front()) line = static_cast<int>(i) + 1;
    ASSERT_GT(line, 0);
    EXPECT_NE(r.err.find("second.txt:" + std::to_string(line) + c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "day40.rst"));
  }
}

// The image of every deck's set-up passes the checks a restart makes of the
// counts and index lists it reads back: the example decks (Cartesian and
// radial grids, inactive blocks, regions, aquifers, the four methods) and
// equispaced fits of both kinds.
TEST(Restart, ImagesOfEverySetUpAreAccepted) {
  std::vector<std::pair<std::string, std::string>> decks;
  for (const auto& e : fs::directory_iterator(fs::path(TALVEK_SOURCE_DIR) / "examples"))
    if (e.path().extension() == ".txt") decks.emplace_back(e.path().filename().string(), slurp(e.path()));
  const std::string wf = example("waterflood1d.txt");
  decks.emplace_back("iquad1", replaced(wf, "1 1 0 0 10. 0.01", "1 1 1 101 10. 0.01"));
  decks.emplace_back("iquad2", replaced(wf, "1 1 0 0 10. 0.01", "1 1 2 51 10. 0.01"));
  // Values the deck reader only warns about: without fits NINTBLE is not
  // used, and any IQUAD other than 0 and 2 gives linear fits.
  decks.emplace_back("nofit_nintble1000", replaced(wf, "1 1 0 0 10. 0.01", "1 1 0 1000 10. 0.01"));
  decks.emplace_back("nofit_nintble-5", replaced(wf, "1 1 0 0 10. 0.01", "1 1 0 -5 10. 0.01"));
  decks.emplace_back("iquad7", replaced(wf, "1 1 0 0 10. 0.01", "1 1 7 101 10. 0.01"));
  decks.emplace_back("iquad-1", replaced(wf, "1 1 0 0 10. 0.01", "1 1 -1 2 10. 0.01"));
  decks.emplace_back("method3", blackOilDeck(0, 300, 3));
  decks.emplace_back("method4", blackOilDeck(0, 300, 4));
  ASSERT_GE(decks.size(), 14u);
  for (const auto& [name, text] : decks) {
    SCOPED_TRACE(name);
    auto sp = talvek::makeState();
    talvek::State& s = *sp;
    Sandbox box("rst_accept_" + name.substr(0, name.find('.')));
    write(box.dir() / "deck.txt", text);
    const std::string names[4] = {"deck.txt", "out.lis", "none.rst", "out.rst"};
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    try {
      talvek::STARTUP(s);
      talvek::SETNAMES(s, names);
      talvek::DeckReader deck("deck.txt");
      talvek::RUNSET(s, deck);
      talvek::UPDATE(s, f);
      auto back = talvek::makeState();
      talvek::READST(*back, f, "the image of " + name);
      talvek::RSTCHK(*back, "the image of " + name);
      // An inactive block with an activity code would be numbered by the
      // band set-up of the restart.
      if (name == "regions_inactive.txt") {
        int L = 1;
        while (L < back->NCELL && back->IORD(L) != 0) ++L;
        ASSERT_EQ(back->IORD(L), 0);
        back->IACTIVE(L) = 1;
        try {
          talvek::RSTCHK(*back, "the image");
          ADD_FAILURE() << "an activity code of an inactive block was taken";
        } catch (const talvek::RunError& e) {
          EXPECT_NE(std::string(e.what()).find("the image holds IACTIVE(" + std::to_string(L) +
                                               ") = 1 in record 33, outside 0 to 0"),
                    std::string::npos)
              << e.what();
        }
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
    std::fclose(f);
  }
}

}  // namespace
// The image is written beside its file and renamed onto it; a file that is
// no plain file keeps its kind: a device such as /dev/null is written in
// place (renaming onto it would put a plain file where the device was), and
// a symbolic link stays a link whose target receives the image.
TEST(Restart, DeviceAndLinkTargetsKeepTheirKind) {
  const auto dir = scratch("rst_kinds");
  write(dir / "deck.txt", polymerDeck(0, 20));
  const Result dev = run(dir, "deck.txt out.lis none.rst /dev/null");
  ASSERT_EQ(dev.status, 0) << dev.err;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  write(dir / "real.rst", "");
  fs::create_symlink("real.rst", dir / "link.rst");
  const Result link = run(dir, "deck.txt out2.lis none.rst link.rst");
  ASSERT_EQ(link.status, 0) << link.err;
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "link.rst")));
  EXPECT_EQ(fs::file_size(dir / "real.rst"), 21852808u);
}

}  // namespace e2e
