#include "support/tempfiles.h"

#include "support/fileutilities.h"
#include "support/kavroguard.h"

CTempFiles::~CTempFiles()
{
    try {
        deleteTempFiles();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

void CTempFiles::add(CString path)
{
    kavroGuard("CTempFiles::add", __FILE__, [&] {
        m_paths.Add(path);
        m_count = m_paths.GetSize();
    });
}

void CTempFiles::deleteTempFiles()
{
    kavroGuard("CTempFiles::deleteTempFiles", __FILE__, [&] {
        CFileUtilities files;
        for (int i = 0; i < m_count; ++i)
            files.deleteFile(m_paths.GetAt(i));
        m_paths.RemoveAll();
        m_count = 0;
    });
}
