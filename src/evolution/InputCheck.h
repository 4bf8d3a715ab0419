#pragma once

#include <irrlicht.h>

namespace modules {

// True for a non-empty text of digits, points and slashes only.
bool strIsNumber(irr::core::stringw s);

// Converts an edit box's text for an integer field: truncated toward zero. False when the
// value does not fit a 32-bit signed integer.
bool textToInt(const irr::core::stringw& text, int& value);
// Converts an edit box's text for a float field (wcstod, then 32-bit float). False when the
// value is beyond the largest float.
bool textToFloat(const irr::core::stringw& text, float& value);

} // namespace modules
