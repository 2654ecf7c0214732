// The sign beside a file that a session of this program has it open, so that another session
// that opens it can say so: the lock file ".NAME.lock" in the file's folder (links resolved),
// holding "PID HOST" of the session that made it. A lock that a process of this host left
// behind when it died is not in the way: it is replaced. Where the folder takes no new file,
// no lock is made.
#pragma once

#include <string>

namespace qv {

class OpenFileLock
{
public:
    OpenFileLock() = default;
    // Removes the lock file this session made.
    ~OpenFileLock();
    OpenFileLock(const OpenFileLock&) = delete;
    OpenFileLock& operator=(const OpenFileLock&) = delete;

    // Locks the file path names, giving up the lock held on another file. When a live
    // session holds the file's lock, holder() names it and no lock is taken.
    void take(const std::string& path);
    // The session that held the lock when take found it, "pid N on HOST"; empty when none did.
    const std::string& holder() const { return m_holder; }

private:
    void release();

    std::string m_lockFile;   // the lock file this session made; empty when none
    std::string m_holder;
    int m_slot = -1;          // where removeLockFiles finds m_lockFile
};

// Removes the lock files of this process, for the handler of a signal that ends it:
// async-signal-safe.
void removeLockFiles();

} // namespace qv
