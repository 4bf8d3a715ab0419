#include "brain/FlatNetwork.h"

#include "brain/Layered.h"
#include "brain/NeuralNetwork.h"

#include <cstdio>

namespace modules {

FlatNetwork::FlatNetwork(const NeuralNetwork& shape)
    : data(shape.getData())
{
    auto layerSizes = std::make_shared<std::vector<int>>();
    size_t neurons = 0;
    for (const auto& layer : shape.layers) {
        layerSizes->push_back(static_cast<int>(layer.size()));
        neurons += layer.size();
    }
    sizes = std::move(layerSizes);
    values.assign(neurons, 0.0f);
}

void FlatNetwork::process(const std::vector<float>& inputs, std::vector<float>& outputs)
{
    const std::vector<int>& layers = *sizes;
    if (layers.empty()) {
        std::puts("Error: FlatNetwork::process: no neuron layers.");
        return;
    }
    if (inputs.size() != static_cast<size_t>(layers[0])) {
        std::puts("Error: FlatNetwork::process: incorrect number of inputs given");
        return;
    }
    float* value = values.data();
    const float* gene = data.data() + layers[0]; // the input layer's thresholds are unused
    for (size_t i = 0; i < inputs.size(); ++i)
        value[i] = inputs[i];

    const float* previous = value;
    float* current = value + layers[0];
    for (size_t k = 1; k < layers.size(); ++k) {
        const int width = layers[k - 1];
        for (int n = 0; n < layers[k]; ++n) {
            float sum = 0.0f;
            for (int i = 0; i < width; ++i)
                sum += gene[i] * previous[i];
            const float x = sum - gene[width];
            gene += width + 1;
            current[n] = neuronOutput(x);
        }
        previous = current;
        current += layers[k];
    }

    const int last = layers.back();
    outputs.assign(static_cast<size_t>(last), 0.0f);
    for (int i = 0; i < last; ++i)
        outputs[i] = previous[i];
}

std::unique_ptr<Brain> FlatNetwork::clone() const
{
    return std::make_unique<FlatNetwork>(*this);
}

BrainPicture FlatNetwork::picture() const
{
    return layeredPicture(*sizes, data, values);
}

int FlatNetwork::connectionCount() const
{
    const std::vector<int>& layers = *sizes;
    int count = 0;
    for (size_t k = 1; k < layers.size(); ++k)
        count += layers[k - 1] * layers[k];
    return count;
}

} // namespace modules
