// The deck warnings written while a WarningCapture lives, line by line,
// instead of on standard error. The counts of warnings made before it are
// dropped first, so that repeated-warning counts start afresh.
#pragma once

#include <string>
#include <vector>

#include "io/warnings.h"

namespace talvek::testing {

class WarningCapture {
 public:
  WarningCapture() {
    setDeckWarningSink([](const std::string&) {});
    flushDeckWarnings();
    setDeckWarningSink([this](const std::string& l) { lines_.push_back(l); });
  }
  WarningCapture(const WarningCapture&) = delete;
  WarningCapture& operator=(const WarningCapture&) = delete;
  ~WarningCapture() {
    flushDeckWarnings();
    setDeckWarningSink({});
  }
  // The lines so far, the counts of repeated warnings included.
  const std::vector<std::string>& lines() {
    flushDeckWarnings();
    return lines_;
  }

 private:
  std::vector<std::string> lines_;
};

}  // namespace talvek::testing
