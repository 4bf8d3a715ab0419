#pragma once

#include <irrlicht.h>

#include <string>

namespace modules {

// The desktop resolution: read from a throw-away null device's video mode list, or, when
// the X server offers no video modes (a server without the XF86 video-mode extension),
// the X screen's own size. False with a one-line message when no X display can be opened.
bool findDesktopResolution(irr::core::dimension2du& size, std::string& error);

// The X screen's size; false with the same one-line message when no X display can be opened.
bool findXScreenSize(irr::core::dimension2du& size, std::string& error);

} // namespace modules
