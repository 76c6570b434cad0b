// The command line of the talvek program: the options and the file names.
#pragma once

#include <string>
#include <vector>

#include "report/results_state.h"

namespace talvek {

struct CmdLine {
  RunOptions opts;
  std::vector<std::string> names;  // the file names, in order
  bool help = false, version = false;
  std::string error;  // not empty when the command line is wrong
};

// Splits the arguments (without the program name) into options and file
// names. Options may stand anywhere; "--output-dir DIR" and
// "--output-dir=DIR" are the same; "--" ends the options.
CmdLine CMDLIN(const std::vector<std::string>& args);

}  // namespace talvek
