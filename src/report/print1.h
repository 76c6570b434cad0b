// The initial report and the array printers.
//
// PRINT1 echoes the accepted run data in the input unit system and prints
// the initial block arrays as maps. The five array printers lay one block
// array out as a map, layer by layer (top layer first), ten columns to a
// page; the time-step report uses them too. Everything goes to IOUT.
#pragma once

#include <string_view>

#include "state/state.h"

namespace talvek {

// Unit-description texts, by kind and unit system (1 field, 2 SI,
// 3 laboratory). Throws RunError naming `name` (the deck item that chose the
// system) for a unit system outside 1..3.
inline constexpr int UTOUT = 1, UTIN = 2, UTBASE = 3, UTVOL = 4, UTADS = 5, UTRATE = 6,
                     UTRATIO = 7;
std::string_view UNITXT(int kind, int system, const char* name = "the unit system");

// Column groups of ten along x, y and z and for the nine print switches.
// Throws RunError when NX, NY or NZ is outside 1..40.
void COLGRP(State& s);
// Print set-up of a new run: the column groups, and the work arrays at their
// empty values (0 for the map printers, RPAD for the listing-file writer).
void RPTSET(State& s);

// The array printers. Active-indexed arrays are read as a[n - 1] (with
// `stride`, a[(n - 1) * stride]) for n = 1..NGPACT; grid-indexed ones as
// a[L - 1] for L = 1..NCELL. Inactive blocks print 0 in the active-indexed
// printers.
void IRYPRT(State& s, const int* a);                              // I6 map
void IORPRT(State& s, const int* a);                              // I6 map, wider spacing
void ARIPRT(State& s, const double* a, double f);                 // grid-indexed, E12.4
void ARYPRT(State& s, const double* a, double f, int stride = 1);  // E12.4
void SATPRT(State& s, const double* a, int stride = 1);            // F12.5

// The title of a map: `nempty` empty lines, 1X title, 1X and `nunder` "_"
// signs, one empty line.
void MAPTTL(State& s, int nempty, std::string_view title, int nunder);
// One record 1X A80 of a unit-description text (blank-padded to 80).
void UNITLN(State& s, int kind, int system, const char* name);

// The initial report.
void PRINT1(State& s);

}  // namespace talvek
