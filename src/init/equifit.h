// Equispaced fits of the property tables (IQUAD != 0).
#pragma once

namespace talvek {

struct State;

// Resamples every property table at NINTBLE equally spaced abscissae and
// stores the per-interval polynomials of order IQUAD (FITXF, FITXL, FITRSP
// and the F* coefficient tables of init/init_state.h). Stops with a RunError
// when NINTBLE is too small for the order or too large for the tables, or a
// table cannot be resampled (fewer than 2 rows, or equal end abscissae).
void PREQFT(State& s);

}  // namespace talvek
