// Analytic aquifer terms.
#include "physics/aquifer.h"

#include "state/state.h"

namespace talvek {

void INFLUX(State& s, int iterk) {
  (void)iterk;
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.QAQ(n) = 0.0;
    s.QAO(n) = 0.0;
    s.QAW(n) = 0.0;
    s.QAG(n) = 0.0;
    s.QAP(n) = 0.0;
    for (int m = 1; m <= MXEQ; ++m)
      for (int k = 1; k <= MXEQ; ++k) s.DQA(k, m, n) = 0.0;
  }
}

}  // namespace talvek
