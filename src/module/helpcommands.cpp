#include "commands.h"

#include "arx/acutprintf.h"

namespace {

// One row of a listing: a fixed text, or a format printed with its argument.
struct HelpRow
{
    const char* text;
    const char* argument = nullptr;
};

void printRows(std::initializer_list<HelpRow> rows)
{
    for (const HelpRow& row : rows) {
        if (row.argument)
            acutPrintf(row.text, row.argument);
        else
            acutPrintf("%s", row.text);
    }
}

} // namespace

void kavroHelp()
{
    printRows({
        {"  command   fullname                      Description\n\n"},
        {"-\n"},
        {"%s\n", "QRV Suite Commands"},
        {"    ksm     kavroSlabMend                Edit kavro blocks.\n"},
        {"    kbh     kavroBlockHyperlink           Multiple hyperlink blocks.\n"},
        {"    kbc     kavroBlockCreate              Create a kavro block.\n"},
        {"    kgabc   kavroGrossAreaBlockCreate     Create a kavro gross area block.\n"},
        {"    kdb     kavroDeleteBlock              Delete kavro block.\n"},
        {"    kcsv    kavroCommaSeperatedValues     Export drawing details to csv.\n"},
        {"-\n"},
        {"-\n"},
        {"%s\n", "Utilities"},
        {"    kus     kavroUpdateSpaces             Recalculate all areas and perimeters\n"},
        {"                                          in the drawing. Updates attributes if xdata\n"},
        {"                                          and attribute value are linked\n"},
        {"    ksxta   kavroSyncXDataToAttributes\t  Copies xdata values to appropriate attributes.\n"},
        {"                                          Recalculates xdata if specified.\n"},
        {"    kbta     kavroBlankThirdAttribute     Set all third attribute (aux) values to \"\" i.e. blank\n"},
        {"    kut     kavroUpdateText               Resize all attribute text to\n"},
        {"                                          preferences default value.\n"},
        {"    kaux    kavroAuxilarator              Add auxillary tags to kavro blocks\n"},
        {"                                          which do not have an auxillary tag.\n"},
        {"    klb     kavroListBlocks               List the block name and identifiers\n"},
        {"                                          in the drawing.\n"},
        {"-\n"},
        {"-\n"},
        {"-\n"},
        {"%s\n", "Administration"},
        {"    kprefs  kavroPreferences              Edit preferences.\n"},
        {"-\n"},
        {"-\n"},
        {"-\n"},
        {"%s\n", "Help"},
        {"    k?      khelp                         Displays details of the kavro.\n"},
        {"                                          commands avaialble in this version of\n"},
        {"                                          the Quorvane.\n"},
        {"-\n"},
        {"-\n"},
    });
}

void kavroDiagnosticsHelp()
{
    printRows({
        {"  command      fullname                      Description\n\n"},
        {"-\n"},
        {"%s\n", "Kavro Diagnostics"},
        {"    kda     kavroDiagnosticAll            Runs all diagnostic routines.\n"},
        {"    kd1     kavroDiagnosticBasic          Tests output to commandline.\n"},
        {"    kd3     kavroDiagnosticDialog         Test Dialogs.\n"},
        {"    kd4     kavroDiagnosticErrorsA        Throws and handles test error.\n"},
        {"    kd5     kavroDiagnosticErrorsB        Throws and handles test error.\n"},
        {"    kd6     kavroDiagnosticErrorsC        Retrieves Function name.\n"},
        {"    kd7     kavroDiagnosticErrorsD        Retrieves File name.\n"},
        {"    kd8     kavroDiagnosticUserInput      Tests User Input.\n"},
        {"    kd9     kavroDiagnosticXML            Test XML output.\n"},
        {"-\n"},
        {"-\n"},
    });
}
