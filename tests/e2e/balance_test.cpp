// Whole runs of the example decks, made step by step in this process so that
// every accepted step can be inspected: the material balance of every solved
// component, the polymer and the tracer accounted for independently from the
// block arrays and the well rates, and the adsorption that never decreases.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "e2e_util.h"
#include "input/input.h"
#include "io/deck.h"
#include "physics/gradients.h"
#include "run/driver.h"
#include "run/loop.h"
#include "state/state.h"

namespace talvek {
namespace {

namespace fs = std::filesystem;

using e2e::Sandbox;

double porosity(const State& s, int n) { return s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF)); }

// Polymer in solution and adsorbed, and tracer, held by the blocks: at the
// old level (`old`, before the first step, when only it is set) or the new.
double polymerInPlace(const State& s, bool old = false) {
  double m = 0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const double r = old ? s.VB(n) * s.PHIN(n) / s.BWN(n) : s.VB(n) * porosity(s, n) / s.BWB(n);
    m += r * (old ? s.SPN(n) : s.SP(n)) * s.CPMF(n) + (old ? s.CRP(n) : s.ADS(n)) * s.RMASS(n);
  }
  return m;
}
double tracerInPlace(const State& s, bool old = false) {
  double m = 0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const double r = old ? s.VB(n) * s.PHIN(n) / s.BWN(n) : s.VB(n) * porosity(s, n) / s.BWB(n);
    m += r * (old ? s.SWN(n) + s.SPN(n) : s.SW(n) + s.SP(n)) * s.CTMF(n);
  }
  return m;
}

// What one accepted step leaves behind.
struct Step {
  int step = 0;
  double time = 0;
  double inc[7] = {}, cum[7] = {};  // MBRINC, MBRCUM by component 1..6
  double vs[7] = {}, q[7] = {};     // step net withdrawal and its run total
  double err[7] = {};               // MBAINC by component 1..5
  double polyPlace = 0, polyIn = 0, polyOut = 0, polyInjReported = 0;
  double tracerPlace = 0, tracerIn = 0, tracerOut = 0;
  double ctMax = 0, ctMin = 0, ctInjected = 0;
  double ctProducer = 0;
  int adsDropped = 0;        // blocks whose adsorption fell in the step
  double adsOverCap = 0;     // largest ADS / CRPMAX - 1
  int tracerReach = 0;       // blocks holding tracer above 1 % of the injected
  int polymerReach = 0;      // blocks holding polymer above 1 % of the injected
};

struct WholeRun {
  std::unique_ptr<State> sp = makeState();
  std::vector<Step> steps;
  bool solved[7] = {};
  double polyStart = 0, tracerStart = 0;
  std::string error;
};

// The run of `deck`, as the program makes it, with the state looked at after
// every accepted step. The start-up is the driver's; the loop is the
// time-step loop's own (its preparation, then per step the output flags, the
// schedule, the gravity terms and the step with its cuts), opened up here
// only to look in between the steps.
void runDeck(const std::string& name, const fs::path& deckPath, WholeRun& r) {
  State& s = *r.sp;
  Sandbox box("balance_" + name);
  try {
    STARTUP(s);
    BANNER(s, false);
    const std::string names[4] = {deckPath.string(), "out.lis", "rin.rst", "rout.rst"};
    SETNAMES(s, names);
    DeckReader deck(deckPath.string());
    OPENUP(s);
    PRERED(s, deck);
    NEWRUN(s, deck);
    INPUT(s, deck, 1);

    r.solved[1] = s.KEQO != 0;
    r.solved[2] = s.KEQW != 0;
    r.solved[3] = s.KEQG != 0;
    r.solved[4] = r.solved[5] = s.KEQP != 0;
    r.solved[6] = s.KEQW != 0 || s.KEQP != 0;
    r.polyStart = polymerInPlace(s, true);
    r.tracerStart = tracerInPlace(s, true);

    s.DTFLOOR = 0.005;
    if (s.TMSTOP > s.TMTOTAL) s.TMSTOP = s.TMTOTAL;
    s.NGROW1 = 2;
    s.NGROW2 = 3 * s.NGROW1;
    s.NSINCE = s.NGROW2;
    s.ITERM = 0;
    std::vector<double> ads(static_cast<std::size_t>(s.NGPACT) + 1);
    for (int n = 1; n <= s.NGPACT; ++n) ads[static_cast<std::size_t>(n)] = s.ADS(n);
    double cumnet[7] = {}, polyIn = 0, polyOut = 0, tracerIn = 0, tracerOut = 0, cpInj = 0, ctInj = 0, tprev = s.TIMUSE;
    while (s.TIMUSE - s.TMSTOP < -0.001 && s.ISTEP < 100000) {
      ++s.ISTEP;
      OUTFLG(s);
      SCHTIM(s);
      GRADNT(s);
      if (!ONESTP(s)) break;

      Step st;
      st.step = s.ISTEP;
      st.time = s.TIMUSE;
      for (int k = 1; k <= 6; ++k) {
        st.inc[k] = s.MBRINC(k);
        st.cum[k] = s.MBRCUM(k);
      }
      for (int k = 1; k <= 5; ++k) {
        st.vs[k] = s.CUMNET(k) - cumnet[k];
        st.err[k] = s.MBAINC(k);
        cumnet[k] = st.q[k] = s.CUMNET(k);
      }
      st.vs[6] = st.vs[2] + st.vs[4];
      st.q[6] = st.q[2] + st.q[4];

      // Polymer and tracer over the wells, as the cascade moved them, over
      // the step's own length (DTIME already holds the next step's).
      const double dt = s.TIMUSE - tprev;
      tprev = s.TIMUSE;
      for (int i = 1; i <= s.NWELM2; ++i) {
        const int n = s.LWELM2(i);
        polyIn -= dt * s.FLOWP(n) * s.CPMFI(n);
        tracerIn -= dt * (s.FLOWP(n) + s.FLOWW(n)) * s.CTMFI(n);
        st.ctInjected = std::max(st.ctInjected, s.CONCTI(n));
      }
      for (int i = 1; i <= s.NWELM1; ++i) {
        const int n = s.LWELM1(i);
        polyOut += dt * s.FLOWP(n) * s.CPMFO(n);
        tracerOut += dt * (s.FLOWP(n) + s.FLOWW(n)) * s.CTMFO(n);
        st.ctProducer = std::max(st.ctProducer, s.CONCT(n));
      }
      st.polyIn = polyIn;
      st.polyOut = polyOut;
      st.polyInjReported = -s.CUMINJ(5);
      st.tracerIn = tracerIn;
      st.tracerOut = tracerOut;
      st.polyPlace = polymerInPlace(s);
      st.tracerPlace = tracerInPlace(s);

      st.ctMax = -1e30;
      st.ctMin = 1e30;
      for (int n = 1; n <= s.NGPACT; ++n) {
        st.ctMax = std::max(st.ctMax, s.CONCT(n));
        st.ctMin = std::min(st.ctMin, s.CONCT(n));
        double& a = ads[static_cast<std::size_t>(n)];
        if (s.ADS(n) < a) ++st.adsDropped;
        a = s.ADS(n);
        if (s.CRPMAX(n) > 0) st.adsOverCap = std::max(st.adsOverCap, s.ADS(n) / s.CRPMAX(n) - 1.0);
      }
      // How far each has gone: blocks whose aqueous phase holds more than 1 %
      // of the injected concentration, tracer and polymer in solution alike.
      for (int i = 1; i <= s.NWELM2; ++i) {
        cpInj = std::max(cpInj, s.CPMFI(s.LWELM2(i)));
        ctInj = std::max(ctInj, s.CTMFI(s.LWELM2(i)));
      }
      for (int n = 1; n <= s.NGPACT; ++n) {
        const double sa = s.SW(n) + s.SP(n);
        if (ctInj > 0 && s.CTMF(n) > 0.01 * ctInj) ++st.tracerReach;
        if (cpInj > 0 && sa > 0 && s.SP(n) * s.CPMF(n) / sa > 0.01 * cpInj) ++st.polymerReach;
      }
      r.steps.push_back(st);
    }
    ENDRUN(s);
  } catch (const std::exception& e) {
    r.error = e.what();
  }
}

// A component has moved in a step when its net withdrawal of the step (the
// wells, the aquifer and the cascade's turning of polymer solution into
// water) is at least this much, in its stock-tank unit or mass unit; before
// that its ratios divide a rounding residue by 1.0E-51 or by another residue.
constexpr double kMoved = 1.0E-6;

struct Example {
  const char* file;
  bool polymer;  // injects polymer and tracer
};

// How the test output names a case (instead of the bytes of the object).
void PrintTo(const Example& e, std::ostream* os) { *os << e.file; }

class Balance : public ::testing::TestWithParam<Example> {};

}  // namespace

TEST_P(Balance, EveryStepOfTheExampleBalances) {
  const Example& e = GetParam();
  const std::string stem = fs::path(e.file).stem().string();
  WholeRun r;
  runDeck(stem, fs::path(TALVEK_SOURCE_DIR) / "examples" / e.file, r);
  ASSERT_EQ(r.error, "");
  ASSERT_FALSE(r.steps.empty());
  const State& s = *r.sp;
  EXPECT_NEAR(r.steps.back().time, s.TMSTOP, 1e-3);

  // The ratios of every solved component, incremental and cumulative, once
  // it has moved; before, the balance error itself is negligible.
  const char* names[7] = {"", "oil", "water", "gas", "polymer solution", "polymer mass", "aqueous"};
  for (int k = 1; k <= 6; ++k) {
    if (!r.solved[k]) continue;
    SCOPED_TRACE(names[k]);
    int judged = 0;
    for (const Step& st : r.steps) {
      if (std::fabs(st.vs[k]) >= kMoved) {
        ++judged;
        EXPECT_NEAR(st.inc[k], 1.0, 1e-3) << "INC MB R, step " << st.step << " time " << st.time << " Vs " << st.vs[k];
      } else if (k <= 5) {
        EXPECT_LE(std::fabs(st.err[k]), kMoved) << "INC MB A, step " << st.step;
      }
      if (std::fabs(st.q[k]) >= kMoved) {
        EXPECT_NEAR(st.cum[k], 1.0, 1e-3) << "CUM MB R, step " << st.step << " time " << st.time;
      }
    }
    EXPECT_GT(judged, 0) << "the component never moved";
  }

  // Adsorption is irreversible and bounded by the rock's capacity.
  for (const Step& st : r.steps) {
    EXPECT_EQ(st.adsDropped, 0) << "step " << st.step;
    EXPECT_LE(st.adsOverCap, 1e-12) << "step " << st.step;
  }
  if (!e.polymer) return;

  // Polymer: what was injected is what was produced plus what the blocks
  // hold in solution and adsorbed; the material balance's injected polymer is
  // the same amount.
  const Step& last = r.steps.back();
  ASSERT_GT(last.polyIn, 0.0);
  for (const Step& st : r.steps) {
    EXPECT_NEAR(st.polyPlace - r.polyStart, st.polyIn - st.polyOut, 1e-9 * last.polyIn) << "step " << st.step;
    EXPECT_NEAR(st.polyInjReported, st.polyIn, 1e-6 * last.polyIn) << "step " << st.step;
  }

  // Tracer: conserved the same way; passive, so never above the injected
  // concentration nor below 0; it outruns the adsorbed polymer, and reaches
  // the production well.
  ASSERT_GT(last.tracerIn, 0.0);
  double ctInj = 0;
  int reached = 0;
  double atWell = 0;
  for (const Step& st : r.steps) {
    atWell = std::max(atWell, st.ctProducer);
    ctInj = std::max(ctInj, st.ctInjected);
    EXPECT_NEAR(st.tracerPlace - r.tracerStart, st.tracerIn - st.tracerOut, 1e-9 * last.tracerIn) << "step " << st.step;
    EXPECT_LE(st.ctMax, ctInj * (1.0 + 1e-9)) << "step " << st.step;
    EXPECT_GE(st.ctMin, 0.0) << "step " << st.step;
    EXPECT_LE(st.polymerReach, st.tracerReach) << "step " << st.step;
    reached = std::max(reached, st.tracerReach);
  }
  EXPECT_GT(ctInj, 0.0);
  EXPECT_GT(atWell, 0.01 * ctInj);
  EXPECT_GT(last.tracerOut, 0.1 * last.tracerIn);
  EXPECT_GT(reached, last.polymerReach);
}

INSTANTIATE_TEST_SUITE_P(Examples, Balance,
                         ::testing::Values(Example{"fivespot_polymer.txt", true}, Example{"waterflood1d.txt", false},
                                           Example{"blackoil3d.txt", false}),
                         [](const auto& info) { return fs::path(info.param.file).stem().string(); });

}  // namespace talvek
