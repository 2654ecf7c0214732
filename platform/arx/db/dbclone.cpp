// Deep cloning within a database. Each object is copied through its DXF fields (as it would
// be written and read back), so every field the database models or keeps as read is
// copied; handle references among the copied objects are turned to the copies on the way.
#include "arx/dbidmapping.h"

#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"
#include "arx/dxffieldtable.h"
#include "arx/dxfnames.h"
#include "arx/dxfnumber.h"
#include "arx/dxfreader.h"
#include "dbimpl.h"
#include "dbnesting.h"
#include "dbobjectdata.h"
#include "dxfcontext.h"

#include <deque>
#include <memory>

namespace {

using qv::dxf::TagList;

// The writer's buffer for one object's fields.
constexpr size_t kFieldsBuffer = 4096;

template <class T>
AcDbObject* make()
{
    return new T;
}

// An empty object of the original's class, or null for a class that cannot be copied.
AcDbObject* emptyCopyOf(const AcDbObject* original)
{
    const AcRxClass* cls = original->isA();
    if (cls == AcDbProxyEntity::desc())
        return new AcDbProxyEntity(qv::dxf::internName(original->dxfName()));
    if (cls == AcDbProxyObject::desc())
        return new AcDbProxyObject(qv::dxf::internName(original->dxfName()));
    static const std::pair<const AcRxClass*, AcDbObject* (*)()> kinds[] = {
        {AcDbLine::desc(), &make<AcDbLine>},
        {AcDbCircle::desc(), &make<AcDbCircle>},
        {AcDbArc::desc(), &make<AcDbArc>},
        {AcDbPolyline::desc(), &make<AcDbPolyline>},
        {AcDb2dPolyline::desc(), &make<AcDb2dPolyline>},
        {AcDb3dPolyline::desc(), &make<AcDb3dPolyline>},
        {AcDbPolyFaceMesh::desc(), &make<AcDbPolyFaceMesh>},
        {AcDbPolygonMesh::desc(), &make<AcDbPolygonMesh>},
        {AcDbVertex::desc(), &make<AcDbVertex>},
        {AcDbText::desc(), &make<AcDbText>},
        {AcDbMText::desc(), &make<AcDbMText>},
        {AcDbAttributeDefinition::desc(), &make<AcDbAttributeDefinition>},
        {AcDbAttribute::desc(), &make<AcDbAttribute>},
        {AcDbBlockReference::desc(), &make<AcDbBlockReference>},
        {AcDbMInsertBlock::desc(), &make<AcDbMInsertBlock>},
        {AcDbHatch::desc(), &make<AcDbHatch>},
        {AcDbViewport::desc(), &make<AcDbViewport>},
        {AcDbXrecord::desc(), &make<AcDbXrecord>},
        {AcDbDictionary::desc(), &make<AcDbDictionary>},
    };
    for (const auto& [kind, factory] : kinds)
        if (cls == kind)
            return factory();
    return nullptr;
}

bool isHandleCode(int code)
{
    return (code >= 320 && code <= 369) || (code >= 390 && code <= 399) || code == 480 || code == 481
        || code == 1005;
}

// The objects an object owns and that are copied with it.
std::vector<AcDbObjectId> ownedObjects(const AcDbObject* obj)
{
    std::vector<AcDbObjectId> owned;
    auto addLive = [&](AcDbObjectId id) {
        if (id.isValid() && !id.isErased())
            owned.push_back(id);
    };
    if (const auto* ref = AcDbBlockReference::cast(obj))
        for (const AcDbObjectId& id : ref->attributeIds())
            addLive(id);
    if (const auto* pl = AcDbSequencePolyline::cast(obj))
        for (const AcDbObjectId& id : pl->vertexIds())
            addLive(id);
    if (const auto* dict = AcDbDictionary::cast(obj)) {
        std::unique_ptr<AcDbDictionaryIterator> it(dict->newIterator());
        for (; !it->done(); it->next())
            if (dict->isTreatElementsAsHard() || it->objectId().object()->ownerId() == obj->objectId())
                addLive(it->objectId());
    }
    addLive(obj->extensionDictionary());
    return owned;
}

class Cloner
{
public:
    explicit Cloner(AcDbDatabase* db) : m_db(db), m_impl(db->impl()), m_context(db) {}
    ~Cloner();

    // Plans the copy of an object and of what it owns; false for a class that cannot be copied.
    bool plan(AcDbObjectId id, bool primary);
    // Makes the copies resident, fills them and resolves their references.
    bool make();
    // Hands the copies to the owner and records them; the copies belong to the database.
    void commit(AcDbObjectId owner, AcDbIdMapping& idMap);

private:
    struct Item {
        AcDbObject* original;
        std::unique_ptr<AcDbObject> pending;   // the copy until it is resident
        AcDbObjectId copy;
        bool primary;
    };

    AcDbObjectId copyOf(AcDbObjectId id) const;
    // The handle a value names, turned to its copy's when the object is copied too.
    std::string_view translated(int code, std::string_view value, std::string& storage) const;
    void translate(TagList& tags) const;
    // Copies the original's fields and data; throws dxf::FormatError.
    void fill(const Item& item);
    void fillFields(const AcDbObject* original, AcDbObject* copy);
    void fillDictionary(const AcDbDictionary* original, AcDbDictionary* copy) const;
    void link(const Item& item) const;

    AcDbDatabase* m_db;
    AcDbDatabase::Impl& m_impl;
    qv::DxfContext m_context;
    std::vector<Item> m_items;
    std::unordered_map<AcDbObjectId, AcDbObjectId> m_copies;
    bool m_committed = false;
};

// A failed clone leaves no copy: the slots made for the copies are emptied.
Cloner::~Cloner()
{
    if (m_committed)
        return;
    for (Item& item : m_items)
        if (AcDbStub* stub = item.copy.stub()) {
            m_impl.byHandle.erase(stub->handle.value());
            m_impl.destroyObject(stub);
        }
}

bool Cloner::plan(AcDbObjectId id, bool primary)
{
    if (m_copies.count(id))
        return true;
    AcDbObject* original = id.object();
    std::unique_ptr<AcDbObject> copy(emptyCopyOf(original));
    if (!copy)
        return false;
    m_copies.emplace(id, AcDbObjectId());
    m_items.push_back({original, std::move(copy), AcDbObjectId(), primary});
    for (const AcDbObjectId& owned : ownedObjects(original))
        if (!plan(owned, false))
            return false;
    return true;
}

AcDbObjectId Cloner::copyOf(AcDbObjectId id) const
{
    const auto it = m_copies.find(id);
    return it == m_copies.end() ? AcDbObjectId() : it->second;
}

bool Cloner::make()
{
    for (Item& item : m_items) {
        AcDbStub* stub = m_impl.newStub();
        m_impl.assignHandle(stub);
        item.copy = m_impl.install(stub, item.pending.release());
        m_copies[item.original->objectId()] = item.copy;
    }
    try {
        for (const Item& item : m_items)
            fill(item);
        m_context.resolve();
    } catch (const qv::dxf::FormatError&) {
        return false;
    }
    return true;
}

std::string_view Cloner::translated(int code, std::string_view value, std::string& storage) const
{
    AcDbObjectId id;
    if (!isHandleCode(code) || m_db->getAcDbObjectId(id, false, AcDbHandle(std::string(value))) != Acad::eOk)
        return value;
    const AcDbObjectId copy = copyOf(id);
    if (copy.isNull())
        return value;
    storage = copy.handle().text();
    return storage;
}

void Cloner::translate(TagList& tags) const
{
    TagList result;
    std::string storage;
    for (const qv::dxf::Tag& t : tags)
        result.add(t.code, translated(t.code, t.value(), storage), t.anchor);
    tags = std::move(result);
}

void Cloner::fill(const Item& item)
{
    AcDbObject* copy = item.copy.object();
    if (const auto* dict = AcDbDictionary::cast(item.original))
        fillDictionary(dict, AcDbDictionary::cast(copy));
    else
        fillFields(item.original, copy);
    if (const qv::ObjectData* data = static_cast<const AcDbObject*>(item.original)->data()) {
        copy->editData().xdata = data->xdata;
        translate(copy->editData().xdata);
        copy->editData().appGroups = data->appGroups;
    }
    link(item);
}

// Writes the original's fields as a file would hold them and reads them into the copy.
void Cloner::fillFields(const AcDbObject* original, AcDbObject* copy)
{
    std::string text;
    {
        qv::dxf::StringSink sink(text);
        qv::dxf::Writer out(sink, kFieldsBuffer);
        original->dxfOutFields(out);
        out.finish();
    }
    // The copy's record: a head, then the fields with handles of copied objects turned to
    // their copies'.
    std::deque<std::string> handles;
    std::vector<qv::dxf::Pair> pairs{qv::dxf::Pair{0, original->dxfName(), 0}};
    qv::dxf::Reader reader(text);
    for (qv::dxf::Pair p; reader.next(p);) {
        std::string storage;
        if (translated(p.code, p.value, storage).data() == storage.data())
            p.value = handles.emplace_back(std::move(storage));
        pairs.push_back(p);
    }
    qv::DxfContext::RecordInfo info;
    m_context.readRecord(*copy, copy->dxfTable(), pairs, copy->dataSlot(), info);
    copy->dxfInEnd();
}

// Entries the dictionary owns point to their copies; others are shared.
void Cloner::fillDictionary(const AcDbDictionary* original, AcDbDictionary* copy) const
{
    copy->setDxfName(original->dxfName());
    copy->setTreatElementsAsHard(original->isTreatElementsAsHard());
    std::unique_ptr<AcDbDictionaryIterator> it(original->newIterator());
    for (; !it->done(); it->next()) {
        const AcDbObjectId entryCopy = copyOf(it->objectId());
        copy->attachEntry(it->name(), entryCopy.isNull() ? it->objectId() : entryCopy);
    }
}

// The copy's owner, reactors and extension dictionary, and its place in its owner.
void Cloner::link(const Item& item) const
{
    AcDbObject* copy = item.copy.object();
    const AcDbObjectId ownerCopy = copyOf(item.original->ownerId());
    copy->setOwnerId(ownerCopy);
    for (const AcDbObjectId& reactor : item.original->reactors())
        if (const AcDbObjectId r = copyOf(reactor); !r.isNull())
            copy->addPersistentReactor(r);
    copy->setExtensionDictionaryId(copyOf(item.original->extensionDictionary()));
    if (auto* ref = AcDbBlockReference::cast(ownerCopy.object()); ref && AcDbAttribute::cast(copy))
        ref->attachAttribute(item.copy);
    if (auto* pl = AcDbSequencePolyline::cast(ownerCopy.object()); pl && AcDbVertex::cast(copy))
        pl->attachVertex(item.copy);
}

void Cloner::commit(AcDbObjectId owner, AcDbIdMapping& idMap)
{
    auto* btr = AcDbBlockTableRecord::cast(owner.object());
    for (const Item& item : m_items) {
        if (item.primary) {
            item.copy.object()->setOwnerId(owner);
            btr->attachEntity(item.copy);
        }
        idMap.assign(AcDbIdPair(item.original->objectId(), item.copy, true, item.primary));
    }
    for (const Item& item : m_items)
        if (item.primary)
            m_impl.noteModified(item.copy);
    m_committed = true;
}

// eOk for a live object of the database.
Acad::ErrorStatus checkLive(const AcDbDatabase* db, AcDbObjectId id)
{
    if (id.isNull())
        return Acad::eNullObjectId;
    if (!id.object())
        return Acad::eUnknownHandle;
    if (id.database() != db)
        return Acad::eInvalidInput;
    return id.isErased() ? Acad::eWasErased : Acad::eOk;
}

// eOk for an entity that a block record owns directly (not an attribute or a vertex).
Acad::ErrorStatus checkPrimary(const AcDbDatabase* db, AcDbObjectId id)
{
    if (const Acad::ErrorStatus es = checkLive(db, id); es != Acad::eOk)
        return es;
    const AcDbObject* obj = id.object();
    return AcDbEntity::cast(obj) && AcDbBlockTableRecord::cast(obj->ownerId().object()) ? Acad::eOk
                                                                                         : Acad::eNotThatKindOfClass;
}

Acad::ErrorStatus checkOwner(const AcDbDatabase* db, AcDbObjectId owner)
{
    if (const Acad::ErrorStatus es = checkLive(db, owner); es != Acad::eOk)
        return es;
    return AcDbBlockTableRecord::cast(owner.object()) ? Acad::eOk : Acad::eNotThatKindOfClass;
}

} // namespace

Acad::ErrorStatus AcDbDatabase::deepCloneObjects(const AcDbObjectIdArray& ids, const AcDbObjectId& owner,
                                                 AcDbIdMapping& idMap, bool)
{
    if (const Acad::ErrorStatus es = checkOwner(this, owner); es != Acad::eOk)
        return es;
    for (const AcDbObjectId& id : ids) {
        if (const Acad::ErrorStatus es = checkPrimary(this, id); es != Acad::eOk)
            return es;
        if (qv::wouldContainItself(owner, id.object()))
            return Acad::eSelfReference;
    }
    Cloner cloner(this);
    for (const AcDbObjectId& id : ids) {
        AcDbIdPair known(id, AcDbObjectId(), false);
        if (idMap.compute(known) && known.isCloned())
            continue;
        if (!cloner.plan(id, true))
            return Acad::eNotThatKindOfClass;
    }
    if (!cloner.make())
        return Acad::eInvalidInput;
    idMap.setDatabases(this, this);
    cloner.commit(owner, idMap);
    return Acad::eOk;
}

// ---- AcDbIdMapping ----

bool AcDbIdMapping::compute(AcDbIdPair& pair) const
{
    const auto it = m_index.find(pair.key());
    if (it == m_index.end())
        return false;
    pair = m_pairs[it->second];
    return true;
}

bool AcDbIdMapping::assign(const AcDbIdPair& pair)
{
    if (pair.key().isNull())
        return false;
    const auto [it, added] = m_index.emplace(pair.key(), m_pairs.size());
    if (added)
        m_pairs.push_back(pair);
    else
        m_pairs[it->second] = pair;
    return true;
}

Acad::ErrorStatus AcDbIdMapping::destDb(AcDbDatabase*& db) const
{
    db = m_dest;
    return db ? Acad::eOk : Acad::eNoDatabase;
}

Acad::ErrorStatus AcDbIdMapping::origDb(AcDbDatabase*& db) const
{
    db = m_orig;
    return db ? Acad::eOk : Acad::eNoDatabase;
}

void AcDbIdMapping::setDatabases(AcDbDatabase* orig, AcDbDatabase* dest)
{
    m_orig = orig;
    m_dest = dest;
}

// ---- AcDbIdMappingIter ----

Acad::ErrorStatus AcDbIdMappingIter::iterateOn(const AcDbIdMapping& map)
{
    m_map = &map;
    m_pos = 0;
    return Acad::eOk;
}

bool AcDbIdMappingIter::next()
{
    if (!done())
        ++m_pos;
    return !done();
}

bool AcDbIdMappingIter::getMap(AcDbIdPair& pair) const
{
    if (done())
        return false;
    pair = m_map->pairs()[m_pos];
    return true;
}
