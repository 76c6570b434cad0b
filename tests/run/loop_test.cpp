// The time-step loop's bookkeeping: output flags, the step trimmed to period
// ends and to the halting time, new schedule periods with their well lines,
// the exhausted schedule, and the guards on schedules that cannot be run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/errors.h"
#include "io/units.h"
#include "io/warnings.h"
#include "run/loop.h"
#include "state/state.h"

using namespace talvek;

namespace {

std::string tempPath(const char* stem) { return std::string(::testing::TempDir()) + stem + std::to_string(::getpid()); }

std::string slurp(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace

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
  // No step at all when the time is at the halting time (within 0.001) or
  // past it; TMSTOP above TMTOTAL is lowered to it first.
  for (double timuse : {49.9995, 50.0, 50.0009, 50.0011, 75.0}) {
    auto sp = makeState();
    State& s = *sp;
    s.TMTOTAL = 50;
    s.TMSTOP = 80;
    s.TIMUSE = timuse;
    s.ISTEP0 = 1;
    s.ISTEP = 0;
    STEPLP(s);
    EXPECT_DOUBLE_EQ(s.TMSTOP, 50) << timuse;
    EXPECT_EQ(s.ISTEP, 0) << timuse;
    EXPECT_DOUBLE_EQ(s.TIMUSE, timuse);
    EXPECT_EQ(s.NSINCE, 6);
    EXPECT_DOUBLE_EQ(s.DTFLOOR, 0.005);
  }

  // The loop count used up: no step either.
  auto sp = makeState();
  State& s = *sp;
  s.TMTOTAL = 50;
  s.TMSTOP = 50;
  s.ISTEP0 = 1000001;
  STEPLP(s);
  EXPECT_EQ(s.ISTEP, 0);
}

TEST(Schedule, NoRecordsRunsToTheHaltingTimeWithoutWells) {
  auto sp = makeState();
  State& s = *sp;
  s.NGPACT = 2;
  for (int n = 1; n <= 2; ++n) {
    s.IBLK(n) = n;
    s.IACTIVE(n) = 1;
  }
  s.TMTOTAL = 300;
  s.TMSTOP = 300;
  s.NNOW = 0;
  SCHCHK(s);  // nothing to check
  // The first step opens the period after the (empty) schedule: it runs to
  // TMTOTAL, uncapped, and its end is a report step.
  step(s, 1, 50);
  EXPECT_EQ(s.NOWSTP, 1);
  EXPECT_EQ(s.IRITEC, 1);
  EXPECT_DOUBLE_EQ(s.SIMTME, 300);
  EXPECT_DOUBLE_EQ(s.DTIME, 50);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 50);
  EXPECT_TRUE(noFlags(s));
  EXPECT_EQ(s.NWTLIN, 0);
  EXPECT_EQ(s.NWELM2 + s.NWELM1 + s.NWEL0, 0);
  step(s, 2, 100);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 150);
  EXPECT_TRUE(noFlags(s));
  step(s, 3, 200);
  EXPECT_DOUBLE_EQ(s.DTIME, 150);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 300);
  EXPECT_TRUE(allFlags(s));
  EXPECT_EQ(s.NOWSTP, 1);
}

TEST(Schedule, CheckedOnceBeforeTheFirstStep) {
  struct Case {
    const char* what;
    int field;     // 0 none, 1 SIMNEW, 2 DELT1
    int record;    // record changed
    double value;  // its new value
    double tmstop;
    int nowstp;    // records already applied (a run resumed within record 1)
    const char* needle;  // empty: no error
  };
  const Case cases[] = {
      {"sound schedule", 0, 0, 0, 300, 0, ""},
      {"second period ends where the first does", 1, 2, 100, 300, 0, "schedule record 2 ends at SIMNEW = 100.000"},
      {"second period ends before the first", 1, 2, 99.9999999, 300, 0, "schedule record 2 ends at SIMNEW = 100.000"},
      {"first period ends at time 0", 1, 1, 0, 300, 0, "schedule record 1 ends at SIMNEW = 0.00000"},
      {"zero step cap", 2, 2, 0, 300, 0, "schedule record 2 has the time-step cap DELT1 = 0.00000"},
      {"negative step cap", 2, 1, -1, 300, 0, "schedule record 1 has the time-step cap DELT1 = -1.00000"},
      {"a record after the halting time is never used", 1, 2, 50, 100, 0, ""},
      {"... nor its step cap", 2, 2, 0, 100.0005, 0, ""},
      {"an applied record is not checked again", 2, 1, 0, 300, 1, ""},
      {"the next record is checked against the current period's end", 1, 2, 100, 300, 1, "SIMNEW = 100.000"},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    schedule(s);
    s.RUNFILE[0] = "deck.txt";
    s.TMSTOP = c.tmstop;
    if (c.nowstp == 1) {
      s.NOWSTP = 1;
      s.SIMTME = 100;
      s.TIMUSE = 40;
    }
    if (c.field == 1) s.SIMNEW(c.record) = c.value;
    if (c.field == 2) s.DELT1(c.record) = c.value;
    if (!*c.needle) {
      EXPECT_NO_THROW(SCHCHK(s)) << c.what;
      continue;
    }
    try {
      SCHCHK(s);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_EQ(m.rfind("deck deck.txt, group DATA 45D: ", 0), 0u) << m;
      EXPECT_NE(m.find(c.needle), std::string::npos) << c.what << ": " << m;
    }
  }

  // The whole loop stops before its first step.
  auto sp = makeState();
  State& s = *sp;
  schedule(s);
  s.SIMNEW(2) = 100;
  s.ISTEP0 = 1;
  EXPECT_THROW(STEPLP(s), RunError);
  EXPECT_EQ(s.ISTEP, 0);
  EXPECT_DOUBLE_EQ(s.TIMUSE, 0);
}

TEST(FirstStep, OutputFlagsFollowTheChosenSize) {
  // Step 1 starts at 0; the schedule set the flags for its own trial size,
  // the first-step choice then gave the size ending at TIMUSE.
  struct Case {
    const char* what;
    double timuse, simtme, tmstop;
    int iritec, nwrite;
    bool before;  // every flag due for the schedule's size
    bool all;     // every flag due now
    int wrt;      // KSTWRT now, when not all
  };
  const Case cases[] = {
      {"shrunk below a report period's end", 0.05, 5, 20, 1, 20, true, false, 0},
      {"shrunk below the halting time", 0.05, 30, 20, 0, 20, true, false, 0},
      {"grown to a report period's end", 5, 5, 20, 1, 20, false, true, 0},
      {"grown to the end of a period that is not reported", 5, 5, 20, 0, 20, false, false, 0},
      {"grown to the halting time", 20, 30, 20, 0, 20, false, true, 0},
      {"within 1e-6 of the period's end", 5 - 0.9e-6, 5, 20, 1, 20, false, true, 0},
      {"2e-6 short of the period's end", 5 - 2e-6, 5, 20, 1, 20, true, false, 0},
      {"message due at every step", 0.05, 5, 20, 1, 1, true, false, 1},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    s.NFRRES = 20;
    s.NFRWEL = 20;
    s.NFRARY = 100;
    s.NWRITE = c.nwrite;
    s.ISTEP = 1;
    s.TIMUSE = c.timuse;
    s.SIMTME = c.simtme;
    s.TMSTOP = c.tmstop;
    s.IRITEC = c.iritec;
    if (c.before) ALLFLG(s);
    FSTFLG(s);
    if (c.all) {
      EXPECT_TRUE(allFlags(s)) << c.what;
    } else {
      EXPECT_EQ(s.KSTRES, 0) << c.what;
      EXPECT_EQ(s.KSTWEL, 0) << c.what;
      EXPECT_EQ(s.KSTARY, 0) << c.what;
      EXPECT_EQ(s.KSTWRT, c.wrt) << c.what;
      EXPECT_EQ(s.KSTANY, c.wrt) << c.what;
    }
  }
}

TEST(CompletedStep, MessageOnlyWhenDueAtThisStep) {
  struct Case {
    const char* what;
    int nwrite, kstwrt;
    bool written;
  };
  const Case cases[] = {
      {"due at this step", 7, 7, true},
      {"a forced report step", 5, 7, true},
      {"NWRITE 0: never due", 0, 0, false},
      {"NWRITE 0: not at a forced report step either", 0, 7, false},
      {"last due at an earlier step", 5, 5, false},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    const std::string out = tempPath("stpmsg.lis");
    s.units.open(s.IOUT, out, FileForm::Formatted, FileStatus::Unknown);
    s.ISTEP = 7;
    s.NWRITE = c.nwrite;
    s.KSTWRT = c.kstwrt;
    testing::internal::CaptureStdout();
    STPMSG(s);
    s.units.flushAll();
    const std::string console = testing::internal::GetCapturedStdout();
    s.units.close(s.IOUT);
    const std::string msg = " STEP NO:   7  HAS BEEN COMPLETED\n";
    // The console gets the message, then a free-format line of two blanks.
    EXPECT_EQ(console, (c.written ? msg : std::string()) + "   \n") << c.what;
    EXPECT_EQ(slurp(out), c.written ? msg : std::string()) << c.what;
    std::remove(out.c_str());
  }
}

TEST(PassDecision, FifteenthPassAtTheFloorIsAcceptedAboveItTheRunEnds) {
  // A step whose every attempt fails: 14 halvings of 81.92 reach the floor
  // 0.005 exactly in the fifteenth pass.
  struct Case {
    const char* what;
    double dtime;
    int nonfin;
    PassOutcome last;
    int passes;
    double dtLast;
  };
  const Case cases[] = {
      {"fifteenth pass at the floor: accepted", 81.92, 0, PassOutcome::Accept, 15, 0.005},
      {"fifteenth pass just above the floor: cut, run ends", 81.93, 0, PassOutcome::Terminate, 15, 81.93 / 16384},
      {"floor reached earlier: accepted there", 0.04, 0, PassOutcome::Accept, 4, 0.005},
      {"not finite at the floor: never accepted", 0.04, 1, PassOutcome::Terminate, 15, 0.005},
  };
  for (const Case& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    const std::string out = tempPath("pasdec.lis");
    s.units.open(s.IOUT, out, FileForm::Formatted, FileStatus::Unknown);
    s.DTFLOOR = 0.005;
    s.DTIME = c.dtime;
    s.TIMUSE = 100.0 + c.dtime;
    s.NONFIN = c.nonfin;
    PassOutcome o = PassOutcome::Retry;
    int pass = 0;
    double dtPass = 0;
    testing::internal::CaptureStdout();
    while (o == PassOutcome::Retry && pass < 20) {
      s.NPASS = ++pass;
      dtPass = s.DTIME;
      o = PASDEC(s, false);
    }
    s.units.flushAll();
    const std::string console = testing::internal::GetCapturedStdout();
    s.units.close(s.IOUT);
    EXPECT_EQ(o, c.last) << c.what;
    EXPECT_EQ(pass, c.passes) << c.what;
    EXPECT_DOUBLE_EQ(dtPass, c.dtLast) << c.what;
    const bool ended = c.last == PassOutcome::Terminate;
    EXPECT_EQ(s.ITERM, ended ? 1 : 0) << c.what;
    const std::string msg = ended ? "\n ** TALVEK TERMINATED AFTER 15 TIME-STEP CUTS **\n" : "";
    EXPECT_EQ(slurp(out), msg) << c.what;
    EXPECT_EQ(console, msg) << c.what;
    std::remove(out.c_str());
  }
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

TEST(PvtRange, EveryRegionLeavingItsTableIsNamed) {
  // Five PVT regions, each a two-row table from 14.7 to 1,000 psia, and
  // one block in each at 2,000 psia: every region is named on its own line
  // after the step, none only counted, and the next step says nothing more.
  auto sp = makeState();
  State& s = *sp;
  s.RUNFILE[0] = "deck.txt";
  s.KEQO = 1;
  s.NPVTRGN = 5;
  s.NGPACT = 5;
  s.ISTEP = 7;
  s.TIMUSE = 12.5;
  for (int r = 1; r <= 5; ++r) {
    s.NRPVT(r) = 2;
    s.ONEPVT(r) = 0;
    s.PRES(1, r) = 14.7;
    s.PRES(2, r) = 1000.0;
    s.RST(1, r) = 1.0;
    s.RST(2, r) = 300.0;
    s.LINPVT(r) = 100 + 10 * r;
    s.NPVTGN(r) = r;
    s.IJK(1, r) = r;
    s.IJK(2, r) = 1;
    s.IJK(3, r) = 1;
    s.P(r) = 2000.0;
    s.RS(r) = 200.0;
    s.ISAT(r) = 0;
  }
  std::vector<std::string> lines;
  setDeckWarningSink([&lines](const std::string& l) { lines.push_back(l); });
  PVTRNG(s, false);
  PVTRNG(s, false);
  setDeckWarningSink({});
  ASSERT_EQ(lines.size(), 5u) << (lines.empty() ? std::string() : lines.back());
  for (int r = 1; r <= 5; ++r) {
    const std::string want = "talvek: warning: deck.txt:" + std::to_string(100 + 10 * r) +
                             ": data group DATA 40C, item PRES: at step 7 (time 12.5000) the oil pressure of block (" +
                             std::to_string(r) + ",1,1) is 2000.00, above the highest pressure of the PVT table of PVT region " +
                             std::to_string(r) + " (1000.00)";
    EXPECT_EQ(lines[static_cast<std::size_t>(r - 1)].rfind(want, 0), 0u) << lines[static_cast<std::size_t>(r - 1)];
  }
}
