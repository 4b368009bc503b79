// Times a program from its exec to the first MapNotify of a top-level
// window on the X server named by DISPLAY (a private one with no window
// manager: nothing else maps there). The root window's substructure is
// selected before the fork, so no map can slip past.
//
// The root carries the hint a window manager leaves there
// (_NET_SUPPORTING_WM_CHECK naming a window of this process, one desktop) while nothing
// manages windows: panels that wait for a window manager to appear then
// start at once, and a program's map is still reported unchanged.
//
// Usage: bench_xmap_stopwatch [--timeout-ms N] PROGRAM [ARGS...]
// Output: MAP_NS (-1 when nothing was mapped in time). The program's output
// goes to /dev/null; it is ended (TERM, then KILL) once timed.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

long long nowNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Waits up to timeoutMs for the child to end; true when it did.
bool reaped(pid_t child, int timeoutMs)
{
    const long long deadline = nowNs() + static_cast<long long>(timeoutMs) * 1000000LL;
    while (nowNs() < deadline) {
        const pid_t done = waitpid(child, nullptr, WNOHANG);
        if (done == child || (done < 0 && errno == ECHILD))
            return true;
        usleep(2000);
    }
    return false;
}

void endChild(pid_t child)
{
    // The whole process group: panels start helpers of their own.
    kill(-child, SIGTERM);
    if (!reaped(child, 2000)) {
        kill(-child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    int first = 1;
    int timeoutMs = 30000;
    if (argc > 2 && std::strcmp(argv[1], "--timeout-ms") == 0) {
        timeoutMs = std::atoi(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [--timeout-ms N] PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    {
        XSetWindowAttributes attributes {};
        attributes.override_redirect = True;
        const Window check = XCreateWindow(display, root, -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
            CWOverrideRedirect, &attributes);
        const Atom checkAtom = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        const Atom nameAtom = XInternAtom(display, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
        const unsigned char *name = reinterpret_cast<const unsigned char *>("bench");
        for (const Window on : { root, check })
            XChangeProperty(display, on, checkAtom, XA_WINDOW, 32, PropModeReplace,
                reinterpret_cast<const unsigned char *>(&check), 1);
        XChangeProperty(display, check, nameAtom, utf8, 8, PropModeReplace, name, 5);
        const long desktops = 1;
        const long current = 0;
        XChangeProperty(display, root, XInternAtom(display, "_NET_NUMBER_OF_DESKTOPS", False), XA_CARDINAL, 32,
            PropModeReplace, reinterpret_cast<const unsigned char *>(&desktops), 1);
        XChangeProperty(display, root, XInternAtom(display, "_NET_CURRENT_DESKTOP", False), XA_CARDINAL, 32,
            PropModeReplace, reinterpret_cast<const unsigned char *>(&current), 1);
        const Atom supported[] = { checkAtom, XInternAtom(display, "_NET_NUMBER_OF_DESKTOPS", False),
            XInternAtom(display, "_NET_CURRENT_DESKTOP", False), XInternAtom(display, "_NET_WM_NAME", False) };
        XChangeProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
            reinterpret_cast<const unsigned char *>(supported), 4);
    }
    XSync(display, False);

    const long long t0 = nowNs();
    const pid_t child = fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        setpgid(0, 0);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(argv[first], argv + first);
        _exit(127);
    }
    setpgid(child, child);

    long long mapped = -1;
    const int fd = ConnectionNumber(display);
    const long long deadline = t0 + static_cast<long long>(timeoutMs) * 1000000LL;
    while (mapped < 0) {
        while (XPending(display) > 0 && mapped < 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root)
                mapped = nowNs() - t0;
        }
        if (mapped >= 0)
            break;
        const long long left = deadline - nowNs();
        if (left <= 0 || waitpid(child, nullptr, WNOHANG) == child)
            break;
        pollfd watch { fd, POLLIN, 0 };
        poll(&watch, 1, static_cast<int>(left / 1000000LL) + 1);
    }

    endChild(child);
    std::printf("MAP_NS %lld\n", mapped);
    std::fflush(stdout);
    XCloseDisplay(display);
    return 0;
}
