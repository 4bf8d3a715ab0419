#pragma once

namespace modules {

// Every random number of the program comes from the C library's rand(), seeded once,
// so that a seed reproduces a run exactly. The order of draws matters.

// (rand() mod 10000) * 0.0001 in double precision: [0, 0.9999] in steps of 0.0001.
float fRand();

// Draws the sign first (odd: positive), then the magnitude with fRand(): [-0.9999, 0.9999].
float fRand2();

} // namespace modules
