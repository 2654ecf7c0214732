#include "win/winbase.h"

#include "posix/atomicfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

BOOL failWith(int err)
{
    lastError = winErrorFromErrno(err);
    return FALSE;
}

struct SystemMessage
{
    DWORD code;
    const char* text;
};

// The system's own texts for the codes that file and folder operations report.
constexpr SystemMessage systemMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_DISK_FULL, "The disk is full."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
};

const char* systemMessage(DWORD code)
{
    for (const auto& m : systemMessages)
        if (m.code == code)
            return m.text;
    return nullptr;
}

} // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD code) { lastError = code; }

DWORD winErrorFromErrno(int err)
{
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_INVALID_FUNCTION;
    }
}

std::string nativePath(LPCTSTR path)
{
    std::string p = path ? path : "";
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

DWORD GetFileAttributes(LPCTSTR path)
{
    struct stat st {};
    const std::string p = nativePath(path);
    if (p.empty() || ::stat(p.c_str(), &st) != 0) {
        failWith(p.empty() ? ENOENT : errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(st.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return ::access(p.c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

BOOL CreateDirectory(LPCTSTR path, void*)
{
    const std::string p = nativePath(path);
    if (::mkdir(p.c_str(), 0777) != 0) {
        failWith(errno);
        if (errno == ENOENT)
            lastError = ERROR_PATH_NOT_FOUND; // a parent folder is missing
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectory(LPCTSTR path)
{
    if (::rmdir(nativePath(path).c_str()) != 0)
        return failWith(errno);
    return TRUE;
}

BOOL CopyFile(LPCTSTR existing, LPCTSTR target, BOOL failIfExists)
{
    const int in = ::open(nativePath(existing).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return failWith(errno);
    struct stat st {};
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EACCES : errno;
        ::close(in);
        return failWith(err);
    }
    // The copy is made whole beside the target before it takes the target's place.
    qv::AtomicFile out;
    bool ok = out.open(nativePath(target), static_cast<int>(st.st_mode & 07777));
    char buffer[1 << 16];
    int readError = 0;
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            readError = n < 0 ? errno : 0;
            break;
        }
        ok = out.write(buffer, static_cast<size_t>(n));
    }
    ::close(in);
    if (readError)
        return failWith(readError);
    if (!ok || !out.commit(!failIfExists)) {
        if (out.errorNumber() == EEXIST && failIfExists) {
            lastError = ERROR_FILE_EXISTS;
            return FALSE;
        }
        failWith(out.errorNumber());
        if (out.errorNumber() == ENOENT)
            lastError = ERROR_PATH_NOT_FOUND; // the target's folder is missing
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFile(LPCTSTR path)
{
    const std::string p = nativePath(path);
    struct stat st {};
    if (::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return failWith(EACCES);
    if (::unlink(p.c_str()) != 0)
        return failWith(errno);
    return TRUE;
}

BOOL MoveFile(LPCTSTR existing, LPCTSTR target)
{
    if (::rename(nativePath(existing).c_str(), nativePath(target).c_str()) != 0)
        return failWith(errno);
    return TRUE;
}

DWORD FormatMessage(DWORD flags, const void*, DWORD messageId, DWORD, LPTSTR buffer, DWORD size,
                    void*)
{
    const char* text = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? systemMessage(messageId) : nullptr;
    if (!text) {
        lastError = 317; // ERROR_MR_MID_NOT_FOUND: no message for this code
        return 0;
    }
    const std::string message = std::string(text) + "\r\n";
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* out = static_cast<char*>(std::malloc(message.size() + 1));
        if (!out)
            return 0;
        std::memcpy(out, message.c_str(), message.size() + 1);
        *reinterpret_cast<LPTSTR*>(buffer) = out;
        return static_cast<DWORD>(message.size());
    }
    if (!buffer || size <= message.size()) {
        lastError = 122; // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    std::memcpy(buffer, message.c_str(), message.size() + 1);
    return static_cast<DWORD>(message.size());
}

void* LocalFree(void* memory)
{
    std::free(memory);
    return nullptr;
}

DWORD GetTempPath(DWORD size, LPTSTR buffer)
{
    const char* env = std::getenv("TMPDIR");
    std::string dir = env && *env ? env : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    if (buffer && size > dir.size())
        std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

void Sleep(DWORD milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD SleepEx(DWORD milliseconds, BOOL)
{
    Sleep(milliseconds);
    return 0;
}
