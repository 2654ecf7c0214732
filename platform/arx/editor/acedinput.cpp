#include "arx/acedinput.h"

#include "acedterminal.h"
#include "mfc/file.h"
#include "win/headless.h"
#include "win/pump.h"

#include <cerrno>
#include <poll.h>
#include <sys/stat.h>

namespace qv {

namespace {

// Lines of a file. A line holding a NUL byte is refused with a message that names it (the
// text after the NUL would be lost in every C string made of it), and the next is read.
//
// With windows shown, window events are handled between lines, and while a pipe or a
// terminal is waited for: such a stream is then read unbuffered, a byte once it is there,
// so that the host never blocks in a read with data waiting in a buffer. A dialog's ESC on
// the command line then gives a cancelling line, except at "Command:", where nothing runs
// that it could cancel.
class FileInput : public InputSource
{
public:
    FileInput(std::FILE* file, std::string name) : m_file(file), m_name(std::move(name))
    {
        struct stat info{};
        m_events = guiAvailable();
        m_waits = m_events && ::fstat(::fileno(file), &info) == 0 && !S_ISREG(info.st_mode);
        if (m_waits)
            std::setvbuf(file, nullptr, _IONBF, 0);
    }

    std::optional<std::string> readLine(const std::string&, InputKind kind) override
    {
        if (m_events)
            pumpPendingEvents();
        std::string line;
        while (m_waits ? readWaiting(line, kind) : readTextLine(m_file, line)) {
            ++m_number;
            if (line.find('\0') == std::string::npos)
                return line;
            std::fflush(stdout);
            std::fprintf(stderr, "%s: %s, line %zu: refused: the line holds a NUL byte\n",
                         program_invocation_short_name, m_name.c_str(), m_number);
        }
        return std::nullopt;
    }
    bool interactive() const override { return false; }
    std::string where() const override { return m_name + ", line " + std::to_string(m_number); }

private:
    // A line read a byte at a time, each waited for with the window events handled; an
    // interrupted wait gives the escape character as the line (at "Command:" it goes on).
    bool readWaiting(std::string& line, InputKind kind)
    {
        line.clear();
        bool any = false;
        for (;;) {
            pollfd fd{::fileno(m_file), POLLIN, 0};
            if (waitReadable(&fd, 1, -1) == -2) {
                if (kind == InputKind::command)
                    continue;
                line.assign(1, '\x1b');
                return true;
            }
            const int c = std::fgetc(m_file);
            if (c == EOF)
                break;
            any = true;
            if (c == '\n')
                break;
            line += static_cast<char>(c);
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return any;
    }

    std::FILE* m_file;
    std::string m_name;
    size_t m_number = 0;
    bool m_events = false;
    bool m_waits = false;
};

class LineInput : public InputSource
{
public:
    explicit LineInput(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

    std::optional<std::string> readLine(const std::string&, InputKind) override
    {
        if (m_next >= m_lines.size())
            return std::nullopt;
        return m_lines[m_next++];
    }
    bool interactive() const override { return false; }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
};

std::unique_ptr<InputSource> source;
bool ended = false;
// Ends of input from the source with no line between them.
int endsInARow = 0;
// A terminal whose input ended this often in a row is taken to be gone.
constexpr int kEndsOfAGoneTerminal = 3;

bool isCancel(const std::string& line)
{
    return line == "^C" || line.find('\x1b') != std::string::npos;
}

GivenAnswers* givenAnswers = nullptr;

} // namespace

GivenAnswers::GivenAnswers(std::vector<std::string> lines) : m_lines(std::move(lines)), m_outer(givenAnswers)
{
    givenAnswers = this;
}

GivenAnswers::~GivenAnswers() { givenAnswers = m_outer; }

InputLine GivenAnswers::next()
{
    if (m_next >= m_lines.size() || isCancel(m_lines[m_next]))
        return {InputStatus::cancel, {}};
    return {InputStatus::line, m_lines[m_next++]};
}

std::unique_ptr<InputSource> makeFileInput(std::FILE* file, std::string name)
{
    return std::make_unique<FileInput>(file, std::move(name));
}
std::unique_ptr<InputSource> makeTerminalInput(std::string historyFile)
{
    return std::make_unique<TerminalInput>(std::move(historyFile));
}
std::unique_ptr<InputSource> makeLineInput(std::vector<std::string> lines)
{
    return std::make_unique<LineInput>(std::move(lines));
}

void setInputSource(std::unique_ptr<InputSource> s)
{
    source = std::move(s);
    ended = false;
    endsInARow = 0;
}

bool inputInteractive() { return !givenAnswers && source && source->interactive(); }

std::string inputWhere() { return source ? source->where() : std::string(); }

InputLine readInput(const std::string& hostPrompt, InputKind kind)
{
    if (givenAnswers)
        return givenAnswers->next();
    if (ended || !source) {
        ended = true;
        return {InputStatus::end, {}};
    }
    std::optional<std::string> line;
    {
        std::optional<AnswerAwaited> question;
        if (kind != InputKind::command)
            question.emplace();
        line = source->readLine(source->interactive() ? hostPrompt : std::string(), kind);
    }
    if (!line) {
        ended = true;
        ++endsInARow;
        return {InputStatus::end, {}};
    }
    endsInARow = 0;
    if (isCancel(*line))
        return {InputStatus::cancel, {}};
    return {InputStatus::line, *line};
}

bool inputEnded() { return ended; }

bool resumeInput()
{
    if (!source || !source->interactive() || endsInARow >= kEndsOfAGoneTerminal)
        return false;
    ended = false;
    return true;
}

} // namespace qv
