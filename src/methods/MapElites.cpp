#include "methods/MapElites.h"

#include "brain/FlatNetwork.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace modules {

namespace {

float symmetric(MethodRandom& random)
{
    return static_cast<float>(2.0 * random.uniform() - 1.0);
}

// A restored gene: any float the search could have made, not NaN.
bool readGenome(const nlohmann::json& list, std::size_t genes, std::vector<float>& out)
{
    if (!list.is_array() || list.size() != genes)
        return false;
    out.resize(genes);
    for (std::size_t g = 0; g < genes; ++g) {
        if (!list[g].is_number())
            return false;
        const double value = list[g].get<double>();
        if (!std::isfinite(value) || !std::isfinite(static_cast<float>(value)))
            return false;
        out[g] = static_cast<float>(value);
    }
    return true;
}

} // namespace

MapElites::MapElites(const NeuralNetwork& shape, int populationSize, int cellsPerAxis, float crossoverRate,
                     float mutationRate, float maxPerturbation, float weightRange, std::uint64_t seed, bool restoring)
    : shape(shape)
    , populationSize(std::max(populationSize, 0))
    , cells(std::min(std::max(cellsPerAxis, 1), MAX_CELLS_PER_AXIS))
    , crossoverRate(crossoverRate)
    , mutationRate(mutationRate)
    , maxPerturbation(maxPerturbation)
    , random(seed)
    , elites(static_cast<std::size_t>(cells) * static_cast<std::size_t>(cells))
{
    if (restoring)
        return;
    const std::size_t genes = static_cast<std::size_t>(this->shape.geneCount());
    candidates.assign(static_cast<std::size_t>(this->populationSize), std::vector<float>(genes));
    for (std::vector<float>& genome : candidates)
        for (float& gene : genome)
            gene = symmetric(random) * weightRange;
}

std::vector<std::unique_ptr<Brain>> MapElites::ask()
{
    std::vector<std::unique_ptr<Brain>> brains;
    brains.reserve(candidates.size());
    for (const std::vector<float>& genome : candidates) {
        auto brain = std::make_unique<FlatNetwork>(shape);
        brain->genes() = genome;
        brains.push_back(std::move(brain));
    }
    return brains;
}

int MapElites::cellOf(const Behaviour& behaviour) const
{
    const auto index = [this](float t) {
        const int i = t > 0.0f ? static_cast<int>(t * static_cast<float>(cells)) : 0; // NaN to 0
        return std::min(i, cells - 1);
    };
    return index(behaviour.y) * cells + index(behaviour.x);
}

void MapElites::tell(const std::vector<float>& fitnesses)
{
    tellOutcome(fitnesses, std::vector<Behaviour>(fitnesses.size()));
}

void MapElites::tellOutcome(const std::vector<float>& fitnesses, const std::vector<Behaviour>& behaviours)
{
    if (fitnesses.size() != candidates.size() || behaviours.size() != candidates.size())
        throw std::logic_error("map-elites: tell() needs one fitness and behaviour per brain of the last ask()");
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (std::isnan(fitnesses[i]))
            continue;
        Elite& elite = elites[static_cast<std::size_t>(cellOf(behaviours[i]))];
        if (elite.filled && !(fitnesses[i] > elite.fitness))
            continue;
        filled += elite.filled ? 0 : 1;
        elite.filled = true;
        elite.fitness = fitnesses[i];
        elite.behaviour = behaviours[i];
        elite.genome = std::move(candidates[i]);
    }
    breed();
}

void MapElites::breed()
{
    std::vector<std::size_t> occupied;
    for (std::size_t c = 0; c < elites.size(); ++c)
        if (elites[c].filled)
            occupied.push_back(c);
    const std::size_t genes = static_cast<std::size_t>(shape.geneCount());
    candidates.assign(static_cast<std::size_t>(populationSize), std::vector<float>(genes));
    for (std::vector<float>& child : candidates) {
        if (occupied.empty()) { // only a generation of NaN fitness leaves the grid empty
            for (float& gene : child)
                gene = symmetric(random) * shape.weightRange;
            continue;
        }
        child = elites[occupied[random.below(occupied.size())]].genome;
        if (genes >= 2 && random.uniform() < crossoverRate) {
            const std::vector<float>& other = elites[occupied[random.below(occupied.size())]].genome;
            const std::size_t cut = static_cast<std::size_t>(random.below(genes - 1)) + 1;
            std::copy(other.begin() + static_cast<std::ptrdiff_t>(cut), other.end(),
                      child.begin() + static_cast<std::ptrdiff_t>(cut));
        }
        for (float& gene : child)
            if (random.uniform() < mutationRate)
                gene = static_cast<float>(static_cast<double>(gene) + static_cast<double>(symmetric(random))
                                                                          * static_cast<double>(maxPerturbation));
    }
}

double MapElites::coverage() const
{
    return static_cast<double>(filled) / static_cast<double>(elites.size());
}

double MapElites::qdScore(float lowestFitness) const
{
    double sum = 0.0;
    for (const Elite& elite : elites)
        if (elite.filled)
            sum += std::max(0.0, static_cast<double>(elite.fitness) - static_cast<double>(lowestFitness));
    return sum;
}

std::unique_ptr<Brain> MapElites::eliteBrain(int cell) const
{
    if (cell < 0 || static_cast<std::size_t>(cell) >= elites.size() || !elites[static_cast<std::size_t>(cell)].filled)
        return nullptr;
    auto brain = std::make_unique<FlatNetwork>(shape);
    brain->genes() = elites[static_cast<std::size_t>(cell)].genome;
    return brain;
}

std::string MapElites::description() const
{
    return "MAP-Elites, " + std::to_string(cells) + " x " + std::to_string(cells) + " cells";
}

nlohmann::json MapElites::state() const
{
    nlohmann::json grid = nlohmann::json::array();
    for (std::size_t c = 0; c < elites.size(); ++c) {
        const Elite& elite = elites[c];
        if (elite.filled)
            grid.push_back({{"cell", c},
                            {"fitness", elite.fitness},
                            {"behaviour", {elite.behaviour.x, elite.behaviour.y}},
                            {"genome", elite.genome}});
    }
    return {{"kind", "map-elites"},
            {"cells_per_axis", cells},
            {"random", random.state()},
            {"elites", std::move(grid)},
            {"candidates", candidates}};
}

bool MapElites::restore(const nlohmann::json& state, std::string& reason)
{
    if (!state.is_object() || state.value("kind", nlohmann::json()) != "map-elites") {
        reason = "the state is not a MAP-Elites state";
        return false;
    }
    const auto cellsFound = state.find("cells_per_axis");
    if (cellsFound == state.end() || !cellsFound->is_number_integer() || cellsFound->get<long long>() != cells) {
        reason = "the grid is not " + std::to_string(cells) + " cells per axis";
        return false;
    }
    MethodRandom restoredRandom;
    const auto randomFound = state.find("random");
    if (randomFound == state.end()) {
        reason = "the state has no generator";
        return false;
    }
    if (!restoredRandom.restore(*randomFound, reason))
        return false;
    const std::size_t genes = static_cast<std::size_t>(shape.geneCount());
    const std::string needs = std::to_string(genes) + " genes";
    std::vector<Elite> grid(elites.size());
    int count = 0;
    const auto gridFound = state.find("elites");
    if (gridFound == state.end() || !gridFound->is_array() || gridFound->size() > grid.size()) {
        reason = "the state has no list of at most " + std::to_string(grid.size()) + " elites";
        return false;
    }
    for (const nlohmann::json& entry : *gridFound) {
        const std::string which = "elite " + std::to_string(count + 1);
        const nlohmann::json& cell = entry.is_object() ? entry.value("cell", nlohmann::json()) : nlohmann::json();
        if (!cell.is_number_unsigned() || cell.get<unsigned long long>() >= grid.size()
            || grid[cell.get<std::size_t>()].filled) {
            reason = which + " has no cell of its own in the grid";
            return false;
        }
        Elite& elite = grid[cell.get<std::size_t>()];
        const nlohmann::json& fitness = entry.value("fitness", nlohmann::json());
        const nlohmann::json& behaviour = entry.value("behaviour", nlohmann::json());
        if (!fitness.is_number() || !std::isfinite(fitness.get<double>())) {
            reason = which + " has no finite fitness";
            return false;
        }
        if (!behaviour.is_array() || behaviour.size() != 2 || !behaviour[0].is_number() || !behaviour[1].is_number()
            || !(behaviour[0].get<double>() >= 0.0 && behaviour[0].get<double>() <= 1.0)
            || !(behaviour[1].get<double>() >= 0.0 && behaviour[1].get<double>() <= 1.0)) {
            reason = which + "'s behaviour is not two numbers from 0 to 1";
            return false;
        }
        elite.behaviour = {behaviour[0].get<float>(), behaviour[1].get<float>()};
        if (cellOf(elite.behaviour) != static_cast<int>(cell.get<std::size_t>())) {
            reason = which + "'s behaviour lies in another cell";
            return false;
        }
        if (!readGenome(entry.value("genome", nlohmann::json()), genes, elite.genome)) {
            reason = which + "'s genome is not " + needs + " of finite numbers";
            return false;
        }
        elite.fitness = fitness.get<float>();
        elite.filled = true;
        ++count;
    }
    const auto candidatesFound = state.find("candidates");
    if (candidatesFound == state.end() || !candidatesFound->is_array()
        || candidatesFound->size() != static_cast<std::size_t>(populationSize)) {
        reason = "the state has not " + std::to_string(populationSize) + " candidates";
        return false;
    }
    std::vector<std::vector<float>> next(candidatesFound->size());
    for (std::size_t i = 0; i < next.size(); ++i)
        if (!readGenome((*candidatesFound)[i], genes, next[i])) {
            reason = "candidate " + std::to_string(i + 1) + " is not " + needs + " of finite numbers";
            return false;
        }
    random = restoredRandom;
    elites = std::move(grid);
    filled = count;
    candidates = std::move(next);
    return true;
}

} // namespace modules
