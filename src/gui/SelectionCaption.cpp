#include "gui/SelectionCaption.h"

#include "gui/NetworkView.h"

#include <cwchar>

using namespace irr;

namespace modules {

std::wstring selectionCaption(int number, float fitness)
{
    wchar_t text[96];
    std::swprintf(text, 96, L"Vehicle %d: %g items", number, static_cast<double>(fitness));
    return text;
}

void drawSelectionCaption(video::IVideoDriver* driver, gui::IGUIFont* font, const core::recti& panel,
                          const std::wstring& caption)
{
    if (!font)
        return;
    const s32 height = static_cast<s32>(font->getDimension(L"Ag").Height) + 6;
    const core::recti strip(panel.UpperLeftCorner.X, panel.UpperLeftCorner.Y - height - 2, panel.LowerRightCorner.X,
                            panel.UpperLeftCorner.Y - 2);
    driver->draw2DRectangle(video::SColor(NetworkView::BACKGROUND_COLOR), strip);
    font->draw(caption.c_str(), core::recti(strip.UpperLeftCorner.X + 6, strip.UpperLeftCorner.Y + 3,
                                            strip.LowerRightCorner.X - 6, strip.LowerRightCorner.Y - 3),
               video::SColor(NetworkView::TEXT_COLOR));
}

} // namespace modules
