// The fixed limits of the simulator. Every table of the state is sized by them.
#pragma once

namespace talvek {

inline constexpr int MXDIR = 40;        // blocks along one direction
inline constexpr int MXCELL = 64000;    // grid blocks NX*NY*NZ
inline constexpr int MXBLK = 4000;      // active blocks
inline constexpr int MXEQ = 4;          // equations (and unknowns) per block
inline constexpr int MXSLOT = 7;        // stencil slots
inline constexpr int MXVEC = 16000;     // entries of the Newton vector
inline constexpr int MXBAND = 2000000;  // entries of the band store
inline constexpr int MXRGN = 30;        // rock regions, PVT regions
inline constexpr int MXROW = 30;        // rows of one table
inline constexpr int MXFIT = 501;       // equispaced points (500 intervals)
inline constexpr int MXNOW = 100;       // schedule records
inline constexpr int MXWLIN = 20000;    // schedule well lines, all records
inline constexpr int MXGRP = 50;        // entries of the group name tables
inline constexpr int MXSTEP = 1000000;  // time steps of the loop
inline constexpr int MXREGLINE = 100000;  // region lines of one array group

}  // namespace talvek
