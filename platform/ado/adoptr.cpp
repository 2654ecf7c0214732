#include "ado/ado.h"

#include <atomic>
#include <cstring>

namespace ADODB {

namespace {

std::atomic<bool> objectsAvailable{true};

bool mayCreate(const char* progId, const char* expected)
{
    return objectsAvailable && progId && std::strcmp(progId, expected) == 0;
}

} // namespace

void setObjectsAvailable(bool available) { objectsAvailable = available; }

template <>
HRESULT AdoPtr<Connection>::CreateInstance(const char* progId, void*, DWORD)
{
    if (!mayCreate(progId, "ADODB.Connection"))
        return REGDB_E_CLASSNOTREG;
    m_p = std::shared_ptr<Connection>(new Connection);
    return S_OK;
}

template <>
HRESULT AdoPtr<Command>::CreateInstance(const char* progId, void*, DWORD)
{
    if (!mayCreate(progId, "ADODB.Command"))
        return REGDB_E_CLASSNOTREG;
    m_p = std::shared_ptr<Command>(new Command);
    return S_OK;
}

} // namespace ADODB
