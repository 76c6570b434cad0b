// Polymer and tracer cascade of an accepted time step.
#pragma once

namespace talvek {

struct State;

// Moves polymer and tracer mass between blocks with the water-phase flow of
// the step, blocks taken from the highest water potential down so that the
// inflow of a block carries the outflow concentrations its upstream
// neighbours were just given; applies the irreversible adsorption of polymer
// and sets CPMF, CONCP, CPMFO, CTMF, CONCT, CTMFO, ADS and RFB, RRFB. Where
// the polymer cannot fill the polymer solution of a block (and the water
// equation is solved), polymer solution becomes water; the stock-tank volume
// so turned over in the call is left in VCONV for the material balance.
void CASCDE(State& s);

// Processing order of the cascade: the blocks 1..n by decreasing key, equal
// keys in increasing block number (NaN keys count as the lowest);
// n <= MXBLK.
void cascadeOrder(const double* key, int n, int* order);

}  // namespace talvek
