// Fortran edit-descriptor output.
//
// A Line collects one output record from edit descriptors exactly as a
// Fortran formatted WRITE would produce it: Iw, Fw.d, Ew.d, Gw.d, Aw, nX and
// literal texts; slash() ends the record and starts the next. The line lives
// in a fixed buffer, so building and writing reports allocates nothing.
//
//   Line(s.units, IOUT).X(2).A("TALVEK").slash().I(n, 5).end();
//
// Numbers are right-aligned; a value that does not fit its width prints as
// w asterisks; E form is 0.ddddE+ee (three-digit exponents drop the E).
// The details follow gfortran (see format.cpp). A record longer than kCap
// characters is a program fault and throws RunError. On a detached Line,
// slash() appends a '\n' to the text and end() does nothing.
#pragma once

#include <cstddef>
#include <string_view>

namespace talvek {

class Units;

// Free functions writing one field into `out` (at least w+1 chars, the last
// one a terminating NUL); return w (0 when w <= 0).
int fmtI(char* out, long long v, int w);
int fmtF(char* out, double v, int w, int d);
int fmtE(char* out, double v, int w, int d);
int fmtG(char* out, double v, int w, int d);

class Line {
 public:
  static constexpr int kCap = 1024;

  // A line bound to a unit: slash() and end() write to it.
  Line(Units& units, int unit);
  // A detached line: only text() is used (tests, building strings).
  Line();

  Line& I(long long v, int w);
  Line& F(double v, int w, int d);
  Line& E(double v, int w, int d);
  Line& G(double v, int w, int d);
  Line& A(std::string_view s, int w);  // Aw: first w chars, or right-aligned when shorter
  Line& A(std::string_view s);         // A without width: the text as it is
  Line& X(int n);
  Line& lit(std::string_view s) { return A(s); }
  Line& rep(char c, int n);            // n copies of one character, e.g. 49('=')
  Line& slash();                       // write the current record, start a new one
  void end();                          // write the last record

  std::string_view text() const { return std::string_view(buf_, static_cast<std::size_t>(n_)); }

 private:
  void put(const char* s, int len);
  Units* units_ = nullptr;
  int unit_ = 0;
  int n_ = 0;
  char buf_[kCap + 64];
};

// A free-format (list-directed) output record: starts with one blank, items
// separated by one blank. Texts are written as given; integers right-aligned
// in 12 columns (I12); reals in G15.7 (7 significant digits, the F form with
// four trailing blanks for 0.1 <= |x| < 1E7, otherwise 0.ddddddd E form).
class FreeLine {
 public:
  static constexpr int kIntWidth = 12;
  static constexpr int kRealWidth = 15;
  static constexpr int kRealDigits = 7;

  FreeLine(Units& units, int unit);
  FreeLine& text(std::string_view s);
  FreeLine& num(int v) { return num(static_cast<long long>(v)); }
  FreeLine& num(long long v);
  FreeLine& num(double v);
  void end();
  std::string_view str() const { return line_.text(); }  // the record so far

 private:
  Line line_;
  Units* units_;
  int unit_;
};

}  // namespace talvek
