#include "gui/ScreenLog.h"

#include "core/Engine.h"
#include "gui/ScreenLayout.h"

using namespace irr;

namespace modules {

ScreenLog::ScreenLog()
{
    for (int i = 0; i < LINE_COUNT; ++i) {
        lines[i] = engine.guiEnvironment->addStaticText(L"", core::rect<s32>(), false, false, nullptr, -1, false);
        // Translucent black text over the light floor reads better than a dark band
        // behind the skin's dark text.
        lines[i]->setOverrideColor(video::SColor(TEXT_COLOR));
    }
    layout(engine.driver->getScreenSize());
}

void ScreenLog::layout(const core::dimension2du& screenSize)
{
    using namespace ScreenLayout;
    const s32 top = static_cast<s32>(screenSize.Height) - LOG_BAND;
    for (int i = 0; i < LINE_COUNT; ++i) {
        const s32 lineTop = top + LOG_LINE_HEIGHT * i;
        lines[i]->setRelativePosition(
            core::rect<s32>(LOG_LEFT, lineTop, LOG_LEFT + LOG_WIDTH, lineTop + LOG_LINE_HEIGHT));
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
