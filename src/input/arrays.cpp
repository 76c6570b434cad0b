#include "input/arrays.h"

#include <string>
#include <string_view>
#include <type_traits>

#include "input/debug.h"
#include "io/errors.h"
#include "io/warnings.h"

namespace talvek {

namespace {

// The system's names of the arrays of groups 11 to 37, used in the messages
// of a read that fails (the warnings print ARRNAM instead).
constexpr std::string_view kArrayName[27] = {
    "IACTIVE", "NKRGN", "NPVTGN", "DX",     "DY",  "DZ",    "DEPTH", "KX",    "KY",
    "KZ",      "PHI",   "SO",     "SW",     "SP",  "RS",    "P",     "CONCP", "CRPMAX",
    "CRP",     "INFBLK", "BBLKWT", "RNTG",  "RBVOL", "RPORO", "RGFX", "RGFY",  "RGFZ"};

constexpr std::string_view kIndexName[6] = {"I1", "I2", "J1", "J2", "K1", "K2"};

std::string_view arrayName(int igroup) {
  return (igroup >= 11 && igroup <= 37) ? kArrayName[igroup - 11] : std::string_view("V");
}

void checkGroup(const State& s, int igroup) {
  if (igroup < 11 || igroup > 37) {
    throw RunError("array reader called for group " + std::to_string(igroup) + ", which is not an array group");
  }
  if (s.NCELL < 1 || s.NCELL > MXCELL || s.NCELL != s.NX * s.NY * s.NZ) {
    throw RunError("array group " + std::to_string(igroup) + " read before the grid size is known (NCELL = " +
                   std::to_string(s.NCELL) + ")");
  }
}

// Grid number of cell (I, J, K), laid out by the block ordering.
int cell(const State& s, int i, int j, int k) {
  const int L = s.LBLOCK(i, j, k);
  if (L < 1 || L > s.NCELL) {
    throw RunError("the grid numbering is not laid out: cell (" + std::to_string(i) + "," + std::to_string(j) +
                   "," + std::to_string(k) + ") has grid number " + std::to_string(L));
  }
  return L;
}

// The activity map (group 11) shares its codes with the well types that the
// schedule's well lines store in it: -2 and -1 mark well blocks. A negative
// code given here names no well, so it is read as a plain active block (1);
// otherwise the block would enter the well lists as a well 0 without
// controls. A block a well line names becomes a well block as before.
constexpr int kActivityGroup = 11;
constexpr std::string_view kNotAWell =
    "a negative code makes the block active but not a well block: 1 is stored (only the well lines of the "
    "schedule make well blocks)";

// Reads one array group into grid[0 .. NCELL-1] (indexed by grid number - 1).
// `buf` receives the values of the whole form before they are distributed.
template <typename T>
void readGrid(State& s, DeckReader& deck, T* grid, T* buf, T dflt, double lo, double hi, int icode,
              int igroup) {
  checkGroup(s, igroup);
  const std::string_view label(s.GRPLAB(igroup).c.data(), 8);
  const std::string_view name = arrayName(igroup);
  dbgBlank(s);

  if (icode != 0) {
    for (int L = 0; L < s.NCELL; ++L) grid[L] = dflt;
    int idx[6] = {0, 0, 0, 0, 0, 0};
    T v = dflt;
    for (s.ILINE = 1; s.ILINE <= MXREGLINE; ++s.ILINE) {
      ListRead r(deck, label);
      for (int c = 0; c < 6; ++c) r.item(idx[c], kIndexName[c]);
      r.item(v, name);
      r.end();
      // The six indices adding up to 0 end the list (summed wide: deck
      // integers near the 4-byte limit must not overflow into a false 0).
      long long sum = 0;
      for (int c = 0; c < 6; ++c) sum += idx[c];
      if (sum == 0) break;

      const int hiIdx[3] = {s.NX, s.NY, s.NZ};
      for (int c = 0; c < 6; ++c) {
        if (idx[c] < 1 || idx[c] > hiIdx[c / 2]) {
          warnRegionLine(s, deck, igroup, c + 1, s.ILINE, idx[c], 1, hiIdx[c / 2]);
        }
      }
      const bool notAWell = igroup == kActivityGroup && v < 0;
      if (v < lo || v > hi) warnRegionLine(s, deck, igroup, 7, s.ILINE, v, lo, hi, notAWell ? kNotAWell : "");
      dbgRegionLine(s, igroup, s.ILINE);
      if (notAWell) v = 1;

      const bool empty = idx[0] > idx[1] || idx[2] > idx[3] || idx[4] > idx[5];
      if (empty) continue;
      // A box that reaches outside the grid would address cells that do not
      // exist: stop rather than write outside the arrays.
      for (int c = 0; c < 6; ++c) {
        if (idx[c] < 1 || idx[c] > hiIdx[c / 2]) {
          deck.fail(label, kIndexName[c],
                    "region line " + std::to_string(s.ILINE) + " of array " + std::string(name) + " gives " +
                        std::string(kIndexName[c]) + " = " + std::to_string(idx[c]) + ", outside the grid (1 to " +
                        std::to_string(hiIdx[c / 2]) + ")");
        }
      }
      for (int k = idx[4]; k <= idx[5]; ++k)
        for (int j = idx[2]; j <= idx[3]; ++j)
          for (int i = idx[0]; i <= idx[1]; ++i) grid[cell(s, i, j, k) - 1] = v;
    }
  } else {
    ListRead r(deck, label);
    r.items(buf, s.NCELL, name);
    r.end();
    // Nulls and the values after a slash leave the reader's work array as the
    // last array read in this form left it: those cells take that array's
    // values (0 before the first), not a default of this one.
    if (r.kept() > 0) {
      const int kept = r.kept();
      deckWarning(deck.fileName(), deck.lineNumber(), label, name,
                  std::to_string(kept) + " of the " + std::to_string(s.NCELL) + " values of the whole form " +
                   (kept == 1 ? "is a null value or follows" : "are null values or follow") +
                   " a slash: such a cell keeps the value the last " +
                   (std::is_same_v<T, int> ? "integer" : "real") +
                   " array read in the whole form gave it (0 when none did); give every value");
    }
    int m = 0, count = 0, notWells = 0;
    for (int k = 1; k <= s.NZ; ++k)
      for (int j = 1; j <= s.NY; ++j)
        for (int i = 1; i <= s.NX; ++i) {
          T v = buf[m++];
          if (v < lo || v > hi) ++count;
          if (igroup == kActivityGroup && v < 0) {
            ++notWells;
            v = 1;
          }
          grid[cell(s, i, j, k) - 1] = v;
        }
    if (count >= 1) {
      std::string note;
      if (notWells >= 1) {
        note = std::to_string(notWells) + (notWells == 1 ? " of them is negative, and " : " of them are negative, and ");
        note += kNotAWell;
      }
      warnArray(s, deck, igroup, 7, count, lo, hi, note);
    }
  }
  dbgBlank(s);
}

void checkActive(const State& s) {
  if (s.NGPACT < 0 || s.NGPACT > MXBLK) {
    throw RunError("active-block count NGPACT = " + std::to_string(s.NGPACT) + " outside 0 to " +
                   std::to_string(MXBLK));
  }
}

int activeCell(const State& s, int n) {
  const int L = s.IBLK(n);
  if (L < 1 || L > s.NCELL) {
    throw RunError("active block " + std::to_string(n) + " has grid number " + std::to_string(L) +
                   " outside the grid");
  }
  return L;
}

}  // namespace

void IRIRED(State& s, DeckReader& deck, IA<MXCELL>& ia, int icode, int igroup) {
  readGrid<int>(s, deck, ia.data(), s.IAREAD.data(), 1, s.IVLOW(igroup), s.IVHIGH(igroup), icode, igroup);
}

void IRYRED(State& s, DeckReader& deck, IA<MXBLK>& ia, int icode, int igroup) {
  checkGroup(s, igroup);
  checkActive(s);
  readGrid<int>(s, deck, s.IAWORK.data(), s.IAREAD.data(), 0, s.IVLOW(igroup), s.IVHIGH(igroup), icode,
                igroup);
  for (int n = 1; n <= s.NGPACT; ++n) ia(n) = s.IAWORK(activeCell(s, n));
}

void ARIRED(State& s, DeckReader& deck, RA<MXCELL>& a, int icode, int igroup) {
  readGrid<double>(s, deck, a.data(), s.RAREAD.data(), 0.0, s.RVLOW(igroup), s.RVHIGH(igroup), icode, igroup);
}

void ARYRED(State& s, DeckReader& deck, RA<MXBLK>& a, double dflt, int icode, int igroup) {
  checkGroup(s, igroup);
  checkActive(s);
  readGrid<double>(s, deck, s.RAWORK.data(), s.RAREAD.data(), dflt, s.RVLOW(igroup), s.RVHIGH(igroup), icode,
                   igroup);
  for (int n = 1; n <= s.NGPACT; ++n) a(n) = s.RAWORK(activeCell(s, n)) + 1.0E-51;
}

}  // namespace talvek
