// Small decks for the deck-reader tests: a complete deck of groups 1 to 44
// (3 x 2 x 2 Cartesian grid, two rock and two PVT regions) whose group data
// can be replaced one group at a time.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "io/units.h"
#include "state/state.h"

namespace talvek::testing {

struct DeckBuilder {
  // Data lines of each group, after its header lines. Groups 38 and 40 hold
  // their whole region blocks (38 with 39, 40 with 41) below the one header
  // line of the block.
  std::map<int, std::string> data{
      {1, "SMALL CARTESIAN TEST DECK\n"},
      {2, "0 0 100. 50. 1.\n"},
      {3, "1 1 0 0 30. 0.01 0.05 500. 500. 0.05 2\n"},
      {4, "0 0 0 1 10 10 10 0\n"},
      {5, "1 1 1 1 0 1 0 1 1 0 0 1\n"},
      {6, "1 1 1 1\n"},
      {7, "5000. 0. 0.\n"},
      {8, "0 0. 0. 0. 0. 360. 0. 0.\n"},
      {9, "0 0 5000. 3000. 0.\n"},
      {10, "3 2 2 1 2 0 2 2 0. 0.\n"},
      // (3,2,2) inactive
      {11, "1 IACTIVE\n3 3 2 2 2 2 0\n0 0 0 0 0 0 0\n"},
      // layer 1 region 1, layer 2 region 2
      {12, "1 NKRGN\n1 3 1 2 1 1 1\n1 3 1 2 2 2 2\n0 0 0 0 0 0 0\n"},
      {13, "0 NPVTGN\n1 2 1 2 1 2\n2 1 2 1 2 1\n"},
      {14, "1 DX\n1 3 1 2 1 2 100.\n0 0 0 0 0 0 0\n"},
      {15, "0 DY\n12*50.\n"},
      {16, "1 DZ\n1 3 1 2 1 1 10.\n1 3 1 2 2 2 20.\n0 0 0 0 0 0 0\n"},
      {17, "1 DEPTH\n0 0 0 0 0 0 0\n"},
      {18, "0 KX\n100. 200. 300. 400. 500. 600.\n700. 800. 900. 1000. 1100. 1200.\n"},
      {19, "1 KY\n1 3 1 2 1 2 100.\n2 2 1 1 1 1 555.\n0 0 0 0 0 0 0\n"},
      {20, "1 KZ\n1 3 1 2 1 2 10.\n0 0 0 0 0 0 0\n"},
      {21, "1 PHI\n1 3 1 2 1 2 0.2\n0 0 0 0 0 0 0\n"},
      {22, "1 SO\n1 3 1 2 1 2 0.3\n0 0 0 0 0 0 0\n"},
      {23, "1 SW\n1 3 1 2 1 2 0.5\n0 0 0 0 0 0 0\n"},
      {24, "1 SP\n1 3 1 2 1 2 0.1\n0 0 0 0 0 0 0\n"},
      {25, "1 RS\n1 3 1 2 1 2 400.\n0 0 0 0 0 0 0\n"},
      {26, "1 P\n1 3 1 2 1 2 3000.\n0 0 0 0 0 0 0\n"},
      {27, "1 CONCP\n0 0 0 0 0 0 0\n"},
      {28, "1 CRPMAX\n0 0 0 0 0 0 0\n"},
      {29, "1 CRP\n1 3 1 2 1 2 0.0005\n0 0 0 0 0 0 0\n"},
      {30, "1 INFBLK\n1 1 1 2 1 2 3\n0 0 0 0 0 0 0\n"},
      {31, "1 BBLKWT\n0 0 0 0 0 0 0\n"},
      {32, "1 RATIO\n0 0 0 0 0 0 0\n"},
      {33, "1 RATIO\n0 0 0 0 0 0 0\n"},
      {34, "1 RATIO\n0 0 0 0 0 0 0\n"},
      {35, "1 RATIO\n0 0 0 0 0 0 0\n"},
      {36, "1 RATIO\n0 0 0 0 0 0 0\n"},
      {37, "1 RATIO\n0 0 0 0 0 0 0\n"},
      {38, rockRegion(1) + rockRegion(2)},
      {40, pvtRegion(1) + pvtRegion(2)},
      {42, "160. 4.0E-6 3000.\n"},
      {43, "0. 1.0\n1000. 10.\n0 0\n"},
      {44, "0. 1.0 1.0\n0.0005 2.0 1.5\n0 0 0\n"},
  };

  static std::string rockRegion(int r) {
    const std::string n = std::to_string(r);
    return "DATA 38C WATER-OIL TABLE, REGION " + n +
           "\n SWT KRW KROW PCOW PCOWI\n"
           "0.2 0.0 0.8 0.0 0.0\n0.5 0.2 0.3 0.0 0.0\n0.8 0.5 0.0 0.0 0.0\n0 0 0 0 0\n"
           "DATA 39C GAS-LIQUID TABLE, REGION " +
           n +
           "\n SLT KRG KROG PCGO PCGOI\n"
           "0.3 0.8 0.0 0.0 0.0\n0.7 0.2 0.4 0.0 0.0\n1.0 0.0 1.0 0.0 0.0\n0 0 0 0 0\n";
  }
  static std::string pvtRegion(int p) {
    const std::string n = std::to_string(p);
    return "DATA 40C PVT TABLE, REGION " + n +
           "\n PRES RS BW BO BG MUW MUO MUG\n"
           "14.7 1. 1.04 1.06 0.17 0.50 1.20 0.010\n"
           "2000. 400. 1.03 1.20 0.0015 0.50 0.90 0.015\n"
           "5000. 900. 1.02 1.40 0.0007 0.50 0.60 0.020\n"
           "0 0 0 0 0 0 0 0\n"
           "DATA 41B STANDARD CONDITIONS, REGION " +
           n + "\n GAMAW GAMAG OILAPI CO CMUO\n1.0 0.7 35. 1.0E-5 0.0\n";
  }

  static std::string label(int g) {
    static const char* kLetter = "EBBBBBBBBBAAAAAAAAAAAAAAAAAAAAAAAAAAACCCBBCCD";
    char b[32];
    std::snprintf(b, sizeof b, "DATA %02d%c", g, kLetter[g - 1]);
    return b;
  }

  // The deck text of groups 1 to `last` (at most 44).
  std::string text(int last = 44) const {
    std::string t;
    for (int g = 1; g <= last; ++g) {
      if (g == 39 || g == 41) continue;  // inside the region blocks of 38 and 40
      const std::string lab = label(g);
      if (g <= 10 || g >= 42) {
        t += lab + " HEADER LINE ONE\n";
        t += "  ITEMS OF " + lab + "\n";
      } else {
        t += lab + " HEADER\n";
      }
      t += data.at(g);
    }
    return t;
  }
};

// 1-based number of the first deck line holding `needle` (0 when none).
inline int lineOf(const std::string& text, const std::string& needle, int from = 1) {
  std::istringstream in(text);
  std::string l;
  int n = 0;
  while (std::getline(in, l)) {
    ++n;
    if (n >= from && l.find(needle) != std::string::npos) return n;
  }
  return 0;
}

// The output listing of a test: opened on unit IOUT in a fresh temporary
// file, read back whole.
class Listing {
 public:
  Listing(State& s, const std::string& name) : s_(s) {
    path_ = (std::filesystem::temp_directory_path() / ("talvek_input_" + name + ".lis")).string();
    s_.units.open(s_.IOUT, path_, FileForm::Formatted, FileStatus::Unknown);
  }
  ~Listing() {
    s_.units.close(s_.IOUT);
    std::remove(path_.c_str());
  }
  std::vector<std::string> lines() {
    s_.units.flush(s_.IOUT);
    std::ifstream in(path_);
    std::vector<std::string> v;
    std::string l;
    while (std::getline(in, l)) v.push_back(l);
    return v;
  }
  std::string text() {
    std::string t;
    for (const auto& l : lines()) t += l + "\n";
    return t;
  }

 private:
  State& s_;
  std::string path_;
};

}  // namespace talvek::testing
