// The host program's parts: its options, and the session that runs them.
#pragma once

#include <string>

struct HostOptions
{
    std::string script;
    std::string product = "AutoCAD 2019";
    std::string module;
    std::string drawing;
    bool noGui = false;
};

// Reads the command line; gives -1 to go on, else the status to exit with (after --help,
// --version or a bad option).
int parseOptions(int argc, char** argv, HostOptions& options);
// Decides between windows and the headless stand-ins before the Qt application is made;
// false when headless.
bool preparePlatform(const HostOptions& options);
// Makes the Qt application for windows; when no display can be opened after all, the host
// says so in one line and goes on without dialogs.
void openDisplay();
// Opens the drawing, loads the module, runs the input and unloads; the exit status.
int runHost(const HostOptions& options);
