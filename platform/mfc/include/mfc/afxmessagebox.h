// The framework's message box: the application's title as caption, no owner window.
#pragma once

#include "win/messagebox.h"

// The application's title: the caption of framework message boxes (the host sets it).
LPCTSTR AfxGetAppName();
void AfxSetAppName(LPCTSTR name);

// A message box with the application's title as caption; the button pressed (IDOK, ...).
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
