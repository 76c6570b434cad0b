// talvek: the command line and the console dialogue, then the run driver.
//
//   talvek                                  prompts for the four file names
//   talvek DECK LISTING RST_IN RST_OUT      takes them from the command line
//   talvek --help | --version

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "io/errors.h"
#include "io/units.h"
#include "run/driver.h"
#include "state/state.h"

namespace {

void usage(std::FILE* f) {
  std::fprintf(f,
               "usage: talvek [DECK LISTING RST_IN RST_OUT]\n"
               "       talvek --help | --version\n"
               "\n"
               "TALVEK simulates water, oil, gas and polymer-solution flow in a 3-D or r-z\n"
               "reservoir grid, fully implicitly, as the input deck describes.\n"
               "\n"
               "With no arguments the program prompts for the four file names and reads\n"
               "them from one line of standard input, separated by commas or blanks:\n"
               "  input.txt,output.lis,rstr1.txt,rstr2.txt\n"
               "With arguments the same four names are taken from the command line:\n"
               "  DECK     the input deck (read)\n"
               "  LISTING  the output listing (written)\n"
               "  RST_IN   the restart-up file a restart run reads\n"
               "  RST_OUT  the restart-up file of this run\n"
               "The run also writes res.lis, weld.lis, well.lis, pvt.lis, krp.lis,\n"
               "resmat.lis and rokmat.lis in the current directory.\n"
               "\n"
               "Exit status: 0 when the run reached its end, 1 when it was stopped by bad\n"
               "input or an input/output failure, 2 for a wrong command line.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string names[4];
  bool fromArgs = false;
  if (argc >= 2) {
    const char* a = argv[1];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      usage(stdout);
      return 0;
    }
    if (std::strcmp(a, "--version") == 0) {
      std::printf("talvek %s\n", talvek::kVersion);
      return 0;
    }
    for (int i = 1; i < argc; ++i) {
      if (argv[i][0] == '-' && argv[i][1] == '-') {
        std::fprintf(stderr, "talvek: error: unknown option '%s'\n", argv[i]);
        usage(stderr);
        return 2;
      }
    }
    if (argc != 5) {
      std::fprintf(stderr, "talvek: error: expected four file names (DECK LISTING RST_IN RST_OUT), got %d\n", argc - 1);
      usage(stderr);
      return 2;
    }
    for (int i = 0; i < 4; ++i) names[i] = argv[i + 1];
    fromArgs = true;
  }

  std::unique_ptr<talvek::State> sp;
  try {
    sp = talvek::makeState();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "talvek: error: cannot allocate the simulation state: %s\n", e.what());
    return 1;
  }
  talvek::State& s = *sp;
  try {
    talvek::MAIN(s, fromArgs ? names : nullptr);
  } catch (const std::exception& e) {
    const std::string msg = std::string("talvek: error: ") + e.what();
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", msg.c_str());
    try {
      if (s.units.isOpen(s.IOUT)) {
        s.units.writeLine(s.IOUT, "");
        s.units.writeLine(s.IOUT, " " + msg);
      }
    } catch (...) {
      // The listing itself failed: the message is already on standard error.
    }
    s.units.flushAll();
    s.units.closeAll();
    return 1;
  }
  return 0;
}
