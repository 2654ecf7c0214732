// The framework's file dialog: a Qt file dialog when there is a display, else the host's
// command-line prompt for a path. The filter is the framework's "text|patterns|...||" form.
#pragma once

#include "mfc/cstring.h"

class QString;

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

struct OPENFILENAME
{
    DWORD Flags = 0;
    LPCTSTR lpstrTitle = nullptr;
    LPCTSTR lpstrInitialDir = nullptr;
    LPTSTR lpstrFileTitle = nullptr;
    DWORD nMaxFileTitle = 0;
};

class CFileDialog
{
public:
    CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = 0, LPCTSTR filter = nullptr, void* parent = nullptr, DWORD size = 0,
                BOOL vistaStyle = TRUE);
    virtual ~CFileDialog() = default;

    // IDOK when a file was chosen, else IDCANCEL.
    virtual int DoModal();
    CString GetPathName() const { return m_path; }
    CString GetFileName() const;

    // The filter in Qt's form: "text (patterns);;...".
    static QString qtFilter(const CString& filter);

    OPENFILENAME m_ofn;

private:
    BOOL m_open;
    CString m_defaultExt;
    CString m_fileName;
    CString m_filter;
    CString m_path;
};
