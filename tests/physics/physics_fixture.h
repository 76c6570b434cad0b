// Small hand-built states for the property, well and Jacobian tests: a grid
// of nx x nz blocks in a vertical x-z plane (layer 1 at the bottom), one
// rock and one PVT region with tables whose abscissae are evenly spaced and
// whose ordinates are curved, and the equation positions of the switches.
#pragma once

#include <cmath>
#include <memory>

#include "physics/accumulation.h"
#include "physics/aquifer.h"
#include "physics/gradients.h"
#include "physics/jacobian.h"
#include "physics/lookup.h"
#include "physics/properties.h"
#include "physics/wells.h"
#include "state/state.h"

namespace talvek::phys_test {

// Equation and unknown positions from the equation switches: positions are
// handed out in the order polymer, water, oil, gas; switched-off equations
// and the unknown that would clash with the pressure go to NEQN + 1.
inline void setEquations(State& s, int w, int o, int g, int p) {
  s.KEQW = w;
  s.KEQO = o;
  s.KEQG = g;
  s.KEQP = p;
  const int neq = (w > 0) + (o > 0) + (g > 0) + (p > 0);
  s.NEQN = s.NUKN = neq;
  int kP = p > 0 ? 1 : 0;
  int kW = w > 0 ? kP + 1 : kP;
  int kO = o > 0 ? kW + 1 : kW;
  int kG = g > 0 ? kO + 1 : kO;
  if (o == 0) kO = neq + 1;
  if (w == 0) kW = neq + 1;
  if (p == 0) kP = neq + 1;
  if (g == 0) kG = neq + 1;
  s.IPO = neq;
  s.ISO = kO;
  s.ISW = kW;
  s.ISP = kP;
  if (s.ISO == s.IPO) s.ISO = neq + 1;
  if (s.ISW == s.IPO) s.ISW = neq + 1;
  if (s.ISP == s.IPO) s.ISP = neq + 1;
  s.IQO = kO;
  s.IQW = kW;
  s.IQP = kP;
  s.IQG = kG;
  if (o > 0) s.KEQO = kO;
  if (w > 0) s.KEQW = kW;
  if (p > 0) s.KEQP = kP;
  if (g > 0) s.KEQG = kG;
}

// Rock region 1 and PVT region 1, polymer constants.
inline void setTables(State& s) {
  s.NKRRGN = 1;
  s.NPVTRGN = 1;
  const int r = 1;
  s.NRWO(r) = 11;
  s.NRGO(r) = 11;
  for (int i = 1; i <= 11; ++i) {
    const double x = 0.1 * (i - 1);
    s.SWT(i, r) = x;
    const double a = std::fmin(std::fmax((x - 0.2) / 0.6, 0.0), 1.0);
    s.KRW(i, r) = 0.8 * a * a;
    s.KROW(i, r) = (1.0 - a) * (1.0 - a);
    s.PCOW(i, r) = 10.0 * (1.0 - x) * (1.0 - x);
    s.SLT(i, r) = x;
    const double b = std::fmin(std::fmax((0.95 - x) / 0.75, 0.0), 1.0);
    s.KRG(i, r) = 0.9 * b * b;
    const double c = std::fmin(std::fmax((x - 0.2) / 0.8, 0.0), 1.0);
    s.KROG(i, r) = c * c;
    s.PCGO(i, r) = 2.0 * (1.0 - x);
  }
  s.KROCW(r) = 1.0;
  s.NRPVT(r) = 11;
  for (int i = 1; i <= 11; ++i) {
    const double p = 500.0 * i;
    s.PRES(i, r) = p;
    s.RST(i, r) = 100.0 + 0.2 * p;
    s.BO(i, r) = 1.0 + 1.2e-4 * p + 1.0e-9 * p * p;
    s.BW(i, r) = 1.02 - 3.0e-6 * p;
    s.BG(i, r) = 5.0 / p;
    s.MUW(i, r) = 0.5 + 1.0e-5 * p;
    s.MUO(i, r) = 2.0 - 2.0e-4 * p + 2.0e-8 * p * p;
    s.MUG(i, r) = 0.012 + 2.0e-6 * p;
  }
  s.CO(r) = 1.0e-5;
  s.CMUO(r) = 4.0e-5;
  s.GRADW(r) = 0.433;
  s.GRADO(r) = 0.35;
  s.GRADG(r) = 5.0e-5;
  // Polymer tables (only needed by the equispaced fits).
  s.NRPOL = 3;
  s.NRRET = 3;
  for (int i = 1; i <= 3; ++i) {
    s.CPPPM(i) = std::log(100.0 * i);
    s.MUP(i) = 2.0 * i;
    s.CRPT(i) = 0.05 * (i - 1);
    s.RF(i) = 1.0 + 0.5 * (i - 1);
    s.RRF(i) = 1.0 + 0.2 * (i - 1);
  }
  s.CPHI = 4.0e-6;
  s.PREF = 2000.0;
  s.OMEGAMIX = 0.7;
  s.C1 = 5.6146;
  s.EPSP = 0.1;
  s.EPSS = 0.001;
  s.EPSRS = 1.0;
}

// An nx x nz grid in the x-z plane; block n = i + (k - 1) * nx, layer 1 at
// the bottom, layer thickness dz. Connection lists in ascending neighbour
// order, geometric factors varying by connection.
inline void setGrid(State& s, int nx, int nz, double dz) {
  s.NGPACT = nx * nz;
  for (int k = 1; k <= nz; ++k) {
    for (int i = 1; i <= nx; ++i) {
      const int n = i + (k - 1) * nx;
      for (int sl = 1; sl <= MXSLOT; ++sl) s.NBR(sl, n) = 0;
      s.NBR(4, n) = n;
      if (k > 1) s.NBR(1, n) = n - nx;
      if (i > 1) s.NBR(3, n) = n - 1;
      if (i < nx) s.NBR(5, n) = n + 1;
      if (k < nz) s.NBR(7, n) = n + nx;
      // Slots in ascending neighbour number: 1 (K-1), 3 (I-1), 5 (I+1), 7 (K+1).
      int c = 0;
      for (int sl : {1, 3, 5, 7}) {
        const int m = s.NBR(sl, n);
        if (m == 0) continue;
        ++c;
        s.NBN(c, n) = m;
        s.NBS(c, n) = sl;
      }
      s.NNB(n) = c;
      s.ZC(n) = 5000.0 - (k - 1) * dz;
      s.VB(n) = 1000.0 + 100.0 * n;
      s.PHI(n) = 0.2 + 0.01 * n;
      s.NKRGN(n) = 1;
      s.NPVTGN(n) = 1;
      s.MUPB(n) = 4.0;
      s.RFB(n) = 1.6;
      s.RRFB(n) = 1.3;
      s.ADS(n) = 0.05;
      s.CRPMAX(n) = 0.08;
      s.IPFORC(n) = 3;
    }
  }
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int c = 1; c <= s.NNB(n); ++c) {
      const int m = s.NBN(c, n);
      const int sl = s.NBS(c, n);
      s.GF(sl, n) = 1.5 + 0.25 * (n + m);
    }
  s.DTIME = 1.0;
}

// Sets block n's primary state; SG = 1 - SO - SW - SP.
inline void setBlock(State& s, int n, double p, double sw, double so, double sp, double rs, int isat) {
  s.P(n) = p;
  s.SW(n) = sw;
  s.SO(n) = so;
  s.SP(n) = sp;
  s.SA(n) = sw + sp;
  s.SG(n) = 1.0 - so - sw - sp;
  s.RS(n) = rs;
  s.ISAT(n) = isat;
  s.EPSX2(n) = isat == 1 ? 0.001 : 1.0;
}

// Bubble-point pressure and oil formation volume factor at solution ratio rs
// (PVT region 1), by the lookup method in force, as run control keeps them.
inline void bubble(State& s, double rs, double& pb, double& bob) {
  if (s.IQUAD == 0) {
    int ip;
    double w, o;
    SEARCH(ip, w, o, s.RST.column(1), rs, s.NRPVT(1));
    FUN1D(ip, w, o, s.PRES.column(1), pb, s.NRPVT(1));
    FUN1D(ip, w, o, s.BO.column(1), bob, s.NRPVT(1));
  } else {
    int ip;
    double x = rs;
    CEARCH(x, s.FITXF(FTPVR, 1), s.FITXL(FTPVR, 1), s.FITRSP(FTPVR, 1), s.NINT, ip);
    pb = EQNVAL(s.FPBR.column(1), ip, x);
    bob = EQNVAL(s.FBOR.column(1), ip, x);
  }
}

// Makes the present new level the old level, with the old-level properties
// and bubble-point values run control would keep after a converged step.
inline void makeOldLevel(State& s) {
  EVALUT(s);
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.PN(n) = s.P(n);
    s.SWN(n) = s.SW(n);
    s.SON(n) = s.SO(n);
    s.SGN(n) = s.SG(n);
    s.SPN(n) = s.SP(n);
    s.RSN(n) = s.RS(n);
    s.ISATN(n) = s.ISAT(n);
    s.BWN(n) = s.BWB(n);
    s.BON(n) = s.BOB(n);
    s.BGN(n) = s.BGB(n);
    s.PHIN(n) = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF));
    if (s.ISAT(n) == 1)
      s.RSTOT(n) = s.SG(n) * s.BOB(n) / (s.SO(n) * s.BGB(n) + 1.0e-6) + s.RS(n);
    else
      s.RSTOT(n) = s.RS(n);
    bubble(s, s.RSTOT(n), s.PBUBL(n), s.BOBUB(n));
  }
}

// One Newton evaluation: properties, wells, aquifer, assembly.
inline void assemble(State& s, int iterk = 1) {
  EVALUT(s);
  PRODUC(s, iterk);
  INFLUX(s, iterk);
  JACOBN(s);
}

// Adds a well to block n: type -2 injection, -1 production.
inline void addWell(State& s, int n, int type, int opt, double q, double bhp, double gw) {
  s.IWOPC(n) = opt;
  s.QSP(n) = q;
  s.BHP(n) = bhp;
  s.GW(n) = gw;
  s.IPFORC(n) = 3;
  if (type == -2) {
    s.LWELM2(++s.NWELM2) = n;
  } else {
    s.LWELM1(++s.NWELM1) = n;
  }
}

}  // namespace talvek::phys_test
