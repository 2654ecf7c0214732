// A file mapped into memory for reading, released when the object ends. Its pages are
// guarded while it is mapped: a file cut short meanwhile reads as zeros past its new end,
// and the read can tell that it did.
#pragma once

#include "arx/dxfmappingguard.h"
#include "posix/fileidentity.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv::dxf {

class MappedFile
{
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps path; false with error() set (the system's reason, or "is a folder") when it
    // cannot. An empty file maps to empty bytes. The file stays open while it is mapped.
    bool open(const std::string& path);
    void close();
    std::string_view bytes() const { return {m_data, m_size}; }
    // Gives back the memory of the bytes before offset, which must not be read again (the
    // file stays mapped; the pages leave the process's resident set).
    void release(size_t offset);
    // Whether a page of the file could not be read (past its end, or for an input or output
    // error): the bytes read as zeros from there on.
    bool faulted() const { return m_guard.faulted(); }
    // Why the bytes read may not be what the file holds, empty when nothing says so: the file
    // changed since it was mapped (its size or modification time), or a page faulted.
    std::string damage() const;
    const std::string& error() const { return m_error; }
    // The errno of the failure (EISDIR for a folder).
    int errorNumber() const { return m_errno; }

private:
    bool fail(int err, const std::string& reason);

    const char* m_data = nullptr;
    size_t m_size = 0;
    int m_fd = -1;
    std::optional<FileIdentity> m_identity;   // when it was mapped
    MappingGuard m_guard;
    size_t m_released = 0;
    std::string m_error;
    int m_errno = 0;
};

} // namespace qv::dxf
