// What HELP shows: the host's own commands and the module's, each with its names, its group
// and what it does.
#pragma once

#include <string>
#include <vector>

// HELP: HELP NAME describes one command; HELP alone lists them all, except on a terminal,
// where Space ends "HELP" before a name could follow it: there it asks for the name.
void help(const std::string& name);
// Every command, the host's first, then the module's group by group in the order they were
// registered, one a line with its short and long names and its description in columns.
void listCommands();
// One command, the host's or the module's, named either way in any letter case (with or
// without a leading "_" or "."); a name that is no command is said to be unknown.
void describeCommand(const std::string& name);
// The names of the host's own commands and their aliases, for completion.
std::vector<std::string> hostCommandNames();
