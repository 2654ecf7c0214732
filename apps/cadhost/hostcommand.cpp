#include "hostcommand.h"

#include <algorithm>

namespace {

const HostCommand rows[] = {
    {"CLOSE", "", "Closes the current drawing; on a terminal, asks first whether to save its changes.", true, false},
    {"EXPORT", "", "Plots the current layout to a PDF, PNG or JPG file, as the file's extension says.", true, true},
    {"HELP", "?", "Lists the commands with what they do; HELP NAME describes one.", false, false},
    {"NEW", "", "Starts a new drawing and makes it the current one.", false, false},
    {"OPEN", "", "Opens a drawing and makes it the current one; a name without an extension gets \".dxf\".", false,
     true},
    {"PLOT", "", "Plots a layout to a file, asking for the layout, device, paper size and file.", true, true},
    {"QUIT", "EXIT", "Ends the session; on a terminal, asks first whether to save changed drawings.", false, false},
    {"SAVE", "", "Saves the current drawing to its own file.", true, true},
    {"SAVEAS", "", "Saves the current drawing under a new name; a name without an extension gets \".dxf\".", true,
     true},
    {"SETVAR", "", "Shows or sets a system variable; \"?\" lists them all.", false, false},
};

} // namespace

std::span<const HostCommand> HostCommand::all() { return rows; }

const HostCommand* HostCommand::find(const std::string& name)
{
    const auto row = std::find_if(std::begin(rows), std::end(rows), [&](const HostCommand& command) {
        return name == command.name || (*command.alias && name == command.alias);
    });
    return row == std::end(rows) ? nullptr : row;
}
