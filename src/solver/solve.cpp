// The per-iteration solve of the Newton system and its repeated solve.
#include "solver/solve.h"

#include <string>

#include "io/errors.h"
#include "state/state.h"
#include "solver/bands.h"
#include "solver/blkitr.h"
#include "solver/nested.h"
#include "solver/d4.h"

namespace talvek {

namespace {

[[noreturn]] void noMethod(int method) {
  throw RunError("solution method " + std::to_string(method) + " does not exist (METHOD is 1..4)");
}

}  // namespace

void SOLVE(State& s) {
  s.NBADBK = s.NBADKD = 0;
  switch (s.METHOD) {
    case 1:
    case 4:
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
    case 2:
      BLKITR(s, 0);
      return;
    case 3:
      NESITR(s, 0);
      return;
    default:
      noMethod(s.METHOD);
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
    case 2:
      BLKITR(s, 1);
      return;
    case 3:
      NESITR(s, 1);
      return;
    default:
      noMethod(s.METHOD);
  }
}

void SLVSTP(const State& s) {
  const int n = s.NBADBK;
  if (s.NBADKD == 1) {
    SINGLR(s, n, 0,
           "solution method " + std::to_string(s.METHOD) +
               ": its pivot block cannot be inverted, and the time step cannot be cut further");
  }
  const std::size_t len = s.FINPUT.trimmed();
  std::string m = "deck " + (len ? std::string(s.FINPUT.c.data(), len) : std::string("(deck)")) +
                  ": solution method " + std::to_string(s.METHOD) +
                  " gives a correction that is not a finite number at active block " + std::to_string(n);
  if (n >= 1 && n <= s.NGPACT && n <= MXBLK) {
    m += ", grid block (" + std::to_string(s.IJK(1, n)) + "," + std::to_string(s.IJK(2, n)) + "," +
         std::to_string(s.IJK(3, n)) + ")";
  }
  m += ", and the time step cannot be cut further";
  throw RunError(m);
}

std::string_view methodLabel(const State& s, int method) {
  if (method < 1 || method > 4) return std::string_view("         ");
  return std::string_view(s.MTHLAB(method).c.data(), 9);
}

}  // namespace talvek
