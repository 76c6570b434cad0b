// State of the optional outputs of a run, beyond the system's own: the
// command-line options that ask for them, the result tables (results.csv,
// wells.csv), the progress line, and what the end-of-run summary gathers
// while the run goes on (counters and breakthrough times per well block).
#pragma once

#include <string>

#include "state/farray.h"
#include "state/limits.h"

namespace talvek {

// Options given on the command line besides the four file names. Without
// any of them the run writes exactly what the system writes.
struct RunOptions {
  std::string OUTDIR;     // folder of the listing files and result files ("" = current folder)
  bool QUIET = false;     // no Newton iteration lines and no per-step lines on the console
  bool PROGRESS = false;  // a progress line on standard error
  bool CSV = false;       // results.csv and wells.csv
  bool CHECK = false;     // read the deck, build the initial state, write the initial report, stop
  bool SUMMARY = false;   // the end-of-run summary on the console and at the end of the listing
  // At most this many time steps in this run, then the run ends as at its
  // halting time (0: no bound). Not a command-line option: it bounds the
  // runs of decks made up by the fuzz tests.
  int MAXSTP = 0;
  // True when summary.txt is written: an output folder, the result tables
  // or the summary was asked for.
  bool summaryFile() const { return !OUTDIR.empty() || CSV || SUMMARY; }
};

// Thresholds of the breakthrough times of the end-of-run summary.
inline constexpr double BTWCUT = 0.01;  // aqueous cut (water + polymer solution over liquid)
inline constexpr double BTGORF = 1.1;   // GOR over the block's initial solution gas-oil ratio
inline constexpr double BTCFRC = 0.01;  // polymer or tracer concentration over the largest injected

struct ResultsState {
  RunOptions OPTS;
  // Wall-clock start of the run (seconds of a steady clock).
  double WALL0 = 0;
  // The result tables are open (units ICSVR and ICSVW).
  int CSVOPD = 0;
  // Counters over the run: failed attempts (cuts), linear iterations of the
  // accepted passes.
  int NCUTS = 0;
  long LINSUM = 0;
  // Progress line: 1 while an updating line on a terminal is unfinished.
  int PRGOPN = 0;
  // Breakthrough bookkeeping per active block: 1 once the block produced;
  // the step and time of the first step over each threshold (0 / -1 while
  // none): water cut, gas-oil ratio, polymer, tracer.
  int BTINIT = 0;
  // 1 in a restart run (its state came from a restart-up image).
  int RSTRUN = 0;
  // The step number and Newton iteration count the run started from (those
  // of the image in a restart run, 0 in a new run): the summary counts the
  // steps and iterations of this run, as it counts its cuts and linear
  // iterations.
  int ISTEPA = 0;
  int ITERA = 0;
  FArray<int, MXBLK> BTPRD;
  FArray<int, 4, MXBLK> BTSTEP;
  FArray<double, 4, MXBLK> BTTIME;
  // 1 where the threshold was already passed at the first step of a restart
  // run: it may have been passed in the run that wrote the image.
  FArray<int, 4, MXBLK> BTEARLY;
  FArray<double, MXBLK> RSINI;  // solution gas-oil ratio of the block at the start of the run
  double CPIMAX = 0, CTIMAX = 0;  // largest injected polymer and tracer concentrations so far (ppm)
};

}  // namespace talvek
