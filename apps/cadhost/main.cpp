// cadhost: the host program. Opens a drawing, loads the module, and runs commands read
// from a script or standard input.
#include "cadhost.h"

#include "win/headless.h"

#include <QApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    HostOptions options;
    if (const int status = parseOptions(argc, argv, options); status >= 0)
        return status;
    const bool windows = preparePlatform(options);
    // The locale Qt's application object sets (the environment's), with the C notation of numbers.
    const auto setLocale = [] {
        std::setlocale(LC_ALL, "");
        std::setlocale(LC_NUMERIC, "C");
    };
    setLocale();
    // Made with the first window in a headless run: one that makes none spends nothing on the
    // platform, and its end loads no font configuration only to free it.
    std::unique_ptr<QApplication> app;
    qv::setApplicationMaker([&] {
        app = std::make_unique<QApplication>(argc, argv);
        // The session ends with its command line, not with its last window.
        QApplication::setQuitOnLastWindowClosed(false);
        setLocale();
    });
    if (windows)
        openDisplay();
    // A write past the file-size limit fails (EFBIG) as any failed save, instead of ending the
    // session and losing its work.
    std::signal(SIGXFSZ, SIG_IGN);
    const int status = runHost(options);
    qv::setApplicationMaker({});
    return status;
}
