// libFuzzer target: one input is one whole deck, run by the shared entry.
// A normal end and the program's own refusals are expected; any other
// exception, a sanitizer report, a failed array bound check, a time-out or
// memory past -rss_limit_mb is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talvek::fuzz::runDeck(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
