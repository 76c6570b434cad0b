// State owned by run control (driver, loop, Newton, step control, cascade,
// material balance, restart-up) beyond the shared core of run/state.h.
#pragma once

#include "run/limits.h"
#include "util/farray.h"

namespace talvek {

struct RunState {
};

}  // namespace talvek
