#include "core/Random.h"

#include <cstdlib>
#include <cstring>

namespace modules {

namespace {

// glibc's TYPE_3: degree 31, separation 3; setstate() reads word 0 as 5 x rear + type.
constexpr std::uint32_t GENERATOR_TYPE = 3;
constexpr std::uint32_t TYPE_COUNT = 5;
constexpr std::uint32_t DEGREE = 31;
constexpr std::size_t STATE_BYTES = RANDOM_STATE_WORDS * sizeof(std::uint32_t);

// The buffer rand() draws from once seedRandom() or restoreRandomState() has run.
alignas(std::uint32_t) char ownState[STATE_BYTES];
// Only stands in for a moment while the current state is read.
alignas(std::uint32_t) char scratchState[STATE_BYTES];

} // namespace

float fRand()
{
    return static_cast<float>(static_cast<double>(std::rand() % 10000) * 0.0001);
}

float fRand2()
{
    if (std::rand() % 2 == 1)
        return fRand();
    return -fRand();
}

void seedRandom(unsigned seed)
{
    // The same type and degree as the library's default table, seeded the same way.
    initstate(seed, ownState, STATE_BYTES);
}

namespace {

// Makes the generator draw from the scratch buffer for a moment; returns the buffer it
// left, whose word 0 setstate() has just brought up to date.
char* leaveCurrentState()
{
    const std::uint32_t scratchWord = GENERATOR_TYPE;
    std::memcpy(scratchState, &scratchWord, sizeof scratchWord);
    return setstate(scratchState);
}

} // namespace

RandomState captureRandomState()
{
    // Putting the buffer back right away leaves the generator where it was. This works on
    // whichever buffer is in use, the library's default one included.
    char* current = leaveCurrentState();
    RandomState state;
    std::memcpy(state.data(), current, STATE_BYTES);
    setstate(current);
    return state;
}

bool isValidRandomPosition(std::uint32_t word)
{
    // Word 0 gives the rear position; the front always stands the separation ahead of it,
    // so a rear inside the table is all the position there is to check.
    return word % TYPE_COUNT == GENERATOR_TYPE && word / TYPE_COUNT < DEGREE;
}

bool isValidRandomState(const RandomState& state)
{
    if (!isValidRandomPosition(state[0]))
        return false;
    // The lowest bits of the table follow their own linear feedback shift register: once all
    // are 0 they stay 0, and a table that was ever odd somewhere never becomes all even. The
    // table of every one of the 2^32 seeds has an odd word (checked by running the seeding
    // for each), so an all-even table (the all-zero one above all, which makes rand() return
    // 0 for ever) never came from seeding.
    for (std::size_t i = 1; i < RANDOM_STATE_WORDS; ++i)
        if (state[i] % 2 != 0)
            return true;
    return false;
}

void restoreRandomState(const RandomState& state)
{
    // Not straight into the buffer in use: setstate() would first write the generator's
    // old position into it.
    leaveCurrentState();
    std::memcpy(ownState, state.data(), STATE_BYTES);
    setstate(ownState);
}

} // namespace modules
