// Polymer and tracer cascade.
#include "run/cascade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics/lookup.h"
#include "run/matbal.h"
#include "state/state.h"
#include "solver/numbering.h"

namespace talvek {
namespace {

// A horizontal line of blocks: block 1 an injection well, the last block a
// production well, pressure falling along the line (so the flow runs from
// block 1 to the last one), no capillary pressure.
struct Line5 {
  std::unique_ptr<State> sp = makeState();
  State& s = *sp;
  explicit Line5(int nx = 5) {
    s.NX = nx;
    s.NY = s.NZ = 1;
    s.METHOD = 1;
    s.NXYZORD = 2;
    BORDER(s);
    for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
    s.IACTIVE(1) = -2;
    s.IACTIVE(nx) = -1;
    ACTNUM(s);
    CONLST(s);
    s.IQUAD = 0;
    s.NRWO(1) = 2;
    s.SWT(1, 1) = 0.0;
    s.SWT(2, 1) = 1.0;
    s.PCOW(1, 1) = s.PCOW(2, 1) = 0.0;
    s.SWCR(1) = 0.2;
    s.SORW(1) = 0.2;
    s.NRRET = 2;
    s.CRPT(1) = 0.0;
    s.CRPT(2) = 1.0E-3;
    s.RF(1) = 1.0;
    s.RF(2) = 5.0;
    s.RRF(1) = 1.0;
    s.RRF(2) = 3.0;
    s.DENWS(1) = 1000.0;
    s.CPHI = 1.0E-5;
    s.PREF = 100.0;
    s.KEQW = 1;
    s.DTIME = 0.5;
    for (int n = 1; n <= s.NGPACT; ++n) {
      s.NKRGN(n) = s.NPVTGN(n) = 1;
      s.P(n) = 300.0 - 40.0 * n;
      s.PHI(n) = 0.25;
      s.PHIN(n) = 0.25;
      s.VB(n) = 100.0;
      s.BWB(n) = 1.01;
      s.BWN(n) = 1.02;
      s.RMASS(n) = 150.0;
      s.CRPMAX(n) = 2.0E-4;
      s.SWN(n) = 0.5;
      s.SPN(n) = 0.2;
      s.SW(n) = 0.45;
      s.SP(n) = 0.25;
      s.SA(n) = s.SW(n) + s.SP(n);
      s.CPMF(n) = 0.8;
      s.CTMF(n) = 0.3;
      s.CPMFO(n) = 0.8;
      s.CTMFO(n) = 0.3;
      s.CRP(n) = 1.0E-5;
      s.RMOBB(JWAT, KBASE, n) = 0.3;
      s.RMOBB(JPOL, KBASE, n) = 0.2;
      for (int sl = 1; sl <= 7; ++sl) s.GF(sl, n) = (s.NBR(sl, n) != 0 && sl != 4) ? 0.05 : 0.0;
    }
    s.FLOWP(1) = -2.0;
    s.FLOWW(1) = -1.0;
    s.CPMFI(1) = 1.5;
    s.CTMFI(1) = 0.7;
    s.FLOWP(nx) = 1.0;
    s.FLOWW(nx) = 2.0;
  }
  double phi(int n) const { return s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF)); }
  // Polymer mass in solution and adsorbed, old level and new level.
  double oldPolymer() const {
    double m = 0;
    for (int n = 1; n <= s.NGPACT; ++n)
      m += s.SPN(n) * s.VB(n) * s.PHIN(n) / s.BWN(n) * s.CPMF(n) + s.CRP(n) * s.RMASS(n);
    return m;
  }
  double newPolymer() const {
    double m = 0;
    for (int n = 1; n <= s.NGPACT; ++n)
      m += s.SP(n) * s.VB(n) * phi(n) / s.BWB(n) * s.CPMF(n) + s.ADS(n) * s.RMASS(n);
    return m;
  }
  double oldTracer() const {
    double m = 0;
    for (int n = 1; n <= s.NGPACT; ++n)
      m += (s.SPN(n) + s.SWN(n)) * s.VB(n) * s.PHIN(n) / s.BWN(n) * s.CTMF(n);
    return m;
  }
  double newTracer() const {
    double m = 0;
    for (int n = 1; n <= s.NGPACT; ++n)
      m += (s.SP(n) + s.SW(n)) * s.VB(n) * phi(n) / s.BWB(n) * s.CTMF(n);
    return m;
  }
  // Old level := new level, as run control stores it after a step.
  void store() {
    for (int n = 1; n <= s.NGPACT; ++n) {
      s.PHIN(n) = phi(n);
      s.BWN(n) = s.BWB(n);
      s.SPN(n) = s.SP(n);
      s.SWN(n) = s.SW(n);
      s.CRP(n) = s.ADS(n);
    }
  }
};

// Polymer mass is conserved: what the blocks held (in solution and adsorbed)
// plus what was injected equals what they hold now plus what was produced.
// The same for the tracer. Cases: adsorbing rock, rock at capacity, little
// polymer (everything adsorbed), water injection, polymer leaving a block
// faster than it fills its polymer solution.
TEST(Cascde, ConservesPolymerAndTracer) {
  struct Case {
    const char* name;
    double crpmax, crp, cpmf, cpmfi, flowp;
    int kind;  // 1 every block at capacity, 2 every block adsorbing, 3 every block
               // all adsorbed, 4 polymer solution partly turned into water
    int keqw;  // water equation on: only then can polymer solution turn into water
  };
  const Case cases[] = {{"adsorbing", 2.0E-4, 1.0E-5, 0.8, 1.5, -2.0, 2, 1},
                        {"at capacity", 2.0E-4, 2.0E-4, 0.8, 1.5, -2.0, 1, 1},
                        {"all adsorbed", 5.0E-2, 0.0, 1.0E-3, 1.0E-3, -2.0, 3, 1},
                        {"water injection", 2.0E-4, 1.0E-5, 0.8, 1.5, 0.0, 2, 1},
                        {"solution not filled", 1.0E-3, 0.0, 0.3, 0.0, 0.0, 4, 1},
                        {"all adsorbed, water equation off", 5.0E-2, 0.0, 1.0E-3, 1.0E-3, -2.0, 3, 0},
                        {"solution not filled, water equation off", 1.0E-3, 0.0, 0.3, 0.0, 0.0, 4, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Line5 f;
    State& s = f.s;
    for (int n = 1; n <= s.NGPACT; ++n) {
      s.CRPMAX(n) = c.crpmax;
      s.CRP(n) = c.crp;
      s.CPMF(n) = s.CPMFO(n) = c.cpmf;
    }
    s.CPMFI(1) = c.cpmfi;
    s.FLOWP(1) = c.flowp;
    s.KEQW = c.keqw;
    const double in = f.oldPolymer() - s.DTIME * s.FLOWP(1) * s.CPMFI(1);
    const double tin = f.oldTracer() - s.DTIME * (s.FLOWP(1) + s.FLOWW(1)) * s.CTMFI(1);
    const double sa[6] = {0, s.SA(1), s.SA(2), s.SA(3), s.SA(4), s.SA(5)};
    const double spb[6] = {0, s.SP(1), s.SP(2), s.SP(3), s.SP(4), s.SP(5)};
    const double swb[6] = {0, s.SW(1), s.SW(2), s.SW(3), s.SW(4), s.SW(5)};
    s.VCONV = 99.0;  // a previous step's figure is not carried over
    CASCDE(s);
    const int np = s.NGPACT;
    const double out = f.newPolymer() + s.DTIME * s.FLOWP(np) * s.CPMFO(np);
    const double tout = f.newTracer() + s.DTIME * (s.FLOWP(np) + s.FLOWW(np)) * s.CTMFO(np);
    EXPECT_NEAR(out, in, 1e-12 * in);
    EXPECT_NEAR(tout, tin, 1e-12 * tin);
    int turned = 0;
    for (int n = 1; n <= np; ++n) {
      if (c.kind == 1) {
        EXPECT_EQ(s.ADS(n), s.CRP(n)) << n;
      } else if (c.kind == 2) {
        EXPECT_GT(s.ADS(n), s.CRP(n)) << n;
      } else if (c.kind == 3 && c.keqw != 0) {
        EXPECT_EQ(s.SP(n), 0.0) << n;
      } else if (c.kind == 3) {
        EXPECT_EQ(s.CPMF(n), 0.0) << n;
      }
      if (c.keqw == 0) {
        EXPECT_EQ(s.SP(n), spb[n]) << n;
        EXPECT_EQ(s.SW(n), swb[n]) << n;
      }
      if (s.SP(n) != 0.25 && s.SP(n) != 0.0) ++turned;
    }
    if (c.kind == 4 && c.keqw != 0) {
      EXPECT_GT(turned, 0);
    }
    // The polymer solution turned into water, at stock-tank conditions.
    double conv = 0;
    for (int n = 1; n <= np; ++n) conv += (spb[n] - s.SP(n)) * s.VB(n) * f.phi(n) / s.BWB(n);
    EXPECT_NEAR(s.VCONV, conv, 1e-12);
    if (c.kind >= 3) {
      EXPECT_EQ(s.VCONV > 0.0, c.keqw != 0);
    }
    for (int n = 1; n <= np; ++n) {
      EXPECT_GE(s.ADS(n), s.CRP(n)) << n;
      EXPECT_GE(s.CPMFO(n), 0.0) << n;
      EXPECT_DOUBLE_EQ(s.CONCP(n), s.CPMF(n) * 1.0E6 / 1000.0);
      EXPECT_DOUBLE_EQ(s.CONCT(n), s.CTMF(n) * 1.0E6 / 1000.0);
      EXPECT_EQ(s.CTMFO(n), s.CTMF(n));
      EXPECT_DOUBLE_EQ(s.SW(n) + s.SP(n), sa[n]);  // SA kept
    }
  }
}

TEST(Cascde, AdsorptionNeverDecreases) {
  Line5 f;
  State& s = f.s;
  // Blocks start at their capacity; the aqueous saturation then falls (the
  // capacity with it) while polymer keeps arriving and leaving.
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.CRPMAX(n) = 2.0E-4;
    s.CRP(n) = 2.0E-4 * (n % 2 == 0 ? 1.0 : 0.3);
  }
  for (int step = 0; step < 12; ++step) {
    const double before[6] = {0, s.CRP(1), s.CRP(2), s.CRP(3), s.CRP(4), s.CRP(5)};
    CASCDE(s);
    for (int n = 1; n <= s.NGPACT; ++n) EXPECT_GE(s.ADS(n), before[n]) << "step " << step << " block " << n;
    f.store();
    for (int n = 1; n <= s.NGPACT; ++n) {
      s.SW(n) = std::max(0.0, s.SW(n) - 0.02);
      s.SA(n) = s.SW(n) + s.SP(n);
    }
  }
  // A block at capacity whose capacity fell keeps its adsorption.
  EXPECT_EQ(s.ADS(2), s.CRP(2));
}

TEST(Cascde, AllPolymerAdsorbed) {
  for (int keqw : {1, 0}) {
    Line5 f;
    State& s = f.s;
    s.KEQW = keqw;
    for (int n = 1; n <= s.NGPACT; ++n) {
      s.CRPMAX(n) = 0.05;  // far more capacity than polymer
      s.CRP(n) = 0.0;
      s.CPMF(n) = s.CPMFO(n) = 1.0E-4;
    }
    s.CPMFI(1) = 1.0E-4;
    CASCDE(s);
    for (int n = 1; n <= s.NGPACT; ++n) {
      EXPECT_EQ(s.CONCP(n), 0.0);
      EXPECT_EQ(s.CPMFO(n), 0.0);
      EXPECT_EQ(s.SP(n), keqw ? 0.0 : 0.25) << n;
      EXPECT_EQ(s.SW(n), keqw ? 0.45 + 0.25 : 0.45) << n;
      EXPECT_GT(s.ADS(n), 0.0);
    }
    double conv = 0;
    for (int n = 1; n <= s.NGPACT; ++n) conv += 0.25 * s.VB(n) * f.phi(n) / s.BWB(n);
    EXPECT_NEAR(s.VCONV, keqw ? conv : 0.0, 1e-12);
  }
}

// The material balance of the same step sees the cascade's turning of
// polymer solution into water as a transfer, not as a loss of polymer
// solution and a gain of water.
TEST(Cascde, TransferToWaterKeepsTheBalances) {
  Line5 f;
  State& s = f.s;
  for (int n = 1; n <= s.NGPACT; ++n) {  // case 2 with too little polymer left
    s.CRPMAX(n) = 1.0E-3;
    s.CRP(n) = 0.0;
    s.CPMF(n) = s.CPMFO(n) = 0.3;
  }
  s.CPMFI(1) = 0.0;
  s.FLOWP(1) = 0.0;
  s.BOB.fill(1.0);  // oil and gas play no part
  s.BGB.fill(1.0);
  MATBAL(s);  // amounts in place before the cascade; no well is listed
  CASCDE(s);
  ASSERT_GT(s.VCONV, 1.0);
  const double x = s.VCONV;
  MATBAL(s);
  EXPECT_NEAR(s.MBAINC(2), 0.0, 1e-12 * x);
  EXPECT_NEAR(s.MBAINC(4), 0.0, 1e-12 * x);
  EXPECT_NEAR(s.MBRINC(2), 1.0, 1e-12);
  EXPECT_NEAR(s.MBRINC(4), 1.0, 1e-12);
  EXPECT_NEAR(s.CUMNET(2), -x, 1e-12 * x);
  EXPECT_NEAR(s.CUMNET(4), x, 1e-12 * x);
}

// Only a production-well block counts the aquifer exchange in its outflow.
TEST(Cascde, AquiferCountsOnlyAtProductionWells) {
  Line5 base;
  CASCDE(base.s);
  Line5 f;
  State& s = f.s;
  s.QAP(3) = 0.7;  // an aquifer block without a well
  s.QAW(3) = 0.9;
  CASCDE(s);
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(s.CTMF(n), base.s.CTMF(n)) << n;
    EXPECT_EQ(s.CPMF(n), base.s.CPMF(n)) << n;
  }
  Line5 g;
  g.s.QAP(5) = 0.7;  // at the production well: more outflow, lower concentration kept
  g.s.QAW(5) = 0.9;
  CASCDE(g.s);
  EXPECT_LT(g.s.CTMF(5), base.s.CTMF(5));
  EXPECT_EQ(g.s.CTMF(4), base.s.CTMF(4));
}

TEST(Cascde, IsolatedBlockLastAndFedOnlyByItsWell) {
  Line5 f;
  State& s = f.s;
  // Make grid block 4 inactive: block 5 (a production well in the fixture)
  // becomes an isolated injection well.
  s.IACTIVE(4) = 0;
  s.IACTIVE(5) = -2;
  ACTNUM(s);
  CONLST(s);
  ASSERT_EQ(s.NGPACT, 4);
  for (int n = 1; n <= 4; ++n) {
    s.NKRGN(n) = s.NPVTGN(n) = 1;
    for (int sl = 1; sl <= 7; ++sl) s.GF(sl, n) = (s.NBR(sl, n) != 0 && sl != 4) ? 0.05 : 0.0;
  }
  s.FLOWP(4) = -1.0;
  s.FLOWW(4) = 0.0;
  s.CPMFI(4) = 2.0;
  s.CTMFI(4) = 0.9;
  s.CPMFO(3) = 123.0;  // would show if it reached block 4
  CASCDE(s);
  EXPECT_EQ(s.CASKEY(4), -1.0E29);
  EXPECT_EQ(s.ICASOR(4), 4);
  // Block 4: old solution plus the injected polymer, no outflow.
  const double vp0 = s.SPN(4) * s.VB(4) * s.PHIN(4) / s.BWN(4);
  const double mf = 1.0 * 2.0 * s.DTIME + vp0 * 0.8;
  const double a0 = s.CRP(4) * s.RMASS(4);
  const double sstar = std::min(1.0, (s.SA(4) - 0.2) / (1.0 - 0.2 - 0.2));
  const double acap = sstar * s.CRPMAX(4) * s.RMASS(4);
  ASSERT_GT(mf + a0, acap);
  EXPECT_NEAR(s.ADS(4), acap / s.RMASS(4), 1e-18);
  EXPECT_NEAR(s.CPMF(4), mf / (vp0 + 1.0 * s.DTIME), 1e-12);
}

TEST(Cascde, ResistanceFactors) {
  Line5 f;
  State& s = f.s;
  s.KEQP = 0;  // set whether or not the polymer equation is solved
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.CRPMAX(n) = 0.0;  // nothing adsorbs: ADS keeps CRP
  }
  s.CRP(1) = 0.0;     // exactly the first row: 1
  s.CRP(2) = 5.0E-4;  // half way: RF 3, RRF 2
  s.CRP(3) = 2.0E-3;  // beyond the table: its last row
  CASCDE(s);
  EXPECT_EQ(s.RFB(1), 1.0);
  EXPECT_EQ(s.RRFB(1), 1.0);
  EXPECT_NEAR(s.RFB(2), 3.0, 1e-12);
  EXPECT_NEAR(s.RRFB(2), 2.0, 1e-12);
  EXPECT_EQ(s.RFB(3), 5.0);
  EXPECT_EQ(s.RRFB(3), 3.0);
}

// A table read with its rows out of order (the deck reader warns and keeps
// it) is searched from its start for every block: each block's capillary
// pressure and resistance factors are those of a search of its own value,
// whatever block came before it. Block 1 sits where its interval would
// mislead a search started from it for block 2.
TEST(Cascde, TablesWithRowsOutOfOrderGiveEachBlockItsOwnValues) {
  Line5 f(3);
  State& s = f.s;
  s.NRWO(1) = 4;
  const double swt[4] = {0.0, 0.5, 0.3, 1.0}, pcow[4] = {8.0, 6.0, 2.0, 0.0};
  for (int i = 0; i < 4; ++i) {
    s.SWT(i + 1, 1) = swt[i];
    s.PCOW(i + 1, 1) = pcow[i];
  }
  s.NRRET = 4;
  const double crpt[4] = {0.0, 1.0E-3, 0.5E-3, 2.0E-3}, rf[4] = {1.0, 5.0, 2.0, 4.0}, rrf[4] = {1.0, 3.0, 1.5, 2.5};
  for (int i = 0; i < 4; ++i) {
    s.CRPT(i + 1) = crpt[i];
    s.RF(i + 1) = rf[i];
    s.RRF(i + 1) = rrf[i];
  }
  // What the property refresh of the Newton iteration records of them.
  s.ASCWO(1) = ascendingColumn(&s.SWT(1, 1), s.NRWO(1)) ? 1 : 0;
  s.ASCRT = ascendingColumn(s.CRPT.data(), s.NRRET) ? 1 : 0;
  ASSERT_EQ(s.ASCWO(1), 0);
  ASSERT_EQ(s.ASCRT, 0);
  const double sa[4] = {0, 0.9, 0.4, 0.6}, crp[4] = {0, 1.5E-3, 0.7E-3, 1.2E-3};
  for (int n = 1; n <= 3; ++n) {
    s.SW(n) = sa[n] - s.SP(n);
    s.SA(n) = sa[n];
    s.CRPMAX(n) = 0.0;  // nothing adsorbs: ADS keeps CRP
    s.CRP(n) = crp[n];
  }
  CASCDE(s);
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    int ip = 0;
    double w = 0, o = 0, pc = 0, rfv = 0, rrfv = 0;
    SEARCH(ip, w, o, &s.SWT(1, 1), sa[n], 4);
    FUN1D(ip, w, o, &s.PCOW(1, 1), pc, 4);
    EXPECT_EQ(s.PWCAS(n), s.P(n) - pc);
    SEARCH(ip, w, o, s.CRPT.data(), crp[n], 4);
    FUN1D(ip, w, o, s.RF.data(), rfv, 4);
    FUN1D(ip, w, o, s.RRF.data(), rrfv, 4);
    EXPECT_EQ(s.RFB(n), rfv);
    EXPECT_EQ(s.RRFB(n), rrfv);
  }
}

// The order of the bubble sort that swaps neighbours only when the later key
// is strictly greater, over n - 1 passes.
std::vector<int> bubbleOrder(const std::vector<double>& key) {
  const int n = static_cast<int>(key.size());
  std::vector<int> bub(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) bub[static_cast<std::size_t>(i)] = i + 1;
  for (int pass = 0; pass < n - 1; ++pass)
    for (int i = 0; i + 1 < n; ++i) {
      auto& a = bub[static_cast<std::size_t>(i)];
      auto& b = bub[static_cast<std::size_t>(i + 1)];
      if (key[static_cast<std::size_t>(b - 1)] > key[static_cast<std::size_t>(a - 1)]) std::swap(a, b);
    }
  return bub;
}

// The processing order equals the bubble sort over NGPACT - 1 passes.
TEST(Cascde, OrderEqualsTheBubbleSort) {
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> pick(0, 5);
  for (int trial = 0; trial < 50; ++trial) {
    const int n = 1 + trial * 7 % 60;
    std::vector<double> key(static_cast<std::size_t>(n));
    for (auto& k : key) k = pick(gen) == 0 ? -1.0E29 : 10.0 * pick(gen);  // many ties
    std::vector<int> ord(static_cast<std::size_t>(n));
    cascadeOrder(key.data(), n, ord.data());
    EXPECT_EQ(ord, bubbleOrder(key)) << "trial " << trial;
  }
}

// Step after step with the same blocks, the order starts from the last one:
// keys that barely move, ties that form and break, and keys turned upside
// down (most blocks move) all give the bubble sort's order.
TEST(Cascde, OrderFromTheLastOrderEqualsTheBubbleSort) {
  std::mt19937 gen(5);
  std::uniform_int_distribution<int> pick(0, 9);
  const int n = 300;
  std::vector<double> key(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) key[static_cast<std::size_t>(i)] = 0.5 * (i % 37);
  std::vector<int> ord(static_cast<std::size_t>(n));
  for (int step = 0; step < 12; ++step) {
    if (step == 6) {
      for (auto& k : key) k = -k;
    } else {
      for (auto& k : key) {
        const int r = pick(gen);
        if (r == 0) k += 0.5;
        if (r == 1) k -= 0.5;
        if (r == 2) k = std::round(k);  // ties with other blocks
      }
    }
    cascadeOrder(key.data(), n, ord.data());
    EXPECT_EQ(ord, bubbleOrder(key)) << "step " << step;
  }
}

}  // namespace
}  // namespace talvek

namespace talvek {
namespace {

// One production-well block without neighbours: the three adsorption cases,
// their order of testing, the tolerance of the capacity test, the bounds of
// the mobile-saturation fraction and the polymer-solution adjustment, against
// the formulas written out for the block.
TEST(Cascde, AdsorptionCasesAtOneBlock) {
  struct Case {
    const char* name;
    double sw, sp, cpmf, rmass, swcr, sorw;
    double belowCap;  // CRP * RMASS = capacity - belowCap (< 0: CRP = 0)
    int kind;         // 1 at capacity, 2 enough polymer, 3 all adsorbed
    bool adjusted;    // case 2 with the polymer solution not filled
  };
  const Case cases[] = {
      {"within the tolerance of the capacity", 0.6, 0.1, 0.8, 150.0, 0.2, 0.2, 5.0E-7, 1, false},
      {"just beyond the tolerance", 0.6, 0.1, 0.8, 150.0, 0.2, 0.2, 2.0E-6, 2, false},
      {"fraction above 1 is capped", 0.8, 0.1, 0.8, 150.0, 0.2, 0.2, -1.0, 2, false},
      {"below the critical water: no lower bound", 0.05, 0.1, 0.8, 150.0, 0.2, 0.2, -1.0, 1, false},
      {"solution not filled", 0.45, 0.25, 0.8, 150.0, 0.2, 0.2, -1.0, 2, true},
      {"all adsorbed", 0.6, 0.1, 1.0E-4, 150.0, 0.2, 0.2, -1.0, 3, false},
      {"no rock mass", 0.45, 0.25, 1.0E-4, 0.0, 0.2, 0.2, -1.0, 1, false},
      // SWCR + SORW = 1 and SA = SWCR: the fraction is 0 / 0.
      {"empty mobile range", 0.2, 0.1, 0.8, 150.0, 0.2 + 0.1, 1.0 - (0.2 + 0.1), -1.0, 1, false},
      {"empty mobile range, no rock mass", 0.2, 0.1, 0.8, 0.0, 0.2 + 0.1, 1.0 - (0.2 + 0.1), -1.0,
       1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Line5 f(1);  // one block; the fixture makes it a production well
    State& s = f.s;
    ASSERT_EQ(s.NGPACT, 1);
    ASSERT_EQ(s.IACTIVE(s.IBLK(1)), -1);
    s.SW(1) = c.sw;
    s.SP(1) = c.sp;
    s.SA(1) = c.sw + c.sp;
    s.CPMF(1) = c.cpmf;
    s.RMASS(1) = c.rmass;
    s.SWCR(1) = c.swcr;
    s.SORW(1) = c.sorw;
    s.QAP(1) = 0.25;  // a production well counts its aquifer exchange
    s.QAW(1) = 0.5;
    const double dt = s.DTIME;
    const double frac = (s.SA(1) - c.swcr) / (1.0 - c.sorw - c.swcr);
    if (c.sorw + c.swcr == 1.0) {
      ASSERT_TRUE(std::isnan(frac));
    }
    const double sstar = std::isnan(frac) ? 1.0 : std::min(1.0, frac);
    const double acap = sstar * s.CRPMAX(1) * c.rmass;
    s.CRP(1) = c.belowCap < 0 ? 0.0 : (acap - c.belowCap) / c.rmass;
    const double a0 = s.CRP(1) * c.rmass;
    const double old = s.VB(1) * s.PHIN(1) / s.BWN(1);
    const double vp0 = s.SPN(1) * old, va0 = (s.SPN(1) + s.SWN(1)) * old;
    const double r = s.VB(1) * f.phi(1) / s.BWB(1);
    const double vp1 = r * c.sp, va1 = r * (c.sw + c.sp);
    const double mf = vp0 * c.cpmf;  // no inflow
    const double pout = s.FLOWP(1) + s.QAP(1);
    const double aout = s.FLOWP(1) + s.FLOWW(1) + s.QAP(1) + s.QAW(1);
    const double ct = va0 * s.CTMF(1) / (dt * aout + va1);
    const double crp = s.CRP(1);

    CASCDE(s);

    double ads = crp, cs = 0, co = 0, sp = c.sp;
    if (c.kind == 1) {
      cs = co = mf / (dt * pout + vp1);
    } else if (c.kind == 2) {
      ads = acap / c.rmass;
      cs = mf / vp0;
      co = (mf - vp1 * cs - acap + a0) / (pout * dt);
      EXPECT_EQ(co < 0.0, c.adjusted);
      if (co < 0.0) {
        co = 0.0;
        sp = (mf - acap + a0) / (cs * r);
      }
    } else {
      ads = (mf + a0) / c.rmass;
      sp = 0.0;
    }
    if (c.kind == 1) {
      EXPECT_EQ(s.ADS(1), crp);
    } else {
      EXPECT_NEAR(s.ADS(1), ads, 1e-12 * ads);
    }
    EXPECT_NEAR(s.CPMF(1), cs, 1e-12 * (cs + 1e-300));
    EXPECT_NEAR(s.CPMFO(1), co, 1e-12 * (co + 1e-300));
    EXPECT_NEAR(s.SP(1), sp, 1e-12);
    EXPECT_NEAR(s.SW(1), c.sw + c.sp - sp, 1e-12);
    EXPECT_NEAR(s.CTMF(1), ct, 1e-12 * ct);
    EXPECT_TRUE(std::isfinite(s.RFB(1)) && std::isfinite(s.RRFB(1)));
  }
}

// The cascade key is the water potential: oil pressure less the water-oil
// capillary pressure at the aqueous saturation, less the connection's water
// gradient times the depth, the largest over the connections. Blocks 1 and 3
// are both upstream of block 2, and block 3 (the highest) comes first, so
// block 2 receives the concentrations both neighbours were just given. The
// same with the capillary pressure from its equispaced fit.
TEST(Cascde, KeyIsTheWaterPotential) {
  for (int iquad : {0, 1}) {
    SCOPED_TRACE(iquad);
    Line5 f(3);
    State& s = f.s;
    s.IQUAD = iquad;
    s.SWT(1, 1) = 0.0;  // Pc = 5 - 4 SA
    s.SWT(2, 1) = 1.0;
    s.PCOW(1, 1) = 5.0;
    s.PCOW(2, 1) = 1.0;
    s.NINT = 1;
    s.FITXF(FTWO, 1) = 0.0;
    s.FITXL(FTWO, 1) = 1.0;
    s.FITRSP(FTWO, 1) = 1.0;
    s.FPCOW(1, 1, 1) = 0.0;
    s.FPCOW(2, 1, 1) = -4.0;
    s.FPCOW(3, 1, 1) = 5.0;
    s.FITXF(FTRET, 1) = 0.0;
    s.FITXL(FTRET, 1) = 1.0E-3;
    s.FITRSP(FTRET, 1) = 1000.0;
    const double g[4] = {0, 0.40, 0.44, 0.48};
    const double zc[4] = {0, 1000.0, 1030.0, 600.0};
    const double sw[4] = {0, 0.45, 0.35, 0.55};
    for (int n = 1; n <= 3; ++n) {
      s.ZC(n) = zc[n];
      s.SW(n) = sw[n];
      s.SA(n) = sw[n] + s.SP(n);
      s.CRP(n) = s.CRPMAX(n);  // at capacity: the outflow carries the block's concentration
      for (int k = 1; k <= s.NNB(n); ++k) s.GRAVW(s.NBS(k, n), n) = 0.5 * (g[n] + g[s.NBN(k, n)]);
    }
    s.CPMFO(1) = s.CPMFO(3) = 99.0;  // start-of-step values block 2 must not see
    s.CTMFO(1) = s.CTMFO(3) = 99.0;
    const double pw[4] = {0, 260.0 - 2.2, 220.0 - 2.6, 180.0 - 1.8};
    const double old2 = s.VB(2) * s.PHIN(2) / s.BWN(2);
    const double vp0 = s.SPN(2) * old2, va0 = (s.SPN(2) + s.SWN(2)) * old2;
    const double r2 = s.VB(2) * f.phi(2) / s.BWB(2);
    const double cp2 = s.CPMF(2), ct2 = s.CTMF(2);
    CASCDE(s);
    for (int n = 1; n <= 3; ++n) EXPECT_NEAR(s.PWCAS(n), pw[n], 1e-12) << n;
    EXPECT_NEAR(s.CASKEY(1), pw[1] - 0.42 * 1000.0, 1e-9);
    EXPECT_NEAR(s.CASKEY(2), pw[2] - 0.42 * 1030.0, 1e-9);  // the larger of its two
    EXPECT_NEAR(s.CASKEY(3), pw[3] - 0.46 * 600.0, 1e-9);
    EXPECT_EQ(s.ICASOR(1), 3);
    EXPECT_EQ(s.ICASOR(2), 1);
    EXPECT_EQ(s.ICASOR(3), 2);
    // Block 2 has no outflow; its inflow carries the new outflow values.
    const double u1 = ((pw[1] - 420.0) - (pw[2] - 0.42 * 1030.0)) * 0.05;
    const double u3 = ((pw[3] - 0.46 * 600.0) - (pw[2] - 0.46 * 1030.0)) * 0.05;
    ASSERT_GT(u1, 0.0);
    ASSERT_GT(u3, 0.0);
    const double dt = s.DTIME;
    const double mf = dt * (u1 * 0.2 * s.CPMFO(1) + u3 * 0.2 * s.CPMFO(3)) + vp0 * cp2;
    EXPECT_NEAR(s.CPMF(2), mf / (r2 * s.SP(2)), 1e-12 * s.CPMF(2));
    const double tin = dt * (u1 * 0.5 * s.CTMFO(1) + u3 * 0.5 * s.CTMFO(3)) + va0 * ct2;
    EXPECT_NEAR(s.CTMF(2), tin / (r2 * (s.SW(2) + s.SP(2))), 1e-12 * s.CTMF(2));
    EXPECT_LT(s.CPMFO(1), 10.0);
    EXPECT_LT(s.CPMFO(3), 10.0);
  }
}

// Resistance factors from the equispaced fit of the retention table: 1 up to
// and at its first abscissa, the fit above, its last value beyond the end.
TEST(Cascde, ResistanceFactorsFromTheFit) {
  Line5 f;
  State& s = f.s;
  s.IQUAD = 1;
  s.NINT = 1;
  s.FITXF(FTWO, 1) = 0.0;  // no capillary pressure: FPCOW stays 0
  s.FITXL(FTWO, 1) = 1.0;
  s.FITRSP(FTWO, 1) = 1.0;
  s.FITXF(FTRET, 1) = 2.0E-4;
  s.FITXL(FTRET, 1) = 1.2E-3;
  s.FITRSP(FTRET, 1) = 1000.0;
  s.FRF(1, 1) = 0.0;  // RF = 1 + 4000 (ADS - 2E-4)
  s.FRF(2, 1) = 4000.0;
  s.FRF(3, 1) = 1.0 - 0.8;
  s.FRRF(1, 1) = 0.0;  // RRF = 1 + 2000 (ADS - 2E-4)
  s.FRRF(2, 1) = 2000.0;
  s.FRRF(3, 1) = 1.0 - 0.4;
  for (int n = 1; n <= s.NGPACT; ++n) s.CRPMAX(n) = 0.0;  // ADS keeps CRP
  s.CRP(1) = 1.0E-4;  // below the fit: 1, not the fit's value there
  s.CRP(2) = 2.0E-4;  // at its first abscissa: 1
  s.CRP(3) = 7.0E-4;
  s.CRP(4) = 3.0E-3;  // beyond its end: the end value
  CASCDE(s);
  const double rf[5] = {1.0, 1.0, 3.0, 5.0, 1.0};
  const double rrf[5] = {1.0, 1.0, 2.0, 3.0, 1.0};
  for (int n = 1; n <= 5; ++n) {
    EXPECT_NEAR(s.RFB(n), rf[n - 1], 1e-12) << n;
    EXPECT_NEAR(s.RRFB(n), rrf[n - 1], 1e-12) << n;
  }
}

}  // namespace
}  // namespace talvek
