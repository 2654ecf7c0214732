#include "arx/dbsymtb.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbentity.h"
#include "arx/dbtext.h"
#include "arx/dxftext.h"
#include "dbimpl.h"
#include "dbnesting.h"
#include "dbobjectdata.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <cstdint>

ACRX_DEFINE_MEMBERS(AcDbSymbolTable, AcDbObject, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbSymbolTableRecord, AcDbObject, "")
ACRX_DEFINE_MEMBERS(AcDbBlockTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbBlockTableRecord, AcDbSymbolTableRecord, "BLOCK_RECORD")
ACRX_DEFINE_MEMBERS(AcDbLayerTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbLayerTableRecord, AcDbSymbolTableRecord, "LAYER")
ACRX_DEFINE_MEMBERS(AcDbLinetypeTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbLinetypeTableRecord, AcDbSymbolTableRecord, "LTYPE")
ACRX_DEFINE_MEMBERS(AcDbTextStyleTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbTextStyleTableRecord, AcDbSymbolTableRecord, "STYLE")
ACRX_DEFINE_MEMBERS(AcDbRegAppTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbRegAppTableRecord, AcDbSymbolTableRecord, "APPID")
ACRX_DEFINE_MEMBERS(AcDbViewportTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbViewportTableRecord, AcDbSymbolTableRecord, "VPORT")
ACRX_DEFINE_MEMBERS(AcDbViewTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbViewTableRecord, AcDbSymbolTableRecord, "VIEW")
ACRX_DEFINE_MEMBERS(AcDbUCSTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbUCSTableRecord, AcDbSymbolTableRecord, "UCS")
ACRX_DEFINE_MEMBERS(AcDbDimStyleTable, AcDbSymbolTable, "TABLE")
ACRX_DEFINE_MEMBERS(AcDbDimStyleTableRecord, AcDbSymbolTableRecord, "DIMSTYLE")

// ---- iterators ----

qv::IdListIterator::IdListIterator(const std::vector<AcDbObjectId>* ids, bool atBeginning, bool skipDeleted)
    : m_ids(ids)
{
    start(atBeginning, skipDeleted);
}

void qv::IdListIterator::start(bool atBeginning, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    m_pos = atBeginning ? 0 : static_cast<long>(m_ids->size()) - 1;
    skip(atBeginning);
}

bool qv::IdListIterator::done() const { return m_pos < 0 || m_pos >= static_cast<long>(m_ids->size()); }

void qv::IdListIterator::skip(bool forward)
{
    while (m_skipDeleted && !done() && (*m_ids)[static_cast<size_t>(m_pos)].isErased())
        m_pos += forward ? 1 : -1;
}

void qv::IdListIterator::step(bool forward, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    if (!done())
        m_pos += forward ? 1 : -1;
    skip(forward);
}

Acad::ErrorStatus qv::IdListIterator::currentId(AcDbObjectId& id) const
{
    if (done())
        return Acad::eInvalidIndex;
    id = (*m_ids)[static_cast<size_t>(m_pos)];
    return Acad::eOk;
}

Acad::ErrorStatus qv::IdListIterator::seek(AcDbObjectId id)
{
    for (size_t i = 0; i < m_ids->size(); ++i)
        if ((*m_ids)[i] == id) {
            m_pos = static_cast<long>(i);
            return Acad::eOk;
        }
    return Acad::eKeyNotFound;
}

Acad::ErrorStatus AcDbSymbolTableIterator::getRecord(AcDbSymbolTableRecord*& record, AcDb::OpenMode mode,
                                                     bool openErased) const
{
    return openCurrent(record, mode, openErased);
}

// ---- AcDbSymbolTable ----

bool AcDbSymbolTable::has(const char* name) const
{
    AcDbObjectId id;
    return getAt(name, id) == Acad::eOk;
}

bool AcDbSymbolTable::has(AcDbObjectId id) const
{
    const auto* rec = AcDbSymbolTableRecord::cast(id.object());
    return rec && !rec->isErased() && rec->ownerId() == objectId();
}

Acad::ErrorStatus AcDbSymbolTable::getAt(const char* name, AcDbObjectId& id, bool getErased) const
{
    return getAt(std::string_view(name ? name : ""), id, getErased);
}

Acad::ErrorStatus AcDbSymbolTable::getAt(std::string_view name, AcDbObjectId& id, bool getErased) const
{
    const auto it = m_byName.find(name);
    if (it == m_byName.end() || (it->second.isErased() && !getErased))
        return Acad::eKeyNotFound;
    id = it->second;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::getAt(const char* name, AcDbSymbolTableRecord*& record, AcDb::OpenMode mode,
                                         bool openErased) const
{
    record = nullptr;
    AcDbObjectId id;
    if (const Acad::ErrorStatus es = getAt(name, id, openErased); es != Acad::eOk)
        return es;
    return acdbOpenObject(record, id, mode, openErased);
}

Acad::ErrorStatus AcDbSymbolTable::validateNewName(const std::string& name, AcDbObjectId except) const
{
    if (name.empty())
        return Acad::eInvalidInput;
    const auto it = m_byName.find(name);
    if (it != m_byName.end() && it->second != except && !it->second.isErased())
        return Acad::eDuplicateRecordName;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbSymbolTableRecord* record)
{
    AcDbObjectId id;
    return add(id, record);
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbObjectId& id, AcDbSymbolTableRecord* record)
{
    if (!record)
        return Acad::eNullObjectPointer;
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (record->isDatabaseResident())
        return Acad::eAlreadyInDb;
    if (const Acad::ErrorStatus es = validateNewName(record->name(), AcDbObjectId()); es != Acad::eOk)
        return es;
    if (const Acad::ErrorStatus es = database()->addAcDbObject(id, record); es != Acad::eOk)
        return es;
    record->setOwnerId(objectId());
    attachRecord(id, record->name());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::newIterator(AcDbSymbolTableIterator*& it, bool atBeginning, bool skipDeleted) const
{
    it = new AcDbSymbolTableIterator(&m_records, atBeginning, skipDeleted);
    return Acad::eOk;
}

void AcDbSymbolTable::attachRecord(AcDbObjectId id, const std::string& name)
{
    m_records.push_back(id);
    m_byName[name] = id;
}

bool AcDbSymbolTable::attachNewRecord(AcDbObjectId id, const std::string& name)
{
    const auto [it, added] = m_byName.try_emplace(name, id);
    if (!added) {
        if (!it->second.isErased())
            return false;
        it->second = id;
    }
    m_records.push_back(id);
    return true;
}

void AcDbSymbolTable::attachRecordName(AcDbObjectId id, const std::string& name) { m_byName[name] = id; }

void AcDbSymbolTable::renameRecord(AcDbObjectId id, const std::string& oldName, const std::string& newName)
{
    forgetRecordName(id, oldName);
    m_byName[newName] = id;
    if (auto* rec = AcDbSymbolTableRecord::cast(id.object()))
        rec->assignName(newName);
}

void AcDbSymbolTable::forgetRecordName(AcDbObjectId id, const std::string& name)
{
    const auto it = m_byName.find(name);
    if (it != m_byName.end() && it->second == id)
        m_byName.erase(it);
}

int AcDbSymbolTable::liveRecordCount() const
{
    int n = 0;
    for (const AcDbObjectId& id : m_records)
        n += id.isValid() && !id.isErased();
    return n;
}

namespace {

// A count for readers to size by, no more: a table of more records than the code holds
// says the most it can.
void writeRecordCount(const AcRxObject& o, const Field& f, Writer& out)
{
    const size_t count = static_cast<const AcDbSymbolTable&>(o).liveRecordCount();
    out.integer(f.code(), static_cast<long long>(std::min<size_t>(count, INT16_MAX)));
}

} // namespace

const std::vector<Field>& AcDbSymbolTable::dxfFields()
{
    static const std::vector<Field> fields = {
        subclass("AcDbSymbolTable"),
        ignored({2}),   // the name follows from the kind
        derived({70}, writeRecordCount),
    };
    return fields;
}

const FieldTable& AcDbSymbolTable::dxfTable() const
{
    static const FieldTable table({dxfFields()});
    return table;
}

const FieldTable& AcDbDimStyleTable::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDbDimStyleTable"),
        derived({71}, writeRecordCount),
        derived({340},
                [](const AcRxObject& o, const Field& f, Writer& out) {
                    for (const AcDbObjectId& id : static_cast<const AcDbSymbolTable&>(o).recordIds())
                        if (qv::live(id))
                            out.handle(f.code(), id.handle().value());
                }),
    }});
    return table;
}

bool AcDbRegAppTable::isRegistered(AcDbDatabase* db, const char* appName)
{
    const auto* table = db ? AcDbRegAppTable::cast(db->regAppTableId().object()) : nullptr;
    return table && table->has(appName);
}

// ---- AcDbSymbolTableRecord ----

Acad::ErrorStatus AcDbSymbolTableRecord::getName(const char*& name) const
{
    name = m_name.c_str();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::getName(CString& name) const
{
    name = CString(m_name);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::getName(std::string& name) const
{
    name = m_name;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::setFlags(int flags)
{
    if (flags < INT16_MIN || flags > INT16_MAX)
        return Acad::eInvalidInput;
    m_flags = flags;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::setName(const char* name)
{
    if (!name || !*name)
        return Acad::eInvalidInput;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    if (auto* table = AcDbSymbolTable::cast(ownerId().object()); table && isDatabaseResident()) {
        if (const Acad::ErrorStatus es = table->validateNewName(name, objectId()); es != Acad::eOk)
            return es;
        table->renameRecord(objectId(), m_name, name);
        return Acad::eOk;
    }
    m_name = name;
    return Acad::eOk;
}

void AcDbSymbolTableRecord::onErase(bool erasing)
{
    // An erased record's name is free again; unerasing takes it back when still free.
    if (auto* table = AcDbSymbolTable::cast(ownerId().object())) {
        if (erasing)
            table->forgetRecordName(objectId(), m_name);
        else if (table->validateNewName(m_name, objectId()) == Acad::eOk)
            table->attachRecordName(objectId(), m_name);
    }
}

Field AcDbSymbolTableRecord::nameField() { return nameText<&AcDbSymbolTableRecord::m_name>(2); }

Field AcDbSymbolTableRecord::flagsField() { return integer<&AcDbSymbolTableRecord::m_flags>(70); }

std::vector<Field> AcDbSymbolTableRecord::dxfFields(const char* recordSubclass)
{
    return {subclass("AcDbSymbolTableRecord"), subclass(recordSubclass), nameField(), flagsField()};
}

const FieldTable& AcDbRegAppTableRecord::dxfTable() const
{
    static const FieldTable table({dxfFields("AcDbRegAppTableRecord")});
    return table;
}

const FieldTable& AcDbDimStyleTableRecord::dxfTable() const
{
    static const FieldTable table({dxfFields("AcDbDimStyleTableRecord")});
    return table;
}

#define QV_PLAIN_RECORD_TABLE(RECORD, SUBCLASS)                                                    \
    const FieldTable& RECORD::dxfTable() const                                                     \
    {                                                                                              \
        static const FieldTable table({dxfFields(SUBCLASS)});                                      \
        return table;                                                                              \
    }
QV_PLAIN_RECORD_TABLE(AcDbViewportTableRecord, "AcDbViewportTableRecord")
QV_PLAIN_RECORD_TABLE(AcDbViewTableRecord, "AcDbViewTableRecord")
QV_PLAIN_RECORD_TABLE(AcDbUCSTableRecord, "AcDbUCSTableRecord")
#undef QV_PLAIN_RECORD_TABLE

// ---- AcDbBlockTableRecord ----

AcDbBlockTableRecordIterator::AcDbBlockTableRecordIterator(const AcDbBlockTableRecord* record, bool atBeginning,
                                                           bool skipDeleted)
    : IdListIterator(&record->entityIds(), atBeginning, skipDeleted)
{
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& entity, AcDb::OpenMode mode,
                                                          bool openErased) const
{
    return openCurrent(entity, mode, openErased);
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbEntity* entity)
{
    AcDbObjectId id;
    return appendAcDbEntity(id, entity);
}

Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity)
{
    if (!entity)
        return Acad::eNullEntityPointer;
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (!isWriteEnabled())
        return Acad::eNotOpenForWrite;
    if (entity->isDatabaseResident())
        return Acad::eAlreadyInDb;
    if (qv::wouldContainItself(objectId(), entity))
        return Acad::eSelfReference;
    if (const Acad::ErrorStatus es = database()->addAcDbObject(id, entity); es != Acad::eOk)
        return es;
    entity->setOwnerId(objectId());
    entity->resolveLayer(database());
    attachEntity(id);
    return Acad::eOk;
}

void AcDbBlockTableRecord::attachEntity(AcDbObjectId id)
{
    noteHeld(id.object());
    m_entities.push_back(id);
}

void AcDbBlockTableRecord::noteHeld(const AcDbObject* entity)
{
    if (AcDbBlockReference::cast(entity))
        m_held |= kHeldReferences;
    else if (entity && entity->isA() == AcDbAttributeDefinition::desc())
        m_held |= kHeldAttributeDefinitions;
}

Acad::ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& it, bool atBeginning,
                                                    bool skipDeleted) const
{
    it = new AcDbBlockTableRecordIterator(this, atBeginning, skipDeleted);
    return Acad::eOk;
}

void AcDbBlockTableRecord::detachEntities(const std::unordered_map<AcDbObjectId, bool>& ids)
{
    std::erase_if(m_entities, [&ids](const AcDbObjectId& id) { return ids.count(id) > 0; });
}

Acad::ErrorStatus AcDbBlockTableRecord::assumeOwnershipOf(const AcDbObjectIdArray& entityIds)
{
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    // Group the entities by their present owner, so each owner's list is filtered once.
    std::unordered_map<AcDbObjectId, std::unordered_map<AcDbObjectId, bool>> byOwner;
    for (const AcDbObjectId& id : entityIds) {
        const auto* ent = AcDbEntity::cast(id.object());
        if (!ent || id.database() != database())
            return Acad::eInvalidInput;
        if (qv::wouldContainItself(objectId(), ent))
            return Acad::eSelfReference;
        if (ent->ownerId() != objectId())
            byOwner[ent->ownerId()][id] = true;
    }
    for (auto& [owner, ids] : byOwner) {
        if (auto* btr = AcDbBlockTableRecord::cast(owner.object()))
            btr->detachEntities(ids);
        for (const auto& entry : ids) {
            entry.first.object()->setOwnerId(objectId());
            attachEntity(entry.first);
            database()->impl().noteModified(entry.first);
        }
        database()->impl().noteModified(owner);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setOrigin(const AcGePoint3d& origin)
{
    QV_CHECKED_SETTER(qv::allFinite(origin), m_origin = origin)
}

bool AcDbBlockTableRecord::isLayout() const
{
    return qv::dxf::equalNoCase(name(), AcDbBlockTableRecord::kModelSpace) || isPaperSpace();
}

bool AcDbBlockTableRecord::isPaperSpace() const
{
    constexpr std::string_view paper = AcDbBlockTableRecord::kPaperSpace;
    return name().size() >= paper.size() && qv::dxf::equalNoCase(std::string_view(name()).substr(0, paper.size()), paper);
}

AcDbBlockTableRecord::~AcDbBlockTableRecord()
{
    qv::ObjectData::destroy(m_frame.begin);
    qv::ObjectData::destroy(m_frame.end);
}

Acad::ErrorStatus AcDbBlockTableRecord::setLayoutId(AcDbObjectId layout)
{
    m_layout = layout;
    return Acad::eOk;
}

bool AcDbBlockTableRecord::isAnonymous() const
{
    return (flags() & 1) || (!name().empty() && name()[0] == '*' && !isLayout());
}

bool AcDbBlockTableRecord::hasAttributeDefinitions() const
{
    return (m_held & kHeldAttributeDefinitions) && std::any_of(m_entities.begin(), m_entities.end(), [](const AcDbObjectId& id) {
        return qv::live(id) && id.object()->isA() == AcDbAttributeDefinition::desc();
    });
}

Acad::ErrorStatus AcDbBlockTableRecord::setComments(const char* text)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_description = text ? text : "";
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::getSortentsTable(AcDbSortentsTable*& table, AcDb::OpenMode mode,
                                                         bool createIfNecessary)
{
    table = nullptr;
    if (extensionDictionary().isNull() || extensionDictionary().isErased()) {
        if (!createIfNecessary)
            return Acad::eKeyNotFound;
        if (const Acad::ErrorStatus es = createExtensionDictionary(); es != Acad::eOk)
            return es;
    }
    // Read only, so that finding the table changes nothing; written only to add it.
    AcDbDictionary* dict = nullptr;
    if (const Acad::ErrorStatus es = acdbOpenObject(dict, extensionDictionary(), AcDb::kForRead); es != Acad::eOk)
        return es;
    AcDbObjectId id;
    if (dict->getAt("ACAD_SORTENTS", id) != Acad::eOk) {
        const Acad::ErrorStatus es = createIfNecessary ? dict->upgradeOpen() : Acad::eKeyNotFound;
        if (es != Acad::eOk) {
            dict->close();
            return es;
        }
        auto* created = new AcDbSortentsTable;
        dict->setAt("ACAD_SORTENTS", created, id);
        created->setBlockId(objectId());
        created->close();
    }
    dict->close();
    return acdbOpenObject(table, id, mode);
}

const FieldTable& AcDbBlockTableRecord::dxfTable() const
{
    static const FieldTable table({{
        subclass("AcDbSymbolTableRecord"),
        subclass("AcDbBlockTableRecord"),
        nameField(),
        reference<&AcDbBlockTableRecord::m_layout>(340),
        integer<&AcDbBlockTableRecord::m_insertUnits>(70),
        integer<&AcDbBlockTableRecord::m_explodable>(280).range(0, 1).omitting(-1),
        integer<&AcDbBlockTableRecord::m_scalable>(281).range(0, 1).omitting(-1),
    }});
    return table;
}

namespace {

bool paperSpaceFrame(const AcRxObject& o) { return static_cast<const AcDbBlockTableRecord&>(o).isPaperSpace(); }

void writeFrameLayer(const AcRxObject& o, const Field& f, Writer& out)
{
    out.text(f.code(), static_cast<const AcDbBlockTableRecord&>(o).frame().layer);
}

void writeBlockName(const AcRxObject& o, const Field& f, Writer& out)
{
    out.text(f.code(), static_cast<const AcDbBlockTableRecord&>(o).name());
}

void writeOne(const AcRxObject&, const Field& f, Writer& out) { out.integer(f.code(), 1); }

} // namespace

// The BLOCK record: the definition's name (read by the reader first, to find the record),
// flags, origin, external reference path and description.
const FieldTable& AcDbBlockTableRecord::blockBeginTable()
{
    static const FieldTable table({{
        subclass("AcDbEntity"),
        derived({67}, writeOne).only(paperSpaceFrame),
        value({8},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  static_cast<AcDbBlockTableRecord&>(o).m_frame.layer = qv::dxf::internName(qv::dbContext(c).name(p));
                  return true;
              },
              writeFrameLayer),
        subclass("AcDbBlockBegin"),
        derived({2}, writeBlockName),
        value({70},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  static_cast<AcDbBlockTableRecord&>(o).setFlags(static_cast<int>(c.integer(p)));
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  const auto& btr = static_cast<const AcDbBlockTableRecord&>(o);
                  out.integer(f.code(), (btr.flags() & ~2) | (btr.hasAttributeDefinitions() ? 2 : 0));
              }),
        point<&AcDbBlockTableRecord::m_origin>(10),
        derived({3}, writeBlockName),
        text<&AcDbBlockTableRecord::m_xrefPath>(1),
        text<&AcDbBlockTableRecord::m_description>(4).omittingEmpty(),
    }});
    return table;
}

const FieldTable& AcDbBlockTableRecord::blockEndTable()
{
    static const FieldTable table({{
        subclass("AcDbEntity"),
        derived({67}, writeOne).only(paperSpaceFrame),
        derived({8}, writeFrameLayer),
        subclass("AcDbBlockEnd"),
    }});
    return table;
}

// ---- AcDbLayerTableRecord ----

AcDbLayerTableRecord::AcDbLayerTableRecord() { m_color.setColorIndex(7); }

Acad::ErrorStatus AcDbLayerTableRecord::setIsFrozen(bool frozen)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    setFlags(frozen ? flags() | 1 : flags() & ~1);
    return Acad::eOk;
}

void AcDbLayerTableRecord::setIsLocked(bool locked) { setFlags(locked ? flags() | 4 : flags() & ~4); }

Acad::ErrorStatus AcDbLayerTableRecord::setIsPlottable(bool plottable)
{
    m_plottable = plottable;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLayerTableRecord::setLineWeight(AcDb::LineWeight weight)
{
    if (weight < -3 || weight > 211)
        return Acad::eInvalidInput;
    m_lineWeight = weight;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLayerTableRecord::setLinetypeObjectId(AcDbObjectId id)
{
    if (!AcDbLinetypeTableRecord::cast(id.object()))
        return Acad::eInvalidInput;
    m_linetype = id;
    return Acad::eOk;
}

const FieldTable& AcDbLayerTableRecord::dxfTable() const
{
    static const FieldTable table({dxfFields("AcDbLayerTableRecord"), {
        value({62, 420},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& layer = static_cast<AcDbLayerTableRecord&>(o);
                  if (p.code == 420) {
                      qv::readTrueColor(layer.m_color, c.integer(p));
                      return true;
                  }
                  const auto index = static_cast<int>(c.integer(p, -257, 257));
                  layer.m_off = index < 0;
                  layer.m_fileIndex = index < 0 ? -index : index;
                  qv::readColorIndex(layer.m_color, layer.m_fileIndex);
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  // A layer needs a real colour: by layer and by block (which have none) become white.
                  const auto& layer = static_cast<const AcDbLayerTableRecord&>(o);
                  const AcCmColor& color = layer.m_color;
                  const int index = color.isByColor() ? qv::indexBesideTrueColor(color, layer.m_fileIndex) : color.colorIndex();
                  const int real = index >= 1 && index <= 255 ? index : 7;
                  out.integer(62, layer.m_off ? -real : real);
                  if (color.isByColor())
                      out.integer(420, static_cast<long long>(color.rgb() & 0xFFFFFF));
              }),
        value({6},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  qv::dbContext(c).setLinetypeNamed(&static_cast<AcDbLayerTableRecord&>(o), qv::dbContext(c).name(p));
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  const auto* lt = AcDbLinetypeTableRecord::cast(static_cast<const AcDbLayerTableRecord&>(o).m_linetype.object());
                  out.text(f.code(), lt && !lt->isErased() ? lt->name() : std::string("Continuous"));
              }),
        flag<&AcDbLayerTableRecord::m_plottable>(290).omitting(1),
        integer<&AcDbLayerTableRecord::m_lineWeight>(370).range(-3, 211),
    }});
    return table;
}

// ---- AcDbLinetypeTableRecord ----

void AcDbLinetypeTableRecord::setNumDashes(int count) { m_dashes.resize(static_cast<size_t>(std::clamp(count, 0, kMaxDashes))); }

double AcDbLinetypeTableRecord::dashLengthAt(int index) const
{
    return index >= 0 && index < numDashes() ? m_dashes[static_cast<size_t>(index)].length : 0.0;
}

Acad::ErrorStatus AcDbLinetypeTableRecord::setDashLengthAt(int index, double length)
{
    if (index < 0 || index >= numDashes())
        return Acad::eInvalidIndex;
    m_dashes[static_cast<size_t>(index)].length = length;
    return Acad::eOk;
}

const FieldTable& AcDbLinetypeTableRecord::dxfTable() const
{
    static const FieldTable table({dxfFields("AcDbLinetypeTableRecord"), {
        text<&AcDbLinetypeTableRecord::m_comments>(3),
        derived({72}, [](const AcRxObject&, const Field& f, Writer& out) { out.integer(f.code(), 65); }),
        derived({73},
                [](const AcRxObject& o, const Field& f, Writer& out) {
                    out.integer(f.code(), static_cast<const AcDbLinetypeTableRecord&>(o).numDashes());
                }),
        real<&AcDbLinetypeTableRecord::m_patternLength>(40),
        // Each dash: its length, then what describes a shape or text in it.
        value({49, 74, 75, 340, 46, 50, 44, 45, 9},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  auto& dashes = static_cast<AcDbLinetypeTableRecord&>(o).m_dashes;
                  if (p.code == 49) {
                      dashes.push_back(Dash{c.real(p), {}});
                  } else if (dashes.empty()) {
                      return false;
                  } else if (p.code != 74 || c.integer(p) != 0) {
                      dashes.back().complex.add(p.code, c.kept(p).value);
                  }
                  return true;
              },
              [](const AcRxObject& o, const Field&, Writer& out) {
                  for (const Dash& d : static_cast<const AcDbLinetypeTableRecord&>(o).m_dashes) {
                      out.real(49, d.length);
                      if (d.complex.empty() || d.complex[0].code != 74)
                          out.integer(74, 0);
                      out.tags(d.complex);
                  }
              }),
    }});
    return table;
}

// ---- AcDbTextStyleTableRecord ----

const FieldTable& AcDbTextStyleTableRecord::dxfTable() const
{
    static const FieldTable table({dxfFields("AcDbTextStyleTableRecord"), {
        real<&AcDbTextStyleTableRecord::m_size>(40),
        real<&AcDbTextStyleTableRecord::m_xScale>(41),
        real<&AcDbTextStyleTableRecord::m_oblique>(50),
        integer<&AcDbTextStyleTableRecord::m_generation>(71),
        real<&AcDbTextStyleTableRecord::m_priorSize>(42),
        text<&AcDbTextStyleTableRecord::m_font>(3),
        text<&AcDbTextStyleTableRecord::m_bigFont>(4),
    }});
    return table;
}

Acad::ErrorStatus AcDbBlockTableRecord::getBlockReferenceIds(AcDbObjectIdArray& ids, bool, bool) const
{
    ids.clear();
    if (!isDatabaseResident())
        return Acad::eNotInDatabase;
    const AcDbDatabase::Impl& impl = database()->impl();
    for (size_t i = 0; i < impl.stubs.size(); ++i) {
        const AcDbStub& stub = impl.stubs[i];
        const auto* ref = stub.erased ? nullptr : AcDbBlockReference::cast(stub.object);
        if (ref && ref->blockTableRecord() == objectId() && qv::live(ref->ownerId()))
            ids.push_back(ref->objectId());
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::checkErase() const
{
    AcDbObjectIdArray refs;
    getBlockReferenceIds(refs);
    return refs.empty() ? Acad::eOk : Acad::eObjectIsReferenced;
}
