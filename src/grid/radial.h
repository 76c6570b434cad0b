// Geometry of a single-well radial (r-z) grid.
#pragma once

namespace talvek {

struct State;

// Logarithmically spaced rings between RADW and RADE (ring i = the I index),
// bulk volumes VB(n), geometric factors GF of the r (slots 3, 5) and z
// (slots 1, 7) connections, DX(L) := node radius; prints the ring table to
// IOUT. Stops with a RunError when RADE <= RADW or RADW <= 0, or NX exceeds
// 40. A zero KX, KZ or net thickness gives a zero factor.
void RADIAL(State& s);

}  // namespace talvek
