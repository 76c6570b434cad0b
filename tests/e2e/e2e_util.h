// Helpers of the whole-run tests: run the talvek program in a scratch
// directory and read back what it wrote.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

struct Result {
  int status = -1;  // exit status of the program
  std::string out, err;
};

inline std::string slurp(const fs::path& p) {
  std::ifstream f(p);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) v.push_back(l);
  return v;
}

// A fresh scratch directory for one run.
// The lines of file p but those of the processor times, which differ from
// one run to the next: for comparing the listings and consoles of two runs.
inline std::string withoutTimes(const fs::path& p) {
  std::string out;
  for (const auto& l : lines(slurp(p)))
    if (l.find("CPU-TIME IN SECONDS") == std::string::npos) out += l + "\n";
  return out;
}

inline fs::path scratch(const std::string& name) {
  fs::path d = fs::path(::testing::TempDir()) / ("talvek_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

// For runs made inside the test process: the run writes its listing files
// into the working directory and its console lines to standard output; both
// go to a fresh scratch directory (console.txt) while the Sandbox lives, and
// come back when it ends (also by an exception).
class Sandbox {
 public:
  explicit Sandbox(const std::string& name) : dir_(scratch(name)), home_(fs::current_path()) {
    fs::current_path(dir_);
    std::fflush(stdout);
    saved_ = ::dup(1);
    const int fd = ::open((dir_ / "console.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::close(fd);
    }
  }
  ~Sandbox() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      ::dup2(saved_, 1);
      ::close(saved_);
    }
    fs::current_path(home_);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_, home_;
  int saved_ = -1;
};

// Runs `talvek ARGS` in `dir`, with `input` on standard input.
inline Result run(const fs::path& dir, const std::string& args, const std::string& input = "") {
  const fs::path in = dir / "stdin.txt", out = dir / "stdout.txt", err = dir / "stderr.txt";
  {
    std::ofstream f(in);
    f << input;
  }
  const std::string cmd = "cd '" + dir.string() + "' && '" + std::string(TALVEK_BINARY) + "' " + args + " < '" + in.string() +
                          "' > '" + out.string() + "' 2> '" + err.string() + "'";
  const int rc = std::system(cmd.c_str());
  Result r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

}  // namespace e2e
