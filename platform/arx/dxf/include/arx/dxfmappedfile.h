// A file mapped into memory for reading, released when the object ends.
#pragma once

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
    // cannot. An empty file maps to empty bytes.
    bool open(const std::string& path);
    void close();
    std::string_view bytes() const { return {m_data, m_size}; }
    // Gives back the memory of the bytes before offset, which must not be read again (the
    // file stays mapped; the pages leave the process's resident set).
    void release(size_t offset);
    const std::string& error() const { return m_error; }
    // The errno of the failure (EISDIR for a folder).
    int errorNumber() const { return m_errno; }

private:
    bool fail(int err, const std::string& reason);

    const char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_released = 0;
    std::string m_error;
    int m_errno = 0;
};

} // namespace qv::dxf
