// A one-dimensional waterflood against the Buckley-Leverett solution: oil
// recovery against pore volumes injected, within the smearing of a 40-block
// grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "e2e_util.h"

using namespace e2e;

namespace {

// The deck's rock and fluids: Swc = Sor = 0.2, krw = Sn^2, kro = (1 - Sn)^2,
// water viscosity 1 cp, oil 2 cp, formation volume factors 1.
constexpr double kSwc = 0.2, kSor = 0.2, kMuw = 1.0, kMuo = 2.0;

double fw(double sw) {
  const double sn = std::clamp((sw - kSwc) / (1.0 - kSwc - kSor), 0.0, 1.0);
  const double lw = sn * sn / kMuw, lo = (1.0 - sn) * (1.0 - sn) / kMuo;
  return lw / (lw + lo);
}
double dfw(double sw) { return (fw(sw + 1e-7) - fw(sw - 1e-7)) / 2e-7; }

struct Analytic {
  double swf = 0, pviBt = 0;
  Analytic() {
    // Welge tangent from the connate saturation.
    double best = 0;
    for (int i = 1; i <= 60000; ++i) {
      const double sw = kSwc + i * (1.0 - kSwc - kSor) / 60000;
      const double slope = fw(sw) / (sw - kSwc);
      if (slope > best) {
        best = slope;
        swf = sw;
      }
    }
    pviBt = 1.0 / best;
  }
  // Oil recovered as a fraction of the oil initially in place.
  double recovery(double pvi) const {
    if (pvi <= pviBt) return pvi / (1.0 - kSwc);
    double lo = swf, hi = 1.0 - kSor - 1e-9;
    for (int k = 0; k < 200; ++k) {
      const double mid = 0.5 * (lo + hi);
      if (1.0 / dfw(mid) < pvi)
        lo = mid;
      else
        hi = mid;
    }
    const double swav = lo + (1.0 - fw(lo)) * pvi;
    return (swav - kSwc) / (1.0 - kSwc);
  }
};

}  // namespace

TEST(Waterflood, RecoveryFollowsBuckleyLeverett) {
  const auto dir = scratch("buckley");
  const fs::path deck = fs::path(TALVEK_TEST_DATA) / "e2e" / "bl1d.txt";
  std::string args = "'";
  args += deck.string();
  args += "' out.lis rin.rst rout.rst";
  Result r = run(dir, args);
  ASSERT_EQ(r.status, 0) << r.err;
  const Analytic bl;
  ASSERT_NEAR(bl.pviBt, 0.439, 0.002);  // the analytic solution itself

  // res.lis: 1, TIME, PAVG, ORF, PVIP, PVIA, ...
  int checked = 0, late = 0;
  double lastPvi = 0;
  for (const auto& l : lines(slurp(dir / "res.lis"))) {
    std::istringstream in(l);
    std::vector<double> f;
    std::string w;
    while (in >> w) f.push_back(std::strtod(w.c_str(), nullptr));
    ASSERT_GE(f.size(), 6u);
    const double orf = f[3], pvi = f[5];
    if (pvi < 0.02) continue;  // the start-up expansion of the fluids
    // Before breakthrough every barrel injected displaces a barrel of oil.
    const double tol = std::fabs(pvi - bl.pviBt) < 0.2 ? 0.03 : 0.015;
    EXPECT_NEAR(orf, bl.recovery(pvi), tol) << "PVI " << pvi;
    ++checked;
    if (pvi > 1.0) ++late;
    lastPvi = pvi;
  }
  EXPECT_GT(checked, 50);
  EXPECT_GT(late, 10);
  EXPECT_GT(lastPvi, 1.9);
}
