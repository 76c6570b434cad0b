// Wells: the ten production rate options, the pressure limit and the switch
// to it, the economic limits, the control history over the Newton
// iterations, the injected fluids, and the derivatives against one-sided
// differences of the rates.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "physics_fixture.h"

namespace talvek {
namespace {

using namespace phys_test;

// One block with all four equations, without neighbours; free gas or not.
std::unique_ptr<State> oneBlock(bool freeGas) {
  auto sp = makeState();
  State& s = *sp;
  setTables(s);
  setEquations(s, 1, 1, 1, 1);
  setGrid(s, 1, 1, 10.0);
  if (freeGas)
    setBlock(s, 1, 2500.0, 0.35, 0.35, 0.1, 0.0, 1);
  else
    setBlock(s, 1, 2500.0, 0.35, 0.55, 0.1, 380.0, 0);
  makeOldLevel(s);
  s.QOECON = 0.0;
  s.WORMAX = 100.0;
  s.GORMAX = 50000.0;
  s.CPMFI(1) = 0.25;
  return sp;
}

struct Rates {
  double o, w, g, p;
};
Rates ratesOf(const State& s, int n) { return {s.FLOWO(n), s.FLOWW(n), s.FLOWG(n), s.FLOWP(n)}; }

// Raises unknown u of block 1 (all equations solved) with the dependent
// saturations; returns the amount.
double raise1(State& s, int u) {
  double eps = 0.0;
  if (u == s.IPO) {
    eps = s.EPSP;
    s.P(1) += eps;
  } else if (u == s.ISW) {
    eps = s.EPSS;
    s.SW(1) += eps;
  } else if (u == s.ISP) {
    eps = s.EPSS;
    s.SP(1) += eps;
  } else {
    eps = s.EPSX2(1);
    if (s.ISAT(1) == 1)
      s.SO(1) += eps;
    else
      s.RS(1) += eps;
  }
  s.SA(1) = s.SW(1) + s.SP(1);
  if (s.ISAT(1) != 1) s.SO(1) = 1.0 - s.SA(1);
  s.SG(1) = 1.0 - s.SO(1) - s.SA(1);
  return eps;
}

// The rate derivatives of block 1 against one-sided differences of the
// rates over the same amounts.
void checkRateDerivatives(State& s, const char* what) {
  EVALUT(s);
  PRODUC(s, 1);
  const Rates r0 = ratesOf(s, 1);
  const int code = s.IWC(1);
  double d[4][5];
  for (int u = 1; u <= 4; ++u) {
    d[0][u] = s.DFLOWO(u, 1);
    d[1][u] = s.DFLOWW(u, 1);
    d[2][u] = s.DFLOWG(u, 1);
    d[3][u] = s.DFLOWP(u, 1);
  }
  for (int u = 1; u <= 4; ++u) {
    const double keep[7] = {s.P(1), s.SW(1), s.SO(1), s.SG(1), s.SP(1), s.RS(1), s.SA(1)};
    const double eps = raise1(s, u);
    EVALUT(s);
    PRODUC(s, 1);
    ASSERT_EQ(s.IWC(1), code) << what << ": the raised state changed the control";
    const Rates r1 = ratesOf(s, 1);
    const double fd[4] = {(r1.o - r0.o) / eps, (r1.w - r0.w) / eps, (r1.g - r0.g) / eps, (r1.p - r0.p) / eps};
    for (int f = 0; f < 4; ++f)
      EXPECT_NEAR(d[f][u], fd[f], 1e-8 * (std::fabs(fd[f]) + 1.0))
          << what << " rate " << f << " unknown " << u;
    s.P(1) = keep[0];
    s.SW(1) = keep[1];
    s.SO(1) = keep[2];
    s.SG(1) = keep[3];
    s.SP(1) = keep[4];
    s.RS(1) = keep[5];
    s.SA(1) = keep[6];
  }
  EVALUT(s);
  PRODUC(s, 1);
}

TEST(Wells, ProductionRateOptions) {
  // What each option holds at the specified rate, from the block's rates.
  using Ctl = std::function<double(const State&)>;
  const double cv = 5.6146;
  const Ctl ctl[11] = {
      nullptr,
      [](const State& s) { return s.FLOWO(1); },
      [](const State& s) { return s.FLOWW(1) + s.FLOWP(1); },
      [](const State& s) { return s.FLOWG(1); },
      [](const State& s) { return s.FLOWO(1) + s.FLOWW(1) + s.FLOWP(1); },
      [cv](const State& s) {
        return s.FLOWO(1) + s.FLOWW(1) + s.FLOWP(1) + s.FLOWG(1) / cv;
      },
      [](const State& s) { return s.FLOWO(1) * s.BOB(1); },
      [](const State& s) { return (s.FLOWW(1) + s.FLOWP(1)) * s.BWB(1); },
      [cv](const State& s) { return cv * (s.FLOWG(1) - s.RS(1) * s.FLOWO(1)) * s.BGB(1); },
      [](const State& s) { return s.FLOWO(1) * s.BOB(1) + (s.FLOWW(1) + s.FLOWP(1)) * s.BWB(1); },
      [](const State& s) {
        return s.FLOWO(1) * s.BOB(1) + (s.FLOWW(1) + s.FLOWP(1)) * s.BWB(1) +
               (s.FLOWG(1) - s.RS(1) * s.FLOWO(1)) * s.BGB(1);
      },
  };
  for (bool freeGas : {true, false}) {
    for (int opt = 1; opt <= 10; ++opt) {
      if (!freeGas && opt == 8) continue;  // no free gas to produce
      auto sp = oneBlock(freeGas);
      State& s = *sp;
      const double q = 30.0;
      addWell(s, 1, -1, opt, q, 100.0, 50.0);
      EVALUT(s);
      PRODUC(s, 1);
      EXPECT_EQ(s.IWC(1), -opt);
      EXPECT_NEAR(ctl[opt](s), q, 1e-9 * q) << "option " << opt << (freeGas ? " free gas" : "");
      EXPECT_GT(s.FLOWO(1), 0.0);
      EXPECT_NEAR(s.FLOWG(1) - s.RS(1) * s.FLOWO(1), s.FLOWO(1) / s.RMOBB(JOIL, KBASE, 1) * s.RMOBB(JGAS, KBASE, 1),
                  1e-9 * (1 + std::fabs(s.FLOWG(1))));
      EXPECT_GT(s.PSAND(1), s.BHP(1));
      EXPECT_EQ(s.IPFORC(1), 3);
      EXPECT_EQ(s.QOWREP(1), s.FLOWO(1));
      EXPECT_EQ(s.QAWREP(1), s.FLOWW(1) + s.FLOWP(1));
      checkRateDerivatives(s, freeGas ? "rate option, free gas" : "rate option, no free gas");
    }
  }
}

TEST(Wells, PressureLimitAndSwitch) {
  for (bool freeGas : {true, false}) {
    // Option 11: always at the limit.
    {
      auto sp = oneBlock(freeGas);
      State& s = *sp;
      addWell(s, 1, -1, 11, 0.0, 2000.0, 2.0);
      EVALUT(s);
      PRODUC(s, 1);
      EXPECT_EQ(s.IWC(1), -11);
      EXPECT_EQ(s.PSAND(1), 2000.0);
      const double D = (s.P(1) - 2000.0) * 2.0;
      EXPECT_NEAR(s.FLOWO(1), D * s.RMOBB(JOIL, KBASE, 1), 1e-12 * std::fabs(s.FLOWO(1)));
      EXPECT_NEAR(s.FLOWW(1), D * s.RMOBB(JWAT, KBASE, 1), 1e-12 * std::fabs(s.FLOWW(1)));
      EXPECT_NEAR(s.FLOWG(1), D * s.RMOBB(JGAS, KBASE, 1) + s.RS(1) * s.FLOWO(1), 1e-9);
      checkRateDerivatives(s, "pressure limit");
    }
    // A rate that needs a sand-face pressure below the limit is produced at
    // the limit in the same iteration; the stored control changes only from
    // the fourth iteration on.
    {
      auto sp = oneBlock(freeGas);
      State& s = *sp;
      addWell(s, 1, -1, 4, 1.0e5, 2000.0, 2.0);
      for (int it = 1; it <= 3; ++it) {
        EVALUT(s);
        PRODUC(s, it);
        EXPECT_EQ(s.IWC(1), -11);
        EXPECT_EQ(s.PSAND(1), 2000.0);
        EXPECT_EQ(s.IPFORC(1), 3) << "iteration " << it;
      }
      EVALUT(s);
      PRODUC(s, 4);
      EXPECT_EQ(s.IWC(1), -11);
      EXPECT_EQ(s.IPFORC(1), 2);
      checkRateDerivatives(s, "switched to the pressure limit");
    }
  }
}

struct EconCase {
  const char* what;
  double q;  // oil rate (option 1)
  double qoecon, wormax, gormax;
  bool shut;
};

TEST(Wells, EconomicLimits) {
  // Block without free gas: GOR = RS, WOR from the mobilities.
  auto probe = oneBlock(false);
  addWell(*probe, 1, -1, 1, 10.0, 100.0, 50.0);
  EVALUT(*probe);
  PRODUC(*probe, 1);
  const double wor = (probe->FLOWW(1) + probe->FLOWP(1)) / (10.0 + 0.001);
  const double gor = probe->FLOWG(1) / (10.0 + 0.001);
  ASSERT_GT(wor, 0.0);
  const EconCase cases[] = {
      {"oil rate at the limit", 10.0, 10.0, 100, 50000, false},
      {"oil rate 4.7 % below", 10.0, 10.0 / 0.953, 100, 50000, false},
      {"oil rate 6 % below", 10.0, 10.0 / 0.94, 100, 50000, true},
      {"WOR 4 % above", 10.0, 0.0, wor / 1.04, 50000, false},
      {"WOR 6 % above", 10.0, 0.0, wor / 1.06, 50000, true},
      {"GOR 6 % above", 10.0, 0.0, 100, gor / 1.06, true},
      {"GOR 4 % above", 10.0, 0.0, 100, gor / 1.04, false},
      {"ratios not tested below 0.1", 0.09, 0.0, 0.0, 0.0, false},
  };
  for (const EconCase& c : cases) {
    auto sp = oneBlock(false);
    State& s = *sp;
    addWell(s, 1, -1, 1, c.q, 100.0, 50.0);
    s.QOECON = c.qoecon;
    s.WORMAX = c.wormax;
    s.GORMAX = c.gormax;
    s.QPMPRD(1) = 3.0;
    s.QPMINJ(1) = 4.0;
    EVALUT(s);
    PRODUC(s, 1);
    if (c.shut) {
      EXPECT_EQ(s.IWC(1), -12) << c.what;
      EXPECT_EQ(s.FLOWO(1), 0.0) << c.what;
      EXPECT_EQ(s.FLOWW(1), 0.0) << c.what;
      EXPECT_EQ(s.FLOWG(1), 0.0) << c.what;
      EXPECT_EQ(s.FLOWP(1), 0.0) << c.what;
      EXPECT_EQ(s.PSAND(1), 0.0) << c.what;
      EXPECT_EQ(s.QPMPRD(1), 0.0) << c.what;
      EXPECT_EQ(s.QPMINJ(1), 0.0) << c.what;
      for (int u = 1; u <= 4; ++u) EXPECT_EQ(s.DFLOWO(u, 1), 0.0) << c.what;
    } else {
      EXPECT_EQ(s.IWC(1), -1) << c.what;
      EXPECT_NEAR(s.FLOWO(1), c.q, 1e-9) << c.what;
      EXPECT_EQ(s.QPMPRD(1), 3.0) << c.what;
    }
  }
  // A shut found on the rate is overridden when the rate needs less than
  // the limit; the limits are then tested again on the pressure-controlled
  // rates, here an oil rate below 0.1 at which the ratios are not tested.
  for (double bhp : {2499.999, 2000.0}) {
    auto sp = oneBlock(false);
    State& s = *sp;
    addWell(s, 1, -1, 1, 10.0, bhp, 50.0);
    s.WORMAX = wor / 1.1;
    EVALUT(s);
    PRODUC(s, 1);
    if (bhp > 2499.0) {
      EXPECT_EQ(s.IWC(1), -11);
      EXPECT_LT(s.FLOWO(1), 0.1);
      EXPECT_GT(s.FLOWO(1), 0.0);
    } else {
      EXPECT_EQ(s.IWC(1), -12);
    }
  }
}

// Sequences of block pressures that make the rate control hold or not; the
// stored control after each iteration.
struct History {
  const char* what;
  double p[6];
  int code[6];
  int mode[6];
};

TEST(Wells, ControlHistoryOverIterations) {
  // At 2500 the rate is met (-4); at 2010 it needs less than the limit (-11).
  const History cases[] = {
      {"steady at the limit from the start", {2010, 2010, 2010, 2010, 2010, 2500},
       {-11, -11, -11, -11, -11, -11}, {3, 3, 3, 2, 2, 2}},
      {"flipping settles on the limit", {2500, 2010, 2500, 2010, 2500, 2500},
       {-4, -11, -4, -11, -11, -11}, {3, 3, 3, 2, 2, 2}},
      {"flipping back to the rate also settles on the limit", {2010, 2500, 2010, 2500, 2500, 2500},
       {-11, -4, -11, -11, -11, -11}, {3, 3, 3, 2, 2, 2}},
      {"a new condition is taken without a second pass", {2500, 2500, 2500, 2010, 2500, 2500},
       {-4, -4, -4, -11, -11, -11}, {3, 3, 3, 2, 2, 2}},
      {"rate held throughout", {2500, 2500, 2500, 2500, 2500, 2500}, {-4, -4, -4, -4, -4, -4},
       {3, 3, 3, 3, 3, 3}},
      // Below the limit (an iterate overshooting it) the oil would flow into
      // the block: the pass shuts the well, but that is no economic shut to
      // keep. Once the pressure is back above the limit the well produces.
      {"flipping between the rate and a backflow settles on the limit", {2500, 1500, 2500, 1500, 2500, 2500},
       {-4, -12, -4, -12, -11, -11}, {3, 3, 3, 2, 2, 2}},
      {"below the limit throughout: shut in every pass, the limit stored", {1500, 1500, 1500, 1500, 1500, 1500},
       {-12, -12, -12, -12, -12, -12}, {3, 3, 3, 2, 2, 2}},
      {"a backflow as a new condition stores the limit", {2500, 2500, 2500, 1500, 2500, 2500},
       {-4, -4, -4, -12, -11, -11}, {3, 3, 3, 2, 2, 2}},
  };
  for (const History& h : cases) {
    auto sp = oneBlock(false);
    State& s = *sp;
    addWell(s, 1, -1, 4, 40.0, 2000.0, 1.0);
    for (int it = 1; it <= 6; ++it) {
      s.P(1) = h.p[it - 1];
      EVALUT(s);
      PRODUC(s, it);
      EXPECT_EQ(s.IWC(1), h.code[it - 1]) << h.what << " iteration " << it;
      EXPECT_EQ(s.IPFORC(1), h.mode[it - 1]) << h.what << " iteration " << it;
      EXPECT_EQ(s.IWCLST(1), s.IWC(1));
      EXPECT_EQ(s.IWCPAR(it % 2 == 0 ? 1 : 2, 1), s.IWC(1));
    }
  }
  // Flipping between an economic shut and the rate stays shut.
  auto sp = oneBlock(false);
  State& s = *sp;
  addWell(s, 1, -1, 4, 40.0, 2000.0, 1.0);
  const double fo = [&] {
    EVALUT(s);
    PRODUC(s, 1);
    return s.FLOWO(1);
  }();
  const double qo[5] = {fo * 0.5, 0.0, fo * 0.5, 0.0, 0.0};  // QOECON: met, violated, met, violated
  const int code[5] = {-4, -12, -4, -12, -12};
  const int mode[5] = {3, 3, 3, 1, 1};
  for (int it = 1; it <= 5; ++it) {
    s.QOECON = qo[it - 1] == 0.0 ? fo * 2.0 : qo[it - 1];
    EVALUT(s);
    PRODUC(s, it);
    EXPECT_EQ(s.IWC(1), code[it - 1]) << "economic flip, iteration " << it;
    EXPECT_EQ(s.IPFORC(1), mode[it - 1]) << "economic flip, iteration " << it;
  }
}

TEST(Wells, InvalidOptions) {
  for (int opt : {0, 12, -3}) {
    auto sp = oneBlock(true);
    State& s = *sp;
    addWell(s, 1, -1, opt, 30.0, 100.0, 50.0);
    EVALUT(s);
    PRODUC(s, 1);
    EXPECT_EQ(s.IWC(1), 0) << opt;
    EXPECT_EQ(s.FLOWO(1), 0.0);
    EXPECT_EQ(s.FLOWG(1), 0.0);
    EXPECT_EQ(s.PSAND(1), 0.0);
  }
  for (int opt : {0, 5, 11}) {
    auto sp = oneBlock(true);
    State& s = *sp;
    addWell(s, 1, -2, opt, 30.0, 4000.0, 50.0);
    EVALUT(s);
    PRODUC(s, 1);
    EXPECT_EQ(s.IWC(1), 0) << opt;
    EXPECT_EQ(s.FLOWW(1), 0.0);
    EXPECT_EQ(s.FLOWO(1), 0.0);
    EXPECT_EQ(s.FLOWG(1), 0.0);
    EXPECT_EQ(s.FLOWP(1), 0.0);
  }
}

// A fluid whose equation is off is not injected: no equation would take the
// rate, but the well reports and the tracer would.
TEST(Wells, FluidWhoseEquationIsOffIsNotInjected) {
  for (int fluid = 1; fluid <= 4; ++fluid) {
    // Every equation on but the injected fluid's (water stays on when gas is
    // injected, oil when water is: a block needs two phases to flow).
    auto sp = makeState();
    State& s = *sp;
    setTables(s);
    setEquations(s, fluid == 2 ? 0 : 1, fluid == 1 ? 0 : 1, fluid == 3 ? 0 : 1, fluid == 4 ? 0 : 1);
    setGrid(s, 1, 1, 10.0);
    setBlock(s, 1, 2500.0, 0.35, 0.55, fluid == 4 ? 0.0 : 0.1, 380.0, 0);
    makeOldLevel(s);
    s.CPMFI(1) = 0.25;
    addWell(s, 1, -2, fluid, 25.0, 4000.0, 50.0);
    EVALUT(s);
    PRODUC(s, 1);
    EXPECT_EQ(s.IWC(1), 0) << fluid;
    const Rates r = ratesOf(s, 1);
    EXPECT_EQ(r.o, 0.0) << fluid;
    EXPECT_EQ(r.w, 0.0) << fluid;
    EXPECT_EQ(r.g, 0.0) << fluid;
    EXPECT_EQ(r.p, 0.0) << fluid;
    EXPECT_EQ(s.PSAND(1), 0.0) << fluid;
    // With the equation on the same well injects.
    setEquations(s, 1, 1, 1, 1);
    EVALUT(s);
    PRODUC(s, 1);
    EXPECT_EQ(s.IWC(1), fluid) << fluid;
  }
}

TEST(Wells, InjectionFluids) {
  for (int fluid = 1; fluid <= 4; ++fluid) {
    // Rate control: the fluid's rate, negative, nothing else.
    {
      auto sp = oneBlock(fluid != 1);
      State& s = *sp;
      addWell(s, 1, -2, fluid, 25.0, 4000.0, 50.0);
      EVALUT(s);
      PRODUC(s, 1);
      EXPECT_EQ(s.IWC(1), fluid);
      const Rates r = ratesOf(s, 1);
      const double want[5] = {0, -25.0, 0, 0, 0};
      EXPECT_EQ(r.o, fluid == 1 ? want[1] : 0.0);
      EXPECT_EQ(r.w, fluid == 2 ? want[1] : 0.0);
      EXPECT_EQ(r.g, fluid == 3 ? want[1] : 0.0);
      EXPECT_EQ(r.p, fluid == 4 ? want[1] : 0.0);
      EXPECT_GT(s.PSAND(1), s.P(1));
      EXPECT_LT(s.PSAND(1), s.BHP(1));
      for (int u = 1; u <= 4; ++u) {
        EXPECT_EQ(s.DFLOWW(u, 1), 0.0);
        EXPECT_EQ(s.DFLOWP(u, 1), 0.0);
      }
      EXPECT_EQ(s.QPMINJ(1), s.CPMFI(1) * s.FLOWP(1));
    }
    // At the limit: rate from the total mobility, derivatives by difference.
    {
      auto sp = oneBlock(fluid != 1);
      State& s = *sp;
      addWell(s, 1, -2, fluid, 1.0e7, 2600.0, 3.0);
      EVALUT(s);
      PRODUC(s, 1);
      EXPECT_EQ(s.IWC(1), 11);
      EXPECT_EQ(s.PSAND(1), 2600.0);
      double lt = 0.0;
      for (int f = 1; f <= 4; ++f) lt += s.RMOB(f, KBASE, 1);
      const double B = fluid == 1 ? s.BOB(1) - s.RS(1) * s.BGB(1) : fluid == 3 ? s.BGB(1) : s.BWB(1);
      const double rate = lt * (s.P(1) - 2600.0) * 3.0 / B;
      const Rates r = ratesOf(s, 1);
      const double got = fluid == 1 ? r.o : fluid == 2 ? r.w : fluid == 3 ? r.g : r.p;
      EXPECT_NEAR(got, rate, 1e-12 * std::fabs(rate));
      EXPECT_LT(got, 0.0);
      EXPECT_EQ(s.QPMINJ(1), s.CPMFI(1) * s.FLOWP(1));
      checkRateDerivatives(s, "injection at the limit");
    }
    // Block pressure at the limit: cannot inject, no terms.
    {
      auto sp = oneBlock(fluid != 1);
      State& s = *sp;
      addWell(s, 1, -2, fluid, 1.0e7, 2500.0, 3.0);
      EVALUT(s);
      PRODUC(s, 1);
      EXPECT_EQ(s.IWC(1), 12);
      EXPECT_EQ(s.PSAND(1), 0.0);
      const Rates r = ratesOf(s, 1);
      EXPECT_EQ(r.o, 0.0);
      EXPECT_EQ(r.w, 0.0);
      EXPECT_EQ(r.g, 0.0);
      EXPECT_EQ(r.p, 0.0);
      EXPECT_EQ(s.QPMINJ(1), 0.0);
    }
  }
}

// An injector's terms are rewritten on every iteration: after an iteration
// at the pressure limit, one at which the block pressure has reached the
// limit leaves no rate, and one on rate control leaves no derivatives.
TEST(Wells, InjectorTermsDoNotOutliveTheirCondition) {
  auto sp = oneBlock(true);
  State& s = *sp;
  addWell(s, 1, -2, 4, 1.0e7, 2600.0, 3.0);
  EVALUT(s);
  PRODUC(s, 1);
  ASSERT_EQ(s.IWC(1), 11);
  ASSERT_LT(s.FLOWP(1), 0.0);
  ASSERT_NE(s.DFLOWP(s.IPO, 1), 0.0);
  s.P(1) = 2600.0;
  EVALUT(s);
  PRODUC(s, 2);
  EXPECT_EQ(s.IWC(1), 12);
  EXPECT_EQ(s.FLOWP(1), 0.0);
  EXPECT_EQ(s.QPMINJ(1), 0.0);
  for (int u = 1; u <= 4; ++u) EXPECT_EQ(s.DFLOWP(u, 1), 0.0);
  s.P(1) = 2500.0;
  EVALUT(s);
  PRODUC(s, 3);
  ASSERT_EQ(s.IWC(1), 11);
  s.QSP(1) = 25.0;
  PRODUC(s, 4);
  EXPECT_EQ(s.IWC(1), 4);
  EXPECT_EQ(s.FLOWP(1), -25.0);
  EXPECT_EQ(s.QPMINJ(1), s.CPMFI(1) * -25.0);
  for (int u = 1; u <= 4; ++u) EXPECT_EQ(s.DFLOWP(u, 1), 0.0);
}

// The first iteration clears every block's terms; later iterations leave
// blocks outside the well lists alone.
TEST(Wells, FirstIterationClearsEveryBlock) {
  auto sp = oneBlock(true);
  State& s = *sp;
  EVALUT(s);
  s.FLOWO(1) = 5.0;
  s.DFLOWG(2, 1) = 7.0;
  s.PSAND(1) = 1234.0;
  PRODUC(s, 2);
  EXPECT_EQ(s.FLOWO(1), 5.0);
  EXPECT_EQ(s.DFLOWG(2, 1), 7.0);
  PRODUC(s, 1);
  EXPECT_EQ(s.FLOWO(1), 0.0);
  EXPECT_EQ(s.DFLOWG(2, 1), 0.0);
  EXPECT_EQ(s.PSAND(1), 1234.0);  // a shut-in well keeps its last pressure
}

}  // namespace
}  // namespace talvek
