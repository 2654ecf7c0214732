#include "common/tempdir.h"
#include "win/widetext.h"
#include "win/winreg.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A registry of its own in a fresh configuration folder.
class Registry : public testing::Test
{
protected:
    Registry() { setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
    ~Registry() override { unsetenv("XDG_CONFIG_HOME"); }

    std::string storeFile() const { return dir.file("KavroSystems/registry/HKEY_CURRENT_USER.reg"); }

    HKEY create(const char* path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    LSTATUS set(const char* path, const char* name, DWORD type, const std::string& bytes)
    {
        HKEY key = create(path);
        const LSTATUS status =
            RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        return status;
    }

    // The stored bytes and type, or the failure's code in status.
    std::string get(const char* path, const char* name, DWORD* type = nullptr, LSTATUS* status = nullptr)
    {
        HKEY key = nullptr;
        LSTATUS result = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
        std::string bytes(4096, '\0');
        DWORD size = static_cast<DWORD>(bytes.size());
        if (result == ERROR_SUCCESS) {
            result = RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(bytes.data()), &size);
            RegCloseKey(key);
        }
        if (status)
            *status = result;
        bytes.resize(result == ERROR_SUCCESS ? size : 0);
        return bytes;
    }

    TempDir dir;
};

std::string wide(const std::string& text)
{
    const std::u16string units = utf8ToUtf16(text);
    return std::string(reinterpret_cast<const char*>(units.c_str()), (units.size() + 1) * 2);
}

std::string runHelper(const std::string& arguments, int* exitCode)
{
    FILE* pipe = popen((std::string(QV_REGHELPER) + " " + arguments).c_str(), "r");
    std::string out;
    char chunk[256];
    while (size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
        out.append(chunk, n);
    *exitCode = WEXITSTATUS(pclose(pipe));
    return out;
}

std::vector<std::string> damagedCopies(const TempDir& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("KavroSystems/registry")))
        if (entry.path().filename().string().starts_with("HKEY_CURRENT_USER.reg.damaged-"))
            found.push_back(entry.path().string());
    return found;
}

} // namespace

TEST_F(Registry, CreateMakesMissingParentsAndNamesIgnoreLetterCase)
{
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, "Software\\Kavro/Quorvane\\", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(RegSetValueExW(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\x2a\0\0\0"), 4), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, "SOFTWARE\\KAVRO\\QUORVANE", 0, "", 0, KEY_READ, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, "software", 0, KEY_READ, &key), ERROR_SUCCESS);
    HKEY child = nullptr;
    EXPECT_EQ(RegOpenKeyExW(key, "kavro\\quorvane", 0, KEY_READ, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(key);

    DWORD type = 0;
    EXPECT_EQ(get("software\\kavro\\quorvane", "COUNT", &type), std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, "Software\\Other", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    // The key keeps the spelling it was created with.
    EXPECT_NE(readFile(storeFile()).find("[Software\\\\Kavro\\\\Quorvane]"), std::string::npos);
}

TEST_F(Registry, QueryFollowsTheSizeAndRightsProtocol)
{
    ASSERT_EQ(set("k", "v", REG_SZ, wide("abc")), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, "k", 0, KEY_READ, &key), ERROR_SUCCESS);

    DWORD size = 0;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, "v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    BYTE small[4] = {9, 9, 9, 9};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(key, "v", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(small[0], 9) << "a buffer too small is left untouched";
    EXPECT_EQ(RegQueryValueExW(key, "none", nullptr, &type, small, &size), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegSetValueExW(key, "v", 0, REG_SZ, small, 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExW(key, "v", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, UnusualValuesComeBackByteForByte)
{
    const std::string odd("\x01\x00\xd8", 3); // odd length, an unpaired surrogate
    const std::string name = "we\"ird\\name\n\t";
    ASSERT_EQ(set("k\\x", name.c_str(), REG_SZ, odd), ERROR_SUCCESS);
    ASSERT_EQ(set("k\\x", "blob", REG_BINARY, std::string("\0\xff", 2)), ERROR_SUCCESS);
    ASSERT_EQ(set("k\\x", "empty", 7, ""), ERROR_SUCCESS);
    ASSERT_EQ(set("k\\x", "", REG_SZ, wide("Größe \"m²\" 🏠\\\n")), ERROR_SUCCESS);
    ASSERT_EQ(set("k\\x", "short", REG_DWORD, "\x01\x02"), ERROR_SUCCESS);

    DWORD type = 0;
    EXPECT_EQ(get("k\\x", name.c_str(), &type), odd);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(get("k\\x", "blob", &type), std::string("\0\xff", 2));
    EXPECT_EQ(get("k\\x", "empty", &type), "");
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(get("k\\x", nullptr), wide("Größe \"m²\" 🏠\\\n"));
    EXPECT_EQ(get("k\\x", "short", &type), "\x01\x02");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_NE(readFile(storeFile()).find("\"\"=sz:\"Größe \\\"m²\\\" 🏠\\\\\\n\""), std::string::npos);
}

TEST_F(Registry, ValuesSurviveANewProcessBothWays)
{
    ASSERT_EQ(set("Software\\Kavro", "Path", REG_SZ, wide("/srv/plans/é")), ERROR_SUCCESS);
    int code = -1;
    EXPECT_EQ(runHelper("get 'SOFTWARE\\Kavro' path", &code), "/srv/plans/é");
    EXPECT_EQ(code, 0);
    runHelper("set 'Software\\Kavro\\New' Name 'from the child'", &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(get("software\\kavro\\new", "name"), wide("from the child"));
    EXPECT_EQ(get("Software\\Kavro", "Path"), wide("/srv/plans/é")) << "the child kept what was there";
}

TEST_F(Registry, DamagedFileReadsEmptyAndIsKeptAsideOnTheNextWrite)
{
    ASSERT_EQ(set("k", "v", REG_SZ, wide("kept")), ERROR_SUCCESS);
    const std::string good = readFile(storeFile());
    const std::string damages[] = {
        good.substr(0, good.size() - 4),                  // cut short before the end line
        good.substr(0, good.find("sz:") + 6),             // cut inside a value
        std::string("\x7f" "ELF\0\x01\x02 garbage", 14),  // not a registry file
        "QUORVANE REGISTRY 1\n\"v\"=sz:\"orphan\"\nEND\n", // a value outside any key
        "QUORVANE REGISTRY 1\n[k]\n\"v\"=dword:12\nEND\n", // a number cut short
    };
    for (const std::string& damaged : damages) {
        std::filesystem::remove_all(dir.file("KavroSystems"));
        std::filesystem::create_directories(dir.file("KavroSystems/registry"));
        writeFile(storeFile(), damaged);
        LSTATUS status = 0;
        get("k", "v", nullptr, &status);
        EXPECT_EQ(status, ERROR_FILE_NOT_FOUND) << damaged;

        testing::internal::CaptureStderr();
        EXPECT_EQ(set("other", "n", REG_SZ, wide("new")), ERROR_SUCCESS);
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_NE(warning.find("was damaged ("), std::string::npos) << warning;
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1);

        const auto copies = damagedCopies(dir);
        ASSERT_EQ(copies.size(), 1u) << damaged;
        EXPECT_EQ(readFile(copies[0]), damaged);
        EXPECT_EQ(get("other", "n"), wide("new"));
    }
}
