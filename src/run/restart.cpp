// The restart-up image: 66 unformatted records that hold the whole state
// after an accepted step, every array at its full declared size.
//
// One function lists the records item by item; the writer and the reader
// both walk that list, so the two can never disagree on the order. Items of
// the image that this program keeps nowhere (text buffers of the array
// readers, the lists of the iterative solvers, the aquifer's fixed tables,
// work reals) are written as zeros or blanks and read into scratch.
// Arrays held in another index order than the image's (per-block arrays of
// k x m derivatives, the fits' abscissa tables by kind and region) go
// through fixed scratch buffers, so writing the image during the run
// allocates nothing.
#include "run/restart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "init/equifit.h"
#include "input/schedule.h"
#include "io/cleanup.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/unformatted.h"
#include "report/print1.h"
#include "solver/bands.h"
#include "solver/solve.h"

namespace talvek {

int RSTFAIL = 0;
void (*RSTWRITING)() = nullptr;
double (*RSTCLOCK)() = nullptr;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t R = sizeof(double), I = sizeof(int), T = 80;

// Record lengths in bytes, records 1 to 66.
constexpr std::size_t kLen[NRSREC] = {
    (3 * 10000 + 100) * T,                                       // 1
    (6 * 3 + 4 + 3) * T,                                         // 2
    10 * R + (13 + 10 + 3 + 3 + 30 + 1 + 1 + 4000) * I,          // 3
    (1 + 7 + 7 + 7 + 3 + 6 + 6 + 8 + 14) * R,                    // 4
    (5 * 4000 + 2 * 16000) * R,                                  // 5
    2 * R,                                                       // 6
    (2 + 4000) * I,                                              // 7
    20 * 4000 * R,                                               // 8
    20 * 4000 * R,                                               // 9
    20 * 4000 * R,                                               // 10
    14 * I,                                                      // 11
    2 * 24000 * I,                                               // 12
    (64000 + 1600) * I,                                          // 13
    (1600 + 40 + 40 + 1) * I,                                    // 14
    (8 * 900 + 9 * 30) * R + (30 + 4000 + 1) * I,                // 15
    2 * 30 * R + I,                                              // 16
    (6 + 3 * 1500) * R,                                          // 17
    (6 * 30 + 10 * 45000) * R,                                   // 18
    (6 * 30 + 3 * 45000 + 1 + 3 * 45000 + 1) * R,                // 19
    2 * 64000 * R + 64000 * I,                                   // 20
    (13 + 4000 + 64000) * I,                                     // 21
    (3 + 3 * 4000) * I,                                          // 22
    16 * 4000 * R,                                               // 23
    4 * 4000 * R,                                                // 24
    (10 * 900 + 5 * 30) * R + (2 * 30 + 4000 + 1) * I,           // 25
    (1 + 9) * I,                                                 // 26
    (2 + 16001 + 1) * I,                                         // 27
    (9 + 4 + 4) * R,                                             // 28
    16000 * R,                                                   // 29
    29 * 4000 * R,                                               // 30
    6 * 4000 * R,                                                // 31
    8 * R,                                                       // 32
    (64000 + 5 * 4000) * I,                                      // 33
    4000 * R,                                                    // 34
    7 * 4000 * R,                                                // 35
    4 * R,                                                       // 36
    6 * R,                                                       // 37
    7 * I,                                                       // 38
    7 * R,                                                       // 39
    (3 + 6 * 4000) * R,                                          // 40
    10 * R,                                                      // 41
    12 * I,                                                      // 42
    16 * R,                                                      // 43
    (7 * 64000 + 3 * 4000 + 3 * 64000 + 3 * 7 * 4000 + 4000) * I,  // 44
    12 * I,                                                      // 45
    3 * I,                                                       // 46
    9 * I,                                                       // 47
    18 * R + 2 * I,                                              // 48
    4000 * R,                                                    // 49
    10 * 4000 * R,                                               // 50
    (100000 + 5 * 100) * R + (80000 + 2 * 100 + 3) * I,          // 51
    7 * 4000 * R,                                                // 52
    4 * 4000 * R,                                                // 53
    3 * 30 * R + I,                                              // 54
    2 * 4000 * R,                                                // 55
    4000 * R,                                                    // 56
    16 * 4000 * R,                                               // 57
    6 * 4000 * R,                                                // 58
    64000 * I,                                                   // 59
    (2 * 4000 + 2) * I,                                          // 60
    (2 * 4000 + 2 * 16001) * I,                                  // 61
    16000 * R,                                                   // 62
    3 * 40 * R,                                                  // 63
    4000 * I,                                                    // 64
    3 * 4000 * R,                                                // 65
    4000 * R,                                                    // 66
};

// Scratch of the re-ordered items: the largest is the schedule's integer
// fields, four per well line.
constexpr std::size_t kScratch = 4 * MXWLIN;
double gReal[kScratch];
int gInt[kScratch];
// The aquifer coefficients of the four internal aquifer types, as read,
// until the aquifer type in force (a later record) is known.
double gAqb[4 * MXBLK], gAqa[4 * MXBLK];
// Zeros and blanks for the items this program does not keep.
unsigned char gZero[65536];
char gBlank[T * 100];
// The whole image, framing included, and the two buffers it is laid out in
// before it goes to a file descriptor: page-aligned and as long as the image,
// so that their pages are the file's pages. The run lays out an image in one
// while the image before is written from the other. Only the pages that hold
// anything but zeros are ever touched.
constexpr std::size_t kImageBytes = [] {
  std::size_t n = 0;
  for (std::size_t len : kLen) n += len + 8;
  return n;
}();
constexpr std::size_t kPage = 4096;
constexpr std::size_t kWriteBuf = (kImageBytes + kPage - 1) / kPage * kPage;
alignas(kPage) unsigned char gWriteBuf[2][kWriteBuf];
// What each page of the buffer holds: zeros only (left as a hole, its
// buffer bytes unused), items that are not all zeros, or pieces of items to
// be looked at when the buffer is written.
enum : unsigned char { kZeros, kData, kMixed, kBlanks };
// A page of blanks: the pages of blank texts (most of record 1) are written
// from it instead of being copied into the buffer.
alignas(kPage) char gBlankPage[kPage];
unsigned char gPageKind[2][kWriteBuf / kPage];

// What READST restored of the items the driver's pre-read of the new deck
// sets again: the image's values win, as if the image had been read after
// the deck head.
struct ImageKeep {
  int IRSTRT = 0, INOUTP = 0, MUNITIN = 1;
  // The schedule the image ran with (the new deck's schedule replaces it):
  // its records already run, or running, must be the new deck's.
  int NNOW = 0;
  IA<MXNOW> IRITE1, NWLINE;
  RA<MXNOW> DELT1, SIMNEW, QOECONT, WORMAXT, GORMAXT;
  IA<7, MXWLIN> IWLINE;
  RA<5, MXWLIN> RWLINE;
} gKeep;

// The image's bytes into a stdio stream, as they come.
class StdioSink {
 public:
  explicit StdioSink(std::FILE* f) : f_(f) {}
  void put(const void* p, std::size_t n) {
    if (n && std::fwrite(p, 1, n, f_) != n) throw RunError("write failed on an unformatted file");
  }
  void zeros(std::size_t n) {
    while (n) {
      const std::size_t k = std::min(n, sizeof gZero);
      put(gZero, k);
      n -= k;
    }
  }
  void blanks(std::size_t n) {
    while (n) {
      const std::size_t k = std::min(n, sizeof gBlank);
      put(gBlank, k);
      n -= k;
    }
  }

 private:
  std::FILE* f_;
};

// True when the n bytes at p are all zeros: most of an image is. The bytes
// are OR-ed 256 at a time, in the widest vector unit the processor has, and
// the test stops at the first piece that is not zeros.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__)
__attribute__((target_clones("default", "avx2", "avx512f")))
#endif
bool zeroPage(const unsigned char* p, std::size_t n) {
  constexpr std::size_t kPiece = 256;
  std::size_t i = 0;
  for (; i + kPiece <= n; i += kPiece) {
    std::uint64_t acc = 0;
    for (std::size_t k = 0; k < kPiece; k += 8) {
      std::uint64_t w;
      std::memcpy(&w, p + i + k, 8);
      acc |= w;
    }
    if (acc != 0) return false;
  }
  for (; i < n; ++i)
    if (p[i]) return false;
  return true;
}

// The image laid out in the write buffer, as it comes. Most of an image is
// zeros (arrays at their full declared size, the deck's blocks at their
// start): for a file just created empty (`holes`), a whole page of zeros is
// only marked, never copied, and is left as a hole in the file, which reads
// back as the same zeros. For a device or a pipe every byte is kept.
class BufSink {
 public:
  // The image goes into write buffer `buf` (0 or 1).
  BufSink(bool holes, int buf) : holes_(holes), data_(gWriteBuf[buf]), kind_(gPageKind[buf]) {}
  void put(const void* p, std::size_t n) {
    room(n);
    const auto* c = static_cast<const unsigned char*>(p);
    while (n) {
      const std::size_t at = used_ % kPage;
      std::size_t k;
      if (holes_ && at == 0 && n >= kPage) {
        // A whole page straight from the items: copied only when it holds
        // anything but zeros.
        k = kPage;
        const bool zero = zeroPage(c, kPage);
        if (!zero) std::memcpy(data_ + used_, c, kPage);
        kind_[used_ / kPage] = zero ? kZeros : kData;
      } else {
        k = std::min(n, kPage - at);
        std::memcpy(data_ + used_, c, k);
        kind_[used_ / kPage] = kMixed;
      }
      used_ += k;
      c += k;
      n -= k;
    }
  }
  // n bytes known to be zeros: whole pages of a file with holes only marked.
  void zeros(std::size_t n) { repeat(n, 0, holes_, kZeros); }
  // n bytes of blanks: whole pages (file holes or not) only marked; they are
  // written from the blank page.
  void blanks(std::size_t n) { repeat(n, ' ', true, kBlanks); }
  std::size_t used() const { return used_; }

 private:
  // n copies of `byte`: a whole page is marked `kind` (when `mark`) and not
  // copied, a piece of a page goes into the buffer.
  void repeat(std::size_t n, unsigned char byte, bool mark, unsigned char kind) {
    room(n);
    while (n) {
      const std::size_t at = used_ % kPage;
      std::size_t k;
      if (mark && at == 0 && n >= kPage) {
        k = kPage;
        kind_[used_ / kPage] = kind;
      } else {
        k = std::min(n, kPage - at);
        std::memset(data_ + used_, byte, k);
        kind_[used_ / kPage] = kMixed;
      }
      used_ += k;
      n -= k;
    }
  }
  void room(std::size_t n) const {
    if (n > kWriteBuf - used_) throw RunError("restart-up image longer than its " + std::to_string(kImageBytes) + " bytes");
  }
  bool holes_;
  unsigned char* data_;
  unsigned char* kind_;
  std::size_t used_ = 0;
};

// Writes the first `used` bytes of write buffer `buf` to `fd`: all of them in
// order (a device or a pipe), or (`holes`, a regular file just created
// empty) each run of pages that hold anything but zeros at its own offset,
// then the file's full length. Pages of blanks come from the one blank page.
// Returns 0, or the errno of the failure.
int writeBuffered(int fd, int buf, std::size_t used, bool holes) {
  const unsigned char* data = gWriteBuf[buf];
  const unsigned char* kinds = gPageKind[buf];
  auto hole = [used, data, kinds](std::size_t at) {
    const unsigned char kind = kinds[at / kPage];
    return kind == kZeros || (kind == kMixed && zeroPage(data + at, std::min(kPage, used - at)));
  };
  auto source = [data, kinds](std::size_t at) -> const void* {
    return kinds[at / kPage] == kBlanks ? static_cast<const void*>(gBlankPage)
                                        : static_cast<const void*>(data + at);
  };
  // Pages [from, to) in order; for `holes` at their own offset.
  auto writeRun = [&](std::size_t from, std::size_t to) {
    constexpr int kVec = 256;
    iovec v[kVec];
    while (from < to) {
      // As many pieces as fit, neighbouring pages of the buffer joined.
      int nv = 0;
      std::size_t end = from;
      while (end < to && nv < kVec) {
        const std::size_t len = std::min(kPage - end % kPage, to - end);
        const void* p = source(end);
        if (nv > 0 && static_cast<const char*>(v[nv - 1].iov_base) + v[nv - 1].iov_len == p &&
            p != static_cast<const void*>(gBlankPage)) {
          v[nv - 1].iov_len += len;
        } else {
          v[nv].iov_base = const_cast<void*>(p);
          v[nv].iov_len = len;
          ++nv;
        }
        end += len;
      }
      // The pieces in order; a short write goes on where it stopped.
      int first = 0;
      while (first < nv) {
        const ssize_t w = holes ? ::pwritev(fd, v + first, nv - first, static_cast<off_t>(from))
                                : ::writev(fd, v + first, nv - first);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return errno != 0 ? errno : EIO;
        std::size_t left = static_cast<std::size_t>(w);
        from += left;
        while (first < nv && left >= v[first].iov_len) left -= v[first++].iov_len;
        if (first < nv) {
          v[first].iov_base = static_cast<char*>(v[first].iov_base) + left;
          v[first].iov_len -= left;
        }
      }
    }
    return 0;
  };
  errno = 0;
  if (!holes) return writeRun(0, used);
  std::size_t a = 0;
  while (a < used) {
    while (a < used && hole(a)) a += kPage;
    std::size_t b = a;
    while (b < used && !hole(b)) b += kPage;
    if (b > a) {
      if (const int err = writeRun(a, std::min(b, used))) return err;
    }
    a = b;
  }
  if (::ftruncate(fd, static_cast<off_t>(used)) != 0) return errno != 0 ? errno : EIO;
  return 0;
}

// Frames each record with its length (known before it is written, so the
// image goes out strictly in order) and checks that the state's items filled
// it exactly.
template <typename Sink>
class ImageOut {
 public:
  static constexpr bool kWrite = true;
  explicit ImageOut(Sink& sink) : w_(sink) {}
  void begin(int rec) {
    rec_ = rec;
    bytes_ = 0;
    marker(kLen[rec - 1]);
  }
  void end() {
    // A state item that changed its size would silently shift every later
    // item of the image: such an image is never written.
    if (bytes_ != kLen[rec_ - 1]) {
      throw RunError("restart-up image record " + std::to_string(rec_) + " would hold " + std::to_string(bytes_) +
                     " bytes instead of " + std::to_string(kLen[rec_ - 1]));
    }
    marker(kLen[rec_ - 1]);
    if (RSTFAIL > 0 && rec_ == RSTFAIL) throw IoError("writing the restart-up image was broken off after record " + std::to_string(rec_));
  }
  template <typename V>
  void one(V& v) {
    put(&v, sizeof v);
  }
  template <typename A>
  void all(A& a) {
    put(a.data(), a.size() * sizeof(*a.data()));
  }
  void zeros(std::size_t bytes) {
    w_.zeros(bytes);
    bytes_ += bytes;
  }
  void blanks(std::size_t texts) {
    w_.blanks(texts * T);
    bytes_ += texts * T;
  }
  // One text item: v, blank-filled to its full length.
  void text(std::string_view v) {
    char buf[T];
    std::memset(buf, ' ', T);
    std::memcpy(buf, v.data(), std::min(v.size(), T));
    put(buf, T);
  }
  template <typename V>
  void konst(V v) {
    put(&v, sizeof v);
  }
  // n values p[0], p[stride], ... written as one contiguous array.
  void strided(double* p, std::size_t n, std::size_t stride) {
    for (std::size_t i = 0; i < n; ++i) gReal[i] = p[i * stride];
    put(gReal, n * R);
  }
  void strided(int* p, std::size_t n, std::size_t stride) {
    for (std::size_t i = 0; i < n; ++i) gInt[i] = p[i * stride];
    put(gInt, n * I);
  }
  // n reals made by fill(gReal) when writing; read back into scratch.
  template <typename F>
  void derived(std::size_t n, F fill) {
    fill(gReal);
    put(gReal, n * R);
  }
  template <typename V>
  void scratch(V* buf, std::size_t n) {
    put(buf, n * sizeof(V));
  }

 private:
  void marker(std::size_t len) {
    const auto n = static_cast<std::uint32_t>(len);
    const unsigned char b[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
    w_.put(b, 4);
  }
  void put(const void* p, std::size_t n) {
    w_.put(p, n);
    bytes_ += n;
  }
  Sink& w_;
  int rec_ = 0;
  std::size_t bytes_ = 0;
};

class ImageIn {
 public:
  static constexpr bool kWrite = false;
  ImageIn(std::FILE* f, const std::string& who) : f_(f), r_(f), who_(who) {}
  void begin(int rec) {
    rec_ = rec;
    std::size_t len = 0;
    try {
      len = r_.begin();
    } catch (const RunError&) {
      if (!std::feof(f_)) fail("is not a restart-up image of this program: record " + std::to_string(rec) + " has no valid length marker");
      fail(rec == 1 ? "is empty" : "ends before record " + std::to_string(rec));
    }
    if (len != kLen[rec - 1]) {
      fail("is not a restart-up image of this program: record " + std::to_string(rec) + " holds " + std::to_string(len) +
           " bytes where " + std::to_string(kLen[rec - 1]) + " are expected");
    }
  }
  void end() {
    try {
      r_.end();
    } catch (const RunError&) {
      fail("ends inside record " + std::to_string(rec_) + " (its closing length marker is missing or differs)");
    }
  }
  template <typename V>
  void one(V& v) {
    get(&v, sizeof v);
  }
  template <typename A>
  void all(A& a) {
    get(a.data(), a.size() * sizeof(*a.data()));
  }
  void zeros(std::size_t bytes) {
    while (bytes) {
      const std::size_t k = std::min(bytes, sizeof gZero);
      get(gZero, k);
      bytes -= k;
    }
    std::memset(gZero, 0, sizeof gZero);
  }
  void blanks(std::size_t texts) {
    while (texts) {
      const std::size_t k = std::min<std::size_t>(texts, 100);
      get(gBlank, k * T);
      texts -= k;
    }
    std::memset(gBlank, ' ', sizeof gBlank);
  }
  // A text item the program holds as a constant: read past.
  void text(std::string_view) {
    char buf[T];
    get(buf, T);
  }
  template <typename V>
  void konst(V v) {
    get(&v, sizeof v);
  }
  void strided(double* p, std::size_t n, std::size_t stride) {
    get(gReal, n * R);
    for (std::size_t i = 0; i < n; ++i) p[i * stride] = gReal[i];
  }
  void strided(int* p, std::size_t n, std::size_t stride) {
    get(gInt, n * I);
    for (std::size_t i = 0; i < n; ++i) p[i * stride] = gInt[i];
  }
  template <typename F>
  void derived(std::size_t n, F) {
    get(gReal, n * R);
  }
  template <typename V>
  void scratch(V* buf, std::size_t n) {
    get(buf, n * sizeof(V));
  }
  // An image this program writes ends with its last record: bytes after it
  // are two images run together or a file that merely starts with one. The
  // surplus of a regular file is its size beyond the position; of anything
  // else (a pipe), what can be read, counted up to one image more.
  void finish() {
    if (std::fgetc(f_) == EOF) return;
    unsigned long long extra = 1;
    bool beyond = false;
    struct stat st {};
    const off_t at = ::ftello(f_);
    if (at >= 0 && ::fstat(::fileno(f_), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= at) {
      extra = static_cast<unsigned long long>(st.st_size - at) + 1;
    } else {
      std::size_t n = 0;
      char buf[8192];
      while ((n = std::fread(buf, 1, sizeof buf, f_)) > 0) {
        extra += n;
        if (extra > kImageBytes) {
          beyond = true;
          break;
        }
      }
    }
    throw RunError(who_ + " holds " + (beyond ? "more than " : "") + std::to_string(extra) +
                   (extra == 1 ? " more byte" : " more bytes") + " after the " + std::to_string(NRSREC) +
                   " records of an image: it is not an image this program wrote");
  }

 private:
  void get(void* p, std::size_t bytes) {
    try {
      r_.get(p, bytes);
    } catch (const RunError&) {
      fail("ends inside record " + std::to_string(rec_));
    }
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw RunError(who_ + " " + what + " (an image has " + std::to_string(NRSREC) +
                   " records; the file is damaged, incomplete or not written by this program)");
  }
  std::FILE* f_;
  RecordReader r_;
  const std::string& who_;
  int rec_ = 0;
};

// The records of the image, in order.
template <typename IO>
void image(State& s, IO& io) {
  auto ra = [&](auto&... a) { (io.all(a), ...); };
  auto sc = [&](auto&... v) { (io.one(v), ...); };
  // Per-block arrays of a (k, m, n) array, as sixteen arrays over the blocks,
  // k fastest.
  auto km = [&](auto& a) {
    for (int m = 1; m <= MXEQ; ++m)
      for (int k = 1; k <= MXEQ; ++k) io.strided(&a(k, m, 1), MXBLK, MXEQ * MXEQ);
  };
  // First abscissa, last abscissa and reciprocal spacing of fit `kind`, per region.
  auto fitx = [&](int kind) {
    io.strided(&s.FITXF(kind, 1), MXRGN, NFTKIND);
    io.strided(&s.FITXL(kind, 1), MXRGN, NFTKIND);
    io.strided(&s.FITRSP(kind, 1), MXRGN, NFTKIND);
  };
  const int aqType = std::clamp(s.IDAQFR, 1, 4);

  io.begin(1);
  io.blanks(3 * 10000);
  ra(s.LAYLAB);
  io.end();

  // The unit texts of the three systems, as the listing prints them.
  io.begin(2);
  for (int kind : {UTOUT, UTIN, UTBASE, UTVOL, UTRATE, UTRATIO})
    for (int system = 1; system <= 3; ++system) io.text(UNITXT(kind, system));
  ra(s.MTHLAB);
  for (int system = 1; system <= 3; ++system) io.text(UNITXT(UTADS, system));
  io.end();

  io.begin(3);
  io.zeros(10 * R + 13 * I);
  ra(s.KGX);
  sc(s.NGX, s.NGY, s.NGZ, s.NXGRP, s.NYGRP, s.NZGRP);
  ra(s.KGY, s.KGZ, s.KGS);
  sc(s.NGS);
  io.zeros(I + 4000 * I);
  io.end();

  io.begin(4);
  sc(s.PI);
  io.zeros(58 * R);
  io.end();

  io.begin(5);
  ra(s.AQCOEF, s.QAQ, s.WECUM, s.PAQI, s.BBLKWT);
  if constexpr (IO::kWrite) {
    for (int t = 1; t <= 4; ++t) t == aqType ? ra(s.AQB) : io.zeros(MXBLK * R);
    for (int t = 1; t <= 4; ++t) t == aqType ? ra(s.AQA) : io.zeros(MXBLK * R);
  } else {
    io.scratch(gAqb, 4 * MXBLK);
    io.scratch(gAqa, 4 * MXBLK);
  }
  io.end();

  io.begin(6);
  sc(s.REDAQ, s.TDFAC);
  io.end();

  io.begin(7);
  sc(s.IDAQFR, s.NAQBLK);
  ra(s.LAQBLK);
  io.end();
  if constexpr (!IO::kWrite) {
    const int t = std::clamp(s.IDAQFR, 1, 4);
    std::copy_n(gAqb + (t - 1) * MXBLK, MXBLK, s.AQB.data());
    std::copy_n(gAqa + (t - 1) * MXBLK, MXBLK, s.AQA.data());
  }

  io.begin(8);
  ra(s.QAO, s.QAW, s.QAP, s.QAG);
  km(s.DQA);
  io.end();

  for (int rec = 9; rec <= 10; ++rec) {
    auto& a = rec == 9 ? s.RMOB : s.RMOBB;
    io.begin(rec);
    for (int st = 1; st <= NKSTATE; ++st)
      for (int ph = 1; ph <= NPHASE; ++ph) io.strided(&a(ph, st, 1), MXBLK, NPHASE * NKSTATE);
    io.end();
  }

  io.begin(11);
  io.konst(static_cast<int>(s.IN));
  io.konst(static_cast<int>(s.IOUT));
  ra(s.IPRNT);
  io.end();

  // The index lists of the iterative solvers are built again by their set-up.
  io.begin(12);
  io.zeros(2 * 24000 * I);
  io.end();
  io.begin(13);
  io.zeros((64000 + 1600) * I);
  io.end();
  io.begin(14);
  io.zeros((1600 + 40 + 40 + 1) * I);
  io.end();

  io.begin(15);
  ra(s.PRES, s.RST, s.BW, s.BO, s.BG, s.MUW, s.MUO, s.MUG);
  ra(s.CO, s.CMUO, s.DENWS, s.OILAPI, s.GAMAW, s.GAMAG, s.GRADO, s.GRADW, s.GRADG);
  ra(s.NRPVT, s.NPVTGN);
  sc(s.NPVTRGN);
  io.end();

  io.begin(16);
  ra(s.CPPPM, s.MUP);
  sc(s.NRPOL);
  io.end();

  io.begin(17);
  for (int kind : {FTPOL, FTRET}) sc(s.FITXF(kind, 1), s.FITXL(kind, 1), s.FITRSP(kind, 1));
  ra(s.FMUP, s.FRF, s.FRRF);
  io.end();

  io.begin(18);
  fitx(FTPVP);
  fitx(FTPVR);
  ra(s.FBW, s.FBO, s.FBG, s.FMUW, s.FMUO, s.FMUG, s.FRS, s.FPBR, s.FBOR, s.FMUOR);
  io.end();

  io.begin(19);
  fitx(FTWO);
  fitx(FTGL);
  ra(s.FKRW, s.FKROW, s.FPCOW);
  io.zeros(R);  // reserved
  ra(s.FKRG, s.FKROG, s.FPCGO);
  io.zeros(R);  // reserved
  io.end();

  io.begin(20);
  ra(s.RPWRK, s.GPWRK, s.IPWRK);
  io.end();

  io.begin(21);
  sc(s.NX, s.NY, s.NZ, s.NY1, s.NZ1, s.NCELL, s.NGPACT, s.NINTBLE, s.NINT, s.IQUAD, s.IRADIAL);
  io.konst(10);  // search directions of the iterative solvers
  io.konst(40);  // their iteration limit
  ra(s.IBLK, s.IORD);
  io.end();

  io.begin(22);
  sc(s.NWELM2, s.NWELM1, s.NWEL0);
  ra(s.LWELM2, s.LWELM1, s.LWEL0);
  io.end();

  // Well-rate derivatives: component k (water, oil, polymer solution, gas)
  // fastest, unknown position m.
  io.begin(23);
  for (int m = 1; m <= MXEQ; ++m)
    for (auto* d : {&s.DFLOWW, &s.DFLOWO, &s.DFLOWP, &s.DFLOWG}) io.strided(&(*d)(m, 1), MXBLK, MXEQ);
  io.end();

  io.begin(24);
  ra(s.FLOWW, s.FLOWO, s.FLOWP, s.FLOWG);
  io.end();

  io.begin(25);
  ra(s.SWT, s.KRW, s.KROW, s.PCOW, s.PCOWI, s.SLT, s.KRG, s.KROG, s.PCGO, s.PCGOI);
  ra(s.SORW, s.SORG, s.SWCR, s.SGCR, s.KROCW);
  ra(s.NRWO, s.NRGO, s.NKRGN);
  sc(s.NKRRGN);
  io.end();

  io.begin(26);
  sc(s.NUSLVR);
  ra(s.IAXIS, s.MSLOT);
  sc(s.N1, s.N2, s.N3);
  io.end();

  io.begin(27);
  sc(s.NBAND, s.NREDG);
  ra(s.IRBW);
  sc(s.MATBAK);
  io.end();

  io.begin(28);
  sc(s.DTMAX, s.DTMIN, s.RERORP, s.DELPO, s.DELRS, s.DELSAT, s.DELRS2, s.DRSREF, s.DPREF);
  ra(s.DXMAX, s.DXREF);
  io.end();

  io.begin(29);
  ra(s.DXEST);
  io.end();

  io.begin(30);
  ra(s.PN, s.P, s.RSN, s.RS, s.SWN, s.SON, s.SGN, s.SPN, s.SW, s.SO, s.SG, s.SP, s.BWN, s.BON, s.BGN, s.SA, s.BWB,
     s.BOB, s.BGB, s.PBUBL, s.RSTOT, s.BOBUB);
  io.zeros(MXBLK * R);  // block water viscosity (evaluated with the properties)
  ra(s.MUPB);
  io.zeros(2 * MXBLK * R);  // effective aqueous viscosities (likewise)
  ra(s.PHIN);
  io.zeros(MXBLK * R);  // current porosity (likewise)
  ra(s.PHI);
  io.end();

  io.begin(31);
  ra(s.WIP, s.STOIP, s.GIP, s.PSIP, s.PMIP, s.RMASS);
  io.end();

  io.begin(32);
  io.zeros(4 * R);
  sc(s.PVOT, s.PVWT, s.PVGT, s.PVPT);
  io.end();

  io.begin(33);
  ra(s.IACTIVE, s.ISAT, s.ISATN, s.IWOPC, s.IWNUM, s.IWC);
  io.end();

  io.begin(34);
  ra(s.VB);
  io.end();
  io.begin(35);
  ra(s.GF);
  io.end();

  io.begin(36);
  sc(s.EPSP, s.EPSS, s.EPSRS, s.TOLREL);
  io.end();

  io.begin(37);
  sc(s.SIMTME, s.TMTOTAL, s.TIMUSE, s.DTIME, s.DTOLD, s.TMSTOP);
  io.end();

  io.begin(38);
  sc(s.ITER, s.LINIT, s.TOTITER, s.ISTEP, s.NPASS, s.MAXIT, s.IRSTRT);
  io.end();

  io.begin(39);
  sc(s.CPHI);
  io.zeros(2 * R);
  sc(s.PREF, s.OMEGAMIX, s.DENR, s.RECOIL);
  io.end();

  io.begin(40);
  sc(s.WORMAX, s.GORMAX, s.QOECON);
  ra(s.QPMINJ, s.QPMPRD, s.QSP, s.PSAND, s.BHP, s.GW);
  io.end();

  // Components: 1 oil, 2 water, 3 gas, 4 polymer solution, 5 polymer mass.
  io.begin(41);
  sc(s.CUMNET(2), s.CUMNET(1), s.CUMNET(3), s.CUMNET(4), s.INWATER, s.INOIL, s.INGAS, s.INPOLY, s.CUMNET(5), s.INPMAS);
  io.end();

  io.begin(42);
  sc(s.IQW, s.IQO, s.IQG, s.IQP, s.ISW, s.ISO, s.IPO, s.ISP, s.KEQO, s.KEQW, s.KEQG, s.KEQP);
  io.end();

  io.begin(43);
  for (int k = 1; k <= 4; ++k) sc(s.CUMINJ(k));
  for (int k = 1; k <= 4; ++k) sc(s.CUMPRD(k));
  sc(s.CUMINJ(5), s.CUMPRD(5), s.CUMAQR, s.CUMAQ(1), s.CUMAQ(2), s.CUMAQ(4), s.CUMAQ(3), s.CUMAQ(5));
  io.end();

  io.begin(44);
  ra(s.NBRG, s.IJK, s.ICOORD, s.NBN, s.NBS, s.ICSLOT, s.NNB);
  io.end();

  io.begin(45);
  sc(s.INOUTP, s.IPRINT, s.IPRST1, s.IPRST2, s.NFRWEL, s.NFRARY, s.KSTWEL, s.KSTARY, s.NWRITE, s.NFRRES, s.KSTRES,
     s.KSTANY);
  io.end();

  io.begin(46);
  sc(s.NNMAX, s.MBLK, s.MBW);
  io.end();

  // The stencil constants: first slot, slot count, slot step, centre slot,
  // sum of opposite slots.
  io.begin(47);
  for (int c : {1, MXSLOT, 1, 4, 8}) io.konst(c);
  sc(s.NEQN, s.NUKN, s.METHOD, s.NXYZORD);
  io.end();

  io.begin(48);
  sc(s.TINY, s.SGMIN);
  ra(s.UFAC);
  sc(s.C1, s.C2, s.C3, s.C4, s.MUNITIN, s.MUNTOUT);
  io.end();

  io.begin(49);
  ra(s.ZC);
  io.end();

  io.begin(50);
  for (auto* c : {&s.CUMIB, &s.CUMPB})
    for (int k : {2, 1, 3, 4}) io.strided(&(*c)(k, 1), MXBLK, 6);
  io.strided(&s.CUMIB(5, 1), MXBLK, 6);
  io.strided(&s.CUMPB(5, 1), MXBLK, 6);
  io.end();

  // The schedule. Integer fields of a well line: the active block, IWT, the
  // well number, IWOPC; the deck's I, J, K of the block follow from it.
  io.begin(51);
  ra(s.RWLINE, s.SIMNEW, s.DELT1, s.QOECONT, s.WORMAXT, s.GORMAXT);
  if constexpr (IO::kWrite) {
    for (int m = 1; m <= MXWLIN; ++m) {
      int* g = gInt + 4 * (m - 1);
      g[0] = s.IWLINE(7, m);
      g[1] = s.IWLINE(1, m);
      g[2] = s.IWLINE(6, m);
      g[3] = s.IWLINE(5, m);
    }
  }
  io.scratch(gInt, 4 * MXWLIN);
  if constexpr (!IO::kWrite) {
    for (int m = 1; m <= MXWLIN; ++m) {
      const int* g = gInt + 4 * (m - 1);
      const int b = g[0];
      s.IWLINE(7, m) = b;
      s.IWLINE(1, m) = g[1];
      s.IWLINE(6, m) = g[2];
      s.IWLINE(5, m) = g[3];
      const int L = b >= 1 && b <= MXBLK ? s.IBLK(b) : 0;
      for (int d = 1; d <= 3; ++d) s.IWLINE(d + 1, m) = L >= 1 && L <= MXCELL ? s.ICOORD(d, L) : 0;
    }
  }
  ra(s.NWLINE, s.IRITE1);
  sc(s.NOWSTP, s.NWTLIN, s.NNOW);
  io.end();

  io.begin(52);
  ra(s.CONCP, s.CPMF, s.CPMFI, s.CRP, s.ADS, s.CRPMAX, s.CONCPI);
  io.end();

  io.begin(53);
  ra(s.CONCT, s.CTMF, s.CTMFI, s.CONCTI);
  io.end();

  io.begin(54);
  ra(s.CRPT, s.RF, s.RRF);
  sc(s.NRRET);
  io.end();

  io.begin(55);
  ra(s.RFB, s.RRFB);
  io.end();
  io.begin(56);
  ra(s.EPSX2);
  io.end();

  io.begin(57);
  km(s.DACC);
  io.end();

  io.begin(58);
  ra(s.BWBP, s.BOBP, s.BGBP, s.BOBX, s.RSBP, s.RSBX);
  io.end();

  io.begin(59);
  ra(s.LBLOCK);
  io.end();

  io.begin(60);
  ra(s.IBLIST, s.IDX4);
  sc(s.NRED, s.K7);
  io.end();

  io.begin(61);
  ra(s.LCOL, s.RCOL, s.LBW, s.RBW);
  io.end();

  io.begin(62);
  ra(s.ACCR);
  io.end();
  io.begin(63);
  ra(s.WIDX, s.WIDY, s.WIDZ);
  io.end();
  io.begin(64);
  ra(s.NCONN);
  io.end();

  // The outflow polymer concentration in ppm is written for other tools and
  // not read back: it follows from CPMFO.
  io.begin(65);
  ra(s.CPMFO);
  io.derived(MXBLK, [&](double* ppm) {
    for (int n = 1; n <= MXBLK; ++n) {
      const int r = s.NPVTGN(n);
      const double den = r >= 1 && r <= MXRGN ? s.DENWS(r) : 0.0;
      ppm[n - 1] = den != 0.0 ? s.CPMFO(n) * 1.0E6 / den : 0.0;
    }
  });
  ra(s.CTMFO);
  io.end();

  io.begin(66);
  ra(s.SFIXED);
  io.end();
}

// The counts and index lists an image brings back, checked before anything
// uses them: a damaged file (or one of another program) whose frame is
// intact must be refused here, not index the tables out of their bounds.
// What follows from the grid alone (the printers' column groups) is built
// again rather than trusted.
// "NAME(i)" or "NAME(i,j)".
std::string itemAt(std::string_view name, int i, int j = 0) {
  std::string t(name);
  t += '(';
  t += std::to_string(i);
  if (j != 0) {
    t += ',';
    t += std::to_string(j);
  }
  t += ')';
  return t;
}

class ImageCheck {
 public:
  explicit ImageCheck(const std::string& who) : who_(who) {}
  void range(int rec, std::string_view item, int v, int lo, int hi) const {
    if (v < lo || v > hi) bad(rec, item, v, lo, hi);
  }
  // Entries 1..n of a list (an FArray of one dimension).
  template <typename A>
  void each(int rec, std::string_view item, const A& a, int n, int lo, int hi) const {
    for (int i = 1; i <= n; ++i)
      if (a(i) < lo || a(i) > hi) bad(rec, itemAt(item, i), a(i), lo, hi);
  }
  // A time of the run: finite and at least `lo` (above it when `above`).
  void time(int rec, std::string_view item, double v, double lo, bool above) const {
    if (std::isfinite(v) && (above ? v > lo : v >= lo)) return;
    char val[32], bound[48];
    std::snprintf(val, sizeof val, "%g", v);
    std::snprintf(bound, sizeof bound, above ? "above %g" : "of %g or more", lo);
    std::string m = who_;
    m += " holds ";
    m += item;
    m += " = ";
    m += val;
    m += " in record ";
    m += std::to_string(rec);
    m += ", where a finite time ";
    m += bound;
    m += " belongs: it is not an image this program wrote";
    throw RunError(m);
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw RunError(who_ + " " + what + ": it is not an image this program wrote");
  }
  [[noreturn]] void bad(int rec, std::string_view item, int v, int lo, int hi) const {
    std::string m = who_;
    m += " holds ";
    m += item;
    m += " = ";
    m += std::to_string(v);
    m += " in record ";
    m += std::to_string(rec);
    m += ", outside ";
    m += std::to_string(lo);
    m += " to ";
    m += std::to_string(hi);
    m += ": it is not an image this program wrote";
    throw RunError(m);
  }

 private:
  const std::string& who_;
};

std::string readRole(const State& s) { return "the restart-up file to read '" + s.RUNFILE[2] + "'"; }
std::string writeRole(const State& s) { return "the restart-up file to write '" + s.RUNFILE[3] + "'"; }

// What a failed write leaves in the file's place: the image written before,
// or nothing when no earlier image (or other file) is there.
std::string keptNote(const State& s) {
  struct stat st;
  const std::string& target = s.RSTTARGET.empty() ? s.RUNFILE[3] : s.RSTTARGET;
  return ::stat(target.c_str(), &st) == 0 ? "; the earlier image is kept" : "; no image has been written";
}

}  // namespace

std::size_t RSTLEN(int rec) { return rec >= 1 && rec <= NRSREC ? kLen[rec - 1] : 0; }

void RSTCHK(State& s, const std::string& who) {
  const ImageCheck c(who);
  // The grid and its numbering.
  c.range(21, "NX", s.NX, 1, MXDIR);
  c.range(21, "NY", s.NY, 1, MXDIR);
  c.range(21, "NZ", s.NZ, 1, MXDIR);
  c.range(21, "NY1", s.NY1, s.NY + 1, s.NY + 1);
  c.range(21, "NZ1", s.NZ1, s.NZ + 1, s.NZ + 1);
  const int ncell = s.NX * s.NY * s.NZ;
  c.range(21, "NCELL", s.NCELL, ncell, ncell);
  c.range(21, "NGPACT", s.NGPACT, 1, std::min(ncell, MXBLK));
  // Equispaced fits of NINTBLE points have NINT intervals: quadratic pieces
  // for IQUAD 2, linear ones for any other IQUAD but 0 (the deck reader
  // only warns about other values). Without fits (IQUAD 0) NINTBLE is not
  // used and may hold whatever the deck gave.
  if (s.IQUAD != 0) {
    c.range(21, "NINTBLE", s.NINTBLE, s.IQUAD == 2 ? 3 : 2, MXFIT);
    c.range(21, "NINT", s.NINT, s.NINTBLE - 1, s.NINTBLE - 1);
  } else {
    c.range(21, "NINT", s.NINT, 0, MXFIT - 1);
  }
  c.range(21, "IRADIAL", s.IRADIAL, 0, 1);
  c.each(21, "IBLK", s.IBLK, s.NGPACT, 1, ncell);
  c.each(21, "IORD", s.IORD, ncell, 0, s.NGPACT);
  for (int n = 1; n <= s.NGPACT; ++n)
    if (s.IORD(s.IBLK(n)) != n) c.bad(21, itemAt("IORD", s.IBLK(n)), s.IORD(s.IBLK(n)), n, n);
  const int count[3] = {s.NX, s.NY, s.NZ};
  c.range(26, "NUSLVR", s.NUSLVR, 0, 1);
  int seen = 0;
  for (int d = 1; d <= 3; ++d) {
    c.range(26, itemAt("IAXIS", d), s.IAXIS(d), 1, 3);
    seen |= 1 << s.IAXIS(d);
    // The slot of the minus neighbour along the axis: x 3, y 2, z 1.
    c.range(26, itemAt("MSLOT", d), s.MSLOT(d), 4 - s.IAXIS(d), 4 - s.IAXIS(d));
  }
  if (seen != 0xE) c.bad(26, "IAXIS(3)", s.IAXIS(3), 1, 3);
  c.range(26, "N1", s.N1, count[s.IAXIS(1) - 1], count[s.IAXIS(1) - 1]);
  c.range(26, "N2", s.N2, count[s.IAXIS(2) - 1], count[s.IAXIS(2) - 1]);
  c.range(26, "N3", s.N3, count[s.IAXIS(3) - 1], count[s.IAXIS(3) - 1]);
  // Each grid block at a place of its own; its neighbours in the seven
  // slots (slot 4 the block itself) are the blocks beside that place along
  // the ordered directions, as the numbering lays them out.
  std::vector<int> place(static_cast<std::size_t>(ncell), 0);
  auto at = [&](int i, int j, int k) -> int& {
    return place[static_cast<std::size_t>((i - 1) + s.N1 * ((j - 1) + s.N2 * (k - 1)))];
  };
  for (int L = 1; L <= ncell; ++L) {
    for (int d = 1; d <= 3; ++d)
      if (s.ICOORD(d, L) < 1 || s.ICOORD(d, L) > count[d - 1])
        c.bad(44, itemAt("ICOORD", d, L), s.ICOORD(d, L), 1, count[d - 1]);
    int& p = at(s.ICOORD(s.IAXIS(1), L), s.ICOORD(s.IAXIS(2), L), s.ICOORD(s.IAXIS(3), L));
    if (p != 0)
      c.fail("holds the grid blocks " + std::to_string(p) + " and " + std::to_string(L) +
             " at one place of the grid in record 44 (ICOORD)");
    p = L;
  }
  // The block at each (I, J, K) of the deck; an inactive block carries no
  // activity code (the band set-up numbers the blocks by it).
  for (int L = 1; L <= ncell; ++L) {
    const int v = s.LBLOCK(s.ICOORD(1, L), s.ICOORD(2, L), s.ICOORD(3, L));
    if (v != L) c.bad(59, "LBLOCK(" + std::to_string(s.ICOORD(1, L)) + "," + std::to_string(s.ICOORD(2, L)) + "," +
                          std::to_string(s.ICOORD(3, L)) + ")", v, L, L);
    if (s.IORD(L) == 0 && s.IACTIVE(L) != 0) c.bad(33, itemAt("IACTIVE", L), s.IACTIVE(L), 0, 0);
  }
  const int m1 = s.MSLOT(1), m2 = s.MSLOT(2), m3 = s.MSLOT(3);
  for (int L = 1; L <= ncell; ++L) {
    const int i = s.ICOORD(s.IAXIS(1), L), j = s.ICOORD(s.IAXIS(2), L), k = s.ICOORD(s.IAXIS(3), L);
    int want[MXSLOT + 1] = {};
    want[4] = L;
    if (k >= 2) want[m3] = at(i, j, k - 1);
    if (k <= s.N3 - 1) want[8 - m3] = at(i, j, k + 1);
    if (j >= 2) want[m2] = at(i, j - 1, k);
    if (j <= s.N2 - 1) want[8 - m2] = at(i, j + 1, k);
    if (i >= 2) want[m1] = at(i - 1, j, k);
    if (i <= s.N1 - 1) want[8 - m1] = at(i + 1, j, k);
    for (int sl = 1; sl <= MXSLOT; ++sl)
      if (s.NBRG(sl, L) != want[sl]) c.bad(44, itemAt("NBRG", sl, L), s.NBRG(sl, L), want[sl], want[sl]);
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int d = 1; d <= 3; ++d)
      if (s.IJK(d, n) < 1 || s.IJK(d, n) > count[d - 1])
        c.bad(44, itemAt("IJK", d, n), s.IJK(d, n), 1, count[d - 1]);
    c.range(44, itemAt("NNB", n), s.NNB(n), 0, MXSLOT);
    for (int k = 1; k <= s.NNB(n); ++k) {
      c.range(44, itemAt("NBN", k, n), s.NBN(k, n), 1, s.NGPACT);
      c.range(44, itemAt("NBS", k, n), s.NBS(k, n), 1, MXSLOT);
    }
    c.range(64, itemAt("NCONN", n), s.NCONN(n), 0, MXSLOT);
    for (int k = 1; k <= s.NCONN(n); ++k) c.range(44, itemAt("ICSLOT", k, n), s.ICSLOT(k, n), 1, MXSLOT);
  }
  // Equations, unknowns and the solution method.
  c.range(47, "NEQN", s.NEQN, 1, MXEQ);
  c.range(47, "NUKN", s.NUKN, 1, MXEQ);
  c.range(47, "METHOD", s.METHOD, 1, 4);
  c.range(47, "NXYZORD", s.NXYZORD, 1, 7);
  for (auto [item, v] : {std::pair<const char*, int>{"IQW", s.IQW}, {"IQO", s.IQO}, {"IQG", s.IQG}, {"IQP", s.IQP},
                         {"ISW", s.ISW}, {"ISO", s.ISO}, {"IPO", s.IPO}, {"ISP", s.ISP}})
    c.range(42, item, v, 1, MXEQ);
  for (auto [item, v] : {std::pair<const char*, int>{"KEQO", s.KEQO}, {"KEQW", s.KEQW}, {"KEQG", s.KEQG},
                         {"KEQP", s.KEQP}})
    c.range(42, item, v, 0, MXEQ);
  // Regions and their tables.
  c.range(15, "NPVTRGN", s.NPVTRGN, 1, MXRGN);
  c.each(15, "NRPVT", s.NRPVT, s.NPVTRGN, 0, MXROW);
  c.each(15, "NPVTGN", s.NPVTGN, s.NGPACT, 1, s.NPVTRGN);
  c.range(16, "NRPOL", s.NRPOL, 0, MXROW);
  c.range(54, "NRRET", s.NRRET, 0, MXROW);
  c.range(25, "NKRRGN", s.NKRRGN, 1, MXRGN);
  c.each(25, "NRWO", s.NRWO, s.NKRRGN, 0, MXROW);
  c.each(25, "NRGO", s.NRGO, s.NKRRGN, 0, MXROW);
  c.each(25, "NKRGN", s.NKRGN, s.NGPACT, 1, s.NKRRGN);
  // Aquifer blocks and well blocks.
  c.range(7, "NAQBLK", s.NAQBLK, 0, s.NGPACT);
  c.each(7, "LAQBLK", s.LAQBLK, s.NAQBLK, 1, s.NGPACT);
  c.range(22, "NWELM2", s.NWELM2, 0, s.NGPACT);
  c.range(22, "NWELM1", s.NWELM1, 0, s.NGPACT);
  c.range(22, "NWEL0", s.NWEL0, 0, s.NGPACT);
  c.each(22, "LWELM2", s.LWELM2, s.NWELM2, 1, s.NGPACT);
  c.each(22, "LWELM1", s.LWELM1, s.NWELM1, 1, s.NGPACT);
  c.each(22, "LWEL0", s.LWEL0, s.NWEL0, 1, s.NGPACT);
  // Step counters, the times of the run and the schedule position: a time
  // that is not finite, or a negative one, would keep the loop from ever
  // reaching the halting time.
  c.range(38, "ISTEP", s.ISTEP, 0, MXSTEP);
  // Iteration counters: at most MAXIT (15) Newton iterations in each of at
  // most 15 passes of a step, MXSTEP steps.
  constexpr int kCount = 1000000000;
  c.range(38, "ITER", s.ITER, 0, kCount);
  c.range(38, "LINIT", s.LINIT, 0, kCount);
  c.range(38, "TOTITER", s.TOTITER, 0, kCount);
  c.range(38, "NPASS", s.NPASS, 0, 15);
  c.range(38, "MAXIT", s.MAXIT, 1, 15);
  c.time(37, "SIMTME", s.SIMTME, 0.0, false);
  c.time(37, "TIMUSE", s.TIMUSE, 0.0, false);
  c.time(37, "DTIME", s.DTIME, 0.0, true);
  c.time(37, "DTOLD", s.DTOLD, 0.0, false);
  c.range(48, "MUNITIN", s.MUNITIN, 1, 3);
  c.range(51, "NOWSTP", s.NOWSTP, 0, MXNOW);
  c.range(51, "NWTLIN", s.NWTLIN, 0, MXWLIN);
  // The printers' column groups follow from the grid.
  COLGRP(s);
}

namespace {

void blanksReady() {
  static bool ready = false;
  if (!ready) {
    std::memset(gBlank, ' ', sizeof gBlank);
    std::memset(gBlankPage, ' ', sizeof gBlankPage);
    ready = true;
  }
}

// Writes images to their temporary files and puts them in place while the
// run goes on: the image is laid out in a write buffer by the run itself
// (RSTPUT), then this thread writes it, syncs it to disk and renames it over
// the restart-up file to write. The run does not wait for it: while one image
// is being written, the run lays out the next in the other buffer, where it
// waits its turn; a waiting image that a newer one overtakes before it was
// begun is never written (the file is to hold the latest image, and a slow
// disk must not hold up the run). The run waits for the writing only at its
// end, when the image of its last step must be in place. The thread is
// started before the time steps (RSTPRP), so that the steps allocate nothing
// for it.
class ImageWriter {
 public:
  ~ImageWriter() {
    // An image of an accepted step that is still being written or waiting is
    // finished (as it would have been before the run went on) before the
    // program ends.
    {
      std::unique_lock<std::mutex> lk(m_);
      idle_.wait(lk, [this] { return !busy_ && !queued_; });
      quit_ = true;
    }
    work_.notify_one();
    if (thread_.joinable()) thread_.join();
  }
  void start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
  }
  bool running() const { return thread_.joinable(); }
  // The buffer the run lays out its next image in: the one not being
  // written. An image waiting in it is overtaken (never written). `idle`
  // tells that nothing is being written: the run then opens the temporary
  // file itself and hands the image over with put; otherwise it queues it.
  int take(bool& idle) {
    std::lock_guard<std::mutex> lk(m_);
    queued_ = false;
    idle = !busy_;
    return busy_ ? 1 - cur_ : 0;
  }
  // Hands over the image laid out in buffer `buf` and the open temporary
  // file `fd`, to be renamed to `target`; nothing is being written.
  void put(int buf, int fd, std::size_t used, const std::string& tmp, const std::string& target) {
    std::lock_guard<std::mutex> lk(m_);
    copyName(tmp_, tmp);
    copyName(target_, target);
    cur_ = buf;
    fd_ = fd;
    used_ = used;
    busy_ = true;
    work_.notify_one();
  }
  // Queues the image laid out in buffer `buf` behind the one being written;
  // this thread opens its temporary file when its turn comes.
  void queue(int buf, std::size_t used, const std::string& tmp, const std::string& target) {
    std::lock_guard<std::mutex> lk(m_);
    copyName(qtmp_, tmp);
    copyName(qtarget_, target);
    qbuf_ = buf;
    qused_ = used;
    queued_ = true;
    work_.notify_one();
  }
  // The errno of the first image that could not be put in place since the
  // last call (0 when none), without waiting. Given once.
  int failure() {
    std::lock_guard<std::mutex> lk(m_);
    const int err = err_;
    err_ = 0;
    return err;
  }
  // Waits until every image handed over is in place (or failed); then as
  // failure().
  int wait() {
    std::unique_lock<std::mutex> lk(m_);
    idle_.wait(lk, [this] { return !busy_ && !queued_; });
    const int err = err_;
    err_ = 0;
    return err;
  }

 private:
  static void copyName(char* to, const std::string& from) {
    const std::size_t n = std::min(from.size(), kName - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
  }
  void loop() {
    // The run's own signal handler removes the temporary files: it runs in
    // the run's thread, never in this one.
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::unique_lock<std::mutex> lk(m_);
    for (;;) {
      work_.wait(lk, [this] { return busy_ || queued_ || quit_; });
      if (!busy_ && !queued_) return;
      int openErr = 0;
      if (!busy_) {
        // The waiting image's turn: its temporary file is opened here,
        // created empty (one left by an earlier image included), so that
        // the pages of zeros left unwritten read back as zeros.
        std::memcpy(tmp_, qtmp_, kName);
        std::memcpy(target_, qtarget_, kName);
        cur_ = qbuf_;
        used_ = qused_;
        queued_ = false;
        busy_ = true;
        errno = 0;
        fd_ = ::open(tmp_, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) openErr = errno != 0 ? errno : EIO;
      }
      const int fd = fd_, buf = cur_;
      const std::size_t used = used_;
      lk.unlock();
      if (RSTWRITING) RSTWRITING();
      const int err = openErr != 0 ? openErr : finish(fd, buf, used, tmp_, target_);
      lk.lock();
      if (err_ == 0) err_ = err;
      busy_ = false;
      idle_.notify_all();
    }
  }
  static constexpr std::size_t kName = 4096;
  std::mutex m_;
  std::condition_variable work_, idle_;
  std::thread thread_;
  // busy_: buffer cur_ is being written to fd_; queued_: buffer qbuf_ waits.
  bool busy_ = false, queued_ = false, quit_ = false;
  int fd_ = -1, cur_ = 0, qbuf_ = 1, err_ = 0;
  std::size_t used_ = 0, qused_ = 0;
  char tmp_[kName] = {}, target_[kName] = {}, qtmp_[kName] = {}, qtarget_[kName] = {};

 public:
  // Buffer `buf` into the temporary file `fd` (closed here), synced,
  // renamed to `target`. On a failure the temporary file is removed and the
  // earlier image stays. Returns 0 or the errno of the failure.
  static int finish(int fd, int buf, std::size_t used, const char* tmp, const char* target) {
    int err = writeBuffered(fd, buf, used, true);
    if (err == 0 && ::fsync(fd) != 0) err = errno != 0 ? errno : EIO;
    if (::close(fd) != 0 && err == 0) err = errno != 0 ? errno : EIO;
    if (err == 0 && std::rename(tmp, target) != 0) err = errno != 0 ? errno : EIO;
    if (err != 0) std::remove(tmp);
    return err;
  }
};

ImageWriter gWriter;

// When the last image of a message step was laid out (or the run prepared).
double gLastImage = 0.0;

double imageClock() {
  if (RSTCLOCK) return RSTCLOCK();
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Lays out the image of the state in the write buffer.
void layOut(State& s, BufSink& sink) {
  blanksReady();
  ImageOut<BufSink> out(sink);
  image(s, out);
}

[[noreturn]] void imageFailed(const State& s, int err) {
  throw IoError("cannot write " + writeRole(s) + ": " + std::strerror(err) + keptNote(s));
}

// The outcome of the image being written: thrown here when it failed.
void collect(const State& s) {
  if (const int err = gWriter.wait()) imageFailed(s, err);
}

}  // namespace

void UPDATE(State& s, std::FILE* f) {
  blanksReady();
  StdioSink sink(f);
  ImageOut<StdioSink> out(sink);
  image(s, out);
  std::rewind(f);
}

void READST(State& s, std::FILE* f, const std::string& who) {
  ImageIn in(f, who);
  image(s, in);
  in.finish();
  gKeep.IRSTRT = s.IRSTRT;
  gKeep.INOUTP = s.INOUTP;
  gKeep.MUNITIN = s.MUNITIN;
  gKeep.NNOW = s.NNOW;
  gKeep.IRITE1 = s.IRITE1;
  gKeep.NWLINE = s.NWLINE;
  gKeep.DELT1 = s.DELT1;
  gKeep.SIMNEW = s.SIMNEW;
  gKeep.QOECONT = s.QOECONT;
  gKeep.WORMAXT = s.WORMAXT;
  gKeep.GORMAXT = s.GORMAXT;
  gKeep.IWLINE = s.IWLINE;
  gKeep.RWLINE = s.RWLINE;
}

int RSTMUN() { return gKeep.MUNITIN; }

bool RSTPEK(DeckReader& deck) {
  int iprtdat = 0, irstrt = 0;
  bool ok = true;
  try {
    deck.header("DATA 01E");
    deck.header("DATA 01E");
    deck.textLine("DATA 01E", "TITLE");
    deck.header("DATA 02B");
    deck.header("DATA 02B");
    ListRead r(deck, "DATA 02B");
    r.item(iprtdat, "IPRTDAT").item(irstrt, "IRSTRT");
    r.end();
  } catch (const RunError&) {
    ok = false;
  }
  deck.rewind();
  return ok && irstrt != 0;
}

void RSTRED(State& s) {
  const std::string& path = s.RUNFILE[2];
  const std::string who = readRole(s);
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw IoError("cannot read " + who + ": it is a directory");
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    const int err = errno;
    throw IoError("cannot open " + who + ": " + std::strerror(err));
  }
  try {
    READST(s, f, who);
    RSTCHK(s, who);
  } catch (...) {
    std::fclose(f);
    throw;
  }
  std::fclose(f);
}

void RSTPRP(State& s) {
  // An image of an earlier run in this process still being written is
  // finished first; its outcome belonged to that run.
  gWriter.wait();
  gLastImage = imageClock();
  fs::path target(s.RUNFILE[3]);
  const std::string who = writeRole(s);
  std::error_code ec;
  if (fs::is_directory(target, ec)) throw IoError("cannot open " + who + ": " + std::strerror(EISDIR));
  s.RSTDIR = 0;
  // A symbolic link stays a link: the image replaces the file it points to.
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path real = fs::weakly_canonical(target, ec);
    if (!ec) target = real;
  }
  const fs::file_status st = fs::status(target, ec);
  if (!ec && fs::exists(st) && !fs::is_regular_file(st)) {
    // A device or a pipe is written in place: renaming onto it would put a
    // plain file where the device was.
    s.RSTDIR = 1;
    s.RSTTMP = s.RSTTARGET = target.string();
    return;
  }
  s.RSTTARGET = target.string();
  // The temporary file lies beside the target, so that renaming it replaces
  // the target in one step on the same file system.
  std::string base(1, '.');
  base.append(target.filename().string()).append(".").append(std::to_string(::getpid())).append(".tmp");
  const fs::path tmp = target.parent_path() / base;
  // The name is this process's own: an interrupted run removes whatever
  // stands under it (never the target, and never a device written in place).
  TMPADD(tmp.string());
  errno = 0;
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) {
    const int err = errno;
    throw IoError("cannot open " + who + ": " + std::strerror(err));
  }
  std::fclose(f);
  std::remove(tmp.c_str());
  s.RSTTMP = tmp.string();
  gWriter.start();
}

void RSTPUT(State& s) {
  if (s.RSTTMP.empty()) return;  // no restart-up file to write was prepared
  // An image handed over before that could not be put in place stops the
  // run here.
  if (const int err = gWriter.failure()) imageFailed(s, err);
  const char* tmp = s.RSTTMP.c_str();
  if (s.RSTDIR == 1) {
    // A device is written here, once the images before are out.
    collect(s);
    errno = 0;
    const int d = ::open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (d < 0) {
      const int err = errno;
      throw IoError("cannot write " + writeRole(s) + ": " + std::strerror(err));
    }
    int err = 0;
    try {
      BufSink sink(false, 0);
      layOut(s, sink);
      err = writeBuffered(d, 0, sink.used(), false);
    } catch (const RunError& e) {
      ::close(d);
      throw IoError("cannot write " + writeRole(s) + ": " + e.what());
    }
    if (::close(d) != 0 && err == 0) err = errno != 0 ? errno : EIO;
    if (err != 0) throw IoError("cannot write " + writeRole(s) + ": " + std::strerror(err));
    return;
  }
  // The buffer to lay the image out in. The broken-off write of the tests
  // (and a program without the writing thread) waits for the images before.
  bool idle = true;
  int buf = 0;
  if (gWriter.running() && RSTFAIL == 0) {
    buf = gWriter.take(idle);
  } else {
    collect(s);
  }
  if (!idle) {
    // An image is being written: this one waits its turn in the other
    // buffer, and the writing thread opens its temporary file.
    BufSink sink(true, buf);
    try {
      layOut(s, sink);
    } catch (const RunError& e) {
      throw IoError("cannot write " + writeRole(s) + ": " + e.what() + keptNote(s));
    }
    gWriter.queue(buf, sink.used(), s.RSTTMP, s.RSTTARGET);
    return;
  }
  errno = 0;
  // Created empty (a temporary file left by a broken-off run included), so
  // that the pages of zeros left unwritten read back as zeros.
  const int f = ::open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (f < 0) {
    const int err = errno;
    throw IoError("cannot write " + writeRole(s) + ": its temporary file '" + s.RSTTMP + "' cannot be opened: " +
                  std::strerror(err));
  }
  BufSink sink(true, buf);
  try {
    layOut(s, sink);
  } catch (const IoError& e) {
    // The broken-off write (the test hook) leaves the records laid out so
    // far in its partial file, as a run killed while writing would.
    writeBuffered(f, buf, sink.used(), true);
    ::close(f);
    throw IoError("cannot write " + writeRole(s) + ": " + e.what() + keptNote(s));
  } catch (const RunError& e) {
    ::close(f);
    std::remove(tmp);
    throw IoError("cannot write " + writeRole(s) + ": " + e.what() + keptNote(s));
  }
  if (gWriter.running()) {
    gWriter.put(buf, f, sink.used(), s.RSTTMP, s.RSTTARGET);
  } else if (const int err = ImageWriter::finish(f, buf, sink.used(), tmp, s.RSTTARGET.c_str())) {
    imageFailed(s, err);
  }
}

void RSTMSG(State& s) {
  const double now = imageClock();
  if (now - gLastImage < RSTGAP) return;
  RSTPUT(s);
  gLastImage = now;
}

void RSTWAIT(State& s) {
  if (!s.RSTTMP.empty()) collect(s);
}

void RSTSAV(State& s) {
  RSTPUT(s);
  RSTWAIT(s);
}

void RSTSET(State& s, DeckReader& deck) {
  s.IRSTRT = gKeep.IRSTRT;
  s.INOUTP = gKeep.INOUTP;
  s.MUNITIN = gKeep.MUNITIN;

  // The deck is passed over to its schedule; its grid must be the image's.
  int grid[3] = {0, 0, 0};
  SKPDCK(deck, grid, &s);
  const int ny = grid[1] == 0 ? 1 : grid[1];
  if (grid[0] != s.NX || ny != s.NY || grid[2] != s.NZ || (grid[1] == 0) != (s.IRADIAL == 1)) {
    auto g = [](int a, int b, int c) { return std::to_string(a) + " x " + std::to_string(b) + " x " + std::to_string(c); };
    throw RunError(deck.fileName() + ": data group DATA 10B, item NX: the deck's grid " + g(grid[0], grid[1], grid[2]) +
                   " is not the grid " + g(s.NX, s.IRADIAL == 1 ? 0 : s.NY, s.NZ) + " of " + readRole(s) +
                   ": a restart continues the run that wrote the image, on its grid");
  }

  // The net thickness of the blocks is not in the image: from the deck's DZ
  // and RNTG, as the run that wrote the image had it (the oil in place per
  // unit area of the material balance and the maps is made with it).
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    s.DZNET(l) = s.DZ(l) * s.RNTG(n);
    s.HNET(n) = s.DZNET(l);
  }

  // The active neighbour table from the grid's and the active numbering.
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int L = s.IBLK(n);
    s.IAORD(n) = n;
    for (int sl = 1; sl <= MXSLOT; ++sl) {
      const int m = s.NBRG(sl, L);
      s.NBR(sl, n) = m != 0 ? s.IORD(m) : 0;
    }
  }
  // The ordered-direction numbering IJKORD is not in the image: rebuild it
  // from the block coordinates, for the nested factorization's lines and
  // planes.
  for (int L = 1; L <= s.NCELL; ++L) {
    const int i = s.ICOORD(s.IAXIS(1), L), j = s.ICOORD(s.IAXIS(2), L), k = s.ICOORD(s.IAXIS(3), L);
    if (i < 1 || i > MXDIR || j < 1 || j > MXDIR || k < 1 || k > MXDIR) {
      throw RunError(readRole(s) + " holds block coordinates outside the grid (record of ICOORD, block " +
                     std::to_string(L) + "): it is not an image this program wrote");
    }
    s.IJKORD(i, j, k) = L;
  }
  // The solver set-up: the band solvers' extents and orderings are built
  // again from the numbering (without the new run's size lines).
  if (s.METHOD == 1 || s.METHOD == 4) {
    if (s.NUSLVR == 1)
      LRBAND(s);
    else
      OLDBND(s);
  } else {
    SETSLV(s);
  }
}

void RSTSCH(State& s) {
  // The loop goes on with schedule record NOWSTP + 1 and well line
  // NWTLIN + 1: the new schedule must hold the records already run.
  long long lines = 0;
  const int last = std::min(s.NOWSTP, s.NNOW);
  for (int t = 1; t <= last; ++t) lines += s.NWLINE(t);
  if (lines != s.NWTLIN) {
    const std::string what = "the schedule does not repeat the records already run: records 1 to " +
                             std::to_string(last) + " hold " + std::to_string(lines) +
                             " well lines where the restart-up image applied " + std::to_string(s.NWTLIN) +
                             "; a restart's schedule keeps the records before the restored time and adds new ones after";
    // Named at the "NOW" line of the last record the image has run.
    const int line = last >= 1 && last <= MXNOW ? s.NOWDLN(last) : 0;
    if (line >= 1) throw RunError(s.RUNFILE[0] + ":" + std::to_string(line) + ": data group DATA 45D, item NOW: " + what);
    throw RunError("deck " + s.RUNFILE[0] + ", group DATA 45D: " + what);
  }
  // The records already run, and the one running, were applied with the
  // values the image ran with (the period's end, its limits, its well
  // lines); a changed value would be ignored without a word, so it is
  // refused. A change takes effect as a new record after the restored time.
  auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  auto refuse = [&](int t, const std::string& item, const std::string& where, const std::string& now,
                    const std::string& then) {
    const std::string what = where + " gives " + item + " = " + now + " where the restart-up image ran with " +
                             then + "; a restart's schedule repeats the records already run and the one running " +
                             "unchanged (a change takes effect as a new record after the restored time)";
    const int line = t >= 1 && t <= MXNOW ? s.NOWDLN(t) : 0;
    if (line >= 1)
      throw RunError(s.RUNFILE[0] + ":" + std::to_string(line) + ": data group DATA 45D, item " + item + ": " + what);
    throw RunError("deck " + s.RUNFILE[0] + ", group DATA 45D, item " + item + ": " + what);
  };
  const int ran = std::min(last, gKeep.NNOW);
  int m = 0;  // well lines of the records before t
  for (int t = 1; t <= ran; ++t) {
    const std::string rec = "record " + std::to_string(t);
    if (s.NWLINE(t) != gKeep.NWLINE(t))
      refuse(t, "NOW", rec, std::to_string(s.NWLINE(t)) + " well lines",
             std::to_string(gKeep.NWLINE(t)) + " well lines");
    if (s.IRITE1(t) != gKeep.IRITE1(t))
      refuse(t, "IRITE1", rec, std::to_string(s.IRITE1(t)), std::to_string(gKeep.IRITE1(t)));
    const struct {
      const char* item;
      double now, then;
    } reals[] = {{"DELT1", s.DELT1(t), gKeep.DELT1(t)},       {"SIMNEW", s.SIMNEW(t), gKeep.SIMNEW(t)},
                 {"QOECON", s.QOECONT(t), gKeep.QOECONT(t)}, {"WORMAX", s.WORMAXT(t), gKeep.WORMAXT(t)},
                 {"GORMAX", s.GORMAXT(t), gKeep.GORMAXT(t)}};
    for (const auto& r : reals)
      if (!same(r.now, r.then)) refuse(t, r.item, rec, gText(r.now), gText(r.then));
    static constexpr const char* kInt[6] = {"IWT", "IW", "JW", "KW", "IWOPC", "IWC"};
    static constexpr const char* kReal[5] = {"GW", "BHP", "QSP", "CONCPI", "CONCTI"};
    for (int k = 1; k <= s.NWLINE(t) && m + k <= MXWLIN; ++k) {
      const int w = m + k;
      const std::string where = "well line " + std::to_string(k) + " of " + rec;
      for (int i = 1; i <= 6; ++i)
        if (s.IWLINE(i, w) != gKeep.IWLINE(i, w))
          refuse(t, kInt[i - 1], where, std::to_string(s.IWLINE(i, w)), std::to_string(gKeep.IWLINE(i, w)));
      for (int i = 1; i <= 5; ++i)
        if (!same(s.RWLINE(i, w), gKeep.RWLINE(i, w)))
          refuse(t, kReal[i - 1], where, gText(s.RWLINE(i, w)), gText(gKeep.RWLINE(i, w)));
    }
    m += s.NWLINE(t);
  }
  // The report flag of the period in force.
  s.IRITEC = s.NOWSTP >= 1 && s.NOWSTP <= s.NNOW ? s.IRITE1(s.NOWSTP) : (s.NOWSTP > s.NNOW ? 1 : 0);
}

}  // namespace talvek
