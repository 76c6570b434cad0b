#include "input/input.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "input/arrays.h"
#include "input/debug.h"
#include "input/schedule.h"
#include "input/tables.h"
#include "input/unitsys.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "solver/numbering.h"

namespace talvek {

namespace {

constexpr double TINY = 1.0E-51;

std::string_view label(const State& s, int g) { return std::string_view(s.GRPLAB(g).c.data(), 8); }

// The header lines of a group; each is kept in CARD and otherwise ignored,
// but a first header line that carries another group's label is warned
// about: a line missing or extra before it shifts every later group.
void headers(State& s, DeckReader& deck, int g, int n) {
  for (int k = 0; k < n; ++k) {
    const std::string h = deck.header(label(s, g));
    if (k == 0) checkHeaderLabel(s, deck, g, h);
    s.CARD.set(h);
  }
}

// Stops the run on a value the tables cannot hold; the message names the
// deck, the line `at` where the value stands, the group and the item.
[[noreturn]] void stop(const State& s, const DeckReader& deck, int at, int g, std::string_view item, int value,
                       const std::string& why) {
  deck.failAt(at, label(s, g), item, std::string(item) + " = " + std::to_string(value) + " " + why);
}

void requireRange(const State& s, const DeckReader& deck, int at, int g, std::string_view item, int v, int lo,
                  int hi, std::string_view what) {
  if (v < lo || v > hi) {
    stop(s, deck, at, g, item, v,
         "is outside " + std::to_string(lo) + " to " + std::to_string(hi) + " (" + std::string(what) + ")");
  }
}

// The warning about item `col` of group g, whose value stands on line `at`:
// the value read and the range (rangeText) or rule (ruleText) it breaks.
void warn(State& s, const DeckReader& deck, const int* at, int g, int col, double value, const std::string& range) {
  warnFixedAt(s, deck, at[col - 1], g, g, col, value, range);
}

// The usual case: a value outside lo to hi.
void warnOutside(State& s, const DeckReader& deck, const int* at, int g, int col, double value, double lo,
                 double hi, std::string_view note = {}) {
  if (value < lo || value > hi) warn(s, deck, at, g, col, value, rangeText(lo, hi, note));
}

// ---------------------------------------------------------------- group 1
void group01(State& s, DeckReader& deck) {
  headers(s, deck, 1, 2);
  dbgBlank(s);
  s.TITLE.set(deck.textLine(label(s, 1), "TITLE"));
  s.IGROUP = 1;
  dbgGroupEnd(s, 1);
}

// ---------------------------------------------------------------- group 2
void group02(State& s, DeckReader& deck) {
  headers(s, deck, 2, 2);
  dbgBlank(s);
  int at[5] = {};
  ListRead(deck, label(s, 2))
      .item(s.IPRTDAT, "IPRTDAT", &at[0])
      .item(s.IRSTRT, "IRSTRT", &at[1])
      .item(s.TMTOTAL, "TMTOTAL", &at[2])
      .item(s.TMSTOP, "TMSTOP", &at[3])
      .item(s.DELT, "DELT", &at[4])
      .end();
  s.IGROUP = 2;
  warnOutside(s, deck, at, 2, 1, s.IPRTDAT, 0, 1);
  warnOutside(s, deck, at, 2, 2, s.IRSTRT, 0, 1);
  if (s.TMTOTAL < s.TMSTOP) s.TMTOTAL = s.TMSTOP;
  if (s.TMSTOP < s.DELT) s.DELT = s.TMSTOP;
  dbgGroupEnd(s, 2);
}

// ---------------------------------------------------------------- group 3
void group03(State& s, DeckReader& deck) {
  headers(s, deck, 3, 2);
  dbgBlank(s);
  int at[11] = {};
  ListRead(deck, label(s, 3))
      .item(s.MUNITIN, "MUNITIN", &at[0])
      .item(s.MUNTOUT, "MUNTOUT", &at[1])
      .item(s.IQUAD, "IQUAD", &at[2])
      .item(s.NINTBLE, "NINTBLE", &at[3])
      .item(s.DTMAX, "DTMAX", &at[4])
      .item(s.DTMIN, "DTMIN", &at[5])
      .item(s.RERORP, "RERORP", &at[6])
      .item(s.DELPO, "DELPO", &at[7])
      .item(s.DELRS, "DELRS", &at[8])
      .item(s.DELSAT, "DELSAT", &at[9])
      .item(s.MATBAK, "MATBAK", &at[10])
      .end();
  // Laboratory input always gives laboratory output.
  if (s.MUNITIN == 3) s.MUNTOUT = 3;
  s.IGROUP = 3;
  warnOutside(s, deck, at, 3, 1, s.MUNITIN, 1, 3, "1 field, 2 SI, 3 laboratory");
  warnOutside(s, deck, at, 3, 2, s.MUNTOUT, 1, 3, "1 field, 2 SI, 3 laboratory");
  warnOutside(s, deck, at, 3, 3, s.IQUAD, 0, 2);
  warnOutside(s, deck, at, 3, 4, s.NINTBLE, 0, 500);
  warnOutside(s, deck, at, 3, 5, s.DTMAX, s.DTMIN, 1000.0, "DTMIN to 1000");
  warnOutside(s, deck, at, 3, 6, s.DTMIN, 0.001, s.DTMAX, "0.001 to DTMAX");
  if (s.RERORP < 0.001) warn(s, deck, at, 3, 7, s.RERORP, ruleText("below 0.001"));
  warnOutside(s, deck, at, 3, 8, s.DELPO, 0.0, 1000.0);
  warnOutside(s, deck, at, 3, 9, s.DELRS, 0.0, 1000.0);
  warnOutside(s, deck, at, 3, 10, s.DELSAT, 0.0, 1.0);
  // MATBAK prints the name of row 4, column 7.
  if (s.MATBAK < 1 || s.MATBAK > 4) warnFixedAt(s, deck, at[10], 3, 4, 7, s.MATBAK, rangeText(1, 4));
  if (s.DTMAX < s.DTMIN) s.DTMAX = s.DTMIN;
  if (s.MUNITIN == 3) s.MUNTOUT = 3;
  // Field or SI input asking for laboratory output is reported in its own
  // system rather than under laboratory unit names.
  if (const std::string w = unconvertedOutput(s.MUNITIN, s.MUNTOUT); !w.empty())
    deckWarning(deck.fileName(), at[1], label(s, 3), "MUNTOUT", w);

  // The unit constants and the unit texts of the reports exist for the three
  // systems only; the equispaced tables hold 500 points.
  requireRange(s, deck, at[0], 3, "MUNITIN", s.MUNITIN, 1, 3, "1 field, 2 SI, 3 laboratory");
  requireRange(s, deck, at[1], 3, "MUNTOUT", s.MUNTOUT, 1, 3, "1 field, 2 SI, 3 laboratory");
  if (s.IQUAD != 0) {
    const int need = s.IQUAD == 2 ? 3 : 2;
    requireRange(s, deck, at[3], 3, "NINTBLE", s.NINTBLE, need, 500,
                 "number of equispaced points of the tables when IQUAD = " + std::to_string(s.IQUAD));
  }
  // The time step is sized so that the largest change per step meets these
  // targets; a target of zero or less pins every step at DTMIN and the run
  // never ends in practice.
  const struct {
    const char* name;
    double value;
    int at;
  } targets[] = {
      {"RERORP", s.RERORP, at[6]}, {"DELPO", s.DELPO, at[7]}, {"DELRS", s.DELRS, at[8]}, {"DELSAT", s.DELSAT, at[9]}};
  for (const auto& t : targets) {
    if (!(t.value > 0.0)) {
      char v[32];
      std::snprintf(v, sizeof v, "%g", t.value);
      deck.failAt(t.at, label(s, 3), t.name,
                std::string(t.name) + " = " + v +
                    " is not positive: the step-size control would hold every step at DTMIN");
    }
  }
  dbgGroupEnd(s, 3);
}

// ---------------------------------------------------------------- group 4
void group04(State& s, DeckReader& deck) {
  headers(s, deck, 4, 2);
  dbgBlank(s);
  int at[8] = {};
  ListRead(deck, label(s, 4))
      .item(s.IPRINT, "IPRINT", &at[0])
      .item(s.IPRST1, "IPRST1", &at[1])
      .item(s.IPRST2, "IPRST2", &at[2])
      .item(s.INOUTP, "INOUTP", &at[3])
      .item(s.NFRRES, "NFRRES", &at[4])
      .item(s.NFRWEL, "NFRWEL", &at[5])
      .item(s.NFRARY, "NFRARY", &at[6])
      .item(s.NWRITE, "NWRITE", &at[7])
      .end();
  s.IGROUP = 4;
  // The name table's row 4 leaves out IPRST1 and IPRST2 (no checks).
  if (s.IPRINT < 0 || s.IPRINT > 2) warnFixedAt(s, deck, at[0], 4, 4, 1, s.IPRINT, rangeText(0, 2));
  if (s.INOUTP < 0 || s.INOUTP > 1) warnFixedAt(s, deck, at[3], 4, 4, 2, s.INOUTP, rangeText(0, 1));
  const std::string belowZero = ruleText("below 0");
  if (s.NFRRES < 0) warnFixedAt(s, deck, at[4], 4, 4, 3, s.NFRRES, belowZero);
  if (s.NFRWEL < 0) warnFixedAt(s, deck, at[5], 4, 4, 4, s.NFRWEL, belowZero);
  if (s.NFRARY < 0) warnFixedAt(s, deck, at[6], 4, 4, 5, s.NFRARY, belowZero);
  if (s.NWRITE < 0) warnFixedAt(s, deck, at[7], 4, 4, 6, s.NWRITE, belowZero);
  dbgGroupEnd(s, 4);
}

// ---------------------------------------------------------------- group 5
void group05(State& s, DeckReader& deck) {
  headers(s, deck, 5, 2);
  dbgBlank(s);
  // Read one by one, so that a message names the switch itself.
  static constexpr std::string_view kSwitch[12] = {"PRNTSW", "PRNTSO", "PRNTSG",  "PRNTSP",   "PRNTSA", "PRNTRS",
                                                   "PRNTPB", "PRNTP",  "PRNTCP",  "PRNTADS", "PRNTADMX", "PRNTWC"};
  int at[12] = {};
  ListRead r(deck, label(s, 5));
  for (int k = 1; k <= 12; ++k) r.item(s.IPRNT(k), kSwitch[k - 1], &at[k - 1]);
  r.end();
  s.IGROUP = 5;
  for (int k = 1; k <= 12; ++k) {
    if (s.IPRNT(k) < 0 || s.IPRNT(k) > 1) {
      if (k <= 10) {
        warn(s, deck, at, 5, k, s.IPRNT(k), rangeText(0, 1));
      } else {
        warnFixedAt(s, deck, at[k - 1], 5, 48, k - 10, s.IPRNT(k), rangeText(0, 1));
      }
    }
  }
  dbgGroupEnd(s, 5);
}

// ---------------------------------------------------------------- group 6
void group06(State& s, DeckReader& deck) {
  headers(s, deck, 6, 2);
  dbgBlank(s);
  int at[4] = {};
  ListRead(deck, label(s, 6))
      .item(s.KEQW, "KEQW", &at[0])
      .item(s.KEQO, "KEQO", &at[1])
      .item(s.KEQG, "KEQG", &at[2])
      .item(s.KEQP, "KEQP", &at[3])
      .end();
  s.IGROUP = 6;
  const int keq[4] = {s.KEQW, s.KEQO, s.KEQG, s.KEQP};
  for (int k = 0; k < 4; ++k) warnOutside(s, deck, at, 6, k + 1, keq[k], 0, 1);
  // With no equation the block system would be empty and the pressure
  // position (NEQN) zero.
  if (s.KEQW <= 0 && s.KEQO <= 0 && s.KEQG <= 0 && s.KEQP <= 0) {
    deck.fail(label(s, 6), "KEQW", "no equation is switched on (KEQW, KEQO, KEQG and KEQP are all 0)");
  }
  dbgGroupEnd(s, 6);
}

// ---------------------------------------------------------------- group 7
void group07(State& s, DeckReader& deck) {
  headers(s, deck, 7, 2);
  dbgBlank(s);
  int at[3] = {};
  ListRead(deck, label(s, 7))
      .item(s.DEPTH1, "DEPTH1", &at[0])
      .item(s.SINX, "SINX", &at[1])
      .item(s.SINY, "SINY", &at[2])
      .end();
  s.IGROUP = 7;
  // Where the dip sines stand, for the geometry's message.
  s.LINDIP = deck.lineNumber();
  warnOutside(s, deck, at, 7, 2, s.SINX, -1.0, 1.0);
  warnOutside(s, deck, at, 7, 3, s.SINY, -1.0, 1.0);
  dbgGroupEnd(s, 7);
}

// ---------------------------------------------------------------- group 8
void group08(State& s, DeckReader& deck) {
  headers(s, deck, 8, 2);
  dbgBlank(s);
  int at[8] = {};
  ListRead(deck, label(s, 8))
      .item(s.IDAQFR, "IDAQFR", &at[0])
      .item(s.AQFH, "AQFH", &at[1])
      .item(s.AQKH, "AQKH", &at[2])
      .item(s.AQRW, "AQRW", &at[3])
      .item(s.AQRE, "AQRE", &at[4])
      .item(s.ANGLE, "ANGLE", &at[5])
      .item(s.AQCWE, "AQCWE", &at[6])
      .item(s.AQMUW, "AQMUW", &at[7])
      .end();
  s.IGROUP = 8;
  warnOutside(s, deck, at, 8, 1, s.IDAQFR, 0, 3);
  if (s.IDAQFR >= 1 && s.IDAQFR <= 3 && !(s.AQRW < s.AQRE)) {
    warn(s, deck, at, 8, 4, s.AQRW, ruleText("not below AQRE (" + warnNum(s.AQRE) + ")"));
    warn(s, deck, at, 8, 5, s.AQRE, ruleText("not above AQRW (" + warnNum(s.AQRW) + ")"));
  }
  warnOutside(s, deck, at, 8, 6, s.ANGLE, 0.0, 360.0);
  // The type selects the aquifer model; there is none for other values.
  requireRange(s, deck, at[0], 8, "IDAQFR", s.IDAQFR, 0, 3,
               "aquifer type: 0 none, 1 pot, 2 steady-state, 3 unsteady-state");
  // Where the aquifer values stand, for the set-up's messages.
  s.LINAQ = deck.lineNumber();
  s.AQFH += TINY;
  s.AQKH += TINY;
  s.AQRW += TINY;
  s.AQRE += TINY;
  s.ANGLE += TINY;
  s.AQCWE += TINY;
  s.AQMUW += TINY;
  // Internally 1 means no aquifer, 2 pot, 3 steady-state, 4 unsteady-state.
  s.IDAQFR += 1;
  dbgGroupEnd(s, 8);
}

// ---------------------------------------------------------------- group 9
void group09(State& s, DeckReader& deck) {
  headers(s, deck, 9, 2);
  dbgBlank(s);
  int at[3] = {};
  ListRead(deck, label(s, 9))
      .item(s.INIOPT, "INIOPT", &at[0])
      .item(s.ICASE, "ICASE", &at[1])
      .item(s.ZREF, "ZREF")
      .item(s.PZREF, "PREF")
      .item(s.XREF5, "XREF5", &at[2])
      .end();
  s.LINEQL = at[2];
  s.IGROUP = 9;
  warnOutside(s, deck, at, 9, 1, s.INIOPT, 0, 1);
  warnOutside(s, deck, at, 9, 2, s.ICASE, 0, 7);
  s.ZREF += TINY;
  s.PZREF += TINY;
  s.XREF5 += TINY;
  dbgGroupEnd(s, 9);
}

// ---------------------------------------------------------------- group 10
void group10(State& s, DeckReader& deck) {
  headers(s, deck, 10, 2);
  dbgBlank(s);
  int at[8] = {};
  ListRead(deck, label(s, 10))
      .item(s.NX, "NX", &at[0])
      .item(s.NY, "NY", &at[1])
      .item(s.NZ, "NZ", &at[2])
      .item(s.METHOD, "METHOD", &at[3])
      .item(s.NXYZORD, "NXYZORD", &at[4])
      .item(s.NUSLVR, "NUSLVR", &at[5])
      .item(s.NKRRGN, "NKRRGN", &at[6])
      .item(s.NPVTRGN, "NPVTRGN", &at[7])
      .item(s.RADW, "RADW")
      .item(s.RADE, "RADE")
      .end();
  s.IGROUP = 10;
  // Where the radii stand, for the radial grid's message, and the method,
  // for the band store's.
  s.LINGRD = deck.lineNumber();
  s.LINMET = at[3];
  // The region arrays of groups 12 and 13 are tested against the region counts.
  s.IVHIGH(12) = s.NKRRGN;
  s.IVHIGH(13) = s.NPVTRGN;
  warnOutside(s, deck, at, 10, 1, s.NX, 1, 40);
  warnOutside(s, deck, at, 10, 2, s.NY, 0, 40);
  warnOutside(s, deck, at, 10, 3, s.NZ, 1, 40);
  warnOutside(s, deck, at, 10, 4, s.METHOD, 1, 4);
  warnOutside(s, deck, at, 10, 5, s.NXYZORD, 1, 7);
  warnOutside(s, deck, at, 10, 6, s.NUSLVR, 0, 1);
  warnOutside(s, deck, at, 10, 7, s.NKRRGN, 1, 30);
  warnOutside(s, deck, at, 10, 8, s.NPVTRGN, 1, 30);
  // Sizes and choices the tables and the solvers are built for.
  requireRange(s, deck, at[0], 10, "NX", s.NX, 1, MXDIR, "blocks in x");
  requireRange(s, deck, at[1], 10, "NY", s.NY, 0, MXDIR, "blocks in y, 0 for a radial grid");
  requireRange(s, deck, at[2], 10, "NZ", s.NZ, 1, MXDIR, "layers");
  {
    const long long ncell = static_cast<long long>(s.NX) * (s.NY == 0 ? 1 : s.NY) * s.NZ;
    if (ncell > MXCELL) {
      stop(s, deck, at[2], 10, "NZ", s.NZ,
           "gives " + std::to_string(ncell) + " grid blocks, more than " + std::to_string(MXCELL));
    }
  }
  requireRange(s, deck, at[3], 10, "METHOD", s.METHOD, 1, 4, "solution method");
  requireRange(s, deck, at[4], 10, "NXYZORD", s.NXYZORD, 1, 7, "direction ordering");
  requireRange(s, deck, at[5], 10, "NUSLVR", s.NUSLVR, 0, 1, "band solver");
  requireRange(s, deck, at[6], 10, "NKRRGN", s.NKRRGN, 1, MXRGN, "rock regions");
  requireRange(s, deck, at[7], 10, "NPVTRGN", s.NPVTRGN, 1, MXRGN, "PVT regions");

  s.RADW += TINY;
  s.RADE += TINY;

  equationOrder(s);

  // Radial (r-z) grid: one block in y.
  s.IRADIAL = 0;
  if (s.NY == 0) {
    s.IRADIAL = 1;
    s.NY = 1;
    // Rings have no x or y direction to dip along; the depths are still laid
    // out from the sines over the deck's DX and DY, which the radii do not use.
    if (s.SINX != 0.0 || s.SINY != 0.0) {
      char buf[240];
      std::snprintf(buf, sizeof buf,
                    "a radial grid (NY = 0) has no dip: SINX = %g and SINY = %g tilt its rings over the "
                    "deck's DX and DY, which the ring radii do not use; give 0 for both",
                    s.SINX, s.SINY);
      deckWarning(deck.fileName(), s.LINDIP, label(s, 7), "SINX, SINY", buf);
    }
  }
  for (int k = 1; k <= 100; ++k) s.LAYLAB(k) = FText<80>();
  if (s.NZ > 1) {
    s.LAYLAB(1).set(std::string_view("(BOTTOM LAYER)"));
    s.LAYLAB(s.NZ).set(std::string_view("(TOP LAYER)"));
  }
  UNITSB(s);
  s.NY1 = s.NY + 1;
  s.NZ1 = s.NZ + 1;
  s.NCELL = s.NX * s.NY * s.NZ;

  // Ordered directions and the grid numbering.
  BORDER(s);
  dbgGroupEnd(s, 10);
}

// ------------------------------------------------------- groups 11 to 37

// The header line and the control line (ICODE and one word) of an array group.
void arrayHead(State& s, DeckReader& deck, int g) {
  headers(s, deck, g, 1);
  std::string word;
  ListRead(deck, label(s, g)).item(s.ICODE, "ICODE").item(word, "array name").end();
  if (!word.empty()) s.CARD.set(word);
  s.IGROUP = g;
}

// Every active block must name a region of the tables.
void checkRegions(const State& s, const DeckReader& deck, int g, const IA<MXBLK>& reg, int nreg,
                  std::string_view item, std::string_view count) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int r = reg(n);
    if (r < 1 || r > nreg) {
      const int L = s.IBLK(n);
      deck.fail(label(s, g), item,
                std::string(item) + " = " + std::to_string(r) + " at block (" + std::to_string(s.ICOORD(1, L)) +
                    "," + std::to_string(s.ICOORD(2, L)) + "," + std::to_string(s.ICOORD(3, L)) +
                    ") is not a region 1 to " + std::string(count) + " = " + std::to_string(nreg));
    }
  }
}

void realGroup(State& s, DeckReader& deck, int g, RA<MXBLK>& a, double dflt = 0.0) {
  arrayHead(s, deck, g);
  ARYRED(s, deck, a, dflt, s.ICODE, g);
  dbgGroupEnd(s, g);
}

void gridGroup(State& s, DeckReader& deck, int g, RA<MXCELL>& a) {
  arrayHead(s, deck, g);
  ARIRED(s, deck, a, s.ICODE, g);
  dbgGroupEnd(s, g);
}

}  // namespace

void equationOrder(State& s) {
  s.NEQN = (s.KEQO > 0) + (s.KEQW > 0) + (s.KEQG > 0) + (s.KEQP > 0);
  if (s.NEQN == 0) {
    throw RunError("no equation is switched on (KEQW, KEQO, KEQG and KEQP are all 0)");
  }
  s.NUKN = s.NEQN;
  // Positions in the order polymer, water, oil, gas among the solved ones.
  int kP = s.KEQP > 0 ? 1 : 0;
  int kW = s.KEQW > 0 ? kP + 1 : kP;
  int kO = s.KEQO > 0 ? kW + 1 : kW;
  int kG = s.KEQG > 0 ? kO + 1 : kO;
  // A switched-off equation goes to the spare position after the system.
  const int spare = s.NEQN + 1;
  if (s.KEQO <= 0) kO = spare;
  if (s.KEQW <= 0) kW = spare;
  if (s.KEQP <= 0) kP = spare;
  if (s.KEQG <= 0) kG = spare;
  // The pressure is always the last unknown.
  s.IPO = s.NEQN;
  s.ISO = kO;
  s.ISW = kW;
  s.ISP = kP;
  if (s.ISO == s.IPO) s.ISO = spare;
  if (s.ISW == s.IPO) s.ISW = spare;
  if (s.ISP == s.IPO) s.ISP = spare;
  s.IQO = kO;
  s.IQW = kW;
  s.IQP = kP;
  s.IQG = kG;
  s.KEQO = s.KEQO > 0 ? kO : 0;
  s.KEQW = s.KEQW > 0 ? kW : 0;
  s.KEQP = s.KEQP > 0 ? kP : 0;
  s.KEQG = s.KEQG > 0 ? kG : 0;
}

void readRunControl(State& s, DeckReader& deck) {
  group01(s, deck);
  group02(s, deck);
  group03(s, deck);
  group04(s, deck);
  group05(s, deck);
  group06(s, deck);
  group07(s, deck);
  group08(s, deck);
  group09(s, deck);
  group10(s, deck);
}

void readArrayGroups(State& s, DeckReader& deck) {
  // 11: the active-block map, then the active numbering.
  arrayHead(s, deck, 11);
  IRIRED(s, deck, s.IACTIVE, s.ICODE, 11);
  try {
    ACTNUM(s);
  } catch (const DeckError&) {
    throw;
  } catch (const RunError& e) {
    deck.fail(label(s, 11), "IACTIVE", e.what());
  }
  // Newton tolerance on relative changes, and the perturbations of the
  // raised states (pressure, saturations, solution ratio).
  switch (s.MATBAK) {
    case 2: s.TOLREL = 0.001; break;
    case 3: s.TOLREL = 1.0E-4; break;
    case 4: s.TOLREL = 1.0E-5; break;
    default: s.TOLREL = 0.01; break;
  }
  s.EPSP = 0.1;
  s.EPSS = 0.001;
  s.EPSRS = 1.0;
  dbgGroupEnd(s, 11);

  // 12, 13: rock and PVT region of each block.
  arrayHead(s, deck, 12);
  IRYRED(s, deck, s.NKRGN, s.ICODE, 12);
  checkRegions(s, deck, 12, s.NKRGN, s.NKRRGN, "NKRGN", "NKRRGN");
  dbgGroupEnd(s, 12);
  arrayHead(s, deck, 13);
  IRYRED(s, deck, s.NPVTGN, s.ICODE, 13);
  checkRegions(s, deck, 13, s.NPVTGN, s.NPVTRGN, "NPVTGN", "NPVTRGN");
  dbgGroupEnd(s, 13);

  gridGroup(s, deck, 14, s.DX);
  gridGroup(s, deck, 15, s.DY);
  gridGroup(s, deck, 16, s.DZ);
  realGroup(s, deck, 17, s.DEPTH);
  realGroup(s, deck, 18, s.KX);
  realGroup(s, deck, 19, s.KY);
  realGroup(s, deck, 20, s.KZ);
  realGroup(s, deck, 21, s.PHI);
  realGroup(s, deck, 22, s.SON);
  realGroup(s, deck, 23, s.SWN);
  realGroup(s, deck, 24, s.SPN);
  // Initial gas saturation: what the other phases leave (not clipped).
  for (int n = 1; n <= s.NGPACT; ++n) s.SGN(n) = 1.0 - s.SPN(n) - s.SWN(n) - s.SON(n);
  realGroup(s, deck, 25, s.RSN);
  realGroup(s, deck, 26, s.PN);
  realGroup(s, deck, 27, s.CONCP);
  realGroup(s, deck, 28, s.CRPMAX);
  realGroup(s, deck, 29, s.CRP);
  for (int n = 1; n <= s.NGPACT; ++n) s.ADS(n) = s.CRP(n);

  arrayHead(s, deck, 30);
  IRYRED(s, deck, s.INFBLK, s.ICODE, 30);
  dbgGroupEnd(s, 30);

  realGroup(s, deck, 31, s.BBLKWT);
  realGroup(s, deck, 32, s.RNTG, 1.0);
  realGroup(s, deck, 33, s.RBVOL);
  realGroup(s, deck, 34, s.RPORO);
  realGroup(s, deck, 35, s.RGFX);
  realGroup(s, deck, 36, s.RGFY);
  realGroup(s, deck, 37, s.RGFZ);
}

void INPUT(State& s, DeckReader& deck, int KREAD) {
  // The counts of repeated warnings are written when the reading ends.
  const DeckWarningScope warnings;
  setInputTables(s);
  if (KREAD != 0) {
    READSC(s, deck);
    return;
  }
  dbgBanner(s);
  readRunControl(s, deck);
  readArrayGroups(s, deck);
  READTB(s, deck);
  // Polymer-solution viscosity of every block until the properties set it.
  for (int n = 1; n <= s.NGPACT; ++n) s.MUPB(n) = 1.0;
}

}  // namespace talvek
