// cadhost: the host program. Opens a drawing, loads the module, and runs commands read
// from a script or standard input.
#include "cadhost.h"

#include <QApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    HostOptions options;
    if (const int status = parseOptions(argc, argv, options); status >= 0)
        return status;
    preparePlatform(options);
    QApplication app(argc, argv);
    // The session ends with its command line, not with its last window.
    QApplication::setQuitOnLastWindowClosed(false);
    std::setlocale(LC_NUMERIC, "C");
    // A write past the file-size limit fails (EFBIG) as any failed save, instead of ending the
    // session and losing its work.
    std::signal(SIGXFSZ, SIG_IGN);
    return runHost(options);
}
