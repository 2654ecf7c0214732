// The keys and values of one root key, read from and written to its file (the format is
// described in win/winreg.h).
#pragma once

#include "win/wintypes.h"

#include <map>
#include <string>
#include <string_view>

class RegistryFile
{
public:
    struct Value
    {
        std::string name;
        DWORD type = 0;
        std::string data;
    };
    struct Key
    {
        std::string path;                    // as created, names joined by "\"
        std::map<std::string, Value> values; // by folded name
    };

    explicit RegistryFile(std::string path) : m_path(std::move(path)) {}

    // Reads the file. A missing file is empty; a damaged one is empty too, and is moved
    // aside by the next save.
    void load();
    // Writes every key atomically, creating the folder; returns 0 or the errno of the failure.
    int save();

    // The key at a path in canonical form (see canonicalPath), or null.
    Key* find(const std::string& path);
    // Makes the key and its missing parents; returns whether the key was new.
    bool create(const std::string& path);

    // The names of path (separated by "\" or "/", empty ones skipped) joined by "\".
    static std::string canonicalPath(std::string_view path);
    // The ASCII-lower-case form under which keys and values are matched.
    static std::string fold(std::string_view name);

private:
    bool parse(const std::string& text);
    bool parseLine(std::string_view line, Key*& current);
    std::string serialize() const;
    // Moves the damaged file aside and says so on standard error; returns 0 or an errno.
    int keepDamagedFile();

    std::string m_path;
    std::map<std::string, Key> m_keys; // by folded path
    bool m_damaged = false;
    std::string m_damage; // why the file was refused
};
