// Small dense solve with partial pivoting.
#include "solver/gauss.h"

#include <gtest/gtest.h>

#include <cmath>

#include "state/state.h"

namespace talvek {
namespace {

TEST(Gauss, ExchangesRowsForTheLargestPivot) {
  auto sp = makeState();
  State& s = *sp;
  s.NEQN = s.NUKN = 2;
  s.GMAT(1, 1) = 0;
  s.GMAT(1, 2) = 1;
  s.GMAT(2, 1) = 1;
  s.GMAT(2, 2) = 0;
  s.GRHS(1) = 2;
  s.GRHS(2) = 3;
  GAUSS(s);
  EXPECT_EQ(s.GSOL(1), 3.0);
  EXPECT_EQ(s.GSOL(2), 2.0);
}

TEST(Gauss, OneUnknown) {
  auto sp = makeState();
  State& s = *sp;
  s.NEQN = s.NUKN = 1;
  s.GMAT(1, 1) = 4;
  s.GRHS(1) = 2;
  GAUSS(s);
  EXPECT_EQ(s.GSOL(1), 2.0 / (4.0 + 1e-51));
  s.GMAT(1, 1) = 0;
  s.GRHS(1) = 0;
  GAUSS(s);
  EXPECT_EQ(s.GSOL(1), 0.0);
}

TEST(Gauss, ZeroColumnStaysFinite) {
  auto sp = makeState();
  State& s = *sp;
  s.NEQN = s.NUKN = 3;
  // Column 1 is zero: no exchange, no elimination for it, no NaN.
  const double a[3][3] = {{0, 2, 1}, {0, 1, 3}, {0, 4, 1}};
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) s.GMAT(i, j) = a[i - 1][j - 1];
  s.GRHS(1) = 0;
  s.GRHS(2) = 1;
  s.GRHS(3) = 2;
  GAUSS(s);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(std::isfinite(s.GSOL(i))) << i;
}

// Row 1 of an upper-triangular system: 1 - (t + t) with t = 2^-54 is
// 1 - 2^-53, while subtracting t twice would round back to 1 each time.
TEST(Gauss, BackSubstitutionSumsTheKnownPartFirst) {
  auto sp = makeState();
  State& s = *sp;
  const double t = std::ldexp(1.0, -54);
  s.NEQN = s.NUKN = 3;
  const double a[3][3] = {{1, t, t}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 1; i <= 3; ++i) {
    s.GRHS(i) = 1.0;
    for (int j = 1; j <= 3; ++j) s.GMAT(i, j) = a[i - 1][j - 1];
  }
  GAUSS(s);
  EXPECT_EQ(s.GSOL(3), 1.0);
  EXPECT_EQ(s.GSOL(2), 1.0);
  EXPECT_EQ(s.GSOL(1), 1.0 - std::ldexp(1.0, -53));
}

TEST(Gauss, MatchesTheSystemForOneToFourUnknowns) {
  auto sp = makeState();
  State& s = *sp;
  for (int n = 1; n <= 4; ++n) {
    double a[4][4], x[4], b[4];
    for (int i = 0; i < n; ++i) {
      x[i] = 1.0 + i - 0.3 * i * i;
      for (int j = 0; j < n; ++j) a[i][j] = std::cos(1.0 + 3 * i + 7 * j) + (i == n - 1 - j ? 3.0 : 0.0);
    }
    for (int i = 0; i < n; ++i) {
      b[i] = 0;
      for (int j = 0; j < n; ++j) b[i] += a[i][j] * x[j];
    }
    s.NEQN = s.NUKN = n;
    for (int i = 1; i <= n; ++i) {
      s.GRHS(i) = b[i - 1];
      for (int j = 1; j <= n; ++j) s.GMAT(i, j) = a[i - 1][j - 1];
    }
    GAUSS(s);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(s.GSOL(i), x[i - 1], 1e-12) << n << " " << i;
  }
}

}  // namespace
}  // namespace talvek
