// Small dense block operations of the iterative solvers. Blocks are N x N,
// N <= 4, stored with leading dimension 4 (first index the row), as the
// blocks of VBB are.
//
// Each operation is written once for a block order known at compile time
// and reached through a switch on N, so that the loops are unrolled for the
// one, two, three or four equations of a run; the arithmetic and its order
// are the same for every N.
#pragma once

namespace talvek::blockops {

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

// C = A * B.
template <int N>
inline void mulBB(const double* A, const double* B, double* C) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      double t = 0.0;
      for (int k = 0; k < N; ++k) t += A[i + 4 * k] * B[k + 4 * j];
      C[i + 4 * j] = t;
    }
}
inline void mulBB(const double* A, const double* B, double* C, int N) {
  byOrder(N, [&]<int M>() { mulBB<M>(A, B, C); });
}

// C -= A * B.
template <int N>
inline void subMulBB(const double* A, const double* B, double* C) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      double t = 0.0;
      for (int k = 0; k < N; ++k) t += A[i + 4 * k] * B[k + 4 * j];
      C[i + 4 * j] -= t;
    }
}
inline void subMulBB(const double* A, const double* B, double* C, int N) {
  byOrder(N, [&]<int M>() { subMulBB<M>(A, B, C); });
}

// y -= A * x.
template <int N>
inline void subMulBV(const double* A, const double* x, double* y) {
  for (int i = 0; i < N; ++i) {
    double t = 0.0;
    for (int k = 0; k < N; ++k) t += A[i + 4 * k] * x[k];
    y[i] -= t;
  }
}
inline void subMulBV(const double* A, const double* x, double* y, int N) {
  byOrder(N, [&]<int M>() { subMulBV<M>(A, x, y); });
}

// y = A * x, summed column by column.
template <int N>
inline void mulBV(const double* A, const double* x, double* y) {
  for (int i = 0; i < N; ++i) y[i] = 0.0;
  for (int k = 0; k < N; ++k)
    for (int i = 0; i < N; ++i) y[i] += A[i + 4 * k] * x[k];
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

}  // namespace talvek::blockops
