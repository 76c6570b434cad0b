#include "run/newton.h"

#include <cmath>

#include "io/format.h"
#include "io/units.h"
#include "physics/aquifer.h"
#include "physics/jacobian.h"
#include "physics/lookup.h"
#include "physics/properties.h"
#include "physics/wells.h"
#include "run/driver.h"
#include "solver/solve.h"

namespace talvek {

namespace {

// Entry of unknown u of block n in the Newton vector.
inline int kx(const State& s, int n, int u) { return (n - 1) * s.NUKN + u; }

// Before each assembly: JACOBN sets every coefficient of the solved rows and
// columns on the diagonal and on each connection to another block (the
// connection list NBS), so of what VBBZER clears only a side whose
// neighbour is the block itself is left.
void clearSelfSides(State& s) {
  const int ne = s.NEQN, nu = s.NUKN;
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int sl = 1; sl <= MXSLOT; ++sl) {
      if (sl == 4 || s.NBR(sl, n) != n) continue;
      for (int j = 1; j <= nu; ++j)
        for (int i = 1; i <= ne; ++i) s.VBB(i, j, sl, n) = 0.0;
    }
  }
}

}  // namespace

void VBBZER(State& s) {
  const int ne = s.NEQN, nu = s.NUKN;
  for (int n = 1; n <= s.NGPACT; ++n) {
    for (int sl = 1; sl <= MXSLOT; ++sl) {
      if (s.NBR(sl, n) == 0) continue;
      for (int j = 1; j <= nu; ++j)
        for (int i = 1; i <= ne; ++i) s.VBB(i, j, sl, n) = 0.0;
    }
  }
}

void CNVRGE(State& s, int& NCONV) {
  NCONV = 0;
  const int ng = s.NGPACT;
  const int nvec = s.NUKN * ng;
  // A correction that is not a finite number cannot be applied: the
  // iteration is unconverged and the attempt is given up.
  for (int i = 1; i <= nvec; ++i) {
    if (!std::isfinite(s.DELX(i))) {
      s.NONFIN = 1;
      NCONV = 1;
      return;
    }
  }
  const double tol = s.TOLREL;
  const double tiny = s.TINY;
  // Relative test: x0 is the value before the update; values whose magnitude
  // is at or below the skip threshold are not tested.
  auto test = [&](double& x, double d, double skip) {
    const double x0 = x + tiny;
    x = x + d;
    if (std::fabs(x0) > skip && std::fabs(d / x0) > tol) NCONV = 1;
  };

  // One sweep over the blocks: each block's steps use only its own values.
  const bool testSp = s.KEQP >= 1 && (s.KEQW >= 1 || s.KEQO >= 1 || s.KEQG >= 1);
  const bool watOn = s.KEQW >= 1, oilOn = s.KEQO >= 1, gasOn = s.KEQG >= 1, polOn = s.KEQP >= 1;
  const int ipo = s.IPO, isp = s.ISP, isw = s.ISW, iso = s.ISO;
  for (int n = 1; n <= ng; ++n) {
    // 1. Pressure, every block tested.
    test(s.P(n), s.DELX(kx(s, n, ipo)), -1.0);
    // 2. Polymer-solution saturation.
    if (testSp) test(s.SP(n), s.DELX(kx(s, n, isp)), 1.0E-6);
    // 3. Water saturation.
    if (watOn) {
      if (oilOn || gasOn) {
        test(s.SW(n), s.DELX(kx(s, n, isw)), 1.0E-6);
      } else {
        s.SW(n) = 1.0 - s.SFIXED(n);
        if (polOn) s.SW(n) -= s.SP(n);
      }
    }
    // 4. Aqueous saturation.
    s.SA(n) = s.SP(n) + s.SW(n);
    // 5. Oil saturation or solution ratio.
    if (oilOn) {
      if (!gasOn) {
        // Without the gas equation the gas saturation stays at its initial
        // value: the oil fills the rest of the pore space.
        s.SO(n) = 1.0 - s.SA(n) - s.SG(n);
      } else if (s.ISAT(n) != 1) {
        test(s.RS(n), s.DELX(kx(s, n, iso)), 0.1);
        s.SO(n) = 1.0 - s.SA(n);
      } else {
        test(s.SO(n), s.DELX(kx(s, n, iso)), 1.0E-6);
      }
    }
    // 6. Gas saturation.
    s.SG(n) = 1.0 - s.SO(n) - s.SA(n);
  }
  // 7. Switching between saturated and undersaturated blocks, only in an
  // unconverged iteration.
  if (s.KEQO >= 1 && s.KEQG >= 1 && NCONV == 1) {
    // One search of the PVT table per block, from the last block's interval.
    int hint = 0;
    for (int n = 1; n <= ng; ++n) {
      const int r = s.NPVTGN(n);
      if (s.ISAT(n) != 1) {
        const PvtAt at = pvtAtP(s, r, s.P(n), hint);
        const double rsat = pvtValue(s, at, PvtCol::RS);
        if (s.SO(n) <= SONONE) {
          // No oil left: no oil holds a solution ratio, and the ratio's
          // column of the Newton system would be empty. The block becomes
          // saturated without free gas (SG = 1 - SO - SA = 0), its unknown
          // the oil saturation.
          s.RS(n) = rsat;
          s.ISAT(n) = 1;
          s.EPSX2(n) = 0.001;
        } else if (s.RS(n) - rsat > 0.1) {
          const double bo = pvtValue(s, at, PvtCol::BO);
          const double bg = pvtValue(s, at, PvtCol::BG);
          const double rr = (s.RS(n) - rsat) * bg / bo;
          s.SO(n) = s.SO(n) / (rr + 1.0);
          s.SG(n) = rr * s.SO(n);
          s.ISAT(n) = 1;
          s.EPSX2(n) = 0.001;
        }
      } else if (s.SG(n) <= s.SGMIN && s.SO(n) > SONONE) {
        // (A saturated block without oil stays saturated when its gas
        // vanishes: water has filled it, and the next iteration brings a
        // negative gas saturation back to 0.)
        const PvtAt at = pvtAtP(s, r, s.P(n), hint);
        const double rsat = pvtValue(s, at, PvtCol::RS);
        const double bo = pvtValue(s, at, PvtCol::BO);
        const double bg = pvtValue(s, at, PvtCol::BG);
        s.RS(n) = bo * s.SG(n) / (bg * s.SO(n) + 1.0E-6) + rsat;
        s.SO(n) = 1.0 - s.SA(n);
        s.SG(n) = 0.0;
        s.ISAT(n) = 0;
        s.EPSX2(n) = 1.0;
      }
    }
  }
}

void STARTV(State& s) {
  const int ng = s.NGPACT;
  if (s.ISTEP == 1) {
    // A small shift away from the initial state.
    for (int n = 1; n <= ng; ++n) {
      s.P(n) = s.PN(n) + 1.0E-7;
      s.RS(n) = s.RSN(n) + 1.0E-6;
    }
    VBBZER(s);
    return;
  }
  for (int n = 1; n <= ng; ++n) {
    s.P(n) = s.PN(n);
    s.RS(n) = s.RSN(n);
  }
  // Extrapolate from the last step's estimated changes, scaled by the step ratio.
  const double r = s.DTIME / s.DTOLD;
  const int nu = s.NUKN;
  for (int n = 1; n <= ng; ++n)
    for (int k = 1; k <= nu; ++k) s.DELX(kx(s, n, k)) = -r * s.DXEST(k, n);
  int dummy = 0;
  CNVRGE(s, dummy);
  // An estimate that is not finite is not applied: the attempt starts from
  // the old level.
  s.NONFIN = 0;
}

void ITLINE(State& s) {
  auto write = [&](int unit) {
    Line(s.units, unit)
        .X(2)
        .A("ISTEP =")
        .I(s.ISTEP, 7)
        .X(2)
        .A("ITERK =")
        .I(s.ITERK, 3)
        .X(2)
        .A(methodLabel(s, s.METHOD), 9)
        .I(s.LINIT, 3)
        .X(2)
        .A("DTIME = ")
        .F(s.DTIME, 9, 4)
        .X(2)
        .A("TIMUSE =")
        .F(s.TIMUSE, 13, 3)
        .end();
  };
  if (!s.OPTS.QUIET) write(s.ICONOUT);
  if (s.IPRINT == 2) write(s.IOUT);
}

void ITDUMP(State& s) {
  Units& u = s.units;
  const int out = s.IOUT;
  Line(u, out).X(1).end();
  for (int n = 1; n <= s.NGPACT; ++n) {
    Line(u, out)
        .X(2)
        .A("BLK")
        .X(3)
        .A("EQN")
        .X(1)
        .A(" NBR   ")
        .X(6)
        .A("RHS")
        .X(8)
        .A("VBB(COEF OF UKN 1,2,3,4)")
        .A(" EQN: WAT=")
        .I(s.IQW, 2)
        .A(", OIL=")
        .I(s.IQO, 2)
        .A(", GAS=")
        .I(s.IQG, 2)
        .A(", POL=")
        .I(s.IQP, 2)
        .A(". UKN: SW=")
        .I(s.ISW, 2)
        .A(", SO=")
        .I(s.ISO, 2)
        .A(", PO=")
        .I(s.IPO, 2)
        .A(", SP=")
        .I(s.ISP, 2)
        .end();
    for (int i = 1; i <= s.NEQN; ++i) {
      for (int sl = 1; sl <= MXSLOT; ++sl) {
        if (s.NBR(sl, n) == 0) continue;
        Line l(u, out);
        l.X(1).I(n, 4).X(1).I(i, 4).X(1).I(sl, 4).X(1).X(2).E(s.ACCR(i, n), 15, 6);
        for (int j = 1; j <= s.NUKN; ++j) l.X(2).E(s.VBB(i, j, sl, n), 15, 6);
        l.end();
      }
    }
    Line(u, out).end();
    if (s.IACTIVE(s.IBLK(n)) < 1) {
      Line(u, out)
          .X(6)
          .A(" IPFORC     PSAND(L)      FLOWO(L)      FLOWW(L)")
          .A("      FLOWP(L)      FLOWG(L)")
          .slash()
          .X(9)
          .I(s.IPFORC(n), 1)
          .X(3)
          .E(s.PSAND(n), 14, 5)
          .E(s.FLOWO(n), 14, 5)
          .E(s.FLOWW(n), 14, 5)
          .E(s.FLOWP(n), 14, 5)
          .E(s.FLOWG(n), 14, 5)
          .slash()
          .end();
    }
  }
  Line(u, out)
      .X(4)
      .A("L")
      .X(4)
      .A("I")
      .X(4)
      .A("J")
      .X(4)
      .A("K")
      .X(4)
      .A(" PO  ")
      .X(7)
      .A("SO")
      .X(8)
      .A("SW")
      .X(8)
      .A("SG")
      .X(8)
      .A("SP")
      .X(5)
      .A(" PBUBL ")
      .X(5)
      .A("GOR")
      .end();
  for (int n = 1; n <= s.NGPACT; ++n) {
    Line(u, out)
        .X(1)
        .I(n, 4)
        .X(1)
        .I(s.IJK(1, n), 4)
        .X(1)
        .I(s.IJK(2, n), 4)
        .X(1)
        .I(s.IJK(3, n), 4)
        .X(1)
        .F(s.P(n) * s.UFAC(6), 9, 2)
        .X(1)
        .F(s.SO(n), 9, 5)
        .X(1)
        .F(s.SW(n), 9, 5)
        .X(1)
        .F(s.SG(n), 9, 5)
        .X(1)
        .F(s.SP(n), 9, 5)
        .X(1)
        .F(s.PBUBL(n), 9, 2)
        .X(1)
        .F(s.RS(n), 9, 2)
        .X(1)
        .end();
  }
  Line(u, out).X(1).end();
}

bool NEWTON(State& s) {
  s.NONFIN = 0;
  for (s.ITERK = 1; s.ITERK <= s.MAXIT; ++s.ITERK) {
    ++s.ITER;
    ++s.TOTITER;
    clearSelfSides(s);
    EVALUT(s);
    PRODUC(s, s.ITERK);
    INFLUX(s, s.ITERK);
    JACOBN(s);
    SOLVE(s);
    s.LINTOT += s.LINIT;
    int nconv = 0;
    CNVRGE(s, nconv);
    s.NCONV = nconv;
    ITLINE(s);
    if (s.IPRINT == 2 && s.IPRST1 <= s.ISTEP && s.ISTEP <= s.IPRST2) ITDUMP(s);
    // An iterative solve that broke down (a pivot block that cannot be
    // inverted, an iterate that is not finite) left no usable correction:
    // the step is cut like for any correction that is not finite, and at
    // the smallest step the run stops naming the block.
    if (s.NBADBK != 0 && s.DTIME <= s.DTFLOOR) SLVSTP(s);
    if (s.NONFIN != 0) return false;
    if (nconv == 0) return true;
  }
  s.ITERK = s.MAXIT;
  return false;
}

void RATCOR(State& s) {
  const int nu = s.NUKN;
  auto correct = [&](int n) {
    double dp = 0.0, dw = 0.0, doil = 0.0, dg = 0.0;
    for (int u = 1; u <= nu; ++u) {
      const double d = s.DELX(kx(s, n, u));
      dp += s.DFLOWP(u, n) * d;
      dw += s.DFLOWW(u, n) * d;
      doil += s.DFLOWO(u, n) * d;
      dg += s.DFLOWG(u, n) * d;
    }
    s.FLOWP(n) += dp;
    s.FLOWW(n) += dw;
    s.FLOWO(n) += doil;
    s.FLOWG(n) += dg;
  };
  for (int i = 1; i <= s.NWELM1; ++i) correct(s.LWELM1(i));
  // Injectors: the polymer mass rate follows the corrected solution rate, so
  // the mass the cascade injects and the mass the balance counts agree.
  for (int i = 1; i <= s.NWELM2; ++i) {
    const int n = s.LWELM2(i);
    correct(n);
    s.QPMINJ(n) = s.CPMFI(n) * s.FLOWP(n);
  }
  if (s.IDAQFR == 1) return;
  // Aquifer blocks: the rate at the converged pressure, then the component
  // terms corrected through their derivatives. The derivatives are stored by
  // equation position, so only components whose equation is on have them (an
  // off equation's position is the shared spare row).
  for (int i = 1; i <= s.NAQBLK; ++i) {
    const int n = s.LAQBLK(i);
    s.QAQ(n) = (s.P(n) - s.PN(n)) * s.AQA(n) + s.AQB(n);
    double dp = 0.0, dw = 0.0, doil = 0.0, dg = 0.0;
    for (int u = 1; u <= nu; ++u) {
      const double d = s.DELX(kx(s, n, u));
      if (s.KEQP >= 1) dp += s.DQA(s.IQP, u, n) * d;
      if (s.KEQW >= 1) dw += s.DQA(s.IQW, u, n) * d;
      if (s.KEQO >= 1) doil += s.DQA(s.IQO, u, n) * d;
      if (s.KEQG >= 1) dg += s.DQA(s.IQG, u, n) * d;
    }
    s.QAP(n) += dp;
    s.QAW(n) += dw;
    s.QAO(n) += doil;
    s.QAG(n) += dg;
  }
}

}  // namespace talvek
