// The about box "About - Quorvane": the host the module is built for, the module's version
// and the date it was built.
#pragma once

#include "mfc/dialog.h"

class CPresAbout : public CDialog
{
public:
    explicit CPresAbout(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange* dx) override;

private:
    CString m_compileDate;
    CString m_moduleVersion;
    CString m_cadVersion;
};
