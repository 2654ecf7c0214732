#include "arx/acedinput.h"

#include "mfc/file.h"

#include <editline/readline.h>

namespace qv {

namespace {

class FileInput : public InputSource
{
public:
    explicit FileInput(std::FILE* file) : m_file(file) {}

    std::optional<std::string> readLine(const std::string&) override
    {
        std::string line;
        if (!readTextLine(m_file, line))
            return std::nullopt;
        return line;
    }
    bool interactive() const override { return false; }

private:
    std::FILE* m_file;
};

class TerminalInput : public InputSource
{
public:
    std::optional<std::string> readLine(const std::string& prompt) override
    {
        char* text = ::readline(prompt.c_str());
        if (!text)
            return std::nullopt;
        std::string line = text;
        std::free(text);
        if (!line.empty())
            ::add_history(line.c_str());
        return line;
    }
    bool interactive() const override { return true; }
};

class LineInput : public InputSource
{
public:
    explicit LineInput(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

    std::optional<std::string> readLine(const std::string&) override
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

bool isCancel(const std::string& line)
{
    return line == "^C" || line.find('\x1b') != std::string::npos;
}

} // namespace

std::unique_ptr<InputSource> makeFileInput(std::FILE* file) { return std::make_unique<FileInput>(file); }
std::unique_ptr<InputSource> makeTerminalInput() { return std::make_unique<TerminalInput>(); }
std::unique_ptr<InputSource> makeLineInput(std::vector<std::string> lines)
{
    return std::make_unique<LineInput>(std::move(lines));
}

void setInputSource(std::unique_ptr<InputSource> s)
{
    source = std::move(s);
    ended = false;
}

bool inputInteractive() { return source && source->interactive(); }

InputLine readInput(const std::string& hostPrompt)
{
    if (ended || !source) {
        ended = true;
        return {InputStatus::end, {}};
    }
    std::optional<std::string> line = source->readLine(source->interactive() ? hostPrompt : std::string());
    if (!line) {
        ended = true;
        return {InputStatus::end, {}};
    }
    if (isCancel(*line))
        return {InputStatus::cancel, {}};
    return {InputStatus::line, *line};
}

bool inputEnded() { return ended; }

} // namespace qv
