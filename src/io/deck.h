// Free-format (list-directed) reading of the input deck.
//
// A DeckReader holds the whole deck in memory (read once when opened) and
// tracks the current line. Each list read starts on the next unread line,
// takes its values over as many lines as needed and ignores the rest of its
// last line. Every failure throws DeckError naming the file, the line, the
// data group label and the item.
//
//   ListRead r(deck, "DATA 03B");
//   r.item(s.MUNITIN, "MUNITIN").item(s.MUNTOUT, "MUNTOUT") ... ;
//   r.end();
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talvek {

class DeckReader {
 public:
  // Reads the file; throws RunError when it cannot be opened.
  explicit DeckReader(const std::string& path);
  // A deck given as text (tests).
  DeckReader(std::string name, std::string_view text);

  const std::string& fileName() const { return file_; }
  int lineNumber() const { return pos_; }  // 1-based number of the last line consumed
  void rewind() { pos_ = 0; }
  bool atEnd() const { return pos_ >= static_cast<int>(lines_.size()); }
  int lineCount() const { return static_cast<int>(lines_.size()); }
  const std::string& line(int i) const { return lines_[static_cast<std::size_t>(i - 1)]; }

  // A header line: the next non-blank line, consumed whole whatever it holds.
  std::string header(std::string_view group);
  // The verbatim (A80) read of the next line, blank-padded or cut to 80.
  std::string textLine(std::string_view group, std::string_view item);
  // Low level: next line (throws DeckError at end of deck).
  const std::string& nextLine(std::string_view group, std::string_view item);
  // Positions the reader so that the next line read is line `lineNo` + 1.
  void seek(int lineNo) { pos_ = lineNo; }

  [[noreturn]] void fail(std::string_view group, std::string_view item, const std::string& what) const;

 private:
  std::string file_;
  std::vector<std::string> lines_;
  int pos_ = 0;
};

// One list-directed READ statement.
class ListRead {
 public:
  ListRead(DeckReader& deck, std::string_view group);
  // Each item: a null value or a slash leaves the variable unchanged.
  ListRead& item(int& v, std::string_view name);
  ListRead& item(double& v, std::string_view name);
  ListRead& item(std::string& v, std::string_view name);  // a text value
  // n values into consecutive doubles (whole-array form).
  ListRead& items(double* v, int n, std::string_view name);
  ListRead& items(int* v, int n, std::string_view name);
  // Ends the read: the rest of the current line is ignored.
  void end();

 private:
  enum class Tok { Value, Null, Slash };
  Tok next(std::string_view name, std::string& text);
  DeckReader& deck_;
  std::string group_;
  std::string cur_;
  std::size_t col_ = 0;
  bool haveLine_ = false;
  bool done_ = false;        // a slash was met
  int repeatLeft_ = 0;       // pending r*v copies
  bool repeatNull_ = false;
  std::string repeatText_;
  bool lastWasSep_ = true;   // for ",," nulls
};

}  // namespace talvek
