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

// Directions kept for the orthogonalization of the iterative solvers, at most.
inline constexpr int MXNORT = 40;

// Column blocks of one row of the reduced (second-colour) system: the block
// itself, its six distance-two neighbours along the axes and its twelve
// diagonal neighbours.
inline constexpr int MXRCOL = 19;

// Blocks of the nested factorization packed per active block (NFAC).
inline constexpr int NFPOS = 7;

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

  // ---- iterative solvers (methods 2 and 3) ------------------------------------------
  // Directions kept for orthogonalization (1..MXNORT) and iterations at most.
  int NORTH = 10, LINMAX = 40;
  // Block vectors of the iteration, entry (equation, active block): the
  // iterate, the preconditioned residual, the forward-sweep result and the
  // product of the matrix with the preconditioned residual. The residual is
  // kept in RHS.
  FArray<double, MXEQ, MXBLK> XIT, ZPRE, YFWD, AZ;
  // Stored directions and their products with the matrix; the direction of
  // an iteration is built in its own slot.
  FArray<double, MXEQ, MXBLK, MXNORT> PSTORE, QSTORE;
  // The Newton matrix packed for the products of the iteration: the
  // NCONN(n) connection blocks of active block n, each NEQN x NEQN with the
  // first index fastest, one after another from entry MXSLOT * NEQN**2 * (n-1)
  // on, and the offset of each connection's block in a block vector.
  FArray<double, MXEQ * MXEQ * MXSLOT, MXBLK> AMAT;
  FArray<int, MXSLOT, MXBLK> AOFF;
  // Breakdown of the last iterative solve: the active block whose pivot
  // block could not be inverted (NBADKD = 1) or where the iterate or the
  // residual stopped being finite (NBADKD = 2); 0 when the solve went through.
  int NBADBK = 0, NBADKD = 0;

  // Block incomplete LU (method 2): the thirteen-position pattern, the
  // lower and upper factor blocks and the inverted pivots.
  FArray<int, 6, MXBLK> LBI, UBI;
  FArray<double, MXEQ, MXEQ, 6, MXBLK> FL, FU;
  FArray<double, MXEQ, MXEQ, MXBLK> PINV;
  // What the preconditioner solve reads of active block n, packed into one
  // run of 13 * NEQN**2 entries from 13 * NEQN**2 * (n - 1) on, each block
  // NEQN x NEQN with the first index fastest: FL(1..6), PINV, FU(1..6)
  // (the FL and FU blocks only where LBI, UBI name a block).
  FArray<double, MXEQ * MXEQ * 13, MXBLK> FPAK;

  // Nested factorization (method 3): planes, lines and blocks in ordered
  // indices. KLIST(1..NKT) the planes with an active block; NJ(1..NJK(k), k)
  // the lines of plane k with an active block; NSIJ(1..NI(j,k), j, k) the
  // active blocks of line (j, k) in ascending i.
  int NKT = 0;
  FArray<int, MXDIR> KLIST, NJK;
  FArray<int, MXDIR, MXDIR> NJ, NI;
  FArray<int, MXDIR, MXDIR, MXDIR> NSIJ;
  // Inverted pivots, and the row-sum corrections handed on by the previous
  // line and the previous plane (zero where there is none). The solves read
  // the pivots and GINV * Ux packed in NFAC.
  FArray<double, MXEQ, MXEQ, MXBLK> GINV, CORY, CORZ;
  // What the solves read of active block n, packed into one run of
  // NFPOS * NEQN**2 entries from NFPOS * NEQN**2 * (n - 1) on, each block
  // NEQN x NEQN with the first index fastest: the coupling to the previous
  // block along ordered direction 1, GINV, GINV * Ux, and the couplings to
  // the previous and next lines and planes (each kept only where that
  // neighbour is there).
  FArray<double, MXEQ * MXEQ * NFPOS, MXBLK> NFAC;
  // Scratch of the factorization (block columns) and of the solves (vectors).
  FArray<double, MXEQ, MXEQ, MXBLK> VCOL, WCOL;
  FArray<double, MXEQ, MXBLK> QW, ZT;

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
