// The module's details (short name, caption, version and build date), recorded in the
// document-monitor database "vaultEye" by "__mod_setModDetails", and the module recorded as
// running by "__mod_setModRunning". Each call opens and closes its own connection.
#pragma once

#include "mfc/cstring.h"
#include "mfc/oledatetime.h"

// The module's version.
inline constexpr const char* QUORVANE_MODULE_VERSION = "64.04.03.00";

class CModuleDetails
{
public:
    CModuleDetails();

    void setModDetails(CString server, CString user, CString password, int timeout);
    void setModuleRunning(CString server, CString user, CString password, int timeout);

    CString getName() const { return m_name; }
    CString getDescription() const { return m_description; }
    COleDateTime getBuildDate() const { return m_buildDate; }
    CString getVersion() const { return m_version; }

private:
    CString m_name;
    CString m_description;
    COleDateTime m_buildDate;
    CString m_version;
};
