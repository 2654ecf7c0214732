#include "arx/dbdict.h"

#include "arx/dbdatabase.h"
#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"

#include <algorithm>

ACRX_DEFINE_MEMBERS(AcDbDictionary, AcDbObject, "DICTIONARY")
ACRX_DEFINE_MEMBERS(AcDbXrecord, AcDbObject, "XRECORD")
ACRX_DEFINE_MEMBERS(AcDbSortentsTable, AcDbObject, "SORTENTSTABLE")

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;

bool AcDbDictionaryIterator::next()
{
    if (!done())
        ++m_pos;
    return !done();
}

Acad::ErrorStatus AcDbDictionaryIterator::getObject(AcDbObject*& obj, AcDb::OpenMode mode)
{
    return acdbOpenObject(obj, objectId(), mode);
}

Acad::ErrorStatus AcDbDictionary::getAt(const char* key, AcDbObjectId& id) const
{
    const auto it = m_index.find(qv::dxf::upper(key ? key : ""));
    if (it == m_index.end() || m_entries[it->second].second.isErased())
        return Acad::eKeyNotFound;
    id = m_entries[it->second].second;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::getAt(const char* key, AcDbObject*& obj, AcDb::OpenMode mode) const
{
    return getAt<AcDbObject>(key, obj, mode);
}

bool AcDbDictionary::has(const char* key) const
{
    AcDbObjectId id;
    return getAt(key, id) == Acad::eOk;
}

bool AcDbDictionary::has(AcDbObjectId id) const
{
    std::string name;
    return nameAt(id, name) == Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::setAt(const char* key, AcDbObject* obj, AcDbObjectId& id)
{
    if (!key || !*key || !obj)
        return Acad::eInvalidInput;
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (!obj->isDatabaseResident()) {
        if (const Acad::ErrorStatus es = database()->addAcDbObject(id, obj); es != Acad::eOk)
            return es;
        obj->setOwnerId(objectId());
        obj->addPersistentReactor(objectId());
    }
    id = obj->objectId();
    const std::string upperKey = qv::dxf::upper(key);
    const auto it = m_index.find(upperKey);
    if (it == m_index.end()) {
        m_index.emplace(upperKey, m_entries.size());
        m_entries.emplace_back(key, id);
        return Acad::eOk;
    }
    AcDbObject* old = m_entries[it->second].second.object();
    if (old && old != obj && old->openCount() == 0 && old->openAs(AcDb::kForWrite) == Acad::eOk) {
        old->erase();
        old->close();
    }
    m_entries[it->second] = {key, id};
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::remove(const char* key)
{
    AcDbObjectId id;
    return remove(key, id);
}

Acad::ErrorStatus AcDbDictionary::remove(const char* key, AcDbObjectId& id)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const auto it = m_index.find(qv::dxf::upper(key ? key : ""));
    if (it == m_index.end())
        return Acad::eKeyNotFound;
    const size_t pos = it->second;
    id = m_entries[pos].second;
    m_entries.erase(m_entries.begin() + static_cast<long>(pos));
    m_index.erase(it);
    for (auto& entry : m_index)
        if (entry.second > pos)
            --entry.second;
    if (AcDbObject* obj = id.object())
        obj->removePersistentReactor(objectId());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDictionary::remove(AcDbObjectId id)
{
    std::string name;
    if (nameAt(id, name) != Acad::eOk)
        return Acad::eKeyNotFound;
    return remove(name.c_str());
}

Acad::ErrorStatus AcDbDictionary::nameAt(AcDbObjectId id, std::string& name) const
{
    for (const auto& [key, entry] : m_entries)
        if (entry == id) {
            name = key;
            return Acad::eOk;
        }
    return Acad::eKeyNotFound;
}

Adesk::UInt32 AcDbDictionary::numEntries() const
{
    return static_cast<Adesk::UInt32>(std::count_if(m_entries.begin(), m_entries.end(),
                                                    [](const auto& e) { return !e.second.isErased(); }));
}

AcDbDictionaryIterator* AcDbDictionary::newIterator() const
{
    std::vector<std::pair<std::string, AcDbObjectId>> live;
    for (const auto& e : m_entries)
        if (!e.second.isErased())
            live.push_back(e);
    return new AcDbDictionaryIterator(std::move(live));
}

void AcDbDictionary::attachEntry(const std::string& key, AcDbObjectId id)
{
    const std::string upperKey = qv::dxf::upper(key);
    if (m_index.count(upperKey))
        return;
    m_index.emplace(upperKey, m_entries.size());
    m_entries.emplace_back(key, id);
}

bool AcDbDictionary::dxfInField(DxfIn& in, const Token& t)
{
    if (in.subclass() != "AcDbDictionary")
        return false;
    switch (t.code) {
    case 280: m_hardOwner = in.flag(t); return true;
    case 281: m_mergeStyle = in.integer(t); return true;
    case 3: m_pendingKey = t.value; return true;
    case 350: case 360: attachEntry(m_pendingKey, in.reference(t, true)); return true;
    }
    return false;
}

void AcDbDictionary::dxfOutFields(DxfOut& out) const
{
    out.subclass("AcDbDictionary");
    if (m_hardOwner)
        out.integer(280, 1);
    out.integer(281, m_mergeStyle);
    for (const auto& [key, id] : m_entries) {
        if (!id.isValid() || id.isErased())
            continue;
        out.tag(3, key);
        out.id(m_hardOwner ? 360 : 350, id);
    }
}

// ---- AcDbXrecord ----

Acad::ErrorStatus AcDbXrecord::rbChain(resbuf** chain, AcDbDatabase*) const
{
    if (!chain)
        return Acad::eInvalidInput;
    *chain = qv::dxf::tagsToRb(m_data, 0, m_data.size());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbXrecord::setFromRbChain(const resbuf* chain, AcDbDatabase*)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    qv::dxf::Tags data;
    if (const Acad::ErrorStatus es = qv::dxf::rbToTags(chain, data); es != Acad::eOk)
        return es;
    for (const auto& t : data)
        if (t.code == 0 || t.code == 5 || t.code == 100 || t.code == 105 || t.code >= 1000)
            return Acad::eInvalidInput;
    m_data = std::move(data);
    return Acad::eOk;
}

bool AcDbXrecord::dxfInField(DxfIn& in, const Token& t)
{
    if (in.subclass() != "AcDbXrecord")
        return false;
    if (t.code == 280 && m_data.empty())
        m_cloning = in.integer(t);
    else
        m_data.push_back({t.code, t.value});
    return true;
}

void AcDbXrecord::dxfOutFields(DxfOut& out) const
{
    out.subclass("AcDbXrecord");
    out.integer(280, m_cloning);
    out.tags(m_data);
}

// ---- AcDbSortentsTable ----

Acad::ErrorStatus AcDbSortentsTable::setBlockId(AcDbObjectId id)
{
    QV_CHECKED_SETTER(AcDbBlockTableRecord::cast(id.object()), m_block = id)
}

long long AcDbSortentsTable::keyOf(AcDbObjectId id) const
{
    const auto it = m_keys.find(id);
    return it != m_keys.end() ? it->second : static_cast<long long>(id.handle().value());
}

Acad::ErrorStatus AcDbSortentsTable::moveTo(const AcDbObjectIdArray& ids, bool bottom)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const auto* btr = AcDbBlockTableRecord::cast(m_block.object());
    if (!btr)
        return Acad::eNotApplicable;
    for (const AcDbObjectId& id : ids) {
        const auto* obj = id.object();
        if (!obj || obj->ownerId() != m_block)
            return Acad::eInvalidInput;
    }
    AcDbObjectIdArray ordered = ids;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [this](AcDbObjectId a, AcDbObjectId b) { return keyOf(a) < keyOf(b); });
    ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
    if (bottom) {
        m_low -= static_cast<long long>(ordered.size());
        for (size_t i = 0; i < ordered.size(); ++i)
            m_keys[ordered[i]] = m_low + static_cast<long long>(i);
    } else {
        for (const AcDbObjectId& id : ordered)
            m_keys[id] = (1LL << 62) + ++m_high;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSortentsTable::moveToBottom(const AcDbObjectIdArray& ids) { return moveTo(ids, true); }
Acad::ErrorStatus AcDbSortentsTable::moveToTop(const AcDbObjectIdArray& ids) { return moveTo(ids, false); }

Acad::ErrorStatus AcDbSortentsTable::getFullDrawOrder(AcDbObjectIdArray& ids) const
{
    ids.clear();
    const auto* btr = AcDbBlockTableRecord::cast(m_block.object());
    if (!btr)
        return Acad::eNotApplicable;
    for (const AcDbObjectId& id : btr->entityIds())
        if (!id.isErased())
            ids.push_back(id);
    std::stable_sort(ids.begin(), ids.end(), [this](AcDbObjectId a, AcDbObjectId b) {
        const long long ka = keyOf(a), kb = keyOf(b);
        return ka != kb ? ka < kb : a.handle() < b.handle();
    });
    return Acad::eOk;
}

bool AcDbSortentsTable::firstEntityIsDrawnBeforeSecond(AcDbObjectId first, AcDbObjectId second) const
{
    const long long a = keyOf(first), b = keyOf(second);
    return a != b ? a < b : first.handle() < second.handle();
}

bool AcDbSortentsTable::dxfInField(DxfIn& in, const Token& t)
{
    if (in.subclass() != "AcDbSortentsTable")
        return false;
    switch (t.code) {
    case 330: m_block = in.reference(t, false); return true;
    case 331: m_pendingEntity = in.reference(t, false); return true;
    case 5: {
        const auto key = static_cast<long long>(in.handle(t).value());
        if (!m_pendingEntity.isNull())
            m_keys[m_pendingEntity] = key;
        m_pendingEntity.setNull();
        return true;
    }
    }
    return false;
}

void AcDbSortentsTable::dxfOutFields(DxfOut& out) const
{
    // The sort handles are the entities' own handles dealt out in draw order.
    out.subclass("AcDbSortentsTable");
    out.id(330, m_block);
    AcDbObjectIdArray order;
    getFullDrawOrder(order);
    std::vector<AcDbHandle> handles;
    for (const AcDbObjectId& id : order)
        handles.push_back(id.handle());
    std::sort(handles.begin(), handles.end());
    for (size_t i = 0; i < order.size(); ++i) {
        if (handles[i] == order[i].handle())
            continue;
        out.id(331, order[i]);
        out.handle(5, handles[i]);
    }
}
