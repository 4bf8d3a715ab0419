// Novelty search's own cost per generation: the k-nearest-neighbour scoring of 20 behaviours
// against each other and the archive, and the archive's update, at archive sizes from none to
// 50,000 (the maze runs of a few hundred generations hold hundreds to a few thousand). The
// archive's grid of buckets keeps it about flat: it follows the archive's density, not its size.
// BM_NoveltyShareOfGeneration gives it as a share of a default generation run beside it.

#include "BenchEngine.h"

#include "methods/MapElites.h"
#include "methods/MethodRandom.h"
#include "methods/NoveltyArchive.h"

#include <benchmark/benchmark.h>


namespace {

constexpr int POPULATION = 20;

// An archive of `size` behaviours spread over the space, and a threshold no behaviour
// passes, so that it keeps its size while timed.
modules::NoveltyArchive archiveOf(long long size)
{
    modules::MethodRandom random(5);
    nlohmann::json points = nlohmann::json::array();
    for (long long i = 0; i < size; ++i)
        points.push_back({random.uniform(), random.uniform()});
    modules::NoveltyArchive archive;
    std::string reason;
    archive.restore({{"threshold", 10.0}, {"evaluated_since", 0}, {"added_since", 0}, {"archive", points}}, reason);
    return archive;
}

std::vector<modules::Behaviour> generationOf(modules::MethodRandom& random)
{
    std::vector<modules::Behaviour> behaviours(POPULATION);
    for (modules::Behaviour& b : behaviours)
        b = {static_cast<float>(random.uniform()), static_cast<float>(random.uniform())};
    return behaviours;
}

void BM_NoveltyScoreAndUpdate(benchmark::State& state)
{
    modules::NoveltyArchive archive = archiveOf(state.range(0));
    modules::MethodRandom random(9);
    for (auto _ : state) {
        const std::vector<modules::Behaviour> generation = generationOf(random);
        const std::vector<float> novelty = archive.novelty(generation);
        archive.update(generation, novelty);
        benchmark::DoNotOptimize(novelty.data());
    }
    state.counters["archive"] = static_cast<double>(archive.behaviours().size());
}
BENCHMARK(BM_NoveltyScoreAndUpdate)->ArgName("archive")->Arg(0)->Arg(1000)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(50000)
    ->Unit(benchmark::kMicrosecond);

// Each iteration runs one default generation in the arena and then scores a generation,
// timed in turn; the time reported is the scoring's, share_percent its total over the
// generations' total.
void BM_NoveltyShareOfGeneration(benchmark::State& state)
{
    modules::NoveltyArchive archive = archiveOf(state.range(0));
    modules::MethodRandom random(9);
    bench_support::EngineRun run(modules::EvolutionParams(), 42, state);
    if (!run.ok)
        return;
    state.counters["share_percent"] = bench_support::shareOfGeneration(state, run, [&] {
        const std::vector<modules::Behaviour> behaviours = generationOf(random);
        const std::vector<float> novelty = archive.novelty(behaviours);
        archive.update(behaviours, novelty);
        benchmark::DoNotOptimize(novelty.data());
    });
}
BENCHMARK(BM_NoveltyShareOfGeneration)
    ->ArgName("archive")
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(60)
    ->Unit(benchmark::kMicrosecond);

// MAP-Elites' tell (the grid's update and the next candidates) for 20 candidates of the
// default 34 genes, by cells per axis: its cost does not grow with the run.
void BM_MapElitesTell(benchmark::State& state)
{
    modules::NeuralNetwork shape(1.0f);
    shape.addLayer(4);
    shape.addLayer(4);
    shape.addLayer(2);
    const int cells = static_cast<int>(state.range(0));
    modules::MapElites map(shape, POPULATION, cells, 0.8f, 0.05f, 10.0f, 1.0f, 3, false);
    modules::MethodRandom random(9);
    std::vector<float> fitness(POPULATION);
    for (auto _ : state) {
        for (float& f : fitness)
            f = static_cast<float>(random.uniform() * 20.0);
        map.tellOutcome(fitness, generationOf(random));
    }
    state.counters["filled"] = map.filledCells();
}
BENCHMARK(BM_MapElitesTell)->ArgName("cells")->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace
