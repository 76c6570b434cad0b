// The Newton iteration lines and the detailed iteration dump of IPRINT = 2,
// which is written only for the steps IPRST1 to IPRST2.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "e2e_util.h"

using namespace e2e;

TEST(IterationPrint, LinesEverywhereDumpOnlyInTheStepWindow) {
  auto deck = lines(slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / "waterflood1d.txt"));
  for (std::size_t i = 0; i + 2 < deck.size(); ++i) {
    if (deck[i].rfind("DATA 02B", 0) == 0) deck[i + 2] = "0 0 720. 3. 1.";         // halt after 3 days
    if (deck[i].rfind("DATA 04B", 0) == 0) deck[i + 2] = "2 2 3 0 20 20 100 20";  // dump steps 2 and 3
  }
  const auto dir = scratch("itprint");
  {
    std::ofstream f(dir / "deck.txt");
    for (const auto& l : deck) f << l << "\n";
  }
  Result r = run(dir, "deck.txt out.lis rin.rst rout.rst");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lis = lines(slurp(dir / "out.lis"));
  const auto con = lines(r.out);

  // The iteration line: 2X "ISTEP =" I7 2X "ITERK =" I3 2X A9 I3 2X "DTIME = " F9.4 2X "TIMUSE =" F13.3,
  // on the console and, with IPRINT = 2, in the listing.
  const std::regex itRe(R"(^  ISTEP =[ 0-9]{7}  ITERK =[ 0-9]{3}  S\.S\.-NAT=[ 0-9]{3}  DTIME = [ 0-9.]{9}  TIMUSE =[ 0-9.]{13}$)");
  std::vector<std::string> conIt, lisIt;
  for (const auto& l : con)
    if (l.rfind("  ISTEP =", 0) == 0) conIt.push_back(l);
  for (const auto& l : lis)
    if (l.rfind("  ISTEP =", 0) == 0) lisIt.push_back(l);
  ASSERT_FALSE(conIt.empty());
  EXPECT_EQ(conIt, lisIt);
  for (const auto& l : conIt) EXPECT_TRUE(std::regex_match(l, itRe)) << "[" << l << "]";

  // After each iteration line of steps 2 and 3 comes a dump: one block
  // heading per active block (20), then the block table; none elsewhere.
  const std::string heading =
      "  BLK   EQN  NBR         RHS        VBB(COEF OF UKN 1,2,3,4) EQN: WAT= 1, OIL= 2, GAS= 3, POL= 3. "
      "UKN: SW= 1, SO= 3, PO= 2, SP= 3";
  const std::string table = "    L    I    J    K     PO         SO        SW        SG        SP      PBUBL      GOR";
  int step = 0, headings = 0;
  std::map<int, int> headingsByStep, tablesByStep, itersByStep;
  std::smatch m;
  const std::regex stepRe(R"(ISTEP =\s+(\d+))");
  for (const auto& l : lis) {
    if (std::regex_search(l, m, stepRe) && l.rfind("  ISTEP =", 0) == 0) {
      step = std::stoi(m[1]);
      ++itersByStep[step];
    }
    if (l == heading) {
      ++headingsByStep[step];
      ++headings;
    }
    if (l == table) ++tablesByStep[step];
  }
  ASSERT_GT(headings, 0) << "no dump found";
  for (const auto& [st, n] : itersByStep) {
    const bool inWindow = st >= 2 && st <= 3;
    EXPECT_EQ(headingsByStep[st], inWindow ? 20 * n : 0) << "step " << st;
    EXPECT_EQ(tablesByStep[st], inWindow ? n : 0) << "step " << st;
  }
}
