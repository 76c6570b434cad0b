// State owned by the solver subsystem beyond the shared core of state/state.h.
// Members added here become members of State (State inherits this struct).
//
// The numbering tables (IJKORD, LBLOCK, ICOORD, IORD, IBLK, NBR, the
// connection lists, K7, IBLIST, IDX4, NRCON, NRED, NNMAX) are core members;
// what only the solvers use lives here.
#pragma once

#include <cstring>

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

// Column blocks of one row of the reduced (second-colour) system: the block
// itself, its six distance-two neighbours along the axes and its twelve
// diagonal neighbours.
inline constexpr int MXRCOL = 19;

struct SolverState {
  // ---- grid-number neighbour table -------------------------------------------
  // NBRG(slot, L): grid number of the neighbour of grid block L in each slot,
  // 0 outside the grid; NBRG(4, L) = L. Laid out before the activity array is
  // read; the active numbering compacts it into NBR.
  FArray<int, MXSLOT, MXCELL> NBRG;
  // Number of grid blocks of the first colour of the two-colour numbering.
  int NREDG = 0;

  // ---- band store (both band solvers) -------------------------------------------
  int NBAND = 0;  // order of the band system, NEQN * K7
  FArray<double, MXBAND> ABAND;
  FArray<double, MXVEC> BBAND;
  // Variable band: block column extents and scalar row extents.
  FArray<int, MXBLK> LCOL, RCOL;
  FArray<int, MXVEC + 1> LBW, RBW;
  // Uniform band: running maximum of the column blocks, block and scalar
  // half-bandwidths, and the reach of each elimination step.
  FArray<int, MXBLK> RMAX;
  int MBLK = 0, MBW = 0;
  FArray<int, MXVEC + 1> IRBW;
  // Position of the diagonal of each scalar row in ABAND (derived from the
  // row extents by every fill).
  FArray<int, MXVEC + 1> IDIAG;

  // ---- two-colour (D4) reduction --------------------------------------------------
  // ICOLR(1..NRCON(b), b): column blocks of band block b, ascending.
  FArray<int, MXRCOL, MXBLK> ICOLR;
  // Inverses of the diagonal blocks of the first-colour blocks.
  FArray<double, MXEQ, MXEQ, MXBLK> DINV;
  // One NEQN x NUKN block per band block: the reduced row being built.
  FArray<double, MXEQ, MXEQ, MXBLK> ZROW;

  // ---- small dense solve ---------------------------------------------------------
  FArray<double, MXEQ, MXEQ> GMAT;
  FArray<double, MXEQ> GRHS, GSOL;

  // ---- method labels, indexed by METHOD -------------------------------------------
  FArray<FText<80>, 4> MTHLAB;

  SolverState() {
    static const char* const kLab[4] = {"S.S.-NAT=", "BLOKITR =", "NESTITR =", "S.S.-D4 ="};
    for (int m = 1; m <= 4; ++m) MTHLAB(m).set(kLab[m - 1], std::strlen(kLab[m - 1]));
  }
};

}  // namespace talvek
