// Files a run writes under provisional names (the listing files before they
// are renamed into place, the temporary restart-up image) are removed when
// the run is ended by an interrupt, a termination request or a hang-up, so
// that an interrupted run leaves neither half-written files nor hidden
// temporary ones behind; the files of an earlier run are never touched.
#pragma once

#include <string>

namespace talvek {

// Installs the handlers of SIGINT, SIGTERM and SIGHUP (once, by the
// program's main; runs made inside another program install nothing). The
// handler removes every registered file, then ends the process by the same
// signal, so that the caller sees how the run ended.
void SIGSET();

// Registers a provisional file (at most TMPMAX at a time; the path is copied
// into a fixed table, since the handler may not allocate). A path too long
// for the table is not registered.
void TMPADD(const std::string& path);

// Forgets a provisional file once it has been renamed into place or removed.
void TMPDEL(const std::string& path);

inline constexpr int TMPMAX = 16;

}  // namespace talvek
