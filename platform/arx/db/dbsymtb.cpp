#include "arx/dbsymtb.h"

#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbentity.h"
#include "dbimpl.h"
#include "dbnesting.h"
#include "dbobjectimpl.h"

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

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;
using qv::dxf::upper;

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
    const auto it = m_byName.find(upper(name ? name : ""));
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
    const auto it = m_byName.find(upper(name));
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
    m_byName[upper(name)] = id;
}

void AcDbSymbolTable::attachRecordName(AcDbObjectId id, const std::string& name) { m_byName[upper(name)] = id; }

void AcDbSymbolTable::renameRecord(AcDbObjectId id, const std::string& oldName, const std::string& newName)
{
    forgetRecordName(id, oldName);
    m_byName[upper(newName)] = id;
    if (auto* rec = AcDbSymbolTableRecord::cast(id.object()))
        rec->assignName(newName);
}

void AcDbSymbolTable::forgetRecordName(AcDbObjectId id, const std::string& name)
{
    const auto it = m_byName.find(upper(name));
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

bool AcDbSymbolTable::dxfInField(DxfIn&, const Token& t)
{
    return t.code == 70 || t.code == 2;   // the count and name follow from the records
}

void AcDbSymbolTable::dxfOutFields(DxfOut& out) const
{
    out.subclass("AcDbSymbolTable");
    out.integer(70, liveRecordCount());
}

bool AcDbDimStyleTable::dxfInField(DxfIn& in, const Token& t)
{
    return AcDbSymbolTable::dxfInField(in, t) || t.code == 71 || t.code == 340;
}

void AcDbDimStyleTable::dxfOutFields(DxfOut& out) const
{
    AcDbSymbolTable::dxfOutFields(out);
    out.subclass("AcDbDimStyleTable");
    out.integer(71, liveRecordCount());
    for (const AcDbObjectId& id : recordIds())
        if (id.isValid() && !id.isErased())
            out.id(340, id);
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

bool AcDbSymbolTableRecord::dxfInField(DxfIn& in, const Token& t)
{
    if (t.code == 2) {
        m_name = t.value;
        return true;
    }
    if (t.code == 70) {
        m_flags = in.integer(t);
        return true;
    }
    return false;
}

void AcDbSymbolTableRecord::dxfOutFields(DxfOut& out) const
{
    out.subclass("AcDbSymbolTableRecord");
    out.subclass(recordSubclass());
    out.tag(2, m_name);
    out.integer(70, m_flags);
    dxfOutRecord(out);
}

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
    m_entities.push_back(id);
    return Acad::eOk;
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
            m_entities.push_back(entry.first);
            database()->impl().noteModified(entry.first);
        }
        database()->impl().noteModified(owner);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setOrigin(const AcGePoint3d& origin)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    m_origin = origin;
    return Acad::eOk;
}

bool AcDbBlockTableRecord::isLayout() const
{
    const std::string n = upper(name());
    return n == "*MODEL_SPACE" || n.starts_with("*PAPER_SPACE");
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
    for (const AcDbObjectId& id : m_entities)
        if (!id.isErased() && id.object() && std::string(id.object()->isA()->name()) == "AcDbAttributeDefinition")
            return true;
    return false;
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
    AcDbDictionary* dict = nullptr;
    if (const Acad::ErrorStatus es = acdbOpenObject(dict, extensionDictionary(), AcDb::kForWrite); es != Acad::eOk)
        return es;
    AcDbObjectId id;
    if (dict->getAt("ACAD_SORTENTS", id) != Acad::eOk) {
        if (!createIfNecessary) {
            dict->close();
            return Acad::eKeyNotFound;
        }
        auto* created = new AcDbSortentsTable;
        dict->setAt("ACAD_SORTENTS", created, id);
        created->setBlockId(objectId());
        created->close();
    }
    dict->close();
    return acdbOpenObject(table, id, mode);
}

bool AcDbBlockTableRecord::dxfInField(DxfIn& in, const Token& t)
{
    if (t.code == 340) {
        m_layout = in.reference(t, false);
        return true;
    }
    if (t.code == 70 && in.subclass() == "AcDbBlockTableRecord") {
        m_insertUnits = static_cast<short>(in.integer(t));
        return true;
    }
    return AcDbSymbolTableRecord::dxfInField(in, t);
}

void AcDbBlockTableRecord::dxfOutFields(DxfOut& out) const
{
    out.subclass("AcDbSymbolTableRecord");
    out.subclass("AcDbBlockTableRecord");
    out.tag(2, name());
    out.id(340, m_layout);
    out.integer(70, m_insertUnits);
}

void AcDbBlockTableRecord::dxfOutRecord(DxfOut&) const {}

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

bool AcDbLayerTableRecord::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 62: {
        const int index = in.integer(t);
        m_off = index < 0;
        m_fileIndex = index < 0 ? -index : index;
        qv::readColorIndex(m_color, m_fileIndex);
        return true;
    }
    case 420: qv::readTrueColor(m_color, in.integer(t)); return true;
    case 6: m_linetypeName = t.value; return true;
    case 290: m_plottable = in.flag(t); return true;
    case 370: m_lineWeight = static_cast<AcDb::LineWeight>(in.integer(t)); return true;
    }
    return AcDbSymbolTableRecord::dxfInField(in, t);
}

void AcDbLayerTableRecord::dxfInResolve(DxfIn& in)
{
    const auto* table = AcDbSymbolTable::cast(in.database()->linetypeTableId().object());
    if (table && table->getAt(m_linetypeName.empty() ? "Continuous" : m_linetypeName.c_str(), m_linetype) != Acad::eOk)
        table->getAt("Continuous", m_linetype);
}

void AcDbLayerTableRecord::dxfOutRecord(DxfOut& out) const
{
    // A layer needs a real colour: by layer and by block (which have none) become white.
    const int index = m_color.isByColor() ? qv::indexBesideTrueColor(m_color, m_fileIndex) : m_color.colorIndex();
    const int real = index >= 1 && index <= 255 ? index : 7;
    out.integer(62, m_off ? -real : real);
    if (m_color.isByColor())
        out.integer(420, static_cast<long long>(m_color.rgb() & 0xFFFFFF));
    const auto* lt = AcDbLinetypeTableRecord::cast(m_linetype.object());
    out.tag(6, lt && !lt->isErased() ? lt->name() : std::string("Continuous"));
    if (!m_plottable)
        out.integer(290, 0);
    out.integer(370, m_lineWeight);
}

// ---- AcDbLinetypeTableRecord ----

void AcDbLinetypeTableRecord::setNumDashes(int count) { m_dashes.resize(static_cast<size_t>(std::max(count, 0))); }

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

bool AcDbLinetypeTableRecord::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 3: m_comments = t.value; return true;
    case 72: case 73: return true;
    case 40: m_patternLength = in.real(t); return true;
    case 49: m_dashes.push_back(Dash{in.real(t), {}}); return true;
    }
    if (!m_dashes.empty() && in.subclass() == "AcDbLinetypeTableRecord" && t.code != 2 && t.code != 70) {
        if (t.code != 74 || in.integer(t) != 0)
            m_dashes.back().complex.push_back({t.code, t.value});
        return true;
    }
    return AcDbSymbolTableRecord::dxfInField(in, t);
}

void AcDbLinetypeTableRecord::dxfOutRecord(DxfOut& out) const
{
    out.tag(3, m_comments);
    out.integer(72, 65);
    out.integer(73, numDashes());
    out.real(40, m_patternLength);
    for (const Dash& d : m_dashes) {
        out.real(49, d.length);
        if (d.complex.empty() || d.complex.front().code != 74)
            out.integer(74, 0);
        out.tags(d.complex);
    }
}

// ---- AcDbTextStyleTableRecord ----

bool AcDbTextStyleTableRecord::dxfInField(DxfIn& in, const Token& t)
{
    switch (t.code) {
    case 40: m_size = in.real(t); return true;
    case 41: m_xScale = in.real(t); return true;
    case 50: m_oblique = in.real(t); return true;
    case 71: m_generation = in.integer(t); return true;
    case 42: m_priorSize = in.real(t); return true;
    case 3: m_font = t.value; return true;
    case 4: m_bigFont = t.value; return true;
    }
    return AcDbSymbolTableRecord::dxfInField(in, t);
}

void AcDbTextStyleTableRecord::dxfOutRecord(DxfOut& out) const
{
    out.real(40, m_size);
    out.real(41, m_xScale);
    out.real(50, m_oblique);
    out.integer(71, m_generation);
    out.real(42, m_priorSize);
    out.tag(3, m_font);
    out.tag(4, m_bigFont);
}
