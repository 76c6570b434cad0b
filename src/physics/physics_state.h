// State owned by the physics subsystem beyond the shared core of state/state.h.
// Members added here become members of State (State inherits this struct).
//
// Block properties are evaluated in five states: the iterate itself and four
// states that each raise one unknown of the block (pressure, water
// saturation, the second unknown, polymer-solution saturation). The flow,
// well and aquifer derivatives are one-sided differences over them.
//
// Also written here but declared in the core (state/state.h): BWB, BOB, BGB,
// RS (saturated blocks), ACCR, DACC, SATCON, DSATCON, VBB, RHS, RHSFLW,
// GRADWB/GRADOB/GRADGB, GRAVW/GRAVO/GRAVG, the well rates FLOWW/FLOWO/FLOWG/
// FLOWP, their derivatives DFLOWW/DFLOWO/DFLOWG/DFLOWP(unknown position, n),
// PSAND, IPFORC, IWC (the well condition code) and QPMINJ.
#pragma once

#include "state/limits.h"
#include "state/farray.h"

namespace talvek {

// Property states (second index of the per-state arrays).
inline constexpr int KBASE = 1;  // the iterate
inline constexpr int KDPO = 2;   // oil pressure raised by EPSP
inline constexpr int KDSW = 3;   // water saturation raised by EPSS
inline constexpr int KDX2 = 4;   // second unknown raised by EPSX2 (SO, or RS without free gas)
inline constexpr int KDSP = 5;   // polymer-solution saturation raised by EPSS
inline constexpr int NKSTATE = 5;

// Phases (first index of RMOB, RMOBB, second of TRAN).
inline constexpr int JWAT = 1;
inline constexpr int JOIL = 2;
inline constexpr int JGAS = 3;
inline constexpr int JPOL = 4;
inline constexpr int NPHASE = 4;

// Ordinate columns of the interpolation slopes TSLOPE: the water-oil table
// (by SWT), the gas-liquid table (by SLT), the PVT table by pressure (by
// PRES) and by solution ratio (by RST).
inline constexpr int TSPCOW = 1, TSKRW = 2, TSKROW = 3;
inline constexpr int TSPCGO = 4, TSKRG = 5, TSKROG = 6;
inline constexpr int TSBW = 7, TSBO = 8, TSBG = 9, TSMUW = 10, TSMUO = 11, TSMUG = 12, TSRS = 13;
inline constexpr int TSPBR = 14, TSBOR = 15, TSMUOR = 16;

struct PhysicsState {
  // ---- block properties by state (EVALUT) ------------------------------------
  // Phase pressures (state, n). POIL differs from P only in the pressure state.
  FArray<double, NKSTATE, MXBLK> PWAT, POIL, PGAS;
  // Relative permeability over viscosity, and that over the phase's
  // formation volume factor (phase, state, n).
  FArray<double, NPHASE, NKSTATE, MXBLK> RMOB, RMOBB;
  // The mobility product of side slot s, TRAN(s, phase, state, n), is the
  // geometric factor GF(s, n) times RMOBB: State::TRAN forms it where the
  // flow terms need it rather than storing seven copies of RMOBB per block.
  // Formation volume factors at P + EPSP; oil formation volume factor in the
  // second-unknown state; solution gas-oil ratio at P + EPSP and in the
  // second-unknown state.
  FArray<double, MXBLK> BWBP, BOBP, BGBP, BOBX, RSBP, RSBX;

  // Interpolation slopes of the tables as read, refreshed by each EVALUT:
  // TSLOPE(i, c, r) = (Y(i) - Y(i-1)) / (X(i) - X(i-1) + tiny) for rows
  // i = 2..NROW of ordinate column c (TSPCOW ... TSMUOR) of region r, the
  // quotient FUN1D forms for interval i.
  FArray<double, MXROW, 16, MXRGN> TSLOPE;
  // 1 where the abscissa column of region r is known to be in ascending
  // order (refreshed with TSLOPE; 0 until then): the water-oil table's SWT,
  // the gas-liquid table's SLT, the PVT table's PRES and RST, and the
  // retention table's CRPT. Only such columns are searched from the
  // interval of the last lookup; a column read with its rows out of order
  // is searched from its start every time, so that a block's values do not
  // depend on the blocks looked up before it.
  FArray<int, MXRGN> ASCWO, ASCGL, ASCPR, ASCRS;
  int ASCRT = 0;

  // ---- wells (PRODUC) ----------------------------------------------------------
  // Well condition code of the last Newton iteration, and of the last even
  // (index 1) and last odd (index 2) iteration: the control history of the
  // production wells.
  FArray<int, MXBLK> IWCLST;
  FArray<int, 2, MXBLK> IWCPAR;
  // Rates of each production well saved for the reports: oil, aqueous
  // (water plus polymer solution), gas.
  FArray<double, MXBLK> QOWREP, QAWREP, QGWREP;

  // ---- aquifer terms (INFLUX) ------------------------------------------------------
  // Aquifer rate in reservoir volume (positive into the aquifer), the
  // per-step coefficients, the stock-tank component terms and their
  // derivatives DQA(equation position, unknown position, n).
  FArray<double, MXBLK> QAQ, AQA, AQB, QAO, QAW, QAG, QAP;
  FArray<double, MXEQ, MXEQ, MXBLK> DQA;
  // Set once the terms of every block have been cleared: from then on only
  // the influx blocks' terms change, and only theirs are cleared again.
  bool AQCLR = false;
};

}  // namespace talvek
