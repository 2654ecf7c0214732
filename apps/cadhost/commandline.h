// What the host's commands share: reading answers and writing to the command line.
#pragma once

#include "arx/acedinput.h"

#include <functional>
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
// Said in a catch block: the command ended on an error it did not handle, named with the
// error's reason when it gives one ("*Unhandled error in SAVEAS: ...*").
void sayUnhandled(const std::string& command);

// The next input line, trimmed; none when cancelled or at the end of input. The prompt is
// shown on a terminal only.
std::optional<std::string> askLine(const std::string& prompt, qv::InputKind kind = qv::InputKind::text);
// A path answer with a leading "~" made the home folder; what every file prompt reads.
std::optional<std::string> withHome(std::optional<std::string> path);
// The path, when the file system can take it: no name in it longer than NAME_MAX bytes, and
// the whole shorter than PATH_MAX; otherwise none, having refused the answer.
std::optional<std::string> takeablePath(const std::string& path);
// The path of a file to write: one the file system can take and that is no folder; otherwise
// none, having refused the answer.
std::optional<std::string> fileToWrite(const std::string& path);
// Gives the path a command goes on with, or none, having refused the answer
// (qv::refuseAnswer).
using PathCheck = std::function<std::optional<std::string>(const std::string& path)>;
// Asks for a path until check takes one (by default, one the file system can take). None
// when the prompt is cancelled, or when an answer was refused where it is not asked again
// (a script's: the command fails there).
std::optional<std::string> askPath(const std::string& prompt, const PathCheck& check = takeablePath);
