// State owned by the grid subsystem beyond the shared core of state/state.h.
// Members added here become members of State (State inherits this struct).
//
// Geometry written by ZELVAT, GLKFAC / RADIAL and ACTCPY. Also in the core
// (state/state.h) and written here: DEPTH(n) (top-face depth), ZC(n) (depth of
// the block centre, the "elevation of the point representing the block"),
// VB(n) (bulk volume, reservoir volume unit), HNET(n), PHIH(n), KH(n),
// KPHI(n), IJK(1..3, n), and DX(L) on a radial grid (node radii).
#pragma once

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

struct GridState {
  // GF(s, n): geometric factor (constant part of the transmissibility) of the
  // connection of active block n with its neighbour in stencil slot s
  // (1 K-1, 2 J-1, 3 I-1, 4 the block itself (always 0), 5 I+1, 6 J+1, 7 K+1);
  // 0 where the neighbour is inactive or off the grid, or the face is sealed.
  // Symmetric: GF(s, n) = GF(8 - s, NBR(s, n)).
  FArray<double, MXSLOT, MXBLK> GF;
  // DZNET(L): net thickness DZ(L) * RNTG of grid block L (active blocks only).
  FArray<double, MXCELL> DZNET;
  // ETOP(L): top depth of grid block L built from DEPTH1 and the dips (work
  // array of ZELVAT; inactive blocks included).
  FArray<double, MXCELL> ETOP;

  // Width lists of the listing files: DX of blocks (i,1,1), DY of (1,j,1),
  // DZ of (1,1,k) (node radii in x on a radial grid). Set by ACTCPY.
  FArray<double, MXDIR> WIDX, WIDY, WIDZ;

  // Ring tables of a radial grid, ring i = 1..NX (set by RADIAL):
  // RNODE node radius r(i); RLIN, RLOUT the inner and outer flow boundaries
  // rl(i-1/2), rl(i+1/2); R2IN, R2OUT the squares of the inner and outer
  // volume boundaries; AREAR the plan area of the ring.
  FArray<double, MXDIR> RNODE, RLIN, RLOUT, R2IN, R2OUT, AREAR;
};

}  // namespace talvek
