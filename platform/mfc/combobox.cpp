#include "mfc/combobox.h"

#include <QComboBox>

namespace {
QComboBox* comboOf(const CWnd* wnd) { return qobject_cast<QComboBox*>(wnd->widget()); }
} // namespace

void CComboBox::ResetContent()
{
    if (QComboBox* combo = comboOf(this))
        combo->clear();
}

int CComboBox::AddString(LPCTSTR text)
{
    QComboBox* combo = comboOf(this);
    if (!combo)
        return CB_ERR;
    combo->addItem(QString::fromUtf8(text ? text : ""));
    return combo->count() - 1;
}

int CComboBox::GetCount() const
{
    const QComboBox* combo = comboOf(this);
    return combo ? combo->count() : CB_ERR;
}

int CComboBox::GetCurSel() const
{
    const QComboBox* combo = comboOf(this);
    return combo ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index)
{
    QComboBox* combo = comboOf(this);
    if (!combo || index < -1 || index >= combo->count())
        return CB_ERR;
    combo->setCurrentIndex(index);
    return index;
}

int CComboBox::GetLBText(int index, CString& text) const
{
    const QComboBox* combo = comboOf(this);
    if (!combo || index < 0 || index >= combo->count())
        return CB_ERR;
    text = combo->itemText(index).toStdString();
    return text.GetLength();
}
