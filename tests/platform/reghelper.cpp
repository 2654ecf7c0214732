// A second process for the registry tests: "set KEY NAME TEXT" stores a text value under
// the current user's key, "get KEY NAME" prints it. Exits 1 when the call fails.
#include "win/widetext.h"
#include "win/winreg.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "set") == 0) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, argv[2], 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
            return 1;
        const std::u16string text = utf8ToUtf16(argv[4]);
        const auto size = static_cast<DWORD>((text.size() + 1) * 2);
        const LSTATUS status = RegSetValueExW(key, argv[3], 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "get") == 0) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, argv[2], 0, KEY_READ, &key))
            return 1;
        std::u16string text(512, u'\0');
        DWORD size = static_cast<DWORD>(text.size() * 2);
        const LSTATUS status = RegQueryValueExW(key, argv[3], nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return 1;
        text.resize(size / 2);
        std::printf("%s", utf16ToUtf8(text.c_str()).c_str());
        return 0;
    }
    return 2;
}
