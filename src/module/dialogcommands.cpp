// The commands that open the module's dialogs.
#include "commands.h"

#include "arx/acutprintf.h"
#include "module/hyperpres.h"
#include "module/presblockcreation.h"
#include "module/prespreferences.h"
#include "module/slabmend.h"
#include "win/headless.h"

void kavroPreferences()
{
    printCommandTitle("Kavro Edit Preferences");
    // The dialog reads and writes the preferences itself.
    CPresPreferences dialog(nullptr);
    dialog.DoModal();
}

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
