// Fortran edit descriptors, written the way gfortran writes them.
//
// The digits come from the exact decimal conversion of std::to_chars with a
// precision (the digits printf's %f and %e give), which rounds the binary
// value to the nearest decimal with ties to even;
// gfortran's default rounding mode does the same, so the digits agree. The
// Fortran layout is then laid around them:
//   Fw.d  [-]iii.ddd; a zero integer part prints as "0." unless the field is
//         one character short, then the 0 is dropped (never when d = 0);
//   Ew.d  [-]0.ddddE+ee, the 0 dropped when one short; exponents of three
//         digits print as +eee (no E); d < 1 gives asterisks;
//   Gw.d  the F form F(w-4).(d-k) followed by 4 blanks when the value,
//         rounded to d digits, is 0.1 <= |x| < 10**d (k its number of integer
//         digits), a zero as F(w-4).(d-1) and 4 blanks, otherwise Ew.d;
// a negative value keeps its sign even when it rounds to zero, and so does a
// negative zero ("-0.00"); a field that does not fit is w asterisks;
// infinities print as Inf/Infinity (-Inf/-Infinity) and NaN as NaN when the
// width allows, right-aligned.
#include "io/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/errors.h"
#include "io/units.h"

namespace talvek {

namespace {

// Widest field formatted directly; wider fields get leading blanks.
constexpr int kMaxField = 256;

int stars(char* out, int w) {
  std::memset(out, '*', static_cast<std::size_t>(w));
  out[w] = '\0';
  return w;
}

// Right-aligns s (len chars) in w columns; asterisks when it does not fit.
int place(char* out, int w, const char* s, int len) {
  if (len > w) return stars(out, w);
  const int pad = w - len;
  std::memset(out, ' ', static_cast<std::size_t>(pad));
  std::memcpy(out + pad, s, static_cast<std::size_t>(len));
  out[w] = '\0';
  return w;
}

// Infinity and NaN as gfortran writes them; false for a finite value.
bool special(char* out, double v, int w) {
  if (std::isnan(v)) {
    if (w < 3) stars(out, w);
    else place(out, w, "NaN", 3);
    return true;
  }
  if (std::isinf(v)) {
    if (v > 0) {
      if (w < 3) stars(out, w);
      else if (w < 8) place(out, w, "Inf", 3);
      else place(out, w, "Infinity", 8);
    } else {
      if (w < 4) stars(out, w);
      else if (w < 9) place(out, w, "-Inf", 4);
      else place(out, w, "-Infinity", 9);
    }
    return true;
  }
  return false;
}

// For widths beyond kMaxField: blanks, then the field formatted in kMaxField.
template <class Fn>
int wide(char* out, int w, Fn fn) {
  if (w <= 0) {
    if (out) *out = '\0';
    return 0;
  }
  if (w <= kMaxField) return fn(out, w);
  const int pad = w - kMaxField;
  std::memset(out, ' ', static_cast<std::size_t>(pad));
  fn(out + pad, kMaxField);
  return w;
}

// 10**0 to 10**22, every one exact in a double (as pow gives them).
constexpr double kExact10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

int fieldF(char* out, double v, int w, int d) {
  if (special(out, v, w)) return w;
  if (d < 0) d = 0;
  if (d >= w) return stars(out, w);
  const double x = std::fabs(v);
  // Anything of w or more integer digits cannot fit.
  if (x >= 1e300 || (w < 300 && x >= (w <= 22 ? kExact10[w] : std::pow(10.0, w)))) return stars(out, w);
  char buf[kMaxField + 320];
  char* p = buf;
  if (std::signbit(v)) *p++ = '-';
  // The digits of printf's %#.*f: the shortest-path conversion with a given
  // precision is exact in the same way, without printf's format parsing.
  char* q = std::to_chars(p, buf + sizeof buf - 1, x, std::chars_format::fixed, d).ptr;
  if (d == 0) *q++ = '.';
  const int n = static_cast<int>(q - p);
  int len = static_cast<int>(p - buf) + n;
  if (len > w && d > 0 && p[0] == '0' && p[1] == '.') {
    std::memmove(p, p + 1, static_cast<std::size_t>(n));  // drop the leading 0
    --len;
  }
  return place(out, w, buf, len);
}

// The d significant digits of |v| and the exponent of the 0.ddd form.
void eDigits(double x, int d, char* digits, int& exp) {
  if (x == 0.0) {
    std::memset(digits, '0', static_cast<std::size_t>(d));
    exp = 0;
    return;
  }
  char buf[kMaxField + 32];
  // D.DDDe+XX, as printf's %.*e writes it.
  *std::to_chars(buf, buf + sizeof buf - 1, x, std::chars_format::scientific, d - 1).ptr = '\0';
  int k = 0;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p != '.') digits[k++] = *p;
  exp = std::atoi(p + 1) + 1;
}

int fieldE(char* out, double v, int w, int d) {
  if (special(out, v, w)) return w;
  if (d < 1) return stars(out, w);
  if (d + 5 > w) return stars(out, w);  // ".ddd" and the four exponent characters
  char digits[kMaxField + 8];
  int exp = 0;
  eDigits(std::fabs(v), d, digits, exp);
  char ex[4];
  const int ae = std::abs(exp);
  const char sign = exp < 0 ? '-' : '+';
  if (ae <= 99) {
    ex[0] = 'E';
    ex[1] = sign;
    ex[2] = static_cast<char>('0' + ae / 10);
    ex[3] = static_cast<char>('0' + ae % 10);
  } else if (ae <= 999) {
    ex[0] = sign;
    ex[1] = static_cast<char>('0' + ae / 100);
    ex[2] = static_cast<char>('0' + ae / 10 % 10);
    ex[3] = static_cast<char>('0' + ae % 10);
  } else {
    return stars(out, w);
  }
  char buf[kMaxField + 16];
  int n = 0;
  const bool neg = std::signbit(v);
  const int full = (neg ? 1 : 0) + 2 + d + 4;
  if (neg) buf[n++] = '-';
  if (full <= w) buf[n++] = '0';
  buf[n++] = '.';
  std::memcpy(buf + n, digits, static_cast<std::size_t>(d));
  n += d;
  std::memcpy(buf + n, ex, 4);
  n += 4;
  return place(out, w, buf, n);
}

// 10**n built by repeated multiplication, as the Fortran run time builds it,
// so that the F/E switch of Gw.d meets its bounds exactly where gfortran does.
double power10(int n) {
  double r = 1.0;
  for (int i = 0; i < (n >= 0 ? n : -n); ++i) r *= 10;
  return n >= 0 ? r : 1.0 / r;
}

int fieldG(char* out, double v, int w, int d) {
  if (special(out, v, w)) return w;
  if (d < 1) return stars(out, w);
  const double m = std::fabs(v);
  // The switch between E and F form is decided on the binary value against
  // the bounds 10**(k-1) * (1 - 0.5 * 10**-d), as the Fortran run time does
  // (0.95 under G.1 is taken as 1.0 and printed in F form).
  const double expD = power10(d);
  const double rsc = 1.0 - 0.5 / expD;
  volatile double temp = 0.1 * rsc;
  if (m > 0.0 && (m < temp || 0.5 >= expD - m)) return fieldE(out, v, w, d);
  int fd = d - 1;
  if (m > 0.0) {
    // Binary search for the magnitude k (the number of integer digits + 1).
    int mid = 0, low = 0, high = d + 1, lbound = 0, ubound = d + 1;
    while (low <= high) {
      mid = (low + high) / 2;
      temp = power10(mid - 1) * rsc;
      if (m < temp) {
        ubound = mid;
        if (ubound == lbound + 1) break;
        high = mid - 1;
      } else if (m > temp) {
        lbound = mid;
        if (ubound == lbound + 1) {
          ++mid;
          break;
        }
        low = mid + 1;
      } else {
        ++mid;
        break;
      }
    }
    fd = d + 1 - mid;
  }
  const int npad = w - 1 < 4 ? w - 1 : 4;
  if (npad < 0) return stars(out, w);
  fieldF(out, v, w - npad, fd);
  if (out[0] == '*') return stars(out, w);
  std::memset(out + w - npad, ' ', static_cast<std::size_t>(npad));
  out[w] = '\0';
  return w;
}

}  // namespace

int fmtI(char* out, long long v, int w) {
  return wide(out, w, [v](char* o, int ww) {
    char buf[32];
    const int n = static_cast<int>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf);
    return place(o, ww, buf, n);
  });
}

int fmtF(char* out, double v, int w, int d) {
  return wide(out, w, [v, d](char* o, int ww) { return fieldF(o, v, ww, d); });
}

int fmtE(char* out, double v, int w, int d) {
  return wide(out, w, [v, d](char* o, int ww) { return fieldE(o, v, ww, d); });
}

int fmtG(char* out, double v, int w, int d) {
  return wide(out, w, [v, d](char* o, int ww) { return fieldG(o, v, ww, d); });
}

// ---------------------------------------------------------------------------
// Line

Line::Line(Units& units, int unit) : units_(&units), unit_(unit) {}
Line::Line() = default;

namespace {
[[noreturn]] void tooLong() {
  throw RunError("an output record is longer than " + std::to_string(Line::kCap) + " characters");
}
}  // namespace

void Line::put(const char* s, int len) {
  if (len <= 0) return;
  if (n_ + len > kCap) tooLong();
  std::memcpy(buf_ + n_, s, static_cast<std::size_t>(len));
  n_ += len;
}

#define TALVEK_FIELD(call)          \
  if (w <= 0) return *this;         \
  if (n_ + w > kCap) tooLong();     \
  n_ += call;                       \
  return *this

Line& Line::I(long long v, int w) { TALVEK_FIELD(fmtI(buf_ + n_, v, w)); }
Line& Line::F(double v, int w, int d) { TALVEK_FIELD(fmtF(buf_ + n_, v, w, d)); }
Line& Line::E(double v, int w, int d) { TALVEK_FIELD(fmtE(buf_ + n_, v, w, d)); }
Line& Line::G(double v, int w, int d) { TALVEK_FIELD(fmtG(buf_ + n_, v, w, d)); }

#undef TALVEK_FIELD

Line& Line::A(std::string_view s, int w) {
  if (w <= 0) return *this;
  const int len = static_cast<int>(s.size());
  if (len >= w) {
    put(s.data(), w);
  } else {
    X(w - len);
    put(s.data(), len);
  }
  return *this;
}

Line& Line::A(std::string_view s) {
  put(s.data(), static_cast<int>(s.size()));
  return *this;
}

Line& Line::X(int n) { return rep(' ', n); }

Line& Line::rep(char c, int n) {
  if (n <= 0) return *this;
  if (n_ + n > kCap) tooLong();
  std::memset(buf_ + n_, c, static_cast<std::size_t>(n));
  n_ += n;
  return *this;
}

Line& Line::slash() {
  if (units_) {
    units_->writeLine(unit_, text());
    n_ = 0;
  } else {
    rep('\n', 1);
  }
  return *this;
}

void Line::end() {
  if (units_) {
    units_->writeLine(unit_, text());
    n_ = 0;
  }
}

// ---------------------------------------------------------------------------
// FreeLine

FreeLine::FreeLine(Units& units, int unit) : units_(&units), unit_(unit) {}

FreeLine& FreeLine::text(std::string_view s) {
  line_.X(1).A(s);
  return *this;
}

FreeLine& FreeLine::num(long long v) {
  line_.X(1).I(v, kIntWidth);
  return *this;
}

FreeLine& FreeLine::num(double v) {
  line_.X(1).G(v, kRealWidth, kRealDigits);
  return *this;
}

void FreeLine::end() { units_->writeLine(unit_, line_.text()); }

}  // namespace talvek
