#include "arx/acedinput.h"

#include "acedterminal.h"
#include "arx/acutprintf.h"
#include "mfc/file.h"
#include "posix/endingwatch.h"
#include "win/headless.h"
#include "win/pump.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Lines of a file. A line holding a NUL byte is refused with a message that names it (the
// text after the NUL would be lost in every C string made of it), and the next is read.
//
// A pipe or a terminal is waited for with the signals that end the session watched, and,
// with windows shown, their events handled between lines and meanwhile; the host reads
// what has come, and never blocks in a read with a line waiting in a buffer. A dialog's ESC
// on the command line then gives a cancelling line, except at "Command:", where nothing runs
// that it could cancel.
class FileInput : public InputSource
{
public:
    FileInput(std::FILE* file, std::string name) : m_file(file), m_name(std::move(name))
    {
        struct stat info{};
        m_events = guiAvailable();
        m_waits = ::fstat(::fileno(file), &info) == 0 && !S_ISREG(info.st_mode);
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
    // The next line of what was read ahead, waited for when none is whole; an interrupted
    // wait gives the escape character as the line (at "Command:" it goes on).
    bool readWaiting(std::string& line, InputKind kind)
    {
        for (;;) {
            const bool whole = m_ended || holdsLine();
            if (whole && !m_events)
                return takeLine(line);
            pollfd fd{::fileno(m_file), POLLIN, 0};
            const int ready = waitReadable(&fd, 1, whole ? 0 : -1);
            if (ready == -2 && kind != InputKind::command) {
                line.assign(1, '\x1b');
                return true;
            }
            if (whole)
                return takeLine(line);
            if (ready > 0)
                readAhead(fd.fd);
        }
    }

    // Whether a whole line was read ahead; only what came since the last look is searched.
    bool holdsLine()
    {
        if (m_ahead.find('\n', m_searched) != std::string::npos)
            return true;
        m_searched = m_ahead.size();
        return false;
    }

    void readAhead(int fd)
    {
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            m_ahead.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || (errno != EINTR && errno != EAGAIN))
            m_ended = true;
    }

    bool takeLine(std::string& line)
    {
        if (m_ahead.empty())
            return false;
        const size_t end = std::min(m_ahead.find('\n'), m_ahead.size());
        line.assign(m_ahead, 0, end);
        m_ahead.erase(0, end + 1);
        m_searched = 0;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    }

    std::FILE* m_file;
    std::string m_name;
    size_t m_number = 0;
    bool m_events = false;
    bool m_waits = false;
    std::string m_ahead; // read from a waited stream, not yet taken as lines
    size_t m_searched = 0; // where the search for a line end goes on
    bool m_ended = false;
};

class LineInput : public InputSource
{
public:
    LineInput(std::vector<std::string> lines, bool typed) : m_lines(std::move(lines)), m_typed(typed) {}

    std::optional<std::string> readLine(const std::string&, InputKind) override
    {
        if (m_next >= m_lines.size())
            return std::nullopt;
        return m_lines[m_next++];
    }
    bool interactive() const override { return m_typed; }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
    bool m_typed;
};

std::unique_ptr<InputSource> source;
bool ended = false;
// An answer was refused where it is not asked again: the session has failed.
bool refused = false;
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
std::unique_ptr<InputSource> makeLineInput(std::vector<std::string> lines, bool typed)
{
    return std::make_unique<LineInput>(std::move(lines), typed);
}

void setInputSource(std::unique_ptr<InputSource> s)
{
    source = std::move(s);
    ended = false;
    refused = false;
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
    if (refused && !source->interactive())
        return {InputStatus::cancel, {}}; // the command fails: it may read no further line
    EndingWatch::check(); // a session ended from outside ends before the next line is read
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

bool refuseAnswer(const std::string& why)
{
    if (inputInteractive()) {
        const bool asGiven = why.starts_with('\n') || why.ends_with('\n');
        writeOutput(asGiven ? why : "\n" + why + "\n");
        return true;
    }
    const size_t first = why.find_first_not_of('\n');
    std::string line = first == std::string::npos ? std::string()
                                                  : why.substr(first, why.find_last_not_of('\n') + 1 - first);
    std::replace(line.begin(), line.end(), '\n', ' ');
    const std::string where = givenAnswers ? std::string() : inputWhere();
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s%s\n", program_invocation_short_name, where.empty() ? "" : (where + ": ").c_str(),
                 line.c_str());
    std::fflush(stderr);
    if (givenAnswers)
        givenAnswers->cancelRest();
    refused = true;
    return false;
}

bool answerRefused() { return refused; }

bool resumeInput()
{
    if (!source || !source->interactive() || endsInARow >= kEndsOfAGoneTerminal)
        return false;
    ended = false;
    return true;
}

} // namespace qv
