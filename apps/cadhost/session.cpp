// The session: opens the drawing, loads the module, and runs the command line until QUIT
// or the end of input.
#include "cadhost.h"

#include "commandhelp.h"
#include "commandline.h"
#include "drawingfiles.h"
#include "hostcommands.h"
#include "module.h"
#include "recoveryfile.h"
#include "signalguard.h"

#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedcmd.h"
#include "arx/acedinput.h"
#include "arx/dbdatabase.h"
#include "mfc/afxmessagebox.h"
#include "posix/endingwatch.h"
#include "win/headless.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// Runs a module command, keeping whatever it throws from ending the host: the command ends
// with a line naming it and the reason, and the drawings stay open.
void runModuleCommand(const AcEdCommand& command)
{
    try {
        command.function();
    } catch (...) {
        sayUnhandled(command.globalName);
    }
}

class CommandLine
{
public:
    CommandLine();
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Reads and runs command lines until the session ends.
    void run();
    bool failed() const { return m_host.failed(); }

private:
    bool atEndOfInput();
    bool runLine(const std::string& line);
    bool stopsScript(const std::string& where, const std::string& command) const;
    bool runCommand(const std::string& name);

    HostCommands m_host;
    std::string m_lastCommand;
};

// Every name a command line may give: the host's commands and the modules' short and long names.
std::vector<std::string> commandNames()
{
    std::vector<std::string> names = hostCommandNames();
    for (const AcEdCommand& command : acedRegCmds->commands()) {
        names.push_back(command.globalName);
        names.push_back(command.localName);
    }
    return names;
}

// Commands that modules run with acedCommandS reach the host's commands too; a QUIT run
// that way does not end the session.
CommandLine::CommandLine()
{
    qv::setCommandRunner([this](const std::string& name) { return runCommand(name); });
    qv::setCommandNames(commandNames);
}

CommandLine::~CommandLine()
{
    qv::setCommandRunner(nullptr);
    qv::setCommandNames(nullptr);
}

bool CommandLine::runCommand(const std::string& name)
{
    if (m_host.run(name) != HostCommands::Outcome::notHost)
        return true;
    const AcEdCommand* command = acedRegCmds->lookupCmd(name.c_str());
    if (command)
        runModuleCommand(*command);
    return command != nullptr;
}

void CommandLine::run()
{
    for (;;) {
        if (qv::guiAvailable())
            qv::hostTakesFocus(); // back to the command line, unless a dialog keeps the focus
        const qv::InputLine line = qv::readInput("Command: ", qv::InputKind::command);
        if (line.status == qv::InputStatus::end) {
            if (atEndOfInput())
                return;
            continue;
        }
        const std::string text = trimmed(line.text);
        if (line.status == qv::InputStatus::cancel || (!text.empty() && text[0] == ';'))
            continue;
        const std::string where = qv::inputWhere();
        const std::string command = text.empty() ? m_lastCommand : text;
        if (text.empty() && !command.empty() && qv::inputInteractive())
            say(upper(command) + "\n");   // Enter repeats the last command: name it
        if (!runLine(command) || stopsScript(where, command))
            return;
        acDocManager->takePendingInput(); // only cancels are queued: nothing to run
    }
}

// A script stops at the first OPEN, SAVE, SAVEAS, EXPORT or PLOT that fails, so that no
// later line writes over a file with the wrong drawing, and at the first command whose
// answer was refused, so that no later line is taken for an answer or runs without it.
bool CommandLine::stopsScript(const std::string& where, const std::string& command) const
{
    if (qv::inputInteractive() || !m_host.failed())
        return false;
    complain((where.empty() ? std::string() : where + ": ") + "\"" + command
             + "\" failed; the lines after it are not run");
    m_host.reportUnsaved("the script has stopped");
    return true;
}

// Whether the session ends at the end of input: a script's always does, naming the drawings
// whose changes are lost, and so does a terminal's that is gone, keeping them in recovery
// files (the answers its ends gave could not save them); a terminal's asks about unsaved
// changes first, and goes on when the user cancels.
bool CommandLine::atEndOfInput()
{
    const std::string why = "the input has ended";
    if (qv::resumeInput())
        return m_host.confirmEnd();
    if (qv::inputInteractive())
        keepChangesInRecoveryFiles(why);
    else
        m_host.reportUnsaved(why);
    return true;
}

// Runs one command line (an empty one does nothing); false when the session should end.
bool CommandLine::runLine(const std::string& line)
{
    const std::string name = withoutPrefixes(line);
    if (name.empty())
        return true;
    const std::string key = upper(name);
    const HostCommands::Outcome outcome = m_host.run(key);
    if (outcome == HostCommands::Outcome::quit)
        return false;
    if (outcome == HostCommands::Outcome::done) {
        m_lastCommand = name;
    } else if (const AcEdCommand* command = acedRegCmds->lookupCmd(name.c_str())) {
        m_lastCommand = name;
        runModuleCommand(*command);
    } else {
        say("\nUnknown command \"" + key + "\".\n");
    }
    return true;
}

// The module's file prompts without a display, printed as its prompts are, each time asked.
// A script's answer refused is a cancel for the module's command.
void installPathPrompt()
{
    qv::setPathPrompt([](const std::string& prompt) -> std::optional<std::string> {
        say("\n" + prompt + ": ");
        return askPath("", [&prompt](const std::string& path) {
            auto taken = takeablePath(path);
            if (!taken && qv::inputInteractive())
                say("\n" + prompt + ": ");
            return taken;
        });
    });
}

// The file of the commands typed at a terminal: "cadhost/history" in $XDG_STATE_HOME (a
// relative one is ignored, as the base-directory convention asks), else in
// $HOME/.local/state; none without either.
std::string historyFile()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/cadhost/history";
    return home && *home ? std::string(home) + "/.local/state/cadhost/history" : std::string();
}

std::unique_ptr<qv::InputSource> makeInput(const HostOptions& options, std::FILE*& script)
{
    if (!options.script.empty()) {
        script = std::fopen(options.script.c_str(), "r");
        return script ? qv::makeFileInput(script, options.script) : nullptr;
    }
    return ::isatty(STDIN_FILENO) ? qv::makeTerminalInput(historyFile()) : qv::makeFileInput(stdin);
}

} // namespace

int runHost(const HostOptions& options)
{
    acdbHostApplicationServices()->setProduct(options.product);
    AfxSetAppName(options.product.c_str()); // the caption of the framework's message boxes
    std::FILE* script = nullptr;
    std::unique_ptr<qv::InputSource> input = makeInput(options, script);
    if (!input) {
        complain("cannot read script \"" + options.script + "\": " + std::strerror(errno));
        return 1;
    }
    const SignalGuard guard;
    const Acad::ErrorStatus opened = options.drawing.empty()
                                         ? acDocManager->appContextNewDocument()
                                         : acDocManager->appContextOpenDocument(options.drawing.c_str());
    if (opened != Acad::eOk) {
        complain("cannot open \"" + options.drawing + "\": " + acDocManager->lastOpenError());
        return 1;
    }
    reportRepairs();
    int status = 0;
    {
        Module module;
        std::string error;
        if (!module.load(options.module.empty() ? defaultModulePath() : options.module, error)) {
            complain("cannot load the module: " + error);
            status = 1;
        } else {
            qv::setInputSource(std::move(input));
            installPathPrompt();
            CommandLine commandLine;
            commandLine.run();
            qv::EndingWatch::check(); // a signal that came as the session ended still keeps its changes
            status = commandLine.failed() ? 2 : 0;
        }
    }
    qv::setInputSource(nullptr);
    AcDbDatabase::processEnds();
    acDocManager->closeAll();
    if (script)
        std::fclose(script);
    return status;
}
