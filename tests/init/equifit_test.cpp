// Equispaced fits of the property tables.
#include <gtest/gtest.h>

#include <string>

#include "init/equifit.h"
#include "init/init_fixture.h"
#include "io/errors.h"
#include "physics/lookup.h"

namespace talvek {
namespace {

double tab(const double* x, const double* y, int n, double v) {
  int ip;
  double w, o, r;
  SEARCH(ip, w, o, x, v, n);
  FUN1D(ip, w, o, y, r, n);
  return r;
}

double fitted(State& s, int kind, double* c, double v) {
  int ip;
  CEARCH(v, s.FITXF(kind, 1), s.FITXL(kind, 1), s.FITRSP(kind, 1), s.NINT, ip);
  return EQNVAL(c, ip, v);
}

TEST(Preqft, LinearFitsEqualTableLookupsOnEvenTables) {
  auto sp = makeState();
  State& s = *sp;
  testing::linearTables(s);
  s.IQUAD = 1;
  s.NINTBLE = 4;  // the PVT rows; other tables get a finer but still exact fit
  PREQFT(s);
  EXPECT_EQ(s.NINT, 3);
  EXPECT_DOUBLE_EQ(s.FITXF(FTPVP, 1), 1000.0);
  EXPECT_DOUBLE_EQ(s.FITXL(FTPVP, 1), 4000.0);
  EXPECT_DOUBLE_EQ(s.FITRSP(FTPVP, 1), 1.0 / 1000.0);
  for (double p = 0.0; p <= 5000.0; p += 125.0) {
    EXPECT_NEAR(fitted(s, FTPVP, s.FBW.column(1), p), tab(s.PRES.column(1), s.BW.column(1), 4, p), 1e-12);
    EXPECT_NEAR(fitted(s, FTPVP, s.FBO.column(1), p), tab(s.PRES.column(1), s.BO.column(1), 4, p), 1e-12);
    EXPECT_NEAR(fitted(s, FTPVP, s.FBG.column(1), p), tab(s.PRES.column(1), s.BG.column(1), 4, p), 1e-12);
    EXPECT_NEAR(fitted(s, FTPVP, s.FMUO.column(1), p), tab(s.PRES.column(1), s.MUO.column(1), 4, p), 1e-12);
    EXPECT_NEAR(fitted(s, FTPVP, s.FMUG.column(1), p), tab(s.PRES.column(1), s.MUG.column(1), 4, p), 1e-12);
    EXPECT_NEAR(fitted(s, FTPVP, s.FRS.column(1), p), tab(s.PRES.column(1), s.RST.column(1), 4, p), 1e-9);
  }
  for (double r = 0.0; r <= 500.0; r += 12.5) {
    EXPECT_NEAR(fitted(s, FTPVR, s.FPBR.column(1), r), tab(s.RST.column(1), s.PRES.column(1), 4, r), 1e-8);
    EXPECT_NEAR(fitted(s, FTPVR, s.FBOR.column(1), r), tab(s.RST.column(1), s.BO.column(1), 4, r), 1e-12);
  }
  // Saturation tables: 4 points on a 5-row table whose columns are linear.
  for (double v = 0.0; v <= 1.2; v += 0.05) {
    EXPECT_NEAR(fitted(s, FTWO, s.FKRW.column(1), v), tab(s.SWT.column(1), s.KRW.column(1), 5, v), 1e-12);
    EXPECT_NEAR(fitted(s, FTWO, s.FPCOW.column(1), v), tab(s.SWT.column(1), s.PCOW.column(1), 5, v), 1e-12);
    EXPECT_NEAR(fitted(s, FTGL, s.FKRG.column(1), v), tab(s.SLT.column(1), s.KRG.column(1), 5, v), 1e-12);
    EXPECT_NEAR(fitted(s, FTGL, s.FPCGO.column(1), v), tab(s.SLT.column(1), s.PCGO.column(1), 5, v), 1e-12);
  }
  for (double c = 0.0; c <= 2e-4; c += 1e-5) {
    EXPECT_NEAR(fitted(s, FTRET, s.FRF.data(), c), tab(s.CRPT.data(), s.RF.data(), 2, c), 1e-12);
    EXPECT_NEAR(fitted(s, FTRET, s.FRRF.data(), c), tab(s.CRPT.data(), s.RRF.data(), 2, c), 1e-12);
  }
  for (double x = 0.0; x <= 8.0; x += 0.25)
    EXPECT_NEAR(fitted(s, FTPOL, s.FMUP.data(), x), tab(s.CPPPM.data(), s.MUP.data(), 3, x), 1e-12);
}

TEST(Preqft, TwoPointsGiveTheEndToEndLine) {
  auto sp = makeState();
  State& s = *sp;
  testing::linearTables(s);
  s.MUO(2, 1) = 7.0;  // a kink the two-point fit must ignore
  s.IQUAD = 1;
  s.NINTBLE = 2;
  PREQFT(s);
  const double mid = 0.5 * (s.MUO(1, 1) + s.MUO(4, 1));
  EXPECT_NEAR(fitted(s, FTPVP, s.FMUO.column(1), 2500.0), mid, 1e-12);
}

TEST(Preqft, QuadraticReproducesAParabola) {
  auto sp = makeState();
  State& s = *sp;
  testing::linearTables(s);
  // MUW(p) = 1e-7 p^2 sampled at the four rows; with NINTBLE = 4 the
  // equispaced points are the rows, the parabola through them exact.
  for (int k = 1; k <= 4; ++k) s.MUW(k, 1) = 1e-7 * s.PRES(k, 1) * s.PRES(k, 1);
  s.IQUAD = 2;
  s.NINTBLE = 4;
  PREQFT(s);
  for (double p = 1000.0; p <= 4000.0; p += 100.0)
    EXPECT_NEAR(fitted(s, FTPVP, s.FMUW.column(1), p), 1e-7 * p * p, 1e-9) << p;
}

TEST(Preqft, RefusesUnusableSettings) {
  struct Case {
    int iquad, nintble;
    const char* expect;
    int breakTable;  // 0 none, 1 equal PVT ends, 2 one-row water-oil table
  } cases[] = {
      {1, 1, "NINTBLE = 1", 0},
      {1, 0, "NINTBLE = 0", 0},
      {2, 2, "NINTBLE = 2", 0},
      {1, 502, "NINTBLE = 502", 0},
      {1, 10, "PVT table by solution ratio", 1},
      {1, 10, "water-oil table", 2},
  };
  for (const auto& c : cases) {
    auto sp = makeState();
    State& s = *sp;
    testing::linearTables(s);
    s.FINPUT.set(std::string("fits.dat"));
    s.IQUAD = c.iquad;
    s.NINTBLE = c.nintble;
    if (c.breakTable == 1)
      for (int k = 1; k <= 4; ++k) s.RST(k, 1) = 0.0;
    if (c.breakTable == 2) s.NRWO(1) = 1;
    try {
      PREQFT(s);
      FAIL() << c.expect;
    } catch (const RunError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("fits.dat"), std::string::npos) << m;
      EXPECT_NE(m.find(c.expect), std::string::npos) << m;
      EXPECT_NE(m.find("DATA "), std::string::npos) << m;
    }
  }
  // The limits themselves are accepted.
  for (auto [iq, np] : {std::pair{1, 2}, std::pair{2, 3}, std::pair{2, 501}}) {
    auto sp = makeState();
    State& s = *sp;
    testing::linearTables(s);
    s.IQUAD = iq;
    s.NINTBLE = np;
    EXPECT_NO_THROW(PREQFT(s)) << iq << " " << np;
  }
}

}  // namespace
}  // namespace talvek
