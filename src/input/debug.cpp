#include "input/debug.h"

#include <string>
#include <string_view>

#include "io/errors.h"
#include "io/format.h"

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

}  // namespace

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

void warnFixed(State& s, int group, int col) { warnFixed(s, group, group, col); }

void warnFixed(State& s, int group, int row, int col) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col).A(" OF ").A(Q).A(label(s, group), 8).A(Q).A(" IS OUT OF RANGE").end();
}

void warnLine(State& s, int group, int col, int iline) { warnLine(s, group, group, col, iline); }

void warnLine(State& s, int group, int row, int col, int iline) {
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

void warnArray(State& s, int group, int col, int count) {
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

void warnNowLine(State& s, int row, int col, int iline) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col).A(" IS OUT OF RANGE").A(" IN ").A(Q).A("NOW").A(Q).A(" LINE # ").I(iline, 4).end();
}

void warnWellLine(State& s, int row, int col, int iwell) {
  if (!on(s)) return;
  Line l(s.units, s.IOUT);
  warnStart(l, s, row, col).A(" IS OUT OF RANGE").A(" IN ").A(Q).A("NWT").A(Q).A(" LINE # ").I(iwell, 4).end();
}

}  // namespace talvek
