// Tables of one rock region and one PVT region whose values are linear in
// their abscissae, so that hand computations have closed forms:
//   Rs(p) = 100 + 0.1 (p - 1000), Bo(p) = (0.0001 Rs + 0.35) / 0.3,
//   Bw(p) = 1.025 - 5e-6 p,       Bg(p) = 0.005 - 1e-6 p,
// on p = 1000, 2000, 3000, 4000 (so the by-solution-ratio table runs
// Rs = 100 .. 400 and Pb(R) = 1000 + 10 (R - 100)).
#pragma once

#include "state/state.h"

namespace talvek::testing {

inline double rsOf(double p) { return 100.0 + 0.1 * (p - 1000.0); }
inline double boOfRs(double rs) { return (0.0001 * rs + 0.35) / 0.3; }
inline double boOf(double p) { return boOfRs(rsOf(p)); }
inline double bwOf(double p) { return 1.025 - 5e-6 * p; }
inline double bgOf(double p) { return 0.005 - 1e-6 * p; }
inline double pbOf(double rs) { return 1000.0 + 10.0 * (rs - 100.0); }

inline void linearTables(State& s) {
  s.NKRRGN = 1;
  s.NPVTRGN = 1;
  s.NRPVT(1) = 4;
  for (int k = 1; k <= 4; ++k) {
    const double p = 1000.0 * k;
    s.PRES(k, 1) = p;
    s.RST(k, 1) = rsOf(p);
    s.BO(k, 1) = boOf(p);
    s.BW(k, 1) = bwOf(p);
    s.BG(k, 1) = bgOf(p);
    s.MUW(k, 1) = 0.5;
    s.MUO(k, 1) = 2.0 - 0.1 * k;
    s.MUG(k, 1) = 0.01 + 0.001 * k;
  }
  s.CO(1) = 1.0E-5;
  s.GRADW(1) = 0.45;
  s.GRADO(1) = 0.35;
  s.GRADG(1) = 0.0001;
  s.DENWS(1) = 62.4;
  // Water-oil table: SWT 0.2 .. 1.0 in steps of 0.2.
  s.NRWO(1) = 5;
  s.NRGO(1) = 5;
  for (int k = 1; k <= 5; ++k) {
    const double sw = 0.2 * k;
    s.SWT(k, 1) = sw;
    s.KRW(k, 1) = (sw - 0.2) / 0.8;
    s.KROW(k, 1) = 1.0 - (sw - 0.2) / 0.8;
    s.PCOW(k, 1) = 5.0 * (1.0 - sw);
    s.PCOWI(k, 1) = 1.0 + 1.875 * (1.0 - sw);
    s.SLT(k, 1) = sw;
    s.KRG(k, 1) = 1.0 - (sw - 0.2) / 0.8;
    s.KROG(k, 1) = (sw - 0.2) / 0.8;
    s.PCGO(k, 1) = 3.0 * (1.0 - sw);
    s.PCGOI(k, 1) = 5.0 * (1.0 - sw);
  }
  s.SWCR(1) = 0.2;
  // Polymer tables: viscosity against ln(ppm) and retention.
  s.NRPOL = 3;
  for (int k = 1; k <= 3; ++k) {
    s.CPPPM(k) = 2.0 * k;
    s.MUP(k) = 1.0 + 3.0 * k;
  }
  s.NRRET = 2;
  s.CRPT(1) = 0.0;
  s.CRPT(2) = 1.0E-4;
  s.RF(1) = 1.0;
  s.RF(2) = 3.0;
  s.RRF(1) = 1.0;
  s.RRF(2) = 2.0;
}

}  // namespace talvek::testing
