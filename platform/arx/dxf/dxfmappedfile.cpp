#include "arx/dxfmappedfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::dxf {

namespace {

// The system's reason, starting in lower case to read as part of a message.
std::string reasonOf(int err)
{
    std::string reason = std::strerror(err);
    if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z' && (reason.size() < 2 || reason[1] > 'Z'))
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    return reason;
}

} // namespace

MappedFile::~MappedFile() { close(); }

bool MappedFile::fail(int err, const std::string& reason)
{
    close();
    m_errno = err;
    m_error = reason;
    return false;
}

bool MappedFile::open(const std::string& path)
{
    close();
    m_error.clear();
    m_errno = 0;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return fail(errno, reasonOf(errno));
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return fail(errno, reasonOf(errno));
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR, "it is a folder");
    if (!S_ISREG(st.st_mode))
        return fail(EINVAL, "it is not a regular file");
    m_identity = FileIdentity::of(m_fd);
    const auto size = static_cast<size_t>(st.st_size);
    if (size == 0)
        return true;
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, m_fd, 0);
    if (data == MAP_FAILED)
        return fail(errno, reasonOf(errno));
    if (!m_guard.guard(static_cast<const char*>(data), size)) {
        ::munmap(data, size);
        return fail(EBUSY, "too many files are being read at once");
    }
    ::madvise(data, size, MADV_SEQUENTIAL);
    m_data = static_cast<const char*>(data);
    m_size = size;
    return true;
}

std::string MappedFile::damage() const
{
    if (m_fd >= 0 && FileIdentity::of(m_fd) != m_identity)
        return "the file changed while it was read: open it again";
    if (m_guard.faulted())
        return "a part of the file could not be read (an input or output error)";
    return {};
}

void MappedFile::release(size_t offset)
{
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t end = std::min(offset, m_size) / page * page;
    if (!m_data || end <= m_released)
        return;
    ::madvise(const_cast<char*>(m_data) + m_released, end - m_released, MADV_DONTNEED);
    m_released = end;
}

void MappedFile::close()
{
    m_guard.release();
    if (m_data)
        ::munmap(const_cast<char*>(m_data), m_size);
    if (m_fd >= 0)
        ::close(m_fd);
    m_data = nullptr;
    m_size = 0;
    m_fd = -1;
    m_identity.reset();
    m_released = 0;
}

} // namespace qv::dxf
