#include "arx/acutprintf.h"

#include <cstdio>

namespace qv {

namespace {
OutputSink sink;
std::string openLine;

void trackOpenLine(const std::string& text)
{
    const size_t end = text.rfind('\n');
    if (end == std::string::npos)
        openLine += text;
    else
        openLine.assign(text, end + 1);
}
} // namespace

void setOutputSink(OutputSink s) { sink = std::move(s); }

int writeOutput(const std::string& text)
{
    if (sink)
        sink(text);
    else {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
    trackOpenLine(text);
    return static_cast<int>(text.size());
}

const std::string& openOutputLine() { return openLine; }
void endOutputLine() { openLine.clear(); }

} // namespace qv
