#include "brain/NeuralNetwork.h"

#include "brain/Layered.h"
#include "core/Random.h"

#include <cstdio>

namespace modules {

EmptyPopulationError::EmptyPopulationError()
    : std::runtime_error("Error: NeuralNetwork::getFittest: population of zero size")
{
}

NeuralNetwork::NeuralNetwork(float weightRange)
    : weightRange(weightRange)
{
}

void NeuralNetwork::addLayer(int count)
{
    const size_t inputs = layers.empty() ? 0 : layers.back().size();
    std::vector<Neuron> layer;
    for (int n = 0; n < count; ++n) {
        Neuron neuron;
        neuron.weights.resize(inputs);
        neuron.weightRange = weightRange;
        neuron.threshold = fRand2() * weightRange;
        for (float& w : neuron.weights)
            w = fRand2() * weightRange;
        layer.push_back(std::move(neuron));
    }
    layers.push_back(std::move(layer));
}

int NeuralNetwork::geneCount() const
{
    int count = 0;
    for (const auto& layer : layers)
        for (const Neuron& neuron : layer)
            count += static_cast<int>(neuron.weights.size()) + 1;
    return count;
}

std::vector<float> NeuralNetwork::getData() const
{
    std::vector<float> data;
    data.reserve(geneCount());
    for (const auto& layer : layers) {
        for (const Neuron& neuron : layer) {
            data.insert(data.end(), neuron.weights.begin(), neuron.weights.end());
            data.push_back(neuron.threshold);
        }
    }
    return data;
}

void NeuralNetwork::setData(const std::vector<float>& data)
{
    size_t pos = 0;
    for (auto& layer : layers) {
        for (Neuron& neuron : layer) {
            for (float& w : neuron.weights)
                w = data[pos++];
            neuron.threshold = data[pos++];
        }
    }
}

void NeuralNetwork::process(const std::vector<float>& inputs, std::vector<float>& outputs)
{
    if (layers.empty()) {
        std::puts("Error: NeuralNetwork::process: no neuron layers.");
        return;
    }
    if (inputs.size() != layers[0].size()) {
        std::puts("Error: NeuralNetwork::process: incorrect number of inputs given");
        return;
    }
    for (size_t i = 0; i < inputs.size(); ++i)
        layers[0][i].output = inputs[i];

    for (size_t k = 1; k < layers.size(); ++k) {
        const std::vector<Neuron>& previous = layers[k - 1];
        for (Neuron& neuron : layers[k]) {
            float sum = 0.0f;
            for (size_t i = 0; i < previous.size(); ++i)
                sum += neuron.weights[i] * previous[i].output;
            const float x = sum - neuron.threshold;
            neuron.output = neuronOutput(x);
        }
    }

    const std::vector<Neuron>& last = layers.back();
    outputs.assign(last.size(), 0.0f);
    for (size_t i = 0; i < last.size(); ++i)
        outputs[i] = last[i].output;
}

std::unique_ptr<Brain> NeuralNetwork::clone() const
{
    return std::make_unique<NeuralNetwork>(*this);
}

BrainPicture NeuralNetwork::picture() const
{
    std::vector<int> sizes;
    std::vector<float> outputs;
    for (const auto& layer : layers) {
        sizes.push_back(static_cast<int>(layer.size()));
        for (const Neuron& neuron : layer)
            outputs.push_back(neuron.output);
    }
    return layeredPicture(sizes, getData(), outputs);
}

int NeuralNetwork::connectionCount() const
{
    int count = 0;
    for (const auto& layer : layers)
        for (const Neuron& neuron : layer)
            count += static_cast<int>(neuron.weights.size());
    return count;
}

void NeuralNetwork::randomize()
{
    for (auto& layer : layers) {
        for (Neuron& neuron : layer) {
            neuron.threshold = fRand2() * neuron.weightRange;
            for (float& w : neuron.weights)
                w = fRand2() * neuron.weightRange;
        }
    }
}

const NeuralNetwork& NeuralNetwork::getFittest(const std::vector<NeuralNetwork>& population)
{
    if (population.empty())
        throw EmptyPopulationError();
    const NeuralNetwork* best = &population[0];
    for (const NeuralNetwork& candidate : population)
        if (candidate.fitness > best->fitness)
            best = &candidate;
    return *best;
}

} // namespace modules
