// Restart-up files: the binary image of the whole state after an accepted
// step (UPDATE writes it, READST reads it back), and the pieces of run
// control around them: reading the image before anything of a restart run is
// written, writing it during the run so that the file always holds the
// latest accepted state, and rebuilding what the image does not carry.
//
// The image is 66 unformatted records of fixed length (RSTLEN): every array
// at its full declared size, whatever the deck's grid.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "state/state.h"

namespace talvek {

class DeckReader;

inline constexpr int NRSREC = 66;  // records of one image

// Length in bytes of record `rec` (1..66) of the image.
std::size_t RSTLEN(int rec);

// Writes records 1 to 66 from the state to `f` (open for binary writing),
// then rewinds it, so that a second call writes the image over the first.
void UPDATE(State& s, std::FILE* f);
// Reads records 1 to 66 from `f`, positioned at its start, into the state.
// `who` names the file in messages. A file that ends early, has a record of
// another length or is not framed as an image stops with RunError naming the
// file and the record. Leaves the file open and positioned after the image.
void READST(State& s, std::FILE* f, const std::string& who);
// The input unit system (MUNITIN) of the image READST read last.
int RSTMUN();

// True when the deck's group 2 asks for a restart (IRSTRT != 0). A deck head
// that cannot be read gives false: the driver's own pre-read then reports it.
bool RSTPEK(DeckReader& deck);
// The counts, index lists and times of a state read back by READST, checked
// against the limits of the tables and against each other (the grid and its
// numbering, the neighbour and connection lists, equations, regions, table
// sizes, aquifer and well lists, fits, step and schedule position). Throws
// RunError naming `who`, the item, its value and its record for an image no
// run of this program wrote. Rebuilds the printers' column groups.
void RSTCHK(State& s, const std::string& who);
// Restart run, before anything is written: opens the restart-up file to read
// (IoError when it cannot be opened), READST, RSTCHK, closes it.
void RSTRED(State& s);
// Start of every run: the name of the temporary file beside the restart-up
// file to write, and a check that it can be created there (IoError naming
// the restart-up file to write). The file to write itself is not touched.
void RSTPRP(State& s);
// Writes the image of the present state: into the temporary file, which then
// replaces the restart-up file to write. A failure leaves the earlier image
// in place and throws IoError.
void RSTSAV(State& s);
// The same, but the image, once laid out in memory, is written and put in
// place while the run goes on; a failure of it is thrown by a later RSTPUT
// or by RSTSAV. While an image is being written the next one waits its turn,
// and a waiting image overtaken by a newer one is never written. A device is
// written before it returns.
void RSTPUT(State& s);
// At a step whose completion message is written: the image of that step
// (RSTPUT), unless the last one was laid out less than RSTGAP seconds ago
// (the run's preparation counting as the first). The image follows the run
// to protect it from being killed; laying out and writing 22 million bytes
// many times a second would cost a fast run a tenth of its time for images
// that are replaced at once. The image of the run's end is always written
// (RSTSAV).
void RSTMSG(State& s);
constexpr double RSTGAP = 1.0;
// Waits until the images RSTPUT handed over are in place; IoError when one
// could not be put in place.
void RSTWAIT(State& s);
// After the restored state and the new deck's head: the rebuilt connection
// numbering and band set-up, the new deck's grid checked against the image,
// and the deck positioned at its schedule.
void RSTSET(State& s, DeckReader& deck);
// After the new schedule is read: checks that it repeats the records already
// run and restores the report flag of the current schedule period.
void RSTSCH(State& s);

// Test hook: when positive, RSTSAV fails after writing that many records
// (as a run killed while writing would leave the temporary file).
extern int RSTFAIL;
// Test hook: when set, called by the thread that writes the images during
// the run, before it writes each one.
extern void (*RSTWRITING)();
// Test hook: when set, the clock RSTMSG reads (seconds) instead of the
// monotonic clock.
extern double (*RSTCLOCK)();

}  // namespace talvek
