#pragma once

#include <irrlicht.h>

namespace modules {

// Where the parts of the screen sit as the window's size changes: the parameter dialog
// centred, the camera, fast mode and run windows at the top left (as gui.xml places them),
// the screen log at the bottom left. Engine::layout applies it.
namespace ScreenLayout {

// The screen log: five lines of 16 pixels, 500 wide, 10 from the left; the band from its
// first line to the bottom of the screen is 90 pixels.
constexpr irr::s32 LOG_LEFT = 10;
constexpr irr::s32 LOG_WIDTH = 500;
constexpr irr::s32 LOG_LINE_HEIGHT = 16;
constexpr irr::s32 LOG_BAND = 90;

// The parameter dialog as gui.xml sizes it: the ten rows with the buttons below them, and
// beside them a column for the task, the method and their own parameters.
constexpr irr::u32 DIALOG_WIDTH = 704;
constexpr irr::u32 DIALOG_HEIGHT = 404;

// The smallest usable window: the dialog (wider than the log) with the log's margin on both
// sides in width; in height the dialog, centred, clear of a band as high as the log's at the
// bottom and, by symmetry, at the top. Small enough for a 1024x600 screen. Smaller windows
// are not laid out.
constexpr irr::u32 MINIMUM_WIDTH = LOG_LEFT + DIALOG_WIDTH + LOG_LEFT;
constexpr irr::u32 MINIMUM_HEIGHT = DIALOG_HEIGHT + 2 * LOG_BAND;
static_assert(MINIMUM_WIDTH >= LOG_LEFT + LOG_WIDTH + LOG_LEFT, "the log fits the smallest window");
static_assert(MINIMUM_WIDTH <= 1024 && MINIMUM_HEIGHT <= 600, "a 1024x600 screen is usable");

} // namespace ScreenLayout

} // namespace modules
