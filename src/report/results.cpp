#include "report/results.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "io/errors.h"
#include "io/format.h"
#include "io/units.h"
#include "report/listing.h"

namespace talvek {

namespace {

// Unit names of the output unit system (MUNTOUT 1 field, 2 SI, 3 laboratory).
struct UnitNames {
  const char *time, *pres, *liq, *gas, *mass, *liqRate, *gasRate, *massRate, *gor, *lor;
};
constexpr UnitNames kUnits[3] = {
    {"d", "psia", "STB", "SCF", "lbm", "STB/d", "SCF/d", "lbm/d", "SCF/STB", "STB/STB"},
    {"d", "kPa", "sm3", "sm3", "kg", "sm3/d", "sm3/d", "kg/d", "sm3/sm3", "sm3/sm3"},
    {"s", "atm", "scc", "scc", "g", "scc/s", "scc/s", "g/s", "scc/scc", "scc/scc"},
};

const UnitNames& units(const State& s) { return kUnits[s.MUNTOUT >= 1 && s.MUNTOUT <= 3 ? s.MUNTOUT - 1 : 0]; }

// A fixed-buffer row of comma-separated fields.
class Row {
 public:
  Row& num(double v) {
    sep();
    if (std::isfinite(v)) n_ += std::snprintf(b_ + n_, sizeof b_ - static_cast<std::size_t>(n_), "%.17g", v + 0.0);
    return *this;
  }
  Row& num(long long v) {
    sep();
    n_ += std::snprintf(b_ + n_, sizeof b_ - static_cast<std::size_t>(n_), "%lld", v);
    return *this;
  }
  Row& num(int v) { return num(static_cast<long long>(v)); }
  // q / d, or an empty field when d is not positive (nothing produced).
  Row& ratio(double q, double d) {
    if (d > 0.0) return num(q / d);
    sep();
    return *this;
  }
  Row& text(const char* t) {
    sep();
    n_ += std::snprintf(b_ + n_, sizeof b_ - static_cast<std::size_t>(n_), "%s", t);
    return *this;
  }
  Row& head(const char* name, const char* unit) {
    sep();
    n_ += std::snprintf(b_ + n_, sizeof b_ - static_cast<std::size_t>(n_), "%s [%s]", name, unit);
    return *this;
  }
  std::string_view view() const { return std::string_view(b_, static_cast<std::size_t>(n_)); }

 private:
  void sep() {
    if (n_ > 0 && n_ < static_cast<int>(sizeof b_) - 1) b_[n_++] = ',';
    if (n_ > static_cast<int>(sizeof b_) - 40) throw RunError("a result row is longer than its buffer");
  }
  char b_[2048];
  int n_ = 0;
};

// ---- results.csv ----------------------------------------------------------------

void resultsHeader(State& s) {
  const UnitNames& u = units(s);
  Row r;
  r.head("step", "-").head("time", u.time).head("dt", u.time);
  r.head("newton_iterations", "-").head("attempts", "-").head("linear_iterations", "-");
  r.head("pavg", u.pres).head("oil_recovery", "fraction of oil in place");
  r.head("pvi", "pore volumes").head("pvi_aqueous", "pore volumes").head("pvi_gas", "pore volumes");
  r.head("pvi_polymer_solution", "pore volumes");
  r.head("oil_rate", u.liqRate).head("water_rate", u.liqRate).head("polymer_solution_rate", u.liqRate);
  r.head("aqueous_rate", u.liqRate).head("gas_rate", u.gasRate).head("polymer_rate", u.massRate);
  r.head("water_injection_rate", u.liqRate).head("polymer_solution_injection_rate", u.liqRate);
  r.head("gas_injection_rate", u.gasRate).head("polymer_injection_rate", u.massRate);
  r.head("cum_oil", u.liq).head("cum_water", u.liq).head("cum_polymer_solution", u.liq);
  r.head("cum_aqueous", u.liq).head("cum_gas", u.gas).head("cum_polymer", u.mass);
  r.head("cum_water_injected", u.liq).head("cum_polymer_solution_injected", u.liq);
  r.head("cum_gas_injected", u.gas).head("cum_polymer_injected", u.mass);
  r.head("water_cut", "fraction").head("aor", u.lor).head("gor", u.gor);
  s.units.writeLine(s.ICSVR, r.view());
}

void resultsRow(State& s) {
  const bool on[6] = {false, s.KEQO >= 1, s.KEQW >= 1, s.KEQG >= 1, s.KEQP >= 1, s.KEQP >= 1};
  const int rate[6] = {0, 2, 2, 3, 2, 4};
  const int cum[6] = {0, 7, 7, 8, 7, 9};
  double q[6], qi[6], c[6], ci[6];
  for (int k = 1; k <= 5; ++k) {
    q[k] = on[k] ? s.UFAC(rate[k]) * s.QPRDT(k) + 0.0 : 0.0;
    qi[k] = on[k] ? -s.UFAC(rate[k]) * s.QINJT(k) + 0.0 : 0.0;
    c[k] = on[k] ? s.UFAC(cum[k]) * s.CUMPRD(k) + 0.0 : 0.0;
    ci[k] = on[k] ? -s.UFAC(cum[k]) * s.CUMINJ(k) + 0.0 : 0.0;
  }
  Row r;
  r.num(s.ISTEP).num(s.TIMUSE * s.UFAC(12)).num(s.DTIME * s.UFAC(12));
  r.num(s.ITER).num(s.NPASS).num(s.LINTOT);
  r.num(s.RESPRF(RPPAVG)).num(s.RESPRF(RPORF));
  r.num(s.RESPRF(RPPVI)).num(s.RESPRF(RPPVIA)).num(s.RESPRF(RPPVIG)).num(s.RESPRF(RPPVIP));
  r.num(q[1]).num(q[2]).num(q[4]).num(q[2] + q[4]).num(q[3]).num(q[5]);
  r.num(qi[2]).num(qi[4]).num(qi[3]).num(qi[5]);
  r.num(c[1]).num(c[2]).num(c[4]).num(c[2] + c[4]).num(c[3]).num(c[5]);
  r.num(ci[2]).num(ci[4]).num(ci[3]).num(ci[5]);
  r.ratio(q[2] + q[4], q[1] + q[2] + q[4]).ratio(q[2] + q[4], q[1]).ratio(q[3], q[1]);
  s.units.writeLine(s.ICSVR, r.view());
}

// ---- wells.csv --------------------------------------------------------------------

void wellsHeader(State& s) {
  const UnitNames& u = units(s);
  Row r;
  r.head("step", "-").head("time", u.time).head("well", "-").head("i", "-").head("j", "-").head("k", "-");
  r.head("type", "injector/producer/shut-in").head("bhp", u.pres);
  r.head("oil_rate", u.liqRate).head("water_rate", u.liqRate).head("polymer_solution_rate", u.liqRate);
  r.head("gas_rate", u.gasRate);
  r.head("cum_oil", u.liq).head("cum_water", u.liq).head("cum_polymer_solution", u.liq).head("cum_gas", u.gas);
  r.head("cum_oil_injected", u.liq).head("cum_water_injected", u.liq);
  r.head("cum_polymer_solution_injected", u.liq).head("cum_gas_injected", u.gas);
  r.head("water_cut", "fraction").head("gor", u.gor);
  r.head("polymer_concentration", "ppm").head("tracer_concentration", "ppm");
  s.units.writeLine(s.ICSVW, r.view());
}

void wellRow(State& s, int n, const char* type) {
  // A component whose equation is off has no rate or cumulative (0, as in the
  // listing's well summary); its flow terms hold only the guards against a zero
  // division, or the gas dissolved in the produced oil of a run without gas.
  const double fl = s.UFAC(2), fg = s.UFAC(3), cl = s.UFAC(7), cg = s.UFAC(8);
  const double so = s.KEQO >= 1 ? 1.0 : 0.0, sw = s.KEQW >= 1 ? 1.0 : 0.0;
  const double sg = s.KEQG >= 1 ? 1.0 : 0.0, sp = s.KEQP >= 1 ? 1.0 : 0.0;
  const double qo = so * fl * s.FLOWO(n) + 0.0, qw = sw * fl * s.FLOWW(n) + 0.0;
  const double qp = sp * fl * s.FLOWP(n) + 0.0, qg = sg * fg * s.FLOWG(n) + 0.0;
  Row r;
  r.num(s.ISTEP).num(s.TIMUSE * s.UFAC(12)).num(s.IWNUM(n)).num(s.IJK(1, n)).num(s.IJK(2, n)).num(s.IJK(3, n));
  r.text(type).num(s.UFAC(6) * s.PSAND(n));
  r.num(qo).num(qw).num(qp).num(qg);
  r.num(so * cl * s.CUMPB(1, n) + 0.0).num(sw * cl * s.CUMPB(2, n) + 0.0).num(sp * cl * s.CUMPB(4, n) + 0.0);
  r.num(sg * cg * s.CUMPB(3, n) + 0.0);
  r.num(-so * cl * s.CUMIB(1, n) + 0.0).num(-sw * cl * s.CUMIB(2, n) + 0.0).num(-sp * cl * s.CUMIB(4, n) + 0.0);
  r.num(-sg * cg * s.CUMIB(3, n) + 0.0);
  r.ratio(qw + qp, qo + qw + qp).ratio(qg, qo);
  r.num(s.CONCP(n)).num(s.CONCT(n));
  s.units.writeLine(s.ICSVW, r.view());
}

void wellRows(State& s, const FArray<int, MXBLK>& list, int count, const char* type) {
  for (int i = 1; i <= count && i <= s.NGPACT; ++i) {
    const int n = list(i);
    if (n >= 1 && n <= s.NGPACT) wellRow(s, n, type);
  }
}

// ---- breakthrough -------------------------------------------------------------------

void mark(State& s, int k, int n) {
  if (s.BTSTEP(k, n) != 0) return;
  s.BTSTEP(k, n) = s.ISTEP;
  s.BTTIME(k, n) = s.TIMUSE;
  if (s.RSTRUN != 0 && s.ISTEP == s.ISTEP0 + 1) s.BTEARLY(k, n) = 1;
}

void breakthrough(State& s) {
  if (s.BTINIT == 0) {
    for (int n = 1; n <= s.NGPACT; ++n) s.RSINI(n) = s.RSN(n);
    s.BTINIT = 1;
  }
  for (int i = 1; i <= s.NWELM2 && i <= s.NGPACT; ++i) {
    const int n = s.LWELM2(i);
    if (n < 1 || n > s.NGPACT) continue;
    if (s.CONCPI(n) > s.CPIMAX) s.CPIMAX = s.CONCPI(n);
    if (s.CONCTI(n) > s.CTIMAX) s.CTIMAX = s.CONCTI(n);
  }
  for (int i = 1; i <= s.NWELM1 && i <= s.NGPACT; ++i) {
    const int n = s.LWELM1(i);
    if (n < 1 || n > s.NGPACT) continue;
    s.BTPRD(n) = 1;
    const double qo = s.KEQO >= 1 ? s.FLOWO(n) : 0.0;
    const double qa = (s.KEQW >= 1 ? s.FLOWW(n) : 0.0) + (s.KEQP >= 1 ? s.FLOWP(n) : 0.0);
    if (qo + qa > 0.0 && qa / (qo + qa) > BTWCUT) mark(s, 1, n);
    if (s.KEQG >= 1 && qo > 0.0 && s.FLOWG(n) > 0.0 && s.FLOWG(n) / qo > BTGORF * s.RSINI(n)) mark(s, 2, n);
    if (qa > 0.0 && s.CPIMAX > 0.0 && s.CONCP(n) > BTCFRC * s.CPIMAX) mark(s, 3, n);
    if (qa > 0.0 && s.CTIMAX > 0.0 && s.CONCT(n) > BTCFRC * s.CTIMAX) mark(s, 4, n);
  }
}

// ---- progress line -------------------------------------------------------------------

void progress(State& s) {
  const bool tty = ::isatty(2) != 0;
  const bool last = s.TIMUSE - s.TMSTOP >= -0.001;
  if (!tty && s.KSTANY != s.ISTEP && !last) return;
  const UnitNames& u = units(s);
  const double qo = s.RESPRF(RPQO), qa = s.RESPRF(RPQA);
  const double pct = s.TMSTOP > 0.0 ? 100.0 * s.TIMUSE / s.TMSTOP : 100.0;
  char cut[32];
  if (qo + qa > 0.0)
    std::snprintf(cut, sizeof cut, "%.4f", qa / (qo + qa));
  else
    std::snprintf(cut, sizeof cut, "-");
  char line[320];
  std::snprintf(line, sizeof line,
                "time %.4g of %.4g %s (%5.1f%%)  step %d  dt %.4g %s  newton %d  oil rate %.5g %s  water cut %s",
                s.TIMUSE * s.UFAC(12), s.TMSTOP * s.UFAC(12), u.time, pct, s.ISTEP, s.DTIME * s.UFAC(12), u.time,
                s.ITER, qo, u.liqRate, cut);
  if (tty) {
    std::fprintf(stderr, "\r%-110s", line);
    s.PRGOPN = 1;
  } else {
    std::fprintf(stderr, "talvek: %s\n", line);
  }
  std::fflush(stderr);
}

void progressEnd(State& s) {
  if (s.PRGOPN == 0) return;
  std::fputc('\n', stderr);
  std::fflush(stderr);
  s.PRGOPN = 0;
}

// ---- files ---------------------------------------------------------------------------

void keep(State& s, const char* name) {
  const std::string tmp = OUTPTH(s, LISTMP(name)), dst = OUTPTH(s, name);
  errno = 0;
  if (std::rename(tmp.c_str(), dst.c_str()) != 0) {
    const int err = errno;
    throw IoError("cannot replace " + dst + " by the file of this run '" + tmp + "': " + std::strerror(err));
  }
}

std::string fmt(const char* f, double v) {
  char b[64];
  std::snprintf(b, sizeof b, f, v);
  return b;
}

std::string cell(const State& s, int k, int n) {
  if (s.BTSTEP(k, n) == 0) return "none";
  char b[64];
  std::snprintf(b, sizeof b, s.BTEARLY(k, n) != 0 ? "step<=%d, t<=%.4f" : "step %d, t = %.4f", s.BTSTEP(k, n),
                s.BTTIME(k, n) * s.UFAC(12));
  return b;
}

std::string pad(std::string t, std::size_t w) {
  if (t.size() < w) t.append(w - t.size(), ' ');
  return t;
}

}  // namespace

double WALLCK() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void RESOPN(State& s) {
  if (!s.OPTS.CSV) return;
  s.units.open(s.ICSVR, OUTPTH(s, LISTMP(RESNAM[0])), FileForm::Formatted, FileStatus::Unknown, OUTPTH(s, RESNAM[0]));
  s.units.open(s.ICSVW, OUTPTH(s, LISTMP(RESNAM[1])), FileForm::Formatted, FileStatus::Unknown, OUTPTH(s, RESNAM[1]));
  s.CSVOPD = 1;
  resultsHeader(s);
  wellsHeader(s);
}

void RESSTP(State& s) {
  s.NCUTS += s.NPASS - 1;
  s.LINSUM += s.LINTOT;
  breakthrough(s);
  if (s.CSVOPD != 0) {
    resultsRow(s);
    wellRows(s, s.LWELM2, s.NWELM2, "injector");
    wellRows(s, s.LWELM1, s.NWELM1, "producer");
    wellRows(s, s.LWEL0, s.NWEL0, "shut-in");
  }
  if (s.OPTS.PROGRESS) progress(s);
}

std::vector<std::string> RUNSUM(const State& s, double wall) {
  const UnitNames& u = units(s);
  std::vector<std::string> l;
  l.push_back(" RUN SUMMARY");
  l.push_back(" ===========");
  const bool reached = s.ITERM == 0 && s.TIMUSE - s.TMSTOP >= -0.001;
  const double ft = s.UFAC(12);
  l.push_back(std::string(" HALTING TIME REACHED: ") + (reached ? "yes" : "no") + " (time " +
              fmt("%.6g", s.TIMUSE * ft) + " " + u.time + ", halting time " + fmt("%.6g", s.TMSTOP * ft) + " " +
              u.time + ")");
  const double orf = s.KEQO >= 1 ? s.CUMPRD(1) / (s.INOIL + 1.0E-51) : 0.0;
  double pvi = 0.0;
  {
    // Pore volumes injected: aqueous, gas and oil, as the reservoir
    // performance record adds them.
    const double pv[5] = {0, s.PVOT, s.PVWT, s.PVGT, s.PVPT};
    const bool on[5] = {false, s.KEQO >= 1, s.KEQW >= 1, s.KEQG >= 1, s.KEQP >= 1};
    for (int k = 1; k <= 4; ++k)
      if (on[k]) pvi += -s.CUMINJ(k) / pv[k];
  }
  l.push_back(" OIL RECOVERY: " + fmt("%.6f", orf) + " of the oil in place    PORE VOLUMES INJECTED: " + fmt("%.6f", pvi));
  const int cum[6] = {0, 7, 7, 8, 7, 9};
  const bool on[6] = {false, s.KEQO >= 1, s.KEQW >= 1, s.KEQG >= 1, s.KEQP >= 1, s.KEQP >= 1};
  char b[256];
  std::snprintf(b, sizeof b, " %-10s %18s %18s %18s %18s %18s", "", (std::string("OIL (") + u.liq + ")").c_str(),
                (std::string("WATER (") + u.liq + ")").c_str(), (std::string("GAS (") + u.gas + ")").c_str(),
                (std::string("POLY. SOL. (") + u.liq + ")").c_str(), (std::string("POLYMER (") + u.mass + ")").c_str());
  l.push_back(b);
  for (int row = 0; row < 2; ++row) {
    double v[6];
    for (int k = 1; k <= 5; ++k)
      v[k] = on[k] ? (row == 0 ? 1.0 : -1.0) * s.UFAC(cum[k]) * (row == 0 ? s.CUMPRD(k) : s.CUMINJ(k)) + 0.0 : 0.0;
    std::snprintf(b, sizeof b, " %-10s %18.6e %18.6e %18.6e %18.6e %18.6e", row == 0 ? "PRODUCED" : "INJECTED", v[1],
                  v[2], v[3], v[4], v[5]);
    l.push_back(b);
  }
  l.push_back(" BREAKTHROUGH AT THE PRODUCERS: the first step at which the water cut > " + fmt("%.2f", BTWCUT) +
              ", the GOR > " + fmt("%.1f", BTGORF) + " x the block's initial solution GOR,");
  l.push_back("   or the polymer or tracer concentration of the block > " + fmt("%.0f", 100.0 * BTCFRC) +
              " % of the largest injected (t in " + u.time + ")");
  l.push_back(std::string("   WELL  BLOCK (I,J,K)  ") + pad("WATER", 24) + pad("GAS", 24) + pad("POLYMER", 24) + "TRACER");
  int nprod = 0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    if (s.BTPRD(n) == 0) continue;
    ++nprod;
    std::snprintf(b, sizeof b, "   %4d  (%2d,%3d,%2d)    ", s.IWNUM(n), s.IJK(1, n), s.IJK(2, n), s.IJK(3, n));
    l.push_back(std::string(b) + pad(cell(s, 1, n), 24) + pad(cell(s, 2, n), 24) + pad(cell(s, 3, n), 24) + cell(s, 4, n));
  }
  if (nprod == 0) l.push_back("   (no well block produced)");
  if (s.RSTRUN != 0) {
    l.push_back("   (a restart run: \"step<=\" is a threshold passed by the first step of this run, perhaps in the run");
    l.push_back("   that wrote the image; the GOR is compared with the block's solution GOR at the restart, the");
    l.push_back("   concentrations with those injected since)");
  }
  // Accepted steps of this run: the step that failed fifteen times is not
  // one.
  const int last = s.ISTEP - (s.ITERM != 0 ? 1 : 0);
  if (s.RSTRUN != 0) {
    std::snprintf(b, sizeof b, " THIS RUN (FROM THE IMAGE OF STEP %d):", s.ISTEPA);
    l.push_back(b);
  }
  std::snprintf(b, sizeof b, " STEPS: %d   CUTS: %d   NEWTON ITERATIONS: %d   LINEAR ITERATIONS: %ld",
                last - s.ISTEPA, s.NCUTS, s.TOTITER - s.ITERA, s.LINSUM);
  l.push_back(b);
  if (s.NUNCNV > 0) {
    std::snprintf(b, sizeof b, " STEPS ACCEPTED WITHOUT CONVERGING: %d (THE FIRST AT STEP %d, T = %.4f)", s.NUNCNV,
                  s.IUNCN1, s.TUNCN1);
    l.push_back(b);
  }
  std::snprintf(b, sizeof b, " WALL TIME: %.3f s", wall);
  l.push_back(b);
  return l;
}

void RESEND(State& s) {
  progressEnd(s);
  if (s.ITERM != 0) s.NCUTS += s.NPASS;  // the failed attempts of the step that ended the run
  if (s.OPTS.SUMMARY || s.OPTS.summaryFile()) {
    const std::vector<std::string> lines = RUNSUM(s, WALLCK() - s.WALL0);
    if (s.OPTS.SUMMARY) {
      for (int unit : {static_cast<int>(s.IOUT), static_cast<int>(s.ICONOUT)}) {
        s.units.writeLine(unit, "");
        for (const std::string& ln : lines) s.units.writeLine(unit, ln);
      }
    }
    if (s.OPTS.summaryFile()) {
      const std::string path = OUTPTH(s, RESNAM[2]);
      std::FILE* f = std::fopen(path.c_str(), "w");
      if (!f) throw IoError("cannot open " + path + ": " + std::strerror(errno));
      bool ok = true;
      for (const std::string& ln : lines) ok = ok && std::fprintf(f, "%s\n", ln.c_str()) >= 0;
      ok = (std::fclose(f) == 0) && ok;
      if (!ok) throw IoError("cannot write " + path + ": " + std::strerror(errno));
    }
  }
  if (s.CSVOPD != 0) {
    s.units.close(s.ICSVR);
    s.units.close(s.ICSVW);
    keep(s, RESNAM[0]);
    keep(s, RESNAM[1]);
    s.CSVOPD = 0;
  }
}

void RESDRP(State& s) {
  progressEnd(s);
  if (s.CSVOPD == 0) return;
  s.units.close(s.ICSVR);
  s.units.close(s.ICSVW);
  std::remove(OUTPTH(s, LISTMP(RESNAM[0])).c_str());
  std::remove(OUTPTH(s, LISTMP(RESNAM[1])).c_str());
  s.CSVOPD = 0;
}

void CHKEND(State& s) {
  char b[200];
  std::snprintf(b, sizeof b, " DECK CHECK: the deck was read and the initial state built; the schedule (%d records) was not run",
                s.NNOW);
  for (int unit : {static_cast<int>(s.IOUT), static_cast<int>(s.ICONOUT)}) {
    s.units.writeLine(unit, "");
    s.units.writeLine(unit, b);
  }
  for (int unit : {static_cast<int>(s.IRESL), static_cast<int>(s.IROKM), static_cast<int>(s.IWELD),
                   static_cast<int>(s.IOUT), static_cast<int>(s.IRST2)})
    s.units.close(unit);
  s.units.flush(s.ICONOUT);
  LISDRP(s);
}

}  // namespace talvek
