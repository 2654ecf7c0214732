// The framework's files. Failures of the constructors and of the static operations throw
// CFileException; Open reports them through its optional exception object instead.
// Text files read lines ending in "\n" or "\r\n" and write text unchanged.
#pragma once

#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "mfc/oledatetime.h"

#include <cstdio>

struct CFileStatus
{
    COleDateTime m_ctime;
    COleDateTime m_mtime;
    COleDateTime m_atime;
    LONGLONG m_size = 0;
    BYTE m_attribute = 0;
    char m_szFullName[4096] = {};
};

class CFile
{
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    CFile(LPCTSTR fileName, UINT openFlags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual void Close();
    bool isOpen() const { return m_file != nullptr; }

    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);
    LONGLONG Seek(LONGLONG offset, UINT from);
    LONGLONG SeekToEnd() { return Seek(0, end); }
    void SeekToBegin() { Seek(0, begin); }
    LONGLONG GetLength() const;
    void Flush();
    CString GetFilePath() const { return m_path; }

    static BOOL GetStatus(LPCTSTR fileName, CFileStatus& status);
    static void Remove(LPCTSTR fileName);
    static void Rename(LPCTSTR oldName, LPCTSTR newName);

protected:
    [[noreturn]] void throwLastError() const;

    std::FILE* m_file = nullptr;
    CString m_path;
};

// Reads the next line without its "\n" or "\r\n"; false at the end of the file.
bool readTextLine(std::FILE* file, std::string& line);

class CStdioFile : public CFile
{
public:
    CStdioFile() = default;
    CStdioFile(LPCTSTR fileName, UINT openFlags) : CFile(fileName, openFlags) {}

    // Reads the next line without its line end; FALSE at the end of the file.
    BOOL ReadString(CString& line);
    void WriteString(LPCTSTR text);
};
