#include "mfc/file.h"

#include "win/winbase.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void fillException(CFileException* error, LPCTSTR fileName)
{
    if (!error)
        return;
    const LONG os = static_cast<LONG>(GetLastError());
    error->m_lOsError = os;
    error->m_cause = CFileException::OsErrorToException(os);
    error->m_strFileName = fileName ? fileName : "";
}

} // namespace

CFile::CFile(LPCTSTR fileName, UINT openFlags)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, fileName);
}

CFile::~CFile()
{
    if (m_file)
        std::fclose(m_file);
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error)
{
    Close();
    const std::string path = nativePath(fileName);
    int flags = O_CLOEXEC;
    const char* mode = "rb";
    switch (openFlags & 3) {
    case modeWrite: flags |= O_WRONLY; mode = "wb"; break;
    case modeReadWrite: flags |= O_RDWR; mode = "r+b"; break;
    default: flags |= O_RDONLY; break;
    }
    if (openFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(openFlags & modeNoTruncate))
            flags |= O_TRUNC;
    }
    const int fd = path.empty() ? -1 : ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        SetLastError(winErrorFromErrno(path.empty() ? ENOENT : errno));
        fillException(error, fileName);
        return FALSE;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        fillException(error, fileName);
        return FALSE;
    }
    m_file = ::fdopen(fd, mode);
    if (!m_file) {
        SetLastError(winErrorFromErrno(errno));
        ::close(fd);
        fillException(error, fileName);
        return FALSE;
    }
    m_path = fileName;
    return TRUE;
}

void CFile::Close()
{
    if (!m_file)
        return;
    const int result = std::fclose(m_file);
    const int err = errno;
    m_file = nullptr;
    if (result != 0) {
        SetLastError(winErrorFromErrno(err));
        throwLastError();
    }
}

void CFile::throwLastError() const
{
    const LONG os = static_cast<LONG>(GetLastError());
    AfxThrowFileException(CFileException::OsErrorToException(os), os, m_path);
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (!m_file)
        AfxThrowFileException(CFileException::invalidFile, -1, m_path);
    const size_t n = std::fread(buffer, 1, count, m_file);
    if (n < count && std::ferror(m_file)) {
        SetLastError(winErrorFromErrno(errno));
        throwLastError();
    }
    return static_cast<UINT>(n);
}

void CFile::Write(const void* buffer, UINT count)
{
    if (!m_file)
        AfxThrowFileException(CFileException::invalidFile, -1, m_path);
    if (std::fwrite(buffer, 1, count, m_file) != count) {
        SetLastError(winErrorFromErrno(errno));
        throwLastError();
    }
}

LONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    if (!m_file)
        AfxThrowFileException(CFileException::invalidFile, -1, m_path);
    const int whence = from == end ? SEEK_END : (from == current ? SEEK_CUR : SEEK_SET);
    if (::fseeko(m_file, offset, whence) != 0)
        AfxThrowFileException(CFileException::badSeek, static_cast<LONG>(winErrorFromErrno(errno)), m_path);
    return ::ftello(m_file);
}

LONGLONG CFile::GetLength() const
{
    struct stat st {};
    if (!m_file || ::fstat(::fileno(m_file), &st) != 0)
        return 0;
    return st.st_size;
}

void CFile::Flush()
{
    if (m_file && std::fflush(m_file) != 0) {
        SetLastError(winErrorFromErrno(errno));
        throwLastError();
    }
}

BOOL CFile::GetStatus(LPCTSTR fileName, CFileStatus& status)
{
    const std::string path = nativePath(fileName);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return FALSE;
    status.m_mtime = COleDateTime(st.st_mtime);
    status.m_atime = COleDateTime(st.st_atime);
    status.m_ctime = COleDateTime(st.st_ctime);
    status.m_size = st.st_size;
    status.m_attribute = static_cast<BYTE>(GetFileAttributes(fileName));
    char* full = ::realpath(path.c_str(), nullptr);
    std::strncpy(status.m_szFullName, full ? full : path.c_str(), sizeof status.m_szFullName - 1);
    std::free(full);
    return TRUE;
}

void CFile::Remove(LPCTSTR fileName)
{
    if (!DeleteFile(fileName)) {
        const LONG os = static_cast<LONG>(GetLastError());
        AfxThrowFileException(CFileException::OsErrorToException(os), os, fileName);
    }
}

void CFile::Rename(LPCTSTR oldName, LPCTSTR newName)
{
    if (!MoveFile(oldName, newName)) {
        const LONG os = static_cast<LONG>(GetLastError());
        AfxThrowFileException(CFileException::OsErrorToException(os), os, oldName);
    }
}

bool readTextLine(std::FILE* file, std::string& line)
{
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

BOOL CStdioFile::ReadString(CString& line)
{
    if (!m_file)
        AfxThrowFileException(CFileException::invalidFile, -1, m_path);
    std::string text;
    const bool any = readTextLine(m_file, text);
    if (std::ferror(m_file)) {
        SetLastError(winErrorFromErrno(errno));
        throwLastError();
    }
    line = CString(std::move(text));
    return any ? TRUE : FALSE;
}

void CStdioFile::WriteString(LPCTSTR text)
{
    if (text)
        Write(text, static_cast<UINT>(std::strlen(text)));
}
