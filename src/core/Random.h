#pragma once

#include <array>
#include <cstdint>

namespace modules {

// Every random number of the program comes from the C library's rand(), seeded once,
// so that a seed reproduces a run exactly. The order of draws matters.

// (rand() mod 10000) * 0.0001 in double precision: [0, 0.9999] in steps of 0.0001.
float fRand();

// Draws the sign first (odd: positive), then the magnitude with fRand(): [-0.9999, 0.9999].
float fRand2();

// The whole state of glibc's rand() as initstate/setstate keep it: the additive feedback
// generator of degree 31 (its default TYPE_3), 128 bytes. Word 0 says where the generator
// stands in the table (5 x rear position + type 3); words 1 to 31 are the table.
constexpr int RANDOM_STATE_WORDS = 32;
using RandomState = std::array<std::uint32_t, RANDOM_STATE_WORDS>;

// Seeds rand() in a state buffer of the program's own, so that its state can be saved and
// put back. Gives exactly the sequence that srand(seed) gives with the default buffer.
void seedRandom(unsigned seed);
// The generator's current state; drawing is not affected.
RandomState captureRandomState();
// Word 0 of a state: the degree-31 type and a position in the table.
bool isValidRandomPosition(std::uint32_t word);
// A state that seeding and drawing can lead to: word 0 names the degree-31 type and a position
// in the table, and the table is not one of the degenerate ones no seed reaches.
bool isValidRandomState(const RandomState& state);
// Makes rand() continue from `state`, which must be valid.
void restoreRandomState(const RandomState& state);

} // namespace modules
