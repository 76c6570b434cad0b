// Well controls over whole runs: a producer reopened with a long first step,
// whose first Newton iterates overshoot the block pressure far below the
// well's pressure limit, must not stay shut as if an economic limit had been
// reached (no limit is set): it produces at its pressure limit, never lets
// the oil flow back into the block, and the block depletes to that limit.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "e2e_util.h"

using namespace e2e;

namespace {

TEST(WellControl, ReopenedProducerIsNotLockedShutByAnOvershootingIterate) {
  const auto dir = scratch("reopen");
  {
    std::ofstream f(dir / "deck.txt");
    f << slurp(fs::path(TALVEK_TEST_DATA) / "e2e" / "reopen10x1.txt");
  }
  const Result r = run(dir, "deck.txt out.lis r1 r2");
  ASSERT_EQ(r.status, 0) << r.err;
  // weld.lis: step, time, well, block, FBHP, oil rate, aqueous rate, gas
  // rate, cumulative oil, PVI, tracer.
  int after = 0;
  double cum = 0.0, firstRate = 0.0;
  for (const std::string& l : lines(slurp(dir / "weld.lis"))) {
    int step = 0, well = 0, i = 0, j = 0, k = 0;
    double t = 0, fbhp = 0, qo = 0, qa = 0, qg = 0, qcum = 0;
    ASSERT_EQ(std::sscanf(l.c_str(), "%d %lf %d %d %d %d %lf %lf %lf %lf %lf", &step, &t, &well, &i, &j, &k, &fbhp,
                          &qo, &qa, &qg, &qcum),
              11)
        << l;
    EXPECT_GE(qo, 0.0) << "oil flowing back into the producer's block: " << l;
    if (t <= 10.05) {
      EXPECT_EQ(qo, 0.0) << "the well is shut in for the first 10 days: " << l;
      continue;
    }
    if (after++ == 0) {
      firstRate = qo;
      EXPECT_EQ(fbhp, 1500.0) << "the first step after the reopening produces at the pressure limit: " << l;
    }
    cum = qcum;
  }
  ASSERT_GT(after, 5);
  EXPECT_GT(firstRate, 10.0);
  // The block's oil expands from 2600 down to 1500 psia: about 145 STB.
  EXPECT_GT(cum, 100.0);
  // res.lis: the average pressure ends at the pressure limit.
  const auto res = lines(slurp(dir / "res.lis"));
  ASSERT_FALSE(res.empty());
  int id = 0;
  double time = 0, pavg = 0;
  ASSERT_EQ(std::sscanf(res.back().c_str(), "%d %lf %lf", &id, &time, &pavg), 3) << res.back();
  EXPECT_NEAR(pavg, 1500.0, 1.0);
}

}  // namespace
