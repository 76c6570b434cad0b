// Accumulation terms and their derivatives.
//
// Each term is written as the conservative expansion
//   S*A/B - SN*A0/BN = (S - SN)*A/B + SN*(A/B - A0/BN),
// and the second part as a chord slope times the pressure change (or, for
// undersaturated oil, the change of the solution ratio from the old bubble
// point). The slopes serve as the derivatives, so that the Newton update
// conserves mass between the old level and the iterate.
#include "physics/accumulation.h"

#include "state/state.h"

namespace talvek {

namespace {
constexpr double kTiny = 1.0E-51;
}

void ACCUM(State& s, int n, const AccumInput& a) {
  const bool watOn = s.KEQW > 0, oilOn = s.KEQO > 0, gasOn = s.KEQG > 0, polOn = s.KEQP > 0;
  const int iqw = s.IQW, iqo = s.IQO, iqg = s.IQG, iqp = s.IQP;
  const int isw = s.ISW, iso = s.ISO, ipo = s.IPO, isp = s.ISP;

  const double p = s.P(n), pn = s.PN(n);
  const double dp = p - pn + kTiny;
  const double v = s.VB(n) / s.DTIME;
  const double phin = s.PHIN(n);
  const double A = a.PHI * v;
  const double A0 = phin * v;
  // The tiny term keeps a block without pore space finite.
  const double cphi = (a.PHI - phin) / (a.PHI * dp + kTiny);

  const double bwn = s.BWN(n), bgn = s.BGN(n), bon = s.BON(n);
  const double cpw = (cphi / bwn - ((a.BW - bwn) / dp) / (a.BW * bwn)) * A;
  const double csw = A / a.BW;
  const double cw0 = A0 / bwn;
  const double cpg = (cphi / bgn - ((a.BG - bgn) / dp) / (a.BG * bgn)) * A;
  const double csg = A / a.BG;
  const double cg0 = A0 / bgn;
  const double cso = A / a.BO;
  const double co0 = A0 / bon;

  const double sw = s.SW(n), so = s.SO(n), sg = s.SG(n), sp = s.SP(n), rs = s.RS(n);
  const double swn = s.SWN(n), son = s.SON(n), sgn = s.SGN(n), spn = s.SPN(n), rsn = s.RSN(n);

  s.ACCR(iqw, n) = sw * csw - swn * cw0;
  s.ACCR(iqp, n) = sp * csw - spn * cw0;
  s.ACCR(iqo, n) = so * cso - son * co0;
  s.ACCR(iqg, n) = sg * csg - sgn * cg0 + rs * so * cso - rsn * son * co0;

  for (int m = 1; m <= MXEQ; ++m)
    for (int k = 1; k <= MXEQ; ++k) s.DACC(k, m, n) = 0.0;

  // Polymer solution and water share the aqueous formation volume factor.
  s.DACC(iqp, isp, n) = csw;
  s.DACC(iqp, ipo, n) = cpw * spn;
  if (oilOn || gasOn) {
    s.DACC(iqw, isw, n) = csw;
  } else {
    // SW = 1 - SP (less the fixed saturations): the water term moves with SP.
    s.DACC(iqw, isp, n) = -csw;
    s.DACC(iqw, isw, n) = 0.0;
  }
  s.DACC(iqw, ipo, n) = cpw * swn;

  if (!oilOn || s.ISAT(n) == 1) {
    double delta = dp;
    double bref = bon;
    if (oilOn && s.ISATN(n) == 0) {
      // Gas appeared during the step: the oil slopes start at the old bubble point.
      delta = p - s.PBUBL(n) + kTiny;
      bref = s.BOBUB(n);
    }
    const double g = (1.0 / a.BO - 1.0 / bref) / delta;
    const double dr = (rs - rsn) / delta;
    const double cpo = (cphi / bon + g) * A;
    s.DACC(iqo, iso, n) = cso;
    s.DACC(iqo, ipo, n) = cpo * son;
    s.DACC(iqg, isp, n) = -csg;
    s.DACC(iqg, isw, n) = -csg;
    s.DACC(iqg, iso, n) = -csg;
    s.DACC(iqg, ipo, n) = cpg * sgn + co0 * son * dr;
  } else {
    // Undersaturated: the second unknown is RS, SO = 1 - SW - SP.
    const double pbubl = s.PBUBL(n);
    const double pr = s.ISATN(n) >= 1 ? pbubl : pn;
    const double co = s.CO(s.NPVTGN(n));
    const double dR = rs - s.RSTOT(n) + kTiny;
    const double gp = co / a.BOB;
    const double M = (1.0 / a.BOB - 1.0 / s.BOBUB(n)) * ((pr - pbubl) * co + 1.0);
    const double gR = (M - (a.PB - pbubl) * gp) / dR;
    const double cpo = (cphi / bon + gp) * A;
    s.DACC(iqo, isp, n) = -cso;
    s.DACC(iqo, isw, n) = -cso;
    // The slopes in RS are taken with the old oil saturation. A block whose
    // oil more than doubles within the step (oil flowing into a block that
    // held little or none) would get slopes less than half the true ones,
    // and a Newton step with such a slope overshoots the ratio by more than
    // it corrects: RS oscillates with growing swings, and without old oil
    // its column is empty. Such a block takes the slopes of its new oil:
    // the oil and gas accumulations S*A/B and RS*S*A/B differentiated at
    // the new saturation.
    const bool filling = so > 2.0 * son;
    s.DACC(iqo, iso, n) = A * gR * (filling ? so : son);
    s.DACC(iqo, ipo, n) = cpo * son;
    s.DACC(iqg, iso, n) = filling ? so * cso : co0 * son;
  }
  // Dissolved gas.
  s.DACC(iqg, isp, n) += rs * s.DACC(iqo, isp, n);
  s.DACC(iqg, isw, n) += rs * s.DACC(iqo, isw, n);
  s.DACC(iqg, iso, n) += rs * s.DACC(iqo, iso, n);
  s.DACC(iqg, ipo, n) += rs * s.DACC(iqo, ipo, n);

  // Phase-state measure: how far the block is from losing a phase.
  auto aqueousCases = [&]() {
    if (oilOn) {
      s.SATCON(n) = 1.0 - sw - sp;
      s.DSATCON(isp, n) = -1.0;
      s.DSATCON(isw, n) = -1.0;
      s.DSATCON(ipo, n) = 0.0;
    } else if (watOn) {
      s.SATCON(n) = 1.0 - sp;
      s.DSATCON(isp, n) = -1.0;
      s.DSATCON(ipo, n) = 0.0;
    } else if (polOn) {
      s.SATCON(n) = 1.0;
      s.DSATCON(ipo, n) = 0.0;
    }
  };
  if (!gasOn) {
    aqueousCases();
  } else if (s.ISAT(n) == 1) {
    s.SATCON(n) = 1.0 - sp - sw - so;
    s.DSATCON(isp, n) = -1.0;
    s.DSATCON(isw, n) = -1.0;
    s.DSATCON(iso, n) = -1.0;
    s.DSATCON(ipo, n) = 0.0;
  } else if (oilOn) {
    const double rsat = a.RSAT + kTiny;
    const double rsatp = a.RSATP + kTiny;
    s.SATCON(n) = 1.0 - rs / rsat;
    s.DSATCON(isp, n) = 0.0;
    s.DSATCON(isw, n) = 0.0;
    s.DSATCON(iso, n) = -1.0 / rsat;
    s.DSATCON(ipo, n) = -(1.0 / rsatp - 1.0 / rsat) * rs / s.EPSP;
  } else {
    // Gas without oil and without free gas: the aqueous cases (oil is off).
    aqueousCases();
  }
}

}  // namespace talvek
