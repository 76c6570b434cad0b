// The committed fuzz corpus and every minimised finding, fed through the
// entry the fuzz targets run: each input must end normally or be refused
// with one of the program's own error types, within its time bound.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_entry.h"
#include "run/restart.h"

namespace {

namespace fs = std::filesystem;
using talvek::fuzz::End;
using talvek::fuzz::Outcome;

// Seconds one input may take in the sanitizer build: the fuzzer's own
// time-out is 10 s, and a committed input takes well under one.
constexpr double kBoundSeconds = 10.0;

const fs::path kFuzzDir = fs::path(TALVEK_SOURCE_DIR) / "tests" / "fuzz";

std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// The files of corpus/<target> and findings/<target>, in name order.
std::vector<fs::path> inputs(const std::string& target) {
  std::vector<fs::path> v;
  for (const char* where : {"corpus", "findings"}) {
    const fs::path d = kFuzzDir / where / target;
    if (!fs::is_directory(d)) continue;
    for (const auto& e : fs::directory_iterator(d))
      if (e.is_regular_file() && e.path().filename().string().front() != '.') v.push_back(e.path());
  }
  std::sort(v.begin(), v.end());
  return v;
}

template <typename Run>
void replay(const std::string& target, Run runOne) {
  const std::vector<fs::path> files = inputs(target);
  ASSERT_FALSE(files.empty()) << "no inputs under " << (kFuzzDir / "corpus" / target);
  for (const fs::path& f : files) {
    const std::string name = f.lexically_relative(kFuzzDir).string();
    const auto t0 = std::chrono::steady_clock::now();
    try {
      runOne(slurp(f));
    } catch (const std::exception& e) {
      ADD_FAILURE() << name << ": not one of the program's own errors: " << e.what();
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(secs, kBoundSeconds) << name << " took " << secs << " s";
  }
}

TEST(FuzzReplay, DeckCorpusAndFindings) {
  replay("deck", [](const std::string& text) { talvek::fuzz::runDeck(text); });
}

TEST(FuzzReplay, RestartCorpusAndFindings) {
  replay("restart", [](const std::string& packed) { talvek::fuzz::runRestart(packed); });
}

// The entry runs what the program runs: a good deck ends normally (and its
// restart-up image restarts), a bad one is refused with the deck message.
TEST(FuzzEntry, RunsLikeTheProgram) {
  const std::string good = slurp(kFuzzDir / "corpus" / "deck" / "units_dip6x1x3_field.txt");
  Outcome o = talvek::fuzz::runDeck(good);
  EXPECT_EQ(o.end, End::Normal) << o.message;

  std::string bad = good;
  const std::size_t nx = bad.find("6 1 3 1 2 0 1 1 0. 0.");
  ASSERT_NE(nx, std::string::npos);
  bad[nx] = 'x';
  o = talvek::fuzz::runDeck(bad);
  EXPECT_EQ(o.end, End::Refused);
  EXPECT_NE(o.message.find("fuzz.dat:30: data group DATA 10B, item NX"), std::string::npos) << o.message;

  o = talvek::fuzz::runDeck(std::string("DATA 01E\n\x01\n"));
  EXPECT_EQ(o.end, End::Refused);
  EXPECT_NE(o.message.find("is not a text deck: line 2 holds the byte 0x01"), std::string::npos) << o.message;

  o = talvek::fuzz::runRestart(slurp(kFuzzDir / "corpus" / "restart" / "day12.img"));
  EXPECT_EQ(o.end, End::Normal) << o.message;
  o = talvek::fuzz::runRestart("");
  EXPECT_EQ(o.end, End::Refused);
  EXPECT_NE(o.message.find("is empty"), std::string::npos) << o.message;
}

// A restart-up image whose frame is whole but whose counts or index lists
// are out of their ranges is refused, naming the item and its record,
// before anything uses them. Each case is an item of the image of day 12
// set to a value it cannot hold.
TEST(FuzzEntry, DamagedImagesAreRefused) {
  const std::string good = talvek::fuzz::unpackImage(slurp(kFuzzDir / "corpus" / "restart" / "day12.img"));
  ASSERT_EQ(good.size(), talvek::fuzz::imageSize());
  // Byte offset of word `w` (4 bytes) of record `rec`: each record has a
  // 4-byte length before and after it.
  auto offset = [](int rec, std::size_t w) {
    std::size_t o = 4;
    for (int r = 1; r < rec; ++r) o += talvek::RSTLEN(r) + 8;
    return o + 4 * w;
  };
  struct Case {
    int rec;
    std::size_t word;
    std::int32_t value;
    const char* says;
  };
  const Case cases[] = {
      {15, 14940, 2147483647, "holds NRPVT(1) = 2147483647 in record 15, outside 0 to 30"},
      {15, 14970, -1, "holds NPVTGN(1) = -1 in record 15, outside 1 to 1"},
      {16, 120, 2147483647, "holds NRPOL = 2147483647 in record 16, outside 0 to 30"},
      {21, 6, 65, "holds NGPACT = 65 in record 21, outside 1 to 18"},
      {21, 13, 2147483647, "holds IBLK(1) = 2147483647 in record 21, outside 1 to 18"},
      {21, 4013, 2147483647, "holds IORD(1) = 2147483647 in record 21, outside 0 to 18"},
      {21, 4015, 2, "holds IORD(3) = 2 in record 21, outside 3 to 3"},
      {22, 0, 65, "holds NWELM2 = 65 in record 22, outside 0 to 18"},
      {22, 3, 0, "holds LWELM2(1) = 0 in record 22, outside 1 to 18"},
      {26, 1, 2, "holds MSLOT(1) = 3 in record 26, outside 2 to 2"},
      {26, 1, 5, "holds IAXIS(1) = 5 in record 26, outside 1 to 3"},
      {47, 7, 5, "holds METHOD = 5 in record 47, outside 1 to 4"},
      {44, 4, 0, "holds NBRG(5,1) = 0 in record 44, outside 2 to 2"},
      {59, 0, 5, "holds LBLOCK(1,1,1) = 5 in record 59, outside 1 to 1"},
      {38, 2, 2147483647, "holds TOTITER = 2147483647 in record 38, outside 0 to 1000000000"},
  };
  auto refused = [](const std::string& image, const std::string& says) {
    const Outcome o = talvek::fuzz::runRestartImage(image);
    EXPECT_EQ(o.end, End::Refused) << says;
    EXPECT_NE(o.message.find(std::string("the restart-up file to read '") + talvek::fuzz::scratchDir() + "/rin.rst' " +
                             says + ": it is not an image this program wrote"),
              std::string::npos)
        << o.message;
  };
  for (const Case& c : cases) {
    std::string image = good;
    std::memcpy(image.data() + offset(c.rec, c.word), &c.value, sizeof c.value);
    refused(image, c.says);
  }
  // The times of record 37 (SIMTME, TMTOTAL, TIMUSE, DTIME, DTOLD, TMSTOP):
  // with a time that is not a number, or far below zero, the loop never
  // reached the halting time.
  struct Time {
    std::size_t index;
    double value;
    const char* says;
  };
  const Time times[] = {
      {2, std::nan(""), "holds TIMUSE = nan in record 37, where a finite time of 0 or more belongs"},
      {2, -1.0E300, "holds TIMUSE = -1e+300 in record 37, where a finite time of 0 or more belongs"},
      {3, -1.0, "holds DTIME = -1 in record 37, where a finite time above 0 belongs"},
      {0, HUGE_VAL, "holds SIMTME = inf in record 37, where a finite time of 0 or more belongs"},
  };
  for (const Time& t : times) {
    std::string image = good;
    std::memcpy(image.data() + offset(37, 2 * t.index), &t.value, sizeof t.value);
    refused(image, t.says);
  }
}

// A run writes its files in the entry's scratch folder or to /dev/null:
// nothing appears in the working directory.
TEST(FuzzEntry, WritesOnlyInItsScratchFolder) {
  const fs::path here = fs::path(::testing::TempDir()) / ("talvek_fuzz_cwd_" + std::to_string(::getpid()));
  fs::remove_all(here);
  fs::create_directories(here);
  const fs::path home = fs::current_path();
  fs::current_path(here);
  const Outcome o = talvek::fuzz::runDeck(slurp(kFuzzDir / "corpus" / "deck" / "units_dip6x1x3_field.txt"));
  const Outcome r = talvek::fuzz::runRestart(slurp(kFuzzDir / "corpus" / "restart" / "day12.img"));
  fs::current_path(home);
  EXPECT_EQ(o.end, End::Normal) << o.message;
  EXPECT_EQ(r.end, End::Normal) << r.message;
  EXPECT_TRUE(fs::is_empty(here));
  EXPECT_TRUE(fs::exists(fs::path(talvek::fuzz::scratchDir()) / "res.lis"));
  fs::remove_all(here);
}

// The packed form: literals, zero runs, runs of a period, and every byte
// string unpacks, cut at the bound.
TEST(FuzzEntry, ImageUnpacking) {
  using talvek::fuzz::unpackImage;
  const std::string packed("A\0\x81\x01\0B C\0\x03\x02\0\x02\0", 14);
  std::string want = "A" + std::string(130, '\0') + "B C C C";
  EXPECT_EQ(unpackImage(packed), want + std::string(3, '\0'));
  EXPECT_EQ(unpackImage(std::string("\0\x02\x05", 3)), std::string(3, '\0'));  // before the start: zeros
  EXPECT_EQ(unpackImage(std::string("\0", 1)), std::string(1, '\0'));
  EXPECT_EQ(unpackImage(std::string("\0\xff\xff\xff\xff\x7f\0x", 8)).size(),
            talvek::fuzz::imageSize() + talvek::fuzz::kImageSlack);
}

}  // namespace
