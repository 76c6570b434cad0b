// Depths, bulk volumes, geometric factors and the rock modifiers of a
// Cartesian grid.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "grid/geometry.h"
#include "grid/grid_fixture.h"
#include "io/errors.h"

namespace talvek {
namespace {

using testing::layGrid;
using testing::uniformRock;

constexpr double kC1 = 5.6146, kC2 = 0.001127;

TEST(Zelvat, FlatLayersFromDepth1) {
  auto sp = makeState();
  State& s = *sp;
  layGrid(s, 2, 1, 3);
  uniformRock(s, 100, 100, 10, 50, 0.2);
  s.DEPTH1 = 1000.0;
  ZELVAT(s);
  const double tops[3] = {990, 980, 970}, centres[3] = {995, 985, 975};
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int k = s.ICOORD(3, s.IBLK(n));
    EXPECT_DOUBLE_EQ(s.DEPTH(n), tops[k - 1]) << n;
    EXPECT_DOUBLE_EQ(s.ZC(n), centres[k - 1]) << n;
    EXPECT_DOUBLE_EQ(s.DZNET(s.IBLK(n)), 10.0);
  }
}

TEST(Zelvat, Depth1SentinelAndNetThickness) {
  // DEPTH1 = -100001 keeps the deck's tops, -100000 recomputes them.
  struct Case {
    double depth1;
    double top1;
  } cases[] = {{-100001.0, 500.0}, {-100000.0, -100000.0 - 4.0}};
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    layGrid(s, 1, 1, 2);
    uniformRock(s, 10, 10, 4, 1, 0.2);
    s.RNTG(1) = 0.5;
    s.DEPTH(1) = 500.0;
    s.DEPTH(2) = 496.0;
    s.DEPTH1 = c.depth1;
    ZELVAT(s);
    EXPECT_DOUBLE_EQ(s.DEPTH(1), c.top1) << c.depth1;
    EXPECT_DOUBLE_EQ(s.ZC(1), c.top1 + 2.0) << c.depth1;
    EXPECT_DOUBLE_EQ(s.DZNET(1), 2.0);
    EXPECT_DOUBLE_EQ(s.DZNET(2), 4.0);
  }
}

TEST(Zelvat, DippingLayerCake) {
  // SINX = 0.1, SINY = 0.2: the top rises by SINX times the distance between
  // centres in x and by SINY times that in y; layers stack by CZ * DZ.
  auto sp = makeState();
  State& s = *sp;
  layGrid(s, 3, 2, 2);
  uniformRock(s, 100, 50, 10, 1, 0.2);
  s.SINX = 0.1;
  s.SINY = 0.2;
  s.DEPTH1 = 2000.0;
  ZELVAT(s);
  const double cz = std::sqrt(1 - 0.01 - 0.04);
  const double top111 = 2000.0 - (0.05 * 100 + 0.1 * 50 + cz * 10);
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    const int i = s.ICOORD(1, l), j = s.ICOORD(2, l), k = s.ICOORD(3, l);
    const double want = top111 - 0.1 * 100 * (i - 1) - 0.2 * 50 * (j - 1) - cz * 10 * (k - 1);
    EXPECT_NEAR(s.DEPTH(n), want, 1e-9) << i << j << k;
    EXPECT_NEAR(s.ZC(n), want + 0.5 * cz * 10, 1e-9);
  }
}

TEST(Zelvat, DippingBlocksOfUnequalSizes) {
  // The top-face centre of a block lies half its DX and DY and its whole
  // CZ * DZ above the block's lower corner on its I = 1, J = 1 sides, and
  // that corner moves by SINX (SINY) times the width of each block passed
  // in x (y) and by CZ times the thickness of each layer passed, along the
  // chain (1,1,1) -> (1,1,K) -> (1,J,K) -> (I,J,K). Block sizes differ from
  // block to block, inactive ones included, so every term of the chain counts.
  auto sp = makeState();
  State& s = *sp;
  layGrid(s, 3, 2, 3, [](int i, int j, int k) { return !(i == 2 && j == 1 && k == 2); });
  uniformRock(s, 1, 1, 1, 1, 0.2);
  for (int l = 1; l <= s.NCELL; ++l) {
    const int i = s.ICOORD(1, l), j = s.ICOORD(2, l), k = s.ICOORD(3, l);
    s.DX(l) = 50.0 + 10.0 * i + 3.0 * j + 1.0 * k;
    s.DY(l) = 40.0 + 7.0 * j + 2.0 * i + 0.5 * k;
    s.DZ(l) = 5.0 + 2.0 * k + 0.3 * i + 0.7 * j;
  }
  s.SINX = 0.15;
  s.SINY = -0.1;
  s.DEPTH1 = 3000.0;
  ZELVAT(s);
  const double cz = std::sqrt(1.0 - 0.15 * 0.15 - 0.1 * 0.1);
  auto L = [&s](int i, int j, int k) { return s.LBLOCK(i, j, k); };
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    const int I = s.ICOORD(1, l), J = s.ICOORD(2, l), K = s.ICOORD(3, l);
    double corner = 3000.0;
    for (int k = 1; k < K; ++k) corner -= cz * s.DZ(L(1, 1, k));
    for (int j = 1; j < J; ++j) corner -= -0.1 * s.DY(L(1, j, K));
    for (int i = 1; i < I; ++i) corner -= 0.15 * s.DX(L(i, J, K));
    const double top = corner - (0.075 * s.DX(l) - 0.05 * s.DY(l) + cz * s.DZ(l));
    EXPECT_NEAR(s.DEPTH(n), top, 1e-9) << I << J << K;
    EXPECT_NEAR(s.ZC(n), top + 0.5 * cz * s.DZ(l), 1e-9) << I << J << K;
  }
}

TEST(Zelvat, SinesBeyondOneStop) {
  auto sp = makeState();
  State& s = *sp;
  layGrid(s, 1, 1, 1);
  uniformRock(s, 10, 10, 4, 1, 0.2);
  s.FINPUT.set(std::string("dip.dat"));
  s.DEPTH(1) = 123.0;
  s.DEPTH1 = 1000.0;
  s.SINX = 0.8;
  s.SINY = 0.7;
  try {
    ZELVAT(s);
    FAIL() << "no error";
  } catch (const RunError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("dip.dat"), std::string::npos) << m;
    EXPECT_NE(m.find("DATA 07B"), std::string::npos) << m;
    EXPECT_NE(m.find("SINX = 0.8"), std::string::npos) << m;
  }
  EXPECT_EQ(s.DEPTH(1), 123.0);
  // Exactly on the bound is a vertical bed: accepted.
  s.SINX = 0.6;
  s.SINY = 0.8;
  EXPECT_NO_THROW(ZELVAT(s));
}

// Geometric factor of two half-blocks in series, as a hand computation.
double series(double a, double la, double b, double lb, double f = 1.0) {
  return 2.0 * kC2 * f / (la / a + lb / b);
}

TEST(Glkfac, VolumesAndFactorsByDirection) {
  auto sp = makeState();
  State& s = *sp;
  layGrid(s, 2, 2, 2);
  s.C1 = kC1;
  s.C2 = kC2;
  uniformRock(s, 100, 50, 10, 1, 0.2);
  for (int l = 1; l <= s.NCELL; ++l) {
    s.DX(l) = 100.0 + 20.0 * s.ICOORD(1, l);  // 120, 140
    s.DY(l) = 50.0 + 10.0 * s.ICOORD(2, l);   // 60, 70
    s.DZ(l) = 8.0 + 2.0 * s.ICOORD(3, l);     // 10, 12
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.KX(n) = 100.0 * n;
    s.KY(n) = 30.0 + n;
    s.KZ(n) = 5.0 * n;
    s.RNTG(n) = 0.5;
  }
  s.DEPTH1 = 1000.0;
  ZELVAT(s);
  GLKFAC(s);
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    EXPECT_NEAR(s.VB(n), s.DX(l) * s.DY(l) * 0.5 * s.DZ(l) / kC1, 1e-9);
    EXPECT_EQ(s.GF(4, n), 0.0);
    for (int sl = 1; sl <= 7; ++sl) {
      const int m = s.NBR(sl, n);
      if (sl == 4) continue;
      if (m == 0) {
        EXPECT_EQ(s.GF(sl, n), 0.0);
        continue;
      }
      EXPECT_DOUBLE_EQ(s.GF(sl, n), s.GF(8 - sl, m)) << n << " " << sl;
      const int lm = s.IBLK(m);
      double want;
      if (sl == 3 || sl == 5)  // x: area DY * net thickness, lengths DX / 2
        want = series(s.KX(n) * s.DY(l) * s.DZNET(l), s.DX(l), s.KX(m) * s.DY(lm) * s.DZNET(lm), s.DX(lm));
      else if (sl == 2 || sl == 6)  // y: area DX * net thickness
        want = series(s.KY(n) * s.DX(l) * s.DZNET(l), s.DY(l), s.KY(m) * s.DX(lm) * s.DZNET(lm), s.DY(lm));
      else  // z: gross area DX * DY, gross thicknesses
        want = series(s.KZ(n) * s.DX(l) * s.DY(l), s.DZ(l), s.KZ(m) * s.DX(lm) * s.DY(lm), s.DZ(lm));
      EXPECT_NEAR(s.GF(sl, n), want, 1e-12 * want) << n << " " << sl;
    }
  }
}

TEST(Glkfac, SealedFacesInactiveNeighboursAndZeroPermeability) {
  // Four blocks in x; block 3 inactive. Modifiers and permeabilities vary.
  struct Case {
    const char* what;
    double rgfx1, rgfx2, kx1, kx2;
    bool gf12_zero;
  } cases[] = {
      {"plain", 0.0, 0.0, 100, 100, false},
      {"own forward face sealed (-1)", -1.0, 0.0, 100, 100, true},
      {"modifier below -1 seals too", -3.0, 0.0, 100, 100, true},
      {"neighbour's modifier acts on its own forward face only", 0.0, -1.0, 100, 100, false},
      {"one block without permeability", 0.0, 0.0, 0.0, 100, true},
      {"both blocks without permeability", 0.0, 0.0, 0.0, 0.0, true},
  };
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    layGrid(s, 4, 1, 1, [](int i, int, int) { return i != 3; });
    s.C1 = kC1;
    s.C2 = kC2;
    uniformRock(s, 100, 50, 10, 100, 0.2);
    s.RGFX(1) = c.rgfx1;
    s.RGFX(2) = c.rgfx2;
    s.KX(1) = c.kx1;
    s.KX(2) = c.kx2;
    s.DEPTH1 = 1000.0;
    ZELVAT(s);
    GLKFAC(s);
    ASSERT_EQ(s.NGPACT, 3);
    EXPECT_TRUE(std::isfinite(s.GF(5, 1))) << c.what;
    if (c.gf12_zero) {
      EXPECT_EQ(s.GF(5, 1), 0.0) << c.what;
    } else {
      EXPECT_NEAR(s.GF(5, 1), 0.5 * kC2 * 100 * 50 * 10 * 2 / 100.0, 1e-12) << c.what;
    }
    EXPECT_EQ(s.GF(3, 2), s.GF(5, 1)) << c.what;
    // Block 2's forward neighbour (grid block 3) is inactive.
    EXPECT_EQ(s.NBR(5, 2), 0);
    EXPECT_EQ(s.GF(5, 2), 0.0) << c.what;
    EXPECT_EQ(s.GF(3, 3), 0.0) << c.what;
    // Off the grid.
    EXPECT_EQ(s.GF(5, 3), 0.0) << c.what;
  }
}

TEST(Actcpy, ModifiersCapsAndProducts) {
  struct Case {
    double phi, rporo, rbvol;
    double phi_out, vb_factor;
  } cases[] = {
      {0.4, 2.0, 0.0, 1.0, 1.0},    // porosity capped at 1
      {0.2, 0.0, 0.0, 0.2, 1.0},    // nothing changes
      {0.2, -0.2, -0.2, 0.16, 0.8}, // 20 % removed
      {0.2, 0.5, 0.5, 0.3, 1.5},    // 50 % added
      {0.2, -1.5, -1.5, 0.0, 0.0},  // below -1 zeroes
  };
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    layGrid(s, 1, 1, 1);
    s.C1 = 1.0;
    s.C2 = 1.0;
    uniformRock(s, 10, 20, 4, 1, c.phi);
    s.KX(1) = 400.0;
    s.KY(1) = 100.0;
    s.RNTG(1) = 0.75;
    s.RPORO(1) = c.rporo;
    s.RBVOL(1) = c.rbvol;
    s.DEPTH1 = 100.0;
    ZELVAT(s);
    GLKFAC(s);
    ACTCPY(s);
    EXPECT_DOUBLE_EQ(s.HNET(1), 3.0);
    EXPECT_NEAR(s.PHI(1), c.phi_out, 1e-15) << c.rporo;
    EXPECT_NEAR(s.VB(1), 10 * 20 * 3.0 * c.vb_factor, 1e-12) << c.rbvol;
    EXPECT_NEAR(s.PHIH(1), c.phi_out * 3.0, 1e-15);
    EXPECT_NEAR(s.KH(1), 200.0 * 3.0, 1e-12);
    EXPECT_TRUE(std::isfinite(s.KPHI(1)));
    if (c.phi_out > 0) {
      EXPECT_NEAR(s.KPHI(1), 200.0 / c.phi_out, 1e-9);
    }
  }
}

TEST(Actcpy, CoordinatesAndWidthLists) {
  auto sp = makeState();
  State& s = *sp;
  layGrid(s, 3, 2, 2, [](int i, int j, int k) { return !(i == 1 && j == 1 && k == 1); });
  uniformRock(s, 1, 1, 1, 1, 0.2);
  for (int l = 1; l <= s.NCELL; ++l) {
    s.DX(l) = 10.0 * s.ICOORD(1, l) + s.ICOORD(2, l) + 0.1 * s.ICOORD(3, l);
    s.DY(l) = 20.0 * s.ICOORD(2, l) + s.ICOORD(1, l);
    s.DZ(l) = 30.0 * s.ICOORD(3, l) + s.ICOORD(1, l);
  }
  s.DEPTH1 = 1000.0;
  ZELVAT(s);
  GLKFAC(s);
  ACTCPY(s);
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int d = 1; d <= 3; ++d) EXPECT_EQ(s.IJK(d, n), s.ICOORD(d, s.IBLK(n)));
  // The lists take grid blocks (i,1,1), (1,j,1), (1,1,k), inactive or not.
  for (int i = 1; i <= 3; ++i) EXPECT_DOUBLE_EQ(s.WIDX(i), 10.0 * i + 1 + 0.1);
  for (int j = 1; j <= 2; ++j) EXPECT_DOUBLE_EQ(s.WIDY(j), 20.0 * j + 1);
  for (int k = 1; k <= 2; ++k) EXPECT_DOUBLE_EQ(s.WIDZ(k), 30.0 * k + 1);
}

}  // namespace
}  // namespace talvek

namespace talvek {
namespace {

// An active block without bulk or pore volume stops the run before the first
// step, naming the first such block and the arrays that give it none; the
// same values on an inactive block pass.
TEST(Chkvol, ActiveBlockWithoutVolumeStops) {
  struct Case {
    const char* what;
    std::function<void(State&, int l, int n)> spoil;  // applied to block (3,2,1)
    const char* message;                              // expected after the deck name; empty: accepted
  };
  const Case cases[] = {
      {"sound grid", [](State&, int, int) {}, ""},
      {"DZ left at 0", [](State& s, int l, int) { s.DZ(l) = 0.0; },
       "active block (3,2,1) has no bulk volume: DZ = 0 (data group DATA 16A); give every active block a volume or "
       "make it inactive in IACTIVE (data group DATA 11A)"},
      {"DX and DY of 0", [](State& s, int l, int) { s.DX(l) = 0.0, s.DY(l) = -1.0; },
       "active block (3,2,1) has no bulk volume: DX = 0 (data group DATA 14A), DY = -1 (data group DATA 15A);"},
      {"net-to-gross 0", [](State& s, int, int n) { s.RNTG(n) = 1.0E-51; },
       "active block (3,2,1) has no bulk volume: RNTG = 0 (data group DATA 32A);"},
      {"bulk modifier -1", [](State& s, int, int n) { s.RBVOL(n) = -1.0 + 1.0E-51; },
       "active block (3,2,1) has no bulk volume: RBVOL = -1 (data group DATA 33A);"},
      {"bulk modifier below -1, porosity 0",
       [](State& s, int, int n) { s.RBVOL(n) = -2.0, s.PHI(n) = 1.0E-51; },
       "active block (3,2,1) has no bulk volume: RBVOL = -2 (data group DATA 33A), PHI = 0 (data group DATA 21A);"},
      {"porosity 0", [](State& s, int, int n) { s.PHI(n) = 1.0E-51; },
       "active block (3,2,1) has no pore volume: PHI = 0 (data group DATA 21A);"},
      {"porosity modifier -1", [](State& s, int, int n) { s.RPORO(n) = -1.0; },
       "active block (3,2,1) has no pore volume: RPORO = -1 (data group DATA 34A);"},
      {"three blocks of zero thickness",
       [](State& s, int l, int) { s.DZ(l) = s.DZ(l + 1) = s.DZ(l + 2) = 0.0; },
       "active block (3,2,1) has no bulk volume: DZ = 0 (data group DATA 16A); 2 more active blocks have none;"},
      // A tiny but real block is a volume.
      {"small block", [](State& s, int l, int n) { s.DZ(l) = 1.0E-6, s.PHI(n) = 1.0E-6; }, ""},
  };
  for (const Case& c : cases) {
    for (const bool inactive : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (inactive ? ", block inactive" : ""));
      auto sp = makeState();
      State& s = *sp;
      s.FINPUT.set(std::string_view("vol.dat"));
      layGrid(s, 3, 2, 2, [&](int i, int j, int k) { return !(inactive && i == 3 && j == 2 && k == 1); });
      s.C1 = kC1;
      s.C2 = kC2;
      uniformRock(s, 100, 100, 10, 100, 0.2);
      const int l = s.LBLOCK(3, 2, 1);
      if (!inactive) c.spoil(s, l, s.IORD(l));
      s.DEPTH1 = 5000.0;
      ZELVAT(s);
      GLKFAC(s);
      ACTCPY(s);
      if (!*c.message || inactive) {
        EXPECT_NO_THROW(CHKVOL(s));
        continue;
      }
      try {
        CHKVOL(s);
        ADD_FAILURE() << "accepted";
      } catch (const RunError& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.rfind(std::string("vol.dat: ") + c.message, 0), 0u) << m;
      }
    }
  }
}

}  // namespace
}  // namespace talvek
