// The well schedule of the deck (group 45).
#pragma once

namespace talvek {

struct State;
class DeckReader;

// Reads group 45 from the current position of the deck: the schedule
// records, each a "NOW" line followed by its well lines, up to the zero
// "NOW" line. Stores NNOW, the per-record values and all well lines with the
// active number of each well block. Checks (warnings) and progress lines are
// written while the debugging facility is on.
//
// Needs NX, NY, NZ, NGPACT, LBLOCK and IORD. A well in an inactive block is
// stored with active number 0. Stops with DeckError when there are more than
// 100 records or 20000 well lines, or when a well line addresses a block
// outside the grid (JW = 0 included).
void READSC(State& s, DeckReader& deck);

// Positions the deck at the header lines of group 45 by passing over groups
// 1 to 44 of a complete deck without storing anything, as a restart run
// needs: it takes its state from the restart-up file but its schedule from
// the deck. Starts from the first line of the deck whatever the current
// position. The grid size and the region counts that shape groups 11 to 41
// are taken from the deck's own group 10; when `grid` is given it receives
// the deck's NX, NY and NZ as read (NY = 0 for a radial grid).
//
// With `net`, a state restored from a restart-up image whose grid is the
// deck's: the block heights DZ (group 16) and the net-to-gross ratios RNTG
// (group 32), which the image does not hold, are read into it by the array
// readers of a new run, without debugging lines or warnings (the run that
// wrote the image gave them).
void SKPDCK(DeckReader& deck, int* grid = nullptr, State* net = nullptr);

}  // namespace talvek
