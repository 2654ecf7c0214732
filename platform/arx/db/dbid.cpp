#include "arx/dbid.h"

const AcDbObjectId AcDbObjectId::kNull;

bool AcDbObjectId::operator<(const AcDbObjectId& id) const
{
    return std::less<const AcDbStub*>()(m_stub, id.m_stub);
}
