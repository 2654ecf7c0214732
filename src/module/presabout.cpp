#include "module/presabout.h"

#include "mfc/dataexchange.h"
#include "module/quorvane.h"
#include "module/resource.h"

CPresAbout::CPresAbout(CWnd* parent)
    : CDialog(IDD_ABOUT, parent), m_compileDate("May 31 2018"), m_moduleVersion(getModuleVersion()),
      m_cadVersion("AutoCAD 2019 64bit")
{
}

void CPresAbout::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_ABOUT_COMPILE_DATE, m_compileDate);
    DDX_Text(dx, IDC_ABOUT_MODULE_VERSION, m_moduleVersion);
    DDX_Text(dx, IDC_ABOUT_CAD_VERSION, m_cadVersion);
}
