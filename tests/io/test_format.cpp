// The edit-descriptor writer against gfortran's own output
// (tests/data/io/golden_format.txt, made by gen_golden.f90), plus the Line
// and FreeLine record builders.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "io/format.h"
#include "io/units.h"

using namespace talvek;

namespace {

double fromBits(const std::string& hex) {
  std::uint64_t b = std::stoull(hex, nullptr, 16);
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

}  // namespace

TEST(Format, MatchesGfortranGolden) {
  std::ifstream in(std::string(TALVEK_TEST_DATA) + "/io/golden_format.txt");
  ASSERT_TRUE(in) << "golden_format.txt missing";
  std::string line;
  int cases = 0, bad = 0;
  while (std::getline(in, line)) {
    // <descriptor> <value> |<field>|
    const auto sp1 = line.find(' ');
    const auto sp2 = line.find(' ', sp1 + 1);
    const auto bar = line.find('|');
    ASSERT_TRUE(sp1 != std::string::npos && sp2 == bar - 1 && line.back() == '|') << line;
    const std::string desc = line.substr(0, sp1);
    const std::string val = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string want = line.substr(bar + 1, line.size() - bar - 2);
    const char kind = desc[0];
    int w = 0, d = 0;
    if (kind == 'I') {
      w = std::stoi(desc.substr(1));
    } else {
      ASSERT_EQ(std::sscanf(desc.c_str() + 1, "%d.%d", &w, &d), 2) << line;
    }
    ASSERT_EQ(static_cast<int>(want.size()), w) << line;
    char out[300];
    std::memset(out, '#', sizeof out);
    int n = 0;
    switch (kind) {
      case 'I': n = fmtI(out, std::stoll(val), w); break;
      case 'F': n = fmtF(out, fromBits(val), w, d); break;
      case 'E': n = fmtE(out, fromBits(val), w, d); break;
      case 'G': n = fmtG(out, fromBits(val), w, d); break;
      default: FAIL() << line;
    }
    ++cases;
    const std::string got(out, static_cast<std::size_t>(n));
    if (got != want || out[n] != '\0') {
      if (++bad <= 25) ADD_FAILURE() << desc << " of " << val << ": got |" << got << "| want |" << want << "|";
    }
  }
  EXPECT_EQ(bad, 0) << "of " << cases << " golden cases";
  EXPECT_GT(cases, 5000);
}

TEST(Format, LineBuildsRecords) {
  Line l;
  l.X(2).A("TALVEK").A("ABCDEF", 3).A("AB", 5).rep('=', 4).I(-12, 4).F(2.5, 6, 1).E(1234.5, 11, 4).G(0.5, 10, 3);
  // 1234.5 is a tie in binary too: rounded to even, as gfortran does.
  EXPECT_EQ(l.text(), "  TALVEKABC   AB==== -12   2.5 0.1234E+04 0.500    ");
  Line m;
  m.I(1, 2).slash().I(2, 2);  // a detached line keeps its records apart by '\n'
  EXPECT_EQ(m.text(), " 1\n 2");
  Line big;
  EXPECT_THROW(big.X(Line::kCap).I(1, 1), std::runtime_error);  // a record past the buffer is refused
}

TEST(Format, WideFieldsAndNulTerminator) {
  char out[400];
  EXPECT_EQ(fmtI(out, 7, 300), 300);
  EXPECT_EQ(std::string(out), std::string(299, ' ') + "7");
  EXPECT_EQ(fmtF(out, -0.5, 300, 3), 300);
  EXPECT_EQ(std::string(out), std::string(294, ' ') + "-0.500");
  EXPECT_EQ(fmtE(out, 1.0, 0, 3), 0);
  EXPECT_EQ(fmtF(out, 1e300, 12, 2), 12);
  EXPECT_EQ(std::string(out), std::string(12, '*'));
}

TEST(Format, FreeLineUsesFixedWidths) {
  Line probe;
  probe.X(1).A("N").X(1).I(-5, FreeLine::kIntWidth).X(1).G(1.0e-3, FreeLine::kRealWidth, FreeLine::kRealDigits);
  EXPECT_EQ(probe.text(), " N           -5   0.1000000E-02");
}
