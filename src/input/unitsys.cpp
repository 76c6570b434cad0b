#include "input/unitsys.h"

#include <string>

#include "io/errors.h"

namespace talvek {

namespace {

// Output factors k = 1..12 between field and SI units. Entry 1 multiplies
// the oil-in-place-per-area factor of the input system. The well factor
// (entry 10) is a liquid volume per pressure: rb/psi into m3/kPa,
// 0.1589873 / 6.894757.
constexpr double kFieldToSI[12] = {0.39289532, 0.1589873,  0.02831685, 0.4535924,
                                   0.17811,    6.894757,   0.1589873,  0.02831685,
                                   0.4535924,  0.02305916, 0.3048,     1.0};
constexpr double kSIToField[12] = {2.5452072,          6.28981056977507,   35.31466247128476,
                                   2.2046224760379585, 5.614507888383583,  0.1450377438972831,
                                   6.28981056977507,   35.31466247128476,  2.2046224760379585,
                                   43.366714138763076, 3.280839895013123,  1.0};

void convert(State& s, const double (&f)[12]) {
  s.UFAC(1) *= f[0];
  for (int k = 2; k <= 12; ++k) s.UFAC(k) = f[k - 1];
}

}  // namespace

void UNITSB(State& s) {
  for (int k = 1; k <= 12; ++k) s.UFAC(k) = 1.0;
  switch (s.MUNITIN) {
    case 1:  // field
      s.C1 = 5.6146;
      s.C2 = 0.001127;
      s.C3 = 0.006944436113891601;
      s.C4 = 14.7;
      s.UFAC(1) = 43.56 / s.C1;
      if (s.MUNTOUT == 2) convert(s, kFieldToSI);
      break;
    case 2:  // SI
      s.C1 = 1.0;
      s.C2 = 0.0864;
      s.C3 = 0.00980665;
      s.C4 = 100.0;
      s.UFAC(1) = 10.0 / s.C1;
      if (s.MUNTOUT == 1) convert(s, kSIToField);
      break;
    case 3:  // laboratory
      s.C1 = 1.0;
      s.C2 = 1.0;
      s.C3 = 0.0009678411053540587;
      s.C4 = 1.0;
      break;
    default:
      throw RunError("input unit system MUNITIN = " + std::to_string(s.MUNITIN) +
                     " is not 1 (field), 2 (SI) or 3 (laboratory); the unit constants cannot be set");
  }
}

std::string unconvertedOutput(int munitin, int& muntout) {
  if (muntout != 3 || (munitin != 1 && munitin != 2)) return {};
  muntout = munitin;
  const std::string sys = munitin == 1 ? "field" : "SI";
  return "MUNTOUT = 3, but laboratory output is not converted from " + sys + " input: the reports are written in " +
         sys + " units (MUNTOUT = " + std::to_string(munitin) + ")";
}

}  // namespace talvek
