// The solver set-up of a new run.
#include <string>

#include "io/errors.h"
#include "io/format.h"
#include "state/state.h"
#include "solver/bands.h"
#include "solver/blkitr.h"
#include "solver/nested.h"
#include "solver/solve.h"

namespace talvek {

namespace {

// The deck place of the method choice, for the stop messages.
std::string where(const State& s) {
  const std::size_t n = s.FINPUT.trimmed();
  return "deck " + (n ? std::string(s.FINPUT.c.data(), n) : std::string("(deck)")) +
         ", group DATA 10B, item METHOD: ";
}

}  // namespace

void SETSLV(State& s) {
  switch (s.METHOD) {
    case 1:
    case 4: {
      if (s.NUSLVR == 1) {
        LRBAND(s);
      } else {
        OLDBND(s);
      }
      for (const int unit : {s.ICONOUT, s.IOUT}) {
        FreeLine(s.units, unit).text("     ").end();
        FreeLine(s.units, unit)
            .text("  K7 =")
            .num(static_cast<long long>(s.K7))
            .text("  NGPACT=")
            .num(static_cast<long long>(s.NGPACT))
            .text("  NNMAX =")
            .num(static_cast<long long>(s.NNMAX))
            .end();
        FreeLine(s.units, unit).text("     ").end();
      }
      return;
    }
    case 2:
    case 3: {
      if (s.NEQN < 1 || s.NEQN > MXEQ || s.NUKN != s.NEQN) {
        throw RunError(where(s) + "NEQN = " + std::to_string(s.NEQN) + ", NUKN = " +
                       std::to_string(s.NUKN) + "; both must be equal and in 1.." +
                       std::to_string(MXEQ));
      }
      s.K7 = s.NGPACT;
      s.NRED = 0;
      for (int b = 1; b <= s.K7; ++b) s.IBLIST(b) = b;
      if (s.METHOD == 2) {
        BILOKT(s);
      } else {
        NSLOKT(s);
      }
      return;
    }
    default:
      throw RunError(where(s) + "METHOD = " + std::to_string(s.METHOD) +
                     " is not a solution method (1..4)");
  }
}

}  // namespace talvek
