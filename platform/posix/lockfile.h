// The lock file beside a name: a line "PID HOST MARK" for each session that has the file open
// under that name (MARK being the process space's, as temporaries carry it). A session adds
// its line when it opens the file and takes it out when it closes it, and the last one out
// removes the lock file. Each change is made under an exclusive flock of the lock file and
// written whole to a temporary renamed into place, so that a reader that takes no lock (of an
// older version, which reads the first line) never finds half a file. Lines of sessions of
// this process space that have ended (and, judged by the host name, lines without a mark)
// are dropped wherever they are found. Nothing is written through a symbolic link, and what
// is not a regular file is left alone; a lock file this process may not write is only read.
#pragma once

#include <string>

namespace qv {

class LockFile
{
public:
    // What joining found.
    struct Found
    {
        std::string holder;    // another session that has the file open, "pid N on HOST"
        std::string ended;     // a session of this process space that ended without leaving
        std::string refused;   // why the lock file is left alone: "PATH" is a symbolic link
    };

    LockFile() = default;
    ~LockFile() { leave(); }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Adds this session's line to the lock file at path (making it when there is none),
    // having left the one it was in. The line is not added where the folder takes no file,
    // the lock file is left alone or this process may not write it.
    Found join(const std::string& path);
    // Takes this session's line out; the lock file goes when no other session is in it.
    void leave();
    // The lock file this session is in; empty when none.
    const std::string& path() const { return m_path; }

    // Has every lock file of this process left, for a process that ends without closing its
    // files. On the main thread only: it locks and rewrites files, as leave does.
    static void leaveAll();

private:
    std::string m_path;
};

} // namespace qv
