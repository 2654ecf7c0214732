// The commands that open the module's dialogs.
#include "commands.h"

#include "arx/acutprintf.h"
#include "module/presslabmend.h"
#include "module/prespreferences.h"
#include "module/quorvane.h"
#include "win/headless.h"
#include "module/slabmend.h"

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
