// The lines typed at "Command:", kept between sessions in a file of one line each, oldest
// first. The file is bounded: reading takes at most its last kMaxBytes and keeps the last
// kMaxLines lines that are fit to keep (valid UTF-8, no control characters, at most
// kMaxLineBytes long); a file that held more is written back with those alone. A file that
// cannot be read is taken as empty, and one that cannot be written is said once on
// standard error: the history never stops the host.
#pragma once

#include <string>
#include <vector>

namespace qv {

class CommandHistory
{
public:
    static constexpr size_t kMaxLines = 500;
    static constexpr size_t kMaxLineBytes = 1024;
    static constexpr size_t kMaxBytes = 256 * 1024;

    // An empty path keeps nothing.
    explicit CommandHistory(std::string path) : m_path(std::move(path)) {}

    // The lines kept, oldest first.
    std::vector<std::string> load();
    // Adds a line at the end of the file.
    void add(const std::string& line);

private:
    bool makeFolder();
    void warn(const std::string& what, int error);

    std::string m_path;
    bool m_warned = false;
};

} // namespace qv
