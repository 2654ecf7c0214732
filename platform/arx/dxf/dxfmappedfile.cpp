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
    m_errno = err;
    m_error = reason;
    return false;
}

bool MappedFile::open(const std::string& path)
{
    close();
    m_error.clear();
    m_errno = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(errno, reasonOf(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err, reasonOf(err));
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(EISDIR, "it is a folder");
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(EINVAL, "it is not a regular file");
    }
    m_size = static_cast<size_t>(st.st_size);
    if (m_size > 0) {
        void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED) {
            const int err = errno;
            ::close(fd);
            m_size = 0;
            return fail(err, reasonOf(err));
        }
        ::madvise(data, m_size, MADV_SEQUENTIAL);
        m_data = static_cast<const char*>(data);
    }
    ::close(fd);
    return true;
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
    if (m_data)
        ::munmap(const_cast<char*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
    m_released = 0;
}

} // namespace qv::dxf
