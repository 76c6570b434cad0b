// Small dense solve with partial pivoting.
#include "solver/gauss.h"

#include <cmath>
#include <utility>

#include "state/state.h"

namespace talvek {

void GAUSS(State& s) {
  const int n = s.NUKN, nc = s.NEQN;
  auto& A = s.GMAT;
  auto& b = s.GRHS;
  for (int k = 1; k <= n - 1; ++k) {
    int p = k;
    double big = std::fabs(A(k, k));
    for (int i = k + 1; i <= n; ++i) {
      if (std::fabs(A(i, k)) > big) {
        big = std::fabs(A(i, k));
        p = i;
      }
    }
    // A column that is zero from row k down needs no elimination (and a
    // multiplier 0/0 would spread NaN through the system).
    if (big == 0.0) continue;
    if (p != k) {
      for (int j = 1; j <= nc; ++j) std::swap(A(p, j), A(k, j));
      std::swap(b(p), b(k));
    }
    for (int i = k + 1; i <= n; ++i) {
      const double m = A(i, k) / A(k, k);
      b(i) -= m * b(k);
      for (int j = k + 1; j <= nc; ++j) A(i, j) -= m * A(k, j);
    }
  }
  // The known part of row i is summed first (from the last column down) and
  // then taken from the right-hand side in one subtraction.
  for (int i = n; i >= 1; --i) {
    double sum = 0.0;
    for (int j = n; j >= i + 1; --j) sum += A(i, j) * s.GSOL(j);
    s.GSOL(i) = (b(i) - sum) / (A(i, i) + 1e-51);
  }
}

}  // namespace talvek
