// The commands that open the module's dialogs.
#include "commands.h"

#include "arx/acutprintf.h"
#include "dialoghandler.h"
#include "module/commandframe.h"
#include "module/hyperpres.h"
#include "module/presblockcreation.h"
#include "module/presslabmend.h"
#include "module/prespreferences.h"
#include "module/quorvane.h"
#include "win/headless.h"

namespace {

// Opens a modeless dialog of the module over the host window active now; the dialog lives
// in the host's event loop and frees itself when closed. Without a display nothing opens.
template <class Dialog>
void openModeless()
{
    if (!qv::guiAvailable()) {
        acutPrintf("This command needs a display to show its dialog.\n");
        return;
    }
    auto* dialog = new Dialog(nullptr);
    dialog->setAcadWindow(CWnd::GetActiveWindow());
    if (!dialog->Create()) {
        delete dialog;
        return;
    }
    dialog->ShowWindow(SW_SHOWNORMAL);
}

} // namespace

void kavroPreferences()
{
    printCommandTitle("Kavro Edit Preferences");
    // The dialog reads and writes the preferences itself.
    CPresPreferences dialog(nullptr);
    dialog.DoModal();
}

void kavroSlabMend()
{
    runCommand("slabMend", "Kavro Block Edit", [](CAcadDrawing*) {
        // A modeless window lives on after the command: without a display there is none.
        if (!qv::guiAvailable()) {
            acutPrintf("\nThe block editor needs a display; nothing was changed.\n");
            return;
        }
        CWnd* acadWindow = CWnd::GetActiveWindow();
        auto* editor = new CPresSlabMend(nullptr);
        editor->setAcadWindow(acadWindow);
        if (!editor->Create()) {
            delete editor;
            acutPrintf("unable to create the edit dialog box\n");
            return;
        }
        editor->ShowWindow(SW_SHOWNORMAL); // deletes itself once closed
    }, "\nUnhandled Error - Block Edit Failed\n");
}

void kavroBlockCreate()
{
    printCommandTitle("Kavro Block Create");
    openModeless<CPresBlockCreation>();
}

void kavroBlockHyperlink()
{
    printCommandTitle("Kavro Block Hyperlink");
    openModeless<CHyperPres>();
}

void reportDialogFailures(bool loaded)
{
    if (!loaded) {
        qv::setHandlerFailureReport(nullptr);
        return;
    }
    qv::setHandlerFailureReport([](const std::string& signature) {
        // Rethrown into the frame every handler of the module's dialogs ends in.
        qv::module::runHandler("dialogcommands.cpp", signature.c_str(), [] { throw; });
        return true;
    });
}
