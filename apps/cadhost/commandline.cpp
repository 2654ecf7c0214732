#include "commandline.h"

#include "arx/acedinput.h"
#include "arx/acutprintf.h"

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
