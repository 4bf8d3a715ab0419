#include "world/World.h"

#include "brain/Brain.h"
#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "core/Random.h"
#include "evolution/EvolutionRun.h"
#include "media/MediaCheck.h"
#include "vehicle/Vehicle.h"
#include "world/ItemManager.h"

using namespace irr;

namespace modules {

namespace {

constexpr float HIGHLIGHT_PERIOD = 3.0f;

scene::IAnimatedMeshSceneNode* addStaticMesh(const char* name)
{
    scene::IAnimatedMesh* mesh = engine.sceneManager->getMesh(name);
    if (!mesh)
        return nullptr;
    return engine.sceneManager->addAnimatedMeshSceneNode(mesh, nullptr, -1, core::vector3df(0, 0, 0),
                                                         core::vector3df(0, 0, 0), core::vector3df(1, 1, 1));
}

} // namespace

World::World()
{
    scene::ISceneManager* sceneManager = engine.sceneManager;
    scene::ILightSceneNode* light = sceneManager->addLightSceneNode(nullptr, core::vector3df(0, 3, 0),
                                                                    video::SColorf(1.0f, 1.0f, 1.0f), 2.5f, -1);
    video::SLight& data = light->getLightData();
    data.AmbientColor = video::SColorf(0.5f, 0.5f, 0.4f, 1.0f);
    data.DiffuseColor = video::SColorf(0.7f, 0.7f, 0.3f, 1.0f);
    data.SpecularColor = video::SColorf(0.5f, 0.5f, 0.5f, 1.0f);

    addStaticMesh("ground.b3d");
    // The engine refuses to start without a loadable walls mesh; without one there is
    // simply nothing to collide with or to sense.
    if (scene::IAnimatedMeshSceneNode* walls = addStaticMesh("walls.b3d")) {
        // Some walls that load split the selector's octree without end.
        readingMediaFile(engine.mediaFolder + "/walls.b3d");
        wallSelector = sceneManager->createOctreeTriangleSelector(walls->getMesh()->getMesh(0), walls, 1);
        wallBoxes = WallBoxes(wallSelector);
    }
}

World::~World()
{
    evolver = nullptr;
    layout = nullptr;
    rules = nullptr;
    // The run's task gives the arena's own walls back first (a maze puts its own in their place).
    run.reset();
    if (wallSelector)
        wallSelector->drop();
    wallSelector = nullptr;
    destroyVehicles();
}

void World::createVehicles(const std::vector<NeuralNetwork>& population)
{
    placeGeneration(population.size(), [&](size_t i, const core::vector3df& position) {
        return new Vehicle(population[i], wallSelector, itemManager, position);
    });
}

void World::createVehiclesFromBrains(std::vector<std::unique_ptr<Brain>> brains)
{
    placeGeneration(brains.size(), [&](size_t i, const core::vector3df& position) {
        return new Vehicle(std::move(brains[i]), wallSelector, itemManager, position);
    });
}

void World::placeGeneration(size_t available, const std::function<Vehicle*(size_t, const core::vector3df&)>& make)
{
    itemManager = layout ? layout->makeItems(*this) : new ItemManager(this, itemCount);
    for (int i = 0; i < vehicleCount && static_cast<size_t>(i) < available; ++i) {
        Vehicle* vehicle = make(static_cast<size_t>(i), layout ? layout->startPosition(*this) : randomStart());
        vehicle->rules = rules;
        if (layout && layout->startHeading() != 0.0f)
            vehicle->node->setRotation(core::vector3df(0.0f, layout->startHeading(), 0.0f));
        vehicles.push_back(vehicle);
    }
    generationClock = 0.0f;
    highlightTimer = 0.0f;
}

core::vector3df World::randomStart() const
{
    const float x = fRand2() * arenaWidth * 0.5f;
    const float z = fRand2() * arenaDepth * 0.5f;
    return core::vector3df(x, 0.0f, z);
}

void World::destroyVehicles()
{
    delete itemManager;
    itemManager = nullptr;
    if (vehiclesRemoved)
        vehiclesRemoved();
    highlightedVehicle = nullptr;
    for (Vehicle* vehicle : vehicles)
        delete vehicle;
    vehicles.clear();
}

void World::writeLog(const wchar_t* line) const
{
    if (logLine)
        logLine(line);
}

void World::clearLog() const
{
    if (logCleared)
        logCleared();
}

void World::updateHighlight()
{
    if (!(highlightTimer > 0.0f)) {
        Vehicle* best = nullptr;
        for (Vehicle* vehicle : vehicles)
            if (!best || vehicle->fitness > best->fitness)
                best = vehicle;
        if (best && best != highlightedVehicle) {
            if (highlightedVehicle)
                highlightedVehicle->setHighlight(false);
            best->setHighlight(true);
            highlightTimer = HIGHLIGHT_PERIOD;
            if (leaderChanged)
                leaderChanged(best);
            highlightedVehicle = best;
        }
    }
    highlightTimer -= Engine::SIMULATION_STEP;
}

} // namespace modules
