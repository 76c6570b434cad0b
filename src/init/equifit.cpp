// Equispaced fits: each property table is resampled at NINTBLE equally spaced
// abscissae by linear interpolation and turned into per-interval polynomials,
// so that a lookup during the run finds its interval by index arithmetic.
#include "init/equifit.h"

#include <cstdio>
#include <string>

#include "io/errors.h"
#include "physics/lookup.h"
#include "state/state.h"

namespace talvek {

namespace {

std::string num(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.8g", v);
  return buf;
}

// One fitted table of one region: abscissa column X of nrow rows.
struct Fitter {
  State& s;
  int kind, region, nrow;
  const double* x;
  double xp[MXFIT];
  double yp[MXFIT];

  Fitter(State& st, int k, int r, const double* xcol, int n, const char* what, const char* group)
      : s(st), kind(k), region(r), nrow(n), x(xcol) {
    const std::string where = "deck " + deckName(s) + ", group " + group + ": " + what + " of region " +
                              std::to_string(region);
    if (nrow < 2 || nrow > MXROW)
      throw RunError(where + ": " + std::to_string(nrow) +
                     " rows; an equispaced fit needs 2 to 30 rows");
    const double first = x[0];
    const double last = x[nrow - 1];
    if (!(last > first))
      throw RunError(where + ": first abscissa " + num(first) + " and last abscissa " + num(last) +
                     " give no range for an equispaced fit");
    const double spacing = (last - first) / s.NINT;
    for (int j = 1; j <= s.NINTBLE; ++j) xp[j - 1] = first + (j - 1) * spacing;
    s.FITXF(kind, region) = first;
    s.FITXL(kind, region) = last;
    s.FITRSP(kind, region) = 1.0 / spacing;
  }

  // Fits ordinate column y into the coefficient table starting at fitc.
  void fit(const double* y, double* fitc) {
    for (int j = 1; j <= s.NINTBLE; ++j) {
      int ipos;
      double xwid, xoff;
      SEARCH(ipos, xwid, xoff, x, xp[j - 1], nrow);
      FUN1D(ipos, xwid, xoff, y, yp[j - 1], nrow);
    }
    EQNFIT(xp, yp, fitc, s.NINTBLE, s.IQUAD);
  }
};

}  // namespace

void PREQFT(State& s) {
  const int need = (s.IQUAD == 2) ? 3 : 2;
  if (s.NINTBLE < need)
    throw RunError("deck " + deckName(s) + ", group DATA 03B: IQUAD = " + std::to_string(s.IQUAD) +
                   " needs at least " + std::to_string(need) + " equispaced points, NINTBLE = " +
                   std::to_string(s.NINTBLE));
  if (s.NINTBLE > MXFIT)
    throw RunError("deck " + deckName(s) + ", group DATA 03B: NINTBLE = " + std::to_string(s.NINTBLE) +
                   " exceeds the " + std::to_string(MXFIT) + " equispaced points the tables hold");
  if (s.NKRRGN < 1 || s.NKRRGN > MXRGN || s.NPVTRGN < 1 || s.NPVTRGN > MXRGN)
    throw RunError("deck " + deckName(s) + ", group DATA 10B: NKRRGN = " + std::to_string(s.NKRRGN) +
                   ", NPVTRGN = " + std::to_string(s.NPVTRGN) + " outside 1..30");
  s.NINT = s.NINTBLE - 1;

  for (int r = 1; r <= s.NKRRGN; ++r) {
    Fitter gl(s, FTGL, r, s.SLT.column(r), s.NRGO(r), "gas-liquid table", "DATA 39C");
    gl.fit(s.KRG.column(r), s.FKRG.column(r));
    gl.fit(s.KROG.column(r), s.FKROG.column(r));
    gl.fit(s.PCGO.column(r), s.FPCGO.column(r));
    Fitter wo(s, FTWO, r, s.SWT.column(r), s.NRWO(r), "water-oil table", "DATA 38C");
    wo.fit(s.KRW.column(r), s.FKRW.column(r));
    wo.fit(s.KROW.column(r), s.FKROW.column(r));
    wo.fit(s.PCOW.column(r), s.FPCOW.column(r));
  }
  for (int p = 1; p <= s.NPVTRGN; ++p) {
    Fitter bp(s, FTPVP, p, s.PRES.column(p), s.NRPVT(p), "PVT table by pressure", "DATA 40C");
    bp.fit(s.BW.column(p), s.FBW.column(p));
    bp.fit(s.BO.column(p), s.FBO.column(p));
    bp.fit(s.BG.column(p), s.FBG.column(p));
    bp.fit(s.MUW.column(p), s.FMUW.column(p));
    bp.fit(s.MUO.column(p), s.FMUO.column(p));
    bp.fit(s.MUG.column(p), s.FMUG.column(p));
    bp.fit(s.RST.column(p), s.FRS.column(p));
    Fitter br(s, FTPVR, p, s.RST.column(p), s.NRPVT(p), "PVT table by solution ratio", "DATA 40C");
    br.fit(s.PRES.column(p), s.FPBR.column(p));
    br.fit(s.BO.column(p), s.FBOR.column(p));
    br.fit(s.MUO.column(p), s.FMUOR.column(p));
  }
  Fitter pv(s, FTPOL, 1, s.CPPPM.data(), s.NRPOL, "polymer viscosity table", "DATA 43C");
  pv.fit(s.MUP.data(), s.FMUP.data());
  Fitter rt(s, FTRET, 1, s.CRPT.data(), s.NRRET, "polymer retention table", "DATA 44C");
  rt.fit(s.RF.data(), s.FRF.data());
  rt.fit(s.RRF.data(), s.FRRF.data());
}

}  // namespace talvek
