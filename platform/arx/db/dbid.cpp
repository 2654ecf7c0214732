#include "arx/dbid.h"

#include "arx/dbobject.h"

const AcDbObjectId AcDbObjectId::kNull;

bool AcDbObjectId::isValid() const { return m_stub && m_stub->object; }

bool AcDbObjectId::isErased() const { return m_stub && m_stub->object && m_stub->object->isErased(); }

AcDbHandle AcDbObjectId::handle() const { return m_stub ? m_stub->handle : AcDbHandle(); }

AcDbDatabase* AcDbObjectId::database() const { return m_stub ? m_stub->database : nullptr; }

AcDbObject* AcDbObjectId::object() const { return m_stub ? m_stub->object.get() : nullptr; }

bool AcDbObjectId::operator<(const AcDbObjectId& id) const
{
    return std::less<const AcDbStub*>()(m_stub, id.m_stub);
}
