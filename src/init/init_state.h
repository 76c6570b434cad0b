// State owned by the init subsystem beyond the shared core of state/state.h.
// Members added here become members of State (State inherits this struct).
#pragma once

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

inline constexpr int MXFINT = MXFIT - 1;  // intervals of one equispaced fit (500)

// Fitted table kinds: first index of FITXF, FITXL, FITRSP.
inline constexpr int FTGL = 1;   // gas-liquid table, abscissa SLT, per rock region
inline constexpr int FTWO = 2;   // water-oil table, abscissa SWT, per rock region
inline constexpr int FTPVP = 3;  // PVT table by pressure, abscissa PRES, per PVT region
inline constexpr int FTPVR = 4;  // PVT table by solution ratio, abscissa RST, per PVT region
inline constexpr int FTPOL = 5;  // polymer viscosity table, abscissa CPPPM (ln ppm), region 1
inline constexpr int FTRET = 6;  // polymer retention table, abscissa CRPT, region 1
inline constexpr int NFTKIND = 6;

struct InitState {
  // ---- equispaced table fits (built by PREQFT when IQUAD != 0) ---------------
  // Lookup of a fitted value (see physics/lookup.h):
  //   double x = value;  int ip;
  //   CEARCH(x, s.FITXF(kind, r), s.FITXL(kind, r), s.FITRSP(kind, r), s.NINT, ip);
  //   y = EQNVAL(s.FKRG.column(r), ip, x);   // FKRG(3, NINT, region r)
  int NINT = 0;  // intervals of every fit, NINTBLE - 1
  // First abscissa, last abscissa and reciprocal spacing, indexed (table kind FT*, region).
  FArray<double, NFTKIND, MXRGN> FITXF, FITXL, FITRSP;
  // Coefficient tables FITC(3, interval, region): value in interval k is
  // (FITC(1,k)*x + FITC(2,k))*x + FITC(3,k).
  // Gas-liquid table (FTGL), by rock region.
  FArray<double, 3, MXFINT, MXRGN> FKRG, FKROG, FPCGO;
  // Water-oil table (FTWO), by rock region.
  FArray<double, 3, MXFINT, MXRGN> FKRW, FKROW, FPCOW;
  // PVT table by pressure (FTPVP), by PVT region; FRS is the saturated solution ratio.
  FArray<double, 3, MXFINT, MXRGN> FBW, FBO, FBG, FMUW, FMUO, FMUG, FRS;
  // PVT table by solution ratio (FTPVR), by PVT region: bubble-point pressure,
  // oil formation volume factor and oil viscosity at the bubble point.
  FArray<double, 3, MXFINT, MXRGN> FPBR, FBOR, FMUOR;
  // Polymer viscosity (FTPOL) and retention (FTRET) tables, one region.
  FArray<double, 3, MXFINT> FMUP, FRF, FRRF;

  // ---- initial state and fluids in place (INITAL) ------------------------------
  FArray<double, MXBLK> RSTOT;   // total gas per unit of oil, dissolved plus free
  FArray<double, MXBLK> BOBUB;   // oil formation volume factor at the bubble point
  FArray<double, MXBLK> RMASS;   // rock mass (1 - PHI) * VB * DENR
  double RECOIL = 0;             // recoverable oil in place
  double PVOT = 0, PVWT = 0, PVGT = 0, PVPT = 0;  // pore volume / B totals: oil, water, gas, polymer sol.
  double PI = 0;                 // 4 * atan(1)

  // ---- analytic aquifer constants (set by INITAL, read by INFLUX) --------------
  // AQK1, AQK2, AQK3: the pot, steady-state and unsteady-state constants;
  // REDAQ: dimensionless external radius AQRE / AQRW; TDFAC: dimensionless
  // time per unit time; AQCOEF(n): influence coefficient of active block n
  // (the chosen type's constant times the block's share of the influx).
  double AQK1 = 0, AQK2 = 0, AQK3 = 0, REDAQ = 0, TDFAC = 0;
  FArray<double, MXBLK> AQCOEF;
};

}  // namespace talvek
