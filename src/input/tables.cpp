// Groups 38 to 44: the rock, fluid and polymer tables.
//
// Every table is read row by row until its end row (a row whose end sum is
// zero); the rows are checked against the previous row while the debugging
// facility is on, and stored column by column. Afterwards a one-row table is
// padded to two rows (interpolation needs an interval), the end points of
// the saturation tables and the stock-tank gravity terms are derived, and the
// tables of a phase whose equation is off are set to harmless constants.
#include "input/tables.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "input/debug.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "state/state.h"

namespace talvek {

namespace {

constexpr int kMaxCol = 8;
constexpr int kRock = 38, kGasLiq = 39, kPvt = 40, kStd = 41, kRockData = 42, kPolVis = 43,
              kRetention = 44;

// How a value must follow the value of the previous row.
enum class Order { Any, Increasing, NonDecreasing, NonIncreasing, Decreasing };

struct ColumnRule {
  const char* item;  // the deck item (named in read errors)
  double start;      // the "previous row" value before the first row
  bool absInEnd;     // enters the end test with its absolute value
  bool hasLow;
  double low;
  bool hasHigh;
  double high;
  Order order;
};

enum class RegionKind { None, Rock, Pvt };

struct TableRule {
  int group;
  const char* what;  // the table's name in stop messages
  RegionKind kind;
  int ncol;
  ColumnRule col[kMaxCol];
};

constexpr double kBig = 100000.0;

constexpr TableRule kWaterOil{kRock, "water-oil table", RegionKind::Rock, 5,
                              {{"SWT", -1.0E-6, false, true, 0.0, true, 1.0, Order::Increasing},
                               {"KRW", 0.0, false, true, 0.0, true, 1.0, Order::NonDecreasing},
                               {"KROW", 1.0001, false, true, 0.0, true, 1.0, Order::NonIncreasing},
                               {"PCOW", kBig, true, false, 0.0, false, 0.0, Order::NonIncreasing},
                               {"PCOWI", kBig, true, false, 0.0, false, 0.0, Order::NonIncreasing}}};

constexpr TableRule kGasLiquid{kGasLiq, "gas-liquid table", RegionKind::Rock, 5,
                               {{"SLT", -1.0E-6, false, true, 0.0, true, 1.0, Order::Increasing},
                                {"KRG", 1.0001, false, true, 0.0, true, 1.0, Order::NonIncreasing},
                                {"KROG", 0.0, false, true, 0.0, true, 1.0, Order::NonDecreasing},
                                {"PCGO", kBig, true, false, 0.0, false, 0.0, Order::NonIncreasing},
                                {"PCGOI", kBig, true, false, 0.0, false, 0.0, Order::NonIncreasing}}};

constexpr TableRule kPvtTable{kPvt, "PVT table", RegionKind::Pvt, 8,
                              {{"PRES", 0.0, false, false, 0.0, false, 0.0, Order::Increasing},
                               {"RS", 0.0, false, false, 0.0, false, 0.0, Order::Increasing},
                               {"BW", 1.2, false, false, 0.0, false, 0.0, Order::NonIncreasing},
                               {"BO", 1.0, false, false, 0.0, false, 0.0, Order::Increasing},
                               {"BG", 1.0, false, false, 0.0, false, 0.0, Order::NonIncreasing},
                               {"MUW", 0.05, false, false, 0.0, false, 0.0, Order::NonDecreasing},
                               {"MUO", 10000.0, false, false, 0.0, false, 0.0, Order::Decreasing},
                               {"MUG", 1.0E-4, false, false, 0.0, false, 0.0, Order::Increasing}}};

constexpr TableRule kPolymerViscosity{kPolVis, "polymer viscosity table", RegionKind::None, 2,
                                      {{"CONCP", -1.0E-6, false, true, 0.0, false, 0.0, Order::Increasing},
                                       {"MUP", 0.0, false, true, 0.0, false, 0.0, Order::NonDecreasing}}};

constexpr TableRule kPolymerRetention{kRetention, "polymer retention table", RegionKind::None, 3,
                                      {{"CRP", -1.0E-6, false, true, 0.0, true, 0.01, Order::Increasing},
                                       {"RF", 1.0, false, true, 1.0, false, 0.0, Order::NonDecreasing},
                                       {"RRF", 1.0, false, true, 1.0, false, 0.0, Order::NonDecreasing}}};

bool outOfRange(const ColumnRule& c, double v, double prev) {
  if (c.hasLow && v < c.low) return true;
  if (c.hasHigh && v > c.high) return true;
  switch (c.order) {
    case Order::Any:
      return false;
    case Order::Increasing:
      return v <= prev;
    case Order::NonDecreasing:
      return v < prev;
    case Order::NonIncreasing:
      return v > prev;
    case Order::Decreasing:
      return v >= prev;
  }
  return false;
}

// What a value out of range breaks, for its warning (rangeText or
// ruleText): the bounds of the column first, then its order against the row
// before (or, on the first row, against the column's start value).
std::string breach(const ColumnRule& c, double v, double prev, int iline) {
  const bool low = c.hasLow && v < c.low, high = c.hasHigh && v > c.high;
  if ((low || high) && c.hasLow && c.hasHigh) return rangeText(c.low, c.high);
  if (low) return ruleText("below " + warnNum(c.low));
  if (high) return ruleText("above " + warnNum(c.high));
  const char* how = "";
  switch (c.order) {
    case Order::Any:
      break;
    case Order::Increasing:
      how = "not above";
      break;
    case Order::NonDecreasing:
      how = "below";
      break;
    case Order::NonIncreasing:
      how = "above";
      break;
    case Order::Decreasing:
      how = "not below";
      break;
  }
  if (iline == 1) return ruleText(std::string(how) + " " + warnNum(prev));
  return ruleText(std::string(how) + " the " + c.item + " of the row before (" + warnNum(prev) + ")");
}

std::string labelOf(const State& s, int group) {
  return std::string(s.GRPLAB(group).c.data(), 8);
}

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.6g", v);
  return b;
}

// A formation volume factor or a viscosity divides a phase's volume or its
// mobility: zero would give infinities, a negative value a negative
// mobility. Only the phases in the system are tested; the tables of a phase
// whose equation is off are replaced by constants after reading.
void checkPvtRow(const State& s, DeckReader& deck, int p, int row, const double* v) {
  const bool aqueous = s.KEQW > 0 || s.KEQP > 0;
  const struct {
    int col;
    bool on;
    const char* what;
  } cols[] = {{2, aqueous, "water formation volume factor"}, {3, s.KEQO > 0, "oil formation volume factor"},
              {4, s.KEQG > 0, "gas formation volume factor"},  {5, aqueous, "water viscosity"},
              {6, s.KEQO > 0, "oil viscosity"},                {7, s.KEQG > 0, "gas viscosity"}};
  for (const auto& c : cols) {
    if (!c.on || v[c.col] > 0.0) continue;
    const char* item = kPvtTable.col[c.col].item;
    deck.fail(labelOf(s, kPvt), item,
              std::string(item) + " = " + num(v[c.col]) + " in row " + std::to_string(row) +
                  " of the PVT table of PVT region " + std::to_string(p) + ": the " + c.what +
                  " must be above 0");
  }
}

// With the polymer equation on, the polymer-solution viscosity divides the
// polymer mobility and the resistance factors scale the aqueous
// viscosities: none of them may be zero or negative.
void checkPolymerValue(const State& s, DeckReader& deck, int group, const char* item, double v, int row,
                       const char* table, const char* what) {
  if (s.KEQP <= 0 || v > 0.0) return;
  deck.fail(labelOf(s, group), item,
            std::string(item) + " = " + num(v) + " in row " + std::to_string(row) + " of the " + table + ": the " +
                what + " must be above 0 when the polymer equation is on");
}

void readHeaders(State& s, DeckReader& deck, int group, int n) {
  const std::string label = labelOf(s, group);
  for (int i = 0; i < n; ++i) {
    const std::string h = deck.header(label);
    if (i == 0) checkHeaderLabel(s, deck, group, h);
    s.CARD.set(h);
  }
}

// Reads the rows of one table up to its end row. Each row that is not the
// end row is checked (facility on) and handed to store(row, values).
// Returns the number of rows stored.
template <class Store>
int readTable(State& s, DeckReader& deck, const TableRule& t, int ireg, Store&& store) {
  const std::string label = labelOf(s, t.group);
  dbgBlank(s);
  s.IGROUP = t.group;
  s.IREG = ireg;
  double prev[kMaxCol];
  double v[kMaxCol];
  for (int c = 0; c < t.ncol; ++c) prev[c] = t.col[c].start;
  int count = 0;
  for (int iline = 1;; ++iline) {
    s.ILINE = iline;
    for (int c = 0; c < t.ncol; ++c) v[c] = 0.0;
    ListRead r(deck, label);
    for (int c = 0; c < t.ncol; ++c) r.item(v[c], t.col[c].item);
    r.end();

    double sum = 0.0;
    for (int c = 0; c < t.ncol; ++c) sum += t.col[c].absInEnd ? std::fabs(v[c]) : v[c];
    if (std::fabs(sum) <= 1.0E-11) break;

    if (iline > MXROW) {
      std::string where = t.kind == RegionKind::Rock  ? " of rock region " + std::to_string(ireg)
                          : t.kind == RegionKind::Pvt ? " of PVT region " + std::to_string(ireg)
                                                      : std::string();
      deck.fail(label, t.col[0].item,
                "the " + std::string(t.what) + where + " has more than " + std::to_string(MXROW) +
                    " rows (no end row after row " + std::to_string(MXROW) + ")");
    }

    for (int c = 0; c < t.ncol; ++c) {
      if (outOfRange(t.col[c], v[c], prev[c])) {
        warnLine(s, deck, t.group, c + 1, iline, v[c], breach(t.col[c], v[c], prev[c], iline));
      }
    }
    if (s.IPRTDAT == 1) {
      switch (t.kind) {
        case RegionKind::Rock:
          dbgRockRow(s, t.group, ireg, iline);
          break;
        case RegionKind::Pvt:
          dbgPvtRow(s, t.group, ireg, iline);
          break;
        case RegionKind::None:
          dbgTableRow(s, t.group, iline);
          break;
      }
    }
    ++count;
    store(iline, v);
    for (int c = 0; c < t.ncol; ++c) prev[c] = v[c];
  }
  dbgBlank(s);
  switch (t.kind) {
    case RegionKind::Rock:
      dbgGroupEndRock(s, t.group, ireg);
      break;
    case RegionKind::Pvt:
      dbgGroupEndPvt(s, t.group, ireg);
      break;
    case RegionKind::None:
      dbgGroupEnd(s, t.group);
      break;
  }
  return count;
}

using RegionTable = RA<MXROW, MXRGN>;

// Pads a region's one-row (or empty) table to two rows: row 2 repeats row 1,
// with the abscissa (and the columns given an increment) raised slightly so
// that the two rows span a non-empty interval.
void padRegion(int& nrow, int& flag, int r, std::initializer_list<std::pair<RegionTable*, double>> cols) {
  if (nrow >= 2) return;
  nrow = 2;
  flag = 1;
  for (const auto& [a, inc] : cols) (*a)(2, r) = (*a)(1, r) + inc;
}

void waterOilEndPoints(State& s, int r) {
  const int n = s.NRWO(r);
  // Critical water: the last row of the leading rows where water does not flow.
  int i = 1;
  while (i < n && s.KRW(i, r) <= 0.0 && s.KRW(i + 1, r) <= 0.0) ++i;
  s.SWCR(r) = s.SWT(i, r);
  s.KROCW(r) = s.KROW(i, r);
  // Residual oil: the first row of the trailing rows where oil does not flow.
  int j = n;
  while (j > 1 && s.KROW(j, r) <= 0.0 && s.KROW(j - 1, r) <= 0.0) --j;
  s.SORW(r) = s.KEQO > 0 ? 1.0 - s.SWT(j, r) : 0.0;
}

void gasLiquidEndPoints(State& s, int r) {
  const int n = s.NRGO(r);
  int j = n;
  while (j > 1 && s.KRG(j, r) <= 0.0 && s.KRG(j - 1, r) <= 0.0) --j;
  s.SGCR(r) = s.KEQG > 0 ? 1.0 - s.SLT(j, r) : 0.0;
  int i = 1;
  while (i < n && s.KROG(i, r) <= 0.0 && s.KROG(i + 1, r) <= 0.0) ++i;
  const double sorg = s.SLT(i, r) - s.SWCR(r);
  s.SORG(r) = sorg < 0.0 ? 0.0 : sorg;
}

// A table of one row (or none) gives the same relative permeabilities at
// every saturation: where it couples two solved phases, one of them can go
// on flowing out of a block that holds none of it, and the saturations run
// away. The run goes on as the deck asks; the deck is warned about.
void warnSingleRow(State& s, DeckReader& deck, int group, const char* item, const char* table, int r) {
  deckWarning(deck.fileName(), deck.lineNumber(), labelOf(s, group), item,
              std::string("the ") + table + " of rock region " + std::to_string(r) +
                  " has a single row: its relative permeabilities are the same at every saturation, so a phase "
                  "can go on flowing out of a block that holds none of it; give the table's rows up to its end "
                  "points");
}

void readRockRegion(State& s, DeckReader& deck, int r) {
  readHeaders(s, deck, kRock, 2);
  s.NRWO(r) = 0;
  s.ONEWO(r) = 0;
  s.NRWO(r) = readTable(s, deck, kWaterOil, r, [&](int i, const double* v) {
    s.SWT(i, r) = v[0];
    s.KRW(i, r) = v[1];
    s.KROW(i, r) = v[2];
    s.PCOW(i, r) = v[3];
    s.PCOWI(i, r) = v[4];
  });
  padRegion(s.NRWO(r), s.ONEWO(r), r,
            {{&s.SWT, 1.0E-6}, {&s.KRW, 0.0}, {&s.KROW, 0.0}, {&s.PCOW, 0.0}, {&s.PCOWI, 0.0}});
  const bool aqueous = s.KEQW >= 1 || s.KEQP >= 1;
  if (s.ONEWO(r) == 1 && s.KEQO >= 1 && aqueous) warnSingleRow(s, deck, kRock, "SWT", "water-oil table", r);
  waterOilEndPoints(s, r);

  readHeaders(s, deck, kGasLiq, 2);
  s.NRGO(r) = 0;
  s.ONEGO(r) = 0;
  s.NRGO(r) = readTable(s, deck, kGasLiquid, r, [&](int i, const double* v) {
    s.SLT(i, r) = v[0];
    s.KRG(i, r) = v[1];
    s.KROG(i, r) = v[2];
    s.PCGO(i, r) = v[3];
    s.PCGOI(i, r) = v[4];
  });
  padRegion(s.NRGO(r), s.ONEGO(r), r,
            {{&s.SLT, 1.0E-6}, {&s.KRG, 0.0}, {&s.KROG, 0.0}, {&s.PCGO, 0.0}, {&s.PCGOI, 0.0}});
  if (s.ONEGO(r) == 1 && s.KEQG >= 1 && (s.KEQO >= 1 || aqueous))
    warnSingleRow(s, deck, kGasLiq, "SLT", "gas-liquid table", r);
  gasLiquidEndPoints(s, r);
}

// Density factor of the input unit system: pounds per cubic foot into the
// system's density unit (lb/ft3, kg/m3, g/cm3).
double densityFactor(const State& s, DeckReader& deck) {
  switch (s.MUNITIN) {
    case 1:
      return 1.0;
    case 2:
      return 16.01846;
    case 3:
      return 0.01601846;
    default:
      deck.fail(labelOf(s, kStd), "MUNITIN",
                "MUNITIN = " + std::to_string(s.MUNITIN) +
                    " is not a unit system (1 field, 2 SI, 3 laboratory); the stock-tank densities cannot be set");
  }
}

void readPvtRegion(State& s, DeckReader& deck, int p) {
  readHeaders(s, deck, kPvt, 2);
  s.NRPVT(p) = 0;
  s.ONEPVT(p) = 0;
  s.NRPVT(p) = readTable(s, deck, kPvtTable, p, [&](int i, const double* v) {
    checkPvtRow(s, deck, p, i, v);
    s.LINPVT(p) = deck.lineNumber();
    s.PRES(i, p) = v[0];
    s.RST(i, p) = v[1];
    s.BW(i, p) = v[2];
    s.BO(i, p) = v[3];
    s.BG(i, p) = v[4];
    s.MUW(i, p) = v[5];
    s.MUO(i, p) = v[6];
    s.MUG(i, p) = v[7];
  });
  if (s.NRPVT(p) == 0) {
    deck.fail(labelOf(s, kPvt), "PRES",
              "the PVT table of PVT region " + std::to_string(p) +
                  " has no rows; the formation volume factors and viscosities need at least one row");
  }
  padRegion(s.NRPVT(p), s.ONEPVT(p), p,
            {{&s.PRES, 0.1}, {&s.RST, 0.1}, {&s.BW, 0.0}, {&s.BO, 0.0}, {&s.BG, 0.0}, {&s.MUW, 0.0},
             {&s.MUO, 0.0}, {&s.MUG, 0.0}});

  // Standard-condition data of the region.
  readHeaders(s, deck, kStd, 2);
  dbgBlank(s);
  {
    ListRead r(deck, labelOf(s, kStd));
    r.item(s.GAMAW(p), "GAMAW")
        .item(s.GAMAG(p), "GAMAG")
        .item(s.OILAPI(p), "OILAPI")
        .item(s.CO(p), "CO")
        .item(s.CMUO(p), "CMUO");
    r.end();
  }
  s.IGROUP = kStd;
  s.IREG = p;
  if (s.OILAPI(p) < 7.0 || s.OILAPI(p) > 70.0) warnFixed(s, deck, kStd, 3, s.OILAPI(p), rangeText(7.0, 70.0));
  dbgGroupEndPvt(s, kStd, p);

  if (s.IRSTRT == 0) {
    // Stock-tank gradients and water density. 62.42797373 lb/ft3 is the
    // density of water, 0.07632429173561076 lb/ft3 that of air; f turns them
    // into the input system's density unit and C3 turns a density into the
    // pressure gradient of a column of it (psi/ft, kPa/m, atm/cm). The gas
    // term is divided by C1 since field gas volumes are in cubic feet against
    // the barrels of the liquids. DENWS is the mass of stock-tank water per
    // stock-tank liquid volume (lb/bbl, kg/m3, g/cm3).
    if (s.OILAPI(p) <= -131.5) {
      deck.fail(labelOf(s, kStd), "OILAPI",
                "OILAPI = " + std::to_string(s.OILAPI(p)) + " of PVT region " + std::to_string(p) +
                    " gives no oil specific gravity (141.5 / (OILAPI + 131.5) needs OILAPI above -131.5)");
    }
    const double sgo = 141.5 / (s.OILAPI(p) + 131.5) + 1.0E-51;
    const double f = densityFactor(s, deck);
    s.GAMAW(p) += 1.0E-51;
    s.GAMAG(p) += 1.0E-51;
    constexpr double kWater = 62.42797373;
    constexpr double kAir = 0.07632429173561076;
    const double g0 = s.C3 * kWater;
    const double a0 = s.C3 * kAir;
    s.GRADO(p) = g0 * f * sgo;
    s.GRADW(p) = g0 * f * s.GAMAW(p);
    s.GRADG(p) = a0 * f * s.GAMAG(p) / s.C1;
    s.DENWS(p) = kWater * f * s.GAMAW(p) * s.C1;
  }
}

// The tables of a phase whose equation is off are set so that the phase
// neither flows nor changes volume, and its end points vanish.
void adjustAbsentPhases(State& s) {
  if (s.KEQO == 0) {
    for (int p = 1; p <= s.NPVTRGN; ++p) {
      for (int k = 1; k <= s.NRPVT(p); ++k) {
        s.RST(k, p) = k * 1.0E-10;
        s.BO(k, p) = 1.0;
        s.MUO(k, p) = 1.0;
      }
    }
    for (int r = 1; r <= s.NKRRGN; ++r) {
      s.SORW(r) = 0.0;
      for (int k = 1; k <= s.NRWO(r); ++k) {
        s.PCOW(k, r) = 0.0;
        s.KROW(k, r) = 0.0;
      }
      for (int k = 1; k <= s.NRGO(r); ++k) s.KROG(k, r) = 0.0;
    }
  }
  if (s.KEQG == 0) {
    for (int p = 1; p <= s.NPVTRGN; ++p) {
      for (int k = 1; k <= s.NRPVT(p); ++k) {
        s.BG(k, p) = 1.0;
        s.MUG(k, p) = 1.0;
      }
    }
    for (int r = 1; r <= s.NKRRGN; ++r) {
      for (int k = 1; k <= s.NRGO(r); ++k) s.KRG(k, r) = 0.0;
    }
  }
  if (s.KEQW == 0 && s.KEQP == 0) {
    for (int p = 1; p <= s.NPVTRGN; ++p) {
      for (int k = 1; k <= s.NRPVT(p); ++k) {
        s.BW(k, p) = 1.0;
        s.MUW(k, p) = 1.0;
      }
    }
    for (int r = 1; r <= s.NKRRGN; ++r) {
      for (int k = 1; k <= s.NRWO(r); ++k) {
        s.PCOW(k, r) = 0.0;
        s.KRW(k, r) = 0.0;
      }
    }
  }
  if (s.KEQO == 0 && s.KEQG == 0) {
    for (int r = 1; r <= s.NKRRGN; ++r) s.SWCR(r) = 0.0;
  }
}

// The region counts size the loops over the tables, and every active block's
// region number selects a table: both must address stored tables.
void checkRegions(const State& s, DeckReader& deck) {
  if (s.NKRRGN < 1 || s.NKRRGN > MXRGN) {
    deck.fail(labelOf(s, kRock), "NKRRGN",
              "NKRRGN = " + std::to_string(s.NKRRGN) + " (DATA 10B) is outside 1.." + std::to_string(MXRGN) +
                  ": the rock tables hold " + std::to_string(MXRGN) + " regions");
  }
  if (s.NPVTRGN < 1 || s.NPVTRGN > MXRGN) {
    deck.fail(labelOf(s, kRock), "NPVTRGN",
              "NPVTRGN = " + std::to_string(s.NPVTRGN) + " (DATA 10B) is outside 1.." + std::to_string(MXRGN) +
                  ": the PVT tables hold " + std::to_string(MXRGN) + " regions");
  }
  const int nact = s.NGPACT < 0 ? 0 : (s.NGPACT > MXBLK ? MXBLK : s.NGPACT);
  for (int n = 1; n <= nact; ++n) {
    if (s.NKRGN(n) < 1 || s.NKRGN(n) > s.NKRRGN) {
      deck.fail(labelOf(s, kRock), "NKRGN",
                "active block " + std::to_string(n) + " (grid block " + std::to_string(s.IBLK(n)) +
                    ") has rock region " + std::to_string(s.NKRGN(n)) + " (DATA 12A), outside 1..NKRRGN = " +
                    std::to_string(s.NKRRGN));
    }
    if (s.NPVTGN(n) < 1 || s.NPVTGN(n) > s.NPVTRGN) {
      deck.fail(labelOf(s, kRock), "NPVTGN",
                "active block " + std::to_string(n) + " (grid block " + std::to_string(s.IBLK(n)) +
                    ") has PVT region " + std::to_string(s.NPVTGN(n)) + " (DATA 13A), outside 1..NPVTRGN = " +
                    std::to_string(s.NPVTRGN));
    }
  }
}

}  // namespace

void READTB(State& s, DeckReader& deck) {
  checkRegions(s, deck);

  // Groups 38 and 39: per rock region the water-oil and gas-liquid tables.
  s.IGROUP = kRock;
  readHeaders(s, deck, kRock, 1);
  dbgBlank(s);
  for (int r = 1; r <= s.NKRRGN; ++r) readRockRegion(s, deck, r);

  // Groups 40 and 41: per PVT region the PVT table and its standard-condition line.
  s.IGROUP = kPvt;
  readHeaders(s, deck, kPvt, 1);
  dbgBlank(s);
  for (int p = 1; p <= s.NPVTRGN; ++p) readPvtRegion(s, deck, p);
  if (s.IRSTRT == 0) adjustAbsentPhases(s);

  // Group 42: rock density, compressibility and its reference pressure.
  readHeaders(s, deck, kRockData, 2);
  dbgBlank(s);
  {
    ListRead r(deck, labelOf(s, kRockData));
    r.item(s.DENR, "DENR").item(s.CPHI, "CPHI").item(s.PREF, "PREF");
    r.end();
  }
  s.IGROUP = kRockData;
  dbgGroupEnd(s, kRockData);
  s.DENR *= s.C1;

  // Group 43: polymer-solution viscosity against concentration. The stored
  // concentration is raised slightly above the deck value, so that the
  // first abscissa is never exactly zero.
  readHeaders(s, deck, kPolVis, 2);
  s.NRPOL = 0;
  s.ONEPOL = 0;
  s.CPPPM(1) = 1.0E-7;
  s.MUP(1) = 0.0;
  s.NRPOL = readTable(s, deck, kPolymerViscosity, 0, [&](int i, const double* v) {
    checkPolymerValue(s, deck, kPolVis, "MUP", v[1], i, "polymer viscosity table", "polymer-solution viscosity");
    // The table is interpolated in the logarithm of the stored concentration
    // (deck value + 1.0E-7): a negative concentration has none.
    if (!(v[0] + 1.0E-7 > 0.0)) {
      deck.fail(labelOf(s, kPolVis), "CONCP",
                "CONCP = " + num(v[0]) + " in row " + std::to_string(i) +
                    " of the polymer viscosity table is negative; the table is interpolated in the logarithm "
                    "of the concentration");
    }
    s.CPPPM(i) = v[0] + 1.0E-7;
    s.MUP(i) = v[1];
  });
  if (s.NRPOL == 0 && s.KEQP > 0) {
    deck.fail(labelOf(s, kPolVis), "MUP",
              "the polymer viscosity table has no rows; with the polymer equation on, the polymer-solution "
              "viscosity needs at least one row");
  }
  s.CPPPM(1) += 1.0E-6;
  if (s.NRPOL < 2) {
    s.NRPOL = 2;
    s.ONEPOL = 1;
    s.CPPPM(2) = s.CPPPM(1) + 1.0E-6;
    s.MUP(2) = s.MUP(1);
  }

  // Group 44: polymer retention (adsorbed polymer against the resistance factors).
  readHeaders(s, deck, kRetention, 2);
  s.NRRET = 0;
  s.ONERET = 0;
  s.CRPT(1) = 0.0;
  s.RF(1) = 1.0;
  s.RRF(1) = 1.0;
  s.NRRET = readTable(s, deck, kPolymerRetention, 0, [&](int i, const double* v) {
    checkPolymerValue(s, deck, kRetention, "RF", v[1], i, "polymer retention table", "resistance factor");
    checkPolymerValue(s, deck, kRetention, "RRF", v[2], i, "polymer retention table",
                      "residual resistance factor");
    s.CRPT(i) = v[0];
    s.RF(i) = v[1];
    s.RRF(i) = v[2];
  });
  s.CRPT(1) += 1.0E-11;
  if (s.NRRET < 2) {
    s.NRRET = 2;
    s.ONERET = 1;
    s.CRPT(2) = s.CRPT(1) + 1.0E-11;
    s.RF(2) = s.RF(1);
    s.RRF(2) = s.RRF(1);
  }
}

}  // namespace talvek
