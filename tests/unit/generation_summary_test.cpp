// The per-generation figures that kinetarium-batch writes to its CSV file.

#include "batch/GenerationSummary.h"
#include "evolution/FitnessHistory.h"

#include <gtest/gtest.h>

using modules::GenerationSummary;

TEST(GenerationSummary, BestMeanAndMedianOfAnOddCount)
{
    const modules::GenerationFitness summary = modules::summarizeFitness({3.0f, 0.0f, 7.0f, 1.0f, 1.0f});
    EXPECT_EQ(summary.best, 7.0f);
    EXPECT_DOUBLE_EQ(summary.mean, 2.4);
    EXPECT_DOUBLE_EQ(summary.median, 1.0);
}

TEST(GenerationSummary, MedianOfAnEvenCountIsTheMeanOfTheMiddleTwo)
{
    const modules::GenerationFitness summary = modules::summarizeFitness({4.0f, 0.0f, 1.0f, 9.0f});
    EXPECT_EQ(summary.best, 9.0f);
    EXPECT_DOUBLE_EQ(summary.mean, 3.5);
    EXPECT_DOUBLE_EQ(summary.median, 2.5);
}

TEST(GenerationSummary, NoVehiclesGiveZeros)
{
    const modules::GenerationFitness summary = modules::summarizeFitness({});
    EXPECT_EQ(summary.best, 0.0f);
    EXPECT_EQ(summary.mean, 0.0);
    EXPECT_EQ(summary.median, 0.0);
}

TEST(GenerationSummary, CsvLines)
{
    EXPECT_EQ(modules::csvHeader(), "generation,best_fitness,mean_fitness,median_fitness,steps,wall_seconds,species,mean_genome_size\n");
    GenerationSummary summary;
    summary.generation = 12;
    summary.best = 25.0f;
    summary.mean = 9.65;
    summary.median = 8.5;
    summary.steps = 600;
    summary.wallSeconds = 0.0265;
    summary.species = 3;
    summary.genomeSize = 13.25;
    EXPECT_EQ(modules::csvRow(summary), "12,25.000000,9.650000,8.500000,600,0.026500,3,13.250000\n");
}
