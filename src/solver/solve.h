// Solver set-up and the per-iteration solve of the Newton system.
#pragma once

#include <string_view>

namespace talvek {

struct State;

// The method set-up of a new run, after the connection lists: methods 1 and 4
// lay out the band store (LRBAND or OLDBND by NUSLVR) and report K7, NGPACT
// and NNMAX on the console and the listing. Methods 2 and 3 stop with a
// RunError until they are built.
void SETSLV(State& s);

// One solve of the Newton system VBB * DELX = RHS by METHOD; sets LINIT (the
// iterations of an iterative solve, 0 for the direct methods).
void SOLVE(State& s);

// Solves the last Newton system again with the right-hand side now in RHS,
// reusing the factors of the last SOLVE; the result is in DELX.
void RESOLV(State& s);

// Label of a method as printed on the iteration line and the step report
// ("S.S.-NAT=" ...): the first nine characters of MTHLAB(method).
std::string_view methodLabel(const State& s, int method);

}  // namespace talvek
