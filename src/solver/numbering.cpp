// Block numbering, neighbour tables and connection lists.
#include "solver/numbering.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "io/errors.h"
#include "state/state.h"

namespace talvek {

namespace {

void checkRange(const State& s, const char* item, int v, int lo, int hi) {
  if (v < lo || v > hi) {
    throw RunError(deckName(s) + ": DATA 10B: " + item + " = " + std::to_string(v) +
                   " is outside " + std::to_string(lo) + ".." + std::to_string(hi) +
                   "; the block numbering cannot be laid out");
  }
}

}  // namespace

void BORDER(State& s) {
  checkRange(s, "NX", s.NX, 1, MXDIR);
  checkRange(s, "NY", s.NY, 1, MXDIR);
  checkRange(s, "NZ", s.NZ, 1, MXDIR);
  checkRange(s, "NXYZORD", s.NXYZORD, 1, 7);

  // Ordered directions: direction 1 varies fastest. Axes: 1 x (or r), 2 y, 3 z.
  static constexpr int kOrder[8][3] = {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 3, 2},
                                       {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
  static constexpr int kMinusSlot[3] = {3, 2, 1};  // x -> I-1, y -> J-1, z -> K-1
  const int count[3] = {s.NX, s.NY, s.NZ};
  std::array<int, 3> axis{kOrder[s.NXYZORD][0], kOrder[s.NXYZORD][1], kOrder[s.NXYZORD][2]};
  if (s.NXYZORD == 1) {
    // Fewest blocks fastest (narrowest band); equal counts keep x, y, z.
    std::stable_sort(axis.begin(), axis.end(),
                     [&](int a, int b) { return count[a - 1] < count[b - 1]; });
  }
  int nd[3];
  for (int d = 1; d <= 3; ++d) {
    s.IAXIS(d) = axis[d - 1];
    s.MSLOT(d) = kMinusSlot[axis[d - 1] - 1];
    nd[d - 1] = count[axis[d - 1] - 1];
  }
  s.N1 = nd[0];
  s.N2 = nd[1];
  s.N3 = nd[2];
  const int n1 = s.N1, n2 = s.N2, n3 = s.N3;
  s.NCELL = n1 * n2 * n3;

  auto place = [&](int i, int j, int k, int L) {
    s.IJKORD(i, j, k) = L;
    s.ICOORD(s.IAXIS(1), L) = i;
    s.ICOORD(s.IAXIS(2), L) = j;
    s.ICOORD(s.IAXIS(3), L) = k;
    s.LBLOCK(s.ICOORD(1, L), s.ICOORD(2, L), s.ICOORD(3, L)) = L;
  };

  if (s.METHOD == 4) {
    // Two colours by the parity of i + j + k: odd sums first, then even sums;
    // within one sum k ascending, then j ascending (i descending).
    int L = 0;
    const int dmax = n1 + n2 + n3;
    for (int first = 3; first <= 4; ++first) {
      for (int d = first; d <= dmax; d += 2) {
        for (int k = std::max(1, d - n1 - n2); k <= std::min(n3, d - 2); ++k) {
          for (int j = std::max(1, d - k - n1); j <= n2 && d - k - j >= 1; ++j) {
            place(d - k - j, j, k, ++L);
          }
        }
      }
      if (first == 3) s.NREDG = L;
    }
  } else {
    s.NREDG = 0;
    int L = 0;
    for (int k = 1; k <= n3; ++k)
      for (int j = 1; j <= n2; ++j)
        for (int i = 1; i <= n1; ++i) place(i, j, k, ++L);
  }

  // Grid-number neighbour table.
  for (int L = 1; L <= s.NCELL; ++L) {
    for (int sl = 1; sl <= MXSLOT; ++sl) s.NBRG(sl, L) = 0;
    s.NBRG(4, L) = L;
  }
  const int m1 = s.MSLOT(1), m2 = s.MSLOT(2), m3 = s.MSLOT(3);
  for (int k = 1; k <= n3; ++k) {
    for (int j = 1; j <= n2; ++j) {
      for (int i = 1; i <= n1; ++i) {
        const int L = s.IJKORD(i, j, k);
        if (k >= 2) s.NBRG(m3, L) = s.IJKORD(i, j, k - 1);
        if (k <= n3 - 1) s.NBRG(8 - m3, L) = s.IJKORD(i, j, k + 1);
        if (j >= 2) s.NBRG(m2, L) = s.IJKORD(i, j - 1, k);
        if (j <= n2 - 1) s.NBRG(8 - m2, L) = s.IJKORD(i, j + 1, k);
        if (i >= 2) s.NBRG(m1, L) = s.IJKORD(i - 1, j, k);
        if (i <= n1 - 1) s.NBRG(8 - m1, L) = s.IJKORD(i + 1, j, k);
      }
    }
  }
}

void ACTNUM(State& s) {
  if (s.NCELL < 1 || s.NCELL > MXCELL) {
    throw RunError("the grid has " + std::to_string(s.NCELL) +
                   " blocks; the block numbering holds 1.." + std::to_string(MXCELL));
  }
  int nact = 0;
  for (int L = 1; L <= s.NCELL; ++L) {
    if (s.IACTIVE(L) != 0) ++nact;
  }
  if (nact > MXBLK) {
    throw RunError("IACTIVE makes " + std::to_string(nact) +
                   " blocks active; at most " + std::to_string(MXBLK) +
                   " active blocks are allowed");
  }

  s.NGPACT = 0;
  for (int L = 1; L <= s.NCELL; ++L) {
    s.IORD(L) = 0;
    if (s.IACTIVE(L) != 0) {
      const int n = ++s.NGPACT;
      s.IBLK(n) = L;
      s.IORD(L) = n;
      for (int sl = 1; sl <= MXSLOT; ++sl) s.NBR(sl, n) = s.NBRG(sl, L);
    }
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.IAORD(n) = n;
    for (int sl = 1; sl <= MXSLOT; ++sl) {
      const int L = s.NBR(sl, n);
      if (L != 0) s.NBR(sl, n) = s.IORD(L);
    }
  }
}

void CONLST(State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    std::array<std::pair<int, int>, MXSLOT> pr;
    for (int sl = 1; sl <= MXSLOT; ++sl) pr[sl - 1] = {s.NBR(sl, n), sl};
    std::stable_sort(pr.begin(), pr.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    int nc = 0, nb = 0;
    for (const auto& [nbr, sl] : pr) {
      if (nbr == 0) continue;
      s.ICSLOT(++nc, n) = sl;
      if (nbr != n) {
        ++nb;
        s.NBN(nb, n) = nbr;
        s.NBS(nb, n) = sl;
      }
    }
    s.NCONN(n) = nc;
    s.NNB(n) = nb;
  }
}

void ORDER(double* T, int N, int& ISW) {
  if (ISW == -1) {
    ISW = 0;
    if (N >= 2 && T[0] > T[N - 1]) ISW = 1;
    else return;
  } else if (ISW != 1) {
    return;
  }
  if (N >= 2) std::reverse(T, T + N);
}

}  // namespace talvek
