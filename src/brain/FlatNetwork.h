#pragma once

#include "brain/Brain.h"

#include <memory>
#include <vector>

namespace modules {

class NeuralNetwork;

// The layered network with all its genes in one block: the same step, float for float, as
// NeuralNetwork::process, but a copy costs a few allocations instead of one per neuron.
// For methods that hand out a new set of networks of one shape every generation.
class FlatNetwork : public Brain {
public:
    // The shape (layer sizes) of `shape`; the genes are those of `shape` until set.
    explicit FlatNetwork(const NeuralNetwork& shape);

    // The genes in NeuralNetwork::getData()'s order: layer by layer, neuron by neuron, the
    // weights then the threshold. As many as the shape has.
    std::vector<float>& genes() { return data; }
    const std::vector<float>& genes() const { return data; }

    void process(const std::vector<float>& inputs, std::vector<float>& outputs) override;
    std::unique_ptr<Brain> clone() const override;
    BrainPicture picture() const override;
    int connectionCount() const override;

private:
    // Shared by every copy: the layer sizes do not change.
    std::shared_ptr<const std::vector<int>> sizes;
    std::vector<float> data;
    std::vector<float> values; // each neuron's last output, layer by layer
};

} // namespace modules
