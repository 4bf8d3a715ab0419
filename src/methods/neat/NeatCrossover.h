#pragma once

namespace modules {

struct NeatGenome;
struct NeatSettings;
class MethodRandom;

// The child of two parents with the given fitnesses. Genes are aligned by innovation
// number: a matching gene comes from either parent at random; disjoint and excess genes
// come from the fitter parent, or from both when the fitnesses are equal (then a gene that
// would join an already joined pair or close a cycle is left out). A gene disabled in
// either parent is disabled in the child with probability disabledInheritRate. A node's
// threshold comes from either parent at random when both have the node.
NeatGenome crossover(const NeatGenome& a, double fitnessA, const NeatGenome& b, double fitnessB,
                     const NeatSettings& settings, MethodRandom& random);

} // namespace modules
