// Novelty search's measure and archive rule, and MAP-Elites' grid: values worked out by hand,
// and saved states that no run could reach refused.

#include "brain/FlatNetwork.h"
#include "brain/NeuralNetwork.h"
#include "methods/MapElites.h"
#include "methods/MethodRandom.h"
#include "methods/NoveltyArchive.h"
#include "methods/NoveltySearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <functional>
#include <memory>
#include <vector>

using modules::Behaviour;
using modules::MapElites;
using modules::NoveltyArchive;

TEST(NoveltyArchive, MeanDistanceToTheKNearestOfTheGenerationAndTheArchive)
{
    // Four behaviours on a line at 0, 0.1, 0.3 and 0.6; k = 2.
    NoveltyArchive archive(2, 0.25f);
    const std::vector<Behaviour> first = {{0.0f, 0.5f}, {0.1f, 0.5f}, {0.3f, 0.5f}, {0.6f, 0.5f}};
    const std::vector<float> novelty = archive.novelty(first);
    const float expected[] = {(0.1f + 0.3f) / 2, (0.1f + 0.2f) / 2, (0.2f + 0.3f) / 2, (0.3f + 0.5f) / 2};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(novelty[i], expected[i], 1e-6f) << i;
    // Only the last passes 0.25: it joins the archive, and then counts for the next generation.
    archive.update(first, novelty);
    ASSERT_EQ(archive.behaviours().size(), 1u);
    EXPECT_FLOAT_EQ(archive.behaviours()[0].x, 0.6f);
    const std::vector<Behaviour> second = {{0.6f, 0.5f}, {0.0f, 0.5f}};
    const std::vector<float> next = archive.novelty(second);
    EXPECT_NEAR(next[0], (0.0f + 0.6f) / 2, 1e-6f); // the archived twin is its nearest
    EXPECT_NEAR(next[1], (0.6f + 0.6f) / 2, 1e-6f);
}

TEST(NoveltyArchive, IndexedSearchGivesTheExhaustiveSearchsNovelty)
{
    // Archives sparse and dense, spread and clustered in a corner, against the plain sum over
    // every pair: the grid's ring search must find the same k nearest, bit for bit.
    modules::MethodRandom random(11);
    for (const int size : {0, 7, 300, 5000}) {
        for (const float spread : {1.0f, 0.02f}) {
            SCOPED_TRACE(std::to_string(size) + " behaviours spread over " + std::to_string(spread));
            std::vector<Behaviour> kept(static_cast<std::size_t>(size));
            nlohmann::json points = nlohmann::json::array();
            for (Behaviour& b : kept) {
                b = {static_cast<float>(random.uniform()) * spread, 1.0f - static_cast<float>(random.uniform()) * spread};
                points.push_back({b.x, b.y});
            }
            NoveltyArchive archive(15, 0.1f);
            std::string reason;
            ASSERT_TRUE(archive.restore(
                {{"threshold", 0.1}, {"evaluated_since", 0}, {"added_since", 0}, {"archive", points}}, reason))
                << reason;
            std::vector<Behaviour> generation(20);
            for (Behaviour& b : generation)
                b = {static_cast<float>(random.uniform()), static_cast<float>(random.uniform())};
            generation[0] = {0.0f, 1.0f}; // in the cluster's corner
            const std::vector<float> novelty = archive.novelty(generation);
            for (std::size_t i = 0; i < generation.size(); ++i) {
                std::vector<float> all;
                for (std::size_t j = 0; j < generation.size(); ++j)
                    if (j != i)
                        all.push_back(modules::squaredDistance(generation[i], generation[j]));
                for (const Behaviour& b : kept)
                    all.push_back(modules::squaredDistance(generation[i], b));
                std::sort(all.begin(), all.end());
                all.resize(std::min<std::size_t>(all.size(), 15));
                double sum = 0.0;
                for (const float d : all)
                    sum += std::sqrt(static_cast<double>(d));
                EXPECT_EQ(novelty[i], static_cast<float>(sum / static_cast<double>(all.size()))) << i;
            }
        }
    }
}

TEST(NoveltyArchive, ThresholdAdaptsEveryWindowOfEvaluations)
{
    // Generations of 500 evaluations: the threshold moves once 2500 have passed, by what was
    // added within them.
    struct Case {
        const char* name;
        int added;
        float factor;
    };
    for (const Case& c : {Case{"none added: lowered", 0, 0.95f}, Case{"four added: kept", 4, 1.0f},
                          Case{"five added: raised", 5, 1.2f}}) {
        SCOPED_TRACE(c.name);
        NoveltyArchive archive(15, 0.5f);
        std::vector<Behaviour> generation(500);
        for (int g = 0; g < 5; ++g) {
            std::vector<float> novelty(500, 0.0f);
            for (int a = 0; a < c.added; ++a)
                if (a % 5 == g)
                    novelty[static_cast<std::size_t>(a)] = 1.0f;
            if (g < 4) {
                archive.update(generation, novelty);
                EXPECT_FLOAT_EQ(archive.threshold(), 0.5f) << "moved before the window ended";
            } else {
                archive.update(generation, novelty);
            }
        }
        EXPECT_EQ(archive.behaviours().size(), static_cast<std::size_t>(c.added));
        EXPECT_FLOAT_EQ(archive.threshold(), 0.5f * c.factor);
    }
}

namespace {

// Records what it is told.
class Recorder : public modules::EvolutionMethod {
public:
    std::vector<float>* told;
    explicit Recorder(std::vector<float>* told) : told(told) {}
    std::string name() const override { return "ga"; }
    std::vector<std::unique_ptr<modules::Brain>> ask() override { return {}; }
    void tell(const std::vector<float>& fitnesses) override { *told = fitnesses; }
    nlohmann::json parameters() const override { return nlohmann::json::object(); }
    nlohmann::json state() const override { return {{"genomes", nlohmann::json::array()}}; }
    bool restore(const nlohmann::json&, std::string&) override { return true; }
};

} // namespace

TEST(NoveltySearch, TellsTheMethodNoveltyNotFitnessAndSavesItsArchive)
{
    std::vector<float> told;
    modules::NoveltySearch search(std::make_unique<Recorder>(&told), 1, 0.5f);
    // The fittest two are alike, the least fit stands apart: it is the most novel.
    search.tellOutcome({9.0f, 8.0f, 0.0f}, {{0.0f, 0.0f}, {0.0f, 0.1f}, {1.0f, 1.0f}});
    ASSERT_EQ(told.size(), 3u);
    EXPECT_NEAR(told[0], 0.1f, 1e-6f);
    EXPECT_NEAR(told[2], std::hypot(1.0f, 0.9f), 1e-6f);
    // Saved beside the method's own state, and a state without it (a fitness run's) refused.
    modules::NoveltySearch restored(std::make_unique<Recorder>(&told), 1, 0.5f);
    std::string reason;
    ASSERT_TRUE(restored.restore(search.state(), reason)) << reason;
    EXPECT_EQ(restored.archive().behaviours().size(), 1u);
    EXPECT_EQ(restored.state(), search.state());
    EXPECT_FALSE(restored.restore({{"genomes", nlohmann::json::array()}}, reason));
    EXPECT_EQ(restored.archive().behaviours().size(), 1u);
}

namespace {

modules::NeuralNetwork tinyShape()
{
    modules::NeuralNetwork shape;
    shape.addLayer(1);
    shape.addLayer(0);
    shape.addLayer(1);
    return shape; // 3 genes: the input's threshold, the output's threshold and weight
}

} // namespace

TEST(MapElites, CellsKeepTheFittestAndScoreCoverageAndQd)
{
    MapElites map(tinyShape(), 4, 2, 0.0f, 0.0f, 0.0f, 1.0f, 7, false);
    // Cells: (0,0), (1,0) twice, and (1,1) from the top edge, which belongs to the last cell.
    map.tellOutcome({1.0f, 2.0f, 5.0f, -1.0f}, {{0.1f, 0.1f}, {0.9f, 0.2f}, {0.6f, 0.4f}, {1.0f, 1.0f}});
    EXPECT_EQ(map.filledCells(), 3);
    EXPECT_DOUBLE_EQ(map.coverage(), 0.75);
    EXPECT_FLOAT_EQ(map.grid()[1].fitness, 5.0f);
    EXPECT_DOUBLE_EQ(map.qdScore(-2.0f), 3.0 + 7.0 + 1.0);
    // An equal fitness does not take a cell; a greater one does; NaN takes none.
    const std::vector<float> held = map.grid()[1].genome;
    map.tellOutcome({5.0f, std::nanf(""), 0.0f, 0.0f}, {{0.7f, 0.1f}, {0.1f, 0.9f}, {0.1f, 0.1f}, {0.1f, 0.1f}});
    EXPECT_EQ(map.grid()[1].genome, held);
    EXPECT_EQ(map.filledCells(), 3);
    map.tellOutcome({6.0f, 0.0f, 0.0f, 0.0f}, {{0.7f, 0.1f}, {0.1f, 0.1f}, {0.1f, 0.1f}, {0.1f, 0.1f}});
    EXPECT_FLOAT_EQ(map.grid()[1].fitness, 6.0f);
    // Without mutation or crossover every candidate is a copy of a filled cell's elite.
    for (const auto& brain : map.ask()) {
        const auto* network = dynamic_cast<const modules::FlatNetwork*>(brain.get());
        ASSERT_NE(network, nullptr);
        bool copied = false;
        for (const MapElites::Elite& elite : map.grid())
            copied = copied || (elite.filled && elite.genome == network->genes());
        EXPECT_TRUE(copied);
    }
    EXPECT_NE(map.eliteBrain(1), nullptr);
    EXPECT_EQ(map.eliteBrain(2), nullptr); // empty
}

TEST(MapElites, RestoreRefusesStatesNoRunReaches)
{
    MapElites source(tinyShape(), 2, 2, 0.5f, 0.5f, 1.0f, 1.0f, 3, false);
    source.tellOutcome({1.0f, 2.0f}, {{0.1f, 0.1f}, {0.9f, 0.9f}});
    const nlohmann::json good = source.state();
    struct Case {
        const char* name;
        std::function<void(nlohmann::json&)> damage;
    };
    const Case cases[] = {
        {"other grid", [](nlohmann::json& s) { s["cells_per_axis"] = 3; }},
        {"cell outside", [](nlohmann::json& s) { s["elites"][0]["cell"] = 4; }},
        {"two in one cell", [](nlohmann::json& s) { s["elites"][1]["cell"] = s["elites"][0]["cell"]; }},
        {"behaviour elsewhere", [](nlohmann::json& s) { s["elites"][0]["behaviour"] = {0.9, 0.1}; }},
        {"behaviour outside", [](nlohmann::json& s) { s["elites"][0]["behaviour"] = {1.5, 0.1}; }},
        {"short genome", [](nlohmann::json& s) { s["elites"][0]["genome"].erase(0); }},
        {"fitness missing", [](nlohmann::json& s) { s["elites"][0].erase("fitness"); }},
        {"candidates", [](nlohmann::json& s) { s["candidates"].erase(0); }},
        {"generator", [](nlohmann::json& s) { s.erase("random"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nlohmann::json damaged = good;
        c.damage(damaged);
        MapElites target(tinyShape(), 2, 2, 0.5f, 0.5f, 1.0f, 1.0f, 3, true);
        std::string reason;
        EXPECT_FALSE(target.restore(damaged, reason));
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(target.filledCells(), 0) << "a refused state changed the grid";
    }
    MapElites target(tinyShape(), 2, 2, 0.5f, 0.5f, 1.0f, 1.0f, 3, true);
    std::string reason;
    ASSERT_TRUE(target.restore(good, reason)) << reason;
    EXPECT_EQ(target.state(), good);
}
