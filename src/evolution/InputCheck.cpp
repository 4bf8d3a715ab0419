#include "evolution/InputCheck.h"

#include <cfloat>
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

bool textToFloat(const irr::core::stringw& text, float& value)
{
    const double number = std::wcstod(text.c_str(), nullptr);
    // Beyond the largest float it would be stored as infinity, which no run limit accepts.
    if (!(std::fabs(number) <= static_cast<double>(FLT_MAX)))
        return false;
    value = static_cast<float>(number);
    return true;
}

} // namespace modules
