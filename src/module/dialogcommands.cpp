// The commands that open the module's dialogs.
#include "commands.h"

#include "module/prespreferences.h"
#include "module/slabmend.h"

void kavroPreferences()
{
    printCommandTitle("Kavro Edit Preferences");
    // The dialog reads and writes the preferences itself.
    CPresPreferences dialog(nullptr);
    dialog.DoModal();
}
