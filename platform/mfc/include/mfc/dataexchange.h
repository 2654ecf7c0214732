// Data exchange and validation between a dialog's members and its controls.
//
// Numbers are shown as "%.15g" (250.0 as "250"). A text is read only when the whole of it,
// blanks around it aside, is a finite number in C notation (qv::readNumber: " 3" reads 3,
// "12a" and "1,5" hold none); otherwise it fails with "Please enter a number." or "Please
// enter an integer.". Range checks (bounds included) fail with "Please enter an integer
// between 0 and 9." or "Please enter a number between 0 and 10000.". A failure shows its
// message (exclamation icon, the application's title), puts the focus on the control with its
// text selected, and stops the exchange there. A dialog's exchange (UpdateData) keeps what it
// reads until every control has passed: a failure stores nothing, so that no member ever holds
// a value its check refused, nor the values read before it.
#pragma once

#include "mfc/cstring.h"

#include <functional>
#include <optional>
#include <vector>

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

    // Stores a value read into its member: at once, or, once the stores are deferred, when
    // they are committed. A number read is also what a range check that follows it checks.
    template <class T>
    void store(T& member, T value)
    {
        if (!m_deferred) {
            member = std::move(value);
            return;
        }
        m_stores.push_back([&member, value = std::move(value)]() mutable { member = std::move(value); });
    }
    void noteNumber(double value) { m_number = value; }
    // The number the last control gave while stores are deferred, which its member does not
    // hold yet; none otherwise.
    std::optional<double> pendingNumber() const { return m_deferred ? m_number : std::nullopt; }
    void deferStores() { m_deferred = true; }
    // Stores what was read, in the order read.
    void commitStores();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

private:
    CWnd* m_lastControl = nullptr;
    bool m_lastIsEdit = false;
    bool m_deferred = false;
    std::optional<double> m_number;
    std::vector<std::function<void()>> m_stores;
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
