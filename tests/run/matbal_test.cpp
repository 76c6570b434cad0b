// Material balance of an accepted step.
#include "run/matbal.h"

#include <gtest/gtest.h>

#include <cmath>

#include "state/state.h"

namespace talvek {
namespace {

constexpr double kV = 100.0 * 0.2;  // pore volume of every block

// Three blocks: 1 an injection well, 2 an aquifer block, 3 a production well.
struct Three {
  std::unique_ptr<State> sp = makeState();
  State& s = *sp;
  Three() {
    s.NGPACT = 3;
    s.DTIME = 2.0;
    s.CPHI = 0.0;
    for (int n = 1; n <= 3; ++n) {
      s.VB(n) = 100.0;
      s.PHI(n) = 0.2;
      s.HNET(n) = 10.0;
      s.P(n) = 1000.0 + 100.0 * n;
      s.SW(n) = 0.3;
      s.SO(n) = 0.5;
      s.SG(n) = 0.1;
      s.SP(n) = 0.1;
      s.SA(n) = 0.4;
      s.RS(n) = 0.4;
      s.BWB(n) = 1.02;
      s.BOB(n) = 1.25;
      s.BGB(n) = 0.01;
      s.CPMF(n) = 0.5;
      s.CPMFO(n) = 0.5;
      s.ADS(n) = 1.0E-4;
      s.RMASS(n) = 160.0;
    }
    s.NWELM2 = 1;
    s.LWELM2(1) = 1;
    s.NWELM1 = 1;
    s.LWELM1(1) = 3;
    // Block 2 is on the aquifer-block list; the influx codes are left 0, as
    // in a restart run, which restores the list but not the codes.
    s.NAQBLK = 1;
    s.LAQBLK(1) = 2;
    s.IDAQFR = 1;
  }
  double total(int k) const {  // amounts in place by component
    double t = 0;
    for (int n = 1; n <= 3; ++n) {
      const double o = kV * s.SO(n) / s.BOB(n), p = kV * s.SP(n) / s.BWB(n);
      const double v[6] = {0, o, kV * s.SW(n) / s.BWB(n), kV * s.SG(n) / s.BGB(n) + o * s.RS(n), p,
                           p * s.CPMF(n) + s.ADS(n) * s.RMASS(n)};
      t += v[k];
    }
    return t;
  }
  void initialTotals() {
    s.INOIL = total(1);
    s.INWATER = total(2);
    s.INGAS = total(3);
    s.INPOLY = total(4);
    s.INPMAS = total(5);
  }
};

TEST(Matbal, NothingFlowsNothingChanges) {
  Three f;
  State& s = f.s;
  MATBAL(s);  // amounts in place of the start
  f.initialTotals();
  MATBAL(s);
  for (int k : {1, 2, 3, 4, 6}) EXPECT_EQ(s.MBRINC(k), 0.0) << k;
  EXPECT_EQ(s.MBRINC(5), 1.0);  // TINY / TINY
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(s.MBAINC(k), 0.0) << k;
    EXPECT_EQ(s.MBACUM(k), 0.0) << k;
    EXPECT_EQ(s.QPRDT(k), 0.0);
  }
  EXPECT_DOUBLE_EQ(s.PAVG, 1200.0);
  EXPECT_DOUBLE_EQ(s.STOIP(2), kV * 0.5 / 1.25);
  EXPECT_DOUBLE_EQ(s.OIPH(2), 10.0 * 0.2 * 0.5 / 1.25);
}

// Amounts in place that change by exactly what the wells moved give ratios
// of 1 and errors of 0, incremental and cumulative, and the cumulatives of
// the wells and the reservoir grow by DTIME times the rates.
TEST(Matbal, BalancedStep) {
  Three f;
  State& s = f.s;
  MATBAL(s);
  f.initialTotals();
  const double dt = s.DTIME;
  // Production well (block 3): oil 0.1 of pore volume with its dissolved gas,
  // and polymer solution 0.02 with its polymer.
  s.SO(3) -= 0.1;
  s.FLOWO(3) = kV * 0.1 / 1.25 / dt;
  s.FLOWG(3) = s.FLOWO(3) * 0.4;
  s.SP(3) -= 0.02;
  s.FLOWP(3) = kV * 0.02 / 1.02 / dt;
  // Injection well (block 1): water 0.05, polymer solution 0.03 at CPMF.
  s.SW(1) += 0.05;
  s.FLOWW(1) = -kV * 0.05 / 1.02 / dt;
  s.SP(1) += 0.03;
  s.FLOWP(1) = -kV * 0.03 / 1.02 / dt;
  s.QPMINJ(1) = s.FLOWP(1) * 0.5;
  MATBAL(s);
  for (int k = 1; k <= 6; ++k) {
    EXPECT_NEAR(s.MBRINC(k), 1.0, 1e-12) << k;
    EXPECT_NEAR(s.MBRCUM(k), 1.0, 1e-12) << k;
  }
  for (int k = 1; k <= 5; ++k) {
    EXPECT_NEAR(s.MBAINC(k), 0.0, 1e-12) << k;
    EXPECT_NEAR(s.MBACUM(k), 0.0, 1e-12) << k;
  }
  EXPECT_DOUBLE_EQ(s.QPMPRD(3), s.FLOWP(3) * 0.5);
  const double prod[5] = {s.FLOWO(3), 0.0, s.FLOWG(3), s.FLOWP(3), s.QPMPRD(3)};
  const double inj[5] = {0.0, s.FLOWW(1), 0.0, s.FLOWP(1), s.QPMINJ(1)};
  for (int k = 1; k <= 5; ++k) {
    EXPECT_DOUBLE_EQ(s.QPRDT(k), prod[k - 1]);
    EXPECT_DOUBLE_EQ(s.QINJT(k), inj[k - 1]);
    EXPECT_DOUBLE_EQ(s.CUMPB(k, 3), dt * prod[k - 1]);
    EXPECT_DOUBLE_EQ(s.CUMIB(k, 1), dt * inj[k - 1]);
    EXPECT_DOUBLE_EQ(s.CUMPRD(k), dt * prod[k - 1]);
    EXPECT_DOUBLE_EQ(s.CUMINJ(k), dt * inj[k - 1]);
    EXPECT_DOUBLE_EQ(s.CUMNET(k), dt * (prod[k - 1] + inj[k - 1]));
  }
  // A second step with nothing moving: the cumulative ratios stay 1 and the
  // run totals keep their values.
  s.FLOWO(3) = s.FLOWG(3) = s.FLOWP(3) = s.FLOWW(1) = s.FLOWP(1) = s.QPMINJ(1) = 0.0;
  MATBAL(s);
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(s.MBRCUM(k), 1.0, 1e-12) << k;
  EXPECT_DOUBLE_EQ(s.CUMPB(1, 3), kV * 0.1 / 1.25);
}

// Polymer solution that the cascade turned into water (VCONV, stock tank)
// moved from one component to the other inside the reservoir: counted as
// withdrawn from the polymer solution and supplied to the water, it leaves
// both balances closed, alone or with well flow, and is counted once. Left
// uncounted, the same transfer shows as equal and opposite errors.
TEST(Matbal, CascadeTransfer) {
  struct Case {
    const char* name;
    bool counted, wells;
  };
  const Case cases[] = {{"transfer alone", true, false}, {"with well flow", true, true}, {"uncounted", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Three f;
    State& s = f.s;
    s.CPMF(2) = 0.0;  // polymer solution without polymer
    MATBAL(s);
    f.initialTotals();
    const double dt = s.DTIME;
    const double x = kV * 0.04 / 1.02;
    s.SP(2) -= 0.04;
    s.SW(2) += 0.04;
    s.VCONV = c.counted ? x : 0.0;
    double qw = 0, qp = 0;
    if (c.wells) {  // water and polymer solution injected at block 1
      s.SW(1) += 0.05;
      s.SP(1) += 0.03;
      s.FLOWW(1) = qw = -kV * 0.05 / 1.02 / dt;
      s.FLOWP(1) = qp = -kV * 0.03 / 1.02 / dt;
      s.QPMINJ(1) = s.FLOWP(1) * 0.5;
    }
    MATBAL(s);
    EXPECT_EQ(s.VCONV, 0.0);
    EXPECT_NEAR(s.CUMNET(2), dt * qw - (c.counted ? x : 0.0), 1e-12);
    EXPECT_NEAR(s.CUMNET(4), dt * qp + (c.counted ? x : 0.0), 1e-12);
    if (c.wells) {  // the aqueous total never sees the transfer
      EXPECT_NEAR(s.MBRINC(6), 1.0, 1e-12);
      EXPECT_NEAR(s.MBRCUM(6), 1.0, 1e-12);
    } else {  // nothing crossed the wells: the divisor is TINY, never 0
      EXPECT_TRUE(std::isfinite(s.MBRINC(6))) << s.MBRINC(6);
      EXPECT_TRUE(std::isfinite(s.MBRCUM(6))) << s.MBRCUM(6);
    }
    EXPECT_NEAR(s.MBRINC(5), 1.0, 1e-12);  // polymer mass kept in both cases
    if (c.counted) {
      for (int k : {2, 4}) {
        EXPECT_NEAR(s.MBRINC(k), 1.0, 1e-12) << k;
        EXPECT_NEAR(s.MBRCUM(k), 1.0, 1e-12) << k;
        EXPECT_NEAR(s.MBAINC(k), 0.0, 1e-12) << k;
        EXPECT_NEAR(s.MBACUM(k), 0.0, 1e-12) << k;
      }
    } else {
      EXPECT_NEAR(s.MBAINC(2), -x, 1e-12);
      EXPECT_NEAR(s.MBAINC(4), x, 1e-12);
    }
    // The next step, in which nothing moves, does not count it again.
    s.FLOWW(1) = s.FLOWP(1) = s.QPMINJ(1) = 0.0;
    const double q2 = s.CUMNET(2), q4 = s.CUMNET(4);
    MATBAL(s);
    EXPECT_EQ(s.CUMNET(2), q2);
    EXPECT_EQ(s.CUMNET(4), q4);
    if (c.counted) {
      EXPECT_NEAR(s.MBRCUM(2), 1.0, 1e-12);
      EXPECT_NEAR(s.MBRCUM(4), 1.0, 1e-12);
    }
  }
}

// Polymer solution that leaves through the aquifer balances the polymer
// solution, but its polymer shows as a polymer-mass imbalance.
TEST(Matbal, AquiferPolymer) {
  Three f;
  State& s = f.s;
  s.IDAQFR = 2;
  MATBAL(s);
  const double dt = s.DTIME;
  const double q = kV * 0.01 / 1.02 / dt;  // out of block 2
  s.SP(2) -= 0.01;
  s.QAP(2) = q;
  s.QAQ(2) = 1.02 * q;
  s.QAO(2) = 0.1;  // each component in its place
  s.QAW(2) = 0.2;
  s.QAG(2) = 0.3;
  s.INFBLK(3) = 1;  // an influx code off the list counts for nothing
  s.QAP(3) = 5.0;
  s.QAQ(3) = 5.0;
  MATBAL(s);
  EXPECT_NEAR(s.MBRINC(4), 1.0, 1e-12);
  EXPECT_NEAR(s.MBAINC(4), 0.0, 1e-12);
  EXPECT_NEAR(s.MBAINC(5), q * dt * 0.5, 1e-12);  // the lost polymer mass
  EXPECT_DOUBLE_EQ(s.QAQT(4), q);
  EXPECT_DOUBLE_EQ(s.QAQT(5), q * 0.5);
  EXPECT_DOUBLE_EQ(s.CUMAQ(5), dt * q * 0.5);
  EXPECT_DOUBLE_EQ(s.QAQR, 1.02 * q);
  EXPECT_DOUBLE_EQ(s.CUMAQR, dt * 1.02 * q);
  EXPECT_DOUBLE_EQ(s.WECUM(2), dt * 1.02 * q);
  EXPECT_EQ(s.WECUM(3), 0.0);
  const double aq[4] = {0.1, 0.2, 0.3, q};
  for (int k = 1; k <= 4; ++k) {
    EXPECT_DOUBLE_EQ(s.QAQT(k), aq[k - 1]) << k;
    EXPECT_DOUBLE_EQ(s.CUMAQ(k), dt * aq[k - 1]) << k;
    EXPECT_DOUBLE_EQ(s.CUMNET(k), dt * aq[k - 1]) << k;  // in the net withdrawal
  }
  EXPECT_EQ(s.CUMNET(5), 0.0);  // the aquifer's polymer mass is not
  // Without an aquifer attached the same rates are not counted.
  Three g;
  g.s.QAP(2) = q;
  g.s.QAQ(2) = q;
  MATBAL(g.s);
  EXPECT_EQ(g.s.QAQT(4), 0.0);
  EXPECT_EQ(g.s.WECUM(2), 0.0);
  EXPECT_EQ(g.s.CUMAQR, 0.0);
}

// The pore volume is the bulk volume times the porosity at the block
// pressure: it weights the average pressure and gives the amounts in place.
TEST(Matbal, CurrentPorosity) {
  Three f;
  State& s = f.s;
  s.CPHI = 1.0E-4;
  s.PREF = 1000.0;
  const double phiref[4] = {0, 0.1, 0.2, 0.3};
  double sv = 0, svp = 0;
  for (int n = 1; n <= 3; ++n) {
    s.PHI(n) = phiref[n];
    const double v = 100.0 * phiref[n] * (1.0 + 1.0E-4 * 100.0 * n);
    sv += v;
    svp += v * s.P(n);
  }
  MATBAL(s);
  EXPECT_DOUBLE_EQ(s.PAVG, svp / sv);
  const double phi3 = 0.3 * (1.0 + 1.0E-4 * 300.0);
  EXPECT_DOUBLE_EQ(s.STOIP(3), 100.0 * phi3 * 0.5 / 1.25);
  EXPECT_DOUBLE_EQ(s.OIPH(3), 10.0 * phi3 * 0.5 / 1.25);
  EXPECT_DOUBLE_EQ(s.PMIP(3), 100.0 * phi3 * 0.1 / 1.02 * 0.5 + 1.0E-4 * 160.0);
}

TEST(Matbal, SaturationExtremes) {
  Three f;
  State& s = f.s;
  s.SO(2) = 0.7;
  s.SO(3) = 0.7;  // tie: the lower block wins
  s.SW(1) = 0.1;
  s.SW(3) = 0.1;
  for (int n = 1; n <= 3; ++n) s.SP(n) = -20.0;  // never above the start value
  s.SA(3) = 0.9;
  MATBAL(s);
  EXPECT_EQ(s.SMAX(1), 0.7);
  EXPECT_EQ(s.NSMAX(1), 2);
  EXPECT_EQ(s.SMIN(1), 0.5);
  EXPECT_EQ(s.NSMIN(1), 1);
  EXPECT_EQ(s.SMIN(2), 0.1);
  EXPECT_EQ(s.NSMIN(2), 1);
  EXPECT_EQ(s.SMAX(4), -10.0);
  EXPECT_EQ(s.NSMAX(4), 1);
  EXPECT_EQ(s.SMIN(4), -20.0);
  EXPECT_EQ(s.SMAX(5), 0.9);
  EXPECT_EQ(s.NSMAX(5), 3);
}

}  // namespace
}  // namespace talvek
