#include "cadhost.h"

#include "win/headless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const char* const usage =
    "usage: cadhost [--script FILE] [--product NAME] [--module PATH] [--no-gui] [--] [DRAWING]\n"
    "\n"
    "Opens DRAWING (a DXF file) or a new drawing, loads the module, and runs the commands\n"
    "read from FILE or standard input, one per line.\n"
    "\n"
    "  --script FILE   read input lines from FILE instead of standard input\n"
    "  --product NAME  the product name the module sees (default \"AutoCAD 2019\")\n"
    "  --module PATH   the module to load (default: libquorvane.so built beside cadhost)\n"
    "  --no-gui        no windows: message boxes print to standard error\n"
    "  --version       print the version and exit\n"
    "  --              the end of the options: DRAWING may begin with \"-\"\n";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool hasDisplay() { return !environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty(); }

// Whether the X server of DISPLAY accepts a connection, asked through the X library that
// Qt uses (loaded here only for the question, so that the host does not need it).
bool xDisplayAnswers()
{
    void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb)
        return false; // Qt cannot reach an X server without it either
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
    bool answers = false;
    if (connect && hasError && disconnect) {
        void* connection = connect(nullptr, nullptr);
        answers = hasError(connection) == 0;
        disconnect(connection);
    }
    ::dlclose(xcb);
    return answers;
}

// Whether the Wayland compositor's socket (WAYLAND_DISPLAY, a name in XDG_RUNTIME_DIR or a
// path) accepts a connection.
bool waylandDisplayAnswers()
{
    const std::string name = environment("WAYLAND_DISPLAY");
    const std::string path = name.starts_with('/') ? name : environment("XDG_RUNTIME_DIR") + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return answers;
}

// The display that Qt would fail to open (Qt aborts then); empty when one answers, or when
// Qt is told to use a platform without a display. Without a platform named, Qt takes
// Wayland or X, whichever answers.
std::string deadDisplay()
{
    const std::string platform = environment("QT_QPA_PLATFORM");
    const std::string x = environment("DISPLAY"), wayland = environment("WAYLAND_DISPLAY");
    if (platform.starts_with("wayland"))
        return !wayland.empty() && waylandDisplayAnswers() ? "" : "Wayland display \"" + wayland + "\"";
    if (platform.starts_with("xcb"))
        return !x.empty() && xDisplayAnswers() ? "" : "X display \"" + x + "\"";
    if (!platform.empty())
        return "";
    if ((!x.empty() && xDisplayAnswers()) || (!wayland.empty() && waylandDisplayAnswers()))
        return "";
    return x.empty() ? "Wayland display \"" + wayland + "\"" : "X display \"" + x + "\"";
}

int badOption(const std::string& arg)
{
    std::fprintf(stderr, "cadhost: bad option '%s'\n%s", arg.c_str(), usage);
    return 2;
}

} // namespace

int parseOptions(int argc, char** argv, HostOptions& options)
{
    bool optionsEnded = false;   // after "--", an argument is the drawing, whatever it begins with
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--" && !optionsEnded) {
            optionsEnded = true;
        } else if (optionsEnded || (!arg.empty() && arg[0] != '-')) {
            if (arg.empty() || !options.drawing.empty())
                return badOption(arg);
            options.drawing = arg;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("cadhost %s\n", QV_VERSION);
            return 0;
        } else if (arg == "--no-gui") {
            options.noGui = true;
        } else if ((arg == "--script" || arg == "--product" || arg == "--module") && hasValue) {
            (arg == "--script" ? options.script : arg == "--product" ? options.product : options.module) = argv[++i];
        } else {
            return badOption(arg);
        }
    }
    return -1;
}

bool preparePlatform(const HostOptions& options)
{
    // Qt wants a private runtime folder; make the one it would fall back to, quietly.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        ::mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    }
    bool headless = options.noGui || !hasDisplay();
    if (!headless) {
        if (const std::string dead = deadDisplay(); !dead.empty()) {
            std::fprintf(stderr, "cadhost: cannot open the %s; going on without dialogs\n", dead.c_str());
            headless = true;
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
    }
    if (headless) {
        qv::setNoGui(true);
        // Widgets can still be made (and never shown) without a display.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    return !headless;
}
