#pragma once

// Events as the device delivers them, for driving the panel without a window.

#include <irrlicht.h>

namespace testing_support {

inline irr::SEvent guiEvent(irr::gui::EGUI_EVENT_TYPE type, irr::gui::IGUIElement* caller)
{
    irr::SEvent event{};
    event.EventType = irr::EET_GUI_EVENT;
    event.GUIEvent.EventType = type;
    event.GUIEvent.Caller = caller;
    event.GUIEvent.Element = nullptr;
    return event;
}

inline irr::SEvent keyEvent(irr::EKEY_CODE key, bool pressed, wchar_t character = 0)
{
    irr::SEvent event{};
    event.EventType = irr::EET_KEY_INPUT_EVENT;
    event.KeyInput.Key = key;
    event.KeyInput.PressedDown = pressed;
    event.KeyInput.Char = character;
    return event;
}

inline irr::SEvent mouseEvent(irr::EMOUSE_INPUT_EVENT type, const irr::core::position2di& at)
{
    irr::SEvent event{};
    event.EventType = irr::EET_MOUSE_INPUT_EVENT;
    event.MouseInput.Event = type;
    event.MouseInput.X = at.X;
    event.MouseInput.Y = at.Y;
    event.MouseInput.ButtonStates = type == irr::EMIE_LMOUSE_PRESSED_DOWN ? irr::EMBSM_LEFT : 0;
    return event;
}

} // namespace testing_support
