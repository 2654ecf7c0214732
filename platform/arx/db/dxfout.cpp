// Writing DXF 2013: header, classes, tables, block definitions, entities and objects, with
// handles as held, owners from the database's structure, and every XData application
// registered.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdict.h"
#include "dbimpl.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"

#include <algorithm>
#include <map>
#include <set>

using qv::dxf::DxfOut;

namespace {

struct ClassInfo {
    const char* dxfName;
    const char* cppName;
    bool isEntity;
};

// Classes a 2013 drawing declares for the object types this database writes.
constexpr ClassInfo kClasses[] = {
    {"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", false},
    {"ACDBPLACEHOLDER", "AcDbPlaceHolder", false},
    {"LAYOUT", "AcDbLayout", false},
    {"SORTENTSTABLE", "AcDbSortentsTable", false},
};

bool live(AcDbObjectId id) { return id.isValid() && !id.isErased(); }

class Writer
{
public:
    explicit Writer(const AcDbDatabase* db) : m_db(const_cast<AcDbDatabase*>(db)), m_impl(db->impl()) {}
    std::string run();

private:
    void prepare();
    void registerApplications();
    void writeHeader();
    void writeClasses();
    void writeTables();
    void writeBlocks();
    void writeEntities();
    void writeObjects();
    void writeObject(const AcDbObject* obj);
    void writeEntity(const AcDbEntity* ent);
    void writeSeqend(AcDbHandle handle, const AcDbEntity* owner);
    void writeBlockFrame(const AcDbBlockTableRecord* btr, bool begin);
    void beginSection(const char* name);
    void endSection() { m_out.tag(0, "ENDSEC"); }

    AcDbDatabase* m_db;
    AcDbDatabase::Impl& m_impl;
    DxfOut m_out;
    std::map<std::string, int> m_counts;
};

std::string Writer::run()
{
    prepare();
    writeHeader();
    writeClasses();
    writeTables();
    writeBlocks();
    writeEntities();
    writeObjects();
    for (const auto& [name, tags] : m_impl.otherSections) {
        beginSection(name.c_str());
        m_out.tags(tags);
        endSection();
    }
    m_out.tag(0, "EOF");
    return std::move(m_out.text());
}

// Gives block frames and sequence ends that lack one a handle, and registers applications.
void Writer::prepare()
{
    for (const AcDbStub& stub : m_impl.stubs) {
        if (!stub.object || stub.object->isErased())
            continue;
        ++m_counts[stub.object->dxfName()];
        if (auto* btr = AcDbBlockTableRecord::cast(stub.object.get())) {
            if (btr->frame().beginHandle.isNull())
                btr->frame().beginHandle = m_impl.nextHandle();
            if (btr->frame().endHandle.isNull())
                btr->frame().endHandle = m_impl.nextHandle();
        } else if (auto* ref = AcDbBlockReference::cast(stub.object.get())) {
            if (ref->seqendHandle().isNull() && ref->hasLiveAttributes())
                ref->setSeqendHandle(m_impl.nextHandle());
        } else if (auto* pl = AcDbSequencePolyline::cast(stub.object.get())) {
            if (pl->seqendHandle().isNull())
                pl->seqendHandle() = m_impl.nextHandle();
        }
    }
    registerApplications();
}

void Writer::registerApplications()
{
    std::set<std::string> apps;
    for (const AcDbStub& stub : m_impl.stubs)
        if (stub.object && !stub.object->isErased())
            for (const auto& t : stub.object->xDataTags())
                if (t.code == 1001)
                    apps.insert(t.value);
    auto* table = AcDbRegAppTable::cast(m_impl.regAppTable.object());
    for (const std::string& app : apps) {
        if (table->has(app.c_str()))
            continue;
        auto* rec = new AcDbRegAppTableRecord;
        rec->assignName(app);
        const AcDbObjectId id = m_impl.install(m_impl.newStub(), rec);
        m_impl.assignHandle(id.stub());
        rec->setOwnerId(m_impl.regAppTable);
        table->attachRecord(id, app);
    }
}

void Writer::beginSection(const char* name)
{
    m_out.tag(0, "SECTION");
    m_out.tag(2, name);
}

void Writer::writeHeader()
{
    beginSection("HEADER");
    m_impl.setHeader("$ACADVER", 1, "AC1027");
    m_impl.setHeader("$DWGCODEPAGE", 3, "ANSI_1252");
    m_impl.setHeader("$HANDSEED", 5, AcDbHandle(m_impl.maxHandle + 1).text());
    for (const HeaderVariable& var : m_impl.header) {
        if (var.name == "$HANDLING")
            continue;   // handles are always on from R13
        m_out.tag(9, var.name);
        m_out.tags(var.tags);
    }
    endSection();
}

void Writer::writeClasses()
{
    beginSection("CLASSES");
    std::set<std::string> written;
    auto countOf = [this](const std::string& name) {
        const auto it = m_counts.find(name);
        return it == m_counts.end() ? 0 : it->second;
    };
    for (const qv::dxf::Tags& tags : m_impl.classes) {
        std::string name;
        m_out.tag(0, "CLASS");
        for (const auto& t : tags) {
            if (t.code == 1)
                name = t.value;
            m_out.tag(t.code, t.code == 91 ? std::to_string(countOf(name)) : t.value);
        }
        written.insert(name);
    }
    for (const ClassInfo& c : kClasses) {
        if (written.count(c.dxfName) || countOf(c.dxfName) == 0)
            continue;
        m_out.tag(0, "CLASS");
        m_out.tag(1, c.dxfName);
        m_out.tag(2, c.cppName);
        m_out.tag(3, "ObjectDBX Classes");
        m_out.integer(90, 0);
        m_out.integer(91, countOf(c.dxfName));
        m_out.integer(280, 0);
        m_out.integer(281, c.isEntity);
    }
    endSection();
}

void Writer::writeObject(const AcDbObject* obj)
{
    m_out.tag(0, obj->dxfName());
    m_out.handle(obj->handleCode(), obj->getAcDbHandle());
    m_out.tags(obj->appGroups());
    std::vector<AcDbObjectId> reactors;
    for (const AcDbObjectId& id : obj->reactors())
        if (live(id))
            reactors.push_back(id);
    if (!reactors.empty()) {
        m_out.tag(102, "{ACAD_REACTORS");
        for (const AcDbObjectId& id : reactors)
            m_out.id(330, id);
        m_out.tag(102, "}");
    }
    if (live(obj->extensionDictionary())) {
        m_out.tag(102, "{ACAD_XDICTIONARY");
        m_out.id(360, obj->extensionDictionary());
        m_out.tag(102, "}");
    }
    m_out.id(330, obj->ownerId());
    m_out.beginObject(&obj->extras());
    obj->dxfOutFields(m_out);
    m_out.endFields();
    m_out.tags(obj->xDataTags());
}

void Writer::writeTables()
{
    beginSection("TABLES");
    const AcDbObjectId order[] = {m_impl.viewportTable, m_impl.linetypeTable, m_impl.layerTable,
                                  m_impl.textStyleTable, m_impl.viewTable, m_impl.ucsTable,
                                  m_impl.regAppTable, m_impl.dimStyleTable, m_impl.blockTable};
    for (const AcDbObjectId& tableId : order) {
        const auto* table = AcDbSymbolTable::cast(tableId.object());
        m_out.tag(0, "TABLE");
        m_out.tag(2, table->tableName());
        m_out.handle(5, table->getAcDbHandle());
        m_out.tag(330, "0");
        m_out.beginObject(&table->extras());
        table->dxfOutFields(m_out);
        m_out.endFields();
        for (const AcDbObjectId& id : table->recordIds())
            if (live(id))
                writeObject(id.object());
        m_out.tag(0, "ENDTAB");
    }
    endSection();
}

void Writer::writeBlockFrame(const AcDbBlockTableRecord* btr, bool begin)
{
    const auto& frame = btr->frame();
    const bool paper = qv::dxf::upper(btr->name()).starts_with("*PAPER_SPACE");
    m_out.tag(0, begin ? "BLOCK" : "ENDBLK");
    m_out.handle(5, begin ? frame.beginHandle : frame.endHandle);
    m_out.id(330, btr->objectId());
    m_out.beginObject(begin ? &frame.beginExtras : &frame.endExtras);
    m_out.subclass("AcDbEntity");
    if (paper)
        m_out.integer(67, 1);
    m_out.tag(8, frame.layer);
    m_out.subclass(begin ? "AcDbBlockBegin" : "AcDbBlockEnd");
    if (begin) {
        const int flags = (btr->flags() & ~2) | (btr->hasAttributeDefinitions() ? 2 : 0);
        m_out.tag(2, btr->name());
        m_out.integer(70, flags);
        m_out.point(10, btr->origin());
        m_out.tag(3, btr->name());
        m_out.tag(1, btr->pathName());
        if (!btr->comments().empty())
            m_out.tag(4, btr->comments());
    }
    m_out.endFields();
    if (begin)
        m_out.tags(frame.beginXData);
}

void Writer::writeBlocks()
{
    beginSection("BLOCKS");
    const auto* table = AcDbSymbolTable::cast(m_impl.blockTable.object());
    const AcDbObjectId model = m_db->modelSpaceId(), paper = m_db->paperSpaceId();
    for (const AcDbObjectId& id : table->recordIds()) {
        if (!live(id))
            continue;
        const auto* btr = AcDbBlockTableRecord::cast(id.object());
        writeBlockFrame(btr, true);
        if (id != model && id != paper)
            for (const AcDbObjectId& ent : btr->entityIds())
                if (live(ent))
                    writeEntity(AcDbEntity::cast(ent.object()));
        writeBlockFrame(btr, false);
    }
    endSection();
}

void Writer::writeSeqend(AcDbHandle handle, const AcDbEntity* owner)
{
    m_out.tag(0, "SEQEND");
    m_out.handle(5, handle);
    m_out.id(330, owner->objectId());
    m_out.subclass("AcDbEntity");
    m_out.tag(8, owner->layer().str());
}

void Writer::writeEntity(const AcDbEntity* ent)
{
    writeObject(ent);
    if (const auto* ref = AcDbBlockReference::cast(ent); ref && ref->hasLiveAttributes()) {
        for (const AcDbObjectId& id : ref->attributeIds())
            if (live(id))
                writeObject(id.object());
        writeSeqend(ref->seqendHandle(), ref);
    } else if (const auto* pl = AcDbSequencePolyline::cast(ent)) {
        for (const AcDbObjectId& id : pl->vertexIds())
            if (live(id))
                writeObject(id.object());
        writeSeqend(pl->seqendHandle(), pl);
    }
}

void Writer::writeEntities()
{
    beginSection("ENTITIES");
    for (const AcDbObjectId& space : {m_db->modelSpaceId(), m_db->paperSpaceId()})
        if (const auto* btr = AcDbBlockTableRecord::cast(space.object()))
            for (const AcDbObjectId& id : btr->entityIds())
                if (live(id))
                    writeEntity(AcDbEntity::cast(id.object()));
    endSection();
}

void Writer::writeObjects()
{
    beginSection("OBJECTS");
    writeObject(m_impl.rootDictionary.object());
    std::vector<const AcDbStub*> objects;
    for (const AcDbStub& stub : m_impl.stubs) {
        const AcDbObject* obj = stub.object.get();
        if (obj && !obj->isErased() && obj != m_impl.rootDictionary.object() && !AcDbEntity::cast(obj)
            && !AcDbSymbolTable::cast(obj) && !AcDbSymbolTableRecord::cast(obj))
            objects.push_back(&stub);
    }
    std::sort(objects.begin(), objects.end(), [](const AcDbStub* a, const AcDbStub* b) { return a->order < b->order; });
    for (const AcDbStub* stub : objects)
        writeObject(stub->object.get());
    endSection();
}

} // namespace

namespace qv {

std::string writeDxf(const AcDbDatabase* db) { return Writer(db).run(); }

} // namespace qv
