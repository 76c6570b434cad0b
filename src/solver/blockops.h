// Small dense block operations of the iterative solvers. Blocks are N x N,
// N <= 4, stored with leading dimension 4 (first index the row), as the
// blocks of VBB are.
#pragma once

namespace talvek::blockops {

// C = A * B.
inline void mulBB(const double* A, const double* B, double* C, int N) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      double t = 0.0;
      for (int k = 0; k < N; ++k) t += A[i + 4 * k] * B[k + 4 * j];
      C[i + 4 * j] = t;
    }
}

// C -= A * B.
inline void subMulBB(const double* A, const double* B, double* C, int N) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      double t = 0.0;
      for (int k = 0; k < N; ++k) t += A[i + 4 * k] * B[k + 4 * j];
      C[i + 4 * j] -= t;
    }
}

// y -= A * x.
inline void subMulBV(const double* A, const double* x, double* y, int N) {
  for (int i = 0; i < N; ++i) {
    double t = 0.0;
    for (int k = 0; k < N; ++k) t += A[i + 4 * k] * x[k];
    y[i] -= t;
  }
}

inline void copyBlock(const double* A, double* B, int N) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) B[i + 4 * j] = A[i + 4 * j];
}

inline void zeroBlock(double* B) {
  for (int i = 0; i < 16; ++i) B[i] = 0.0;
}

// C += A.
inline void addBlock(const double* A, double* C, int N) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) C[i + 4 * j] += A[i + 4 * j];
}

// C -= A.
inline void subBlock(const double* A, double* C, int N) {
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) C[i + 4 * j] -= A[i + 4 * j];
}

}  // namespace talvek::blockops
