// The host's commands on the session's drawings and their files: OPEN, SAVE, SAVEAS, CLOSE
// and QUIT's question. OPEN of a drawing already open makes it current instead of opening a
// second copy, and SAVEAS refuses the file of another open drawing; OPEN and CLOSE name the
// drawing that is current afterwards, and a save says where it wrote. A file prompt refuses
// a name the file system cannot take (and, for a file to write, a folder's). An answer
// refused is asked again on a terminal; in a script, where the next line is no answer to
// it, the command fails there (qv::refuseAnswer).
//
// On a terminal, a drawing with unsaved changes is not given up (by QUIT, EXIT, CLOSE or
// the end of input) before the user answers "Save changes to <file>? [Yes/No/Cancel]
// <Yes>: ": Yes saves (a save that fails keeps the drawing open), No gives the changes up,
// Cancel goes back to the command line. Scripts are never asked: QUIT ends at once and
// CLOSE closes without saving.
#pragma once

#include <string>

class AcApDocument;

// Says on standard error what reading the current drawing repaired, one "repaired: " line each.
void reportRepairs();

class DrawingFiles
{
public:
    // failed is the session's mark of a failed command: an OPEN or a save that fails sets it.
    explicit DrawingFiles(bool& failed) : m_failed(failed) {}

    void open();
    bool save(AcApDocument* doc);
    bool saveAs(AcApDocument* doc);
    void close(AcApDocument* doc);
    // Whether the session may end: on a terminal, every changed drawing has been saved or
    // its changes given up; false to go back to the command line.
    bool confirmEnd();
    // Tells on standard error which drawings lose their changes as the session ends, and why
    // ("the input has ended").
    static void reportUnsaved(const std::string& why);

private:
    enum class Answer { yes, no, cancel };

    static void sayCurrent();
    static bool heldByAnother(const AcApDocument* doc, const std::string& path);
    bool mayReplaceOwnFile(AcApDocument* doc, const std::string& path);
    bool saveTo(AcApDocument* doc, const std::string& path);
    bool mayGiveUp(AcApDocument* doc);
    Answer askSaveChanges(AcApDocument* doc);

    bool& m_failed;
};
