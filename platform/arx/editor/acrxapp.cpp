#include "arx/acrxapp.h"

bool AcRxDynamicLinker::unlockApplication(void*) { return true; }

bool AcRxDynamicLinker::registerAppMDIAware(void* appId)
{
    m_mdiAware = appId;
    return true;
}

bool AcRxDynamicLinker::isAppMDIAware(void* appId) const { return appId && appId == m_mdiAware; }

AcRxDynamicLinker* acrxDynamicLinkerPtr()
{
    static AcRxDynamicLinker linker;
    return &linker;
}
