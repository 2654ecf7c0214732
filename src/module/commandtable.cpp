#include "commandtable.h"

#include "arx/acdocman.h"
#include "arx/acedcmd.h"
#include "arx/acutprintf.h"
#include "commands.h"
#include "host/acadhost.h"

namespace {

constexpr Adesk::Int32 modal = ACRX_CMD_MODAL;
constexpr Adesk::Int32 application = ACRX_CMD_SESSION;

// Runs a command that works on the current drawing only when one is open; without one
// it says so and does nothing.
template <AcRxFunctionPtr command>
void onDrawing()
{
    if (!acDocManagerPtr()->curDocument()) {
        acutPrintf("No drawing is open.\n");
        return;
    }
    command();
}

struct CommandRow
{
    const char* group;
    const char* alias;
    const char* longName;
    Adesk::Int32 flags;
    AcRxFunctionPtr handler;
    bool fullHostOnly;
    const char* description;   // what HELP says the command does
};

// Every command of the module, in registration order. Those that work on the current
// drawing run through onDrawing; help, preferences, diagnostics and "kgr", which opens the
// drawing its report names, need none.
const CommandRow commandTable[] = {
    {"KAVRO_COMMANDS", "ksm", "kavroSlabMend", modal, onDrawing<kavroSlabMend>, false,
     "Opens the block editor beside the drawing, to edit the space blocks one by one."},
    {"KAVRO_COMMANDS", "kbh", "kavroBlockHyperlink", modal, onDrawing<kavroBlockHyperlink>, false,
     "Edits the hyperlinks of a picked block reference, or of every reference of its block."},
    {"KAVRO_COMMANDS", "kbc", "kavroBlockCreate", modal, onDrawing<kavroBlockCreate>, false,
     "Opens the block creator, which makes room space blocks from picked closed polylines."},
    {"KAVRO_COMMANDS", "kgabc", "kavroGrossAreaBlockCreate", application, onDrawing<grossAreaBlockCreate>, false,
     "Makes the gross-area block from a picked closed polyline."},
    {"KAVRO_COMMANDS", "kdb", "kavroDeleteBlock", application, onDrawing<blockDelete>, false,
     "Turns a picked space block back into its outline."},
    {"KAVRO_COMMANDS", "kcsv", "kavroCommaSeperatedValues", application, onDrawing<createRoomAreaCSV>, false,
     "Writes the rooms' areas and perimeters to a CSV file beside the drawing and opens it."},
    {"KAVRO_COMMANDS", "klbd", "kavroLegendBlockDefine", application, onDrawing<legendBlockDefine>, false,
     "Defines a graphic report's legend block from typed answers, inserting nothing."},
    {"KAVRO_COMMANDS", "kpbd", "kavroPieBlockDefine", application, onDrawing<pieBlockDefine>, false,
     "Defines a graphic report's pie-chart block from typed answers, inserting nothing."},
    {"KAVRO_COMMANDS", "kgr", "kavroGraphicReport", application, graphicReport, false,
     "Applies a graphic-report file to the drawing it names, which stays open."},
    {"KAVRO_COMMANDS", "kagr", "kavroApplyGraphicReport", application, onDrawing<applyGraphicReport>, false,
     "Applies a graphic-report file to the current drawing."},
    {"KAVRO_COMMANDS", "kfrs", "kfrs", application, onDrawing<kavroFindReplaceStub>, false,
     "Replaces a leading text of the space blocks' names."},
    {"KAVRO_COMMANDS", "klmc", "kavroLegendMarkerCreate", modal, onDrawing<legendMarkerBlockCreate>, true,
     "Makes the legend marker from a picked closed polyline."},
    {"KAVRO_COMMANDS", "kpmc", "kavroPieMarkerCreate", modal, onDrawing<pieMarkerBlockCreate>, true,
     "Makes the pie-chart marker from a picked circle."},
    {"KAVRO_UTIL", "kus", "kavroUpdateSpaces", application, onDrawing<updateSpaces>, false,
     "Recalculates every space block's area and perimeter and rewrites the texts that show old values."},
    {"KAVRO_UTIL", "ksxta", "kavroSyncXDataToAttributes", application, onDrawing<syncXDataToAttributes>, false,
     "Copies the space blocks' names, areas and perimeters to their attributes."},
    {"KAVRO_UTIL", "kut", "kavroUpdateText", application, onDrawing<updateTextSize>, false,
     "Sets the text size, scale and rotation of every space block's attributes."},
    {"KAVRO_UTIL", "kaux", "kavroAuxilarator", application, onDrawing<kavroAuxilarator>, false,
     "Gives every space block an AUX text and lays NAME and AUX out around AREA."},
    {"KAVRO_UTIL", "krt", "kavroRefreshTags", application, onDrawing<kavroRefreshTags>, false,
     "Rewrites every space block's attributes from its record."},
    {"KAVRO_UTIL", "kbta", "kavroBlankThirdAttribute", application, onDrawing<blankThirdAttribute>, false,
     "Sets every space block's AUX text to one blank."},
    {"KAVRO_DIAG", "klb", "kavroListBlocks", application, onDrawing<listBlockNameIdentifier>, false,
     "Lists the space blocks, and their assets, as comma-separated lines."},
    {"KAVRO_ADMIN", "kprefs", "kavroPreferences", modal, kavroPreferences, false,
     "Edits the preferences: units, precision, text size, scale and rotation."},
    {"KAVRO_HELP", "k?", "khelp", application, kavroHelp, false,
     "Lists the user commands with what they do."},
    {"KAVRO_HELP", "kd?", "kdiagnosticshelp", application, kavroDiagnosticsHelp, false,
     "Lists the diagnostic commands with what they do."},
    {"KAVRO_SECRET", "ksc_has", "ksc_has", application, onDrawing<hatchAllSpaces>, false,
     "Hatches every space block but the gross area and says how long it took."},
    {"KAVRO_SECRET", "ksc_hs", "ksc_hs", application, onDrawing<hatchSpace>, false,
     "Hatches a picked space block."},
    {"KAVRO_SECRET", "ksc_isc", "ksc_isc", application, onDrawing<kavroTendraConversion>, false,
     "Turns the \"TENDRA_SPACE_LABEL\" labels into room blocks over the outlines they name."},
    {"KAVRO_SECRET", "ksc_cal", "ksc_cal", application, onDrawing<checkAttributeLayers>, false,
     "Puts the NAME, AREA and AUX attributes on the layers \"ATT-NAME\", \"ATT-AREA\" and \"ATT-AUX\"."},
    {"KAVRO_SECRET", "ksc_dsd", "ksc_dsd", application, onDrawing<displaySpaceDetails>, false,
     "Prints a picked space block's attributes and record."},
    {"KAVRO_DIAGNOSTICS", "kda", "kavroDiagnosticAll", application, diagnosticAll, false,
     "Runs every diagnostic but the dialog's."},
    {"KAVRO_DIAGNOSTICS", "kd1", "kavroDiagnosticBasic", application, diagnosticBasic, false,
     "Checks the output to the command line."},
    {"KAVRO_DIAGNOSTICS", "kd3", "kavroDiagnosticDialog", application, diagnosticDialog, false,
     "Checks the open-file dialog."},
    {"KAVRO_DIAGNOSTICS", "kd4", "kavroDiagnosticErrorsA", application, diagnosticErrorsA, false,
     "Throws a test error and handles it."},
    {"KAVRO_DIAGNOSTICS", "kd5", "kavroDiagnosticErrorsB", application, diagnosticErrorsB, false,
     "Throws a test error and handles it."},
    {"KAVRO_DIAGNOSTICS", "kd6", "kavroDiagnosticErrorsC", application, diagnosticErrorsC, false,
     "Prints the name of the function it runs in."},
    {"KAVRO_DIAGNOSTICS", "kd7", "kavroDiagnosticErrorsD", application, diagnosticErrorsD, false,
     "Prints the name of the file it was built from."},
    {"KAVRO_DIAGNOSTICS", "kd8", "kavroDiagnosticUserInput", application, diagnosticUserInput, false,
     "Checks the prompts for a yes or no, a decimal, an integer and a text."},
    {"KAVRO_DIAGNOSTICS", "kd9", "kavroDiagnosticXML", application, diagnosticXML, false,
     "Writes an XML file to the path asked for and reads it back."},
};

// The groups, in the order they are registered and removed.
const char* const commandGroups[] = {"KAVRO_COMMANDS", "KAVRO_UTIL",   "KAVRO_DIAG",       "KAVRO_ADMIN",
                                     "KAVRO_HELP",     "KAVRO_SECRET", "KAVRO_DIAGNOSTICS"};

} // namespace

void registerCommandTable()
{
    const bool fullHost = acadHost.getHostType() > CAcadHost::autocadLT;
    for (const CommandRow& row : commandTable)
        if (fullHost || !row.fullHostOnly)
            acedRegCmds->addCommand(row.group, row.alias, row.longName, row.flags, row.handler, row.description);
}

void removeCommandTable()
{
    for (const char* group : commandGroups)
        acedRegCmds->removeGroup(group);
}
