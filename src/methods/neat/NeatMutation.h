#pragma once

#include "evolution/RunLimits.h"

namespace modules {

struct NeatGenome;
struct NeatSettings;
class InnovationRecord;
class MethodRandom;

// Each with its own probability from the settings, in this order: add a node, add a
// connection, re-enable a connection, change the weights (and thresholds). A new node or
// connection is left out when the genome would pass `geneLimit` genes.
void mutateGenome(NeatGenome& genome, InnovationRecord& record, const NeatSettings& settings, float weightRange,
                  MethodRandom& random, int geneLimit = MAX_NEAT_GENOME_GENES);

// Splits an enabled connection chosen at random: the old one is disabled, the new node
// gets it through a weight of 1 and passes it on with the old weight. False when there is
// no enabled connection, or the record has no numbers left (NEAT_COUNTER_LIMIT).
bool addNode(NeatGenome& genome, InnovationRecord& record, MethodRandom& random);
// Joins two nodes not yet joined without closing a cycle, with a weight drawn in the weight
// range: a source drawn among the input and hidden nodes (the next in turn when it has no
// free target), then a target drawn among the hidden and output nodes it may join. False
// when every such pair is joined already, or the record has no numbers left. Time and
// memory linear in the genome for each source tried.
bool addConnection(NeatGenome& genome, InnovationRecord& record, float weightRange, MethodRandom& random);
// Switches one disabled connection, chosen at random, back on. False when there is none.
bool reenableConnection(NeatGenome& genome, MethodRandom& random);
// Every weight and threshold: perturbed (probability weightPerturbRate) or redrawn.
void mutateWeights(NeatGenome& genome, const NeatSettings& settings, float weightRange, MethodRandom& random);

} // namespace modules
