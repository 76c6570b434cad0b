// Initial state: phase state, formation volume factors, fluids in place,
// polymer and tracer masses, resistance factors and the aquifer shares.
#include "init/initial.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>

#include "io/errors.h"
#include "physics/aquifer.h"
#include "physics/lookup.h"
#include "state/state.h"

namespace talvek {

namespace {

template <typename T>
void zero(T& x) {
  if constexpr (std::is_arithmetic_v<T>)
    x = 0;
  else
    x.fill(0.0);
}

// Water, oil and gas formation volume factors and the saturated solution
// ratio at pressure `pres` in PVT region p (fit or table, by IQUAD).
void byPressure(State& s, int p, double pres, double& bw, double& bo, double& bg, double& rs) {
  if (s.IQUAD != 0) {
    double x = pres;
    int ip;
    CEARCH(x, s.FITXF(FTPVP, p), s.FITXL(FTPVP, p), s.FITRSP(FTPVP, p), s.NINT, ip);
    bw = EQNVAL(s.FBW.column(p), ip, x);
    bo = EQNVAL(s.FBO.column(p), ip, x);
    bg = EQNVAL(s.FBG.column(p), ip, x);
    rs = EQNVAL(s.FRS.column(p), ip, x);
    return;
  }
  const int nr = s.NRPVT(p);
  int ip;
  double w, o;
  SEARCH(ip, w, o, s.PRES.column(p), pres, nr);
  FUN1D(ip, w, o, s.BW.column(p), bw, nr);
  FUN1D(ip, w, o, s.BO.column(p), bo, nr);
  FUN1D(ip, w, o, s.BG.column(p), bg, nr);
  FUN1D(ip, w, o, s.RST.column(p), rs, nr);
}

// Bubble-point pressure and oil formation volume factor at the bubble point
// of oil with solution ratio `rs` in PVT region p.
void bySolution(State& s, int p, double rs, double& pb, double& bob) {
  if (s.IQUAD != 0) {
    double x = rs;
    int ip;
    CEARCH(x, s.FITXF(FTPVR, p), s.FITXL(FTPVR, p), s.FITRSP(FTPVR, p), s.NINT, ip);
    pb = EQNVAL(s.FPBR.column(p), ip, x);
    bob = EQNVAL(s.FBOR.column(p), ip, x);
    return;
  }
  const int nr = s.NRPVT(p);
  int ip;
  double w, o;
  SEARCH(ip, w, o, s.RST.column(p), rs, nr);
  FUN1D(ip, w, o, s.PRES.column(p), pb, nr);
  FUN1D(ip, w, o, s.BO.column(p), bob, nr);
}

// Resistance and residual resistance factors at adsorbed polymer `crp`.
void byRetention(State& s, double crp, double& rf, double& rrf) {
  if (s.IQUAD != 0) {
    double x = crp;
    int ip;
    CEARCH(x, s.FITXF(FTRET, 1), s.FITXL(FTRET, 1), s.FITRSP(FTRET, 1), s.NINT, ip);
    rf = EQNVAL(s.FRF.data(), ip, x);
    rrf = EQNVAL(s.FRRF.data(), ip, x);
    return;
  }
  int ip;
  double w, o;
  SEARCH(ip, w, o, s.CRPT.data(), crp, s.NRRET);
  FUN1D(ip, w, o, s.RF.data(), rf, s.NRRET);
  FUN1D(ip, w, o, s.RRF.data(), rrf, s.NRRET);
}

// Every later step divides by the formation volume factors and works on the
// initial pressures and saturations: a value that is not a finite number, or
// a volume factor that is not positive, can only spread infinities through
// the run. Such a state comes from extreme deck values (initial arrays,
// equilibrium references, PVT data), so the run stops naming the block.
void checkInitialState(const State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    const struct {
      const char* name;
      double v;
      bool positive;
    } q[] = {{"pressure P", s.PN(n), false},
             {"water saturation SW", s.SWN(n), false},
             {"oil saturation SO", s.SON(n), false},
             {"gas saturation SG", s.SGN(n), false},
             {"polymer-solution saturation SP", s.SPN(n), false},
             {"solution gas-oil ratio RS", s.RSN(n), false},
             {"water formation volume factor BW", s.BWN(n), true},
             {"oil formation volume factor BO", s.BON(n), true},
             {"gas formation volume factor BG", s.BGN(n), true}};
    for (const auto& c : q) {
      if (std::isfinite(c.v) && (!c.positive || c.v > 0.0)) continue;
      char buf[320];
      std::snprintf(buf, sizeof buf,
                    ": the initial %s of block (%d,%d,%d) is %g%s; check the initial arrays (DATA 22A to "
                    "26A), the equilibrium data (DATA 09B) and the PVT table (DATA 40C, 41B)",
                    c.name, s.IJK(1, n), s.IJK(2, n), s.IJK(3, n), c.v,
                    std::isfinite(c.v) ? " (it must be above 0)" : "");
      throw RunError("deck " + deckName(s) + buf);
    }
  }
}

// Stops the run on aquifer data of group 8 that give no usable aquifer,
// naming the deck, the line of the values, the group and the items.
[[noreturn]] void aquiferStop(const State& s, const char* items, const std::string& why) {
  const std::string file = deckName(s);
  throw DeckError(file, s.LINAQ, "DATA 08B", items,
                  file + ":" + std::to_string(s.LINAQ) + ": data group DATA 08B, item " + items + ": " + why);
}

// The constant of the chosen model, and for the unsteady model the time
// factor and the influence function at the radius's boundary threshold
// (where its bounded-aquifer form begins), must be finite numbers: input
// that overflows them (radii, thicknesses or compressibilities far outside
// any reservoir) stops the run with the deck's values.
void checkAquiferConstants(const State& s, double k) {
  constexpr double kRaise = 1.0E-51;
  const char* what = nullptr;
  const char* items = nullptr;  // the items the value is made of
  double value = 0.0;
  const char* names[3] = {"pot constant", "steady-state constant", "unsteady-state constant"};
  const char* made[3] = {"AQFH, AQRW, AQRE, ANGLE, AQCWE", "AQKH, AQRW, AQRE, ANGLE, AQMUW",
                         "AQFH, AQRW, ANGLE, AQCWE"};
  if (!std::isfinite(k)) {
    what = names[s.IDAQFR - 2];
    items = made[s.IDAQFR - 2];
    value = k;
  } else if (s.IDAQFR == 4) {
    const double r = s.REDAQ;
    const double tds = 0.0980958 * (r - 1.0) + 0.100683 * std::pow(r - 1.0, 2.03863);
    if (!std::isfinite(s.TDFAC)) {
      what = "dimensionless time factor";
      items = "AQFH, AQKH, AQRW, AQCWE, AQMUW";
      value = s.TDFAC;
    } else if (tds <= s.TMTOTAL * s.TDFAC) {
      // The influence function where the outer boundary is first felt, when
      // the run gets there. An aquifer so large that it stays infinite-acting
      // for the whole run (AQRE of 1E30 given for an infinite one) never
      // needs it; a restart that runs on to it is stopped at that step.
      double pd = 0.0, pdp = 0.0;
      AQKBC(tds, r, pd, pdp);
      if (!std::isfinite(pd) || !std::isfinite(pdp)) {
        what = "influence function at the aquifer boundary, pD";
        items = "AQRW, AQRE";
        value = pd;
      }
    }
  }
  if (what == nullptr) return;
  char buf[400];
  std::snprintf(buf, sizeof buf,
                "the aquifer %s is %g; check AQFH = %g, AQKH = %g, AQRW = %g, AQRE = %g, ANGLE = %g, "
                "AQCWE = %g, AQMUW = %g",
                what, value, s.AQFH - kRaise, s.AQKH - kRaise, s.AQRW - kRaise, s.AQRE - kRaise,
                s.ANGLE - kRaise, s.AQCWE - kRaise, s.AQMUW - kRaise);
  aquiferStop(s, items, buf);
}

void aquiferShares(State& s) {
  // The deck values were raised by 1.0E-51 when group 8 was read: a radius
  // given as 0 arrives as 1.0E-51 and is refused all the same, and the
  // message shows the values as the deck gave them.
  constexpr double kRaise = 1.0E-51;
  // The steady-state constant divides by the logarithm of the radius ratio
  // and the unsteady influence function needs the ratio above 1.
  if (!(s.AQRW > kRaise) || !(s.AQRE / s.AQRW > 1.0)) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "reservoir radius AQRW = %.6g and aquifer external radius AQRE = %.6g; the aquifer "
                  "needs 0 < AQRW < AQRE",
                  s.AQRW - kRaise, s.AQRE - kRaise);
    aquiferStop(s, s.AQRW > kRaise ? "AQRE" : "AQRW", buf);
  }
  const double f = s.ANGLE / 360.0;
  const double pi = s.PI;
  s.AQK1 = pi * s.AQCWE * s.AQFH * (s.AQRE * s.AQRE - s.AQRW * s.AQRW) * f / s.C1;
  s.AQK2 = 2.0 * pi * s.C2 * s.AQKH * f / (std::log(s.AQRE / s.AQRW) * s.AQMUW);
  s.AQK3 = 2.0 * pi * s.AQFH * s.AQCWE * s.AQRW * s.AQRW * f / s.C1;
  s.REDAQ = s.AQRE / s.AQRW;
  s.TDFAC = s.C1 * s.C2 * s.AQKH / (s.AQMUW * s.AQFH * s.AQCWE * s.AQRW * s.AQRW);
  const double k = s.IDAQFR == 2 ? s.AQK1 : (s.IDAQFR == 3 ? s.AQK2 : s.AQK3);
  checkAquiferConstants(s, k);

  // Raw share of each block by the side(s) it opens to the aquifer.
  double sum = 1.0E-51;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    const double w = s.BBLKWT(n), h = s.HNET(n), dx = s.DX(l), dy = s.DY(l);
    const double ax = dy * s.KX(n), ay = dx * s.KY(n);
    double a;
    switch (s.INFBLK(n)) {
      case 1: a = w * h * ax; break;
      case 2: a = w * h * ay; break;
      case 3: a = w * h * (ax + ay); break;
      case 4: a = w * h * (2.0 * ax + ay); break;
      case 5: a = w * h * (ax + 2.0 * ay); break;
      case 6: a = 2.0 * w * h * (ax + ay); break;
      case 7: a = w * dx * dy * s.KZ(n); break;
      default:
        a = 0.0;
        s.BBLKWT(n) = 0.0;
    }
    s.AQCOEF(n) = a;
    sum += a;
  }
  for (int n = 1; n <= s.NGPACT; ++n) s.AQCOEF(n) = k * s.AQCOEF(n) / sum;
}

}  // namespace

void INITAL(State& s) {
  s.PI = 4.0 * std::atan(1.0);
  s.RECOIL = s.PVOT = s.PVWT = s.PVGT = s.PVPT = s.TINY;
  s.INOIL = s.INWATER = s.INGAS = s.INPOLY = s.INPMAS = 0.0;
  zero(s.CUMINJ);
  zero(s.CUMPRD);
  zero(s.CUMAQ);
  zero(s.CUMAQR);
  zero(s.CUMNET);
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int c = 1; c <= 6; ++c) s.CUMPB(c, n) = s.CUMIB(c, n) = 0.0;
    s.WECUM(n) = 0.0;  // aquifer's cumulative exchange
  }

  // 1. Phase state of every block.
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int p = s.NPVTGN(n);
    double bw, bo, bg, rs;
    byPressure(s, p, s.PN(n), bw, bo, bg, rs);
    s.BWN(n) = bw;
    s.BGN(n) = bg;
    // Free gas makes the oil saturated only when gas is part of the system.
    // Without a gas equation the gas saturation is a fixed saturation, no
    // block can ever switch back to undersaturated, and oil held at the
    // saturated volume factor with its state never switching lets the Newton
    // iteration fail step after step (an oil-water deck whose SO + SW is 0.99
    // ended after fifteen cuts with overflowing values).
    if (s.SGN(n) > 1.0E-6 && s.KEQG >= 1) {
      s.BON(n) = bo;
      s.RSN(n) = rs;
      s.RSTOT(n) = s.SGN(n) * s.BON(n) / (s.SON(n) * s.BGN(n) + 1.0E-6) + s.RSN(n);
      bySolution(s, p, s.RSTOT(n), s.PBUBL(n), s.BOBUB(n));
      s.ISATN(n) = 1;
      s.EPSX2(n) = 0.001;
    } else {
      bySolution(s, p, s.RSN(n), s.PBUBL(n), s.BOBUB(n));
      s.BON(n) = s.BOBUB(n) / ((s.PN(n) - s.PBUBL(n)) * s.CO(p) + 1.0);
      s.RSTOT(n) = s.RSN(n);
      s.ISATN(n) = 0;
      s.EPSX2(n) = 1.0;
      if (s.KEQO >= 1 && s.KEQG >= 1 && s.SON(n) <= SONONE) {
        // Neither oil nor free gas (a water zone): the block starts
        // saturated without free gas, its unknown the oil saturation, not a
        // solution ratio that no oil holds. Its ratio, volume factor and
        // bubble point stay as given (the reports show them); with no oil
        // they hold no fluid.
        s.ISATN(n) = 1;
        s.EPSX2(n) = 0.001;
      }
    }
  }

  checkInitialState(s);

  // 2. Volumes in place.
  const bool oil = s.KEQO >= 1, wat = s.KEQW >= 1, gas = s.KEQG >= 1;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int r = s.NKRGN(n);
    double sor = 0.0;
    if (oil && wat && gas)
      sor = std::min(s.SORW(r), s.SORG(r));
    else if (oil && wat)
      sor = s.SORW(r);
    else if (oil && gas)
      sor = s.SORG(r);

    s.SA(n) = s.SWN(n) + s.SPN(n);
    s.PHIN(n) = s.PHI(n) * (1.0 + s.CPHI * (s.PN(n) - s.PREF));
    const double v = s.VB(n) * s.PHIN(n);
    s.RMASS(n) = (1.0 - s.PHI(n)) * s.VB(n) * s.DENR;
    const double vo = v / s.BON(n), vw = v / s.BWN(n), vg = v / s.BGN(n);
    s.PVOT += vo;
    s.PVWT += vw;
    s.PVGT += vg;
    s.PVPT += vw;
    s.STOIP(n) = vo * s.SON(n);
    s.OIPH(n) = s.HNET(n) * s.PHIN(n) * s.SON(n) / s.BON(n);
    s.WIP(n) = vw * s.SWN(n);
    s.PSIP(n) = vw * s.SPN(n);
    s.GIP(n) = vg * s.SGN(n) + s.RSN(n) * s.STOIP(n);
    s.RECOIL += (s.SON(n) - sor) * vo;
    s.INOIL += s.STOIP(n);
    s.INWATER += s.WIP(n);
    s.INPOLY += s.PSIP(n);
    s.INGAS += s.GIP(n);
  }

  // 3. Polymer and tracer masses.
  for (int n = 1; n <= s.NGPACT; ++n) {
    const double denws = s.DENWS(s.NPVTGN(n));
    s.CPMF(n) = s.CONCP(n) * 1.0E-6 * denws;
    s.CTMF(n) = s.CONCT(n) * 1.0E-6 * denws;
    const double ads = s.RMASS(n) * s.CRP(n);
    s.PMIP(n) = s.VB(n) * s.PHIN(n) * s.SPN(n) * s.CPMF(n) / s.BWN(n) + ads;
    s.INPMAS += s.PMIP(n);
  }

  // 4. Resistance factors of the retained polymer.
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.RFB(n) = 1.0;
    s.RRFB(n) = 1.0;
    if (s.KEQP >= 1 && s.CRP(n) > s.CRPT(1)) byRetention(s, s.CRP(n), s.RFB(n), s.RRFB(n));
  }

  // 5. Aquifer constants and influx shares.
  if (s.IDAQFR != 1) aquiferShares(s);
}

}  // namespace talvek
