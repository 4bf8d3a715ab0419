#pragma once

namespace modules {

struct NeatGenome;
struct NeatSettings;
class InnovationRecord;
class MethodRandom;

// Each with its own probability from the settings, in this order: add a node, add a
// connection, re-enable a connection, change the weights (and thresholds).
void mutateGenome(NeatGenome& genome, InnovationRecord& record, const NeatSettings& settings, float weightRange,
                  MethodRandom& random);

// Splits an enabled connection chosen at random: the old one is disabled, the new node
// gets it through a weight of 1 and passes it on with the old weight. False when there is
// no enabled connection.
bool addNode(NeatGenome& genome, InnovationRecord& record, MethodRandom& random);
// Joins two nodes not yet joined, chosen at random among the pairs that keep the genome
// free of cycles (from an input or hidden node to a hidden or output node), with a weight
// drawn in the weight range. False when every such pair is joined already.
bool addConnection(NeatGenome& genome, InnovationRecord& record, float weightRange, MethodRandom& random);
// Switches one disabled connection, chosen at random, back on. False when there is none.
bool reenableConnection(NeatGenome& genome, MethodRandom& random);
// Every weight and threshold: perturbed (probability weightPerturbRate) or redrawn.
void mutateWeights(NeatGenome& genome, const NeatSettings& settings, float weightRange, MethodRandom& random);

} // namespace modules
