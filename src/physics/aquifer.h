// Analytic aquifer: rates exchanged with the influx blocks and their
// derivatives.
#pragma once

namespace talvek {

struct State;

// Aquifer rate QAQ and the stock-tank component terms QAO, QAW, QAG, QAP
// with their derivatives DQA of every active block, for Newton iteration
// iterk. The aquifer models are not part of this build yet: every term is
// left at zero, so the flow equations see no aquifer.
void INFLUX(State& s, int iterk = 1);

}  // namespace talvek
