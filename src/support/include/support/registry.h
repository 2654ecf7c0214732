// Named values of the registry: a text or a 32-bit number under a value name, in a key given
// by a root key and a sub-key path. Each call opens the key, reads or writes once and
// closes it again.
//
// Texts are UTF-8 here and are stored as the registry's wide text (UTF-16 and a terminating
// null). A text is read back only when it has at most 998 UTF-16 units (998 characters of
// the Basic Multilingual Plane, each 1 to 3 UTF-8 bytes; a character beyond it counts two):
// the read offers a buffer of 999 units, and a longer text, like a value that is not text,
// leaves the target unchanged instead of being read cut or overrun.
#pragma once

#include "mfc/cstring.h"
#include "win/winreg.h"

class CRegistry
{
public:
    CRegistry() = default;
    virtual ~CRegistry() = default;

    // Writes a REG_SZ value (a null text is written empty), creating the key and its
    // missing parents when needed. Always TRUE: a failure to write is not reported.
    BOOL saveToRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, LPCTSTR value);
    // Writes a REG_DWORD value, as above.
    BOOL saveToRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, DWORD value);
    // FALSE, value unchanged, when the key cannot be opened. Otherwise TRUE; value takes the
    // stored text when there is one that fits (see above), else keeps what it held.
    BOOL loadFromRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, CString& value);
    // As above for a REG_DWORD value of 4 bytes; value may be null.
    BOOL loadFromRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, DWORD* value);

private:
    // The key opened for writing, created when it cannot be opened; null when neither works.
    static HKEY openForWriting(HKEY root, LPCTSTR subKey);
};
