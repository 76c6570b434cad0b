// Linked into every test program: the scratch folders and files the tests
// make under the test temporary directory carry the process number in their
// names ("talvek_<what>_<pid>"). A run image there is tens of megabytes, and
// every test process makes its own, so they are removed when the process has
// run its tests. They are kept when a test failed (to be looked at) or when
// TALVEK_KEEP_SCRATCH is set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// True for "talvek_..._<pid>" (dots in the middle included, as in
// "talvek_units_x.txt_<pid>") and "talvek_..._<pid>.<extension>".
bool ours(const std::string& name, const std::string& pid) {
  if (name.rfind("talvek_", 0) != 0) return false;
  const std::string tail = "_" + pid;
  auto endsWithTail = [&](const std::string& v) {
    return v.size() > tail.size() && v.compare(v.size() - tail.size(), tail.size(), tail) == 0;
  };
  return endsWithTail(name) || endsWithTail(name.substr(0, name.rfind('.')));
}

class ScratchCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    const fs::path dir(::testing::TempDir());
    const std::string pid = std::to_string(::getpid());
    const bool keep = std::getenv("TALVEK_KEEP_SCRATCH") != nullptr || ::testing::UnitTest::GetInstance()->Failed();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (!ours(name, pid)) continue;
      if (keep) {
        std::fprintf(stderr, "scratch kept: %s\n", it->path().c_str());
        continue;
      }
      std::error_code rm;
      fs::remove_all(it->path(), rm);
    }
  }
};

[[maybe_unused]] ::testing::Environment* const gCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace
