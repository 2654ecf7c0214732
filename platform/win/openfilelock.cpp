#include "win/openfilelock.h"

#include "win/atomicfile.h"
#include "win/removalslots.h"
#include "win/staletemporaries.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qv {

namespace {

RemovalSlots<64> g_locks;   // past this many open drawings, a signal leaves a stale lock

std::string hostName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// The lock file of the file path names; empty when path names none.
std::string lockFileOf(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    const std::string file(real);
    std::free(real);
    const size_t slash = file.rfind('/');
    return file.substr(0, slash + 1) + "." + file.substr(slash + 1) + ".lock";
}

// Whether process pid is gone, or runs another program than this one as far as can be seen
// (its number was given again, after a restart of the system, say).
bool gone(long pid)
{
    if (processHasEnded(pid))
        return true;
    std::error_code mine, its;
    const auto ours = std::filesystem::read_symlink("/proc/self/exe", mine);
    const auto theirs = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", its);
    return !mine && !its && ours != theirs;
}

// The session a lock file names, "pid N on HOST"; empty when the lock is stale: it names
// none, or a process of this process space that is gone (or is this one). Only the space's
// mark tells hosts apart (clones and containers share a machine name); a lock without one
// is judged by the machine name.
std::string liveHolder(const std::string& lockFile)
{
    std::ifstream in(lockFile);
    long pid = 0;
    std::string host, mark;
    if (!(in >> pid >> host) || pid <= 0)
        return {};
    in >> mark;
    const bool ours = mark.empty() ? host == hostName() : mark == processSpaceMark();
    if (ours && (pid == ::getpid() || gone(pid)))
        return {};
    return "pid " + std::to_string(pid) + " on " + host;
}

// Makes the lock file, whole at once, unless there is one.
bool makeLock(const std::string& lockFile)
{
    AtomicFile file;
    return file.open(lockFile, 0644) && file.write(std::to_string(::getpid()) + " " + hostName() + " " + processSpaceMark() + "\n")
           && file.commit(false);
}

} // namespace

OpenFileLock::~OpenFileLock() { release(); }

void OpenFileLock::take(const std::string& path)
{
    const std::string lockFile = lockFileOf(path);
    if (!m_lockFile.empty() && lockFile == m_lockFile)
        return;
    release();
    m_holder.clear();
    for (int attempt = 0; attempt < 2 && !lockFile.empty(); ++attempt) {
        if (makeLock(lockFile)) {
            m_lockFile = lockFile;
            m_slot = g_locks.take(lockFile);
            return;
        }
        if (::access(lockFile.c_str(), F_OK) != 0)
            return;   // the folder takes no new file
        m_holder = liveHolder(lockFile);
        if (!m_holder.empty())
            return;
        ::unlink(lockFile.c_str());   // left by a session that died
    }
}

void OpenFileLock::release()
{
    if (m_lockFile.empty())
        return;
    g_locks.release(m_slot);
    ::unlink(m_lockFile.c_str());
    m_lockFile.clear();
}

void removeLockFiles() { g_locks.removeAll(); }

} // namespace qv
