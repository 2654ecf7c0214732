#include "arx/dbobject.h"

#include "arx/dbdict.h"
#include "dbimpl.h"
#include "arx/dbsymtb.h"

#include <algorithm>

using qv::dxf::Tags;

namespace {

constexpr size_t kMaxXDataBytes = 16383;

// The [begin, end) range of an application's XData in the tags, or begin == end.
std::pair<size_t, size_t> appRange(const Tags& x, const char* app)
{
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i].code != 1001 || !qv::dxf::equalNoCase(x[i].value, app))
            continue;
        size_t j = i + 1;
        while (j < x.size() && x[j].code != 1001)
            ++j;
        return {i, j};
    }
    return {x.size(), x.size()};
}

size_t xdataBytes(const Tags& x)
{
    size_t n = 0;
    for (const auto& t : x)
        n += t.value.size() + 2;
    return n;
}

bool bracesBalanced(const Tags& x, size_t begin, size_t end)
{
    int depth = 0;
    for (size_t i = begin; i < end; ++i)
        if (x[i].code == 1002 && (depth += x[i].value == "{" ? 1 : -1) < 0)
            return false;
    return depth == 0;
}

} // namespace

ACRX_DEFINE_MEMBERS(AcDbObject, AcRxObject, "")
ACRX_DEFINE_MEMBERS(AcDbProxyObject, AcDbObject, "")

AcDbObject::~AcDbObject() = default;

AcDbDatabase* AcDbObject::database() const
{
    return isDatabaseResident() ? m_id.database() : m_intendedDb;
}

Acad::ErrorStatus AcDbObject::setOwnerId(AcDbObjectId owner)
{
    m_ownerId = owner;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::assertWriteEnabled() const
{
    return isWriteEnabled() || database()->impl().loading ? Acad::eOk : Acad::eNotOpenForWrite;
}

Acad::ErrorStatus AcDbObject::erase(bool erasing)
{
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (m_erased == erasing)
        return erasing ? Acad::eWasErased : Acad::eOk;
    m_erased = erasing;
    onErase(erasing);
    return Acad::eOk;
}

void AcDbObject::onErase(bool) {}

Acad::ErrorStatus AcDbObject::openAs(AcDb::OpenMode mode)
{
    if (mode == AcDb::kForNotify) {
        ++m_notifiers;
    } else if (m_writer) {
        return Acad::eWasOpenForWrite;
    } else if (mode == AcDb::kForWrite) {
        if (m_readers > 0)
            return Acad::eWasOpenForRead;
        if (const Acad::ErrorStatus es = checkWriteOpen(); es != Acad::eOk)
            return es;
        m_writer = true;
    } else {
        ++m_readers;
    }
    ++database()->impl().openCount;
    return Acad::eOk;
}

void AcDbObject::markOpenForWrite()
{
    m_writer = true;
    ++database()->impl().openCount;
}

Acad::ErrorStatus AcDbObject::close()
{
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    const bool changed = m_writer;
    if (m_writer)
        m_writer = false;
    else if (m_readers > 0)
        --m_readers;
    else if (m_notifiers > 0)
        --m_notifiers;
    else
        return Acad::eNotOpenForRead;
    --database()->impl().openCount;
    if (changed)
        database()->impl().noteModified(m_id);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::upgradeOpen()
{
    if (m_writer)
        return Acad::eWasOpenForWrite;
    if (m_readers == 0)
        return Acad::eNotOpenForRead;
    if (m_readers > 1)
        return Acad::eHadMultipleReaders;
    if (const Acad::ErrorStatus es = checkWriteOpen(); es != Acad::eOk)
        return es;
    m_readers = 0;
    m_writer = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::downgradeOpen()
{
    if (!m_writer)
        return Acad::eNotOpenForWrite;
    m_writer = false;
    m_readers = 1;
    database()->impl().noteModified(m_id);
    return Acad::eOk;
}

resbuf* AcDbObject::xData(const char* appName) const
{
    if (!appName || !*appName)
        return qv::dxf::tagsToRb(m_xdata, 0, m_xdata.size());
    const auto [begin, end] = appRange(m_xdata, appName);
    return begin == end ? nullptr : qv::dxf::tagsToRb(m_xdata, begin, end);
}

std::vector<std::string> AcDbObject::xDataApplications() const
{
    std::vector<std::string> apps;
    for (const auto& t : m_xdata)
        if (t.code == 1001)
            apps.push_back(t.value);
    return apps;
}

Acad::ErrorStatus AcDbObject::setXData(const resbuf* xdata)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    Tags items;
    if (!xdata || xdata->restype != 1001 || qv::dxf::rbToTags(xdata, items) != Acad::eOk)
        return Acad::eInvalidInput;
    for (const auto& t : items)
        if (t.code < 1000 || t.code > 1071)
            return Acad::eInvalidInput;
    Tags result = m_xdata;
    for (size_t i = 0; i < items.size();) {
        size_t j = i + 1;
        while (j < items.size() && items[j].code != 1001)
            ++j;
        if (!bracesBalanced(items, i, j))
            return Acad::eInvalidInput;
        AcDbDatabase* db = database();
        if (db && !AcDbRegAppTable::isRegistered(db, items[i].value.c_str()))
            return Acad::eRegappIdNotFound;
        const auto [begin, end] = appRange(result, items[i].value.c_str());
        result.erase(result.begin() + static_cast<long>(begin), result.begin() + static_cast<long>(end));
        if (j - i > 1)
            result.insert(result.end(), items.begin() + static_cast<long>(i), items.begin() + static_cast<long>(j));
        i = j;
    }
    if (xdataBytes(result) > kMaxXDataBytes)
        return Acad::eXdataSizeExceeded;
    m_xdata = std::move(result);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::createExtensionDictionary()
{
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (m_xdict.isValid() && !m_xdict.isErased())
        return Acad::eAlreadyInDb;
    auto* dict = new AcDbDictionary;
    dict->setTreatElementsAsHard(true);
    AcDbObjectId id;
    database()->addAcDbObject(id, dict);
    dict->setOwnerId(m_id);
    dict->addPersistentReactor(m_id);
    dict->close();
    m_xdict = id;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::releaseExtensionDictionary()
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, m_xdict, AcDb::kForWrite) != Acad::eOk)
        return Acad::eInvalidInput;
    if (dict->numEntries() > 0) {
        dict->close();
        return Acad::eContainerNotEmpty;
    }
    dict->erase();
    dict->close();
    m_xdict.setNull();
    return Acad::eOk;
}

void AcDbObject::addPersistentReactor(AcDbObjectId id)
{
    if (std::find(m_reactors.begin(), m_reactors.end(), id) == m_reactors.end())
        m_reactors.push_back(id);
}

void AcDbObject::removePersistentReactor(AcDbObjectId id)
{
    m_reactors.erase(std::remove(m_reactors.begin(), m_reactors.end(), id), m_reactors.end());
}

bool AcDbObject::dxfInField(qv::dxf::DxfIn&, const qv::dxf::Token&) { return false; }
void AcDbObject::dxfInEnd(qv::dxf::DxfIn&) {}
void AcDbObject::dxfInResolve(qv::dxf::DxfIn&) {}
void AcDbObject::dxfOutFields(qv::dxf::DxfOut&) const {}

void AcDbProxyObject::dxfOutFields(qv::dxf::DxfOut& out) const
{
    out.extrasInOrder();
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode, bool openErased,
                                     const AcRxClass* cls)
{
    obj = nullptr;
    if (id.isNull())
        return Acad::eNullObjectId;
    AcDbObject* o = id.object();
    if (!o)
        return Acad::eUnknownHandle;
    if (o->isErased() && !openErased)
        return Acad::eWasErased;
    if (cls && !o->isKindOf(cls))
        return Acad::eNotThatKindOfClass;
    if (const Acad::ErrorStatus es = o->openAs(mode); es != Acad::eOk)
        return es;
    obj = o;
    return Acad::eOk;
}
