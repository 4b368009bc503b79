// The keyboard focus on a bare X server, through Xlib: kept apart from the
// rest of the backend, whose names Xlib's macros would clash with.
#include "platform.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef GATEPOINT_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace Platform {

void takeKeyboardFocus(QWidget *window)
{
#ifdef GATEPOINT_HAVE_X11
    if (!window || !window->isVisible() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const QByteArray name = qgetenv("DISPLAY");
    Display *display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!display)
        return;
    // With a window manager the toolkit's request goes through it. Without
    // one the toolkit sets the focus with the time of its last event, which
    // the server ignores when another client took the focus since; the
    // current time always holds.
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char *data = nullptr;
    const bool managed = check != None
        && XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
               &items, &remaining, &data)
            == Success
        && items > 0;
    if (data)
        XFree(data);
    if (!managed) {
        const ::Window id = ::Window(window->window()->winId());
        XRaiseWindow(display, id);
        XSetInputFocus(display, id, RevertToParent, CurrentTime);
    }
    XCloseDisplay(display);
#else
    Q_UNUSED(window);
#endif
}

} // namespace Platform
