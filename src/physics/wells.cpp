// Well rates, controls and derivatives.
//
// Derivatives are one-sided differences over the raised states of the block
// properties: the derivative with respect to the unknown raised in state e
// is written at that unknown's position (IPO, ISW, ISO, ISP).
#include "physics/wells.h"

#include "physics/properties.h"
#include "state/state.h"

namespace talvek {

namespace {

constexpr double kTiny = 1.0E-51;
constexpr int kRaised[4] = {KDPO, KDSW, KDX2, KDSP};

// Stored production controls.
constexpr int kShut = 1;      // shut by an economic limit
constexpr int kPressure = 2;  // producing at the BHP limit
constexpr int kRate = 3;      // producing the specified rate
constexpr int kInvalid = 4;   // invalid rate option

struct Raised {
  int pos[NKSTATE + 1];
  double eps[NKSTATE + 1];
};

Raised raised(const State& s, int n) {
  Raised r{};
  r.pos[KDPO] = s.IPO;
  r.pos[KDSW] = s.ISW;
  r.pos[KDX2] = s.ISO;
  r.pos[KDSP] = s.ISP;
  r.eps[KDPO] = s.EPSP;
  r.eps[KDSW] = s.EPSS;
  r.eps[KDX2] = s.EPSX2(n);
  r.eps[KDSP] = s.EPSS;
  return r;
}

void clearTerms(State& s, int n) {
  s.FLOWO(n) = 0.0;
  s.FLOWW(n) = 0.0;
  s.FLOWG(n) = 0.0;
  s.FLOWP(n) = 0.0;
  for (int k = 1; k <= MXEQ; ++k) {
    s.DFLOWO(k, n) = 0.0;
    s.DFLOWW(k, n) = 0.0;
    s.DFLOWG(k, n) = 0.0;
    s.DFLOWP(k, n) = 0.0;
  }
}

// Every term of a production well zero, the polymer mass rates included.
void shutTerms(State& s, int n) {
  clearTerms(s, n);
  s.PSAND(n) = 0.0;
  s.QPMINJ(n) = 0.0;
  s.QPMPRD(n) = 0.0;
}

// Solution gas-oil ratio of block n in state e.
inline double rsState(const State& s, int n, int e) {
  if (e == KDX2) return s.RSBX(n);
  if (e == KDPO) return s.RSBP(n);
  return s.RS(n);
}

// Controlled mobility of rate option opt (1..10) in state e; cv is the
// unit system's volume factor.
double controlled(const State& s, int n, int opt, int e, double cv) {
  const double Lo = s.RMOBB(JOIL, e, n), Lw = s.RMOBB(JWAT, e, n), Lg = s.RMOBB(JGAS, e, n),
               Lp = s.RMOBB(JPOL, e, n);
  const double lo = s.RMOB(JOIL, e, n), lw = s.RMOB(JWAT, e, n), lg = s.RMOB(JGAS, e, n),
               lp = s.RMOB(JPOL, e, n);
  switch (opt) {
    case 1: return Lo;
    case 2: return Lw + Lp;
    case 3: return rsState(s, n, e) * Lo + Lg;
    case 4: return Lo + Lw + Lp;
    case 5: return (rsState(s, n, e) / cv + 1.0) * Lo + Lw + Lp + Lg / cv;
    case 6: return lo;
    case 7: return lw + lp;
    case 8: return cv * lg;
    case 9: return lo + lw + lp;
    default: return lo + lw + lp + lg;
  }
}

// True when the producer's rates violate an economic limit in force.
bool economicShut(const State& s, int n) {
  if (s.KEQO <= 0 || !(s.SO(n) > 1.0E-6)) return false;
  const double fo = s.FLOWO(n);
  bool shut = false;
  if (fo < s.QOECON && s.QOECON - fo > 0.05 * s.QOECON) shut = true;
  if (fo >= 0.1) {
    const double wor = (s.FLOWW(n) + s.FLOWP(n)) / (fo + 0.001);
    const double gor = s.FLOWG(n) / (fo + 0.001);
    const double dg = gor - s.GORMAX;
    const double dw = wor - s.WORMAX;
    if (dg > 0.0 && dg > 0.05 * s.GORMAX)
      shut = true;
    else if (dw > 0.0 && dw > 0.05 * s.WORMAX)
      shut = true;
  }
  return shut;
}

// Stored control for a well condition code; other codes keep the control.
int controlOf(int code, int current) {
  if (code == -11) return kPressure;
  if (code == -12) return kShut;
  if (code >= -10 && code <= -1) return kRate;
  return current;
}

// Per production block: the last pass shut the well because its pressure
// lay below the pressure limit, so that the oil would flow into the block
// (a backflow, not an uneconomic well); and the same for the pass whose
// condition was recorded as the previous iteration's. Within an attempt a
// Newton iterate may overshoot the block pressure far below the limit: such
// a shut is not kept as the stored control (the pressure limit is, whose
// passes shut the well against any backflow on their own), or a well
// reopened with a long step would stay shut for the whole period.
unsigned char gBackflow[MXBLK + 1];
unsigned char gBackflowLast[MXBLK + 1];

// Stored control after a pass of block n.
int controlAfterPass(const State& s, int n, int current) {
  const int code = s.IWC(n);
  return controlOf(code == -12 && gBackflow[n] != 0 ? -11 : code, current);
}

void injector(State& s, int n) {
  // Terms not rewritten below are cleared, so that a well that cannot
  // inject contributes nothing and a rate-controlled well has no derivatives.
  clearTerms(s, n);
  s.IWC(n) = 12;
  s.PSAND(n) = 0.0;
  const double p = s.P(n);
  const double bhp = s.BHP(n);
  if (p >= bhp) {
    s.QPMINJ(n) = s.CPMFI(n) * s.FLOWP(n);
    return;
  }
  const double qi = -s.QSP(n);
  double lam[NKSTATE + 1];
  for (int e = 1; e <= NKSTATE; ++e)
    lam[e] = s.RMOB(JWAT, e, n) + s.RMOB(JOIL, e, n) + s.RMOB(JGAS, e, n) + s.RMOB(JPOL, e, n);
  const double lamt = lam[KBASE] + kTiny;
  const double T = lamt * s.GW(n) + kTiny;

  double B, Bx, Bp;
  double* rate;
  FArray<double, MXEQ, MXBLK>* drate;
  // A fluid whose equation is off is not injected: the well is as one
  // with an invalid option (condition 0, no source).
  const int opt = injectable(s, s.IWOPC(n)) ? s.IWOPC(n) : 0;
  switch (opt) {
    case 1:
      B = s.BOB(n) - s.RS(n) * s.BGB(n);
      Bx = s.BOBX(n) - s.RSBX(n) * s.BGB(n);
      Bp = s.BOBP(n) - s.RSBP(n) * s.BGBP(n);
      rate = &s.FLOWO(n);
      drate = &s.DFLOWO;
      break;
    case 2:
    case 4:
      B = s.BWB(n);
      Bx = s.BWB(n);
      Bp = s.BWBP(n);
      rate = opt == 2 ? &s.FLOWW(n) : &s.FLOWP(n);
      drate = opt == 2 ? &s.DFLOWW : &s.DFLOWP;
      break;
    case 3:
      B = s.BGB(n);
      Bx = s.BGB(n);
      Bp = s.BGBP(n);
      rate = &s.FLOWG(n);
      drate = &s.DFLOWG;
      break;
    default:
      s.IWC(n) = 0;
      s.QPMINJ(n) = s.CPMFI(n) * s.FLOWP(n);
      return;
  }
  s.IWC(n) = opt;
  *rate = qi;
  s.PSAND(n) = p - B * qi / T;
  if (s.PSAND(n) > bhp) {
    // The specified rate needs more than the pressure limit: inject at it.
    s.IWC(n) = 11;
    s.PSAND(n) = bhp;
    const double gw = s.GW(n);
    const double D = (p - bhp) * gw;
    *rate = lamt * D / B;
    const Raised r = raised(s, n);
    (*drate)(r.pos[KDSW], n) = (lam[KDSW] - lamt) * D / (s.EPSS * B);
    (*drate)(r.pos[KDSP], n) = (lam[KDSP] - lamt) * D / (s.EPSS * B);
    (*drate)(r.pos[KDX2], n) = (lam[KDX2] / Bx - lamt / B) * D / r.eps[KDX2];
    (*drate)(r.pos[KDPO], n) =
        (lam[KDPO] * (p + s.EPSP - bhp) / Bp - lamt * (p - bhp) / B) * gw / s.EPSP;
  }
  s.QPMINJ(n) = s.CPMFI(n) * s.FLOWP(n);
}

// Derivatives of the phase rates under rate control: R = q/M, rate f = R*Lf.
void rateDerivatives(State& s, int n, int opt, double m0, double cv) {
  const Raised r = raised(s, n);
  const double q = s.QSP(n);
  const double rs = s.RS(n);
  const double Lo = s.RMOBB(JOIL, KBASE, n), Lw = s.RMOBB(JWAT, KBASE, n),
               Lg = s.RMOBB(JGAS, KBASE, n), Lp = s.RMOBB(JPOL, KBASE, n);
  for (int e : kRaised) {
    const int u = r.pos[e];
    const double eps = r.eps[e];
    const double me = controlled(s, n, opt, e, cv) + kTiny;
    const double dO = (s.RMOBB(JOIL, e, n) / me - Lo / m0) * q / eps;
    const double dW = (s.RMOBB(JWAT, e, n) / me - Lw / m0) * q / eps;
    const double dP = (s.RMOBB(JPOL, e, n) / me - Lp / m0) * q / eps;
    double dG = (s.RMOBB(JGAS, e, n) / me - Lg / m0) * q / eps;
    if (e == KDX2 || e == KDPO)
      dG += (rsState(s, n, e) * s.RMOBB(JOIL, e, n) / me - rs * Lo / m0) * q / eps;
    else
      dG += rs * dO;
    s.DFLOWO(u, n) = dO;
    s.DFLOWW(u, n) = dW;
    s.DFLOWP(u, n) = dP;
    s.DFLOWG(u, n) = dG;
  }
}

// Derivatives of the phase rates at the pressure limit: rate f = D*Lf with
// D = (P - BHP)*GW.
void pressureDerivatives(State& s, int n) {
  const Raised r = raised(s, n);
  const double p = s.P(n), bhp = s.BHP(n), gw = s.GW(n);
  const double D = (p - bhp) * gw;
  const double dpr = p + s.EPSP - bhp;
  const double rs = s.RS(n);
  const double Lo = s.RMOBB(JOIL, KBASE, n), Lw = s.RMOBB(JWAT, KBASE, n),
               Lg = s.RMOBB(JGAS, KBASE, n), Lp = s.RMOBB(JPOL, KBASE, n);
  for (int e : kRaised) {
    const int u = r.pos[e];
    const double eps = r.eps[e];
    double dO, dW, dP, dG;
    if (e == KDPO) {
      dO = (dpr * s.RMOBB(JOIL, e, n) - (p - bhp) * Lo) * gw / eps;
      dW = (dpr * s.RMOBB(JWAT, e, n) - (p - bhp) * Lw) * gw / eps;
      dP = (dpr * s.RMOBB(JPOL, e, n) - (p - bhp) * Lp) * gw / eps;
      dG = (dpr * s.RMOBB(JGAS, e, n) - (p - bhp) * Lg) * gw / eps;
      dG += (dpr * s.RSBP(n) * s.RMOBB(JOIL, e, n) - (p - bhp) * rs * Lo) * gw / eps;
    } else {
      dO = (s.RMOBB(JOIL, e, n) - Lo) * D / eps;
      dW = (s.RMOBB(JWAT, e, n) - Lw) * D / eps;
      dP = (s.RMOBB(JPOL, e, n) - Lp) * D / eps;
      dG = (s.RMOBB(JGAS, e, n) - Lg) * D / eps;
      if (e == KDX2)
        dG += (s.RSBX(n) * s.RMOBB(JOIL, e, n) - rs * Lo) * D / eps;
      else
        dG += rs * dO;
    }
    s.DFLOWO(u, n) = dO;
    s.DFLOWW(u, n) = dW;
    s.DFLOWP(u, n) = dP;
    s.DFLOWG(u, n) = dG;
  }
}

// One pass of a production well under the given stored control.
void producerPass(State& s, int n, int mode) {
  const double cv = s.C1;
  const double rs = s.RS(n);
  gBackflow[n] = 0;
  if (mode == kRate) {
    const int opt = s.IWOPC(n);
    if (opt == 11) {
      mode = kPressure;
    } else if (opt < 1 || opt > 11) {
      s.IWC(n) = 0;
      mode = kInvalid;
    } else {
      s.IWC(n) = -opt;
      const double m0 = controlled(s, n, opt, KBASE, cv) + kTiny;
      const double R = s.QSP(n) / m0;
      s.FLOWO(n) = R * s.RMOBB(JOIL, KBASE, n);
      s.FLOWW(n) = R * s.RMOBB(JWAT, KBASE, n);
      s.FLOWP(n) = R * s.RMOBB(JPOL, KBASE, n);
      s.FLOWG(n) = R * s.RMOBB(JGAS, KBASE, n) + rs * s.FLOWO(n);
      const bool shut = economicShut(s, n);
      s.PSAND(n) = s.P(n) - R / (s.GW(n) + kTiny);
      if (s.PSAND(n) < s.BHP(n)) {
        mode = kPressure;  // the rate needs less than the pressure limit
      } else if (shut) {
        mode = kShut;
      } else {
        rateDerivatives(s, n, opt, m0, cv);
        return;
      }
    }
  }
  if (mode == kShut) {
    s.IWC(n) = -12;
    shutTerms(s, n);
  } else if (mode == kPressure) {
    s.IWC(n) = -11;
    s.PSAND(n) = s.BHP(n);
    const double D = (s.P(n) - s.BHP(n)) * s.GW(n);
    s.FLOWO(n) = D * s.RMOBB(JOIL, KBASE, n);
    s.FLOWW(n) = D * s.RMOBB(JWAT, KBASE, n);
    s.FLOWP(n) = D * s.RMOBB(JPOL, KBASE, n);
    s.FLOWG(n) = D * s.RMOBB(JGAS, KBASE, n) + rs * s.FLOWO(n);
    if (economicShut(s, n)) {
      gBackflow[n] = s.FLOWO(n) < 0.0;
      s.IWC(n) = -12;
      shutTerms(s, n);
    } else {
      pressureDerivatives(s, n);
    }
  } else {
    s.IWC(n) = 0;
    shutTerms(s, n);
  }
}

void producer(State& s, int n, int iterk) {
  producerPass(s, n, s.IPFORC(n));
  const int par = (iterk % 2 == 0) ? 1 : 2;
  if (iterk >= 4) {
    const int w0 = s.IWC(n);
    const int w1 = s.IWCLST(n);
    const int w2 = s.IWCPAR(par, n);
    if (w0 == w1) {
      producerPass(s, n, s.IPFORC(n));
      s.IPFORC(n) = controlAfterPass(s, n, s.IPFORC(n));
    } else if (w0 != w2) {
      s.IPFORC(n) = controlAfterPass(s, n, s.IPFORC(n));
    } else {
      // Oscillating between two conditions: settle on the pressure limit
      // (or stay shut when one of them was the economic shut of a producing
      // well, not a backflow).
      const bool economic = (w0 == -12 && gBackflow[n] == 0) || (w1 == -12 && gBackflowLast[n] == 0);
      s.IPFORC(n) = economic ? kShut : kPressure;
      producerPass(s, n, s.IPFORC(n));
      s.IPFORC(n) = controlAfterPass(s, n, s.IPFORC(n));
    }
  }
  gBackflowLast[n] = gBackflow[n];
  s.IWCLST(n) = s.IWC(n);
  s.IWCPAR(par, n) = s.IWC(n);
  s.QOWREP(n) = s.FLOWO(n);
  s.QAWREP(n) = s.FLOWW(n) + s.FLOWP(n);
  s.QGWREP(n) = s.FLOWG(n);
}

}  // namespace

void PRODUC(State& s, int iterk) {
  CHKEQN(s);
  if (iterk == 1)
    for (int n = 1; n <= s.NGPACT; ++n) {
      clearTerms(s, n);
      gBackflow[n] = gBackflowLast[n] = 0;
    }
  for (int i = 1; i <= s.NWELM2; ++i) injector(s, s.LWELM2(i));
  for (int i = 1; i <= s.NWELM1; ++i) producer(s, s.LWELM1(i), iterk);
}

}  // namespace talvek
