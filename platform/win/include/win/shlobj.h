// Shell folders and the folder chooser.
#pragma once

#include "win/wintypes.h"

#include <string>

constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_APPDATA = 0x001a;

// The folder for a CSIDL value, without a trailing "/". The common application-data folder
// is $XDG_DATA_HOME, else $HOME/.local/share. Returns S_OK, or E_INVALIDARG for a folder
// this platform does not know. path must hold MAX_PATH characters.
HRESULT SHGetFolderPath(HWND owner, int csidl, void* token, DWORD flags, LPTSTR path);

// The folder chooser: a real folder dialog when there is a display, else the host's
// command-line prompt for a path (see win/headless.h). Returns the chosen folder, or ""
// when nothing was chosen.
std::string SHBrowseForFolder(const std::string& title);
