// Lines typed on a terminal, edited with libedit (emacs keys, history, ~/.editrc).
//
// Ctrl+C (SIGINT, or the character when the terminal does not make it a signal) and the
// Esc key alone cancel the line being typed: "*Cancel*" is shown and the line comes back as
// the escape character, which cancels the prompt. Esc is told apart from the escape
// sequences of other keys (arrows) by the time until the next byte. A Ctrl+C pressed while
// no line is read cancels the next one. The end of input (Ctrl+D on an empty line) is not
// final: the next read waits for the terminal again. A terminal that has hung up (its window
// closed) ends the session as SIGHUP does (qv::EndingWatch::hangUp).
//
// A line asked for while another is being typed (a modeless dialog's pick while "Command:"
// waits) is read on a line of its own; then the line being typed gets back its text, cursor,
// prompt and the terminal's editing mode, and is shown again below what was printed. A
// dialog's ESC on the command line cancels a prompt, but not "Command:", where nothing runs
// that it could cancel: the line being typed there stays.
//
// Space ends a command or a word as Enter does and is a character of a text; Tab completes a
// command's name (setCommandNames) or, in a text, a file's, and shows the names to choose
// from when they go on differently. Up and Down go through the commands typed, in this
// session and before it (CommandHistory). A stop (Ctrl+Z) gives the terminal its modes back
// and stops the host alone; back from it (fg), the host puts the terminal in its editing mode
// again and shows the prompt and the line being typed. A resized window is followed.
#pragma once

#include "acedhistory.h"
#include "arx/acedinput.h"

#include <deque>
#include <cwchar>
#include <signal.h>
#include <string>
#include <string_view>
#include <vector>

typedef struct editline EditLine;
typedef struct history History;

namespace qv {

class TerminalInput final : public InputSource
{
public:
    explicit TerminalInput(std::string historyFile);
    ~TerminalInput() override;
    TerminalInput(const TerminalInput&) = delete;
    TerminalInput& operator=(const TerminalInput&) = delete;

    // An empty prompt takes the text already printed on the open output line (a module's
    // prompt), so that the editor knows where the line begins.
    std::optional<std::string> readLine(const std::string& prompt, InputKind kind) override;
    bool interactive() const override { return true; }

private:
    enum class Wait { byte, interrupt, timeout, end };

    std::optional<std::string> readEdited(const std::string& prompt, InputKind kind);
    std::optional<std::string> readNested(const std::string& prompt, InputKind kind);
    void setKind(InputKind kind);
    void keep(const std::string& line);
    void redraw();
    void makeWayForOutput(std::string_view text);
    void resume();

    static char* promptOf(EditLine* el);
    static int readChar(EditLine* el, wchar_t* c);
    static unsigned char complete(EditLine* el, int key);
    unsigned char completeLine();
    int nextChar(wchar_t* c);
    int cancel();
    Wait waitByte(int timeoutMs, unsigned char& byte);
    void showCancel();

    EditLine* m_editor = nullptr;
    History* m_history = nullptr; // the commands typed
    History* m_answers = nullptr; // none: answers to prompts are not kept
    CommandHistory m_kept;
    InputKind m_kind = InputKind::command;
    std::string m_prompt;
    std::deque<unsigned char> m_ahead;
    std::mbstate_t m_decoding{};
    bool m_cancelled = false;
    bool m_redraw = false;    // the line being typed is to be shown again
    std::vector<struct sigaction> m_oldActions; // of the signals handled, as they were before
};

} // namespace qv
