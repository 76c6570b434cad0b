// Group 45: the well schedule, and the pass over groups 1 to 44 that brings
// a restart run to it.
//
// The schedule is a list of records: a "NOW" line (number of well lines, print
// flag, step cap, end time of the period, economic limits) followed by that
// many well lines. A "NOW" line whose values add up to zero ends the list.
// All records and well lines are stored in deck order; each well line also
// gets the active number of its block, so that run control can apply it.
#include "input/schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "input/arrays.h"
#include "input/debug.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "state/state.h"

namespace talvek {

namespace {

constexpr int kSchedule = 45;
constexpr int kWellNames = 49;  // VARNAM row of the well-line items
constexpr int kMaxNowLines = 100000;

std::string blockText(int iw, int jw, int kw) {
  char b[48];
  std::snprintf(b, sizeof b, "(%d,%d,%d)", iw, jw, kw);
  return b;
}

std::string wellText(int k, int iline) {
  return "well line " + std::to_string(k) + " of \"NOW\" line " + std::to_string(iline);
}

// Reads the well lines of one record, stores them from line m + 1 on.
// The items of a well line are read into the same variables line after line,
// so that a null value or a slash leaves an item as the line before gave it.
struct WellLineItems {
  int iwt = 0, iwc = 0, iw = 0, jw = 0, kw = 0, iwopc = 0;
  double gw = 0.0, bhp = 0.0, qsp = 0.0, concpi = 0.0, concti = 0.0;
};

// The operating option of a well line. An injection well injects fluid
// IWOPC = 1 to 4 and a production well produces under rate option 1 to 11;
// any other option leaves the well without a source term (condition 0).
// Such a line is warned about once, by what the option does for its well
// type; the listing keeps to the option's own range 0 to 11.
void warnOption(State& s, const DeckReader& deck, int k, int iwt, int iwopc) {
  const bool listed = iwopc < 0 || iwopc > 11;
  const std::string is = "with IWOPC = " + std::to_string(iwopc);
  if (iwt == -2 && (iwopc < 1 || iwopc > 4)) {
    warnWellLine(s, deck, kWellNames, 5, k, iwopc,
                 rangeText(1, 4) + "; an injection well injects fluid 1 oil, 2 water, 3 gas or 4 polymer solution: " +
                     is + " it injects nothing",
                 listed);
  } else if (iwt == -2 && !injectable(s, iwopc)) {
    // The fluid's equation is off: no equation takes the rate.
    static constexpr const char* fluid[5] = {"", "oil", "water", "gas", "polymer solution"};
    static constexpr const char* keq[5] = {"", "KEQO", "KEQW", "KEQG", "KEQP"};
    // The option is in its range: standard error only, not the listing.
    deckWarning(deck.fileName(), deck.lineNumber(), "DATA 45D", "IWOPC",
                std::to_string(iwopc) + " in well line " + std::to_string(k) + " injects " + fluid[iwopc] +
                    ", whose equation is off (" + keq[iwopc] + " = 0 in DATA 06B): the well injects nothing");
  } else if (iwt == -1 && (iwopc < 1 || iwopc > 11)) {
    warnWellLine(s, deck, kWellNames, 5, k, iwopc,
                 rangeText(1, 11) + "; a production well produces QSP of the stream of option 1 to 10, or at "
                                    "its BHP with option 11: " +
                     is + " it produces nothing",
                 listed);
  } else if (listed) {
    warnWellLine(s, deck, kWellNames, 5, k, iwopc, rangeText(0, 11));
  }
}

void readWellLines(State& s, DeckReader& deck, const std::string& label, int iline, int now, int& m,
                   WellLineItems& w) {
  int &iwt = w.iwt, &iwc = w.iwc, &iw = w.iw, &jw = w.jw, &kw = w.kw, &iwopc = w.iwopc;
  double &gw = w.gw, &bhp = w.bhp, &qsp = w.qsp, &concpi = w.concpi, &concti = w.concti;
  for (int k = 1; k <= now; ++k) {
    ListRead r(deck, label);
    r.item(iwt, "IWT")
        .item(iwc, "IWC")
        .item(iw, "IW")
        .item(jw, "JW")
        .item(kw, "KW")
        .item(iwopc, "IWOPC")
        .item(gw, "GW")
        .item(bhp, "BHP")
        .item(qsp, "QSP")
        .item(concpi, "CONCPI")
        .item(concti, "CONCTI");
    r.end();

    auto outside = [&](int col, int v, int lo, int hi, std::string_view note = {}) {
      if (v < lo || v > hi) warnWellLine(s, deck, kWellNames, col, k, v, rangeText(lo, hi, note));
    };
    auto negative = [&](int col, double v) {
      if (v < 0.0) warnWellLine(s, deck, kWellNames, col, k, v, ruleText("below 0"));
    };
    outside(1, iwt, -2, 0, "-2 injection, -1 production, 0 shut-in");
    outside(2, iw, 1, s.NX, "the blocks in x");
    outside(3, jw, 0, s.NY, "the blocks in y");
    outside(4, kw, 1, s.NZ, "the layers");
    warnOption(s, deck, k, iwt, iwopc);
    negative(8, qsp);
    negative(9, concpi);
    negative(10, concti);
    // The well number is a label of the reports: the listing prints it in
    // three columns and weld.lis in four right after the time, and the
    // summaries of individual wells list the numbers from 1 up.
    if (iwc < 1 || iwc > 999) {
      deckWarning(deck.fileName(), deck.lineNumber(), label, "IWC",
                  wellText(k, iline) + " gives the well number " + std::to_string(iwc) + ", outside 1 to 999: " +
                      (iwc < 1 ? "the summaries of individual well performance (well.lis and the end of the "
                                 "listing) leave out a well numbered below 1"
                               : "the well reports print it in three columns (\"***\" above 999) and weld.lis runs "
                                 "four digits into the time before it"));
    }

    if (m >= MXWLIN) {
      deck.fail(label, "IWT",
                wellText(k, iline) + " exceeds the " + std::to_string(MXWLIN) +
                    " well lines the schedule can hold (all records together)");
    }
    // The well block must be a block of the grid: the line is applied to
    // the block's well data.
    const char* bad = nullptr;
    if (iw < 1 || iw > s.NX || iw > MXDIR) {
      bad = "IW";
    } else if (jw < 1 || jw > s.NY || jw > MXDIR) {
      bad = "JW";
    } else if (kw < 1 || kw > s.NZ || kw > MXDIR) {
      bad = "KW";
    }
    if (bad != nullptr) {
      deck.fail(label, bad,
                wellText(k, iline) + " places the well at block " + blockText(iw, jw, kw) +
                    ", outside the grid of " + std::to_string(s.NX) + " x " + std::to_string(s.NY) + " x " +
                    std::to_string(s.NZ) + " blocks");
    }
    const int l = s.LBLOCK(iw, jw, kw);
    if (l < 1 || l > MXCELL) {
      throw RunError("well line " + std::to_string(k) + " of \"NOW\" line " + std::to_string(iline) +
                     " of " + label + ": the block numbering of the grid is not laid out");
    }
    // Active number of the well block. A well in an inactive block has no
    // equations to feed: the deck is refused here, where the line is known.
    const int n = s.IORD(l);
    if (n < 0 || n > MXBLK) {
      throw RunError("well line " + std::to_string(k) + " of \"NOW\" line " + std::to_string(iline) +
                     " of " + label + ": the active numbering of the grid is not laid out");
    }
    if (n == 0) {
      deck.fail(label, "IW", wellText(k, iline) + " places the well at block " + blockText(iw, jw, kw) +
                                 ", which is inactive");
    }

    // Two lines of one record for the same block: both are applied in turn,
    // so the later one is what the block gets.
    for (int j = m - k + 2; j <= m; ++j) {
      if (j >= 1 && s.IWLINE(7, j) == n) {
        deckWarning(deck.fileName(), deck.lineNumber(), label, "IW",
                    wellText(k, iline) + " is for block " + blockText(iw, jw, kw) + ", as well line " +
                        std::to_string(j - (m - k + 1)) + " of the same record: the later line is the one applied");
        break;
      }
    }
    ++m;
    s.IWLINE(1, m) = iwt;
    s.IWLINE(2, m) = iw;
    s.IWLINE(3, m) = jw;
    s.IWLINE(4, m) = kw;
    s.IWLINE(5, m) = iwopc;
    s.IWLINE(6, m) = iwc;
    s.IWLINE(7, m) = n;
    s.RWLINE(1, m) = gw;
    s.RWLINE(2, m) = bhp;
    s.RWLINE(3, m) = qsp;
    s.RWLINE(4, m) = concpi;
    s.RWLINE(5, m) = concti;
    dbgWellLine(s, kSchedule, k);
  }
}

}  // namespace

void READSC(State& s, DeckReader& deck) {
  const std::string label(s.GRPLAB(kSchedule).c.data(), 8);
  s.IGROUP = kSchedule;
  for (int i = 0; i < 3; ++i) {
    const std::string h = deck.header(label);
    if (i == 0) checkHeaderLabel(s, deck, kSchedule, h);
    s.CARD.set(h);
  }

  s.NNOW = 0;
  double prevSimnew = 0.0;
  int m = 0;  // well lines stored, all records
  // Each "NOW" line is read into the same variables, and each well line into
  // the same set: a null value or a slash keeps what the line before gave
  // (the limits of the record before, the rate of the well line before).
  int now = 0, irite1 = 0;
  double delt1 = 0.0, simnew = 0.0, qoecon = 0.0, wormax = 0.0, gormax = 0.0;
  WellLineItems w;
  for (int iline = 1; iline <= kMaxNowLines; ++iline) {
    s.ILINE = iline;
    dbgBlank(s);
    {
      ListRead r(deck, label);
      r.item(now, "NOW")
          .item(irite1, "IRITE1")
          .item(delt1, "DELT1")
          .item(simnew, "SIMNEW")
          .item(qoecon, "QOECON")
          .item(wormax, "WORMAX")
          .item(gormax, "GORMAX");
      r.end();
    }
    // The two integers are added in double precision: the same sum for every
    // count a schedule can hold, and no integer overflow on absurd ones.
    const double sum = static_cast<double>(now) + irite1 + delt1 + simnew + qoecon + wormax + gormax;
    if (std::fabs(sum) < 1.0E-11) break;

    auto outside = [&](int col, double v, double lo, double hi, std::string_view note = {}) {
      if (v < lo || v > hi) warnNowLine(s, deck, kSchedule, col, iline, v, rangeText(lo, hi, note));
    };
    outside(1, now, 0, s.NGPACT, "the active blocks");
    outside(2, irite1, 0, 1);
    if (simnew <= prevSimnew) {
      warnNowLine(s, deck, kSchedule, 4, iline, simnew,
                  ruleText(iline == 1 ? "not after time 0"
                                      : "not after the SIMNEW of the line before (" + warnNum(prevSimnew) + ")"));
    }
    outside(5, qoecon, 0.0, 100.0);
    outside(6, wormax, 0.0, 100.0);
    outside(7, gormax, 0.0, 50000.0);
    if (s.NNOW >= MXNOW) {
      deck.fail(label, "NOW",
                "\"NOW\" line " + std::to_string(iline) + " opens a schedule record beyond the " +
                    std::to_string(MXNOW) + " records the schedule can hold");
    }
    dbgNowLine(s, kSchedule, simnew);

    const int t = ++s.NNOW;
    s.NWLINE(t) = now;
    s.NOWDLN(t) = deck.lineNumber();
    s.IRITE1(t) = irite1;
    s.DELT1(t) = delt1;
    s.SIMNEW(t) = simnew;
    s.QOECONT(t) = qoecon;
    s.WORMAXT(t) = wormax;
    s.GORMAXT(t) = gormax;
    prevSimnew = simnew;

    dbgBlank(s);
    // A negative NOW (warned about above) is kept as read and reads no well line.
    readWellLines(s, deck, label, iline, now, m, w);
  }
  dbgBlank(s);
  dbgGroupEnd(s, kSchedule);
}

// ---------------------------------------------------------------------------
// Passing over groups 1 to 44.

namespace {

std::string groupLabel(int g) {
  char letter = 'B';
  if (g == 1) {
    letter = 'E';
  } else if (g >= 11 && g <= 37) {
    letter = 'A';
  } else if (g == 38 || g == 39 || g == 40 || g == 43 || g == 44) {
    letter = 'C';
  } else if (g == 45) {
    letter = 'D';
  }
  std::string l = "DATA 00B";
  l[5] = static_cast<char>('0' + g / 10);
  l[6] = static_cast<char>('0' + g % 10);
  l[7] = letter;
  return l;
}

void skipHeaders(DeckReader& deck, const std::string& label, int n) {
  for (int i = 0; i < n; ++i) deck.header(label);
}

// One fixed list: `types` holds 'I' or 'R' per item. Integer values are
// returned in ints[] (by item position) for the caller that needs them.
void skipList(DeckReader& deck, const std::string& label, std::string_view types,
              std::initializer_list<const char*> names, int* ints = nullptr) {
  ListRead r(deck, label);
  int k = 0;
  for (const char* name : names) {
    if (types[static_cast<std::size_t>(k)] == 'I') {
      int v = 0;
      r.item(v, name);
      if (ints != nullptr) ints[k] = v;
    } else {
      double v = 0.0;
      r.item(v, name);
    }
    ++k;
  }
  r.end();
}

// Rows of a table up to its end row (at most 1000 rows are read). The
// columns flagged in absMask enter the end sum with their absolute values.
void skipRows(DeckReader& deck, const std::string& label, int ncol, unsigned absMask) {
  for (int row = 1; row <= 1000; ++row) {
    ListRead r(deck, label);
    double sum = 0.0;
    for (int c = 0; c < ncol; ++c) {
      double v = 0.0;
      r.item(v, "ROW VALUE");
      sum += ((absMask >> c) & 1U) != 0 ? std::fabs(v) : v;
    }
    r.end();
    if (std::fabs(sum) <= 1.0E-11) return;
  }
}

// The header line of array group g and its ICODE line; the ICODE.
int arrayGroupHead(DeckReader& deck, int g) {
  const std::string label = groupLabel(g);
  skipHeaders(deck, label, 1);
  int icode = 0;
  std::string word;
  ListRead r(deck, label);
  r.item(icode, "ICODE").item(word, "ICODE WORD");
  r.end();
  return icode;
}

void skipArrayGroup(DeckReader& deck, int g, long long ncell) {
  static constexpr const char* kNames[27] = {
      "IACTIVE", "NKRGN", "NPVTGN", "DX", "DY",  "DZ",     "DEPTH",  "KX",   "KY",
      "KZ",      "PHI",   "SO",     "SW", "SP",  "RS",     "P",      "CONCP", "CRPMAX",
      "CRP",     "INFBLK", "BBLKWT", "RNTG", "RBVOL", "RPORO", "RGFX", "RGFY", "RGFZ"};
  const bool integer = g == 11 || g == 12 || g == 13 || g == 30;
  const char* name = kNames[g - 11];
  const std::string label = groupLabel(g);
  const int icode = arrayGroupHead(deck, g);
  if (icode == 0) {
    ListRead r(deck, label);
    int iv = 0;
    double rv = 0.0;
    for (long long m = 0; m < ncell; ++m) {
      if (integer) {
        r.item(iv, name);
      } else {
        r.item(rv, name);
      }
    }
    r.end();
    return;
  }
  for (int line = 1; line <= 100000; ++line) {
    int ix[6] = {0, 0, 0, 0, 0, 0};
    int iv = 0;
    double rv = 0.0;
    ListRead r(deck, label);
    r.item(ix[0], "I1").item(ix[1], "I2").item(ix[2], "J1").item(ix[3], "J2").item(ix[4], "K1").item(ix[5], "K2");
    if (integer) {
      r.item(iv, name);
    } else {
      r.item(rv, name);
    }
    r.end();
    long long sum = 0;
    for (int c = 0; c < 6; ++c) sum += ix[c];
    if (sum == 0) return;
  }
}

// Group 16 (DZ) or 32 (RNTG) into the state, as a new run reads it.
void readNet(State& s, DeckReader& deck, int g) {
  const int icode = arrayGroupHead(deck, g);
  const DeckWarningMute quiet;
  const int iprtdat = s.IPRTDAT;
  s.IPRTDAT = 0;
  try {
    if (g == 16)
      ARIRED(s, deck, s.DZ, icode, g);
    else
      ARYRED(s, deck, s.RNTG, 1.0, icode, g);
  } catch (...) {
    s.IPRTDAT = iprtdat;
    throw;
  }
  s.IPRTDAT = iprtdat;
}

}  // namespace

void SKPDCK(DeckReader& deck, int* grid, State* net) {
  deck.rewind();

  skipHeaders(deck, groupLabel(1), 2);
  deck.textLine(groupLabel(1), "TITLE");

  skipHeaders(deck, groupLabel(2), 2);
  skipList(deck, groupLabel(2), "IIRRR", {"IPRTDAT", "IRSTRT", "TMTOTAL", "TMSTOP", "DELT"});
  skipHeaders(deck, groupLabel(3), 2);
  skipList(deck, groupLabel(3), "IIIIRRRRRRI",
           {"MUNITIN", "MUNTOUT", "IQUAD", "NINTBLE", "DTMAX", "DTMIN", "RERORP", "DELPO", "DELRS", "DELSAT",
            "MATBAK"});
  skipHeaders(deck, groupLabel(4), 2);
  skipList(deck, groupLabel(4), "IIIIIIII",
           {"IPRINT", "IPRST1", "IPRST2", "INOUTP", "NFRRES", "NFRWEL", "NFRARY", "NWRITE"});
  skipHeaders(deck, groupLabel(5), 2);
  skipList(deck, groupLabel(5), "IIIIIIIIIIII",
           {"PRNTSW", "PRNTSO", "PRNTSG", "PRNTSP", "PRNTSA", "PRNTRS", "PRNTPB", "PRNTP", "PRNTCP", "PRNTADS",
            "PRNTADMX", "PRNTWC"});
  skipHeaders(deck, groupLabel(6), 2);
  skipList(deck, groupLabel(6), "IIII", {"KEQW", "KEQO", "KEQG", "KEQP"});
  skipHeaders(deck, groupLabel(7), 2);
  skipList(deck, groupLabel(7), "RRR", {"DEPTH1", "SINX", "SINY"});
  skipHeaders(deck, groupLabel(8), 2);
  skipList(deck, groupLabel(8), "IRRRRRRR",
           {"IDAQFR", "AQFH", "AQKH", "AQRW", "AQRE", "ANGLE", "AQCWE", "AQMUW"});
  skipHeaders(deck, groupLabel(9), 2);
  skipList(deck, groupLabel(9), "IIRRR", {"INIOPT", "ICASE", "ZREF", "PREF", "XREF5"});
  skipHeaders(deck, groupLabel(10), 2);
  int g10[10] = {};
  skipList(deck, groupLabel(10), "IIIIIIIIRR",
           {"NX", "NY", "NZ", "METHOD", "NXYZORD", "NUSLVR", "NKRRGN", "NPVTRGN", "RADW", "RADE"}, g10);
  if (grid) std::copy_n(g10, 3, grid);
  const long long nx = g10[0] > 0 ? g10[0] : 0;
  const long long ny = g10[1] == 0 ? 1 : (g10[1] > 0 ? g10[1] : 0);
  const long long nz = g10[2] > 0 ? g10[2] : 0;
  const int nkrrgn = g10[6];
  const int npvtrgn = g10[7];

  const bool sameGrid = net != nullptr && nx == net->NX && ny == net->NY && nz == net->NZ &&
                        (g10[1] == 0) == (net->IRADIAL == 1) && nx * ny * nz == net->NCELL;
  for (int g = 11; g <= 37; ++g) {
    if (sameGrid && (g == 16 || g == 32))
      readNet(*net, deck, g);
    else
      skipArrayGroup(deck, g, nx * ny * nz);
  }

  constexpr unsigned kCapillary = (1U << 3) | (1U << 4);
  skipHeaders(deck, groupLabel(38), 1);
  for (int r = 1; r <= nkrrgn; ++r) {
    skipHeaders(deck, groupLabel(38), 2);
    skipRows(deck, groupLabel(38), 5, kCapillary);
    skipHeaders(deck, groupLabel(39), 2);
    skipRows(deck, groupLabel(39), 5, kCapillary);
  }
  skipHeaders(deck, groupLabel(40), 1);
  for (int p = 1; p <= npvtrgn; ++p) {
    skipHeaders(deck, groupLabel(40), 2);
    skipRows(deck, groupLabel(40), 8, 0U);
    skipHeaders(deck, groupLabel(41), 2);
    skipList(deck, groupLabel(41), "RRRRR", {"GAMAW", "GAMAG", "OILAPI", "CO", "CMUO"});
  }
  skipHeaders(deck, groupLabel(42), 2);
  skipList(deck, groupLabel(42), "RRR", {"DENR", "CPHI", "PREF"});
  skipHeaders(deck, groupLabel(43), 2);
  skipRows(deck, groupLabel(43), 2, 0U);
  skipHeaders(deck, groupLabel(44), 2);
  skipRows(deck, groupLabel(44), 3, 0U);
}

}  // namespace talvek
