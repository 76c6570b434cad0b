// The deck reader.
//
// INPUT(s, deck, 0) reads groups 1 to 44 of the input deck with their checks
// and derived settings; INPUT(s, deck, KREAD != 0) reads the well schedule
// (group 45) from the current position of the deck. While IPRTDAT = 1 the
// checks run and the debugging facility writes its messages to the listing.
//
// A deck that runs out, holds a value that does not fit its item, or asks for
// more than the tables hold (grid size, regions, methods, unit systems,
// equispaced points, aquifer type) stops with a DeckError naming the deck
// file, the line, the group label and the item.
#pragma once

#include "io/deck.h"
#include "state/state.h"

namespace talvek {

void INPUT(State& s, DeckReader& deck, int KREAD);

// The two halves of the first pass, in deck order (INPUT(…, 0) calls them
// and then reads the tables of groups 38 to 44).
void readRunControl(State& s, DeckReader& deck);  // groups 1 to 10
void readArrayGroups(State& s, DeckReader& deck); // groups 11 to 37

// The order of equations and unknowns from the switches KEQW, KEQO, KEQG,
// KEQP: NEQN, NUKN, IQW.., ISW.. and the switches replaced by positions.
// Stops with RunError when no equation is switched on.
void equationOrder(State& s);

}  // namespace talvek
