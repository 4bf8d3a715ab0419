#pragma once

#include <irrlicht.h>

namespace modules {

// A float as the panel and the log show it: six decimals, trailing zeros removed down to
// one decimal ("%0.6f", then trimmed). Here rather than in the GUI so that the evolution's
// messages can use it without the GUI.
irr::core::stringw numberText(float value);

} // namespace modules
