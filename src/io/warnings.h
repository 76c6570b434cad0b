// Warnings about the input deck on standard error.
//
// A warning is one line
//   talvek: warning: DECK:LINE: data group DATA 21A, item PHI: <text>
// in the form of the error line (without ":LINE" when LINE is 0: a value
// that no line of the deck gave). Warnings about the same item of the same
// group of one deck are counted: the first kShownWarnings of them are
// written, the others only counted, and flushDeckWarnings() then writes one
// line per such item
//   talvek: warning: DECK: data group DATA 21A, item PHI: (N more like this)
// so that a deck with a bad value on every line still gives a few lines.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace talvek {

inline constexpr int kShownWarnings = 3;

void deckWarning(std::string_view file, int line, std::string_view group, std::string_view item,
                 std::string_view text);
// Writes the counts of the warnings not shown and starts counting afresh.
void flushDeckWarnings();

// A warning about the run of a deck rather than about one of its items:
//   talvek: warning: DECK: <text>
// Never counted or muted.
void runWarning(std::string_view file, std::string_view text);

// Where the lines go: standard error, or `sink` while one is set (tests). An
// empty function restores standard error.
void setDeckWarningSink(std::function<void(const std::string&)> sink);

// While one is alive, warnings are neither written nor counted: for a
// second reading of groups a run has already read and warned about.
struct DeckWarningMute {
  DeckWarningMute();
  DeckWarningMute(const DeckWarningMute&) = delete;
  DeckWarningMute& operator=(const DeckWarningMute&) = delete;
  ~DeckWarningMute();
};

// Flushes the counts when it goes out of scope, also when the reading stops
// with an error (the counts then precede the error message).
struct DeckWarningScope {
  DeckWarningScope() = default;
  DeckWarningScope(const DeckWarningScope&) = delete;
  DeckWarningScope& operator=(const DeckWarningScope&) = delete;
  ~DeckWarningScope() { flushDeckWarnings(); }
};

}  // namespace talvek
