// A drop-down list combo box: its items and the selected one (no edit field).
#pragma once

#include "mfc/wnd.h"

class CComboBox : public CWnd
{
public:
    void ResetContent();
    int AddString(LPCTSTR text);
    int GetCount() const;
    // The selected item; CB_ERR when none is.
    int GetCurSel() const;
    // Selects an item (none for -1) without notifying the dialog.
    int SetCurSel(int index);
    int GetLBText(int index, CString& text) const;
};
