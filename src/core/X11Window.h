#pragma once

#include <irrlicht.h>

namespace modules {

// The few things the engine's X11 device does not offer for a windowed device, done on the
// window it exposes through the driver. Each does nothing without an X11 window.

// Tells the window manager the smallest size the user may give the window.
void setMinimumWindowSize(irr::video::IVideoDriver* driver, const irr::core::dimension2du& size);

// Lists WM_DELETE_WINDOW in the window's WM_PROTOCOLS, so that the window manager's close
// button sends the message that ends the device's run() rather than killing the program.
// The engine asks for the atom only if it already exists, which on a fresh X server (no
// window manager, or none that made it yet) leaves the protocol unlisted.
void acceptCloseMessage(irr::video::IVideoDriver* driver);

// Asks the X server for this window size (heard back as a resize through the device).
void resizeWindow(irr::video::IVideoDriver* driver, const irr::core::dimension2du& size);

} // namespace modules
