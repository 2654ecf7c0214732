// The host's own commands: OPEN, NEW, SAVE, SAVEAS, CLOSE, QUIT (EXIT), SETVAR, HELP (?),
// and the plot commands EXPORT and PLOT (plotcommands.h). OPEN of a drawing already open
// makes it current instead of opening a second copy, and SAVEAS refuses the file of another
// open drawing; OPEN and CLOSE name the drawing that is current afterwards, and a save says
// where it wrote. A command that needs a drawing says
// "No drawing is open." when there is none. A file prompt refuses a name the file system
// cannot take (and, for a file to write, a folder's). An answer refused is asked again on a
// terminal; in a script, where the next line is no answer to it, the command fails there
// (qv::refuseAnswer). Whatever a command throws ends that command with a line that names
// it, never the session.
//
// On a terminal, a drawing with unsaved changes is not given up (by QUIT, EXIT, CLOSE or
// the end of input) before the user answers "Save changes to <file>? [Yes/No/Cancel]
// <Yes>: ": Yes saves (a save that fails keeps the drawing open), No gives the changes up,
// Cancel goes back to the command line. Scripts are never asked: QUIT ends at once and
// CLOSE closes without saving.
#pragma once

#include "arx/acedinput.h"

#include <string>
#include <vector>

class AcApDocument;
struct HostCommand;

// Says on standard error what reading the current drawing repaired, one "repaired: " line each.
void reportRepairs();

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
    // Describes the command NAME, or lists them all for an empty name.
    static void help(const std::string& name);
    enum class Answer { yes, no, cancel };

    Outcome runNamed(const HostCommand& command);
    void open();
    static void sayCurrent();
    bool save(AcApDocument* doc);
    bool saveAs(AcApDocument* doc);
    static bool heldByAnother(const AcApDocument* doc, const std::string& path);
    bool mayReplaceOwnFile(AcApDocument* doc, const std::string& path);
    bool saveTo(AcApDocument* doc, const std::string& path);
    void close(AcApDocument* doc);
    void setVar();
    bool mayGiveUp(AcApDocument* doc);
    Answer askSaveChanges(AcApDocument* doc);

    bool m_failed = false;
};
