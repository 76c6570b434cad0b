// Step-size control: the bounds of TSTEP, the growth limiter after a cut,
// and the cut of a failed attempt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "state/state.h"
#include "run/newton.h"
#include "run/tstep.h"

using namespace talvek;

namespace {

// Two blocks, two unknowns: the solution ratio / oil saturation at position
// 1 (ISO) and the pressure at position 2 (IPO). The accumulation matrices
// are the identity, so the block-local solution z equals RHSFLW.
//   DXMAX: 0.05 (saturation), 100 (pressure); DELRS2 200.
//   DXREF: 1 (saturation), 15000 (pressure); DRSREF 3000; RERORP 0.05.
void twoBlocks(State& s) {
  s.NGPACT = 2;
  s.NEQN = s.NUKN = 2;
  s.ISO = 1;
  s.IPO = 2;
  s.ISW = s.ISP = 3;
  s.DXMAX(1) = 0.05;
  s.DXMAX(2) = 100.0;
  s.DELRS2 = 200.0;
  s.DXREF(1) = 1.0;
  s.DXREF(2) = 15000.0;
  s.DRSREF = 3000.0;
  s.RERORP = 0.05;
  for (int n = 1; n <= 2; ++n) {
    s.ISAT(n) = 1;
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 2; ++j) s.DACC(i, j, n) = i == j ? 1.0 : 0.0;
  }
}

}  // namespace

TEST(FirstStepChoice, LocalChangesClampsAndCaps) {
  struct Case {
    const char* what;
    double z1, z2;  // block 1's local solution (saturation or ratio, pressure)
    int isat1;
    double dtold, dtmin, dtmax, simtme, tmstop;
    int nnow, nowstp;
    double delt1;
    double expect;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"pressure change limits", 0.01, 400, 1, 10, 0.01, 10, 1000, 1000, 0, 0, 0, 2.5},
      {"saturation change limits", 0.1, 10, 1, 10, 0.01, 10, 1000, 1000, 0, 0, 0, 5},
      {"undersaturated: the ratio against DELRS2", 400, 10, 0, 10, 0.01, 10, 1000, 1000, 0, 0, 0, 5},
      {"saturated: the same unknown against DXMAX, clamped at 0.01", 400, 10, 1, 10, 0.01, 10, 1000, 1000, 0, 0, 0, 0.1},
      {"DTMIN raises the lower clamp", 400, 10, 1, 10, 2, 10, 1000, 1000, 0, 0, 0, 2},
      {"no change: grows to DTMAX", 0, 0, 1, 1, 0.01, 10, 1000, 1000, 0, 0, 0, 10},
      {"no change: grows at most 1000-fold", 0, 0, 1, 0.001, 0.0001, 10, 1000, 1000, 0, 0, 0, 1},
      {"a ratio that is not a number does not restrict", nan, 10, 1, 10, 0.01, 10, 1000, 1000, 0, 0, 0, 10},
      {"ends at the first period's end", 0, 0, 1, 10, 0.01, 10, 3, 1000, 0, 0, 0, 3},
      {"ends at the halting time", 0, 0, 1, 10, 0.01, 10, 1000, 2, 0, 0, 0, 2},
      {"capped by the record's DELT1", 0, 0, 1, 10, 0.01, 10, 1000, 1000, 2, 1, 4, 4},
      {"DELT1 wins over DTMIN", 0.1, 10, 1, 10, 6, 10, 1000, 1000, 2, 1, 4, 4},
      {"second record in force", 0, 0, 1, 10, 0.01, 10, 1000, 1000, 2, 2, 4, 4},
      {"exhausted schedule: the last record's DELT1", 0, 0, 1, 10, 0.01, 10, 1000, 1000, 2, 3, 4, 4},
      {"a DELT1 above the choice changes nothing", 0.1, 10, 1, 10, 0.01, 10, 1000, 1000, 2, 1, 7, 5},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    twoBlocks(s);
    s.RHSFLW(1, 1) = c.z1;
    s.RHSFLW(2, 1) = c.z2;
    s.ISAT(1) = c.isat1;
    s.DTOLD = c.dtold;
    s.DTMIN = c.dtmin;
    s.DTMAX = c.dtmax;
    s.SIMTME = c.simtme;
    s.TMSTOP = c.tmstop;
    s.NNOW = c.nnow;
    s.NOWSTP = c.nowstp;
    // Only the record in force has the case's cap.
    for (int r = 1; r <= 3; ++r) s.DELT1(r) = 99;
    if (c.nnow > 0) s.DELT1(std::min(c.nowstp, c.nnow)) = c.delt1;
    DTFSEL(s);
    EXPECT_NEAR(s.DTIME, c.expect, 1e-9 * c.expect) << c.what;
  }
}

TEST(StepSelector, ThreeRatios) {
  // Block 1 carries the case; block 2 has zero estimated changes and no
  // constraint (its ratios are the start values).
  struct Case {
    const char* what;
    double dx1, dx2;  // DXEST of block 1
    double z1, z2;    // its block-local solution
    int isat1;
    double dsat1, satcon1;  // DSATCON(1, 1) and SATCON(1)
    double q1, q2, q3;
  };
  const double big = 0.99 * 2 * 0.05 / 1.0E-51;
  const Case cases[] = {
      {"no change anywhere", 0, 0, 0, 0, 1, 0, 0, big, 990, 990},
      {"truncation of the saturation", 0.02, 0, 0.01, 0, 1, 0, 0, 0.99 * 0.1 / 0.1, 0.99 * 2.5, 990},
      {"truncation of the pressure, against DXREF 15000", 0, 150, 0, 0, 1, 0, 0, 0.99 * 0.1 / 0.1, 0.99 * 100 / 150, 990},
      {"undersaturated ratio: DRSREF and DELRS2", 400, 0, 100, 0, 0, 0, 0, 0.99 * 0.1 / std::sqrt(0.1), 0.99 * 0.5, 990},
      {"the same saturated: DXREF and DXMAX", 400, 0, 100, 0, 1, 0, 0, 0.99 * 0.1 / std::sqrt(300.0), 0.99 * 0.05 / 400, 990},
      // The next step changes the unknowns by -r * DXEST: with DSATCON 1 a
      // positive DXEST lowers the constraint value.
      {"towards the constraint", 0.1, 0, 0, 0, 1, 1, 0.15, 0.99 * 0.1 / std::sqrt(0.1), 0.99 * 0.5, 0.99 * 2},
      {"the margin 0.05 at a zero constraint", 0.1, 0, 0, 0, 1, 1, 0, 0.99 * 0.1 / std::sqrt(0.1), 0.99 * 0.5, 0.99 * 0.5},
      {"away from the constraint: no restriction", -0.1, 0, 0, 0, 1, 1, 0, 0.99 * 0.1 / std::sqrt(0.1), 0.99 * 0.5, 990},
      {"towards a negative slope", -0.1, 0, 0, 0, 1, -1, 0.15, 0.99 * 0.1 / std::sqrt(0.1), 0.99 * 0.5, 0.99 * 2},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    twoBlocks(s);
    s.RHSFLW(1, 1) = c.z1;
    s.RHSFLW(2, 1) = c.z2;
    s.ISAT(1) = c.isat1;
    s.DXEST(1, 1) = c.dx1;
    s.DXEST(2, 1) = c.dx2;
    s.DSATCON(1, 1) = c.dsat1;
    s.SATCON(1) = c.satcon1;
    s.SATCON(2) = -0.5;  // violated, but block 2 does not move towards it
    double q1 = 0, q2 = 0, q3 = 0;
    TSRATS(s, q1, q2, q3);
    EXPECT_NEAR(q1, c.q1, 1e-9 * c.q1) << c.what;
    EXPECT_NEAR(q2, c.q2, 1e-9 * c.q2) << c.what;
    EXPECT_NEAR(q3, c.q3, 1e-9 * c.q3) << c.what;
  }
}

TEST(StepSelector, BlockDrivenTowardsItsConstraintReachesTheMargin) {
  // Water and oil, no gas: the constraint value is 1 - SW - SP, the pore
  // space left to oil and the fixed gas. Water floods in: the last step's
  // estimate says SW rises by 0.1 per step of DTOLD, so its DXEST is -0.1.
  // The third ratio must stop the next step where the extrapolated start
  // values (the old level moved by -r * DXEST) put the constraint at -0.05.
  auto sp = makeState();
  State& s = *sp;
  s.NGPACT = 1;
  s.KEQW = s.KEQO = 1;
  s.KEQG = s.KEQP = 0;
  s.NEQN = s.NUKN = 2;
  s.ISW = 1;
  s.IPO = 2;
  s.ISO = s.ISP = 3;
  s.DXMAX(1) = 1.0;
  s.DXMAX(2) = 1000.0;
  s.DXREF(1) = s.DXREF(2) = 1.0E6;
  s.RERORP = 0.05;
  s.TOLREL = 0.01;
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) s.DACC(i, j, 1) = i == j ? 1.0 : 0.0;
  s.PN(1) = s.P(1) = 3000;
  s.SWN(1) = s.SW(1) = 0.7;
  s.SPN(1) = s.SP(1) = 0.0;
  s.SON(1) = s.SO(1) = 0.3;
  s.SGN(1) = s.SG(1) = 0.0;
  s.SA(1) = 0.7;
  s.ISAT(1) = 1;
  s.SATCON(1) = 1.0 - s.SW(1) - s.SP(1);
  s.DSATCON(s.ISW, 1) = -1.0;
  s.DSATCON(s.IPO, 1) = 0.0;
  s.DXEST(s.ISW, 1) = -0.1;
  s.DXEST(s.IPO, 1) = 0.0;
  double q1 = 0, q2 = 0, q3 = 0;
  TSRATS(s, q1, q2, q3);
  EXPECT_NEAR(q3, 0.99 * (0.3 + 0.05) / 0.1, 1e-12);
  ASSERT_LT(q3, q2);

  // Extrapolate over a step q3 / 0.99 times the last one.
  s.ISTEP = 2;
  s.DTOLD = 10.0;
  s.DTIME = s.DTOLD * q3 / 0.99;
  STARTV(s);
  EXPECT_NEAR(1.0 - s.SW(1) - s.SP(1), -0.05, 1e-12);

  // The same block with the water receding moves away from its constraint.
  s.DXEST(s.ISW, 1) = 0.1;
  TSRATS(s, q1, q2, q3);
  EXPECT_NEAR(q3, 990.0, 1e-9);
}

TEST(StepSelector, EstimateFromTheRepeatedSolve) {
  // DELX of the repeated solve becomes DXEST; the next step follows from it.
  for (bool finite : {true, false}) {
    auto sp = makeState();
    State& s = *sp;
    twoBlocks(s);
    s.DTMAX = 1000;
    s.DTMIN = 0.01;
    s.DTOLD = 10;
    s.RHSFLW(2, 1) = 40.0;
    s.RHSFLW(1, 2) = 0.01;  // the local solutions agree: no truncation limit
    s.DELX(1) = 0.0;
    s.DELX(2) = 40.0;  // block 1 pressure: the change limit 100 gives 0.99 x 2.5
    s.DELX(3) = 0.01;
    s.DELX(4) = finite ? 0.0 : std::numeric_limits<double>::infinity();
    TSNEXT(s);
    if (finite) {
      EXPECT_DOUBLE_EQ(s.DXEST(2, 1), 40.0);
      EXPECT_DOUBLE_EQ(s.DXEST(1, 2), 0.01);
      EXPECT_NEAR(s.DTIME, 10 * 2.0, 1e-12);  // 0.99 x 2.5 > the growth limit 2
    } else {
      // Nothing usable: no extrapolation, and the step is kept.
      for (int n = 1; n <= 2; ++n)
        for (int u = 1; u <= 2; ++u) EXPECT_EQ(s.DXEST(u, n), 0.0) << n << " " << u;
      EXPECT_DOUBLE_EQ(s.DTIME, 10.0);
    }
  }
}

TEST(StepBounds, RatiosAndBoundsTable) {
  struct Case {
    const char* what;
    double dtold, dtmax, dtmin, q1, q2, q3, expect;
  };
  const Case cases[] = {
      {"no restriction grows by 2", 10, 1000, 0.01, 990, 990, 990, 20},
      {"growth capped by DTMAX", 10, 15, 0.01, 990, 990, 990, 15},
      {"truncation ratio wins", 10, 1000, 0.01, 0.5, 990, 990, 5},
      {"change ratio wins", 10, 1000, 0.01, 990, 0.7, 990, 7},
      {"constraint ratio wins", 10, 1000, 0.01, 990, 990, 0.9, 9},
      {"never below 0.333333333", 10, 1000, 0.01, 0.01, 990, 990, 3.33333333},
      {"DTMIN forces the step up", 10, 1000, 25, 990, 990, 990, 25},
      {"DTMIN wins over DTMAX", 10, 5, 25, 990, 990, 990, 25},
      {"absolute floor 0.001", 0.0001, 1000, 0.0, 0.01, 990, 990, 0.001},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    s.DTOLD = c.dtold;
    s.DTMAX = c.dtmax;
    s.DTMIN = c.dtmin;
    TSBNDS(s, c.q1, c.q2, c.q3);
    EXPECT_NEAR(s.DTIME, c.expect, 1e-9 * c.expect) << c.what;
  }
}

// Walks a sequence of accepted steps whose selector always proposes the
// largest growth, with one cut step, and checks the limiter.
TEST(GrowthLimiter, AfterACut) {
  auto sp = makeState();
  State& s = *sp;
  s.NGROW1 = 2;
  s.NGROW2 = 6;
  s.NSINCE = s.NGROW2;
  s.DTMAX = 1.0e6;
  s.DTMIN = 0.001;
  double dt = 10.0;
  // Step 0: cut (NPASS 2). Then 10 uncut steps.
  std::vector<double> sizes;
  for (int step = 0; step <= 10; ++step) {
    s.NPASS = step == 0 ? 2 : 1;
    s.DTIME = dt;
    s.DTOLD = s.DTIME;
    TSBNDS(s, 990, 990, 990);  // proposes 2 x
    GROWLM(s);
    sizes.push_back(dt);
    dt = s.DTIME;
  }
  // sizes[k] is the size of step k; the cut step is step 0.
  EXPECT_DOUBLE_EQ(sizes[1], sizes[0]);
  EXPECT_DOUBLE_EQ(sizes[2], sizes[1]);
  for (int k = 3; k <= 6; ++k) EXPECT_NEAR(sizes[k], 1.2 * sizes[k - 1], 1e-9) << k;
  for (int k = 7; k <= 10; ++k) EXPECT_NEAR(sizes[k], 2.0 * sizes[k - 1], 1e-9) << k;
}

TEST(GrowthLimiter, RunStartAllowsFullGrowth) {
  auto sp = makeState();
  State& s = *sp;
  s.NGROW1 = 2;
  s.NGROW2 = 6;
  s.NSINCE = s.NGROW2;  // start of a run: as if no recent cut
  s.NPASS = 1;
  s.DTOLD = 10;
  s.DTIME = 20;
  GROWLM(s);
  EXPECT_DOUBLE_EQ(s.DTIME, 20.0);
  EXPECT_EQ(s.NSINCE, 7);
}

TEST(Cut, HalvesDownToTheFloorThenAccepts) {
  auto sp = makeState();
  State& s = *sp;
  s.DTFLOOR = 0.005;
  s.NGPACT = 2;
  s.ISATN(1) = 1;
  s.ISATN(2) = 0;
  s.EPSX2(1) = 5;
  s.EPSX2(2) = 5;
  s.TIMUSE = 100.0;
  s.DTIME = 0.03;
  // 0.03 -> 0.015 -> 0.0075 -> 0.005 (floor) -> accepted.
  const double expect[] = {0.015, 0.0075, 0.005};
  for (double e : expect) {
    EXPECT_FALSE(CUTSTP(s));
    EXPECT_DOUBLE_EQ(s.DTIME, e);
    EXPECT_NEAR(s.TIMUSE, 100.0 - 0.03 + e, 1e-12);
  }
  EXPECT_DOUBLE_EQ(s.EPSX2(1), 0.001);
  EXPECT_DOUBLE_EQ(s.EPSX2(2), 1.0);
  EXPECT_TRUE(CUTSTP(s));
  EXPECT_DOUBLE_EQ(s.DTIME, 0.005);
}
