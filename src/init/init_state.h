// State owned by the init subsystem beyond the shared core of run/state.h.
// Members added here become members of State (State inherits this struct).
#pragma once

#include "run/limits.h"
#include "util/farray.h"

namespace talvek {

struct InitState {
};

}  // namespace talvek
