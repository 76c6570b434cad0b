// The per-iteration solve of the Newton system and its repeated solve.
#include "solver/solve.h"

#include <algorithm>
#include <string>

#include "io/errors.h"
#include "state/state.h"
#include "solver/bands.h"
#include "solver/d4.h"

namespace talvek {

namespace {

[[noreturn]] void notBuilt(int method) {
  if (method < 1 || method > 4) {
    throw RunError("solution method " + std::to_string(method) + " does not exist (METHOD is 1..4)");
  }
  throw RunError("solution method " + std::to_string(method) + " is not available in this build");
}

void clearStore(State& s) {
  std::fill_n(s.ABAND.data(), std::clamp(s.NNMAX, 0, MXBAND), 0.0);
}

}  // namespace

void SOLVE(State& s) {
  switch (s.METHOD) {
    case 1:
    case 4:
      clearStore(s);
      if (s.METHOD == 4) INVRT(s);
      if (s.NUSLVR == 1) {
        ONEDM(s);
        DSOLV(s);
      } else {
        ONED4(s);
        GVBND(s);
      }
      if (s.METHOD == 4) BACSUB(s);
      s.LINIT = 0;
      return;
    default:
      notBuilt(s.METHOD);
  }
}

void RESOLV(State& s) {
  switch (s.METHOD) {
    case 1:
    case 4:
      if (s.METHOD == 4) XINVRT(s);
      if (s.NUSLVR == 1) {
        XONEDM(s);
        XDSOLV(s);
      } else {
        XONED4(s);
        XGVBND(s);
      }
      if (s.METHOD == 4) BACSUB(s);
      return;
    default:
      notBuilt(s.METHOD);
  }
}

std::string_view methodLabel(const State& s, int method) {
  if (method < 1 || method > 4) return std::string_view("         ");
  return std::string_view(s.MTHLAB(method).c.data(), 9);
}

}  // namespace talvek
