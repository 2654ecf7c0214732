// The document-monitor settings of every server, read from the settings file whose root is
// "vaultEyeSettingsPreferences". The list owns its servers, and names the error logs that
// error records are written to: each server's "acadErrorLogFilePath".
#pragma once

#include "database/serverpreferencevaulteye.h"
#include "mfc/carray.h"
#include "support/errorlogpaths.h"

class CPreferencesVaultEye : public CErrorLogPaths
{
public:
    CPreferencesVaultEye() = default;
    virtual ~CPreferencesVaultEye();
    CPreferencesVaultEye(const CPreferencesVaultEye&) = delete;
    CPreferencesVaultEye& operator=(const CPreferencesVaultEye&) = delete;

    // Appends the servers of the settings file at path.
    void deSerialize(CString path);
    CServerPreferenceVaultEye* getAt(int index) const;
    void add(CServerPreferenceVaultEye* server);
    int getCount() const { return m_count; }
    int getErrorLogCount() const override { return m_count; }
    CString getErrorLogPath(int index) const override { return getAt(index)->getAcadErrorLogFilePath(); }
    // Prints each server's plot settings on the command line, waiting after each.
    void dump(CString marker);
    void deleteObjects();

    // Seconds that dump waits after each server.
    static int dumpWaitSeconds;

private:
    CArray<CServerPreferenceVaultEye*> m_servers;
    int m_count = 0;
};

// The module's document-monitor settings: empty until something loads a settings file.
// Saving a drawing copy takes its temporary folder from the first server, and error
// records are logged to every server's error log.
extern CPreferencesVaultEye vaultEyePreferences;
