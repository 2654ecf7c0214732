#include "reports/reportoutputs.h"

#include "support/excustom.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "win/winbase.h"

#include <unistd.h>

CReportOutputs::~CReportOutputs()
{
    CFileUtilities files;
    for (int i = 0; i < m_staged.GetSize(); ++i)
        if (files.fileExists(m_staged.GetAt(i)))
            files.deleteFile(m_staged.GetAt(i));
}

CString CReportOutputs::stage(const CString& path)
{
    const CString folder = CFileUtilities().getDirectoryString(path);
    CString prefix;
    prefix.Format(".~qv%ld-", static_cast<long>(getpid()));
    const CString staged = folder + prefix + path.Mid(folder.GetLength());
    m_staged.Add(staged);
    m_targets.Add(path);
    return staged;
}

void CReportOutputs::commit()
{
    kavroGuard("CReportOutputs::commit", __FILE__, [&] {
        CFileUtilities files;
        for (int i = 0; i < m_staged.GetSize(); ++i) {
            if (!files.fileExists(m_staged.GetAt(i)))
                continue;
            if (!MoveFile(m_staged.GetAt(i), m_targets.GetAt(i)))
                throw new CEXCustom("unable to move " + m_staged.GetAt(i) + " into place as " + m_targets.GetAt(i),
                                    KAVRO_PRODUCT_CAPTION, __FILE__, "CReportOutputs::commit", 0, nullptr);
        }
    });
}
