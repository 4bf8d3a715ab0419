#include "media/TrialLoad.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "media/MediaCheck.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

using namespace irr;

namespace modules {

std::string trialLoad()
{
    std::string error;
    readingMediaFile("media");
    if (!engine.openDevice(video::EDT_NULL, core::dimension2du(640, 480), false, error))
        return error;
    engine.device->getLogger()->setLogLevel(ELL_NONE);
    // Meshes, the walls' octree selector, the font and the layout with its elements.
    if (!engine.createScene(1, true, error))
        return error;

    readingMediaFile(engine.mediaFolder + "/vehicle.b3d");
    Vehicle vehicle(std::make_unique<NeuralNetwork>(), engine.world->wallSelector, nullptr, core::vector3df(0, 0, 0));
    engine.animateScene(1);
    // Far outside the arena: the collision response has to stop it at a wall.
    vehicle.node->setPosition(core::vector3df(1000.0f, 0.0f, 1000.0f));
    engine.animateScene(34);
    return std::string();
}

} // namespace modules
