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

// After ACTCPY: stops with a RunError when an active block has no bulk or no
// pore volume (a zero size or thickness, a net-to-gross ratio of zero, a
// modifier of -1 or less, a porosity of zero), naming the first such block
// (I,J,K), the arrays that give it none and how many more there are. Such a
// block has no storage: the Newton iteration crawls at the smallest step.
void CHKVOL(State& s);

}  // namespace talvek
