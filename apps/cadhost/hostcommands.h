// The host's own commands (the table of hostcommandtable.h): runs the one a line names by
// its row's handler. A command that needs a drawing says "No drawing is open." when there is
// none and does nothing. Whatever a command throws ends that command with a line that names
// it, never the session.
#pragma once

#include "arx/acedinput.h"

#include <string>

class HostCommands
{
public:
    enum class Outcome { notHost, done, quit };

    // Runs the host command a line names (in capitals, without "_" or "." prefixes): its
    // name alone, or "HELP NAME" ("? NAME"), which describes the command NAME.
    Outcome run(const std::string& line);
    // Whether the session may end: on a terminal, every changed drawing has been saved or
    // its changes given up; false to go back to the command line.
    bool confirmEnd();
    // Tells on standard error which drawings lose their changes as the session ends, and why
    // ("the input has ended").
    void reportUnsaved(const std::string& why) const;
    // True once an OPEN, SAVE, SAVEAS, EXPORT or PLOT has failed, or a command on an answer
    // refused in a script.
    bool failed() const { return m_failed || qv::answerRefused(); }

private:
    bool m_failed = false;
};
