#include "methods/neat/NeatPopulation.h"

#include "methods/neat/CompatibilityDistance.h"
#include "methods/neat/NeatCrossover.h"
#include "methods/neat/NeatGenomeJson.h"
#include "methods/neat/NeatMutation.h"
#include "methods/neat/OffspringShares.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

namespace modules {

namespace {

// Generations, ages and stagnation stop at the limit rather than overflow.
void countUp(int& counter)
{
    if (counter < NEAT_COUNTER_LIMIT)
        ++counter;
}

} // namespace

NeatPopulation::NeatPopulation(int inputs, int outputs, int size, float weightRange, std::uint64_t seed,
                               const NeatSettings& settings)
    : inputCount(inputs)
    , outputCount(outputs)
    , populationSize(std::max(0, size))
    , weightRange(weightRange)
    , settings(settings)
    , geneLimit(maxNeatGenomeGenes(populationSize))
    , random(seed)
    , record(inputs + outputs, inputs * outputs)
    , compatibilityThreshold(settings.initialThreshold)
{
    for (int k = 0; k < populationSize; ++k)
        members.push_back(minimalGenome(inputs, outputs, weightRange, random));
    speciate();
}

void NeatPopulation::speciate()
{
    // Species ids only tell species apart: before the counter could pass its limit in this
    // call (at most one new species per member), the species are numbered anew from 0.
    if (nextSpeciesId > NEAT_COUNTER_LIMIT - populationSize) {
        for (size_t k = 0; k < niches.size(); ++k)
            niches[k].id = static_cast<int>(k);
        nextSpeciesId = static_cast<int>(niches.size());
    }
    for (NeatGenome& genome : members) {
        genome.species = -1;
        for (const NeatSpecies& s : niches) {
            if (compatibilityDistance(genome, s.representative, settings) < compatibilityThreshold) {
                genome.species = s.id;
                break;
            }
        }
        if (genome.species < 0) {
            NeatSpecies founded;
            founded.id = nextSpeciesId++;
            founded.representative = genome;
            genome.species = founded.id;
            niches.push_back(std::move(founded));
        }
    }
    niches.erase(std::remove_if(niches.begin(), niches.end(),
                                [&](const NeatSpecies& s) {
                                    return std::none_of(members.begin(), members.end(),
                                                        [&](const NeatGenome& g) { return g.species == s.id; });
                                }),
                 niches.end());
    const int count = static_cast<int>(niches.size());
    if (count < settings.targetSpecies)
        compatibilityThreshold = std::max(settings.thresholdStep, compatibilityThreshold - settings.thresholdStep);
    else if (count > settings.targetSpecies)
        compatibilityThreshold += settings.thresholdStep;
}

void NeatPopulation::evolve(const std::vector<double>& fitnesses)
{
    if (fitnesses.size() != members.size() || members.empty())
        return;
    size_t best = 0;
    for (size_t k = 0; k < members.size(); ++k) {
        members[k].fitness = std::isfinite(fitnesses[k]) ? fitnesses[k] : 0.0;
        if (members[k].fitness > members[best].fitness)
            best = k;
    }

    // Members of each species, fittest first (the earlier of equals first).
    std::vector<std::vector<size_t>> ranked(niches.size());
    for (size_t s = 0; s < niches.size(); ++s) {
        for (size_t k = 0; k < members.size(); ++k)
            if (members[k].species == niches[s].id)
                ranked[s].push_back(k);
        std::stable_sort(ranked[s].begin(), ranked[s].end(),
                         [&](size_t x, size_t y) { return members[x].fitness > members[y].fitness; });
    }

    // Stagnation: a species whose best has not risen for too long stops breeding, unless
    // it holds the generation's best genome.
    std::vector<size_t> alive;
    for (size_t s = 0; s < niches.size(); ++s) {
        NeatSpecies& niche = niches[s];
        const double top = members[ranked[s].front()].fitness;
        countUp(niche.age);
        if (!niche.evaluated || top > niche.bestFitness) {
            niche.evaluated = true;
            niche.bestFitness = top;
            niche.stagnant = 0;
        } else {
            countUp(niche.stagnant);
        }
        if (niche.stagnant < settings.stagnationLimit || niche.id == members[best].species)
            alive.push_back(s);
    }

    // Explicit fitness sharing: every member's fitness divided by its species' size, so a
    // species earns offspring by its mean fitness. Fitness below 0 (a task with penalties)
    // counts from the generation's lowest, so that less bad still earns more.
    double floor = 0.0;
    for (const NeatGenome& member : members)
        floor = std::min(floor, member.fitness);
    std::vector<double> shares;
    for (size_t s : alive) {
        double sum = 0.0;
        for (size_t k : ranked[s])
            sum += (members[k].fitness - floor) / ranked[s].size();
        shares.push_back(sum);
    }
    const std::vector<int> offspring = shareOffspring(shares, populationSize);

    std::vector<NeatSpecies> survivors;
    std::vector<std::vector<size_t>> rankedSurvivors;
    std::vector<int> survivorOffspring;
    for (size_t a = 0; a < alive.size(); ++a) {
        if (offspring[a] == 0)
            continue;
        NeatSpecies niche = std::move(niches[alive[a]]);
        const std::vector<size_t>& ranking = ranked[alive[a]];
        niche.representative = members[ranking[random.below(ranking.size())]];
        survivors.push_back(std::move(niche));
        rankedSurvivors.push_back(ranking);
        survivorOffspring.push_back(offspring[a]);
    }
    niches = std::move(survivors);

    std::vector<NeatGenome> children = breed(rankedSurvivors, survivorOffspring);
    members = std::move(children);
    speciate();
    countUp(generationNumber);
}

std::vector<NeatGenome> NeatPopulation::breed(const std::vector<std::vector<size_t>>& ranked,
                                              const std::vector<int>& offspring)
{
    // Only the best of each species may breed.
    std::vector<std::vector<size_t>> pools;
    for (const std::vector<size_t>& ranking : ranked) {
        const size_t size = std::max<size_t>(1, static_cast<size_t>(std::ceil(settings.survivalFraction * ranking.size())));
        pools.emplace_back(ranking.begin(), ranking.begin() + std::min(size, ranking.size()));
    }

    record.startGeneration();
    std::vector<NeatGenome> children;
    children.reserve(populationSize);
    for (size_t s = 0; s < ranked.size(); ++s) {
        int count = offspring[s];
        if (static_cast<int>(ranked[s].size()) >= settings.championMinimumSize) {
            children.push_back(members[ranked[s].front()]);
            --count;
        }
        const std::vector<size_t>& pool = pools[s];
        for (; count > 0; --count) {
            const NeatGenome& mother = members[pool[random.below(pool.size())]];
            NeatGenome child;
            if (random.uniform() < settings.mutationOnlyRate) {
                child = mother;
            } else {
                const std::vector<size_t>* fatherPool = &pool;
                if (pools.size() > 1 && random.uniform() < settings.interspeciesRate) {
                    size_t other = random.below(pools.size() - 1);
                    if (other >= s)
                        ++other;
                    fatherPool = &pools[other];
                }
                const NeatGenome& father = members[(*fatherPool)[random.below(fatherPool->size())]];
                child = crossover(mother, mother.fitness, father, father.fitness, settings, random);
            }
            mutateGenome(child, record, settings, weightRange, random, geneLimit);
            child.fitness = 0.0;
            children.push_back(std::move(child));
        }
    }
    return children;
}

nlohmann::json NeatPopulation::state() const
{
    nlohmann::json genomes = nlohmann::json::array();
    for (const NeatGenome& g : members) {
        nlohmann::json entry = genomeToJson(g);
        entry["species"] = g.species;
        genomes.push_back(std::move(entry));
    }
    nlohmann::json species = nlohmann::json::array();
    for (const NeatSpecies& s : niches) {
        species.push_back({{"id", s.id},
                           {"age", s.age},
                           {"evaluated", s.evaluated},
                           {"best_fitness", s.bestFitness},
                           {"stagnant", s.stagnant},
                           {"representative", genomeToJson(s.representative)}});
    }
    return {{"inputs", inputCount},
            {"outputs", outputCount},
            {"generation", generationNumber},
            {"threshold", compatibilityThreshold},
            {"next_species", nextSpeciesId},
            {"innovations", record.state()},
            {"genomes", genomes},
            {"species", species},
            {"random", random.state()}};
}

namespace {

bool isCount(const nlohmann::json& v)
{
    return v.is_number_integer() && v.get<long long>() >= 0 && v.get<long long>() <= NEAT_COUNTER_LIMIT;
}

} // namespace

bool NeatPopulation::restore(const nlohmann::json& state, std::string& reason)
{
    static const char* const keys[] = {"inputs", "outputs", "generation", "threshold", "next_species",
                                       "innovations", "genomes", "species", "random"};
    if (!state.is_object()) {
        reason = "the NEAT state is not an object";
        return false;
    }
    for (const char* key : keys) {
        if (!state.contains(key)) {
            reason = std::string("the NEAT state lacks \"") + key + "\"";
            return false;
        }
    }
    if (!isCount(state["inputs"]) || state["inputs"].get<int>() != inputCount || !isCount(state["outputs"])
        || state["outputs"].get<int>() != outputCount) {
        reason = "the NEAT state is for networks of other inputs or outputs";
        return false;
    }
    if (!isCount(state["generation"]) || !isCount(state["next_species"]) || !state["threshold"].is_number()
        || !(state["threshold"].get<double>() > 0.0) || !std::isfinite(state["threshold"].get<double>())) {
        reason = "the NEAT state's generation, species counter or threshold is not usable (counters stop at "
                 + std::to_string(NEAT_COUNTER_LIMIT) + ")";
        return false;
    }
    InnovationRecord nextRecord;
    MethodRandom nextRandom;
    if (!nextRecord.restore(state["innovations"], populationSize, reason) || !nextRandom.restore(state["random"], reason))
        return false;
    const int nextSpecies = state["next_species"].get<int>();
    const int generation = state["generation"].get<int>();

    auto readGenome = [&](const nlohmann::json& json, NeatGenome& genome) {
        if (!genomeFromJson(json, geneLimit, genome, reason))
            return false;
        const std::string problem =
            checkGenome(genome, inputCount, outputCount, nextRecord.nextNodeId(), nextRecord.nextInnovation());
        if (!problem.empty()) {
            reason = problem;
            return false;
        }
        return true;
    };

    if (!state["species"].is_array() || !state["genomes"].is_array()) {
        reason = "the NEAT state's genomes or species are not lists";
        return false;
    }
    if (state["species"].size() > static_cast<size_t>(populationSize)) {
        reason = "the NEAT state holds more species than genomes";
        return false;
    }
    std::vector<NeatSpecies> nextNiches;
    std::map<long long, size_t> nicheOf; // by id
    for (const auto& s : state["species"]) {
        NeatSpecies niche;
        if (!s.is_object() || !s.contains("id") || !s.contains("age") || !s.contains("evaluated")
            || !s.contains("best_fitness") || !s.contains("stagnant") || !s.contains("representative")
            || !isCount(s["id"]) || !isCount(s["age"]) || !s["evaluated"].is_boolean() || !s["best_fitness"].is_number()
            || !std::isfinite(s["best_fitness"].get<double>()) || !isCount(s["stagnant"])) {
            reason = "a species is not id, age, best fitness, stagnation and representative";
            return false;
        }
        niche.id = s["id"].get<int>();
        niche.age = s["age"].get<int>();
        niche.evaluated = s["evaluated"].get<bool>();
        niche.bestFitness = s["best_fitness"].get<double>();
        niche.stagnant = s["stagnant"].get<int>();
        if (niche.id >= nextSpecies || !nicheOf.emplace(niche.id, nextNiches.size()).second) {
            reason = "a species id is repeated or was never handed out";
            return false;
        }
        // A species ages once a generation and stagnates only while it ages.
        if (niche.age > generation || niche.stagnant > niche.age) {
            reason = "a species is older, or stagnant longer, than the run";
            return false;
        }
        if (!readGenome(s["representative"], niche.representative))
            return false;
        nextNiches.push_back(std::move(niche));
    }
    if (static_cast<int>(state["genomes"].size()) != populationSize) {
        reason = "the NEAT state holds " + std::to_string(state["genomes"].size()) + " genomes, not "
                 + std::to_string(populationSize);
        return false;
    }
    std::vector<NeatGenome> nextMembers;
    std::vector<int> memberCount(nextNiches.size(), 0);
    for (const auto& g : state["genomes"]) {
        NeatGenome genome;
        if (!readGenome(g, genome))
            return false;
        const auto species = g.contains("species") && g["species"].is_number_integer()
                                 ? nicheOf.find(g["species"].get<long long>())
                                 : nicheOf.end();
        if (species == nicheOf.end()) {
            reason = "a genome belongs to no species of the state";
            return false;
        }
        genome.species = nextNiches[species->second].id;
        ++memberCount[species->second];
        nextMembers.push_back(std::move(genome));
    }
    if (std::find(memberCount.begin(), memberCount.end(), 0) != memberCount.end()) {
        reason = "a species of the state has no members";
        return false;
    }
    std::vector<const NeatGenome*> all;
    for (const NeatGenome& genome : nextMembers)
        all.push_back(&genome);
    for (const NeatSpecies& niche : nextNiches)
        all.push_back(&niche.representative);
    const std::string mixed = nextRecord.checkGenomes(all);
    if (!mixed.empty()) {
        reason = mixed;
        return false;
    }

    members = std::move(nextMembers);
    niches = std::move(nextNiches);
    record = std::move(nextRecord);
    random = nextRandom;
    compatibilityThreshold = state["threshold"].get<double>();
    nextSpeciesId = nextSpecies;
    generationNumber = generation;
    return true;
}

} // namespace modules
