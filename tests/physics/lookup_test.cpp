// Table lookup: interval search with linear interpolation, and the
// equispaced linear/quadratic fits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/lookup.h"

namespace talvek {
namespace {

double lin(const std::vector<double>& x, const std::vector<double>& y, double v) {
  int ip;
  double w, o, r;
  SEARCH(ip, w, o, x.data(), v, static_cast<int>(x.size()));
  FUN1D(ip, w, o, y.data(), r, static_cast<int>(x.size()));
  return r;
}

// Builds an equispaced fit of (x, y) as PREQFT does and evaluates it at v.
struct Fit {
  double first, last, rsp;
  int nint;
  std::vector<double> c;
  Fit(const std::vector<double>& x, const std::vector<double>& y, int npt, int order) {
    const int n = static_cast<int>(x.size());
    nint = npt - 1;
    first = x.front();
    last = x.back();
    const double sp = (last - first) / nint;
    rsp = 1.0 / sp;
    std::vector<double> xp(npt), yp(npt);
    for (int j = 0; j < npt; ++j) {
      xp[j] = first + j * sp;
      int ip;
      double w, o;
      SEARCH(ip, w, o, x.data(), xp[j], n);
      FUN1D(ip, w, o, y.data(), yp[j], n);
    }
    c.assign(3 * nint, -999.0);
    EQNFIT(xp.data(), yp.data(), c.data(), npt, order);
  }
  double at(double v, int* ipos = nullptr) const {
    int ip;
    CEARCH(v, first, last, rsp, nint, ip);
    if (ipos) *ipos = ip;
    return EQNVAL(c.data(), ip, v);
  }
};

TEST(Search, IntervalsAndEnds) {
  // 12 rows so the bisection runs before the scan.
  std::vector<double> x, y;
  for (int k = 0; k < 12; ++k) {
    x.push_back(0.1 * k);
    y.push_back(3.0 + 2.0 * k * k);
  }
  struct Case {
    double v;
    int ipos;
  } cases[] = {{-5.0, 2}, {0.0, 2}, {0.05, 2}, {0.1, 3}, {0.55, 7},
               {1.0, 12}, {1.05, 12}, {1.1, 12}, {7.0, 12}};
  for (const auto& c : cases) {
    int ip;
    double w, o;
    SEARCH(ip, w, o, x.data(), c.v, 12);
    EXPECT_EQ(ip, c.ipos) << c.v;
    EXPECT_NEAR(w, x[ip - 1] - x[ip - 2], 1e-15) << c.v;
  }
  // Ends held, interior abscissae exact, midpoints linear.
  EXPECT_DOUBLE_EQ(lin(x, y, -5.0), y.front());
  EXPECT_DOUBLE_EQ(lin(x, y, 9.0), y.back());
  for (int k = 0; k < 12; ++k) EXPECT_NEAR(lin(x, y, x[k]), y[k], 1e-12) << k;
  EXPECT_NEAR(lin(x, y, 0.55), 0.5 * (y[5] + y[6]), 1e-12);
  // Every value in every interval of a long table (bisection path).
  for (double v = 0.0; v < 1.1; v += 0.013) {
    int k = static_cast<int>(v / 0.1 + 1e-12);
    double t = (v - x[k]) / 0.1;
    EXPECT_NEAR(lin(x, y, v), y[k] + t * (y[k + 1] - y[k]), 1e-9) << v;
  }
}

TEST(Search, TwoRowsAndDuplicateAbscissae) {
  std::vector<double> x2{1.0, 2.0}, y2{10.0, 20.0};
  for (double v : {-1.0, 1.0, 1.5, 2.0, 3.0}) {
    int ip;
    double w, o;
    SEARCH(ip, w, o, x2.data(), v, 2);
    EXPECT_EQ(ip, 2);
  }
  // Two interior rows with the same abscissa: the value there is the second's.
  std::vector<double> x{0.0, 1.0, 1.0, 2.0}, y{0.0, 5.0, 7.0, 9.0};
  EXPECT_DOUBLE_EQ(lin(x, y, 1.0), 7.0);
  // Duplicated first / last abscissa: zero-width end intervals, no division fault.
  std::vector<double> xf{1.0, 1.0, 2.0}, yf{4.0, 6.0, 8.0};
  EXPECT_DOUBLE_EQ(lin(xf, yf, 0.0), 4.0);
  std::vector<double> xl{1.0, 2.0, 2.0}, yl{4.0, 6.0, 8.0};
  EXPECT_DOUBLE_EQ(lin(xl, yl, 3.0), 6.0);
  // A value that is not a number stays inside the table.
  int ip;
  double w, o;
  SEARCH(ip, w, o, x.data(), std::nan(""), 4);
  EXPECT_GE(ip, 2);
  EXPECT_LE(ip, 4);
}

// The search from a remembered interval gives what the plain search gives,
// bit for bit, whatever interval it starts from: at every abscissa, inside
// each interval, beyond both ends and for a value that is not a number, in
// tables with repeated abscissae at the start, inside and at the end.
TEST(Search, FromRememberedIntervalAgreesWithPlainSearch) {
  std::vector<double> longTable;
  for (int k = 0; k < 12; ++k) longTable.push_back(0.1 * k);
  const std::vector<std::vector<double>> tables = {
      longTable, {1.0, 2.0}, {0.0, 1.0, 1.0, 2.0}, {1.0, 1.0, 2.0, 3.0}, {1.0, 2.0, 3.0, 3.0}};
  auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  for (const auto& x : tables) {
    const int n = static_cast<int>(x.size());
    std::vector<double> vals{-1.0, x.back() + 1.0, std::nan("")};
    for (int k = 0; k < n; ++k) {
      vals.push_back(x[k]);
      if (k + 1 < n) vals.push_back(0.5 * (x[k] + x[k + 1]));
    }
    for (double v : vals) {
      int ip0;
      double w0, o0;
      SEARCH(ip0, w0, o0, x.data(), v, n);
      for (int hint = 0; hint <= n + 1; ++hint) {
        int ip = hint;
        double w = -7.0, o = -7.0;
        searchNear(ip, w, o, x.data(), v, n, true);
        EXPECT_EQ(ip, ip0) << "rows " << n << " value " << v << " from " << hint;
        EXPECT_TRUE(same(w, w0)) << "rows " << n << " value " << v << " from " << hint;
        EXPECT_TRUE(same(o, o0)) << "rows " << n << " value " << v << " from " << hint;
      }
    }
  }
}

TEST(Cearch, ClampsAndIndexes) {
  // 4 intervals over [2, 10], spacing 2.
  struct Case {
    double v;
    int ipos;
    double clamped;
  } cases[] = {{-1e300, 1, 2.0}, {1.0, 1, 2.0}, {1.9999, 1, 2.0}, {2.0, 1, 2.0}, {3.9, 1, 3.9},
               {4.0, 2, 4.0},    {9.9, 4, 9.9}, {10.0, 4, 10.0},   {11.0, 4, 10.0}, {1e300, 4, 10.0}};
  for (const auto& c : cases) {
    double v = c.v;
    int ip = -7;
    CEARCH(v, 2.0, 10.0, 0.5, 4, ip);
    EXPECT_EQ(ip, c.ipos) << c.v;
    EXPECT_DOUBLE_EQ(v, c.clamped) << c.v;
  }
  double v = std::nan("");
  int ip = -7;
  CEARCH(v, 2.0, 10.0, 0.5, 4, ip);
  EXPECT_EQ(ip, 1);
}

TEST(Eqnfit, LinearAndQuadraticCoefficients) {
  // y = 3x^2 - 2x + 1 on x = 0, 0.5, ..., 2: the quadratic fit reproduces it
  // in every interval, the last one included.
  std::vector<double> x, y;
  for (int j = 0; j < 5; ++j) {
    double t = 0.5 * j;
    x.push_back(t);
    y.push_back(3 * t * t - 2 * t + 1);
  }
  std::vector<double> c(12, -999.0);
  EQNFIT(x.data(), y.data(), c.data(), 5, 2);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_NEAR(c[3 * (k - 1) + 0], 3.0, 1e-12) << k;
    EXPECT_NEAR(c[3 * (k - 1) + 1], -2.0, 1e-12) << k;
    EXPECT_NEAR(c[3 * (k - 1) + 2], 1.0, 1e-12) << k;
  }
  // Linear: slope and intercept of each chord, no x^2 term.
  EQNFIT(x.data(), y.data(), c.data(), 5, 1);
  for (int k = 1; k <= 4; ++k) {
    double slope = (y[k] - y[k - 1]) / (x[k] - x[k - 1]);
    EXPECT_DOUBLE_EQ(c[3 * (k - 1) + 0], 0.0);
    EXPECT_NEAR(c[3 * (k - 1) + 1], slope, 1e-12);
    EXPECT_NEAR(EQNVAL(c.data(), k, x[k - 1]), y[k - 1], 1e-12);
    EXPECT_NEAR(EQNVAL(c.data(), k, x[k]), y[k], 1e-12);
  }
}

TEST(Equispaced, LinearFitAgreesWithSearchOnEvenTable) {
  // Evenly spaced table, NINTBLE = row count, IQUAD = 1: same results as
  // IQUAD = 0 everywhere, including beyond both ends.
  std::vector<double> x{1000, 1500, 2000, 2500, 3000, 3500}, y{1.05, 1.12, 1.2, 1.26, 1.3, 1.31};
  Fit f(x, y, 6, 1);
  for (double v = 500.0; v <= 4000.0; v += 37.5) EXPECT_NEAR(f.at(v), lin(x, y, v), 1e-12) << v;
  EXPECT_NEAR(f.at(-1e9), 1.05, 1e-12);
  EXPECT_NEAR(f.at(1e9), 1.31, 1e-12);
  // NINTBLE = 2: one interval, the straight line through the first and last rows.
  Fit f2(x, y, 2, 1);
  EXPECT_NEAR(f2.at(2250.0), 1.05 + (1.31 - 1.05) * 0.5, 1e-12);
}

TEST(Equispaced, QuadraticLastIntervalAndEnds) {
  // Quadratic on 5 points of a table; the last interval uses the parabola
  // through the last three equispaced points.
  std::vector<double> x{0.0, 1.0, 2.0, 3.0, 4.0}, y{0.0, 1.0, 4.0, 9.0, 10.0};
  Fit f(x, y, 5, 2);
  int ip;
  double v = f.at(3.5, &ip);
  EXPECT_EQ(ip, 4);
  // Parabola through (2,4), (3,9), (4,10): y = -2x^2 + 15x - 18.
  EXPECT_NEAR(v, -2 * 3.5 * 3.5 + 15 * 3.5 - 18, 1e-12);
  EXPECT_NEAR(f.at(-3.0), 0.0, 1e-12);
  EXPECT_NEAR(f.at(99.0), 10.0, 1e-12);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(f.at(x[k]), y[k], 1e-12) << k;
}

}  // namespace
}  // namespace talvek
