// One layout of a drawing ("Model" for model space) as the server register records it.
#pragma once

#include "mfc/cstring.h"

class CStoredProcedure;

class CLayout
{
public:
    CLayout() = default;
    virtual ~CLayout() = default;

    CString getName() const { return m_name; }
    void setName(CString name) { m_name = std::move(name); }
    // Records the layout for the drawing of the attachment id ("__to_addDrawingLayout").
    void addLayoutToQPX(CStoredProcedure* procedure, int timeout, int attachID);

private:
    CString m_name;
};
