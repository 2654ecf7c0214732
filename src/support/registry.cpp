#include "support/registry.h"

#include "support/kavroguard.h"
#include "win/widetext.h"

#include <array>

namespace {

// The read buffer's size in UTF-16 units: 998 and a terminating null.
constexpr size_t kTextUnits = 999;

void writeValue(HKEY key, LPCTSTR valueName, DWORD type, const void* data, size_t size)
{
    RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
}

} // namespace

HKEY CRegistry::openForWriting(HKEY root, LPCTSTR subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS)
        return key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, subKey, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

BOOL CRegistry::saveToRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, LPCTSTR value)
{
    return kavroGuard("CRegistry::saveToRegistry", __FILE__, [&] {
        if (HKEY key = openForWriting(root, subKey)) {
            const std::u16string text = utf8ToUtf16(value ? value : "");
            // The units and the terminating null that c_str() guarantees.
            writeValue(key, valueName, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(char16_t));
        }
        return TRUE;
    });
}

BOOL CRegistry::saveToRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, DWORD value)
{
    return kavroGuard("CRegistry::saveToRegistry", __FILE__, [&] {
        if (HKEY key = openForWriting(root, subKey)) {
            const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                                   static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
            writeValue(key, valueName, REG_DWORD, bytes, sizeof bytes);
        }
        return TRUE;
    });
}

BOOL CRegistry::loadFromRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, CString& value)
{
    return kavroGuard("CRegistry::loadFromRegistry", __FILE__, [&]() -> BOOL {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return FALSE;
        std::array<BYTE, kTextUnits * 2> buffer {};
        DWORD type = REG_NONE;
        DWORD size = buffer.size();
        // A larger value answers ERROR_MORE_DATA and leaves the buffer untouched.
        if (RegQueryValueExW(key, valueName, nullptr, &type, buffer.data(), &size) == ERROR_SUCCESS && type == REG_SZ) {
            std::u16string text;
            for (size_t i = 0; i + 1 < size; i += 2) {
                const auto unit = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
                if (unit == 0)
                    break;
                text += unit;
            }
            // A buffer filled to the last unit without a null holds 999 units or more: refused.
            if (text.size() < kTextUnits)
                value = utf16ToUtf8(text).c_str();
        }
        RegCloseKey(key);
        return TRUE;
    });
}

BOOL CRegistry::loadFromRegistry(HKEY root, LPCTSTR subKey, LPCTSTR valueName, DWORD* value)
{
    return kavroGuard("CRegistry::loadFromRegistry", __FILE__, [&]() -> BOOL {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return FALSE;
        BYTE bytes[4] = {};
        DWORD type = REG_NONE;
        DWORD size = sizeof bytes;
        if (RegQueryValueExW(key, valueName, nullptr, &type, bytes, &size) == ERROR_SUCCESS && type == REG_DWORD &&
            size == sizeof bytes && value)
            *value = static_cast<DWORD>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24);
        RegCloseKey(key);
        return TRUE;
    });
}
