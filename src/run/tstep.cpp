#include "run/tstep.h"

#include <algorithm>
#include <cmath>

#include "io/format.h"
#include "io/units.h"
#include "physics/aquifer.h"
#include "physics/jacobian.h"
#include "physics/properties.h"
#include "physics/wells.h"
#include "run/driver.h"
#include "solver/gauss.h"
#include "solver/solve.h"

namespace talvek {

namespace {

constexpr double kSafety = 0.99;
constexpr double kGrowMax = 2.0;
constexpr double kShrinkMin = 0.333333333;
constexpr double kDtAbsMin = 0.001;
constexpr double kMargin = 0.05;
constexpr double kSearchStart = 1000.0;
constexpr double kDiagShift = 1.0E-11;

// Block-local solve of the accumulation matrix against the flow right-hand
// side of block n: z = (DACC + 1e-11 I)^-1 RHSFLW. An unknown whose column of
// DACC is exactly zero (the pressure of incompressible fluids and rock) has
// no accumulation to change with time: its equation's row is replaced by
// z(u) = 0 and free(u) is set, so that the tiny diagonal shift does not turn
// the block's flow imbalance into an enormous change of that unknown and of
// the others solved with it. Nothing changes where every column holds
// something.
void localSolve(State& s, int n, double z[MXEQ + 1], bool free[MXEQ + 1]) {
  for (int i = 1; i <= s.NEQN; ++i) {
    for (int j = 1; j <= s.NUKN; ++j) s.GMAT(i, j) = s.DACC(i, j, n);
    s.GRHS(i) = s.RHSFLW(i, n);
  }
  for (int j = 1; j <= s.NUKN; ++j) {
    free[j] = false;
    if (j > s.NEQN) continue;
    bool zero = true;
    for (int i = 1; i <= s.NEQN; ++i) zero = zero && s.DACC(i, j, n) == 0.0;
    if (!zero) continue;
    free[j] = true;
    for (int k = 1; k <= s.NUKN; ++k) s.GMAT(j, k) = 0.0;
    s.GMAT(j, j) = 1.0;
    s.GRHS(j) = 0.0;
  }
  for (int j = 1; j <= s.NUKN; ++j)
    if (!free[j]) s.GMAT(j, j) += kDiagShift;
  GAUSS(s);
  for (int u = 1; u <= s.NUKN; ++u) z[u] = free[u] ? 0.0 : s.GSOL(u);
}

// The change limit of unknown u in block n: DELRS2 for the solution ratio of
// an undersaturated block, DXMAX otherwise.
inline double changeLimit(const State& s, int n, int u) {
  return (u == s.ISO && s.ISAT(n) == 0) ? s.DELRS2 : s.DXMAX(u);
}

}  // namespace

void DTFRST(State& s) {
  s.DTOLD = s.DTIME;
  EVALUT(s);
  PRODUC(s, 1);
  INFLUX(s, 1);
  JACOBN(s);
  DTFSEL(s);
}

void DTFSEL(State& s) {
  const double qlow = std::max(s.DTMIN / s.DTOLD, 0.01);
  const double qhigh = std::min(s.DTMAX / s.DTOLD, 1000.0);
  double q = kSearchStart;
  double z[MXEQ + 1];
  bool free[MXEQ + 1];
  for (int n = 1; n <= s.NGPACT; ++n) {
    localSolve(s, n, z, free);
    for (int u = 1; u <= s.NUKN; ++u) {
      const double r = changeLimit(s, n, u) / (std::fabs(z[u]) + s.TINY);
      if (r < q) q = r;  // a value that is not a number never restricts the step
    }
  }
  q = std::max(qlow, std::min(qhigh, q));
  s.DTIME = s.DTOLD * q;
  // The first step starts at time 0: it ends at the latest at the end of the
  // first period and at the halting time, and it is not longer than the time
  // step cap of the record in force (the cap wins over DTMIN, as at the start
  // of every later period).
  if (s.DTIME > s.SIMTME) s.DTIME = s.SIMTME;
  if (s.DTIME > s.TMSTOP) s.DTIME = s.TMSTOP;
  const int t = s.NOWSTP <= s.NNOW ? s.NOWSTP : s.NNOW;
  if (t >= 1 && s.DTIME > s.DELT1(t)) s.DTIME = s.DELT1(t);
}

void TSBNDS(State& s, double q1, double q2, double q3) {
  double q = std::min({s.DTMAX / s.DTOLD, kGrowMax, q3, q2, q1});
  q = std::max({kDtAbsMin / s.DTOLD, s.DTMIN / s.DTOLD, kShrinkMin, q});
  s.DTIME = s.DTOLD * q;
}

void TSTEP(State& s) {
  s.DTOLD = s.DTIME;
  // Repeated solve of the last Newton matrix with the accumulation residual.
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int i = 1; i <= s.NEQN; ++i) s.RHS(i, n) = s.ACCR(i, n);
  RESOLV(s);
  TSNEXT(s);
}

void TSNEXT(State& s) {
  const int ng = s.NGPACT, nu = s.NUKN;
  bool finite = true;
  for (int n = 1; n <= ng; ++n) {
    for (int u = 1; u <= nu; ++u) {
      const double d = s.DELX((n - 1) * nu + u);
      s.DXEST(u, n) = d;
      if (!std::isfinite(d)) finite = false;
    }
  }
  if (!finite) {
    // No usable estimate of the changes: keep the step size and extrapolate
    // nothing into the next step.
    for (int n = 1; n <= ng; ++n)
      for (int u = 1; u <= nu; ++u) s.DXEST(u, n) = 0.0;
    TSBNDS(s, 1.0, 1.0, 1.0);
    return;
  }
  double q1 = 0, q2 = 0, q3 = 0;
  TSRATS(s, q1, q2, q3);
  TSBNDS(s, q1, q2, q3);
}

void TSRATS(State& s, double& q1, double& q2, double& q3) {
  const int ng = s.NGPACT, nu = s.NUKN;
  // Truncation estimate against the block-local solution.
  double e = -1.0;
  double z[MXEQ + 1];
  bool free[MXEQ + 1];
  for (int n = 1; n <= ng; ++n) {
    localSolve(s, n, z, free);
    for (int u = 1; u <= nu; ++u) {
      // An unknown without accumulation has no truncation error in time.
      if (free[u]) continue;
      const double ref = (u == s.ISO && s.ISAT(n) == 0) ? s.DRSREF : s.DXREF(u);
      const double v = std::fabs(s.DXEST(u, n) - z[u]) / (ref + s.TINY);
      if (v > e) e = v;
    }
  }
  q1 = kSafety * 2.0 * s.RERORP / (std::sqrt(std::max(e, 0.0)) + s.TINY);

  double m2 = kSearchStart;
  for (int n = 1; n <= ng; ++n) {
    for (int u = 1; u <= nu; ++u) {
      const double r = changeLimit(s, n, u) / (std::fabs(s.DXEST(u, n)) + s.TINY);
      if (r < m2) m2 = r;
    }
  }
  q2 = kSafety * m2;

  // Phase-state constraints. The next step starts from the old level moved
  // by -r * DXEST (r the ratio of the step sizes), so the constraint value of
  // a block changes by -r * sc: a block with sc > 0 moves towards losing a
  // phase, and r = (SATCON + margin) / sc brings it to the margin. Blocks
  // moving away from their constraint do not restrict the step.
  double m3 = kSearchStart;
  for (int n = 1; n <= ng; ++n) {
    double sc = 0.0;
    for (int u = 1; u <= nu; ++u) sc += s.DSATCON(u, n) * s.DXEST(u, n);
    if (sc > 0.0) {
      const double r = (s.SATCON(n) + kMargin) / sc;
      if (r < m3) m3 = r;
    }
  }
  q3 = kSafety * m3;
}

void GROWLM(State& s) {
  if (s.NPASS > 1) {
    s.DTIME = std::min(s.DTIME, s.DTOLD);
    s.NSINCE = 1;
    return;
  }
  ++s.NSINCE;
  if (s.NSINCE <= s.NGROW2) {
    if (s.NSINCE <= s.NGROW1)
      s.DTIME = std::min(s.DTIME, s.DTOLD);
    else
      s.DTIME = std::min(s.DTIME, 1.2 * s.DTOLD);
  }
}

bool CUTSTP(State& s) {
  if (s.DTIME <= s.DTFLOOR) return true;
  s.TIMUSE -= s.DTIME;
  s.DTIME *= 0.5;
  if (s.DTIME < s.DTFLOOR) s.DTIME = s.DTFLOOR;
  s.TIMUSE += s.DTIME;
  for (int n = 1; n <= s.NGPACT; ++n) s.EPSX2(n) = (s.ISATN(n) == 1) ? 0.001 : 1.0;
  return false;
}

void TRMMSG(State& s) {
  for (int unit : {static_cast<int>(s.IOUT), static_cast<int>(s.ICONOUT)})
    Line(s.units, unit).slash().X(1).A("** TALVEK TERMINATED AFTER 15 TIME-STEP CUTS **").end();
}

}  // namespace talvek
