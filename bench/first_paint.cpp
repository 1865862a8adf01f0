// Starts a program and watches the X display for its first paint, as a user would see it: the
// window with the given title exists, is mapped, and its bottom-right pixel has the panel's
// dark grey. Nothing in the program is changed or told it is watched. Prints the time from the
// start to that paint and, after a short settling time, the program's peak memory; then ends
// the program.
//
// Usage: first-paint [--title=TEXT] [--settle-ms=N] [--timeout-ms=N] -- PROGRAM [ARGS...]
// Output: one line: paint_ms=... cpu_ms=... hwm_kb=... rss_kb=... anon_kb=...
// (cpu_ms: the program's processor time up to the paint; the memory figures after settling.)
#include <xcb/xcb.h>

#include <dirent.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void SleepMs(double ms) {
    const long ns = static_cast<long>(ms * 1e6);
    timespec ts{ns / 1000000000L, ns % 1000000000L};
    nanosleep(&ts, nullptr);
}

std::string WindowName(xcb_connection_t* c, xcb_window_t w) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    std::string name;
    if (reply != nullptr) {
        name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return name;
}

// A mapped top-level window with that title, or 0. Without a window manager (a bare virtual
// display) the program's windows are children of the root.
xcb_window_t FindWindow(xcb_connection_t* c, xcb_window_t root, const std::string& title) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (tree == nullptr) {
        return 0;
    }
    xcb_window_t found = 0;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && found == 0; --i) {
        if (WindowName(c, children[i]) != title) {
            continue;
        }
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
        if (attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            found = children[i];
        }
        std::free(attributes);
    }
    std::free(tree);
    return found;
}

// True when the window's bottom-right pixel is (64, 64, 64).
bool CornerIsPainted(xcb_connection_t* c, xcb_window_t w) {
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (geometry == nullptr) {
        return false;
    }
    const int x = geometry->width - 1;
    const int y = geometry->height - 1;
    std::free(geometry);
    xcb_get_image_reply_t* image =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, static_cast<int16_t>(x),
                                          static_cast<int16_t>(y), 1, 1, ~0u),
                            nullptr);
    if (image == nullptr) {
        return false;
    }
    bool painted = false;
    // 24- and 32-bit visuals keep a pixel in four bytes, blue first on this byte order.
    if (xcb_get_image_data_length(image) >= 3) {
        const uint8_t* p = xcb_get_image_data(image);
        painted = p[0] == 64 && p[1] == 64 && p[2] == 64;
    }
    std::free(image);
    return painted;
}

long StatusKb(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0) {
            return std::atol(line.c_str() + key.size());
        }
    }
    return -1;
}

// Processor time of all the program's threads so far, from the scheduler's nanosecond counts.
double CpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) {
        return -1;
    }
    double ns = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        double onCpu = 0;
        if (schedstat >> onCpu) {
            ns += onCpu;
        }
    }
    closedir(dir);
    return ns / 1e6;
}

const char* Option(int argc, char** argv, const char* prefix, const char* fallback) {
    const std::size_t length = std::strlen(prefix);
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strncmp(argv[i], prefix, length) == 0) {
            return argv[i] + length;
        }
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    while (first < argc && std::strcmp(argv[first], "--") != 0) {
        ++first;
    }
    if (first + 1 >= argc) {
        std::fprintf(stderr,
                     "usage: first-paint [--title=TEXT] [--settle-ms=N] "
                     "[--timeout-ms=N] -- PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string title =
        Option(argc, argv, "--title=", "AQ K3310 64-Channel Isolated Input Interrupt Module");
    const double settleMs = std::atof(Option(argc, argv, "--settle-ms=", "500"));
    const double timeoutMs = std::atof(Option(argc, argv, "--timeout-ms=", "30000"));

    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c) != 0) {
        std::fprintf(stderr, "first-paint: cannot connect to the X display\n");
        return 3;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_window_t root = screens.data->root;

    const double start = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[first + 1], argv + first + 1);
        std::perror("first-paint: exec");
        _exit(127);
    }
    xcb_window_t window = 0;
    double paintedAt = -1;
    double cpuAtPaint = -1;
    // Every 2 ms: fine enough against start-ups of a hundred milliseconds and more, and light
    // enough not to take the program's processor.
    while (NowMs() - start < timeoutMs) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "first-paint: the program ended before painting\n");
            return 4;
        }
        if (window == 0) {
            window = FindWindow(c, root, title);
        }
        if (window != 0 && CornerIsPainted(c, window)) {
            paintedAt = NowMs();
            cpuAtPaint = CpuMs(pid);
            break;
        }
        SleepMs(2);
    }
    if (paintedAt < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::fprintf(stderr, "first-paint: no paint within %.0f ms\n", timeoutMs);
        return 5;
    }
    SleepMs(settleMs);
    const long hwm = StatusKb(pid, "VmHWM");
    const long rss = StatusKb(pid, "VmRSS");
    const long anon = StatusKb(pid, "RssAnon");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    std::printf("paint_ms=%.1f cpu_ms=%.1f hwm_kb=%ld rss_kb=%ld anon_kb=%ld\n", paintedAt - start,
                cpuAtPaint, hwm, rss, anon);
    return 0;
}
