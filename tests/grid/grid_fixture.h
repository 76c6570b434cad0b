// Small hand-built grids for the geometry and initialisation tests: natural
// x-fastest numbering, the physical index tables and the active-number
// neighbour table, as the numbering routines lay them out.
#pragma once

#include <functional>

#include "state/state.h"

namespace talvek::testing {

inline void layGrid(State& s, int nx, int ny, int nz,
                    const std::function<bool(int, int, int)>& active = nullptr) {
  s.NX = nx;
  s.NY = ny;
  s.NZ = nz;
  s.N1 = nx;
  s.N2 = ny;
  s.N3 = nz;
  s.NCELL = nx * ny * nz;
  s.NGPACT = 0;
  for (int k = 1; k <= nz; ++k)
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) {
        const int l = i + nx * (j - 1) + nx * ny * (k - 1);
        s.LBLOCK(i, j, k) = l;
        s.IJKORD(i, j, k) = l;
        s.ICOORD(1, l) = i;
        s.ICOORD(2, l) = j;
        s.ICOORD(3, l) = k;
        const bool act = !active || active(i, j, k);
        s.IACTIVE(l) = act ? 1 : 0;
        s.IORD(l) = 0;
        if (act) {
          s.IORD(l) = ++s.NGPACT;
          s.IBLK(s.NGPACT) = l;
        }
      }
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    const int i = s.ICOORD(1, l), j = s.ICOORD(2, l), k = s.ICOORD(3, l);
    auto nb = [&](int ii, int jj, int kk) {
      if (ii < 1 || ii > nx || jj < 1 || jj > ny || kk < 1 || kk > nz) return 0;
      return s.IORD(s.LBLOCK(ii, jj, kk));
    };
    s.NBR(1, n) = nb(i, j, k - 1);
    s.NBR(2, n) = nb(i, j - 1, k);
    s.NBR(3, n) = nb(i - 1, j, k);
    s.NBR(4, n) = n;
    s.NBR(5, n) = nb(i + 1, j, k);
    s.NBR(6, n) = nb(i, j + 1, k);
    s.NBR(7, n) = nb(i, j, k + 1);
  }
}

// Uniform block sizes and rock, net-to-gross 1, no modifiers.
inline void uniformRock(State& s, double dx, double dy, double dz, double k, double phi) {
  for (int l = 1; l <= s.NCELL; ++l) {
    s.DX(l) = dx;
    s.DY(l) = dy;
    s.DZ(l) = dz;
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.KX(n) = s.KY(n) = s.KZ(n) = k;
    s.PHI(n) = phi;
    s.RNTG(n) = 1.0;
    s.RBVOL(n) = s.RPORO(n) = s.RGFX(n) = s.RGFY(n) = s.RGFZ(n) = 0.0;
  }
}

}  // namespace talvek::testing
