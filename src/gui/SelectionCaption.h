#pragma once

#include <irrlicht.h>

#include <string>

namespace modules {

// "Vehicle N: F items": the selected vehicle's number and its fitness so far this generation.
std::wstring selectionCaption(int number, float fitness);
// The caption on a translucent strip just above the network panel's area.
void drawSelectionCaption(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const irr::core::recti& panel,
                          const std::wstring& caption);

} // namespace modules
