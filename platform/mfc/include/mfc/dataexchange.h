// Data exchange and validation between a dialog's members and its controls.
//
// Numbers are shown as "%.15g" (250.0 as "250"). Reading takes the leading number of the
// text, as the platform's scanf-based reading does ("12a.5.3" reads 12, " 3" reads 3); a
// text without one (or an infinite one, or NaN) fails with "Please enter a number." or "Please enter an integer.". Range
// checks (bounds included) fail with "Please enter an integer between 0 and 9." or "Please
// enter a number between 0 and 10000.". A failure shows its message (exclamation icon, the
// application's title), puts the focus on the control with its text selected, and stops the
// exchange there: the members before it, and a value that failed its range check, are
// already stored.
#pragma once

#include "mfc/cstring.h"

class CWnd;

class CDataExchange
{
public:
    // What a failed exchange throws to UpdateData.
    struct Failed
    {
    };

    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control of id, remembered as the one a failure puts the focus on; null when the
    // dialog has none.
    CWnd* PrepareCtrl(int id);
    CWnd* PrepareEditCtrl(int id);
    // Puts the focus on the last prepared control (its text selected) and ends the exchange.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

private:
    CWnd* m_lastControl = nullptr;
    bool m_lastIsEdit = false;
};

// Attaches control to the dialog's control of id.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
// A check box: 0 or 1.
void DDX_Check(CDataExchange* dx, int id, int& value);
// A radio group starting at id: the index of its checked button, -1 for none; writing a
// value outside the group unchecks every button.
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum);
void DDV_MinMaxDouble(CDataExchange* dx, const double& value, double minimum, double maximum);
