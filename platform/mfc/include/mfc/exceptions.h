// The framework's exceptions: heap objects thrown by pointer. Whoever catches one either
// throws it on or calls Delete.
#pragma once

#include "win/wintypes.h"

#include <string>

class CException
{
public:
    virtual ~CException() = default;
    // Copies the message into buffer (at most maxChars - 1 characters and a null).
    virtual BOOL GetErrorMessage(LPTSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const;
    void Delete() { delete this; }

protected:
    virtual std::string message() const = 0;
};

class CMemoryException : public CException
{
protected:
    std::string message() const override;
};

class CInvalidArgException : public CException
{
protected:
    std::string message() const override;
};

class CNotSupportedException : public CException
{
protected:
    std::string message() const override;
};

class CFileException : public CException
{
public:
    enum Cause {
        none, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied,
        invalidFile, removeCurrentDir, directoryFull, badSeek, hardIO, sharingViolation,
        lockViolation, diskFull, endOfFile
    };

    CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName ? fileName : "") {}

    // The cause that stands for a Windows error code.
    static int OsErrorToException(LONG osError);

    int m_cause;
    LONG m_lOsError;
    std::string m_strFileName;

protected:
    std::string message() const override;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCTSTR fileName = nullptr);

// A failed automation call: its description and the error code the object reported.
class COleDispatchException : public CException
{
public:
    COleDispatchException(std::string description, UINT helpId, WORD code)
        : m_strDescription(std::move(description)), m_dwHelpContext(helpId), m_wCode(code) {}

    std::string m_strDescription;
    UINT m_dwHelpContext;
    WORD m_wCode;

protected:
    std::string message() const override { return m_strDescription; }
};

[[noreturn]] void AfxThrowOleDispatchException(WORD code, const char* description, UINT helpId = 0);
