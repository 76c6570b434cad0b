// The command line and the console dialogue of the talvek program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string_view>

#include "e2e_util.h"

using namespace e2e;

TEST(CommandLine, HelpAndVersion) {
  const auto dir = scratch("cli_help");
  Result h = run(dir, "--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("usage: talvek [DECK LISTING RST_IN RST_OUT]"), std::string::npos) << h.out;
  // The exit statuses and the file-name rules are told.
  for (const char* status : {"  0  the run reached its halting time", "  1  bad input", "  2  wrong command line",
                             "  3  a time step failed fifteen times", "  4  a file could not be opened"})
    EXPECT_NE(h.out.find(status), std::string::npos) << status;
  EXPECT_NE(h.out.find("no two of them may be the same file"), std::string::npos) << h.out;
  for (const char* option : {"--output-dir DIR", "--quiet", "--progress", "--csv", "--summary", "--check"})
    EXPECT_NE(h.out.find("\n  " + std::string(option) + " "), std::string::npos) << option;
  EXPECT_EQ(h.err, "");
  Result v = run(dir, "--version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "talvek 1.16\n");
  // Neither writes a file of the run.
  EXPECT_FALSE(fs::exists(dir / "res.lis"));
}

TEST(CommandLine, WrongArgumentsAreRefused) {
  const auto dir = scratch("cli_args");
  for (const char* args : {"deck.txt out.lis", "a b c d e", "--frobnicate"}) {
    Result r = run(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("talvek: error:"), std::string::npos) << args << ": " << r.err;
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
  }
}

TEST(CommandLine, MissingDeckStopsWithAMessage) {
  const auto dir = scratch("cli_missing");
  Result r = run(dir, "nosuch.txt out.lis r1.rst r2.rst");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("talvek: error:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nosuch.txt"), std::string::npos) << r.err;
  // The banner is written, the prompt is not (the names came as arguments).
  EXPECT_NE(r.out.find("(TALVEK, RELEASE 1.16)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("ENTER NAMES"), std::string::npos);
}

TEST(ConsoleDialogue, PromptThenAnswerLine) {
  const auto dir = scratch("cli_prompt");
  Result r = run(dir, "", "nosuch.txt,out.lis,r1.rst,r2.rst\n");
  EXPECT_NE(r.status, 0);
  const auto l = lines(r.out);
  ASSERT_GE(l.size(), 12u);
  EXPECT_EQ(l[0], "   ");
  EXPECT_EQ(l[3], "  TALVEK");
  EXPECT_EQ(l[4], "              (TALVEK, RELEASE 1.16)");
  EXPECT_EQ(l[l.size() - 2], " ENTER NAMES OF INPUT, OUTPUT, RESTART-UP FILES");
  EXPECT_EQ(l[l.size() - 1], " input.txt,output.lis,rstr1.txt,rstr2.txt");
  EXPECT_NE(r.err.find("nosuch.txt"), std::string::npos) << r.err;

  // No answer at all.
  Result e = run(dir, "", "");
  EXPECT_NE(e.status, 0);
  EXPECT_NE(e.err.find("no answer on standard input"), std::string::npos) << e.err;
}

// ---- options beyond the four names -------------------------------------------------------

namespace {

const char* const kListingFiles[] = {"res.lis", "weld.lis", "well.lis", "pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"};

std::string example(const char* name) { return (fs::path(TALVEK_SOURCE_DIR) / "examples" / name).string(); }

// The listing without its processor-time lines (the only lines that differ
// between two runs of one deck).
std::string listingWithoutTimes(const fs::path& p) {
  std::string out;
  for (const auto& l : lines(slurp(p)))
    if (l.find("CPU-TIME IN SECONDS") == std::string::npos) out += l + "\n";
  return out;
}

// Comma-separated fields of one line (empty fields kept).
std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> v;
  std::string f;
  std::istringstream in(line);
  while (std::getline(in, f, ',')) v.push_back(f);
  if (!line.empty() && line.back() == ',') v.push_back("");
  return v;
}

// A table of results.csv or wells.csv: the header and the rows.
struct Csv {
  std::vector<std::string> head;
  std::vector<std::vector<std::string>> rows;
  int col(const std::string& name) const {
    for (std::size_t i = 0; i < head.size(); ++i)
      if (head[i].rfind(name + " [", 0) == 0) return static_cast<int>(i);
    ADD_FAILURE() << "no column " << name;
    return 0;
  }
  double num(std::size_t r, const std::string& name) const { return std::stod(rows[r][static_cast<std::size_t>(col(name))]); }
};

Csv readCsv(const fs::path& p) {
  Csv c;
  auto l = lines(slurp(p));
  if (l.empty()) return c;
  c.head = fields(l[0]);
  for (std::size_t i = 1; i < l.size(); ++i) c.rows.push_back(fields(l[i]));
  return c;
}

// A number of a listing-file record, columns [from, from + width) (1-based);
// E fields with a three-digit exponent have no E ("0.206-296").
double field(const std::string& rec, std::size_t from, std::size_t width) {
  const std::string t = rec.substr(from - 1, width);
  const std::string v = t.substr(t.find_first_not_of(' '));
  const auto pos = v.find_first_of("+-", 1);
  if (pos == std::string::npos || v.find('E') != std::string::npos) return std::stod(v);
  return std::stod(v.substr(0, pos)) * std::pow(10.0, std::stod(v.substr(pos)));
}

}  // namespace

TEST(CommandLineOptions, AddToTheRunWithoutChangingTheSystemsOutputs) {
  // The same deck run plainly and with every option that writes more: the
  // listing and the seven listing files are the same, the console only gains
  // the summary; the listing files are in the output folder.
  const auto plain = scratch("opt_plain"), more = scratch("opt_more");
  const std::string deck = example("fivespot_polymer.txt");
  Result a = run(plain, "'" + deck + "' f.lis r1.rst r2.rst");
  Result b = run(more, "--csv --output-dir out '" + deck + "' f.lis r1.rst r2.rst");
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(listingWithoutTimes(plain / "f.lis"), listingWithoutTimes(more / "f.lis"));
  for (const char* f : kListingFiles) {
    EXPECT_FALSE(fs::exists(more / f)) << f;
    EXPECT_EQ(slurp(plain / f), slurp(more / "out" / f)) << f;
  }
  EXPECT_EQ(lines(a.out).size(), lines(b.out).size());  // no summary on the console without --summary
  EXPECT_TRUE(fs::exists(more / "out" / "results.csv"));
  EXPECT_TRUE(fs::exists(more / "out" / "wells.csv"));
  EXPECT_TRUE(fs::exists(more / "out" / "summary.txt"));
  EXPECT_EQ(b.err, "");

  // --summary: the summary on the console and at the end of the listing,
  // before the processor times.
  Result c = run(more, "--summary '" + deck + "' s.lis r1.rst r2.rst");
  ASSERT_EQ(c.status, 0) << c.err;
  for (const std::string& text : {c.out, slurp(more / "s.lis")}) {
    const auto at = text.find(" RUN SUMMARY\n ===========\n HALTING TIME REACHED: yes");
    ASSERT_NE(at, std::string::npos) << text.substr(text.size() > 2000 ? text.size() - 2000 : 0);
    EXPECT_LT(at, text.find("COMP. CPU-TIME IN SECONDS"));
  }
  EXPECT_EQ(slurp(more / "summary.txt"), c.out.substr(c.out.find(" RUN SUMMARY"), slurp(more / "summary.txt").size()));
}

TEST(CommandLineOptions, QuietLeavesOutTheConsoleLinesOfEveryStep) {
  const auto dir = scratch("opt_quiet");
  const std::string deck = example("waterflood1d.txt");
  Result a = run(dir, "'" + deck + "' a.lis r1.rst r2.rst");
  Result q = run(dir, "--quiet '" + deck + "' q.lis r1.rst r2.rst");
  ASSERT_EQ(a.status, 0);
  ASSERT_EQ(q.status, 0);
  EXPECT_NE(a.out.find("ITERK ="), std::string::npos);
  EXPECT_EQ(q.out.find("ITERK ="), std::string::npos) << q.out;
  EXPECT_EQ(q.out.find("HAS BEEN COMPLETED"), std::string::npos);
  EXPECT_NE(q.out.find("END OF TALVEK RUN"), std::string::npos);
  EXPECT_LT(lines(q.out).size(), 40u);
  EXPECT_EQ(listingWithoutTimes(dir / "a.lis"), listingWithoutTimes(dir / "q.lis"));
}

TEST(CommandLineOptions, CheckStopsAfterTheInitialReport) {
  const auto dir = scratch("opt_check");
  const std::string deck = example("blackoil3d.txt");
  // A res.lis of an earlier run stays as it is.
  { std::ofstream(dir / "res.lis") << "earlier\n"; }
  Result r = run(dir, "--check '" + deck + "' c.lis r1.rst r2.rst");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string lis = slurp(dir / "c.lis");
  EXPECT_NE(lis.find("RUN TITLE"), std::string::npos);
  EXPECT_NE(lis.find("DECK CHECK: the deck was read"), std::string::npos);
  EXPECT_EQ(lis.find("TIME  STEP  SUMMARY"), std::string::npos);
  EXPECT_EQ(r.out.find("ITERK ="), std::string::npos);
  EXPECT_EQ(slurp(dir / "res.lis"), "earlier\n");
  for (const auto& e : fs::directory_iterator(dir)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();

  // A deck with an error is no sound deck.
  std::string bad = slurp(deck);
  const auto at = bad.find("DATA 10B");
  ASSERT_NE(at, std::string::npos);
  const auto l2 = bad.find('\n', bad.find('\n', at) + 1) + 1;
  bad.replace(l2, bad.find('\n', l2) - l2, "50 8 3 1 1 0 1 1 0. 0.");
  { std::ofstream(dir / "bad.txt") << bad; }
  Result e = run(dir, "--check bad.txt b.lis r1.rst r2.rst");
  EXPECT_EQ(e.status, 1) << e.err;
  EXPECT_NE(e.err.find("item NX"), std::string::npos) << e.err;
}

TEST(CommandLineOptions, WorkWithThePromptAndAreChecked) {
  const auto dir = scratch("opt_prompt");
  const std::string deck = example("waterflood1d.txt");
  // The answer line on standard input, the options on the command line.
  Result r = run(dir, "--csv --quiet --output-dir out", "'" + deck + "',p.lis,r1.rst,r2.rst\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("ENTER NAMES OF INPUT, OUTPUT, RESTART-UP FILES"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "out" / "results.csv"));
  EXPECT_TRUE(fs::exists(dir / "out" / "res.lis"));
  EXPECT_TRUE(fs::exists(dir / "p.lis"));
  Result c = run(dir, "--check", "'" + deck + "' c.lis r1.rst r2.rst\n");
  EXPECT_EQ(c.status, 0) << c.err;

  struct Case {
    const char* args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      // The file names are checked against the files of the output folder.
      {"--output-dir out DECK out/res.lis r1.rst r2.rst", 2, "is the listing file res.lis that the run writes in the folder 'out'"},
      {"--csv --output-dir out DECK out/wells.csv r1.rst r2.rst", 2, "is the result file wells.csv"},
      {"--summary DECK summary.txt r1.rst r2.rst", 2, "is the result file summary.txt that the run writes in the current directory"},
      {"--output-dir", 2, "option '--output-dir' needs a folder name"},
      {"--output-dir= DECK a.lis r1.rst r2.rst", 2, "option '--output-dir' needs a folder name"},
      {"--csv DECK a.lis", 2, "expected four file names"},
      // A file where the folder should be.
      {"--output-dir p.lis DECK a.lis r1.rst r2.rst", 4, "cannot create the output folder 'p.lis'"},
      // A missing deck: no output folder is made.
      {"--output-dir out3 nosuch.txt a.lis r1.rst r2.rst", 4, "cannot open the input deck 'nosuch.txt'"},
      // Outside the output folder the listing files' names are free.
      {"--output-dir out2 DECK res.lis r1.rst r2.rst", 0, ""},
  };
  for (const Case& k : cases) {
    std::string args = k.args;
    const auto at = args.find("DECK");
    if (at != std::string::npos) args.replace(at, 4, "'" + deck + "'");
    Result x = run(dir, args);
    EXPECT_EQ(x.status, k.status) << k.args << ": " << x.err;
    EXPECT_NE(x.err.find(k.message), std::string::npos) << k.args << ": " << x.err;
  }
  EXPECT_TRUE(fs::exists(dir / "out2" / "res.lis"));
  EXPECT_FALSE(fs::exists(dir / "out3"));
}

TEST(CommandLineOptions, ResultTablesNameTheUnitsOfTheOutputSystem) {
  // Every ratio of liquid volumes is named in the output unit system, as the
  // rates and volumes it is formed from.
  struct Case {
    const char* deck;
    const char* columns[4];
  };
  const Case cases[] = {
      {"waterflood_si.txt", {"aor [sm3/sm3]", "gor [sm3/sm3]", "oil_rate [sm3/d]", "cum_gas [sm3]"}},
      {"coreflood_lab.txt", {"aor [scc/scc]", "gor [scc/scc]", "oil_rate [scc/s]", "pavg [atm]"}},
  };
  for (const Case& c : cases) {
    const auto dir = scratch(std::string("opt_units_") + c.deck);
    Result r = run(dir, "--csv --quiet '" + example(c.deck) + "' u.lis r1.rst r2.rst");
    ASSERT_EQ(r.status, 0) << c.deck << ": " << r.err;
    const Csv res = readCsv(dir / "results.csv");
    for (const char* col : c.columns) {
      const std::string name(col, std::string_view(col).find(' '));
      EXPECT_EQ(res.head[static_cast<std::size_t>(res.col(name))], col) << c.deck;
    }
  }
}

TEST(CommandLineOptions, ResultTablesHoldTheListingFilesRecordsInFullPrecision) {
  const auto dir = scratch("opt_csv");
  Result r = run(dir, "--csv --quiet '" + example("fivespot_polymer.txt") + "' f.lis r1.rst r2.rst");
  ASSERT_EQ(r.status, 0) << r.err;
  const Csv res = readCsv(dir / "results.csv");
  const auto reslis = lines(slurp(dir / "res.lis"));
  ASSERT_EQ(res.rows.size(), reslis.size());
  ASSERT_GT(res.rows.size(), 100u);
  EXPECT_EQ(res.head[1], "time [d]");
  EXPECT_EQ(res.head[res.col("oil_rate")], "oil_rate [STB/d]");
  // res.lis: I1 1X F6.0 1X F6.0 1X F6.3 1X 3(F7.3 1X) 6(E9.3 1X) F7.3 1X E9.3 1X F7.3
  struct Col {
    const char* name;
    std::size_t from, width;
    double abs, rel;  // the listing field's rounding: F fields absolute, E9.3 relative
  };
  const Col cols[] = {{"time", 3, 6, 0.5, 0},         {"pavg", 10, 6, 0.5, 0},     {"oil_recovery", 17, 6, 5e-4, 0},
                      {"pvi_aqueous", 32, 7, 5e-4, 0}, {"oil_rate", 48, 9, 0, 5e-3}, {"aqueous_rate", 58, 9, 0, 5e-3},
                      {"cum_oil", 78, 9, 0, 5e-3},    {"cum_aqueous", 88, 9, 0, 5e-3}, {"pvi", 126, 7, 5e-4, 0}};
  for (std::size_t i = 0; i < reslis.size(); ++i) {
    for (const Col& c : cols) {
      const double lis = field(reslis[i], c.from, c.width), csv = res.num(i, c.name);
      EXPECT_NEAR(lis, csv, c.abs + c.rel * std::fabs(csv) + 1e-12) << "step " << i + 1 << " " << c.name;
    }
    // Full precision: 17 significant digits, no clipped values.
    EXPECT_GE(res.rows[i][static_cast<std::size_t>(res.col("cum_oil"))].size(), 12u) << i;
  }
  // The ratios res.lis clips to 999.999 are the true ones in results.csv.
  const double aor = res.num(res.rows.size() - 1, "aor");
  EXPECT_NEAR(aor, res.num(res.rows.size() - 1, "aqueous_rate") / res.num(res.rows.size() - 1, "oil_rate"), 1e-9 * aor);

  // wells.csv: the records of weld.lis, in its order.
  const Csv wells = readCsv(dir / "wells.csv");
  const auto weld = lines(slurp(dir / "weld.lis"));
  ASSERT_EQ(wells.rows.size(), weld.size());
  for (std::size_t i = 0; i < weld.size(); ++i) {
    // 1X I4 F9.1 I4 2X 3I4 5E14.5 F11.5 1X F8.1
    EXPECT_EQ(std::stoi(weld[i].substr(1, 4)), std::stoi(wells.rows[i][0]));
    EXPECT_EQ(std::stoi(weld[i].substr(14, 4)), std::stoi(wells.rows[i][2]));
    const double bhp = field(weld[i], 33, 14), qo = field(weld[i], 47, 14), qa = field(weld[i], 61, 14);
    EXPECT_NEAR(bhp, wells.num(i, "bhp"), 1e-4 * std::fabs(bhp)) << i;
    EXPECT_NEAR(qo, wells.num(i, "oil_rate"), 1e-4 * std::fabs(qo) + 1e-30) << i;
    EXPECT_NEAR(qa, wells.num(i, "water_rate") + wells.num(i, "polymer_solution_rate"), 1e-4 * std::fabs(qa) + 1e-30) << i;
    EXPECT_NEAR(field(weld[i], 115, 8), wells.num(i, "tracer_concentration"), 0.051) << i;
  }
}

TEST(CommandLineOptions, ResultTablesGiveZeroForComponentsWhoseEquationIsOff) {
  // The water flood solves neither gas nor polymer solution. Its flow terms of
  // those components hold only the zero-division guards (about 1E-53) and the
  // gas dissolved in the produced oil; the listing prints 0 for them, and so
  // do both tables, in every row.
  const auto dir = scratch("opt_csv_off");
  Result r = run(dir, "--csv --quiet '" + example("waterflood1d.txt") + "' f.lis r1.rst r2.rst");
  ASSERT_EQ(r.status, 0) << r.err;
  const Csv wells = readCsv(dir / "wells.csv"), res = readCsv(dir / "results.csv");
  ASSERT_FALSE(wells.rows.empty());
  ASSERT_FALSE(res.rows.empty());
  for (std::size_t i = 0; i < wells.rows.size(); ++i)
    for (const char* c : {"gas_rate", "polymer_solution_rate", "cum_gas", "cum_polymer_solution", "cum_gas_injected",
                          "cum_polymer_solution_injected"})
      EXPECT_EQ(wells.num(i, c), 0.0) << "wells.csv row " << i + 1 << " " << c;
  for (std::size_t i = 0; i < res.rows.size(); ++i)
    for (const char* c : {"gas_rate", "polymer_solution_rate", "cum_gas", "cum_polymer_solution"})
      EXPECT_EQ(res.num(i, c), 0.0) << "results.csv row " << i + 1 << " " << c;
  // The components that are solved keep their rates.
  EXPECT_GT(wells.num(wells.rows.size() - 1, "oil_rate"), 0.0);
}

TEST(CommandLineOptions, SummaryBreakthroughTimesAgreeWithWeldLis) {
  // For the producer of each example, the first step of weld.lis whose
  // aqueous cut passes 0.01, whose GOR passes 1.1 x that of the first step
  // (the initial solution ratio: the oil starts undersaturated) and whose
  // tracer concentration passes 1 % of the injected 100 ppm; 0 for none.
  // The five-spot's polymer is adsorbed before it reaches the producer.
  const struct {
    const char* deck;
    const char* row;  // the start of the producer's summary row
    int well;
    bool water, gas, tracer;  // breakthroughs the run has
  } cases[] = {
      {"fivespot_polymer.txt", "      2  (11, 11, 1)", 2, true, false, true},
      {"blackoil3d.txt", "      1  ( 8,  8, 3)", 1, true, true, false},
  };
  for (const auto& k : cases) {
    const auto dir = scratch(std::string("opt_summary_") + k.deck);
    Result r = run(dir, "--summary --quiet '" + example(k.deck) + "' f.lis r1.rst r2.rst");
    ASSERT_EQ(r.status, 0) << r.err;
    int step[3] = {0, 0, 0};  // water, gas, tracer
    double time[3] = {0, 0, 0}, gor0 = -1;
    for (const auto& rec : lines(slurp(dir / "weld.lis"))) {
      if (std::stoi(rec.substr(14, 4)) != k.well) continue;
      const int st = std::stoi(rec.substr(1, 4));
      const double t = field(rec, 6, 9), qo = field(rec, 47, 14), qa = field(rec, 61, 14), qg = field(rec, 75, 14);
      if (gor0 < 0) gor0 = qg / qo;
      const bool over[3] = {qa / (qo + qa) > 0.01, k.gas && qg / qo > 1.1 * gor0, field(rec, 115, 8) > 0.01 * 100.0};
      for (int i = 0; i < 3; ++i)
        if (!step[i] && over[i]) step[i] = st, time[i] = t;
    }
    EXPECT_EQ(step[0] > 0, k.water) << k.deck;
    EXPECT_EQ(step[1] > 0, k.gas) << k.deck;
    EXPECT_EQ(step[2] > 0, k.tracer) << k.deck;
    std::string row;
    for (const auto& l : lines(slurp(dir / "summary.txt")))
      if (l.rfind(k.row, 0) == 0) row = l;
    ASSERT_FALSE(row.empty()) << slurp(dir / "summary.txt");
    // The row's cells: water, gas, polymer, tracer, 24 characters each.
    const std::size_t cell0 = std::string(k.row).size() + 4;
    const int cellOf[3] = {0, 1, 3};
    for (int i = 0; i < 3; ++i) {
      const std::string cell = row.substr(cell0 + 24 * static_cast<std::size_t>(cellOf[i]), 24);
      if (!step[i]) {
        EXPECT_EQ(cell.substr(0, 4), "none") << k.deck << ": " << row;
        continue;
      }
      const std::string want = "step " + std::to_string(step[i]) + ", t = ";
      ASSERT_EQ(cell.rfind(want, 0), 0u) << k.deck << " breakthrough " << i << ": " << row;
      EXPECT_NEAR(std::stod(cell.substr(want.size())), time[i], 0.051) << k.deck << ": " << row;
    }
    EXPECT_EQ(row.substr(cell0 + 48, 4), "none") << row;  // polymer
    const std::string sum = slurp(dir / "summary.txt");
    EXPECT_NE(sum.find("HALTING TIME REACHED: yes"), std::string::npos);
    EXPECT_NE(sum.find(" STEPS: " + std::to_string(lines(slurp(dir / "res.lis")).size()) + " "), std::string::npos);
  }
}

TEST(CommandLineOptions, ProgressLinesOnePerReportStepWhenNotATerminal) {
  const auto dir = scratch("opt_progress");
  Result r = run(dir, "--progress --quiet '" + example("waterflood1d.txt") + "' w.lis r1.rst r2.rst");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto l = lines(r.err);
  ASSERT_GE(l.size(), 2u) << r.err;
  for (const auto& x : l) {
    EXPECT_EQ(x.rfind("talvek: time ", 0), 0u) << x;
    EXPECT_NE(x.find("water cut"), std::string::npos) << x;
  }
  EXPECT_NE(l.back().find("(100.0%)"), std::string::npos) << l.back();
  // One line per report step: as many as time-step summaries in the listing.
  const std::string lis = slurp(dir / "w.lis");
  std::size_t reports = 0;
  for (auto at = lis.find("TIME  STEP  SUMMARY"); at != std::string::npos; at = lis.find("TIME  STEP  SUMMARY", at + 1)) ++reports;
  EXPECT_EQ(l.size() + 1, reports);  // the closing report of the run is no step
}

TEST(CommandLineOptions, ProgressLineUpdatesInPlaceOnATerminal) {
  // The program run on a pseudo-terminal by script(1).
  if (std::system("command -v script > /dev/null 2>&1") != 0) GTEST_SKIP() << "script(1) is not installed";
  const auto dir = scratch("opt_progress_tty");
  const std::string cmd = "cd '" + dir.string() + "' && script -qec \"'" + std::string(TALVEK_BINARY) +
                          "' --progress --quiet '" + example("waterflood1d.txt") +
                          "' w.lis r1.rst r2.rst\" /dev/null < /dev/null > tty.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string tty = slurp(dir / "tty.txt");
  std::size_t updates = 0, last = 0;
  for (auto at = tty.find("\rtime "); at != std::string::npos; at = tty.find("\rtime ", at + 1)) ++updates, last = at;
  // One update per accepted step, none of the one-line-per-report form.
  EXPECT_EQ(updates, lines(slurp(dir / "res.lis")).size());
  EXPECT_EQ(tty.find("talvek: time"), std::string::npos);
  const std::string tail = tty.substr(last);
  EXPECT_NE(tail.find("(100.0%)"), std::string::npos) << tail;
  // The line is ended before the closing lines of the run.
  EXPECT_LT(tail.find('\n'), tail.find("COMP. CPU-TIME")) << tail;
}
