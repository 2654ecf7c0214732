#include "posix/staletemporaries.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <signal.h>
#include <unistd.h>

namespace qv {

namespace {

std::mutex g_lock;
std::set<std::string> g_swept;

std::uint64_t hashed(std::uint64_t hash, const std::string& text)
{
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return hash;
}

// The boot id and the PID namespace; "" when either cannot be read.
std::string processSpace()
{
    std::string boot;
    std::ifstream("/proc/sys/kernel/random/boot_id") >> boot;
    char space[64] = {};
    const ssize_t n = ::readlink("/proc/self/ns/pid", space, sizeof space - 1);
    return boot.empty() || n <= 0 ? std::string() : boot + space;
}

std::string computedMark()
{
    const std::string space = processSpace();
    std::uint64_t hash = 14695981039346656037u;
    if (space.empty())
        hash = hashed(hash, std::to_string(std::random_device()()) + std::to_string(std::random_device()()));
    else
        hash = hashed(hash, space);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The process number a temporary's name gives after this space's mark; 0 when it has none.
long makerOf(const std::string& name, const std::string& mark)
{
    const size_t at = name.find(mark + "-");
    if (at == std::string::npos)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + at + mark.size() + 1, &end, 10);
    return *end == '-' ? pid : 0;
}

// The folder as one spelling: no trailing "/", "." for the current one.
std::string folderKey(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder.empty() ? "." : folder;
}

} // namespace

std::string processSpaceMark()
{
    // Worked out again in a child process, which may have entered another namespace.
    static pid_t markedFor = 0;
    static std::string mark;
    const std::lock_guard<std::mutex> guard(g_lock);
    if (markedFor != ::getpid()) {
        mark = computedMark();
        markedFor = ::getpid();
    }
    return mark;
}

std::string hostName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

bool processHasEnded(long pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string temporaryTag()
{
    return processSpaceMark() + "-" + std::to_string(::getpid()) + "-";
}

void sweepStaleTemporaries(const std::string& folder)
{
    const std::string key = folderKey(folder);
    {
        const std::lock_guard<std::mutex> guard(g_lock);
        if (!g_swept.insert(key).second)
            return;
    }
    DIR* dir = ::opendir(key.c_str());
    if (!dir)
        return;
    const std::string mark = processSpaceMark();
    while (const dirent* entry = ::readdir(dir))
        if (processHasEnded(makerOf(entry->d_name, mark)))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::closedir(dir);
}

void sweepFoldersAgain()
{
    const std::lock_guard<std::mutex> guard(g_lock);
    g_swept.clear();
}

} // namespace qv
