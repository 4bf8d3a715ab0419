// Whole simulation steps: every vehicle's update (items, sensors, network, motion) and the
// scene's animation pass with each vehicle's collision response against the walls, in the
// real arena. Generations end and are bred as they come, as in a run.

#include "BenchEngine.h"

#include <benchmark/benchmark.h>

namespace {

constexpr unsigned SEED = 42;

// The panel's defaults: 20 vehicles, 60 items, 600-step generations.
void BM_SimulationStep(benchmark::State& state)
{
    bench_support::EngineRun run(modules::EvolutionParams(), SEED, state);
    if (!run.ok)
        return;
    for (auto _ : state)
        run.step();
    state.counters["steps_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimulationStep);

// A whole default generation: 600 steps and the generation cycle that ends it.
void BM_DefaultGeneration(benchmark::State& state)
{
    bench_support::EngineRun run(modules::EvolutionParams(), SEED, state);
    if (!run.ok)
        return;
    for (auto _ : state) {
        const int generation = modules::engine.world->run->generation;
        while (modules::engine.world->run->generation == generation)
            run.step();
    }
    state.counters["steps_per_second"] = benchmark::Counter(static_cast<double>(run.steps),
                                                            benchmark::Counter::kIsRate);
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(run.steps) / 30.0,
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DefaultGeneration)->Unit(benchmark::kMillisecond);

// Population (first argument) by items (second). The per vehicle-item figure stays flat
// when the cost grows no faster than vehicles x items.
void BM_SimulationStepScaling(benchmark::State& state)
{
    modules::EvolutionParams params;
    params.populationSize = static_cast<int>(state.range(0));
    params.itemCount = static_cast<int>(state.range(1));
    bench_support::EngineRun run(params, SEED, state);
    if (!run.ok)
        return;
    for (auto _ : state)
        run.step();
    state.counters["steps_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
    state.counters["s_per_vehicle_item"] = benchmark::Counter(
        static_cast<double>(state.range(0) * state.range(1)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimulationStepScaling)
    ->ArgNames({"vehicles", "items"})
    ->ArgsProduct({{20, 100, 500}, {60, 300, 1000}})
    ->Unit(benchmark::kMicrosecond);
// The largest run the panel allows: 10,000 vehicles and 10,000 items. Building it takes a
// while, so it runs a fixed number of steps.
BENCHMARK(BM_SimulationStepScaling)
    ->Name("BM_SimulationStepLargest")
    ->ArgNames({"vehicles", "items"})
    ->Args({10000, 10000})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace
