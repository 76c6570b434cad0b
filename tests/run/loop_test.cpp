// The time-step loop's bookkeeping: output flags, the step trimmed to period
// ends and to the halting time, new schedule periods with their well lines,
// the exhausted schedule, and the guards on schedules that cannot be run.
#include <gtest/gtest.h>

#include "io/errors.h"
#include "run/loop.h"
#include "run/state.h"

using namespace talvek;

TEST(OutputFlags, FrequenciesTable) {
  struct Case {
    int istep, res, wel, ary, wrt, any;
  };
  // NFRRES 2, NFRWEL 3, NFRARY 0 (never), NWRITE 5.
  const Case cases[] = {
      {6, 6, 6, 0, 5, 6}, {7, 6, 6, 0, 5, 0}, {5, 4, 3, 0, 5, 5}, {1, 0, 0, 0, 0, 0}, {30, 30, 30, 0, 30, 30},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    s.NFRRES = 2;
    s.NFRWEL = 3;
    s.NFRARY = 0;
    s.NWRITE = 5;
    s.ISTEP = c.istep;
    s.KSTARY = 99;
    OUTFLG(s);
    EXPECT_EQ(s.KSTRES, c.res) << c.istep;
    EXPECT_EQ(s.KSTWEL, c.wel) << c.istep;
    EXPECT_EQ(s.KSTARY, c.ary) << c.istep;
    EXPECT_EQ(s.KSTWRT, c.wrt) << c.istep;
    EXPECT_EQ(s.KSTANY, c.any) << c.istep;
  }
}

namespace {

// Three active blocks (grid numbers 1..3), two schedule records:
//   record 1: ends at 100, cap 10, report flag 1; injector (well 1) at block
//             1 with 1000 ppm polymer, producer (well 2) at block 3;
//   record 2: ends at 250, cap 5, report flag 0; well 1 shut in.
void schedule(State& s) {
  s.NGPACT = 3;
  for (int n = 1; n <= 3; ++n) {
    s.IBLK(n) = n;
    s.IACTIVE(n) = 1;
    s.NPVTGN(n) = 1;
  }
  s.DENWS(1) = 62.4;
  s.TMTOTAL = 300;
  s.TMSTOP = 300;
  s.NNOW = 2;
  s.SIMNEW(1) = 100;
  s.DELT1(1) = 10;
  s.IRITE1(1) = 1;
  s.NWLINE(1) = 2;
  s.SIMNEW(2) = 250;
  s.DELT1(2) = 5;
  s.IRITE1(2) = 0;
  s.NWLINE(2) = 1;
  s.QOECONT(1) = 1;
  s.QOECONT(2) = 2;
  auto line = [&](int m, int iwt, int iwc, int n, int opc, double gw, double bhp, double qsp, double cp, double ct) {
    s.IWLINE(1, m) = iwt;
    s.IWLINE(2, m) = n;
    s.IWLINE(3, m) = 1;
    s.IWLINE(4, m) = 1;
    s.IWLINE(5, m) = opc;
    s.IWLINE(6, m) = iwc;
    s.IWLINE(7, m) = n;
    s.RWLINE(1, m) = gw;
    s.RWLINE(2, m) = bhp;
    s.RWLINE(3, m) = qsp;
    s.RWLINE(4, m) = cp;
    s.RWLINE(5, m) = ct;
  };
  line(1, -2, 1, 1, 2, 5.0, 4000, 0.5, 1000, 20);
  line(2, -1, 2, 3, 4, 6.0, 500, 0.4, 0, 0);
  line(3, 0, 1, 1, 7, 9.0, 9, 9, 9, 9);
}

void step(State& s, int istep, double proposal) {
  s.ISTEP = istep;
  s.KSTRES = s.KSTWEL = s.KSTARY = s.KSTWRT = s.KSTANY = 0;
  s.DTIME = proposal;
  SCHTIM(s);
}

bool allFlags(const State& s) {
  return s.KSTRES == s.ISTEP && s.KSTWEL == s.ISTEP && s.KSTARY == s.ISTEP && s.KSTWRT == s.ISTEP && s.KSTANY == s.ISTEP;
}
bool noFlags(const State& s) { return s.KSTRES == 0 && s.KSTWEL == 0 && s.KSTARY == 0 && s.KSTWRT == 0 && s.KSTANY == 0; }

}  // namespace

TEST(Schedule, PeriodsTrimmingWellsAndExhaustion) {
  auto sp = makeState();
  State& s = *sp;
  schedule(s);

  // Step 1 opens record 1: the cap shortens the step, the wells come in.
  step(s, 1, 50);
  EXPECT_EQ(s.NOWSTP, 1);
  EXPECT_EQ(s.IRITEC, 1);
  EXPECT_DOUBLE_EQ(s.SIMTME, 100);
  EXPECT_DOUBLE_EQ(s.DTIME, 10);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 10);
  EXPECT_DOUBLE_EQ(s.QOECON, 1);
  EXPECT_TRUE(noFlags(s));
  EXPECT_EQ(s.NWTLIN, 2);
  ASSERT_EQ(s.NWELM2, 1);
  EXPECT_EQ(s.LWELM2(1), 1);
  ASSERT_EQ(s.NWELM1, 1);
  EXPECT_EQ(s.LWELM1(1), 3);
  EXPECT_EQ(s.NWEL0, 0);
  EXPECT_EQ(s.IACTIVE(1), -2);
  EXPECT_EQ(s.IWNUM(3), 2);
  EXPECT_EQ(s.IWOPC(1), 2);
  EXPECT_DOUBLE_EQ(s.QSP(1), 500.0);
  EXPECT_DOUBLE_EQ(s.GW(3), 6.0);
  EXPECT_DOUBLE_EQ(s.BHP(3), 500.0);
  EXPECT_DOUBLE_EQ(s.CPMFI(1), 1000 * 1.0E-6 * 62.4);
  EXPECT_DOUBLE_EQ(s.CTMFI(1), 20 * 1.0E-6 * 62.4);

  // Step 2 inside the period.
  step(s, 2, 60);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 70);
  EXPECT_DOUBLE_EQ(s.DTIME, 60);
  EXPECT_TRUE(noFlags(s));

  // Step 3 would pass the period end: it ends exactly on it, a report step.
  step(s, 3, 60);
  EXPECT_DOUBLE_EQ(s.DTIME, 30);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 100);
  EXPECT_TRUE(allFlags(s));

  // Step 4 opens record 2: the injector is shut in and keeps its controls.
  step(s, 4, 60);
  EXPECT_EQ(s.NOWSTP, 2);
  EXPECT_DOUBLE_EQ(s.DTIME, 5);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 105);
  EXPECT_EQ(s.NWTLIN, 3);
  EXPECT_EQ(s.NWELM2, 0);
  ASSERT_EQ(s.NWEL0, 1);
  EXPECT_EQ(s.LWEL0(1), 1);
  EXPECT_EQ(s.IWOPC(1), 2);
  EXPECT_DOUBLE_EQ(s.QSP(1), 500.0);

  // Step 5 trimmed to the end of record 2, which is not a report period.
  step(s, 5, 200);
  EXPECT_DOUBLE_EQ(s.DTIME, 145);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 250);
  EXPECT_TRUE(noFlags(s));

  // Step 6: the schedule is exhausted; the period runs to TMTOTAL, the last
  // record's cap and limits stay in force, and its end is a report step.
  step(s, 6, 200);
  EXPECT_EQ(s.NOWSTP, 3);
  EXPECT_EQ(s.IRITEC, 1);
  EXPECT_DOUBLE_EQ(s.SIMTME, 300);
  EXPECT_DOUBLE_EQ(s.DTIME, 5);
  EXPECT_DOUBLE_EQ(s.QOECON, 2);
  EXPECT_EQ(s.NWTLIN, 3);

  // Step 7 reaches the halting time exactly.
  step(s, 7, 100);
  EXPECT_DOUBLE_EQ(s.DTIME, 45);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 300);
  EXPECT_TRUE(allFlags(s));
}

TEST(Schedule, StepTrimmedToTheHaltingTime) {
  // Inside a period that ends after TMSTOP, and at the start of such a period.
  for (bool newPeriod : {false, true}) {
    auto sp = makeState();
    State& s = *sp;
    schedule(s);
    s.TMSTOP = 120;
    s.NOWSTP = 1;
    s.NWTLIN = 2;
    s.DELT1(2) = 50;
    if (newPeriod) {
      s.TIMUSE = 100;
      s.SIMTME = 100;
    } else {
      s.NOWSTP = 2;
      s.NWTLIN = 3;
      s.TIMUSE = 105;
      s.SIMTME = 250;
    }
    step(s, 9, 40);
    EXPECT_DOUBLE_EQ(s.TIMUSE, 120) << newPeriod;
    EXPECT_DOUBLE_EQ(s.DTIME, newPeriod ? 20 : 15) << newPeriod;
    EXPECT_TRUE(allFlags(s)) << newPeriod;
  }
}

TEST(Schedule, UnrunnableSchedulesStopWithAMessage) {
  struct Case {
    const char* what;
    int field;  // 0 SIMNEW not later, 1 DELT1 zero, 2 well in an inactive block
    const char* needle;
  };
  const Case cases[] = {
      {"period ends at the current time", 0, "SIMNEW"},
      {"zero step cap", 1, "DELT1"},
      {"well outside the active blocks", 2, "not an active block"},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    schedule(s);
    s.RUNFILE[0] = "deck.txt";
    if (c.field == 0) s.SIMNEW(1) = 0.0;
    if (c.field == 1) s.DELT1(1) = 0.0;
    if (c.field == 2) s.IWLINE(7, 2) = 0;
    try {
      step(s, 1, 50);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("deck.txt"), std::string::npos) << m;
      EXPECT_NE(m.find("DATA 45D"), std::string::npos) << m;
      EXPECT_NE(m.find(c.needle), std::string::npos) << m;
    }
  }
}

TEST(StepLoop, PreparationAndHaltingTest) {
  // No step at all when the time is already at the halting time (within
  // 0.001); TMSTOP above TMTOTAL is lowered first.
  auto sp = makeState();
  State& s = *sp;
  s.TMTOTAL = 50;
  s.TMSTOP = 80;
  s.TIMUSE = 49.9995;
  s.ISTEP0 = 1;
  s.ISTEP = 0;
  STEPLP(s);
  EXPECT_DOUBLE_EQ(s.TMSTOP, 50);
  EXPECT_EQ(s.ISTEP, 0);
  EXPECT_EQ(s.NSINCE, 6);
  EXPECT_DOUBLE_EQ(s.DTFLOOR, 0.005);

  // The loop count used up: no step either.
  s.TIMUSE = 0;
  s.ISTEP0 = 1000001;
  STEPLP(s);
  EXPECT_EQ(s.ISTEP, 0);
}

TEST(PassEnd, AcceptCutOrRetryTable) {
  struct Case {
    const char* what;
    bool converged;
    int nonfin;
    double dtime;
    bool accept;
    double dtAfter;
  };
  const Case cases[] = {
      {"converged", true, 0, 2.0, true, 2.0},
      {"unconverged, cut", false, 0, 2.0, false, 1.0},
      {"unconverged at the floor, accepted", false, 0, 0.005, true, 0.005},
      {"not finite, cut", false, 1, 2.0, false, 1.0},
      {"not finite at the floor, never accepted", false, 1, 0.005, false, 0.005},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    s.DTFLOOR = 0.005;
    s.NONFIN = c.nonfin;
    s.DTIME = c.dtime;
    s.TIMUSE = 10.0 + c.dtime;
    EXPECT_EQ(PASEND(s, c.converged), c.accept) << c.what;
    EXPECT_DOUBLE_EQ(s.DTIME, c.dtAfter) << c.what;
    EXPECT_DOUBLE_EQ(s.TIMUSE, 10.0 + c.dtAfter) << c.what;
  }
}
