// Writing DXF 2013: header, classes, tables, block definitions, entities and objects, with
// handles as held, owners from the database's structure, and every XData application
// registered. Each object writes its fields through its table.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdict.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtable.h"
#include "arx/dbtext.h"
#include "arx/dxffieldtable.h"
#include "arx/dxfnumber.h"
#include "dbimpl.h"
#include "dbobjectdata.h"
#include "dbobjectimpl.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace {

using qv::dxf::Writer;
using qv::live;

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
    {"ACAD_TABLE", "AcDbTable", true},
    {"TABLESTYLE", "AcDbTableStyle", false},
};

class Saver
{
public:
    Saver(const AcDbDatabase* db, qv::dxf::Sink& sink)
        : m_db(const_cast<AcDbDatabase*>(db)), m_impl(db->impl()), m_out(sink)
    {
    }
    bool run(std::string& error);

private:
    // What the save needs of every object, found in one walk over them.
    struct Survey {
        std::unordered_map<const char*, int> byName;   // objects by type name, counted by address
        std::set<std::string, std::less<>> apps;      // applications of XData
        std::vector<AcDbObject*> handleless;          // objects with a part that lacks a handle
        std::vector<AcDbTable*> stale;                // tables whose block is out of date
    };
    void prepare();
    void survey(Survey& found);
    void surveyEntity(AcDbObject* obj, Survey& found);
    void giveHandles(AcDbObject* obj);
    void registerApplications(const std::set<std::string, std::less<>>& apps);
    void writeHeader();
    void writeClasses();
    void writeTables();
    void writeBlocks();
    void writeEntities();
    void writeObjects();
    void writeObject(const AcDbObject* obj);
    // The part every record has: type (none for a table, whose head names it), handle,
    // application groups, reactors, extension dictionary, owner.
    void writeCommon(const char* type, int handleCode, AcDbHandle handle, const qv::ObjectData* data,
                     AcDbObjectId owner);
    void writeEntity(const AcDbEntity* ent);
    void writeSequenceEnd(AcDbHandle handle, const AcDbEntity* owner);
    void writeBlockFrame(const AcDbBlockTableRecord* btr, bool begin);
    void beginSection(std::string_view name);
    void endSection() { m_out.word(0, "ENDSEC"); }
    // Names the object a value of which could not be written.
    void noteFailure(const char* type, AcDbHandle handle);

    AcDbDatabase* m_db;
    AcDbDatabase::Impl& m_impl;
    Writer m_out;
    std::unordered_map<std::string_view, int> m_counts;   // objects by type
    std::vector<const AcDbStub*> m_objects;               // of the OBJECTS section, but the root
    std::string m_failure;
};

bool Saver::run(std::string& error)
{
    // A database made empty (not read, not built) is written as an empty drawing.
    if (m_impl.blockTable.isNull())
        qv::completeDatabase(m_db);
    prepare();
    writeHeader();
    writeClasses();
    writeTables();
    writeBlocks();
    writeEntities();
    writeObjects();
    for (const auto& [name, tags] : m_impl.otherSections) {
        beginSection(name);
        m_out.tags(tags);
        endSection();
    }
    m_out.word(0, "EOF");
    const bool ok = m_out.finish();
    error = m_failure.empty() ? m_out.error() : m_failure;
    return ok;
}

// Counts the objects by type, gives block frames and sequence ends that lack one a handle,
// finds the objects of the OBJECTS section and registers the applications of XData. Tables
// changed since their block was last built get it rebuilt first, so that the file shows what
// they hold (readers without table support draw the block): then the walk is made again over
// what the rebuilt blocks added, and handles are given only after it, in the walk's order.
void Saver::prepare()
{
    Survey found;
    survey(found);
    if (!found.stale.empty()) {
        for (AcDbTable* table : found.stale)
            table->recomputeTableBlock();
        m_objects.clear();
        found = Survey();
        survey(found);
    }
    for (AcDbObject* obj : found.handleless)
        giveHandles(obj);
    for (const auto& [name, count] : found.byName)
        m_counts[name] += count;
    registerApplications(found.apps);
}

void Saver::survey(Survey& found)
{
    const AcDbObject* root = m_impl.rootDictionary.object();
    for (size_t i = 0; i < m_impl.stubs.size(); ++i) {
        const AcDbStub& stub = m_impl.stubs[i];
        AcDbObject* obj = stub.object;
        if (!obj || stub.erased)
            continue;
        ++found.byName[obj->dxfName()];
        if (AcDbEntity::cast(obj)) {
            surveyEntity(obj, found);
        } else if (auto* btr = AcDbBlockTableRecord::cast(obj)) {
            if (btr->frame().beginHandle.isNull() || btr->frame().endHandle.isNull())
                found.handleless.push_back(obj);
        } else if (obj != root && !AcDbSymbolTable::cast(obj) && !AcDbSymbolTableRecord::cast(obj)) {
            m_objects.push_back(&stub);
        }
        if (const qv::ObjectData* data = obj->data())
            for (const auto& t : data->xdata)
                if (t.code == 1001 && !found.apps.contains(t.value()))
                    found.apps.emplace(t.value());
    }
}

// A table is a block reference too: its block may be stale and its sequence end lacking.
void Saver::surveyEntity(AcDbObject* obj, Survey& found)
{
    if (auto* table = AcDbTable::cast(obj); table && (table->needsLayout() || !live(table->blockTableRecord())))
        found.stale.push_back(table);
    if (auto* ref = AcDbBlockReference::cast(obj)) {
        if (ref->seqendHandle().isNull() && ref->hasLiveAttributes())
            found.handleless.push_back(obj);
    } else if (auto* pl = AcDbSequencePolyline::cast(obj)) {
        if (pl->seqendHandle().isNull())
            found.handleless.push_back(obj);
    }
}

void Saver::giveHandles(AcDbObject* obj)
{
    if (auto* ref = AcDbBlockReference::cast(obj)) {
        ref->setSeqendHandle(m_impl.nextHandle());
    } else if (auto* pl = AcDbSequencePolyline::cast(obj)) {
        pl->seqendHandle() = m_impl.nextHandle();
    } else if (auto* btr = AcDbBlockTableRecord::cast(obj)) {
        if (btr->frame().beginHandle.isNull())
            btr->frame().beginHandle = m_impl.nextHandle();
        if (btr->frame().endHandle.isNull())
            btr->frame().endHandle = m_impl.nextHandle();
    }
}

void Saver::registerApplications(const std::set<std::string, std::less<>>& apps)
{
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

// Names of sections kept as read may hold any byte: they are written as texts, escaped.
void Saver::beginSection(std::string_view name)
{
    m_out.word(0, "SECTION");
    m_out.text(2, name);
}

void Saver::noteFailure(const char* type, AcDbHandle handle)
{
    if (m_failure.empty() && !m_out.error().empty())
        m_failure = std::string("the ") + type + " " + handle.text() + ": " + m_out.error();
}

void Saver::writeHeader()
{
    beginSection("HEADER");
    m_impl.setHeader("$ACADVER", 1, "AC1027");
    m_impl.setHeader("$HANDSEED", 5, m_db->handseed().text());
    // The version comes first: a reader takes its code page from the header's beginning.
    auto write = [this](const HeaderVariable& var) {
        m_out.text(9, var.name);
        m_out.tags(var.tags);
    };
    write(*m_impl.headerVariable("$ACADVER"));
    for (const HeaderVariable& var : m_impl.header)
        if (var.name != "$ACADVER" && var.name != "$HANDLING")   // handles are always on from R13
            write(var);
    endSection();
}

void Saver::writeClasses()
{
    beginSection("CLASSES");
    std::set<std::string, std::less<>> written;
    auto countOf = [this](std::string_view name) {
        const auto it = m_counts.find(name);
        return it == m_counts.end() ? 0 : it->second;
    };
    for (const qv::dxf::TagList& tags : m_impl.classes) {
        std::string_view name;
        m_out.text(0, "CLASS");
        for (const auto& t : tags) {
            if (t.code == 1)
                name = t.value();
            if (t.code == 91)
                m_out.integer(91, countOf(name));
            else
                m_out.tag(t.code, t.value());
        }
        written.emplace(name);
    }
    for (const ClassInfo& c : kClasses) {
        if (written.contains(c.dxfName) || countOf(c.dxfName) == 0)
            continue;
        m_out.text(0, "CLASS");
        m_out.text(1, c.dxfName);
        m_out.text(2, c.cppName);
        m_out.text(3, "ObjectDBX Classes");
        m_out.integer(90, 0);
        m_out.integer(91, countOf(c.dxfName));
        m_out.integer(280, 0);
        m_out.integer(281, c.isEntity);
    }
    endSection();
}

void Saver::writeCommon(const char* type, int handleCode, AcDbHandle handle, const qv::ObjectData* data,
                        AcDbObjectId owner)
{
    if (type)
        m_out.word(0, type);
    m_out.handle(handleCode, handle.value());
    if (data) {
        m_out.tags(data->appGroups);
        if (std::any_of(data->reactors.begin(), data->reactors.end(), live)) {
            m_out.text(102, "{ACAD_REACTORS");
            for (const AcDbObjectId& id : data->reactors)
                if (live(id))
                    m_out.handle(330, id.handle().value());
            m_out.text(102, "}");
        }
        if (live(data->extensionDictionary)) {
            m_out.text(102, "{ACAD_XDICTIONARY");
            m_out.handle(360, data->extensionDictionary.handle().value());
            m_out.text(102, "}");
        }
    }
    m_out.handle(330, live(owner) ? owner.handle().value() : 0);
}

void Saver::writeObject(const AcDbObject* obj)
{
    const qv::ObjectData* data = obj->data();
    writeCommon(obj->dxfName(), obj->handleCode(), obj->getAcDbHandle(), data, obj->ownerId());
    obj->dxfOutFields(m_out);
    if (data)
        m_out.tags(data->xdata);
    if (m_out.failed())
        noteFailure(obj->dxfName(), obj->getAcDbHandle());
}

void Saver::writeTables()
{
    beginSection("TABLES");
    const AcDbObjectId order[] = {m_impl.viewportTable, m_impl.linetypeTable, m_impl.layerTable,
                                  m_impl.textStyleTable, m_impl.viewTable, m_impl.ucsTable,
                                  m_impl.regAppTable, m_impl.dimStyleTable, m_impl.blockTable};
    for (const AcDbObjectId& tableId : order) {
        const auto* table = AcDbSymbolTable::cast(tableId.object());
        const qv::ObjectData* data = table->data();
        m_out.word(0, "TABLE");
        m_out.word(2, table->tableName());
        writeCommon(nullptr, 5, table->getAcDbHandle(), data, AcDbObjectId());
        table->dxfOutFields(m_out);
        if (data)
            m_out.tags(data->xdata);
        for (const AcDbObjectId& id : table->recordIds())
            if (live(id))
                writeObject(id.object());
        m_out.word(0, "ENDTAB");
    }
    endSection();
}

void Saver::writeBlockFrame(const AcDbBlockTableRecord* btr, bool begin)
{
    const auto& frame = btr->frame();
    const qv::ObjectData* data = begin ? frame.begin : frame.end;
    writeCommon(begin ? "BLOCK" : "ENDBLK", 5, begin ? frame.beginHandle : frame.endHandle, data, btr->objectId());
    const qv::dxf::FieldTable& table =
        begin ? AcDbBlockTableRecord::blockBeginTable() : AcDbBlockTableRecord::blockEndTable();
    table.write(*btr, m_out, data ? &data->extras : nullptr);
    if (data)
        m_out.tags(data->xdata);
}

void Saver::writeBlocks()
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

void Saver::writeSequenceEnd(AcDbHandle handle, const AcDbEntity* owner)
{
    writeCommon("SEQEND", 5, handle, nullptr, owner->objectId());
    m_out.word(100, "AcDbEntity");
    m_out.text(8, owner->layerName());
}

void Saver::writeEntity(const AcDbEntity* ent)
{
    writeObject(ent);
    if (const auto* ref = AcDbBlockReference::cast(ent); ref && ref->hasLiveAttributes()) {
        for (const AcDbObjectId& id : ref->attributeIds())
            if (live(id))
                writeObject(id.object());
        writeSequenceEnd(ref->seqendHandle(), ref);
    } else if (const auto* pl = AcDbSequencePolyline::cast(ent)) {
        for (const AcDbObjectId& id : pl->vertexIds())
            if (live(id))
                writeObject(id.object());
        writeSequenceEnd(pl->seqendHandle(), pl);
    }
}

void Saver::writeEntities()
{
    beginSection("ENTITIES");
    for (const AcDbObjectId& space : {m_db->modelSpaceId(), m_db->paperSpaceId()})
        if (const auto* btr = AcDbBlockTableRecord::cast(space.object()))
            for (const AcDbObjectId& id : btr->entityIds())
                if (live(id))
                    writeEntity(AcDbEntity::cast(id.object()));
    endSection();
}

void Saver::writeObjects()
{
    beginSection("OBJECTS");
    writeObject(m_impl.rootDictionary.object());
    std::sort(m_objects.begin(), m_objects.end(), [](const AcDbStub* a, const AcDbStub* b) { return a->order < b->order; });
    for (const AcDbStub* stub : m_objects)
        writeObject(stub->object);
    endSection();
}

} // namespace

namespace qv {

bool writeDxf(const AcDbDatabase* db, dxf::Sink& sink, std::string& error)
{
    return Saver(db, sink).run(error);
}

} // namespace qv
