#include "drawingfiles.h"

#include "commandline.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedinput.h"
#include "arx/dbdatabase.h"
#include "posix/fileidentity.h"
#include "win/winbase.h"

#include <cstdio>
#include <filesystem>

namespace {

bool changed(const AcApDocument* doc) { return doc && doc->database()->dbmod() != 0; }

// A drawing's path with ".dxf" added when its name has no extension (a folder is left for
// the command to refuse).
std::string withExtension(const std::string& path)
{
    const std::filesystem::path name(nativePath(path.c_str()));
    std::error_code error;
    if (name.has_extension() || !name.has_filename() || std::filesystem::is_directory(name, error))
        return path;
    return path + ".dxf";
}

// Whether a file name is a drawing extension alone (".dxf"), which names no drawing.
bool onlyExtension(const std::string& path)
{
    const std::string name = upper(std::filesystem::path(path).filename().string());
    return name == ".DXF" || name == ".DWG";
}

} // namespace

void reportRepairs()
{
    const AcApDocument* doc = acDocManager->curDocument();
    if (!doc)
        return;
    std::fflush(stdout);
    for (const std::string& repair : doc->database()->readRepairs())
        std::fprintf(stderr, "repaired: %s\n", repair.c_str());
    std::fflush(stderr);
}

// A name without an extension is given ".dxf", as SAVEAS gives it. The drawing that is
// current afterwards is named.
void DrawingFiles::open()
{
    const auto path = askPath("Enter name of drawing to open: ", [](const std::string& answer) {
        return answer.empty() ? std::optional(answer) : takeablePath(withExtension(answer));
    });
    if (!path || path->empty())
        return;
    if (AcApDocument* doc = acDocManager->documentOfFile(path->c_str())) {
        acDocManager->setCurDocument(doc);
        const std::string name = doc->fileName();
        say("\"" + name + "\" is already open; it is now the current drawing.\n");
        return;
    }
    if (acDocManager->appContextOpenDocument(path->c_str()) != Acad::eOk) {
        complain("cannot open \"" + *path + "\": " + acDocManager->lastOpenError());
        m_failed = true;
        return;
    }
    reportRepairs();
    sayCurrent();
}

// Names the current drawing, or says that none is open.
void DrawingFiles::sayCurrent()
{
    const AcApDocument* doc = acDocManager->curDocument();
    if (!doc) {
        say("No drawing is open.\n");
        return;
    }
    std::string line = "\"";
    line += doc->fileName();
    say(line + "\" is now the current drawing.\n");
}

bool DrawingFiles::save(AcApDocument* doc)
{
    return doc->isNew() ? saveAs(doc) : saveTo(doc, doc->fileName());
}

// Offers the drawing's own name (Enter keeps it), gives a name without an extension ".dxf",
// refuses a name that is only an extension, a folder's or one the file system cannot take,
// and on a terminal asks before it replaces another file.
bool DrawingFiles::saveAs(AcApDocument* doc)
{
    const std::string current = doc->fileName();
    const auto path = askPath("Save drawing as <" + current + ">: ",
                              [&](const std::string& answer) -> std::optional<std::string> {
                                  if (!onlyExtension(answer)) {
                                      auto taken = fileToWrite(withExtension(answer.empty() ? current : answer));
                                      return taken && heldByAnother(doc, *taken) ? std::nullopt : taken;
                                  }
                                  qv::refuseAnswer("Cannot save as \"" + answer + "\": the file name is only an "
                                                   "extension; give the drawing a name.");
                                  return std::nullopt;
                              });
    if (!path)
        return false;
    if (*path != current && !qv::replacing(*path))
        return false;
    return saveTo(doc, *path);
}

// Whether another open drawing is the file at path, which a save there would leave two
// drawings claiming (the one saved last overwriting the other): refused as a file name is.
bool DrawingFiles::heldByAnother(const AcApDocument* doc, const std::string& path)
{
    const AcApDocument* holder = acDocManager->documentOfFile(path.c_str());
    if (!holder || holder == doc)
        return false;
    qv::refuseAnswer(path + " is open in this session: close it first, or choose another name.");
    return true;
}

// A save over the drawing's own file is refused when this process may not write it, and
// when another program changed it since the session read or wrote it, unless the user (on
// a terminal) says to replace it.
bool DrawingFiles::mayReplaceOwnFile(AcApDocument* doc, const std::string& path)
{
    if (doc->isNew() || acDocManager->documentOfFile(path.c_str()) != doc)
        return true;
    const auto fail = [&](const std::string& why) {
        complain("cannot save \"" + path + "\": " + why + "; SAVEAS saves the drawing under another name");
        m_failed = true;
        return false;
    };
    if (doc->isReadOnly())
        return fail("the file is read-only");
    if (!doc->fileChanged())
        return true;
    const std::string changed = "was changed on disk since it was opened";
    return qv::inputInteractive() ? qv::askReplace(path, changed) : fail("it " + changed);
}

bool DrawingFiles::saveTo(AcApDocument* doc, const std::string& path)
{
    if (!mayReplaceOwnFile(doc, path))
        return false;
    if (doc->database()->saveAs(path.c_str()) != Acad::eOk) {
        complain(doc->database()->lastErrorMessage());   // it names the file and says why
        m_failed = true;
        return false;
    }
    doc->setFileName(path);
    doc->setNew(false);
    doc->tieToFile(qv::FileIdentity::of(path));
    say("Drawing saved as " + path + "\n");
    return true;
}

void DrawingFiles::close(AcApDocument* doc)
{
    if (!mayGiveUp(doc))
        return;
    acDocManager->closeDocument(doc);
    sayCurrent();
}

bool DrawingFiles::confirmEnd()
{
    if (!qv::inputInteractive())
        return true;
    for (int i = 0; i < acDocManager->documentCount(); ++i)
        if (!mayGiveUp(acDocManager->document(i)))
            return false;
    return true;
}

void DrawingFiles::reportUnsaved(const std::string& why)
{
    for (int i = 0; i < acDocManager->documentCount(); ++i)
        if (const AcApDocument* doc = acDocManager->document(i); changed(doc))
            complain(why + ": the changes to \"" + std::string(doc->fileName()) + "\" are not saved");
}

// On a terminal, a changed drawing may be given up once saved or once the user says No.
bool DrawingFiles::mayGiveUp(AcApDocument* doc)
{
    if (!qv::inputInteractive() || !changed(doc))
        return true;
    switch (askSaveChanges(doc)) {
    case Answer::yes: return save(doc);
    case Answer::no: return true;
    case Answer::cancel: return false;
    }
    return false;
}

// Yes, No or Cancel, by any leading part of the word; Enter (and the end of input) takes
// the default, Yes, and a cancel key Cancel.
DrawingFiles::Answer DrawingFiles::askSaveChanges(AcApDocument* doc)
{
    const std::string prompt = "Save changes to " + std::string(doc->fileName()) + "? [Yes/No/Cancel] <Yes>: ";
    for (;;) {
        const qv::InputLine line = qv::readInput(prompt, qv::InputKind::word);
        if (line.status == qv::InputStatus::cancel)
            return Answer::cancel;
        if (line.status == qv::InputStatus::end) {
            qv::resumeInput();
            return Answer::yes;
        }
        const std::string answer = upper(trimmed(line.text));
        if (answer.empty() || std::string("YES").starts_with(answer))
            return Answer::yes;
        if (std::string("NO").starts_with(answer))
            return Answer::no;
        if (std::string("CANCEL").starts_with(answer))
            return Answer::cancel;
        qv::refuseAnswer("Invalid option keyword."); // asked on a terminal only, so asked again
    }
}
