// The signs that a session of this program has a file open, so that another session that
// opens it can say so: a line of the lock file ".NAME.lock" in the file's folder (links
// resolved), "PID HOST MARK", which sessions of other hosts sharing the folder read too, and
// a mark on the file itself, which sessions that open it under another name (a hard link)
// find. A line that a process of this process space left behind when it died is dropped,
// and said to have been found. Where the folder takes no new file, no line is added.
#pragma once

#include <memory>
#include <string>

namespace qv {

class IdentityLock;
class LockFile;

class OpenFileLock
{
public:
    OpenFileLock();
    // Takes this session's signs away.
    ~OpenFileLock();
    OpenFileLock(const OpenFileLock&) = delete;
    OpenFileLock& operator=(const OpenFileLock&) = delete;

    // Marks the file path names as open in this session, giving up the signs on another file
    // (the same file's lock file is kept: a saved file is only marked again).
    void take(const std::string& path);
    // What take found: another session that has the file open, "pid N on HOST"; a session
    // of this process space that had it open and ended without closing it; why the lock file
    // was left alone ("PATH" is a symbolic link). Each empty when there was none.
    const std::string& holder() const { return m_holder; }
    const std::string& ended() const { return m_ended; }
    const std::string& refused() const { return m_refused; }

private:
    std::unique_ptr<LockFile> m_file;
    std::unique_ptr<IdentityLock> m_identity;
    std::string m_holder;
    std::string m_ended;
    std::string m_refused;
};

// Takes this process's lines out of the lock files of its open files, for a session ended
// from outside that closes none: on the main thread (the ending action of posix/endingwatch.h),
// never in a signal handler.
void removeLockFiles();

} // namespace qv
