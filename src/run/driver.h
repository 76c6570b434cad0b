// The run driver: start-up, the pre-read of the deck head, the new-run
// set-up, the schedule, the time-step loop and the end of the run.
#pragma once

#include <string>
#include <string_view>

#include "state/state.h"

namespace talvek {

class DeckReader;

inline constexpr const char* kVersion = "1.16";

// Runs one whole simulation. `names` holds the four file names (input deck,
// output listing, restart-up file to read, restart-up file to write) when
// they were given on the command line; when it is null the console prompt is
// written and the answer line is read from standard input. The names are
// checked (CHKNAM) and the deck checked (RDDECK) before anything is written.
// Returns normally also when a step failed fifteen times (ITERM = 1); the
// listing files of the run then have their names as after any ended run.
void MAIN(State& s, const std::string* names);

// Start-up: processor time, start values of the state.
void STARTUP(State& s);
// The console banner; with `prompt` also the prompt and its example line.
void BANNER(State& s, bool prompt);
// Splits one answer line into at most four names (commas or blanks separate
// them, a quoted name may hold blanks, a lone slash ends the list). Names not
// given stay empty. Returns the number of names found.
int ANSWER(std::string_view line, std::string names[4]);
// Splits an answer line like ANSWER but into at most `max` names; a count
// above four means the line names more files than the run has.
int ANSWRN(std::string_view line, std::string* names, int max);
// Takes the four names into the state.
void SETNAMES(State& s, const std::string names[4]);
// The roles of the four names, as messages name them: "input deck",
// "listing", "restart-up file to read", "restart-up file to write".
const char* ROLE(int i);
// Checks the four names before anything is opened for writing: all four
// given, no two of them the same file, and none of them one of the listing
// files the run writes in the current directory (in the output folder of
// `opts`, which also adds the result files it asks for). Throws UsageError.
void CHKNAM(const std::string names[4], const RunOptions& opts = {});
// Checks that the input deck can be read and is text, scanning it in pieces:
// IoError when it cannot be opened or read (a directory says so), RunError
// when it holds a byte that no text deck holds.
void RDDECK(const std::string& path);
// The text check of RDDECK on one piece of the deck: `line` is the number of
// the line the piece starts in and is carried on past its line ends. Throws
// RunError naming `who` at the first byte that no text deck holds.
void TXTSCN(std::string_view piece, long long& line, const std::string& who);
// Creates the output folder of --output-dir when it is missing (IoError
// when it cannot be made).
void OUTDIR(State& s);
// --check: the schedule is checked as the loop would check it before its
// first step, then the run ends without a step (CHKEND).
void CHKRUN(State& s);
// The run of an opened deck up to its schedule: the restart-up image read
// when the deck asks for a restart, the output folder, the listing, the deck
// head, the new-run set-up or the restored state, and the schedule.
void RUNSET(State& s, DeckReader& deck);
// The schedule run by the time-step loop, the restart-up image written and
// the end of the run (ENDRUN).
void RUNSCH(State& s);
// Opens the listing and the restart-up file to write, writes the listing banner.
void OPENUP(State& s);
// Reads the title and groups 2 to 5 of the deck head; keeps what a restart needs.
void PRERED(State& s, DeckReader& deck);
// Restart: the held-back deck head checked as the deck reader checks it in a
// new run (a positive DELT for the first step, output units, fit points,
// step limits and change targets) and its input units against the image's;
// DeckError naming the line, group, item.
void RSTHCK(const State& s, const DeckReader& deck);
// Copies the deck image into the listing (IPRTDAT = 1).
void DCKIMG(State& s, DeckReader& deck);
// The new-run set-up, from INPUT(0) to the first listing-file records.
void NEWRUN(State& s, DeckReader& deck);
// The restart branch: the state restored from the restart-up file, then the
// run-control values of the new deck's head (RSTHED) and the deck positioned
// at its schedule.
void RESTRT(State& s, DeckReader& deck);
// After the restored state: the held-back deck head replaces the run-control
// values, unit factors, step counters, the restart banner, and the
// equispaced fits rebuilt when IQUAD or NINTBLE changed.
void RSTHED(State& s);
// End of the run: final report, summaries, processor times, closing line.
void ENDRUN(State& s);

// Pieces of the new-run set-up, in their order.
void CPLOG(State& s);     // polymer viscosity table concentrations to natural logarithms
void NEWLIM(State& s);    // Newton change limits DXREF, DXMAX, DELRS2
void FIXSAT(State& s);    // SFIXED: saturations of the phases whose equation is off
void AQLIST(State& s);    // the aquifer-block list and its initial pressures
void RUNCTR(State& s);    // run-time counters of a new run

// A value as the text of a message: G14.6 without its surrounding blanks.
std::string msgNum(double v);

}  // namespace talvek
