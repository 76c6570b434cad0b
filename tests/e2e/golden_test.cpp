// Whole-program golden files: small decks under tests/data/e2e/golden/ are run
// by the talvek program in a scratch directory, and the output listing and the
// listing files are compared line by line with the reviewed copies kept next to
// the decks (tests/data/e2e/golden/<deck>/<file>.golden; the suffix keeps them
// apart from the listing files a run writes).
//
// Two things are not compared literally:
//  - the processor-time lines of the end of the run ("COMP. CPU-TIME IN
//    SECONDS =", "TOTAL CPU-TIME IN SECONDS ="): their E14.5 field is replaced
//    by a mark, after checking that it is an E14.5 number;
//  - for the decks whose listing is kept only up to the end of the initial
//    report, everything from the first time-step summary on.
//
// With the environment variable TALVEK_REGEN_GOLDEN=1 the golden files are
// rewritten from the present output instead (tests/e2e/regen_golden.sh); the
// differences must then be reviewed line by line before they are committed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const kCpuPrefixes[] = {" COMP. CPU-TIME IN SECONDS = ", " TOTAL CPU-TIME IN SECONDS = "};
constexpr const char* kCpuMark = "<E14.5 PROCESSOR TIME>";

std::vector<std::string> readLines(const fs::path& p) {
  std::vector<std::string> v;
  std::ifstream f(p);
  std::string l;
  while (std::getline(f, l)) v.push_back(l);
  return v;
}

bool regenerating() {
  const char* r = std::getenv("TALVEK_REGEN_GOLDEN");
  return r != nullptr && std::string(r) == "1";
}

std::string quoted(const fs::path& p) {
  std::string q = "'";
  for (char c : p.string()) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Replaces the processor time of the two CPU-time lines by kCpuMark, when the
// field after the literal text is an E14.5 number; anything else is left as
// printed so that the comparison shows it.
void maskCpuTimes(std::vector<std::string>& lines) {
  static const std::regex e145(R"( *-?0\.\d{5}(E[+-]\d{2}|[+-]\d{3}))");
  for (auto& l : lines) {
    for (const char* prefix : kCpuPrefixes) {
      const std::string p(prefix);
      if (l.size() == p.size() + 14 && l.compare(0, p.size(), p) == 0 &&
          std::regex_match(l.substr(p.size()), e145)) {
        l = p + kCpuMark;
      }
    }
  }
}

// Keeps the listing up to the end of the initial report and of the schedule
// read that follows it: the first time-step summary starts with a page eject
// ("1") followed by the title line.
void cutAtFirstTimeStep(std::vector<std::string>& lines) {
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == "1" && lines[i + 1].find("TIME  STEP  SUMMARY") != std::string::npos) {
      lines.resize(i);
      return;
    }
  }
}

struct GoldenCase {
  const char* deck;                 // tests/data/e2e/golden/<deck>.txt
  bool wholeListing;                // false: up to the end of the initial report
  std::vector<std::string> files;  // listing files compared besides the listing
};

const GoldenCase kCases[] = {
    // 3 x 2 x 2, all four equations, two rock and two PVT regions, one inactive
    // block, whole-array and region-line forms, every print switch on.
    {"cart3x2x2", false, {"pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"}},
    // r-z grid of 4 rings and 2 layers, SI input with field output, the
    // debugging facility on (deck image, progress lines, warnings), block tables.
    {"radial4x2", true, {"resmat.lis"}},
    // 5 x 1 x 1 polymer flood: water, a polymer slug with tracer, chase water;
    // an injector, two producers, one of them shut in by a later record.
    {"polymer5x1x1",
     true,
     {"res.lis", "weld.lis", "well.lis", "pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"}},
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.deck; }

class Golden : public ::testing::TestWithParam<GoldenCase> {};

// Compares `got` with the golden file, or rewrites the golden file when
// regenerating. Reports the first differing line with file and line number.
void compareWithGolden(const std::vector<std::string>& got, const fs::path& golden, const std::string& what) {
  if (regenerating()) {
    fs::create_directories(golden.parent_path());
    std::ofstream out(golden);
    for (const auto& l : got) out << l << '\n';
    ASSERT_TRUE(out.good()) << "cannot write " << golden;
    return;
  }
  ASSERT_TRUE(fs::exists(golden)) << "golden file missing: " << golden
                                  << " (tests/e2e/regen_golden.sh <build-dir> writes it)";
  const auto want = readLines(golden);
  const std::size_t n = std::min(want.size(), got.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (want[i] != got[i]) {
      ADD_FAILURE() << what << " line " << (i + 1) << " differs from " << golden << "\n"
                    << "  golden : [" << want[i] << "]\n"
                    << "  program: [" << got[i] << "]";
      return;
    }
  }
  if (want.size() != got.size()) {
    const bool longer = got.size() > want.size();
    ADD_FAILURE() << what << " has " << got.size() << " lines, " << golden << " has " << want.size() << "; line "
                  << (n + 1) << " is only in the " << (longer ? "program's output" : "golden file") << ": ["
                  << (longer ? got[n] : want[n]) << "]";
  }
}

TEST_P(Golden, ListingAndListingFilesMatchTheReviewedCopies) {
  const GoldenCase& c = GetParam();
  const fs::path data = fs::path(TALVEK_TEST_DATA) / "e2e" / "golden";
  const fs::path deck = data / (std::string(c.deck) + ".txt");
  ASSERT_TRUE(fs::exists(deck)) << deck;

  const fs::path dir =
      fs::path(::testing::TempDir()) / ("talvek_golden_" + std::string(c.deck) + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string cmd = "cd " + quoted(dir) + " && " + quoted(TALVEK_BINARY) + " " + quoted(deck) +
                          " output.lis rstr1.dat rstr2.dat < /dev/null > console.txt 2> errors.txt";
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0)
      << "talvek failed on " << deck << " (status " << rc << "):\n"
      << [&] {
           std::string e;
           for (const auto& l : readLines(dir / "errors.txt")) e += l + "\n";
           return e;
         }();

  auto listing = readLines(dir / "output.lis");
  ASSERT_FALSE(listing.empty()) << "no output listing in " << dir;
  if (!c.wholeListing) cutAtFirstTimeStep(listing);
  maskCpuTimes(listing);
  compareWithGolden(listing, data / c.deck / "listing.golden", std::string(c.deck) + ": output listing");

  for (const auto& f : c.files) {
    ASSERT_TRUE(fs::exists(dir / f)) << c.deck << ": the run wrote no " << f;
    compareWithGolden(readLines(dir / f), data / c.deck / (f + ".golden"), std::string(c.deck) + ": " + f);
  }

  if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Decks, Golden, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<GoldenCase>& i) { return std::string(i.param.deck); });

// The masking and the cut are what keeps the comparison exact elsewhere:
// only a well-formed E14.5 processor time is hidden, and the cut happens at
// the first time-step summary only.
TEST(GoldenHelpers, MaskOnlyWellFormedProcessorTimes) {
  std::vector<std::string> l = {" COMP. CPU-TIME IN SECONDS =    0.23900E-02",
                                " TOTAL CPU-TIME IN SECONDS =   -0.10000-100",
                                " TOTAL CPU-TIME IN SECONDS = 0.23900E-02",  // too narrow: kept
                                " COMP. CPU-TIME IN SECONDS =        0.0024",  // not E14.5: kept
                                "   COMP. CPU-TIME IN SECONDS =    0.23900E-02"};
  const auto before = l;
  maskCpuTimes(l);
  EXPECT_EQ(l[0], std::string(kCpuPrefixes[0]) + kCpuMark);
  EXPECT_EQ(l[1], std::string(kCpuPrefixes[1]) + kCpuMark);
  EXPECT_EQ(l[2], before[2]);
  EXPECT_EQ(l[3], before[3]);
  EXPECT_EQ(l[4], before[4]);
}

TEST(GoldenHelpers, CutAtTheFirstTimeStepSummaryOnly) {
  std::vector<std::string> l = {"1", "  INITIAL RESERVOIR DATA", "1", "    TIME  STEP  SUMMARY", "x"};
  cutAtFirstTimeStep(l);
  EXPECT_EQ(l, (std::vector<std::string>{"1", "  INITIAL RESERVOIR DATA"}));
  std::vector<std::string> none = {"1", "no report"};
  cutAtFirstTimeStep(none);
  EXPECT_EQ(none.size(), 2u);
}

}  // namespace
