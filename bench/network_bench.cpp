// NeuralNetwork::process alone: 4 inputs, one hidden layer, 2 outputs.

#include "brain/NeuralNetwork.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

void BM_NetworkProcess(benchmark::State& state)
{
    std::srand(3);
    modules::NeuralNetwork network(1.0f);
    network.addLayer(4);
    network.addLayer(static_cast<int>(state.range(0)));
    network.addLayer(2);
    std::vector<float> inputs{0.25f, 0.0f, 0.5f, 0.75f};
    std::vector<float> outputs(2, 0.0f);
    for (auto _ : state) {
        network.process(inputs, outputs);
        benchmark::DoNotOptimize(outputs.data());
        inputs[1] = outputs[0]; // a new input every call
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NetworkProcess)->ArgName("hidden")->Arg(4)->Arg(16)->Arg(64);

} // namespace
