// Unit constants and output factors; positions of equations and unknowns.
#include <gtest/gtest.h>

#include <string>

#include "input/input.h"
#include "input/unitsys.h"
#include "io/errors.h"

namespace talvek {
namespace {

TEST(Units, ConstantsAndFactorsForEveryPair) {
  // Output factors 2..12 by pair of systems (entry 0 unused).
  const double f2s[12] = {0, 0.1589873, 0.02831685, 0.4535924, 0.17811, 6.894757, 0.1589873, 0.02831685,
                          0.4535924, 0.02305916, 0.3048, 1.0};
  const double s2f[12] = {0,
                          6.28981056977507,
                          35.31466247128476,
                          2.2046224760379585,
                          5.614507888383583,
                          0.1450377438972831,
                          6.28981056977507,
                          35.31466247128476,
                          2.2046224760379585,
                          43.366714138763076,
                          3.280839895013123,
                          1.0};
  const double ones[12] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  struct Pair {
    int in, out;
    const double* fac;
    double ufac1;
  };
  const Pair pairs[] = {
      {1, 1, ones, 43.56 / 5.6146},
      {1, 2, f2s, 43.56 / 5.6146 * 0.39289532},
      {1, 3, ones, 43.56 / 5.6146},
      {2, 2, ones, 10.0},
      {2, 1, s2f, 10.0 * 2.5452072},
      {2, 3, ones, 10.0},
      {3, 3, ones, 1.0},
      {3, 1, ones, 1.0},
  };
  const double C[4][4] = {{0, 0, 0, 0},
                          {5.6146, 0.001127, 0.006944436113891601, 14.7},
                          {1.0, 0.0864, 0.00980665, 100.0},
                          {1.0, 1.0, 0.0009678411053540587, 1.0}};
  for (const Pair& p : pairs) {
    SCOPED_TRACE("MUNITIN " + std::to_string(p.in) + " MUNTOUT " + std::to_string(p.out));
    auto sp = makeState();
    State& s = *sp;
    s.MUNITIN = p.in;
    s.MUNTOUT = p.out;
    UNITSB(s);
    EXPECT_EQ(s.C1, C[p.in][0]);
    EXPECT_EQ(s.C2, C[p.in][1]);
    EXPECT_EQ(s.C3, C[p.in][2]);
    EXPECT_EQ(s.C4, C[p.in][3]);
    EXPECT_DOUBLE_EQ(s.UFAC(1), p.ufac1);
    for (int k = 2; k <= 12; ++k) EXPECT_EQ(s.UFAC(k), p.fac[k - 1]) << "UFAC(" << k << ")";
  }
}

TEST(Units, WorkedConversions) {
  auto sp = makeState();
  State& s = *sp;
  s.MUNITIN = 1;
  s.MUNTOUT = 2;
  UNITSB(s);
  EXPECT_NEAR(s.UFAC(1), 3.048217, 1e-6);
  EXPECT_NEAR(100.0 * s.UFAC(2), 15.89873, 1e-9);  // 100 STB/D in m3/d
  // A well factor is a liquid rate per pressure drop (times a viscosity):
  // 50 rb.cp/(d.psi) is 50 x 0.1589873 / 6.894757 m3.cp/(d.kPa).
  EXPECT_NEAR(50.0 * s.UFAC(10), 1.152958, 1e-6);
  EXPECT_NEAR(s.UFAC(10) / (s.UFAC(2) / s.UFAC(6)), 1.0, 1e-6);
  s.MUNITIN = 2;
  s.MUNTOUT = 1;
  UNITSB(s);
  EXPECT_NEAR(1000.0 * s.UFAC(6), 145.0377, 1e-4);  // 1000 kPa in psi
  EXPECT_NEAR(50.0 * s.UFAC(10), 2168.336, 1e-3);  // 50 m3.cp/(d.kPa) in rb.cp/(d.psi)
  EXPECT_NEAR(s.UFAC(10) / (s.UFAC(2) / s.UFAC(6)), 1.0, 1e-6);
  // A second call with another output system starts the factors afresh.
  s.MUNTOUT = 2;
  UNITSB(s);
  for (int k = 2; k <= 12; ++k) EXPECT_EQ(s.UFAC(k), 1.0);
}

TEST(Units, UnknownInputSystemStops) {
  for (int in : {0, 4, -1}) {
    auto sp = makeState();
    State& s = *sp;
    s.MUNITIN = in;
    try {
      UNITSB(s);
      ADD_FAILURE() << "MUNITIN " << in << " accepted";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("MUNITIN = " + std::to_string(in)), std::string::npos) << e.what();
    }
  }
}

TEST(EquationOrder, PositionsForEveryEquationSet) {
  struct Case {
    int w, o, g, p;                       // deck switches
    int neqn;                             // expected
    int iqw, iqo, iqg, iqp;               // equation positions
    int isw, iso, ipo, isp;               // unknown positions
    int kw, ko, kg, kp;                   // switches afterwards
  };
  const Case cases[] = {
      // all four: polymer 1, water 2, oil 3, gas 4
      {1, 1, 1, 1, 4, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1},
      // no gas: the oil saturation is not an unknown (spare position 4)
      {1, 1, 0, 1, 3, 2, 3, 4, 1, 2, 4, 3, 1, 2, 3, 0, 1},
      // no polymer
      {1, 1, 1, 0, 3, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 0},
      // water and oil
      {1, 1, 0, 0, 2, 1, 2, 3, 3, 1, 3, 2, 3, 1, 2, 0, 0},
      // oil and gas
      {0, 1, 1, 0, 2, 3, 1, 2, 3, 3, 1, 2, 3, 0, 1, 2, 0},
      // water alone
      {1, 0, 0, 0, 1, 1, 2, 2, 2, 2, 2, 1, 2, 1, 0, 0, 0},
      // polymer and water, switch values above 1 count as on
      {2, 0, 0, 5, 2, 2, 3, 3, 1, 3, 3, 2, 1, 2, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("KEQW " + std::to_string(c.w) + " KEQO " + std::to_string(c.o) + " KEQG " +
                 std::to_string(c.g) + " KEQP " + std::to_string(c.p));
    auto sp = makeState();
    State& s = *sp;
    s.KEQW = c.w;
    s.KEQO = c.o;
    s.KEQG = c.g;
    s.KEQP = c.p;
    equationOrder(s);
    EXPECT_EQ(s.NEQN, c.neqn);
    EXPECT_EQ(s.NUKN, c.neqn);
    EXPECT_EQ(s.IQW, c.iqw);
    EXPECT_EQ(s.IQO, c.iqo);
    EXPECT_EQ(s.IQG, c.iqg);
    EXPECT_EQ(s.IQP, c.iqp);
    EXPECT_EQ(s.ISW, c.isw);
    EXPECT_EQ(s.ISO, c.iso);
    EXPECT_EQ(s.IPO, c.ipo);
    EXPECT_EQ(s.ISP, c.isp);
    EXPECT_EQ(s.KEQW, c.kw);
    EXPECT_EQ(s.KEQO, c.ko);
    EXPECT_EQ(s.KEQG, c.kg);
    EXPECT_EQ(s.KEQP, c.kp);
    // Every position lies within the block arrays (MXEQ = 4).
    for (int pos : {s.IQW, s.IQO, s.IQG, s.IQP, s.ISW, s.ISO, s.IPO, s.ISP}) {
      EXPECT_GE(pos, 1);
      EXPECT_LE(pos, MXEQ);
    }
  }
}

}  // namespace
}  // namespace talvek
