// State owned by the report subsystem beyond the shared core of state/state.h.
// Members added here become members of State (State inherits this struct).
//
// The print layout of the array printers and the listing files (column
// groups of ten, work arrays over the grid blocks), the reservoir performance
// record of the last step, and the material-balance results of the last step
// that the time-step report prints (written by MATBAL).
#pragma once

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

// Pad values that fill the last record of a series of ten in the grid
// listing files.
inline constexpr double RPAD = -9999.9999;
inline constexpr int IPAD = -9999999;

// Largest number of column groups of ten along one direction (40 columns
// need 4; one spare).
inline constexpr int MXCGRP = 5;

// Columns of the reservoir performance record (index into RESPRF).
inline constexpr int RPTIME = 1, RPPAVG = 2, RPORF = 3, RPPVIP = 4, RPPVIA = 5, RPPVIG = 6,
                     RPQO = 7, RPQA = 8, RPQG = 9, RPCQO = 10, RPCQA = 11, RPCQG = 12,
                     RPAOR = 13, RPGOR = 14, RPPVI = 15;

struct ReportState {
  // ---- column groups of ten (built by COLGRP) ----------------------------------
  // Group g of a direction covers columns KGx(1, g) .. KGx(2, g); NGx groups.
  // The x groups serve the map pages of every array printer and the column
  // records of the grid listing files; y and z the series of the grid
  // description; S the nine print switches of GRAPR1.
  int NGX = 0, NGY = 0, NGZ = 0, NGS = 0;
  FArray<int, 2, MXCGRP> KGX, KGY, KGZ, KGS;
  // The grid sizes the groups were built for (a change rebuilds them).
  int NXGRP = 0, NYGRP = 0, NZGRP = 0;

  // ---- work arrays over the grid blocks ------------------------------------------
  // IPWRK: integer map printers; RPWRK: real map printers (0 at inactive
  // blocks); GPWRK: the block-array writer of the grid listing files
  // (RPAD at inactive blocks).
  FArray<int, MXCELL> IPWRK;
  FArray<double, MXCELL> RPWRK, GPWRK;

  // ---- reservoir performance record of the last step (PRINT2) ----------------------
  // TIME, PAVG, ORF, PVIP, PVIA, PVIG, qo, qa, qg, Qo, Qa, Qg, AOR, GOR, PVI
  // (indices RP*), in output units; the per-step writer of "res.lis" clips
  // the over-wide ratios in place before writing.
  FArray<double, 15> RESPRF;

  // ---- the seven listing files of the run -----------------------------------------------
  // They are written under provisional names and take their own names only
  // when the run ends (LISKEP), so that a run stopped early leaves those of
  // an earlier run in place. LISOPD(k) = 1 once file k of LISNAM is opened.
  FArray<int, 7> LISOPD;

  // ---- material-balance results of the last step ---------------------------------------
  // Written by MATBAL after every accepted step, read by PRINT2. Components
  // 1 oil, 2 water, 3 gas, 4 polymer solution, 5 polymer mass, 6 aqueous
  // (ratios only). Stock-tank rates, positive out of the reservoir.
  FArray<double, 6> QPRDT;   // production-well rates of the step
  FArray<double, 6> QINJT;   // injection-well rates of the step (negative)
  FArray<double, 6> QAQT;    // aquifer rates of the step
  double QAQR = 0;           // aquifer rate in reservoir volume
  FArray<double, 6> MBRINC;  // incremental balance ratio ("INC MB R"), 1..6
  FArray<double, 6> MBRCUM;  // cumulative balance ratio ("CUM MB R"), 1..6
  FArray<double, 6> MBAINC;  // incremental balance error ("INC MB A"), 1..5
  FArray<double, 6> MBACUM;  // cumulative balance error ("CUM MB A"), 1..5
  // Saturation extremes over the active blocks, in the order SO, SW, SG, SP,
  // SA, with the active block where each was found.
  FArray<double, 5> SMAX, SMIN;
  FArray<int, 5> NSMAX, NSMIN;
};

}  // namespace talvek
