// Unformatted sequential records, framed as gfortran frames them: a 4-byte
// little-endian byte count, the data, the same count again. Records of 2 GiB
// or more (gfortran's subrecords) are refused; the restart-up image never
// comes near that size.
#include "io/unformatted.h"

#include <cstring>
#include <string>

#include "io/errors.h"

namespace talvek {

namespace {

constexpr std::uint64_t kMaxRecord = 0x7fffffffULL;

void putLength(std::FILE* f, std::uint32_t n) {
  unsigned char b[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                        static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
  if (std::fwrite(b, 1, 4, f) != 4) throw RunError("write failed on an unformatted file");
}

bool getLength(std::FILE* f, std::uint32_t& n) {
  unsigned char b[4];
  const std::size_t got = std::fread(b, 1, 4, f);
  if (got == 0) return false;
  if (got != 4) throw RunError("unformatted file ends inside a record marker");
  n = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
      static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return true;
}

}  // namespace

void RecordWriter::begin() {
  if (!f_) throw RunError("unformatted write to a file that is not open");
  start_ = std::ftell(f_);
  if (start_ < 0) throw RunError("unformatted write: the file position cannot be taken");
  len_ = 0;
  putLength(f_, 0);  // placeholder, patched by end()
}

void RecordWriter::put(const void* data, std::size_t bytes) {
  if (bytes == 0) return;
  if (len_ + bytes > kMaxRecord) throw RunError("unformatted record longer than 2 GiB");
  if (std::fwrite(data, 1, bytes, f_) != bytes) throw RunError("write failed on an unformatted file");
  len_ += bytes;
}

void RecordWriter::end() {
  const auto n = static_cast<std::uint32_t>(len_);
  putLength(f_, n);
  const long after = std::ftell(f_);
  if (after < 0 || std::fseek(f_, start_, SEEK_SET) != 0) {
    throw RunError("unformatted write: the file cannot be positioned");
  }
  putLength(f_, n);
  if (std::fseek(f_, after, SEEK_SET) != 0) throw RunError("unformatted write: the file cannot be positioned");
}

std::size_t RecordReader::begin() {
  if (!f_) throw RunError("unformatted read from a file that is not open");
  std::uint32_t n = 0;
  if (!getLength(f_, n)) throw RunError("unformatted read past the end of the file");
  if (n > kMaxRecord) throw RunError("unformatted record marker " + std::to_string(n) + " is not valid");
  len_ = left_ = n;
  return len_;
}

void RecordReader::get(void* data, std::size_t bytes) {
  if (bytes > left_) {
    throw RunError("unformatted read of " + std::to_string(bytes) + " bytes past the end of a record of " +
                   std::to_string(len_) + " bytes");
  }
  if (bytes && std::fread(data, 1, bytes, f_) != bytes) throw RunError("unformatted file ends inside a record");
  left_ -= bytes;
}

void RecordReader::end() {
  if (left_ && std::fseek(f_, static_cast<long>(left_), SEEK_CUR) != 0) {
    throw RunError("unformatted file ends inside a record");
  }
  left_ = 0;
  std::uint32_t n = 0;
  if (!getLength(f_, n)) throw RunError("unformatted file ends before the record's closing marker");
  if (n != len_) {
    throw RunError("unformatted record markers disagree (" + std::to_string(len_) + " and " + std::to_string(n) +
                   " bytes)");
  }
}

}  // namespace talvek
