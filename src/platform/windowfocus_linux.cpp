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

#ifdef GATEPOINT_HAVE_X11
namespace {

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

// The window a check property names, or None; on a window that no longer
// exists the server answers with an error, which is ignored here.
::Window checkWindow(Display *display, ::Window on, Atom check)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char *data = nullptr;
    ::Window named = None;
    if (XGetWindowProperty(display, on, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &remaining, &data)
            == Success
        && data && items == 1 && format == 32)
        named = *reinterpret_cast<::Window *>(data);
    if (data)
        XFree(data);
    return named;
}

// A window manager runs when the root names a check window that names
// itself; one that has ended leaves the root's property behind.
bool windowManagerRuns(Display *display)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    const ::Window named = checkWindow(display, DefaultRootWindow(display), check);
    const bool runs = named != None && checkWindow(display, named, check) == named;
    XSync(display, False);
    XSetErrorHandler(previous);
    return runs;
}

} // namespace
#endif

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
    const bool managed = windowManagerRuns(display);
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
