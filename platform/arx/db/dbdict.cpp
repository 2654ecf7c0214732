#include "arx/dbdict.h"

#include "arx/dbdatabase.h"
#include "arx/dxfnumber.h"
#include "arx/dxfresbuf.h"
#include "arx/dxftext.h"
#include "arx/dbsymtb.h"
#include "dbobjectdata.h"
#include "dbobjectimpl.h"

#include <algorithm>

ACRX_DEFINE_MEMBERS(AcDbDictionary, AcDbObject, "DICTIONARY")
ACRX_DEFINE_MEMBERS(AcDbXrecord, AcDbObject, "XRECORD")
ACRX_DEFINE_MEMBERS(AcDbSortentsTable, AcDbObject, "SORTENTSTABLE")

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

std::vector<std::pair<std::string, AcDbHandle>> AcDbDictionary::dropEntriesWithoutObject()
{
    std::vector<std::pair<std::string, AcDbHandle>> dropped;
    for (const auto& [key, id] : m_entries)
        if (!id.object())
            dropped.emplace_back(key, id.handle());
    if (dropped.empty())
        return dropped;
    std::erase_if(m_entries, [](const auto& entry) { return !entry.second.object(); });
    m_index.clear();
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_index.emplace(qv::dxf::upper(m_entries[i].first), i);
    return dropped;
}

const FieldTable& AcDbDictionary::dxfTable() const
{
    static const FieldTable table({{
        subclass("AcDbDictionary"),
        flag<&AcDbDictionary::m_hardOwner>(280).omitting(0),
        integer<&AcDbDictionary::m_mergeStyle>(281),
        // The entries: a key (3), then the object (350, or 360 for an owner).
        value({3, 350, 360},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& entries = static_cast<AcDbDictionary&>(o).m_entries;
                  if (p.code == 3)
                      entries.emplace_back(qv::dbContext(c).name(p), AcDbObjectId());
                  else if (!entries.empty() && entries.back().second.isNull())
                      entries.back().second = qv::dbContext(c).reference(p, false);
                  else
                      return false;
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  const auto& dict = static_cast<const AcDbDictionary&>(o);
                  for (const auto& [key, id] : dict.m_entries) {
                      if (!qv::live(id))
                          continue;
                      out.text(3, key);
                      out.handle(dict.m_hardOwner ? 360 : 350, id.handle().value());
                  }
              }),
    }});
    return table;
}

// Keys read without an object are dropped; the first of equal keys counts.
void AcDbDictionary::dxfInEnd()
{
    std::vector<std::pair<std::string, AcDbObjectId>> read;
    read.swap(m_entries);
    for (auto& [key, id] : read)
        if (!id.isNull())
            attachEntry(key, id);
}

// ---- AcDbXrecord ----

Acad::ErrorStatus AcDbXrecord::rbChain(resbuf** chain, AcDbDatabase*) const
{
    if (!chain)
        return Acad::eInvalidInput;
    *chain = qv::dxf::toResbuf(m_data, 0, m_data.size());
    return m_data.empty() || *chain ? Acad::eOk : Acad::eInvalidInput;
}

Acad::ErrorStatus AcDbXrecord::setFromRbChain(const resbuf* chain, AcDbDatabase*)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    qv::dxf::TagList data;
    if (const Acad::ErrorStatus es = qv::dxf::fromResbuf(chain, data); es != Acad::eOk)
        return es;
    for (const auto& t : data)
        if (t.code == 0 || t.code == 5 || t.code == 100 || t.code == 105 || t.code >= 1000)
            return Acad::eInvalidInput;
    m_data = std::move(data);
    return Acad::eOk;
}

size_t AcDbXrecord::dropDanglingPointers() { return qv::noneForMissing(m_data, database(), 330, 369); }

const FieldTable& AcDbXrecord::dxfTable() const
{
    // The cloning flag (280) when it comes first, then the data as read.
    static const FieldTable table({{
        subclass("AcDbXrecord"),
        section(
            [](AcRxObject& o, std::span<const Pair> pairs, FieldContext& c) {
                auto& x = static_cast<AcDbXrecord&>(o);
                size_t i = 0;
                if (x.m_data.empty() && !pairs.empty() && pairs[0].code == 280)
                    x.m_cloning = static_cast<int>(c.integer(pairs[i++]));
                for (; i < pairs.size(); ++i)
                    x.m_data.add(pairs[i].code, c.kept(pairs[i]).value);
                return pairs.size();
            },
            [](const AcRxObject& o, const Field&, Writer& out) {
                const auto& x = static_cast<const AcDbXrecord&>(o);
                out.integer(280, x.m_cloning);
                out.tags(x.m_data);
            }),
    }});
    return table;
}

// ---- AcDbSortentsTable ----

Acad::ErrorStatus AcDbSortentsTable::setBlockId(AcDbObjectId id)
{
    QV_CHECKED_SETTER(AcDbBlockTableRecord::cast(id.object()), m_block = id)
}

long long AcDbSortentsTable::keyOf(AcDbObjectId id) const
{
    if (m_keys.empty())
        return static_cast<long long>(id.handle().value());
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
    // One entity, the usual case, is in order already.
    if (ordered.size() > 1) {
        std::stable_sort(ordered.begin(), ordered.end(),
                         [this](AcDbObjectId a, AcDbObjectId b) { return keyOf(a) < keyOf(b); });
        ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
    }
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
    // Most entities are drawn by their own handle and a few were moved: the two runs are
    // put in order apart (the first usually is already), then merged.
    struct Keyed {
        long long key;
        unsigned long long handle;
        AcDbObjectId id;
        bool operator<(const Keyed& other) const { return key != other.key ? key < other.key : handle < other.handle; }
    };
    std::vector<Keyed> own, moved;
    own.reserve(btr->entityIds().size());
    for (const AcDbObjectId& id : btr->entityIds()) {
        if (id.isErased())
            continue;
        const auto handle = id.handle().value();
        const auto it = m_keys.find(id);
        (it == m_keys.end() ? own : moved).push_back({it == m_keys.end() ? static_cast<long long>(handle) : it->second, handle, id});
    }
    if (!std::is_sorted(own.begin(), own.end()))
        std::sort(own.begin(), own.end());
    std::sort(moved.begin(), moved.end());
    // Merged straight into ids (the own first among equals), without a third copy of the
    // entities: a save of a large drawing peaks here.
    ids.reserve(own.size() + moved.size());
    for (auto a = own.begin(), b = moved.begin(); a != own.end() || b != moved.end();)
        ids.push_back(a == own.end() || (b != moved.end() && *b < *a) ? (b++)->id : (a++)->id);
    return Acad::eOk;
}

bool AcDbSortentsTable::firstEntityIsDrawnBeforeSecond(AcDbObjectId first, AcDbObjectId second) const
{
    const long long a = keyOf(first), b = keyOf(second);
    return a != b ? a < b : first.handle() < second.handle();
}

const FieldTable& AcDbSortentsTable::dxfTable() const
{
    static const FieldTable table({{
        subclass("AcDbSortentsTable"),
        reference<&AcDbSortentsTable::m_block>(330),
        // Pairs of an entity (331) and its sort handle (5). Written for the entities whose
        // sort handle differs from their own: the entities' own handles dealt out in draw
        // order.
        value({331, 5},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& t = static_cast<AcDbSortentsTable&>(o);
                  if (p.code == 331) {
                      t.m_pendingEntity = qv::dbContext(c).reference(p, false);
                      return true;
                  }
                  const auto key = static_cast<long long>(c.handle(p));
                  if (!t.m_pendingEntity.isNull())
                      t.m_keys[t.m_pendingEntity] = key;
                  t.m_pendingEntity.setNull();
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  const auto& table = static_cast<const AcDbSortentsTable&>(o);
                  if (table.m_keys.empty())
                      return;   // drawn in the order of the handles
                  const auto* btr = AcDbBlockTableRecord::cast(table.m_block.object());
                  AcDbObjectIdArray order;
                  if (!btr || table.getFullDrawOrder(order) != Acad::eOk)
                      return;
                  // The handles in increasing order: the record's order of entities mostly is.
                  std::vector<unsigned long long> handles;
                  handles.reserve(order.size());
                  for (const AcDbObjectId& id : btr->entityIds())
                      if (!id.isErased())
                          handles.push_back(id.handle().value());
                  if (!std::is_sorted(handles.begin(), handles.end()))
                      std::sort(handles.begin(), handles.end());
                  for (size_t i = 0; i < order.size(); ++i) {
                      if (handles[i] == order[i].handle().value())
                          continue;
                      out.handle(331, order[i].handle().value());
                      out.handle(5, handles[i]);
                  }
              }),
    }});
    return table;
}
