#include "module/quorvane.h"

CAcadHost acadHost;
CPreferencesVaultEye vaultEyePreferences;
CString debugLogPath;

CString preferencesFolder;
CString temporaryFolder;
CString assetExclusion;

CString getModuleVersion()
{
    return "64.04.03.00";
}
