#include "io/units.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "io/errors.h"

namespace talvek {

Units::~Units() { closeAll(); }

Units::Slot& Units::slot(int unit) {
  if (unit < 0 || unit > kMaxUnit) throw RunError("unit number " + std::to_string(unit) + " is not one of this program's files");
  return slots_[unit];
}
const Units::Slot& Units::slot(int unit) const {
  if (unit < 0 || unit > kMaxUnit) throw RunError("unit number " + std::to_string(unit) + " is not one of this program's files");
  return slots_[unit];
}

namespace {

// The system's reason for the last failure, or a plain word when it gave none.
std::string reason(int err) { return err != 0 ? std::strerror(err) : "input/output error"; }

}  // namespace

void Units::open(int unit, std::string_view path, FileForm form, FileStatus status, std::string_view role) {
  Slot& s = slot(unit);
  if (s.f) close(unit);
  std::string p(path);
  while (!p.empty() && p.back() == ' ') p.pop_back();
  if (p.empty()) throw IoError("no file name given for " + (role.empty() ? std::string("a file") : std::string(role)));
  const std::string who = role.empty() ? "the file '" + p + "'" : std::string(role);
  const char* mode = status == FileStatus::Old ? (form == FileForm::Formatted ? "r" : "rb")
                                               : (form == FileForm::Formatted ? "w+" : "w+b");
  errno = 0;
  std::FILE* f = std::fopen(p.c_str(), mode);
  if (!f) throw IoError("cannot open " + who + ": " + reason(errno));
  // The stream buffer is the slot's own, given before the first read or write.
  std::setvbuf(f, s.buf, _IOFBF, kBufSize);
  s.f = f;
  s.name = p;
  s.role = who;
  s.err = 0;
  s.form = form;
}

void Units::close(int unit) {
  Slot& s = slot(unit);
  if (unit == 5 || unit == 6) return;
  if (!s.f) return;
  std::FILE* f = s.f;
  s.f = nullptr;
  errno = 0;
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0) throw IoError("cannot write " + s.role + ": " + reason(errno));
  // An earlier failure of the stream, already reported, gives its reason again.
  if (bad) throw IoError("cannot write " + s.role + ": " + reason(s.err));
}

void Units::closeAll() {
  for (int u = 0; u <= kMaxUnit; ++u) {
    if (u == 5 || u == 6) continue;
    if (slots_[u].f) std::fclose(slots_[u].f);
    slots_[u].f = nullptr;
  }
  std::fflush(stdout);
}

void Units::rewind(int unit) {
  std::FILE* f = file(unit);
  if (f) {
    std::fflush(f);
    std::rewind(f);
  }
}

bool Units::isOpen(int unit) const { return unit == 5 || unit == 6 || slot(unit).f != nullptr; }

const std::string& Units::name(int unit) const { return slot(unit).name; }

const std::string& Units::role(int unit) const { return slot(unit).role; }

std::FILE* Units::file(int unit) {
  if (unit == 5) return stdin;
  if (unit == 6) return stdout;
  return slot(unit).f;
}

void Units::writeLine(int unit, std::string_view line) {
  std::FILE* f = file(unit);
  if (!f) throw RunError("a record written to unit " + std::to_string(unit) + ", which has no file open");
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), f) != line.size() || std::fputc('\n', f) == EOF) {
    const int err = errno;
    if (unit != 6) slot(unit).err = err;
    if (unit == 6) throw IoError("cannot write to standard output: " + reason(err));
    throw IoError("cannot write " + slot(unit).role + ": " + reason(err));
  }
}

bool Units::readLine(int unit, std::string& line) {
  std::FILE* f = file(unit);
  if (!f) throw RunError("a record read from unit " + std::to_string(unit) + ", which has no file open");
  line.clear();
  int c;
  bool any = false;
  // One lock for the whole record: the end-of-run summaries read the
  // listing files back record by record, and a lock per character was most
  // of that work.
  flockfile(f);
  while ((c = getc_unlocked(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  funlockfile(f);
  if (c == EOF && std::ferror(f)) {
    const int err = errno;
    throw IoError("cannot read " + (unit == 5 ? std::string("standard input") : slot(unit).role) + ": " + reason(err));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

void Units::flush(int unit) {
  std::FILE* f = file(unit);
  if (!f) return;
  errno = 0;
  if (std::fflush(f) != 0 && unit != 5 && unit != 6) {
    Slot& s = slot(unit);
    s.err = errno;
    throw IoError("cannot write " + s.role + ": " + reason(s.err));
  }
}

void Units::flushAll() {
  for (int u = 0; u <= kMaxUnit; ++u) {
    std::FILE* f = (u == 5 || u == 6) ? nullptr : slots_[u].f;
    if (f) std::fflush(f);
  }
  std::fflush(stdout);
}

}  // namespace talvek
