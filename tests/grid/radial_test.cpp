// Radial (r-z) grid: rings, volumes, geometric factors and the ring table.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "grid/geometry.h"
#include "grid/grid_fixture.h"
#include "grid/radial.h"
#include "io/errors.h"

namespace talvek {
namespace {

using testing::layGrid;
using testing::uniformRock;

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Four rings, two layers of DZ = 10, field units, the listing on a temp file.
struct RadialFixture : ::testing::Test {
  std::unique_ptr<State> sp = makeState();
  State& s = *sp;
  std::string listing;

  void SetUp() override {
    listing = (std::filesystem::temp_directory_path() /
               ("talvek_radial_" + std::to_string(::getpid()) + ".lis"))
                  .string();
    s.units.open(s.IOUT, listing, FileForm::Formatted, FileStatus::Unknown);
    layGrid(s, 4, 1, 2);
    uniformRock(s, 1, 1, 10, 100, 0.2);
    s.IRADIAL = 1;
    s.RADW = 0.25 + 1.0E-51;
    s.RADE = 1024.0 + 1.0E-51;
    s.C1 = 5.6146;
    s.C2 = 0.001127;
    s.DEPTH1 = 1000.0;
  }
  void TearDown() override {
    s.units.close(s.IOUT);
    std::filesystem::remove(listing);
  }
  std::string run() {
    ZELVAT(s);
    RADIAL(s);
    s.units.close(s.IOUT);
    return slurp(listing);
  }
};

TEST_F(RadialFixture, RingTableMatchesReference) {
  const std::string got = run();
  EXPECT_EQ(got, slurp(std::string(TALVEK_TEST_DATA) + "/grid/radial_ring_table.txt"));
  EXPECT_NEAR(s.RNODE(1), 0.5941, 5e-5);
  EXPECT_NEAR(s.RLOUT(1), 2.0, 1e-12);
  EXPECT_NEAR(s.RNODE(2), 4.7530, 5e-5);
  for (int i = 2; i <= 4; ++i) EXPECT_NEAR(s.RNODE(i) / s.RNODE(i - 1), 8.0, 1e-12);
  EXPECT_DOUBLE_EQ(s.RLOUT(4), s.RADE);
  // DX holds the node radii; stored volumes are the printed ones over C1.
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int i = s.ICOORD(1, s.IBLK(n));
    EXPECT_DOUBLE_EQ(s.DX(s.IBLK(n)), s.RNODE(i));
    EXPECT_NEAR(s.VB(n) * s.C1, s.AREAR(i) * 10.0, 1e-9 * s.AREAR(i));
  }
  // Plan areas add up to the annulus between the well and the outer radius.
  double area = 0;
  for (int i = 1; i <= 4; ++i) area += s.AREAR(i);
  const double pi = 4 * std::atan(1.0);
  EXPECT_NEAR(area, pi * (1024.0 * 1024.0 - s.R2IN(1)), 1e-6 * area);
}

TEST_F(RadialFixture, FactorsByHand) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.KX(n) = 50.0 * n;
    s.KZ(n) = 3.0 + n;
  }
  run();
  const double pi = 4 * std::atan(1.0), a = 8.0;
  const double beta = (a - 1) / std::log(a);
  const double l1 = std::log(beta), l2 = std::log(a / beta);
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int i = s.ICOORD(1, s.IBLK(n));
    EXPECT_EQ(s.GF(2, n), 0.0);
    EXPECT_EQ(s.GF(6, n), 0.0);
    if (int m = s.NBR(5, n)) {
      const double want = 2 * pi * 0.001127 / (l2 / (s.KX(m) * 10) + l1 / (s.KX(n) * 10));
      EXPECT_NEAR(s.GF(5, n), want, 1e-12 * want) << n;
      EXPECT_EQ(s.GF(3, m), s.GF(5, n));
    } else {
      EXPECT_EQ(s.GF(5, n), 0.0);
    }
    if (int m = s.NBR(7, n)) {
      const double want = 2 * 0.001127 * s.AREAR(i) / (10 / s.KZ(m) + 10 / s.KZ(n));
      EXPECT_NEAR(s.GF(7, n), want, 1e-12 * want) << n;
      EXPECT_EQ(s.GF(1, m), s.GF(7, n));
    }
  }
}

TEST_F(RadialFixture, ZeroConductanceSealsAndInactiveRings) {
  // Block 1: no KX (its r face is closed); block 2: no KZ (its z face
  // closed); block 6 (ring 2, layer 2): no net thickness; ring 4 of layer 1
  // sealed outward from ring 3 by its modifier.
  s.KX(1) = 0.0;
  s.KZ(2) = 0.0;
  s.RNTG(6) = 0.0;
  s.RGFX(3) = -1.0;
  run();
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int sl = 1; sl <= 7; ++sl) EXPECT_TRUE(std::isfinite(s.GF(sl, n))) << n << " " << sl;
  EXPECT_EQ(s.GF(5, 1), 0.0);
  EXPECT_EQ(s.GF(3, 2), 0.0);
  EXPECT_EQ(s.GF(7, 2), 0.0);
  EXPECT_EQ(s.GF(1, 6), 0.0);
  EXPECT_EQ(s.GF(5, 5), 0.0);  // ring 1 -> ring 2 of layer 2: ring 2 has no net thickness
  EXPECT_EQ(s.GF(5, 6), 0.0);
  EXPECT_EQ(s.GF(5, 3), 0.0);  // sealed by RGFX(3) = -1
  EXPECT_EQ(s.GF(3, 4), 0.0);
  EXPECT_GT(s.GF(3, 3), 0.0);  // its inner face stays open
  EXPECT_GT(s.GF(7, 1), 0.0);
  EXPECT_EQ(s.VB(6), 0.0);
}

TEST_F(RadialFixture, InactiveOuterNeighbourKeepsZero) {
  layGrid(s, 4, 1, 2, [](int i, int, int k) { return !(i == 3 && k == 1); });
  uniformRock(s, 1, 1, 10, 100, 0.2);
  run();
  // Ring 2 of layer 1 (active 2) has no outer neighbour; ring 4 (active 3) no inner one.
  EXPECT_EQ(s.NBR(5, 2), 0);
  EXPECT_EQ(s.GF(5, 2), 0.0);
  EXPECT_EQ(s.GF(3, 3), 0.0);
  EXPECT_GT(s.GF(5, 1), 0.0);
  // The x widths of the listing files are the node radii of every ring, also
  // of ring 3, whose block in layer 1 is inactive (its deck DX is 1).
  ACTCPY(s);
  for (int i = 1; i <= 4; ++i) EXPECT_DOUBLE_EQ(s.WIDX(i), s.RNODE(i)) << "ring " << i;
}

TEST_F(RadialFixture, SingleRingAndBadRadii) {
  layGrid(s, 1, 1, 2);
  uniformRock(s, 1, 1, 10, 100, 0.2);
  run();
  const double pi = 4 * std::atan(1.0);
  EXPECT_DOUBLE_EQ(s.RLIN(1), s.RADW);
  EXPECT_DOUBLE_EQ(s.RLOUT(1), s.RADE);
  EXPECT_NEAR(s.AREAR(1), pi * (1024.0 * 1024.0 - s.R2IN(1)), 1e-6);
  EXPECT_EQ(s.GF(5, 1), 0.0);

  // Radii as the reader stores them (deck value + 1.0E-51): a deck RADW of 0
  // arrives as 1.0E-51 and is refused all the same, naming the deck value.
  struct Case {
    double radw, rade;
    const char* shown;
  } bad[] = {{1024.0, 1024.0, "RADW = 1024 "},
             {10.0, 5.0, "RADE = 5;"},
             {0.0, 100.0, "0 < RADW < RADE"},
             {-1.0, 100.0, "RADW = -1 "},
             {1.0E-51, 100.0 + 1.0E-51, "RADW = 0 and external radius RADE = 100;"}};
  for (const auto& c : bad) {
    auto sp2 = makeState();
    State& t = *sp2;
    layGrid(t, 2, 1, 1);
    uniformRock(t, 1, 1, 10, 100, 0.2);
    t.FINPUT.set(std::string("well.dat"));
    t.RADW = c.radw;
    t.RADE = c.rade;
    try {
      RADIAL(t);
      FAIL() << c.radw << " " << c.rade;
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("well.dat"), std::string::npos) << m;
      EXPECT_NE(m.find("DATA 10B"), std::string::npos) << m;
      EXPECT_NE(m.find("RADE"), std::string::npos) << m;
      EXPECT_NE(m.find(c.shown), std::string::npos) << m;
    }
    EXPECT_EQ(t.VB(1), 0.0);
  }
}

}  // namespace
}  // namespace talvek
