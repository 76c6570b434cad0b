#include "io/units.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "io/errors.h"

namespace talvek {

Units::~Units() { closeAll(); }

Units::Slot& Units::slot(int unit) {
  if (unit < 0 || unit > kMaxUnit) throw RunError("unit " + std::to_string(unit) + " is not a unit of this program");
  return slots_[unit];
}
const Units::Slot& Units::slot(int unit) const {
  if (unit < 0 || unit > kMaxUnit) throw RunError("unit " + std::to_string(unit) + " is not a unit of this program");
  return slots_[unit];
}

void Units::open(int unit, std::string_view path, FileForm form, FileStatus status) {
  Slot& s = slot(unit);
  if (s.f) close(unit);
  std::string p(path);
  while (!p.empty() && p.back() == ' ') p.pop_back();
  if (p.empty()) throw RunError("cannot open unit " + std::to_string(unit) + ": no file name given");
  const char* mode = status == FileStatus::Old ? (form == FileForm::Formatted ? "r" : "rb")
                                               : (form == FileForm::Formatted ? "w+" : "w+b");
  std::FILE* f = std::fopen(p.c_str(), mode);
  if (!f) {
    throw RunError("cannot open unit " + std::to_string(unit) + " file '" + p + "': " + std::strerror(errno));
  }
  // The stream buffer is the slot's own, given before the first read or write.
  std::setvbuf(f, s.buf, _IOFBF, kBufSize);
  s.f = f;
  s.name = p;
  s.form = form;
}

void Units::close(int unit) {
  Slot& s = slot(unit);
  if (unit == 5 || unit == 6) return;
  if (s.f) std::fclose(s.f);
  s.f = nullptr;
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

std::FILE* Units::file(int unit) {
  if (unit == 5) return stdin;
  if (unit == 6) return stdout;
  return slot(unit).f;
}

void Units::writeLine(int unit, std::string_view line) {
  std::FILE* f = file(unit);
  if (!f) throw RunError("write to unit " + std::to_string(unit) + ", which is not open");
  if (std::fwrite(line.data(), 1, line.size(), f) != line.size() || std::fputc('\n', f) == EOF) {
    throw RunError("write failed on unit " + std::to_string(unit) + " file '" + slot(unit).name + "'");
  }
}

bool Units::readLine(int unit, std::string& line) {
  std::FILE* f = file(unit);
  if (!f) throw RunError("read from unit " + std::to_string(unit) + ", which is not open");
  line.clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

void Units::flush(int unit) {
  std::FILE* f = file(unit);
  if (f) std::fflush(f);
}

void Units::flushAll() {
  for (int u = 0; u <= kMaxUnit; ++u) {
    std::FILE* f = (u == 5 || u == 6) ? nullptr : slots_[u].f;
    if (f) std::fflush(f);
  }
  std::fflush(stdout);
}

}  // namespace talvek
