// What a module sees of the host application: the messages its entry point receives
// and the dynamic linker.
#pragma once

namespace AcRx {
enum AppMsgCode { kNullMsg = 0, kInitAppMsg = 1, kUnloadAppMsg = 2, kLoadDwgMsg = 3, kUnloadDwgMsg = 4 };
enum AppRetCode { kRetOK = 0, kRetError = 3 };
} // namespace AcRx

// The version of the host interface that modules are built against.
constexpr int ACRX_API_VERSION = 23;

class AcRxDynamicLinker
{
public:
    bool unlockApplication(void* appId);
    bool registerAppMDIAware(void* appId);
    bool isAppMDIAware(void* appId) const;

private:
    void* m_mdiAware = nullptr;
};
AcRxDynamicLinker* acrxDynamicLinkerPtr();
#define acrxDynamicLinker (acrxDynamicLinkerPtr())
