#include "module/slabmend.h"

#include "arx/acdocman.h"
#include "arx/acedcmd.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "commands.h"
#include "commandtable.h"
#include "module/modulestrings.h"
#include "module/prespreferences.h"
#include "module/quorvane.h"
#include "support/exrecords.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "win/headless.h"
#include "win/shlobj.h"

#include <cstdio>
#include <memory>

namespace {

// Shows a chain that ended a command under the command's signature, and frees it. A chain
// whose innermost record is a cancelled prompt ends the command quietly.
void reportChain(CEXKavro* caught, const char* signature)
{
    CEXKavro* innermost = caught;
    while (innermost->getInnerException())
        innermost = innermost->getInnerException();
    if (dynamic_cast<CEXCancelled*>(innermost)) {
        acutPrintf("\n*Cancel*\n");
        CEXKavro::deleteChain(caught);
        return;
    }
    CEXUnhandled* head = new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, caught);
    head->display();
    CEXKavro::deleteChain(head);
}

void showUnhandled(CEXUnhandled* head)
{
    head->display();
    CEXKavro::deleteChain(head);
}

} // namespace

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

void printCommandTitle(CString title)
{
    acutPrintf("%s\n", title + " " + getModuleVersion());
}

bool blockDefinitionExists(CAcadDrawing* drawing, CString name)
{
    if (!drawing->isOpen())
        return false;
    AcDbBlockTable* table = nullptr;
    if (drawing->getDocument()->database()->getSymbolTable(table, AcDb::kForRead) != Acad::eOk)
        return false;
    bool found = false;
    AcDbBlockTableIterator* it = nullptr;
    table->newIterator(it, true, true);
    for (; it && !it->done(); it->step(true, true)) {
        AcDbBlockTableRecord* record = nullptr;
        if (it->getRecord(record, AcDb::kForRead, false) != Acad::eOk)
            continue;
        const char* recordName = nullptr;
        record->getName(recordName);
        if (recordName && recordName[0] != '*' && name == recordName)
            found = true;
        record->close();
    }
    delete it;
    table->close();
    return found;
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

void runCommand(const char* signature, const char* title, const std::function<void(CAcadDrawing*)>& work,
                const char* catchAllLine)
{
    try {
        if (title)
            printCommandTitle(title);
        auto drawing = std::make_unique<CAcadDrawing>();
        drawing->setDocument(acDocManagerPtr()->curDocument());
        drawing->setFileName(drawing->getDocument() ? drawing->getDocument()->fileName() : "");
        drawing->setOpen(TRUE);
        drawing->setKeepOpen(TRUE);
        work(drawing.get());
    } catch (CEXKavro* e) {
        reportChain(e, signature);
    } catch (CException* e) {
        showUnhandled(new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, nullptr));
        e->Delete();
    } catch (...) {
        if (catchAllLine)
            acutPrintf("%s", catchAllLine);
        else
            showUnhandled(new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, nullptr));
    }
}
