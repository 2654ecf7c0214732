#include "commandline.h"

#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "win/homefolder.h"

#include <cctype>
#include <cstdio>

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

std::optional<std::string> askPath(const std::string& prompt) { return withHome(askLine(prompt)); }
