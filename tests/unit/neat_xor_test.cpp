// NEAT on the paper's benchmark, apart from the arena: XOR with 2 inputs and 1 output.

#include "NeatXor.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

TEST(NeatXor, SolvedWithin100GenerationsOf150GenomesInAtLeast19Of20Seeds)
{
    int solved = 0;
    std::ostringstream counts;
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        const int generations = testing_support::solveXor(seed, 150, 100).generation;
        solved += generations > 0;
        counts << (seed > 1 ? " " : "") << (generations > 0 ? std::to_string(generations) : "unsolved");
    }
    std::cout << "XOR generations per seed: " << counts.str() << std::endl;
    RecordProperty("generations", counts.str());
    EXPECT_GE(solved, 19) << counts.str();
}
