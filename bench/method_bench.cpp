// One generation's ask and tell of each evolution strategy, with 20 candidates, beside the
// network sizes a run can have: the default 34 genes; 48 and 55 on either side of CMA-ES's
// switch to the separable covariance; about 1,000, 10,000 and 70,000 (hidden layers of 142,
// 1428 and 9999 neurons). Compare with BM_DefaultGeneration, or read the share of one from
// BM_MethodShareOfGeneration.

#include "BenchEngine.h"

#include "brain/NeuralNetwork.h"
#include "methods/CmaEs.h"
#include "methods/OpenAiEs.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int POPULATION = 20;

modules::NeuralNetwork networkOfAbout(int genes)
{
    // 4 inputs, H hidden, 2 outputs: 4 + 5 H + 2 (H + 1) genes.
    std::srand(1);
    modules::NeuralNetwork shape(1.0f);
    shape.addLayer(4);
    shape.addLayer((genes - 6) / 7);
    shape.addLayer(2);
    return shape;
}

// One generation of the method: its candidates as brains, then scores that change order
// each generation, with ties.
void askTellOnce(modules::EvolutionMethod& method, std::vector<float>& fitnesses, int turn)
{
    auto brains = method.ask();
    benchmark::DoNotOptimize(brains.data());
    for (size_t i = 0; i < fitnesses.size(); ++i)
        fitnesses[i] = static_cast<float>((static_cast<int>(i) * 7 + turn) % 13);
    method.tell(fitnesses);
}

void askTell(benchmark::State& state, modules::EvolutionMethod& method, int genes)
{
    std::vector<float> fitnesses(POPULATION);
    int turn = 0;
    for (auto _ : state)
        askTellOnce(method, fitnesses, turn++);
    state.counters["genes"] = genes;
    state.SetLabel(method.description());
}

void BM_MethodCmaEs(benchmark::State& state)
{
    const modules::NeuralNetwork shape = networkOfAbout(static_cast<int>(state.range(0)));
    auto method = modules::makeCmaEsMethod(shape, POPULATION, modules::CMAES_DEFAULT_SIGMA, 1);
    askTell(state, *method, shape.geneCount());
}
BENCHMARK(BM_MethodCmaEs)->ArgName("genes")->Arg(34)->Arg(48)->Arg(55)->Arg(1000)->Arg(10000)->Arg(70000)->Unit(benchmark::kMicrosecond);

void BM_MethodOpenAiEs(benchmark::State& state)
{
    const modules::NeuralNetwork shape = networkOfAbout(static_cast<int>(state.range(0)));
    auto method = modules::makeOpenAiEsMethod(shape, POPULATION, modules::OPENAI_ES_DEFAULT_SIGMA,
                                              modules::OPENAI_ES_DEFAULT_LEARNING_RATE, 1);
    askTell(state, *method, shape.geneCount());
}
BENCHMARK(BM_MethodOpenAiEs)->ArgName("genes")->Arg(34)->Arg(48)->Arg(55)->Arg(1000)->Arg(10000)->Arg(70000)->Unit(benchmark::kMicrosecond);

// The share itself: each iteration runs one default generation in the arena (600 steps of 20
// vehicles and the cycle that ends it) and then one ask and tell of the method, timed in
// turn, so that a machine whose speed drifts changes both alike. The time reported is the
// method's; share_percent is its total over the generations' total. First argument: 0 for
// cmaes, 1 for openai-es; second: the genes.
void BM_MethodShareOfGeneration(benchmark::State& state)
{
    const modules::NeuralNetwork shape = networkOfAbout(static_cast<int>(state.range(1)));
    auto method = state.range(0) == 0
                      ? modules::makeCmaEsMethod(shape, POPULATION, modules::CMAES_DEFAULT_SIGMA, 1)
                      : modules::makeOpenAiEsMethod(shape, POPULATION, modules::OPENAI_ES_DEFAULT_SIGMA,
                                                    modules::OPENAI_ES_DEFAULT_LEARNING_RATE, 1);
    bench_support::EngineRun run(modules::EvolutionParams(), 42, state);
    if (!run.ok)
        return;
    std::vector<float> fitnesses(POPULATION);
    int turn = 0;
    const double share =
        bench_support::shareOfGeneration(state, run, [&] { askTellOnce(*method, fitnesses, turn++); });
    state.counters["genes"] = shape.geneCount();
    state.counters["share_percent"] = share;
    state.SetLabel(method->name() + ", " + method->description());
}
BENCHMARK(BM_MethodShareOfGeneration)
    ->ArgNames({"method", "genes"})
    ->ArgsProduct({{0, 1}, {34, 48, 1000}})
    ->UseManualTime()
    ->Iterations(60) // a second of generations each; the manual time alone would ask for minutes
    ->Unit(benchmark::kMicrosecond);

} // namespace
