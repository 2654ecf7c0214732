// A fresh folder for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder's path with a trailing "/".
    std::string folder() const { return m_path.string() + "/"; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// Runs body in a child process without root's rights (as "nobody" when run as root), so
// that permission checks apply; gives body's result, or -1 when the child did not finish.
int runUnprivileged(const std::function<int()>& body);
