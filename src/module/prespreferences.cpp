#include "module/prespreferences.h"

#include "mfc/dataexchange.h"
#include "module/presabout.h"
#include "module/resource.h"

CPresPreferences::CPresPreferences(CWnd* parent) : CDialog(IDD_PREFERENCES, parent)
{
    m_textSize = m_preferences.getTextSize();
    m_scale = m_preferences.getTextScale();
    m_rotation = m_preferences.getTextRotation();
    m_units = m_preferences.getUnits().preference();
    m_precision = m_preferences.getPrecision();
    m_csvOpener = m_preferences.getCsvOpener();
}

BEGIN_MESSAGE_MAP(CPresPreferences, CDialog)
ON_WM_CLOSE()
ON_BN_CLICKED(IDOK, &CPresPreferences::OnBnClickedOk)
ON_COMMAND(ID_HELP_ABOUT, &CPresPreferences::OnHelpAbout)
END_MESSAGE_MAP()

INT_PTR CPresPreferences::DoModal()
{
    loadValues();
    return CDialog::DoModal();
}

void CPresPreferences::loadValues()
{
    m_preferences.loadPreferences();
    m_units = m_preferences.getUnits().preference();
    m_textSize = m_preferences.getTextSize() < 1.0 ? 250.0 : m_preferences.getTextSize();
    m_precision = m_preferences.getPrecision();
    m_scale = m_preferences.getTextScale();
    m_rotation = m_preferences.getTextRotation();
    m_csvOpener = m_preferences.getCsvOpener();
    m_zoomBorder = m_preferences.getZoomBorder();
}

bool CPresPreferences::saveValues()
{
    // Values that failed their check are never written: the message has been shown and
    // the focus is on the field.
    if (!UpdateData(TRUE))
        return false;
    m_preferences.setUnits(CMeasureUnits::fromPreference(m_units));
    if (m_textSize < 1.0)
        m_textSize = 1.0;
    m_preferences.setTextSize(m_textSize);
    m_preferences.setPrecision(m_precision);
    m_preferences.setTextScale(m_scale);
    m_preferences.setTextRotation(m_rotation);
    m_preferences.setCsvOpener(m_csvOpener);
    m_preferences.setZoomBorder(m_zoomBorder);
    // A file that cannot be written has been reported; the dialog still ends.
    m_preferences.savePreferences();
    return true;
}

void CPresPreferences::setValues(int& units, int& precision, double& textSize, double& scale, double& rotation,
                                 CString& csvOpener, double& zoomBorder)
{
    if (textSize <= 0.0)
        textSize = 0.1;
    if (scale <= 0.0)
        scale = 0.1;
    if (rotation < -180.0)
        rotation = -180.0;
    if (rotation > 180.0)
        rotation = 180.0;
    m_units = units;
    m_precision = precision;
    m_textSize = textSize;
    m_scale = scale;
    m_rotation = rotation;
    m_csvOpener = csvOpener;
    m_zoomBorder = zoomBorder;
}

void CPresPreferences::getValues(int& units, int& precision, double& textSize, double& scale, double& rotation,
                                 CString& csvOpener, double& zoomBorder) const
{
    units = m_units;
    precision = m_precision;
    textSize = m_textSize;
    scale = m_scale;
    rotation = m_rotation;
    csvOpener = m_csvOpener;
    zoomBorder = m_zoomBorder;
}

void CPresPreferences::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_TEXT_SIZE, m_textSize);
    DDX_Text(dx, IDC_TEXT_SCALE, m_scale);
    DDX_Text(dx, IDC_TEXT_ROTATION, m_rotation);
    DDX_Radio(dx, IDC_UNITS_METRIC, m_units);
    DDX_Text(dx, IDC_PRECISION, m_precision);
    DDV_MinMaxInt(dx, m_precision, 0, 9);
    DDX_Text(dx, IDC_CSV_OPENER, m_csvOpener);
    DDX_Text(dx, IDC_ZOOM_BORDER, m_zoomBorder);
    DDV_MinMaxDouble(dx, m_zoomBorder, 0.0, 10000.0);
    DDX_Text(dx, IDC_TEXT_SCALE, m_scale);
    DDX_Text(dx, IDC_TEXT_ROTATION, m_rotation);
}

void CPresPreferences::OnOK()
{
    // One message per OK: a failed exchange stops here, before the framework's own.
    if (!saveValues())
        return;
    CDialog::OnOK();
}

void CPresPreferences::OnClose()
{
    if (!saveValues())
        return;
    CDialog::OnClose();
}

void CPresPreferences::OnBnClickedOk() { OnOK(); }

void CPresPreferences::OnHelpAbout()
{
    CPresAbout about;
    about.DoModal();
}
