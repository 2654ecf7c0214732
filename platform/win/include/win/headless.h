// Whether the process can show windows, and what stands in for them when it cannot.
//
// Without a display (the host's --no-gui, or neither DISPLAY nor WAYLAND_DISPLAY set, or no
// Qt application object), message boxes print "[caption] text" to standard error and take
// their default answer, modal dialogs are not shown, and file and folder choosers ask for a
// path on the host's command line.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qv {

// Forces the headless behaviour whatever the environment says.
void setNoGui(bool noGui);

// True when windows can be shown: not forced off, a display is named, and a Qt
// application object exists.
bool guiAvailable();

// The host makes its Qt application object only when something needs it (a headless run
// that makes no window never loads the platform's fonts): it installs how to make it here,
// and whatever makes widgets calls ensureApplication first. Without a maker (the tests make
// their own object), ensureApplication does nothing.
void setApplicationMaker(std::function<void()> maker);
void ensureApplication();

// Asks for a path on the host's command line; empty optional when the user cancelled.
using PathPrompt = std::function<std::optional<std::string>(const std::string& prompt)>;

// The host installs its command-line prompt here; without one, choosers give nothing.
void setPathPrompt(PathPrompt prompt);
std::optional<std::string> promptForPath(const std::string& prompt);

} // namespace qv
