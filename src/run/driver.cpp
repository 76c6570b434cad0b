#include "run/driver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>

#include "grid/geometry.h"
#include "grid/radial.h"
#include "init/equifit.h"
#include "init/equil.h"
#include "init/initial.h"
#include "input/input.h"
#include "input/unitsys.h"
#include "io/deck.h"
#include "io/errors.h"
#include "io/format.h"
#include "io/units.h"
#include "io/warnings.h"
#include "report/listing.h"
#include "report/print1.h"
#include "report/print2.h"
#include "report/results.h"
#include "run/loop.h"
#include "run/restart.h"
#include "solver/numbering.h"
#include "solver/solve.h"

namespace talvek {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitleLine = "TALVEK";
constexpr const char* kReleaseLine = "            (TALVEK, RELEASE 1.16)";

// The four banner lines of the program (80 characters each when printed).
constexpr const char* kBannerLines[4] = {
    "THREE-DIMENSIONAL MULTIPHASE BLACK-OIL SIMULATOR FOR POLYMER FLOODING",
    "WATER, OIL, GAS AND POLYMER SOLUTION WITH A PASSIVE TRACER",
    "FULLY IMPLICIT NEWTON SOLUTION WITH AUTOMATIC TIME-STEP CONTROL",
    "CARTESIAN (X,Y,Z) OR RADIAL-CYLINDRICAL (R,Z) GRIDS",
};

// An 80-character text: the first 80 characters, blank-padded.
struct Text80Buf {
  char c[80];
  explicit Text80Buf(std::string_view v) {
    std::size_t n = v.size() < 80 ? v.size() : 80;
    for (std::size_t i = 0; i < 80; ++i) c[i] = i < n ? v[i] : ' ';
  }
  std::string_view view() const { return std::string_view(c, 80); }
};

double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

std::string msgNum(double v) {
  Line l;
  l.G(v, 14, 6);
  const std::string_view t = l.text();
  const auto b = t.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string(t);
  const auto e = t.find_last_not_of(' ');
  return std::string(t.substr(b, e - b + 1));
}

void STARTUP(State& s) {
  s.CPU0 = cpuSeconds();
  s.OMEGAMIX = 0.6666666666666666;
  s.SGMIN = -1.0E-11;
  s.TINY = 1.0E-51;
  s.ONE = 1.0;
}

void BANNER(State& s, bool prompt) {
  Units& u = s.units;
  FreeLine(u, s.ICONOUT).text("  ").end();
  Line(u, s.ICONOUT).slash().slash().X(2).A(kTitleLine).slash().X(2).A(kReleaseLine).end();
  Line b(u, s.ICONOUT);
  b.slash().slash();
  for (int i = 0; i < 4; ++i) b.X(2).A(Text80Buf(kBannerLines[i]).view(), 80).slash();
  b.end();
  FreeLine(u, s.ICONOUT).text("  ").end();
  if (prompt) {
    FreeLine(u, s.ICONOUT).text("ENTER NAMES OF INPUT, OUTPUT, RESTART-UP FILES").end();
    FreeLine(u, s.ICONOUT).text("input.txt,output.lis,rstr1.txt,rstr2.txt").end();
  }
  u.flush(s.ICONOUT);
}

int ANSWRN(std::string_view line, std::string* names, int max) {
  for (int i = 0; i < max; ++i) names[i].clear();
  int n = 0;
  std::size_t i = 0;
  const std::size_t len = line.size();
  auto isSep = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; };
  bool lastComma = true;  // a comma before the first value makes it null
  while (i < len && n < max) {
    // Skip blanks; a comma ends the current value (two commas in a row give
    // a null value, which leaves that name blank).
    while (i < len && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= len) break;
    if (line[i] == ',') {
      if (lastComma) ++n;  // null value
      lastComma = true;
      ++i;
      continue;
    }
    lastComma = false;
    if (line[i] == '/' && (i + 1 >= len || isSep(line[i + 1]))) break;  // a lone slash ends the list
    std::string v;
    if (line[i] == '\'' || line[i] == '"') {
      const char q = line[i++];
      while (i < len) {
        if (line[i] == q) {
          if (i + 1 < len && line[i + 1] == q) {  // doubled quote stands for one
            v.push_back(q);
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        v.push_back(line[i++]);
      }
    } else {
      while (i < len && !isSep(line[i])) v.push_back(line[i++]);
    }
    names[n++] = v;
    // A comma right after a value belongs to that value.
    while (i < len && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i < len && line[i] == ',') {
      ++i;
      lastComma = true;
    }
  }
  int found = 0;
  for (int k = 0; k < max; ++k)
    if (!names[k].empty()) found = k + 1;
  return found;
}

int ANSWER(std::string_view line, std::string names[4]) { return ANSWRN(line, names, 4); }

void SETNAMES(State& s, const std::string names[4]) {
  for (int i = 0; i < 4; ++i) s.RUNFILE[i] = names[i];
  s.FINPUT.set(names[0]);
  s.FOUTPUT.set(names[1]);
  s.FRST1.set(names[2]);
  s.FRST2.set(names[3]);
}

const char* ROLE(int i) {
  static constexpr const char* kRoles[4] = {"input deck", "listing", "restart-up file to read",
                                            "restart-up file to write"};
  return i >= 0 && i < 4 ? kRoles[i] : "file";
}

namespace {

// How messages name file i of the answer: "the listing 'out.lis'".
std::string roleName(int i, const std::string& name) {
  return name.empty() ? std::string("the ") + ROLE(i) : std::string("the ") + ROLE(i) + " '" + name + "'";
}

// The absolute path of a name with its symbolic links resolved as far as
// the path exists.
fs::path resolved(const std::string& name) {
  std::error_code ec;
  const fs::path a = fs::absolute(name, ec);
  if (ec) return fs::path(name).lexically_normal();
  const fs::path c = fs::weakly_canonical(a, ec);
  return ec ? a.lexically_normal() : c;
}

// True when two names reach the same file: the same existing file (also
// through another hard link), or the same resolved path. A device such as
// /dev/null named twice is no conflict: writing it destroys nothing.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ea, eb;
  const fs::file_status sa = fs::status(a, ea), sb = fs::status(b, eb);
  if (!ea && !eb && fs::is_character_file(sa) && fs::is_character_file(sb)) return false;
  if (!ea && !eb && fs::exists(sa) && fs::exists(sb)) {
    std::error_code ec;
    const bool eq = fs::equivalent(a, b, ec);
    if (!ec) return eq;
  }
  return resolved(a) == resolved(b);
}

}  // namespace

void CHKNAM(const std::string names[4], const RunOptions& opts) {
  for (int i = 0; i < 4; ++i) {
    if (names[i].empty()) {
      throw UsageError(std::string("no name given for the ") + ROLE(i) +
                       ": four file names are needed (input deck, listing, restart-up file to read, "
                       "restart-up file to write)");
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = i + 1; j < 4; ++j) {
      if (sameFile(names[i], names[j])) {
        throw UsageError(roleName(i, names[i]) + " and " + roleName(j, names[j]) +
                         " are the same file: each of the four names must be a file of its own");
      }
    }
  }
  // The files the run writes itself, in the output folder.
  const char* own[kListingFiles + 3];
  int nown = 0;
  for (const char* lis : LISNAM) own[nown++] = lis;
  if (opts.CSV) {
    own[nown++] = RESNAM[0];
    own[nown++] = RESNAM[1];
  }
  if (opts.summaryFile()) own[nown++] = RESNAM[2];
  const std::string where =
      opts.OUTDIR.empty() ? std::string("the current directory") : "the folder '" + opts.OUTDIR + "'";
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < nown; ++k) {
      const std::string path = opts.OUTDIR.empty() ? std::string(own[k]) : (fs::path(opts.OUTDIR) / own[k]).string();
      if (sameFile(names[i], path)) {
        throw UsageError(roleName(i, names[i]) + " is the " + (k < kListingFiles ? "listing" : "result") + " file " +
                         own[k] + " that the run writes in " + where + ": choose another name");
      }
    }
  }
}

void TXTSCN(std::string_view piece, long long& line, const std::string& who) {
  for (const char ch : piece) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\n') {
      ++line;
    } else if ((c < 0x20 && c != '\t' && c != '\r' && c != '\f' && c != '\v') || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", c);
      throw RunError(who + " is not a text deck: line " + std::to_string(line) + " holds the byte " + hex +
                     ", which is no text character");
    }
  }
}

void RDDECK(const std::string& path) {
  const std::string who = roleName(0, path);
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw IoError("cannot read " + who + ": it is a directory");
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    const int err = errno;
    throw IoError("cannot open " + who + ": " + std::strerror(err));
  }
  // A deck is text: a control character other than a tab, a carriage
  // return or a form feed means some other kind of file was named. The file
  // is scanned in pieces, so a huge deck is never held in memory.
  char buf[8192];
  std::size_t got;
  long long line = 1;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    try {
      TXTSCN(std::string_view(buf, got), line, who);
    } catch (...) {
      std::fclose(f);
      throw;
    }
  }
  const int err = errno;
  const bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) throw IoError("cannot read " + who + ": " + std::strerror(err != 0 ? err : EIO));
}

void OPENUP(State& s) {
  Units& u = s.units;
  u.open(s.IOUT, s.RUNFILE[1], FileForm::Formatted, FileStatus::Unknown, roleName(1, s.RUNFILE[1]));
  // The restart-up file to write is only replaced whole, by each new image
  // (RSTSAV): opening it here would destroy the image of an earlier run.
  RSTPRP(s);
  Line l(u, s.IOUT);
  l.A("1");
  for (int i = 0; i < 12; ++i) l.slash();
  l.X(45).rep('=', 49).slash().X(47).A(kTitleLine).slash().X(47).A(kReleaseLine).slash().X(45).rep('=', 49).end();
  Line b(u, s.IOUT);
  b.slash().slash().slash().X(47).A(Text80Buf(kBannerLines[0]).view(), 80).slash().slash().slash();
  for (int i = 1; i < 4; ++i) b.X(47).A(Text80Buf(kBannerLines[i]).view(), 80).slash().slash();
  b.end();
}

void PRERED(State& s, DeckReader& deck) {
  DeckHead& h = s.HEAD;
  deck.header("DATA 01E");
  deck.header("DATA 01E");
  s.TITLE.set(deck.textLine("DATA 01E", "TITLE"));
  Line(s.units, s.IOUT)
      .A("1")
      .slash()
      .slash()
      .slash()
      .X(1)
      .A(" RUN TITLE :  ")
      .A(std::string_view(s.TITLE.c.data(), 80), 80)
      .slash()
      .X(1)
      .rep('=', 98)
      .slash()
      .slash()
      .slash()
      .end();

  deck.header("DATA 02B");
  deck.header("DATA 02B");
  {
    ListRead r(deck, "DATA 02B");
    r.item(s.IPRTDAT, "IPRTDAT").item(s.IRSTRT, "IRSTRT").item(h.TMTOTAL, "TMTOTAL").item(h.TMSTOP, "TMSTOP").item(h.DELT, "DELT", &h.LINDLT);
    r.end();
  }
  deck.header("DATA 03B");
  deck.header("DATA 03B");
  {
    ListRead r(deck, "DATA 03B");
    r.item(s.MUNITIN, "MUNITIN", &h.LIN03[0])
        .item(h.MUNTOUT, "MUNTOUT", &h.LIN03[1])
        .item(h.IQUAD, "IQUAD", &h.LIN03[2])
        .item(h.NINTBLE, "NINTBLE", &h.LIN03[3])
        .item(h.DTMAX, "DTMAX", &h.LIN03[4])
        .item(h.DTMIN, "DTMIN", &h.LIN03[5])
        .item(h.RERORP, "RERORP", &h.LIN03[6])
        .item(h.DELPO, "DELPO", &h.LIN03[7])
        .item(h.DELRS, "DELRS", &h.LIN03[8])
        .item(h.DELSAT, "DELSAT", &h.LIN03[9])
        .item(h.MATBAK, "MATBAK", &h.LIN03[10]);
    r.end();
    if (h.DTMAX < h.DTMIN) h.DTMAX = h.DTMIN;
    if (s.MUNITIN == 3) h.MUNTOUT = 3;
  }
  deck.header("DATA 04B");
  deck.header("DATA 04B");
  {
    ListRead r(deck, "DATA 04B");
    r.item(h.IPRINT, "IPRINT")
        .item(h.IPRST1, "IPRST1")
        .item(h.IPRST2, "IPRST2")
        .item(s.INOUTP, "INOUTP")
        .item(h.NFRRES, "NFRRES")
        .item(h.NFRWEL, "NFRWEL")
        .item(h.NFRARY, "NFRARY")
        .item(h.NWRITE, "NWRITE");
    r.end();
  }
  deck.header("DATA 05B");
  deck.header("DATA 05B");
  {
    // One by one, so that a message names the switch itself.
    static constexpr std::string_view kSwitch[12] = {"PRNTSW", "PRNTSO", "PRNTSG",  "PRNTSP",  "PRNTSA",   "PRNTRS",
                                                     "PRNTPB", "PRNTP",  "PRNTCP",  "PRNTADS", "PRNTADMX", "PRNTWC"};
    ListRead r(deck, "DATA 05B");
    for (int k = 1; k <= 12; ++k) r.item(h.IPRNT(k), kSwitch[k - 1]);
    r.end();
  }
  // A restart takes these values from here: the deck reader, which checks
  // them in a new run, passes over the groups of the head.
  if (s.IRSTRT != 0) {
    RSTHCK(s, deck);
    // The image's field or SI input is reported in its own system when the
    // deck asks for laboratory output (MUNITIN is the image's by now).
    if (const std::string w = unconvertedOutput(s.MUNITIN, h.MUNTOUT); !w.empty())
      deckWarning(deck.fileName(), h.LIN03[1], "DATA 03B", "MUNTOUT", w);
  }
  deck.rewind();
}

namespace {

// Without a positive DTMAX (DTMIN raised it if it could) no step can be made.
[[noreturn]] void noStep(const DeckReader& deck, int line, double dtmax) {
  deck.failAt(line, "DATA 03B", "DTMAX",
              "DTMAX = " + gText(dtmax) + " leaves no positive time step (DTMAX and DTMIN must not both be 0 or less)");
}

}  // namespace

void RSTHCK(const State& s, const DeckReader& deck) {
  const DeckHead& h = s.HEAD;
  // The state, the deck's head values and its schedule are in the units the
  // image was written in; a deck that declares others would be read wrongly.
  if (s.MUNITIN != RSTMUN()) {
    static constexpr const char* kSystem[4] = {"", "field", "SI", "laboratory"};
    const int m = RSTMUN();
    deck.failAt(h.LIN03[0], "DATA 03B", "MUNITIN",
                "MUNITIN = " + std::to_string(s.MUNITIN) + ", but the restart-up image was written with MUNITIN = " +
                    std::to_string(m) + " (" + (m >= 1 && m <= 3 ? kSystem[m] : "?") +
                    " units): a restart continues in the input units of the run it continues");
  }
  // The first step of a restart is at most DELT.
  if (!(h.DELT > 0.0)) {
    deck.failAt(h.LINDLT, "DATA 02B", "DELT",
                "DELT = " + gText(h.DELT) + " is not positive: a restart's first time step is at most DELT");
  }
  auto range = [&](const char* item, int line, int v, int lo, int hi, const std::string& what) {
    if (v < lo || v > hi) {
      deck.failAt(line, "DATA 03B", item,
                  std::string(item) + " = " + std::to_string(v) + " is outside " + std::to_string(lo) + " to " +
                      std::to_string(hi) + " (" + what + ")");
    }
  };
  range("MUNTOUT", h.LIN03[1], h.MUNTOUT, 1, 3, "1 field, 2 SI, 3 laboratory");
  if (h.IQUAD != 0) {
    range("NINTBLE", h.LIN03[3], h.NINTBLE, h.IQUAD == 2 ? 3 : 2, 500,
          "number of equispaced points of the tables when IQUAD = " + std::to_string(h.IQUAD));
  }
  if (!(h.DTMAX > 0.0)) noStep(deck, h.LIN03[4], h.DTMAX);
  const struct {
    const char* name;
    double value;
    int line;
  } targets[] = {{"RERORP", h.RERORP, h.LIN03[6]},
                 {"DELPO", h.DELPO, h.LIN03[7]},
                 {"DELRS", h.DELRS, h.LIN03[8]},
                 {"DELSAT", h.DELSAT, h.LIN03[9]}};
  for (const auto& t : targets) {
    if (!(t.value > 0.0)) {
      deck.failAt(t.line, "DATA 03B", t.name,
                  std::string(t.name) + " = " + gText(t.value) +
                      " is not positive: the step-size control would hold every step at DTMIN");
    }
  }
}

void DCKIMG(State& s, DeckReader& deck) {
  Units& u = s.units;
  Line(u, s.IOUT).slash().slash().slash().slash().X(1).A("THIS IS AN IMMAGE OF YOUR DATA FILE").slash().X(1).rep('=', 35).slash().slash().slash().end();
  deck.eachLine([&](std::string_view l) { Line(u, s.IOUT).X(1).A(Text80Buf(l).view(), 80).end(); });
}

void CPLOG(State& s) {
  for (int i = 1; i <= s.NRPOL; ++i) {
    // Stored concentrations are the deck's plus 1.0E-7; only a negative deck
    // value (warned about when debugging is on) leaves no logarithm.
    if (!(s.CPPPM(i) > 0.0)) {
      throw RunError(s.RUNFILE[0] + ": data group DATA 43C, item CONCP: concentration of row " + std::to_string(i) +
                     " of the polymer viscosity table is negative: CONCP = " + msgNum(s.CPPPM(i) - 1.0E-7));
    }
    s.CPPPM(i) = std::log(s.CPPPM(i));
  }
}

void NEWLIM(State& s) {
  s.DELRS2 = s.DELRS;
  s.DRSREF = 3000.0;
  s.DPREF = 15000.0;
  for (int k = 1; k <= MXEQ; ++k) {
    s.DXREF(k) = 1.0;
    s.DXMAX(k) = s.DELSAT;
  }
  s.DXREF(s.IPO) = s.DPREF;
  s.DXMAX(s.IPO) = s.DELPO;
}

void FIXSAT(State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    double f = 0.0;
    if (s.KEQP == 0) f += s.SPN(n);
    if (s.KEQW == 0) f += s.SWN(n);
    if (s.KEQO == 0) f += s.SON(n);
    if (s.KEQG == 0) f += s.SGN(n);
    s.SFIXED(n) = f;
  }
}

void AQLIST(State& s) {
  s.NAQBLK = 0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    if (s.INFBLK(n) >= 1 && s.INFBLK(n) <= 7) {
      s.LAQBLK(++s.NAQBLK) = n;
      s.PAQI(n) = s.PN(n);
    }
  }
  s.WECUM.fill(0.0);
}

void RUNCTR(State& s) {
  s.ISTEP = 0;
  s.TOTITER = 0;
  s.TIMUSE = 0.0;
  s.MAXIT = 15;
}

void NEWRUN(State& s, DeckReader& deck) {
  Units& u = s.units;
  // 1. The listing files kept open for the run.
  // (Under provisional names: they replace those of an earlier run only
  // when this run ends.)
  LISOPN(s, s.IRESL, "res.lis");
  LISOPN(s, s.IROKM, "rokmat.lis");
  LISOPN(s, s.IWELD, "weld.lis");
  // 2. The deck image.
  if (s.IPRTDAT == 1) DCKIMG(s, deck);
  // 3. Groups 1 to 44.
  deck.rewind();
  INPUT(s, deck, 0);
  // 4. The first trial step. Without a positive DTMAX no step could be made.
  if (!(s.DTMAX > 0.0)) noStep(deck, s.HEAD.LIN03[4], s.DTMAX);
  s.DTIME = s.DTMAX;
  // 5-6. Column groups of the array printers and the empty listing-file
  // bookkeeping belong to the report set-up.
  RPTSET(s);
  // 7. Geometry.
  ZELVAT(s);
  if (s.IRADIAL == 1)
    RADIAL(s);
  else
    GLKFAC(s);
  // 8. Active-block copies and rock modifiers, then the connection lists.
  ACTCPY(s);
  CHKVOL(s);
  CONLST(s);
  // 9. Solver set-up of the chosen method.
  SETSLV(s);
  // 10. Schedule position and counters.
  s.ISTEP0 = 1;
  s.NOWSTP = 0;
  s.NWTLIN = 0;
  s.SIMTME = 0.0;
  // 11. The polymer viscosity table is interpolated in ln(concentration).
  CPLOG(s);
  // 12. Equispaced fits, equilibrium, initial state.
  if (s.IQUAD != 0) PREQFT(s);
  if (s.INIOPT == 1) NEWINT(s);
  INITAL(s);
  // 13. Newton change limits.
  NEWLIM(s);
  // 14. Initial report.
  if (s.INOUTP != 0) PRINT1(s);
  // 15. The table listing files.
  LISOPN(s, s.IPVTL, "pvt.lis");
  PVTLIS(s);
  u.close(s.IPVTL);
  LISOPN(s, s.IKRPL, "krp.lis");
  KRPLIS(s);
  u.close(s.IKRPL);
  // 16. The reservoir description.
  LISOPN(s, s.IRESM, "resmat.lis");
  RESMAT(s);
  u.close(s.IRESM);
  // 17. The initial arrays.
  ROKMAT(s);
  // 18. Fixed saturations and the aquifer-block list.
  FIXSAT(s);
  AQLIST(s);
  // 19. Run-time counters.
  RUNCTR(s);
}

void RSTHED(State& s) {
  const DeckHead& h = s.HEAD;
  // 3. The run-control values of the new deck's head.
  // The first step is at most DELT, and not longer than the new deck's
  // DTMAX either (which the restored step size may exceed).
  s.DTIME = std::min({s.DTIME, h.DELT, h.DTMAX});
  // A halting time beyond the total simulation time raises the total, as in
  // a new run: the deck's head means the same in both.
  s.TMTOTAL = std::max(h.TMTOTAL, h.TMSTOP);
  s.TMSTOP = h.TMSTOP;
  s.MUNTOUT = h.MUNTOUT;
  // Laboratory input always gives laboratory output: the input units in
  // force are the image's, whatever MUNITIN the new deck's head gives.
  if (s.MUNITIN == 3) s.MUNTOUT = 3;
  s.DTMAX = h.DTMAX;
  s.DTMIN = h.DTMIN;
  s.RERORP = h.RERORP;
  s.DELPO = h.DELPO;
  s.DELRS = h.DELRS;
  s.DELSAT = h.DELSAT;
  s.MATBAK = h.MATBAK;
  s.IPRINT = h.IPRINT;
  s.IPRST1 = h.IPRST1;
  s.IPRST2 = h.IPRST2;
  s.NFRRES = h.NFRRES;
  s.NFRWEL = h.NFRWEL;
  s.NFRARY = h.NFRARY;
  s.NWRITE = h.NWRITE;
  s.DELRS2 = s.DELRS;
  for (int k = 1; k <= MXEQ; ++k) {
    s.DXREF(k) = 1.0;
    s.DXMAX(k) = s.DELSAT;
  }
  s.DXREF(s.IPO) = s.DPREF;
  s.DXMAX(s.IPO) = s.DELPO;
  for (int k = 1; k <= 12; ++k) s.IPRNT(k) = h.IPRNT(k);
  // 4. Output factors for the (possibly new) output system.
  UNITSB(s);
  // 5.
  s.ISTEP0 = s.ISTEP;
  // 6.
  Line(s.units, s.IOUT).X(11).A("RESULTS OF SIMULATION").slash().X(11).rep('=', 21).slash().slash().slash().end();
  Line(s.units, s.ICONOUT)
      .X(6)
      .A("SIMTME=")
      .F(s.SIMTME, 12, 5)
      .X(5)
      .A("TIMUSE=")
      .F(s.TIMUSE, 12, 5)
      .X(5)
      .A("ISTEP =")
      .I(s.ISTEP, 5)
      .X(5)
      .A("TMSTOP =")
      .F(s.TMSTOP, 12, 5)
      .X(5)
      .A("NOWSTP =")
      .I(s.NOWSTP, 5)
      .end();
  // 7. New equispaced fits when the deck asks for other ones.
  if (h.IQUAD != s.IQUAD || h.NINTBLE != s.NINTBLE) {
    s.IQUAD = h.IQUAD;
    s.NINTBLE = h.NINTBLE;
    if (s.IQUAD != 0) PREQFT(s);
  }
}

void RESTRT(State& s, DeckReader& deck) {
  // The listing files kept open for the run (under provisional names).
  LISOPN(s, s.IRESL, "res.lis");
  LISOPN(s, s.IROKM, "rokmat.lis");
  LISOPN(s, s.IWELD, "weld.lis");
  // The state was restored from the restart-up file before anything was
  // written (RSTRED, in MAIN). The numbering and solver set-up, the deck
  // positioned at its schedule; then the new deck's head.
  RSTSET(s, deck);
  RSTHED(s);
}

void ENDRUN(State& s) {
  Units& u = s.units;
  // 1. The final report with every output due.
  s.KSTRES = s.KSTWEL = s.KSTARY = s.KSTWRT = s.KSTANY = s.ISTEP;
  PRINT2(s, s.LINTOT, s.IROKM);
  // 2.
  s.CPU1 = cpuSeconds();
  // 3-4. Reservoir and well summaries read back from the listing files.
  FINSUM(s);
  // The listing files are complete: closed, they take their own names.
  for (int unit : {static_cast<int>(s.IRESL), static_cast<int>(s.IWELL), static_cast<int>(s.IROKM),
                   static_cast<int>(s.IWELD)})
    u.close(unit);
  LISKEP(s);
  // The summary and result tables asked for on the command line.
  RESEND(s);
  // 5. Processor times.
  s.CPU2 = cpuSeconds();
  for (int unit : {static_cast<int>(s.IOUT), static_cast<int>(s.ICONOUT)}) {
    Line(u, unit)
        .slash()
        .slash()
        .slash()
        .X(1)
        .A("COMP. CPU-TIME IN SECONDS = ")
        .E(s.CPU1 - s.CPU0, 14, 5)
        .slash()
        .X(1)
        .A("TOTAL CPU-TIME IN SECONDS = ")
        .E(s.CPU2 - s.CPU0, 14, 5)
        .end();
  }
  // 6. The closing line.
  for (int unit : {static_cast<int>(s.IOUT), static_cast<int>(s.ICONOUT)}) Line(u, unit).slash().X(1).A("END OF TALVEK RUN").end();
  // 7. Close the files (the listing files are closed already).
  for (int unit : {static_cast<int>(s.IOUT), static_cast<int>(s.IRST2)}) u.close(unit);
  u.flush(s.ICONOUT);
}

void OUTDIR(State& s) {
  const std::string& dir = s.OPTS.OUTDIR;
  if (dir.empty()) return;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) {
    throw IoError("cannot create the output folder '" + dir + "': " +
                  (ec ? ec.message() : std::string("a file of that name is in the way")));
  }
}

void CHKRUN(State& s) {
  if (s.TMSTOP > s.TMTOTAL) s.TMSTOP = s.TMTOTAL;
  SCHCHK(s);
  CHKEND(s);
}

void MAIN(State& s, const std::string* names) {
  STARTUP(s);
  std::string answer[4];
  if (names) {
    BANNER(s, false);
    for (int i = 0; i < 4; ++i) answer[i] = names[i];
  } else {
    BANNER(s, true);
    std::string line;
    if (!std::getline(std::cin, line))
      throw UsageError("no answer on standard input: expected the names of the input deck, the output listing and the two restart-up files");
    // One name more than the four is looked for, so that a surplus name is
    // refused rather than ignored.
    std::string given[5];
    if (ANSWRN(line, given, 5) > 4) {
      throw UsageError("the answer line names more than four files ('" + given[4] +
                       "' is a fifth): give the input deck, the listing and the two restart-up files");
    }
    for (int i = 0; i < 4; ++i) answer[i] = given[i];
  }
  // Nothing is written before the names are known to be usable and the
  // deck has been read.
  CHKNAM(answer, s.OPTS);
  SETNAMES(s, answer);
  // The deck is checked to be a readable text file, then read line by line.
  const std::string deckName = s.RUNFILE[0];
  RDDECK(deckName);
  DeckReader deck(deckName);
  RUNSET(s, deck);
  if (s.OPTS.CHECK) {
    CHKRUN(s);
    return;
  }
  RUNSCH(s);
}

void RUNSET(State& s, DeckReader& deck) {
  // A restart reads its image whole before anything is written.
  const bool restart = RSTPEK(deck);
  if (restart) RSTRED(s);
  s.RSTRUN = restart ? 1 : 0;
  s.ISTEPA = restart ? s.ISTEP : 0;
  s.ITERA = restart ? s.TOTITER : 0;
  OUTDIR(s);
  OPENUP(s);
  PRERED(s, deck);
  if (s.IRSTRT == 0)
    NEWRUN(s, deck);
  else
    RESTRT(s, deck);
  // The schedule, read on from the end of group 44.
  INPUT(s, deck, 1);
  if (restart) RSTSCH(s);
}

void RUNSCH(State& s) {
  RESOPN(s);
  STEPLP(s);
  UNCSUM(s);
  // The restart-up file holds the state at the end of the run. After a
  // step failed fifteen times the state is that of the last accepted step.
  if (s.ITERM != 0) --s.ISTEP;
  RSTSAV(s);
  if (s.ITERM != 0) ++s.ISTEP;
  ENDRUN(s);
}

}  // namespace talvek
