// Starts a program and prints the milliseconds from its exec to the moment
// its first top-level window is mapped, as the X server reports it.
//
//   mapwait <program> [args...]
//
// Every window created on the root is watched for its own MapNotify, so a
// reparenting window manager does not hide the map from us. The program is
// left running; its pid is printed on the second line.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: mapwait <program> [args...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "mapwait: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &rootMask);
    xcb_flush(c);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // Our standard output is the caller's pipe: the program must not hold it open.
        if (int devnull = open("/dev/null", O_WRONLY); devnull >= 0)
            dup2(devnull, STDOUT_FILENO);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        const uint8_t type = e->response_type & 0x7F;
        if (type == XCB_CREATE_NOTIFY) {
            // Override-redirect windows (tooltips, menus) are not the program's window.
            auto* created = reinterpret_cast<xcb_create_notify_event_t*>(e);
            if (!created->override_redirect) {
                const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(c, created->window, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(c);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(e);
            if (mapped->event == mapped->window && !mapped->override_redirect) {
                const auto ms = std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                std::printf("%.1f\n%d\n", ms, int(pid));
                std::free(e);
                xcb_disconnect(c);
                return 0;
            }
        }
        std::free(e);
    }
    return 1;
}
