// Analytic aquifer terms.
//
// Three models feed the influx blocks, each through QAQ = (P - PN) * AQA + AQB
// with the step's coefficients:
// - pot: the aquifer is a tank in pressure equilibrium with the block,
//   QAQ = AQCOEF * (P - PN) / DTIME;
// - steady state: QAQ = AQCOEF * ((P + PN) / 2 - PAQI), the exchange at the
//   mean pressure of the step against the initial pressure;
// - unsteady state: the constant-terminal-rate influence function pD of a
//   bounded radial aquifer, stepped by QAQ = G * (AQCOEF * (P - PAQI) -
//   pD' * WECUM) with G = TDFAC / (pD - pD' * tD0), tD at the end of the step.
#include "physics/aquifer.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "io/errors.h"
#include "physics/physics_state.h"
#include "state/state.h"

namespace talvek {

namespace {

constexpr int kRaised[4] = {KDPO, KDSW, KDX2, KDSP};

// Smallest rate that counts as flow out of the reservoir: anything at or
// below it brings water in.
constexpr double kOutflow = 1.0E-7;

void clearTerms(State& s, int n) {
  s.QAQ(n) = 0.0;
  s.QAO(n) = 0.0;
  s.QAW(n) = 0.0;
  s.QAG(n) = 0.0;
  s.QAP(n) = 0.0;
  for (int m = 1; m <= MXEQ; ++m)
    for (int k = 1; k <= MXEQ; ++k) s.DQA(k, m, n) = 0.0;
}

// A rising, positive influence function is what makes the influx grow with
// the pressure drop. The bounded-aquifer formula loses it for large radius
// ratios (its correlated eigenvalues drift from the true ones, and from a
// ratio of about 39 it turns negative where the boundary begins to be
// felt): such a run stops rather than exchange water the wrong way.
[[noreturn]] void badInfluence(const State& s, double td, double pd, double pdp) {
  // A restart runs with the aquifer of its image: its deck's group 8 is
  // passed over, and the message names no line of it.
  const bool image = s.LINAQ <= 0;
  char buf[440];
  std::snprintf(buf, sizeof buf,
                "the unsteady-state aquifer's influence function%s has no valid value at time %g "
                "(dimensionless time %g, AQRE / AQRW = %g): pD = %g, pD' = %g; the bounded-aquifer formula "
                "holds for AQRE / AQRW up to about 30",
                image ? " (the aquifer of the restart-up image)" : "", s.TIMUSE, td, s.REDAQ, pd, pdp);
  const std::string file = deckName(s);
  const std::string where = image ? file : file + ":" + std::to_string(s.LINAQ);
  throw DeckError(file, s.LINAQ, "DATA 08B", "AQRW, AQRE",
                  where + ": data group DATA 08B, item AQRW, AQRE: " + buf);
}

// The step's coefficients AQA, AQB of every influx block.
void coefficients(State& s) {
  double g = 0.0, pdp = 0.0;
  if (s.IDAQFR == 4) {
    const double t1 = s.TIMUSE;
    const double t0 = t1 - s.DTIME;
    const double td1 = t1 * s.TDFAC;
    const double td0 = t0 * s.TDFAC;
    double pd = 0.0;
    AQKBC(td1, s.REDAQ, pd, pdp);
    const double den = pd - pdp * td0;
    if (!(pd > 0.0) || !(pdp > 0.0) || !(den > 0.0) || !std::isfinite(den)) badInfluence(s, td1, pd, pdp);
    g = s.TDFAC / den;
  }
  for (int i = 1; i <= s.NAQBLK; ++i) {
    const int n = s.LAQBLK(i);
    switch (s.IDAQFR) {
      case 2:  // pot
        s.AQA(n) = s.AQCOEF(n) / s.DTIME;
        s.AQB(n) = 0.0;
        break;
      case 3:  // steady state
        s.AQA(n) = 0.5 * s.AQCOEF(n);
        s.AQB(n) = (s.PN(n) - s.PAQI(n)) * s.AQCOEF(n);
        break;
      default:  // unsteady state
        s.AQA(n) = g * s.AQCOEF(n);
        s.AQB(n) = (s.PN(n) - s.PAQI(n)) * s.AQA(n) - g * pdp * s.WECUM(n);
        break;
    }
  }
}

// Fluids leave block n in proportion to their mobilities: each phase's
// share of the total mobility, over its formation volume factor, times QAQ.
void outflow(State& s, int n) {
  const double q = s.QAQ(n), aqa = s.AQA(n), tiny = s.TINY;
  auto total = [&](int e) {
    return s.RMOB(JWAT, e, n) + s.RMOB(JOIL, e, n) + s.RMOB(JGAS, e, n) + s.RMOB(JPOL, e, n) + tiny;
  };
  const double lt = total(KBASE);
  const double fo = s.RMOBB(JOIL, KBASE, n) / lt, fw = s.RMOBB(JWAT, KBASE, n) / lt, fg = s.RMOBB(JGAS, KBASE, n) / lt,
               fp = s.RMOBB(JPOL, KBASE, n) / lt;
  const double rs = s.RS(n);
  s.QAO(n) = q * fo;
  s.QAW(n) = q * fw;
  s.QAP(n) = q * fp;
  s.QAG(n) = q * fg + rs * s.QAO(n);

  int pos[NKSTATE + 1];
  double eps[NKSTATE + 1];
  pos[KDPO] = s.IPO;
  pos[KDSW] = s.ISW;
  pos[KDX2] = s.ISO;
  pos[KDSP] = s.ISP;
  eps[KDPO] = s.EPSP;
  eps[KDSW] = s.EPSS;
  eps[KDX2] = s.EPSX2(n);
  eps[KDSP] = s.EPSS;
  for (int e : kRaised) {
    const int u = pos[e];
    const double le = total(e);
    const double ge = q / eps[e];
    double dO = (s.RMOBB(JOIL, e, n) / le - fo) * ge;
    double dW = (s.RMOBB(JWAT, e, n) / le - fw) * ge;
    double dP = (s.RMOBB(JPOL, e, n) / le - fp) * ge;
    double dG = (s.RMOBB(JGAS, e, n) / le - fg) * ge;
    if (e == KDX2 || e == KDPO) {
      // The solution ratio moves with the pressure and, in a block without
      // free gas, is itself the second unknown.
      const double re = e == KDX2 ? s.RSBX(n) : s.RSBP(n);
      dG += (re * s.RMOBB(JOIL, e, n) / le - rs * fo) * ge;
    } else {
      dG += rs * dO;
    }
    if (e == KDPO) {
      // The rate itself grows with the pressure by AQA.
      dO += fo * aqa;
      dW += fw * aqa;
      dP += fp * aqa;
      dG += (fg + rs * fo) * aqa;
    }
    s.DQA(s.IQO, u, n) = dO;
    s.DQA(s.IQW, u, n) = dW;
    s.DQA(s.IQP, u, n) = dP;
    s.DQA(s.IQG, u, n) = dG;
  }
}

// Water from the aquifer enters block n at the block's water formation
// volume factor.
void inflow(State& s, int n) {
  const double q = s.QAQ(n);
  s.QAW(n) = q / s.BWB(n);
  s.DQA(s.IQW, s.IPO, n) = s.AQA(n) / s.BWB(n) + (1.0 / s.BWBP(n) - 1.0 / s.BWB(n)) * q / s.EPSP;
}

}  // namespace

void INFLUX(State& s, int iterk) {
  // Only the influx blocks ever get terms: the others are cleared on the
  // first call and stay zero.
  const bool none = s.IDAQFR == 1 || s.NAQBLK == 0;
  if (!s.AQCLR) {
    for (int n = 1; n <= s.NGPACT; ++n) clearTerms(s, n);
    s.AQCLR = true;
  } else if (!none) {
    for (int i = 1; i <= s.NAQBLK; ++i) clearTerms(s, s.LAQBLK(i));
  }
  if (none) return;
  if (iterk == 1) coefficients(s);
  for (int i = 1; i <= s.NAQBLK; ++i) {
    const int n = s.LAQBLK(i);
    s.QAQ(n) = (s.P(n) - s.PN(n)) * s.AQA(n) + s.AQB(n);
    if (s.QAQ(n) > kOutflow)
      outflow(s, n);
    else
      inflow(s, n);
  }
}

void AQKBC(double td, double redaq, double& pd, double& pdp) {
  const double r = redaq;
  const double tds = 0.0980958 * (r - 1.0) + 0.100683 * std::pow(r - 1.0, 2.03863);
  if (td >= tds) {
    // The outer boundary is felt: pseudo-steady decline plus the two
    // slowest transients, with their eigenvalues correlated in r.
    const double sh = 2.0 / (std::exp(r) - std::exp(-r));
    const double b1 = -0.00870415 - 1.08984 * sh + 12.4458 * std::pow(r, -2.8446) + 3.4234 * std::pow(r, -0.949162);
    const double b2 = -0.0191642 - 2.47644 * sh + 25.3343 * std::pow(r, -2.73054) + 6.13184 * std::pow(r, -0.939529);
    double t[2];
    const double beta[2] = {b1, b2};
    for (int i = 0; i < 2; ++i) {
      const double a = BESSEL(beta[i]);
      const double b = BESSEL(beta[i] * r);
      t[i] = 2.0 * std::exp(-beta[i] * beta[i] * td) * b * b / (b * b - a * a);
    }
    const double r2 = r * r, r4 = r2 * r2;
    pd = 2.0 * (td + 0.25) / (r2 - 1.0) -
         (3.0 * r4 - 4.0 * r4 * std::log(r) - 2.0 * r2 - 1.0) / (4.0 * (r2 - 1.0) * (r2 - 1.0)) + t[0] / (b1 * b1) +
         t[1] / (b2 * b2);
    pdp = 2.0 / (r2 - 1.0) - t[0] - t[1];
  } else if (td <= 0.01) {
    const double pi = 4.0 * std::atan(1.0);
    pd = 2.0 * std::sqrt(td / pi);
    pdp = 1.0 / std::sqrt(pi * td);
  } else if (td < 500.0) {
    const double t5 = std::pow(td, 0.5003552), t13 = std::pow(td, 1.338479);
    const double d = 95.13748 + 77.0034 * t5 + 16.63856 * td + t13;
    pd = (107.5868 * t5 + 37.60613 * td + 7.038188 * t13) / d;
    pdp = (3577.752441 + 5121.404179 * std::pow(td, -0.499645) + 552.462473 * t5 + 364.062209 * std::pow(td, 0.838834) +
           26.908805 * t13 + 896.239475 * std::pow(td, 0.338479)) /
          (d * d);
  } else {
    const double l = std::log(td);
    pd = (0.25 / td + 0.5) * (l + 0.80907);
    pdp = 0.5 / td + (0.19092 - l) * 0.25 / (td * td);
  }
}

double BESSEL(double x) {
  if (x < 3.0) {
    static constexpr double a[7] = {0.5, -0.56249985, 0.21093573, -0.03954289, 0.00443319, -0.00031761, 0.00001109};
    const double y = (x / 3.0) * (x / 3.0);
    double p = a[6];
    for (int k = 5; k >= 0; --k) p = p * y + a[k];
    return x * p;
  }
  static constexpr double f[7] = {0.79788456, 0.00000156, 0.01659667, 0.00017105, -0.00249511, 0.00113653, -0.00020033};
  static constexpr double t[7] = {-2.35619449, 0.12499612, 0.00005650, -0.00637879,
                                  0.00074348,  0.00079824, -0.00029166};
  const double y = 3.0 / x;
  double f1 = f[6], th = t[6];
  for (int k = 5; k >= 0; --k) {
    f1 = f1 * y + f[k];
    th = th * y + t[k];
  }
  return f1 * std::cos(x + th) / std::sqrt(x);
}

}  // namespace talvek
