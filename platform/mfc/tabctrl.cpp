#include "mfc/tabctrl.h"

#include <QTabBar>
#include <QVariant>

namespace {
QTabBar* barOf(const CWnd* wnd) { return qobject_cast<QTabBar*>(wnd->widget()); }
} // namespace

int CTabCtrl::InsertItem(int index, LPCTSTR text)
{
    QTabBar* bar = barOf(this);
    if (!bar)
        return -1;
    bar->setProperty("qvSilent", true);
    const int at = bar->insertTab(index, QString::fromUtf8(text ? text : ""));
    bar->setProperty("qvSilent", false);
    return at;
}

int CTabCtrl::GetItemCount() const
{
    const QTabBar* bar = barOf(this);
    return bar ? bar->count() : 0;
}

BOOL CTabCtrl::GetItemRect(int index, LPRECT rect) const
{
    const QTabBar* bar = barOf(this);
    if (!bar || index < 0 || index >= bar->count())
        return FALSE;
    const QRect tab = bar->tabRect(index);
    *rect = RECT{tab.left(), tab.top(), tab.right() + 1, tab.bottom() + 1};
    return TRUE;
}

int CTabCtrl::GetCurSel() const
{
    const QTabBar* bar = barOf(this);
    return bar ? bar->currentIndex() : -1;
}

int CTabCtrl::SetCurSel(int index)
{
    QTabBar* bar = barOf(this);
    if (!bar || index < 0 || index >= bar->count())
        return -1;
    const int previous = bar->currentIndex();
    bar->setProperty("qvSilent", true);
    bar->setCurrentIndex(index);
    bar->setProperty("qvSilent", false);
    return previous;
}

LRESULT CTabCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CWnd::DefWindowProc(message, wParam, lParam);
    QTabBar* bar = barOf(this);
    if (message == WM_LBUTTONDOWN && bar) {
        const int index = bar->tabAt(QPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
        if (index >= 0 && index != bar->currentIndex())
            bar->setCurrentIndex(index);
    }
    return result;
}
