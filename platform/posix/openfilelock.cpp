#include "posix/openfilelock.h"

#include "identitylock.h"
#include "lockfile.h"

#include <cstdlib>

namespace qv {

namespace {

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

} // namespace

OpenFileLock::OpenFileLock() : m_file(std::make_unique<LockFile>()), m_identity(std::make_unique<IdentityLock>()) {}

OpenFileLock::~OpenFileLock() = default;

void OpenFileLock::take(const std::string& path)
{
    const std::string sharer = m_identity->take(path);
    const std::string lockFile = lockFileOf(path);
    if (!lockFile.empty() && lockFile == m_file->path())
        return;
    m_file->leave();
    const LockFile::Found found = lockFile.empty() ? LockFile::Found() : m_file->join(lockFile);
    m_holder = found.holder.empty() ? sharer : found.holder;
    m_ended = found.ended;
    m_refused = found.refused;
}

void removeLockFiles() { LockFile::leaveAll(); }

} // namespace qv
