#include "gui/ScreenLog.h"

#include "core/Engine.h"

using namespace irr;

namespace modules {

ScreenLog::ScreenLog()
{
    const core::rect<s32> viewport = engine.driver->getViewPort();
    const s32 top = viewport.getHeight() - 90;
    for (int i = 0; i < LINE_COUNT; ++i) {
        const core::rect<s32> area(10, top + 16 * i, 510, top + 16 * i + 16);
        lines[i] = engine.guiEnvironment->addStaticText(L"", area, false, false, nullptr, -1, false);
        // Translucent black text over the light floor reads better than a dark band
        // behind the skin's dark text.
        lines[i]->setOverrideColor(video::SColor(TEXT_COLOR));
    }
}

void ScreenLog::writeLine(const wchar_t* text)
{
    for (int i = LINE_COUNT - 1; i > 0; --i)
        lines[i]->setText(core::stringw(lines[i - 1]->getText()).c_str());
    lines[0]->setText(text);
}

void ScreenLog::clear()
{
    for (auto* line : lines)
        line->setText(L"");
}

} // namespace modules
