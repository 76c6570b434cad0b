// A run ended by an interrupt, a termination request or a hang-up removes
// the files it writes under provisional names and leaves the listing files
// of an earlier run as they were; the process ends by the signal.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

std::vector<std::string> provisional(const fs::path& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".tmp") == 0) v.push_back(n);
  }
  return v;
}

std::string exampleText(const std::string& name) {
  return slurp(fs::path(TALVEK_SOURCE_DIR) / "examples" / name);
}

TEST(Interrupt, RemovesProvisionalFilesAndKeepsTheEarlierRun) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE("signal " + std::to_string(sig));
    const fs::path dir = scratch("interrupt");
    {
      std::ofstream(dir / "short.txt") << exampleText("waterflood1d.txt");
      std::ofstream(dir / "long.txt") << exampleText("polymer3d_4000.txt");
    }
    const Result first = run(dir, "short.txt short.lis r0 short.rst");
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string res = slurp(dir / "res.lis");
    ASSERT_FALSE(res.empty());

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(127);
      const int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execl(TALVEK_BINARY, TALVEK_BINARY, "long.txt", "long.lis", "r0", "long.rst", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Wait until the run has opened its listing files under provisional
    // names (the set-up of the 4,000-block deck comes first).
    bool seen = false;
    for (int i = 0; i < 6000 && !seen; ++i) {
      for (const std::string& n : provisional(dir)) seen = seen || n.rfind(".res.lis.", 0) == 0;
      if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(seen) << "the run never opened its listing files";
    EXPECT_TRUE(WIFSIGNALED(status)) << "status " << status;
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), sig);
    }
    EXPECT_EQ(provisional(dir), std::vector<std::string>{});
    EXPECT_EQ(slurp(dir / "res.lis"), res);
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace e2e
