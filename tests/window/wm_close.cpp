// Closes a window as a window manager's close button does (ICCCM): when the window lists
// WM_DELETE_WINDOW in its WM_PROTOCOLS, it is sent a WM_PROTOCOLS client message naming
// WM_DELETE_WINDOW; a window that does not list it could only be killed, so the helper
// refuses and exits 1. Usage: wm_close <window id>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <window id>\n", argv[0]);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "wm_close: cannot open the display\n");
        return 1;
    }
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    Atom* listed = nullptr;
    int count = 0;
    bool supported = false;
    if (XGetWMProtocols(display, window, &listed, &count)) {
        for (int i = 0; i < count; ++i)
            supported = supported || listed[i] == deleteWindow;
        XFree(listed);
    }
    if (!supported) {
        std::fprintf(stderr, "wm_close: window 0x%lx does not take WM_DELETE_WINDOW (%d protocols listed)\n", window,
                     count);
        XCloseDisplay(display);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    std::printf("wm_close: sent WM_DELETE_WINDOW to 0x%lx\n", window);
    return 0;
}
