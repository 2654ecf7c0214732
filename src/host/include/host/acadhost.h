// Which host the module runs in, found once when the module loads: plotting, hyperlinking
// and the marker commands differ between hosts.
#pragma once

#include "mfc/cstring.h"

class CAcadHost
{
public:
    enum HostType { unknown = 0, autocadLT = 1, autocad = 2, bricscad = 3 };

    CAcadHost();

    int getHostType() const { return m_type; }
    CString getHostName() const { return m_name; }
    CString getHostInfo() const { return m_info; }
    // Whether the module's own host identity is AutoCAD or BricsCAD (not LT, not unknown).
    BOOL isFullHost() const;

private:
    int m_type = unknown;
    CString m_name;
    CString m_info;
};

// The host the module runs in, found when the module loads.
extern CAcadHost acadHost;
