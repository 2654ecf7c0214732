// Data exchange and validation between a dialog's members and its controls.
//
// Numbers are shown as "%.15g" (250.0 as "250"). A text is read only when the whole of it,
// blanks around it aside, is a finite number in C notation (qv::readNumber: " 3" reads 3,
// "12a" and "1,5" hold none); otherwise it fails with "Please enter a number." or "Please
// enter an integer.". Range checks (bounds included) fail with "Please enter an integer
// between 0 and 9." or "Please enter a number between 0 and 10000.". A failure shows its
// message (exclamation icon, the application's title), puts the focus on the control with its
// text selected, and stops the exchange there: the members before it, and a value that failed
// its range check, are already stored.
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
// A number kept as the text it is shown with (its own decimals, say): shown, the text is;
// read, the text and its value are stored, the value as the double above is read.
void DDX_Text(CDataExchange* dx, int id, CString& text, double& value);
// A check box: 0 or 1.
void DDX_Check(CDataExchange* dx, int id, int& value);
// A radio group starting at id: the index of its checked button, -1 for none; writing a
// value outside the group unchecks every button.
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum);
void DDV_MinMaxDouble(CDataExchange* dx, const double& value, double minimum, double maximum);

namespace qv {
// The number a whole text holds, blanks around it aside, read the same in every locale: the
// one reading of the dialogs' number fields. False, leaving value as it was, for a text that
// holds none, or holds an integer out of range, an infinite number or NaN.
bool readNumber(const CString& text, int& value);
bool readNumber(const CString& text, double& value);
} // namespace qv
