// State owned by the input subsystem beyond the shared core of state/state.h.
// Members added here become members of State (State inherits this struct).
//
// The name tables of the deck reader: group labels, the variable names that
// warnings print, the array names of the array groups and the value ranges
// of the block arrays. The built-in part is set when the state is made; the
// rest is completed on entry to INPUT (setInputTables, input/debug.h).
#pragma once

#include <initializer_list>
#include <string_view>

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

using Name8 = FText<8>;

struct InputState {
  // Group labels "DATA 01E" .. "DATA 45D"; entries 46 to 50 blank.
  FArray<Name8, MXGRP> GRPLAB;
  // Array names of the array groups 11 to 37, with their leading blanks.
  FArray<Name8, MXGRP> ARRNAM;
  // Variable names by group (row) and item (column); warnings print the
  // first 7 characters.
  FArray<Name8, MXGRP, 10> VARNAM;
  // Value ranges of the real and integer block arrays, by group.
  FArray<double, MXGRP> RVLOW, RVHIGH;
  FArray<int, MXGRP> IVLOW, IVHIGH;

  // Reading state.
  int IGROUP = 0;   // group being read (1 to 45)
  int ILINE = 0;    // line within a table or list
  int IREG = 0;     // region being read
  int ICODE = 0;    // array option of an array group
  FText<80> CARD;   // receives header lines
  int LINAQ = 0;    // deck line of the aquifer values (group 8), for messages
  int LINDIP = 0;   // deck line of DEPTH1, SINX, SINY (group 7), for messages
  int LINGRD = 0;   // deck line of the grid values (group 10), for messages
  int LINMET = 0;   // deck line of the solution method (group 10), for messages
  int LINEQL = 0;   // deck line of XREF5 (group 9), for messages
  FArray<int, MXRGN> LINPVT;  // deck line of the last row of each PVT table (group 40)

  // Layer labels of the array printers ("(BOTTOM LAYER)", "(TOP LAYER)").
  FArray<FText<80>, 100> LAYLAB;
  int NY1 = 2, NZ1 = 2;  // NY + 1, NZ + 1

  // Work arrays of the array readers: the array over all grid cells, and
  // the values of a whole-form read before they are distributed.
  FArray<int, MXCELL> IAWORK, IAREAD;
  FArray<double, MXCELL> RAWORK, RAREAD;

  InputState() {
    static constexpr std::string_view kLabels[45] = {
        "DATA 01E", "DATA 02B", "DATA 03B", "DATA 04B", "DATA 05B", "DATA 06B", "DATA 07B",
        "DATA 08B", "DATA 09B", "DATA 10B", "DATA 11A", "DATA 12A", "DATA 13A", "DATA 14A",
        "DATA 15A", "DATA 16A", "DATA 17A", "DATA 18A", "DATA 19A", "DATA 20A", "DATA 21A",
        "DATA 22A", "DATA 23A", "DATA 24A", "DATA 25A", "DATA 26A", "DATA 27A", "DATA 28A",
        "DATA 29A", "DATA 30A", "DATA 31A", "DATA 32A", "DATA 33A", "DATA 34A", "DATA 35A",
        "DATA 36A", "DATA 37A", "DATA 38C", "DATA 39C", "DATA 40C", "DATA 41B", "DATA 42B",
        "DATA 43C", "DATA 44C", "DATA 45D"};
    for (int g = 1; g <= 45; ++g) GRPLAB(g).set(kLabels[g - 1]);

    static constexpr std::string_view kArrays[27] = {
        "IACTIVE", " NKRGN", "NPVTGN", "  DX",   "  DY",   "  DZ",   " DEPTH",
        "  KX",    "  KY",   "  KZ",   "  PHI",  "  SO",   "  SW",   "  SP",
        "  RS",    "   P",   " CONCP", "CRPMAX", "  CRP",  "INFBLK", "BBLKWT",
        " RATIO",  " RATIO", " RATIO", " RATIO", " RATIO", " RATIO"};
    for (int g = 11; g <= 37; ++g) ARRNAM(g).set(kArrays[g - 11]);

    auto row = [this](int r, std::initializer_list<std::string_view> names) {
      int c = 0;
      for (std::string_view n : names) VARNAM(r, ++c).set(n);
    };
    row(1, {" TITLE"});
    row(2, {"IPRTDAT", "IRSTRT", "TMTOTAL", "TMSTOP", " DELT"});
    row(3, {"MUNITIN", "MUNTOUT", " IQUAD", "NINTBLE", " DTMAX", " DTMIN", "RERORP", " DELPO",
            " DELRS", "DELSAT"});
    row(4, {"IPRINT", "INOUTP", "NFRRES", "NFRWEL", "NFRARY", "NWRITE", "MATBAK"});
    row(5, {"  SW", "  SO", "  SG", "  SP", "  SA", "  RS", " CONCT", "   P", " CONCP", "  ADS"});
    row(6, {"  IQW", "  IQO", "  IQG", "  IQP"});
    row(7, {"DEPTH1", " SINX", " SINY"});
    row(8, {"IDAQFR", " AQFH", " AQKH", " AQRW", " AQRE", " ANGLE", " AQCWE", " AQMUW"});
    row(9, {"INIOPT", " ICASE", " ZREF", " PREF"});
    row(10, {"  NX", "  NY", "  NZ", "METHOD", "NXYZORD", "NUSLVR", "NKRRGN", "NPVTRGN"});
    row(38, {"  SWT", "  KRW", " KROW", " PCOW", " PCOWI"});
    row(39, {"  SLT", "  KRG", " KROG", " PCGO", " PCGOI"});
    row(40, {" PRES", "  RS", "  BW", "  BO", "  BG", "  MUW", "  MUO", "  MUG"});
    row(41, {" GAMAW", " GAMAG", "OILAPI", "  CO", " CMUO"});
    row(42, {" DENR", " CPHI", " PREF"});
    row(43, {" CONCP", "  MUP"});
    row(44, {"  CRP", "  RF", "  RRF"});
    row(45, {"  NOW", "IRITE1", " DELT1", "SIMNEW", "QOECON", "WORMAX", "GORMAX"});

    RVLOW.fill(0.0);
    RVHIGH.fill(1.0E29);
    IVLOW.fill(0);
    IVHIGH.fill(1);
  }
};

}  // namespace talvek
