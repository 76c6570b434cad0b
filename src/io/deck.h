// Free-format (list-directed) reading of the input deck.
//
// A DeckReader reads the deck line by line from the file (only the current
// line is held in memory) and tracks its number. A line longer than
// kMaxDeckLine characters is refused with a message naming it. Each list read starts on the next unread line,
// takes its values over as many lines as needed and ignores the rest of its
// last line. Every failure throws DeckError naming the file, the line, the
// data group label and the item.
//
//   ListRead r(deck, "DATA 03B");
//   r.item(s.MUNITIN, "MUNITIN").item(s.MUNTOUT, "MUNTOUT") ... ;
//   r.end();
//
// The values follow Fortran list-directed input as gfortran reads it:
// separators are blanks, a comma, or a comma with blanks around it; a line
// end separates like a blank and blank lines are skipped; `r*v` is r copies
// of v, `r*` and a second comma are nulls that leave their item unchanged; a
// slash ends the list. An integer item takes an optionally signed string of
// digits that fits 4 bytes ("1." or "1.5" are errors, as in gfortran). A real
// item takes 1, 1., .5, 2.5E-3, 1D5, 1Q5 or 1.5-3 (= 1.5E-3); an overflow is
// an error, an underflow gives zero. A text item takes a quoted text ('..'
// or "..", a doubled quote stands for one) or a run of characters ended by a
// blank, comma, slash or line end.
//
// Errors read "DECK:LINE: data group DATA 10B, item NX: <reason>", LINE
// being the deck line where the bad value or the end of the deck was met (for
// a quoted text that is never closed, the line where it opens); an element of
// an items() read is named "NAME(k)", k counted from 1. A bad value is quoted
// by quoteValue(): a short prefix and its length, control characters escaped.
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace talvek {

// The longest deck line the reader accepts (1 MiB). A deck line holds at most
// 80 characters of meaning; the bound keeps a runaway line (a file that is no
// deck, or digits without end) from filling the memory.
inline constexpr std::size_t kMaxDeckLine = std::size_t{1} << 20;

// A value of the deck for a message: quoted, NUL and control characters
// escaped (\0, \t, \xNN), and cut to its first 40 characters followed by
// "..." and the full length when it is longer.
std::string quoteValue(std::string_view v);

class DeckReader {
 public:
  // Opens the file; throws RunError when it cannot be opened.
  explicit DeckReader(const std::string& path);
  // A deck given as text (tests).
  DeckReader(std::string name, std::string_view text);
  ~DeckReader();
  DeckReader(const DeckReader&) = delete;
  DeckReader& operator=(const DeckReader&) = delete;

  const std::string& fileName() const { return file_; }
  int lineNumber() const { return pos_; }  // 1-based number of the last line consumed
  void rewind();
  bool atEnd() const;
  // These two read the deck afresh from its start (one pass each): for
  // tests and messages, not for reading the groups.
  int lineCount() const;
  std::string line(int i) const;  // line i (1-based); RunError when there is none
  // Calls `f` with each line of the deck in turn, read afresh from its
  // start; a line longer than kMaxDeckLine is passed cut to that length.
  void eachLine(const std::function<void(std::string_view)>& f) const;

  // A header line: the next non-blank line, consumed whole whatever it holds.
  std::string header(std::string_view group);
  // The verbatim (A80) read of the next line, blank-padded or cut to 80.
  std::string textLine(std::string_view group, std::string_view item);
  // Low level: next line (throws DeckError at end of deck).
  const std::string& nextLine(std::string_view group, std::string_view item);
  // Positions the reader so that the next line read is line `lineNo` + 1.
  // RunError when lineNo is outside 0..lineCount().
  void seek(int lineNo);

  [[noreturn]] void fail(std::string_view group, std::string_view item, const std::string& what) const;
  // The same, naming line `lineNo` instead of the current one.
  [[noreturn]] void failAt(int lineNo, std::string_view group, std::string_view item,
                           const std::string& what) const;

 private:
  std::unique_ptr<std::istream> open() const;

  std::string file_;
  std::string text_;     // the deck given as text (tests); empty for a file
  bool fromText_ = false;
  std::unique_ptr<std::istream> in_;
  std::string cur_;      // the last line consumed
  int pos_ = 0;
};

// One list-directed READ statement.
class ListRead {
 public:
  ListRead(DeckReader& deck, std::string_view group);
  // Each item: a null value or a slash leaves the variable unchanged. With
  // `line` given, it receives the deck line where the item's value (or its
  // null, or the slash that ended the list) stands, for messages about the
  // item made after the read.
  ListRead& item(int& v, std::string_view name, int* line = nullptr);
  ListRead& item(double& v, std::string_view name, int* line = nullptr);
  ListRead& item(std::string& v, std::string_view name);  // a text value, as read (not padded)
  // n values into consecutive doubles (whole-array form).
  ListRead& items(double* v, int n, std::string_view name);
  ListRead& items(int* v, int n, std::string_view name);
  // How many entries of the items() calls so far a null value or the slash
  // left unchanged.
  int kept() const { return kept_; }
  // Ends the read: the rest of the current line is ignored. A read with no
  // items passes over one line, as an empty Fortran READ does.
  void end();

 private:
  enum class Tok { Value, Null, Slash };
  Tok next(std::string_view name, int index);
  void fetchLine(std::string_view name, int index);
  [[noreturn]] void fail(std::string_view name, int index, const std::string& what) const;
  void toInt(int& v, std::string_view name, int index);
  void toReal(double& v, std::string_view name, int index);

  DeckReader& deck_;
  std::string group_;
  std::string_view cur_;     // the line being read (a view into the deck)
  std::size_t col_ = 0;
  bool haveLine_ = false;
  bool done_ = false;        // a slash was met
  bool comma_ = true;        // a comma since the last value: a further comma is a null
  int repeatLeft_ = 0;       // pending copies of an r*v or r* form
  bool repeatNull_ = false;
  int kept_ = 0;             // entries of items() left unchanged
  std::string_view tok_;     // the current value's text
  bool quoted_ = false;      // it was a quoted text (then tok_ views qbuf_)
  std::string qbuf_;
};

}  // namespace talvek
