// A static text control.
#pragma once

#include "mfc/wnd.h"

class CStatic : public CWnd
{
};
