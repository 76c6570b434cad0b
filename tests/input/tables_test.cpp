// Groups 38 to 44: rock, PVT and polymer tables, their checks, padding,
// end points, gravity terms and the absent-phase adjustments.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "input/tables.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/warnings.h"
#include "state/state.h"

#include "warning_capture.h"

namespace talvek {
namespace {

// The output listing of a test, on a temporary file.
class Listing {
 public:
  explicit Listing(State& s) : s_(s) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = ::testing::TempDir() + "tables_" + info->name() + ".lis";
    s.units.open(s.IOUT, path_, FileForm::Formatted, FileStatus::Unknown);
  }
  ~Listing() {
    s_.units.close(s_.IOUT);
    std::remove(path_.c_str());
  }
  std::vector<std::string> lines() {
    s_.units.flush(s_.IOUT);
    return readLines(path_);
  }
  static std::vector<std::string> readLines(const std::string& path) {
    std::ifstream f(path);
    std::vector<std::string> v;
    for (std::string l; std::getline(f, l);) v.push_back(l);
    return v;
  }

 private:
  State& s_;
  std::string path_;
};

std::string readFile(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Pieces of a deck of groups 38 to 44.
std::string rockRegion(const std::string& waterOilRows, const std::string& gasLiquidRows) {
  return "WATER-OIL\nSWT KRW KROW PCOW PCOWI\n" + waterOilRows + "0 0 0 0 0\n" +
         "GAS-LIQUID\nSLT KRG KROG PCGO PCGOI\n" + gasLiquidRows + "0 0 0 0 0\n";
}
std::string pvtRegion(const std::string& rows, const std::string& stdLine) {
  return "PVT\nPRES RS BW BO BG MUW MUO MUG\n" + rows + "0 0 0 0 0 0 0 0\n" + "STANDARD\nGAMAW GAMAG OILAPI CO CMUO\n" +
         stdLine + "\n";
}
std::string tail(const std::string& polymerRows = "0 1.0\n", const std::string& retentionRows = "0 1 1\n") {
  return "ROCK DATA\nDENR CPHI PREF\n165.0 3.0E-6 14.7\n"
         "POLYMER VISCOSITY\nCONCP MUP\n" +
         polymerRows + "0 0\nRETENTION\nCRP RF RRF\n" + retentionRows + "0 0 0\n";
}

const std::string kWaterOil2 = "0.2 0.0 0.8 0 0\n1.0 1.0 0.0 0 0\n";
const std::string kGasLiquid2 = "0.2 1.0 0.0 0 0\n1.0 0.0 1.0 0 0\n";
const std::string kPvt2 =
    "14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n"
    "3000 600 1.00 1.30 0.001 0.5 0.8 0.02\n";
const std::string kStd = "1.0 0.7 30.0 1.0E-5 0.0";

std::string simpleDeck() {
  return "ROCK\n" + rockRegion(kWaterOil2, kGasLiquid2) + "PVT BLOCK\n" + pvtRegion(kPvt2, kStd) + tail();
}

// A state ready for READTB: field units, water-oil-gas system, one region
// of each kind, facility off.
std::unique_ptr<State> tablesState() {
  auto sp = makeState();
  State& s = *sp;
  s.NKRRGN = 1;
  s.NPVTRGN = 1;
  s.MUNITIN = 1;
  s.C1 = 5.6146;
  s.C3 = 0.006944436113891601;
  s.KEQW = 1;
  s.KEQO = 2;
  s.KEQG = 3;
  s.KEQP = 0;
  s.IPRTDAT = 0;
  s.IRSTRT = 0;
  return sp;
}

TEST(Tables, StoresRowsPadsSingleRowsAndDerivesEndPoints) {
  auto sp = tablesState();
  State& s = *sp;
  s.NKRRGN = 2;
  s.NPVTRGN = 2;
  Listing out(s);
  // Region 1: the water-oil example (SWCR 0.25, SORW 0.2); values spread
  // over lines and followed by comments. Region 2: one-row tables.
  const std::string deck =
      "ROCK\n" +
      rockRegion("0.2 0.0 0.8 4 3  comment\n0.25 0.0 0.5 2 2\n0.3 0.1\n 0.1 1 1\n0.8,0.3,0.0,0,0\n",
                 "0.3 0.6 0.0 -5 5\n0.5 0.2 0.0 0 0\n0.9 0.0 0.4 0 0\n1.0 0.0 0.8 0 0\n") +
      rockRegion("0.3 0.2 0.7 3 2\n", "0.9 0.1 0.5 1 1\n") + "PVT BLOCK\n" +
      pvtRegion("14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n1000 200 1.01 1.15 0.01 0.5 1.2 0.015\n"
                "3000 600 1.00 1.30 0.001 0.5 0.8 0.02\n",
                "1.0 0.7 10.0 1.5E-5 2.0E-5") +
      pvtRegion("2000 500 1.0 1.3 0.002 0.5 0.8 0.02\n", "1.05 0.8 35.0 1.0E-5 0.0") +
      tail("0 1.0\n500 5.0\n1000 12.0\n", "0 1 1\n0.0001 1.5 1.2\n");
  DeckReader d("tables.dat", deck);
  std::vector<std::string> warned;
  setDeckWarningSink([](const std::string&) {});
  flushDeckWarnings();
  setDeckWarningSink([&](const std::string& l) {
    if (l.find("single row") != std::string::npos) warned.push_back(l);
  });
  READTB(s, d);
  flushDeckWarnings();
  setDeckWarningSink({});
  EXPECT_TRUE(d.atEnd());
  EXPECT_TRUE(out.lines().empty());  // facility off: nothing written
  // The one-row tables of region 2 couple solved phases: each is warned
  // about on standard error, once.
  ASSERT_EQ(warned.size(), 2u);
  EXPECT_NE(warned[0].find("data group DATA 38C, item SWT: the water-oil table of rock region 2 has a single row"),
            std::string::npos)
      << warned[0];
  EXPECT_NE(warned[1].find("data group DATA 39C, item SLT: the gas-liquid table of rock region 2 has a single row"),
            std::string::npos)
      << warned[1];

  // Region 1 water-oil table as read, end points from it.
  EXPECT_EQ(s.NRWO(1), 4);
  EXPECT_EQ(s.ONEWO(1), 0);
  EXPECT_DOUBLE_EQ(s.SWT(3, 1), 0.3);
  EXPECT_DOUBLE_EQ(s.KRW(3, 1), 0.1);
  EXPECT_DOUBLE_EQ(s.KROW(3, 1), 0.1);
  EXPECT_DOUBLE_EQ(s.PCOWI(1, 1), 3.0);
  EXPECT_DOUBLE_EQ(s.SWT(4, 1), 0.8);
  EXPECT_DOUBLE_EQ(s.SWCR(1), 0.25);
  EXPECT_DOUBLE_EQ(s.KROCW(1), 0.5);
  EXPECT_NEAR(s.SORW(1), 0.2, 1e-15);
  // A first gas-liquid row of zeros but for PCGO = -5, PCGOI = 5 is a row.
  EXPECT_EQ(s.NRGO(1), 4);
  EXPECT_DOUBLE_EQ(s.PCGO(1, 1), -5.0);
  EXPECT_NEAR(s.SGCR(1), 0.1, 1e-15);  // 1 - SLT(3), first of the trailing KRG <= 0
  EXPECT_NEAR(s.SORG(1), 0.25, 1e-15);  // SLT(2) - SWCR

  // Region 2: one-row tables padded to two rows.
  EXPECT_EQ(s.NRWO(2), 2);
  EXPECT_EQ(s.ONEWO(2), 1);
  EXPECT_DOUBLE_EQ(s.SWT(2, 2), 0.3 + 1.0E-6);
  EXPECT_DOUBLE_EQ(s.KRW(2, 2), 0.2);
  EXPECT_DOUBLE_EQ(s.KROW(2, 2), 0.7);
  EXPECT_DOUBLE_EQ(s.PCOW(2, 2), 3.0);
  EXPECT_DOUBLE_EQ(s.PCOWI(2, 2), 2.0);
  EXPECT_DOUBLE_EQ(s.SWCR(2), 0.3);
  EXPECT_DOUBLE_EQ(s.KROCW(2), 0.7);
  EXPECT_DOUBLE_EQ(s.SORW(2), 1.0 - (0.3 + 1.0E-6));
  EXPECT_EQ(s.NRGO(2), 2);
  EXPECT_EQ(s.ONEGO(2), 1);
  EXPECT_DOUBLE_EQ(s.SLT(2, 2), 0.9 + 1.0E-6);
  EXPECT_DOUBLE_EQ(s.KROG(2, 2), 0.5);
  EXPECT_DOUBLE_EQ(s.SGCR(2), 1.0 - (0.9 + 1.0E-6));
  EXPECT_DOUBLE_EQ(s.SORG(2), 0.9 - 0.3);

  // PVT tables.
  EXPECT_EQ(s.NRPVT(1), 3);
  EXPECT_EQ(s.ONEPVT(1), 0);
  EXPECT_DOUBLE_EQ(s.PRES(2, 1), 1000.0);
  EXPECT_DOUBLE_EQ(s.RST(2, 1), 200.0);
  EXPECT_DOUBLE_EQ(s.BW(2, 1), 1.01);
  EXPECT_DOUBLE_EQ(s.BO(2, 1), 1.15);
  EXPECT_DOUBLE_EQ(s.BG(2, 1), 0.01);
  EXPECT_DOUBLE_EQ(s.MUW(2, 1), 0.5);
  EXPECT_DOUBLE_EQ(s.MUO(2, 1), 1.2);
  EXPECT_DOUBLE_EQ(s.MUG(2, 1), 0.015);
  EXPECT_EQ(s.NRPVT(2), 2);
  EXPECT_EQ(s.ONEPVT(2), 1);
  EXPECT_DOUBLE_EQ(s.PRES(2, 2), 2000.1);
  EXPECT_DOUBLE_EQ(s.RST(2, 2), 500.1);
  EXPECT_DOUBLE_EQ(s.BO(2, 2), 1.3);
  EXPECT_DOUBLE_EQ(s.MUG(2, 2), 0.02);
  EXPECT_DOUBLE_EQ(s.CO(1), 1.5E-5);
  EXPECT_DOUBLE_EQ(s.CMUO(1), 2.0E-5);
  EXPECT_DOUBLE_EQ(s.OILAPI(2), 35.0);

  // Gravity terms, field units: an oil of 10 degrees API weighs as water.
  EXPECT_NEAR(s.GRADO(1), 0.4335, 5e-5);
  EXPECT_DOUBLE_EQ(s.GRADO(1), s.GRADW(1));
  EXPECT_DOUBLE_EQ(s.GRADG(1), 0.006944436113891601 * 0.07632429173561076 * 0.7 / 5.6146);
  EXPECT_DOUBLE_EQ(s.DENWS(1), 62.42797373 * 5.6146);
  EXPECT_DOUBLE_EQ(s.GRADW(2), 0.006944436113891601 * 62.42797373 * 1.05);
  EXPECT_DOUBLE_EQ(s.GRADO(2), 0.006944436113891601 * 62.42797373 * 141.5 / (35.0 + 131.5));

  // Rock data: density in reservoir volume units.
  EXPECT_DOUBLE_EQ(s.DENR, 165.0 * 5.6146);
  EXPECT_DOUBLE_EQ(s.CPHI, 3.0E-6);
  EXPECT_DOUBLE_EQ(s.PREF, 14.7);

  // Polymer tables: concentrations stored raised by 1.0E-7, the first one by
  // a further 1.0E-6; the retention table's first CRP by 1.0E-11.
  EXPECT_EQ(s.NRPOL, 3);
  EXPECT_EQ(s.ONEPOL, 0);
  EXPECT_DOUBLE_EQ(s.CPPPM(1), 1.0E-7 + 1.0E-6);
  EXPECT_DOUBLE_EQ(s.CPPPM(2), 500.0 + 1.0E-7);
  EXPECT_DOUBLE_EQ(s.CPPPM(3), 1000.0 + 1.0E-7);
  EXPECT_DOUBLE_EQ(s.MUP(3), 12.0);
  EXPECT_EQ(s.NRRET, 2);
  EXPECT_EQ(s.ONERET, 0);
  EXPECT_DOUBLE_EQ(s.CRPT(1), 1.0E-11);
  EXPECT_DOUBLE_EQ(s.CRPT(2), 0.0001);
  EXPECT_DOUBLE_EQ(s.RF(2), 1.5);
  EXPECT_DOUBLE_EQ(s.RRF(2), 1.2);
}

TEST(Tables, GravityTermsWeighTheStockTankFluidsInEachSystem) {
  // The same fluids (water of specific gravity 1, oil of 30 degrees API, gas
  // of 0.7) in the three systems. A column of water
  // weighs 0.4335 psi/ft, 9.807 kPa/m, 0.0009678 atm/cm; a stock-tank volume
  // of it 350.5 lb/bbl, 1000 kg/m3, 1 g/cm3. Depth and pressure per foot and
  // psi, and gas-oil ratio per scf/STB, of each system.
  struct Case {
    int munitin;
    double c1, c3;
    double gradw, denws;    // water column gradient, stock-tank water density
    double perFt, perPsi;  // length and pressure units per ft and per psi
    double perScfStb;      // gas-oil ratio units per scf/STB
    double massPerLbm, volPerBbl;
  };
  const double scfStb = 0.028316846592 / 0.158987294928;
  const Case cases[] = {
      {1, 5.6146, 0.006944436113891601, 0.4335, 62.42797373 * 5.6146, 1.0, 1.0, 1.0, 1.0, 1.0},
      {2, 1.0, 0.00980665, 9.807, 1000.0, 0.3048, 6.894757293168361, scfStb, 0.45359237, 0.158987294928},
      {3, 1.0, 0.0009678411053540587, 0.0009678, 1.0, 30.48, 1.0 / 14.695948775513449, scfStb, 453.59237,
       158987.294928},
  };
  const double waterField = 0.006944436113891601 * 62.42797373;  // psi/ft
  const double sgo = 141.5 / (30.0 + 131.5);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.munitin);
    auto sp = tablesState();
    State& s = *sp;
    s.MUNITIN = c.munitin;
    s.C1 = c.c1;
    s.C3 = c.c3;
    DeckReader d("tables.dat", simpleDeck());
    READTB(s, d);
    EXPECT_NEAR(s.GRADW(1) / c.gradw, 1.0, 1.0E-4);
    EXPECT_NEAR(s.DENWS(1) / c.denws, 1.0, 1.0E-4);
    // The field values converted by hand, to the precision of the constants
    // (the field C1, 5.6146 ft3/bbl, is rounded by 3E-6).
    const double perGrad = c.perPsi / c.perFt;
    EXPECT_NEAR(s.GRADW(1) / (waterField * perGrad), 1.0, 1.0E-6);
    EXPECT_NEAR(s.GRADO(1) / (waterField * sgo * perGrad), 1.0, 1.0E-6);
    const double gasField = 0.006944436113891601 * 0.07632429173561076 * 0.7 / 5.6146;  // psi/ft per scf/STB
    EXPECT_NEAR(s.GRADG(1) / (gasField * perGrad / c.perScfStb), 1.0, 5.0E-6);
    EXPECT_NEAR(s.DENWS(1) / (62.42797373 * 5.6146 * c.massPerLbm / c.volPerBbl), 1.0, 5.0E-6);
    // Rock density in mass per stock-tank liquid volume, as DENWS.
    EXPECT_DOUBLE_EQ(s.DENR, 165.0 * c.c1);
  }
}

TEST(Tables, EndRows) {
  // A PVT row whose values add up to zero ends the table; polymer tables
  // given by their end row alone keep the preset first row, padded.
  auto sp = tablesState();
  State& s = *sp;
  const std::string deck = "ROCK\n" + rockRegion(kWaterOil2, kGasLiquid2) + "PVT BLOCK\n" +
                           "PVT\nPRES RS BW BO BG MUW MUO MUG\n" + kPvt2 + "1 -1 0 0 0 0 0 0\n" +
                           "STANDARD\nGAMAW GAMAG OILAPI CO CMUO\n" + kStd + "\n" +
                           "ROCK DATA\nDENR CPHI PREF\n165.0 3.0E-6 14.7\n"
                           "POLYMER VISCOSITY\nCONCP MUP\n0 0\nRETENTION\nCRP RF RRF\n0 0 0\n";
  DeckReader d("tables.dat", deck);
  READTB(s, d);
  EXPECT_TRUE(d.atEnd());
  EXPECT_EQ(s.NRPVT(1), 2);
  EXPECT_EQ(s.NRPOL, 2);
  EXPECT_EQ(s.ONEPOL, 1);
  EXPECT_DOUBLE_EQ(s.CPPPM(1), 1.0E-7 + 1.0E-6);
  EXPECT_DOUBLE_EQ(s.CPPPM(2), 1.0E-7 + 2.0E-6);
  EXPECT_DOUBLE_EQ(s.MUP(1), 0.0);
  EXPECT_DOUBLE_EQ(s.MUP(2), 0.0);
  EXPECT_EQ(s.NRRET, 2);
  EXPECT_EQ(s.ONERET, 1);
  EXPECT_DOUBLE_EQ(s.CRPT(1), 1.0E-11);
  EXPECT_DOUBLE_EQ(s.CRPT(2), 2.0E-11);
  EXPECT_DOUBLE_EQ(s.RF(2), 1.0);
  EXPECT_DOUBLE_EQ(s.RRF(2), 1.0);
}

TEST(Tables, OneRowPolymerTables) {
  auto sp = tablesState();
  State& s = *sp;
  const std::string deck = "ROCK\n" + rockRegion(kWaterOil2, kGasLiquid2) + "PVT BLOCK\n" + pvtRegion(kPvt2, kStd) +
                           tail("300 4.0\n", "0.0002 2.0 1.5\n");
  DeckReader d("tables.dat", deck);
  READTB(s, d);
  EXPECT_EQ(s.NRPOL, 2);
  EXPECT_EQ(s.ONEPOL, 1);
  EXPECT_DOUBLE_EQ(s.CPPPM(1), 300.0 + 1.0E-7 + 1.0E-6);
  EXPECT_DOUBLE_EQ(s.CPPPM(2), s.CPPPM(1) + 1.0E-6);
  EXPECT_DOUBLE_EQ(s.MUP(2), 4.0);
  EXPECT_EQ(s.NRRET, 2);
  EXPECT_EQ(s.ONERET, 1);
  EXPECT_DOUBLE_EQ(s.CRPT(1), 0.0002 + 1.0E-11);
  EXPECT_DOUBLE_EQ(s.CRPT(2), 0.0002 + 2.0E-11);
  EXPECT_DOUBLE_EQ(s.RF(2), 2.0);
  EXPECT_DOUBLE_EQ(s.RRF(2), 1.5);
}

TEST(Tables, EndPointRuns) {
  // Water flows from the first row; oil flows to the last row; a negative
  // SORG is cut to zero; no gas: SGCR is zero.
  auto sp = tablesState();
  State& s = *sp;
  s.KEQG = 0;
  const std::string deck = "ROCK\n" +
                           rockRegion("0.1 0.05 0.9 0 0\n0.5 0.3 0.4 0 0\n0.9 0.8 0.1 0 0\n",
                                      "0.05 0.5 0.0 0 0\n0.6 0.1 0.3 0 0\n1.0 0.0 0.9 0 0\n") +
                           "PVT BLOCK\n" + pvtRegion(kPvt2, kStd) + tail();
  DeckReader d("tables.dat", deck);
  READTB(s, d);
  EXPECT_DOUBLE_EQ(s.SWCR(1), 0.1);
  EXPECT_DOUBLE_EQ(s.KROCW(1), 0.9);
  EXPECT_DOUBLE_EQ(s.SORW(1), 1.0 - 0.9);
  EXPECT_DOUBLE_EQ(s.SGCR(1), 0.0);
  EXPECT_DOUBLE_EQ(s.SORG(1), 0.0);  // 0.05 - 0.1 < 0
}

TEST(Tables, AbsentPhaseAdjustments) {
  struct Case {
    int keqw, keqo, keqg, keqp;
    bool oilOff, gasOff, waterOff, swcrZero;
  };
  const Case cases[] = {
      {1, 2, 3, 0, false, false, false, false},  // all three phases
      {1, 0, 2, 0, true, false, false, false},   // no oil
      {1, 2, 0, 0, false, true, false, false},   // no gas
      {0, 1, 2, 0, false, false, true, false},   // no water, no polymer
      {0, 2, 3, 1, false, false, false, false},  // polymer keeps the water tables
      {1, 0, 0, 0, true, true, false, true},     // water alone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.keqw << c.keqo << c.keqg << c.keqp);
    auto sp = tablesState();
    State& s = *sp;
    s.KEQW = c.keqw;
    s.KEQO = c.keqo;
    s.KEQG = c.keqg;
    s.KEQP = c.keqp;
    const std::string deck = "ROCK\n" + rockRegion("0.2 0.0 0.8 4 3\n0.7 1.0 0.0 2 1\n", kGasLiquid2) +
                             "PVT BLOCK\n" + pvtRegion(kPvt2, kStd) + tail();
    DeckReader d("tables.dat", deck);
    READTB(s, d);
    for (int k = 1; k <= 2; ++k) {
      SCOPED_TRACE(k);
      EXPECT_DOUBLE_EQ(s.RST(k, 1), c.oilOff ? k * 1.0E-10 : (k == 1 ? 1.0 : 600.0));
      EXPECT_DOUBLE_EQ(s.BO(k, 1), c.oilOff ? 1.0 : (k == 1 ? 1.05 : 1.30));
      EXPECT_DOUBLE_EQ(s.MUO(k, 1), c.oilOff ? 1.0 : (k == 1 ? 2.0 : 0.8));
      EXPECT_DOUBLE_EQ(s.KROW(k, 1), c.oilOff ? 0.0 : (k == 1 ? 0.8 : 0.0));
      EXPECT_DOUBLE_EQ(s.KROG(k, 1), c.oilOff ? 0.0 : (k == 1 ? 0.0 : 1.0));
      EXPECT_DOUBLE_EQ(s.PCOW(k, 1), c.oilOff || c.waterOff ? 0.0 : (k == 1 ? 4.0 : 2.0));
      EXPECT_DOUBLE_EQ(s.PCOWI(k, 1), k == 1 ? 3.0 : 1.0);  // never adjusted
      EXPECT_DOUBLE_EQ(s.BG(k, 1), c.gasOff ? 1.0 : (k == 1 ? 0.9 : 0.001));
      EXPECT_DOUBLE_EQ(s.MUG(k, 1), c.gasOff ? 1.0 : (k == 1 ? 0.01 : 0.02));
      EXPECT_DOUBLE_EQ(s.KRG(k, 1), c.gasOff ? 0.0 : (k == 1 ? 1.0 : 0.0));
      EXPECT_DOUBLE_EQ(s.BW(k, 1), c.waterOff ? 1.0 : (k == 1 ? 1.02 : 1.00));
      EXPECT_DOUBLE_EQ(s.MUW(k, 1), c.waterOff ? 1.0 : 0.5);
      EXPECT_DOUBLE_EQ(s.KRW(k, 1), c.waterOff ? 0.0 : (k == 1 ? 0.0 : 1.0));
    }
    EXPECT_DOUBLE_EQ(s.SORW(1), c.oilOff ? 0.0 : 1.0 - 0.7);
    EXPECT_DOUBLE_EQ(s.SWCR(1), c.swcrZero ? 0.0 : 0.2);
  }
}

TEST(Tables, ValuesOfAbsentPhasesAreNotTested) {
  // Zero gas and polymer values are harmless when those equations are off:
  // the gas columns are replaced by constants and the polymer tables unused.
  auto sp = tablesState();
  State& s = *sp;
  s.KEQG = 0;
  const std::string deck = "ROCK\n" + rockRegion(kWaterOil2, kGasLiquid2) + "PVT BLOCK\n" +
                           pvtRegion("14.7 1.0 1.02 1.05 0 0.5 2.0 0\n3000 600 1.00 1.30 0 0.5 0.8 0\n", kStd) +
                           tail("0 1.0\n100 0\n", "0 1 1\n0.0001 0 0\n");
  DeckReader d("tables.dat", deck);
  READTB(s, d);
  EXPECT_TRUE(d.atEnd());
  EXPECT_DOUBLE_EQ(s.BG(1, 1), 1.0);
  EXPECT_DOUBLE_EQ(s.MUG(2, 1), 1.0);
  EXPECT_DOUBLE_EQ(s.MUP(2), 0.0);
  EXPECT_DOUBLE_EQ(s.RF(2), 0.0);
}

TEST(Tables, RestartRunKeepsTheStoredGravityTerms) {
  // The derived terms and adjustments belong to an initial run.
  auto sp = tablesState();
  State& s = *sp;
  s.IRSTRT = 1;
  s.KEQG = 0;
  s.GRADO(1) = 0.123;
  DeckReader d("tables.dat", simpleDeck());
  READTB(s, d);
  EXPECT_DOUBLE_EQ(s.GRADO(1), 0.123);
  EXPECT_DOUBLE_EQ(s.BG(2, 1), 0.001);
}

TEST(Tables, DebuggingFacilityMessages) {
  auto sp = tablesState();
  State& s = *sp;
  s.IPRTDAT = 1;
  Listing out(s);
  DeckReader d("tables_debug.dat", readFile(std::string(TALVEK_TEST_DATA) + "/input/tables_debug.dat"));
  READTB(s, d);
  const auto got = out.lines();
  const auto want = Listing::readLines(std::string(TALVEK_TEST_DATA) + "/input/tables_debug_listing.txt");
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(got, want);
  // Warnings change nothing: the values stay as read.
  EXPECT_DOUBLE_EQ(s.SWT(2, 1), 0.1);
  EXPECT_DOUBLE_EQ(s.OILAPI(1), 80.0);
  EXPECT_DOUBLE_EQ(s.CRPT(2), 0.02);
}

// The warning of a table row, as the listing shows it.
std::string rowWarning(const char* name, int line, const char* group) {
  char b[120];
  std::snprintf(b, sizeof b, "   *WARNING* VARIABLE \"%-7s\" IS OUT OF RANGE IN LINE # %4d OF \"%s\"", name, line, group);
  return b;
}

TEST(Tables, EveryColumnCheckWithItsBoundaries) {
  // Each case replaces one table; the other tables raise no warning. Equal
  // neighbours show which columns must change strictly, first rows at the
  // start values show the limits of the first row.
  struct Case {
    const char* name;
    int group;
    std::string rows;
    std::vector<std::string> want;
  };
  auto w = rowWarning;
  const Case cases[] = {
      {"water-oil bounds", 38, "-0.1 -0.1 1.5 0 0\n1.2 1.2 -0.5 0 0\n",
       {w("  SWT", 1, "DATA 38C"), w("  KRW", 1, "DATA 38C"), w(" KROW", 1, "DATA 38C"), w("  SWT", 2, "DATA 38C"),
        w("  KRW", 2, "DATA 38C"), w(" KROW", 2, "DATA 38C")}},
      {"water-oil order", 38, "0.2 0.3 0.5 5 5\n0.2 0.3 0.5 5 5\n0.3 0.2 0.6 6 7\n",
       {w("  SWT", 2, "DATA 38C"), w("  KRW", 3, "DATA 38C"), w(" KROW", 3, "DATA 38C"), w(" PCOW", 3, "DATA 38C"),
        w(" PCOWI", 3, "DATA 38C")}},
      {"water-oil first row at the limits", 38, "0 0 1 100000 100000\n", {}},
      {"water-oil first row beyond", 38, "0 0 1.00005 100001 0\n", {w(" KROW", 1, "DATA 38C"), w(" PCOW", 1, "DATA 38C")}},
      {"gas-liquid bounds", 39, "-0.1 1.5 -0.1 0 0\n1.5 -0.5 1.5 0 0\n",
       {w("  SLT", 1, "DATA 39C"), w("  KRG", 1, "DATA 39C"), w(" KROG", 1, "DATA 39C"), w("  SLT", 2, "DATA 39C"),
        w("  KRG", 2, "DATA 39C"), w(" KROG", 2, "DATA 39C")}},
      {"gas-liquid order", 39, "0.2 0.5 0.5 5 5\n0.2 0.5 0.5 5 5\n0.3 0.6 0.4 -6 6\n",
       {w("  SLT", 2, "DATA 39C"), w("  KRG", 3, "DATA 39C"), w(" KROG", 3, "DATA 39C"), w(" PCGOI", 3, "DATA 39C")}},
      {"PVT first row at the start values", 40, "1.0E-3 1.0E-3 1.25 1.0 1.0 0.04 10000 1.0E-4\n",
       {w("  BW", 1, "DATA 40C"), w("  BO", 1, "DATA 40C"), w("  MUW", 1, "DATA 40C"), w("  MUO", 1, "DATA 40C"),
        w("  MUG", 1, "DATA 40C")}},
      {"PVT equal rows", 40, "14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n",
       {w(" PRES", 2, "DATA 40C"), w("  RS", 2, "DATA 40C"), w("  BO", 2, "DATA 40C"), w("  MUO", 2, "DATA 40C"),
        w("  MUG", 2, "DATA 40C")}},
      {"PVT water and gas the wrong way", 40,
       "14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n3000 600 1.03 1.30 0.95 0.4 0.8 0.02\n",
       {w("  BW", 2, "DATA 40C"), w("  BG", 2, "DATA 40C"), w("  MUW", 2, "DATA 40C")}},
      // (A concentration below -1.0E-7 has no logarithm and stops the read:
      // FaultsStopWithTheDeckPlace.)
      {"polymer viscosity", 43, "-5e-8 2\n100 2\n100 2\n200 1\n",
       {w(" CONCP", 1, "DATA 43C"), w(" CONCP", 3, "DATA 43C"), w("  MUP", 4, "DATA 43C")}},
      {"retention", 44, "0 1 1\n0 1 1\n0.01 0.9 1\n0.011 1 0.5\n",
       {w("  CRP", 2, "DATA 44C"), w("  RF", 3, "DATA 44C"), w("  CRP", 4, "DATA 44C"), w("  RRF", 4, "DATA 44C")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string wo = c.group == 38 ? c.rows : kWaterOil2;
    const std::string gl = c.group == 39 ? c.rows : kGasLiquid2;
    const std::string pvt = c.group == 40 ? c.rows : kPvt2;
    const std::string pol = c.group == 43 ? c.rows : "0 1.0\n";
    const std::string ret = c.group == 44 ? c.rows : "0 1 1\n";
    auto sp = tablesState();
    State& s = *sp;
    s.IPRTDAT = 1;
    Listing out(s);
    DeckReader d("checks.dat",
                 "ROCK\n" + rockRegion(wo, gl) + "PVT BLOCK\n" + pvtRegion(pvt, kStd) + tail(pol, ret));
    READTB(s, d);
    std::vector<std::string> got;
    for (const std::string& l : out.lines()) {
      if (l.find("*WARNING*") != std::string::npos) got.push_back(l);
    }
    EXPECT_EQ(got, c.want);
  }
}

// A table value out of range is warned about on standard error with the
// value, its row and what it breaks: the column's bounds, or its order
// against the row before (on the first row, against the column's start).
TEST(Tables, RowWarningsNameTheValueAndWhatItBreaks) {
  struct Case {
    const char* name;
    int group;
    std::string rows;
    std::vector<std::string> want;  // after "data group "
  };
  const Case cases[] = {
      {"both bounds", 38, "-0.1 0.0 0.8 0 0\n1.0 1.0 0.0 0 0\n",
       {"DATA 38C, item SWT: -0.1 in row 1 is out of range 0 to 1"}},
      {"lower bound only", 44, "0 0.5 1\n", {"DATA 44C, item RF: 0.5 in row 1 is out of range: below 1"}},
      {"first row against the start values", 40, "1.0E-3 1.0E-3 1.25 1.05 1.0 0.5 10000 0.01\n",
       {"DATA 40C, item BW: 1.25 in row 1 is out of range: above 1.2",
        "DATA 40C, item MUO: 10000 in row 1 is out of range: not below 10000"}},
      {"order against the row before", 40,
       "14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n3000 600 1.02 1.30 0.95 0.4 0.8 0.02\n",
       {"DATA 40C, item BG: 0.95 in row 2 is out of range: above the BG of the row before (0.9)",
        "DATA 40C, item MUW: 0.4 in row 2 is out of range: below the MUW of the row before (0.5)"}},
      {"oil gravity of the standard conditions", 41, "1.0 0.7 80.0 1.0E-5 0.0",
       {"DATA 41B, item OILAPI: 80 is out of range 7 to 70"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string wo = c.group == 38 ? c.rows : kWaterOil2;
    const std::string pvt = c.group == 40 ? c.rows : kPvt2;
    const std::string stdLine = c.group == 41 ? c.rows : kStd;
    const std::string ret = c.group == 44 ? c.rows : "0 1 1\n";
    auto sp = tablesState();
    State& s = *sp;
    testing::WarningCapture err;
    DeckReader d("rows.dat", "ROCK\n" + rockRegion(wo, kGasLiquid2) + "PVT BLOCK\n" + pvtRegion(pvt, stdLine) +
                                 tail("0 1.0\n", ret));
    READTB(s, d);
    std::vector<std::string> got;
    for (const std::string& l : err.lines()) {
      const std::size_t at = l.find("data group ");
      got.push_back(at == std::string::npos ? l : l.substr(at + 11));
    }
    EXPECT_EQ(got, c.want);
  }
}

TEST(Tables, FacilityOffSameValues) {
  auto on = tablesState();
  auto off = tablesState();
  on->IPRTDAT = 1;
  Listing out(*on);
  const std::string text = readFile(std::string(TALVEK_TEST_DATA) + "/input/tables_debug.dat");
  DeckReader d1("a", text), d2("b", text);
  READTB(*on, d1);
  READTB(*off, d2);
  for (int k = 1; k <= 2; ++k) {
    EXPECT_EQ(on->SWT(k, 1), off->SWT(k, 1));
    EXPECT_EQ(on->PCGO(k, 1), off->PCGO(k, 1));
    EXPECT_EQ(on->PRES(k, 1), off->PRES(k, 1));
    EXPECT_EQ(on->MUP(k), off->MUP(k));
    EXPECT_EQ(on->RF(k), off->RF(k));
  }
  EXPECT_EQ(on->GRADO(1), off->GRADO(1));
}

// Rows of a table of n rows.
std::string rows(int n, int ncol, double first, double step) {
  std::string r;
  for (int i = 0; i < n; ++i) {
    const double x = first + i * step;
    r += std::to_string(x);
    for (int c = 1; c < ncol; ++c) r += " 1.0";
    r += "\n";
  }
  return r;
}

TEST(Tables, ThirtyRowsFit) {
  auto sp = tablesState();
  State& s = *sp;
  const std::string deck = "ROCK\n" + rockRegion(rows(30, 5, 0.01, 0.01), kGasLiquid2) + "PVT BLOCK\n" +
                           pvtRegion(rows(30, 8, 100.0, 100.0), kStd) +
                           tail(rows(30, 2, 0.0, 10.0), rows(30, 3, 0.0, 1.0E-4));
  DeckReader d("tables.dat", deck);
  READTB(s, d);
  EXPECT_EQ(s.NRWO(1), 30);
  EXPECT_DOUBLE_EQ(s.SWT(30, 1), 0.30);
  EXPECT_EQ(s.NRPVT(1), 30);
  EXPECT_DOUBLE_EQ(s.PRES(30, 1), 3000.0);
  EXPECT_EQ(s.NRPOL, 30);
  EXPECT_EQ(s.NRRET, 30);
}

TEST(Tables, FaultsStopWithTheDeckPlace) {
  struct Case {
    const char* name;
    std::function<void(State&)> setup;
    std::string deck;
    const char* group;
    const char* item;
    int line;  // deck line of the stop, 0: not tested
    const char* text;
  };
  const std::string okRock = "ROCK\n" + rockRegion(kWaterOil2, kGasLiquid2);
  const std::string okPvt = "PVT BLOCK\n" + pvtRegion(kPvt2, kStd);
  // Line of the 31st row of the first table: 1 group header + 2 headers + 30 rows + 1.
  const Case cases[] = {
      {"water-oil 31 rows", nullptr, "ROCK\n" + rockRegion(rows(31, 5, 0.01, 0.01), kGasLiquid2) + okPvt + tail(),
       "DATA 38C", "SWT", 34, "more than 30 rows"},
      {"gas-liquid 31 rows, region 2",
       [](State& s) { s.NKRRGN = 2; },
       okRock + rockRegion(kWaterOil2, rows(31, 5, 0.01, 0.01)) + okPvt + tail(), "DATA 39C", "SLT", 0,
       "gas-liquid table of rock region 2"},
      {"PVT 31 rows", nullptr, okRock + "PVT BLOCK\n" + pvtRegion(rows(31, 8, 100.0, 100.0), kStd) + tail(),
       "DATA 40C", "PRES", 0, "PVT table of PVT region 1"},
      {"polymer 31 rows", nullptr, okRock + okPvt + tail(rows(31, 2, 0.0, 10.0)), "DATA 43C", "CONCP", 0,
       "polymer viscosity table"},
      {"retention 31 rows", nullptr, okRock + okPvt + tail("0 1\n", rows(31, 3, 0.0, 1.0E-4)), "DATA 44C", "CRP",
       0, "polymer retention table"},
      {"PVT without rows", nullptr, okRock + "PVT BLOCK\n" + pvtRegion("", kStd) + tail(), "DATA 40C", "PRES", 0,
       "no rows"},
      {"NKRRGN 31", [](State& s) { s.NKRRGN = 31; }, simpleDeck(), "DATA 38C", "NKRRGN", 0, "NKRRGN = 31"},
      {"NKRRGN 0", [](State& s) { s.NKRRGN = 0; }, simpleDeck(), "DATA 38C", "NKRRGN", 0, "NKRRGN = 0"},
      {"NPVTRGN 31", [](State& s) { s.NPVTRGN = 31; }, simpleDeck(), "DATA 38C", "NPVTRGN", 0, "NPVTRGN = 31"},
      {"block rock region 2 of 1",
       [](State& s) {
         s.NGPACT = 3;
         for (int n = 1; n <= 3; ++n) s.NKRGN(n) = s.NPVTGN(n) = 1;
         s.NKRGN(3) = 2;
       },
       simpleDeck(), "DATA 38C", "NKRGN", 0, "active block 3"},
      {"block PVT region 0",
       [](State& s) {
         s.NGPACT = 2;
         for (int n = 1; n <= 2; ++n) s.NKRGN(n) = s.NPVTGN(n) = 1;
         s.NPVTGN(1) = 0;
       },
       simpleDeck(), "DATA 38C", "NPVTGN", 0, "PVT region 0"},
      {"MUNITIN 4", [](State& s) { s.MUNITIN = 4; }, simpleDeck(), "DATA 41B", "MUNITIN", 0, "MUNITIN = 4"},
      {"OILAPI -131.5", nullptr, okRock + "PVT BLOCK\n" + pvtRegion(kPvt2, "1.0 0.7 -131.5 0 0") + tail(),
       "DATA 41B", "OILAPI", 20, "OILAPI = -131.5"},
      {"deck ends in a table", nullptr, "ROCK\nWATER-OIL\nSWT\n0.2 0 0.8 0 0\n", "DATA 38C", "SWT", 0,
       "premature end"},
      // Formation volume factors and viscosities of the phases in the system
      // divide volumes and mobilities: zero or negative values stop the run
      // at their row (the PVT rows start on line 15).
      {"PVT BO 0", nullptr,
       okRock + "PVT BLOCK\n" + pvtRegion("14.7 1.0 1.02 0 0.9 0.5 2.0 0.01\n3000 600 1.00 1.30 0.001 0.5 0.8 0.02\n", kStd) +
           tail(),
       "DATA 40C", "BO", 15, "BO = 0 in row 1 of the PVT table of PVT region 1: the oil formation volume factor"},
      {"PVT MUG negative", nullptr,
       okRock + "PVT BLOCK\n" +
           pvtRegion("14.7 1.0 1.02 1.05 0.9 0.5 2.0 0.01\n3000 600 1.00 1.30 0.001 0.5 0.8 -0.02\n", kStd) + tail(),
       "DATA 40C", "MUG", 16, "MUG = -0.02 in row 2"},
      {"PVT BW 0 with polymer but no water", [](State& s) { s.KEQW = 0; s.KEQP = 1; },
       okRock + "PVT BLOCK\n" + pvtRegion("14.7 1.0 0 1.05 0.9 0.5 2.0 0.01\n", kStd) + tail(), "DATA 40C", "BW", 15,
       "water formation volume factor must be above 0"},
      {"MUP 0 with polymer", [](State& s) { s.KEQP = 1; }, okRock + okPvt + tail("0 1.0\n100 0\n"), "DATA 43C", "MUP",
       0, "MUP = 0 in row 2 of the polymer viscosity table"},
      {"polymer viscosity table without rows", [](State& s) { s.KEQP = 1; }, okRock + okPvt + tail(""), "DATA 43C",
       "MUP", 0, "polymer viscosity table has no rows"},
      {"RF 0 with polymer", [](State& s) { s.KEQP = 1; }, okRock + okPvt + tail("0 1.0\n", "0 1 1\n0.0001 0 1\n"),
       "DATA 44C", "RF", 0, "RF = 0 in row 2 of the polymer retention table"},
      {"negative polymer concentration", nullptr, okRock + okPvt + tail("0 1.0\n-1 2.0\n"), "DATA 43C", "CONCP", 0,
       "CONCP = -1 in row 2 of the polymer viscosity table is negative"},
      {"RRF negative with polymer", [](State& s) { s.KEQP = 1; }, okRock + okPvt + tail("0 1.0\n", "0 2 -1\n"),
       "DATA 44C", "RRF", 0, "RRF = -1 in row 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto sp = tablesState();
    State& s = *sp;
    if (c.setup) c.setup(s);
    DeckReader d("faulty.dat", c.deck);
    try {
      READTB(s, d);
      ADD_FAILURE() << "no stop";
    } catch (const DeckError& e) {
      EXPECT_EQ(e.file, "faulty.dat");
      EXPECT_EQ(e.group, c.group);
      EXPECT_EQ(e.item, c.item);
      if (c.line != 0) {
        EXPECT_EQ(e.line, c.line);
      }
      EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("faulty.dat:"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace talvek
