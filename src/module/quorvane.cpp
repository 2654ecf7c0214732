#include "module/quorvane.h"

CString preferencesFolder;
CString temporaryFolder;
AsdkDataManager<CDocData> docDataManager;

CString getModuleVersion()
{
    return "64.04.03.00";
}
