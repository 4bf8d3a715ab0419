// One generation's ask and tell of each evolution strategy, with 20 candidates, beside the
// network sizes a run can have: the default 34 genes; 48 and 55 on either side of CMA-ES's
// switch to the separable covariance; about 1,000, 10,000 and 70,000 (hidden layers of 142,
// 1428 and 9999 neurons). Compare with BM_DefaultGeneration.

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

void askTell(benchmark::State& state, modules::EvolutionMethod& method, int genes)
{
    std::vector<float> fitnesses(POPULATION);
    int turn = 0;
    for (auto _ : state) {
        auto brains = method.ask();
        benchmark::DoNotOptimize(brains.data());
        // Scores that change order each generation, with ties.
        for (int i = 0; i < POPULATION; ++i)
            fitnesses[i] = static_cast<float>((i * 7 + turn) % 13);
        ++turn;
        method.tell(fitnesses);
    }
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

} // namespace
