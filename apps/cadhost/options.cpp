#include "cadhost.h"

#include "win/headless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const usage =
    "usage: cadhost [--script FILE] [--product NAME] [--module PATH] [--no-gui] [DRAWING]\n"
    "\n"
    "Opens DRAWING (a DXF file) or a new drawing, loads the module, and runs the commands\n"
    "read from FILE or standard input, one per line.\n"
    "\n"
    "  --script FILE   read input lines from FILE instead of standard input\n"
    "  --product NAME  the product name the module sees (default \"AutoCAD 2019\")\n"
    "  --module PATH   the module to load (default: libquorvane.so built beside cadhost)\n"
    "  --no-gui        no windows: message boxes print to standard error\n"
    "  --version       print the version and exit\n";

bool hasDisplay()
{
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace

int parseOptions(int argc, char** argv, HostOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("cadhost %s\n", QV_VERSION);
            return 0;
        }
        if (arg == "--no-gui")
            options.noGui = true;
        else if ((arg == "--script" || arg == "--product" || arg == "--module") && hasValue)
            (arg == "--script" ? options.script : arg == "--product" ? options.product : options.module) = argv[++i];
        else if (!arg.empty() && arg[0] != '-' && options.drawing.empty())
            options.drawing = arg;
        else {
            std::fprintf(stderr, "cadhost: bad option '%s'\n%s", arg.c_str(), usage);
            return 2;
        }
    }
    return -1;
}

void preparePlatform(const HostOptions& options)
{
    // Qt wants a private runtime folder; make the one it would fall back to, quietly.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        ::mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    }
    if (options.noGui || !hasDisplay()) {
        qv::setNoGui(true);
        // Widgets can still be made (and never shown) without a display.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
}
