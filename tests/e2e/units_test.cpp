// One deck in the three unit systems: a dipping 6 x 1 x 3 reservoir whose
// water lies above its oil and is free to slump (gravity segregation), with a
// down-dip water injector, a polymer slug and an up-dip producer, written in
// field, SI and laboratory units with every input converted exactly
// (tests/data/e2e/units/dip6x1x3_*.txt). The runs are made in this process so
// that the state can be read in full precision; converted back into field
// units they must agree. A laboratory core flood checks the polymer mass
// injected, and the whole program's listing the printed well factor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "e2e_util.h"
#include "run/driver.h"
#include "state/state.h"

namespace {

namespace fs = std::filesystem;

using e2e::Sandbox;

fs::path deckPath(const std::string& file) { return fs::path(TALVEK_TEST_DATA) / "e2e" / "units" / file; }

// A whole run of `file` by the run driver; the final state is left in `s`.
void runInProcess(const std::string& file, talvek::State& s) {
  Sandbox box("units_" + file);
  const std::string names[4] = {deckPath(file).string(), "out.lis", "rin.rst", "rout.rst"};
  talvek::MAIN(s, names);
}

// A unit system: how many of its units make one field unit.
struct System {
  const char* name;
  const char* deck;
  double length, pressure, time, volume, mass;
};
const System kField = {"field", "dip6x1x3_field.txt", 1.0, 1.0, 1.0, 1.0, 1.0};
const System kSI = {"SI", "dip6x1x3_si.txt", 0.3048, 6.894757293168361, 1.0, 0.158987294928, 0.45359237};
const System kLab = {"laboratory", "dip6x1x3_lab.txt", 30.48, 1.0 / 14.695948775513449, 86400.0, 158987.294928,
                     453.59237};

// What a run leaves, in field units.
struct Outcome {
  int steps = 0;
  double time = 0;
  // Per active block: pressure, saturations, polymer concentration (ppm).
  std::vector<double> p, sw, so, sp, concp;
  // Wells: injector bottom-hole pressure and rate, producer stream rates.
  std::vector<double> wells;
  // Cumulative injection and production of oil, water, polymer solution
  // (STB) and polymer (lb).
  std::vector<double> cums;
  double swTopStart = 0, swTopEnd = 0;  // mean water saturation of the top layer
};

Outcome runConverted(const System& u) {
  auto sp = talvek::makeState();
  talvek::State& s = *sp;
  runInProcess(u.deck, s);
  Outcome o;
  o.steps = s.ISTEP;
  o.time = s.TIMUSE / u.time;
  for (int n = 1; n <= s.NGPACT; ++n) {
    o.p.push_back(s.P(n) / u.pressure);
    o.sw.push_back(s.SW(n));
    o.so.push_back(s.SO(n));
    o.sp.push_back(s.SP(n));
    o.concp.push_back(s.CONCP(n));
  }
  const double rate = u.volume / u.time;
  EXPECT_EQ(s.NWELM2, 1);
  EXPECT_EQ(s.NWELM1, 1);
  if (s.NWELM2 == 1 && s.NWELM1 == 1) {
    const int i = s.LWELM2(1), q = s.LWELM1(1);
    o.wells = {s.PSAND(i) / u.pressure, (s.FLOWW(i) + s.FLOWP(i)) / rate, s.FLOWO(q) / rate, s.FLOWW(q) / rate,
               s.FLOWP(q) / rate, s.PSAND(q) / u.pressure};
  }
  for (int k : {1, 2, 4}) {
    o.cums.push_back(s.CUMINJ(k) / u.volume);
    o.cums.push_back(s.CUMPRD(k) / u.volume);
  }
  o.cums.push_back(s.CUMINJ(5) / u.mass);
  o.cums.push_back(s.CUMPRD(5) / u.mass);
  // The top layer (K = 3) started with water saturation 0.55.
  for (int i = 1; i <= s.NX; ++i) {
    const int n = s.IORD(s.LBLOCK(i, 1, s.NZ));
    o.swTopEnd += (s.SW(n) + s.SP(n)) / s.NX;
  }
  o.swTopStart = 0.55;
  return o;
}

// Largest difference of two lists relative to each value, with a floor of
// 1E-3 of the list's largest magnitude for values that are all but zero.
double relDiff(const std::vector<double>& a, const std::vector<double>& b) {
  EXPECT_EQ(a.size(), b.size());
  double big = 0;
  for (double v : a) big = std::max(big, std::fabs(v));
  double d = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    const double scale = std::max({std::fabs(a[i]), std::fabs(b[i]), 1.0E-3 * big, 1.0E-300});
    d = std::max(d, std::fabs(a[i] - b[i]) / scale);
  }
  return d;
}

void expectAgree(const Outcome& a, const Outcome& b, const char* what, double tol) {
  SCOPED_TRACE(what);
  EXPECT_EQ(a.steps, b.steps);
  EXPECT_NEAR(a.time, b.time, 1.0E-9 * a.time);
  const struct {
    const char* name;
    const std::vector<double>& x;
    const std::vector<double>& y;
  } items[] = {{"pressure", a.p, b.p},       {"water saturation", a.sw, b.sw},
               {"oil saturation", a.so, b.so}, {"polymer-solution saturation", a.sp, b.sp},
               {"polymer concentration", a.concp, b.concp}, {"well pressures and rates", a.wells, b.wells},
               {"cumulatives", a.cums, b.cums}};
  for (const auto& it : items) {
    const double d = relDiff(it.x, it.y);
    std::printf("  %-14s %-28s largest relative difference %.2E\n", what, it.name, d);
    EXPECT_LE(d, tol) << it.name;
  }
}

// Field and the two metric systems: the only constant that is not an exact
// conversion is the field Darcy constant, 0.001127 against 0.0011271161
// (1 md ft psi / cp in rb/d), 1.03E-4 smaller; the metric constants 0.0864
// (SI) and 1 (laboratory) are exact, so these two agree more closely.
TEST(UnitSystems, DippingDeckAgreesInFieldSiAndLaboratoryUnits) {
  const Outcome field = runConverted(kField);
  const Outcome si = runConverted(kSI);
  const Outcome lab = runConverted(kLab);
  ASSERT_EQ(field.steps, 30);
  // Gravity acts: the water of the top layer slumps and the polymer slug
  // reaches the producer's side, so a wrong gradient or density shows.
  EXPECT_LT(field.swTopEnd, field.swTopStart - 0.05);
  EXPECT_LT(field.cums[6], 0.0);  // polymer injected
  EXPECT_GT(*std::max_element(field.sp.begin(), field.sp.end()), 0.1);
  expectAgree(field, si, "field vs SI", 1.0E-4);
  expectAgree(field, lab, "field vs lab", 1.0E-4);
  expectAgree(si, lab, "SI vs lab", 1.0E-5);
}

// A laboratory core flood: 0.005 scc/s of a 1000 ppm polymer solution in
// water of specific gravity 1 (1 g/cm3) for 1000 s carries
// 1000E-6 x 1 g/cm3 x 5 cm3 = 0.005 g of polymer.
TEST(UnitSystems, LaboratoryCoreFloodInjectsConcentrationTimesVolume) {
  auto sp = talvek::makeState();
  talvek::State& s = *sp;
  runInProcess("corefloodlab.txt", s);
  EXPECT_NEAR(s.TIMUSE, 2000.0, 1.0E-6);
  EXPECT_NEAR(-s.CUMINJ(4), 5.0, 1.0E-9);            // polymer solution, scc
  EXPECT_NEAR(-s.CUMINJ(5) / 0.005, 1.0, 1.0E-6);    // polymer, g
  EXPECT_NEAR(s.DENWS(1), 1.0, 1.0E-6);              // g/cm3
}

// The printed "GW =" of a run whose output system differs from its input
// system is the deck's well factor converted by hand: 5 rb.cp/(d.psi) is
// 5 x 0.1589873 / 6.894757 = 0.1152958 m3.cp/(d.kPa), and back.
TEST(UnitSystems, PrintedWellFactorIsTheDeckValueConverted) {
  const double perField = 0.158987294928 / 6.894757293168361;  // m3/kPa per rb/psi
  struct Case {
    const char* deck;
    double printed;  // expected, in the output system
  } cases[] = {{"dip6x1x3_field.txt", 5.0 * perField}, {"dip6x1x3_si.txt", 5.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deck);
    const auto dir = e2e::scratch(std::string("gw_") + c.deck);
    std::string args = "'";
    args += deckPath(c.deck).string();
    args += "' out.lis rin.rst rout.rst";
    const e2e::Result r = e2e::run(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    int seen = 0;
    for (const auto& l : e2e::lines(e2e::slurp(dir / "out.lis"))) {
      const auto at = l.find("   GW =");
      if (at == std::string::npos) continue;
      const double gw = std::strtod(l.c_str() + at + 7, nullptr);
      EXPECT_NEAR(gw / c.printed, 1.0, 5.0E-5) << l;  // E12.5: five digits
      ++seen;
    }
    EXPECT_GE(seen, 2);  // both wells, at every well report
  }
}

// No factors lead from field or SI units into laboratory units: field or SI
// input that asks for laboratory output is reported in its own system, with
// one warning naming the item. The listing, the console and the seven listing
// files are those of the same deck asking for its own system.
TEST(UnitSystems, LaboratoryOutputOfFieldOrSiInputIsWrittenInTheInputSystem) {
  struct Case {
    const char* example;
    const char* head3;  // the values line of group 3 (line 9) as the example gives it
    const char* labOut;  // the same asking for laboratory output
    const char* unitsTitle;
    const char* warning;
  } cases[] = {
      {"waterflood1d.txt", "1 1 0 0 10. 0.01 0.05 100. 100. 0.05 3", "1 3 0 0 10. 0.01 0.05 100. 100. 0.05 3",
       "UNITS OF OUTPUT DATA ARE: FIELD UNITS",
       "talvek: warning: lab.txt:9: data group DATA 03B, item MUNTOUT: MUNTOUT = 3, but laboratory output is not "
       "converted from field input: the reports are written in field units (MUNTOUT = 1)"},
      {"waterflood_si.txt", "2 2 0 0 20. 0.01 0.05 700. 20. 0.05 3", "2 3 0 0 20. 0.01 0.05 700. 20. 0.05 3",
       "UNITS OF OUTPUT DATA ARE: SPE PREFERRED METRIC UNITS",
       "talvek: warning: lab.txt:9: data group DATA 03B, item MUNTOUT: MUNTOUT = 3, but laboratory output is not "
       "converted from SI input: the reports are written in SI units (MUNTOUT = 2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.example);
    auto deck = e2e::lines(e2e::slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / c.example));
    ASSERT_GE(deck.size(), 9u);
    ASSERT_EQ(deck[8], c.head3);
    const fs::path dir[2] = {e2e::scratch(std::string("labout_own_") + c.example),
                             e2e::scratch(std::string("labout_lab_") + c.example)};
    for (int k = 0; k < 2; ++k) {
      deck[8] = k == 0 ? c.head3 : c.labOut;
      std::ofstream f(dir[k] / (k == 0 ? "own.txt" : "lab.txt"));
      for (const auto& l : deck) f << l << "\n";
    }
    const e2e::Result own = e2e::run(dir[0], "own.txt out.lis rin.rst rout.rst");
    const e2e::Result lab = e2e::run(dir[1], "lab.txt out.lis rin.rst rout.rst");
    ASSERT_EQ(own.status, 0) << own.err;
    ASSERT_EQ(lab.status, 0) << lab.err;
    EXPECT_EQ(own.err, "");
    EXPECT_EQ(e2e::lines(lab.err), std::vector<std::string>{c.warning});
    const std::string listing = e2e::withoutTimes(dir[1] / "out.lis");
    EXPECT_NE(listing.find(c.unitsTitle), std::string::npos);
    EXPECT_EQ(listing.find("LABORATORY UNITS"), std::string::npos);
    EXPECT_EQ(listing, e2e::withoutTimes(dir[0] / "out.lis"));
    EXPECT_EQ(e2e::withoutTimes(dir[1] / "stdout.txt"), e2e::withoutTimes(dir[0] / "stdout.txt"));
    for (const char* file : {"res.lis", "weld.lis", "well.lis", "pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"}) {
      SCOPED_TRACE(file);
      const std::string want = e2e::slurp(dir[0] / file);
      EXPECT_FALSE(want.empty());
      EXPECT_EQ(e2e::slurp(dir[1] / file), want);
    }
  }
}

}  // namespace
