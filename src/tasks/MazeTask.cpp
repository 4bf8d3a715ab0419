#include "tasks/MazeTask.h"

#include "core/Engine.h"
#include "tasks/CollectTask.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <utility>

using namespace irr;

namespace modules {

namespace {

float diagonal(const World& world)
{
    return core::vector2df(world.arenaWidth, world.arenaDepth).getLength();
}

float distanceToGoal(const Vehicle& vehicle, const MazeLayout& maze)
{
    const core::vector3df p = vehicle.node->getPosition();
    return core::vector2df(p.X, p.Z).getDistanceFrom(maze.goal);
}

} // namespace

MazeTask::MazeTask(MazeLayout maze)
    : maze(std::move(maze))
{
}

MazeTask::~MazeTask()
{
    if (entered)
        leave(*entered);
}

const std::vector<std::string>& mazeInputNames()
{
    static const std::vector<std::string> names = {"left wall", "right wall", "left goal", "right goal"};
    return names;
}

const std::vector<std::string>& MazeTask::inputNames() const
{
    return mazeInputNames();
}

void MazeTask::enter(World& world)
{
    scene::ISceneManager* scene = engine.sceneManager;
    scene::IAnimatedMesh* mesh = scene->getMesh(maze.meshPath.c_str());
    if (!mesh)
        return;
    node = scene->addAnimatedMeshSceneNode(mesh, nullptr, -1, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
                                           core::vector3df(1, 1, 1));
    scene::ITriangleSelector* mazeWalls = scene->createOctreeTriangleSelector(mesh->getMesh(0), node, 1);
    allWalls = scene->createMetaTriangleSelector();
    allWalls->addTriangleSelector(mazeWalls);
    mazeWalls->drop();
    arenaWalls = world.wallSelector;
    if (arenaWalls) {
        allWalls->addTriangleSelector(arenaWalls);
        arenaWalls->grab();
    }
    world.wallSelector = allWalls;
    world.wallBoxes = WallBoxes(allWalls);
    // Unlit, so that its colour shows flattened as it is.
    scene::IMesh* disc = scene->getGeometryCreator()->createSphereMesh(0.3f, 16, 16);
    scene->getMeshManipulator()->setVertexColors(disc, video::SColor(START_COLOR));
    startMarker = scene->addMeshSceneNode(disc, nullptr, -1, core::vector3df(maze.start.X, 0.0f, maze.start.Y),
                                          core::vector3df(0, 0, 0), core::vector3df(1.0f, 0.05f, 1.0f));
    disc->drop();
    startMarker->setMaterialFlag(video::EMF_LIGHTING, false);
    entered = &world;
}

void MazeTask::leave(World& world)
{
    if (entered != &world)
        return;
    world.wallSelector = arenaWalls;
    world.wallBoxes = arenaWalls ? WallBoxes(arenaWalls) : WallBoxes();
    if (arenaWalls)
        arenaWalls->drop();
    arenaWalls = nullptr;
    // Vehicles still standing hold their own references to the selector.
    allWalls->drop();
    allWalls = nullptr;
    node->remove();
    node = nullptr;
    startMarker->remove();
    startMarker = nullptr;
    entered = nullptr;
}

ItemManager* MazeTask::makeItems(World& world) const
{
    return new ItemManager(&world, core::vector3df(maze.goal.X, 0.0f, maze.goal.Y));
}

core::vector3df MazeTask::startPosition(const World&) const
{
    return core::vector3df(maze.start.X, 0.0f, maze.start.Y);
}

void MazeTask::sense(Vehicle& vehicle, std::vector<float>& inputs) const
{
    if (vehicle.tally.arrived)
        return;
    const World* world = vehicle.itemManager ? vehicle.itemManager->world : nullptr;
    const float left = distanceToGoal(vehicle, maze);
    vehicle.fitness = (world ? diagonal(*world) : 0.0f) - left;
    if (left < GOAL_REACH) {
        vehicle.tally.arrived = true;
        return;
    }
    senseWalls(vehicle, inputs);
    inputs[2] = vehicle.sensors[0]->getItemProximity(vehicle.itemManager);
    inputs[3] = vehicle.sensors[1]->getItemProximity(vehicle.itemManager);
}

bool MazeTask::moves(const Vehicle& vehicle) const
{
    return !vehicle.tally.arrived;
}

std::vector<double> MazeTask::measures(const std::vector<Vehicle*>& vehicles) const
{
    int reached = 0;
    for (const Vehicle* vehicle : vehicles)
        reached += vehicle->tally.arrived ? 1 : 0;
    return {static_cast<double>(reached)};
}

std::wstring MazeTask::generationNote(const std::vector<double>& measures, std::size_t vehicles) const
{
    const long reached = measures.empty() ? 0L : static_cast<long>(measures.front());
    return L"Reached the goal: " + std::to_wstring(reached) + L" of " + std::to_wstring(vehicles) + L" vehicles.";
}

std::unique_ptr<Task> makeMazeTask(const EvolutionParams& params, std::string& error)
{
    MazeLayout maze;
    if (!readMazeFile(mazePath(params.mazeFile, engine.mediaFolder), World::ARENA_WIDTH, World::ARENA_DEPTH, maze, error))
        return nullptr;
    return std::make_unique<MazeTask>(std::move(maze));
}

BehaviourSpace mazeSpace(const EvolutionParams&)
{
    return floorSpace();
}

} // namespace modules
