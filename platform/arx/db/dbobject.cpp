#include "arx/dbobject.h"

#include "arx/dbdict.h"
#include "arx/dbsymtb.h"
#include "arx/dxfnumber.h"
#include "arx/dxfresbuf.h"
#include "arx/dxftext.h"
#include "dbimpl.h"
#include "dbobjectdata.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory_resource>

using qv::dxf::TagList;

namespace {

constexpr size_t kMaxXDataBytes = 16383;

// The [begin, end) range of an application's XData in the tags, or begin == end.
std::pair<size_t, size_t> appRange(const TagList& x, const char* app)
{
    const std::string_view name(app);
    const qv::dxf::Tag* end = x.end();
    for (const qv::dxf::Tag* t = x.begin(); t != end; ++t) {
        if (t->code != 1001 || !qv::dxf::equalNoCase(t->value(), name))
            continue;
        const qv::dxf::Tag* next = t + 1;
        while (next != end && next->code != 1001)
            ++next;
        return {static_cast<size_t>(t - x.begin()), static_cast<size_t>(next - x.begin())};
    }
    return {x.size(), x.size()};
}

// Where the application whose name item is at first ends: at the next name item or the end.
size_t nextApplication(const TagList& x, size_t first)
{
    size_t next = first + 1;
    while (next < x.size() && x[next].code != 1001)
        ++next;
    return next;
}

size_t xdataBytes(const TagList& x, size_t begin, size_t end)
{
    size_t n = 0;
    for (size_t i = begin; i < end; ++i)
        n += x[i].size + 2;
    return n;
}

size_t xdataBytes(const TagList& x)
{
    return xdataBytes(x, 0, x.size());
}

bool bracesBalanced(const TagList& x, size_t begin, size_t end)
{
    int depth = 0;
    for (size_t i = begin; i < end; ++i)
        if (x[i].code == 1002 && (depth += x[i].value() == "{" ? 1 : -1) < 0)
            return false;
    return depth == 0;
}

const qv::dxf::FieldTable& emptyTable()
{
    static const qv::dxf::FieldTable table({});
    return table;
}

} // namespace

namespace qv {

size_t noneForMissing(dxf::TagList& tags, AcDbDatabase* db, int first, int last)
{
    const auto dangling = [&](const dxf::Tag& t) {
        unsigned long long handle = 0;
        AcDbObjectId id;
        return t.code >= first && t.code <= last && dxf::parseHandle(t.value(), handle) && handle != 0
               && db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk;
    };
    const size_t count = static_cast<size_t>(std::count_if(tags.begin(), tags.end(), dangling));
    if (count == 0)
        return 0;
    dxf::TagList kept(tags.resource());
    for (const auto& t : tags)
        kept.add(t.code, dangling(t) ? std::string_view("0") : t.value(), t.anchor);
    tags = std::move(kept);
    return count;
}

} // namespace qv

ACRX_DEFINE_MEMBERS(AcDbObject, AcRxObject, "")
ACRX_DEFINE_MEMBERS(AcDbProxyObject, AcDbObject, "")

AcDbObject::~AcDbObject() { qv::ObjectData::destroy(m_data); }

AcDbDatabase* AcDbObject::database() const
{
    if (isDatabaseResident())
        return m_id.database();
    return m_data ? m_data->intendedDatabase : nullptr;
}

void AcDbObject::setIntendedDatabase(AcDbDatabase* db)
{
    if (db || m_data)
        editData().intendedDatabase = db;
}

const qv::dxf::TagList* AcDbObject::keptPairs() const
{
    return m_data && !m_data->extras.empty() ? &m_data->extras : nullptr;
}

qv::ObjectData& AcDbObject::editData()
{
    if (!m_data)
        m_data = qv::ObjectData::make();
    return *m_data;
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
    if (isErased() == erasing)
        return erasing ? Acad::eWasErased : Acad::eOk;
    if (erasing)
        if (const Acad::ErrorStatus es = checkErase(); es != Acad::eOk)
            return es;
    m_id.stub()->erased = erasing;
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
    if (!m_data)
        return nullptr;
    const TagList& x = m_data->xdata;
    if (!appName || !*appName)
        return qv::dxf::toResbuf(x, 0, x.size());
    const auto [begin, end] = appRange(x, appName);
    return begin == end ? nullptr : qv::dxf::toResbuf(x, begin, end);
}

bool AcDbObject::visitXData(const char* appName,
                            const std::function<void(int code, std::string_view text)>& visit) const
{
    if (!m_data || !appName || !*appName)
        return false;
    const TagList& x = m_data->xdata;
    const auto [begin, end] = appRange(x, appName);
    return begin != end && qv::dxf::visitItems(x, begin, end, visit);
}

std::vector<std::string> AcDbObject::xDataApplications() const
{
    std::vector<std::string> apps;
    if (m_data)
        for (const auto& t : m_data->xdata)
            if (t.code == 1001)
                apps.emplace_back(t.value());
    return apps;
}

Acad::ErrorStatus AcDbObject::setXData(const resbuf* xdata)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    // The items read are copied into the list held: their texts stay on the stack meanwhile.
    std::array<std::byte, 1024> buffer;
    std::pmr::monotonic_buffer_resource scratch(buffer.data(), buffer.size());
    TagList items(&scratch);
    if (!xdata || xdata->restype != 1001 || qv::dxf::fromResbuf(xdata, items) != Acad::eOk)
        return Acad::eInvalidInput;
    for (const auto& t : items)
        if (t.code < 1000 || t.code > 1071)
            return Acad::eInvalidInput;
    // Each application's items are checked before any takes the place of what is held.
    size_t groups = 0;
    for (size_t i = 0, j = 0; i < items.size(); i = j, ++groups) {
        j = nextApplication(items, i);
        if (!bracesBalanced(items, i, j))
            return Acad::eInvalidInput;
        AcDbDatabase* db = database();
        if (db && !AcDbRegAppTable::isRegistered(db, std::string(items[i].value()).c_str()))
            return Acad::eRegappIdNotFound;
    }
    if (groups == 1 && m_data)
        return replaceXData(items, 0, items.size());
    // Made where the list it replaces is kept, so that it is not copied again to take its place.
    TagList result(m_data ? m_data->xdata.resource() : qv::dxf::objectResource());
    if (m_data)
        result = m_data->xdata;
    for (size_t i = 0, j = 0; i < items.size(); i = j) {
        j = nextApplication(items, i);
        const auto [begin, end] = appRange(result, std::string(items[i].value()).c_str());
        result.erase(begin, end);
        if (j - i > 1)
            result.append(items, i, j);
    }
    if (xdataBytes(result) > kMaxXDataBytes)
        return Acad::eXdataSizeExceeded;
    editData().xdata = std::move(result);
    return Acad::eOk;
}

// One application's items, [first, last) of the items given, take the place of its own in
// the list held, without a copy of that list.
Acad::ErrorStatus AcDbObject::replaceXData(const TagList& items, size_t first, size_t last)
{
    const TagList& held = m_data->xdata;
    const auto [begin, end] = appRange(held, std::string(items[first].value()).c_str());
    const size_t added = last - first > 1 ? xdataBytes(items, first, last) : 0;
    if (xdataBytes(held) - xdataBytes(held, begin, end) + added > kMaxXDataBytes)
        return Acad::eXdataSizeExceeded;
    TagList& x = editData().xdata;
    x.erase(begin, end);
    if (last - first > 1)
        x.append(items, first, last);
    return Acad::eOk;
}

AcDbObjectId AcDbObject::extensionDictionary() const { return m_data ? m_data->extensionDictionary : AcDbObjectId(); }

void AcDbObject::setExtensionDictionaryId(AcDbObjectId id)
{
    if (!id.isNull() || m_data)
        editData().extensionDictionary = id;
}

Acad::ErrorStatus AcDbObject::createExtensionDictionary()
{
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (qv::live(extensionDictionary()))
        return Acad::eAlreadyInDb;
    auto* dict = new AcDbDictionary;
    dict->setTreatElementsAsHard(true);
    AcDbObjectId id;
    database()->addAcDbObject(id, dict);
    dict->setOwnerId(m_id);
    dict->addPersistentReactor(m_id);
    dict->close();
    setExtensionDictionaryId(id);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::releaseExtensionDictionary()
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, extensionDictionary(), AcDb::kForWrite) != Acad::eOk)
        return Acad::eInvalidInput;
    if (dict->numEntries() > 0) {
        dict->close();
        return Acad::eContainerNotEmpty;
    }
    dict->erase();
    dict->close();
    setExtensionDictionaryId(AcDbObjectId());
    return Acad::eOk;
}

std::span<const AcDbObjectId> AcDbObject::reactors() const
{
    return m_data ? std::span<const AcDbObjectId>(m_data->reactors) : std::span<const AcDbObjectId>();
}

void AcDbObject::addPersistentReactor(AcDbObjectId id)
{
    auto& reactors = editData().reactors;
    if (std::find(reactors.begin(), reactors.end(), id) == reactors.end())
        reactors.push_back(id);
}

void AcDbObject::removePersistentReactor(AcDbObjectId id)
{
    if (m_data)
        std::erase(m_data->reactors, id);
}

const qv::dxf::FieldTable& AcDbObject::dxfTable() const { return emptyTable(); }

void AcDbObject::dxfOutFields(qv::dxf::Writer& out) const
{
    dxfTable().write(*this, out, m_data ? &m_data->extras : nullptr);
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
