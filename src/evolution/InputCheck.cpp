#include "evolution/InputCheck.h"

#include <climits>
#include <cmath>
#include <cwchar>

namespace modules {

bool strIsNumber(irr::core::stringw s)
{
    if (s.size() == 0)
        return false;
    for (irr::u32 i = 0; i < s.size(); ++i)
        if (s[i] < 0x2E || s[i] > 0x39)
            return false;
    return true;
}

bool textToInt(const irr::core::stringw& text, int& value)
{
    const double number = std::wcstod(text.c_str(), nullptr);
    const double truncated = std::trunc(number);
    if (!(truncated >= static_cast<double>(INT_MIN) && truncated <= static_cast<double>(INT_MAX)))
        return false;
    value = static_cast<int>(truncated);
    return true;
}

float textToFloat(const irr::core::stringw& text)
{
    return static_cast<float>(std::wcstod(text.c_str(), nullptr));
}

} // namespace modules
