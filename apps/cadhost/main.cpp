// cadhost: the host program. Opens a drawing, loads the module, and runs commands read
// from a script or standard input.
#include "cadhost.h"

#include <QApplication>
#include <clocale>
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
    return runHost(options);
}
