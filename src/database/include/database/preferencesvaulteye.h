// The document-monitor settings of every server, read from the settings file whose root is
// "vaultEyeSettingsPreferences". The list owns its servers.
#pragma once

#include "database/serverpreferencevaulteye.h"
#include "mfc/carray.h"

class CPreferencesVaultEye
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
    // Prints each server's plot settings on the command line, waiting after each.
    void dump(CString marker);
    void deleteObjects();

    // Seconds that dump waits after each server.
    static int dumpWaitSeconds;

private:
    CArray<CServerPreferenceVaultEye*> m_servers;
    int m_count = 0;
};
