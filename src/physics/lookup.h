// One-dimensional table lookup.
//
// Two methods, chosen once per run by IQUAD:
//  - IQUAD = 0: SEARCH finds the interval of a table column as read, FUN1D
//    interpolates linearly in it (one SEARCH, then one FUN1D per column);
//  - IQUAD = 1 or 2: the tables were resampled at NINTBLE equispaced points
//    and turned into per-interval polynomials by EQNFIT (PREQFT does that at
//    start-up); CEARCH finds the interval by index arithmetic and EQNVAL
//    evaluates the interval's polynomial.
// Both hold the value at the table's end values beyond its ends.
//
// Table columns are passed as pointers to their first row: XTAB[k-1] is row
// k (for a state table RA<MXROW, MXRGN> use .column(region)). A coefficient
// table FITC(3, NINT) is contiguous, coefficient m of interval k at
// FITC[3*(k-1) + (m-1)]; the value in interval k is
// (FITC(1,k)*x + FITC(2,k))*x + FITC(3,k).
#pragma once

namespace talvek {

struct State;

// Interval of XVAL in the ascending abscissa column XTAB of NROW rows:
// IPOS is the row at the interval's upper end (2 <= IPOS <= NROW), XWID the
// interval's width, XOFF the offset of XVAL from its lower end. A value at or
// below the first row gives IPOS = 2, XOFF = 0; at or above the last row
// IPOS = NROW, XOFF = XWID. A value equal to an interior abscissa lands in
// the interval above that row.
void SEARCH(int& IPOS, double& XWID, double& XOFF, const double* XTAB, double XVAL, int NROW);

// SEARCH that first tries the interval IPOS already holds (the interval of a
// nearby value: the neighbouring block's, or the unraised state's). In an
// ascending column, a value above the first row with
// XTAB(IPOS-1) <= XVAL < XTAB(IPOS) lies in the one interval SEARCH finds,
// and gets the same XWID and XOFF; otherwise (IPOS outside 2..NROW, a value
// elsewhere, at or below the first row, or not a number) SEARCH decides.
// A column with rows out of order (ASCENDING false, see ascendingColumn) is
// left to SEARCH: there the interval tried first need not be the one SEARCH
// finds, and the value would depend on the order of the lookups.
inline void searchNear(int& IPOS, double& XWID, double& XOFF, const double* XTAB, double XVAL, int NROW,
                       bool ASCENDING) {
  const int ip = IPOS;
  if (ASCENDING && ip >= 2 && ip <= NROW && XTAB[0] < XVAL && XTAB[ip - 2] <= XVAL && XVAL < XTAB[ip - 1]) {
    XWID = XTAB[ip - 1] - XTAB[ip - 2];
    XOFF = XVAL - XTAB[ip - 2];
    return;
  }
  SEARCH(IPOS, XWID, XOFF, XTAB, XVAL, NROW);
}

// True when no row of the abscissa column XTAB (NROW rows) is below the row
// before it. The deck reader only warns about a table read with its rows out
// of order and keeps it as read; such a column is searched by SEARCH alone.
inline bool ascendingColumn(const double* XTAB, int NROW) {
  for (int k = 1; k < NROW; ++k)
    if (XTAB[k] < XTAB[k - 1]) return false;
  return true;
}

// Linear interpolation in the ordinate column YTAB with the results of one
// SEARCH. A zero-width interval gives the lower row's value.
void FUN1D(int IPOS, double XWID, double XOFF, const double* YTAB, double& YVAL, int NROW);

// Interval of XVAL in an equispaced fit of NINT intervals over
// [XFIRST, XLAST] with reciprocal spacing RSPACE. XVAL is clamped to the
// range (pass a scratch copy); 1 <= IPOS <= NINT.
void CEARCH(double& XVAL, double XFIRST, double XLAST, double RSPACE, int NINT, int& IPOS);

// Per-interval polynomials through NPT points (XPT, YPT): quadratic through
// each three consecutive points when IORDER = 2 (the last interval reuses the
// parabola of the one before it), linear otherwise. FITC receives 3*(NPT-1)
// coefficients. Needs NPT >= 2 (NPT >= 3 for IORDER = 2); PREQFT checks it.
void EQNFIT(const double* XPT, const double* YPT, double* FITC, int NPT, int IORDER);

// Value of interval IPOS of the coefficient table FITC at the (clamped) X.
inline double EQNVAL(const double* FITC, int IPOS, double X) {
  const double* c = FITC + 3 * (IPOS - 1);
  return (c[0] * X + c[1]) * X + c[2];
}

// PVT lookups of run control (table search or equispaced fit, by IQUAD).
// Saturated values at pressure p in PVT region r:
enum class PvtCol { BW, BO, BG, MUW, MUO, MUG, RS };
double PVTP(const State& s, int r, double p, PvtCol c);
// Bubble-point pressure, oil formation volume factor and oil viscosity at the
// solution ratio rs in PVT region r:
enum class PvtRsCol { PRES, BO, MUO };
double PVTR(const State& s, int r, double rs, PvtRsCol c);
// Several columns at one pressure or solution ratio: the interval is found
// once (by the fit's index arithmetic, or by a search that first tries the
// interval hint holds when the column is ascending, and leaves the one found
// there), and pvtValue gives each column what PVTP or PVTR give.
struct PvtAt {
  int r, nr, ip;
  double w, o, x;
};
PvtAt pvtAtP(const State& s, int r, double p, int& hint);
PvtAt pvtAtRs(const State& s, int r, double rs, int& hint);
double pvtValue(const State& s, const PvtAt& a, PvtCol c);
double pvtValue(const State& s, const PvtAt& a, PvtRsCol c);

}  // namespace talvek
