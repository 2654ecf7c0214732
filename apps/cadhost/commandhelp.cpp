#include "commandhelp.h"

#include "commandline.h"
#include "hostcommandtable.h"

#include "arx/acedcmd.h"
#include "arx/acedinput.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

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

void help(const std::string& name)
{
    std::optional<std::string> asked = name;
    if (name.empty() && qv::inputInteractive())
        asked = askLine("Enter a command name <all>: ", qv::InputKind::word);
    if (!asked)
        return;
    if (asked->empty())
        listCommands();
    else
        describeCommand(*asked);
}

std::vector<std::string> hostCommandNames()
{
    std::vector<std::string> names;
    for (const HostCommand& command : HostCommand::all()) {
        names.emplace_back(command.name);
        if (*command.alias)
            names.emplace_back(command.alias);
    }
    return names;
}

void listCommands()
{
    std::vector<std::pair<std::string, std::vector<HelpEntry>>> sections{{"Host commands:", {}}};
    for (const HostCommand& command : HostCommand::all())
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
    if (const HostCommand* command = HostCommand::find(key))
        say(described(entryOf(*command), "host command"));
    else if (const AcEdCommand* command = acedRegCmds->lookupCmd(key.c_str()))
        say(described(entryOf(*command), "group " + command->group));
    else
        say("\nUnknown command \"" + key + "\".\n");
}

