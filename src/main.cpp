// talvek: command line, then the run driver.
#include <cstdio>

#include "run/state.h"

int main() {
  auto s = talvek::makeState();
  std::puts("TALVEK");
  return 0;
}
