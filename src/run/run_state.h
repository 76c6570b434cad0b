// State owned by run control (driver, loop, Newton, step control, cascade,
// material balance, restart-up) beyond the shared core of state/state.h.
#pragma once

#include <string>

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

// The run-control values of the deck head, read by the driver's own pre-read
// of groups 2 to 5 and held back for a restart run (a new run reads them
// again through INPUT).
struct DeckHead {
  double TMTOTAL = 0, TMSTOP = 0, DELT = 0;
  int MUNTOUT = 1, IQUAD = 0, NINTBLE = 0;
  double DTMAX = 0, DTMIN = 0, RERORP = 0, DELPO = 0, DELRS = 0, DELSAT = 0;
  int MATBAK = 1;
  int IPRINT = 0, IPRST1 = 0, IPRST2 = 0;
  int NFRRES = 0, NFRWEL = 0, NFRARY = 0, NWRITE = 0;
  FArray<int, 12> IPRNT;
  // Deck lines of the items, for messages: DELT of group 2, and the eleven
  // items of group 3 in their order (MUNITIN to MATBAK).
  int LINDLT = 0;
  int LIN03[11] = {};
};

struct RunState {
  // The four file names of the answer, whole (the 80-character FINPUT ...
  // FRST2 of the core hold their first 80 characters).
  std::string RUNFILE[4];
  DeckHead HEAD;
  // The temporary file beside the restart-up file to write, into which each
  // image is written before it replaces that file (empty: no image is written).
  std::string RSTTMP;
  // The restart-up file to write is no regular file (a device such as
  // /dev/null, a pipe): the image is written straight into it, since
  // renaming a temporary file onto it would replace the device.
  int RSTDIR = 0;
  // The file the finished image is renamed onto (the target of a link).
  std::string RSTTARGET;

  // Newton iteration: convergence flag of CNVRGE (0 converged, 1 not) and the
  // marker of a correction that was not a finite number (the attempt fails).
  int NCONV = 0;
  int NONFIN = 0;
  // Growth limiter constants of the step-size control.
  int NGROW1 = 2, NGROW2 = 6;
  // 1 once a step has failed fifteen times: the run goes to its end.
  int ITERM = 0;
  // The last accepted level beyond the two-level unknowns, kept at the start
  // of every step (KEEPLV) so that a run ended by fifteen failed attempts
  // reports it rather than the failed attempt (LASTLV): its time, and the
  // well rates, bottom-hole pressures and condition codes of every block.
  double TIMACC = 0;
  FArray<double, MXBLK> FLOWWK, FLOWOK, FLOWPK, FLOWGK, QPMINK, QPMPRK, PSANDK;
  FArray<int, MXBLK> IWCK;

  // Aquifer-block list: the active blocks whose INFBLK is 1 to 7, in block
  // order, and the initial pressure PAQI of every listed block.
  int NAQBLK = 0;
  FArray<int, MXBLK> LAQBLK;
  FArray<double, MXBLK> PAQI;

  // Cumulative aquifer exchange of each aquifer block, reservoir volume
  // (MATBAL adds DTIME * QAQ every accepted step).
  FArray<double, MXBLK> WECUM;
  // Scratch of the cascade: water-phase pressure and cascade key of every
  // block, and the processing order.
  FArray<double, MXBLK> PWCAS, CASKEY;
  FArray<int, MXBLK> ICASOR;
  // Stock-tank volume of polymer solution the cascade of the step turned
  // into water (polymer solution left without polymer); the material balance
  // of the same step counts it as a transfer between the two components.
  double VCONV = 0;
  // Departures from the PVT tables already warned about in this run, per PVT
  // region: 1 a pressure above the table's, 2 below it, 4 a solution ratio
  // of undersaturated oil above the table's.
  FArray<int, MXRGN> IPVTWN;
  // Steps of this run accepted without converging (Newton used its
  // iterations at the smallest step a cut allows), and the first of them:
  // its step number and time.
  int NUNCNV = 0;
  int IUNCN1 = 0;
  double TUNCN1 = 0;
};

}  // namespace talvek
