// Band solvers: set-up, fill, factorization and solve, repeated solve.
#include "solver/bands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "io/errors.h"
#include "state/state.h"
#include "solver/d4.h"

namespace talvek {

namespace {

[[noreturn]] [[gnu::noinline]] void zeroPivot(const State& s, int i) {
  const int n = s.NEQN > 0 ? s.NEQN : 1;
  const int b = (i - 1) / n + 1;
  const int e = i - (b - 1) * n;
  const int blk = (b >= 1 && b <= s.K7 && b <= MXBLK) ? s.IBLIST(b) : 0;
  SINGLR(s, blk, e, "band solver: zero pivot at row " + std::to_string(i) + " of the band system");
}

// Blocks of the band system and their column blocks. Method 1: every active
// block, coupled as its connection list says. Method 4: the second-colour
// blocks; each is coupled to the second-colour blocks two steps away through
// a first-colour neighbour, and always to itself (so that a block without an
// active neighbour still keeps its diagonal block).
void bandBlocks(State& s) {
  if (s.NGPACT < 0 || s.NGPACT > MXBLK) {
    throw RunError("band set-up: NGPACT = " + std::to_string(s.NGPACT) + " is outside 0.." +
                   std::to_string(MXBLK));
  }
  if (s.NEQN < 1 || s.NEQN > MXEQ || s.NUKN != s.NEQN) {
    throw RunError("band set-up: NEQN = " + std::to_string(s.NEQN) + ", NUKN = " +
                   std::to_string(s.NUKN) + "; both must be equal and in 1.." +
                   std::to_string(MXEQ));
  }
  if (s.METHOD != 4) {
    s.NRED = 0;
    s.K7 = s.NGPACT;
    for (int b = 1; b <= s.K7; ++b) {
      s.IBLIST(b) = b;
      s.IDX4(b) = b;
      s.NRCON(b) = s.NCONN(b);
      for (int k = 1; k <= s.NCONN(b); ++k) s.ICOLR(k, b) = s.NBR(s.ICSLOT(k, b), b);
    }
    return;
  }
  int nred = 0;
  while (nred < s.NGPACT && s.IBLK(nred + 1) <= s.NREDG) ++nred;
  s.NRED = nred;
  s.K7 = s.NGPACT - nred;
  for (int n = 1; n <= s.NGPACT; ++n) s.IDX4(n) = n <= nred ? n : n - nred;
  for (int b = 1; b <= s.K7; ++b) {
    const int m = nred + b;
    s.IBLIST(b) = m;
    int cols[MXRCOL];
    int nc = 0;
    auto mark = [&](int q) {
      for (int c = 0; c < nc; ++c)
        if (cols[c] == q) return;
      if (nc == MXRCOL) {
        throw RunError("band set-up: active block " + std::to_string(m) +
                       " couples to more than " + std::to_string(MXRCOL) +
                       " blocks of the reduced system");
      }
      cols[nc++] = q;
    };
    mark(b);
    for (int k = 1; k <= s.NNB(m); ++k) {
      const int r = s.NBN(k, m);
      if (r > nred) {
        throw RunError("band set-up: active blocks " + std::to_string(m) + " and " +
                       std::to_string(r) + " of the second colour are neighbours");
      }
      for (int kk = 1; kk <= s.NNB(r); ++kk) mark(s.IDX4(s.NBN(kk, r)));
    }
    std::sort(cols, cols + nc);
    s.NRCON(b) = nc;
    for (int c = 0; c < nc; ++c) s.ICOLR(c + 1, b) = cols[c];
  }
}

// "a, b or c" of the numbers listed.
std::string orList(const std::vector<int>& v) {
  std::string t;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (i > 0) t += i + 1 == v.size() ? " or " : ", ";
    t += std::to_string(v[i]);
  }
  return t;
}

// What would fit the store instead: every band method, store and order
// whose NNMAX for this grid, activity and NEQN is within MXBAND, and the
// iterative methods.
std::string storeAdvice(const State& s) {
  std::string fits;
  for (int method : {1, 4}) {
    for (int nuslvr : {1, 0}) {
      std::vector<int> orders;
      for (int o = 1; o <= 7; ++o)
        if (BANDSZ(s, method, nuslvr, o) <= MXBAND) orders.push_back(o);
      if (orders.empty()) continue;
      fits += fits.empty() ? "" : "; ";
      fits += "METHOD = " + std::to_string(method) + ", NUSLVR = " + std::to_string(nuslvr) +
              " with NXYZORD = " + orList(orders);
    }
  }
  // The iterative methods keep no band store.
  const std::string iterative = "methods 2 and 3 need no band store and always fit";
  if (fits.empty()) return "no band method, band solver or order fits this grid; " + iterative;
  return "within the store: " + fits + "; " + iterative;
}

void checkStore(State& s, long long nnmax, const char* how) {
  if (nnmax > MXBAND) {
    const std::size_t len = s.FINPUT.trimmed();
    const std::string deck =
        len == 0 ? std::string("the input deck") : std::string(s.FINPUT.c.data(), len);
    const std::string what = "solution method " + std::to_string(s.METHOD) + " (" + how +
                             ", NXYZORD = " + std::to_string(s.NXYZORD) + "): the band store needs NNMAX = " +
                             std::to_string(nnmax) + " entries, more than the " + std::to_string(MXBAND) +
                             " it holds; " + storeAdvice(s);
    // From a deck: its line of the method, as every deck message names it.
    if (s.LINMET > 0)
      throw DeckError(deck, s.LINMET, "DATA 10B", "METHOD",
                      deck + ":" + std::to_string(s.LINMET) + ": data group DATA 10B, item METHOD: " + what);
    throw RunError(deck + ": DATA 10B: " + what);
  }
  s.NNMAX = static_cast<int>(nnmax);
}

// Diagonal positions of the scalar rows in ABAND, from the row extents.
void diagVariable(State& s) {
  const int nb = s.NBAND;
  if (nb < 1) return;
  s.IDIAG(1) = 1;
  for (int k = 1; k < nb; ++k) s.IDIAG(k + 1) = s.IDIAG(k) + s.RBW(k) + s.LBW(k + 1) + 1;
}

void diagUniform(State& s) {
  const int nb = s.NBAND, w = s.MBW;
  if (nb < 1) return;
  s.IDIAG(1) = 1;
  for (int k = 1; k < nb; ++k)
    s.IDIAG(k + 1) = s.IDIAG(k) + std::min(w, nb - k) + std::min(w, k) + 1;
}

// Right-hand side of band block b into BBAND.
inline void copyRhs(State& s, int b) {
  const int ne = s.NEQN;
  const int m = s.IBLIST(b);
  for (int e = 1; e <= ne; ++e) s.BBAND((b - 1) * ne + e) = s.RHS(e, m);
}

// Stores the block rows in ABAND at the positions IDIAG gives (entry (i, j)
// of the system lies at IDIAG(i) + j - i), and BBAND. Each scalar row is
// first cleared over the columns the solve uses: from the first pivot whose
// step reaches the row (step k reaches rows k+1..k+reach(k), and that end
// never decreases with k) to the row's own reach. The elimination, the
// repeated solve and the back substitution read and write nothing else, so
// the rest of the store (the corners of a uniform band beyond the rows'
// reach) is never touched, and the store needs no clearing beforehand.
template <typename Reach>
void fill(State& s, Reach reach) {
  const int ne = s.NEQN, nk = s.NUKN;
  double* A = s.ABAND.data();  // A[pos - 1] is entry pos
  const int* D = s.IDIAG.data();
  int kfirst = 1;  // first pivot whose step reaches row i
  for (int b = 1; b <= s.K7; ++b) {
    for (int e = 1; e <= ne; ++e) {
      const int i = (b - 1) * ne + e;
      while (kfirst < i && kfirst + reach(kfirst) < i) ++kfirst;
      double* Ri = A + D[i - 1] - i - 1;  // Ri[j] is entry (i, j)
      std::fill(Ri + kfirst, Ri + i + reach(i) + 1, 0.0);
    }
    if (s.METHOD == 4) {
      ZERO(s, b);
      for (int e = 1; e <= ne; ++e) {
        const int i = (b - 1) * ne + e;
        const int base = s.IDIAG(i) - i - 1;
        for (int k = 1; k <= s.NRCON(b); ++k) {
          const int q = s.ICOLR(k, b);
          const int c0 = base + (q - 1) * ne;
          for (int j = 1; j <= nk; ++j) A[c0 + j] = s.ZROW(e, j, q);
        }
      }
    } else {
      for (int e = 1; e <= ne; ++e) {
        const int i = (b - 1) * ne + e;
        const int base = s.IDIAG(i) - i - 1;
        for (int k = 1; k <= s.NCONN(b); ++k) {
          const int sl = s.ICSLOT(k, b);
          const int c0 = base + (s.NBR(sl, b) - 1) * ne;
          for (int j = 1; j <= nk; ++j) A[c0 + j] = s.VBB(e, j, sl, b);
        }
      }
    }
    copyRhs(s, b);
  }
}

// Right-hand side only (repeated solve).
void fillRhs(State& s) {
  for (int b = 1; b <= s.K7; ++b) {
    if (s.METHOD == 4) XZERO(s, b);
    copyRhs(s, b);
  }
}

// Row updates of the elimination: d[t] -= m_p * r_p[t] for the pivot rows
// p in their order, each product subtracted on its own (no fused
// multiply-add), so that every entry gets exactly the operations of one
// pivot row at a time. The rows never overlap. Loading d once for several
// pivot rows halves or quarters the traffic of the long rows of a wide band.
// On x86-64 the kernels are built also for the wider vector units, and the
// loader picks the widest the processor has. Results do not change: each
// lane does the scalar operations, and the file is compiled without fused
// multiply-add contraction.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__)
#define TALVEK_VECTOR_CLONES __attribute__((target_clones("default", "avx2", "avx512f")))
#else
#define TALVEK_VECTOR_CLONES
#endif

TALVEK_VECTOR_CLONES void update1(double* __restrict d, const double* __restrict r0, double m0, int n) {
  for (int t = 0; t < n; ++t) d[t] -= m0 * r0[t];
}

TALVEK_VECTOR_CLONES void update2(double* __restrict d, const double* __restrict r0, double m0,
                                  const double* __restrict r1, double m1, int n) {
  for (int t = 0; t < n; ++t) {
    double a = d[t] - m0 * r0[t];
    d[t] = a - m1 * r1[t];
  }
}

TALVEK_VECTOR_CLONES void update3(double* __restrict d, const double* __restrict r0, double m0,
                                  const double* __restrict r1, double m1,
                                  const double* __restrict r2, double m2, int n) {
  for (int t = 0; t < n; ++t) {
    double a = d[t] - m0 * r0[t];
    a = a - m1 * r1[t];
    d[t] = a - m2 * r2[t];
  }
}

TALVEK_VECTOR_CLONES void update4(double* __restrict d, const double* __restrict r0, double m0,
                                  const double* __restrict r1, double m1,
                                  const double* __restrict r2, double m2,
                                  const double* __restrict r3, double m3, int n) {
  for (int t = 0; t < n; ++t) {
    double a = d[t] - m0 * r0[t];
    a = a - m1 * r1[t];
    a = a - m2 * r2[t];
    d[t] = a - m3 * r3[t];
  }
}

// Two or four rows d0.. (none a pivot row) updated by the same np pivot
// rows r[q] with their own multipliers, in pivot order, as update1..4 do
// one row at a time; each stretch of a pivot row is loaded once for all.
typedef double Lanes8 __attribute__((vector_size(64), aligned(8), may_alias));

inline const Lanes8& at8(const double* p) { return *reinterpret_cast<const Lanes8*>(p); }
inline Lanes8& at8(double* p) { return *reinterpret_cast<Lanes8*>(p); }

TALVEK_VECTOR_CLONES void updateRows2(double* __restrict d0, double* __restrict d1,
                                      const double* const* __restrict r, const double* __restrict m0,
                                      const double* __restrict m1, int np, int n) {
  int t = 0;
  for (; t + 15 < n; t += 16) {
    Lanes8 a0 = at8(d0 + t), a1 = at8(d0 + t + 8), b0 = at8(d1 + t), b1 = at8(d1 + t + 8);
    for (int q = 0; q < np; ++q) {
      const Lanes8 x0 = at8(r[q] + t), x1 = at8(r[q] + t + 8);
      a0 = a0 - m0[q] * x0;
      a1 = a1 - m0[q] * x1;
      b0 = b0 - m1[q] * x0;
      b1 = b1 - m1[q] * x1;
    }
    at8(d0 + t) = a0;
    at8(d0 + t + 8) = a1;
    at8(d1 + t) = b0;
    at8(d1 + t + 8) = b1;
  }
  // The last columns pivot by pivot (the same order for each entry).
  for (int q = 0; q < np; ++q) {
    const double* rq = r[q];
    for (int u = t; u < n; ++u) {
      d0[u] = d0[u] - m0[q] * rq[u];
      d1[u] = d1[u] - m1[q] * rq[u];
    }
  }
}

TALVEK_VECTOR_CLONES void updateRows4(double* __restrict d0, double* __restrict d1, double* __restrict d2,
                                      double* __restrict d3, const double* const* __restrict r,
                                      const double* __restrict m0, const double* __restrict m1,
                                      const double* __restrict m2, const double* __restrict m3, int np,
                                      int n) {
  int t = 0;
  for (; t + 15 < n; t += 16) {
    Lanes8 a0 = at8(d0 + t), a1 = at8(d0 + t + 8), b0 = at8(d1 + t), b1 = at8(d1 + t + 8);
    Lanes8 c0 = at8(d2 + t), c1 = at8(d2 + t + 8), e0 = at8(d3 + t), e1 = at8(d3 + t + 8);
    for (int q = 0; q < np; ++q) {
      const Lanes8 x0 = at8(r[q] + t), x1 = at8(r[q] + t + 8);
      a0 = a0 - m0[q] * x0;
      a1 = a1 - m0[q] * x1;
      b0 = b0 - m1[q] * x0;
      b1 = b1 - m1[q] * x1;
      c0 = c0 - m2[q] * x0;
      c1 = c1 - m2[q] * x1;
      e0 = e0 - m3[q] * x0;
      e1 = e1 - m3[q] * x1;
    }
    at8(d0 + t) = a0;
    at8(d0 + t + 8) = a1;
    at8(d1 + t) = b0;
    at8(d1 + t + 8) = b1;
    at8(d2 + t) = c0;
    at8(d2 + t + 8) = c1;
    at8(d3 + t) = e0;
    at8(d3 + t + 8) = e1;
  }
  for (int q = 0; q < np; ++q) {
    const double* rq = r[q];
    for (int u = t; u < n; ++u) {
      d0[u] = d0[u] - m0[q] * rq[u];
      d1[u] = d1[u] - m1[q] * rq[u];
      d2[u] = d2[u] - m2[q] * rq[u];
      d3[u] = d3[u] - m3[q] * rq[u];
    }
  }
}

TALVEK_VECTOR_CLONES void divideBy(double* __restrict q, double d, int n) {
  for (int t = 0; t < n; ++t) q[t] = q[t] / d;
}

// c[t] -= q[t] * r where the multiplier q[t] is not zero (a zero multiplier
// skips its pivot row, as in the elimination row by row).
TALVEK_VECTOR_CLONES void columnUpdate(double* __restrict c, const double* __restrict q, double r, int n) {
  for (int t = 0; t < n; ++t) c[t] = q[t] != 0.0 ? c[t] - q[t] * r : c[t];
}

// Factorization without pivoting, with BBAND eliminated in the same pass,
// then back substitution into DELX. Entry (i, j) lies at A[IDIAG(i) + j - i - 1];
// reach(k) is the number of columns right of the diagonal of row k, and the
// rows below it that step k treats: step k ends in column (and row)
// E(k) = k + reach(k), which never decreases from one row to the next (the
// envelope of the band). The multiplier of row i at step k is stored over
// entry (i, k), which the elimination no longer needs, for the repeated
// solve.
//
// Consecutive pivots form a panel: the panel's own rows are eliminated one
// pivot at a time, then the rows below the panel take their multipliers one
// pivot at a time, in order, and their long part right of the panel is
// updated by all pivots of the panel in one sweep. Each entry gets the same
// operations in the same order as with one pivot row at a time, and a zero
// multiplier still skips its pivot row.
//
// In a narrow band a panel is the pivots whose rows end in the same column
// (the scalar rows of one band block), four at most. In a wide band (long
// rows, which the first-level cache cannot hold for all the rows a panel
// treats) a panel takes up to kPanel pivots of neighbouring blocks, whose
// steps may end in different columns: a row below the panel takes the
// pivots that reach it (those whose E is at least the row, the last ones of
// the panel), and the columns between the ends of two pivots' steps only the
// pivots that reach that far. There consecutive rows that take the same
// pivots are also updated four or two at a time, so that each pivot row is
// read once for them all. A longer panel loads each row below it fewer
// times; in narrow bands the pieces between the ends cost more than that
// saves.
constexpr int kRowGroup = 4;   // rows updated together in a wide band
constexpr int kWideRow = 128;  // columns right of the diagonal that make a band wide
constexpr int kPanel = 8;      // pivots of a panel in a wide band at most

// d[t] -= m[q] * r[q][t] for q = 0 .. nz - 1 in order, t = 0 .. n - 1; four
// pivots per sweep at most (each entry still takes them in order).
inline void updateList(double* d, const double* const* r, const double* m, int nz, int n) {
  for (int q = 0; q < nz; q += 4) {
    switch (std::min(4, nz - q)) {
      case 1: update1(d, r[q], m[q], n); break;
      case 2: update2(d, r[q], m[q], r[q + 1], m[q + 1], n); break;
      case 3: update3(d, r[q], m[q], r[q + 1], m[q + 1], r[q + 2], m[q + 2], n); break;
      default: update4(d, r[q], m[q], r[q + 1], m[q + 1], r[q + 2], m[q + 2], r[q + 3], m[q + 3], n); break;
    }
  }
}

// The panel's own rows k .. k + np - 1, one pivot at a time: step k + p
// treats the panel's rows below it over its columns up to end(p) (never
// before the panel's end). R and piv receive the pivot rows and pivots.
template <typename Row, typename End>
inline void panelRows(const State& s, double* B, Row row, int k, int np, End end, const double** R, double* piv) {
  for (int p = 0; p < np; ++p) {
    const int kp = k + p;
    R[p] = row(kp);
    piv[p] = R[p][kp];
    if (piv[p] == 0.0) zeroPivot(s, kp);
    const double bk = B[kp - 1];
    const int e = end(p);
    for (int i = kp + 1; i < k + np; ++i) {
      double* Ri = row(i);
      if (Ri[kp] == 0.0) continue;
      const double m = Ri[kp] / piv[p];
      Ri[kp] = m;
      if (m == 0.0) continue;
      update1(Ri + kp + 1, R[p] + kp + 1, m, e - kp);
      B[i - 1] -= m * bk;
    }
  }
}

// One panel of a wide band, from pivot k; returns its number of pivots. (Out
// of line: the narrow bands' loop in factorSolve keeps its own code.)
template <typename Reach>
[[gnu::noinline]] int widePanel(State& s, Reach reach, int k) {
  const int nb = s.NBAND;
  double* A = s.ABAND.data();
  double* B = s.BBAND.data();     // B[i - 1]
  const int* D = s.IDIAG.data();  // D[i - 1]
  auto row = [&](int i) { return A + D[i - 1] - i - 1; };  // row(i)[j] is entry (i, j)

  int E[kPanel];  // last column (and row) of each pivot's step
  E[0] = k + reach(k);
  int np = 1;
  while (np < kPanel && k + np < nb && k + np <= E[0]) {
    const int en = k + np + reach(k + np);
    if (en < E[np - 1]) break;
    E[np++] = en;
  }
  const double* R[kPanel];
  double piv[kPanel];
  panelRows(s, B, row, k, np, [&E](int p) { return E[p]; }, R, piv);
  double bk[kPanel];
  for (int p = 0; p < np; ++p) bk[p] = B[k + p - 1];
  // The rows below the panel: first their multipliers, which only need the
  // panel's columns, then the long part right of the panel. Pivot p reaches
  // the rows up to E[p]. The panel's columns of a chunk of rows are copied
  // out column by column (each row's panel columns lie in one or two cache
  // lines), worked on there across the rows in the vector unit (the
  // divisions too), and copied back.
  const int c0 = k + np;  // first column right of the panel
  const int emax = E[np - 1];
  constexpr int kChunk = 64;
  alignas(64) double cols[kPanel][kChunk];
  for (int i0 = c0; i0 <= emax; i0 += kChunk) {
    const int cnt = std::min(kChunk, emax - i0 + 1);
    double* rows[kChunk];
    int cp[kPanel];  // rows of the chunk that step k + p reaches: never fewer for a later p
    for (int p = 0; p < np; ++p) cp[p] = std::clamp(E[p] - i0 + 1, 0, cnt);
    for (int t = 0; t < cnt; ++t) {
      rows[t] = row(i0 + t);
      for (int p = 0; p < np; ++p)
        if (t < cp[p]) cols[p][t] = rows[t][k + p];
    }
    for (int p = 0; p < np; ++p) {
      if (cp[p] == 0) continue;
      divideBy(cols[p], piv[p], cp[p]);
      for (int j = p + 1; j < np; ++j) columnUpdate(cols[j], cols[p], R[p][k + j], cp[p]);
    }
    for (int t = 0; t < cnt; ++t)
      for (int p = 0; p < np; ++p)
        if (t < cp[p]) rows[t][k + p] = cols[p][t];
  }
  // Row i's pivots: those that reach it, with a multiplier that is not
  // zero, in order; rr at column c0, their ends relative to c0. The mask
  // tells rows with the same pivots.
  auto multipliers = [&](int i, const double* Ri, const double** rr, double* mm, int* pi) {
    int nz = 0, mask = 0;
    for (int p = 0; p < np; ++p) {
      if (E[p] < i) continue;
      const double m = Ri[k + p];
      if (m == 0.0) continue;
      rr[nz] = R[p] + c0;
      pi[nz] = p;
      mm[nz++] = m;
      mask |= 1 << p;
    }
    return std::make_pair(nz, mask);
  };
  // In a wide band, up to four consecutive rows that take the same pivots
  // (the usual case) are updated together: each pivot row's stretch is
  // then loaded once for all of them.
  for (int i = c0; i <= emax;) {
    double* Rg[kRowGroup];
    const double* rr[kRowGroup][kPanel];
    double mm[kRowGroup][kPanel];
    int pi[kRowGroup][kPanel];
    Rg[0] = row(i);
    const auto [nz, mask] = multipliers(i, Rg[0], rr[0], mm[0], pi[0]);
    int g = 1;
    if (nz > 0) {
      while (g < kRowGroup && i + g <= emax) {
        Rg[g] = row(i + g);
        if (multipliers(i + g, Rg[g], rr[g], mm[g], pi[g]).second != mask) break;
        ++g;
      }
      if (g == 3) g = 2;
    }
    for (int t = 0; t < g; ++t) {
      double b = B[i + t - 1];
      for (int q = 0; q < nz; ++q) b -= mm[t][q] * bk[pi[t][q]];
      B[i + t - 1] = b;
    }
    int lo = 0;
    for (int q = 0; q < nz; ++q) {
      const int hi = E[pi[0][q]] - c0 + 1;
      if (hi <= lo) continue;
      const double* rs[kPanel];
      for (int u = q; u < nz; ++u) rs[u] = rr[0][u] + lo;
      const int len = hi - lo;
      if (g == 4) {
        updateRows4(Rg[0] + c0 + lo, Rg[1] + c0 + lo, Rg[2] + c0 + lo, Rg[3] + c0 + lo, rs + q, mm[0] + q,
                    mm[1] + q, mm[2] + q, mm[3] + q, nz - q, len);
      } else if (g == 2) {
        updateRows2(Rg[0] + c0 + lo, Rg[1] + c0 + lo, rs + q, mm[0] + q, mm[1] + q, nz - q, len);
      } else {
        updateList(Rg[0] + c0 + lo, rs + q, mm[0] + q, nz - q, len);
      }
      lo = hi;
    }
    i += g;
  }
  return np;
}

template <typename Reach>
void factorSolve(State& s, Reach reach) {
  const int nb = s.NBAND;
  double* A = s.ABAND.data();
  double* B = s.BBAND.data();     // B[i - 1]
  const int* D = s.IDIAG.data();  // D[i - 1]
  auto row = [&](int i) { return A + D[i - 1] - i - 1; };  // row(i)[j] is entry (i, j)

  int k = 1;
  while (k < nb) {
    if (reach(k) >= kWideRow) {
      k += widePanel(s, reach, k);
      continue;
    }
    const int e = k + reach(k);  // last column (and row) of step k
    int np = 1;
    while (np < 4 && k + np < nb && k + np <= e && k + np + reach(k + np) == e) ++np;
    const double* R[4];
    double piv[4];
    panelRows(s, B, row, k, np, [e](int) { return e; }, R, piv);
    double bk[4];
    for (int p = 0; p < np; ++p) bk[p] = B[k + p - 1];
    // The rows below the panel: first their multipliers, which only need the
    // panel's columns, then the long part right of the panel. The panel's
    // columns of a chunk of rows are copied out column by column, worked on
    // there across the rows in the vector unit (the divisions too), and
    // copied back.
    const int c0 = k + np;  // first column right of the panel
    const int n = e - c0 + 1;
    constexpr int kChunk = 64;
    alignas(64) double cols[4][kChunk];
    for (int i0 = c0; i0 <= e; i0 += kChunk) {
      const int cnt = std::min(kChunk, e - i0 + 1);
      double* rows[kChunk];
      for (int t = 0; t < cnt; ++t) {
        rows[t] = row(i0 + t);
        for (int p = 0; p < np; ++p) cols[p][t] = rows[t][k + p];
      }
      for (int p = 0; p < np; ++p) {
        divideBy(cols[p], piv[p], cnt);
        for (int j = p + 1; j < np; ++j) columnUpdate(cols[j], cols[p], R[p][k + j], cnt);
      }
      for (int t = 0; t < cnt; ++t)
        for (int p = 0; p < np; ++p) rows[t][k + p] = cols[p][t];
    }
    for (int i = c0; i <= e; ++i) {
      double* Ri = row(i);
      const double* rr[4];
      double mm[4];
      int nz = 0;
      double b = B[i - 1];
      for (int p = 0; p < np; ++p) {
        const double m = Ri[k + p];
        if (m == 0.0) continue;
        rr[nz] = R[p] + c0;
        mm[nz++] = m;
        b -= m * bk[p];
      }
      B[i - 1] = b;
      updateList(Ri + c0, rr, mm, nz, n);
    }
    k += np;
  }
}

// Repeated solve: forward elimination of BBAND with the stored multipliers.
// BBAND(i) takes m(i, k) * BBAND(k) for the steps k that reach row i, in
// step order, as in the factorization. The rows are taken kRows at a time,
// each step k applied to all of them before the next: the group's multipliers
// lie in a few neighbouring stretches of the store, and the rows'
// subtractions are independent of each other. Within the group, BBAND(k) of
// a group row is final once the steps before k are done.
template <typename Reach>
void forward(State& s, Reach reach) {
  constexpr int kRows = 8;
  const int nb = s.NBAND;
  const double* A = s.ABAND.data();
  double* B = s.BBAND.data();
  const int* D = s.IDIAG.data();
  int kfirst = 1;  // first step reaching the group's first row
  for (int i0 = 2; i0 <= nb; i0 += kRows) {
    const int g = std::min(kRows, nb - i0 + 1);
    while (kfirst < i0 && kfirst + reach(kfirst) < i0) ++kfirst;
    const double* Rw[kRows];
    double acc[kRows];
    for (int t = 0; t < g; ++t) {
      Rw[t] = A + D[i0 + t - 1] - (i0 + t) - 1;  // Rw[t][k] is entry (i0 + t, k)
      acc[t] = B[i0 + t - 1];
    }
    for (int k = kfirst; k < i0 + g - 1; ++k) {
      double bk;
      int t0 = 0;
      if (k >= i0) {
        t0 = k - i0;
        B[k - 1] = acc[t0];  // row k of the group is final
        bk = acc[t0];
        ++t0;
      } else {
        bk = B[k - 1];
      }
      const int e = std::min(k + reach(k), i0 + g - 1);  // last row step k reaches
      for (int t = t0; t <= e - i0; ++t) {
        const double m = Rw[t][k];
        if (m == 0.0) continue;
        acc[t] -= m * bk;
      }
    }
    for (int t = 0; t < g; ++t) B[i0 + t - 1] = acc[t];
  }
}

// Back substitution into DELX; the known part of row i is summed first, in
// column order, then taken from BBAND(i).
template <typename Reach>
void backSubstitute(State& s, Reach reach) {
  const int nb = s.NBAND;
  const double* A = s.ABAND.data();
  const double* B = s.BBAND.data();
  double* X = s.DELX.data();
  const int* D = s.IDIAG.data();
  for (int i = nb; i >= 1; --i) {
    const int di = D[i - 1];
    const double* Ri = A + di - i - 1;
    double sum = 0.0;
    const int e = i + reach(i);
    for (int j = i + 1; j <= e; ++j) sum += Ri[j] * X[j - 1];
    if (A[di - 1] == 0.0) zeroPivot(s, i);
    X[i - 1] = (B[i - 1] - sum) / A[di - 1];
  }
}

template <typename Reach>
void eliminate(State& s, Reach reach, bool full) {
  if (full) {
    factorSolve(s, reach);
  } else {
    forward(s, reach);
  }
  backSubstitute(s, reach);
}

}  // namespace

void SINGLR(const State& s, int n, int eqn, const std::string& detail) {
  const std::size_t len = s.FINPUT.trimmed();
  std::string m = "deck " + (len ? std::string(s.FINPUT.c.data(), len) : std::string("(deck)")) +
                  ": the Newton system is singular at active block " + std::to_string(n);
  if (n >= 1 && n <= s.NGPACT && n <= MXBLK) {
    m += ", grid block (" + std::to_string(s.IJK(1, n)) + "," + std::to_string(s.IJK(2, n)) + "," +
         std::to_string(s.IJK(3, n)) + ")";
  }
  if (eqn > 0) m += ", equation " + std::to_string(eqn);
  m += " (" + detail + "); look for a block without pore volume or without connections: DX, DY, DZ, PHI, " +
       "the permeabilities and the modifiers of DATA 32A to 37A";
  throw RunError(m);
}

long long BANDSZ(const State& s, int method, int nuslvr, int nxyzord) {
  const int nx = s.NX, ny = s.NY, nz = s.NZ, ne = s.NEQN;
  if (nx < 1 || ny < 1 || nz < 1 || nx > MXDIR || ny > MXDIR || nz > MXDIR || nxyzord < 1 || nxyzord > 7)
    return 0;
  // Ordered directions (direction 1 fastest), as the block numbering lays them.
  static constexpr int kOrder[8][3] = {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 3, 2},
                                       {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
  const int count[3] = {nx, ny, nz};
  int axis[3] = {kOrder[nxyzord][0], kOrder[nxyzord][1], kOrder[nxyzord][2]};
  if (nxyzord == 1)
    std::stable_sort(axis, axis + 3, [&](int a, int b) { return count[a - 1] < count[b - 1]; });
  const int n1 = count[axis[0] - 1], n2 = count[axis[1] - 1], n3 = count[axis[2] - 1];

  // Active numbers by physical place, in the grid-number order of the method.
  // The activity is read through the present numbering (LBLOCK).
  auto place = [&](int i, int j, int k) {
    int ijk[3];
    ijk[axis[0] - 1] = i;
    ijk[axis[1] - 1] = j;
    ijk[axis[2] - 1] = k;
    return ijk[0] - 1 + nx * (ijk[1] - 1 + ny * (ijk[2] - 1));
  };
  const int ncell = nx * ny * nz;
  std::vector<int> act(static_cast<std::size_t>(ncell), 0);  // active number, 0 inactive
  std::vector<int> cell;                                      // physical place of active n
  cell.reserve(static_cast<std::size_t>(MXBLK));
  auto number = [&](int p) {
    const int I = p % nx + 1, J = (p / nx) % ny + 1, K = p / (nx * ny) + 1;
    // Active by the block numbering: once the schedule has run, the
    // activity code of a well block is its well type (0 for a shut-in well).
    if (s.IORD(s.LBLOCK(I, J, K)) == 0) return;
    cell.push_back(p);
    act[static_cast<std::size_t>(p)] = static_cast<int>(cell.size());
  };
  int nred = 0;
  if (method == 4) {
    const int dmax = n1 + n2 + n3;
    for (int first = 3; first <= 4; ++first) {
      for (int d = first; d <= dmax; d += 2)
        for (int k = std::max(1, d - n1 - n2); k <= std::min(n3, d - 2); ++k)
          for (int j = std::max(1, d - k - n1); j <= n2 && d - k - j >= 1; ++j) number(place(d - k - j, j, k));
      if (first == 3) nred = static_cast<int>(cell.size());
    }
  } else {
    for (int k = 1; k <= n3; ++k)
      for (int j = 1; j <= n2; ++j)
        for (int i = 1; i <= n1; ++i) number(place(i, j, k));
  }
  // Active neighbours of the active block at place p.
  auto neighbours = [&](int p, int* out) {
    const int I = p % nx, J = (p / nx) % ny, K = p / (nx * ny);
    int m = 0;
    auto add = [&](bool inside, int q) {
      if (inside && act[static_cast<std::size_t>(q)] != 0) out[m++] = act[static_cast<std::size_t>(q)];
    };
    add(I > 0, p - 1);
    add(I < nx - 1, p + 1);
    add(J > 0, p - nx);
    add(J < ny - 1, p + nx);
    add(K > 0, p - nx * ny);
    add(K < nz - 1, p + nx * ny);
    return m;
  };

  // Column extents of the band blocks (method 4: the second colour, coupled
  // two steps away through a first-colour neighbour, and to itself).
  const int k7 = static_cast<int>(cell.size()) - nred;
  std::vector<int> lcol(static_cast<std::size_t>(k7) + 2), rcol(static_cast<std::size_t>(k7) + 2);
  for (int b = 1; b <= k7; ++b) {
    const int n = nred + b;
    int lo = b, hi = b;
    int nb[6];
    const int m = neighbours(cell[static_cast<std::size_t>(n - 1)], nb);
    for (int t = 0; t < m; ++t) {
      if (method != 4) {
        lo = std::min(lo, nb[t]);
        hi = std::max(hi, nb[t]);
        continue;
      }
      int nb2[6];
      const int m2 = neighbours(cell[static_cast<std::size_t>(nb[t] - 1)], nb2);
      for (int u = 0; u < m2; ++u) {
        lo = std::min(lo, nb2[u] - nred);
        hi = std::max(hi, nb2[u] - nred);
      }
    }
    lcol[static_cast<std::size_t>(b)] = lo;
    rcol[static_cast<std::size_t>(b)] = hi;
  }
  const long long nband = static_cast<long long>(ne) * k7;
  if (nuslvr == 1) {
    for (int b = 2; b <= k7; ++b) {
      rcol[static_cast<std::size_t>(b)] = std::max(rcol[static_cast<std::size_t>(b)], rcol[static_cast<std::size_t>(b - 1)]);
      const int bb = k7 + 1 - b;
      lcol[static_cast<std::size_t>(bb)] = std::min(lcol[static_cast<std::size_t>(bb)], lcol[static_cast<std::size_t>(bb + 1)]);
    }
    // Each scalar row of block b stores (RCOL - LCOL + 1) * NEQN entries.
    long long total = 0;
    for (int b = 1; b <= k7; ++b)
      total += static_cast<long long>(ne) * ne * (rcol[static_cast<std::size_t>(b)] - lcol[static_cast<std::size_t>(b)] + 1);
    return total;
  }
  int rmax = 0, mblk = 0;
  for (int b = 1; b <= k7; ++b) {
    rmax = std::max(rmax, rcol[static_cast<std::size_t>(b)]);
    mblk = std::max(mblk, rmax - b + 1);
  }
  const long long w = k7 > 0 ? static_cast<long long>(ne) * mblk - 1 : 0;
  return (2 * w + 1) * nband - w * w - w;
}

void LRBAND(State& s) {
  bandBlocks(s);
  const int k7 = s.K7, ne = s.NEQN;
  s.NBAND = ne * k7;
  for (int b = 1; b <= k7; ++b) {
    int lo = 1000000, hi = 0;
    for (int k = 1; k <= s.NRCON(b); ++k) {
      lo = std::min(lo, s.ICOLR(k, b));
      hi = std::max(hi, s.ICOLR(k, b));
    }
    s.LCOL(b) = lo;
    s.RCOL(b) = hi;
  }
  // Envelope: neither extent decreases from one block to the next, which
  // keeps every fill-in of the elimination inside the stored rows.
  for (int b = 2; b <= k7; ++b) {
    s.RCOL(b) = std::max(s.RCOL(b), s.RCOL(b - 1));
    const int bb = k7 + 1 - b;
    s.LCOL(bb) = std::min(s.LCOL(bb), s.LCOL(bb + 1));
  }
  long long nnmax = s.NBAND;
  for (int b = 1; b <= k7; ++b) {
    for (int e = 1; e <= ne; ++e) {
      const int i = (b - 1) * ne + e;
      s.LBW(i) = (b - s.LCOL(b)) * ne + e - 1;
      s.RBW(i) = (s.RCOL(b) - b + 1) * ne - e;
      nnmax += s.LBW(i) + s.RBW(i);
    }
  }
  s.LBW(s.NBAND + 1) = 0;
  s.RBW(s.NBAND + 1) = 0;
  checkStore(s, nnmax, "variable band");
  diagVariable(s);
}

void OLDBND(State& s) {
  bandBlocks(s);
  const int k7 = s.K7, ne = s.NEQN, nk = s.NUKN;
  s.NBAND = ne * k7;
  int mblk = 0;
  for (int b = 1; b <= k7; ++b) {
    int hi = 0;
    for (int k = 1; k <= s.NRCON(b); ++k) hi = std::max(hi, s.ICOLR(k, b));
    s.RMAX(b) = b > 1 ? std::max(hi, s.RMAX(b - 1)) : hi;
    mblk = std::max(mblk, s.RMAX(b) - b + 1);
  }
  s.MBLK = mblk;
  s.MBW = k7 > 0 ? nk * mblk - 1 : 0;
  for (int b = 1; b <= k7; ++b)
    for (int e = 1; e <= ne; ++e) s.IRBW((b - 1) * ne + e) = nk * (s.RMAX(b) - b + 1) - e;
  s.IRBW(s.NBAND + 1) = 0;
  const long long w = s.MBW, nb = s.NBAND;
  checkStore(s, (2 * w + 1) * nb - w * w - w, "uniform band");
  diagUniform(s);
}

void ONEDM(State& s) {
  diagVariable(s);
  fill(s, [&s](int k) { return s.RBW(k); });
}

void ONED4(State& s) {
  diagUniform(s);
  fill(s, [&s](int k) { return s.IRBW(k); });
}

void DSOLV(State& s) {
  eliminate(s, [&s](int k) { return s.RBW(k); }, true);
}

void GVBND(State& s) {
  eliminate(s, [&s](int k) { return s.IRBW(k); }, true);
}

void XONEDM(State& s) {
  diagVariable(s);
  fillRhs(s);
}

void XONED4(State& s) {
  diagUniform(s);
  fillRhs(s);
}

void XDSOLV(State& s) {
  eliminate(s, [&s](int k) { return s.RBW(k); }, false);
}

void XGVBND(State& s) {
  eliminate(s, [&s](int k) { return s.IRBW(k); }, false);
}

}  // namespace talvek
