// Which file a path names and which version of it: the device and inode, the size and the
// time its content last changed, to the nanosecond. Two looks at a path give equal identities
// unless the file was replaced or rewritten in between (a rewrite to the same size within one
// tick of the file system's clock passes unseen).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

struct FileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;

    // The identity of the file path names (links followed); none when it cannot be looked at.
    static std::optional<FileIdentity> of(const std::string& path);
    // The identity of the open file descriptor names, wherever its path now leads.
    static std::optional<FileIdentity> of(int descriptor);
    bool operator==(const FileIdentity&) const = default;
};

} // namespace qv
