// What the host's commands share: reading answers and writing to the command line.
#pragma once

#include "arx/acedinput.h"

#include <optional>
#include <string>

std::string upper(std::string text);
std::string trimmed(const std::string& text);
// A command name without the "_" and "." that may lead it.
std::string withoutPrefixes(std::string name);

// Command-line output (standard output).
void say(const std::string& text);
// An error: "cadhost: " and the text on standard error.
void complain(const std::string& text);

// The next input line, trimmed; none when cancelled or at the end of input. The prompt is
// shown on a terminal only.
std::optional<std::string> askLine(const std::string& prompt, qv::InputKind kind = qv::InputKind::text);
// A path answer with a leading "~" made the home folder; what every file prompt reads.
std::optional<std::string> withHome(std::optional<std::string> path);
std::optional<std::string> askPath(const std::string& prompt);
