#include "acedterminal.h"

#include "acedcompletion.h"
#include "arx/acutprintf.h"
#include "posix/endingwatch.h"
#include "win/pump.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <histedit.h>
#include <iterator>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr unsigned char kEscape = 0x1b;
constexpr unsigned char kInterruptChar = 0x03;
constexpr unsigned char kEndOfFileChar = 0x04;
// What a Ctrl+D becomes when it is typed while the terminal is still in its line mode
// (between two prompts) and read once the editor has switched to character mode: the line
// discipline's end-of-file mark, a NUL byte.
constexpr unsigned char kLineModeEndOfFile = 0x00;
// How long the byte after an escape may take to count as part of one key's sequence.
constexpr int kEscapeDelayMs = 100;

// Set by SIGINT, SIGCONT and SIGWINCH; the pipe wakes a wait that the signal did not
// interrupt.
volatile sig_atomic_t interrupted = 0;
volatile sig_atomic_t continued = 0;
volatile sig_atomic_t resized = 0;
int wakeFds[2] = {-1, -1};
// Whether a line is being typed, and the terminal's modes from before, which a stop gives back.
volatile sig_atomic_t editing = 0;
termios lineModes{};

void wake()
{
    const int saved = errno;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFds[1], "!", 1);
    errno = saved;
}

void onInterrupt(int)
{
    interrupted = 1;
    wake();
}

void onContinue(int)
{
    continued = 1;
    wake();
}

void onResize(int)
{
    resized = 1;
    wake();
}

// A stop (Ctrl+Z) stops the host alone, as the signal's default action does, the terminal
// in the modes it had before the line was edited; SIGCONT brings the editing mode back.
void onStop(int signal)
{
    const int saved = errno;
    if (editing)
        ::tcsetattr(STDIN_FILENO, TCSADRAIN, &lineModes);
    struct sigaction stop{};
    struct sigaction own{};
    stop.sa_handler = SIG_DFL;
    ::sigaction(signal, &stop, &own);
    ::raise(signal); // held until it is let through below
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
    ::sigaction(signal, &own, nullptr);
    errno = saved;
}

// The signals the terminal input handles itself. libedit's handling (EL_SIGNAL) is left
// off: it passes each signal on to the whole process group, the host's parent shell and the
// programs it started included.
constexpr struct
{
    int signal;
    void (*handler)(int);
} kHandled[] = {{SIGINT, onInterrupt}, {SIGCONT, onContinue}, {SIGTSTP, onStop}, {SIGWINCH, onResize}};

void install(int signal, void (*handler)(int), struct sigaction& old)
{
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a wait for input ends at once
    ::sigaction(signal, &action, &old);
}

void drainWakePipe()
{
    char buffer[64];
    while (::read(wakeFds[0], buffer, sizeof buffer) > 0) {
    }
}

// Whether a read that gave no byte met a hung-up terminal rather than a Ctrl+D read in the
// line mode: after a hang-up a read ends at once, with EIO or with no byte, and the terminal
// gives no modes.
bool hungUp(ssize_t got)
{
    termios modes{};
    return got < 0 ? errno == EIO : ::tcgetattr(STDIN_FILENO, &modes) != 0;
}

} // namespace

TerminalInput::TerminalInput(std::string historyFile) : m_kept(std::move(historyFile))
{
    if (::pipe2(wakeFds, O_NONBLOCK | O_CLOEXEC) != 0)
        wakeFds[0] = wakeFds[1] = -1;
    m_oldActions.resize(std::size(kHandled));
    for (size_t i = 0; i < std::size(kHandled); ++i)
        install(kHandled[i].signal, kHandled[i].handler, m_oldActions[i]);

    m_history = history_init();
    m_answers = history_init();
    HistEvent event;
    history(m_history, &event, H_SETSIZE, static_cast<int>(CommandHistory::kMaxLines));
    history(m_history, &event, H_SETUNIQUE, 1);
    for (const std::string& line : m_kept.load())
        history(m_history, &event, H_ENTER, line.c_str());
    m_editor = el_init("cadhost", stdin, stdout, stderr);
    el_set(m_editor, EL_CLIENTDATA, this);
    el_set(m_editor, EL_EDITOR, "emacs");
    el_set(m_editor, EL_PROMPT, &TerminalInput::promptOf);
    el_set(m_editor, EL_GETCFN, &TerminalInput::readChar);
    el_set(m_editor, EL_HIST, history, m_history);
    // The wide call keeps the names as given; the narrow one copies them and never frees the copies.
    el_wset(m_editor, EL_ADDFN, L"qv-complete", L"complete a command or file name", &TerminalInput::complete);
    el_set(m_editor, EL_BIND, "^I", "qv-complete", nullptr);
    // Ctrl+C flushes nothing: with the flush, the terminal could drop what the host writes
    // as it handles the interrupt (its "*Cancel*" and the next prompt), and what was typed.
    el_set(m_editor, EL_SETTY, "-d", "+noflsh", nullptr);
    el_set(m_editor, EL_SETTY, "-x", "+noflsh", nullptr);
    el_source(m_editor, nullptr);
}

TerminalInput::~TerminalInput()
{
    el_end(m_editor);
    history_end(m_history);
    history_end(m_answers);
    for (size_t i = 0; i < std::size(kHandled); ++i)
        ::sigaction(kHandled[i].signal, &m_oldActions[i], nullptr);
    for (int& fd : wakeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    interrupted = 0;
    continued = 0;
    resized = 0;
}

std::optional<std::string> TerminalInput::readLine(const std::string& prompt, InputKind kind)
{
    if (editing)
        return readNested(prompt, kind);
    ::tcgetattr(STDIN_FILENO, &lineModes);
    editing = 1;
    std::optional<std::string> line = readEdited(prompt, kind);
    editing = 0;
    return line;
}

std::optional<std::string> TerminalInput::readNested(const std::string& prompt, InputKind kind)
{
    const InputKind outerKind = m_kind;
    const LineInfo* outer = el_line(m_editor);
    const std::string text(outer->buffer, outer->lastchar);
    const int cursor = static_cast<int>(outer->cursor - outer->buffer);
    const std::string outerPrompt = m_prompt;
    // The nested prompt leaves the line being typed as it stands; that line is shown again
    // once the nested one is read.
    if (openOutputLine().empty())
        writeOutput("\n");
    m_redraw = false;
    std::optional<std::string> line = readEdited(prompt, kind);
    m_cancelled = false;
    m_prompt = outerPrompt;
    setKind(outerKind);
    const LineInfo* now = el_line(m_editor);
    el_cursor(m_editor, static_cast<int>(now->lastchar - now->cursor));
    el_deletestr(m_editor, static_cast<int>(now->lastchar - now->buffer));
    if (!text.empty())
        el_insertstr(m_editor, text.c_str());
    el_cursor(m_editor, cursor - static_cast<int>(text.size()));
    el_set(m_editor, EL_PREP_TERM, 1);
    // Shown again once the dialog's handler has printed what it prints after its pick.
    m_redraw = true;
    if (wakeFds[1] >= 0)
        wake();
    return line;
}

// Space ends a command or a word; Up and Down go through the commands only.
void TerminalInput::setKind(InputKind kind)
{
    m_kind = kind;
    el_set(m_editor, EL_BIND, " ", kind == InputKind::text ? "ed-insert" : "ed-newline", nullptr);
    el_set(m_editor, EL_HIST, history, kind == InputKind::command ? m_history : m_answers);
}

void TerminalInput::redraw()
{
    m_redraw = false;
    if (!openOutputLine().empty())
        writeOutput("\n");
    endOutputLine();
    el_set(m_editor, EL_REFRESH);
}

std::optional<std::string> TerminalInput::readEdited(const std::string& prompt, InputKind kind)
{
    setKind(kind);
    continued = 0; // the prompt is shown afresh
    const std::string& open = openOutputLine();
    if (!prompt.empty()) {
        m_prompt = prompt;
        if (!open.empty())
            std::fputs("\n", stdout); // host prompts begin a line of their own
    } else {
        // The editor shows the printed prompt again from the start of the line.
        m_prompt = open;
        if (!m_prompt.empty())
            std::fputs("\r", stdout);
    }
    std::fflush(stdout);
    m_cancelled = false;
    int count = 0;
    const char* text = el_gets(m_editor, &count);
    if (m_cancelled) {
        showCancel();
        return std::string(1, static_cast<char>(kEscape));
    }
    if (!text || count <= 0) {
        endOutputLine();
        if (!m_prompt.empty())
            writeOutput("\n");
        return std::nullopt;
    }
    endOutputLine();
    std::string line(text, static_cast<size_t>(count));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (kind == InputKind::command)
        keep(line);
    return line;
}

void TerminalInput::keep(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos)
        return;
    HistEvent event;
    const bool repeated = history(m_history, &event, H_FIRST) == 0 && line.substr(first) == event.str;
    if (repeated)
        return;
    history(m_history, &event, H_ENTER, line.c_str() + first);
    m_kept.add(line.substr(first));
}

char* TerminalInput::promptOf(EditLine* el)
{
    TerminalInput* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    return const_cast<char*>(self ? self->m_prompt.c_str() : "");
}

int TerminalInput::readChar(EditLine* el, wchar_t* c)
{
    TerminalInput* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    return self ? self->nextChar(c) : 0;
}

unsigned char TerminalInput::complete(EditLine* el, int)
{
    TerminalInput* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    return self ? self->completeLine() : CC_ERROR;
}

// Completes the name before the cursor; the names to choose from are shown below the line,
// which is then shown again.
unsigned char TerminalInput::completeLine()
{
    if (m_kind == InputKind::word)
        return CC_ERROR;
    const LineInfo* line = el_line(m_editor);
    const std::string typed(line->buffer, line->cursor);
    const Completion completion = m_kind == InputKind::command ? completeCommand(typed) : completeFileName(typed);
    if (!completion.choices.empty()) {
        std::string shown = "\n";
        for (const std::string& choice : completion.choices)
            shown.append(choice).append(&choice == &completion.choices.back() ? "\n" : "  ");
        std::fputs(shown.c_str(), stdout);
        return CC_REDISPLAY;
    }
    if (completion.text.empty())
        return CC_ERROR;
    el_deletestr(m_editor, static_cast<int>(completion.replaced));
    el_insertstr(m_editor, completion.text.c_str());
    return CC_REFRESH;
}

// One character for the editor: 1, 0 at the end of input, -1 (an error to the editor) when
// the line is cancelled.
int TerminalInput::nextChar(wchar_t* c)
{
    for (;;) {
        unsigned char byte = 0;
        const Wait wait = waitByte(-1, byte);
        if (wait == Wait::interrupt)
            return cancel();
        if (wait != Wait::byte)
            return 0;
        if (byte == kInterruptChar)
            return cancel();
        if (byte == kLineModeEndOfFile)
            byte = kEndOfFileChar;
        if (byte == kEscape && std::mbsinit(&m_decoding)) {
            unsigned char next = 0;
            const Wait following = waitByte(kEscapeDelayMs, next);
            if (following == Wait::timeout || following == Wait::interrupt)
                return cancel(); // the Esc key alone
            if (following == Wait::byte)
                m_ahead.push_front(next);
        }
        wchar_t decoded = 0;
        const size_t used = std::mbrtowc(&decoded, reinterpret_cast<const char*>(&byte), 1, &m_decoding);
        if (used == static_cast<size_t>(-2))
            continue; // more bytes of the character follow
        if (used == static_cast<size_t>(-1)) {
            m_decoding = std::mbstate_t{};
            decoded = byte; // not a character of the locale: the byte as it is
        }
        *c = decoded;
        return 1;
    }
}

int TerminalInput::cancel()
{
    m_cancelled = true;
    m_ahead.clear();
    m_decoding = std::mbstate_t{};
    errno = EINTR;
    return -1;
}

// The next byte typed (or read ahead); waits at most timeoutMs (forever when negative).
TerminalInput::Wait TerminalInput::waitByte(int timeoutMs, unsigned char& byte)
{
    if (!m_ahead.empty()) {
        byte = m_ahead.front();
        m_ahead.pop_front();
        return Wait::byte;
    }
    for (;;) {
        if (interrupted) {
            interrupted = 0;
            drainWakePipe();
            return Wait::interrupt;
        }
        if (continued)
            resume();
        if (resized) {
            resized = 0;
            el_resize(m_editor);
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wakeFds[0], POLLIN, 0}};
        // Window events are handled while the terminal is waited for; a dialog's ESC on the
        // command line cancels the line like the Esc key.
        setOutputHook([this](std::string_view text) { makeWayForOutput(text); });
        const int ready = waitReadable(fds, wakeFds[0] >= 0 ? 2 : 1, timeoutMs);
        setOutputHook(nullptr);
        if (ready == -2 && m_kind != InputKind::command)
            return Wait::interrupt;
        if (ready == -2)
            continue; // a dialog's ESC: "Command:" has nothing to cancel
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Wait::end;
        if (ready == 0)
            return Wait::timeout;
        if (interrupted)
            continue; // keys typed after a Ctrl+C belong to the prompt that follows the cancel
        if (fds[0].revents == 0) {
            // Woken by the pipe: an interrupt's flag is checked above; a nested read asks
            // for the line being typed to be shown again.
            drainWakePipe();
            if (m_redraw)
                redraw();
            continue;
        }
        const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got == 1)
            return Wait::byte;
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (hungUp(got))
            EndingWatch::hangUp(); // ends the session, as SIGHUP would
        return Wait::end;
    }
}

// What a window prints while a line is typed goes below the line, which is shown again
// afterwards.
void TerminalInput::makeWayForOutput(std::string_view text)
{
    setOutputHook(nullptr);
    if (!text.starts_with('\n')) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }
    endOutputLine();
    m_redraw = true;
    wake();
}

// Back from a stop, the shell has set the terminal to its own modes and has written on it:
// the editing mode is set again, and the prompt and the line being typed are shown again
// from the start of the line the cursor is on.
void TerminalInput::resume()
{
    continued = 0;
    el_set(m_editor, EL_PREP_TERM, 0);
    el_set(m_editor, EL_PREP_TERM, 1);
    std::fputs("\r", stdout);
    std::fflush(stdout);
    el_set(m_editor, EL_REFRESH);
}

// Ends the line the cancelled text stands on and says so.
void TerminalInput::showCancel()
{
    const LineInfo* line = el_line(m_editor);
    const bool typed = line && line->lastchar > line->buffer;
    endOutputLine();
    if (typed)
        writeOutput("\n");
    writeCancel();
}

} // namespace qv
