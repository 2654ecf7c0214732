#include "hostcommandtable.h"

#include "commandhelp.h"
#include "drawingfiles.h"
#include "plotcommands.h"
#include "setvarcommand.h"

#include "arx/acdocman.h"

#include <algorithm>

namespace {

using Call = HostCommand::Call;

const HostCommand rows[] = {
    {"CLOSE", "", "Closes the current drawing; on a terminal, asks first whether to save its changes.", true, false,
     false, [](Call& call) { DrawingFiles(call.failed).close(call.doc); }},
    {"EXPORT", "", "Plots the current layout to a PDF, PNG or JPG file, as the file's extension says.", true, true,
     false, [](Call& call) { call.failed = !PlotCommands::exportLayout(call.doc) || call.failed; }},
    {"HELP", "?", "Lists the commands with what they do; HELP NAME describes one.", false, false, true,
     [](Call& call) { help(call.word); }},
    {"NEW", "", "Starts a new drawing and makes it the current one.", false, false, false,
     [](Call&) { acDocManager->appContextNewDocument(); }},
    {"OPEN", "", "Opens a drawing and makes it the current one; a name without an extension gets \".dxf\".", false,
     true, false, [](Call& call) { DrawingFiles(call.failed).open(); }},
    {"PLOT", "", "Plots a layout to a file, asking for the layout, device, paper size and file.", true, true, false,
     [](Call& call) { call.failed = !PlotCommands::plot(call.doc) || call.failed; }},
    {"QUIT", "EXIT", "Ends the session; on a terminal, asks first whether to save changed drawings.", false, false,
     false, [](Call& call) { call.ends = DrawingFiles(call.failed).confirmEnd(); }},
    {"SAVE", "", "Saves the current drawing to its own file.", true, true, false,
     [](Call& call) { DrawingFiles(call.failed).save(call.doc); }},
    {"SAVEAS", "", "Saves the current drawing under a new name; a name without an extension gets \".dxf\".", true,
     true, false, [](Call& call) { DrawingFiles(call.failed).saveAs(call.doc); }},
    {"SETVAR", "", "Shows or sets a system variable; \"?\" lists them all.", false, false, false,
     [](Call&) { setVar(); }},
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
