#include "report/print1.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "io/errors.h"
#include "io/format.h"

namespace talvek {

namespace {

constexpr std::string_view kUnitText[7][3] = {
    {"UNITS OF OUTPUT DATA ARE: FIELD UNITS", "UNITS OF OUTPUT DATA ARE: SPE PREFERRED METRIC UNITS",
     "UNITS OF OUTPUT DATA ARE: LABORATORY UNITS"},
    {"UNITS OF INPUT DATA ARE: FIELD UNITS", "UNITS OF INPUT DATA ARE: SPE PREFERRED METRIC UNITS",
     "UNITS OF INPUT DATA ARE: LABORATORY UNITS"},
    {"TIME (D); PRESSURE (psia); MASS (lbm); LENGTH (ft);",
     "TIME (d); PRESSURE (kPa); MASS (kg); LENGTH (m);",
     "TIME (sec); PRESSURE (atm); MASS (gm); LENGTH (cm);"},
    {"VOLUME [ LIQUID (STB), GAS (SCF)];", "VOLUME [ LIQUID (sm3), GAS (sm3)];",
     "VOLUME [ LIQUID (scc), GAS (scc)];"},
    {"(lbm POLYMER/lbm ROCK)", "(kg POLYMER/kg ROCK)", "(g POLYMER/g ROCK)"},
    {"RATE [ LIQUID (STB/DAY), GAS (SCF/DAY), COMP. (lbm/DAY)];",
     "RATE [ LIQUID (sm3/d), GAS (sm3/d), COMP. (kg/d)];",
     "RATE [ LIQUID (scc/s), GAS (scc/s), COMP. (g/s)];"},
    {"RATIO [ LIQUID/OIL (STB/STB), GAS/OIL (SCF/STB)]",
     "RATIO [ LIQUID/OIL (sm3/sm3), GAS/OIL (sm3/sm3)]",
     "RATIO [ LIQUID/OIL (scc/scc), GAS/OIL (scc/scc)]"},
};

enum class PK { IRY, IOR, ARI, ARY, SAT };

bool wideDash(PK k) { return k == PK::ARI || k == PK::ARY; }

void groups(int n, int& ng, FArray<int, 2, MXCGRP>& kg) {
  ng = (n + 9) / 10;
  for (int g = 1; g <= ng; ++g) {
    kg(1, g) = 10 * (g - 1) + 1;
    kg(2, g) = std::min(10 * g, n);
  }
}

// The grid the printers walk must be inside the tables they index.
void checkGrid(const State& s) {
  if (s.NX < 1 || s.NX > MXDIR || s.NY < 1 || s.NY > MXDIR || s.NZ < 1 || s.NZ > MXDIR) {
    char msg[160];
    std::snprintf(msg, sizeof msg,
                  "grid NX = %d, NY = %d, NZ = %d: the array printers hold 1 to %d blocks per direction",
                  s.NX, s.NY, s.NZ, MXDIR);
    throw RunError(msg);
  }
  if (s.NGPACT < 0 || s.NGPACT > MXBLK) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "NGPACT = %d active blocks: the array printers hold at most %d",
                  s.NGPACT, MXBLK);
    throw RunError(msg);
  }
}

void ensureGroups(State& s) {
  if (s.NXGRP != s.NX || s.NYGRP != s.NY || s.NZGRP != s.NZ || s.NGS == 0) COLGRP(s);
}

int gridBlock(const State& s, int n) {
  const int L = s.IBLK(n);
  if (L < 1 || L > s.NX * s.NY * s.NZ) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "active block %d has grid number %d outside the grid of %d blocks",
                  n, L, s.NX * s.NY * s.NZ);
    throw RunError(msg);
  }
  return L;
}

void blankLine(State& s) { Line(s.units, s.IOUT).A(" ").end(); }

void colLine(State& s, PK k, int ib, int ie) {
  Line ln(s.units, s.IOUT);
  ln.X(wideDash(k) ? 5 : 6);
  for (int i = ib; i <= ie; ++i) {
    ln.X(4).I(i, 3);
    if (i < ie) ln.X(5);
  }
  ln.end();
}

void dashLine(State& s, PK k, int ib, int ie) {
  Line ln(s.units, s.IOUT);
  if (wideDash(k)) {
    ln.X(5);
    for (int i = ib; i <= ie; ++i) {
      ln.X(1).A("----------");
      if (i < ie) ln.X(1);
    }
  } else {
    ln.X(8);
    for (int i = ib; i <= ie; ++i) {
      ln.X(1).A("-------");
      if (i < ie) ln.X(4);
    }
  }
  ln.end();
}

// One data row: the row label, the page's values of row J of layer K, the
// label again.
void dataRow(State& s, PK k, int lab, int ib, int ie, int J, int K) {
  Line ln(s.units, s.IOUT);
  ln.X(1).I(lab, 3);
  if (k == PK::IOR) ln.X(5);
  for (int i = ib; i <= ie; ++i) {
    const int L = s.LBLOCK(i, J, K);
    switch (k) {
      case PK::IRY: ln.X(3).I(s.IPWRK(L), 6).X(3); break;
      case PK::IOR: ln.I(s.IPWRK(L), 6).X(6); break;
      case PK::ARI:
      case PK::ARY: ln.E(s.RPWRK(L), 12, 4); break;
      case PK::SAT: ln.F(s.RPWRK(L), 12, 5); break;
    }
  }
  if (k == PK::IOR)
    ln.I(lab, 3);
  else
    ln.X(3).I(lab, 3);
  ln.end();
}

// The map of the work array of printer kind k.
void printMap(State& s, PK k) {
  if (s.IRADIAL == 0) {
    for (int K = s.NZ; K >= 1; --K) {
      Line ln(s.units, s.IOUT);
      ln.slash();
      ln.X(2).A("LAYER NUMBER :").I(K, 3).X(1).A(std::string_view(s.LAYLAB(K).c.data(), 80));
      ln.slash();
      ln.end();
      for (int g = 1; g <= s.NGX; ++g) {
        const int ib = s.KGX(1, g), ie = s.KGX(2, g);
        blankLine(s);
        colLine(s, k, ib, ie);
        dashLine(s, k, ib, ie);
        for (int J = s.NY; J >= 1; --J) dataRow(s, k, J, ib, ie, J, K);
        dashLine(s, k, ib, ie);
        colLine(s, k, ib, ie);
        blankLine(s);
      }
    }
  } else {
    for (int g = 1; g <= s.NGX; ++g) {
      const int ib = s.KGX(1, g), ie = s.KGX(2, g);
      blankLine(s);
      colLine(s, k, ib, ie);
      dashLine(s, k, ib, ie);
      for (int K = s.NZ; K >= 1; --K) dataRow(s, k, K, ib, ie, s.NY, K);
      dashLine(s, k, ib, ie);
      colLine(s, k, ib, ie);
      blankLine(s);
    }
  }
}

void intMap(State& s, const int* a, PK k) {
  checkGrid(s);
  ensureGroups(s);
  const int ncell = s.NX * s.NY * s.NZ;
  for (int L = 1; L <= ncell; ++L) s.IPWRK(L) = 0;
  for (int n = 1; n <= s.NGPACT; ++n) s.IPWRK(gridBlock(s, n)) = a[n - 1];
  printMap(s, k);
}

void realMap(State& s, const double* a, double f, int stride, PK k) {
  checkGrid(s);
  ensureGroups(s);
  const int ncell = s.NX * s.NY * s.NZ;
  for (int L = 1; L <= ncell; ++L) s.RPWRK(L) = 0.0;
  for (int n = 1; n <= s.NGPACT; ++n)
    s.RPWRK(gridBlock(s, n)) = (k == PK::SAT ? 1.0 : f) * a[static_cast<std::size_t>(n - 1) * stride];
  printMap(s, k);
}

// ---- echo lines of the initial report ------------------------------------------

// 10X, the description padded to 52 characters, the 15-character label
// (six blanks, the name, blanks, "=").
void echoHead(Line& ln, std::string_view desc, std::string_view name) {
  ln.X(10).A(desc);
  if (desc.size() < 52) ln.X(52 - static_cast<int>(desc.size()));
  ln.X(6).A(name);
  const int pad = 15 - 6 - 1 - static_cast<int>(name.size());
  if (pad > 0) ln.X(pad);
  ln.A("=");
}

void echoI(State& s, std::string_view desc, std::string_view name, int v, int w = 4) {
  Line ln(s.units, s.IOUT);
  echoHead(ln, desc, name);
  ln.I(v, w).end();
}
void echoF(State& s, std::string_view desc, std::string_view name, double v, int w, int d) {
  Line ln(s.units, s.IOUT);
  echoHead(ln, desc, name);
  ln.F(v, w, d).end();
}
void echoE(State& s, std::string_view desc, std::string_view name, double v) {
  Line ln(s.units, s.IOUT);
  echoHead(ln, desc, name);
  ln.E(v, 12, 5).end();
}
void echoG(State& s, std::string_view desc, std::string_view name, double v) {
  Line ln(s.units, s.IOUT);
  echoHead(ln, desc, name);
  ln.G(v, 12, 5).end();
}

void emptyLines(State& s, int n) {
  for (int i = 0; i < n; ++i) Line(s.units, s.IOUT).end();
}

// A text placed to start at 1-based column `col` of a heading.
void at(Line& ln, int& cur, int col, std::string_view text) {
  if (col > cur + 1) ln.X(col - cur - 1);
  ln.A(text);
  cur = std::max(cur + 1, col) + static_cast<int>(text.size()) - 1;
}

int tableRows(int nrows, int oneRow, const char* what, int region) {
  if (nrows < 0 || nrows > MXROW) {
    char msg[120];
    std::snprintf(msg, sizeof msg, "%s of region %d has %d rows: at most %d are held", what, region,
                  nrows, MXROW);
    throw RunError(msg);
  }
  return oneRow == 1 ? std::min(nrows, 1) : nrows;
}

void checkRegions(int n, const char* what) {
  if (n < 0 || n > MXRGN) {
    char msg[100];
    std::snprintf(msg, sizeof msg, "%s = %d: at most %d regions are held", what, n, MXRGN);
    throw RunError(msg);
  }
}

void rowValues(State& s, const double* v, int nv) {
  Line ln(s.units, s.IOUT);
  for (int i = 0; i < nv; ++i) ln.X(1).F(v[i], 12, 5);
  ln.end();
}

// Map title with the leading blank of the quoted title: underline as long
// as the title after that blank.
void mapTitle(State& s, int nempty, std::string_view title) {
  std::string_view t = title;
  if (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  MAPTTL(s, nempty, t, static_cast<int>(t.size()));
}

void ratioNote(State& s) {
  Line(s.units, s.IOUT).A("  RATIO: 0.0, NO CHANGE; -VE, DECREASE; +VE, INCREASE").end();
}

void echoRunData(State& s) {
  // 3. Restart and time.
  echoI(s, "INDICATOR FOR RESTART-UP  (0- INITIAL, 1- RESTART).", "IRSTRT", s.IRSTRT);
  echoF(s, "TOTAL SIMULATION TIME .............................", "TMTOTAL", s.TMTOTAL, 12, 5);
  echoF(s, "THE SIMULATION WILL BE HALTED AFTER TIME ..........", "TMSTOP", s.TMSTOP, 12, 5);
  // 4. Output frequencies.
  echoI(s, "PRINT OUT INITIAL CONDITIONS (0- NO, 1- YES) ......", "INOUTP", s.INOUTP);
  echoI(s, "FREQUENCY OF THE M.B. & RES. PERFORMANCE SUMMARY ..", "NFRRES", s.NFRRES);
  echoI(s, "FREQUENCY OF THE INDIVIDUAL WELLS SUMMARY .........", "NFRWEL", s.NFRWEL);
  echoI(s, "FREQUENCY OF THE DESIRED AARAYS DETAILED OUTPUT ...", "NFRARY", s.NFRARY);
  echoI(s, "FREQUENCY OF WRITING A RESTART-UP FILE ............", "NWRITE", s.NWRITE);
  // 5. Print switches.
  static constexpr std::string_view kPart[12] = {
      "WATER SATURATION ARRAY ", " OIL  SATURATION ARRAY ", " GAS  SATURATION ARRAY ",
      "POL. SOL. SAT. ARRAY   ", "AQUEOUS SAT. ARRAY     ", "SOLUTION GOR ARRAY     ",
      "BUBBLE PT. PRES. ARRAY ", " RES. PRESSURE ARRAY   ", "POLYMER CONC. ARRAY    ",
      " POLYMER ADSORP. ARRAY ", " MAX. POL. ADS.  ARRAY ", "WELL CONDITION ARRAY   "};
  static constexpr std::string_view kName[12] = {"PRNTSW", "PRNTSO", "PRNTSG",  "PRNTSP",
                                                 "PRNTSA", "PRNTRS", "PRNTPB",  "PRNTP",
                                                 "PRNTCP", "PRNTADS", "PRNTADMX", "PRNTWC"};
  for (int i = 0; i < 12; ++i) {
    char desc[64];
    const int n = std::snprintf(desc, sizeof desc, "PRINT OUT %.*s(0- NO, 1- YES) ..",
                                static_cast<int>(kPart[i].size()), kPart[i].data());
    echoI(s, std::string_view(desc, static_cast<std::size_t>(n)), kName[i], s.IPRNT(i + 1));
  }
  // 6. Units and interpolation.
  echoI(s, "THE UNITS OF INPUT  (1- FIELD, 2- SI, 3- LAB) .....", "MUNITI", s.MUNITIN);
  echoI(s, "THE UNITS OF OUTPUT (1- FIELD, 2- SI, 3- LAB) .....", "MUNITO", s.MUNTOUT);
  echoI(s, "INTERPOLATION OPTION (0- SEARCH, 1 & 2- EQUISPACED.", "IQUAD", s.IQUAD);
  // 7. Grid.
  if (s.IRADIAL == 0) {
    echoI(s, "NUMBER OF BLOCKS IN X-DIRECTION ...................", "NX", s.NX);
    echoI(s, "NUMBER OF BLOCKS IN Y-DIRECTION ...................", "NY", s.NY);
    echoI(s, "NUMBER OF BLOCKS IN Z-DIRECTION ...................", "NZ", s.NZ);
  } else {
    echoI(s, "NUMBER OF BLOCKS IN R-DIRECTION ...................", "NR", s.NX);
    echoI(s, "NUMBER OF BLOCKS IN Z-DIRECTION ...................", "NZ", s.NZ);
    echoF(s, "WELL RADIUS .......................................", "RADW", s.RADW, 10, 4);
    echoF(s, "RESERVOIR EXTERNAL RADIUS .........................", "RADE", s.RADE, 10, 4);
  }
  // 8. Solution method and the order of equations and unknowns.
  echoI(s, "SOLUTION METHOD (1- NAT., 2- BI, 3- NEST, 4- D4) ..", "METHOD", s.METHOD);
  echoI(s, "XYZ ORD(1-AUTO,2-XYZ,3-XZY,4-YXZ,5-YZX,6-ZXY,7-ZYX)", "NXYZORD", s.NXYZORD);
  echoI(s, "THE ORDER OF THE WATER EQUATION IN SYSTEM .........", "IQW", s.IQW);
  echoI(s, "THE ORDER OF THE  OIL  EQUATION IN SYSTEM .........", "IQO", s.IQO);
  echoI(s, "THE ORDER OF THE  GAS  EQUATION IN SYSTEM .........", "IQG", s.IQG);
  echoI(s, "THE ORDER OF THE POLYMER EQUATION IN SYSTEM .......", "IQP", s.IQP);
  echoI(s, "THE ORDER OF THE WATER SATURATION UNKNOWN .........", "ISW", s.ISW);
  echoI(s, "THE ORDER OF THE OIL SATURATION UNKNOWN ...........", "ISO", s.ISO);
  echoI(s, "THE ORDER OF THE PRESSURE UNKNOWN .................", "IPO", s.IPO);
  echoI(s, "THE ORDER OF THE POLYMER SATURATION UNKNOWN .......", "ISP", s.ISP);
  // 9. Rock: the rock density as the deck gave it.
  echoF(s, "DENSITY OF ROCK FORMATION .........................", "DENR", s.DENR / s.C1, 12, 5);
  echoE(s, "ROCK  COMPRESSIBILITY .............................", "CPHI", s.CPHI);
  echoF(s, "REFERENCE PRESSURE FOR POROSITY ...................", "PREF", s.PREF, 12, 5);
  echoE(s, "POLYMER MIXING PARAMETER ..........................", "OMEGAMIX", s.OMEGAMIX);
  // 10. Position and inclination of a Cartesian grid.
  if (s.IRADIAL == 0) {
    echoE(s, "DEPTH OF CORNER OF RESERVOIR  BLOCK(1,1,1) ........", "DEPTH", s.DEPTH1);
    echoF(s, "SINE OF ANGLE OF INCLINATION IN X-DIRECTION .......", "SINX", s.SINX, 12, 5);
    echoF(s, "SINE OF ANGLE OF INCLINATION IN Y-DIRECTION .......", "SINY", s.SINY, 12, 5);
  }
  // 11. The aquifer (internal type 1 means none; the echo shows the deck's code).
  if (s.IDAQFR != 1) {
    echoI(s, "TYPE OF AQUIFER (0-NO, 1-POT, 2-S.S. INF., 3-UNS.S)", "IDAQFR", s.IDAQFR - 1, 3);
    echoF(s, "AQUIFER POROSITY-THICKNESS ........................", "AQFH", s.AQFH, 12, 5);
    echoF(s, "AQUIFER PERMEABILITY-THICKNESS ....................", "AQKH", s.AQKH, 12, 5);
    echoE(s, "RESERVOIR EXTERNAL RADIUS AT WOC ..................", "AQRW", s.AQRW);
    echoE(s, "AQUIFER EXTERNAL RADIUS ...........................", "AQRE", s.AQRE);
    echoF(s, "AQUIFER INFLUENCE ANGLE IN DEGREES.................", "AQANGL", s.ANGLE, 12, 5);
    echoE(s, "AQUIFER EFFECTIVE COMPRESSIBILITY .................", "AQCWE", s.AQCWE);
    echoE(s, "AQUIFER WATER VISCOSITY ...........................", "AQMUW", s.AQMUW);
  }
  // 12. Fluids in place.
  echoG(s, "THE INITIAL OIL IN PLACE ..........................", "INOIL", s.INOIL);
  echoG(s, "RECOVERABLE OIL IN PLACE ..........................", "RECOIL", s.RECOIL);
  echoG(s, "THE INITIAL WATER IN PLACE ........................", "INWATER", s.INWATER);
  echoG(s, "THE INITIAL GAS IN PLACE ..........................", "INGAS", s.INGAS);
  echoG(s, "THE INITIAL POLYMER IN PLACE ......................", "INPOLY", s.INPOLY);
}

void echoStepControl(State& s) {
  emptyLines(s, 3);
  Line ln(s.units, s.IOUT);
  ln.A(" AUTO TIME-STEP CONTROL & CONVERGENCE PARAMETERS").slash();
  ln.X(1).rep('_', 35).slash().slash();
  ln.X(7).A("DTMAX").X(6).A("DTMIN").X(3).A("RERORP").X(3).A("DELPO").X(5).A("DELRS").X(5)
      .A("DELSAT").X(3).A("MATBAK").slash().slash();
  ln.X(4);
  ln.X(2).F(s.DTMAX, 7, 2).X(2).F(s.DTMIN, 7, 2).X(2).F(s.RERORP, 7, 2);
  ln.X(3).F(s.DELPO, 7, 2).X(3).F(s.DELRS, 7, 2);
  ln.X(2).F(s.DELSAT, 7, 2).X(4).I(s.MATBAK, 3).end();
}

void rockHeading(State& s, const std::string_view (&h)[5]) {
  Line ln(s.units, s.IOUT);
  int cur = 0;
  static constexpr int kCol[5] = {9, 22, 35, 47, 60};
  for (int i = 0; i < 5; ++i) at(ln, cur, kCol[i], h[i]);
  ln.end();
}

void echoRockTables(State& s) {
  checkRegions(s.NKRRGN, "NKRRGN");
  static constexpr std::string_view kWo[5] = {"SWT", "KRW", "KROW", "PCOW", "PCOWI"};
  static constexpr std::string_view kGl[5] = {"SLT", "KRG", "KROG", "PCGO", "PCGOI"};
  for (int r = 1; r <= s.NKRRGN; ++r) {
    emptyLines(s, 3);
    Line(s.units, s.IOUT).A(" RELATIVE PERMEABILITIES FOR RESERVOIR REGION NO.").I(r, 3).end();
    Line(s.units, s.IOUT).X(1).rep('_', 51).end();
    emptyLines(s, 1);
    rockHeading(s, kWo);
    const int nwo = tableRows(s.NRWO(r), s.ONEWO(r), "the water-oil table", r);
    for (int i = 1; i <= nwo; ++i) {
      const double v[5] = {s.SWT(i, r), s.KRW(i, r), s.KROW(i, r), s.PCOW(i, r), s.PCOWI(i, r)};
      rowValues(s, v, 5);
    }
    emptyLines(s, 2);
    rockHeading(s, kGl);
    const int ngo = tableRows(s.NRGO(r), s.ONEGO(r), "the gas-liquid table", r);
    for (int i = 1; i <= ngo; ++i) {
      const double v[5] = {s.SLT(i, r), s.KRG(i, r), s.KROG(i, r), s.PCGO(i, r), s.PCGOI(i, r)};
      rowValues(s, v, 5);
    }
  }
}

void echoPvtTables(State& s) {
  checkRegions(s.NPVTRGN, "NPVTRGN");
  for (int p = 1; p <= s.NPVTRGN; ++p) {
    emptyLines(s, 3);
    Line(s.units, s.IOUT).A(" FLUID PROPERTIES FOR FLUID REGION NO.").I(p, 3).end();
    Line(s.units, s.IOUT).X(1).rep('_', 40).end();
    emptyLines(s, 1);
    {
      Line ln(s.units, s.IOUT);
      int cur = 0;
      static constexpr int kCol[8] = {6, 20, 34, 47, 60, 73, 86, 99};
      static constexpr std::string_view kHead[8] = {"PRES ", "RS ", " BW ", " BO ",
                                                    " BG ",  " MUW", " MUO", " MUG"};
      for (int i = 0; i < 8; ++i) at(ln, cur, kCol[i], kHead[i]);
      ln.end();
    }
    const int n = tableRows(s.NRPVT(p), s.ONEPVT(p), "the PVT table", p);
    for (int i = 1; i <= n; ++i) {
      const double v[8] = {s.PRES(i, p), s.RST(i, p), s.BW(i, p),  s.BO(i, p),
                           s.BG(i, p),   s.MUW(i, p), s.MUO(i, p), s.MUG(i, p)};
      rowValues(s, v, 8);
    }
    emptyLines(s, 2);
    Line ln(s.units, s.IOUT);
    ln.X(5).A("GAMAW").X(7).A("GAMAG").X(10).A("OIL API").X(8).A("CO").X(10).A("CMUO").slash().slash();
    ln.X(4).F(s.GAMAW(p), 6, 3).X(5).F(s.GAMAG(p), 7, 3).X(10).F(s.OILAPI(p), 6, 2);
    ln.X(2).E(s.CO(p), 13, 5).X(1).E(s.CMUO(p), 13, 5).end();
  }
}

void echoPolymerTables(State& s) {
  emptyLines(s, 2);
  {
    Line ln(s.units, s.IOUT);
    int cur = 0;
    at(ln, cur, 6, " CPPPM  ");
    at(ln, cur, 18, "    MUP  ");
    ln.end();
  }
  // The concentration column holds natural logarithms from start-up on.
  const int np = tableRows(s.NRPOL, s.ONEPOL, "the polymer viscosity table", 1);
  for (int i = 1; i <= np; ++i) {
    const double v[2] = {std::exp(s.CPPPM(i)), s.MUP(i)};
    rowValues(s, v, 2);
  }
  emptyLines(s, 2);
  {
    Line ln(s.units, s.IOUT);
    int cur = 0;
    at(ln, cur, 8, " CRP  ");
    at(ln, cur, 22, "RF");
    at(ln, cur, 35, "RRF");
    ln.end();
  }
  const int nr = tableRows(s.NRRET, s.ONERET, "the polymer retention table", 1);
  for (int i = 1; i <= nr; ++i) {
    const double v[3] = {s.CRPT(i), s.RF(i), s.RRF(i)};
    rowValues(s, v, 3);
  }
}

void regionNote(State& s) {
  Line ln(s.units, s.IOUT);
  ln.X(2).A("NOTE: 0 (INACTIVE BLOCK); 1,2,3,... ").A("(ACTIVE BLOCK BELONGS TO REGION 1,2,3,...)");
  ln.slash().end();
}

void printBlockMaps(State& s) {
  mapTitle(s, 3, " ACTIVE BLOCK ORDER ARRAY");
  IORPRT(s, s.IAORD.data());
  mapTitle(s, 2, " ROCK   REGION    ARRAY");
  regionNote(s);
  IRYPRT(s, s.NKRGN.data());
  mapTitle(s, 2, " FLUID PVT REGION ARRAY");
  regionNote(s);
  IRYPRT(s, s.NPVTGN.data());
  if (s.IDAQFR != 1) {
    mapTitle(s, 2, " AQUIFER INFLUX BLOCK ARRAY");
    {
      Line ln(s.units, s.IOUT);
      ln.X(2).A("NOTE: 0 (BLOCK WITH NO INFLUX); 1,2,4,5,6 ")
          .A("(BLOCK WITH INFLUX - IFLUX SIDE IDENTIFICATION INDEX)");
      ln.slash().end();
    }
    IRYPRT(s, s.INFBLK.data());
    mapTitle(s, 2, " INFLUX BLOCK WEIGHT ARRAY");
    {
      Line ln(s.units, s.IOUT);
      ln.X(2).A("NOTE: THE WEIGHTS REFLECT AQUIFER HETEROGENEITY").A(" ARROUND RESERVOIR PERIPHERY");
      ln.slash().end();
    }
    SATPRT(s, s.BBLKWT.data());
    mapTitle(s, 2, " AQUIFER INFLUENCE COEFFICIENT ARRAY");
    ARYPRT(s, s.AQCOEF.data(), 1.0);
  }
  const bool cart = s.IRADIAL == 0;
  if (cart) {
    mapTitle(s, 3, " DELTA X ARRAY");
    ARIPRT(s, s.DX.data(), 1.0);
    mapTitle(s, 3, " DELTA Y ARRAY");
    ARIPRT(s, s.DY.data(), 1.0);
  } else {
    mapTitle(s, 3, " RADIUS  ARRAY");
    ARIPRT(s, s.DX.data(), 1.0);
  }
  mapTitle(s, 3, " GROSS THICKNESS ARRAY");
  ARIPRT(s, s.DZ.data(), 1.0);
  mapTitle(s, 3, " ELEVATION OF TOP OF LAYER");
  ARYPRT(s, s.DEPTH.data(), 1.0);
  mapTitle(s, 3, " INITIAL POROSITY ARRAY");
  SATPRT(s, s.PHI.data());
  if (cart) {
    mapTitle(s, 3, " X-DIRECTION PERMEABILITY ARRAY");
    ARYPRT(s, s.KX.data(), 1.0);
    mapTitle(s, 3, " Y-DIRECTION PERMEABILITY ARRAY");
    ARYPRT(s, s.KY.data(), 1.0);
  } else {
    mapTitle(s, 3, " R-DIRECTION PERMEABILITY ARRAY");
    ARYPRT(s, s.KX.data(), 1.0);
  }
  mapTitle(s, 3, " Z-DIRECTION PERMEABILITY ARRAY");
  ARYPRT(s, s.KZ.data(), 1.0);
  mapTitle(s, 3, " BLOCK VOLUME MODIFICATION ARRAY");
  ratioNote(s);
  SATPRT(s, s.RBVOL.data());
  mapTitle(s, 3, " POROSITY MODIFICATION ARRAY");
  ratioNote(s);
  SATPRT(s, s.RPORO.data());
  mapTitle(s, 3, " NET THICKNESS TO GROSS THICKNESS RATIO ARRAY");
  SATPRT(s, s.RNTG.data());
  if (cart) {
    mapTitle(s, 3, " MODIFIERS OF GEOMETRIC FACTOR IN X-Direction");
    ratioNote(s);
    SATPRT(s, s.RGFX.data());
    mapTitle(s, 3, " MODIFIERS OF GEOMETRIC FACTOR IN Y-Direction");
    ratioNote(s);
    SATPRT(s, s.RGFY.data());
  } else {
    mapTitle(s, 3, " MODIFIERS OF GEOMETRIC FACTOR IN R-Direction");
    ratioNote(s);
    SATPRT(s, s.RGFX.data());
  }
  mapTitle(s, 3, " MODIFIERS OF GEOMETRIC FACTOR IN Z-Direction");
  ratioNote(s);
  SATPRT(s, s.RGFZ.data());
  mapTitle(s, 3, " Final Elevation of Point Representing Block");
  ARYPRT(s, s.ZC.data(), 1.0);
  mapTitle(s, 3, " Final Block Net Thickness");
  ARIPRT(s, s.DZNET.data(), 1.0);
  mapTitle(s, 3, " Final Block Bulk Volume");
  ARYPRT(s, s.VB.data(), s.C1);
  // GF(s, n): the forward connections of slots 5 (x or r), 6 (y), 7 (z).
  if (cart) {
    mapTitle(s, 3, " Final Geometric Factors in X-Direction");
    ARYPRT(s, &s.GF(5, 1), 1.0, MXSLOT);
    mapTitle(s, 3, " Final Geometric Factors in Y-Direction");
    ARYPRT(s, &s.GF(6, 1), 1.0, MXSLOT);
  } else {
    mapTitle(s, 3, " Final Geometric Factors in R-Direction");
    ARYPRT(s, &s.GF(5, 1), 1.0, MXSLOT);
  }
  mapTitle(s, 3, " Final Geometric Factors in Z-Direction");
  ARYPRT(s, &s.GF(7, 1), 1.0, MXSLOT);
}

void printInitialConditions(State& s) {
  emptyLines(s, 3);
  Line(s.units, s.IOUT).A(" INITIAL CONDITIONS").end();
  Line(s.units, s.IOUT).X(1).rep('=', 18).end();
  emptyLines(s, 1);
  if (s.IPRINT == 1) {
    Line ln(s.units, s.IOUT);
    ln.X(4).A("L").X(4).A("I").X(4).A("J").X(4).A("K").X(4).A("PRES ").X(7).A("SO").X(8).A("SW")
        .X(8).A("SG").X(8).A("SP").X(5).A(" PBUBL ").X(5).A("GOR").end();
    for (int n = 1; n <= s.NGPACT; ++n) {
      const int L = gridBlock(s, n);
      Line r(s.units, s.IOUT);
      r.X(1);
      r.I(L, 4).X(1).I(s.ICOORD(1, L), 4).X(1).I(s.ICOORD(2, L), 4).X(1).I(s.ICOORD(3, L), 4).X(1);
      r.F(s.PN(n), 9, 2).X(1);
      r.F(s.SON(n), 9, 5).X(1).F(s.SWN(n), 9, 5).X(1).F(s.SGN(n), 9, 5).X(1).F(s.SPN(n), 9, 5).X(1);
      r.F(s.PBUBL(n), 9, 2).X(1).F(s.RSN(n), 9, 2).end();
    }
    return;
  }
  if (s.IPRINT != 0 && s.IPRINT != 2) return;
  if (s.IPRNT(1) >= 1) {
    mapTitle(s, 3, " WATER SATURATION ARRAY");
    SATPRT(s, s.SWN.data());
  }
  if (s.IPRNT(2) >= 1) {
    mapTitle(s, 3, " OIL SATURATION ARRAY");
    SATPRT(s, s.SON.data());
  }
  if (s.IPRNT(3) >= 1) {
    mapTitle(s, 3, " GAS SATURATION ARRAY");
    SATPRT(s, s.SGN.data());
  }
  if (s.IPRNT(4) >= 1) {
    mapTitle(s, 3, " POLYMER SOL.  SAT.  ARRAY");
    SATPRT(s, s.SPN.data());
  }
  if (s.IPRNT(5) >= 1) {
    // In the input units that head this report, like every other map here.
    mapTitle(s, 3, " STOCK TANK OIL IN PLACE ARRAY");
    ARYPRT(s, s.STOIP.data(), 1.0);
  }
  if (s.IPRNT(9) >= 1) {
    mapTitle(s, 3, " POLYMER CONCENTRATION ARRAY");
    ARYPRT(s, s.CONCP.data(), 1.0);
  }
  if (s.IPRNT(10) >= 1) {
    const std::string_view ads = UNITXT(UTADS, s.MUNITIN, "MUNITIN");
    char title[120];
    const int n = std::snprintf(title, sizeof title, "POLYMER ADSORBED ARRAY %.*s",
                                static_cast<int>(ads.size()), ads.data());
    MAPTTL(s, 3, std::string_view(title, static_cast<std::size_t>(n)), n);
    ARYPRT(s, s.CRP.data(), 1.0);
  }
  if (s.IPRNT(6) >= 1) {
    mapTitle(s, 3, " SOLUTION GAS IN OIL ARRAY");
    ARYPRT(s, s.RSN.data(), 1.0);
  }
  if (s.IPRNT(7) >= 1) {
    // Switch 7 has always shown the tracer concentration under this title.
    mapTitle(s, 3, " BUBBLE POINT PRESSURE ARRAY");
    ARYPRT(s, s.CONCT.data(), 1.0);
  }
  if (s.IPRNT(8) >= 1) {
    mapTitle(s, 3, " RESERVOIR PRESSURE ARRAY");
    ARYPRT(s, s.PN.data(), 1.0);
  }
}

}  // namespace

std::string_view UNITXT(int kind, int system, const char* name) {
  if (system < 1 || system > 3) {
    char msg[160];
    std::snprintf(msg, sizeof msg,
                  "%s = %d: the listing has unit texts for 1 (field), 2 (SI) and 3 (laboratory) only",
                  name, system);
    throw RunError(msg);
  }
  if (kind < 1 || kind > 7) throw RunError("unknown kind of unit-description text");
  return kUnitText[kind - 1][system - 1];
}

void COLGRP(State& s) {
  checkGrid(s);
  groups(s.NX, s.NGX, s.KGX);
  groups(s.NY, s.NGY, s.KGY);
  groups(s.NZ, s.NGZ, s.KGZ);
  groups(9, s.NGS, s.KGS);
  s.NXGRP = s.NX;
  s.NYGRP = s.NY;
  s.NZGRP = s.NZ;
}

void RPTSET(State& s) {
  COLGRP(s);
  s.IPWRK.fill(0);
  s.RPWRK.fill(0.0);
  s.GPWRK.fill(RPAD);
}

void IRYPRT(State& s, const int* a) { intMap(s, a, PK::IRY); }
void IORPRT(State& s, const int* a) { intMap(s, a, PK::IOR); }

void ARIPRT(State& s, const double* a, double f) {
  checkGrid(s);
  ensureGroups(s);
  const int ncell = s.NX * s.NY * s.NZ;
  for (int L = 1; L <= ncell; ++L) s.RPWRK(L) = f * a[L - 1];
  printMap(s, PK::ARI);
}

void ARYPRT(State& s, const double* a, double f, int stride) { realMap(s, a, f, stride, PK::ARY); }
void SATPRT(State& s, const double* a, int stride) { realMap(s, a, 1.0, stride, PK::SAT); }

void MAPTTL(State& s, int nempty, std::string_view title, int nunder) {
  emptyLines(s, nempty);
  Line ln(s.units, s.IOUT);
  ln.X(1).A(title).slash();
  ln.X(1).rep('_', nunder).slash();
  ln.end();
}

void UNITLN(State& s, int kind, int system, const char* name) {
  const std::string_view t = UNITXT(kind, system, name);
  Line ln(s.units, s.IOUT);
  ln.X(1).A(t);
  if (t.size() < 80) ln.rep(' ', 80 - static_cast<int>(t.size()));
  ln.end();
}

void PRINT1(State& s) {
  checkGrid(s);
  ensureGroups(s);
  // 1. Units of the input data.
  Line(s.units, s.IOUT).A("1").end();
  emptyLines(s, 1);
  for (int kind : {UTIN, UTBASE, UTVOL, UTRATE, UTRATIO}) UNITLN(s, kind, s.MUNITIN, "MUNITIN");
  emptyLines(s, 1);
  // 2. Heading.
  emptyLines(s, 4);
  Line(s.units, s.IOUT).A("  INITIAL RESERVOIR DATA").end();
  Line(s.units, s.IOUT).X(2).rep('=', 22).end();
  emptyLines(s, 1);
  // 3 to 12. The run data.
  echoRunData(s);
  // 13. Time-step control.
  echoStepControl(s);
  // 14 to 16. Tables.
  echoRockTables(s);
  echoPvtTables(s);
  echoPolymerTables(s);
  // 17. Block maps.
  printBlockMaps(s);
  // 18. Initial conditions.
  printInitialConditions(s);
}

}  // namespace talvek
