#include "acedhistory.h"

#include "arx/dxftext.h"
#include "posix/atomicfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <utility>

namespace qv {

namespace {

bool fitToKeep(const std::string& line)
{
    return !line.empty() && line.size() <= CommandHistory::kMaxLineBytes && dxf::isValidUtf8(line) &&
           std::none_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

} // namespace

std::vector<std::string> CommandHistory::load()
{
    if (m_path.empty())
        return {};
    std::ifstream file(m_path, std::ios::binary | std::ios::ate);
    if (!file) {
        if (errno != ENOENT)
            warn("cannot read '" + m_path + "'", errno);
        return {};
    }
    const std::streamoff size = file.tellg();
    const std::streamoff start = std::max<std::streamoff>(0, size - static_cast<std::streamoff>(kMaxBytes));
    file.seekg(start);
    std::string line;
    if (start > 0)
        std::getline(file, line); // the rest of a line cut by the bound
    std::deque<std::string> kept;
    bool dropped = start > 0;
    while (std::getline(file, line)) {
        if (!fitToKeep(line)) {
            dropped = true;
            continue;
        }
        kept.push_back(line);
        if (kept.size() > kMaxLines) {
            kept.pop_front();
            dropped = true;
        }
    }
    std::vector<std::string> lines(kept.begin(), kept.end());
    if (dropped) {
        std::string text;
        for (const std::string& l : lines)
            text.append(l).append("\n");
        std::string error;
        if (!writeFileAtomically(m_path, text, error))
            warn(error, 0);
    }
    return lines;
}

void CommandHistory::add(const std::string& line)
{
    if (m_path.empty() || !fitToKeep(line) || !makeFolder())
        return;
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    const std::string text = line + "\n";
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        warn("cannot write '" + m_path + "'", errno);
    if (fd >= 0)
        ::close(fd);
}

bool CommandHistory::makeFolder()
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), error);
    if (error)
        warn("cannot make the folder of '" + m_path + "'", error.value());
    return !error;
}

void CommandHistory::warn(const std::string& what, int error)
{
    if (std::exchange(m_warned, true))
        return;
    std::fflush(stdout);
    std::fprintf(stderr, "%s: the command history is not kept: %s%s%s\n", program_invocation_short_name,
                 what.c_str(), error ? ": " : "", error ? std::strerror(error) : "");
    std::fflush(stderr);
}

} // namespace qv
