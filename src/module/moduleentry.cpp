#include "module/moduleentry.h"

#include "arx/acutprintf.h"
#include "commands.h"
#include "commandtable.h"
#include "module/commandframe.h"
#include "module/modulestrings.h"
#include "module/prespreferences.h"
#include "module/quorvane.h"
#include "support/exrecords.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "win/headless.h"
#include "win/shlobj.h"

#include <cstdio>

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode message, void* appId)
{
    switch (message) {
    case AcRx::kInitAppMsg:
        acrxDynamicLinker->unlockApplication(appId);
        acrxDynamicLinker->registerAppMDIAware(appId);
        initModule();
        break;
    case AcRx::kUnloadAppMsg:
        unloadModule();
        break;
    default:
        break;
    }
    return AcRx::kRetOK;
}

extern "C" int acrxGetApiVersion()
{
    return ACRX_API_VERSION;
}

void initModule()
{
    AfxSetResourceHandle(moduleInstance()); // the module's dialogs and menus are found first
    reportDialogFailures(true);
    checkPreferencesExist();
    registerCommandTable();
}

void unloadModule()
{
    reportDialogFailures(false);
    removeCommandTable();
}

void registerModuleCommand(const char* group, const char* alias, const char* longName, Adesk::Int32 flags,
                           AcRxFunctionPtr handler, int stringId)
{
    char loaded[64];
    // An id the table does not hold leaves the long name as given rather than registering
    // the command under an empty name, which no input could call.
    if (stringId != -1 && LoadStringA(moduleInstance(), static_cast<UINT>(stringId), loaded, sizeof loaded) > 0)
        longName = loaded;
    if (!longName || !*longName)
        return;
    acedRegCmds->addCommand(group, alias, longName, flags, handler);
}

void checkPreferencesExist()
{
    try {
        kavroGuard("checkPreferencesExist", MODULE_MAIN_FILE, [] {
            char folder[MAX_PATH];
            if (FAILED(SHGetFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder)))
                return;
            CFileUtilities files;
            preferencesFolder = CString(folder) + "/KavroSystems/Quorvane/prefs/";
            files.ensureDirectoryExists(preferencesFolder);
            temporaryFolder = CString(folder) + "/KavroSystems/Quorvane/temp/";
            files.ensureDirectoryExists(temporaryFolder);
            // Without the file the user is shown the defaults to confirm or change (not
            // without a display: the dialog is then cancelled unshown).
            if (std::FILE* file = std::fopen(preferencesFolder + "prefs.cfg", "r")) {
                std::fclose(file);
                return;
            }
            if (qv::guiAvailable())
                acutPrintf("\nNo preferences saved yet: confirm or change the units, precision and text "
                           "settings in the Preferences dialog (OK saves them, Esc keeps the defaults).\n");
            CPresPreferences dialog(nullptr);
            dialog.DoModal();
        }, 0);
    } catch (CEXKavro* e) {
        reportChain(e, "checkPreferencesExist");
    }
}
