// SPDX-License-Identifier: MIT
// Start-up time to the window on screen: spawns a program directly and waits, without polling,
// for the X server's MapNotify of its top-level window with the given title; prints the
// microseconds from spawn to that event (-1 after 20 s, or MAP_WAIT_SECONDS, or when the program
// ends first), then ends the program (its CPU time goes to standard error).
// Usage: map_wait TITLE PROGRAM [ARGS...]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char **environ;

namespace {

std::string TitleOf(Display *display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
    }
    return title;
}

// Whether window or one of its children (a window manager's frame holds the client) is the
// program's window, mapped.
bool IsTheWindow(Display *display, Window window, const std::string &title)
{
    if (TitleOf(display, window) == title)
        return true;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        found = TitleOf(display, children[i]) == title &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable;
    }
    if (children)
        XFree(children);
    return found;
}

int IgnoreErrors(Display *, XErrorEvent *)
{
    return 0; // windows vanish between an event and the question about them
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: map_wait TITLE PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string title = argv[1];
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "map_wait: no X display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    const Window root = DefaultRootWindow(display);
    // Top-level windows and window-manager frames are children of the root: their creation and
    // mapping arrive here.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "map_wait: cannot start %s\n", argv[2]);
        return 2;
    }
    long long micros = -1;
    // Longer under callgrind, which runs the program some fifty times slower.
    const char *seconds = std::getenv("MAP_WAIT_SECONDS");
    const auto deadline = start + std::chrono::seconds(seconds ? std::atoi(seconds) : 20);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (micros < 0 && std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            break;
        }
        if (!XPending(display)) {
            poll(&connection, 1, 100);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            // The client's own map arrives on the client, not on the root.
            XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
            continue;
        }
        if (event.type == MapNotify && IsTheWindow(display, event.xmap.window, title))
            micros = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
    }
    if (pid > 0) {
        kill(pid, SIGTERM);
        // The CPU time, for comparisons on a loaded machine where wall time scatters.
        struct rusage usage = {};
        if (wait4(pid, nullptr, 0, &usage) == pid)
            std::fprintf(stderr, "cpu %ld\n",
                         (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L +
                             usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    }
    XCloseDisplay(display);
    std::printf("%lld\n", micros);
    return micros < 0 ? 1 : 0;
}
