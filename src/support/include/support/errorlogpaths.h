// Where error records are logged: the XML error log of each loaded document-monitor server
// setting, in list order. The server settings list implements it; the error records and
// the logs write through it without knowing the settings.
#pragma once

#include "mfc/cstring.h"

class CErrorLogPaths
{
public:
    virtual ~CErrorLogPaths() = default;

    virtual int getErrorLogCount() const = 0;
    virtual CString getErrorLogPath(int index) const = 0;
};
