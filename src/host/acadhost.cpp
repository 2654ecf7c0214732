#include "host/acadhost.h"

#include "arx/dbdatabase.h"

CAcadHost acadHost;

CAcadHost::CAcadHost()
{
    CString product(acdbHostApplicationServices()->product());
    product.MakeLower();
    m_info = acdbHostApplicationServices()->versionString();
    if (product.Find("autocad") >= 0) {
        const bool lt = product.Find("tocad lt") >= 0;
        m_type = lt ? autocadLT : autocad;
        m_name = lt ? "AutoCADLT" : "AutoCAD";
    } else if (product.Find("bricscad") >= 0) {
        m_type = bricscad;
        m_name = "BricsCAD";
    } else {
        m_type = unknown;
        m_name = "unknown <" + product + ">";
    }
}

BOOL CAcadHost::isFullHost() const
{
    return acadHost.getHostType() > autocadLT;
}
