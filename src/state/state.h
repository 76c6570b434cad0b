// The program-wide simulation state.
//
// One State object lives on the heap for the whole run. Its members carry the
// system's names; arrays are 1-based FArrays with the first index fastest.
// The shared core is declared here; each subsystem adds what only it uses in
// its own <subsystem>_state.h, and State inherits all of them, so every
// routine reaches every item as s.NAME.
//
// Grid-block arrays (index L = 1..NCELL) are sized MXCELL; active-block
// arrays (index n = 1..NGPACT) are sized MXBLK.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "grid/grid_state.h"
#include "init/init_state.h"
#include "input/input_state.h"
#include "io/units.h"
#include "physics/physics_state.h"
#include "report/report_state.h"
#include "report/results_state.h"
#include "state/limits.h"
#include "run/run_state.h"
#include "solver/solver_state.h"
#include "state/farray.h"

namespace talvek {

using Text80 = FText<80>;

// An oil saturation at or below this is no oil (the size below which a
// saturation is not tested for convergence). With the oil and gas equations
// on, a block without oil is kept saturated, its unknown the oil saturation:
// the oil and gas accumulations change with the solution ratio only in
// proportion to the oil, so without oil the ratio cannot be solved for.
inline constexpr double SONONE = 1.0E-6;

template <int... D>
using RA = FArray<double, D...>;
template <int... D>
using IA = FArray<int, D...>;

struct CoreState {
  // ---- units and files ---------------------------------------------------
  static constexpr int IN = 1, IOUT = 2, IRST1 = 3, IRST2 = 4, ICONIN = 5, ICONOUT = 6,
                       IRESL = 9, IWELL = 10, IRESM = 11, IROKM = 12, IWELD = 13, IPVTL = 14,
                       IKRPL = 15;
  // The result tables asked for on the command line (results.csv, wells.csv).
  static constexpr int ICSVR = 7, ICSVW = 8;
  Units units;
  Text80 FINPUT, FOUTPUT, FRST1, FRST2;

  // ---- constants held in the state ----------------------------------------
  double DTFLOOR = 0.005;
  double SGMIN = -1.0E-11;
  double TINY = 1.0E-51;
  double ONE = 1.0;
  double DELRS2 = 0.0;
  double DRSREF = 3000.0;
  double DPREF = 15000.0;
  double EPSP = 0.1;
  double EPSS = 0.001;
  double EPSRS = 1.0;

  // ---- run-control values of the deck (groups 1 to 10) -------------------
  Text80 TITLE;
  int IPRTDAT = 0, IRSTRT = 0;
  double TMTOTAL = 0, TMSTOP = 0, DELT = 0;
  int MUNITIN = 1, MUNTOUT = 1, IQUAD = 0, NINTBLE = 0;
  double DTMAX = 0, DTMIN = 0, RERORP = 0, DELPO = 0, DELRS = 0, DELSAT = 0;
  int MATBAK = 1;
  int IPRINT = 0, IPRST1 = 0, IPRST2 = 0, INOUTP = 0;
  int NFRRES = 0, NFRWEL = 0, NFRARY = 0, NWRITE = 0;
  IA<12> IPRNT;  // PRNTSW, PRNTSO, PRNTSG, PRNTSP, PRNTSA, PRNTRS, PRNTPB, PRNTP,
                 // PRNTCP, PRNTADS, PRNTADMX, PRNTWC
  int KEQW = 1, KEQO = 1, KEQG = 0, KEQP = 0;
  double DEPTH1 = 0, SINX = 0, SINY = 0;
  int IDAQFR = 1;  // internal code: 1 none, 2 pot, 3 steady, 4 unsteady
  double AQFH = 0, AQKH = 0, AQRW = 0, AQRE = 0, ANGLE = 0, AQCWE = 0, AQMUW = 0;
  int INIOPT = 0, ICASE = 0;
  double ZREF = 0, PZREF = 0, XREF5 = 0;
  int NX = 1, NY = 1, NZ = 1, METHOD = 1, NXYZORD = 2, NUSLVR = 0, NKRRGN = 1, NPVTRGN = 1;
  double RADW = 0, RADE = 0;
  int IRADIAL = 0;  // 1 when the deck's NY was 0 (r-z grid)
  double CPHI = 0, PREF = 0, DENR = 0;
  double OMEGAMIX = 2.0 / 3.0;

  // ---- equations and unknowns -------------------------------------------
  int NEQN = 2, NUKN = 2;
  int IQW = 1, IQO = 2, IQG = 3, IQP = 4;
  int ISW = 1, ISO = 2, IPO = 2, ISP = 4;

  // ---- unit constants and output factors -----------------------------------
  double C1 = 1, C2 = 1, C3 = 1, C4 = 1;
  RA<12> UFAC;

  // ---- grid and numbering ----------------------------------------------------
  int NCELL = 1, NGPACT = 0;
  int N1 = 1, N2 = 1, N3 = 1;
  IA<3> IAXIS, MSLOT;
  IA<MXDIR, MXDIR, MXDIR> IJKORD, LBLOCK;
  IA<3, MXCELL> ICOORD;
  IA<MXCELL> IACTIVE, IORD;
  IA<MXBLK> IBLK, IAORD;
  IA<MXSLOT, MXBLK> NBR;
  IA<3, MXBLK> IJK;
  IA<MXBLK> NCONN, NNB;
  IA<MXSLOT, MXBLK> ICSLOT, NBN, NBS;
  int NRED = 0, K7 = 0, NNMAX = 0;
  IA<MXBLK> IBLIST, IDX4, NRCON;

  // ---- block arrays of the deck (groups 11 to 37) ----------------------------
  IA<MXBLK> NKRGN, NPVTGN, INFBLK;
  RA<MXCELL> DX, DY, DZ;
  RA<MXBLK> DEPTH, KX, KY, KZ, PHI, BBLKWT, RNTG, RBVOL, RPORO, RGFX, RGFY, RGFZ;

  // ---- geometry ---------------------------------------------------------------
  RA<MXBLK> VB, HNET, ZC, PHIH, KH, KPHI;

  // ---- primary block state, two time levels ----------------------------------
  RA<MXBLK> P, PN, SO, SON, SW, SWN, SG, SGN, SP, SPN, RS, RSN, SA, PBUBL;
  IA<MXBLK> ISAT, ISATN;

  // ---- block properties -----------------------------------------------------
  RA<MXBLK> PHIN, BWB, BOB, BGB, BWN, BON, BGN, MUPB, RFB, RRFB, EPSX2, STOIP, SFIXED;

  // ---- concentrations -------------------------------------------------------
  RA<MXBLK> CONCP, CPMF, CONCT, CTMF, CPMFO, CTMFO, ADS, CRP, CRPMAX;

  // ---- phase gradients --------------------------------------------------------
  RA<MXBLK> GRADWB, GRADOB, GRADGB;
  RA<MXSLOT, MXBLK> GRAVW, GRAVO, GRAVG;

  // ---- Newton and step-size arrays --------------------------------------------
  RA<MXEQ, MXEQ, MXSLOT, MXBLK> VBB;
  RA<MXEQ, MXBLK> RHS, ACCR, RHSFLW, DSATCON, DXEST;
  RA<MXVEC> DELX;
  RA<MXEQ, MXEQ, MXBLK> DACC;
  RA<MXBLK> SATCON;
  RA<MXEQ> DXMAX, DXREF;

  // ---- wells (per active block) -------------------------------------------------
  IA<MXBLK> IWNUM, IWOPC, IPFORC, IWC;
  RA<MXBLK> GW, BHP, QSP, CONCPI, CONCTI, CPMFI, CTMFI, PSAND;
  RA<MXBLK> FLOWW, FLOWO, FLOWP, FLOWG;
  RA<MXEQ, MXBLK> DFLOWW, DFLOWO, DFLOWP, DFLOWG;  // d rate / d unknown k
  // Well lists: active blocks whose IACTIVE code is -2, -1, 0, in block order.
  IA<MXBLK> LWELM2, LWELM1, LWEL0;
  int NWELM2 = 0, NWELM1 = 0, NWEL0 = 0;

  // ---- material balance --------------------------------------------------------
  RA<MXBLK> WIP, GIP, PSIP, PMIP, OIPH, QPMINJ, QPMPRD;
  RA<6, MXBLK> CUMPB, CUMIB;
  RA<6> CUMINJ, CUMPRD;
  RA<6> CUMAQ;  // aquifer exchange by component (oil, water, gas, polymer sol., polymer mass)
  double CUMAQR = 0;
  RA<6> CUMNET;
  double INOIL = 0, INWATER = 0, INGAS = 0, INPOLY = 0, INPMAS = 0;
  double PAVG = 0;

  // ---- schedule -------------------------------------------------------------------
  int NNOW = 0;
  IA<MXNOW> IRITE1, NWLINE;
  IA<MXNOW> NOWDLN;  // deck line of each record's "NOW" line (0: not read from a deck)
  RA<MXNOW> DELT1, SIMNEW, QOECONT, WORMAXT, GORMAXT;
  // Well lines of all records: IWT, IW, JW, KW, IWOPC, IWC (well number), the active
  // number of the well block; and GW, BHP, QSP, CONCPI, CONCTI.
  IA<7, MXWLIN> IWLINE;
  RA<5, MXWLIN> RWLINE;
  int NOWSTP = 0, NWTLIN = 0, IRITEC = 0;
  double SIMTME = 0, QOECON = 0, WORMAX = 0, GORMAX = 0;

  // ---- regions and tables ---------------------------------------------------------
  // Rock tables (row, region).
  RA<MXROW, MXRGN> SWT, KRW, KROW, PCOW, PCOWI, SLT, KRG, KROG, PCGO, PCGOI;
  IA<MXRGN> NRWO, NRGO, ONEWO, ONEGO;
  RA<MXRGN> SWCR, KROCW, SORW, SGCR, SORG;
  // PVT tables (row, region); PVT-region constants.
  RA<MXROW, MXRGN> PRES, RST, BW, BO, BG, MUW, MUO, MUG;
  IA<MXRGN> NRPVT, ONEPVT;
  RA<MXRGN> GAMAW, GAMAG, OILAPI, CO, CMUO, GRADO, GRADW, GRADG, DENWS;
  // Polymer tables.
  RA<MXROW> CPPPM, MUP, CRPT, RF, RRF;
  int NRPOL = 0, ONEPOL = 0, NRRET = 0, ONERET = 0;

  // ---- run-time counters and step values --------------------------------------------
  int ISTEP = 0, ISTEP0 = 1, NPASS = 1, ITERK = 0, ITER = 0, TOTITER = 0, LINIT = 0,
      LINTOT = 0, MAXIT = 15;
  double TIMUSE = 0, DTIME = 0, DTOLD = 0;
  int NSINCE = 0;
  int KSTRES = 0, KSTWEL = 0, KSTARY = 0, KSTWRT = 0, KSTANY = 0;
  double TOLREL = 0;
  double CPU0 = 0, CPU1 = 0, CPU2 = 0;
};

struct State : CoreState,
               InputState,
               GridState,
               InitState,
               PhysicsState,
               SolverState,
               ReportState,
               ResultsState,
               RunState {
  // Zero-filled memory straight from the system: every array of the state
  // starts as zeros without being cleared page by page, and pages a run
  // never uses are never touched.
  static void* operator new(std::size_t bytes);
  static void operator delete(void* p) noexcept;

  // Mobility product of side slot sl of block n for phase f in property
  // state e: the side's geometric factor times the mobility over the
  // formation volume factor.
  double TRAN(int sl, int f, int e, int n) const { return GF(sl, n) * RMOBB(f, e, n); }
};

// Whether an injection well of operating option `iwopc` (1 oil, 2 water,
// 3 gas, 4 polymer solution) injects: only a fluid whose equation is solved
// can be, since no other equation would take the rate (and the reports and
// the tracer would see fluid that is not there).
inline bool injectable(const State& s, int iwopc) {
  switch (iwopc) {
    case 1:
      return s.KEQO >= 1;
    case 2:
      return s.KEQW >= 1;
    case 3:
      return s.KEQG >= 1;
    case 4:
      return s.KEQP >= 1;
    default:
      return false;
  }
}

// The deck file's name for messages ("(deck)" before the deck is named).
inline std::string deckName(const State& s) {
  const std::size_t n = s.FINPUT.trimmed();
  return n ? std::string(s.FINPUT.c.data(), n) : std::string("(deck)");
}

// The state is tens of megabytes: it always lives on the heap.
// Default-initialised in zero-filled memory (State::operator new): the
// arrays hold zeros, the other items their initial values.
inline std::unique_ptr<State> makeState() { return std::unique_ptr<State>(new State); }

}  // namespace talvek
