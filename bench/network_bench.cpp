// NeuralNetwork::process alone: 4 inputs, one hidden layer, 2 outputs.

#include "NetworkSteps.h"

#include "brain/NeuralNetwork.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_NetworkProcess(benchmark::State& state)
{
    std::srand(3);
    modules::NeuralNetwork network(1.0f);
    network.addLayer(4);
    network.addLayer(static_cast<int>(state.range(0)));
    network.addLayer(2);
    bench_support::runSteps(state, network);
}
BENCHMARK(BM_NetworkProcess)->ArgName("hidden")->Arg(4)->Arg(16)->Arg(64);

} // namespace
