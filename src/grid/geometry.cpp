// Depths, bulk volumes and geometric factors of the grid blocks.
#include "grid/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "io/errors.h"
#include "state/state.h"

namespace talvek {

void ZELVAT(State& s) {
  const double sum2 = s.SINX * s.SINX + s.SINY * s.SINY;
  if (!(sum2 <= 1.0)) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "SINX = %.6g and SINY = %.6g give SINX**2 + SINY**2 = %.6g, above 1",
                  s.SINX, s.SINY, sum2);
    const std::string file = deckName(s);
    throw DeckError(file, s.LINDIP, "DATA 07B", "SINX, SINY",
                    file + ":" + std::to_string(s.LINDIP) + ": data group DATA 07B, item SINX, SINY: " + buf);
  }
  const double hsx = 0.5 * s.SINX;
  const double hsy = 0.5 * s.SINY;
  const double cz = std::sqrt(1.0 - sum2);

  if (s.DEPTH1 >= -100000.0) {
    // Top depths along the chain: up the first column layer by layer, along
    // the first column of each layer in y, then along each row in x.
    auto L = [&s](int i, int j, int k) { return s.LBLOCK(i, j, k); };
    const int l111 = L(1, 1, 1);
    s.ETOP(l111) = s.DEPTH1 - (hsx * s.DX(l111) + hsy * s.DY(l111) + cz * s.DZ(l111));
    for (int k = 1; k <= s.NZ; ++k) {
      if (k > 1) {
        const int a = L(1, 1, k - 1), b = L(1, 1, k);
        s.ETOP(b) = s.ETOP(a) - cz * s.DZ(b) - (hsx * (s.DX(b) - s.DX(a)) + hsy * (s.DY(b) - s.DY(a)));
      }
      for (int j = 1; j <= s.NY; ++j) {
        if (j > 1) {
          const int a = L(1, j - 1, k), b = L(1, j, k);
          s.ETOP(b) = s.ETOP(a) - hsy * (s.DY(b) + s.DY(a)) -
                      (hsx * (s.DX(b) - s.DX(a)) + cz * (s.DZ(b) - s.DZ(a)));
        }
        for (int i = 2; i <= s.NX; ++i) {
          const int a = L(i - 1, j, k), b = L(i, j, k);
          s.ETOP(b) = s.ETOP(a) - hsx * (s.DX(b) + s.DX(a)) -
                      (hsy * (s.DY(b) - s.DY(a)) + cz * (s.DZ(b) - s.DZ(a)));
        }
      }
    }
    for (int n = 1; n <= s.NGPACT; ++n) s.DEPTH(n) = s.ETOP(s.IBLK(n));
  }

  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    s.ZC(n) = s.DEPTH(n) + 0.5 * cz * s.DZ(l);
    s.DZNET(l) = s.DZ(l) * s.RNTG(n);
  }
}

void GLKFAC(State& s) {
  const double c2x = 2.0 * s.C2;
  for (int n = 1; n <= s.NGPACT; ++n)
    for (int sl = 1; sl <= MXSLOT; ++sl) s.GF(sl, n) = 0.0;

  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    s.VB(n) = s.DX(l) * s.DY(l) * s.DZNET(l) / s.C1;

    // Forward connections z, y, x; each connection is computed once, from
    // this block's side, and stored on both sides.
    for (int sl = 7; sl >= 5; --sl) {
      const int m = s.NBR(sl, n);
      if (m == 0) continue;
      const int lm = s.IBLK(m);
      double f, a, b, len, lenm;
      if (sl == 7) {
        f = 1.0 + s.RGFZ(n);
        a = s.KZ(n) * s.DX(l) * s.DY(l);
        b = s.KZ(m) * s.DX(lm) * s.DY(lm);
        len = s.DZ(l);
        lenm = s.DZ(lm);
      } else if (sl == 6) {
        f = 1.0 + s.RGFY(n);
        a = s.KY(n) * s.DX(l) * s.DZNET(l);
        b = s.KY(m) * s.DX(lm) * s.DZNET(lm);
        len = s.DY(l);
        lenm = s.DY(lm);
      } else {
        f = 1.0 + s.RGFX(n);
        a = s.KX(n) * s.DY(l) * s.DZNET(l);
        b = s.KX(m) * s.DY(lm) * s.DZNET(lm);
        len = s.DX(l);
        lenm = s.DX(lm);
      }
      if (f < 0.0) f = 0.0;
      const double t = c2x * f * a * b / (a * lenm + b * len + 1.0E-51);
      s.GF(sl, n) = t;
      s.GF(8 - sl, m) = t;
    }
  }
}

void ACTCPY(State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    for (int d = 1; d <= 3; ++d) s.IJK(d, n) = s.ICOORD(d, l);
  }

  // Widths of the first row, column and layer for the listing files.
  const int nx = std::min(s.NX, MXDIR), ny = std::min(s.NY, MXDIR), nz = std::min(s.NZ, MXDIR);
  // A radial grid's x widths are its node radii, whether or not the block of
  // the first row and layer is active (only active blocks got theirs in DX).
  for (int i = 1; i <= nx; ++i) s.WIDX(i) = s.IRADIAL == 1 ? s.RNODE(i) : s.DX(s.LBLOCK(i, 1, 1));
  for (int j = 1; j <= ny; ++j) s.WIDY(j) = s.DY(s.LBLOCK(1, j, 1));
  for (int k = 1; k <= nz; ++k) s.WIDZ(k) = s.DZ(s.LBLOCK(1, 1, k));

  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    s.HNET(n) = s.DZNET(l);
    // Modification ratios: 0 changes nothing, -1 or below zeroes the
    // quantity; porosity never exceeds 1.
    s.VB(n) = std::max(0.0, 1.0 + s.RBVOL(n)) * s.VB(n);
    s.PHI(n) = std::min(1.0, std::max(0.0, 1.0 + s.RPORO(n)) * s.PHI(n));
    const double kxy = std::sqrt(std::max(0.0, s.KX(n) * s.KY(n)));
    s.PHIH(n) = s.PHI(n) * s.HNET(n);
    s.KH(n) = kxy * s.HNET(n);
    // A porosity zeroed by its modifier must not divide by zero.
    s.KPHI(n) = kxy / (s.PHI(n) + s.TINY);
  }
}

namespace {

// A bulk volume or porosity below these is no volume at all: far below any
// block of a real grid in any unit system, and above the 1.0E-51 that the
// array readers add to a zero of the deck.
constexpr double kNoVolume = 1.0E-20;
constexpr double kNoPorosity = 1.0E-20;

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", v);
  return b;
}

// The deck arrays that leave active block n without bulk or pore volume,
// each with its value and data group.
std::string noVolumeCause(const State& s, int n, bool bulk, bool pore) {
  const int l = s.IBLK(n);
  std::string why;
  auto add = [&why](const char* name, double v, const char* group) {
    if (!why.empty()) why += ", ";
    why += std::string(name) + " = " + num(v) + " (data group " + group + ")";
  };
  if (bulk) {
    if (!(s.DX(l) > 0.0)) add(s.IRADIAL == 1 ? "DX (ring radius)" : "DX", s.DX(l), "DATA 14A");
    if (s.IRADIAL != 1 && !(s.DY(l) > 0.0)) add("DY", s.DY(l), "DATA 15A");
    if (!(s.DZ(l) > 0.0)) add("DZ", s.DZ(l), "DATA 16A");
    if (!(s.RNTG(n) > kNoVolume)) add("RNTG", s.RNTG(n) - 1.0E-51, "DATA 32A");
    if (!(s.RBVOL(n) > -1.0)) add("RBVOL", s.RBVOL(n) - 1.0E-51, "DATA 33A");
    if (why.empty()) why = "the product of DX, DY, DZ and RNTG (data groups DATA 14A to 16A and DATA 32A)";
  }
  if (pore) {
    if (!(s.RPORO(n) > -1.0)) {
      add("RPORO", s.RPORO(n) - 1.0E-51, "DATA 34A");
    } else {
      // The porosity as the deck gives it, before its modifier.
      add("PHI", s.PHI(n) / (1.0 + s.RPORO(n)) - 1.0E-51, "DATA 21A");
    }
  }
  return why;
}

}  // namespace

void CHKVOL(State& s) {
  int bad = 0, first = 0;
  bool firstBulk = false, firstPore = false;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const bool bulk = !(s.VB(n) > kNoVolume);
    const bool pore = !(s.PHI(n) > kNoPorosity);
    if (!bulk && !pore) continue;
    if (++bad == 1) {
      first = n;
      firstBulk = bulk;
      firstPore = pore;
    }
  }
  if (bad == 0) return;
  const int n = first;
  std::string msg = deckName(s) + ": active block (" + std::to_string(s.IJK(1, n)) + "," +
                    std::to_string(s.IJK(2, n)) + "," + std::to_string(s.IJK(3, n)) + ") has no " +
                    (firstBulk ? "bulk volume" : "pore volume") + ": " + noVolumeCause(s, n, firstBulk, firstPore);
  if (bad > 1) msg += "; " + std::to_string(bad - 1) + " more active block" + (bad > 2 ? "s have" : " has") + " none";
  msg += "; give every active block a volume or make it inactive in IACTIVE (data group DATA 11A)";
  throw RunError(msg);
}

}  // namespace talvek
