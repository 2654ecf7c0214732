#include "module/quorvane.h"

CString preferencesFolder;
CString temporaryFolder;

CString getModuleVersion()
{
    return "64.04.03.00";
}
