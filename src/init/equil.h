// Equilibrium initialisation by depth.
#pragma once

namespace talvek {

struct State;

// Replaces the initial old level (PN, SWN, SON, SGN, SPN, RSN) of every
// active block by a hydrostatic equilibrium from the reference depth ZREF,
// pressure PZREF and solution ratio XREF5, for the fluid system ICASE = 1..7:
// phase pressures integrated in depth, contacts and capillary transition
// zones located, and each block given the thickness-weighted average of the
// zones it spans. Any other ICASE changes nothing. Case 5 replaces XREF5 by
// the saturated solution ratio at PZREF.
void NEWINT(State& s);

}  // namespace talvek
