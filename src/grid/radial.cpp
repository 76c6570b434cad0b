// Radial grid: geometric rings around the well, their volumes and the
// geometric factors of the r and z connections.
#include "grid/radial.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "io/errors.h"
#include "io/format.h"
#include "state/state.h"

namespace talvek {

void RADIAL(State& s) {
  const int nr = s.NX;
  if (nr < 1 || nr > MXDIR)
    throw RunError("deck " + deckName(s) + ", group DATA 10B: NR = " + std::to_string(nr) +
                   " rings, outside 1..40");
  // The deck values were raised by 1.0E-51 when group 10 was read: a well
  // radius given as 0 arrives as 1.0E-51 and must still be refused (rings
  // growing geometrically from it would have no volume near the well).
  constexpr double kRaise = 1.0E-51;
  if (!(s.RADW > kRaise) || !(s.RADE > s.RADW)) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "well radius RADW = %.6g and external radius RADE = %.6g; a radial grid needs "
                  "0 < RADW < RADE",
                  s.RADW - kRaise, s.RADE - kRaise);
    const std::string file = deckName(s);
    const char* item = s.RADW > kRaise ? "RADE" : "RADW";
    throw DeckError(file, s.LINGRD, "DATA 10B", item,
                    file + ":" + std::to_string(s.LINGRD) + ": data group DATA 10B, item " + item + ": " + buf);
  }

  const double pi = 4.0 * std::atan(1.0);
  const double alpha = std::pow(s.RADE / s.RADW, 1.0 / nr);
  const double beta = (alpha - 1.0) / std::log(alpha);
  const double gamma = (alpha * alpha - 1.0) / std::log(alpha * alpha);
  const double lam1 = std::log(beta);
  const double lam2 = std::log(alpha / beta);
  // Radii so close (or so far apart) that the ring ratio is 1, or not a
  // number, to machine precision leave the rings without size.
  if (!(alpha > 1.0) || !std::isfinite(alpha) || !std::isfinite(gamma) || !(lam1 > 0.0) || !(lam2 > 0.0) ||
      !std::isfinite(lam2)) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "well radius RADW = %.17g and external radius RADE = %.17g give %d rings no size: "
                  "the ratio (RADE/RADW)**(1/NR) is %.17g",
                  s.RADW - kRaise, s.RADE - kRaise, nr, alpha);
    const std::string file = deckName(s);
    throw DeckError(file, s.LINGRD, "DATA 10B", "RADE",
                    file + ":" + std::to_string(s.LINGRD) + ": data group DATA 10B, item RADE: " + buf);
  }

  // Ring tables.
  s.RNODE(1) = s.RADW * alpha / beta;
  s.RLOUT(1) = beta * s.RNODE(1);
  s.RLIN(1) = s.RADW;
  s.R2OUT(1) = s.RNODE(1) * s.RNODE(1) * gamma;
  s.R2IN(1) = s.R2OUT(1) / (alpha * alpha);
  s.AREAR(1) = pi * (s.R2OUT(1) - s.R2IN(1));
  for (int i = 2; i <= nr; ++i) {
    s.RNODE(i) = alpha * s.RNODE(i - 1);
    s.RLOUT(i) = beta * s.RNODE(i);
    s.RLIN(i) = s.RLOUT(i) / alpha;
    s.R2OUT(i) = s.RNODE(i) * s.RNODE(i) * gamma;
    s.R2IN(i) = s.R2OUT(i) / (alpha * alpha);
    s.AREAR(i) = pi * (s.R2OUT(i) - s.R2IN(i));
  }
  // The outermost boundaries lie on the external radius.
  s.RLOUT(nr) = s.RADE;
  s.R2OUT(nr) = s.RADE * s.RADE;
  s.AREAR(nr) = pi * (s.RADE * s.RADE - s.R2IN(nr));

  Line(s.units, s.IOUT).end();
  Line(s.units, s.IOUT)
      .A("    l    i       r(i)        rl(i-1/2)     rl(i+1/2)")
      .A("      r(i-1/2)      r(i+1/2)     area_ring(i)     ")
      .A("bulk volume(l)")
      .end();
  Line(s.units, s.IOUT).end();

  for (int n = 1; n <= s.NGPACT; ++n)
    for (int sl = 1; sl <= MXSLOT; ++sl) s.GF(sl, n) = 0.0;

  for (int n = 1; n <= s.NGPACT; ++n) {
    const int l = s.IBLK(n);
    const int i = s.ICOORD(1, l);
    s.DX(l) = s.RNODE(i);
    s.VB(n) = s.AREAR(i) * s.DZNET(l);

    Line(s.units, s.IOUT)
        .X(1).I(n, 5).X(2).I(i, 2)
        .X(2).F(s.RNODE(i), 12, 4)
        .X(2).F(s.RLIN(i), 12, 4)
        .X(2).F(s.RLOUT(i), 12, 4)
        .X(2).F(std::sqrt(s.R2IN(i)), 12, 4)
        .X(2).F(std::sqrt(s.R2OUT(i)), 12, 4)
        .X(2).E(s.AREAR(i), 16, 8)
        .X(2).E(s.VB(n), 16, 8)
        .end();

    // z connection: gross thicknesses give the half-lengths; the ring area of
    // this block serves both halves. A block that does not conduct (zero
    // permeability) gives a zero factor instead of a division by zero.
    int m = s.NBR(7, n);
    if (m != 0) {
      const int lm = s.IBLK(m);
      double f = 1.0 + s.RGFZ(n);
      if (f < 0.0) f = 0.0;
      double t = 0.0;
      if (s.KZ(n) > 0.0 && s.KZ(m) > 0.0)
        t = 2.0 * s.C2 * f * s.AREAR(i) / (s.DZ(lm) / s.KZ(m) + s.DZ(l) / s.KZ(n) + s.TINY);
      s.GF(7, n) = t;
      s.GF(1, m) = t;
    }
    // r connection, through the logarithmic half-ring resistances.
    m = s.NBR(5, n);
    if (m != 0) {
      const int lm = s.IBLK(m);
      double f = 1.0 + s.RGFX(n);
      if (f < 0.0) f = 0.0;
      double t = 0.0;
      if (s.KX(n) > 0.0 && s.KX(m) > 0.0 && s.DZNET(l) > 0.0 && s.DZNET(lm) > 0.0)
        t = 2.0 * pi * s.C2 * f /
            (lam2 / (s.KX(m) * s.DZNET(lm)) + lam1 / (s.KX(n) * s.DZNET(l)) + s.TINY);
      s.GF(5, n) = t;
      s.GF(3, m) = t;
    }
    s.VB(n) = s.VB(n) / s.C1;
  }
  Line(s.units, s.IOUT).A(" ").end();
}

}  // namespace talvek
