#include "io/errors.h"

#include <cstdio>
#include <utility>

namespace talvek {

std::string gText(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", v);
  return b;
}

DeckError::DeckError(std::string f, int l, std::string g, std::string i, const std::string& what)
    : RunError(what), file(std::move(f)), line(l), group(std::move(g)), item(std::move(i)) {}

}  // namespace talvek
