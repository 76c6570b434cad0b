// Analytic aquifer: rates exchanged with the influx blocks and their
// derivatives, and the dimensionless pressure of the unsteady-state model.
#pragma once

namespace talvek {

struct State;

// Aquifer rate QAQ (reservoir volume per unit time, positive from the
// reservoir into the aquifer) and the stock-tank component terms QAO, QAW,
// QAG, QAP with their derivatives DQA(equation position, unknown position,
// n) of every block of the aquifer-block list, for Newton iteration iterk.
// On iteration 1 the step's coefficients AQA and AQB are formed first (pot,
// steady-state or unsteady-state model by IDAQFR). A rate above 1.0E-7 takes
// the block's fluids out in proportion to their mobilities; any other rate
// brings water in. Every other block, and every block without an aquifer,
// keeps all terms 0.
void INFLUX(State& s, int iterk = 1);

// Dimensionless pressure pd of a bounded radial aquifer of dimensionless
// outer radius redaq under a constant terminal rate, and its derivative pdp
// with respect to the dimensionless time td: the bounded-aquifer formula
// once the boundary is felt (td at or above the threshold of the radius),
// otherwise the infinite-acting short-time (td <= 0.01), correlated
// (0.01 < td < 500) and long-time (td >= 500) forms.
void AQKBC(double td, double redaq, double& pd, double& pdp);

// Bessel function of the first kind J1(x) for x >= 0, by polynomial
// approximations: a series in (x/3)^2 below x = 3, an amplitude and phase
// in 3/x from x = 3 on.
double BESSEL(double x);

}  // namespace talvek
