#include "io/cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace talvek {

namespace {

constexpr std::size_t kPathMax = 4096;

// The table the handler reads: a slot's path is complete before its flag is
// set, and the flag is cleared before the slot is reused.
char gPath[TMPMAX][kPathMax];
volatile sig_atomic_t gUsed[TMPMAX];

extern "C" void onSignal(int sig) {
  for (int i = 0; i < TMPMAX; ++i)
    if (gUsed[i]) ::unlink(gPath[i]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

void SIGSET() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = onSignal;
  ::sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal the caller ignores (a run started with nohup) stays ignored.
    struct sigaction old;
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &sa, nullptr);
  }
}

void TMPADD(const std::string& path) {
  if (path.empty() || path.size() >= kPathMax) return;
  for (int i = 0; i < TMPMAX; ++i) {
    if (gUsed[i] && std::strcmp(gPath[i], path.c_str()) == 0) return;
  }
  for (int i = 0; i < TMPMAX; ++i) {
    if (gUsed[i]) continue;
    std::memcpy(gPath[i], path.c_str(), path.size() + 1);
    gUsed[i] = 1;
    return;
  }
}

void TMPDEL(const std::string& path) {
  for (int i = 0; i < TMPMAX; ++i) {
    if (gUsed[i] && std::strcmp(gPath[i], path.c_str()) == 0) gUsed[i] = 0;
  }
}

}  // namespace talvek
