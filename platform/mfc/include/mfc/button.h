// A push button, check box, radio button or group box.
#pragma once

#include "mfc/wnd.h"

constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

class CButton : public CWnd
{
public:
    int GetCheck() const;
    // Checking a radio button unchecks the others of its group.
    void SetCheck(int check);
};
