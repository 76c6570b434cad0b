// Phase gradients of the gravity terms.
#include "physics/gradients.h"

#include "state/state.h"

namespace talvek {

void GRADNT(State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int p = s.NPVTGN(n);
    s.GRADWB(n) = s.GRADW(p) / s.BWN(n);
    s.GRADOB(n) = (s.GRADO(p) + s.GRADG(p) * s.RSN(n)) / s.BON(n);
    s.GRADGB(n) = s.GRADG(p) / s.BGN(n);
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int nnb = s.NNB(n);
    for (int k = 1; k <= nnb; ++k) {
      const int m = s.NBN(k, n);
      const int sl = s.NBS(k, n);
      s.GRAVW(sl, n) = 0.5 * s.GRADWB(n) + 0.5 * s.GRADWB(m);
      s.GRAVO(sl, n) = 0.5 * s.GRADOB(n) + 0.5 * s.GRADOB(m);
      s.GRAVG(sl, n) = 0.5 * s.GRADGB(n) + 0.5 * s.GRADGB(m);
    }
  }
}

}  // namespace talvek
