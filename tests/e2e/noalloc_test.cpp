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
// set-up and the schedule, before the end-of-run summaries. Listing files
// are C streams whose buffers come from malloc, not from operator new, so
// their first writes inside the loop do not count.
#include <execinfo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "e2e_util.h"
#include "input/input.h"
#include "io/deck.h"
#include "run/driver.h"
#include "run/loop.h"
#include "run/state.h"

namespace {

constexpr int kKeep = 32;    // call stacks kept
constexpr int kFrames = 12;  // frames per call stack

std::atomic<bool> gCounting{false};
std::atomic<long> gNews{0};
std::atomic<long> gBytes{0};
void* gStacks[kKeep][kFrames];
int gDepth[kKeep];

void noteAllocation(std::size_t n) {
  if (!gCounting.load(std::memory_order_relaxed)) return;
  const long k = gNews.fetch_add(1, std::memory_order_relaxed);
  gBytes.fetch_add(static_cast<long>(n), std::memory_order_relaxed);
  if (k < kKeep) {
    // backtrace() allocates (with malloc) only on its first call, which the
    // test makes before counting starts.
    gCounting.store(false);
    gDepth[k] = ::backtrace(gStacks[k], kFrames);
    gCounting.store(true);
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
  double time = 0;
  std::string stacks;
};

// One run of `deck` as the run driver makes it, with the allocations of the
// time-step loop counted.
LoopCount runCounted(const std::string& name, const std::string& deck) {
  void* warm[4];
  ::backtrace(warm, 4);  // loads the unwinder before counting

  const fs::path dir = e2e::scratch("noalloc_" + name);
  InDir in(dir);
  auto sp = talvek::makeState();
  talvek::State& s = *sp;
  const std::string names[4] = {deck, "out.lis", "rin.rst", "rout.rst"};
  talvek::STARTUP(s);
  talvek::SETNAMES(s, names);
  talvek::DeckReader reader(deck);
  talvek::OPENUP(s);
  talvek::PRERED(s, reader);
  talvek::NEWRUN(s, reader);
  talvek::INPUT(s, reader, 1);

  LoopCount c;
  c.news = counted([&] { talvek::STEPLP(s); });
  c.bytes = gBytes.load();
  c.stacks = keptStacks();
  c.steps = s.ISTEP;
  c.iterations = s.TOTITER;
  c.time = s.TIMUSE;
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
}

struct ExampleCase {
  const char* name;
  const char* file;
};

class NoAllocLoop : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(NoAllocLoop, TimeStepLoopAllocatesNothing) {
  const ExampleCase& ex = GetParam();
  const std::string deck = std::string(TALVEK_SOURCE_DIR) + "/examples/" + ex.file;
  ASSERT_TRUE(fs::exists(deck)) << deck;
  const LoopCount c = runCounted(ex.name, deck);
  // The loop really ran: steps and Newton iterations were made.
  ASSERT_GT(c.steps, 1) << ex.file;
  ASSERT_GT(c.iterations, c.steps - 1) << ex.file;
  EXPECT_EQ(c.news, 0) << ex.file << ": the time-step loop made " << c.news << " heap allocations (" << c.bytes
                       << " bytes) in " << c.steps << " steps and " << c.iterations
                       << " Newton iterations; the first call stacks:\n"
                       << c.stacks;
}

INSTANTIATE_TEST_SUITE_P(Examples, NoAllocLoop,
                         ::testing::Values(ExampleCase{"fivespot", "fivespot_polymer.txt"},
                                           ExampleCase{"blackoil3d", "blackoil3d.txt"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
