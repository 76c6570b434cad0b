#include "io/warnings.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace talvek {

namespace {

struct Counted {
  std::string where;  // "DECK: data group X, item Y"
  int count = 0;
};

struct Log {
  std::function<void(const std::string&)> sink;
  std::vector<Counted> seen;  // in order of the first warning
  int muted = 0;              // live DeckWarningMute objects
};

Log& log() {
  static Log l;
  return l;
}

void emit(const std::string& line) {
  Log& l = log();
  if (l.sink) {
    l.sink(line);
    return;
  }
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

DeckWarningMute::DeckWarningMute() { ++log().muted; }
DeckWarningMute::~DeckWarningMute() { --log().muted; }

void deckWarning(std::string_view file, int line, std::string_view group, std::string_view item,
                 std::string_view text) {
  if (log().muted > 0) return;
  std::string where(file);
  where += ": data group ";
  where += group;
  if (!item.empty()) {
    where += ", item ";
    where += item;
  }
  Log& l = log();
  Counted* c = nullptr;
  for (Counted& k : l.seen)
    if (k.where == where) c = &k;
  if (!c) {
    l.seen.push_back({where, 0});
    c = &l.seen.back();
  }
  if (++c->count > kShownWarnings) return;
  std::string msg = "talvek: warning: ";
  msg += file;
  // A value that comes from no line of the deck (a restart's tables, from
  // its image) is named without one.
  if (line > 0) {
    msg += ':';
    msg += std::to_string(line);
  }
  msg += where.substr(file.size());
  msg += ": ";
  msg += text;
  emit(msg);
}

void flushDeckWarnings() {
  Log& l = log();
  for (const Counted& c : l.seen) {
    if (c.count > kShownWarnings) {
      emit("talvek: warning: " + c.where + ": (" + std::to_string(c.count - kShownWarnings) + " more like this)");
    }
  }
  l.seen.clear();
}

void runWarning(std::string_view file, std::string_view text) {
  std::string msg = "talvek: warning: ";
  msg += file;
  msg += ": ";
  msg += text;
  emit(msg);
}

void setDeckWarningSink(std::function<void(const std::string&)> sink) { log().sink = std::move(sink); }

}  // namespace talvek
