// The readers of the block-array groups of the deck (groups 11 to 37).
//
// An array is given either whole (ICODE = 0: NCELL values, I fastest, then
// J, then K) or as region lines over a default (ICODE != 0: lines
// I1 I2 J1 J2 K1 K2 V, applied in deck order, ended by a line whose six
// indices add up to 0). `igroup` selects the group label, the names of the
// warnings and the value range.
//
//   IRIRED  integer, indexed by grid number,   region default 1
//   IRYRED  integer, indexed by active number, region default 0
//   ARIRED  real,    indexed by grid number,   region default 0.0
//   ARYRED  real,    indexed by active number, region default `dflt`
//
// The active-number readers assemble the array over all grid cells first and
// then keep the values of the active blocks (the reals plus 1.0E-51).
// A region line whose (non-empty) box reaches outside the grid stops the run
// with a DeckError naming the deck line, the group and the index.
#pragma once

#include "io/deck.h"
#include "state/state.h"

namespace talvek {

void IRIRED(State& s, DeckReader& deck, IA<MXCELL>& ia, int icode, int igroup);
void IRYRED(State& s, DeckReader& deck, IA<MXBLK>& ia, int icode, int igroup);
void ARIRED(State& s, DeckReader& deck, RA<MXCELL>& a, int icode, int igroup);
void ARYRED(State& s, DeckReader& deck, RA<MXBLK>& a, double dflt, int icode, int igroup);

}  // namespace talvek
