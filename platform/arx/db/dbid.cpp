#include "arx/dbid.h"

#include "arx/dbobject.h"

#include <cstdio>
#include <cstring>

const AcDbObjectId AcDbObjectId::kNull;

AcDbHandle::AcDbHandle(const char* hex)
{
    if (!hex || !*hex || std::strlen(hex) > 16)
        return;
    unsigned long long v = 0;
    for (const char* p = hex; *p; ++p) {
        const char c = *p;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return;
        v = v * 16 + static_cast<unsigned>(digit);
    }
    m_value = v;
}

bool AcDbHandle::getIntoAsciiBuffer(char* buffer, size_t bufferSize) const
{
    const std::string t = text();
    if (!buffer || bufferSize <= t.size())
        return false;
    std::memcpy(buffer, t.c_str(), t.size() + 1);
    return true;
}

std::string AcDbHandle::text() const
{
    char buf[20];
    std::snprintf(buf, sizeof buf, "%llX", m_value);
    return buf;
}

bool AcDbObjectId::isValid() const { return m_stub && m_stub->object; }

bool AcDbObjectId::isErased() const { return m_stub && m_stub->object && m_stub->object->isErased(); }

AcDbHandle AcDbObjectId::handle() const { return m_stub ? m_stub->handle : AcDbHandle(); }

AcDbDatabase* AcDbObjectId::database() const { return m_stub ? m_stub->database : nullptr; }

AcDbObject* AcDbObjectId::object() const { return m_stub ? m_stub->object.get() : nullptr; }

bool AcDbObjectId::operator<(const AcDbObjectId& id) const
{
    return std::less<const AcDbStub*>()(m_stub, id.m_stub);
}

bool AcRxClass::isDerivedFrom(const AcRxClass* other) const
{
    for (const AcRxClass* c = this; c; c = c->m_parent)
        if (c == other)
            return true;
    return false;
}

const AcRxClass* AcRxObject::desc()
{
    static const AcRxClass cls("AcRxObject", nullptr);
    return &cls;
}
