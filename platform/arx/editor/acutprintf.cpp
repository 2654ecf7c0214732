#include "arx/acutprintf.h"

#include <cstdio>
#include <string_view>
#include <utility>

namespace qv {

namespace {
OutputSink sink;
OutputHook hook;
std::string openLine;
bool cancelShown = false;

void trackOpenLine(std::string_view text)
{
    const size_t end = text.rfind('\n');
    if (end == std::string::npos)
        openLine += text;
    else
        openLine.assign(text.substr(end + 1));
}

// The text without a "*Cancel*" line that only repeats the one just shown.
std::string_view unrepeated(std::string_view text)
{
    if (!std::exchange(cancelShown, false))
        return text;
    for (const std::string_view repeat : {"\n*Cancel*\n", "*Cancel*\n"})
        if (text.starts_with(repeat))
            return text.substr(repeat.size());
    return text;
}

void show(std::string_view text)
{
    if (hook && !text.empty())
        hook(text);
    if (sink)
        sink(std::string(text));
    else {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
    trackOpenLine(text);
}

} // namespace

void setOutputSink(OutputSink s) { sink = std::move(s); }
void setOutputHook(OutputHook h) { hook = std::move(h); }

int writeOutput(const std::string& text)
{
    show(unrepeated(text));
    return static_cast<int>(text.size());
}

void writeCancel()
{
    show("*Cancel*\n");
    cancelShown = true;
}

const std::string& openOutputLine() { return openLine; }
void endOutputLine() { openLine.clear(); }

} // namespace qv
