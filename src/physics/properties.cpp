// Block properties in the base and the four raised states.
//
// Every table is looked up once per block and abscissa: the water-oil table
// at SA and SA + EPSS, the gas-liquid table at SL (and SL + EPSS for blocks
// with free gas), the PVT table by pressure at P and P + EPSP, the PVT table
// by solution gas at RS and RS + EPSRS (blocks without free gas). The raised
// states reuse these values; the flow, well and aquifer terms make no
// lookups of their own.
#include "physics/properties.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "io/errors.h"
#include "physics/accumulation.h"
#include "physics/lookup.h"
#include "state/state.h"

namespace talvek {

namespace {

constexpr double kTiny = 1.0E-51;

// Two doubles operated on lane by lane: each lane's quotient is the one
// the scalar division gives.
typedef double Pair __attribute__((vector_size(16)));

// Interpolation slopes of ordinate column y over abscissa column x in
// region r (rows 2..nrow), into column c of TSLOPE.
void tableSlopes(State& s, const RA<MXROW, MXRGN>& x, const RA<MXROW, MXRGN>& y, int c, int r, int nrow) {
  const int last = nrow < MXROW ? nrow : MXROW;
  for (int i = 2; i <= last; ++i) s.TSLOPE(i, c, r) = (y(i, r) - y(i - 1, r)) / ((x(i, r) - x(i - 1, r)) + kTiny);
}

void refreshSlopes(State& s) {
  s.ASCRT = ascendingColumn(s.CRPT.data(), s.NRRET) ? 1 : 0;
  const int nkr = s.NKRRGN < MXRGN ? s.NKRRGN : MXRGN;
  for (int r = 1; r <= nkr; ++r) {
    s.ASCWO(r) = ascendingColumn(s.SWT.column(r), s.NRWO(r)) ? 1 : 0;
    s.ASCGL(r) = ascendingColumn(s.SLT.column(r), s.NRGO(r)) ? 1 : 0;
    tableSlopes(s, s.SWT, s.PCOW, TSPCOW, r, s.NRWO(r));
    tableSlopes(s, s.SWT, s.KRW, TSKRW, r, s.NRWO(r));
    tableSlopes(s, s.SWT, s.KROW, TSKROW, r, s.NRWO(r));
    tableSlopes(s, s.SLT, s.PCGO, TSPCGO, r, s.NRGO(r));
    tableSlopes(s, s.SLT, s.KRG, TSKRG, r, s.NRGO(r));
    tableSlopes(s, s.SLT, s.KROG, TSKROG, r, s.NRGO(r));
  }
  const int npv = s.NPVTRGN < MXRGN ? s.NPVTRGN : MXRGN;
  for (int r = 1; r <= npv; ++r) {
    const int nr = s.NRPVT(r);
    s.ASCPR(r) = ascendingColumn(s.PRES.column(r), nr) ? 1 : 0;
    s.ASCRS(r) = ascendingColumn(s.RST.column(r), nr) ? 1 : 0;
    tableSlopes(s, s.PRES, s.BW, TSBW, r, nr);
    tableSlopes(s, s.PRES, s.BO, TSBO, r, nr);
    tableSlopes(s, s.PRES, s.BG, TSBG, r, nr);
    tableSlopes(s, s.PRES, s.MUW, TSMUW, r, nr);
    tableSlopes(s, s.PRES, s.MUO, TSMUO, r, nr);
    tableSlopes(s, s.PRES, s.MUG, TSMUG, r, nr);
    tableSlopes(s, s.PRES, s.RST, TSRS, r, nr);
    tableSlopes(s, s.RST, s.PRES, TSPBR, r, nr);
    tableSlopes(s, s.RST, s.BO, TSBOR, r, nr);
    tableSlopes(s, s.RST, s.MUO, TSMUOR, r, nr);
  }
}

// Linear interpolation in column y of region r with the interval ip, width w
// and offset o of one search: FUN1D's value, its slope taken from TSLOPE.
// (A table of one row has no interval: FUN1D gives that row's value.)
inline double interp(const State& s, const RA<MXROW, MXRGN>& y, int c, int r, int nrow, int ip, double w, double o) {
  if (nrow < 2) {
    double v;
    FUN1D(ip, w, o, &y(1, r), v, nrow);
    return v;
  }
  return y(ip - 1, r) + s.TSLOPE(ip, c, r) * o;
}

// Water-oil table of rock region r at aqueous saturation x. ip holds the
// interval of a nearby value to try first and receives the one found.
void lookWO(State& s, int r, double x, double& pcow, double& krw, double& krow, int& ip) {
  if (s.IQUAD == 0) {
    const int nrow = s.NRWO(r);
    double w, o;
    searchNear(ip, w, o, s.SWT.column(r), x, nrow, s.ASCWO(r) != 0);
    pcow = interp(s, s.PCOW, TSPCOW, r, nrow, ip, w, o);
    krw = interp(s, s.KRW, TSKRW, r, nrow, ip, w, o);
    krow = interp(s, s.KROW, TSKROW, r, nrow, ip, w, o);
  } else {
    int ipf;
    CEARCH(x, s.FITXF(FTWO, r), s.FITXL(FTWO, r), s.FITRSP(FTWO, r), s.NINT, ipf);
    pcow = EQNVAL(s.FPCOW.column(r), ipf, x);
    krw = EQNVAL(s.FKRW.column(r), ipf, x);
    krow = EQNVAL(s.FKROW.column(r), ipf, x);
  }
}

// Gas-liquid table of rock region r at liquid saturation x.
void lookGL(State& s, int r, double x, double& pcgo, double& krg, double& krog, int& ip) {
  if (s.IQUAD == 0) {
    const int nrow = s.NRGO(r);
    double w, o;
    searchNear(ip, w, o, s.SLT.column(r), x, nrow, s.ASCGL(r) != 0);
    pcgo = interp(s, s.PCGO, TSPCGO, r, nrow, ip, w, o);
    krg = interp(s, s.KRG, TSKRG, r, nrow, ip, w, o);
    krog = interp(s, s.KROG, TSKROG, r, nrow, ip, w, o);
  } else {
    int ipf;
    CEARCH(x, s.FITXF(FTGL, r), s.FITXL(FTGL, r), s.FITRSP(FTGL, r), s.NINT, ipf);
    pcgo = EQNVAL(s.FPCGO.column(r), ipf, x);
    krg = EQNVAL(s.FKRG.column(r), ipf, x);
    krog = EQNVAL(s.FKROG.column(r), ipf, x);
  }
}

// PVT table of PVT region p at pressure x.
struct PvtP {
  double bw, bo, bg, muw, muo, mug, rs;
};
void lookPV(State& s, int p, double x, PvtP& v, int& ip) {
  if (s.IQUAD == 0) {
    const int nrow = s.NRPVT(p);
    double w, o;
    searchNear(ip, w, o, s.PRES.column(p), x, nrow, s.ASCPR(p) != 0);
    v.bw = interp(s, s.BW, TSBW, p, nrow, ip, w, o);
    v.bo = interp(s, s.BO, TSBO, p, nrow, ip, w, o);
    v.bg = interp(s, s.BG, TSBG, p, nrow, ip, w, o);
    v.muw = interp(s, s.MUW, TSMUW, p, nrow, ip, w, o);
    v.muo = interp(s, s.MUO, TSMUO, p, nrow, ip, w, o);
    v.mug = interp(s, s.MUG, TSMUG, p, nrow, ip, w, o);
    v.rs = interp(s, s.RST, TSRS, p, nrow, ip, w, o);
  } else {
    int ipf;
    CEARCH(x, s.FITXF(FTPVP, p), s.FITXL(FTPVP, p), s.FITRSP(FTPVP, p), s.NINT, ipf);
    v.bw = EQNVAL(s.FBW.column(p), ipf, x);
    v.bo = EQNVAL(s.FBO.column(p), ipf, x);
    v.bg = EQNVAL(s.FBG.column(p), ipf, x);
    v.muw = EQNVAL(s.FMUW.column(p), ipf, x);
    v.muo = EQNVAL(s.FMUO.column(p), ipf, x);
    v.mug = EQNVAL(s.FMUG.column(p), ipf, x);
    v.rs = EQNVAL(s.FRS.column(p), ipf, x);
  }
}

// PVT table of PVT region p by solution gas x: bubble-point pressure, oil
// formation volume factor and oil viscosity at that bubble point.
void lookRS(State& s, int p, double x, double& pb, double& bob, double& muob, int& ip) {
  if (s.IQUAD == 0) {
    const int nrow = s.NRPVT(p);
    double w, o;
    searchNear(ip, w, o, s.RST.column(p), x, nrow, s.ASCRS(p) != 0);
    pb = interp(s, s.PRES, TSPBR, p, nrow, ip, w, o);
    bob = interp(s, s.BO, TSBOR, p, nrow, ip, w, o);
    muob = interp(s, s.MUO, TSMUOR, p, nrow, ip, w, o);
  } else {
    int ipf;
    CEARCH(x, s.FITXF(FTPVR, p), s.FITXL(FTPVR, p), s.FITRSP(FTPVR, p), s.NINT, ipf);
    pb = EQNVAL(s.FPBR.column(p), ipf, x);
    bob = EQNVAL(s.FBOR.column(p), ipf, x);
    muob = EQNVAL(s.FMUOR.column(p), ipf, x);
  }
}

// Three-phase oil relative permeability from the two-phase values (Stone's
// second model normalised by the oil relative permeability at connate water).
inline double stone(double k, double krow, double krw, double krog, double krg) {
  const double kd = k + kTiny;
  const double v = (krow / kd + krw) * (krog / kd + krg) - (krw + krg);
  return k * (v > 0.0 ? v : 0.0);
}

[[noreturn]] void badRegion(const State& s, int n, const char* what, int r, int nr, const char* group) {
  (void)s;
  throw RunError(std::string("active block ") + std::to_string(n) + " has " + what + " " +
                 std::to_string(r) + " outside 1.." + std::to_string(nr) + " (" + group + ")");
}

}  // namespace

void CHKEQN(const State& s) {
  const int neq = s.NEQN;
  bool ok = neq >= 1 && neq <= MXEQ && s.NUKN == neq && s.IPO == neq;
  const int sw[4] = {s.KEQW, s.KEQO, s.KEQG, s.KEQP};
  const int iq[4] = {s.IQW, s.IQO, s.IQG, s.IQP};
  const int iu[4] = {s.ISW, s.ISO, s.IPO, s.ISP};
  const int lim = neq + 1 < MXEQ ? neq + 1 : MXEQ;
  int usedEq = 0, usedUk = 0;
  for (int c = 0; c < 4 && ok; ++c) {
    if (iq[c] < 1 || iq[c] > lim || iu[c] < 1 || iu[c] > lim) ok = false;
    if (!ok) break;
    // A solved equation sits inside the system, a switched-off one outside.
    if ((sw[c] > 0) != (iq[c] <= neq)) ok = false;
    if (iq[c] <= neq) {
      if (usedEq & (1 << iq[c])) ok = false;
      usedEq |= 1 << iq[c];
    }
    if (iu[c] <= neq) {
      if (usedUk & (1 << iu[c])) ok = false;
      usedUk |= 1 << iu[c];
    }
  }
  const int full = ((1 << (neq + 1)) - 2);
  if (ok && (usedEq != full || usedUk != full)) ok = false;
  if (!ok)
    throw RunError("the equation and unknown positions do not form a system of " + std::to_string(neq) +
                   " equations: IQW=" + std::to_string(s.IQW) + " IQO=" + std::to_string(s.IQO) +
                   " IQG=" + std::to_string(s.IQG) + " IQP=" + std::to_string(s.IQP) +
                   " ISW=" + std::to_string(s.ISW) + " ISO=" + std::to_string(s.ISO) +
                   " IPO=" + std::to_string(s.IPO) + " ISP=" + std::to_string(s.ISP) +
                   " NUKN=" + std::to_string(s.NUKN) + " (DATA 06B)");
}

namespace {

// pow(x, y) that keeps its last arguments and result. The viscosities of the
// mixing rule repeat from one evaluation to the next (a water viscosity that
// is constant in the table, blocks the polymer has not reached), and the
// same arguments give the same power. Arguments are compared bit for bit.
class LastPow {
 public:
  double operator()(double x, double y) {
    const auto bx = std::bit_cast<std::uint64_t>(x), by = std::bit_cast<std::uint64_t>(y);
    if (!set_ || bx != x_ || by != y_) {
      x_ = bx;
      y_ = by;
      r_ = std::pow(x, y);
      set_ = true;
    }
    return r_;
  }

 private:
  std::uint64_t x_ = 0, y_ = 0;
  double r_ = 0.0;
  bool set_ = false;
};

// MUW**(1-w), MUP**(1-w), and mixture**w: one for the base, pressure and
// water saturation states, one for the raised polymer saturation.
LastPow gPowWater, gPowPolymer, gPowMixed, gPowMixedSp;

// The mixing rule of AQVIS with the powers MUW**(1-w) and MUP**(1-w) given:
// a block's four evaluations share them.
void mixAqueous(const State& s, double MUW, double powW, double MUP, double powP, double SW, double SP,
                double& MUWE, double& MUPE, double RF, double RRF, double ADMAX, double ADS, LastPow& power) {
  const double mum = MUW + (MUP - MUW) * SP / (SW + SP + kTiny);
  const double mw = power(mum, s.OMEGAMIX);
  MUWE = powW * mw;
  MUPE = powP * mw;
  if (ADMAX >= kTiny && ADS >= kTiny) {
    const double r = ADS / ADMAX;
    MUWE *= 1.0 + (RRF - 1.0) * r;
    MUPE *= 1.0 + (RF - 1.0) * r;
  }
}

}  // namespace

void AQVIS(const State& s, double MUW, double MUP, double SW, double SP, double& MUWE, double& MUPE,
           double RF, double RRF, double ADMAX, double ADS) {
  MUWE = MUW;
  MUPE = MUP;
  if (s.KEQP <= 0) return;
  const double w = s.OMEGAMIX;
  mixAqueous(s, MUW, std::pow(MUW, 1.0 - w), MUP, std::pow(MUP, 1.0 - w), SW, SP, MUWE, MUPE, RF, RRF, ADMAX, ADS,
             gPowMixed);
}

void EVALUT(State& s) {
  CHKEQN(s);
  const bool oilOn = s.KEQO > 0;
  const bool gasOn = s.KEQG > 0;
  // With neither oil nor gas the aqueous phase fills the pore space left by
  // the fixed saturations: SW = 1 - SFIXED - SP, so raising SP lowers SW and
  // leaves SA, SL, the aqueous pressure and the oil and gas relative
  // permeabilities unchanged. (Raising SP with SW held would give the water
  // rows a slope with respect to SP that the unknowns cannot follow, and the
  // Newton iteration would converge slowly or not at all.)
  const bool aqOnly = !oilOn && !gasOn;
  const bool wpOnly = aqOnly && s.KEQW > 0 && s.KEQP > 0;
  const double epsp = s.EPSP, epss = s.EPSS, epsrs = s.EPSRS;
  if (s.IQUAD == 0) refreshSlopes(s);
  // Table intervals of the last block, tried first for the next one: the
  // neighbouring blocks of the numbering mostly share them.
  int ipWO = 0, ipGL = 0, ipPV = 0, ipRS = 0;

  for (int n = 1; n <= s.NGPACT; ++n) {
    const int kr = s.NKRGN(n);
    const int pv = s.NPVTGN(n);
    if (kr < 1 || kr > s.NKRRGN || kr > MXRGN) badRegion(s, n, "rock region", kr, s.NKRRGN, "DATA 12A");
    if (pv < 1 || pv > s.NPVTRGN || pv > MXRGN) badRegion(s, n, "PVT region", pv, s.NPVTRGN, "DATA 13A");

    const double p = s.P(n);
    const double sw = s.SW(n), sp = s.SP(n), so = s.SO(n);
    const double sa = sw + sp;
    const double sl = so + sa;
    const bool under = oilOn && s.ISAT(n) == 0;

    // ---- saturation tables -------------------------------------------------
    double pcow0, krw0, krow0, pcow1, krw1, krow1;
    lookWO(s, kr, sa, pcow0, krw0, krow0, ipWO);
    int ip1 = ipWO;  // the raised state starts from the unraised interval
    lookWO(s, kr, sa + epss, pcow1, krw1, krow1, ip1);
    double pcgo0, krg0, krog0;
    double pcgo1 = 0.0, krg1 = 0.0, krog1 = 0.0;
    lookGL(s, kr, sl, pcgo0, krg0, krog0, ipGL);
    if (!under) {
      ip1 = ipGL;
      lookGL(s, kr, sl + epss, pcgo1, krg1, krog1, ip1);
    }

    // ---- phase pressures --------------------------------------------------------
    const double pw = p - pcow0;
    const double pwS = aqOnly ? pw : p - pcow1;
    s.PWAT(KBASE, n) = pw;
    s.PWAT(KDPO, n) = pw + epsp;
    s.PWAT(KDSW, n) = pwS;
    s.PWAT(KDX2, n) = pw;
    s.PWAT(KDSP, n) = pwS;
    s.POIL(KBASE, n) = p;
    s.POIL(KDPO, n) = p + epsp;
    s.POIL(KDSW, n) = p;
    s.POIL(KDX2, n) = p;
    s.POIL(KDSP, n) = p;
    const double pg = p + pcgo0;
    const double pgS = under ? pg : p + pcgo1;
    s.PGAS(KBASE, n) = pg;
    s.PGAS(KDPO, n) = pg + epsp;
    s.PGAS(KDSW, n) = pgS;
    s.PGAS(KDX2, n) = pgS;
    s.PGAS(KDSP, n) = pgS;

    // ---- porosity and PVT ---------------------------------------------------------
    const double phi = s.PHI(n) * (1.0 + s.CPHI * (p - s.PREF));
    PvtP v0, v1;
    lookPV(s, pv, p, v0, ipPV);
    ip1 = ipPV;
    lookPV(s, pv, p + epsp, v1, ip1);

    double bo, bop, box, muo, muop, muox, rsbp, rsbx;
    double pb = 0.0, bob = 0.0;
    if (under) {
      const double rs = s.RS(n);
      double muob, pb1, bob1, muob1;
      lookRS(s, pv, rs, pb, bob, muob, ipRS);
      ip1 = ipRS;
      lookRS(s, pv, rs + epsrs, pb1, bob1, muob1, ip1);
      const double co = s.CO(pv), cmuo = s.CMUO(pv);
      bo = bob / (1.0 + co * (p - pb));
      muo = muob / (1.0 - cmuo * (p - pb));
      bop = bob / (1.0 + co * (p + epsp - pb));
      muop = muob / (1.0 - cmuo * (p + epsp - pb));
      box = bob1 / (1.0 + co * (p - pb1));
      muox = muob1 / (1.0 - cmuo * (p - pb1));
      rsbp = rs;
      rsbx = rs + epsrs;
    } else {
      bo = v0.bo;
      muo = v0.muo;
      bop = v1.bo;
      muop = v1.muo;
      box = v0.bo;
      muox = v0.muo;
      s.RS(n) = v0.rs;
      rsbp = v1.rs;
      rsbx = v0.rs;
    }

    // ---- relative permeabilities (phase, state) -------------------------------------
    double kr_[NPHASE + 1][NKSTATE + 1];
    {
      const double r0 = krw0 / (sa + kTiny);
      const double kw = r0 * sw;
      const double kp = r0 * sp;
      const double r1 = krw1 / (sa + epss);
      kr_[JWAT][KBASE] = kw;
      kr_[JPOL][KBASE] = kp;
      kr_[JWAT][KDPO] = kw;
      kr_[JPOL][KDPO] = kp;
      kr_[JWAT][KDX2] = kw;
      kr_[JPOL][KDX2] = kp;
      kr_[JWAT][KDSW] = r1 * (sw + epss);
      kr_[JPOL][KDSW] = r1 * sp;
      if (wpOnly) {
        kr_[JWAT][KDSP] = r0 * (sw - epss);
        kr_[JPOL][KDSP] = r0 * (sp + epss);
      } else {
        kr_[JWAT][KDSP] = r1 * sw;
        kr_[JPOL][KDSP] = r1 * (sp + epss);
      }
      if (under) {
        kr_[JOIL][KBASE] = krow0;
        kr_[JOIL][KDPO] = krow0;
        kr_[JOIL][KDX2] = krow0;
        kr_[JOIL][KDSW] = krow1;
        kr_[JOIL][KDSP] = krow1;
        for (int e = 1; e <= NKSTATE; ++e) kr_[JGAS][e] = 0.0;
      } else {
        const double k = s.KROCW(kr);
        const double ko0 = stone(k, krow0, krw0, krog0, krg0);
        const double ko1 = stone(k, krow1, krw1, krog1, krg1);
        kr_[JOIL][KBASE] = ko0;
        kr_[JOIL][KDPO] = ko0;
        kr_[JOIL][KDSW] = ko1;
        kr_[JOIL][KDSP] = wpOnly ? ko0 : ko1;
        kr_[JOIL][KDX2] = stone(k, krow0, krw0, krog1, krg1);
        kr_[JGAS][KBASE] = krg0;
        kr_[JGAS][KDPO] = krg0;
        kr_[JGAS][KDSW] = krg1;
        kr_[JGAS][KDX2] = krg1;
        kr_[JGAS][KDSP] = wpOnly ? krg0 : krg1;
      }
    }

    // ---- viscosities (phase, state) ---------------------------------------------------
    double mu[NPHASE + 1][NKSTATE + 1];
    {
      const double mup = s.MUPB(n);
      const double rf = s.RFB(n), rrf = s.RRFB(n), admax = s.CRPMAX(n), ads = s.ADS(n);
      if (s.KEQP > 0) {
        // AQVIS four times; the powers of the water viscosities and of the
        // polymer solution viscosity are taken once.
        const double w = s.OMEGAMIX;
        double we, pe;
        const double pw0 = gPowWater(v0.muw, 1.0 - w), pw1 = gPowWater(v1.muw, 1.0 - w);
        const double pp = gPowPolymer(mup, 1.0 - w);
        mixAqueous(s, v0.muw, pw0, mup, pp, sw, sp, we, pe, rf, rrf, admax, ads, gPowMixed);
        mu[JWAT][KBASE] = we;
        mu[JPOL][KBASE] = pe;
        mu[JWAT][KDX2] = we;
        mu[JPOL][KDX2] = pe;
        mixAqueous(s, v1.muw, pw1, mup, pp, sw, sp, we, pe, rf, rrf, admax, ads, gPowMixed);
        mu[JWAT][KDPO] = we;
        mu[JPOL][KDPO] = pe;
        mixAqueous(s, v0.muw, pw0, mup, pp, sw + epss, sp, we, pe, rf, rrf, admax, ads, gPowMixed);
        mu[JWAT][KDSW] = we;
        mu[JPOL][KDSW] = pe;
        if (wpOnly)
          mixAqueous(s, v0.muw, pw0, mup, pp, sw - epss, sp + epss, we, pe, rf, rrf, admax, ads, gPowMixedSp);
        else
          mixAqueous(s, v0.muw, pw0, mup, pp, sw, sp + epss, we, pe, rf, rrf, admax, ads, gPowMixedSp);
        mu[JWAT][KDSP] = we;
        mu[JPOL][KDSP] = pe;
      } else {
        // No polymer: the viscosities as looked up.
        mu[JWAT][KBASE] = mu[JWAT][KDX2] = mu[JWAT][KDSW] = mu[JWAT][KDSP] = v0.muw;
        mu[JPOL][KBASE] = mu[JPOL][KDX2] = mu[JPOL][KDSW] = mu[JPOL][KDSP] = mup;
        mu[JWAT][KDPO] = v1.muw;
        mu[JPOL][KDPO] = mup;
      }
      mu[JOIL][KBASE] = muo;
      mu[JOIL][KDSW] = muo;
      mu[JOIL][KDSP] = muo;
      mu[JOIL][KDPO] = muop;
      mu[JOIL][KDX2] = muox;
      for (int e = 1; e <= NKSTATE; ++e) mu[JGAS][e] = v0.mug;
      mu[JGAS][KDPO] = v1.mug;
    }

    // ---- mobilities --------------------------------------------------------------------
    // Two phases at a time (water and oil, gas and polymer solution, next to
    // each other in RMOB and RMOBB): the same quotients, half the divisions.
    for (int e = 1; e <= NKSTATE; ++e) {
      const bool raisedP = (e == KDPO);
      const double bw = raisedP ? v1.bw : v0.bw;
      const double bg = raisedP ? v1.bg : v0.bg;
      const double bov = raisedP ? bop : (e == KDX2 ? box : bo);
      const Pair lwo = Pair{kr_[JWAT][e], kr_[JOIL][e]} / Pair{mu[JWAT][e], mu[JOIL][e]};
      const Pair lgp = Pair{kr_[JGAS][e], kr_[JPOL][e]} / Pair{mu[JGAS][e], mu[JPOL][e]};
      const Pair mwo = lwo / Pair{bw, bov};
      const Pair mgp = lgp / Pair{bg, bw};
      static_assert(JOIL == JWAT + 1 && JGAS == JWAT + 2 && JPOL == JWAT + 3, "phases side by side");
      std::memcpy(&s.RMOB(JWAT, e, n), &lwo, sizeof lwo);
      std::memcpy(&s.RMOB(JGAS, e, n), &lgp, sizeof lgp);
      std::memcpy(&s.RMOBB(JWAT, e, n), &mwo, sizeof mwo);
      std::memcpy(&s.RMOBB(JGAS, e, n), &mgp, sizeof mgp);
    }

    // ---- formation volume factors and solution gas --------------------------------------------
    s.BWB(n) = v0.bw;
    s.BOB(n) = bo;
    s.BGB(n) = v0.bg;
    s.BWBP(n) = v1.bw;
    s.BOBP(n) = bop;
    s.BGBP(n) = v1.bg;
    s.BOBX(n) = box;
    s.RSBP(n) = rsbp;
    s.RSBX(n) = rsbx;

    // ---- accumulation ---------------------------------------------------------------------------
    AccumInput a;
    a.PHI = phi;
    a.BW = v0.bw;
    a.BO = bo;
    a.BG = v0.bg;
    a.PB = pb;
    a.BOB = bob;
    a.RSAT = v0.rs;
    a.RSATP = v1.rs;
    ACCUM(s, n, a);
  }
}

}  // namespace talvek
