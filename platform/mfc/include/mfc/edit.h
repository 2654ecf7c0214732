// A single-line edit control.
#pragma once

#include "mfc/wnd.h"

class CEdit : public CWnd
{
public:
    // Selects characters first to last (bytes of the UTF-8 text); (0, -1) selects all.
    void SetSel(int first, int last);
    void SetReadOnly(BOOL readOnly = TRUE);
};
