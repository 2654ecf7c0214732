// A mark that a session has a file open, on the file itself, so that sessions that open it
// under another of its names (a hard link) learn of each other: a shared lock of one byte of
// the file (a record lock of the open file description, F_OFD_SETLK) far beyond any content,
// at an offset that holds the session's process number and part of its process space's
// mark. The kernel keeps it with the file (its device and inode), tells any process that
// asks of a lock in its way (F_OFD_GETLK, which gives that lock's offset), and drops it when
// the session's process ends, however it ends. Where the file system keeps no such locks, no
// mark is made and none is seen.
#pragma once

#include <string>

namespace qv {

class IdentityLock
{
public:
    IdentityLock() = default;
    ~IdentityLock() { release(); }
    IdentityLock(const IdentityLock&) = delete;
    IdentityLock& operator=(const IdentityLock&) = delete;

    // Marks the file path names, giving up the mark on another file. Returns another session
    // that has marked the file, "pid N on HOST" ("on another host" for another process
    // space); empty when none has.
    std::string take(const std::string& path);
    void release();

private:
    int m_fd = -1;
};

} // namespace qv
