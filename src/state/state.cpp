#include "state/state.h"

#include <cstdlib>
#include <new>

namespace talvek {

// calloc takes a block this large fresh from the system, whose pages read as
// zeros until they are first written; it clears nothing itself.
void* State::operator new(std::size_t bytes) {
  void* p = std::calloc(1, bytes);
  if (!p) throw std::bad_alloc();
  return p;
}

void State::operator delete(void* p) noexcept { std::free(p); }

}  // namespace talvek
