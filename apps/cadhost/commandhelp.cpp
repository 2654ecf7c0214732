#include "commandhelp.h"

#include "commandline.h"

#include "arx/acedcmd.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct HostCommand
{
    const char* name;
    const char* alias;
    const char* description;
};

// The host's own commands, in the order HELP lists them.
const HostCommand hostCommands[] = {
    {"CLOSE", "", "Closes the current drawing; on a terminal, asks first whether to save its changes."},
    {"EXPORT", "", "Plots the current layout to a PDF, PNG or JPG file, as the file's extension says."},
    {"HELP", "?", "Lists the commands with what they do; HELP NAME describes one."},
    {"NEW", "", "Starts a new drawing and makes it the current one."},
    {"OPEN", "", "Opens a drawing and makes it the current one; a name without an extension gets \".dxf\"."},
    {"PLOT", "", "Plots a layout to a file, asking for the layout, device, paper size and file."},
    {"QUIT", "EXIT", "Ends the session; on a terminal, asks first whether to save changed drawings."},
    {"SAVE", "", "Saves the current drawing to its own file."},
    {"SAVEAS", "", "Saves the current drawing under a new name; a name without an extension gets \".dxf\"."},
    {"SETVAR", "", "Shows or sets a system variable; \"?\" lists them all."},
};

// A command as HELP shows it: its names, its group and what it does.
struct HelpEntry
{
    std::string name;
    std::string otherName;   // the long name or alias; empty when there is none
    std::string description;
};

HelpEntry entryOf(const HostCommand& command) { return {command.name, command.alias, command.description}; }

HelpEntry entryOf(const AcEdCommand& command)
{
    const bool sameNames = upper(command.localName) == upper(command.globalName);
    return {command.globalName, sameNames ? std::string() : command.localName, command.description};
}

// A line of the listing: the names and the description in columns, and no trailing blanks.
std::string listed(const HelpEntry& entry, size_t nameWidth, size_t otherWidth)
{
    std::string line = "  " + entry.name;
    if (!entry.otherName.empty() || !entry.description.empty()) {
        line.resize(2 + nameWidth + 2, ' ');
        line += entry.otherName;
    }
    if (!entry.description.empty()) {
        line.resize(2 + nameWidth + 2 + otherWidth + 2, ' ');
        line += entry.description;
    }
    return line + "\n";
}

std::string described(const HelpEntry& entry, const std::string& group)
{
    const std::string names = entry.otherName.empty() ? entry.name : entry.name + "  " + entry.otherName;
    return names + "  (" + group + ")\n  " + (entry.description.empty() ? "Not described." : entry.description)
           + "\n";
}

} // namespace

std::vector<std::string> hostCommandNames()
{
    std::vector<std::string> names;
    for (const HostCommand& command : hostCommands) {
        names.emplace_back(command.name);
        if (*command.alias)
            names.emplace_back(command.alias);
    }
    return names;
}

void listCommands()
{
    std::vector<std::pair<std::string, std::vector<HelpEntry>>> sections{{"Host commands:", {}}};
    for (const HostCommand& command : hostCommands)
        sections[0].second.push_back(entryOf(command));
    for (const AcEdCommand& command : acedRegCmds->commands()) {
        const std::string title = "Commands of " + command.group + ":";
        auto section = std::find_if(sections.begin(), sections.end(), [&](const auto& s) { return s.first == title; });
        if (section == sections.end())
            section = sections.emplace(sections.end(), title, std::vector<HelpEntry>());
        section->second.push_back(entryOf(command));
    }
    size_t nameWidth = 0, otherWidth = 0;
    for (const auto& section : sections)
        for (const HelpEntry& entry : section.second) {
            nameWidth = std::max(nameWidth, entry.name.size());
            otherWidth = std::max(otherWidth, entry.otherName.size());
        }
    for (const auto& [title, entries] : sections) {
        say(title + "\n");
        for (const HelpEntry& entry : entries)
            say(listed(entry, nameWidth, otherWidth));
    }
}

void describeCommand(const std::string& name)
{
    const std::string key = upper(withoutPrefixes(name));
    for (const HostCommand& command : hostCommands) {
        if (key == command.name || key == command.alias) {
            say(described(entryOf(command), "host command"));
            return;
        }
    }
    if (const AcEdCommand* command = acedRegCmds->lookupCmd(key.c_str()))
        say(described(entryOf(*command), "group " + command->group));
    else
        say("\nUnknown command \"" + key + "\".\n");
}

