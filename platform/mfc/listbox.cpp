#include "mfc/listbox.h"

#include "wndinternal.h"

#include <QListWidget>

namespace {
QListWidget* listOf(const CWnd* wnd) { return qobject_cast<QListWidget*>(wnd->widget()); }
} // namespace

bool CListBox::sortsBefore(const CString& a, const CString& b)
{
    const QString left = QString::fromStdString(a.str()), right = QString::fromStdString(b.str());
    const int folded = left.compare(right, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : left < right;
}

void CListBox::ResetContent()
{
    if (QListWidget* list = listOf(this))
        list->clear();
}

int CListBox::AddString(LPCTSTR text)
{
    QListWidget* list = listOf(this);
    if (!list)
        return LB_ERR;
    const CString line = text ? text : "";
    int at = list->count();
    if (qv::mfc::controlStyle(list) & LBS_SORT) {
        // The first line that sorts after the new one (binary search over the sorted lines).
        int low = 0, high = list->count();
        while (low < high) {
            const int middle = (low + high) / 2;
            if (sortsBefore(line, CString(list->item(middle)->text().toStdString())))
                high = middle;
            else
                low = middle + 1;
        }
        at = low;
    }
    list->insertItem(at, QString::fromStdString(line.str()));
    return at;
}

int CListBox::DeleteString(UINT index)
{
    QListWidget* list = listOf(this);
    if (!list || static_cast<int>(index) >= list->count())
        return LB_ERR;
    delete list->takeItem(static_cast<int>(index));
    return list->count();
}

int CListBox::GetCount() const
{
    const QListWidget* list = listOf(this);
    return list ? list->count() : LB_ERR;
}

int CListBox::GetCurSel() const
{
    const QListWidget* list = listOf(this);
    if (!list)
        return LB_ERR;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? LB_ERR : list->row(selected.front());
}

int CListBox::SetCurSel(int index)
{
    QListWidget* list = listOf(this);
    if (!list)
        return LB_ERR;
    if (index < 0 || index >= list->count()) {
        list->clearSelection();
        return index == -1 ? 0 : LB_ERR;
    }
    list->setCurrentRow(index);
    return index;
}

int CListBox::GetText(int index, CString& text) const
{
    const QListWidget* list = listOf(this);
    if (!list || index < 0 || index >= list->count())
        return LB_ERR;
    text = list->item(index)->text().toStdString();
    return text.GetLength();
}

int CListBox::GetTextLen(int index) const
{
    CString text;
    return GetText(index, text);
}
