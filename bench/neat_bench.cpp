// A NEAT network's step against the layered network with the same number of connections
// (4-4-2: 24 weights, 6 activations). Two measures: one network whose every call waits for
// the last (the latency of a step, which deep grown networks feel most), and the arena's own
// pattern, 20 vehicles each stepping its own network once per simulation step, their calls
// independent within the step (the cost per vehicle).

#include "NetworkSteps.h"

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

using bench_support::runSteps;

constexpr int VEHICLES = 20;

// One simulation step's networks per iteration: each vehicle's own inputs, the next step's
// reading made from what its network answered.
template <class Network>
void runVehicles(benchmark::State& state, const Network& network)
{
    std::vector<Network> networks(VEHICLES, network);
    std::vector<std::vector<float>> inputs(VEHICLES), outputs(VEHICLES, std::vector<float>(2, 0.0f));
    for (int v = 0; v < VEHICLES; ++v)
        inputs[v] = {0.25f, 0.01f * static_cast<float>(v), 0.5f, 0.75f};
    for (auto _ : state) {
        for (int v = 0; v < VEHICLES; ++v)
            networks[v].process(inputs[v], outputs[v]);
        for (int v = 0; v < VEHICLES; ++v)
            inputs[v][1] = outputs[v][0];
        benchmark::DoNotOptimize(inputs.data());
    }
    state.counters["per_vehicle"] = benchmark::Counter(static_cast<double>(VEHICLES),
                                                       benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

modules::NeuralNetwork layered442()
{
    std::srand(3);
    modules::NeuralNetwork network(1.0f);
    network.addLayer(4);
    network.addLayer(4);
    network.addLayer(2);
    return network;
}

void BM_LayeredProcess24(benchmark::State& state)
{
    modules::NeuralNetwork network = layered442();
    runSteps(state, network);
}
BENCHMARK(BM_LayeredProcess24);

void BM_LayeredVehicles24(benchmark::State& state)
{
    runVehicles(state, layered442());
}
BENCHMARK(BM_LayeredVehicles24);

// The same 4-4-2 network, weights and thresholds as a NEAT genome: the cost of the flat
// arrays against the layers, apart from the shape.
void BM_NeatProcessLayeredShape(benchmark::State& state)
{
    const modules::NeuralNetwork layered = layered442();
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
modules::NeatNetwork grown24(int hidden)
{
    modules::MethodRandom random(3);
    modules::InnovationRecord record(6, 8);
    modules::NeatGenome genome = modules::minimalGenome(4, 2, 1.0f, random);
    for (int k = 0; k < hidden; ++k) {
        record.startGeneration();
        modules::addNode(genome, record, random);
    }
    while (genome.enabledConnectionCount() < 24)
        modules::addConnection(genome, record, 1.0f, random);
    return modules::NeatNetwork(genome, 4, 2);
}

void BM_NeatProcess24(benchmark::State& state)
{
    modules::NeatNetwork network = grown24(static_cast<int>(state.range(0)));
    state.counters["connections"] = network.connectionCount();
    runSteps(state, network);
}
BENCHMARK(BM_NeatProcess24)->ArgName("hidden")->Arg(4)->Arg(6);

void BM_NeatVehicles24(benchmark::State& state)
{
    runVehicles(state, grown24(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_NeatVehicles24)->ArgName("hidden")->Arg(4)->Arg(6);

} // namespace
