#pragma once

#include <irrlicht.h>

namespace modules {

struct BrainPicture;

// The bottom-right panel that shows the followed vehicle's brain: its nodes in columns (the
// four sensor inputs first, the two outputs last, hidden nodes between by depth), every
// connection a line (its colour the sign, its brightness the size) and every node filled by
// the activation that the vehicle's last step left in it. It only reads the picture.
class NetworkView {
public:
    static constexpr irr::u32 BACKGROUND_COLOR = 0xB4000000;   // translucent black, as the chart
    static constexpr irr::u32 TEXT_COLOR = 0xFFFFFFFF;
    static constexpr irr::u32 POSITIVE_COLOR = 0xFF3CDC5A;     // green
    static constexpr irr::u32 NEGATIVE_COLOR = 0xFFE63CE6;     // magenta
    static constexpr irr::u32 NEURON_OUTLINE_COLOR = 0xFFDCDCDC;
    // Inputs in the order the vehicle feeds them: sensor 0 points to its local +X side,
    // which is its left as it faces local -Z in the engine's left-handed frame.
    static constexpr const wchar_t* INPUT_LABELS[4] = {L"left wall", L"right wall", L"left item", L"right item"};
    static constexpr const wchar_t* OUTPUT_LABELS[2] = {L"turn", L"speed"};

    static irr::core::recti panelArea(const irr::core::dimension2du& screen);
    void draw(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const irr::core::dimension2du& screen,
              const BrainPicture& picture) const;
};

} // namespace modules
