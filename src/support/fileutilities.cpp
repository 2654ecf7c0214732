#include "support/fileutilities.h"

#include "arx/acutprintf.h"
#include "mfc/file.h"
#include "mfc/filedialog.h"
#include "support/kavroguard.h"
#include "win/messagebox.h"
#include "win/shlobj.h"
#include "win/winbase.h"

#include <cstring>
#include <filesystem>

namespace {

const char* const forbiddenInName = "*?\"<>|";

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool hasSeparator(const CString& path) { return path.FindOneOf("/\\") >= 0; }

// The path without one trailing separator (the root "/" stays whole).
CString withoutTrailingSeparator(const CString& path)
{
    if (path.GetLength() > 1 && isSeparator(path[path.GetLength() - 1]))
        return path.Left(path.GetLength() - 1);
    return path;
}

std::filesystem::path nativePath(CString path)
{
    path.Replace('\\', '/');
    return std::filesystem::path(path.GetString());
}

std::filesystem::path resolved(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

int lastSeparator(const CString& path)
{
    return std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
}

// Whether an absolute path names a folder: it ends with a separator, or names what is on
// disk as a folder; a path to nothing names one unless its last name holds a "." (of a file's
// extension). A dot in a folder above it decides nothing.
bool namesFolder(const CString& path)
{
    if (isSeparator(path[path.GetLength() - 1]))
        return true;
    std::error_code error;
    const std::filesystem::file_status found = std::filesystem::status(nativePath(path), error);
    if (std::filesystem::exists(found))
        return std::filesystem::is_directory(found);
    return path.Find('.', lastSeparator(path)) < 0;
}

} // namespace

int CFileUtilities::getPathType(CString& path)
{
    return kavroGuard("CFileUtilities::getPathType", __FILE__, [&]() -> int {
        if (path.IsEmpty())
            return otherPath;
        if (!hasSeparator(path))
            return path.Find('.') >= 0 && checkFilenameSyntax(path, FALSE) ? fileName : otherPath;
        if (!isSeparator(path[0]))
            return otherPath;
        if (!namesFolder(path))
            return filePath;
        checkPathSyntax(path);
        return folderPath;
    }, 0);
}

BOOL CFileUtilities::checkFilenameSyntax(CString& name, BOOL repair)
{
    return kavroGuard("CFileUtilities::checkFilenameSyntax", __FILE__, [&]() -> BOOL {
        if (name.FindOneOf(forbiddenInName) >= 0) {
            if (!repair)
                return FALSE;
            for (const char* c = forbiddenInName; *c; ++c)
                name.Remove(*c);
            return TRUE;
        }
        if (!name.IsEmpty() && isSeparator(name[0])) {
            if (!repair)
                return FALSE;
            name = name.Mid(1);
            return TRUE;
        }
        return TRUE;
    }, 0);
}

CString CFileUtilities::getFileNameFault(const CString& folder, const CString& name)
{
    if (name.IsEmpty())
        return "it is empty";
    if (name.FindOneOf(forbiddenInName) >= 0)
        return "it holds one of * ? \" < > |";
    if (name.Find('/') >= 0)
        return "it holds a folder part";
    if (name.Find('\\') >= 0)
        return "it holds a backslash";
    // C0 controls and DEL, and the C1 controls U+0080 to U+009F, which UTF-8 writes as 0xC2
    // followed by 0x80 to 0x9F (those bytes alone continue other characters).
    const std::string& text = name.str();
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7f || (c == 0xc2 && next >= 0x80 && next <= 0x9f))
            return "it holds a control character";
    }
    if (name == "." || name == "..")
        return "it names a folder";
    const std::filesystem::path file = nativePath(folder) / name.GetString();
    std::error_code error;
    const std::filesystem::file_status found = std::filesystem::symlink_status(file, error);
    if (std::filesystem::is_symlink(found)) {
        if (resolved(file).parent_path() != resolved(file.parent_path()))
            return "it is a link to a file outside its folder";
        if (std::filesystem::is_directory(std::filesystem::status(file, error)))
            return "a folder has that name";
    }
    return std::filesystem::is_directory(found) ? "a folder has that name" : CString();
}

void CFileUtilities::checkPathSyntax(CString& path)
{
    kavroGuard("CFileUtilities::checkPathSyntax", __FILE__, [&] {
        if (path.IsEmpty())
            return;
        std::string rebuilt;
        for (char c : path.str())
            if (!std::strchr(forbiddenInName, c))
                rebuilt += c == '\\' ? '/' : c;
        if (rebuilt.empty() || rebuilt.back() != '/')
            rebuilt += '/';
        path = CString(std::move(rebuilt));
    }, 0);
}

CString CFileUtilities::swapFileExtension(CString path, CString oldExtension, CString newExtension)
{
    return kavroGuard("CFileUtilities::swapFileExtension", __FILE__, [&] {
        path.Trim();
        if (path.GetLength() >= oldExtension.GetLength() && path.Right(oldExtension.GetLength()) == oldExtension)
            return path.Left(path.GetLength() - oldExtension.GetLength()) + newExtension;
        return path + newExtension;
    }, 0);
}

BOOL CFileUtilities::fileExists(CString path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status);
}

COleDateTime CFileUtilities::getFileModifiedTime(CString path)
{
    COleDateTime modified(0.0);
    CFileStatus status;
    if (fileExists(path) && CFile::GetStatus(path, status)) {
        const COleDateTime& m = status.m_mtime;
        modified.SetDateTime(m.GetYear(), m.GetMonth(), m.GetDay(), m.GetHour(), m.GetMinute(), m.GetSecond());
        if (modified.GetStatus() != COleDateTime::valid)
            modified = COleDateTime::GetCurrentTime();
    }
    return modified;
}

BOOL CFileUtilities::isSameFile(CString first, CString second)
{
    const std::filesystem::path a = nativePath(first);
    const std::filesystem::path b = nativePath(second);
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    if (!error)
        return same;
    return resolved(a) == resolved(b);
}

BOOL CFileUtilities::directoryExists(CString path)
{
    return kavroGuard("CFileUtilities::directoryExists", __FILE__, [&]() -> BOOL {
        return GetFileAttributes(withoutTrailingSeparator(path)) != INVALID_FILE_ATTRIBUTES;
    }, 0);
}

BOOL CFileUtilities::ensureDirectoryExists(CString path)
{
    return kavroGuard("CFileUtilities::ensureDirectoryExists", __FILE__, [&]() -> BOOL {
        path = withoutTrailingSeparator(path);
        if (GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES)
            return TRUE;
        const int cut = lastSeparator(path);
        if (cut < 0)
            return FALSE;
        // A parent of "" is the root folder, which always exists.
        if (cut > 0 && !ensureDirectoryExists(path.Left(cut)))
            return FALSE;
        if (!CreateDirectory(path, nullptr)) {
            if (GetLastError() == ERROR_ACCESS_DENIED)
                acutPrintf("Cannot create %s - Access denied\n", path);
            else
                acutPrintf("Cannot create %s\n", path);
            return FALSE;
        }
        return TRUE;
    }, 0);
}

BOOL CFileUtilities::deleteFile(CString path)
{
    return kavroGuard("CFileUtilities::deleteFile", __FILE__, [&]() -> BOOL {
        try {
            CFile::Remove(path);
        } catch (CFileException* e) {
            e->Delete();
            return FALSE;
        }
        return TRUE;
    }, 0);
}

CString CFileUtilities::getDirectoryString(CString path)
{
    path = withoutTrailingSeparator(path);
    return path.Left(lastSeparator(path) + 1);
}

CString CFileUtilities::browseForFile(CString filter)
{
    return browseForFile(CString(), CString(), CString(), filter);
}

CString CFileUtilities::browseForFile(CString title, CString initialFolder, CString fileTitle, CString filter)
{
    if (filter.Right(2) != "||")
        filter += "||";
    // The file title is offered as the name of the file to open.
    CFileDialog dialog(TRUE, nullptr, fileTitle.IsEmpty() ? nullptr : fileTitle.GetString(), OFN_READONLY,
                       filter, nullptr, 0, TRUE);
    if (!title.IsEmpty())
        dialog.m_ofn.lpstrTitle = title;
    if (!initialFolder.IsEmpty())
        dialog.m_ofn.lpstrInitialDir = initialFolder;
    return dialog.DoModal() == IDOK ? dialog.GetPathName() : CString();
}

CString CFileUtilities::browseForFolder(CString title)
{
    return CString(SHBrowseForFolder(title.str()));
}
