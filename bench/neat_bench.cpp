// A NEAT network's step against the layered network with the same number of connections
// (4-4-2: 24 weights, 6 activations).

#include "brain/NeuralNetwork.h"
#include "methods/MethodRandom.h"
#include "methods/neat/InnovationRecord.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatMutation.h"
#include "methods/neat/NeatNetwork.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

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

void BM_LayeredProcess24(benchmark::State& state)
{
    std::srand(3);
    modules::NeuralNetwork network(1.0f);
    network.addLayer(4);
    network.addLayer(4);
    network.addLayer(2);
    runSteps(state, network);
}
BENCHMARK(BM_LayeredProcess24);

// The same 4-4-2 network, weights and thresholds as a NEAT genome: the cost of the flat
// arrays against the layers, apart from the shape.
void BM_NeatProcessLayeredShape(benchmark::State& state)
{
    std::srand(3);
    modules::NeuralNetwork layered(1.0f);
    layered.addLayer(4);
    layered.addLayer(4);
    layered.addLayer(2);
    modules::NeatGenome genome;
    for (int i = 0; i < 4; ++i)
        genome.nodes.push_back({i, modules::NodeGene::INPUT, 0.0f});
    for (int o = 0; o < 2; ++o)
        genome.nodes.push_back({4 + o, modules::NodeGene::OUTPUT, layered.layers[2][o].threshold});
    for (int h = 0; h < 4; ++h)
        genome.nodes.push_back({6 + h, modules::NodeGene::HIDDEN, layered.layers[1][h].threshold});
    int innovation = 0;
    for (int h = 0; h < 4; ++h)
        for (int i = 0; i < 4; ++i)
            genome.connections.push_back({i, 6 + h, layered.layers[1][h].weights[i], true, innovation++});
    for (int o = 0; o < 2; ++o)
        for (int h = 0; h < 4; ++h)
            genome.connections.push_back({6 + h, 4 + o, layered.layers[2][o].weights[h], true, innovation++});
    modules::NeatNetwork network(genome, 4, 2);
    runSteps(state, network);
}
BENCHMARK(BM_NeatProcessLayeredShape);

// A genome grown by NEAT's own mutations from 4-to-2: `hidden` splits, then new
// connections until 24 are enabled (a split adds two and disables one).
void BM_NeatProcess24(benchmark::State& state)
{
    modules::MethodRandom random(3);
    modules::InnovationRecord record(6, 8);
    modules::NeatGenome genome = modules::minimalGenome(4, 2, 1.0f, random);
    for (int k = 0; k < state.range(0); ++k) {
        record.startGeneration();
        modules::addNode(genome, record, random);
    }
    while (genome.enabledConnectionCount() < 24)
        modules::addConnection(genome, record, 1.0f, random);
    modules::NeatNetwork network(genome, 4, 2);
    state.counters["connections"] = network.connectionCount();
    runSteps(state, network);
}
BENCHMARK(BM_NeatProcess24)->ArgName("hidden")->Arg(4)->Arg(6);

} // namespace
