#pragma once

#include "evolution/EvolutionParams.h"
#include "media/MazeFile.h"
#include "tasks/Task.h"
#include "world/WallBoxes.h"

#include <memory>

namespace modules {

// A deceptive maze: all vehicles start at its start facing the same way; fitness is the
// arena's diagonal less the distance left to the goal, when the generation ends or when the
// vehicle reaches the goal, where it stops. The maze's walls join the arena's for collision
// and the wall sensors; the item sensors see the goal.
class MazeTask : public Task {
public:
    // Reaching the goal: a vehicle's centre this near it.
    static constexpr float GOAL_REACH = 0.3f;
    // The start is marked on the floor by a flat disc of this colour, seen by nothing.
    static constexpr irr::u32 START_COLOR = 0xFF2060FF;

    explicit MazeTask(MazeLayout maze);
    ~MazeTask() override;

    std::string name() const override { return "maze"; }
    const std::vector<std::string>& inputNames() const override;
    void enter(World& world) override;
    void leave(World& world) override;
    ItemManager* makeItems(World& world) const override;
    irr::core::vector3df startPosition(const World& world) const override;
    float startHeading() const override { return maze.heading; }
    void sense(Vehicle& vehicle, std::vector<float>& inputs) const override;
    bool moves(const Vehicle& vehicle) const override;
    std::vector<double> measures(const std::vector<Vehicle*>& vehicles) const override;
    std::wstring generationNote(const std::vector<double>& measures, std::size_t vehicles) const override;

    const MazeLayout& layout() const { return maze; }

private:
    MazeLayout maze;
    World* entered = nullptr;
    irr::scene::IAnimatedMeshSceneNode* node = nullptr;
    irr::scene::ISceneNode* startMarker = nullptr;
    irr::scene::ITriangleSelector* arenaWalls = nullptr;
    irr::scene::IMetaTriangleSelector* allWalls = nullptr;
};

const std::vector<std::string>& mazeInputNames();
// Where a vehicle ended on the arena's floor (Lehman & Stanley's behaviour in their maze).
BehaviourSpace mazeSpace(const EvolutionParams& params);
// The maze of `params` (its --maze file) read and checked; null with "Error: ..." otherwise.
std::unique_ptr<Task> makeMazeTask(const EvolutionParams& params, std::string& error);

} // namespace modules
