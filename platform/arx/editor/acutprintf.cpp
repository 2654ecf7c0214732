#include "arx/acutprintf.h"

#include <cstdio>

namespace qv {

namespace {
OutputSink sink;
}

void setOutputSink(OutputSink s) { sink = std::move(s); }

int writeOutput(const std::string& text)
{
    if (sink)
        sink(text);
    else {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
    return static_cast<int>(text.size());
}

} // namespace qv
