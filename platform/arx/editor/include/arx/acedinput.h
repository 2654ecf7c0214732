// Where the host's input lines come from: a script file, standard input (with line editing
// when it is a terminal), or lines a test gives. One input per line.
//
// A line "^C" or holding the escape character cancels the prompt that reads it (on a
// terminal, Ctrl+C and the Esc key give such a line). The end of input cancels the pending
// prompt and every prompt after it, so that a running command finishes; the host then
// ends, or, on a terminal, may resume reading.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// What a prompt asks for. A terminal edits each kind as CAD users expect: Space ends a
// command or a word as Enter does and is a character of a text; Tab completes a command's
// name or, in a text, a file's; only commands are kept in the history. Other sources read
// whole lines of every kind.
enum class InputKind {
    command, // at "Command:"
    word,    // an answer without blanks: a number, a point, a pick, yes or no, a keyword
    text,    // an answer that may hold blanks: a name, a text, a file name, a selection line
};

class InputSource
{
public:
    virtual ~InputSource() = default;
    // The next line without its line end; none at the end of input. An interactive source
    // shows the prompt itself.
    virtual std::optional<std::string> readLine(const std::string& prompt, InputKind kind) = 0;
    // True for a terminal: the host shows its own prompts only then.
    virtual bool interactive() const = 0;
    // Where the last line read stands ("plan.scr, line 12"), for messages about it; empty
    // when lines have no place worth naming.
    virtual std::string where() const { return {}; }
};

// name (the script's path, "standard input") names the source in messages about its lines.
std::unique_ptr<InputSource> makeFileInput(std::FILE* file, std::string name = "standard input");
// Lines typed on the terminal; the commands typed are kept in historyFile (none: not kept).
std::unique_ptr<InputSource> makeTerminalInput(std::string historyFile);
// Lines given (by a test), read as a script's, or as typed at a terminal when typed is set.
std::unique_ptr<InputSource> makeLineInput(std::vector<std::string> lines, bool typed = false);

// The names of the commands Tab completes at "Command:" on a terminal: the host gives its
// own and its modules'.
using CommandNames = std::function<std::vector<std::string>()>;
void setCommandNames(CommandNames names);

enum class InputStatus { line, cancel, end };

struct InputLine
{
    InputStatus status = InputStatus::end;
    std::string text;
};

// Installs the source all prompts read from; the end-of-input state starts afresh.
void setInputSource(std::unique_ptr<InputSource> source);
bool inputInteractive();
// Where the last line read from the source stands (InputSource::where).
std::string inputWhere();
// The next answer. hostPrompt is shown only by an interactive source (the module's prompts
// are printed as output before they ask). While a prompt of another kind than a command
// waits, an answer is awaited (qv::answerAwaited): modeless dialogs take no commands.
InputLine readInput(const std::string& hostPrompt = std::string(), InputKind kind = InputKind::text);
bool inputEnded();
// Refuses the answer just read, saying why (as the command line shows it: sentences, lines
// broken with "\n"). On a terminal the refusal is shown on lines of its own after an empty
// one (or exactly as given when it begins or ends with a line break) and the prompt asks
// again: true. Elsewhere (a script, a pipe, answers given with a command) the next line
// is no answer to the prompt: the refusal goes to standard error, naming the line refused,
// and the command fails there: every prompt after it is cancelled until the command ends
// (on a terminal, those of the given answers only), and the host stops the script. False:
// the prompt ends as cancelled.
bool refuseAnswer(const std::string& why);
// Whether an answer was refused and not asked again since the source was installed.
bool answerRefused();
// Lets an interactive source be read again after its end (Ctrl+D on a terminal). False,
// and the input stays ended, for a source that is not interactive or whose input ended
// three times in a row without a line between them (a terminal that is gone).
bool resumeInput();

// Answers given with a command (by acedCommandS): while one lives, prompts read its lines
// in turn, before and instead of the input source, and a prompt beyond them is cancelled.
// They nest: the newest answers are read first.
class GivenAnswers
{
public:
    explicit GivenAnswers(std::vector<std::string> lines);
    ~GivenAnswers();
    GivenAnswers(const GivenAnswers&) = delete;
    GivenAnswers& operator=(const GivenAnswers&) = delete;

    // The next answer; a cancel once they are used up.
    InputLine next();
    // Gives no more answers: every prompt after an answer refused is cancelled.
    void cancelRest() { m_next = m_lines.size(); }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
    GivenAnswers* m_outer;
};

} // namespace qv
