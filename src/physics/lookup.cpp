// One-dimensional table lookup: interval search with linear interpolation,
// and the equispaced piecewise polynomials.
#include "physics/lookup.h"

#include "state/state.h"

namespace talvek {

namespace {
constexpr double kTiny = 1.0E-51;
}

void SEARCH(int& IPOS, double& XWID, double& XOFF, const double* XTAB, double XVAL, int NROW) {
  // XTAB is 1-based in the comments: x(k) = XTAB[k-1].
  if (NROW < 2) {
    // A one-row table has no interval: give the single row's value
    // (FUN1D then reads rows 1 and 2 with a zero offset).
    IPOS = 2;
    XWID = 0.0;
    XOFF = 0.0;
    return;
  }
  if (XVAL <= XTAB[0]) {
    IPOS = 2;
    XWID = XTAB[1] - XTAB[0];
    XOFF = 0.0;
    return;
  }
  if (XVAL >= XTAB[NROW - 1]) {
    IPOS = NROW;
    XWID = XTAB[NROW - 1] - XTAB[NROW - 2];
    XOFF = XWID;
    return;
  }
  // Bisection down to a bracket of at most five intervals.
  int lo = 1;
  int up = NROW;
  for (int round = 0; round < NROW; ++round) {
    if (up - lo <= 5) break;
    const int mid = (up + lo) / 2;
    if (XTAB[mid - 1] - XVAL > 0.0)
      up = mid;
    else
      lo = mid;
  }
  // Linear scan: the first row whose abscissa exceeds XVAL.
  IPOS = lo;
  for (int j = lo; j <= up; ++j) {
    if (XTAB[j - 1] <= XVAL)
      IPOS = j + 1;
    else
      break;
  }
  // A value that compares with nothing (not a number) must not lead outside
  // the table: keep the interval inside rows 1..NROW.
  if (IPOS < 2) IPOS = 2;
  if (IPOS > NROW) IPOS = NROW;
  XWID = XTAB[IPOS - 1] - XTAB[IPOS - 2];
  XOFF = XVAL - XTAB[IPOS - 2];
}

void FUN1D(int IPOS, double XWID, double XOFF, const double* YTAB, double& YVAL, int /*NROW*/) {
  const double ylo = YTAB[IPOS - 2];
  const double yup = YTAB[IPOS - 1];
  YVAL = ylo + (yup - ylo) / (XWID + kTiny) * XOFF;
}

void CEARCH(double& XVAL, double XFIRST, double XLAST, double RSPACE, int NINT, int& IPOS) {
  // The index is computed in floating point first, so that a value far
  // beyond the table cannot overflow the integer conversion.
  const double t = (XVAL - XFIRST) * RSPACE + 1.0;
  if (!(t >= 1.0)) {  // below the first abscissa (or not a number)
    IPOS = 1;
    XVAL = XFIRST;
    return;
  }
  if (t >= static_cast<double>(NINT) + 1.0) {
    IPOS = NINT;
    XVAL = XLAST;
    return;
  }
  IPOS = static_cast<int>(t);
  if (IPOS > NINT) {
    IPOS = NINT;
    XVAL = XLAST;
  }
}

void EQNFIT(const double* XPT, const double* YPT, double* FITC, int NPT, int IORDER) {
  auto x = [XPT](int k) { return XPT[k - 1]; };
  auto y = [YPT](int k) { return YPT[k - 1]; };
  auto c = [FITC](int m, int k) -> double& { return FITC[3 * (k - 1) + (m - 1)]; };
  if (IORDER == 2) {
    if (NPT < 3) return;
    for (int i = 1; i <= NPT - 2; ++i) {
      const int j = i + 1;
      const int k = i + 2;
      const double a1 = (y(j) - y(i)) / ((x(j) - x(i)) * (x(k) - x(j)));
      const double a2 = (y(k) - y(i)) / ((x(k) - x(i)) * (x(k) - x(j)));
      c(1, i) = a2 - a1;
      c(2, i) = (x(k) + x(i)) * a1 - (x(j) + x(i)) * a2;
      c(3, i) = y(i) - (c(1, i) * x(i) + c(2, i)) * x(i);
    }
    // The last interval lies on the parabola through the last three points.
    for (int m = 1; m <= 3; ++m) c(m, NPT - 1) = c(m, NPT - 2);
  } else {
    for (int i = 1; i <= NPT - 1; ++i) {
      c(1, i) = 0.0;
      c(2, i) = (y(i + 1) - y(i)) / (x(i + 1) - x(i));
      c(3, i) = y(i) - c(2, i) * x(i);
    }
  }
}

namespace {

// The place of x in region r's PVT table by its abscissa column `col`
// (ascending or not), or in the equispaced fit `fit` of that column.
PvtAt pvtAt(const State& s, int r, double x, int& hint, int fit, const double* col, bool ascending) {
  PvtAt a{r, 0, 1, 0.0, 0.0, x};
  if (s.IQUAD != 0) {
    CEARCH(a.x, s.FITXF(fit, r), s.FITXL(fit, r), s.FITRSP(fit, r), s.NINT, a.ip);
    return a;
  }
  a.nr = s.NRPVT(r);
  searchNear(hint, a.w, a.o, col, x, a.nr, ascending);
  a.ip = hint;
  return a;
}

}  // namespace

PvtAt pvtAtP(const State& s, int r, double p, int& hint) {
  return pvtAt(s, r, p, hint, FTPVP, &s.PRES(1, r), s.ASCPR(r) != 0);
}

PvtAt pvtAtRs(const State& s, int r, double rs, int& hint) {
  return pvtAt(s, r, rs, hint, FTPVR, &s.RST(1, r), s.ASCRS(r) != 0);
}

double pvtValue(const State& s, const PvtAt& a, PvtCol c) {
  const int r = a.r;
  if (s.IQUAD != 0) {
    const double* f = nullptr;
    switch (c) {
      case PvtCol::BW: f = &s.FBW(1, 1, r); break;
      case PvtCol::BO: f = &s.FBO(1, 1, r); break;
      case PvtCol::BG: f = &s.FBG(1, 1, r); break;
      case PvtCol::MUW: f = &s.FMUW(1, 1, r); break;
      case PvtCol::MUO: f = &s.FMUO(1, 1, r); break;
      case PvtCol::MUG: f = &s.FMUG(1, 1, r); break;
      case PvtCol::RS: f = &s.FRS(1, 1, r); break;
    }
    return EQNVAL(f, a.ip, a.x);
  }
  const double* col = nullptr;
  switch (c) {
    case PvtCol::BW: col = &s.BW(1, r); break;
    case PvtCol::BO: col = &s.BO(1, r); break;
    case PvtCol::BG: col = &s.BG(1, r); break;
    case PvtCol::MUW: col = &s.MUW(1, r); break;
    case PvtCol::MUO: col = &s.MUO(1, r); break;
    case PvtCol::MUG: col = &s.MUG(1, r); break;
    case PvtCol::RS: col = &s.RST(1, r); break;
  }
  double y = 0;
  FUN1D(a.ip, a.w, a.o, col, y, a.nr);
  return y;
}

double pvtValue(const State& s, const PvtAt& a, PvtRsCol c) {
  const int r = a.r;
  if (s.IQUAD != 0) {
    const double* f = c == PvtRsCol::PRES ? &s.FPBR(1, 1, r) : c == PvtRsCol::BO ? &s.FBOR(1, 1, r) : &s.FMUOR(1, 1, r);
    return EQNVAL(f, a.ip, a.x);
  }
  const double* col = c == PvtRsCol::PRES ? &s.PRES(1, r) : c == PvtRsCol::BO ? &s.BO(1, r) : &s.MUO(1, r);
  double y = 0;
  FUN1D(a.ip, a.w, a.o, col, y, a.nr);
  return y;
}

double PVTP(const State& s, int r, double p, PvtCol c) {
  int hint = 0;  // no interval to try: a search of the whole table
  return pvtValue(s, pvtAtP(s, r, p, hint), c);
}

double PVTR(const State& s, int r, double rs, PvtRsCol c) {
  int hint = 0;
  return pvtValue(s, pvtAtRs(s, r, rs, hint), c);
}

}  // namespace talvek
