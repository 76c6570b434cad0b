// Small dense block operations of the iterative solvers. Blocks are N x N,
// N <= 4, stored with leading dimension 4 (first index the row), as the
// blocks of VBB are; the vector products also take packed blocks of leading
// dimension LD = N.
//
// Each operation is written once for a block order known at compile time
// and reached through a switch on N, so that the loops are unrolled for the
// one, two, three or four equations of a run; the arithmetic and its order
// are the same for every N.
//
// The products work on two rows at a time: the rows of a column are
// contiguous (first index fastest), and every row's sum is formed in the
// same order as it would be alone, so pairing rows changes no digit.
#pragma once

#include <cmath>
#include <cstring>

namespace talvek::blockops {

// Two doubles worked on together (a pair of rows).
typedef double Pair __attribute__((vector_size(16)));

inline Pair loadPair(const double* p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void storePair(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }
inline Pair both(double x) { return Pair{x, x}; }

// y(i) = sum over k of A(i, k) * x(k), from 0 and in the order of k, for the
// rows i of pairs and then the odd last row; A of leading dimension LD.
template <int N, int LD>
inline void rowSums(const double* A, const double* x, double* y) {
  int i = 0;
  for (; i + 1 < N; i += 2) {
    Pair t = {0.0, 0.0};
    for (int k = 0; k < N; ++k) t += loadPair(A + i + LD * k) * both(x[k]);
    storePair(y + i, t);
  }
  if constexpr (N % 2 != 0) {
    double t = 0.0;
    for (int k = 0; k < N; ++k) t += A[N - 1 + LD * k] * x[k];
    y[N - 1] = t;
  }
}

// The sums of rowSums started from the first product instead of from 0: the
// same value, but for the sign of a zero (0 + (-0) is +0, the first product
// alone may be -0), which adding 0 afterwards restores. One addition less on
// the path of a recurrence whose values enter only products and sums until
// they are stored (see lineSolve).
template <int N, int LD>
inline void rowSumsLead(const double* A, const double* x, double* y) {
  int i = 0;
  for (; i + 1 < N; i += 2) {
    Pair t = loadPair(A + i) * both(x[0]);
    for (int k = 1; k < N; ++k) t += loadPair(A + i + LD * k) * both(x[k]);
    storePair(y + i, t);
  }
  if constexpr (N % 2 != 0) {
    double t = A[N - 1] * x[0];
    for (int k = 1; k < N; ++k) t += A[N - 1 + LD * k] * x[k];
    y[N - 1] = t;
  }
}

// Calls f.template operator()<N>() for the run-time block order N (1..4).
template <class F>
inline void byOrder(int N, F&& f) {
  switch (N) {
    case 1: f.template operator()<1>(); break;
    case 2: f.template operator()<2>(); break;
    case 3: f.template operator()<3>(); break;
    default: f.template operator()<4>(); break;
  }
}

// C = A * B; A, B and C of leading dimensions LA, LB and LC.
template <int N, int LA = 4, int LB = 4, int LC = 4>
inline void mulBB(const double* A, const double* B, double* C) {
  for (int j = 0; j < N; ++j) {
    double t[N];
    rowSums<N, LA>(A, B + LB * j, t);
    for (int i = 0; i < N; ++i) C[i + LC * j] = t[i];
  }
}
inline void mulBB(const double* A, const double* B, double* C, int N) {
  byOrder(N, [&]<int M>() { mulBB<M>(A, B, C); });
}

// C -= A * B; A, B and C of leading dimensions LA, LB and LC.
template <int N, int LA = 4, int LB = 4, int LC = 4>
inline void subMulBB(const double* A, const double* B, double* C) {
  for (int j = 0; j < N; ++j) {
    double t[N];
    rowSums<N, LA>(A, B + LB * j, t);
    for (int i = 0; i < N; ++i) C[i + LC * j] -= t[i];
  }
}
inline void subMulBB(const double* A, const double* B, double* C, int N) {
  byOrder(N, [&]<int M>() { subMulBB<M>(A, B, C); });
}

// y -= A * x.
template <int N, int LD = 4>
inline void subMulBV(const double* A, const double* x, double* y) {
  double t[N];
  rowSums<N, LD>(A, x, t);
  for (int i = 0; i < N; ++i) y[i] -= t[i];
}
inline void subMulBV(const double* A, const double* x, double* y, int N) {
  byOrder(N, [&]<int M>() { subMulBV<M>(A, x, y); });
}

// y = A * x, summed column by column (each row from 0 in the order of the
// columns, as rowSums sums).
template <int N, int LD = 4>
inline void mulBV(const double* A, const double* x, double* y) {
  double t[N];
  rowSums<N, LD>(A, x, t);
  for (int i = 0; i < N; ++i) y[i] = t[i];
}
inline void mulBV(const double* A, const double* x, double* y, int N) {
  byOrder(N, [&]<int M>() { mulBV<M>(A, x, y); });
}

// y += A * x, column by column.
template <int N>
inline void addMulBV(const double* A, const double* x, double* y) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) y[i] += A[i + 4 * j] * x[j];
}

inline void copyBlock(const double* A, double* B, int N) {
  byOrder(N, [&]<int M>() {
    for (int j = 0; j < M; ++j)
      for (int i = 0; i < M; ++i) B[i + 4 * j] = A[i + 4 * j];
  });
}

inline void zeroBlock(double* B) {
  for (int i = 0; i < 16; ++i) B[i] = 0.0;
}

// C += A.
inline void addBlock(const double* A, double* C, int N) {
  byOrder(N, [&]<int M>() {
    for (int j = 0; j < M; ++j)
      for (int i = 0; i < M; ++i) C[i + 4 * j] += A[i + 4 * j];
  });
}

// C -= A.
inline void subBlock(const double* A, double* C, int N) {
  byOrder(N, [&]<int M>() {
    for (int j = 0; j < M; ++j)
      for (int i = 0; i < M; ++i) C[i + 4 * j] -= A[i + 4 * j];
  });
}

// Inverse of the N x N block A (leading dimension 4) in place by Gauss-Jordan
// elimination without row exchanges, on [A | I], each pivot row divided out
// at the end. Returns 0, or the row (1..N) whose pivot is zero (with
// `finite`: zero or not a finite number, or a row of the inverse not
// finite); A is then left unchanged.
template <int N>
inline int gaussJordan(double* A, bool finite) {
  double W[N][2 * N];
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) {
      W[i][j] = A[i + 4 * j];
      W[i][N + j] = i == j ? 1.0 : 0.0;
    }
  for (int k = 0; k < N; ++k) {
    const double piv = W[k][k];
    if (piv == 0.0 || (finite && !std::isfinite(piv))) return k + 1;
    for (int m = 0; m < N; ++m) {
      if (m == k) continue;
      const double f = W[m][k] / piv;
      for (int j = 0; j < 2 * N; ++j) W[m][j] -= f * W[k][j];
    }
  }
  double R[N][N];
  for (int k = 0; k < N; ++k)
    for (int j = 0; j < N; ++j) {
      R[k][j] = W[k][N + j] / W[k][k];
      if (finite && !std::isfinite(R[k][j])) return k + 1;
    }
  for (int k = 0; k < N; ++k)
    for (int j = 0; j < N; ++j) A[k + 4 * j] = R[k][j];
  return 0;
}

// The same inverse for the iterative solvers: false, leaving A unchanged,
// when a pivot is zero or not finite or an entry of the inverse is not
// finite.
template <int N>
inline bool invertTry(double* A) {
  return gaussJordan<N>(A, true) == 0;
}

}  // namespace talvek::blockops
