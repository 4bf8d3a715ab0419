#include "gui/GUIElementIDs.h"

#include "core/Engine.h"

using namespace irr;

namespace modules {

gui::IGUIElement* GUIElementIDs::getElementFromID(s32 id, gui::IGUIElement* start)
{
    if (!start)
        start = engine.guiEnvironment->getRootGUIElement();
    if (start->getID() == id)
        return start;
    for (gui::IGUIElement* child : start->getChildren())
        if (gui::IGUIElement* found = getElementFromID(id, child))
            return found;
    return nullptr;
}

} // namespace modules
