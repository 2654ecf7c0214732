#include "hostcommands.h"

#include "commandhelp.h"
#include "commandline.h"
#include "hostcommand.h"
#include "plotcommands.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedcmd.h"
#include "arx/acedinput.h"
#include "arx/dbdatabase.h"
#include "posix/fileidentity.h"
#include "win/winbase.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <vector>

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

std::string number(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// A variable's value as SETVAR shows it: a number, a quoted text, or a point "x,y,z".
std::string shownValue(const resbuf& value)
{
    switch (value.restype) {
    case RTSHORT: return std::to_string(value.resval.rint);
    case RTLONG: return std::to_string(value.resval.rlong);
    case RTSTR: return std::string("\"").append(value.resval.rstring ? value.resval.rstring : "").append("\"");
    case RT3DPOINT:
        return number(value.resval.rpoint[0]) + "," + number(value.resval.rpoint[1]) + "," +
               number(value.resval.rpoint[2]);
    default: return "?";
    }
}

// A point variable's new value: a point answer (relative ones too); none for Enter or a cancel.
resbuf* askPoint(const std::string& prompt)
{
    if (qv::inputInteractive())
        say(prompt);
    ads_point point;
    if (acedGetPoint(nullptr, nullptr, point) != RTNORM)
        return nullptr;
    resbuf* value = acutNewRb(RT3DPOINT);
    std::copy(point, point + 3, value->resval.rpoint);
    return value;
}

// A whole-number or text variable's new value, from an answer that is not empty; none for a
// number out of range (which is reported).
resbuf* parseValue(const std::string& text, short type)
{
    resbuf* value = acutNewRb(type);
    if (type != RTSHORT && type != RTLONG) {
        acutSetRbString(value, text.c_str());
        return value;
    }
    const bool isShort = type == RTSHORT;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || errno == ERANGE || v < (isShort ? -32768L : INT32_MIN) || v > (isShort ? 32767L : INT32_MAX)) {
        qv::refuseAnswer("Requires an integer value.");
        acutRelRb(value);
        return nullptr;
    }
    if (isShort)
        value->resval.rint = static_cast<short>(v);
    else
        value->resval.rlong = static_cast<std::int32_t>(v);
    return value;
}

// Why a value was not taken: the layer CLAYER names is missing, or the value is out of the
// variable's range.
std::string refusal(const std::string& name, const resbuf& value)
{
    std::string text = "Cannot set ";
    text += name;
    text += " to ";
    text += shownValue(value);
    if (name == "CLAYER")
        text += ": the drawing has no such layer.";
    else if (name == "PICKBOX")
        text += ": it takes 0 to 50.";
    else if (name == "PLOTDPI")
        text += ": it takes 50 to 300.";
    else
        text += ".";
    return text;
}

// A variable's value as SETVAR shows it; "?" when it cannot be read.
std::string currentValue(const std::string& name)
{
    resbuf* current = acutNewRb(RTNONE);
    const std::string shown = acedGetVar(name.c_str(), current) == RTNORM ? shownValue(*current) : "?";
    acutRelRb(current);
    return shown;
}

// Every variable with its value, one a line.
void listVariables()
{
    for (const std::string& name : qv::systemVariableNames()) {
        std::string line = name;
        line.resize(std::max<size_t>(name.size() + 1, 12), ' ');
        line += currentValue(name);
        line += qv::isReadOnlyVariable(name.c_str()) ? "  (read only)\n" : "\n";
        say(line);
    }
}

} // namespace

// HELP NAME describes one command; HELP alone lists them all, except on a terminal, where
// Space ends "HELP" before a name could follow it: there it asks for the name.
void HostCommands::help(const std::string& name)
{
    std::optional<std::string> asked = name;
    if (name.empty() && qv::inputInteractive())
        asked = askLine("Enter a command name <all>: ", qv::InputKind::word);
    if (!asked)
        return;
    if (asked->empty())
        listCommands();
    else
        describeCommand(*asked);
}

HostCommands::Outcome HostCommands::run(const std::string& line)
{
    const size_t blank = line.find_first_of(" \t");
    const std::string name = line.substr(0, blank);
    if (name == "HELP" || name == "?") {
        help(blank == std::string::npos ? std::string() : trimmed(line.substr(blank)));
        return Outcome::done;
    }
    const HostCommand* command = HostCommand::find(name);
    if (!command || blank != std::string::npos)
        return Outcome::notHost;   // only HELP takes a word after its name
    try {
        return runNamed(*command);
    } catch (...) {
        // The command ends here, its drawings open as it left them; a file command that
        // ended so failed.
        sayUnhandled(name);
        m_failed = m_failed || command->stopsScript;
        return Outcome::done;
    }
}

// A command that needs a drawing says so when none is open, and does nothing; one that
// would have written a file fails.
HostCommands::Outcome HostCommands::runNamed(const HostCommand& command)
{
    const std::string name = command.name;
    AcApDocument* doc = acDocManager->curDocument();
    if (name == "QUIT")
        return confirmEnd() ? Outcome::quit : Outcome::done;
    if (!doc && command.needsDrawing) {
        say("No drawing is open.\n");
        m_failed = m_failed || command.stopsScript;
    } else if (name == "OPEN") {
        open();
    } else if (name == "NEW") {
        acDocManager->appContextNewDocument();
    } else if (name == "SAVE") {
        save(doc);
    } else if (name == "SAVEAS") {
        saveAs(doc);
    } else if (name == "CLOSE") {
        close(doc);
    } else if (name == "EXPORT") {
        m_failed = !PlotCommands::exportLayout(doc) || m_failed;
    } else if (name == "PLOT") {
        m_failed = !PlotCommands::plot(doc) || m_failed;
    } else if (name == "SETVAR") {
        setVar();
    } else {
        return Outcome::notHost;
    }
    return Outcome::done;
}

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
void HostCommands::open()
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
void HostCommands::sayCurrent()
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

bool HostCommands::save(AcApDocument* doc)
{
    return doc->isNew() ? saveAs(doc) : saveTo(doc, doc->fileName());
}

// Offers the drawing's own name (Enter keeps it), gives a name without an extension ".dxf",
// refuses a name that is only an extension, a folder's or one the file system cannot take,
// and on a terminal asks before it replaces another file.
bool HostCommands::saveAs(AcApDocument* doc)
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
bool HostCommands::heldByAnother(const AcApDocument* doc, const std::string& path)
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
bool HostCommands::mayReplaceOwnFile(AcApDocument* doc, const std::string& path)
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

bool HostCommands::saveTo(AcApDocument* doc, const std::string& path)
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

void HostCommands::close(AcApDocument* doc)
{
    if (!mayGiveUp(doc))
        return;
    acDocManager->closeDocument(doc);
    sayCurrent();
}

bool HostCommands::confirmEnd()
{
    if (!qv::inputInteractive())
        return true;
    for (int i = 0; i < acDocManager->documentCount(); ++i)
        if (!mayGiveUp(acDocManager->document(i)))
            return false;
    return true;
}

void HostCommands::reportUnsaved(const std::string& why) const
{
    for (int i = 0; i < acDocManager->documentCount(); ++i)
        if (const AcApDocument* doc = acDocManager->document(i); changed(doc))
            complain(why + ": the changes to \"" + std::string(doc->fileName()) + "\" are not saved");
}

// On a terminal, a changed drawing may be given up once saved or once the user says No.
bool HostCommands::mayGiveUp(AcApDocument* doc)
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
HostCommands::Answer HostCommands::askSaveChanges(AcApDocument* doc)
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

// Asks for a variable ("?" lists them all), then for its value until one is taken; Enter and
// a cancel keep the value.
void HostCommands::setVar()
{
    const auto name = askLine("Enter variable name or [?]: ", qv::InputKind::word);
    if (!name || name->empty())
        return;
    if (*name == "?") {
        listVariables();
        return;
    }
    const std::string key = upper(*name);
    resbuf* current = acutNewRb(RTNONE);
    const bool known = acedGetVar(key.c_str(), current) == RTNORM;
    const short type = current->restype;
    acutRelRb(current);
    if (!known) {
        // A drawing's variable is known only while a drawing is open.
        const auto& names = qv::systemVariableNames();
        const bool ofDrawing =
            !acDocManager->curDocument() && std::find(names.begin(), names.end(), key) != names.end();
        say(ofDrawing ? "No drawing is open.\n" : "\nUnknown variable name \"" + *name + "\".\n");
        return;
    }
    if (qv::isReadOnlyVariable(key.c_str())) {
        say(key + " = " + currentValue(key) + " (read only)\n");
        return;
    }
    const std::string prompt = "Enter new value for " + key + " <" + currentValue(key) + ">: ";
    for (;;) {
        resbuf* next = nullptr;
        if (type == RT3DPOINT) {
            next = askPoint(prompt);
            if (!next)
                return;
        } else {
            const auto text = askLine(prompt, type == RTSTR ? qv::InputKind::text : qv::InputKind::word);
            if (!text || text->empty())
                return;
            next = parseValue(*text, type);
        }
        const bool taken = next && acedSetVar(key.c_str(), next) == RTNORM;
        if (next && !taken)
            qv::refuseAnswer(refusal(key, *next));
        acutRelRb(next);
        if (taken)
            return;
    }
}
