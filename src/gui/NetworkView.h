#pragma once

#include <irrlicht.h>

namespace modules {

class NeuralNetwork;

// The bottom-right panel that shows the followed vehicle's network: the four sensor inputs,
// the hidden neurons and the two outputs, every weight a line (its colour the sign, its
// brightness the size) and every neuron filled by the activation that the vehicle's last
// step left in it. It only reads the network.
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
              const NeuralNetwork& network) const;
};

} // namespace modules
