#pragma once

#include <memory>
#include <vector>

namespace modules {

// What a network looks like, for drawing it: nodes placed in columns by depth (inputs in
// column 0, outputs in the last), and the connections that are in use.
struct BrainNode {
    enum Kind { INPUT, HIDDEN, OUTPUT };
    Kind kind = HIDDEN;
    int column = 0;
    float activation = 0.0f; // what the last process() left
};
struct BrainLink {
    int from = 0; // indices into BrainPicture::nodes
    int to = 0;
    float weight = 0.0f;
};
struct BrainPicture {
    std::vector<BrainNode> nodes;
    std::vector<BrainLink> links;
};

// A vehicle's controller: four sensor readings in, turning and speed out. The layered
// network and grown topologies both implement it, so vehicles need not know which one
// steers them.
class Brain {
public:
    virtual ~Brain() = default;
    // On failure writes one line to standard output and leaves `outputs` as it was.
    virtual void process(const std::vector<float>& inputs, std::vector<float>& outputs) = 0;
    virtual std::unique_ptr<Brain> clone() const = 0;
    virtual BrainPicture picture() const = 0;
    // Connections in use (weights, thresholds not counted): the size that a step costs.
    virtual int connectionCount() const = 0;
};

} // namespace modules
