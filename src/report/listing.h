// The listing files for plotting and post-processing.
//
// Grid files ("resmat.lis", "rokmat.lis"): every record is a leading field
// and exactly ten values; a series of n values takes ceil(n/10) records, the
// last one padded with RPAD (reals) or IPAD (integers). Inactive blocks
// appear as RPAD. Record files ("res.lis", "weld.lis", "well.lis",
// "pvt.lis", "krp.lis"): one line per record in fixed layouts.
//
// Every writer writes to a unit that the caller has opened.
#pragma once

#include <string>
#include <string_view>

#include "state/state.h"

namespace talvek {

// The seven listing files, in the current directory or in the output folder
// given on the command line.
inline constexpr int kListingFiles = 7;
inline constexpr const char* LISNAM[kListingFiles] = {"res.lis",    "weld.lis",   "well.lis",  "pvt.lis",
                                                      "krp.lis",    "resmat.lis", "rokmat.lis"};
// The provisional name a listing file is written under while the run goes on.
std::string LISTMP(std::string_view name);
// The path of file `name` in the run's output folder: `name` itself when no
// output folder was given.
std::string OUTPTH(const State& s, std::string_view name);
// Opens listing file `name` (one of LISNAM) on `unit`, for writing and
// reading back, under its provisional name.
void LISOPN(State& s, int unit, std::string_view name);
// End of a run: every listing file the run opened takes its own name,
// replacing the file of an earlier run. The files must be closed.
void LISKEP(State& s);
// A run stopped early: the provisional files are removed; the listing files
// of an earlier run stay as they were.
void LISDRP(State& s);

// Grid description: the x widths (leading field NX), the y widths (NY) and
// the layer thicknesses (NZ) of the first row, column and layer, times f.
void GRAPR0(State& s, double f, int unit);
// The nine first print switches, leading field `count`.
void GRAPR1(State& s, int count, int unit);
// Start of a time level: leading field t * f and ten pad values.
void GRAPR2(State& s, double t, double f, int unit);
// One active-indexed block array a[n - 1], times f, layer by layer from the
// top, rows from the last; with NX > 10 one column record at a time over all
// rows of a layer. Leading field: the row's y width in output length units.
void GRAPRT(State& s, const double* a, double f, int unit);
// One GRAPRT per print switch 1..9 that equals 1, in switch order: the old
// level SWN, SON, SGN, SPN, oil in place per unit area OIPH, RSN, the tracer
// concentration CONCT, PN, CONCP, with their output factors.
void ROKARR(State& s, int unit);

// The fluid tables of every PVT region to "pvt.lis" (unit IPVTL).
void PVTLIS(State& s);
// The relative-permeability tables of every rock region to "krp.lis" (IKRPL).
void KRPLIS(State& s);
// The reservoir description to "resmat.lis" (IRESM).
void RESMAT(State& s);
// The grid description and the initial arrays to "rokmat.lis" (IROKM).
void ROKMAT(State& s);

// Per accepted step, after PRINT2: one record of the reservoir performance
// record to "res.lis" (IRESL), over-wide ratios clipped in RESPRF first;
// then one record per well block to "weld.lis" (IWELD), injection wells,
// production wells and shut-in wells in turn.
void RESLIS(State& s);
void WELDLS(State& s);

// End of the run: the final reservoir performance summary read back from
// "res.lis", and the per-well summaries read back from "weld.lis", written
// to IOUT and, grouped by well number, to "well.lis" (opened here on IWELL).
void FINSUM(State& s);

}  // namespace talvek
