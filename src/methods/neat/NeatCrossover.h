#pragma once

namespace modules {

struct NeatGenome;
struct NeatSettings;
class MethodRandom;

// The child of two parents with the given fitnesses. Genes are aligned by innovation
// number: a matching gene comes from either parent at random; disjoint and excess genes
// come from the fitter parent, or when the fitnesses are equal from the parent with fewer
// connections (`a` when both have as many), so a child never holds more genes than its
// larger parent. A gene disabled in either parent is disabled in the child with
// probability disabledInheritRate. A node's threshold comes from either parent at random
// when both have the node.
NeatGenome crossover(const NeatGenome& a, double fitnessA, const NeatGenome& b, double fitnessB,
                     const NeatSettings& settings, MethodRandom& random);

} // namespace modules
