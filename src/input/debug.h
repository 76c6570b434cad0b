// The input-debugging facility: the messages the deck reader writes to the
// output listing while IPRTDAT = 1, so that a user whose run stopped on bad
// input can find the last line read well and the values out of range.
//
// Every writer writes to s.IOUT only when s.IPRTDAT == 1 and does nothing
// otherwise. `group` is the group number 1..45 (selects the label of GRPLAB);
// a warning prints the VARNAM cell (row, col), row defaulting to the group.
// Counters are printed right-aligned in the widths of the messages.
#pragma once

#include "state/state.h"

namespace talvek {

// Entry to INPUT: the range-table settings and rows 11 to 37, 48 and 49 of
// VARNAM.
void setInputTables(State& s);

// The debugging banner followed by its two empty lines.
void dbgBanner(State& s);
// A line holding a single blank.
void dbgBlank(State& s);

// End of a group, of a rock-region table, of a PVT-region table (or of a
// line of group 41).
void dbgGroupEnd(State& s, int group);
void dbgGroupEndRock(State& s, int group, int ireg);
void dbgGroupEndPvt(State& s, int group, int ireg);

// Progress lines: a table row (groups 43, 44), a rock-table row, a PVT-table
// row, a region line of an array group, a schedule "NOW" line, a well line.
void dbgTableRow(State& s, int group, int iline);
void dbgRockRow(State& s, int group, int ireg, int iline);
void dbgPvtRow(State& s, int group, int ireg, int iline);
void dbgRegionLine(State& s, int group, int iline);
void dbgNowLine(State& s, int group, double simnew);
void dbgWellLine(State& s, int group, int iwell);

// Warnings: a value of a fixed-list group, of a table row or region line, of
// a whole array (count values out of range), of a schedule "NOW" line, of a
// well line. The name printed is VARNAM(row, col).
void warnFixed(State& s, int group, int col);
void warnFixed(State& s, int group, int row, int col);
void warnLine(State& s, int group, int col, int iline);
void warnLine(State& s, int group, int row, int col, int iline);
void warnArray(State& s, int group, int col, int count);
void warnNowLine(State& s, int row, int col, int iline);
void warnWellLine(State& s, int row, int col, int iwell);

}  // namespace talvek
