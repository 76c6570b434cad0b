// The array printers: layouts against gfortran records, pages, layers,
// radial grids, inactive blocks, the widest grid.
#include <cstdio>
#include <functional>
#include <tuple>

#include "io/errors.h"
#include "report/print1.h"
#include "report_fixture.h"

namespace talvek {
namespace {

using test::Capture;

std::string layerLine(int k, std::string_view label) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "  LAYER NUMBER :%3d ", k);
  std::string s(buf);
  std::string lab(label);
  lab.resize(80, ' ');
  return s + lab;
}

// The whole map of a one-layer, one-page grid: layer lines, then the page.
std::vector<std::string> onePageMap(const std::vector<std::string>& colnum,
                                    const std::vector<std::string>& dash,
                                    const std::vector<std::string>& rows) {
  std::vector<std::string> m = {"", layerLine(1, ""), "", " "};
  m.push_back(colnum[0]);
  m.push_back(dash[0]);
  for (const auto& r : rows) m.push_back(r);
  m.push_back(dash[0]);
  m.push_back(colnum[0]);
  m.push_back(" ");
  return m;
}

TEST(ArrayPrinters, FullPageMatchesTheReferenceRecords) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 10, 2, 1, false);
  auto ref = test::oracle();
  int iv[20], nv[20];
  double rv[20], sv[20];
  for (int n = 1; n <= 20; ++n) {
    iv[n - 1] = (n * 37) % 200 - 50;
    nv[n - 1] = n;
    rv[n - 1] = 1.5e3 * n - 7000.0;
    sv[n - 1] = n / 20.0;
  }
  struct Case {
    const char* name;
    std::function<void()> print;
    const char* colnum;
    const char* dash;
    const char* rows;
  };
  const Case cases[] = {
      {"IRYPRT", [&] { IRYPRT(s, iv); }, "colnum7", "dash7", "iryrows"},
      {"IORPRT", [&] { IORPRT(s, nv); }, "colnum7", "dash7", "iorrows"},
      {"ARYPRT", [&] { ARYPRT(s, rv, 2.0); }, "colnum10", "dash10", "aryrows"},
      {"ARIPRT", [&] { ARIPRT(s, rv, 2.0); }, "colnum10", "dash10", "aryrows"},
      {"SATPRT", [&] { SATPRT(s, sv); }, "colnum7", "dash7", "satrows"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Capture cap(s, s.IOUT, std::string("page_") + c.name + ".txt");
    c.print();
    EXPECT_EQ(cap.lines(), onePageMap(ref[c.colnum], ref[c.dash], ref[c.rows]));
  }
}

// 15 x 3 x 2: layer 2 then layer 1, pages of columns 1-10 and 11-15, rows
// J = 3, 2, 1; a short page ends its rows right after its last column.
TEST(ArrayPrinters, PagesLayersAndRowsOfA15x3x2Grid) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 15, 3, 2, false);
  int a[90];
  for (int n = 1; n <= 90; ++n) a[n - 1] = n;
  Capture cap(s, s.IOUT, "pages15.txt");
  IRYPRT(s, a);
  const auto lines = cap.lines();
  // Per layer: 3 layer lines + 2 pages x (1 + 2 + 3 rows + 2 + 1) lines.
  ASSERT_EQ(lines.size(), 2u * (3 + 2 * 9));
  EXPECT_EQ(lines[1], layerLine(2, "(TOP LAYER)"));
  EXPECT_EQ(lines[1 + 21], layerLine(1, "(BOTTOM LAYER)"));
  // Second page of layer 2: column numbers 11..15.
  const std::size_t p2 = 3 + 9;
  std::string colnum(6, ' ');
  for (int i = 11; i <= 15; ++i) {
    char b[16];
    std::snprintf(b, sizeof b, "    %3d", i);
    colnum += b;
    if (i < 15) colnum += "     ";
  }
  EXPECT_EQ(lines[p2 + 1], colnum);
  // Rows J = 3, 2, 1 of layer 2, columns 11..15: n = I + 15 (J - 1) + 45.
  for (int r = 0; r < 3; ++r) {
    const int J = 3 - r;
    char b[32];
    std::snprintf(b, sizeof b, " %3d", J);
    std::string row = b;
    for (int i = 11; i <= 15; ++i) {
      std::snprintf(b, sizeof b, "   %6d   ", i + 15 * (J - 1) + 45);
      row += b;
    }
    std::snprintf(b, sizeof b, "   %3d", J);
    row += b;
    EXPECT_EQ(lines[p2 + 3 + r], row);
  }
}

TEST(ArrayPrinters, RadialGridPrintsLayersAsRowsWithoutLayerLines) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 3, 1, 2, true);
  const double a[6] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
  Capture cap(s, s.IOUT, "radial_map.txt");
  SATPRT(s, a);
  const std::vector<std::string> want = {
      " ",
      "            1           2           3",
      "         -------     -------     -------",
      "   2     0.40000     0.50000     0.60000     2",
      "   1     0.10000     0.20000     0.30000     1",
      "         -------     -------     -------",
      "            1           2           3",
      " "};
  EXPECT_EQ(cap.lines(), want);
}

// Inactive blocks print 0 in every active-indexed map, also right after a
// grid-indexed map has filled the same work array at those blocks.
TEST(ArrayPrinters, InactiveBlocksPrintZero) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 3, 1, 1, false, {{2, 1, 1}});
  ASSERT_EQ(s.NGPACT, 2);
  const double grid[3] = {7.0, 8.0, 9.0};
  const double act[2] = {1.0, 3.0};
  const int iact[2] = {5, 6};
  Capture cap(s, s.IOUT, "inactive.txt");
  ARIPRT(s, grid, 1.0);
  ARYPRT(s, act, 1.0);
  SATPRT(s, act);
  IRYPRT(s, iact);
  const auto lines = cap.lines();
  ASSERT_EQ(lines.size(), 4u * 10);
  EXPECT_EQ(lines[6], "   1  0.7000E+01  0.8000E+01  0.9000E+01     1");
  EXPECT_EQ(lines[16], "   1  0.1000E+01  0.0000E+00  0.3000E+01     1");
  EXPECT_EQ(lines[26], "   1     1.00000     0.00000     3.00000     1");
  EXPECT_EQ(lines[36], "   1        5           0           6        1");
}

// NX = 40 needs four pages in every printer.
TEST(ArrayPrinters, FortyColumnsGiveFourPages) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 40, 2, 1, false);
  static int iv[80];
  static double rv[80];
  for (int n = 1; n <= 80; ++n) {
    iv[n - 1] = n;
    rv[n - 1] = n * 0.5;
  }
  for (int kind = 0; kind < 2; ++kind) {
    Capture cap(s, s.IOUT, "forty.txt");
    if (kind == 0)
      IORPRT(s, iv);
    else
      ARYPRT(s, rv, 1.0);
    const auto lines = cap.lines();
    ASSERT_EQ(lines.size(), 3u + 4 * (1 + 2 + 2 + 2 + 1));
    // Page 4 holds columns 31..40 and, in row J = 2, blocks 71..80.
    const auto& col4 = lines[3 + 3 * 8 + 1];
    EXPECT_NE(col4.find(" 31 "), std::string::npos);
    EXPECT_EQ(col4.substr(col4.size() - 3), " 40");
    const auto& row = lines[3 + 3 * 8 + 3];
    const std::string tail = kind == 0 ? "    80        2" : " 0.4000E+02     2";
    ASSERT_GE(row.size(), tail.size());
    EXPECT_EQ(row.substr(row.size() - tail.size()), tail);
  }
}

TEST(ArrayPrinters, ColumnGroupsAndGridLimits) {
  auto sp = makeState();
  State& s = *sp;
  test::buildGrid(s, 23, 4, 3, false);
  COLGRP(s);
  EXPECT_EQ(s.NGX, 3);
  EXPECT_EQ(s.KGX(1, 3), 21);
  EXPECT_EQ(s.KGX(2, 3), 23);
  EXPECT_EQ(s.NGY, 1);
  EXPECT_EQ(s.KGY(2, 1), 4);
  EXPECT_EQ(s.NGS, 1);
  EXPECT_EQ(s.KGS(2, 1), 9);
  for (auto [nx, ny, nz] : {std::tuple{41, 1, 1}, {1, 0, 1}, {1, 1, 41}}) {
    s.NX = nx;
    s.NY = ny;
    s.NZ = nz;
    EXPECT_THROW(COLGRP(s), RunError);
  }
}

TEST(ArrayPrinters, UnitTextsByKindAndSystem) {
  EXPECT_EQ(UNITXT(UTADS, 2), "(kg POLYMER/kg ROCK)");
  EXPECT_EQ(UNITXT(UTRATE, 3), "RATE [ LIQUID (scc/s), GAS (scc/s), COMP. (g/s)];");
  EXPECT_EQ(UNITXT(UTOUT, 1), "UNITS OF OUTPUT DATA ARE: FIELD UNITS");
  try {
    UNITXT(UTOUT, 4, "MUNTOUT");
    ADD_FAILURE() << "no error for unit system 4";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("MUNTOUT = 4"), std::string::npos) << e.what();
  }
  EXPECT_THROW(UNITXT(UTIN, 0), RunError);
}

}  // namespace
}  // namespace talvek
