// Replacing a file whole or not at all. The new content goes to a temporary file in the
// target's folder, created exclusively (never through a planted link) with the mode the
// target will have, synced, and renamed over the target; the folder is synced after the
// rename. A file this process may not write is not replaced (the rename would step around
// its protection). A save that fails or is abandoned leaves the old file as it was, and the
// temporaries whose process has died are removed by the first save of the process in their
// folder (sweepStaleTemporaries); a process that ends without unwinding its saves removes
// its own (removeTemporaries).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

class AtomicFile
{
public:
    AtomicFile() = default;
    // Discards the temporary file unless committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Whether a symbolic link at the path is followed to the file it names (a dangling link's
    // target is then created) or refused.
    enum class Links { kFollow, kRefuse };

    // Starts replacing path. A target that exists but is not a regular file (a folder, FIFO,
    // device or socket) is refused, as is a missing folder. The new file gets mode when it
    // is given, else the old file's mode, else the default for new files.
    bool open(const std::string& path, int mode = -1, Links links = Links::kFollow);
    // Starts replacing path as open does, the new file taking the permission bits of the file
    // model names and its group, where this user may give it that group (a member of it may);
    // as open(path) does when model cannot be looked at.
    bool openLike(const std::string& path, const std::string& model);
    bool write(const void* data, size_t size);
    bool write(std::string_view text) { return write(text.data(), text.size()); }
    // Syncs the content and moves it into place; without replace, an existing target (a
    // link too) is kept and the commit fails with EEXIST.
    bool commit(bool replace = true);

    // The file that is replaced (links resolved).
    const std::string& target() const { return m_target; }
    // Why the last step failed: the path and the system's reason.
    const std::string& error() const { return m_error; }
    // The errno of the last failure (0 when none).
    int errorNumber() const { return m_errno; }

private:
    bool fail(const std::string& what, int err);
    void discard();

    std::string m_target;
    std::string m_temp;
    std::string m_error;
    int m_fd = -1;
    int m_errno = 0;
    int m_slot = -1;   // where removeTemporaries finds m_temp
};

// Whether the file at path exists and this process may not write it: its mode forbids (the
// superuser may write any), or its file system is read-only. errno says why when it is.
bool isReadOnly(const std::string& path);

// Removes the temporary files of the saves under way in this process, for a process that
// ends without unwinding them; async-signal-safe.
void removeTemporaries();

// Replaces path with bytes as AtomicFile does; false with error set on failure.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

} // namespace qv
