#include "posix/atomicfile.h"

#include "posix/removalslots.h"
#include "posix/staletemporaries.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr int kMaxLinks = 40;

// The temporaries being written, where a signal handler can find them (removeTemporaries).
RemovalSlots<8> g_pending;

// Makes a temporary from a mkostemp template; slot is the index of the slot through which
// a signal handler removes it (-1 when all are taken). No signal comes between the two.
int makeTemporary(std::string& temp, int& slot)
{
    sigset_t all, old;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &old);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    slot = fd >= 0 ? g_pending.take(temp) : -1;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return fd;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The prefix of the temporary files of saves of name; the saving process's tag follows it.
std::string tempPrefix(const std::string& name) { return "." + name + ".qvsave-"; }

// Follows links to the file they name; a dangling link names its target, which the save
// creates. errno is set when the chain cannot be followed.
bool resolveLinks(std::string& path)
{
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT;
        if (!S_ISLNK(st.st_mode))
            return true;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return false;
        link.resize(static_cast<size_t>(n));
        path = link.starts_with('/') ? link : folderOf(path) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

mode_t defaultMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(const std::string& what, int err)
{
    m_errno = err;
    m_error = what;
    discard();
    return false;
}

void AtomicFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
    g_pending.release(m_slot);
}

bool AtomicFile::open(const std::string& path, int mode, Links links)
{
    discard();
    m_error.clear();
    m_errno = 0;
    m_target = path;
    if (path.empty())
        return fail("no file name", ENOENT);
    if (links == Links::kFollow && !resolveLinks(m_target))
        return fail("cannot write '" + path + "': " + std::strerror(errno), errno);
    struct stat st {};
    if (links == Links::kRefuse && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return fail("cannot write '" + path + "': it is a symbolic link", ELOOP);
    const std::string folder = folderOf(m_target);
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail("cannot write '" + m_target + "': the folder '" + folder + "' does not exist", ENOENT);
    const bool exists = ::stat(m_target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return fail("cannot write '" + m_target + "': it is a folder", EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        return fail("cannot write '" + m_target + "': it is not a regular file", EINVAL);
    if (exists && isReadOnly(m_target))
        return fail("cannot write '" + m_target + "': " + std::strerror(errno), errno);
    if (mode < 0)
        mode = static_cast<int>(exists ? st.st_mode & 07777 : defaultMode());

    const std::string name = nameOf(m_target);
    sweepStaleTemporaries(folder);
    std::string temp = folder + "/" + tempPrefix(name) + temporaryTag() + "XXXXXX";
    m_fd = makeTemporary(temp, m_slot);
    if (m_fd < 0)
        return fail("cannot write '" + m_target + "': cannot create a file in '" + folder + "': " +
                        std::strerror(errno),
                    errno);
    m_temp = temp;
    if (exists && ::fchown(m_fd, st.st_uid, st.st_gid) != 0) {
        // Another owner cannot be kept without privileges: the file becomes the saver's.
    }
    if (::fchmod(m_fd, static_cast<mode_t>(mode)) != 0)
        return fail("cannot write '" + m_target + "': " + std::strerror(errno), errno);
    return true;
}

bool AtomicFile::openLike(const std::string& path, const std::string& model)
{
    struct stat st {};
    if (::stat(model.c_str(), &st) != 0)
        return open(path);
    if (!open(path, static_cast<int>(st.st_mode & 0777)))
        return false;
    if (::fchown(m_fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
        // Not a member of the group: the file keeps the saver's own.
    }
    return true;
}

bool AtomicFile::write(const void* data, size_t size)
{
    if (m_fd < 0)
        return m_error.empty() ? fail("no file is open for writing", EBADF) : false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("cannot write '" + m_target + "': " + std::strerror(errno), errno);
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::commit(bool replace)
{
    if (m_fd < 0)
        return m_error.empty() ? fail("no file is open for writing", EBADF) : false;
    if (::fsync(m_fd) != 0)
        return fail("cannot write '" + m_target + "': " + std::strerror(errno), errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail("cannot write '" + m_target + "': " + std::strerror(errno), errno);
    const bool moved = replace ? ::rename(m_temp.c_str(), m_target.c_str()) == 0
                               : ::link(m_temp.c_str(), m_target.c_str()) == 0;
    if (!moved)
        return fail("cannot replace '" + m_target + "': " + std::strerror(errno), errno);
    if (!replace)
        ::unlink(m_temp.c_str());
    m_temp.clear();
    g_pending.release(m_slot);
    syncFolder(folderOf(m_target));
    return true;
}

bool isReadOnly(const std::string& path)
{
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0)
        return false;
    return errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY;
}

void removeTemporaries() { g_pending.removeAll(); }

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error)
{
    AtomicFile file;
    const bool ok = file.open(path) && file.write(bytes) && file.commit();
    error = ok ? std::string() : file.error();
    return ok;
}

} // namespace qv
