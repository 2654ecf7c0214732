// The temporary files that one owner made: deleted together, and at the latest when the
// list is destroyed.
#pragma once

#include "mfc/carray.h"
#include "mfc/cstring.h"

class CTempFiles
{
public:
    CTempFiles() = default;
    ~CTempFiles();
    CTempFiles(const CTempFiles&) = delete;
    CTempFiles& operator=(const CTempFiles&) = delete;

    void add(CString path);
    // Deletes every listed file (a missing one is skipped), then empties the list.
    void deleteTempFiles();
    int getCount() const { return m_count; }

private:
    CArray<CString> m_paths;
    int m_count = 0;
};
