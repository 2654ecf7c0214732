#include "commandline.h"

#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "posix/homefolder.h"
#include "win/winbase.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <exception>
#include <filesystem>

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string withoutPrefixes(std::string name)
{
    name.erase(0, name.find_first_not_of("_."));
    return name;
}

void say(const std::string& text) { qv::writeOutput(text); }

void complain(const std::string& text)
{
    std::fflush(stdout);
    std::fprintf(stderr, "cadhost: %s\n", text.c_str());
    std::fflush(stderr);
}

void sayUnhandled(const std::string& command)
{
    std::string why;
    try {
        throw;
    } catch (const std::exception& error) {
        why = std::string(": ") + error.what();
    } catch (...) {
    }
    say("\n*Unhandled error in " + command + why + "*\n");
}

std::optional<std::string> askLine(const std::string& prompt, qv::InputKind kind)
{
    const qv::InputLine line = qv::readInput(prompt, kind);
    if (line.status != qv::InputStatus::line)
        return std::nullopt;
    return trimmed(line.text);
}

std::optional<std::string> withHome(std::optional<std::string> path)
{
    if (path)
        *path = qv::withHomeExpanded(*path);
    return path;
}

std::optional<std::string> takeablePath(const std::string& path)
{
    if (path.size() >= PATH_MAX) {
        qv::refuseAnswer("The path \"" + path + "\" is longer than the " + std::to_string(PATH_MAX - 1)
                         + " bytes a path may have.");
        return std::nullopt;
    }
    for (size_t start = 0; start < path.size();) {
        const size_t end = std::min(path.find_first_of("/\\", start), path.size());
        if (end - start > NAME_MAX) {
            qv::refuseAnswer("The name \"" + path.substr(start, end - start) + "\" is longer than the "
                             + std::to_string(NAME_MAX) + " bytes a file name may have.");
            return std::nullopt;
        }
        start = end + 1;
    }
    return path;
}

std::optional<std::string> fileToWrite(const std::string& path)
{
    auto taken = takeablePath(path);
    std::error_code error;
    if (taken && std::filesystem::is_directory(nativePath(path.c_str()), error)) {
        qv::refuseAnswer("\"" + *taken + "\" is a folder, not a file.");
        return std::nullopt;
    }
    return taken;
}

// After an answer refused where it is not asked again, the next prompt is cancelled.
std::optional<std::string> askPath(const std::string& prompt, const PathCheck& check)
{
    for (;;) {
        const auto path = withHome(askLine(prompt));
        if (!path)
            return std::nullopt;
        if (auto taken = check(*path))
            return taken;
    }
}
