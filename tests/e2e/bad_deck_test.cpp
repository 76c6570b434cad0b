// Bad decks stop the run with one message naming the deck file, the line,
// the data group and the item; the exit status is non-zero and the listing
// written so far is flushed, ending with the same message.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e_util.h"

using namespace e2e;

namespace {

// The waterflood example with one line replaced (1-based), or cut after `cut` lines.
std::string spoil(int lineNo, const std::string& replacement, int cut = 0) {
  const auto l = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"));
  std::string out;
  for (std::size_t i = 0; i < l.size(); ++i) {
    if (cut > 0 && static_cast<int>(i) >= cut) break;
    out += (static_cast<int>(i) + 1 == lineNo ? replacement : l[i]) + "\n";
  }
  return out;
}

// The first line (1-based) starting with `startsWith`, or with `last` the
// last one.
int findLine(const std::string& startsWith, bool last = false) {
  const auto l = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"));
  int found = 0;
  for (std::size_t i = 0; i < l.size(); ++i)
    if (l[i].rfind(startsWith, 0) == 0) {
      found = static_cast<int>(i) + 1;
      if (!last) return found;
    }
  return found;
}

}  // namespace

TEST(BadDeck, OneMessageNamingDeckLineGroupAndItem) {
  struct Case {
    const char* what;
    int line;  // line of the deck that is spoiled (or where it is cut)
    std::string text;
    bool cut;
    const char* group;
    const char* item;
    int named = 0;  // the line named, when not the spoiled one
  };
  const int g03 = findLine("DATA 03B") + 2;
  const int g05 = findLine("DATA 05B") + 2;
  const int g07 = findLine("DATA 07B") + 2;
  const int g10 = findLine("DATA 10B") + 2;
  const int g21 = findLine("DATA 21A") + 2;
  const int g40 = findLine("DATA 40C") + 4;
  const int prod = findLine("-1 2 20 1 1");
  ASSERT_GT(g10, 2);
  ASSERT_GT(prod, 0);
  const Case cases[] = {
      {"no positive time step", g03, "1 1 0 0 0. 0. 0.05 100. 100. 0.05 3", false, "DATA 03B", "DTMAX"},
      // Named at the line of the value when the list goes on over the next.
      {"no positive time step, the list on two lines", g03, "1 1 0 0 0. 0.\n0.05 100. 100. 0.05 3", false,
       "DATA 03B", "DTMAX"},
      {"a letter in a print switch", g05, "1 1 x 0 0 0 0 1 0 0 0 0", false, "DATA 05B", "PRNTSG"},
      {"a letter in a number", g10, "20 1 1 1 2 0 1 X 0. 0.", false, "DATA 10B", "NPVTRGN"},
      {"a grid beyond 40 blocks", g10, "41 1 1 1 2 0 1 1 0. 0.", false, "DATA 10B", "NX"},
      {"dip sines beyond a vertical bed", g07, "5000. 0.8 0.7", false, "DATA 07B", "SINX, SINY"},
      {"a well radius outside the external one", g10, "20 0 1 1 2 0 1 1 5. 1.", false, "DATA 10B", "RADE"},
      {"a radial grid without a well radius", g10, "20 0 1 1 2 0 1 1 0. 100.", false, "DATA 10B", "RADW"},
      {"radii too close for the rings", g10, "20 0 1 1 2 0 1 1 1. 1.0000000000000002", false, "DATA 10B", "RADE"},
      {"a bad region-line value", g21, "1 20 1 1 1 1 0.2x", false, "DATA 21A", ""},
      {"the deck ends inside the PVT table", g40, "", true, "DATA 40C", ""},
      {"a well outside the grid", prod, "-1 2 25 1 1 11 20. 2900. 0. 0. 0.", false, "DATA 45D", "IW"},
      // 4800 blocks, all active: named at the end of the activity map.
      {"more active blocks than the tables hold", g10, "40 40 3 1 2 0 1 1 0. 0.", false, "DATA 11A",
       "IACTIVE", findLine("1 IACTIVE") + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto dir = scratch("bad");
    {
      std::ofstream f(dir / "bad.txt");
      f << (c.cut ? spoil(0, "", c.line) : spoil(c.line, c.text));
    }
    Result r = run(dir, "bad.txt out.lis rin.rst rout.rst");
    EXPECT_EQ(r.status, 1);
    // One error line, the last one; the lines before it can only be warnings
    // about values out of range (zero DTMAX and DTMIN are also warned about).
    const auto err = lines(r.err);
    ASSERT_GE(err.size(), 1u) << r.err;
    for (std::size_t i = 0; i + 1 < err.size(); ++i) {
      EXPECT_EQ(err[i].rfind("talvek: warning: bad.txt:", 0), 0u) << r.err;
    }
    const std::string& m = err.back();
    EXPECT_EQ(m.rfind("talvek: error: bad.txt:", 0), 0u) << m;
    // The line named is the one that was spoiled (a cut deck ends there).
    EXPECT_NE(m.find("bad.txt:" + std::to_string(c.named ? c.named : c.line) + ":"), std::string::npos) << m;
    EXPECT_NE(m.find(c.group), std::string::npos) << m;
    // The place is named once, in front of what is wrong.
    EXPECT_EQ(m.find("bad.txt", m.find("bad.txt") + 1), std::string::npos) << m;
    EXPECT_EQ(m.find(c.group, m.find(c.group) + 1), std::string::npos) << m;
    if (*c.item) {
      EXPECT_NE(m.find(std::string("item ") + c.item), std::string::npos) << m;
    }
    // The listing is flushed and ends with the message.
    const auto lis = lines(slurp(dir / "out.lis"));
    ASSERT_FALSE(lis.empty());
    EXPECT_EQ(lis.back(), " " + m);
    EXPECT_NE(lis.front().find("1"), std::string::npos);
  }
}

// A grid whose band does not fit the band store with the method asked for:
// the stop names the deck line of the method, as any deck message does, and
// what would fit.
TEST(BadDeck, BandStoreTooSmallNamesTheLineOfTheMethod) {
  const auto dir = scratch("band");
  const auto l = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "polymer3d_4000.txt"));
  int g10 = 0;
  {
    std::ofstream f(dir / "big.txt");
    for (std::size_t i = 0; i < l.size(); ++i) {
      if (l[i].rfind("DATA 10B", 0) == 0) g10 = static_cast<int>(i) + 3;
      f << (static_cast<int>(i) + 1 == g10 ? std::string("20 20 10 1 2 0 1 1 0. 0.") : l[i]) << "\n";
    }
  }
  ASSERT_GT(g10, 0);
  Result r = run(dir, "big.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 1);
  const auto err = lines(r.err);
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back().rfind("talvek: error: big.txt:" + std::to_string(g10) +
                                 ": data group DATA 10B, item METHOD: solution method 1 (uniform band, NXYZORD = 2): "
                                 "the band store needs NNMAX = ",
                             0),
            0u)
      << r.err;
  EXPECT_NE(err.back().find("methods 2 and 3 need no band store and always fit"), std::string::npos) << r.err;
}

TEST(BadDeck, RestartDeckWithoutItsImageIsRefusedClearly) {
  const auto dir = scratch("restart");
  {
    std::ofstream f(dir / "rst.txt");
    f << spoil(findLine("DATA 02B") + 2, "0 1 720. 720. 1.");
  }
  Result r = run(dir, "rst.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("cannot open the restart-up file to read 'rin.rst': No such file or directory"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "out.lis"));
}

TEST(BadDeck, ScheduleThatCannotBeRunStopsBeforeTheFirstStep) {
  // The reader only warns about these records; the run stops once the
  // schedule is read, before the first step, naming the record's "NOW" line,
  // the item and the value.
  struct Case {
    const char* what;
    const char* record1;
    const char* extra;  // a second record, before the closing zero line
    bool second;        // the fault is in the second record
    const char* message;
  };
  const Case cases[] = {
      {"second period ends where the first does", "2 1 1. 360. 0. 100. 50000.", "0 1 1. 360. 0. 100. 50000.", true,
       "data group DATA 45D, item SIMNEW: schedule record 2 ends at SIMNEW = 360.000, not after the end "
       "of the period before it (360.000)"},
      {"zero time-step cap", "2 1 0. 720. 0. 100. 50000.", nullptr, false,
       "data group DATA 45D, item DELT1: schedule record 1 has the time-step cap DELT1 = 0.00000; it "
       "must be greater than 0"},
  };
  const int rec = findLine("2 1 1. 720. 0. 100. 50000.");
  const int end = findLine("0 0 0 0 0 0 0", true);
  ASSERT_GT(rec, 0);
  ASSERT_GT(end, rec);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto dir = scratch("sched");
    {
      std::string text = spoil(rec, c.record1);
      if (c.extra) {
        const auto l = lines(text);
        text.clear();
        for (std::size_t i = 0; i < l.size(); ++i) text += (static_cast<int>(i) + 1 == end ? std::string(c.extra) + "\n" : "") + l[i] + "\n";
      }
      std::ofstream f(dir / "sched.txt");
      f << text;
    }
    Result r = run(dir, "sched.txt out.lis rin.rst rout.rst");
    EXPECT_EQ(r.status, 1);
    // The error ends standard error, after the reader's warning about the
    // record if there is one.
    const auto err = lines(r.err);
    ASSERT_GE(err.size(), 1u);
    EXPECT_EQ(err.back(), "talvek: error: sched.txt:" + std::to_string(c.second ? end : rec) + ": " + c.message);
    for (std::size_t i = 0; i + 1 < err.size(); ++i) {
      EXPECT_EQ(err[i].rfind("talvek: warning: sched.txt:", 0), 0u) << r.err;
    }
    EXPECT_EQ(r.out.find("ISTEP ="), std::string::npos);
    const std::string lis = slurp(dir / "out.lis");
    EXPECT_EQ(lis.find("TIME  STEP  SUMMARY"), std::string::npos);
    EXPECT_EQ(slurp(dir / "res.lis"), "");
  }
}

// Values plainly wrong but still readable keep their meaning and the run goes
// on, but with the debugging facility off they are named on standard error,
// one line each; the listing has no warning.
TEST(BadDeck, ValuesOutOfRangeAreWarnedWithTheFacilityOff) {
  const int phi = findLine("DATA 21A") + 2;
  const int rec = findLine("2 1 1. 720. 0. 100. 50000.");
  const int prod = findLine("-1 2 20 1 1");
  ASSERT_GT(phi, 2);
  ASSERT_GT(prod, 0);
  auto l = lines(spoil(phi, "1 20 1 1 1 1 20."));  // a percentage
  l[static_cast<std::size_t>(rec - 1)] = "2 1 1. 30. 0. 100. 50000.";
  l[static_cast<std::size_t>(prod - 1)] = "-1 2 20 1 1 99 20. 2900. 0. 0. 0.";  // no such producer option
  const auto dir = scratch("range");
  {
    std::ofstream f(dir / "range.txt");
    for (const auto& x : l) f << x << "\n";
  }
  Result r = run(dir, "range.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> want = {
      "talvek: warning: range.txt:" + std::to_string(phi) +
          ": data group DATA 21A, item PHI: 20 in region line 1 is out of range 0 to 1",
      "talvek: warning: range.txt:" + std::to_string(prod) +
          ": data group DATA 45D, item IWOPC: 99 in well line 2 is out of range 1 to 11; a production well "
          "produces QSP of the stream of option 1 to 10, or at its BHP with option 11: with IWOPC = 99 it produces "
          "nothing",
  };
  EXPECT_EQ(lines(r.err), want);
  EXPECT_EQ(slurp(dir / "out.lis").find("*WARNING*"), std::string::npos);
}

// A change target of zero or less would hold every step at DTMIN: the run
// stops after group 3, naming the item.
TEST(BadDeck, NonPositiveChangeTargetStopsAfterGroup3) {
  const int g03 = findLine("DATA 03B") + 2;
  const struct {
    const char* data;
    const char* item;
  } cases[] = {
      {"1 1 0 0 10. 0.01 0. 100. 100. 0.05 3", "RERORP = 0 is not positive"},
      {"1 1 0 0 10. 0.01 0.05 0. 100. 0.05 3", "DELPO = 0 is not positive"},
      {"1 1 0 0 10. 0.01 0.05 100. -1. 0.05 3", "DELRS = -1 is not positive"},
      {"1 1 0 0 10. 0.01 0.05 100. 100. 0 3", "DELSAT = 0 is not positive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data);
    const auto dir = scratch("target");
    {
      std::ofstream f(dir / "t.txt");
      f << spoil(g03, c.data);
    }
    Result r = run(dir, "t.txt out.lis rin.rst rout.rst");
    EXPECT_EQ(r.status, 1);
    const auto err = lines(r.err);
    ASSERT_FALSE(err.empty());
    const std::string item = std::string(c.item).substr(0, std::string(c.item).find(' '));
    EXPECT_EQ(err.back().rfind("talvek: error: t.txt:" + std::to_string(g03) + ": data group DATA 03B, item " + item +
                                   ": " + c.item,
                               0),
              0u)
        << err.back();
    EXPECT_EQ(r.out.find("ISTEP ="), std::string::npos);
  }
}

// Decks that leave an active block without volume stop before the first
// step, naming the block and the arrays (the run would otherwise crawl
// through tens of thousands of Newton iterations and exit 0).
TEST(BadDeck, ActiveBlockWithoutVolumeStopsBeforeTheFirstStep) {
  const int dz = findLine("DATA 16A") + 1;
  const int phi = findLine("DATA 21A") + 2;
  const int rbvol = findLine("DATA 33A") + 2;
  const struct {
    const char* what;
    int line;
    const char* text;
    const char* message;
  } cases[] = {
      // The control line lacks its word: the region line is taken as the word.
      {"DZ control line without its word", dz, "1",
       "talvek: error: vol.txt: active block (1,1,1) has no bulk volume: DZ = 0 (data group DATA 16A); 19 more active "
       "blocks have none;"},
      {"porosity line with an empty range", phi, "20 1 1 1 1 1 0.2",
       "talvek: error: vol.txt: active block (1,1,1) has no pore volume: PHI = 0 (data group DATA 21A); 19 more"},
      {"bulk-volume modifier of -1", rbvol, "5 5 1 1 1 1 -1.\n0 0 0 0 0 0 0",
       "talvek: error: vol.txt: active block (5,1,1) has no bulk volume: RBVOL = -1 (data group DATA 33A); give"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto dir = scratch("vol");
    {
      std::ofstream f(dir / "vol.txt");
      f << spoil(c.line, c.text);
    }
    Result r = run(dir, "vol.txt out.lis rin.rst rout.rst");
    EXPECT_EQ(r.status, 1);
    const auto err = lines(r.err);
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back().rfind(c.message, 0), 0u) << err.back();
    EXPECT_EQ(r.out.find("ISTEP ="), std::string::npos);
  }
}

// The activity map shares its codes with the well types the schedule's well
// lines store in it (-2 injector, -1 producer): a negative code in group 11
// makes a plain active block, not a well block, so no well 0 without controls
// appears in the reports. Each deck gives the reports of the example (every
// block active, the two wells of its schedule), with one warning.
TEST(BadDeck, NegativeActivityCodeMakesAnActiveBlockNotAWell) {
  const int g11 = findLine("DATA 11A");
  ASSERT_GT(g11, 0);
  const auto example = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"));
  ASSERT_EQ(example[static_cast<std::size_t>(g11)], "1 IACTIVE");
  ASSERT_EQ(example[static_cast<std::size_t>(g11) + 1], "1 20 1 1 1 1 1");
  ASSERT_EQ(example[static_cast<std::size_t>(g11) + 2], "0 0 0 0 0 0 0");
  const std::string at = "talvek: warning: map.txt:";
  const std::string notAWell =
      "a negative code makes the block active but not a well block: 1 is stored (only the well lines of the "
      "schedule make well blocks)";
  const struct {
    const char* what;
    std::vector<std::string> map;  // the control line and the values of group 11
    std::string warning;
  } cases[] = {
      {"-1 on a block no well line names", {"1 IACTIVE", "1 20 1 1 1 1 1", "10 10 1 1 1 1 -1", "0 0 0 0 0 0 0"},
       at + std::to_string(g11 + 3) + ": data group DATA 11A, item IACTIVE: -1 in region line 2 is out of range 0 to 1; " +
           notAWell},
      {"-2 on the producer's block", {"1 IACTIVE", "1 20 1 1 1 1 1", "20 20 1 1 1 1 -2", "0 0 0 0 0 0 0"},
       at + std::to_string(g11 + 3) + ": data group DATA 11A, item IACTIVE: -2 in region line 2 is out of range 0 to 1; " +
           notAWell},
      {"2 stays an active block", {"1 IACTIVE", "1 20 1 1 1 1 1", "10 10 1 1 1 1 2", "0 0 0 0 0 0 0"},
       at + std::to_string(g11 + 3) + ": data group DATA 11A, item IACTIVE: 2 in region line 2 is out of range 0 to 1"},
      {"whole form", {"0 IACTIVE", "9*1 -1 5*1 3 3*1 -2"},
       at + std::to_string(g11 + 2) + ": data group DATA 11A, item IACTIVE: 3 values of the array out of range 0 to 1; "
           "2 of them are negative, and " + notAWell},
  };
  const auto ref = scratch("map_ref");
  {
    std::ofstream f(ref / "map.txt");
    for (const auto& l : example) f << l << "\n";
  }
  const Result r0 = run(ref, "map.txt out.lis rin.rst rout.rst");
  ASSERT_EQ(r0.status, 0) << r0.err;
  ASSERT_EQ(r0.err, "");
  const char* const files[] = {"res.lis", "weld.lis", "well.lis", "pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto dir = scratch("map");
    {
      std::ofstream f(dir / "map.txt");
      for (std::size_t i = 0; i < example.size(); ++i) {
        if (i == static_cast<std::size_t>(g11))
          for (const auto& l : c.map) f << l << "\n";
        else if (i < static_cast<std::size_t>(g11) || i > static_cast<std::size_t>(g11) + 2)
          f << example[i] << "\n";
      }
    }
    const Result r = run(dir, "map.txt out.lis rin.rst rout.rst");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.err), std::vector<std::string>{c.warning});
    const std::string listing = withoutTimes(dir / "out.lis");
    EXPECT_EQ(listing.find("FOR WELL #:  0"), std::string::npos);
    EXPECT_EQ(listing, withoutTimes(ref / "out.lis"));
    EXPECT_EQ(withoutTimes(dir / "stdout.txt"), withoutTimes(ref / "stdout.txt"));
    for (const char* file : files) {
      SCOPED_TRACE(file);
      const std::string want = slurp(ref / file);
      EXPECT_FALSE(want.empty());
      EXPECT_EQ(slurp(dir / file), want);
    }
  }
}
