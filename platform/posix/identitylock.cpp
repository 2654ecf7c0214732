#include "identitylock.h"

#include "posix/staletemporaries.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace qv {

namespace {

// A mark's offset: this bit, 30 bits of the process space's mark, and the process number in
// the low 32 bits. Other programs' locks rarely lie so far out.
constexpr std::uint64_t kMarkBit = std::uint64_t{1} << 62;
constexpr std::uint64_t kSpaceBits = 0x3fffffff;
constexpr int kLooks = 8;   // locks of other programs passed over
static_assert(sizeof(off_t) == 8, "a mark's offset needs 64-bit file offsets");

std::uint64_t ownSpace() { return std::strtoull(processSpaceMark().c_str(), nullptr, 16) & kSpaceBits; }

off_t ownMark() { return static_cast<off_t>(kMarkBit | ownSpace() << 32 | static_cast<std::uint32_t>(::getpid())); }

std::string sessionOf(off_t mark)
{
    const auto bits = static_cast<std::uint64_t>(mark);
    const bool here = (bits >> 32 & kSpaceBits) == ownSpace();
    return "pid " + std::to_string(bits & 0xffffffff) + " on " + (here ? hostName() : "another host");
}

struct flock byteAt(short type, off_t start, off_t length)
{
    struct flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return lock;
}

} // namespace

std::string IdentityLock::take(const std::string& path)
{
    release();
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct flock mark = byteAt(F_RDLCK, ownMark(), 1);
    if (m_fd < 0 || ::fcntl(m_fd, F_OFD_SETLK, &mark) != 0) {
        release();
        return {};
    }
    off_t from = 0;
    for (int look = 0; look < kLooks; ++look) {
        struct flock other = byteAt(F_WRLCK, from, 0);   // in the way of any lock but this one
        if (::fcntl(m_fd, F_OFD_GETLK, &other) != 0 || other.l_type == F_UNLCK)
            break;
        if (other.l_type == F_RDLCK && other.l_len == 1 && (static_cast<std::uint64_t>(other.l_start) & kMarkBit))
            return sessionOf(other.l_start);
        if (other.l_len == 0)
            break;
        from = other.l_start + other.l_len;
    }
    return {};
}

void IdentityLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace qv
