#include "input/debug.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "io/deck.h"
#include "io/errors.h"
#include "io/format.h"
#include "io/warnings.h"

namespace talvek {

namespace {

constexpr std::string_view Q = "\"";

bool on(const State& s) { return s.IPRTDAT == 1; }

void checkRow(int row) {
  if (row < 1 || row > MXGRP) {
    throw RunError("input debugging message for group " + std::to_string(row) +
                   ", which is not a group of the name tables");
  }
}

std::string_view label(const State& s, int group) {
  checkRow(group);
  return std::string_view(s.GRPLAB(group).c.data(), 8);
}

std::string_view varnam(const State& s, int row, int col) {
  checkRow(row);
  if (col < 1 || col > 10) {
    throw RunError("input debugging message for column " + std::to_string(col) + " of the names of group " +
                   std::to_string(row));
  }
  return std::string_view(s.VARNAM(row, col).c.data(), 8);
}

// "LAST LINE SUCCESSFULLY READ FROM "g"" - the common start of the row lines.
Line& lastLineFrom(Line& l, const State& s, int group) {
  return l.X(3).A("LAST LINE SUCCESSFULLY READ FROM ").A(Q).A(label(s, group), 8).A(Q);
}

Line& groupEnd(Line& l, const State& s, int group) {
  return l.X(3).A("LAST DATA GROUP READ SUCCESSFULLY IS ").A(Q).A(label(s, group), 8).A(Q);
}

Line& warnStart(Line& l, const State& s, int row, int col) {
  return l.X(3).A("*WARNING* VARIABLE ").A(Q).A(varnam(s, row, col), 7).A(Q);
}

std::string_view trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\0')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.remove_suffix(1);
  return t;
}

// The item a warning concerns, by the name the deck gives it: the VARNAM cell
// without its blanks, the print switches, the equation switches and the six
// ratio arrays by their own names.
std::string itemName(const State& s, int group, int row, int col) {
  static constexpr std::string_view kSwitch[12] = {"PRNTSW", "PRNTSO", "PRNTSG",  "PRNTSP",   "PRNTSA", "PRNTRS",
                                                   "PRNTPB", "PRNTP",  "PRNTCP",  "PRNTADS", "PRNTADMX", "PRNTWC"};
  static constexpr std::string_view kRatio[6] = {"RNTG", "RBVOL", "RPORO", "RGFX", "RGFY", "RGFZ"};
  if (group == 5 && row == 5 && col >= 1 && col <= 10) return std::string(kSwitch[col - 1]);
  if (group == 5 && row == 48 && col >= 1 && col <= 2) return std::string(kSwitch[col + 9]);
  // The equation switches print the names of the positions they become.
  static constexpr std::string_view kEquation[4] = {"KEQW", "KEQO", "KEQG", "KEQP"};
  if (group == 6 && row == 6 && col >= 1 && col <= 4) return std::string(kEquation[col - 1]);
  if (row >= 32 && row <= 37 && col == 7) return std::string(kRatio[row - 32]);
  return std::string(trim(varnam(s, row, col).substr(0, 7)));
}

// The warning on standard error, written whether the facility is on or not.
void toStderr(const State& s, const DeckReader& deck, int group, const std::string& item, const std::string& text,
              int line) {
  deckWarning(deck.fileName(), line, trim(label(s, group)), item, text);
}

void toStderr(const State& s, const DeckReader& deck, int group, const std::string& item, const std::string& text) {
  toStderr(s, deck, group, item, text, deck.lineNumber());
}

std::string withNote(std::string_view note) { return note.empty() ? std::string() : "; " + std::string(note); }

// "<value>[ where] is out of range<range>"
std::string outOfRange(double value, std::string_view where, const std::string& range) {
  std::string t = warnNum(value);
  if (!where.empty()) t.append(" ").append(where);
  return t + " is out of range" + range;
}

}  // namespace

std::string warnNum(double v) {
  char b[32];
  // A whole number is printed in full, so that an item read as 1234567 is
  // not shown as 1.23457e+06.
  if (v == std::trunc(v) && std::fabs(v) < 1.0E15) {
    std::snprintf(b, sizeof b, "%.0f", v);
  } else {
    std::snprintf(b, sizeof b, "%.6g", v);
  }
  return b;
}

std::string rangeText(double lo, double hi, std::string_view note) {
  std::string t(" ");
  t.append(warnNum(lo)).append(" to ").append(warnNum(hi));
  if (!note.empty()) t.append(" (").append(note).append(")");
  return t;
}

std::string ruleText(std::string_view rule) { return std::string(": ").append(rule); }

void setInputTables(State& s) {
  // Value ranges of the block arrays that differ from the built-in 0 .. 1.0E29
  // (real) and 0 .. 1 (integer) ranges.
  s.IVLOW(12) = 1;
  s.IVLOW(13) = 1;
  s.IVHIGH(30) = 7;
  s.RVLOW(14) = 1.0E-11;
  s.RVLOW(15) = 1.0E-11;
  s.RVLOW(17) = -1.0E29;
  for (int g = 21; g <= 24; ++g) s.RVHIGH(g) = 1.0;
  s.RVHIGH(27) = 10000.0;
  s.RVHIGH(28) = 0.001;
  s.RVHIGH(29) = 0.001;
  s.RVLOW(32) = -1.0E29;
  for (int g = 33; g <= 37; ++g) s.RVLOW(g) = -1.0;

  static constexpr std::string_view kIndex[6] = {"  I1", "  I2", "  J1", "  J2", "  K1", "  K2"};
  for (int g = 11; g <= 37; ++g) {
    for (int c = 1; c <= 6; ++c) s.VARNAM(g, c).set(kIndex[c - 1]);
    s.VARNAM(g, 7) = s.ARRNAM(g);
  }
  s.VARNAM(48, 1).set(std::string_view("MAXADS"));
  s.VARNAM(48, 2).set(std::string_view("  IWC"));
  static constexpr std::string_view kWell[10] = {"  IWT", "  IW",  "  JW",  "  KW",   " IWOPC",
                                                 "  GW",  "  BHP", "  QSP", "CONCPI", "CONCTI"};
  for (int c = 1; c <= 10; ++c) s.VARNAM(49, c).set(kWell[c - 1]);
}

void dbgBanner(State& s) {
  if (!on(s)) return;
  static constexpr std::string_view kText[] = {
      "",
      "",
      "=================================================",
      "  FACILITIES FOR DEBUGGING YOUR INPUT DATA FILE",
      "               ARE BEING ACTIVATED             ",
      "=================================================",
      "",
      "",
      "",
      "            ISTRUCTIONS FOR DEBUGGING           ",
      "            -------------------------           ",
      " SEARCH FOR:                                    ",
      "",
      " 1. \"*WARNING*\" MESSAGES.                       ",
      " 2. LAST LINE SUCCESSFULLY READ FROM A DATA GROUP.",
      " 3. LAST DATA GROUP READ SUCCESSFULLY.          ",
      "",
      // the two empty lines that follow the banner
      "",
      "",
  };
  for (std::string_view t : kText) {
    if (t.empty()) {
      s.units.writeLine(s.IOUT, "");
    } else {
      Line(s.units, s.IOUT).X(3).A(t).end();
    }
  }
}

void dbgBlank(State& s) {
  if (!on(s)) return;
  s.units.writeLine(s.IOUT, " ");
}

void dbgGroupEnd(State& s, int group) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  groupEnd(l, s, group).end();
}

void dbgGroupEndRock(State& s, int group, int ireg) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  groupEnd(l, s, group).A(" FOR ROCK REGION # ").I(ireg, 3).end();
}

void dbgGroupEndPvt(State& s, int group, int ireg) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  groupEnd(l, s, group).A(" FOR PVT  REGION # ").I(ireg, 3).end();
}

void dbgTableRow(State& s, int group, int iline) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  lastLineFrom(l, s, group).A(" IS # ").I(iline, 2).end();
}

void dbgRockRow(State& s, int group, int ireg, int iline) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  lastLineFrom(l, s, group).A(" FOR ROCK REGION ").I(ireg, 3).A(" IS # ").I(iline, 2).end();
}

void dbgPvtRow(State& s, int group, int ireg, int iline) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  lastLineFrom(l, s, group).A(" FOR  PVT REGION ").I(ireg, 3).A(" IS # ").I(iline, 2).end();
}

void dbgRegionLine(State& s, int group, int iline) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  lastLineFrom(l, s, group).A(" IS # ").I(iline, 5).end();
}

void dbgNowLine(State& s, int group, double simnew) {
  if (!on(s)) return;
  Line(s.units, s.IOUT)
      .X(3)
      .A("LAST ")
      .A(Q)
      .A("NOW")
      .A(Q)
      .A(" LINE SUCCESSFULLY READ FROM ")
      .A(Q)
      .A(label(s, group), 8)
      .A(Q)
      .A(" HAS SIMNEW = ")
      .F(simnew, 10, 3)
      .end();
}

void dbgWellLine(State& s, int group, int iwell) {
  if (!on(s)) return;
  Line(s.units, s.IOUT)
      .X(3)
      .A("LAST ")
      .A(Q)
      .A("IWT")
      .A(Q)
      .A(" LINE SUCCESSFULLY READ FROM ")
      .A(Q)
      .A(label(s, group), 8)
      .A(Q)
      .A(" IS # ")
      .I(iwell, 4)
      .end();
}

void warnFixed(State& s, const DeckReader& deck, int group, int col, double value, const std::string& range) {
  warnFixed(s, deck, group, group, col, value, range);
}

void warnFixed(State& s, const DeckReader& deck, int group, int row, int col, double value,
               const std::string& range) {
  warnFixedAt(s, deck, deck.lineNumber(), group, row, col, value, range);
}

void warnFixedAt(State& s, const DeckReader& deck, int line, int group, int row, int col, double value,
                 const std::string& range) {
  toStderr(s, deck, group, itemName(s, group, row, col), outOfRange(value, {}, range), line);
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col).A(" OF ").A(Q).A(label(s, group), 8).A(Q).A(" IS OUT OF RANGE").end();
}

void warnLine(State& s, const DeckReader& deck, int group, int col, int iline, double value,
              const std::string& range) {
  warnLine(s, deck, group, group, col, iline, value, range);
}

void warnLine(State& s, const DeckReader& deck, int group, int row, int col, int iline, double value,
              const std::string& range) {
  toStderr(s, deck, group, itemName(s, group, row, col),
           outOfRange(value, "in row " + std::to_string(iline), range));
  writeWarnLine(s, group, row, col, iline);
}

void writeWarnLine(State& s, int group, int row, int col, int iline) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col)
      .A(" IS OUT OF RANGE IN LINE # ")
      .I(iline, 4)
      .A(" OF ")
      .A(Q)
      .A(label(s, group), 8)
      .A(Q)
      .end();
}

void warnRegionLine(State& s, const DeckReader& deck, int group, int col, int iline, double value, double lo,
                    double hi, std::string_view note) {
  toStderr(s, deck, group, itemName(s, group, group, col),
           warnNum(value) + " in region line " + std::to_string(iline) + " is out of range " + warnNum(lo) + " to " +
               warnNum(hi) + withNote(note));
  writeWarnLine(s, group, group, col, iline);
}

void warnArray(State& s, const DeckReader& deck, int group, int col, int count, double lo, double hi,
               std::string_view note) {
  toStderr(s, deck, group, itemName(s, group, group, col),
           std::to_string(count) + (count == 1 ? " value" : " values") + " of the array out of range " + warnNum(lo) +
               " to " + warnNum(hi) + withNote(note));
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, group, col)
      .A(" OF ")
      .A(Q)
      .A(label(s, group), 8)
      .A(Q)
      .A(" IS OUT OF RANGE ")
      .I(count, 4)
      .A(" TIMES")
      .end();
}

void warnNowLine(State& s, const DeckReader& deck, int row, int col, int iline, double value,
                 const std::string& range) {
  toStderr(s, deck, 45, itemName(s, 45, row, col),
           outOfRange(value, "in \"NOW\" line " + std::to_string(iline), range));
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col).A(" IS OUT OF RANGE").A(" IN ").A(Q).A("NOW").A(Q).A(" LINE # ").I(iline, 4).end();
}

void warnWellLine(State& s, const DeckReader& deck, int row, int col, int iwell, double value,
                  const std::string& range, bool listed) {
  toStderr(s, deck, 45, itemName(s, 45, row, col),
           outOfRange(value, "in well line " + std::to_string(iwell), range));
  if (!on(s) || !listed) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col).A(" IS OUT OF RANGE").A(" IN ").A(Q).A("NWT").A(Q).A(" LINE # ").I(iwell, 4).end();
}

void checkHeaderLabel(const State& s, const DeckReader& deck, int group, std::string_view line) {
  // The first two words, blank-separated.
  std::string_view w[2];
  std::size_t i = 0;
  for (auto& word : w) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t b = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    word = line.substr(b, i - b);
  }
  auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (w[0].size() != 4 || w[1].size() != 3) return;
  std::string found = "DATA ";
  for (int k = 0; k < 4; ++k)
    if (up(w[0][k]) != "DATA"[k]) return;
  if (!digit(w[1][0]) || !digit(w[1][1]) || up(w[1][2]) < 'A' || up(w[1][2]) > 'Z') return;
  for (char c : w[1]) found += up(c);
  const std::string_view expected = trim(label(s, group));
  if (found == expected) return;
  deckWarning(deck.fileName(), deck.lineNumber(), expected, "header line",
              "the header line carries the label " + quoteValue(std::string_view(line).substr(0, i)) + " where " +
                  quoteValue(expected) + " is due (a line missing or extra before it shifts the groups that follow)");
}

}  // namespace talvek
