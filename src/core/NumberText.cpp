#include "core/NumberText.h"

#include <cstdio>

using namespace irr;

namespace modules {

core::stringw numberText(float value)
{
    char buffer[255];
    std::snprintf(buffer, sizeof buffer, "%0.6f", static_cast<double>(value));
    core::stringw text(buffer);

    const s32 point = text.findFirst(L'.');
    if (point < 0)
        return text;
    const u32 firstDecimal = static_cast<u32>(point) + 1;
    while (text.size() > firstDecimal + 1 && text[text.size() - 1] == L'0')
        text = text.subString(0, text.size() - 1);
    return text;
}

} // namespace modules
