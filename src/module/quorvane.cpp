#include "module/quorvane.h"

CPreferencesVaultEye vaultEyePreferences;
CString debugLogPath;

CString* getModuleVersion()
{
    return new CString("64.04.03.00");
}
