// The preferences dialog "Quorvane - Preferences": edits the preferences kept in prefs.cfg
// (units, area precision, default text size, scale and rotation, zoom border, the program
// that opens CSV files). Opening it reads prefs.cfg; OK and the close box write it back,
// Esc leaves it. Values that fail their check (precision 0 to 9, zoom border 0 to 10000, a
// number in every number field) are reported and never written: the dialog stays open
// with the focus on the field.
#pragma once

#include "mfc/dialog.h"
#include "module/preferences.h"

class CPresPreferences : public CDialog
{
public:
    explicit CPresPreferences(CWnd* parent = nullptr);

    // Reads prefs.cfg, then runs the dialog.
    INT_PTR DoModal() override;
    void loadValues();
    // Takes the controls' values and writes prefs.cfg; false, writing nothing, when a value
    // failed its check.
    bool saveValues();
    // Stores the values, keeping text size and scale positive and the rotation within
    // -180 to 180; the corrected numbers go back to the caller's variables.
    void setValues(int& units, int& precision, double& textSize, double& scale, double& rotation, CString& csvOpener,
                   double& zoomBorder);
    void getValues(int& units, int& precision, double& textSize, double& scale, double& rotation, CString& csvOpener,
                   double& zoomBorder) const;
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnBnClickedOk();
    void OnHelpAbout();

    DECLARE_MESSAGE_MAP()

private:
    double m_textSize = 0.0;
    int m_units = 0;
    int m_precision = 0;
    CString m_csvOpener;
    CPreferences m_preferences;
    double m_zoomBorder = 0.0;
    double m_scale = 0.0;
    double m_rotation = 0.0;
};
