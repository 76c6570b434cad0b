// The input-debugging facility: the messages the deck reader writes to the
// output listing while IPRTDAT = 1, so that a user whose run stopped on bad
// input can find the last line read well and the values out of range.
//
// Every writer writes to s.IOUT only when s.IPRTDAT == 1 and does nothing
// otherwise. `group` is the group number 1..45 (selects the label of GRPLAB);
// a warning prints the VARNAM cell (row, col), row defaulting to the group.
// Counters are printed right-aligned in the widths of the messages.
#pragma once

#include <string>
#include <string_view>

#include "io/deck.h"
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

// Warnings: a value of a fixed-list group, of a table row, of an array
// region line (the value and its range), of a whole array (count values out
// of range lo..hi), of a schedule "NOW" line, of a well line. The listing
// line (facility on) prints VARNAM(row, col); whether the facility is on or
// not, the same warning goes to standard error as one line naming the deck,
// its current line, the group and the item (io/warnings.h), then the value
// read and what it breaks: "<value>[ in <line>] is out of range<range>",
// with <range> made by rangeText or ruleText.
void warnFixed(State& s, const DeckReader& deck, int group, int col, double value, const std::string& range);
void warnFixed(State& s, const DeckReader& deck, int group, int row, int col, double value,
               const std::string& range);
// The same, naming deck line `line` (where the value stands) on standard
// error instead of the current one.
void warnFixedAt(State& s, const DeckReader& deck, int line, int group, int row, int col, double value,
                 const std::string& range);
void warnLine(State& s, const DeckReader& deck, int group, int col, int iline, double value,
              const std::string& range);
void warnLine(State& s, const DeckReader& deck, int group, int row, int col, int iline, double value,
              const std::string& range);
// `note`, when given, follows the standard-error text after "; ": what the
// reader made of the values.
void warnRegionLine(State& s, const DeckReader& deck, int group, int col, int iline, double value, double lo,
                    double hi, std::string_view note = {});
void warnArray(State& s, const DeckReader& deck, int group, int col, int count, double lo, double hi,
               std::string_view note = {});
void warnNowLine(State& s, const DeckReader& deck, int row, int col, int iline, double value,
                 const std::string& range);
// `listed` false keeps the warning off the listing: a value the facility's
// own range lets pass that is still wrong for the well line (standard error
// only).
void warnWellLine(State& s, const DeckReader& deck, int row, int col, int iwell, double value,
                  const std::string& range, bool listed = true);
// The range part of those warnings: " lo to hi", followed by " (note)" when
// a note is given; or the rule the value breaks, ": rule".
std::string rangeText(double lo, double hi, std::string_view note = {});
std::string ruleText(std::string_view rule);
// A number as the warnings print it: in full when whole (below 1.0E15 in
// size), otherwise to six significant digits.
std::string warnNum(double v);
// The listing line of warnLine alone.
void writeWarnLine(State& s, int group, int row, int col, int iline);

// A group's first header line whose first two words have the form of a group
// label ("DATA", two digits and a letter) but name another group than
// `group`: a warning on standard error naming both labels and the line.
void checkHeaderLabel(const State& s, const DeckReader& deck, int group, std::string_view line);

}  // namespace talvek
