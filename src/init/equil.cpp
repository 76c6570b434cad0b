// Hydrostatic equilibrium: phase pressures by depth, contacts, capillary
// transition zones, and the saturations and pressure of each block averaged
// over the zones its height spans.
#include "init/equil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "io/warnings.h"

#include "physics/lookup.h"
#include "state/state.h"
#include "solver/numbering.h"

namespace talvek {

namespace {

constexpr int kMaxRounds = 20;
constexpr double kPresTol = 1.0E-6;
constexpr double kDepthTol = 1.0E-4;
constexpr double kTiny = 1.0E-51;

// Linear interpolation of column y against the ascending column x (n rows).
double interp(const double* x, const double* y, int n, double v) {
  int ip;
  double w, o, r;
  SEARCH(ip, w, o, x, v, n);
  FUN1D(ip, w, o, y, r, n);
  return r;
}

// One PVT region's lookups, always by interpolation in the tables as read.
struct Pvt {
  State& s;
  int p;
  const double* pres() const { return s.PRES.column(p); }
  int n() const { return s.NRPVT(p); }
  double bw(double pr) const { return interp(pres(), s.BW.column(p), n(), pr); }
  double bg(double pr) const { return interp(pres(), s.BG.column(p), n(), pr); }
  double bo(double pr) const { return interp(pres(), s.BO.column(p), n(), pr); }
  double rs(double pr) const { return interp(pres(), s.RST.column(p), n(), pr); }
  double pb(double r) const { return interp(s.RST.column(p), pres(), n(), r); }
  double bob(double r) const { return interp(s.RST.column(p), s.BO.column(p), n(), r); }

  // Phase gradients (pressure per unit depth) at pressure pr.
  double gw(double pr) const { return s.GRADW(p) / bw(pr); }
  double gg(double pr) const { return s.GRADG(p) / bg(pr); }
  double go(double pr) const { return (s.GRADG(p) * rs(pr) + s.GRADO(p)) / bo(pr); }
  // Undersaturated oil of solution ratio r with bubble point pbr, bobr.
  double gu(double pr, double r, double pbr, double bobr) const {
    const double bu = bobr / ((pr - pbr) * s.CO(p) + 1.0);
    return (s.GRADG(p) * r + s.GRADO(p)) / bu;
  }
};

// Pressure at depth z of a phase with gradient gam(p), given p0 at z0; g0 is
// the gradient at the reference (gam(p0) unless the caller fixes it).
template <typename G>
double hydro(double z, double z0, double p0, double g0, const G& gam) {
  double p = p0;
  double pnew = p0;
  for (int round = 0; round < kMaxRounds; ++round) {
    const double gp = gam(p);
    const double gbar = 0.5 * (g0 + gp);
    pnew = p - ((z0 - z) - (p0 - p) / (gbar + kTiny)) * gp;
    if (std::fabs(pnew - p) < kPresTol) return pnew;
    p = pnew;
  }
  return pnew;
}

template <typename G>
double hydro(double z, double z0, double p0, const G& gam) {
  return hydro(z, z0, p0, gam(p0), gam);
}

// A capillary curve of one rock region: Pc against the wetting saturation,
// and its inverse from a copy put in ascending order of Pc.
struct Cap {
  const double* sat;
  const double* pcol;
  int n;
  double ks[MXROW] = {}, kpc[MXROW] = {};

  Cap(const double* satcol, const double* pccol, int rows) : sat(satcol), pcol(pccol), n(rows) {
    n = std::clamp(n, 1, MXROW);
    for (int k = 0; k < n; ++k) {
      ks[k] = sat[k];
      kpc[k] = pcol[k];
    }
    int isw = -1;
    ORDER(kpc, n, isw);
    ORDER(ks, n, isw);
  }
  double pc(double sw) const { return interp(sat, pcol, n, sw); }
  double sat_at(double pc) const { return interp(kpc, ks, n, pc); }
};

// Top of the transition zone of a heavy (wetting) and a light phase, with the
// heavy pressure pref at zref where the wetting saturation is 1. gh is the
// heavy gradient as a function of the heavy pressure (ghref its value at
// zref); gl the light gradient as a function of the light pressure (glref at
// zref). Returns the top (never below zref) and the heavy pressure there.
template <typename GH, typename GL>
void transitionTop(double zref, double pref, const GH& gh, double ghref, const GL& gl, double glref,
                   double pcs, double pc1, double& zt, double& pt) {
  zt = zref;
  for (int round = 0; round < kMaxRounds; ++round) {
    const double p = hydro(zt, zref, pref, ghref, gh);
    const double gbh = 0.5 * (ghref + gh(p));
    const double gbl = 0.5 * (glref + gl(p + pcs));
    double den = gbh - gbl;
    if (den == 0.0) den = kTiny;
    const double znew = zref - (pcs - pc1) / den;
    const bool done = std::fabs(znew - zt) < kDepthTol;
    zt = znew;
    if (done) break;
  }
  zt = std::min(zt, zref);
  pt = hydro(zt, zref, pref, ghref, gh);
}

// Splits the block [top, bot] (centre zc) among the zones separated by the
// ascending depths bnd[0..nb-1]: zone 0 lies above bnd[0], zone k between
// bnd[k-1] and bnd[k], zone nb below bnd[nb-1]. Calls f(zone, fraction,
// representative depth) for every zone holding more than 1.0E-6 of the block.
template <typename F>
void split(double top, double bot, double zc, const double* bnd, int nb, const F& f) {
  const double h = bot - top;
  if (!(h > 0.0)) {  // a block without height lies in the zone of its centre
    int k = 0;
    while (k < nb && zc > bnd[k]) ++k;
    f(k, 1.0, zc);
    return;
  }
  for (int k = 0; k <= nb; ++k) {
    const double lo = (k == 0) ? top : std::max(top, bnd[k - 1]);
    const double hi = (k == nb) ? bot : std::min(bot, bnd[k]);
    const double frac = (hi - lo) / h;
    if (frac <= 1.0E-6) continue;
    f(k, frac, 0.5 * (lo + hi));
  }
}

// Values of a transition zone between zt (top) and zr (bottom) at depth d:
// pressures interpolated linearly between their values at the two ends.
double lerp(double zt, double zr, double d, double at_top, double at_ref) {
  const double len = zr - zt;
  const double r = len > 0.0 ? (d - zt) / len : 1.0;
  return at_top + r * (at_ref - at_top);
}

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// Cases 1, 6 and 7 take the oil at ZREF as undersaturated, of solution
// ratio XREF5: its bubble point must not lie above the oil pressure there.
// Warned about once for each PVT region of the active blocks where it does.
void bubbleAboveReference(State& s, int icase) {
  bool seen[MXRGN + 1] = {};
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int r = s.NPVTGN(n);
    if (r < 1 || r > MXRGN || seen[r] || s.NRPVT(r) < 1) continue;
    seen[r] = true;
    const Pvt pvt{s, r};
    const double pb = pvt.pb(s.XREF5);
    if (!(pb > s.PZREF)) continue;
    std::string text = "the bubble point of oil of solution ratio " + num(s.XREF5) + " in PVT region " +
                       std::to_string(r) + " is " + num(pb) + ", above the oil pressure PREF = " + num(s.PZREF) +
                       " at ZREF: oil of that ratio holds free gas there, not the undersaturated oil case " +
                       std::to_string(icase) + " assumes; ";
    text += icase == 7 ? "the gas-oil contact is held at ZREF, so the column above ZREF starts as gas cap and "
                         "gas-oil transition; "
                       : "the oil starts with more gas than it can hold at its pressure; ";
    text += "give XREF5 at most " + num(pvt.rs(s.PZREF)) + " (the solution ratio at PREF) or PREF at least " + num(pb);
    // Each region's line is shown, with its own largest ratio: the count of
    // repeated warnings of the item would name only the first few regions.
    deckWarning(s.RUNFILE[0], s.LINEQL, "DATA 09B", "XREF5", text);
    flushDeckWarnings();
  }
}

}  // namespace

void NEWINT(State& s) {
  const int icase = s.ICASE;
  if (icase < 1 || icase > 7) return;
  const double zref = s.ZREF, pzref = s.PZREF;
  if (icase == 1 || icase == 6 || icase == 7) bubbleAboveReference(s, icase);

  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    const int r = s.NKRGN(n);
    const Pvt pvt{s, s.NPVTGN(n)};
    const double swcr = s.SWCR(r);
    const double zc = s.ZC(n), h = s.DZ(l);
    const double top = zc - 0.5 * h, bot = zc + 0.5 * h;
    const Cap wo(s.SWT.column(r), s.PCOWI.column(r), s.NRWO(r));
    const Cap gl(s.SLT.column(r), s.PCGOI.column(r), s.NRGO(r));

    double sw = 0.0, so = 0.0, pn = 0.0, rsn = 0.0;
    bool rs_by_gas = false;  // RSN = Rs(PN) where free gas is present
    double rs_ref = s.XREF5;

    auto gw = [&](double p) { return pvt.gw(p); };
    auto gg = [&](double p) { return pvt.gg(p); };
    auto go = [&](double p) { return pvt.go(p); };

    if (icase == 1) {
      const double rr = s.XREF5, pb = pvt.pb(rr), bob = pvt.bob(rr);
      auto gu = [&](double p) { return pvt.gu(p, rr, pb, bob); };
      pn = hydro(zc, zref, pzref, gu);
      sw = swcr;
      so = 1.0 - swcr;
      rsn = rr;
    } else if (icase == 2) {
      pn = hydro(zc, zref, pzref, gw);
      sw = 1.0;
      so = 0.0;
      rsn = 0.0;
    } else if (icase == 3) {
      pn = hydro(zc, zref, pzref, gg);
      sw = swcr;
      so = 0.0;
      rsn = 0.0;
    } else if (icase == 4) {
      // Gas over water on the gas-liquid curve; water properties at the
      // water pressure.
      const double pcs = gl.pc(swcr), pc1 = gl.pc(1.0);
      double zt, pt;
      transitionTop(zref, pzref, gw, gw(pzref), gg, gg(pzref + pc1), pcs, pc1, zt, pt);
      // Gas factor looked up at the gas pressure less PcS.
      auto ggz = [&](double p) { return pvt.gg(p - pcs); };
      const double bnd[2] = {zt, zref};
      split(top, bot, zc, bnd, 2, [&](int k, double f, double d) {
        if (k == 0) {
          const double pgas = hydro(d, zt, pt + pcs, ggz);
          sw += f * swcr;
          pn += f * (pgas - pcs);
        } else if (k == 1) {
          const double pw = lerp(zt, zref, d, pt, pzref);
          const double pg = lerp(zt, zref, d, pt + pcs, pzref + pc1);
          sw += f * gl.sat_at(pg - pw);
          pn += f * pw;
        } else {
          sw += f * 1.0;
          pn += f * hydro(d, zref, pzref, gw);
        }
      });
      so = 0.0;
      rsn = 0.0;
    } else if (icase == 5) {
      // Gas cap over saturated oil on the gas-liquid curve.
      rs_ref = pvt.rs(pzref);
      s.XREF5 = rs_ref;
      const double pcs = gl.pc(swcr), pc1 = gl.pc(1.0);
      double zt, pt;
      transitionTop(zref, pzref, go, go(pzref), gg, gg(pzref + pc1), pcs, pc1, zt, pt);
      const double bnd[2] = {zt, zref};
      split(top, bot, zc, bnd, 2, [&](int k, double f, double d) {
        if (k == 0) {
          const double pgas = hydro(d, zt, pt + pcs, gg);
          pn += f * (pgas - pcs);
        } else if (k == 1) {
          const double po = lerp(zt, zref, d, pt, pzref);
          const double pg = lerp(zt, zref, d, pt + pcs, pzref + pc1);
          so += f * (gl.sat_at(pg - po) - swcr);
          pn += f * po;
        } else {
          so += f * (1.0 - swcr);
          pn += f * hydro(d, zref, pzref, go);
        }
      });
      sw = swcr;
      rs_by_gas = true;
    } else {
      // Cases 6 and 7: undersaturated oil of solution ratio R over water on
      // the water-oil curve. The water pressure at ZREF is PZREF - Pc1; the
      // water factor is looked up at the water pressure plus PcS in the
      // transition search, plus Pc1 in the water zone, at PZREF for the
      // reference gradient.
      const double rr = s.XREF5, pbr = pvt.pb(rr), bobr = pvt.bob(rr);
      auto gu = [&](double p) { return pvt.gu(p, rr, pbr, bobr); };
      const double pcs = wo.pc(swcr), pc1 = wo.pc(1.0);
      const double pwref = pzref - pc1;
      auto gws = [&](double p) { return pvt.gw(p + pcs); };
      auto gw1 = [&](double p) { return pvt.gw(p + pc1); };
      const double gwref = pvt.gw(pzref);
      double zow, pow_t;
      transitionTop(zref, pwref, gws, gwref, gu, gu(pzref), pcs, pc1, zow, pow_t);

      // Oil pressure at the top of the water-oil transition: there the
      // capillary pressure is PcS, unless the gas-oil contact cuts the
      // transition short.
      double pot = pow_t + pcs;

      // Gas-oil system of case 7: the contact where the oil reaches its
      // bubble point, and the gas-liquid transition above it.
      double zgt = zow, zgo = zow, pgt = 0.0, pcs_g = 0.0, pc1_g = 0.0;
      if (icase == 7) {
        const double gbar = 0.5 * (gu(pbr) + gu(pzref));
        zgo = zref - (pzref - pbr) / (gbar + kTiny);
        // Keep the contacts in depth order (an oil reference pressure below
        // its bubble point would put the gas-oil contact below ZREF).
        zgo = std::min(zgo, zref);
        pcs_g = gl.pc(swcr);
        pc1_g = gl.pc(1.0);
        transitionTop(zgo, pbr, go, go(pbr), gg, gg(pbr + pc1_g), pcs_g, pc1_g, zgt, pgt);
        zgt = std::min(zgt, zgo);
        // An oil column shorter than the water-oil transition: the
        // transition ends at the gas-oil contact, with the oil there at its
        // bubble point and the water on its own gradient, so that the oil
        // pressure meets the gas-oil transition's without a jump and the
        // water saturation at the contact is that of their difference.
        if (zow < zgo) {
          zow = zgo;
          pow_t = hydro(zow, zref, pwref, gwref, gws);
          pot = hydro(zow, zref, pzref, gu);
        }
      }

      auto oilZone = [&](double f, double d) {
        sw += f * swcr;
        so += f * (1.0 - swcr);
        pn += f * hydro(d, zow, pot, gu);
      };
      auto owTransition = [&](double f, double d) {
        const double pw = lerp(zow, zref, d, pow_t, pwref);
        const double po = lerp(zow, zref, d, pot, pzref);
        const double swt = wo.sat_at(po - pw);
        sw += f * swt;
        so += f * (1.0 - swt);
        pn += f * po;
      };
      auto waterZone = [&](double f, double d) {
        sw += f * 1.0;
        pn += f * (hydro(d, zref, pwref, gwref, gw1) + pc1);
      };

      if (icase == 6) {
        const double bnd[2] = {zow, zref};
        split(top, bot, zc, bnd, 2, [&](int k, double f, double d) {
          if (k == 0)
            oilZone(f, d);
          else if (k == 1)
            owTransition(f, d);
          else
            waterZone(f, d);
        });
      } else {
        const double bnd[4] = {zgt, zgo, zow, zref};
        split(top, bot, zc, bnd, 4, [&](int k, double f, double d) {
          if (k == 0) {  // gas
            const double pgas = hydro(d, zgt, pgt + pcs_g, gg);
            sw += f * swcr;
            pn += f * (pgas - pcs_g);
          } else if (k == 1) {  // gas-oil transition
            const double po = lerp(zgt, zgo, d, pgt, pbr);
            const double pg = lerp(zgt, zgo, d, pgt + pcs_g, pbr + pc1_g);
            sw += f * swcr;
            so += f * (gl.sat_at(pg - po) - swcr);
            pn += f * po;
          } else if (k == 2) {
            oilZone(f, d);
          } else if (k == 3) {
            owTransition(f, d);
          } else {
            waterZone(f, d);
          }
        });
      }
      rs_by_gas = true;
    }

    const double sp = 0.0;
    const double sg = 1.0 - sw - so - sp;
    if (rs_by_gas) rsn = (sg >= 1.0E-6) ? pvt.rs(pn) : rs_ref;
    s.PN(n) = pn;
    s.SWN(n) = sw;
    s.SON(n) = so;
    s.SPN(n) = sp;
    s.SGN(n) = sg;
    s.RSN(n) = rsn;
  }
}

}  // namespace talvek
