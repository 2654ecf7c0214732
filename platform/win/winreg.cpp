#include "win/winreg.h"

#include "registryfile.h"
#include "posix/homefolder.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

// An open key: its root, its path below the root and the rights it was opened with.
struct HKEY__
{
    HKEY root;
    std::string path;
    REGSAM access;
};

namespace {

struct Root
{
    HKEY key;
    const char* name;
};

const Root roots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

// Guards the open handles and every read-modify-write of a file.
std::mutex storeMutex;
std::unordered_set<HKEY> openKeys;

const char* rootName(HKEY key)
{
    for (const Root& root : roots)
        if (root.key == key)
            return root.name;
    return nullptr;
}

// The folder of the store's files, ending with "/". A relative $XDG_CONFIG_HOME is ignored,
// as the base-directory convention asks.
std::string storeFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string home = qv::homeFolder();
    const std::string base = config && config[0] == '/' ? config : (home.empty() ? "/tmp" : home) + "/.config";
    return base + "/KavroSystems/registry/";
}

// The file of a root key, read afresh: another process may have changed it.
RegistryFile loadedFileOf(HKEY root)
{
    RegistryFile file(storeFolder() + rootName(root) + ".reg");
    file.load();
    return file;
}

LSTATUS saveStatus(RegistryFile& file)
{
    const int err = file.save();
    return err ? static_cast<LSTATUS>(winErrorFromErrno(err)) : ERROR_SUCCESS;
}

// Copies into found the open key or root that key names (roots are given as their predefined
// values): ERROR_INVALID_HANDLE when key is neither, ERROR_ACCESS_DENIED when it was opened
// without the rights needed. The caller holds storeMutex.
LSTATUS lookUp(HKEY key, REGSAM needed, HKEY__& found)
{
    if (rootName(key))
        found = {key, std::string(), KEY_ALL_ACCESS};
    else if (openKeys.contains(key))
        found = *key;
    else
        return ERROR_INVALID_HANDLE;
    return (found.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

std::string joinPath(const std::string& parent, const char* subKey)
{
    const std::string sub = RegistryFile::canonicalPath(subKey ? subKey : "");
    if (parent.empty() || sub.empty())
        return parent.empty() ? sub : parent;
    return parent + "\\" + sub;
}

LSTATUS openHandle(HKEY root, const std::string& path, REGSAM access, PHKEY result)
{
    HKEY key = new HKEY__{root, path, access};
    openKeys.insert(key);
    *result = key;
    return ERROR_SUCCESS;
}

} // namespace

LSTATUS RegOpenKeyExW(HKEY key, const char* subKey, DWORD, REGSAM access, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(storeMutex);
    HKEY__ parent{};
    if (const LSTATUS status = lookUp(key, 0, parent); status != ERROR_SUCCESS)
        return status;
    const std::string path = joinPath(parent.path, subKey);
    RegistryFile file = loadedFileOf(parent.root);
    if (!path.empty() && !file.find(path))
        return ERROR_FILE_NOT_FOUND;
    return openHandle(parent.root, path, access, result);
}

LSTATUS RegCreateKeyExW(HKEY key, const char* subKey, DWORD, const char*, DWORD, REGSAM access, void*,
                        PHKEY result, DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(storeMutex);
    HKEY__ parent{};
    if (const LSTATUS status = lookUp(key, 0, parent); status != ERROR_SUCCESS)
        return status;
    const std::string path = joinPath(parent.path, subKey);
    RegistryFile file = loadedFileOf(parent.root);
    const bool created = file.create(path);
    if (created) {
        if (const LSTATUS status = saveStatus(file); status != ERROR_SUCCESS)
            return status;
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return openHandle(parent.root, path, access, result);
}

LSTATUS RegSetValueExW(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    if (!data && size > 0)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(storeMutex);
    HKEY__ open{};
    if (const LSTATUS status = lookUp(key, KEY_SET_VALUE, open); status != ERROR_SUCCESS)
        return status;
    RegistryFile file = loadedFileOf(open.root);
    // A key that another process removed since it was opened comes back with the value.
    file.create(open.path);
    RegistryFile::Value value {valueName ? valueName : "", type,
                               std::string(reinterpret_cast<const char*>(data), size)};
    file.find(open.path)->values[RegistryFile::fold(value.name)] = std::move(value);
    return saveStatus(file);
}

LSTATUS RegQueryValueExW(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(storeMutex);
    HKEY__ open{};
    if (const LSTATUS status = lookUp(key, KEY_QUERY_VALUE, open); status != ERROR_SUCCESS)
        return status;
    RegistryFile file = loadedFileOf(open.root);
    const RegistryFile::Key* stored = file.find(open.path);
    if (!stored)
        return ERROR_FILE_NOT_FOUND;
    const auto it = stored->values.find(RegistryFile::fold(valueName ? valueName : ""));
    if (it == stored->values.end())
        return ERROR_FILE_NOT_FOUND;
    const RegistryFile::Value& value = it->second;
    if (type)
        *type = value.type;
    const auto needed = static_cast<DWORD>(value.data.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, value.data.data(), needed);
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    std::lock_guard lock(storeMutex);
    if (rootName(key))
        return ERROR_SUCCESS;
    if (!openKeys.erase(key))
        return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}
