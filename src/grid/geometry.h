// Block geometry of a Cartesian grid, and the rock modifiers applied after it.
#pragma once

namespace talvek {

struct State;

// Depths: the top depth DEPTH(n) of every active block (built from DEPTH1 and
// the dip sines SINX, SINY, or kept from the deck when DEPTH1 < -100000), the
// block-centre depth ZC(n) and the net thickness DZNET(L). Stops with a
// RunError when SINX**2 + SINY**2 > 1.
void ZELVAT(State& s);

// Bulk volumes VB(n) and geometric factors GF(s, n) of a Cartesian grid.
void GLKFAC(State& s);

// Active-block copies after the geometry: IJK(1..3, n), the width lists
// WIDX/WIDY/WIDZ of the listing files, HNET(n), the bulk-volume and porosity
// modifiers (porosity capped at 1), PHIH, KH and KPHI.
void ACTCPY(State& s);

}  // namespace talvek
