// A list box. A sorted list box keeps its lines in the order of their texts, compared
// without regard to letter case, equal texts by their exact characters ("Room 1" before
// "Room 10" before "room 2").
#pragma once

#include "mfc/wnd.h"

class CListBox : public CWnd
{
public:
    void ResetContent();
    // Adds a line (in its sorted place for a sorted list); its index, LB_ERR without a window.
    int AddString(LPCTSTR text);
    int DeleteString(UINT index);
    int GetCount() const;
    // The selected line; LB_ERR when none is.
    int GetCurSel() const;
    int SetCurSel(int index);
    // The whole text of a line; LB_ERR for an index out of range.
    int GetText(int index, CString& text) const;
    int GetTextLen(int index) const;

    // Whether a sorts before b in a sorted list box.
    static bool sortsBefore(const CString& a, const CString& b);
};
