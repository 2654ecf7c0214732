// Files, folders, error codes and system error texts over POSIX.
//
// Paths are native: "/" separates folders, and a backslash in a given path is read as a
// separator too (paths reach the module from files written on other systems).
// Failures set the calling thread's last-error code to the Windows code that matches the
// POSIX error, so that callers can tell, for example, "access denied" (5) from others.
#pragma once

#include "win/wintypes.h"

#include <string>

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_DIRECTORY = 267;

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x0100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x0200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;

DWORD GetLastError();
void SetLastError(DWORD code);

// The Windows error code that stands for a POSIX errno value.
DWORD winErrorFromErrno(int err);

// The path with every backslash read as a separator.
std::string nativePath(LPCTSTR path);

DWORD GetFileAttributes(LPCTSTR path);
BOOL CreateDirectory(LPCTSTR path, void* securityAttributes);
BOOL RemoveDirectory(LPCTSTR path);
BOOL CopyFile(LPCTSTR existing, LPCTSTR target, BOOL failIfExists);
BOOL DeleteFile(LPCTSTR path);
BOOL MoveFile(LPCTSTR existing, LPCTSTR target);

// The system's message text for a Windows error code, as the system writes it (ending in
// ".\r\n"). With FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer is an LPTSTR* that receives a
// new buffer to free with LocalFree. Returns the number of characters, 0 when unknown.
DWORD FormatMessage(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                    LPTSTR buffer, DWORD size, void* arguments);
void* LocalFree(void* memory);

// The temporary folder, ending with "/": $TMPDIR, else "/tmp/". Returns its length.
DWORD GetTempPath(DWORD size, LPTSTR buffer);

void Sleep(DWORD milliseconds);
DWORD SleepEx(DWORD milliseconds, BOOL alertable);
