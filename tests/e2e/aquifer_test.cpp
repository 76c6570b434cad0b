// Whole runs with an analytic aquifer, made step by step in this process so
// that the pressure and the exchange of every accepted step can be compared
// with solutions worked out here: a single-block water tank fed by a pot,
// a steady-state and an unsteady-state aquifer, and the aquifer example,
// whose material balance must hold for every solved component.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
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

// What one accepted step leaves behind.
struct Step {
  double time = 0, p = 0;           // end of the step; pressure of block 1
  double cumaq = 0;                 // cumulative exchange, reservoir volume (into the aquifer)
  double cum[7] = {}, inc[7] = {};  // MBRCUM, MBRINC by component
  double q[7] = {}, vs[7] = {};     // run total and step net withdrawal
};

struct RunLog {
  std::unique_ptr<State> sp = makeState();
  std::vector<Step> steps;
  double p0 = 0;
  std::string error;
};

// The run of the deck at `deckPath` as the program makes it: the driver's
// start-up, then the time-step loop's own preparation and steps, opened up
// here only to look in between the steps.
void runDeck(const std::string& name, const fs::path& deckPath, RunLog& r) {
  State& s = *r.sp;
  Sandbox box("aquifer_" + name);
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
    r.p0 = s.PN(1);
    s.DTFLOOR = 0.005;
    if (s.TMSTOP > s.TMTOTAL) s.TMSTOP = s.TMTOTAL;
    s.NGROW1 = 2;
    s.NGROW2 = 3 * s.NGROW1;
    s.NSINCE = s.NGROW2;
    s.ITERM = 0;
    double cumnet[7] = {};
    while (s.TIMUSE - s.TMSTOP < -0.001 && s.ISTEP < 100000) {
      ++s.ISTEP;
      OUTFLG(s);
      SCHTIM(s);
      GRADNT(s);
      if (!ONESTP(s)) {
        r.error = "step " + std::to_string(s.ISTEP) + " failed";
        break;
      }
      Step st;
      st.time = s.TIMUSE;
      st.p = s.P(1);
      st.cumaq = s.CUMAQR;
      for (int k = 1; k <= 6; ++k) {
        st.cum[k] = s.MBRCUM(k);
        st.inc[k] = s.MBRINC(k);
      }
      for (int k = 1; k <= 5; ++k) {
        st.vs[k] = s.CUMNET(k) - cumnet[k];
        cumnet[k] = st.q[k] = s.CUMNET(k);
      }
      st.vs[6] = st.vs[2] + st.vs[4];
      st.q[6] = st.q[2] + st.q[4];
      r.steps.push_back(st);
    }
    ENDRUN(s);
  } catch (const std::exception& e) {
    r.error = e.what();
  }
}

// A single block of water, 2000 x 2000 x 50 ft, porosity 0.2, at 3000 psia,
// rock compressibility 3E-6 /psi, water formation volume factor falling
// from 1.0 at 14.7 psia to 0.97 at 10014.7 psia, water viscosity 1 cp. The
// aquifer attaches to its single side (side index 1); the schedule is
// given in full.
std::string tankDeck(const std::string& aquifer, const std::string& schedule, double tend, double dtmax) {
  char head[512];
  std::snprintf(head, sizeof head,
                "DATA 01E\nTITLE\nWATER TANK WITH AN ANALYTIC AQUIFER\nDATA 02B\nIPRTDAT IRSTRT TMTOTAL TMSTOP DELT\n"
                "0 0 %g %g 0.5\nDATA 03B\nMUNITIN MUNTOUT IQUAD NINTBLE DTMAX DTMIN RERORP DELPO DELRS DELSAT MATBAK\n"
                "1 1 0 0 %g 0.01 0.05 100. 100. 0.05 3\n",
                tend, tend, dtmax);
  std::string d = head;
  d += "DATA 04B\nIPRINT IPRST1 IPRST2 INOUTP NFRRES NFRWEL NFRARY NWRITE\n0 0 0 1 1000 1000 1000 0\n";
  d += "DATA 05B\nSWITCHES\n0 0 0 0 0 0 0 0 0 0 0 0\n";
  d += "DATA 06B\nKEQW KEQO KEQG KEQP\n1 0 0 0\n";
  d += "DATA 07B\nDEPTH1 SINX SINY\n5000. 0. 0.\n";
  d += "DATA 08B\nIDAQFR AQFH AQKH AQRW AQRE ANGLE AQCWE AQMUW\n" + aquifer + "\n";
  d += "DATA 09B\nINIOPT ICASE ZREF PZREF XREF5\n0 0 0. 0. 0.\n";
  d += "DATA 10B\nNX NY NZ METHOD NXYZORD NUSLVR NKRRGN NPVTRGN RADW RADE\n1 1 1 1 2 0 1 1 0. 0.\n";
  struct Arr {
    const char* group;
    const char* name;
    const char* value;  // nullptr: no region line
  } arrays[] = {
      {"11A", "IACTIVE", "1"},   {"12A", "NKRGN", "1"},      {"13A", "NPVTGN", "1"},    {"14A", "DX", "2000."},
      {"15A", "DY", "2000."},    {"16A", "DZ", "50."},       {"17A", "DEPTH", nullptr}, {"18A", "KX", "500."},
      {"19A", "KY", "500."},     {"20A", "KZ", "50."},       {"21A", "PHI", "0.2"},     {"22A", "SO", nullptr},
      {"23A", "SW", "1."},       {"24A", "SP", nullptr},     {"25A", "RS", nullptr},    {"26A", "P", "3000."},
      {"27A", "CONCP", nullptr}, {"28A", "CRPMAX", nullptr}, {"29A", "CRP", nullptr},   {"30A", "INFBLK", "1"},
      {"31A", "BBLKWT", "1."},   {"32A", "RATIO", nullptr},  {"33A", "RATIO", nullptr}, {"34A", "RATIO", nullptr},
      {"35A", "RATIO", nullptr}, {"36A", "RATIO", nullptr},  {"37A", "RATIO", nullptr}};
  for (const Arr& a : arrays) {
    d += std::string("DATA ") + a.group + "\n1 " + a.name + "\n";
    if (a.value != nullptr) d += std::string("1 1 1 1 1 1 ") + a.value + "\n";
    d += "0 0 0 0 0 0 0\n";
  }
  d += "DATA 38C\nROCK REGION 1\nSWT KRW KROW PCOW PCOWI\n0.0 0.0 1.0 0. 0.\n1.0 1.0 0.0 0. 0.\n0 0 0 0 0\n";
  d += "DATA 39C\nSLT KRG KROG PCGO PCGOI\n0.0 1.0 0.0 0. 0.\n1.0 0.0 1.0 0. 0.\n0 0 0 0 0\n";
  d += "DATA 40C\nPVT REGION 1\nPRES RS BW BO BG MUW MUO MUG\n14.7 1. 1.0000 1.0001 0.2000 1.0 2.0000 0.0100\n"
       "10014.7 2. 0.9700 1.0002 0.0010 1.0 1.9999 0.0101\n0 0 0 0 0 0 0 0\n";
  d += "DATA 41B\nGAMAW GAMAG OILAPI CO CMUO\n1.0 0.7 35. 0.00001 0.\n";
  d += "DATA 42B\nDENR CPHI PREF\n165. 0.000003 3000.\n";
  d += "DATA 43C\nCONCP MUP\n0. 1.\n1000. 10.\n0 0\n";
  d += "DATA 44C\nCRP RF RRF\n0. 1. 1.\n0 0 0\n";
  d += "DATA 45D\nNOW LINE / WELL LINE\nSCHEDULE\n" + schedule + "0 0 0 0 0 0 0\n";
  return d;
}

// The tank's numbers in field units (reservoir barrels, psi, days).
constexpr double kPi = 3.14159265358979323846;
constexpr double kBbl = 5.6146;      // cubic feet per barrel
constexpr double kTrans = 0.001127;  // Darcy's law, bbl/d from md ft/cp psi
constexpr double kP0 = 3000.0;
double bw(double p) { return 1.0 - 0.03 * (p - 14.7) / 10000.0; }
// Stock-tank water held per psi, and in reservoir barrels per psi.
double storageStb(double p) {
  const double vb = 2000.0 * 2000.0 * 50.0 / kBbl, phi = 0.2, cphi = 3.0e-6;
  const double ph = phi * (1.0 + cphi * (p - kP0));
  return vb * (phi * cphi / bw(p) + ph * 0.03e-4 / (bw(p) * bw(p)));
}

void runText(const std::string& name, const std::string& deckText, RunLog& r) {
  const fs::path deckPath = fs::path(::testing::TempDir()) / ("talvek_aquifer_" + name + ".txt");
  {
    std::ofstream f(deckPath);
    f << deckText;
  }
  runDeck(name, deckPath, r);
  fs::remove(deckPath);
}

// A pot aquifer shares the block's pressure: at constant pressure it
// exchanges nothing, and under a producer its cumulative exchange is its
// volume times compressibility times the pressure change, step by step.
TEST(AquiferRun, PotExchangesItsCompressionOnly) {
  const std::string pot = "1 50. 200. 1000. 1500. 360. 1.E-5 1.0";
  const double k1 = kPi * 1.0e-5 * 50.0 * (1500.0 * 1500.0 - 1000.0 * 1000.0) / kBbl;
  {
    RunLog r;
    runText("pot_still", tankDeck(pot, "0 1 1. 50. 0. 100. 50000.\n", 50.0, 5.0), r);
    ASSERT_EQ(r.error, "");
    ASSERT_GE(r.steps.size(), 5u);
    for (const Step& st : r.steps) {
      // Nothing beyond what the Newton iteration leaves of the first step's
      // shift of 1.0E-7 psi.
      EXPECT_LE(std::fabs(st.cumaq), k1 * 1.0e-10) << st.time;
      EXPECT_NEAR(st.p, kP0, 1.0e-6) << st.time;
    }
  }
  RunLog r;
  runText("pot_producer", tankDeck(pot, "1 1 1. 50. 0. 100. 50000.\n-1 1 1 1 1 2 20. 14.7 1.0 0. 0.\n", 50.0, 5.0), r);
  ASSERT_EQ(r.error, "");
  ASSERT_GE(r.steps.size(), 5u);
  for (const Step& st : r.steps) {
    ASSERT_LT(st.p, kP0 - 0.1);
    EXPECT_NEAR(st.cumaq, k1 * (st.p - r.p0), 1.0e-9 * k1 * (r.p0 - st.p)) << st.time;
  }
  // The pot's water adds to the tank's: the pressure falls at the rate of
  // the production over both storages.
  const Step& last = r.steps.back();
  const double drop = 1000.0 * bw(kP0) * last.time / (storageStb(kP0) * bw(kP0) + k1);
  EXPECT_NEAR(r.p0 - last.p, drop, 0.01 * drop);
}

// A steady-state aquifer is a linear conductance to its initial pressure:
// under a constant-rate producer the tank's pressure approaches the level
// where the aquifer delivers the production, and after the well is shut it
// returns to the aquifer's pressure, both exponentially with the time
// constant storage / conductance. The exchange at the mean pressure of a
// step makes the step the trapezoidal rule, so the curve is met closely.
TEST(AquiferRun, SteadyStateTankRelaxesAlongTheLinearModel) {
  const double kh = 200.0, re = 5000.0, rw = 1000.0, mu = 1.0;
  const double k2 = 2.0 * kPi * kTrans * kh / (std::log(re / rw) * mu);  // bbl/d/psi
  const double q = 100.0;                                                // STB/d
  const double tau = storageStb(kP0) * bw(kP0) / k2;
  const double t1 = 100.0;
  const double level = q * bw(kP0) / k2;  // drawdown when the aquifer delivers q
  RunLog r;
  runText("steady",
          tankDeck("2 50. 200. 1000. 5000. 360. 1.E-5 1.0",
                   "1 1 1. 100. 0. 100. 50000.\n-1 1 1 1 1 2 20. 14.7 0.1 0. 0.\n1 1 1. 300. 0. 100. 50000.\n"
                   "0 1 1 1 1 2 20. 14.7 0. 0. 0.\n",
                   300.0, 2.0),
          r);
  ASSERT_EQ(r.error, "");
  ASSERT_GT(r.steps.size(), 100u);
  ASSERT_GT(tau, 20.0);
  ASSERT_LT(tau, 100.0);
  const double atShut = level * (1.0 - std::exp(-t1 / tau));
  double worst = 0.0;
  for (const Step& st : r.steps) {
    const double want =
        st.time <= t1 + 1e-9 ? level * (1.0 - std::exp(-st.time / tau)) : atShut * std::exp(-(st.time - t1) / tau);
    const double err = std::fabs((r.p0 - st.p) - want) / level;
    worst = std::fmax(worst, err);
    EXPECT_LT(err, 0.005) << "time " << st.time << ": drawdown " << r.p0 - st.p << " against " << want;
  }
  std::printf("steady-state tank: time constant %.2f days, drawdown level %.2f psi, worst error %.2e of it\n", tau,
              level, worst);
  // Back near the aquifer's pressure at the end.
  EXPECT_LT(r.p0 - r.steps.back().p, 0.05 * level);
}

// Constant-rate pressure of an infinite radial aquifer at its inner radius,
// in Laplace space.
double infiniteTransform(double sLap) {
  const double q = std::sqrt(sLap);
  return std::cyl_bessel_k(0.0, q) / (sLap * q * std::cyl_bessel_k(1.0, q));
}

double stehfest(const std::function<double(double)>& transform, double t, int n = 14) {
  const int h = n / 2;
  const double ln2 = std::log(2.0);
  auto fact = [](int k) {
    double f = 1.0;
    for (int i = 2; i <= k; ++i) f *= i;
    return f;
  };
  double sum = 0.0;
  for (int k = 1; k <= n; ++k) {
    double v = 0.0;
    for (int j = (k + 1) / 2; j <= std::min(k, h); ++j)
      v += std::pow(j, h) * fact(2 * j) / (fact(h - j) * fact(j) * fact(j - 1) * fact(k - j) * fact(2 * j - k));
    if ((k + h) % 2 != 0) v = -v;
    sum += v * transform(k * ln2 / t);
  }
  return sum * ln2 / t;
}

// A tank under a constant-rate producer, fed by an infinite-acting
// aquifer. Independently of the stepping used by the program, the influx is
// the superposition (Duhamel) of constant-rate responses of the radial
// aquifer: in Laplace space the pressure drop is dp = qa * h(s) with
// h(s) = s pD(s / a) / (a^2 B), a the dimensionless time per day and B the
// aquifer's storage constant, and the tank's balance C s dp = q / s - qa
// closes the system; the cumulative influx qa / s is inverted numerically.
TEST(AquiferRun, InfiniteActingAquiferMatchesSuperposition) {
  const double phih = 10.0, kh = 5000.0, rw = 1128.0, ct = 1.0e-5, mu = 0.5;
  const double a = kBbl * kTrans * kh / (mu * phih * ct * rw * rw);  // 1/day
  const double bAq = 2.0 * kPi * phih * ct * rw * rw / kBbl;         // bbl/psi
  const double c = storageStb(kP0) * bw(kP0);                        // bbl/psi
  const double q = 500.0 * bw(kP0);                                  // bbl/d
  char aq[128];
  std::snprintf(aq, sizeof aq, "3 %g %g %g %g 360. %g %g", phih, kh, rw, 100.0 * rw, ct, mu);
  RunLog r;
  runText("unsteady", tankDeck(aq, "1 1 1. 200. 0. 100. 50000.\n-1 1 1 1 1 2 20. 14.7 0.5 0. 0.\n", 200.0, 2.0), r);
  ASSERT_EQ(r.error, "");
  // Infinite-acting for the whole run: the boundary at 100 radii is felt
  // only after a dimensionless time of about 1200.
  ASSERT_LT(a * 200.0, 500.0);
  auto h = [&](double sl) { return sl * infiniteTransform(sl / a) / (a * a * bAq); };
  auto influx = [&](double sl) {
    const double dp = q / (sl * (c * sl + 1.0 / h(sl)));
    return dp / (h(sl) * sl);
  };
  double worst = 0.0;
  int judged = 0;
  for (const Step& st : r.steps) {
    if (st.time < 2.0) continue;
    const double want = stehfest(influx, st.time);
    const double got = -st.cumaq;  // into the reservoir
    const double err = std::fabs(got - want) / want;
    worst = std::fmax(worst, err);
    ++judged;
    EXPECT_LT(err, 0.02) << "time " << st.time << ": influx " << got << " against " << want;
  }
  EXPECT_GT(judged, 50);
  // Most of the production comes from the aquifer by the end.
  EXPECT_GT(-r.steps.back().cumaq, 0.8 * q * r.steps.back().time);
  std::printf("infinite-acting aquifer: worst relative error of the cumulative influx %.2e\n", worst);
}

// The aquifer example balances every solved component at every step, the
// aquifer's water included: the ratios, incremental and cumulative, stay
// within 1 +- 1.0E-4 once the component has moved (a net withdrawal of
// at least 1.0E-6 in the step or in the run). The worst deviations are
// printed.
TEST(AquiferRun, ExampleBalancesEveryComponent) {
  RunLog r;
  runDeck("example", fs::path(TALVEK_SOURCE_DIR) / "examples" / "aquifer_edge.txt", r);
  ASSERT_EQ(r.error, "");
  ASSERT_GT(r.steps.size(), 20u);
  const State& s = *r.sp;
  EXPECT_NEAR(r.steps.back().time, s.TMSTOP, 1e-3);
  ASSERT_EQ(s.IDAQFR, 4);
  // Water came in from the aquifer: the balance is not the producer's alone.
  ASSERT_LT(r.steps.back().cumaq, -1.0e5);
  const bool solved[7] = {
      false, s.KEQO != 0, s.KEQW != 0, s.KEQG != 0, s.KEQP != 0, s.KEQP != 0, s.KEQW != 0 || s.KEQP != 0};
  const char* names[7] = {"", "oil", "water", "gas", "polymer solution", "polymer mass", "aqueous"};
  for (int k = 1; k <= 6; ++k) {
    if (!solved[k]) continue;
    double worstInc = 0.0, worstCum = 0.0;
    int judged = 0;
    for (const Step& st : r.steps) {
      if (std::fabs(st.vs[k]) >= 1.0e-6) {
        ++judged;
        worstInc = std::fmax(worstInc, std::fabs(st.inc[k] - 1.0));
        EXPECT_NEAR(st.inc[k], 1.0, 1.0e-4) << names[k] << " INC MB R at time " << st.time;
      }
      if (std::fabs(st.q[k]) >= 1.0e-6) {
        worstCum = std::fmax(worstCum, std::fabs(st.cum[k] - 1.0));
        EXPECT_NEAR(st.cum[k], 1.0, 1.0e-4) << names[k] << " CUM MB R at time " << st.time;
      }
    }
    EXPECT_GT(judged, 0) << names[k];
    std::printf("%s: largest |INC MB R - 1| %.2e, |CUM MB R - 1| %.2e over %d steps\n", names[k], worstInc, worstCum,
                judged);
  }
}

// The program runs an aquifer deck to its halting time: the initial report
// shows the aquifer's data and influence coefficients, the time-step
// reports its exchange.
TEST(AquiferRun, ProgramRunsTheExampleToTheEnd) {
  const auto dir = e2e::scratch("aquifer_cli");
  const std::string deck = (fs::path(TALVEK_SOURCE_DIR) / "examples" / "aquifer_edge.txt").string();
  const e2e::Result res = e2e::run(dir, "'" + deck + "' out.lis rin.rst rout.rst");
  EXPECT_EQ(res.status, 0) << res.err;
  const std::string lis = e2e::slurp(dir / "out.lis");
  EXPECT_NE(lis.find(" AQUIFER INFLUENCE COEFFICIENT ARRAY"), std::string::npos);
  EXPECT_NE(lis.find("RAT EFLUX"), std::string::npos);
  const auto at = lis.rfind(" RATE OF INFLUX = ");
  ASSERT_NE(at, std::string::npos);
  // The last report: water flows in at a positive rate.
  EXPECT_GT(std::stod(lis.substr(at + 18, 12)), 100.0) << lis.substr(at, 80);
  EXPECT_NE(lis.find("END OF TALVEK RUN"), std::string::npos);
}

// Aquifer data that give no usable aquifer stop the program with one
// message naming the deck, the line of the group 8 values, the group and
// the items, and a non-zero exit status: radii in the wrong order at the
// set-up, and a radius ratio whose bounded-aquifer formula turns negative
// once the run reaches the time its boundary is felt (about 40 days here).
TEST(AquiferRun, UnusableAquiferStopsTheProgram) {
  struct Case {
    const char* what;
    const char* aquifer;
    const char* message;
  } cases[] = {
      {"radii", "2 50. 200. 5000. 1000. 360. 1.E-5 1.0",
       "aq.txt:24: data group DATA 08B, item AQRE: reservoir radius AQRW = 5000 and aquifer external radius AQRE = "
       "1000"},
      {"influence function", "3 10. 5000. 300. 15000. 360. 1.E-5 0.5",
       "aq.txt:24: data group DATA 08B, item AQRW, AQRE: the unsteady-state aquifer's influence function has no "
       "valid value"},
  };
  for (const Case& c : cases) {
    const auto dir = e2e::scratch(std::string("aquifer_stop_") + (c.what[0] == 'r' ? "radii" : "influence"));
    {
      std::ofstream f(dir / "aq.txt");
      f << tankDeck(c.aquifer, "1 1 1. 60. 0. 100. 50000.\n-1 1 1 1 1 2 20. 14.7 0.5 0. 0.\n", 60.0, 2.0);
    }
    const e2e::Result res = e2e::run(dir, "aq.txt out.lis rin.rst rout.rst");
    EXPECT_NE(res.status, 0) << c.what;
    EXPECT_NE(res.err.find(c.message), std::string::npos) << c.what << ": " << res.err;
  }
}

// A restart whose image holds such an aquifer stops where its boundary is
// first felt as the uninterrupted run does, but the aquifer is the image's
// (the restart deck's group 8 is passed over): the message names no deck
// line, rather than line 0, and says whose aquifer it is.
TEST(AquiferRun, UnusableAquiferOfARestartImageIsNamedWithoutALine) {
  const auto dir = e2e::scratch("aquifer_stop_restart");
  const std::string aquifer = "3 10. 5000. 300. 15000. 360. 1.E-5 0.5";
  const std::string well = "-1 1 1 1 1 2 20. 14.7 0.5 0. 0.\n";
  const std::string schedule = "1 1 1. 20. 0. 100. 50000.\n" + well + "1 1 1. 60. 0. 100. 50000.\n" + well;
  {
    std::string first = tankDeck(aquifer, schedule, 60.0, 2.0);
    const std::string control = "0 0 60 60 0.5";
    const auto at = first.find(control);
    ASSERT_NE(at, std::string::npos);
    std::string second = first;
    first.replace(at, control.size(), "0 0 20 20 0.5");
    second.replace(at, control.size(), "0 1 60 60 0.5");
    std::ofstream(dir / "first.txt") << first;
    std::ofstream(dir / "second.txt") << second;
  }
  const e2e::Result first = e2e::run(dir, "first.txt first.lis rin.rst day20.rst");
  ASSERT_EQ(first.status, 0) << first.err;
  const e2e::Result second = e2e::run(dir, "second.txt second.lis day20.rst rout.rst");
  EXPECT_EQ(second.status, 1) << second.err;
  EXPECT_NE(second.err.find("talvek: error: second.txt: data group DATA 08B, item AQRW, AQRE: the unsteady-state "
                            "aquifer's influence function (the aquifer of the restart-up image) has no valid value"),
            std::string::npos)
      << second.err;
}

// The aquifer example with its period split at day 400 (the same well line
// in both periods), halted at `tmstop`, new run or restart.
std::string splitExample(int irstrt, int tmstop) {
  std::string d = e2e::slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "aquifer_edge.txt");
  auto replace = [&d](const std::string& from, const std::string& to) {
    const auto p = d.find(from);
    EXPECT_NE(p, std::string::npos) << from;
    if (p != std::string::npos) d.replace(p, from.size(), to);
  };
  const std::string well = "-1 1 12 2 1 1 20. 1500. 0.8 0. 0.\n";
  replace("1 1 1. 1095. 0. 100. 50000.\n" + well,
          "1 1 1. 400. 0. 100. 50000.\n" + well + "1 1 1. 1095. 0. 100. 50000.\n" + well);
  replace("0 0 1095. 1095. 1.", "0 " + std::to_string(irstrt) + " 1095. " + std::to_string(tmstop) + ". 1.");
  return d;
}

// A run continued from the restart-up image of day 400 carries on the
// aquifer's cumulative exchange, initial pressures and coefficients: its
// records are those of the uninterrupted run.
TEST(AquiferRun, RestartContinuesTheExchange) {
  const auto dir = e2e::scratch("aquifer_restart");
  for (const char* sub : {"full", "first", "second"}) fs::create_directories(dir / sub);
  const struct {
    const char* sub;
    int irstrt, tmstop;
  } decks[] = {{"full", 0, 1095}, {"first", 0, 400}, {"second", 1, 1095}};
  for (const auto& d : decks) {
    std::ofstream f(dir / d.sub / "deck.txt");
    f << splitExample(d.irstrt, d.tmstop);
  }
  const e2e::Result full = e2e::run(dir / "full", "deck.txt out.lis none.rst end.rst");
  ASSERT_EQ(full.status, 0) << full.err;
  const e2e::Result first = e2e::run(dir / "first", "deck.txt out.lis none.rst day400.rst");
  ASSERT_EQ(first.status, 0) << first.err;
  fs::copy_file(dir / "first" / "day400.rst", dir / "second" / "day400.rst");
  const e2e::Result second = e2e::run(dir / "second", "deck.txt out.lis day400.rst end.rst");
  ASSERT_EQ(second.status, 0) << second.err;
  const std::string whole = e2e::slurp(dir / "full" / "res.lis");
  const std::string a = e2e::slurp(dir / "first" / "res.lis"), b = e2e::slurp(dir / "second" / "res.lis");
  ASSERT_FALSE(b.empty());
  EXPECT_EQ(a + b, whole);
  // The last reported influx agrees too.
  auto lastInflux = [](const std::string& lis) {
    const auto at = lis.rfind(" RATE OF INFLUX = ");
    return at == std::string::npos ? std::string() : lis.substr(at, 80);
  };
  const std::string want = lastInflux(e2e::slurp(dir / "full" / "out.lis"));
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(lastInflux(e2e::slurp(dir / "second" / "out.lis")), want);
}

}  // namespace
}  // namespace talvek
