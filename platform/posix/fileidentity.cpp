#include "posix/fileidentity.h"

#include <sys/stat.h>

namespace qv {

namespace {

FileIdentity identityOf(const struct stat& st)
{
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
                        static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

} // namespace

std::optional<FileIdentity> FileIdentity::of(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return identityOf(st);
}

std::optional<FileIdentity> FileIdentity::of(int descriptor)
{
    struct stat st {};
    if (::fstat(descriptor, &st) != 0)
        return std::nullopt;
    return identityOf(st);
}

} // namespace qv
