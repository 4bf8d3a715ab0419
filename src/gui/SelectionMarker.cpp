#include "gui/SelectionMarker.h"

#include "core/Engine.h"

using namespace irr;

namespace modules {

scene::ISceneNode* addSelectionMarker(scene::ISceneNode* vehicleNode)
{
    if (!vehicleNode)
        return nullptr;
    const video::SColor colour(SELECTION_MARKER_COLOR);
    scene::IBillboardSceneNode* marker = engine.sceneManager->addBillboardSceneNode(
        vehicleNode, core::dimension2df(0.12f, 0.12f), core::vector3df(0.0f, 0.3f, 0.0f), -1, colour, colour);
    marker->setMaterialFlag(video::EMF_LIGHTING, false);
    return marker;
}

} // namespace modules
