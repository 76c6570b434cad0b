#include "report/print2.h"

#include <cstdio>
#include <string_view>

#include "io/errors.h"
#include "io/format.h"
#include "report/listing.h"
#include "report/print1.h"

namespace talvek {

namespace {

constexpr double kSmall = 1.0E-51;
constexpr double kNoOil = 1.0E19;  // ratio divisor while the oil equation is off

// One row of the six value columns: v[1] oil, v[2] water, v[3] gas,
// v[4] polymer solution, v[5] polymer component, v[6] aqueous.
struct Row {
  double v[7] = {0, 0, 0, 0, 0, 0, 0};
};

// What every row of one call shares: which columns are computed, the output
// factors of rates and cumulative volumes, the stock-tank pore volumes.
struct Ctx {
  bool on[6] = {false, false, false, false, false, false};
  double fr[6] = {0, 0, 0, 0, 0, 0};
  double fc[6] = {0, 0, 0, 0, 0, 0};
  double pv[5] = {0, 0, 0, 0, 0};
};

Ctx makeCtx(const State& s) {
  Ctx c;
  c.on[1] = s.KEQO >= 1;
  c.on[2] = s.KEQW >= 1;
  c.on[3] = s.KEQG >= 1;
  c.on[4] = c.on[5] = s.KEQP >= 1;
  const int rate[6] = {0, 2, 2, 3, 2, 4};
  const int cum[6] = {0, 7, 7, 8, 7, 9};
  for (int k = 1; k <= 5; ++k) {
    c.fr[k] = s.UFAC(rate[k]);
    c.fc[k] = s.UFAC(cum[k]);
  }
  c.pv[1] = s.PVOT;
  c.pv[2] = s.PVWT;
  c.pv[3] = s.PVGT;
  c.pv[4] = s.PVPT;
  return c;
}

// A zero printed with a sign (a zero rate times -1) is printed as 0.
void aqueous(Row& r) {
  for (int k = 1; k <= 5; ++k) r.v[k] += 0.0;
  r.v[6] = r.v[2] + r.v[4];
}

// factor(k) * sign * raw[k] for the computed columns.
Row scaled(const Ctx& c, const double* raw, const double* fac, double sign) {
  Row r;
  for (int k = 1; k <= 5; ++k)
    if (c.on[k]) r.v[k] = sign * fac[k] * raw[k];
  aqueous(r);
  return r;
}

// sign * raw[k] / PV(k), the pore volumes of oil, water, gas, polymer solution.
Row porevol(const Ctx& c, const double* raw, double sign) {
  Row r;
  for (int k = 1; k <= 4; ++k)
    if (c.on[k]) r.v[k] = sign * raw[k] / c.pv[k];
  aqueous(r);
  return r;
}

// Each value over the oil value of the same row.
Row ratio(const Ctx& c, const Row& x) {
  const double d = c.on[1] ? x.v[1] + kSmall : kNoOil;
  Row r;
  for (int k = 1; k <= 5; ++k)
    if (c.on[k]) r.v[k] = x.v[k] / d;
  aqueous(r);
  return r;
}

// A balance ratio row: the aqueous column has its own value, printed while
// water or polymer solution flows (with both off it would be the change of
// the water that only the pore volume moves over no flow at all). A zero
// with a sign (a ratio of zero amounts taken with a minus) is printed as 0.
Row balanceRatio(const Ctx& c, const FArray<double, 6>& m) {
  Row r;
  for (int k = 1; k <= 5; ++k)
    if (c.on[k]) r.v[k] = m(k) + 0.0;
  if (c.on[2] || c.on[4]) r.v[6] = m(6) + 0.0;
  return r;
}

void rowFull(State& s, std::string_view label, const Row& r) {
  Line ln(s.units, s.IOUT);
  ln.X(1).A(label);
  for (int k = 1; k <= 6; ++k) {
    ln.X(2).E(r.v[k], 12, 5);
    if (k < 6) ln.X(2);
  }
  ln.end();
}

void rowShort(State& s, std::string_view label, const Row& r) {
  Line ln(s.units, s.IOUT);
  ln.X(1).A(label);
  for (int k = 1; k <= 4; ++k) ln.X(2).E(r.v[k], 12, 5).X(2);
  ln.X(18).X(2).E(r.v[6], 12, 5).end();
}

void emptyLines(State& s, int n) {
  for (int i = 0; i < n; ++i) Line(s.units, s.IOUT).end();
}

void columnHeading(State& s) {
  Line ln(s.units, s.IOUT);
  ln.X(17).A("OIL").X(12).A("WATER").X(12).A("GAS").X(19).A("POLYMER").X(17).A("AQUEOUS").slash();
  ln.X(62).A("SOLUTION").X(8).A("COMPONENT").slash();
  ln.X(11).rep('_', 15).X(1).rep('_', 15).X(1).rep('_', 15).X(1).rep('_', 30).X(2).rep('_', 15);
  ln.slash().end();
}

int checkedBlock(const State& s, int n, const char* what) {
  if (n < 1 || n > s.NGPACT) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "%s names active block %d outside 1..%d", what, n, s.NGPACT);
    throw RunError(msg);
  }
  return n;
}

int checkedCount(const State& s, int count, const char* what) {
  if (count < 0 || count > s.NGPACT) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "%s holds %d blocks, more than the %d active blocks", what, count,
                  s.NGPACT);
    throw RunError(msg);
  }
  return count;
}

// The (I,J,K) row under a saturation-extreme row.
void extremeBlocks(State& s, const FArray<int, 5>& nb) {
  Line ln(s.units, s.IOUT);
  ln.X(1).A("& (I,J,K)");
  for (int f = 1; f <= 5; ++f) {
    const int n = nb(f);
    int i = 0, j = 0, k = 0;
    if (n >= 1 && n <= s.NGPACT) {
      i = s.IJK(1, n);
      j = s.IJK(2, n);
      k = s.IJK(3, n);
    }
    ln.X(f == 5 ? 19 : 3).A("(").I(i, 2).A(",").I(j, 3).A(",").I(k, 2).A(")");
    if (f < 5) ln.X(2);
  }
  ln.end();
}

// A saturation-extreme row; a zero with a sign is printed as 0.
Row saturations(const Ctx& c, const FArray<double, 5>& sv) {
  Row r;
  for (int k = 1; k <= 4; ++k)
    if (c.on[k]) r.v[k] = sv(k) + 0.0;
  r.v[6] = sv(5) + 0.0;
  return r;
}

// ---- well entries ---------------------------------------------------------------

enum class WellType { Injection, Production, ShutIn };

void wellEntry(State& s, const Ctx& c, int b, WellType t) {
  emptyLines(s, 2);
  {
    Line ln(s.units, s.IOUT);
    ln.X(1).A("FOR WELL #:").I(s.IWNUM(b), 3).X(2);
    if (t == WellType::ShutIn) {
      ln.A("  (SHUT-IN WELL)  ").X(1).A("LOCATED AT BLOCK  :");
      ln.I(s.IJK(1, b), 3).I(s.IJK(2, b), 3).I(s.IJK(3, b), 3);
    } else {
      ln.A(t == WellType::Injection ? "(INJECTION  WELL)" : "(PRODUCTION WELL)");
      ln.X(3).A("LOCATED AT BLOCK  :");
      ln.I(s.IJK(1, b), 3).I(s.IJK(2, b), 3).I(s.IJK(3, b), 3);
      ln.A("  FBHP =").E(s.UFAC(6) * s.PSAND(b), 12, 5);
      ln.A("   GW =").E(s.UFAC(10) * s.GW(b), 12, 5);
    }
    ln.slash();
    ln.X(1).rep('_', 105).slash();
    ln.end();
  }
  columnHeading(s);

  double cumInj[6], cumPrd[6];
  for (int k = 1; k <= 5; ++k) {
    cumInj[k] = s.CUMIB(k, b);
    cumPrd[k] = s.CUMPB(k, b);
  }
  const Row cinj = scaled(c, cumInj, c.fc, -1.0);
  const Row cprd = scaled(c, cumPrd, c.fc, 1.0);
  const Row cxor = ratio(c, cprd);
  switch (t) {
    case WellType::Injection: {
      const double rate[6] = {0, s.FLOWO(b), s.FLOWW(b), s.FLOWG(b), s.FLOWP(b), s.QPMINJ(b)};
      rowFull(s, "INJ RATE ", scaled(c, rate, c.fr, -1.0));
      rowFull(s, "CUM INJ  ", cinj);
      rowShort(s, "INJ PVOL ", porevol(c, cumInj, -1.0));
      rowFull(s, "CUM PROD ", cprd);
      rowShort(s, "CUM XOR  ", cxor);
      break;
    }
    case WellType::Production: {
      const double rate[6] = {0, s.FLOWO(b), s.FLOWW(b), s.FLOWG(b), s.FLOWP(b), s.QPMPRD(b)};
      const Row prd = scaled(c, rate, c.fr, 1.0);
      rowFull(s, "PRD RATE ", prd);
      rowShort(s, "PRD XOR  ", ratio(c, prd));
      rowFull(s, "CUM PROD ", cprd);
      rowShort(s, "CUM XOR  ", cxor);
      rowShort(s, "PRD PVOL ", porevol(c, cumPrd, 1.0));
      rowFull(s, "CUM INJ  ", cinj);
      break;
    }
    case WellType::ShutIn:
      rowFull(s, "CUM INJ  ", cinj);
      rowFull(s, "CUM PROD ", cprd);
      rowShort(s, "CUM XOR  ", cxor);
      break;
  }
}

void wellList(State& s, const Ctx& c, const FArray<int, MXBLK>& list, int count, WellType t,
              const char* what) {
  checkedCount(s, count, what);
  for (int i = 1; i <= count; ++i) wellEntry(s, c, checkedBlock(s, list(i), what), t);
}

// ---- detailed arrays -------------------------------------------------------------

void arrayTitle(State& s, std::string_view title, int nunder) { MAPTTL(s, 3, title, nunder); }

void detailedMaps(State& s) {
  if (s.IPRNT(12) >= 1) {
    Line ln(s.units, s.IOUT);
    ln.X(1).A("THE PROD WELL CONDITIONS:").slash();
    ln.X(1).rep('_', 25).end();
    IRYPRT(s, s.IWC.data());  // the well condition codes
  }
  if (s.IPRNT(1) >= 1) {
    arrayTitle(s, "WATER SATURATION ARRAY", 22);
    SATPRT(s, s.SW.data());
  }
  if (s.IPRNT(2) >= 1) {
    arrayTitle(s, "OIL SATURATION ARRAY", 20);
    SATPRT(s, s.SO.data());
  }
  if (s.IPRNT(3) >= 1) {
    arrayTitle(s, "GAS SATURATION ARRAY", 20);
    SATPRT(s, s.SG.data());
  }
  if (s.IPRNT(4) >= 1) {
    arrayTitle(s, "POLYMER  SATURATION ARRAY", 25);
    SATPRT(s, s.SP.data());
  }
  if (s.IPRNT(5) >= 1) {
    arrayTitle(s, "STOCK TANK OIL IN PLACE ARRAY", 29);
    ARYPRT(s, s.STOIP.data(), s.UFAC(2));
  }
  if (s.IPRNT(6) >= 1) {
    arrayTitle(s, "SOLUTION GAS IN OIL ARRAY", 25);
    ARYPRT(s, s.RS.data(), s.UFAC(5));
  }
  if (s.IPRNT(7) >= 1) {
    // Switch 7 has always shown the tracer concentration under this title.
    arrayTitle(s, "BUBBLE POINT PRESSURE ARRAY", 27);
    ARYPRT(s, s.CONCT.data(), 1.0);
  }
  if (s.IPRNT(8) >= 1) {
    arrayTitle(s, "RESERVOIR PRESSURE ARRAY", 24);
    ARYPRT(s, s.P.data(), s.UFAC(6));
  }
  if (s.IPRNT(9) >= 1) {
    arrayTitle(s, "CONCENTRATION OF POLYMER IN POLYMER PHASE (PARTS PER MILLION)", 61);
    ARYPRT(s, s.CONCP.data(), 1.0);
  }
  const std::string_view ads = UNITXT(UTADS, s.MUNTOUT, "MUNTOUT");
  if (s.IPRNT(10) >= 1) {
    char t[120];
    const int n = std::snprintf(t, sizeof t, "POLYMER ADSORBED %.*s", static_cast<int>(ads.size()),
                                ads.data());
    arrayTitle(s, std::string_view(t, static_cast<std::size_t>(n)), 37);
    ARYPRT(s, s.ADS.data(), 1.0);
  }
  if (s.IPRNT(11) >= 1) {
    char t[120];
    const int n = std::snprintf(t, sizeof t, "MAXIMUM POLYMER ADSORPTION %.*s",
                                static_cast<int>(ads.size()), ads.data());
    arrayTitle(s, std::string_view(t, static_cast<std::size_t>(n)), 47);
    ARYPRT(s, s.CRPMAX.data(), 1.0);
  }
}

void blockTable(State& s) {
  {
    Line ln(s.units, s.IOUT);
    ln.X(4).A("L").X(4).A("I").X(4).A("J").X(4).A("K").X(4).A(" PO  ").X(7).A("SO").X(8).A("SW")
        .X(8).A("SG").X(8).A("SP").X(5).A(" PBUBL ").X(5).A("GOR").slash();
    ln.end();
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int L = s.IBLK(n);
    Line r(s.units, s.IOUT);
    r.X(1);
    r.I(L, 4).X(1).I(s.IJK(1, n), 4).X(1).I(s.IJK(2, n), 4).X(1).I(s.IJK(3, n), 4).X(1);
    r.F(s.UFAC(6) * s.P(n), 9, 2).X(1);
    r.F(s.SO(n), 9, 5).X(1).F(s.SW(n), 9, 5).X(1).F(s.SG(n), 9, 5).X(1).F(s.SP(n), 9, 5).X(1);
    r.F(s.UFAC(6) * s.PBUBL(n), 9, 2).X(1).F(s.UFAC(5) * s.RS(n), 9, 2).end();
  }
}

// The old-level arrays selected by the switches that equal 1, to the grid
// listing file, after the mark of the time level.
void listingArrays(State& s, int unit) {
  GRAPR2(s, s.TIMUSE, s.UFAC(12), unit);
  ROKARR(s, unit);
}

}  // namespace

void PRINT2(State& s, int lintot, int unit) {
  const Ctx c = makeCtx(s);

  // Reservoir rows.
  double qinj[6], qprd[6], qaq[6], cinj[6], cprd[6], caq[6], mbai[6], mbac[6];
  for (int k = 1; k <= 5; ++k) {
    qinj[k] = s.QINJT(k);
    qprd[k] = s.QPRDT(k);
    qaq[k] = s.QAQT(k);
    cinj[k] = s.CUMINJ(k);
    cprd[k] = s.CUMPRD(k);
    caq[k] = s.CUMAQ(k);
    mbai[k] = s.MBAINC(k);
    mbac[k] = s.MBACUM(k);
  }
  const Row injRate = scaled(c, qinj, c.fr, -1.0);
  const Row cumInj = scaled(c, cinj, c.fc, -1.0);
  const Row injPvol = porevol(c, cinj, -1.0);
  const Row prdRate = scaled(c, qprd, c.fr, 1.0);
  const Row prdXor = ratio(c, prdRate);
  const Row cumPrd = scaled(c, cprd, c.fc, 1.0);
  const Row cumXor = ratio(c, cumPrd);
  const Row prdPvol = porevol(c, cprd, 1.0);
  const double orf = c.on[1] ? s.CUMPRD(1) / (s.INOIL + kSmall) : 0.0;

  if (s.KSTANY != 0) {
    // 1. Time-step summary.
    {
      Line ln(s.units, s.IOUT);
      ln.A("1").slash();
      ln.X(45).A("TIME  STEP  SUMMARY").slash();
      ln.X(45).rep('=', 19).slash().slash();
      ln.X(45).A("TIME  =").E(s.TIMUSE, 12, 5).slash().slash();
      ln.X(32).A("DELT =").F(s.DTIME, 9, 1).X(3).A("STEP NO.=").I(s.ISTEP, 4).X(3).A("ITER  =")
          .I(s.ITER, 3).slash();
      std::string_view label = "         ";
      if (s.METHOD >= 1 && s.METHOD <= 4)
        label = std::string_view(s.MTHLAB(s.METHOD).c.data(), 9);
      ln.X(32).A("TOTITER =").I(s.TOTITER, 6).X(3).A(label).I(lintot, 4).X(3).A("NPASS =")
          .I(s.NPASS, 3).slash().slash();
      ln.end();
      for (int kind : {UTOUT, UTBASE, UTVOL, UTRATE, UTRATIO}) UNITLN(s, kind, s.MUNTOUT, "MUNTOUT");
      emptyLines(s, 1);
    }
    // 2. Material balances and the reservoir summary.
    if (s.ISTEP == s.KSTRES) {
      emptyLines(s, 2);
      {
        Line ln(s.units, s.IOUT);
        ln.X(31).A("MATERIAL BALANCES: CUM. & INC., RATIO & ACTUAL").slash();
        ln.X(31).rep('=', 46).slash();
        ln.end();
      }
      columnHeading(s);
      rowFull(s, "CUM MB R ", balanceRatio(c, s.MBRCUM));
      rowFull(s, "CUM MB A ", scaled(c, mbac, c.fc, 1.0));
      rowFull(s, "INC MB R ", balanceRatio(c, s.MBRINC));
      rowFull(s, "INC MB A ", scaled(c, mbai, c.fc, 1.0));
      {
        Line ln(s.units, s.IOUT);
        ln.slash();
        ln.X(1).A("IMPORTANT NOTE: IF INC MB R OR CUM MB R IS ")
            .A("DIFFERENT FROM 1, THEN CHECK INC MB A OR CUM MB A.");
        ln.end();
      }
      emptyLines(s, 4);
      {
        Line ln(s.units, s.IOUT);
        ln.X(33).A("RESERVOIR PRODUCTION AND INJECTION SUMMARY").slash();
        ln.X(33).rep('=', 42).slash();
        ln.end();
      }
      columnHeading(s);
      rowFull(s, "INJ RATE ", injRate);
      rowFull(s, "CUM INJ  ", cumInj);
      rowShort(s, "INJ PVOL ", injPvol);
      rowFull(s, "PRD RATE ", prdRate);
      rowShort(s, "PRD XOR  ", prdXor);
      rowFull(s, "CUM PROD ", cumPrd);
      rowShort(s, "CUM XOR  ", cumXor);
      rowShort(s, "PRD PVOL ", prdPvol);
      rowShort(s, "MIN. SATN", saturations(c, s.SMIN));
      extremeBlocks(s, s.NSMIN);
      rowShort(s, "MAX. SATN", saturations(c, s.SMAX));
      extremeBlocks(s, s.NSMAX);
      if (s.IDAQFR != 1) {
        rowFull(s, "RAT EFLUX", scaled(c, qaq, c.fr, 1.0));
        rowFull(s, "CUM EFLUX", scaled(c, caq, c.fc, 1.0));
        Line ln(s.units, s.IOUT);
        ln.A(" ").slash();
        ln.A(" RATE OF INFLUX = ").E(-s.UFAC(2) * s.QAQR + 0.0, 12, 5);
        ln.A("   CUMMULATIVE INFLUX = ").E(-s.UFAC(7) * s.CUMAQR + 0.0, 12, 5).end();
      }
    }
    // 3. Injection and production wells.
    if (s.ISTEP == s.KSTWEL) {
      emptyLines(s, 4);
      {
        Line ln(s.units, s.IOUT);
        ln.X(33).A("WELL BY WELL PRODUCTION (INJECTION) SUMMARY").slash();
        ln.X(33).rep('=', 43).slash();
        ln.end();
      }
      wellList(s, c, s.LWELM2, s.NWELM2, WellType::Injection, "the injection-well list");
      wellList(s, c, s.LWELM1, s.NWELM1, WellType::Production, "the production-well list");
    }
    // 4. Shut-in wells, at every reported step.
    wellList(s, c, s.LWEL0, s.NWEL0, WellType::ShutIn, "the shut-in well list");
    // 5. Detailed arrays.
    if (s.ISTEP == s.KSTARY) {
      emptyLines(s, 4);
      {
        Line ln(s.units, s.IOUT);
        ln.X(1).A("RESERVOIR BEHAVIOR ARRAYS").slash();
        ln.X(1).rep('=', 25).slash();
        ln.slash();
        ln.end();
      }
      if (s.IPRINT == 0 || s.IPRINT == 2)
        detailedMaps(s);
      else if (s.IPRINT == 1)
        blockTable(s);
      listingArrays(s, unit);
    }
  }

  // The reservoir performance record.
  s.RESPRF(RPTIME) = s.TIMUSE;
  s.RESPRF(RPPAVG) = s.PAVG * s.UFAC(6);
  s.RESPRF(RPORF) = orf;
  s.RESPRF(RPPVIP) = injPvol.v[4];
  s.RESPRF(RPPVIA) = injPvol.v[6];
  s.RESPRF(RPPVIG) = injPvol.v[3];
  s.RESPRF(RPQO) = prdRate.v[1];
  s.RESPRF(RPQA) = prdRate.v[6];
  s.RESPRF(RPQG) = prdRate.v[3];
  s.RESPRF(RPCQO) = cumPrd.v[1];
  s.RESPRF(RPCQA) = cumPrd.v[6];
  s.RESPRF(RPCQG) = cumPrd.v[3];
  s.RESPRF(RPAOR) = prdXor.v[6];
  s.RESPRF(RPGOR) = prdXor.v[3];
  s.RESPRF(RPPVI) = injPvol.v[6] + injPvol.v[3] + injPvol.v[1];
}

}  // namespace talvek
