// The generation cycle alone: scores into networks, the vehicles and items torn down, the
// ranking, selection, crossover and mutation, and the next generation's items and vehicles
// built in the arena.

#include "BenchEngine.h"

#include "vehicle/Vehicle.h"

#include <benchmark/benchmark.h>

#include <cstddef>

namespace {

void BM_GenerationCycle(benchmark::State& state)
{
    modules::EvolutionParams params;
    params.populationSize = static_cast<int>(state.range(0));
    params.selectorType = static_cast<int>(state.range(1));
    bench_support::EngineRun run(params, 7, state);
    if (!run.ok)
        return;
    modules::World& world = *modules::engine.world;
    for (auto _ : state) {
        // Scores spread like a real generation's, so selection has work to do.
        for (std::size_t i = 0; i < world.vehicles.size(); ++i)
            world.vehicles[i]->fitness = static_cast<float>((i * 7) % 13);
        modules::runGenerationCycle(world);
    }
}
BENCHMARK(BM_GenerationCycle)
    ->ArgNames({"networks", "selector"})
    ->Args({20, 0})
    ->Args({20, 1})
    ->Args({100, 0})
    ->Args({500, 0})
    ->Unit(benchmark::kMicrosecond);

} // namespace
