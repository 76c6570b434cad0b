// libFuzzer target: one input is a restart-up image in the zero-run form of
// unpackImage(), read by a restart run of tests/fuzz/restart_deck.txt through
// the shared entry. Expected and unexpected outcomes as for fuzz_deck.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  talvek::fuzz::runRestart(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
