#pragma once

// One network stepped over and over, each call with a new input taken from the last call's
// output: the latency of a step.

#include <benchmark/benchmark.h>

#include <vector>

namespace bench_support {

template <class Network>
void runSteps(benchmark::State& state, Network& network)
{
    std::vector<float> inputs{0.25f, 0.0f, 0.5f, 0.75f};
    std::vector<float> outputs(2, 0.0f);
    for (auto _ : state) {
        network.process(inputs, outputs);
        benchmark::DoNotOptimize(outputs.data());
        inputs[1] = outputs[0]; // a new input every call
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace bench_support
