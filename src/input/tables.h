// The rock, fluid and polymer tables of the deck (groups 38 to 44).
#pragma once

namespace talvek {

struct State;
class DeckReader;

// Reads groups 38 to 44 from the current position of the deck (right after
// group 37): per rock region the water-oil and gas-liquid tables, per PVT
// region the PVT table and its standard-condition line, the rock data, the
// polymer viscosity and retention tables. Checks the rows (warnings while the
// debugging facility is on), pads single-row tables to two rows, derives the
// end-point saturations and the stock-tank gravity terms, converts the rock
// density and adjusts the tables of the phases whose equation is off.
//
// Needs NKRRGN, NPVTRGN, MUNITIN, C1, IPRTDAT and the equation switches.
// Stops with DeckError when a region count lies outside 1..30, an active
// block names a region without tables, a table has more than 30 rows, a PVT
// table has no row, OILAPI gives no oil gravity (-131.5 or below), or
// MUNITIN is not 1, 2 or 3.
void READTB(State& s, DeckReader& deck);

}  // namespace talvek
