#pragma once

#include <irrlicht.h>

#include <string>
#include <vector>

namespace modules {

struct BrainPicture;

// The bottom-right panel that shows the followed vehicle's brain: its nodes in columns (the
// task's sensor inputs first, the two outputs last, hidden nodes between by depth), every
// connection a line (its colour the sign, its brightness the size) and every node filled by
// the activation that the vehicle's last step left in it. It only reads the picture.
class NetworkView {
public:
    static constexpr irr::u32 BACKGROUND_COLOR = 0xB4000000;   // translucent black, as the chart
    static constexpr irr::u32 TEXT_COLOR = 0xFFFFFFFF;
    static constexpr irr::u32 POSITIVE_COLOR = 0xFF3CDC5A;     // green
    static constexpr irr::u32 NEGATIVE_COLOR = 0xFFE63CE6;     // magenta
    static constexpr irr::u32 NEURON_OUTLINE_COLOR = 0xFFDCDCDC;
    static constexpr const wchar_t* OUTPUT_LABELS[2] = {L"turn", L"speed"};

    static irr::core::recti panelArea(const irr::core::dimension2du& screen);
    // `inputNames`: the run's task's, in the order the vehicle feeds them; they label the
    // input column when it has as many nodes.
    void draw(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const irr::core::dimension2du& screen,
              const BrainPicture& picture, const std::vector<std::string>& inputNames) const;
};

} // namespace modules
