#include "module/quorvane.h"

CPreferencesVaultEye vaultEyePreferences;
CString debugLogPath;

CString* getModuleVersion()
{
    return new CString("64.04.03.00");
}

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
}

void unloadModule()
{
}
