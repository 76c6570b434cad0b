// Nothing is allocated inside the time-step loop: the state is allocated
// once at start-up, reports and listing records are built in fixed buffers.
//
// This file replaces the global operator new and delete of the whole e2e test
// program. The replacements only forward to malloc/free, except while the
// counting flag is raised: then every allocation is counted and the call
// stacks of the first few are kept (in fixed arrays, so the counter itself
// allocates nothing) to name the offending sites when the test fails.
//
// The run is driven in-process, step for step as the run driver does it, and
// the counter is raised around the time-step loop only: after the new-run
// set-up and the schedule, before the end-of-run summaries. The counter sees
// operator new only; the C streams of the listing files get their buffers
// from the unit table when they are opened, so their first writes inside the
// loop do not call malloc either.
#include <execinfo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "e2e_util.h"
#include "input/input.h"
#include "io/deck.h"
#include "report/results.h"
#include "run/driver.h"
#include "run/loop.h"
#include "run/restart.h"
#include "state/state.h"

namespace {

constexpr int kKeep = 32;    // call stacks kept
constexpr int kFrames = 20;  // frames per call stack

std::atomic<bool> gCounting{false};
std::atomic<long> gNews{0};
std::atomic<long> gBytes{0};
void* gStacks[kKeep][kFrames];
int gDepth[kKeep];

void noteAllocation(std::size_t n) {
  if (!gCounting.load(std::memory_order_relaxed)) return;
  const long k = gNews.fetch_add(1, std::memory_order_relaxed);
  gBytes.fetch_add(static_cast<long>(n), std::memory_order_relaxed);
  // backtrace() uses malloc, not operator new, and only on its first call,
  // which the test makes before counting starts; the guard keeps a nested
  // call out all the same.
  thread_local bool inside = false;
  if (k < kKeep && !inside) {
    inside = true;
    gDepth[k] = ::backtrace(gStacks[k], kFrames);
    inside = false;
  }
}

void* allocate(std::size_t n) {
  noteAllocation(n);
  if (n == 0) n = 1;
  if (void* p = std::malloc(n)) return p;
  throw std::bad_alloc();
}

void* allocateAligned(std::size_t n, std::align_val_t al) {
  noteAllocation(n);
  const std::size_t a = static_cast<std::size_t>(al);
  std::size_t size = (n + a - 1) / a * a;
  if (size == 0) size = a;
  if (void* p = std::aligned_alloc(a, size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t n, std::align_val_t a) { return allocateAligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateAligned(n, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;

// Runs the calls of `f` with the counter raised; returns the number of
// allocations made.
template <class F>
long counted(F&& f) {
  gNews.store(0);
  gBytes.store(0);
  gCounting.store(true);
  try {
    f();
  } catch (...) {
    gCounting.store(false);
    throw;
  }
  gCounting.store(false);
  return gNews.load();
}

// The call stacks kept by the counter, one frame per line (symbol or
// module+offset; addr2line -C -f -e test_e2e OFFSET names the source line).
std::string keptStacks() {
  std::string out;
  const long n = gNews.load() < kKeep ? gNews.load() : kKeep;
  for (long k = 0; k < n; ++k) {
    out += "allocation " + std::to_string(k + 1) + ":\n";
    char** sym = ::backtrace_symbols(gStacks[k], gDepth[k]);
    for (int i = 2; i < gDepth[k]; ++i) out += std::string("    ") + (sym ? sym[i] : "?") + "\n";
    std::free(sym);
  }
  return out;
}

// The working directory changed for one run: the listing files are written
// into the current directory.
struct InDir {
  fs::path old;
  explicit InDir(const fs::path& d) : old(fs::current_path()) { fs::current_path(d); }
  ~InDir() { fs::current_path(old); }
};

struct LoopCount {
  long news = 0;
  long bytes = 0;
  int steps = 0;
  int iterations = 0;
  // The completed-step message was due at least once; the loop wrote
  // the restart-up file then (its writes are counted with the loop's).
  bool imageDue = false, imageWritten = false;
  std::string stacks;
};

// One run of `deck` as the run driver makes it, in `dir`, with the
// allocations of the time-step loop counted.
// A clock that moves ten seconds at every reading: every message step of
// the loop lays out its restart-up image, as in a run whose steps are slow.
double slowClock() {
  static double t = 0.0;
  return t += 10.0;
}

LoopCount runCounted(const fs::path& dir, const std::string& deck, const talvek::RunOptions& opts = {}) {
  void* warm[4];
  ::backtrace(warm, 4);  // loads the unwinder before counting

  InDir in(dir);
  // The slow clock is taken back however the run ends.
  struct ClockSet {
    ClockSet() { talvek::RSTCLOCK = slowClock; }
    ~ClockSet() { talvek::RSTCLOCK = nullptr; }
  } clockSet;
  auto sp = talvek::makeState();
  talvek::State& s = *sp;
  s.OPTS = opts;
  const std::string names[4] = {deck, "out.lis", "rin.rst", "rout.rst"};
  talvek::STARTUP(s);
  talvek::SETNAMES(s, names);
  talvek::DeckReader reader(deck);
  talvek::OPENUP(s);
  talvek::PRERED(s, reader);
  talvek::NEWRUN(s, reader);
  talvek::INPUT(s, reader, 1);
  talvek::RESOPN(s);

  LoopCount c;
  c.news = counted([&] { talvek::STEPLP(s); });
  c.bytes = gBytes.load();
  c.stacks = keptStacks();
  c.steps = s.ISTEP;
  c.iterations = s.TOTITER;
  c.imageDue = s.NWRITE >= 1 && s.ISTEP >= s.NWRITE;
  talvek::RSTWAIT(s);  // the images handed over by the loop are in place
  c.imageWritten = fs::exists("rout.rst");
  talvek::ENDRUN(s);
  return c;
}

TEST(NoAlloc, CounterSeesAllocationsOnlyWhileRaised) {
  // The counter must see what the loop would allocate, and nothing else.
  gNews.store(0);
  { std::string outside(100, 'x'); }
  EXPECT_EQ(gNews.load(), 0);
  const long n = counted([] {
    std::string inside(100, 'x');
    auto* a = new int[7];
    delete[] a;
    auto* b = new (std::align_val_t{64}) double;
    ::operator delete(b, std::align_val_t{64});
  });
  EXPECT_EQ(n, 3);
  // Allocations made inside the program's libraries are seen too.
  std::string names[4];
  EXPECT_GT(counted([&] { talvek::ANSWER("a_deck_name_of_many_characters.txt b c d", names); }), 0);
}

// An example deck, with the data lines of some groups replaced to reach the
// loop's other paths: every report and listing record at every step, the
// iteration lines and the detailed iteration dump, the other band solver,
// the D4 solver and the iterative solvers, failed Newton passes and step cuts.
struct LoopCase {
  const char* name;
  const char* file;
  const char* edits[4][2];  // group label, new data line (the second line after the header)
  bool expectCuts;          // the listing shows a Newton pass that used all 15 iterations
};

// How the test output names a case (instead of the bytes of the object).
void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name << " (" << c.file << ")"; }

const char* const kAllSwitches = "1 1 1 1 1 1 1 1 1 1 1 1";

const LoopCase kCases[] = {
    {"fivespot", "fivespot_polymer.txt", {}, false},
    {"blackoil3d", "blackoil3d.txt", {}, false},
    {"aquifer_edge", "aquifer_edge.txt", {}, false},
    {"fivespot_every_report",
     "fivespot_polymer.txt",
     {{"DATA 02B", "0 0 900. 30. 1."}, {"DATA 04B", "2 1 2 1 1 1 1 1"}, {"DATA 05B", kAllSwitches}},
     false},
    {"blackoil3d_every_report",
     "blackoil3d.txt",
     {{"DATA 02B", "0 0 600. 30. 1."}, {"DATA 04B", "1 0 0 1 1 1 1 1"}, {"DATA 05B", kAllSwitches}},
     false},
    {"fivespot_nuslvr1", "fivespot_polymer.txt", {{"DATA 02B", "0 0 900. 120. 1."}, {"DATA 10B", "11 11 1 1 2 1 1 1 0. 0."}}, false},
    {"blackoil3d_d4", "blackoil3d.txt", {{"DATA 02B", "0 0 600. 120. 1."}, {"DATA 10B", "8 8 3 4 1 0 1 1 0. 0."}}, false},
    // The iterative methods: block ILU and nested factorization with ORTHOMIN.
    {"blackoil3d_blkitr", "blackoil3d.txt", {{"DATA 02B", "0 0 600. 120. 1."}, {"DATA 10B", "8 8 3 2 1 0 1 1 0. 0."}}, false},
    {"fivespot_nested", "fivespot_polymer.txt", {{"DATA 02B", "0 0 900. 120. 1."}, {"DATA 10B", "11 11 1 3 2 0 1 1 0. 0."}}, false},
    // A smallest step of 100 days: the first attempts do not converge and
    // the step is halved until they do.
    {"fivespot_cuts",
     "fivespot_polymer.txt",
     {{"DATA 02B", "0 0 900. 200. 1."}, {"DATA 03B", "1 1 0 0 400. 100. 0.05 5000. 5000. 0.9 4"}, {"DATA 04B", "2 0 0 0 25 25 50 25"}},
     true},
};

// The deck of `c` written into `dir`; returns its path.
std::string writeDeck(const LoopCase& c, const fs::path& dir) {
  auto l = e2e::lines(e2e::slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / c.file));
  for (const auto& e : c.edits) {
    if (!e[0]) continue;
    bool found = false;
    for (std::size_t i = 0; i + 2 < l.size() && !found; ++i) {
      if (l[i].rfind(e[0], 0) == 0) {
        l[i + 2] = e[1];
        found = true;
      }
    }
    EXPECT_TRUE(found) << c.file << " has no group " << e[0];
  }
  const fs::path p = dir / "deck.txt";
  std::ofstream f(p);
  for (const auto& x : l) f << x << "\n";
  return p.string();
}

class NoAllocLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(NoAllocLoop, TimeStepLoopAllocatesNothing) {
  const LoopCase& c = GetParam();
  const fs::path dir = e2e::scratch(std::string("noalloc_") + c.name);
  const std::string deck = writeDeck(c, dir);
  const LoopCount n = runCounted(dir, deck);
  // The loop really ran: steps and Newton iterations were made.
  ASSERT_GT(n.steps, 1) << c.name;
  ASSERT_GE(n.iterations, n.steps) << c.name;
  if (c.expectCuts) {
    const std::string lis = e2e::slurp(dir / "out.lis");
    EXPECT_NE(lis.find("ITERK = 15"), std::string::npos) << c.name << ": no failed Newton pass, the cut path was not run";
  }
  // (A run of cut steps may pass its message step shortened: no message.)
  if (!c.expectCuts) {
    EXPECT_EQ(n.imageWritten, n.imageDue) << c.name;
  }
  EXPECT_EQ(n.news, 0) << c.name << ": the time-step loop made " << n.news << " heap allocations (" << n.bytes
                       << " bytes) in " << n.steps << " steps and " << n.iterations
                       << " Newton iterations; the first call stacks:\n"
                       << n.stacks;
  if (!HasFailure()) fs::remove_all(dir);
}

TEST(NoAlloc, ResultTablesAndProgressLinesAllocateNothing) {
  // The rows of results.csv and wells.csv, the breakthrough bookkeeping and
  // the progress lines are written at every step with --csv and --progress.
  const fs::path dir = e2e::scratch("noalloc_options");
  const std::string deck = writeDeck(kCases[0], dir);
  talvek::RunOptions opts;
  opts.CSV = true;
  opts.PROGRESS = true;
  opts.QUIET = true;
  const LoopCount n = runCounted(dir, deck, opts);
  ASSERT_GT(n.steps, 1);
  EXPECT_EQ(e2e::lines(e2e::slurp(dir / "results.csv")).size(), static_cast<std::size_t>(n.steps) + 1);
  EXPECT_EQ(n.news, 0) << "the loop with result tables made " << n.news << " heap allocations; the first call stacks:\n"
                       << n.stacks;
  if (!HasFailure()) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Examples, NoAllocLoop, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
