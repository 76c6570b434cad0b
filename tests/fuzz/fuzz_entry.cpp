#include "fuzz/fuzz_entry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <stdexcept>

#include "io/deck.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "report/listing.h"
#include "report/results.h"
#include "run/driver.h"
#include "run/restart.h"
#include "state/state.h"

namespace talvek::fuzz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDeckName = "fuzz.dat";

// The scratch folder, made on first use and removed when the process ends.
struct Scratch {
  std::string dir;
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/talvek-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder from " + pattern);
    dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

// Standard output goes to /dev/null while it lives: the console lines of a
// run are of no use here and would flood the fuzzer's own output.
class Quiet {
 public:
  Quiet() {
    std::fflush(stdout);
    saved_ = ::dup(1);
    const int fd = ::open("/dev/null", O_WRONLY);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::close(fd);
    }
    setDeckWarningSink([](const std::string&) {});
  }
  ~Quiet() {
    setDeckWarningSink({});
    std::fflush(stdout);
    if (saved_ >= 0) {
      ::dup2(saved_, 1);
      ::close(saved_);
    }
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int saved_ = -1;
};

const std::string& restartDeck() {
  static const std::string text = [] {
    const fs::path p = fs::path(TALVEK_SOURCE_DIR) / "tests" / "fuzz" / "restart_deck.txt";
    std::ifstream f(p, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read the restart deck " + p.string());
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }();
  return text;
}

// The state of a run: one per process, set back to a new state's values for
// each run. (Made anew each time, its 77 MB of fresh pages took most of the
// time of a small deck's run.)
State& freshState() {
  static std::unique_ptr<State> state;
  if (!state) {
    state = makeState();
  } else {
    std::destroy_at(state.get());
    std::construct_at(state.get());
  }
  return *state;
}

// The run of `deck` as the driver makes it after the names are checked; the
// restart-up file to read is `image` in the scratch folder.
Outcome run(std::string_view deck, const std::string& image) {
  const std::string& dir = scratchDir();
  const std::string names[4] = {kDeckName, "/dev/null", image, "/dev/null"};
  State& s = freshState();
  s.OPTS.OUTDIR = dir;
  Quiet quiet;
  Outcome out;
  try {
    STARTUP(s);
    BANNER(s, false);
    SETNAMES(s, names);
    long long line = 1;
    TXTSCN(deck, line, std::string("the input deck '") + kDeckName + "'");
    DeckReader reader(kDeckName, deck);
    RUNSET(s, reader);
    if (s.NGPACT <= kStepBlocks) {
      s.OPTS.MAXSTP = kSteps;
      RUNSCH(s);
    } else {
      CHKRUN(s);
    }
  } catch (const RunError& e) {
    out.end = End::Refused;
    out.message = e.what();
    s.units.closeAll();
    LISDRP(s);
    RESDRP(s);
  }
  return out;
}

// Bytes of the LEB128 count after a zero, at most.
constexpr int kCountBytes = 5;

}  // namespace

const std::string& scratchDir() {
  static const Scratch scratch;
  return scratch.dir;
}

std::size_t imageSize() {
  std::size_t n = 0;
  for (int rec = 1; rec <= NRSREC; ++rec) n += RSTLEN(rec) + 8;  // a 4-byte length before and after
  return n;
}

std::string unpackImage(std::string_view packed) {
  std::string out;
  unpackImage(packed, out);
  return out;
}

void unpackImage(std::string_view packed, std::string& out) {
  const std::size_t cap = imageSize() + kImageSlack;
  out.clear();
  std::size_t i = 0;
  auto next = [&]() -> unsigned { return i < packed.size() ? static_cast<unsigned char>(packed[i++]) : 0u; };
  while (i < packed.size() && out.size() < cap) {
    const unsigned b = next();
    if (b != 0) {
      out.push_back(static_cast<char>(b));
      continue;
    }
    std::uint64_t n = 0;
    for (int k = 0; k < kCountBytes; ++k) {
      const unsigned c = next();
      n |= static_cast<std::uint64_t>(c & 0x7f) << (7 * k);
      if (!(c & 0x80)) break;
    }
    const std::size_t period = next();
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(n + 1, cap - out.size()));
    if (period == 0) {
      out.append(count, '\0');
      continue;
    }
    // Before the start of the file the bytes k places back are zeros.
    std::size_t left = count;
    while (left && out.size() < period) {
      out.push_back('\0');
      --left;
    }
    // Then whole copies of the last `dist` bytes, dist a multiple of the
    // period that doubles as the run grows.
    std::size_t dist = period;
    while (left) {
      const std::size_t k = std::min(left, dist);
      const std::size_t from = out.size() - dist;
      out.resize(out.size() + k);
      std::memcpy(out.data() + out.size() - k, out.data() + from, k);
      left -= k;
      if (2 * dist <= out.size()) dist *= 2;
    }
  }
}

Outcome runDeck(std::string_view deck) { return run(deck, (fs::path(scratchDir()) / "none.rst").string()); }

Outcome runRestartImage(std::string_view image) {
  const std::string path = (fs::path(scratchDir()) / "rin.rst").string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  const bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
  const Outcome out = run(restartDeck(), path);
  // A fuzzer's child process may end without removing its scratch folder:
  // the 22 MB image is not left in it.
  std::remove(path.c_str());
  return out;
}

Outcome runRestart(std::string_view packed) {
  static std::string image;  // kept: its 22 MB are not allocated again for each input
  unpackImage(packed, image);
  return runRestartImage(image);
}

}  // namespace talvek::fuzz
