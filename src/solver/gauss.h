// Small dense solve with partial pivoting.
#pragma once

namespace talvek {

struct State;

// Solves GMAT * GSOL = GRHS over NUKN rows and NEQN columns; GMAT and GRHS
// are destroyed. Rows are exchanged for the largest pivot (the first one
// found on ties); each pivot of the back substitution is guarded by 1e-51.
void GAUSS(State& s);

}  // namespace talvek
