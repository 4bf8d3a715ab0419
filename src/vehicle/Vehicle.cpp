#include "vehicle/Vehicle.h"

#include "core/Engine.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"

#include <cmath>
#include <utility>

using namespace irr;

namespace modules {

namespace {

constexpr float SENSOR_LENGTH = 2.0f;

} // namespace

Vehicle::Vehicle(const NeuralNetwork& network, scene::ITriangleSelector* wallSelector, ItemManager* itemManager,
                 const core::vector3df& position)
    : brain(network)
    , wallSelector(wallSelector)
    , itemManager(itemManager)
{
    place(position);
}

Vehicle::Vehicle(std::unique_ptr<Brain> controller, scene::ITriangleSelector* wallSelector,
                 ItemManager* itemManager, const core::vector3df& position)
    : wallSelector(wallSelector)
    , itemManager(itemManager)
    , controller(std::move(controller))
{
    place(position);
}

void Vehicle::place(const core::vector3df& position)
{
    fitness = 0.0f;
    scene::ISceneManager* sceneManager = engine.sceneManager;
    node = sceneManager->addAnimatedMeshSceneNode(sceneManager->getMesh("vehicle.b3d"), nullptr, -1,
                                                  core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
                                                  core::vector3df(1, 1, 1), false);
    baseColor = node->getMaterial(0).AmbientColor;
    node->setPosition(position);

    sensors.push_back(new VehicleSensor(node, core::vector3df(0, 0, 0), core::vector3df(0.25f, 0, -1), SENSOR_LENGTH));
    sensors.push_back(new VehicleSensor(node, core::vector3df(0, 0, 0), core::vector3df(-0.25f, 0, -1), SENSOR_LENGTH));

    // The engine's collision response keeps the vehicle out of the walls and lets it slide.
    const core::aabbox3df& box = node->getBoundingBox();
    const core::vector3df radius = (box.MaxEdge - box.MinEdge) * 0.5f;
    scene::ISceneNodeAnimator* animator = sceneManager->createCollisionResponseAnimator(
        wallSelector, node, radius, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0), 0.0f);
    node->addAnimator(animator);
    animator->drop();
}

Vehicle::~Vehicle()
{
    node->remove();
    for (VehicleSensor* sensor : sensors)
        delete sensor;
}

void Vehicle::update(float dt)
{
    std::vector<float> inputs(inputCount(), 0.0f);
    if (!senseStep(inputs))
        return;
    std::vector<float> outputs(2, 0.0f);
    steering().process(inputs, outputs);
    drive(outputs, dt);
}

size_t Vehicle::inputCount() const
{
    return rules ? static_cast<size_t>(rules->inputCount()) : 4;
}

bool Vehicle::senseStep(std::vector<float>& inputs)
{
    if (!rules) {
        collectAndSense(inputs);
        return true;
    }
    rules->sense(*this, inputs);
    if (!rules->moves(*this)) {
        velocity.set(0.0f, 0.0f, 0.0f);
        return false;
    }
    return true;
}

void Vehicle::drive(const std::vector<float>& outputs, float dt)
{
    // A network with infinite or NaN genes can answer NaN; such a vehicle stays where it
    // is rather than hand a non-finite pose to the collision response.
    if (std::isfinite(outputs[0]) && std::isfinite(outputs[1])) {
        const float turn = 2.0f * outputs[0] - 1.0f;
        core::vector3df rotation = node->getRotation();
        rotation.Y += turn * dt * TURN_RATE;
        node->setRotation(rotation);

        const float speed = 2.0f * outputs[1] - 1.0f;
        core::matrix4 matrix;
        matrix.setRotationDegrees(rotation);
        velocity.set(0.0f, 0.0f, -dt * speed);
        matrix.rotateVect(velocity);
        tally.speedSum += speed;
        tally.turnSum += turn;
        ++tally.movedSteps;
    } else {
        velocity.set(0.0f, 0.0f, 0.0f);
    }

    const core::vector3df q = node->getPosition();
    node->setPosition(core::vector3df(q.X + velocity.X, 0.0f, q.Z + velocity.Z));
}

void Vehicle::collectAndSense(std::vector<float>& inputs)
{
    if (itemManager && itemManager->collectItem(node->getPosition()))
        fitness += 1.0f;

    for (VehicleSensor* sensor : sensors)
        sensor->place();

    inputs[0] = sensors[0]->getWallProximity(wallSelector);
    inputs[1] = sensors[1]->getWallProximity(wallSelector);
    inputs[2] = sensors[0]->getItemProximity(itemManager);
    inputs[3] = sensors[1]->getItemProximity(itemManager);
}

void Vehicle::setHighlight(bool on)
{
    node->getMaterial(0).AmbientColor = on ? video::SColor(HIGHLIGHT_COLOR) : baseColor;
}

} // namespace modules
