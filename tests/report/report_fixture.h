// Small hand-built states and output capture for the report tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "io/units.h"
#include "state/state.h"

namespace talvek::test {

inline std::string tmpFile(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / "talvek_report_tests";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

inline std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

// Captures what is written to one unit: the unit is opened on a temporary
// file; lines() closes it and returns the records.
class Capture {
 public:
  Capture(State& s, int unit, const std::string& name) : s_(s), unit_(unit), path_(tmpFile(name)) {
    s_.units.open(unit_, path_, FileForm::Formatted, FileStatus::Unknown);
  }
  std::vector<std::string> lines() {
    s_.units.close(unit_);
    return readLines(path_);
  }
  const std::string& path() const { return path_; }

 private:
  State& s_;
  int unit_;
  std::string path_;
};

// Natural numbering of an NX x NY x NZ grid (x fastest), blocks listed in
// `inactive` (as I, J, K) left out of the active numbering.
struct IJKt {
  int i, j, k;
};
inline void buildGrid(State& s, int nx, int ny, int nz, bool radial,
                      const std::vector<IJKt>& inactive = {}) {
  s.NX = nx;
  s.NY = ny;
  s.NZ = nz;
  s.IRADIAL = radial ? 1 : 0;
  s.NCELL = nx * ny * nz;
  int n = 0;
  for (int k = 1; k <= nz; ++k)
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) {
        const int L = i + (j - 1) * nx + (k - 1) * nx * ny;
        s.LBLOCK(i, j, k) = L;
        s.ICOORD(1, L) = i;
        s.ICOORD(2, L) = j;
        s.ICOORD(3, L) = k;
        bool off = false;
        for (const auto& b : inactive) off = off || (b.i == i && b.j == j && b.k == k);
        s.IACTIVE(L) = off ? 0 : 1;
        if (off) {
          s.IORD(L) = 0;
          continue;
        }
        ++n;
        s.IORD(L) = n;
        s.IBLK(n) = L;
        s.IJK(1, n) = i;
        s.IJK(2, n) = j;
        s.IJK(3, n) = k;
        s.IAORD(n) = n;
      }
  s.NGPACT = n;
  for (int k = 1; k <= 100; ++k) s.LAYLAB(k) = FText<80>();
  if (nz > 1) {
    s.LAYLAB(1).set(std::string_view("(BOTTOM LAYER)"));
    s.LAYLAB(nz).set(std::string_view("(TOP LAYER)"));
  }
  for (int i = 1; i <= nx; ++i) s.WIDX(i) = 100.0 + 10.0 * i;
  for (int j = 1; j <= ny; ++j) s.WIDY(j) = 200.0 + 20.0 * j;
  for (int k = 1; k <= nz; ++k) s.WIDZ(k) = 10.0 + k;
}

// Output factors of field input and field output.
inline void fieldUnits(State& s) {
  s.MUNITIN = 1;
  s.MUNTOUT = 1;
  s.C1 = 5.6146;
  s.C2 = 0.001127;
  for (int k = 1; k <= 12; ++k) s.UFAC(k) = 1.0;
  s.UFAC(1) = 43.56 / 5.6146;
}

// Output records of the layouts, written by gfortran (tests/data/report/oracle.f90).
inline std::map<std::string, std::vector<std::string>> oracle() {
  std::map<std::string, std::vector<std::string>> m;
  std::string key;
  for (const auto& line : readLines(std::string(TALVEK_TEST_DATA) + "/report/oracle_lines.txt")) {
    if (!line.empty() && line[0] == '#') {
      key = line.substr(1);
      continue;
    }
    m[key].push_back(line);
  }
  return m;
}

// Compares `got` with the golden file tests/data/report/<name>; with the
// environment variable TALVEK_REGEN_GOLDEN=1 the golden file is rewritten
// instead (tests/report/regen_golden.sh).
inline void expectGolden(const std::vector<std::string>& got, const std::string& name) {
  const std::string path = std::string(TALVEK_TEST_DATA) + "/report/" + name;
  const char* regen = std::getenv("TALVEK_REGEN_GOLDEN");
  if (regen != nullptr && std::string(regen) == "1") {
    std::ofstream out(path);
    for (const auto& l : got) out << l << '\n';
    return;
  }
  const auto want = readLines(path);
  ASSERT_FALSE(want.empty()) << "golden file missing: " << path;
  const std::size_t n = std::min(want.size(), got.size());
  for (std::size_t i = 0; i < n; ++i)
    ASSERT_EQ(want[i], got[i]) << name << " line " << (i + 1);
  EXPECT_EQ(want.size(), got.size()) << name << ": number of lines";
}

}  // namespace talvek::test
