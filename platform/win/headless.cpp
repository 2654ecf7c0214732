#include "win/headless.h"

#include <QApplication>
#include <cstdlib>

namespace qv {

namespace {
bool forcedNoGui = false;
PathPrompt pathPrompt;
std::function<void()> applicationMaker;
}

void setNoGui(bool noGui) { forcedNoGui = noGui; }

void setApplicationMaker(std::function<void()> maker) { applicationMaker = std::move(maker); }

void ensureApplication()
{
    if (!QCoreApplication::instance() && applicationMaker)
        applicationMaker();
}

bool guiAvailable()
{
    if (forcedNoGui || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    // The offscreen platform draws real widgets without a display; tests use it.
    const QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void setPathPrompt(PathPrompt prompt) { pathPrompt = std::move(prompt); }

std::optional<std::string> promptForPath(const std::string& prompt)
{
    if (!pathPrompt)
        return std::nullopt;
    return pathPrompt(prompt);
}

} // namespace qv
