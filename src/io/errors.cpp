#include "io/errors.h"

#include <utility>

namespace talvek {

DeckError::DeckError(std::string f, int l, std::string g, std::string i, const std::string& what)
    : RunError(what), file(std::move(f)), line(l), group(std::move(g)), item(std::move(i)) {}

}  // namespace talvek
