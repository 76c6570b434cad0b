// The restart-up image in this process: write and read back bit for bit,
// one image per file, and a write broken off halfway that leaves the earlier
// image usable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>

#include "io/errors.h"
#include "run/restart.h"
#include "state/state.h"

namespace talvek {
namespace {

namespace fs = std::filesystem;

fs::path scratchDir(const std::string& name) {
  const fs::path d = fs::path(::testing::TempDir()) / ("talvek_rst_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void scramble(void* from, void* to, std::mt19937& g) {
  auto* b = static_cast<unsigned char*>(from);
  auto* e = static_cast<unsigned char*>(to);
  for (; b + 4 <= e; b += 4) {
    const std::uint32_t v = g();
    std::memcpy(b, &v, 4);
  }
  for (; b < e; ++b) *b = static_cast<unsigned char>(g());
}

// Every byte of the state's fixed-size parts set at random: every array
// entry, those beyond NGPACT and NCELL included, holds a value no default
// or zero would reproduce. (The unit table and the file names are left.)
void scrambleState(State& s, unsigned seed) {
  std::mt19937 g(seed);
  CoreState& core = s;
  scramble(&core.FINPUT, reinterpret_cast<char*>(&core) + sizeof(CoreState), g);
  InputState& in = s;
  scramble(&in, reinterpret_cast<char*>(&in) + sizeof(InputState), g);
  GridState& gr = s;
  scramble(&gr, reinterpret_cast<char*>(&gr) + sizeof(GridState), g);
  InitState& it = s;
  scramble(&it, reinterpret_cast<char*>(&it) + sizeof(InitState), g);
  PhysicsState& ph = s;
  scramble(&ph, reinterpret_cast<char*>(&ph) + sizeof(PhysicsState), g);
  SolverState& so = s;
  scramble(&so, reinterpret_cast<char*>(&so) + sizeof(SolverState), g);
  ReportState& re = s;
  scramble(&re, reinterpret_cast<char*>(&re) + sizeof(ReportState), g);
  RunState& ru = s;
  scramble(&ru.NCONV, reinterpret_cast<char*>(&ru) + sizeof(RunState), g);
}

void writeImage(State& s, const fs::path& p) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  UPDATE(s, f);
  std::fclose(f);
}

void readImage(State& s, const fs::path& p) {
  std::FILE* f = std::fopen(p.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  READST(s, f, "the image '" + p.string() + "'");
  std::fclose(f);
}

template <typename T>
bool sameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

TEST(RestartImage, WriteThenReadRestoresEveryItemBitForBit) {
  const fs::path dir = scratchDir("roundtrip");
  auto a = makeState(), b = makeState();
  scrambleState(*a, 1);
  scrambleState(*b, 2);
  writeImage(*a, dir / "a.rst");
  readImage(*b, dir / "a.rst");
  // What was read writes the same image again: every item of the image
  // came back with its bits (a lost or misplaced item would show B's own
  // random bytes there).
  writeImage(*b, dir / "b.rst");
  const std::string ia = slurp(dir / "a.rst"), ib = slurp(dir / "b.rst");
  ASSERT_EQ(ia.size(), 21852280u + 8 * NRSREC);
  EXPECT_TRUE(ia == ib);
  // Entries far beyond any deck's active blocks and grid blocks, of arrays
  // written in their own order and of arrays re-ordered for the image.
  EXPECT_TRUE(sameBits(a->PN(MXBLK), b->PN(MXBLK)));
  EXPECT_TRUE(sameBits(a->IACTIVE(MXCELL), b->IACTIVE(MXCELL)));
  EXPECT_TRUE(sameBits(a->NBRG(MXSLOT, MXCELL), b->NBRG(MXSLOT, MXCELL)));
  EXPECT_TRUE(sameBits(a->DACC(4, 3, MXBLK), b->DACC(4, 3, MXBLK)));
  EXPECT_TRUE(sameBits(a->RMOB(JPOL, KDSP, MXBLK), b->RMOB(JPOL, KDSP, MXBLK)));
  EXPECT_TRUE(sameBits(a->CUMPB(5, MXBLK), b->CUMPB(5, MXBLK)));
  EXPECT_TRUE(sameBits(a->DFLOWG(4, MXBLK), b->DFLOWG(4, MXBLK)));
  EXPECT_TRUE(sameBits(a->FITRSP(FTPVR, MXRGN), b->FITRSP(FTPVR, MXRGN)));
  EXPECT_TRUE(sameBits(a->IWLINE(6, MXWLIN), b->IWLINE(6, MXWLIN)));
  EXPECT_TRUE(sameBits(a->RWLINE(5, MXWLIN), b->RWLINE(5, MXWLIN)));
  EXPECT_TRUE(sameBits(a->AQB(MXBLK), b->AQB(MXBLK)));
  EXPECT_TRUE(sameBits(a->RBW(MXVEC + 1), b->RBW(MXVEC + 1)));
  EXPECT_TRUE(sameBits(a->LAYLAB(100), b->LAYLAB(100)));
  // Items the image does not carry are left as they were.
  EXPECT_FALSE(sameBits(a->VBB, b->VBB));
  EXPECT_FALSE(sameBits(a->NSINCE, b->NSINCE));
}

TEST(RestartImage, WritingTwiceToOneFileLeavesTheSecondImage) {
  const fs::path dir = scratchDir("twice");
  auto s = makeState();
  std::FILE* f = std::fopen((dir / "img.rst").c_str(), "w+b");
  ASSERT_NE(f, nullptr);
  s->ISTEP = 11;
  UPDATE(*s, f);
  s->ISTEP = 12;
  UPDATE(*s, f);
  std::fclose(f);
  EXPECT_EQ(fs::file_size(dir / "img.rst"), 21852280u + 8 * NRSREC);
  auto t = makeState();
  readImage(*t, dir / "img.rst");
  EXPECT_EQ(t->ISTEP, 12);
}

// An image is exactly its records: a file holding more bytes after them (two
// images run together, an image with anything appended) is refused, naming
// the surplus, whether the file's size can be looked up (a regular file) or
// its bytes must be counted (a stream without a size).
TEST(RestartImage, BytesAfterTheLastRecordAreRefused) {
  const fs::path dir = scratchDir("extra");
  auto s = makeState();
  s->ISTEP = 7;
  writeImage(*s, dir / "img.rst");
  const std::string image = slurp(dir / "img.rst");
  ASSERT_EQ(image.size(), 21852280u + 8 * NRSREC);
  struct Case {
    const char* name;
    bool stream;        // read from memory rather than from a regular file
    std::string extra;  // bytes after the image
    std::string message;
  };
  const Case cases[] = {
      {"one byte in a file", false, "x", "the image holds 1 more byte after the 66 records of an image: it is not an image this program wrote"},
      {"five bytes in a stream", true, "12345", "the image holds 5 more bytes after the 66 records of an image: it is not an image this program wrote"},
      {"exact image in a stream", true, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = image + c.extra;
    std::FILE* f = nullptr;
    if (c.stream) {
      f = ::fmemopen(bytes.data(), bytes.size(), "rb");
    } else {
      std::ofstream(dir / "more.rst", std::ios::binary) << bytes;
      f = std::fopen((dir / "more.rst").c_str(), "rb");
    }
    ASSERT_NE(f, nullptr);
    auto t = makeState();
    std::string message;
    try {
      READST(*t, f, "the image");
    } catch (const RunError& e) {
      message = e.what();
    }
    std::fclose(f);
    EXPECT_EQ(message, c.message);
    if (c.message.empty()) {
      EXPECT_EQ(t->ISTEP, 7);
    }
  }
}

// A run killed while it writes the image: the write goes into a temporary
// file beside the restart-up file, which keeps the previous image until the
// new one is complete.
TEST(RestartImage, BrokenOffWriteKeepsTheEarlierImage) {
  const fs::path dir = scratchDir("broken");
  auto s = makeState();
  s->RUNFILE[3] = (dir / "out.rst").string();
  RSTPRP(*s);
  s->ISTEP = 7;
  s->TIMUSE = 70.0;
  // A write broken off after 30 items stops with a message saying what is
  // left in the file's place.
  auto brokenOff = [&](const std::string& says) {
    RSTFAIL = 30;
    try {
      RSTSAV(*s);
      ADD_FAILURE() << "no stop";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
    RSTFAIL = 0;
  };
  // Broken off before any image was there: it does not claim to keep one.
  brokenOff("; no image has been written");
  EXPECT_FALSE(fs::exists(dir / "out.rst"));
  RSTSAV(*s);
  const std::string first = slurp(dir / "out.rst");
  ASSERT_EQ(first.size(), 21852280u + 8 * NRSREC);

  s->ISTEP = 8;
  s->TIMUSE = 80.0;
  brokenOff("; the earlier image is kept");
  // The partial image lies in the temporary file; the file itself is intact.
  ASSERT_TRUE(fs::exists(s->RSTTMP));
  EXPECT_LT(fs::file_size(s->RSTTMP), first.size());
  EXPECT_TRUE(slurp(dir / "out.rst") == first);
  auto t = makeState();
  readImage(*t, dir / "out.rst");
  EXPECT_EQ(t->ISTEP, 7);
  EXPECT_EQ(t->TIMUSE, 70.0);

  // The next write replaces it and leaves no temporary file.
  RSTSAV(*s);
  EXPECT_FALSE(fs::exists(s->RSTTMP));
  readImage(*t, dir / "out.rst");
  EXPECT_EQ(t->ISTEP, 8);
}

// During the run an image is written while the next steps are computed
// (RSTPUT): a failure of that write is not lost but stops the run at the
// next image, once, and leaves neither a temporary file nor a changed file.
TEST(RestartImage, FailureOfTheImageWrittenDuringTheRunIsReportedOnce) {
  const fs::path dir = scratchDir("background");
  auto s = makeState();
  s->RUNFILE[3] = (dir / "out.rst").string();
  RSTPRP(*s);
  // Renaming the image onto a directory fails after it was written.
  fs::create_directory(dir / "out.rst");
  { std::ofstream(dir / "out.rst" / "keep.txt") << "kept"; }
  s->ISTEP = 8;
  RSTPUT(*s);
  s->ISTEP = 9;
  try {
    RSTSAV(*s);
    ADD_FAILURE() << "the failed image was not reported";
  } catch (const IoError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("cannot write the restart-up file to write '" + (dir / "out.rst").string() + "': " +
                     std::strerror(EISDIR) + "; the earlier image is kept"),
              std::string::npos)
        << m;
  }
  EXPECT_FALSE(fs::exists(s->RSTTMP));
  EXPECT_TRUE(fs::exists(dir / "out.rst" / "keep.txt"));
  // Reported once: with the directory gone the next image is put in place.
  fs::remove_all(dir / "out.rst");
  RSTPUT(*s);
  RSTSAV(*s);
  auto t = makeState();
  readImage(*t, dir / "out.rst");
  EXPECT_EQ(t->ISTEP, 9);
  EXPECT_FALSE(fs::exists(s->RSTTMP));
}

// While an image is being written the run goes on: the next image waits
// its turn in the other buffer, a newer one overtakes it (it is never
// written), and what is put in place last is the newest image, byte for byte.
std::mutex gHoldLock;
std::condition_variable gHoldCv;
bool gHeld = true;
int gWrites = 0;

void holdWriting() {
  std::unique_lock<std::mutex> lk(gHoldLock);
  ++gWrites;
  gHoldCv.wait(lk, [] { return !gHeld; });
}

TEST(RestartImage, ImageWaitingItsTurnIsOvertakenByANewerOne) {
  const fs::path dir = scratchDir("overtaken");
  auto s = makeState();
  scrambleState(*s, 11);
  s->RUNFILE[3] = (dir / "out.rst").string();
  RSTPRP(*s);
  RSTWRITING = holdWriting;
  s->ISTEP = 1;
  RSTPUT(*s);  // being written, held
  s->ISTEP = 2;
  RSTPUT(*s);  // waits its turn
  s->ISTEP = 3;
  s->TIMUSE = 30.0;
  RSTPUT(*s);  // overtakes step 2
  {
    std::lock_guard<std::mutex> lk(gHoldLock);
    gHeld = false;
  }
  gHoldCv.notify_all();
  RSTWAIT(*s);
  RSTWRITING = nullptr;
  EXPECT_EQ(gWrites, 2);  // steps 1 and 3
  EXPECT_FALSE(fs::exists(s->RSTTMP));
  writeImage(*s, dir / "streamed.rst");
  EXPECT_TRUE(slurp(dir / "out.rst") == slurp(dir / "streamed.rst"));
  auto t = makeState();
  readImage(*t, dir / "out.rst");
  EXPECT_EQ(t->ISTEP, 3);
  EXPECT_EQ(t->TIMUSE, 30.0);
}

// The images of message steps are laid out at most once a second (the
// run's preparation counting as the first): those due sooner are left out,
// and the image of the run's end is always put in place.
double gClock = 0.0;
double testClock() { return gClock; }

TEST(RestartImage, MessageStepImagesAtMostOnceASecond) {
  const fs::path dir = scratchDir("gap");
  auto s = makeState();
  s->RUNFILE[3] = (dir / "out.rst").string();
  // The test clock is taken back however the test ends.
  struct ClockSet {
    ClockSet() { RSTCLOCK = testClock; }
    ~ClockSet() { RSTCLOCK = nullptr; }
  } clockSet;
  gClock = 100.0;
  RSTPRP(*s);
  auto imageStep = [&]() {
    RSTWAIT(*s);
    if (!fs::exists(dir / "out.rst")) return 0;
    auto t = makeState();
    readImage(*t, dir / "out.rst");
    return t->ISTEP;
  };
  // (clock, step, step of the image in place afterwards)
  const struct {
    double clock;
    int step, image;
  } steps[] = {{100.4, 5, 0}, {100.99, 10, 0}, {101.0, 15, 15}, {101.5, 20, 15}, {103.0, 25, 25}, {103.2, 30, 25}};
  for (const auto& c : steps) {
    SCOPED_TRACE(c.step);
    gClock = c.clock;
    s->ISTEP = c.step;
    RSTMSG(*s);
    EXPECT_EQ(imageStep(), c.image);
  }
  s->ISTEP = 31;
  RSTSAV(*s);
  EXPECT_EQ(imageStep(), 31);
  EXPECT_FALSE(fs::exists(s->RSTTMP));
}

// The image RSTSAV puts in place, where pages of zeros may be left
// unwritten, holds exactly the bytes UPDATE writes through a stream: for a
// state of mostly zeros and for one of random bytes, and over a stale
// temporary file full of other bytes (a run killed while writing).
TEST(RestartImage, SavedImageHasTheBytesOfTheStreamedImage) {
  const fs::path dir = scratchDir("saved");
  for (const unsigned seed : {0u, 5u}) {
    SCOPED_TRACE(seed);
    auto s = makeState();
    if (seed) scrambleState(*s, seed);
    s->RUNFILE[3] = (dir / "out.rst").string();
    s->ISTEP = 9;
    writeImage(*s, dir / "streamed.rst");
    RSTPRP(*s);
    {
      std::ofstream stale(s->RSTTMP, std::ios::binary);
      const std::string junk(24u << 20, '\x5a');
      stale << junk;
    }
    RSTSAV(*s);
    EXPECT_FALSE(fs::exists(s->RSTTMP));
    const std::string saved = slurp(dir / "out.rst"), streamed = slurp(dir / "streamed.rst");
    ASSERT_EQ(saved.size(), 21852280u + 8 * NRSREC);
    EXPECT_TRUE(saved == streamed);
  }
}

}  // namespace
}  // namespace talvek
