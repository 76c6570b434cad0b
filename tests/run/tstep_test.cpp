// Step-size control: the bounds of TSTEP, the growth limiter after a cut,
// and the cut of a failed attempt.
#include <gtest/gtest.h>

#include <vector>

#include "run/state.h"
#include "run/tstep.h"

using namespace talvek;

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
