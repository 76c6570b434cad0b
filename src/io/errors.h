// The error types that stop a run.
//
// Anything that stops a run for bad input throws RunError (or DeckError);
// an input/output failure throws IoError, a file name that cannot be used
// UsageError. main prints what() as "talvek: error: ...", flushes and closes
// the files and exits with the status of the kind of failure.
#pragma once

#include <stdexcept>
#include <string>

namespace talvek {

// A value in a message, as printf's %g writes it (50, 0.15, 1e+30, nan).
std::string gText(double v);

class RunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that could not be opened, read or written; the message names the
// file's role and gives the system's reason.
class IoError : public RunError {
 public:
  using RunError::RunError;
};

// File names that cannot be used as given (missing, surplus, or naming one
// file twice), found before anything is written.
class UsageError : public RunError {
 public:
  using RunError::RunError;
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
