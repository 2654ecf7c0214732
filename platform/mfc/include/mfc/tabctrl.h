// A tab control: a row of tabs; the pages are windows its owner places below them.
#pragma once

#include "mfc/wnd.h"

class CTabCtrl : public CWnd
{
public:
    // Inserts a tab; its index, -1 without a window.
    int InsertItem(int index, LPCTSTR text);
    int GetItemCount() const;
    // The tab's rectangle in the control's coordinates.
    BOOL GetItemRect(int index, LPRECT rect) const;
    int GetCurSel() const;
    // Selects a tab without notifying the owner; the tab selected before, -1 when none was.
    int SetCurSel(int index);
    int GetCurFocus() const { return GetCurSel(); }

protected:
    // A press on a tab selects it during the press's default handling (notifying the owner).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
