#pragma once

// The arena holds brains and methods through their interfaces; the tests of the layered
// network and the genetic algorithm look at the concrete ones.

#include "brain/NeuralNetwork.h"
#include "evolution/Evolver.h"
#include "methods/GeneticAlgorithm.h"
#include "vehicle/Vehicle.h"

#include <memory>
#include <vector>

inline std::vector<std::unique_ptr<modules::Brain>> brainsOf(const std::vector<modules::NeuralNetwork>& networks)
{
    std::vector<std::unique_ptr<modules::Brain>> brains;
    for (const modules::NeuralNetwork& network : networks)
        brains.push_back(network.clone());
    return brains;
}

inline const modules::NeuralNetwork& networkOf(const modules::Vehicle& vehicle)
{
    return dynamic_cast<const modules::NeuralNetwork&>(*vehicle.brain);
}

inline modules::GeneticAlgorithm& gaOf(modules::Evolver& evolver)
{
    return dynamic_cast<modules::GeneticAlgorithm&>(*evolver.method);
}
