#include "posix/recoveryfiles.h"

#include "posix/homefolder.h"

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>

namespace qv {

namespace {

// Whether name is base's ".save" or ".save.N" (N from 1 to the last number, no leading zero).
bool isRecoveryName(const std::string& name, const std::string& base)
{
    const std::string first = base + ".save";
    if (!name.starts_with(first))
        return false;
    const std::string rest = name.substr(first.size());
    if (rest.empty())
        return true;
    if (rest.size() < 2 || rest.size() > 4 || rest[0] != '.' || rest[1] == '0')
        return false;
    return rest.find_first_not_of("0123456789", 1) == std::string::npos;
}

// When a regular file's content last changed, to the nanosecond; none for anything else.
std::optional<std::timespec> changed(const std::string& path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return info.st_mtim;
}

bool later(const std::timespec& a, const std::timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// The newest of base's recovery files in its folder, when it is newer than since and newest.
void findNewest(const std::string& base, const std::timespec& since, std::optional<RecoveryFile>& newest)
{
    const std::filesystem::path path(base);
    const std::string folder = path.parent_path().string();
    const std::string name = path.filename().string();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isRecoveryName(entry->d_name, name))
            continue;
        const std::string found = folder.empty() ? std::string(entry->d_name) : folder + "/" + entry->d_name;
        const auto written = changed(found);
        if (written && later(*written, since) && (!newest || later(*written, newest->written)))
            newest = RecoveryFile{found, *written};
    }
    ::closedir(dir);
}

} // namespace

std::string recoveryName(const std::string& base, int number)
{
    return number == 0 ? base + ".save" : base + ".save." + std::to_string(number);
}

std::vector<std::string> recoveryBases(const std::string& drawing)
{
    std::vector<std::string> bases{drawing};
    const std::filesystem::path path(drawing);
    const std::filesystem::path folder = path.parent_path();
    const std::string home = homeFolder();
    std::error_code same;
    if (!home.empty() && !std::filesystem::equivalent(folder.empty() ? "." : folder, home, same))
        bases.push_back(home + "/" + path.filename().string());
    return bases;
}

std::optional<RecoveryFile> newestRecoveryFile(const std::string& drawing)
{
    const auto since = changed(drawing);
    std::optional<RecoveryFile> newest;
    if (since)
        for (const std::string& base : recoveryBases(drawing))
            findNewest(base, *since, newest);
    return newest;
}

} // namespace qv
