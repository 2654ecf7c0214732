#include "win/shlobj.h"

#include "win/headless.h"

#include <QFileDialog>
#include <cstdlib>
#include <cstring>

HRESULT SHGetFolderPath(HWND, int csidl, void*, DWORD, LPTSTR path)
{
    if (!path)
        return E_POINTER;
    std::string folder;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    switch (csidl) {
    case CSIDL_COMMON_APPDATA:
    case CSIDL_APPDATA:
        if (xdg && *xdg)
            folder = xdg;
        else if (home && *home)
            folder = std::string(home) + "/.local/share";
        else
            return E_FAIL;
        break;
    default:
        return E_INVALIDARG;
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.size() >= MAX_PATH)
        return E_FAIL;
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return S_OK;
}

std::string SHBrowseForFolder(const std::string& title)
{
    if (qv::guiAvailable())
        return QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(title)).toStdString();
    return qv::promptForPath(title).value_or("");
}
