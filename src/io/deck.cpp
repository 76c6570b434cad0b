// Free-format (list-directed) reading of the input deck, with the rules of a
// Fortran list-directed READ as gfortran applies them:
//
//  - values are separated by blanks (or tabs), by a comma, or by a comma with
//    blanks around it; the end of a line separates like a blank;
//  - a comma that follows another comma (with only blanks or line ends in
//    between), or a comma that opens the read, is a null value; `r*` stands
//    for r nulls and `r*v` for r copies of v; a null leaves its item as it is;
//  - a slash ends the list: the items not yet read keep their values;
//  - integers are an optionally signed string of digits that fits 4 bytes;
//  - reals are an optionally signed number with or without decimal point and
//    an optional exponent: a letter E, D or Q and a signed or unsigned
//    integer, or a sign and an integer alone (1.5-3 is 1.5E-3);
//  - texts are quoted ('..' or "..", a doubled quote stands for one, a quoted
//    text may run on over a line end) or a run of characters ended by a
//    blank, comma, slash or the line end.
#include "io/deck.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "io/errors.h"

namespace talvek {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool isSep(char c) { return isBlank(c) || c == ',' || c == '/'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool blankLine(std::string_view l) {
  for (char c : l)
    if (!isBlank(c)) return false;
  return true;
}

std::string itemName(std::string_view name, int index) {
  std::string r(name);
  if (index > 0) {
    r += '(';
    r += std::to_string(index);
    r += ')';
  }
  return r;
}

enum class Conv { Ok, Bad, Range };

// An optionally signed integer that fits 4 bytes.
Conv parseInt(std::string_view t, int& out) {
  std::size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  if (i >= t.size()) return Conv::Bad;
  std::int64_t v = 0;
  bool big = false;
  for (; i < t.size(); ++i) {
    if (!isDigit(t[i])) return Conv::Bad;
    if (!big) {
      v = v * 10 + (t[i] - '0');
      if (v > 2147483648LL) big = true;
    }
  }
  if (neg) v = -v;
  if (big || v > 2147483647LL || v < -2147483648LL) return Conv::Range;
  out = static_cast<int>(v);
  return Conv::Ok;
}

// A real number; the text is checked against the grammar above and handed to
// strtod with its exponent letter written as E.
Conv parseReal(std::string_view t, double& out) {
  std::size_t i = 0;
  const std::size_t n = t.size();
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && isDigit(t[i])) ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return Conv::Bad;
  const std::size_t mant = i;
  if (i < n) {
    char c = t[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q') {
      ++i;
      if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    } else if (c == '+' || c == '-') {
      ++i;
    } else {
      return Conv::Bad;
    }
    std::size_t ed = 0;
    while (i < n && isDigit(t[i])) ++i, ++ed;
    if (ed == 0 || i != n) return Conv::Bad;
  }
  // Normalised copy: mantissa, then "E" and the signed exponent digits.
  char small[256];
  std::string large;
  char* buf = small;
  if (n + 2 > sizeof small) {
    large.resize(n + 2);
    buf = large.data();
  }
  std::size_t k = 0;
  for (std::size_t j = 0; j < mant; ++j) buf[k++] = t[j];
  if (mant < n) {
    buf[k++] = 'E';
    std::size_t j = mant;
    if (t[j] != '+' && t[j] != '-') ++j;  // skip the letter
    for (; j < n; ++j) buf[k++] = t[j];
  }
  buf[k] = '\0';
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(buf, &end);
  if (end != buf + k) return Conv::Bad;
  if (errno == ERANGE && std::isinf(v)) return Conv::Range;
  out = v;  // an underflow gives zero or a denormal, as in Fortran input
  return Conv::Ok;
}

}  // namespace

// ---------------------------------------------------------------------------
// Quoting values in messages

std::string quoteValue(std::string_view v) {
  constexpr std::size_t kShown = 40;
  const std::size_t n = std::min(v.size(), kShown);
  std::string r;
  r.reserve(n + 32);
  r += '\'';
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(v[i]);
    if (c == '\0') {
      r += "\\0";
    } else if (c == '\t') {
      r += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02X", c);
      r += b;
    } else {
      r += static_cast<char>(c);
    }
  }
  if (v.size() > kShown) {
    r += "...' (";
    r += std::to_string(v.size());
    r += " characters)";
  } else {
    r += '\'';
  }
  return r;
}

namespace {

enum class LineRead { Ok, End, TooLong };

// Reads one line of `sb` into `out` without its line end (a carriage return
// before the line feed is dropped). A line longer than kMaxDeckLine gives
// TooLong at once, its rest unread; with `cut` it is passed instead, cut to
// kMaxDeckLine characters, and its rest is skipped.
LineRead readLine(std::streambuf& sb, std::string& out, bool cut) {
  out.clear();
  if (sb.sgetc() == std::char_traits<char>::eof()) return LineRead::End;
  bool over = false;
  for (;;) {
    const int c = sb.sbumpc();
    if (c == std::char_traits<char>::eof() || c == '\n') break;
    // One character beyond the bound is kept: it may be the carriage return
    // of a line of exactly kMaxDeckLine characters.
    if (out.size() <= kMaxDeckLine) {
      out.push_back(static_cast<char>(c));
    } else {
      over = true;
      if (!cut) return LineRead::TooLong;
    }
  }
  if (!out.empty() && out.back() == '\r') out.pop_back();
  if (out.size() > kMaxDeckLine) {
    if (!cut) return LineRead::TooLong;
    over = true;
  }
  if (over) out.resize(kMaxDeckLine);
  return LineRead::Ok;
}

}  // namespace

// ---------------------------------------------------------------------------
// DeckReader

DeckReader::DeckReader(const std::string& path) : file_(path) {
  auto f = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!*f) throw RunError("cannot open the input deck '" + path + "': " + std::strerror(errno));
  in_ = std::move(f);
}

DeckReader::DeckReader(std::string name, std::string_view text)
    : file_(std::move(name)), text_(text), fromText_(true) {
  in_ = open();
}

DeckReader::~DeckReader() = default;

std::unique_ptr<std::istream> DeckReader::open() const {
  if (fromText_) return std::make_unique<std::istringstream>(text_);
  auto f = std::make_unique<std::ifstream>(file_, std::ios::binary);
  if (!*f) throw RunError("cannot open the input deck '" + file_ + "' again: " + std::strerror(errno));
  return f;
}

void DeckReader::rewind() {
  in_->clear();
  in_->seekg(0);
  if (!*in_) in_ = open();
  pos_ = 0;
  cur_.clear();
}

bool DeckReader::atEnd() const { return in_->rdbuf()->sgetc() == std::char_traits<char>::eof(); }

void DeckReader::eachLine(const std::function<void(std::string_view)>& f) const {
  auto in = open();
  std::string l;
  while (readLine(*in->rdbuf(), l, true) == LineRead::Ok) f(l);
}

int DeckReader::lineCount() const {
  int n = 0;
  eachLine([&n](std::string_view) { ++n; });
  return n;
}

std::string DeckReader::line(int i) const {
  if (i >= 1) {
    auto in = open();
    std::string l;
    for (int k = 1; readLine(*in->rdbuf(), l, true) == LineRead::Ok; ++k)
      if (k == i) return l;
  }
  throw RunError(file_ + ": line " + std::to_string(i) + " asked for, the deck has " + std::to_string(lineCount()));
}

void DeckReader::seek(int lineNo) {
  rewind();
  int k = 0;
  while (k < lineNo && readLine(*in_->rdbuf(), cur_, true) == LineRead::Ok) ++k;
  if (lineNo < 0 || k < lineNo) {
    const int count = lineCount();
    rewind();
    throw RunError(file_ + ": cannot position the deck after line " + std::to_string(lineNo) + " of " +
                   std::to_string(count));
  }
  pos_ = lineNo;
}

void DeckReader::fail(std::string_view group, std::string_view item, const std::string& what) const {
  failAt(pos_, group, item, what);
}

void DeckReader::failAt(int lineNo, std::string_view group, std::string_view item, const std::string& what) const {
  std::string msg = file_ + ":" + std::to_string(lineNo) + ": data group " + std::string(group);
  if (!item.empty()) msg += ", item " + std::string(item);
  msg += ": " + what;
  throw DeckError(file_, lineNo, std::string(group), std::string(item), msg);
}

const std::string& DeckReader::nextLine(std::string_view group, std::string_view item) {
  if (atEnd()) fail(group, item, pos_ == 0 ? "the deck is empty" : "premature end of the deck");
  if (pos_ == INT_MAX) fail(group, item, "the deck has more lines than can be counted");
  ++pos_;
  if (readLine(*in_->rdbuf(), cur_, false) == LineRead::TooLong) {
    cur_.clear();
    fail(group, item,
         "line " + std::to_string(pos_) + " is longer than " + std::to_string(kMaxDeckLine) +
             " characters, the longest deck line read");
  }
  return cur_;
}

std::string DeckReader::header(std::string_view group) {
  for (;;) {
    const std::string& l = nextLine(group, "header line");
    if (!blankLine(l)) return l;
  }
}

std::string DeckReader::textLine(std::string_view group, std::string_view item) {
  std::string t = nextLine(group, item);
  t.resize(80, ' ');
  return t;
}

// ---------------------------------------------------------------------------
// ListRead

ListRead::ListRead(DeckReader& deck, std::string_view group) : deck_(deck), group_(group) {}

void ListRead::fail(std::string_view name, int index, const std::string& what) const {
  deck_.fail(group_, itemName(name, index), what);
}

void ListRead::fetchLine(std::string_view name, int index) {
  if (deck_.atEnd()) fail(name, index, deck_.lineNumber() == 0 ? "the deck is empty" : "premature end of the deck");
  cur_ = deck_.nextLine(group_, name);
  col_ = 0;
  haveLine_ = true;
}

ListRead::Tok ListRead::next(std::string_view name, int index) {
  if (done_) return Tok::Slash;
  if (repeatLeft_ > 0) {
    --repeatLeft_;
    return repeatNull_ ? Tok::Null : Tok::Value;
  }
  for (;;) {
    if (!haveLine_) fetchLine(name, index);
    while (col_ < cur_.size() && isBlank(cur_[col_])) ++col_;
    if (col_ >= cur_.size()) {
      fetchLine(name, index);
      continue;
    }
    const char c = cur_[col_];
    if (c == ',') {
      ++col_;
      if (comma_) return Tok::Null;
      comma_ = true;
      continue;
    }
    if (c == '/') {
      done_ = true;
      return Tok::Slash;
    }
    break;
  }
  comma_ = false;

  // A repeat count: digits followed by an asterisk.
  int repeat = 1;
  {
    std::size_t j = col_;
    while (j < cur_.size() && isDigit(cur_[j])) ++j;
    if (j > col_ && j < cur_.size() && cur_[j] == '*') {
      std::string_view r = cur_.substr(col_, j - col_);
      if (parseInt(r, repeat) != Conv::Ok || repeat < 1) {
        fail(name, index, "bad repeat count " + quoteValue(cur_.substr(col_, j + 1 - col_)));
      }
      col_ = j + 1;
      if (col_ >= cur_.size() || isSep(cur_[col_])) {
        repeatLeft_ = repeat - 1;
        repeatNull_ = true;
        return Tok::Null;
      }
    }
  }

  const char q = cur_[col_];
  if (q == '\'' || q == '"') {
    // A quoted text, possibly continued over line ends; a doubled quote
    // stands for one.
    // A quote that is never closed is reported at the line where it opens,
    // and a quoted text may not run on beyond the bound of one deck line.
    qbuf_.clear();
    ++col_;
    const int opened = deck_.lineNumber();
    for (;;) {
      if (col_ >= cur_.size()) {
        if (deck_.atEnd()) {
          deck_.failAt(opened, group_, itemName(name, index),
                       "the quoted text opened on this line is not closed before the end of the deck (line " +
                           std::to_string(deck_.lineNumber()) + ")");
        }
        fetchLine(name, index);
        continue;
      }
      if (qbuf_.size() > kMaxDeckLine) {
        deck_.failAt(opened, group_, itemName(name, index),
                     "the quoted text opened on this line runs on for more than " + std::to_string(kMaxDeckLine) +
                         " characters");
      }
      char ch = cur_[col_++];
      if (ch == q) {
        if (col_ < cur_.size() && cur_[col_] == q) {
          qbuf_ += q;
          ++col_;
          continue;
        }
        break;
      }
      qbuf_ += ch;
    }
    if (col_ < cur_.size() && !isSep(cur_[col_])) {
      fail(name, index, "characters after the closing quote of " + quoteValue(qbuf_));
    }
    tok_ = qbuf_;
    quoted_ = true;
  } else {
    std::size_t j = col_;
    while (j < cur_.size() && !isSep(cur_[j])) ++j;
    tok_ = cur_.substr(col_, j - col_);
    col_ = j;
    quoted_ = false;
  }
  repeatLeft_ = repeat - 1;
  repeatNull_ = false;
  return Tok::Value;
}

void ListRead::toInt(int& v, std::string_view name, int index) {
  if (quoted_) fail(name, index, "text " + quoteValue(tok_) + " where an integer is due");
  int r = 0;
  switch (parseInt(tok_, r)) {
    case Conv::Ok: v = r; return;
    case Conv::Bad: fail(name, index, quoteValue(tok_) + " is not an integer");
    case Conv::Range: fail(name, index, quoteValue(tok_) + " does not fit a 4-byte integer");
  }
}

void ListRead::toReal(double& v, std::string_view name, int index) {
  if (quoted_) fail(name, index, "text " + quoteValue(tok_) + " where a number is due");
  double r = 0;
  switch (parseReal(tok_, r)) {
    case Conv::Ok: v = r; return;
    case Conv::Bad: fail(name, index, quoteValue(tok_) + " is not a number");
    case Conv::Range: fail(name, index, quoteValue(tok_) + " is too large for a real");
  }
}

ListRead& ListRead::item(int& v, std::string_view name, int* line) {
  const Tok t = next(name, 0);
  if (line) *line = deck_.lineNumber();
  if (t == Tok::Value) toInt(v, name, 0);
  return *this;
}

ListRead& ListRead::item(double& v, std::string_view name, int* line) {
  const Tok t = next(name, 0);
  if (line) *line = deck_.lineNumber();
  if (t == Tok::Value) toReal(v, name, 0);
  return *this;
}

ListRead& ListRead::item(std::string& v, std::string_view name) {
  if (next(name, 0) == Tok::Value) {
    v.assign(tok_);
  }
  return *this;
}

ListRead& ListRead::items(double* v, int n, std::string_view name) {
  for (int k = 0; k < n; ++k) {
    if (!done_ && next(name, k + 1) == Tok::Value)
      toReal(v[k], name, k + 1);
    else
      ++kept_;
  }
  return *this;
}

ListRead& ListRead::items(int* v, int n, std::string_view name) {
  for (int k = 0; k < n; ++k) {
    if (!done_ && next(name, k + 1) == Tok::Value)
      toInt(v[k], name, k + 1);
    else
      ++kept_;
  }
  return *this;
}

void ListRead::end() {
  // A read with an empty list still passes over one line, as in Fortran.
  if (!haveLine_ && !done_) fetchLine("", 0);
  repeatLeft_ = 0;
  done_ = true;
}

}  // namespace talvek
