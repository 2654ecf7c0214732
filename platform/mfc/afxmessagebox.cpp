#include "mfc/afxmessagebox.h"

#include <string>

namespace {
std::string& appName()
{
    static std::string name = "cadhost";
    return name;
}
} // namespace

LPCTSTR AfxGetAppName() { return appName().c_str(); }

void AfxSetAppName(LPCTSTR name) { appName() = name ? name : ""; }

int AfxMessageBox(LPCTSTR text, UINT type, UINT)
{
    return MessageBox(nullptr, text, AfxGetAppName(), type);
}
