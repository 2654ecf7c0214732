// The host's command line output. Text goes to standard output as printed, or to a sink
// that a test installs to capture it.
#pragma once

#include "mfc/cstring.h"

#include <functional>
#include <string>
#include <string_view>

template <class... Args>
int acutPrintf(const char* format, const Args&... args);

namespace qv {
using OutputSink = std::function<void(const std::string&)>;
// Installs a sink for all command-line output; an empty sink restores standard output.
void setOutputSink(OutputSink sink);
int writeOutput(const std::string& text);
// The text written since the last line end (a prompt waiting for its answer).
const std::string& openOutputLine();
// Tells that something else (a line editor) ended the output line.
void endOutputLine();
// Called with the text before it is written, while set: a line editor whose line stands on
// the terminal moves it out of the way of what a window prints meanwhile.
using OutputHook = std::function<void(std::string_view text)>;
void setOutputHook(OutputHook hook);
// Says that the user cancelled the prompt: "*Cancel*" and a line end. The command that the
// cancel ends may say "*Cancel*" on a line of its own as well; written next, it is not shown
// a second time.
void writeCancel();
} // namespace qv

// printf-style, with CString and std::string arguments passed as their C strings.
template <class... Args>
int acutPrintf(const char* format, const Args&... args)
{
    return qv::writeOutput(CString::formatText(format, CString::passArg(args)...));
}
