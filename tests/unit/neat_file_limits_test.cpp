// The run limits and the population file's limits agree: NEAT's genomes stop growing at a
// bound (see neat_hostile_state_test) that keeps the largest population's state within the
// values the reader takes, so a NEAT run never saves a file it cannot load.

#include "evolution/PopulationFile.h"
#include "evolution/RunLimits.h"
#include "methods/neat/NeatMethod.h"

#include <gtest/gtest.h>

using namespace modules;

namespace {

// The values inside a JSON value, as the reader counts them.
long long valuesInside(const nlohmann::json& value)
{
    long long count = 0;
    if (value.is_structured())
        for (const auto& inside : value)
            count += 1 + valuesInside(inside);
    return count;
}

} // namespace

TEST(NeatFileLimits, TheLargestStateARunMakesStaysWithinWhatTheReaderTakes)
{
    for (int population : {1, 2, 20, 150, 9999, MAX_POPULATION_SIZE}) {
        const long long genes = maxNeatGenomeGenes(population);
        EXPECT_GE(genes, 14) << population; // the starting genome: 6 nodes, 8 connections
        EXPECT_LE(genes, MAX_NEAT_GENOME_GENES) << population;
        EXPECT_LE(genes * population, MAX_NEAT_POPULATION_GENES) << population;
    }

    // A grown state: at most 6 values a gene, 12 a genome or species besides, 5 a recorded
    // change; its genomes and as many representatives within the reader's values.
    NeatSettings growing;
    growing.addNodeRate = 0.5;
    growing.addConnectionRate = 0.5;
    const int population = 30;
    auto method = makeNeatMethod(4, 2, population, 1.0f, 5, growing);
    for (int generation = 0; generation < 10; ++generation)
        method->tell(std::vector<float>(population, static_cast<float>(generation % 3)));
    const nlohmann::json state = method->state();
    long long genes = 0;
    for (const auto& genome : state["genomes"])
        genes += genome["nodes"].size() + genome["connections"].size();
    for (const auto& species : state["species"])
        genes += species["representative"]["nodes"].size() + species["representative"]["connections"].size();
    const long long changes = state["innovations"]["connections"].size() + state["innovations"]["splits"].size();
    ASSERT_GT(changes, 0);
    EXPECT_LE(valuesInside(state), 6 * genes + 12 * (population + state["species"].size()) + 5 * changes + 100);
    EXPECT_LE(2 * 6 * MAX_NEAT_POPULATION_GENES + 12 * 2 * MAX_POPULATION_SIZE + 5 * 4 * MAX_POPULATION_SIZE + 100,
              MAX_SHORT_VALUES);
}
