// Solver set-up and the per-iteration solve of the Newton system.
#pragma once

#include <string_view>

namespace talvek {

struct State;

// The method set-up of a new run, after the connection lists: methods 1 and 4
// lay out the band store (LRBAND or OLDBND by NUSLVR) and report K7, NGPACT
// and NNMAX on the console and the listing; method 2 builds the block ILU
// pattern (BILOKT), method 3 the plane and line lists (NSLOKT).
void SETSLV(State& s);

// One solve of the Newton system VBB * DELX = RHS by METHOD; sets LINIT (the
// iterations of an iterative solve, 0 for the direct methods). An iterative
// solve that breaks down (NBADBK) leaves not-a-number in DELX.
void SOLVE(State& s);

// Solves the last Newton system again with the right-hand side now in RHS,
// reusing the factors of the last SOLVE; the result is in DELX.
void RESOLV(State& s);

// Stops the run on an iterative solve that broke down (NBADBK, NBADKD) at
// the smallest time step: names the deck, the method and the block.
[[noreturn]] void SLVSTP(const State& s);

// Label of a method as printed on the iteration line and the step report
// ("S.S.-NAT=" ...): the first nine characters of MTHLAB(method).
std::string_view methodLabel(const State& s, int method);

}  // namespace talvek
