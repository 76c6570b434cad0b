// talvek: the command line and the console dialogue, then the run driver.
//
//   talvek                                  prompts for the four file names
//   talvek DECK LISTING RST_IN RST_OUT      takes them from the command line
//   talvek --help | --version

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "io/cleanup.h"
#include "io/errors.h"
#include "io/units.h"
#include "report/listing.h"
#include "report/results.h"
#include "run/cliopts.h"
#include "run/driver.h"
#include "state/state.h"

namespace {

void usage(std::FILE* f) {
  std::fprintf(f,
               "usage: talvek [DECK LISTING RST_IN RST_OUT]\n"
               "       talvek OPTION... [DECK LISTING RST_IN RST_OUT]\n"
               "       talvek --help | --version\n"
               "\n"
               "TALVEK simulates water, oil, gas and polymer-solution flow in a 3-D or r-z\n"
               "reservoir grid, fully implicitly, as the input deck describes.\n"
               "\n"
               "Without file names the program prompts for the four file names and reads\n"
               "them from one line of standard input, separated by commas or blanks:\n"
               "  input.txt,output.lis,rstr1.txt,rstr2.txt\n"
               "With arguments the same four names are taken from the command line:\n"
               "  DECK     the input deck (read)\n"
               "  LISTING  the output listing (written)\n"
               "  RST_IN   the restart-up file a restart run reads\n"
               "  RST_OUT  the restart-up file of this run\n"
               "The run also writes the listing files res.lis, weld.lis, well.lis, pvt.lis,\n"
               "krp.lis, resmat.lis and rokmat.lis in the current directory. They are written\n"
               "under provisional names and replace those of an earlier run only when the run\n"
               "ends; a run stopped by an error leaves the earlier ones as they were.\n"
               "\n"
               "Options (they add to what a run writes; without them the console, the listing\n"
               "and the listing files are the same; they work with both forms):\n"
               "  --output-dir DIR  write the seven listing files (and the files below) in DIR,\n"
               "                    created when missing, instead of the current directory\n"
               "  --quiet           no Newton iteration lines and no per-step lines on the console\n"
               "  --progress        a progress line on standard error: one updating line on a\n"
               "                    terminal, else one line per report step\n"
               "  --csv             also write results.csv (one row per accepted step) and\n"
               "                    wells.csv (one row per well block per step)\n"
               "  --summary         the end-of-run summary on the console and at the end of\n"
               "                    the listing (recovery, cumulatives, breakthrough times,\n"
               "                    iteration counts, wall time)\n"
               "  --check           read the deck, build the initial state, write the initial\n"
               "                    report to the listing and stop without running the schedule\n"
               "With --output-dir, --csv or --summary the summary is also written to\n"
               "summary.txt next to the listing files.\n"
               "\n"
               "File names: all four must be given, no two of them may be the same file\n"
               "(compared after resolving links), and none may be one of the seven listing\n"
               "files (or results.csv, wells.csv, summary.txt when they are written) of the\n"
               "current directory, or of DIR with --output-dir. Names that break these rules\n"
               "are refused before anything is written.\n"
               "\n"
               "Exit status:\n"
               "  0  the run reached its halting time\n"
               "  1  bad input: the deck has an error (the message names the deck file, the\n"
               "     line, the data group and the item) or is not a text deck\n"
               "  2  wrong command line or answer line, or refused file names\n"
               "  3  a time step failed fifteen times: the run ended early, with its final\n"
               "     report, at the time given on standard error\n"
               "  4  a file could not be opened, read or written (the system's reason is given)\n");
}

constexpr int kStatusDone = 0;      // the halting time was reached
constexpr int kStatusBadInput = 1;  // the deck has an error
constexpr int kStatusUsage = 2;     // wrong command line or answer, refused file names
constexpr int kStatusCut = 3;       // a step failed fifteen times
constexpr int kStatusIo = 4;        // a file could not be opened, read or written

// The message of a run stopped by an error, to standard error and at the end
// of the listing (when it is open), then everything written so far flushed.
void report(talvek::State& s, const char* what) {
  const std::string msg = std::string("talvek: error: ") + what;
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", msg.c_str());
  try {
    if (s.units.isOpen(s.IOUT)) {
      s.units.writeLine(s.IOUT, "");
      s.units.writeLine(s.IOUT, " " + msg);
    }
    s.units.flushAll();
  } catch (...) {
    // The listing itself failed: the message is already on standard error.
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double wall0 = talvek::WALLCK();
  const talvek::CmdLine cl = talvek::CMDLIN(std::vector<std::string>(argv + 1, argv + argc));
  if (!cl.error.empty()) {
    std::fprintf(stderr, "talvek: error: %s\n", cl.error.c_str());
    usage(stderr);
    return kStatusUsage;
  }
  if (cl.help) {
    usage(stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("talvek %s\n", talvek::kVersion);
    return 0;
  }
  // An interrupted run removes the files it writes under provisional names.
  talvek::SIGSET();
  std::string names[4];
  bool fromArgs = false;
  if (!cl.names.empty()) {
    if (cl.names.size() != 4) {
      std::fprintf(stderr, "talvek: error: expected four file names (DECK LISTING RST_IN RST_OUT), got %d\n",
                   static_cast<int>(cl.names.size()));
      usage(stderr);
      return kStatusUsage;
    }
    for (int i = 0; i < 4; ++i) names[i] = cl.names[static_cast<std::size_t>(i)];
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
  s.OPTS = cl.opts;
  s.WALL0 = wall0;
  int status = kStatusBadInput;
  try {
    talvek::MAIN(s, fromArgs ? names : nullptr);
    if (s.ITERM == 0) return kStatusDone;
    // Ended by fifteen failed attempts of one step: the final report is
    // written, but the run fell short of its halting time.
    std::fflush(stdout);
    std::fprintf(stderr,
                 "talvek: error: step %d failed fifteen times: the run stopped at time %s, short of its halting "
                 "time %s\n",
                 s.ISTEP, talvek::msgNum(s.TIMUSE).c_str(), talvek::msgNum(s.TMSTOP).c_str());
    return kStatusCut;
  } catch (const talvek::UsageError& e) {
    status = kStatusUsage;
    report(s, e.what());
  } catch (const talvek::IoError& e) {
    status = kStatusIo;
    report(s, e.what());
  } catch (const std::exception& e) {
    report(s, e.what());
  }
  s.units.closeAll();
  // The listing files of this run are incomplete: those of an earlier run stay.
  talvek::LISDRP(s);
  talvek::RESDRP(s);
  return status;
}
