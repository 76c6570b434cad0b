#include "run/loop.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "io/errors.h"
#include "io/format.h"
#include "io/units.h"
#include "io/warnings.h"
#include "physics/gradients.h"
#include "physics/lookup.h"
#include "physics/properties.h"
#include "report/listing.h"
#include "report/print2.h"
#include "report/results.h"
#include "run/cascade.h"
#include "run/driver.h"
#include "run/matbal.h"
#include "run/newton.h"
#include "run/restart.h"
#include "run/tstep.h"

namespace talvek {

namespace {

constexpr int kMaxPass = 15;

std::string num(double v) { return msgNum(v); }

// A schedule record that cannot be run: the message names the deck, the line
// of the record's "NOW" line, the group and the item, as the reader's own
// messages do.
[[noreturn]] void recordFault(const State& s, int t, const char* item, const std::string& what) {
  const int line = t >= 1 && t <= MXNOW ? s.NOWDLN(t) : 0;
  if (line >= 1)
    throw RunError(s.RUNFILE[0] + ":" + std::to_string(line) + ": data group DATA 45D, item " + item + ": " + what);
  throw RunError("deck " + s.RUNFILE[0] + ", group DATA 45D: " + what);
}

}  // namespace

void ALLFLG(State& s) { s.KSTRES = s.KSTWEL = s.KSTARY = s.KSTWRT = s.KSTANY = s.ISTEP; }

void OUTFLG(State& s) {
  s.KSTRES = s.KSTWEL = s.KSTARY = s.KSTWRT = s.KSTANY = 0;
  const int st = s.ISTEP;
  if (s.NFRRES >= 1) s.KSTRES = (st / s.NFRRES) * s.NFRRES;
  if (s.NFRWEL >= 1) s.KSTWEL = (st / s.NFRWEL) * s.NFRWEL;
  if (s.NFRARY >= 1) s.KSTARY = (st / s.NFRARY) * s.NFRARY;
  if (s.NWRITE >= 1) s.KSTWRT = (st / s.NWRITE) * s.NWRITE;
  if (s.KSTRES == st || s.KSTWEL == st || s.KSTARY == st || s.KSTWRT == st) s.KSTANY = st;
}

void FSTFLG(State& s) {
  // Step 1 starts at time 0 and ends at TIMUSE. The flags by frequency, then
  // every flag when the step ends on a report period's end or on the halting
  // time; a step that ends before them is no report step.
  OUTFLG(s);
  if (std::fabs(s.SIMTME - s.TIMUSE) <= 1.0E-6 && s.IRITEC == 1) ALLFLG(s);
  if (std::fabs(s.TMSTOP - s.TIMUSE) <= 1.0E-6) ALLFLG(s);
}

void SCHCHK(State& s) {
  // Record t comes into force at the end of the period before it; records
  // whose period would start at or after the halting time are never used.
  double prev = s.SIMTME;
  for (int t = s.NOWSTP + 1; t <= s.NNOW; ++t) {
    if (!(prev < s.TMSTOP - 0.001)) break;
    if (!(s.DELT1(t) > 0.0))
      recordFault(s, t, "DELT1",
                  "schedule record " + std::to_string(t) + " has the time-step cap DELT1 = " + num(s.DELT1(t)) +
                      "; it must be greater than 0");
    if (!(s.SIMNEW(t) - prev > 1.0E-6))
      recordFault(s, t, "SIMNEW",
                  "schedule record " + std::to_string(t) + " ends at SIMNEW = " + num(s.SIMNEW(t)) +
                      ", not after the end of the period before it (" + num(prev) + ")");
    prev = s.SIMNEW(t);
  }
}

void SCHTIM(State& s) {
  const double r0 = s.SIMTME - s.TIMUSE;
  if (std::fabs(r0) >= 1.0E-6) {
    // The current period goes on.
    const double told = s.TIMUSE;
    if (s.SIMTME >= s.TMSTOP) {
      if (s.TMSTOP - s.TIMUSE - s.DTIME > 0.0) {
        s.TIMUSE += s.DTIME;
        if (s.TIMUSE - s.SIMTME + 1.0E-6 >= 0.0) {
          s.DTIME = s.SIMTME - told;
          s.TIMUSE = s.SIMTME;
        }
      } else {
        s.DTIME = s.TMSTOP - s.TIMUSE;
        s.TIMUSE = s.TMSTOP;
        ALLFLG(s);
      }
    } else {
      s.TIMUSE += s.DTIME;
      if (s.TIMUSE - s.SIMTME + 1.0E-6 >= 0.0) {
        s.DTIME = s.SIMTME - told;
        s.TIMUSE = s.SIMTME;
        if (s.IRITEC == 1) ALLFLG(s);
      }
    }
    return;
  }

  // The period has ended: this step starts the next one.
  ++s.NOWSTP;
  const bool record = s.NOWSTP <= s.NNOW;
  const int t = record ? s.NOWSTP : s.NNOW;
  if (record) {
    s.IRITEC = s.IRITE1(t);
    s.SIMTME = s.SIMNEW(t);
  } else {
    s.IRITEC = 1;
    s.SIMTME = s.TMTOTAL;
  }
  if (t >= 1) {
    if (!(s.DELT1(t) > 0.0))
      recordFault(s, t, "DELT1",
                  "schedule record " + std::to_string(t) + " has the time-step cap DELT1 = " + num(s.DELT1(t)) +
                      "; it must be greater than 0");
    s.DTIME = std::min(s.DTIME, s.DELT1(t));
    s.QOECON = s.QOECONT(t);
    s.WORMAX = s.WORMAXT(t);
    s.GORMAX = s.GORMAXT(t);
  }
  const double r = s.SIMTME - s.TIMUSE;
  const double sr = s.TMSTOP - s.TIMUSE;
  if (record && !(r > 1.0E-6) && sr > 1.0E-6) {
    // A period that ends at or before the current time would give a step of
    // zero or negative length (SCHCHK stops such a schedule before the first
    // step; this guard stays for any other way of getting here).
    recordFault(s, t, "SIMNEW",
                "schedule record " + std::to_string(t) + " ends at SIMNEW = " + num(s.SIMNEW(t)) +
                    ", not after the current time " + num(s.TIMUSE));
  }
  if (sr - r > 0.0 && r - s.DTIME - 1.0E-6 <= 0.0) {
    s.DTIME = r;
    if (s.IRITEC == 1) ALLFLG(s);
  }
  if (sr - r <= 0.0 && sr - s.DTIME <= 0.0) {
    s.DTIME = sr;
    ALLFLG(s);
  }
  s.TIMUSE += s.DTIME;
  if (record) WELAPL(s);
}

void WELAPL(State& s) {
  const int nlines = s.NWLINE(s.NOWSTP);
  for (int k = 1; k <= nlines; ++k) {
    ++s.NWTLIN;
    const int m = s.NWTLIN;
    if (m > MXWLIN) throw RunError("deck " + s.RUNFILE[0] + ", group DATA 45D: more than " + std::to_string(MXWLIN) + " well lines");
    const int b = s.IWLINE(7, m);
    if (b < 1 || b > s.NGPACT) {
      throw RunError("deck " + s.RUNFILE[0] + ", group DATA 45D: well line " + std::to_string(k) + " of schedule record " +
                     std::to_string(s.NOWSTP) + " places well " + std::to_string(s.IWLINE(6, m)) + " at block (" +
                     std::to_string(s.IWLINE(2, m)) + "," + std::to_string(s.IWLINE(3, m)) + "," + std::to_string(s.IWLINE(4, m)) +
                     "), which is not an active block of the grid");
    }
    const int iwt = s.IWLINE(1, m);
    s.IWNUM(b) = s.IWLINE(6, m);
    s.IACTIVE(s.IBLK(b)) = iwt;
    if (iwt < 0) {
      s.IWOPC(b) = s.IWLINE(5, m);
      s.GW(b) = s.RWLINE(1, m);
      s.BHP(b) = s.RWLINE(2, m);
      s.QSP(b) = s.RWLINE(3, m) * 1000.0;
      s.CONCPI(b) = s.RWLINE(4, m);
      s.CONCTI(b) = s.RWLINE(5, m);
    }
  }
  WELIST(s);
}

void WELIST(State& s) {
  s.NWELM2 = s.NWELM1 = s.NWEL0 = 0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int c = s.IACTIVE(s.IBLK(n));
    if (c == -2)
      s.LWELM2(++s.NWELM2) = n;
    else if (c == -1)
      s.LWELM1(++s.NWELM1) = n;
    else if (c == 0)
      s.LWEL0(++s.NWEL0) = n;
  }
  for (int i = 1; i <= s.NWELM2; ++i) {
    const int n = s.LWELM2(i);
    const double den = s.DENWS(s.NPVTGN(n));
    s.CPMFI(n) = s.CONCPI(n) * 1.0E-6 * den;
    s.CTMFI(n) = s.CONCTI(n) * 1.0E-6 * den;
  }
}

void PASSST(State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.IPFORC(n) = 3;
    s.QPMINJ(n) = 0.0;
    s.QPMPRD(n) = 0.0;
    s.SO(n) = s.SON(n);
    s.SW(n) = s.SWN(n);
    s.SG(n) = s.SGN(n);
    s.SP(n) = s.SPN(n);
    s.SA(n) = s.SW(n) + s.SP(n);
    s.ISAT(n) = s.ISATN(n);
  }
}

void MUPOLY(State& s) {
  if (s.KEQP < 1) return;
  for (int n = 1; n <= s.NGPACT; ++n) {
    // A concentration below zero means no polymer.
    double x = std::log(std::max(s.CONCP(n), 0.0) + 1.0E-6);
    if (s.IQUAD != 0) {
      int ip = 1;
      CEARCH(x, s.FITXF(FTPOL, 1), s.FITXL(FTPOL, 1), s.FITRSP(FTPOL, 1), s.NINT, ip);
      s.MUPB(n) = EQNVAL(s.FMUP.data(), ip, x);
    } else {
      int ip = 2;
      double w = 0, o = 0;
      SEARCH(ip, w, o, s.CPPPM.data(), x, s.NRPOL);
      FUN1D(ip, w, o, s.MUP.data(), s.MUPB(n), s.NRPOL);
    }
  }
}

void PROPRF(State& s) {
  // Each table is searched once per block (its columns share the interval),
  // starting from the last block's interval.
  int hP = 0, hR = 0, hK = 0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int pr = s.NPVTGN(n);
    const int rr = s.NKRGN(n);
    const double p = s.P(n);
    const PvtAt atP = pvtAtP(s, pr, p, hP);
    s.BWB(n) = pvtValue(s, atP, PvtCol::BW);
    s.BGB(n) = pvtValue(s, atP, PvtCol::BG);
    const double muw = pvtValue(s, atP, PvtCol::MUW);
    double muwe = muw, mupe = s.MUPB(n);
    AQVIS(s, muw, s.MUPB(n), s.SW(n), s.SP(n), muwe, mupe, s.RFB(n), s.RRFB(n), s.CRPMAX(n), s.ADS(n));
    // Polymer-solution mobility at the converged state: the aqueous relative
    // permeability shared with the water in proportion to the saturations.
    double krw = 0.0;
    if (s.IQUAD != 0) {
      double x = s.SA(n);
      int ip = 1;
      CEARCH(x, s.FITXF(FTWO, rr), s.FITXL(FTWO, rr), s.FITRSP(FTWO, rr), s.NINT, ip);
      krw = EQNVAL(&s.FKRW(1, 1, rr), ip, x);
    } else {
      double w = 0, o = 0;
      searchNear(hK, w, o, &s.SWT(1, rr), s.SA(n), s.NRWO(rr), s.ASCWO(rr) != 0);
      FUN1D(hK, w, o, &s.KRW(1, rr), krw, s.NRWO(rr));
    }
    const double kp = krw * s.SP(n) / (s.SW(n) + s.SP(n) + s.TINY);
    s.RMOB(JPOL, KBASE, n) = kp / mupe;
    s.RMOBB(JPOL, KBASE, n) = s.RMOB(JPOL, KBASE, n) / s.BWB(n);
    if (s.ISAT(n) == 1) {
      s.BOB(n) = pvtValue(s, atP, PvtCol::BO);
      s.RS(n) = pvtValue(s, atP, PvtCol::RS);
      s.RSTOT(n) = s.SG(n) * s.BOB(n) / (s.SO(n) * s.BGB(n) + 1.0E-6) + s.RS(n);
      const PvtAt atR = pvtAtRs(s, pr, s.RSTOT(n), hR);
      s.PBUBL(n) = pvtValue(s, atR, PvtRsCol::PRES);
      s.BOBUB(n) = pvtValue(s, atR, PvtRsCol::BO);
    } else {
      const PvtAt atR = pvtAtRs(s, pr, s.RS(n), hR);
      s.PBUBL(n) = pvtValue(s, atR, PvtRsCol::PRES);
      s.BOBUB(n) = pvtValue(s, atR, PvtRsCol::BO);
      s.BOB(n) = s.BOBUB(n) / ((p - s.PBUBL(n)) * s.CO(pr) + 1.0);
      s.RSTOT(n) = s.RS(n);
    }
  }
}

void STORLV(State& s) {
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.PN(n) = s.P(n);
    s.SON(n) = s.SO(n);
    s.SWN(n) = s.SW(n);
    s.SGN(n) = s.SG(n);
    s.SPN(n) = s.SP(n);
    s.RSN(n) = s.RS(n);
    s.BWN(n) = s.BWB(n);
    s.BON(n) = s.BOB(n);
    s.BGN(n) = s.BGB(n);
    s.PHIN(n) = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF));
    s.CRP(n) = s.ADS(n);
    s.ISATN(n) = s.ISAT(n);
  }
}

void PVTRNG(State& s, bool start) {
  // Kinds (slots) 0 a pressure above the table's, 1 below it, 2 a solution
  // ratio above it; bit 1 << slot of IPVTWN once warned about.
  const bool oilOn = s.KEQO > 0;
  // Per region and kind: the block furthest outside, and its value.
  int worst[MXRGN][3] = {};
  double value[MXRGN][3] = {};
  double pmin[MXRGN], pmax[MXRGN], rsmax[MXRGN];
  const int nreg = std::clamp(s.NPVTRGN, 0, MXRGN);
  for (int r = 1; r <= nreg; ++r) {
    const int nr = std::clamp(s.NRPVT(r), 0, MXROW);
    pmin[r - 1] = pmax[r - 1] = nr > 0 ? s.PRES(1, r) : 0.0;
    rsmax[r - 1] = nr > 0 ? s.RST(1, r) : 0.0;
    for (int i = 2; i <= nr; ++i) {
      pmin[r - 1] = std::min(pmin[r - 1], s.PRES(i, r));
      pmax[r - 1] = std::max(pmax[r - 1], s.PRES(i, r));
      rsmax[r - 1] = std::max(rsmax[r - 1], s.RST(i, r));
    }
  }
  bool any = false;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int r = s.NPVTGN(n);
    // A table of one row gives the same properties at every pressure by
    // design: nothing lies outside it.
    if (r < 1 || r > nreg || s.NRPVT(r) < 1 || s.ONEPVT(r) != 0) continue;
    const int done = s.IPVTWN(r);
    // Before the first step the state is the old level.
    const double p = start ? s.PN(n) : s.P(n);
    const double rs = start ? s.RSN(n) : s.RS(n);
    const bool under = oilOn && (start ? s.ISATN(n) : s.ISAT(n)) == 0;
    auto mark = [&](int slot, double v, bool further) {
      if ((done & (1 << slot)) != 0) return;
      if (worst[r - 1][slot] == 0 || further) {
        worst[r - 1][slot] = n;
        value[r - 1][slot] = v;
      }
      any = true;
    };
    if (p > pmax[r - 1]) mark(0, p, p > value[r - 1][0]);
    if (p < pmin[r - 1]) mark(1, p, p < value[r - 1][1]);
    if (under && rs > rsmax[r - 1]) mark(2, rs, rs > value[r - 1][2]);
  }
  if (!any) return;
  const std::string when = start ? (s.ISTEP > 0 ? "at the start of this run (the image of step " +
                                                      std::to_string(s.ISTEP) + ")"
                                                : std::string("in the initial state"))
                                 : "at step " + std::to_string(s.ISTEP) + " (time " + msgNum(s.TIMUSE) + ")";
  for (int r = 1; r <= nreg; ++r) {
    for (int slot = 0; slot < 3; ++slot) {
      const int n = worst[r - 1][slot];
      if (n == 0) continue;
      const std::string blk = "block (" + std::to_string(s.IJK(1, n)) + "," + std::to_string(s.IJK(2, n)) + "," +
                              std::to_string(s.IJK(3, n)) + ")";
      // A restart runs with the tables of its image: the deck's are not read.
      const std::string table = "the PVT table of PVT region " + std::to_string(r) +
                                (s.LINPVT(r) > 0 ? "" : " of the restart-up image");
      std::string text;
      if (slot == 0) {
        text = when + " the oil pressure of " + blk + " is " + msgNum(value[r - 1][0]) +
               ", above the highest pressure of " + table + " (" + msgNum(pmax[r - 1]) +
               "): the table's properties at that pressure are held beyond it, so the formation volume factors, "
               "the viscosities and the solution gas-oil ratio stop changing with pressure; extend the table to the "
               "pressures the run reaches";
      } else if (slot == 1) {
        text = when + " the oil pressure of " + blk + " is " + msgNum(value[r - 1][1]) +
               ", below the lowest pressure of " + table + " (" + msgNum(pmin[r - 1]) +
               "): the table's properties at that pressure are held below it; extend the table to the pressures "
               "the run reaches";
      } else {
        text = when + " the solution gas-oil ratio of the undersaturated oil of " + blk + " is " +
               msgNum(value[r - 1][2]) + ", above the largest RS of " + table + " (" + msgNum(rsmax[r - 1]) +
               "): its bubble point and saturated oil properties are held at that row's, and the oil may never "
               "free its gas; extend the table to that solution ratio";
      }
      // Each kind is warned about once per region, and every such line is
      // shown: the count of repeated warnings of the item, which would show
      // only the first few regions of one step, starts afresh after each.
      deckWarning(s.RUNFILE[0], s.LINPVT(r), "DATA 40C", slot == 2 ? "RS" : "PRES", text);
      flushDeckWarnings();
      s.IPVTWN(r) |= 1 << slot;
    }
  }
}

void STEPAC(State& s) {
  PROPRF(s);
  RATCOR(s);
  CASCDE(s);
  MATBAL(s);
  PVTRNG(s, false);
  PRINT2(s, s.LINTOT, s.IROKM);
  RESSTP(s);
  RESLIS(s);
  WELDLS(s);
  STORLV(s);
  TSTEP(s);
  GROWLM(s);
  STPMSG(s);
}

void STPMSG(State& s) {
  // The message has its own frequency: forced report steps (a period's or
  // the run's end) set its flag too, but with NWRITE = 0 it is never written.
  if (s.NWRITE >= 1 && s.KSTWRT == s.ISTEP) {
    // With --quiet the listing keeps its line and the console gets none.
    for (int unit : {static_cast<int>(s.ICONOUT), static_cast<int>(s.IOUT)})
      if (!(s.OPTS.QUIET && unit == s.ICONOUT))
        Line(s.units, unit).X(1).A("STEP NO:").I(s.ISTEP, 4).X(2).A("HAS BEEN COMPLETED").end();
    // The restart-up file follows the run: the image of this step, written
    // while the next steps are computed (at most one a second).
    RSTMSG(s);
  }
  if (!s.OPTS.QUIET) FreeLine(s.units, s.ICONOUT).text("  ").end();
}

bool PASEND(State& s, bool converged) {
  if (converged) return true;
  // Not finite at the smallest step: never accepted; the pass counts as
  // failed with the step left at the floor.
  if (s.NONFIN != 0 && s.DTIME <= s.DTFLOOR) return false;
  const bool atFloor = CUTSTP(s);
  return atFloor && s.NONFIN == 0;
}

PassOutcome PASDEC(State& s, bool converged) {
  if (PASEND(s, converged)) return PassOutcome::Accept;
  if (s.NPASS >= kMaxPass) {
    TRMMSG(s);
    s.ITERM = 1;
    return PassOutcome::Terminate;
  }
  return PassOutcome::Retry;
}

bool ONESTP(State& s) {
  s.NPASS = 0;
  s.ITER = 0;
  for (int pass = 1; pass <= kMaxPass; ++pass) {
    ++s.NPASS;
    // A shortened step is never a report step.
    if (s.NPASS >= 2) s.KSTRES = s.KSTWEL = s.KSTARY = s.KSTWRT = s.KSTANY = 0;
    PASSST(s);
    MUPOLY(s);
    s.LINIT = 0;
    s.LINTOT = 0;
    STARTV(s);
    if (s.ISTEP == 1) {
      if (s.NPASS == 1) DTFRST(s);
      s.TIMUSE = s.DTIME;
      s.DTOLD = s.DTIME;
      // The flags were set for the step the schedule gave; the first-step
      // choice may have shortened it.
      if (s.NPASS == 1) FSTFLG(s);
    }
    const bool converged = NEWTON(s);
    switch (PASDEC(s, converged)) {
      case PassOutcome::Accept:
        if (!converged) UNCNVG(s);
        STEPAC(s);
        return true;
      case PassOutcome::Terminate:
        return false;
      case PassOutcome::Retry:
        break;
    }
  }
  return false;
}

void UNCNVG(State& s) {
  if (s.NUNCNV++ > 0) return;
  s.IUNCN1 = s.ISTEP;
  s.TUNCN1 = s.TIMUSE;
  runWarning(s.RUNFILE[0], "step " + std::to_string(s.ISTEP) + " (time " + msgNum(s.TIMUSE) +
                               ") was accepted without converging: Newton did not reach its tolerance in " +
                               std::to_string(s.MAXIT) + " iterations, and its step (" + msgNum(s.DTIME) +
                               ") is too short to be cut again, so the run goes on from this state; its values and "
                               "balances may be wrong (see the iteration lines and the material balances of the "
                               "listing)");
}

void UNCSUM(const State& s) {
  if (s.NUNCNV < 2) return;
  runWarning(s.RUNFILE[0], std::to_string(s.NUNCNV) + " steps were accepted without converging, the first at step " +
                               std::to_string(s.IUNCN1) + " (time " + msgNum(s.TUNCN1) + ")");
}

void KEEPLV(State& s) {
  s.TIMACC = s.TIMUSE;
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.FLOWWK(n) = s.FLOWW(n);
    s.FLOWOK(n) = s.FLOWO(n);
    s.FLOWPK(n) = s.FLOWP(n);
    s.FLOWGK(n) = s.FLOWG(n);
    s.QPMINK(n) = s.QPMINJ(n);
    s.QPMPRK(n) = s.QPMPRD(n);
    s.PSANDK(n) = s.PSAND(n);
    s.IWCK(n) = s.IWC(n);
  }
}

void LASTLV(State& s) {
  s.TIMUSE = s.TIMACC;
  for (int n = 1; n <= s.NGPACT; ++n) {
    s.P(n) = s.PN(n);
    s.SO(n) = s.SON(n);
    s.SW(n) = s.SWN(n);
    s.SG(n) = s.SGN(n);
    s.SP(n) = s.SPN(n);
    s.SA(n) = s.SW(n) + s.SP(n);
    s.RS(n) = s.RSN(n);
    s.ISAT(n) = s.ISATN(n);
    s.FLOWW(n) = s.FLOWWK(n);
    s.FLOWO(n) = s.FLOWOK(n);
    s.FLOWP(n) = s.FLOWPK(n);
    s.FLOWG(n) = s.FLOWGK(n);
    s.QPMINJ(n) = s.QPMINK(n);
    s.QPMPRD(n) = s.QPMPRK(n);
    s.PSAND(n) = s.PSANDK(n);
    s.IWC(n) = s.IWCK(n);
  }
  // The volume factors, bubble points and solution ratios of that level.
  PROPRF(s);
}

void STEPLP(State& s) {
  // Preparation.
  s.DTFLOOR = 0.005;
  if (s.TMSTOP > s.TMTOTAL) s.TMSTOP = s.TMTOTAL;
  s.NGROW1 = 2;
  s.NGROW2 = 3 * s.NGROW1;
  s.NSINCE = s.NGROW2;
  s.ITERM = 0;
  // A schedule that cannot be run stops here, before the first step.
  SCHCHK(s);
  PVTRNG(s, true);
  const int npass = 1000001 - s.ISTEP0;
  for (int c = 0; c < npass; ++c) {
    // The halting time is reached (a time past it also ends the loop).
    if (s.TIMUSE - s.TMSTOP >= -0.001) {
      if (c == 0)
        runWarning(s.RUNFILE[0], "no time step was run: the halting time TMSTOP = " + msgNum(s.TMSTOP) +
                                     " is not more than 0.001 beyond the time the run starts at (" +
                                     msgNum(s.TIMUSE) + ")");
      break;
    }
    if (s.OPTS.MAXSTP > 0 && c >= s.OPTS.MAXSTP) break;
    KEEPLV(s);
    ++s.ISTEP;
    OUTFLG(s);
    SCHTIM(s);
    GRADNT(s);
    if (!ONESTP(s)) {
      LASTLV(s);
      break;
    }
  }
}

}  // namespace talvek
