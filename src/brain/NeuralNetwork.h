#pragma once

#include "brain/Brain.h"

#include <stdexcept>
#include <vector>

namespace modules {

struct Neuron {
    std::vector<float> weights; // one per neuron of the previous layer; empty in layer 0
    float threshold = 0.0f;
    float weightRange = 1.0f;   // scale for redrawing this neuron's values
    float output = 0.0f;
};

// Raised when the fittest network of an empty population is asked for.
class EmptyPopulationError : public std::runtime_error {
public:
    EmptyPopulationError();
};

// A fully connected feed-forward network: a vehicle's brain and, flattened, its genome.
// A value type: copies are deep.
class NeuralNetwork : public Brain {
public:
    explicit NeuralNetwork(float weightRange = 1.0f);

    // Appends a layer of `count` neurons (none when count <= 0), each with random values.
    void addLayer(int count);
    // Layer by layer, neuron by neuron: the weights in index order, then the threshold.
    std::vector<float> getData() const;
    // Reads a genome in getData()'s order; the caller passes one of the right length.
    void setData(const std::vector<float>& data);
    // Runs the network. On failure writes one line to standard output and leaves
    // `outputs` as it was.
    void process(const std::vector<float>& inputs, std::vector<float>& outputs) override;
    std::unique_ptr<Brain> clone() const override;
    // Layer k in column k; every weight is a link.
    BrainPicture picture() const override;
    int connectionCount() const override;
    // Redraws every threshold and weight, the input layer included.
    void randomize();

    // The fittest network of a population (the first of equals); the population is not
    // changed. Throws EmptyPopulationError for an empty population.
    static const NeuralNetwork& getFittest(const std::vector<NeuralNetwork>& population);

    int geneCount() const;

    float weightRange;
    std::vector<std::vector<Neuron>> layers;
    float fitness = 0.0f;
};

} // namespace modules
