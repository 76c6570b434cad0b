// A step that fails fifteen times ends the run early: the message, the final
// report of the last accepted level and the summaries, then exit status 3
// with the time the run stopped at on standard error. A Newton correction
// that is not a number is never accepted, not even at the smallest step.
#include <gtest/gtest.h>

#include "e2e_util.h"

using namespace e2e;

TEST(Termination, FifteenFailedPassesEndTheRunEarly) {
  // An oil viscosity of 1E-320 (its reciprocal overflows) makes every Newton correction infinite or NaN.
  auto deck = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"));
  int changed = 0;
  for (auto& l : deck) {
    if (l == "14.7 1. 1.0000 1.0001 0.2000 1.0 2.0000 0.0100") {
      l = "14.7 1. 1.0000 1.0001 0.2000 1.0 1.E-320 0.0100";
      ++changed;
    } else if (l == "10014.7 2. 1.0000 1.0002 0.0010 1.0 1.9999 0.0101") {
      l = "10014.7 2. 1.0000 1.0002 0.0010 1.0 1.E-320 0.0101";
      ++changed;
    }
  }
  ASSERT_EQ(changed, 2);
  const auto dir = scratch("terminate");
  {
    std::ofstream f(dir / "deck.txt");
    for (const auto& l : deck) f << l << "\n";
  }
  Result r = run(dir, "deck.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 3) << r.err;
  // The reader's warning about the oil viscosity that falls with the
  // pressure, then the one error line of the run that stopped short.
  EXPECT_EQ(r.err,
            "talvek: warning: deck.txt:153: data group DATA 40C, item MUO: 9.99989e-321 in row 2 is out of range: "
            "not below the MUO of the row before (9.99989e-321)\n"
            "talvek: error: step 1 failed fifteen times: the run stopped at time 0.00000, short of its halting time "
            "720.000\n");
  const auto con = lines(r.out);
  ASSERT_GE(con.size(), 3u);
  EXPECT_EQ(con.back(), " END OF TALVEK RUN");
  int passes = 0;
  for (const auto& l : con)
    if (l.rfind("  ISTEP =      1  ITERK =  1 ", 0) == 0) ++passes;
  EXPECT_EQ(passes, 15);
  EXPECT_NE(r.out.find("\n\n ** TALVEK TERMINATED AFTER 15 TIME-STEP CUTS **\n"), std::string::npos);
  // No step was accepted: nothing in the per-step listing files.
  EXPECT_EQ(slurp(dir / "res.lis"), "");
  EXPECT_EQ(slurp(dir / "weld.lis"), "");
  const std::string lis = slurp(dir / "out.lis");
  EXPECT_NE(lis.find(" ** TALVEK TERMINATED AFTER 15 TIME-STEP CUTS **"), std::string::npos);
  EXPECT_NE(lis.find("FINAL RESERVOIR PERFORMANCE SUMMARY"), std::string::npos);
  EXPECT_NE(lis.find(" END OF TALVEK RUN"), std::string::npos);
  // The final report shows the last accepted level (the initial state at
  // time 0 here), not the diverged attempt: no overflowed rate, no NaN.
  const std::size_t fin = lis.find(" ** TALVEK TERMINATED AFTER 15 TIME-STEP CUTS **");
  ASSERT_NE(fin, std::string::npos);
  const std::string report = lis.substr(fin);
  EXPECT_NE(report.find("TIME  = 0.00000E+00"), std::string::npos);
  EXPECT_EQ(report.find("Infinity"), std::string::npos);
  EXPECT_EQ(report.find("NaN"), std::string::npos);
  // An ended run keeps its listing files under their own names.
  for (const char* f : {"res.lis", "weld.lis", "well.lis", "pvt.lis", "krp.lis", "resmat.lis", "rokmat.lis"})
    EXPECT_TRUE(fs::exists(dir / f)) << f;
}

TEST(Termination, TheFinalReportShowsTheLastAcceptedStep) {
  // Steps are accepted up to day 10; then the injector's well index, pressure
  // and rate are raised to 1E300 and no attempt of the next step is finite.
  std::string deck = slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt");
  const std::string schedule =
      "2 1 1. 720. 0. 100. 50000.\n-2 1 1 1 1 2 20. 10000. 0.2 0. 0.\n-1 2 20 1 1 11 20. 2900. 0. 0. 0.\n";
  const std::size_t at = deck.find(schedule);
  ASSERT_NE(at, std::string::npos);
  deck.replace(at, schedule.size(),
               "2 1 1. 10. 0. 100. 50000.\n-2 1 1 1 1 2 20. 10000. 0.2 0. 0.\n-1 2 20 1 1 11 20. 2900. 0. 0. 0.\n"
               "1 1 1. 720. 0. 100. 50000.\n-2 1 1 1 1 2 1.E300 1.E300 1.E300 0. 0.\n");
  const auto dir = scratch("terminate_late");
  {
    std::ofstream f(dir / "deck.txt");
    f << deck;
  }
  Result r = run(dir, "deck.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(r.err,
            "talvek: error: step 15 failed fifteen times: the run stopped at time 10.0000, short of its halting time "
            "720.000\n");
  const auto lis = lines(slurp(dir / "out.lis"));
  // The material balances, the reservoir summary and the first well's
  // heading of a time-step report, from the report that starts at `from`.
  auto balances = [&](std::size_t from) {
    std::vector<std::string> part;
    std::size_t i = from;
    while (i < lis.size() && lis[i].find("MATERIAL BALANCES") == std::string::npos) ++i;
    for (; i < lis.size() && lis[i].find("FOR WELL #:  1") == std::string::npos; ++i) part.push_back(lis[i]);
    return part;
  };
  std::size_t last = 0, fin = 0;
  for (std::size_t i = 0; i < lis.size(); ++i) {
    if (lis[i].find("TIME  STEP  SUMMARY") != std::string::npos) (fin ? fin : last) = i;
    if (lis[i] == " ** TALVEK TERMINATED AFTER 15 TIME-STEP CUTS **") fin = i;
  }
  ASSERT_GT(fin, last);
  ASSERT_GT(last, 0u);
  // The report of the last accepted step (day 10) and the final report agree.
  EXPECT_EQ(lis[last + 3], "                                             TIME  = 0.10000E+02");
  bool timeSeen = false;
  for (std::size_t i = fin; i < lis.size(); ++i) {
    EXPECT_EQ(lis[i].find("Infinity"), std::string::npos) << lis[i];
    EXPECT_EQ(lis[i].find("NaN"), std::string::npos) << lis[i];
    if (lis[i] == lis[last + 3]) timeSeen = true;
  }
  EXPECT_TRUE(timeSeen);
  const auto accepted = balances(last), final = balances(fin);
  EXPECT_GT(accepted.size(), 30u);
  EXPECT_EQ(final, accepted);
}

TEST(Termination, SummaryAndResultTablesOfARunEndedEarly) {
  // The deck of the test above: steps up to day 10, then fifteen failed attempts.
  std::string deck = slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt");
  const std::string schedule =
      "2 1 1. 720. 0. 100. 50000.\n-2 1 1 1 1 2 20. 10000. 0.2 0. 0.\n-1 2 20 1 1 11 20. 2900. 0. 0. 0.\n";
  const std::size_t at = deck.find(schedule);
  ASSERT_NE(at, std::string::npos);
  deck.replace(at, schedule.size(),
               "2 1 1. 10. 0. 100. 50000.\n-2 1 1 1 1 2 20. 10000. 0.2 0. 0.\n-1 2 20 1 1 11 20. 2900. 0. 0. 0.\n"
               "1 1 1. 720. 0. 100. 50000.\n-2 1 1 1 1 2 1.E300 1.E300 1.E300 0. 0.\n");
  const auto dir = scratch("terminate_summary");
  {
    std::ofstream f(dir / "deck.txt");
    f << deck;
  }
  Result r = run(dir, "--summary --csv --quiet deck.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 3) << r.err;
  const std::string sum = slurp(dir / "summary.txt");
  EXPECT_NE(sum.find("HALTING TIME REACHED: no (time 10 d, halting time 720 d)"), std::string::npos) << sum;
  // Fourteen accepted steps (step 15 failed), and at least its fifteen failed attempts.
  EXPECT_NE(sum.find(" STEPS: 14   CUTS: "), std::string::npos) << sum;
  const auto c = sum.find("CUTS: ");
  ASSERT_NE(c, std::string::npos);
  EXPECT_GE(std::stoi(sum.substr(c + 6)), 15) << sum;
  EXPECT_NE(r.out.find(" RUN SUMMARY"), std::string::npos);
  // The result tables of an ended run keep their names, one row per accepted step.
  EXPECT_EQ(lines(slurp(dir / "results.csv")).size(), 15u);
  EXPECT_EQ(lines(slurp(dir / "res.lis")).size(), 14u);
}

// A halting time within the loop's tolerance of 0.001 of the start runs no
// step: the run ends normally with its final report, and says so.
TEST(Termination, HaltingTimeAtTheStartRunsNoStepAndSaysSo) {
  std::string deck = slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt");
  const std::string head = "0 0 720. 720. 1.\n";
  ASSERT_NE(deck.find(head), std::string::npos);
  deck.replace(deck.find(head), head.size(), "0 0 720. 0.0005 1.\n");
  const auto dir = scratch("halt_at_start");
  {
    std::ofstream f(dir / "deck.txt");
    f << deck;
  }
  const Result r = run(dir, "deck.txt out.lis rin.rst rout.rst");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "talvek: warning: deck.txt: no time step was run: the halting time TMSTOP = 0.500000E-03 is not more than "
            "0.001 beyond the time the run starts at (0.00000)\n");
  EXPECT_EQ(slurp(dir / "res.lis"), "");
  EXPECT_NE(slurp(dir / "out.lis").find(" END OF TALVEK RUN"), std::string::npos);
}
