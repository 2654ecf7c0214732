#include "lockfile.h"

#include "posix/atomicfile.h"
#include "posix/staletemporaries.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

constexpr int kAttempts = 16;          // the file may be replaced between its opening and its lock
constexpr int kWaitSteps = 400;        // of 5 ms: how long another session's lock is waited for
constexpr size_t kMostRead = 1 << 16;  // of a lock file grown by other programs

std::vector<LockFile*> g_joined;

std::string ownLine() { return std::to_string(::getpid()) + " " + hostName() + " " + processSpaceMark() + "\n"; }

// The name of the program a process runs ("self" for this one); empty when it cannot be read.
std::string commandOf(const std::string& process)
{
    std::string name;
    std::getline(std::ifstream("/proc/" + process + "/comm"), name);
    return name;
}

// Whether process pid is gone, or runs another program than this one as far as can be seen
// (its number was given again). Programs are told apart by name: a session of another build
// or installation of this program is one all the same.
bool gone(long pid)
{
    if (processHasEnded(pid))
        return true;
    const std::string theirs = commandOf(std::to_string(pid));
    return !theirs.empty() && theirs != commandOf("self");
}

// The lines of the sessions a lock file names, sorted out: those of live sessions (and of
// sessions elsewhere, which cannot be checked), the first of them and the first that ended.
// A line that names no session is dropped. Only the space's mark tells hosts apart (clones
// and containers share a machine name); a line without one is judged by the machine name.
struct Sessions
{
    std::string kept;
    std::string holder;
    std::string ended;
};

Sessions sortedOut(const std::string& text)
{
    Sessions sessions;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        long pid = 0;
        std::string host, mark;
        if (!(in >> pid >> host) || pid <= 0)
            continue;
        in >> mark;
        const std::string named = "pid " + std::to_string(pid) + " on " + host;
        const bool ours = mark.empty() ? host == hostName() : mark == processSpaceMark();
        if (ours && (pid == ::getpid() || gone(pid))) {
            sessions.ended = sessions.ended.empty() ? named : sessions.ended;
            continue;
        }
        sessions.holder = sessions.holder.empty() ? named : sessions.holder;
        sessions.kept += line + "\n";
    }
    return sessions;
}

std::string readAll(int fd)
{
    std::string text(kMostRead, '\0');
    size_t got = 0;
    for (ssize_t n = 0; got < text.size() && (n = ::read(fd, text.data() + got, text.size() - got)) != 0;) {
        if (n < 0 && errno != EINTR)
            break;
        got += static_cast<size_t>(std::max<ssize_t>(n, 0));
    }
    text.resize(got);
    return text;
}

// Writes the lock file whole: over the one there, or only where there is none (false with
// errno EEXIST when there is one).
bool writeWhole(const std::string& path, const std::string& lines, bool replace)
{
    AtomicFile file;
    if (file.open(path, -1, AtomicFile::Links::kRefuse) && file.write(lines) && file.commit(replace))
        return true;
    errno = file.errorNumber();
    return false;
}

// Takes an exclusive lock of fd, waiting a while for another session's; false when another
// holds it that long. Where the file system keeps no locks, the file is changed unlocked.
bool lockWithin(int fd)
{
    for (int step = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++step) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return true;
        if (step == kWaitSteps)
            return false;
        ::usleep(5000);
    }
    return true;
}

// Why what stands at path is no lock file; empty for a regular file.
std::string notALockFile(const std::string& path, mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    return "\"" + path + (S_ISLNK(mode) ? "\" is a symbolic link" : "\" is not a regular file");
}

enum class Opened { kLocked, kReadOnly, kNone, kRefused, kReplaced, kFailed };

// Opens the lock file at path, never through a link, and locks it against other sessions'
// changes while path still names it; kReadOnly when this process may not change it (or its
// lock is not let go of in time). why says what is at path when it is refused.
Opened openLocked(const std::string& path, int& fd, std::string& why)
{
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    fd = ::open(path.c_str(), O_RDWR | flags);
    const bool writable = fd >= 0;
    if (!writable && (errno == EACCES || errno == EPERM || errno == EROFS))
        fd = ::open(path.c_str(), O_RDONLY | flags);
    struct stat open{}, named{};
    if (fd < 0 && errno != ELOOP && errno != EISDIR && errno != ENXIO)
        return errno == ENOENT ? Opened::kNone : Opened::kFailed;
    if (fd < 0 ? ::lstat(path.c_str(), &open) != 0 : ::fstat(fd, &open) != 0)
        return Opened::kFailed;
    why = notALockFile(path, open.st_mode);
    if (!why.empty())
        return Opened::kRefused;
    if (!writable)
        return Opened::kReadOnly;
    if (!lockWithin(fd))
        return Opened::kReadOnly;
    if (::lstat(path.c_str(), &named) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino)
        return Opened::kLocked;
    return Opened::kReplaced;   // by another session, or removed as its last left
}

} // namespace

LockFile::Found LockFile::join(const std::string& path)
{
    leave();
    Found found;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = -1;
        const Opened opened = openLocked(path, fd, found.refused);
        if (opened == Opened::kNone && writeWhole(path, ownLine(), false))
            m_path = path;
        else if (opened == Opened::kNone && errno == EEXIST)
            continue;   // made by another session meanwhile
        if (opened == Opened::kLocked || opened == Opened::kReadOnly) {
            const Sessions sessions = sortedOut(readAll(fd));
            found.holder = sessions.holder;
            found.ended = sessions.ended;
            if (opened == Opened::kLocked && writeWhole(path, sessions.kept + ownLine(), true))
                m_path = path;
        }
        if (fd >= 0)
            ::close(fd);   // after the write: no other session reads the lines meanwhile
        if (opened != Opened::kReplaced)
            break;
    }
    if (!m_path.empty())
        g_joined.push_back(this);
    return found;
}

void LockFile::leave()
{
    if (m_path.empty())
        return;
    std::erase(g_joined, this);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = -1;
        std::string why;
        const Opened opened = openLocked(m_path, fd, why);
        if (opened == Opened::kLocked) {
            const std::string kept = sortedOut(readAll(fd)).kept;   // this session's line has ended
            if (kept.empty())
                ::unlink(m_path.c_str());
            else
                writeWhole(m_path, kept, true);
        }
        if (fd >= 0)
            ::close(fd);
        if (opened != Opened::kReplaced)
            break;
    }
    m_path.clear();
}

void LockFile::leaveAll()
{
    while (!g_joined.empty())
        g_joined.back()->leave();
}

} // namespace qv
