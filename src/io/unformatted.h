// Unformatted sequential records with gfortran's framing: a 4-byte
// little-endian length before and after each record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace talvek {

class RecordWriter {
 public:
  explicit RecordWriter(std::FILE* f) : f_(f) {}
  void begin();                                // start a record
  void put(const void* data, std::size_t bytes);  // append to it
  void end();                                  // frame and write it
 private:
  std::FILE* f_;
  long start_ = 0;
  std::uint64_t len_ = 0;
};

class RecordReader {
 public:
  explicit RecordReader(std::FILE* f) : f_(f) {}
  // Starts the next record; returns its length; throws RunError at end of file.
  std::size_t begin();
  void get(void* data, std::size_t bytes);  // throws when past the record
  void end();                               // skips the rest, checks the trailer
 private:
  std::FILE* f_;
  std::size_t left_ = 0, len_ = 0;
};

}  // namespace talvek
