#pragma once

// Replays the C library generator for a seed, so that a test can work out by itself which
// values the program's random draws must give and how many numbers they take.

#include <cstddef>
#include <cstdlib>
#include <vector>

namespace testing_support {

class DrawReplay {
public:
    // Reseeds the generator with `seed` and records its first `count` numbers; the code under
    // test must be run after seeding again with the same seed.
    DrawReplay(unsigned seed, std::size_t count)
    {
        std::srand(seed);
        numbers.resize(count);
        for (int& n : numbers)
            n = std::rand();
    }

    int next() { return numbers.at(position++); }

    // (rand() mod 10000) * 0.0001, computed in double, stored as a float.
    float nextFRand() { return static_cast<float>(static_cast<double>(next() % 10000) * 0.0001); }

    // The sign is drawn first: odd means positive.
    float nextFRand2()
    {
        const bool positive = next() % 2 == 1;
        const float magnitude = nextFRand();
        return positive ? magnitude : -magnitude;
    }

    void skip(std::size_t n) { position += n; }
    std::size_t consumed() const { return position; }
    // The number the generator gives after `consumed()` draws.
    int upcoming() const { return numbers.at(position); }

private:
    std::vector<int> numbers;
    std::size_t position = 0;
};

} // namespace testing_support
