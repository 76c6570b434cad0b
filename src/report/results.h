// Outputs a run writes only when the command line asks for them: the result
// tables results.csv and wells.csv (--csv), the progress line (--progress),
// the end-of-run summary (--summary; summary.txt also with --output-dir or
// --csv), and the end of a deck check (--check).
//
// results.csv: one row per accepted step; wells.csv: one row per well block
// per accepted step, wells in the order of "weld.lis". The first row names
// every column as "name [unit]" in the output unit system; numbers are
// written with 17 significant digits; a ratio whose divisor is zero is an
// empty field. Rates and cumulatives of the field are positive numbers, for
// production and for injection alike; well rates are signed as the well model
// keeps them (positive out of the reservoir, negative into it).
//
// Breakthrough at a producing well block is the first accepted step at which
//   water:   the aqueous cut (water + polymer solution over liquid) > BTWCUT
//   gas:     the gas-oil ratio > BTGORF x the block's initial solution ratio
//   polymer: the block's polymer concentration > BTCFRC x the largest injected
//   tracer:  the block's tracer concentration > BTCFRC x the largest injected
#pragma once

#include <string>
#include <vector>

#include "state/state.h"

namespace talvek {

// The result files, in the output folder.
inline constexpr const char* RESNAM[3] = {"results.csv", "wells.csv", "summary.txt"};

// Seconds of a steady wall clock.
double WALLCK();
// Before the first step: opens the result tables asked for, under
// provisional names, and writes their header rows.
void RESOPN(State& s);
// After the time-step report of every accepted step (before "res.lis"
// clips its ratios): the result rows, the breakthrough bookkeeping, the
// run counters and the progress line. Allocates nothing.
void RESSTP(State& s);
// End of a run, after the listing files have their names: the summary
// where asked for, then the result tables take their names.
void RESEND(State& s);
// A run stopped by an error: the provisional result tables are removed.
void RESDRP(State& s);
// End of a deck check (--check): a closing line on the console and in the
// listing, the files closed; the listing files of the check are dropped, so
// those of an earlier run stay.
void CHKEND(State& s);
// The lines of the end-of-run summary; `wall` is the wall time in seconds.
std::vector<std::string> RUNSUM(const State& s, double wall);

}  // namespace talvek
