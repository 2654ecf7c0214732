#include "hostcommands.h"

#include "commandline.h"
#include "drawingfiles.h"
#include "hostcommandtable.h"

#include "arx/acdocman.h"

// Only a command that takes a word may have one after its name; a command that needs a
// drawing says so when none is open, and does nothing; one that would have written a file
// fails.
HostCommands::Outcome HostCommands::run(const std::string& line)
{
    const size_t blank = line.find_first_of(" \t");
    const std::string name = line.substr(0, blank);
    const HostCommand* command = HostCommand::find(name);
    if (!command || (blank != std::string::npos && !command->takesWord))
        return Outcome::notHost;
    HostCommand::Call call{acDocManager->curDocument(),
                           blank == std::string::npos ? std::string() : trimmed(line.substr(blank)), m_failed};
    try {
        if (call.doc || !command->needsDrawing) {
            command->run(call);
        } else {
            say("No drawing is open.\n");
            m_failed = m_failed || command->stopsScript;
        }
    } catch (...) {
        // The command ends here, its drawings open as it left them; a file command that
        // ended so failed.
        sayUnhandled(name);
        m_failed = m_failed || command->stopsScript;
    }
    return call.ends ? Outcome::quit : Outcome::done;
}

bool HostCommands::confirmEnd()
{
    return DrawingFiles(m_failed).confirmEnd();
}

void HostCommands::reportUnsaved(const std::string& why) const
{
    DrawingFiles::reportUnsaved(why);
}
