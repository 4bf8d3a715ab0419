#include "gui/NetworkView.h"

#include "brain/Brain.h"
#include "core/Utf8.h"
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
                       const BrainPicture& picture,
                       const std::vector<std::string>& inputNames) const
{
    if (!font || picture.nodes.empty())
        return;
    // Each node's column and its place in that column, in the order the picture lists them.
    int lastColumn = 0;
    for (const BrainNode& node : picture.nodes)
        lastColumn = std::max(lastColumn, node.column);
    const size_t columnCount = static_cast<size_t>(lastColumn) + 1;
    std::vector<size_t> columnSize(columnCount, 0);
    std::vector<size_t> row(picture.nodes.size());
    for (size_t n = 0; n < picture.nodes.size(); ++n) {
        const size_t column = static_cast<size_t>(std::max(picture.nodes[n].column, 0));
        row[n] = columnSize[column]++;
    }
    const auto columnOf = [&](size_t n) { return static_cast<size_t>(std::max(picture.nodes[n].column, 0)); };

    const core::recti panel = panelArea(screen);
    driver->draw2DRectangle(video::SColor(BACKGROUND_COLOR), panel);
    const video::SColor text(TEXT_COLOR);
    const s32 fh = static_cast<s32>(font->getDimension(L"Ag").Height);

    const bool labelInputs = !inputNames.empty() && columnSize.front() == inputNames.size();
    std::vector<std::wstring> inputLabelTexts;
    for (const std::string& name : inputNames)
        inputLabelTexts.push_back(fromUtf8(name));
    const bool labelOutputs = columnCount > 1 && columnSize.back() == 2;
    s32 inputLabels = 0, outputLabels = 0;
    if (labelInputs)
        for (const std::wstring& name : inputLabelTexts)
            inputLabels = std::max(inputLabels, textWidth(font, name.c_str()));
    if (labelOutputs)
        for (const wchar_t* name : OUTPUT_LABELS)
            outputLabels = std::max(outputLabels, textWidth(font, name));

    const s32 top = panel.UpperLeftCorner.Y + PAD + fh / 2;
    const s32 bottom = panel.LowerRightCorner.Y - PAD - fh / 2;
    const s32 left = panel.UpperLeftCorner.X + PAD + inputLabels + 12;
    const s32 right = panel.LowerRightCorner.X - PAD - outputLabels - 12;
    const s32 size = std::clamp((bottom - top) / 12, 6, 14); // a node's square

    // A column too tall for the panel shows its first nodes and a count of the others.
    const s32 fits = std::max<s32>((bottom - top) / (size + 3), 2);
    std::vector<size_t> shown(columnCount);
    for (size_t k = 0; k < columnCount; ++k)
        shown[k] = std::min<size_t>(columnSize[k], static_cast<size_t>(fits));
    const auto centre = [&](size_t k, size_t j) {
        const s32 x = columnCount < 2 ? (left + right) / 2
                                      : left + static_cast<s32>((right - left) * static_cast<long long>(k)
                                                                / static_cast<long long>(columnCount - 1));
        const s32 y = top + static_cast<s32>((bottom - top) * (2 * static_cast<long long>(j) + 1)
                                             / (2 * static_cast<long long>(std::max<size_t>(shown[k], 1))));
        return core::vector2di(x, y);
    };
    const auto visible = [&](int n) {
        return n >= 0 && static_cast<size_t>(n) < picture.nodes.size()
            && row[static_cast<size_t>(n)] < shown[columnOf(static_cast<size_t>(n))];
    };

    float strongest = 0.0f;
    for (const BrainLink& link : picture.links)
        if (visible(link.from) && visible(link.to) && std::isfinite(link.weight))
            strongest = std::max(strongest, std::fabs(link.weight));
    for (const BrainLink& link : picture.links) {
        if (!visible(link.from) || !visible(link.to))
            continue;
        const size_t from = static_cast<size_t>(link.from), to = static_cast<size_t>(link.to);
        driver->draw2DLine(centre(columnOf(from), row[from]), centre(columnOf(to), row[to]),
                           weightColour(link.weight, strongest));
    }

    // Column by column: its nodes, then the count of those not shown.
    for (size_t k = 0; k < columnCount; ++k) {
        for (size_t n = 0; n < picture.nodes.size(); ++n) {
            if (columnOf(n) != k || row[n] >= shown[k])
                continue;
            const core::vector2di c = centre(k, row[n]);
            const core::recti square(c.X - size / 2, c.Y - size / 2, c.X - size / 2 + size, c.Y - size / 2 + size);
            driver->draw2DRectangle(activationColour(picture.nodes[n].activation), square);
            driver->draw2DRectangleOutline(square, video::SColor(NEURON_OUTLINE_COLOR));
        }
        if (shown[k] < columnSize[k]) {
            wchar_t more[32];
            std::swprintf(more, 32, L"+%zu", columnSize[k] - shown[k]);
            const core::vector2di c = centre(k, shown[k] - 1);
            font->draw(more, core::recti(c.X + size, c.Y - fh / 2, c.X + size + textWidth(font, more) + 1, c.Y + fh), text);
        }
    }
    if (labelInputs)
        for (size_t j = 0; j < shown.front(); ++j) {
            const core::vector2di c = centre(0, j);
            const s32 w = textWidth(font, inputLabelTexts[j].c_str());
            font->draw(inputLabelTexts[j].c_str(), core::recti(c.X - size / 2 - 6 - w, c.Y - fh / 2, c.X - size / 2 - 5, c.Y - fh / 2 + fh), text);
        }
    if (labelOutputs)
        for (size_t j = 0; j < 2; ++j) {
            const core::vector2di c = centre(columnCount - 1, j);
            font->draw(OUTPUT_LABELS[j], core::recti(c.X + size / 2 + 6, c.Y - fh / 2,
                                                     c.X + size / 2 + 7 + textWidth(font, OUTPUT_LABELS[j]), c.Y - fh / 2 + fh), text);
        }
}

} // namespace modules
