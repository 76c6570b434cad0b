#include "report/listing.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "io/cleanup.h"
#include "io/errors.h"
#include "io/format.h"
#include "io/units.h"
#include "report/print1.h"

namespace talvek {

namespace {

// Largest well number a "weld.lis" record can carry (its I4 field).
constexpr int kMaxWellNumber = 9999;

void checkRegions(int n, const char* what) {
  if (n < 1 || n > MXRGN) {
    char msg[100];
    std::snprintf(msg, sizeof msg, "%s = %d: 1 to %d regions are held", what, n, MXRGN);
    throw RunError(msg);
  }
}

int checkedRows(int n, const char* what, int region) {
  if (n < 0 || n > MXROW) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "%s of region %d has %d rows: at most %d are held", what, region,
                  n, MXROW);
    throw RunError(msg);
  }
  return n;
}

void groupsReady(State& s) {
  if (s.NXGRP != s.NX || s.NYGRP != s.NY || s.NZGRP != s.NZ || s.NGS == 0) COLGRP(s);
}

// One series of widths: ceil(n/10) records, leading field n.
void widthSeries(State& s, int n, const FArray<double, MXDIR>& w, int ng,
                 const FArray<int, 2, MXCGRP>& kg, double f, int unit) {
  for (int g = 1; g <= ng; ++g) {
    Line ln(s.units, unit);
    ln.X(1).I(n, 8);
    for (int i = kg(1, g); i <= kg(2, g); ++i) ln.F(f * w(i), 12, 4);
    for (int i = kg(2, g) - kg(1, g) + 1; i < 10; ++i) ln.F(RPAD, 12, 4);
    ln.end();
  }
}

void countRecord(State& s, int unit, const int (&v)[8], int nv) {
  Line ln(s.units, unit);
  for (int i = 0; i < nv; ++i) ln.X(1).I(v[i], 12);
  ln.end();
}

void valueRecord(State& s, int unit, const double* v, int nv) {
  Line ln(s.units, unit);
  for (int i = 0; i < nv; ++i) ln.X(1).F(v[i], 12, 5);
  ln.end();
}

// True when x prints in Fw.d without asterisks.
bool fitsF(double x, int w, int d) {
  char buf[64];
  fmtF(buf, x, w, d);
  for (int i = 0; i < w; ++i)
    if (buf[i] == '*') return false;
  return true;
}

// The well number of a "weld.lis" record (columns 15 to 18), or -1.
int wellNumberOf(const std::string& rec) {
  if (rec.size() < 18) return -1;
  int v = 0;
  bool digit = false, neg = false;
  for (std::size_t i = 14; i < 18; ++i) {
    const char ch = rec[i];
    if (ch == ' ' && !digit && !neg) continue;
    if (ch == '-' && !digit && !neg) {
      neg = true;
      continue;
    }
    if (ch < '0' || ch > '9') return -1;
    v = v * 10 + (ch - '0');
    digit = true;
  }
  if (!digit) return -1;
  return neg ? -v : v;
}

void weldRecord(State& s, int n) {
  Line ln(s.units, s.IWELD);
  ln.X(1).I(s.ISTEP, 4).F(s.TIMUSE, 9, 1).I(s.IWNUM(n), 4).X(2);
  ln.I(s.IJK(1, n), 4).I(s.IJK(2, n), 4).I(s.IJK(3, n), 4);
  ln.E(s.UFAC(6) * s.PSAND(n), 14, 5);
  ln.E(s.UFAC(2) * s.FLOWO(n), 14, 5);
  ln.E(s.UFAC(2) * (s.FLOWW(n) + s.FLOWP(n)), 14, 5);
  ln.E(s.UFAC(3) * s.FLOWG(n), 14, 5);
  ln.E(s.UFAC(7) * s.CUMPB(1, n), 14, 5);
  ln.F(s.RESPRF(RPPVI), 11, 5).X(1).F(s.CONCT(n), 8, 1).end();
}

void weldList(State& s, const FArray<int, MXBLK>& list, int count, const char* what) {
  if (count < 0 || count > s.NGPACT) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "%s holds %d blocks, more than the %d active blocks", what, count,
                  s.NGPACT);
    throw RunError(msg);
  }
  for (int i = 1; i <= count; ++i) {
    const int n = list(i);
    if (n < 1 || n > s.NGPACT) {
      char msg[120];
      std::snprintf(msg, sizeof msg, "%s names active block %d outside 1..%d", what, n, s.NGPACT);
      throw RunError(msg);
    }
    weldRecord(s, n);
  }
}

int listingIndex(std::string_view name) {
  for (int k = 0; k < kListingFiles; ++k)
    if (name == LISNAM[k]) return k;
  throw RunError("'" + std::string(name) + "' is not one of the listing files");
}

}  // namespace

std::string LISTMP(std::string_view name) {
  std::string t(".");
  t.append(name).append(".").append(std::to_string(::getpid())).append(".tmp");
  return t;
}

std::string OUTPTH(const State& s, std::string_view name) {
  if (s.OPTS.OUTDIR.empty()) return std::string(name);
  std::string p = s.OPTS.OUTDIR;
  if (p.back() != '/') p.push_back('/');
  return p.append(name);
}

void LISOPN(State& s, int unit, std::string_view name) {
  const int k = listingIndex(name);
  const std::string tmp = OUTPTH(s, LISTMP(name));
  TMPADD(tmp);
  s.units.open(unit, tmp, FileForm::Formatted, FileStatus::Unknown, OUTPTH(s, name));
  s.LISOPD(k + 1) = 1;
}

void LISKEP(State& s) {
  for (int k = 0; k < kListingFiles; ++k) {
    if (s.LISOPD(k + 1) == 0) continue;
    const std::string tmp = OUTPTH(s, LISTMP(LISNAM[k]));
    const std::string dst = OUTPTH(s, LISNAM[k]);
    errno = 0;
    if (std::rename(tmp.c_str(), dst.c_str()) != 0) {
      const int err = errno;
      throw IoError(std::string("cannot replace ") + dst + " by the file of this run '" + tmp +
                    "': " + std::strerror(err));
    }
    TMPDEL(tmp);
    s.LISOPD(k + 1) = 0;
  }
}

void LISDRP(State& s) {
  for (int k = 0; k < kListingFiles; ++k) {
    if (s.LISOPD(k + 1) == 0) continue;
    const std::string tmp = OUTPTH(s, LISTMP(LISNAM[k]));
    std::remove(tmp.c_str());
    TMPDEL(tmp);
    s.LISOPD(k + 1) = 0;
  }
}

void GRAPR0(State& s, double f, int unit) {
  groupsReady(s);
  widthSeries(s, s.NX, s.WIDX, s.NGX, s.KGX, f, unit);
  widthSeries(s, s.NY, s.WIDY, s.NGY, s.KGY, f, unit);
  widthSeries(s, s.NZ, s.WIDZ, s.NGZ, s.KGZ, f, unit);
}

void GRAPR1(State& s, int count, int unit) {
  groupsReady(s);
  for (int g = 1; g <= s.NGS; ++g) {
    Line ln(s.units, unit);
    ln.X(1).I(count, 8);
    for (int i = s.KGS(1, g); i <= s.KGS(2, g); ++i) ln.I(s.IPRNT(i), 12);
    for (int i = s.KGS(2, g) - s.KGS(1, g) + 1; i < 10; ++i) ln.I(IPAD, 12);
    ln.end();
  }
}

void GRAPR2(State& s, double t, double f, int unit) {
  Line ln(s.units, unit);
  ln.X(1).F(t * f, 8, 1);
  for (int i = 0; i < 10; ++i) ln.F(RPAD, 12, 4);
  ln.end();
}

void GRAPRT(State& s, const double* a, double f, int unit) {
  groupsReady(s);
  if (s.NGPACT < 0 || s.NGPACT > MXBLK) throw RunError("the active-block count is outside 0..4000");
  const int ncell = s.NX * s.NY * s.NZ;
  for (int L = 1; L <= ncell; ++L) s.GPWRK(L) = RPAD;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int L = s.IBLK(n);
    if (L < 1 || L > ncell) {
      char msg[120];
      std::snprintf(msg, sizeof msg, "active block %d has grid number %d outside the grid of %d blocks",
                    n, L, ncell);
      throw RunError(msg);
    }
    s.GPWRK(L) = f * a[n - 1];
  }
  const double fl = s.UFAC(11);
  for (int K = s.NZ; K >= 1; --K) {
    for (int g = 1; g <= s.NGX; ++g) {
      const int ib = s.KGX(1, g), ie = s.KGX(2, g);
      for (int J = s.NY; J >= 1; --J) {
        Line ln(s.units, unit);
        ln.X(1).F(fl * s.WIDY(J), 8, 1);
        for (int I = ib; I <= ie; ++I) ln.F(s.GPWRK(s.LBLOCK(I, J, K)), 12, 4);
        for (int i = ie - ib + 1; i < 10; ++i) ln.F(RPAD, 12, 4);
        ln.end();
      }
    }
  }
}

void ROKARR(State& s, int unit) {
  const double* arr[9] = {s.SWN.data(), s.SON.data(),   s.SGN.data(), s.SPN.data(),  s.OIPH.data(),
                          s.RSN.data(), s.CONCT.data(), s.PN.data(),  s.CONCP.data()};
  const double fac[9] = {1.0, 1.0, 1.0, 1.0, s.UFAC(1), s.UFAC(5), 1.0, s.UFAC(6), 1.0};
  for (int i = 1; i <= 9; ++i)
    if (s.IPRNT(i) == 1) GRAPRT(s, arr[i - 1], fac[i - 1], unit);
}

void PVTLIS(State& s) {
  checkRegions(s.NPVTRGN, "NPVTRGN");
  const int u = s.IPVTL;
  {
    const int c[8] = {s.NPVTRGN, s.NPVTRGN, s.NPVTRGN, s.NPVTRGN,
                      s.NPVTRGN, s.NPVTRGN, s.NPVTRGN, s.NPVTRGN};
    countRecord(s, u, c, 8);
  }
  for (int p = 1; p <= s.NPVTRGN; ++p) {
    const int n = checkedRows(s.NRPVT(p), "the PVT table", p);
    const int c[8] = {n, n, n, n, n, n, n, n};
    countRecord(s, u, c, 8);
    for (int i = 1; i <= n; ++i) {
      const double v[8] = {s.PRES(i, p), s.RST(i, p), s.BW(i, p),  s.BO(i, p),
                           s.BG(i, p),   s.MUW(i, p), s.MUO(i, p), s.MUG(i, p)};
      valueRecord(s, u, v, 8);
    }
  }
}

void KRPLIS(State& s) {
  checkRegions(s.NKRRGN, "NKRRGN");
  const int u = s.IKRPL;
  {
    const int c[8] = {s.NKRRGN, 1, s.MUNTOUT, s.NKRRGN, 0, 0, 0, 0};
    countRecord(s, u, c, 4);
  }
  for (int r = 1; r <= s.NKRRGN; ++r) {
    const int nwo = checkedRows(s.NRWO(r), "the water-oil table", r);
    const int ngo = checkedRows(s.NRGO(r), "the gas-liquid table", r);
    const int c[8] = {nwo, ngo, nwo, ngo, 0, 0, 0, 0};
    countRecord(s, u, c, 4);
    for (int i = 1; i <= nwo; ++i) {
      const double v[4] = {s.SWT(i, r), s.KRW(i, r), s.KROW(i, r), s.PCOW(i, r)};
      valueRecord(s, u, v, 4);
    }
    for (int i = 1; i <= ngo; ++i) {
      const double v[4] = {s.SLT(i, r), s.KRG(i, r), s.KROG(i, r), s.PCGO(i, r)};
      valueRecord(s, u, v, 4);
    }
  }
}

void RESMAT(State& s) {
  const int u = s.IRESM;
  const double fl = s.UFAC(11);
  GRAPR0(s, fl, u);
  GRAPR2(s, 0.0, s.UFAC(12), u);
  GRAPRT(s, s.HNET.data(), fl, u);
  GRAPRT(s, s.DEPTH.data(), fl, u);
  GRAPRT(s, s.PHI.data(), s.ONE, u);
  if (s.NX >= 2) GRAPRT(s, s.KX.data(), s.ONE, u);
  if (s.NY >= 2) GRAPRT(s, s.KY.data(), s.ONE, u);
  if (s.NZ >= 2) GRAPRT(s, s.KZ.data(), s.ONE, u);
  GRAPRT(s, s.PHIH.data(), fl, u);
  GRAPRT(s, s.KH.data(), fl, u);
  GRAPRT(s, s.KPHI.data(), s.ONE, u);
}

void ROKMAT(State& s) {
  const int u = s.IROKM;
  int count = 0;
  for (int i = 1; i <= 9; ++i)
    if (s.IPRNT(i) == 1) ++count;
  GRAPR0(s, s.UFAC(11), u);
  GRAPR1(s, count, u);
  GRAPR2(s, 0.0, s.UFAC(12), u);
  ROKARR(s, u);
}

void RESLIS(State& s) {
  // Ratios that would not fit their fields are replaced, in the record
  // itself, so that every field of the file reads back as a number.
  FArray<double, 15>& r = s.RESPRF;
  if (std::fabs(r(RPORF)) > 999.99 || !fitsF(r(RPORF), 6, 3)) r(RPORF) = 99.999;
  for (int k : {RPPVIP, RPPVIA, RPPVIG, RPAOR, RPPVI})
    if (std::fabs(r(k)) > 999.99 || !fitsF(r(k), 7, 3)) r(k) = 999.999;

  Line ln(s.units, s.IRESL);
  ln.I(1, 1).X(1).F(r(RPTIME), 6, 0).X(1).F(r(RPPAVG), 6, 0).X(1).F(r(RPORF), 6, 3).X(1);
  for (int k : {RPPVIP, RPPVIA, RPPVIG}) ln.F(r(k), 7, 3).X(1);
  for (int k : {RPQO, RPQA, RPQG, RPCQO, RPCQA, RPCQG}) ln.E(r(k), 9, 3).X(1);
  ln.F(r(RPAOR), 7, 3).X(1).E(r(RPGOR), 9, 3).X(1).F(r(RPPVI), 7, 3).end();
}

void WELDLS(State& s) {
  weldList(s, s.LWELM2, s.NWELM2, "the injection-well list");
  weldList(s, s.LWELM1, s.NWELM1, "the production-well list");
  weldList(s, s.LWEL0, s.NWEL0, "the shut-in well list");
}

void FINSUM(State& s) {
  Units& u = s.units;
  std::string rec;

  // The final reservoir performance summary: the "res.lis" records as written.
  {
    Line ln(u, s.IOUT);
    ln.A("1").slash().slash().slash();
    ln.X(1).A(" FINAL RESERVOIR PERFORMANCE SUMMARY").slash();
    ln.X(1).rep('=', 37).slash().slash();
    ln.A("I  TIME   PAVG    ORF    PVIP    PVIA    PVIG     qo        qa")
        .A("        qg        Qo        Qa        Qg       AOR     GOR")
        .A("       PVI")
        .slash();
    ln.end();
  }
  u.flush(s.IRESL);
  u.rewind(s.IRESL);
  while (u.readLine(s.IRESL, rec)) u.writeLine(s.IOUT, rec);

  // The per-well summaries. A record whose well number field does not read
  // as a number 1..9999 belongs to no well.
  u.flush(s.IWELD);
  u.rewind(s.IWELD);
  std::array<bool, kMaxWellNumber + 1> present{};
  int maxWell = 0;
  while (u.readLine(s.IWELD, rec)) {
    const int w = wellNumberOf(rec);
    if (w >= 1 && w <= kMaxWellNumber) {
      present[static_cast<std::size_t>(w)] = true;
      if (w > maxWell) maxWell = w;
    }
  }
  {
    Line ln(u, s.IOUT);
    ln.A("1").slash().slash().slash();
    ln.X(1).A(" SUMMARY FOR INDIVIDUAL WELL PERFORMANCE").slash();
    ln.X(1).rep('=', 41).slash().slash();
    ln.end();
  }
  if (!u.isOpen(s.IWELL)) LISOPN(s, s.IWELL, "well.lis");
  for (int w = 1; w <= maxWell; ++w) {
    {
      Line ln(u, s.IOUT);
      ln.slash().slash();
      ln.A("  ISETP  TIME   NO.   IW  JW  KW      FBHP").X(8)
          .A("OIL  RATE    AQUA  RATE     GAS  RATE     OIL PROD. ")
          .A("   PVI")
          .A("       TRACER CONC.")
          .slash();
      ln.end();
    }
    if (!present[static_cast<std::size_t>(w)]) continue;
    u.rewind(s.IWELD);
    while (u.readLine(s.IWELD, rec)) {
      if (wellNumberOf(rec) != w) continue;
      u.writeLine(s.IWELL, rec);
      u.writeLine(s.IOUT, rec);
    }
  }
  u.flush(s.IWELL);
}

}  // namespace talvek
