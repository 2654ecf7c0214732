#include "mfc/filedialog.h"

#include "posix/endingwatch.h"
#include "win/headless.h"
#include "win/messagebox.h"

#include <QFileDialog>
#include <QStringList>
#include <cstring>

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt, LPCTSTR fileName, DWORD flags,
                         LPCTSTR filter, void*, DWORD, BOOL)
    : m_open(openFileDialog), m_defaultExt(defaultExt), m_fileName(fileName), m_filter(filter)
{
    m_ofn.Flags = flags;
}

QString CFileDialog::qtFilter(const CString& filter)
{
    const QStringList parts = QString::fromStdString(filter.str()).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
    }
    return filters.join(";;");
}

CString CFileDialog::GetFileName() const
{
    const int slash = m_path.ReverseFind('/');
    return slash < 0 ? m_path : m_path.Mid(slash + 1);
}

int CFileDialog::DoModal()
{
    const CString title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : (m_open ? "Open" : "Save As");
    QString chosen;
    if (qv::guiAvailable()) {
        const qv::EndingWatch::UserWait userWait;
        const QString dir = QString::fromStdString(m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "");
        const QString start = m_fileName.IsEmpty() ? dir : QString::fromStdString(m_fileName.str());
        chosen = m_open ? QFileDialog::getOpenFileName(nullptr, QString::fromStdString(title.str()),
                                                       start, qtFilter(m_filter))
                        : QFileDialog::getSaveFileName(nullptr, QString::fromStdString(title.str()),
                                                       start, qtFilter(m_filter));
    } else if (auto answer = qv::promptForPath(title.str())) {
        chosen = QString::fromStdString(*answer);
    }
    if (chosen.isEmpty())
        return IDCANCEL;
    m_path = chosen.toStdString();
    if (!m_defaultExt.IsEmpty() && GetFileName().Find('.') < 0)
        m_path += "." + m_defaultExt;
    if (m_ofn.lpstrFileTitle && m_ofn.nMaxFileTitle > 0) {
        const CString name = GetFileName();
        std::strncpy(m_ofn.lpstrFileTitle, name, m_ofn.nMaxFileTitle - 1);
        m_ofn.lpstrFileTitle[m_ofn.nMaxFileTitle - 1] = '\0';
    }
    return IDOK;
}
