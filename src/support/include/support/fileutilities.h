// Checks and repairs path texts, tests for files and folders, makes folder chains, deletes
// files and opens the file and folder choosers.
//
// Paths are native: "/" separates folders, and a backslash in a given path is read as a
// separator. A checked folder path ends with "/". An absolute path begins with "/".
#pragma once

#include "mfc/oledatetime.h"

// What getPathType finds a path text to be.
enum PathType { fileName = 0, folderPath = 1, filePath = 2, otherPath = 3 };

class CFileUtilities
{
public:
    virtual ~CFileUtilities() = default;

    // 0 a bare file name (holding "."), 1 an absolute folder path (repaired in place to end
    // with "/"), 2 an absolute file path, 3 anything else. An absolute path is a folder's when
    // it ends with a separator or names a folder on disk, a file's when it names a file on
    // disk; else a file's only when its last name holds "." (a "." in a folder above decides
    // nothing: "/srv/plans.v2/copies" is a folder's).
    int getPathType(CString& path);
    // TRUE for a name without fault; with repair, the first fault found is mended and TRUE
    // returned, without it FALSE. Faults: one of * ? " < > |, or a leading separator.
    BOOL checkFilenameSyntax(CString& name, BOOL repair);
    // Why name cannot name a file of the folder, or "" when it can. A name is one file name,
    // never a path: it is refused when empty, when it holds one of * ? " < > |, a "/", a
    // backslash or a control character, when it is "." or "..", when a folder has that name,
    // and when a link of that name leads out of the folder.
    CString getFileNameFault(const CString& folder, const CString& name);
    // Drops the characters * ? " < > |, reads backslashes as "/" and ends the path with "/".
    void checkPathSyntax(CString& path);
    CString swapFileExtension(CString path, CString oldExtension, CString newExtension);
    BOOL fileExists(CString path);
    COleDateTime getFileModifiedTime(CString path);
    BOOL directoryExists(CString path);
    // TRUE when both paths name one file: the same file on disk, or, for a file not there yet, the same path once
    // ".", ".." and links are resolved.
    BOOL isSameFile(CString first, CString second);
    // Makes the folder and its missing parents, outermost first.
    BOOL ensureDirectoryExists(CString path);
    BOOL deleteFile(CString path);
    // The folder part of a path, ending with its separator ("" when there is none).
    CString getDirectoryString(CString path);
    CString browseForFile(CString filter);
    CString browseForFile(CString title, CString initialFolder, CString fileTitle, CString filter);
    CString browseForFolder(CString title);
};
