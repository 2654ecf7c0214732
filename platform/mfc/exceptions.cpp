#include "mfc/exceptions.h"

#include "win/winbase.h"

#include <algorithm>
#include <cstring>

BOOL CException::GetErrorMessage(LPTSTR buffer, UINT maxChars, PUINT helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (!buffer || maxChars == 0)
        return FALSE;
    const std::string text = message();
    const size_t n = std::min<size_t>(text.size(), maxChars - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return TRUE;
}

std::string CMemoryException::message() const { return "Out of memory."; }
std::string CInvalidArgException::message() const { return "Encountered an improper argument."; }
std::string CNotSupportedException::message() const { return "Unsupported operation was attempted."; }

int CFileException::OsErrorToException(LONG osError)
{
    switch (static_cast<DWORD>(osError)) {
    case ERROR_SUCCESS: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return accessDenied;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    default: return genericException;
    }
}

std::string CFileException::message() const
{
    const std::string name = m_strFileName.empty() ? "an unnamed file" : m_strFileName;
    switch (m_cause) {
    case none: return "No error occurred.";
    case fileNotFound: return name + " was not found.";
    case badPath: return name + " contains an incorrect path.";
    case tooManyOpenFiles: return name + " could not be opened because there are too many open files.";
    case accessDenied: return "Access to " + name + " was denied.";
    case invalidFile: return "An incorrect file handle was associated with " + name + ".";
    case removeCurrentDir: return name + " could not be removed because it is the current directory.";
    case directoryFull: return name + " could not be created because the directory is full.";
    case badSeek: return "Seek failed on " + name;
    case hardIO: return "A hardware I/O error was reported while accessing " + name + ".";
    case sharingViolation: return "A sharing violation occurred while accessing " + name + ".";
    case lockViolation: return "A locking violation occurred while accessing " + name + ".";
    case diskFull: return "Disk full while accessing " + name + ".";
    case endOfFile: return "An attempt was made to access " + name + " past its end.";
    default: return "An unexpected error occurred while accessing " + name + ".";
    }
}

void AfxThrowMemoryException() { throw new CMemoryException; }
void AfxThrowInvalidArgException() { throw new CInvalidArgException; }
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }

void AfxThrowFileException(int cause, LONG osError, LPCTSTR fileName)
{
    throw new CFileException(cause, osError, fileName);
}

void AfxThrowOleDispatchException(WORD code, const char* description, UINT helpId)
{
    throw new COleDispatchException(description ? description : "", helpId, code);
}
