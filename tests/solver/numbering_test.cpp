// Block numbering, neighbour tables, active numbering and connection lists.
#include "solver/numbering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "io/errors.h"
#include "state/state.h"

namespace talvek {
namespace {

void setGrid(State& s, int nx, int ny, int nz, int nxyzord, int method) {
  s.NX = nx;
  s.NY = ny;
  s.NZ = nz;
  s.NXYZORD = nxyzord;
  s.METHOD = method;
}

// Physical offset (dI, dJ, dK) of each neighbour slot.
constexpr int kDelta[8][3] = {{0, 0, 0},  {0, 0, -1}, {0, -1, 0}, {-1, 0, 0},
                              {0, 0, 0},  {1, 0, 0},  {0, 1, 0},  {0, 0, 1}};

struct OrderCase {
  int nx, ny, nz, nxyzord;
  std::array<int, 3> axis;  // IAXIS(1..3)
};

TEST(Border, OrderedDirections) {
  const OrderCase cases[] = {
      {10, 5, 3, 1, {3, 2, 1}},  // fewest blocks fastest: z, y, x
      {4, 4, 4, 1, {1, 2, 3}},   // equal counts keep x, y, z
      {5, 5, 2, 1, {3, 1, 2}},   // z first, then x before y (equal counts)
      {2, 7, 7, 1, {1, 2, 3}},   {7, 2, 7, 1, {2, 1, 3}}, {3, 3, 1, 1, {3, 1, 2}},
      {6, 5, 4, 2, {1, 2, 3}},   {6, 5, 4, 3, {1, 3, 2}}, {6, 5, 4, 4, {2, 1, 3}},
      {6, 5, 4, 5, {2, 3, 1}},   {6, 5, 4, 6, {3, 1, 2}}, {6, 5, 4, 7, {3, 2, 1}},
  };
  auto sp = makeState();
  State& s = *sp;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nx << "x" << c.ny << "x" << c.nz << " ord " << c.nxyzord);
    setGrid(s, c.nx, c.ny, c.nz, c.nxyzord, 1);
    BORDER(s);
    const int cnt[3] = {c.nx, c.ny, c.nz};
    const int mslot[3] = {3, 2, 1};
    for (int d = 1; d <= 3; ++d) {
      EXPECT_EQ(s.IAXIS(d), c.axis[d - 1]);
      EXPECT_EQ(s.MSLOT(d), mslot[c.axis[d - 1] - 1]);
    }
    EXPECT_EQ(s.N1, cnt[c.axis[0] - 1]);
    EXPECT_EQ(s.N2, cnt[c.axis[1] - 1]);
    EXPECT_EQ(s.N3, cnt[c.axis[2] - 1]);
    EXPECT_EQ(s.NCELL, c.nx * c.ny * c.nz);
  }
}

// Every layout: LBLOCK/ICOORD/IJKORD agree, the numbering is a bijection, the
// natural formula holds for methods 1-3, and each neighbour slot holds the
// block at the slot's physical offset, or 0 on the edge.
TEST(Border, NumberingAndNeighbourTable) {
  const int cases[][5] = {{1, 1, 1, 2, 1}, {5, 1, 1, 2, 1}, {1, 1, 6, 1, 1}, {3, 2, 4, 3, 1},
                          {4, 3, 2, 1, 2}, {2, 5, 3, 7, 3}, {3, 2, 4, 5, 4}, {4, 4, 1, 2, 4},
                          {1, 1, 2, 2, 4}, {5, 3, 2, 1, 4}, {2, 3, 4, 6, 4}};
  auto sp = makeState();
  State& s = *sp;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << "x" << c[2] << " ord " << c[3]
                                    << " method " << c[4]);
    setGrid(s, c[0], c[1], c[2], c[3], c[4]);
    BORDER(s);
    std::vector<int> seen(static_cast<std::size_t>(s.NCELL) + 1, 0);
    for (int k = 1; k <= s.N3; ++k)
      for (int j = 1; j <= s.N2; ++j)
        for (int i = 1; i <= s.N1; ++i) {
          const int L = s.IJKORD(i, j, k);
          ASSERT_GE(L, 1);
          ASSERT_LE(L, s.NCELL);
          seen[static_cast<std::size_t>(L)]++;
          if (c[4] != 4) {
            EXPECT_EQ(L, i + s.N1 * (j - 1) + s.N1 * s.N2 * (k - 1));
          }
          const int ijk[3] = {i, j, k};
          for (int d = 1; d <= 3; ++d) EXPECT_EQ(s.ICOORD(s.IAXIS(d), L), ijk[d - 1]);
          EXPECT_EQ(s.LBLOCK(s.ICOORD(1, L), s.ICOORD(2, L), s.ICOORD(3, L)), L);
        }
    for (int L = 1; L <= s.NCELL; ++L) EXPECT_EQ(seen[static_cast<std::size_t>(L)], 1);
    const int dims[3] = {s.NX, s.NY, s.NZ};
    for (int L = 1; L <= s.NCELL; ++L) {
      EXPECT_EQ(s.NBRG(4, L), L);
      for (int sl = 1; sl <= 7; ++sl) {
        if (sl == 4) continue;
        int p[3];
        bool inside = true;
        for (int a = 0; a < 3; ++a) {
          p[a] = s.ICOORD(a + 1, L) + kDelta[sl][a];
          inside = inside && p[a] >= 1 && p[a] <= dims[a];
        }
        EXPECT_EQ(s.NBRG(sl, L), inside ? s.LBLOCK(p[0], p[1], p[2]) : 0) << "L " << L << " slot " << sl;
      }
    }
  }
}

TEST(Border, TwoColourNumbering) {
  auto sp = makeState();
  State& s = *sp;
  setGrid(s, 1, 1, 2, 2, 4);
  BORDER(s);
  EXPECT_EQ(s.LBLOCK(1, 1, 1), 1);
  EXPECT_EQ(s.NREDG, 1);

  setGrid(s, 2, 2, 1, 2, 4);
  BORDER(s);
  EXPECT_EQ(s.NREDG, 2);
  EXPECT_EQ(s.LBLOCK(1, 1, 1), 1);
  EXPECT_EQ(s.LBLOCK(2, 2, 1), 2);
  EXPECT_EQ(s.LBLOCK(2, 1, 1), 3);  // j ascending, i descending within one sum
  EXPECT_EQ(s.LBLOCK(1, 2, 1), 4);

  // Larger grid: the first colour (odd index sums) takes 1..NREDG, the sum
  // never decreases within a colour, and no two same-colour blocks touch.
  setGrid(s, 4, 3, 5, 1, 4);
  BORDER(s);
  int odd = 0;
  for (int L = 1; L <= s.NCELL; ++L) {
    const int sum = s.ICOORD(1, L) + s.ICOORD(2, L) + s.ICOORD(3, L);
    odd += sum % 2;
    EXPECT_EQ(sum % 2 == 1, L <= s.NREDG) << L;
    if (L > 1 && L != s.NREDG + 1) {
      const int prev = s.ICOORD(1, L - 1) + s.ICOORD(2, L - 1) + s.ICOORD(3, L - 1);
      EXPECT_LE(prev, sum);
    }
    for (int sl = 1; sl <= 7; ++sl) {
      const int q = s.NBRG(sl, L);
      if (sl != 4 && q != 0) {
        EXPECT_NE(q <= s.NREDG, L <= s.NREDG);
      }
    }
  }
  EXPECT_EQ(odd, s.NREDG);
  EXPECT_EQ(s.NREDG, 30);
}

// The AUTO order is the two-pass bubble sort of (x, y, z) by block count,
// exchanging only on a strictly smaller later count: every count triple.
TEST(Border, AutoOrderIsTheTwoPassBubbleSort) {
  auto sp = makeState();
  State& s = *sp;
  for (int nx = 1; nx <= 3; ++nx)
    for (int ny = 1; ny <= 3; ++ny)
      for (int nz = 1; nz <= 3; ++nz) {
        int ax[3] = {1, 2, 3};
        const int cnt[4] = {0, nx, ny, nz};
        auto pass = [&](int p) {
          if (cnt[ax[p + 1]] < cnt[ax[p]]) std::swap(ax[p], ax[p + 1]);
        };
        pass(0);
        pass(1);
        pass(0);
        setGrid(s, nx, ny, nz, 1, 1);
        BORDER(s);
        for (int d = 1; d <= 3; ++d)
          EXPECT_EQ(s.IAXIS(d), ax[d - 1]) << nx << "x" << ny << "x" << nz << " direction " << d;
      }
}

// The two-colour numbering, step by step: odd sums d = 3, 5, ... then even
// sums d = 4, 6, ...; within d, k ascending; within (d, k), j ascending.
TEST(Border, TwoColourNumberingFollowsTheSweep) {
  const int cases[][4] = {{4, 3, 5, 1}, {3, 5, 2, 2}, {5, 2, 3, 7}, {1, 4, 3, 4}, {2, 2, 2, 2}};
  auto sp = makeState();
  State& s = *sp;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << "x" << c[2] << " ord " << c[3]);
    setGrid(s, c[0], c[1], c[2], c[3], 4);
    BORDER(s);
    const int n1 = s.N1, n2 = s.N2, n3 = s.N3;
    int L = 0, nred = 0;
    for (int first = 3; first <= 4; ++first) {
      for (int d = first; d <= n1 + n2 + n3; d += 2)
        for (int k = std::max(1, d - n1 - n2); k <= std::min(n3, d - 2); ++k)
          for (int j = std::max(1, d - k - n1); j <= n2 && d - k - j >= 1; ++j)
            EXPECT_EQ(s.IJKORD(d - k - j, j, k), ++L) << "d " << d << " k " << k << " j " << j;
      if (first == 3) nred = L;
    }
    EXPECT_EQ(L, s.NCELL);
    EXPECT_EQ(s.NREDG, nred);
  }
}

TEST(Border, GridOutsideTheTablesStops) {
  auto sp = makeState();
  State& s = *sp;
  const int bad[][4] = {{41, 1, 1, 2}, {1, 0, 1, 2}, {1, 1, 0, 2}, {2, 2, 2, 8}, {2, 2, 2, 0}};
  for (const auto& b : bad) {
    setGrid(s, b[0], b[1], b[2], b[3], 1);
    EXPECT_THROW(BORDER(s), RunError);
  }
  setGrid(s, 41, 1, 1, 2, 1);
  try {
    BORDER(s);
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("DATA 10B: NX = 41"), std::string::npos) << e.what();
  }
}

TEST(Actnum, CompactsToActiveNumbers) {
  auto sp = makeState();
  State& s = *sp;
  // 3 x 2 x 2, natural; grid blocks 2, 6, 9, 11 inactive, which isolates
  // block 12 = (3,2,2) (its neighbours are 11, 9 and 6).
  setGrid(s, 3, 2, 2, 2, 1);
  BORDER(s);
  const int inactive[] = {2, 6, 9, 11};
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
  for (int L : inactive) s.IACTIVE(L) = 0;
  s.IACTIVE(5) = -2;  // any non-zero code is active
  ACTNUM(s);
  EXPECT_EQ(s.NGPACT, 8);
  const int iblk[] = {1, 3, 4, 5, 7, 8, 10, 12};
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(s.IBLK(n), iblk[n - 1]);
    EXPECT_EQ(s.IORD(iblk[n - 1]), n);
    EXPECT_EQ(s.IAORD(n), n);
    EXPECT_EQ(s.NBR(4, n), n);
    for (int sl = 1; sl <= 7; ++sl) {
      const int g = s.NBRG(sl, s.IBLK(n));
      EXPECT_EQ(s.NBR(sl, n), g == 0 ? 0 : s.IORD(g));
    }
  }
  for (int L : inactive) EXPECT_EQ(s.IORD(L), 0);
  // Block 1 = (1,1,1): I+1 is the inactive block 2 -> 0; J+1 is 4 -> n 3.
  EXPECT_EQ(s.NBR(5, 1), 0);
  EXPECT_EQ(s.NBR(6, 1), 3);
  EXPECT_EQ(s.NBR(7, 1), 5);  // K+1: grid 7
  // Block 12 (n 8) is isolated.
  for (int sl = 1; sl <= 7; ++sl) EXPECT_EQ(s.NBR(sl, 8), sl == 4 ? 8 : 0);

  CONLST(s);
  EXPECT_EQ(s.NCONN(8), 1);
  EXPECT_EQ(s.NNB(8), 0);
  EXPECT_EQ(s.ICSLOT(1, 8), 4);
}

TEST(Actnum, AllInactiveAndTheActiveLimit) {
  auto sp = makeState();
  State& s = *sp;
  setGrid(s, 3, 3, 1, 2, 1);
  BORDER(s);
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 0;
  ACTNUM(s);
  EXPECT_EQ(s.NGPACT, 0);

  setGrid(s, 20, 20, 10, 1, 1);  // exactly 4000
  BORDER(s);
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
  ACTNUM(s);
  EXPECT_EQ(s.NGPACT, 4000);

  setGrid(s, 20, 20, 11, 1, 1);  // 4400 active
  BORDER(s);
  for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = 1;
  s.NGPACT = 17;
  try {
    ACTNUM(s);
    FAIL() << "no stop";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("4400"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("4000"), std::string::npos) << e.what();
  }
  EXPECT_EQ(s.NGPACT, 17);  // nothing written
  // Inactive blocks do not count: 4400 grid blocks of which 400 inactive.
  for (int L = 1; L <= 400; ++L) s.IACTIVE(L) = 0;
  ACTNUM(s);
  EXPECT_EQ(s.NGPACT, 4000);
}

// The six-pass bubble sort of the seven (neighbour, slot) pairs that the
// connection lists are defined by.
void bubbleLists(const State& s, int n, std::vector<int>& icslot, std::vector<int>& nbn,
                 std::vector<int>& nbs) {
  int v[7], sl[7];
  for (int i = 0; i < 7; ++i) {
    v[i] = s.NBR(i + 1, n);
    sl[i] = i + 1;
  }
  for (int pass = 0; pass < 6; ++pass)
    for (int i = 0; i < 6; ++i)
      if (v[i + 1] < v[i]) {
        std::swap(v[i], v[i + 1]);
        std::swap(sl[i], sl[i + 1]);
      }
  icslot.clear();
  nbn.clear();
  nbs.clear();
  for (int i = 0; i < 7; ++i) {
    if (v[i] == 0) continue;
    icslot.push_back(sl[i]);
    if (v[i] != n) {
      nbn.push_back(v[i]);
      nbs.push_back(sl[i]);
    }
  }
}

TEST(Conlst, ListsMatchTheBubbleSortOrder) {
  const int cases[][5] = {{4, 3, 2, 2, 1}, {4, 3, 2, 1, 1}, {3, 4, 3, 6, 1}, {4, 3, 3, 2, 4},
                          {5, 1, 1, 2, 1}, {3, 3, 3, 5, 4}};
  auto sp = makeState();
  State& s = *sp;
  std::vector<int> ic, nbn, nbs;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << "x" << c[2] << " ord " << c[3]
                                    << " method " << c[4]);
    setGrid(s, c[0], c[1], c[2], c[3], c[4]);
    BORDER(s);
    for (int L = 1; L <= s.NCELL; ++L) s.IACTIVE(L) = (L % 5 == 3) ? 0 : 1;
    ACTNUM(s);
    CONLST(s);
    for (int n = 1; n <= s.NGPACT; ++n) {
      bubbleLists(s, n, ic, nbn, nbs);
      ASSERT_EQ(s.NCONN(n), static_cast<int>(ic.size()));
      ASSERT_EQ(s.NNB(n), static_cast<int>(nbn.size()));
      ASSERT_EQ(s.NCONN(n), s.NNB(n) + 1);
      for (int k = 1; k <= s.NCONN(n); ++k) {
        EXPECT_EQ(s.ICSLOT(k, n), ic[static_cast<std::size_t>(k - 1)]);
        if (k > 1) {
          EXPECT_LT(s.NBR(s.ICSLOT(k - 1, n), n), s.NBR(s.ICSLOT(k, n), n));
        }
      }
      for (int k = 1; k <= s.NNB(n); ++k) {
        EXPECT_EQ(s.NBN(k, n), nbn[static_cast<std::size_t>(k - 1)]);
        EXPECT_EQ(s.NBS(k, n), nbs[static_cast<std::size_t>(k - 1)]);
        EXPECT_NE(s.NBN(k, n), n);
        EXPECT_EQ(s.NBR(s.NBS(k, n), n), s.NBN(k, n));
      }
    }
  }
}

TEST(Order, ReversesDescendingTablesAndTheirCompanions) {
  struct Case {
    std::vector<double> key, comp;
    int isw;
    std::vector<double> keyOut, compOut;
    int iswOut;
  };
  const Case cases[] = {
      {{5, 3, 1}, {10, 20, 30}, -1, {1, 3, 5}, {30, 20, 10}, 1},
      {{1, 3, 5}, {10, 20, 30}, -1, {1, 3, 5}, {10, 20, 30}, 0},
      {{2, 2, 2}, {1, 2, 3}, -1, {2, 2, 2}, {1, 2, 3}, 0},  // not greater: unchanged
      {{7}, {1}, -1, {7}, {1}, 0},
      {{1, 2, 3, 4}, {1, 2, 3, 4}, 1, {4, 3, 2, 1}, {4, 3, 2, 1}, 1},  // flag 1 always reverses
      {{3, 2, 1}, {3, 2, 1}, 0, {3, 2, 1}, {3, 2, 1}, 0},              // other flags: nothing
      {{3, 2, 1}, {3, 2, 1}, 5, {3, 2, 1}, {3, 2, 1}, 5},
  };
  for (const auto& c : cases) {
    auto key = c.key, comp = c.comp;
    int isw = c.isw;
    ORDER(key.data(), static_cast<int>(key.size()), isw);
    EXPECT_EQ(isw, c.iswOut);
    ORDER(comp.data(), static_cast<int>(comp.size()), isw);
    EXPECT_EQ(key, c.keyOut);
    EXPECT_EQ(comp, c.compOut);
  }
}

}  // namespace
}  // namespace talvek
