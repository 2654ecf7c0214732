#include "common/tempdir.h"
#include "support/registry.h"
#include "win/widetext.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr const char* kKey = "Software\\KavroSystems\\Quorvane\\Settings";

class RegistryValues : public testing::Test
{
protected:
    RegistryValues() { setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
    ~RegistryValues() override { unsetenv("XDG_CONFIG_HOME"); }

    // Stores raw bytes of a type, as another writer might.
    void storeRaw(const char* name, DWORD type, const std::string& bytes)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
    }

    TempDir dir;
    CRegistry registry;
};

} // namespace

TEST_F(RegistryValues, SavingCreatesTheKeyAndStoresWideTextWithItsNull)
{
    EXPECT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Empty", ""));
    EXPECT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Name", "Größe"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, "Software\\KavroSystems", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(RegQueryValueExW(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 12u) << "five characters and the null, two bytes each";
    RegCloseKey(key);

    CString text = "before";
    EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "name", text));
    EXPECT_EQ(text, "Größe");
    EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Empty", text));
    EXPECT_EQ(text, "");
}

TEST_F(RegistryValues, MissingKeyIsFalseMissingValueIsTrueAndNeitherChangesTheTarget)
{
    CString text = "kept";
    DWORD number = 7;
    EXPECT_FALSE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Name", text));
    EXPECT_FALSE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Count", &number));
    ASSERT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Other", DWORD{1}));
    EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Name", text));
    EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Count", &number));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(number, 7u);
}

TEST_F(RegistryValues, TextsOf998UnitsComeBackWholeLongerOnesLeaveTheTargetUnchanged)
{
    const std::string ascii(998, 'a');
    std::string accented;
    for (int i = 0; i < 998; ++i)
        accented += "é";
    CString text;
    for (const std::string& whole : {ascii, accented}) {
        ASSERT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Text", whole.c_str()));
        EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Text", text));
        EXPECT_EQ(std::string(text), whole);
    }
    for (const size_t length : {999u, 1000u, 5000u}) {
        text = "kept";
        ASSERT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Text", std::string(length, 'b').c_str()));
        EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Text", text));
        EXPECT_EQ(text, "kept") << length;
    }
    // 999 units that fill the buffer exactly, stored without a null by another writer.
    const std::u16string full(999, u'c');
    storeRaw("Text", REG_SZ, std::string(reinterpret_cast<const char*>(full.data()), full.size() * 2));
    EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Text", text));
    EXPECT_EQ(text, "kept");
}

TEST_F(RegistryValues, ValuesOfAnotherTypeOrSizeLeaveTheTargetUnchanged)
{
    storeRaw("Number", REG_DWORD, std::string("\x01\0\0\0", 4));
    storeRaw("Long", REG_BINARY, std::string(8, '\x05'));
    storeRaw("Short", REG_DWORD, "\x01\x02");
    CString text = "kept";
    EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Number", text));
    EXPECT_EQ(text, "kept");

    ASSERT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Text", "12"));
    DWORD number = 7;
    for (const char* name : {"Long", "Short", "Text"}) {
        EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, name, &number));
        EXPECT_EQ(number, 7u) << name;
    }
}

TEST_F(RegistryValues, NumbersRoundTripAllThirtyTwoBits)
{
    for (const DWORD value : {DWORD{0}, DWORD{42}, DWORD{0x80000000u}, DWORD{0xFFFFFFFFu}}) {
        ASSERT_TRUE(registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Count", value));
        DWORD number = 7;
        EXPECT_TRUE(registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "COUNT", &number));
        EXPECT_EQ(number, value);
    }
}

TEST_F(RegistryValues, SavingIntoAnUnwritableFolderStillAnswersTrue)
{
    std::filesystem::create_directories(dir.file("KavroSystems/registry"));
    std::filesystem::permissions(dir.file("KavroSystems/registry"), std::filesystem::perms::owner_read |
                                                                        std::filesystem::perms::owner_exec);
    const int result = runUnprivileged([&] {
        CString text = "kept";
        return registry.saveToRegistry(HKEY_CURRENT_USER, kKey, "Name", "x") == TRUE &&
                       registry.loadFromRegistry(HKEY_CURRENT_USER, kKey, "Name", text) == FALSE && text == "kept"
                   ? 0
                   : 1;
    });
    EXPECT_EQ(result, 0);
}
