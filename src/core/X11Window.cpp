#include "core/X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace irr;

namespace modules {

namespace {

bool x11Window(video::IVideoDriver* driver, Display*& display, Window& window)
{
    if (!driver || driver->getDriverType() != video::EDT_OPENGL)
        return false;
    const video::SExposedVideoData& data = driver->getExposedVideoData();
    display = static_cast<Display*>(data.OpenGLLinux.X11Display);
    window = static_cast<Window>(data.OpenGLLinux.X11Window);
    return display && window;
}

} // namespace

void setMinimumWindowSize(video::IVideoDriver* driver, const core::dimension2du& size)
{
    Display* display = nullptr;
    Window window = 0;
    if (!x11Window(driver, display, window))
        return;
    XSizeHints* hints = XAllocSizeHints();
    if (!hints)
        return;
    long supplied = 0;
    // The device's own hints stay (position, base size); only the minimum is added.
    if (!XGetWMNormalHints(display, window, hints, &supplied))
        hints->flags = 0;
    hints->flags |= PMinSize;
    hints->min_width = static_cast<int>(size.Width);
    hints->min_height = static_cast<int>(size.Height);
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
    XFlush(display);
}

void acceptCloseMessage(video::IVideoDriver* driver)
{
    Display* display = nullptr;
    Window window = 0;
    if (!x11Window(driver, display, window))
        return;
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XFlush(display);
}

void resizeWindow(video::IVideoDriver* driver, const core::dimension2du& size)
{
    Display* display = nullptr;
    Window window = 0;
    if (!x11Window(driver, display, window))
        return;
    XResizeWindow(display, window, size.Width, size.Height);
    XFlush(display);
}

} // namespace modules
