#include "gui/VehiclePicker.h"

#include "vehicle/Vehicle.h"

using namespace irr;

namespace modules {

int pickVehicle(scene::ISceneManager* sceneManager, const std::vector<Vehicle*>& vehicles,
                const core::position2di& screenPoint)
{
    scene::ICameraSceneNode* camera = sceneManager->getActiveCamera();
    if (!camera || vehicles.empty())
        return -1;
    scene::ISceneCollisionManager* collision = sceneManager->getSceneCollisionManager();
    const core::line3df ray = collision->getRayFromScreenCoordinates(screenPoint, camera);

    // One box selector per vehicle, each following its node's current place.
    scene::IMetaTriangleSelector* boxes = sceneManager->createMetaTriangleSelector();
    for (Vehicle* vehicle : vehicles) {
        scene::ITriangleSelector* box = sceneManager->createTriangleSelectorFromBoundingBox(vehicle->node);
        boxes->addTriangleSelector(box);
        box->drop();
    }
    core::vector3df point;
    core::triangle3df triangle;
    scene::ISceneNode* hit = nullptr;
    int picked = -1;
    if (collision->getCollisionPoint(ray, boxes, point, triangle, hit) && hit)
        for (size_t i = 0; i < vehicles.size(); ++i)
            if (vehicles[i]->node == hit) {
                picked = static_cast<int>(i);
                break;
            }
    boxes->drop();
    return picked;
}

} // namespace modules
