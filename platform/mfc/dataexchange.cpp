#include "mfc/dataexchange.h"

#include "mfc/afxmessagebox.h"
#include "mfc/wnd.h"
#include "wndinternal.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <charconv>
#include <cmath>
#include <string_view>

namespace {

// A number as the framework shows it: the shortest of up to 15 significant digits.
CString numberText(double value)
{
    CString text;
    text.Format("%.15g", value);
    return text;
}

[[noreturn]] void failWith(CDataExchange* dx, const CString& message)
{
    AfxMessageBox(message, MB_ICONEXCLAMATION);
    dx->Fail();
}

// The number a whole text holds, blanks around it allowed: "45x" or "1,5" hold none. Read the same in every
// locale, so a decimal comma never passes for a point.
template <class Number>
bool wholeNumber(std::string_view text, Number& number)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && !text.empty();
}

CString controlText(CDataExchange* dx, int id)
{
    CString text;
    if (CWnd* control = dx->PrepareEditCtrl(id))
        control->GetWindowText(text);
    return text;
}

void setControlText(CDataExchange* dx, int id, const CString& text)
{
    if (CWnd* control = dx->PrepareEditCtrl(id))
        control->SetWindowText(text);
}

} // namespace

CWnd* CDataExchange::PrepareCtrl(int id)
{
    m_number.reset();
    m_lastControl = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
    m_lastIsEdit = false;
    return m_lastControl;
}

CWnd* CDataExchange::PrepareEditCtrl(int id)
{
    PrepareCtrl(id);
    m_lastIsEdit = true;
    return m_lastControl;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_lastControl) {
        m_lastControl->SetFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(m_lastControl->widget()); edit && m_lastIsEdit)
            edit->selectAll();
    }
    throw Failed{};
}

void CDataExchange::commitStores()
{
    for (const std::function<void()>& store : m_stores)
        store();
    m_stores.clear();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.GetSafeHwnd())
        return;
    if (CWnd* item = dx->PrepareCtrl(id))
        control.SubclassWindow(item->GetSafeHwnd());
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    if (dx->m_bSaveAndValidate)
        dx->store(value, controlText(dx, id));
    else
        setControlText(dx, id, value);
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    if (!dx->m_bSaveAndValidate) {
        setControlText(dx, id, CString::formatText("%d", value));
        return;
    }
    int read = 0;
    if (!qv::readNumber(controlText(dx, id), read))
        failWith(dx, "Please enter an integer.");
    dx->store(value, read);
    dx->noteNumber(read);
}

void DDX_Text(CDataExchange* dx, int id, double& value)
{
    if (!dx->m_bSaveAndValidate) {
        setControlText(dx, id, numberText(value));
        return;
    }
    double read = 0.0;
    if (!qv::readNumber(controlText(dx, id), read))
        failWith(dx, "Please enter a number.");
    dx->store(value, read);
    dx->noteNumber(read);
}

void DDX_Text(CDataExchange* dx, int id, CString& text, double& value)
{
    if (!dx->m_bSaveAndValidate) {
        setControlText(dx, id, text);
        return;
    }
    const CString typed = controlText(dx, id);
    double read = 0.0;
    if (!qv::readNumber(typed, read))
        failWith(dx, "Please enter a number.");
    dx->store(text, typed);
    dx->store(value, read);
    dx->noteNumber(read);
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    CWnd* control = dx->PrepareCtrl(id);
    auto* button = control ? qobject_cast<QAbstractButton*>(control->widget()) : nullptr;
    if (!button)
        return;
    if (dx->m_bSaveAndValidate)
        dx->store(value, button->isChecked() ? 1 : 0);
    else
        button->setChecked(value == 1);
}

void DDX_Radio(CDataExchange* dx, int id, int& value)
{
    CWnd* control = dx->PrepareCtrl(id);
    if (!control)
        return;
    const std::vector<QAbstractButton*> group = qv::mfc::radioGroup(control->widget());
    if (dx->m_bSaveAndValidate) {
        int checked = -1;
        for (size_t i = 0; i < group.size(); ++i)
            if (group[i]->isChecked())
                checked = static_cast<int>(i);
        dx->store(value, checked);
        return;
    }
    const bool inGroup = value >= 0 && static_cast<size_t>(value) < group.size();
    qv::mfc::checkRadio(group, inGroup ? group[static_cast<size_t>(value)] : nullptr);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum)
{
    const double checked = dx->pendingNumber().value_or(value);
    if (dx->m_bSaveAndValidate && (checked < minimum || checked > maximum))
        failWith(dx, CString::formatText("Please enter an integer between %d and %d.", minimum, maximum));
}

void DDV_MinMaxDouble(CDataExchange* dx, const double& value, double minimum, double maximum)
{
    const double checked = dx->pendingNumber().value_or(value);
    if (dx->m_bSaveAndValidate && !(checked >= minimum && checked <= maximum))
        failWith(dx, "Please enter a number between " + numberText(minimum) + " and " + numberText(maximum) + ".");
}

namespace qv {

bool readNumber(const CString& text, int& value)
{
    int read = 0;
    if (!wholeNumber(std::string_view(text), read))
        return false;
    value = read;
    return true;
}

// Infinities and NaN are no numbers a dialog can take.
bool readNumber(const CString& text, double& value)
{
    double read = 0.0;
    if (!wholeNumber(std::string_view(text), read) || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

} // namespace qv
