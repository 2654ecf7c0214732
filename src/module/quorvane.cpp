#include "module/quorvane.h"

#include "database/moduledetails.h"

CString preferencesFolder;
CString temporaryFolder;
AsdkDataManager<CDocData> docDataManager;

CString getModuleVersion()
{
    return QUORVANE_MODULE_VERSION;
}
