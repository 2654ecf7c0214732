#include "cadhost.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedcmd.h"
#include "arx/acedinput.h"
#include "arx/acrxapp.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "win/headless.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>

namespace {

using EntryPoint = AcRx::AppRetCode (*)(AcRx::AppMsgCode, void*);

// The module built beside this program: ../lib/libquorvane.so from its folder.
std::string defaultModule()
{
    std::error_code ignored;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return (self.parent_path().parent_path() / "lib" / "libquorvane.so").string();
}

class Module
{
public:
    bool load(const std::string& path, std::string& error)
    {
        m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_handle) {
            error = ::dlerror();
            return false;
        }
        m_entry = reinterpret_cast<EntryPoint>(::dlsym(m_handle, "acrxEntryPoint"));
        if (!m_entry) {
            error = path + ": no acrxEntryPoint";
            ::dlclose(m_handle);
            m_handle = nullptr;
            return false;
        }
        m_entry(AcRx::kInitAppMsg, m_handle);
        return true;
    }

    ~Module()
    {
        if (!m_handle)
            return;
        m_entry(AcRx::kUnloadAppMsg, m_handle);
        ::dlclose(m_handle);
    }

private:
    void* m_handle = nullptr;
    EntryPoint m_entry = nullptr;
};

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

void say(const std::string& text) { qv::writeOutput(text); }

// A value the host asks for on the next input line; none when cancelled or at the end.
std::optional<std::string> askLine(const std::string& prompt)
{
    const qv::InputLine line = qv::readInput(prompt);
    if (line.status != qv::InputStatus::line)
        return std::nullopt;
    return trimmed(line.text);
}

void openCommand()
{
    const auto path = askLine("Enter name of drawing to open: ");
    if (!path || path->empty())
        return;
    if (acDocManager->appContextOpenDocument(path->c_str()) != Acad::eOk)
        say("\nCannot open \"" + *path + "\": " + acDocManager->lastOpenError() + "\n");
}

void saveAsCommand(AcApDocument* doc, const std::optional<std::string>& given = std::nullopt)
{
    const auto path = given ? given : askLine("Save drawing as: ");
    if (!doc || !path || path->empty())
        return;
    if (doc->database()->saveAs(path->c_str()) != Acad::eOk) {
        say("\nCannot save \"" + *path + "\": " + doc->database()->lastErrorMessage() + "\n");
        return;
    }
    doc->setFileName(*path);
    doc->setNew(false);
}

void saveCommand(AcApDocument* doc)
{
    if (doc && doc->isNew())
        saveAsCommand(doc);
    else if (doc)
        saveAsCommand(doc, std::string(doc->fileName()));
}

void setVarCommand()
{
    const auto name = askLine("Enter variable name: ");
    if (!name || name->empty())
        return;
    resbuf* current = acutNewRb(RTNONE);
    const bool known = acedGetVar(name->c_str(), current) == RTNORM;
    const short type = current->restype;
    acutRelRb(current);
    if (!known) {
        say("\nUnknown variable name \"" + *name + "\".\n");
        return;
    }
    const auto value = askLine("Enter new value for " + upper(*name) + ": ");
    if (!value || value->empty())
        return; // Enter keeps the value
    resbuf* next = acutNewRb(type);
    bool valid = true;
    if (type == RTSHORT) {
        char* end = nullptr;
        const long v = std::strtol(value->c_str(), &end, 10);
        valid = !value->empty() && !*end && v >= -32768 && v <= 32767;
        next->resval.rint = static_cast<short>(v);
    } else {
        acutSetRbString(next, value->c_str());
    }
    if (!valid)
        say("\nRequires an integer value.\n");
    else if (acedSetVar(name->c_str(), next) != RTNORM)
        say("\nCannot set " + upper(*name) + " to " + *value + ".\n");
    acutRelRb(next);
}

// Runs a module command, keeping whatever it throws from ending the host.
void runModuleCommand(const AcEdCommand& command)
{
    try {
        command.function();
    } catch (...) {
        say("\n*Unhandled error in " + command.globalName + "*\n");
    }
}

// Runs one command line; false when the session should end.
bool runCommand(std::string name)
{
    name = trimmed(name);
    while (!name.empty() && (name[0] == '_' || name[0] == '.'))
        name.erase(0, 1);
    const std::string key = upper(name);
    AcApDocument* doc = acDocManager->curDocument();
    if (key == "QUIT" || key == "EXIT")
        return false;
    if (key == "OPEN")
        openCommand();
    else if (key == "NEW")
        acDocManager->appContextNewDocument();
    else if (key == "SAVE")
        saveCommand(doc);
    else if (key == "SAVEAS")
        saveAsCommand(doc);
    else if (key == "CLOSE") {
        if (doc)
            acDocManager->closeDocument(doc);
    } else if (key == "SETVAR")
        setVarCommand();
    else if (const AcEdCommand* command = acedRegCmds->lookupCmd(name.c_str()))
        runModuleCommand(*command);
    else
        say("\nUnknown command \"" + key + "\".\n");
    return true;
}

void installPathPrompt()
{
    qv::setPathPrompt([](const std::string& prompt) -> std::optional<std::string> {
        say("\n" + prompt + ": ");
        return askLine("");
    });
}

std::unique_ptr<qv::InputSource> makeInput(const HostOptions& options, std::FILE*& script)
{
    if (!options.script.empty()) {
        script = std::fopen(options.script.c_str(), "r");
        return script ? qv::makeFileInput(script) : nullptr;
    }
    return ::isatty(STDIN_FILENO) ? qv::makeTerminalInput() : qv::makeFileInput(stdin);
}

} // namespace

int runHost(const HostOptions& options)
{
    acdbHostApplicationServices()->setProduct(options.product);
    std::FILE* script = nullptr;
    std::unique_ptr<qv::InputSource> input = makeInput(options, script);
    if (!input) {
        std::fprintf(stderr, "cadhost: cannot read script \"%s\": %s\n", options.script.c_str(), std::strerror(errno));
        return 1;
    }
    const Acad::ErrorStatus opened = options.drawing.empty()
                                         ? acDocManager->appContextNewDocument()
                                         : acDocManager->appContextOpenDocument(options.drawing.c_str());
    if (opened != Acad::eOk) {
        std::fprintf(stderr, "cadhost: cannot open \"%s\": %s\n", options.drawing.c_str(),
                     acDocManager->lastOpenError().c_str());
        return 1;
    }
    int status = 0;
    {
        Module module;
        std::string error;
        if (!module.load(options.module.empty() ? defaultModule() : options.module, error)) {
            std::fprintf(stderr, "cadhost: cannot load the module: %s\n", error.c_str());
            status = 1;
        } else {
            qv::setInputSource(std::move(input));
            installPathPrompt();
            for (;;) {
                const qv::InputLine line = qv::readInput("Command: ");
                if (line.status == qv::InputStatus::end)
                    break;
                const std::string text = trimmed(line.text);
                if (line.status == qv::InputStatus::cancel || text.empty() || text[0] == ';')
                    continue;
                if (!runCommand(text))
                    break;
                acDocManager->takePendingInput(); // only cancels are queued: nothing to run
            }
        }
    }
    qv::setInputSource(nullptr);
    acDocManager->closeAll();
    if (script)
        std::fclose(script);
    return status;
}
