#include "gui/NetworkView.h"

#include "brain/NeuralNetwork.h"
#include "gui/SidePanel.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <vector>

using namespace irr;

namespace modules {

namespace {

constexpr s32 PAD = 6;

// Weak weights fade towards black; the strongest of the network shows its full colour.
video::SColor weightColour(float weight, float strongest)
{
    const video::SColor base(weight >= 0.0f ? NetworkView::POSITIVE_COLOR : NetworkView::NEGATIVE_COLOR);
    const float share = strongest > 0.0f && std::isfinite(weight) ? std::min(std::fabs(weight) / strongest, 1.0f) : 1.0f;
    const float k = 0.3f + 0.7f * share;
    return video::SColor(255, static_cast<u32>(base.getRed() * k), static_cast<u32>(base.getGreen() * k),
                         static_cast<u32>(base.getBlue() * k));
}

// Black for 0, warm white for 1 (inputs may slightly exceed 1).
video::SColor activationColour(float activation)
{
    const float a = std::isfinite(activation) ? std::clamp(activation, 0.0f, 1.0f) : 0.0f;
    return video::SColor(255, static_cast<u32>(20 + 235 * a), static_cast<u32>(20 + 235 * a),
                         static_cast<u32>(20 + 180 * a));
}

} // namespace

core::recti NetworkView::panelArea(const core::dimension2du& screen)
{
    return sidePanelArea(screen, ESPC_BOTTOM_RIGHT);
}

void NetworkView::draw(video::IVideoDriver* driver, gui::IGUIFont* font, const core::dimension2du& screen,
                       const NeuralNetwork& network) const
{
    const std::vector<std::vector<Neuron>>& layers = network.layers;
    if (!font || layers.empty())
        return;
    const core::recti panel = panelArea(screen);
    driver->draw2DRectangle(video::SColor(BACKGROUND_COLOR), panel);
    const video::SColor text(TEXT_COLOR);
    const s32 fh = static_cast<s32>(font->getDimension(L"Ag").Height);

    const bool labelInputs = layers.front().size() == 4;
    const bool labelOutputs = layers.size() > 1 && layers.back().size() == 2;
    s32 inputLabels = 0, outputLabels = 0;
    if (labelInputs)
        for (const wchar_t* name : INPUT_LABELS)
            inputLabels = std::max(inputLabels, textWidth(font, name));
    if (labelOutputs)
        for (const wchar_t* name : OUTPUT_LABELS)
            outputLabels = std::max(outputLabels, textWidth(font, name));

    const s32 top = panel.UpperLeftCorner.Y + PAD + fh / 2;
    const s32 bottom = panel.LowerRightCorner.Y - PAD - fh / 2;
    const s32 left = panel.UpperLeftCorner.X + PAD + inputLabels + 12;
    const s32 right = panel.LowerRightCorner.X - PAD - outputLabels - 12;
    const s32 size = std::clamp((bottom - top) / 12, 6, 14); // a neuron's square

    // A layer too large for the panel shows its first neurons and a count of the others.
    const s32 fits = std::max<s32>((bottom - top) / (size + 3), 2);
    const size_t layerCount = layers.size();
    std::vector<size_t> shown(layerCount);
    for (size_t k = 0; k < layerCount; ++k)
        shown[k] = std::min<size_t>(layers[k].size(), static_cast<size_t>(fits));
    const auto centre = [&](size_t k, size_t j) {
        const s32 x = layerCount < 2 ? (left + right) / 2
                                     : left + static_cast<s32>((right - left) * static_cast<long long>(k)
                                                               / static_cast<long long>(layerCount - 1));
        const s32 y = top + static_cast<s32>((bottom - top) * (2 * static_cast<long long>(j) + 1)
                                             / (2 * static_cast<long long>(std::max<size_t>(shown[k], 1))));
        return core::vector2di(x, y);
    };

    float strongest = 0.0f;
    for (size_t k = 1; k < layerCount; ++k)
        for (size_t j = 0; j < shown[k]; ++j)
            for (size_t i = 0; i < shown[k - 1] && i < layers[k][j].weights.size(); ++i)
                if (std::isfinite(layers[k][j].weights[i]))
                    strongest = std::max(strongest, std::fabs(layers[k][j].weights[i]));
    for (size_t k = 1; k < layerCount; ++k)
        for (size_t j = 0; j < shown[k]; ++j)
            for (size_t i = 0; i < shown[k - 1] && i < layers[k][j].weights.size(); ++i)
                driver->draw2DLine(centre(k - 1, i), centre(k, j), weightColour(layers[k][j].weights[i], strongest));

    for (size_t k = 0; k < layerCount; ++k) {
        for (size_t j = 0; j < shown[k]; ++j) {
            const core::vector2di c = centre(k, j);
            const core::recti square(c.X - size / 2, c.Y - size / 2, c.X - size / 2 + size, c.Y - size / 2 + size);
            driver->draw2DRectangle(activationColour(layers[k][j].output), square);
            driver->draw2DRectangleOutline(square, video::SColor(NEURON_OUTLINE_COLOR));
        }
        if (shown[k] < layers[k].size()) {
            wchar_t more[32];
            std::swprintf(more, 32, L"+%zu", layers[k].size() - shown[k]);
            const core::vector2di c = centre(k, shown[k] - 1);
            font->draw(more, core::recti(c.X + size, c.Y - fh / 2, c.X + size + textWidth(font, more) + 1, c.Y + fh), text);
        }
    }
    if (labelInputs)
        for (size_t j = 0; j < 4; ++j) {
            const core::vector2di c = centre(0, j);
            const s32 w = textWidth(font, INPUT_LABELS[j]);
            font->draw(INPUT_LABELS[j], core::recti(c.X - size / 2 - 6 - w, c.Y - fh / 2, c.X - size / 2 - 5, c.Y - fh / 2 + fh), text);
        }
    if (labelOutputs)
        for (size_t j = 0; j < 2; ++j) {
            const core::vector2di c = centre(layerCount - 1, j);
            font->draw(OUTPUT_LABELS[j], core::recti(c.X + size / 2 + 6, c.Y - fh / 2,
                                                     c.X + size / 2 + 7 + textWidth(font, OUTPUT_LABELS[j]), c.Y - fh / 2 + fh), text);
        }
}

} // namespace modules
