// Block numbering, neighbour tables and connection lists.
//
// Grid blocks carry a grid number L (natural order along the ordered
// directions, or the two-colour order of METHOD 4); active blocks carry an
// active number n = 1..NGPACT. Everything in the Newton system is indexed by n.
#pragma once

namespace talvek {

struct State;

// Ordered directions from NXYZORD (N1..N3, IAXIS, MSLOT), grid numbers,
// IJKORD, LBLOCK, ICOORD, NCELL and the grid-number neighbour table NBRG.
// Called once the grid group is read, before the activity array.
void BORDER(State& s);

// Active numbering from IACTIVE: IORD, IBLK, NGPACT, IAORD and NBR in active
// numbers. Throws RunError, before anything is written, when the grid holds
// more active blocks than the tables do; the message says what is wrong, and
// the deck reader puts the deck, the line, the group and the item in front.
void ACTNUM(State& s);

// Connection lists NCONN/ICSLOT and NNB/NBN/NBS, each in ascending order of
// the neighbour's active number.
void CONLST(State& s);

// Reverses the table T(1..N) so that a descending key table becomes
// ascending. ISW = -1: ISW becomes 0, or 1 when T(1) > T(N) (the table is then
// reversed); ISW = 1: the table is reversed; any other value: nothing.
void ORDER(double* T, int N, int& ISW);

}  // namespace talvek
