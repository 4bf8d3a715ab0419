#include "core/DesktopResolution.h"

#include <X11/Xlib.h>

#include <cstdlib>

using namespace irr;

namespace modules {

bool findXScreenSize(core::dimension2du& size, std::string& error)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        error = (name && *name)
            ? std::string("Error: cannot open the X display \"") + name + "\"; Kinetarium needs a graphical desktop."
            : std::string("Error: no X display (DISPLAY is not set); Kinetarium needs a graphical desktop.");
        return false;
    }
    const int screen = DefaultScreen(display);
    size.Width = static_cast<u32>(DisplayWidth(display, screen));
    size.Height = static_cast<u32>(DisplayHeight(display, screen));
    XCloseDisplay(display);
    return true;
}

bool findDesktopResolution(core::dimension2du& size, std::string& error)
{
    // Checked first: without a display the probe below would quietly read 0x0.
    core::dimension2du screenSize;
    if (!findXScreenSize(screenSize, error))
        return false;

    size.set(0, 0);
    IrrlichtDevice* probe = createDevice(video::EDT_NULL, core::dimension2du(640, 480), 16,
                                         false, false, false, nullptr);
    if (probe) {
        size = probe->getVideoModeList()->getDesktopResolution();
        probe->drop();
    }
    if (size.Width == 0 || size.Height == 0)
        size = screenSize;
    return true;
}

} // namespace modules
