// The one error type of the I/O layer.
//
// Anything that stops a run for bad input or an I/O failure throws RunError;
// main prints what() as "talvek: error: ...", flushes and closes the files and
// exits with a non-zero status.
#pragma once

#include <stdexcept>
#include <string>

namespace talvek {

class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A fault in the input deck: names the deck file, the line, the data group
// label (for example "DATA 10B") and the item being read.
class DeckError : public RunError {
 public:
  DeckError(std::string file, int line, std::string group, std::string item, const std::string& what);
  const std::string file;
  const int line;
  const std::string group;
  const std::string item;
};

}  // namespace talvek
