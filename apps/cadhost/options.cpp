#include "cadhost.h"

#include "win/headless.h"

#include <QGuiApplication>
#include <algorithm>
#include <vector>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
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

std::string xName() { return "X display \"" + environment("DISPLAY") + "\""; }
std::string waylandName() { return "Wayland display \"" + environment("WAYLAND_DISPLAY") + "\""; }

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
        return !wayland.empty() && waylandDisplayAnswers() ? "" : waylandName();
    if (platform.starts_with("xcb"))
        return !x.empty() && xDisplayAnswers() ? "" : xName();
    if (!platform.empty())
        return "";
    if ((!x.empty() && xDisplayAnswers()) || (!wayland.empty() && waylandDisplayAnswers()))
        return "";
    return x.empty() ? waylandName() : xName();
}

// The platforms Qt tries when none is named, as it picks them: the session's kind (but for
// Wayland on GNOME), then X.
std::string defaultPlatforms()
{
    const auto gnome = [](const char* name) {
        std::string value = environment(name);
        std::transform(value.begin(), value.end(), value.begin(), [](unsigned char c) { return std::tolower(c); });
        return value.find("gnome") != std::string::npos;
    };
    const bool wayland = environment("XDG_SESSION_TYPE") == "wayland" && !gnome("XDG_CURRENT_DESKTOP")
                         && !gnome("XDG_SESSION_DESKTOP");
    return wayland ? "wayland;xcb" : "xcb";
}

void warnNoDisplay(const std::string& display)
{
    std::fprintf(stderr, "cadhost: cannot open the %s; going on without dialogs\n", display.c_str());
}

// A message of Qt's, held: the context's texts are Qt's own constants.
struct HeldMessage
{
    QtMsgType type;
    const char* file;
    int line;
    const char* function;
    const char* category;
    QString text;
};

std::vector<HeldMessage> g_held;
// The platforms the environment named, given back once Qt has read its own list; none when
// it named none.
std::optional<std::string> g_namedPlatforms;

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
            warnNoDisplay(dead);
            headless = true;
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
    }
    if (headless) {
        qv::setNoGui(true);
        // Widgets can still be made (and never shown) without a display.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    } else if (const std::string platforms = environment("QT_QPA_PLATFORM"); !platforms.starts_with("offscreen")) {
        // A display that answered the question above may still refuse Qt's own connection (one
        // coming up or going away): Qt then takes the offscreen platform instead of ending the
        // process, and openDisplay says so.
        if (std::getenv("QT_QPA_PLATFORM"))
            g_namedPlatforms = platforms;
        const std::string tried = platforms.empty() ? defaultPlatforms() : platforms;
        setenv("QT_QPA_PLATFORM", (tried + ";offscreen").c_str(), 1);
    }
    return !headless;
}

void openDisplay()
{
    // What Qt says while it makes the application is held: about a display it could not open
    // after all, the host's one line says it instead.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                                                const QString& text) {
        g_held.push_back({type, context.file, context.line, context.function, context.category, text});
    });
    qv::ensureApplication();
    qInstallMessageHandler(previous);
    const std::string tried = environment("QT_QPA_PLATFORM");
    const bool fellBack = QGuiApplication::platformName() == "offscreen" && !tried.starts_with("offscreen");
    if (fellBack) {
        warnNoDisplay(tried.starts_with("wayland") ? waylandName() : xName());
        qv::setNoGui(true);
    }
    // The programs the host starts choose their platforms as they would have.
    if (g_namedPlatforms)
        setenv("QT_QPA_PLATFORM", g_namedPlatforms->c_str(), 1);
    else if (!tried.starts_with("offscreen"))
        unsetenv("QT_QPA_PLATFORM");
    for (const HeldMessage& message : fellBack ? std::vector<HeldMessage>() : g_held) {
        const QMessageLogContext context(message.file, message.line, message.function, message.category);
        previous ? previous(message.type, context, message.text) : qt_message_output(message.type, context, message.text);
    }
    g_held.clear();
}
