#pragma once

// What the layered networks (NeuralNetwork and its flat copy) share, so that they step and
// are drawn alike.

#include "brain/Brain.h"

#include <cmath>
#include <vector>

namespace modules {

// A neuron's output from its weighted sum minus its threshold: 1 / (e^-x + 1), taken in
// double precision.
inline float neuronOutput(float x)
{
    return static_cast<float>(1.0 / (std::pow(2.718281828459045, -static_cast<double>(x)) + 1.0));
}

// Layer k in column k, every weight a link. `genes` in NeuralNetwork::getData()'s order,
// `outputs` each neuron's last output, layer by layer.
BrainPicture layeredPicture(const std::vector<int>& layerSizes, const std::vector<float>& genes,
                            const std::vector<float>& outputs);

} // namespace modules
