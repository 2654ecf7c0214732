// Reading ASCII DXF: records come one at a time from the file, and each becomes its object
// in the drawing's arena at once; what needs the whole file (references, block names) is
// settled at the end, then the drawing is completed to a valid one.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtable.h"
#include "arx/dbtablestyle.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"
#include "arx/dxfnames.h"
#include "arx/dxfnumber.h"
#include "arx/dxfreader.h"
#include "arx/dxfresource.h"
#include "arx/dxftext.h"
#include "dbimpl.h"
#include "dbobjectdata.h"
#include "dxfcontext.h"

#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

using Impl = AcDbDatabase::Impl;
using qv::dxf::FormatError;
using qv::dxf::Pair;
using qv::dxf::Record;

using Maker = AcDbObject* (*)(Impl& impl, const Record& record);

// The error of a value, its message naming what holds the value.
FormatError naming(const FormatError& e, const std::string& holder)
{
    const std::string what = e.what(), prefix = "line " + std::to_string(e.line()) + ": ";
    return FormatError(e.line(), holder + ": " + (what.starts_with(prefix) ? what.substr(prefix.size()) : what));
}

template <class T>
AcDbObject* make(Impl& impl, const Record&)
{
    return impl.makeInArena<T>();
}

long long peekInt(const Record& record, int code, long long fallback)
{
    long long v = fallback;
    if (const Pair* p = record.find(code))
        qv::dxf::parseInt(p->value, v);
    return v;
}

// Calls visit with each pair of a wanted code that a record's table reads: those before any
// marker or under one of the markers named ('|' between names), outside application groups;
// pairs under another marker are kept as they came, and written back there. A marker is
// looked at only when a wanted pair comes under it.
template <class Wanted, class Visit>
void visitFieldPairs(const Record& record, std::string_view markers, Wanted wanted, Visit visit)
{
    const Pair* marker = nullptr;
    bool group = false;
    for (const Pair& p : record.pairs().subspan(1)) {
        if (p.code == 102)
            group = p.value.starts_with("{");
        else if (p.code == 100 || p.code == 101)
            marker = &p;
        else if (wanted(p.code) && !group
                 && (!marker || (marker->code == 100 && qv::dxf::namesMarker(markers, marker->value))))
            visit(p);
    }
}

// A reference with more than one column (70) or row (71) is an array of references; the
// last pair of each counts.
AcDbObject* makeInsert(Impl& impl, const Record& record)
{
    long long columns = 1, rows = 1;
    visitFieldPairs(
        record, "AcDbBlockReference|AcDbMInsertBlock", [](int code) { return code == 70 || code == 71; },
        [&](const Pair& p) { qv::dxf::parseInt(p.value, p.code == 70 ? columns : rows); });
    if (columns > 1 || rows > 1)
        return impl.makeInArena<AcDbMInsertBlock>();
    return impl.makeInArena<AcDbBlockReference>();
}

// A table in the form the table class reads; any other stays as read.
AcDbObject* makeTable(Impl& impl, const Record& record)
{
    if (AcDbTable::canRead(record.pairs()))
        return impl.makeInArena<AcDbTable>();
    return impl.makeInArena<AcDbProxyEntity>(qv::dxf::internName("ACAD_TABLE"));
}

// The class of an old-style polyline follows its flags.
AcDbObject* makePolyline(Impl& impl, const Record& record)
{
    const long long flags = peekInt(record, 70, 0);
    if (flags & 8)
        return impl.makeInArena<AcDb3dPolyline>();
    if (flags & 16)
        return impl.makeInArena<AcDbPolygonMesh>();
    if (flags & 64)
        return impl.makeInArena<AcDbPolyFaceMesh>();
    return impl.makeInArena<AcDb2dPolyline>();
}

template <const char* Name>
AcDbObject* makeDictionary(Impl& impl, const Record&)
{
    auto* dict = impl.makeInArena<AcDbDictionary>();
    dict->setDxfName(Name);
    return dict;
}

constexpr char kDictionary[] = "DICTIONARY";
constexpr char kDictionaryWithDefault[] = "ACDBDICTIONARYWDFLT";

// Whether text is name: most entity types have six letters, so the letters are compared
// as a whole, without a call.
template <size_t N>
bool is(std::string_view text, const char (&name)[N])
{
    return text.size() == N - 1 && std::memcmp(text.data(), name, N - 1) == 0;
}

// The maker of an entity type (nullptr for a type not modelled), found without hashing: it
// is asked for every entity.
Maker entityMaker(std::string_view type)
{
    static constexpr std::pair<std::string_view, Maker> kMakers[] = {
        {"ATTRIB", &make<AcDbAttribute>},
        {"ATTDEF", &make<AcDbAttributeDefinition>},
        {"INSERT", &makeInsert},
        {"LWPOLYLINE", &make<AcDbPolyline>},
        {"LINE", &make<AcDbLine>},
        {"TEXT", &make<AcDbText>},
        {"VERTEX", &make<AcDbVertex>},
        {"CIRCLE", &make<AcDbCircle>},
        {"ARC", &make<AcDbArc>},
        {"MTEXT", &make<AcDbMText>},
        {"HATCH", &make<AcDbHatch>},
        {"POLYLINE", &makePolyline},
        {"VIEWPORT", &make<AcDbViewport>},
        {"3DLINE", &make<AcDbLine>},   // release 10's line with its z, written as a LINE
        {"ACAD_TABLE", &makeTable},
    };
    for (const auto& [name, maker] : kMakers)
        if (type.size() == name.size() && std::memcmp(type.data(), name.data(), type.size()) == 0)
            return maker;
    return nullptr;
}

const std::unordered_map<std::string_view, Maker>& objectMakers()
{
    static const std::unordered_map<std::string_view, Maker> makers = {
        {kDictionary, &makeDictionary<kDictionary>},
        {kDictionaryWithDefault, &makeDictionary<kDictionaryWithDefault>},
        {"XRECORD", &make<AcDbXrecord>},
        {"SORTENTSTABLE", &make<AcDbSortentsTable>},
        {"LAYOUT", &make<AcDbLayout>},
        {"PLOTSETTINGS", &make<AcDbPlotSettings>},
        {"TABLESTYLE", &make<AcDbTableStyle>},
    };
    return makers;
}

// The symbol tables: each with its table and record classes and its slot in the database.
struct TableKind {
    AcDbSymbolTable* (*makeTable)(Impl& impl);
    AcDbSymbolTableRecord* (*makeRecord)(Impl& impl);
    AcDbObjectId Impl::*slot;
};

template <class Table, class Record>
TableKind tableKind(AcDbObjectId Impl::*slot)
{
    return {[](Impl& impl) -> AcDbSymbolTable* { return impl.makeInArena<Table>(); },
            [](Impl& impl) -> AcDbSymbolTableRecord* { return impl.makeInArena<Record>(); }, slot};
}

const std::unordered_map<std::string_view, TableKind>& tableKinds()
{
    static const std::unordered_map<std::string_view, TableKind> kinds = {
        {"VPORT", tableKind<AcDbViewportTable, AcDbViewportTableRecord>(&Impl::viewportTable)},
        {"LTYPE", tableKind<AcDbLinetypeTable, AcDbLinetypeTableRecord>(&Impl::linetypeTable)},
        {"LAYER", tableKind<AcDbLayerTable, AcDbLayerTableRecord>(&Impl::layerTable)},
        {"STYLE", tableKind<AcDbTextStyleTable, AcDbTextStyleTableRecord>(&Impl::textStyleTable)},
        {"VIEW", tableKind<AcDbViewTable, AcDbViewTableRecord>(&Impl::viewTable)},
        {"UCS", tableKind<AcDbUCSTable, AcDbUCSTableRecord>(&Impl::ucsTable)},
        {"APPID", tableKind<AcDbRegAppTable, AcDbRegAppTableRecord>(&Impl::regAppTable)},
        {"DIMSTYLE", tableKind<AcDbDimStyleTable, AcDbDimStyleTableRecord>(&Impl::dimStyleTable)},
        {"BLOCK_RECORD", tableKind<AcDbBlockTable, AcDbBlockTableRecord>(&Impl::blockTable)},
    };
    return kinds;
}

class Loader
{
public:
    Loader(AcDbDatabase* db, qv::dxf::Reader& reader, size_t size)
        : m_db(db), m_impl(db->impl()), m_reader(reader), m_context(db, &reader), m_scope(&db->impl().arena), m_size(size)
    {
        m_impl.loading = true;
    }
    ~Loader() { m_impl.loading = false; }
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    void run();

private:
    // Moves to the next record; a file that ends before its EOF record is truncated.
    void advance();
    bool at(std::string_view type) const { return m_record.head().code == 0 && m_record.type() == type; }
    // The same for a type known here: compared without a call, as the entities loop asks it thrice.
    template <size_t N>
    bool at(const char (&type)[N]) const
    {
        return m_record.head().code == 0 && is(m_record.type(), type);
    }
    [[noreturn]] void fail(const std::string& message) const { throw FormatError(m_record.head().line, message); }
    // The current record as messages name it: its type and handle.
    std::string recordName() const;
    std::string_view sectionName() const;

    void readSection();
    void endSection();
    void readHeader(size_t first);
    void readHeaderAfterEndsec();
    void readClasses();
    void readTable();
    void keepCountedDashes(AcDbSymbolTableRecord* record);
    void readBlock();
    void readEntities(AcDbObjectId owner);
    void readEntity(AcDbObjectId owner);
    void readSequenceEnd();
    void readObject();
    void readOtherSection(std::string_view name);
    void ensureStructure();
    void finish();
    // What the end of the read needs of every object, found in one walk over them.
    struct Survey {
        std::vector<AcDbLayout*> layouts;        // in the order of their slots
        std::vector<AcDbObject*> ownerMissing;   // objects whose owner the file lacks
    };
    Survey survey() const;
    void nameSpaces(const Survey& survey);
    void nameSpace(AcDbObjectId id, const char* name, const std::string& why);
    void dropMissingOwners(const Survey& survey);
    void settleDictionaries();
    void noteHardPointers(AcDbObjectId holder);
    void adoptByHardPointers();
    void dropMissingHardPointers();
    void dropStrayDrawOrders();

    // The slot of the current record's handle (a new one for the null handle); a handle that
    // already has an object is refused.
    AcDbStub* claimSlot(AcDbHandle handle);
    // Notes the handle of a record that is no object (a block's BLOCK and ENDBLK, a SEQEND).
    void noteHandle(AcDbHandle handle);
    void forgetDroppedHandles();
    // Makes obj the object of the current record: installs it and reads its pairs.
    AcDbObjectId readRecord(AcDbStub* stub, AcDbObject* obj, qv::DxfContext::RecordInfo& info);
    AcDbObjectId ownerOf(AcDbHandle handle);
    AcDbObjectId spaceOf(bool paper);

    AcDbDatabase* m_db;
    Impl& m_impl;
    qv::dxf::Reader& m_reader;
    Record m_record;
    qv::DxfContext m_context;
    qv::dxf::ResourceScope m_scope;
    size_t m_size;
    AcDbBlockReference* m_lastInsert = nullptr;
    AcDbSequencePolyline* m_lastPolyline = nullptr;
    AcDbObjectId m_modelSpace, m_paperSpace;
    AcDbObjectId m_entitiesOwner;   // the first named owner of model-space entities of ENTITIES
    AcDbHandle m_lastOwnerHandle;
    unsigned long long m_largestOtherHandle = 0;   // of the records noteHandle noted
    AcDbObjectId m_lastOwner;
    AcDbObjectId m_ownerRecordId;   // the owner of the last entity read, and its record
    AcDbBlockTableRecord* m_ownerRecord = nullptr;
    // Checked once the whole file is read.
    std::vector<AcDbDictionary*> m_dictionaries;
    std::vector<AcDbSortentsTable*> m_drawOrders;
    std::vector<AcDbXrecord*> m_records;
    std::vector<AcDbObject*> m_ownerless;
    std::vector<std::pair<AcDbHandle, AcDbObjectId>> m_hardPointers;
};

void Loader::advance()
{
    if (!m_reader.nextRecord(m_record))
        throw FormatError(m_reader.line(), "unexpected end of file (no EOF)");
}

void Loader::run()
{
    advance();
    while (!at("EOF")) {
        if (m_record.head().code == 999) {   // a comment between sections
            advance();
            continue;
        }
        if (!at("SECTION"))
            fail("expected SECTION, found '" + std::string(m_record.head().value.substr(0, 40)) + "'");
        readSection();
    }
    finish();
}

std::string_view Loader::sectionName() const
{
    const Pair* name = m_record.find(2);
    if (!name)
        fail("section without a name");
    return name->value;
}

void Loader::readSection()
{
    const std::string name(sectionName());
    if (name == "HEADER") {
        readHeader(2);
        advance();
        readHeaderAfterEndsec();
    } else if (name == "CLASSES") {
        for (advance(); at("CLASS"); advance())
            readClasses();
    } else if (name == "TABLES") {
        advance();
        while (at("TABLE"))
            readTable();
    } else if (name == "BLOCKS") {
        ensureStructure();
        advance();
        while (at("BLOCK"))
            readBlock();
    } else if (name == "ENTITIES") {
        ensureStructure();
        advance();
        readEntities(AcDbObjectId());
    } else if (name == "OBJECTS") {
        advance();
        while (m_record.head().code == 0 && !at("ENDSEC") && !at("EOF"))
            readObject();
    } else {
        readOtherSection(name);
    }
    endSection();
}

void Loader::endSection()
{
    if (at("EOF"))
        fail("section not closed by ENDSEC");
    if (!at("ENDSEC"))
        fail("unexpected '" + std::string(m_record.head().value.substr(0, 40)) + "' in section");
    advance();
}

void Loader::readHeader(size_t first)
{
    HeaderVariable* var = nullptr;
    for (size_t i = first; i < m_record.pairs().size(); ++i) {
        const Pair& p = m_record.pairs()[i];
        if (p.code == 9) {
            m_impl.headerIndex[std::string(p.value)] = m_impl.header.size();
            var = &m_impl.header.emplace_back(HeaderVariable{std::string(p.value), {}});
        } else if (var) {
            try {
                var->tags.add(p.code, m_context.kept(p).value);
            } catch (const FormatError& e) {
                throw naming(e, var->name);
            }
        }
    }
    m_impl.headerChanged();
    // Room in the handle map for every handle the drawing says it has given, within what
    // a file of this size can hold.
    if (const auto* seed = m_impl.headerTag("$HANDSEED", 5)) {
        unsigned long long handles = 0;
        if (qv::dxf::parseHandle(seed->value(), handles))
            m_impl.byHandle.reserve(static_cast<size_t>(std::min<unsigned long long>(handles, m_size / 16)));
    }
}

// Some writers end the header after $HANDSEED and go on with its variables: those are read,
// up to the ENDSEC that has none after it.
void Loader::readHeaderAfterEndsec()
{
    if (!at("ENDSEC") || m_record.pairs().size() < 2 || m_record.pairs()[1].code != 9)
        return;
    m_impl.repaired("HEADER: an ENDSEC at line " + std::to_string(m_record.head().line)
                    + " within the header variables: skipped");
    do {
        readHeader(1);
        advance();
    } while (at("ENDSEC") && m_record.pairs().size() > 1 && m_record.pairs()[1].code == 9);
}

void Loader::readClasses()
{
    qv::dxf::TagList& tags = m_impl.classes.emplace_back();
    for (size_t i = 1; i < m_record.pairs().size(); ++i)
        tags.add(m_record.pairs()[i].code, m_record.pairs()[i].value);
}

void Loader::readOtherSection(std::string_view name)
{
    auto& [sectionName, tags] = m_impl.otherSections.emplace_back(std::string(name), qv::dxf::TagList());
    for (size_t i = 2; i < m_record.pairs().size(); ++i)
        tags.add(m_record.pairs()[i].code, m_record.pairs()[i].value);
    for (advance(); !at("ENDSEC") && !at("EOF"); advance())
        for (const Pair& p : m_record.pairs())
            tags.add(p.code, p.value);
}

// New objects take handles above the largest a record has.
void Loader::noteHandle(AcDbHandle handle)
{
    m_largestOtherHandle = std::max(m_largestOtherHandle, handle.value());
    m_impl.noteHandle(handle);
}

// A handle that an earlier record has (as some writers give a polyline's vertices the
// polyline's) is the earlier one's: the later record gets a new handle.
AcDbStub* Loader::claimSlot(AcDbHandle handle)
{
    AcDbStub* stub = handle.isNull() ? m_impl.newStub() : m_impl.stubFor(handle);
    if (stub->object) {
        m_impl.repaired(std::string(m_record.type()) + " at line " + std::to_string(m_record.head().line)
                        + ": its handle " + handle.text() + " is the " + stub->object->dxfName()
                        + "'s before it: given a new one");
        return m_impl.newStub();
    }
    m_impl.noteHandle(handle);
    return stub;
}

std::string Loader::recordName() const
{
    std::string name(m_record.type());
    if (const AcDbHandle handle = qv::DxfContext::recordHandle(m_record.pairs()).handle; !handle.isNull())
        name += ' ' + handle.text();
    return name;
}

AcDbObjectId Loader::readRecord(AcDbStub* stub, AcDbObject* obj, qv::DxfContext::RecordInfo& info)
{
    const AcDbObjectId id = m_impl.install(stub, obj, true);
    try {
        m_context.readRecord(*obj, obj->dxfTable(), m_record.pairs(), obj->dataSlot(), info);
    } catch (const FormatError& e) {
        throw naming(e, recordName());
    }
    obj->dxfInEnd();
    return id;
}

void Loader::readTable()
{
    const Pair* namePair = m_record.find(2);
    const std::string name(namePair ? namePair->value : std::string_view());
    const auto kind = tableKinds().find(name);
    if (kind == tableKinds().end())
        fail("unknown table '" + name + "'");
    AcDbObjectId& slot = m_impl.*(kind->second.slot);
    if (!slot.isNull())
        fail("table " + name + " given twice");
    qv::DxfContext::RecordInfo info = qv::DxfContext::recordHandle(m_record.pairs());
    AcDbStub* stub = claimSlot(info.handle);
    auto* table = kind->second.makeTable(m_impl);
    slot = readRecord(stub, table, info);
    m_impl.tables.push_back(slot);
    for (advance(); at(name); advance()) {
        info = qv::DxfContext::recordHandle(m_record.pairs());
        AcDbStub* recordStub = claimSlot(info.handle);
        AcDbSymbolTableRecord* record = kind->second.makeRecord(m_impl);
        const AcDbObjectId id = readRecord(recordStub, record, info);
        keepCountedDashes(record);
        record->setOwnerId(slot);
        // Definitions are found by name: a name given twice would mix them up.
        if (!AcDbBlockTableRecord::cast(record))
            table->attachRecord(id, record->name());
        else if (!table->attachNewRecord(id, record->name()))
            fail(recordName() + ": block record '" + record->name() + "' given twice");
    }
    if (!at("ENDTAB"))
        fail("table " + name + " not closed by ENDTAB");
    advance();
}

// A linetype of more dashes than a file can count keeps those it can, so that it can be saved.
void Loader::keepCountedDashes(AcDbSymbolTableRecord* record)
{
    auto* linetype = AcDbLinetypeTableRecord::cast(record);
    if (!linetype || linetype->numDashes() <= AcDbLinetypeTableRecord::kMaxDashes)
        return;
    m_impl.repaired(Impl::describe(linetype) + " ('" + linetype->name() + "'): its " + std::to_string(linetype->numDashes())
                    + " dashes are more than group code 73 counts: the first "
                    + std::to_string(AcDbLinetypeTableRecord::kMaxDashes) + " kept");
    linetype->setNumDashes(AcDbLinetypeTableRecord::kMaxDashes);
}

// Files without tables (release 12 without a TABLES section) get them before their blocks
// and entities.
void Loader::ensureStructure()
{
    if (m_impl.blockTable.isNull())
        qv::completeTables(m_db);
}

// The block record an entity of the ENTITIES section names, else model or paper space as
// its paper-space flag says. Entities come in runs of one owner: the last one is kept.
AcDbObjectId Loader::ownerOf(AcDbHandle handle)
{
    if (handle.isNull() || handle != m_lastOwnerHandle) {
        AcDbStub* named = handle.isNull() ? nullptr : m_impl.byHandle.find(handle.value());
        const bool known = named && AcDbBlockTableRecord::cast(named->object);
        if (!known)
            return spaceOf(peekInt(m_record, 67, 0) == 1);
        m_lastOwnerHandle = handle;
        m_lastOwner = AcDbObjectId(named);
    }
    return m_lastOwner;
}

AcDbObjectId Loader::spaceOf(bool paper)
{
    AcDbObjectId& space = paper ? m_paperSpace : m_modelSpace;
    if (space.isNull())
        space = paper ? m_db->paperSpaceId() : m_db->modelSpaceId();
    return space;
}

void Loader::readBlock()
{
    const Pair* namePair = nullptr;
    visitFieldPairs(m_record, "AcDbBlockBegin", [](int code) { return code == 2; },
                    [&](const Pair& p) { namePair = namePair ? namePair : &p; });
    std::string name(m_context.blockName(m_record.pairs(), namePair));
    auto* table = AcDbBlockTable::cast(m_impl.blockTable.object());
    AcDbObjectId btrId;
    // Release 12's names of the spaces, unless the file has blocks of those names besides.
    if (qv::dxf::equalNoCase(name, "$MODEL_SPACE") && !table->has(name.c_str()))
        name = AcDbBlockTableRecord::kModelSpace;
    else if (qv::dxf::equalNoCase(name, "$PAPER_SPACE") && !table->has(name.c_str()))
        name = AcDbBlockTableRecord::kPaperSpace;
    if (table->getAt(name.c_str(), btrId) != Acad::eOk) {
        auto* rec = m_impl.makeInArena<AcDbBlockTableRecord>();
        rec->assignName(name);
        btrId = m_impl.install(m_impl.newStub(), rec, true);
        rec->setOwnerId(m_impl.blockTable);
        table->attachRecord(btrId, name);
    }
    auto* btr = AcDbBlockTableRecord::cast(btrId.object());
    qv::DxfContext::RecordInfo begin;
    m_context.readRecord(*btr, AcDbBlockTableRecord::blockBeginTable(), m_record.pairs(), btr->frame().begin, begin);
    btr->frame().beginHandle = begin.handle;
    noteHandle(begin.handle);
    advance();
    readEntities(btrId);
    if (!at("ENDBLK"))
        fail("block '" + name + "' not closed by ENDBLK");
    qv::DxfContext::RecordInfo end;
    m_context.readRecord(*btr, AcDbBlockTableRecord::blockEndTable(), m_record.pairs(), btr->frame().end, end);
    btr->frame().endHandle = end.handle;
    noteHandle(end.handle);
    advance();
}

void Loader::readEntities(AcDbObjectId owner)
{
    m_lastInsert = nullptr;
    m_lastPolyline = nullptr;
    while (m_record.head().code == 0 && !at("ENDSEC") && !at("EOF") && !at("ENDBLK"))
        readEntity(owner);
}

// The end of a reference's attributes or a polyline's vertices: kept for its handle.
void Loader::readSequenceEnd()
{
    const AcDbHandle h = qv::DxfContext::recordHandle(m_record.pairs()).handle;
    noteHandle(h);
    if (m_lastInsert)
        m_lastInsert->setSeqendHandle(h);
    else if (m_lastPolyline)
        m_lastPolyline->seqendHandle() = h;
    m_lastInsert = nullptr;
    m_lastPolyline = nullptr;
}

void Loader::readEntity(AcDbObjectId owner)
{
    const std::string_view type = m_record.type();
    if (is(type, "SEQEND")) {
        readSequenceEnd();
        advance();
        return;
    }
    const bool attribute = is(type, "ATTRIB"), vertex = is(type, "VERTEX");
    AcDbEntity* parent = attribute ? static_cast<AcDbEntity*>(m_lastInsert) : m_lastPolyline;
    if ((attribute || vertex) && !parent)
        fail(std::string(type) + " outside a " + (attribute ? "block reference" : "polyline"));
    qv::DxfContext::RecordInfo info = qv::DxfContext::recordHandle(m_record.pairs());
    AcDbStub* stub = claimSlot(info.handle);
    const Maker maker = entityMaker(type);
    AcDbObject* obj = maker ? maker(m_impl, m_record) : m_impl.makeInArena<AcDbProxyEntity>(qv::dxf::internName(type));
    const AcDbObjectId id = readRecord(stub, obj, info);
    auto* ent = static_cast<AcDbEntity*>(obj);
    auto* ref = AcDbBlockReference::cast(ent);
    if (ref && ref->blockTableRecord().isNull() && !m_context.awaitsBlock(ref))
        fail(recordName() + ": INSERT without a block name");
    if (ent->layerId().isNull())
        ent->setLayerFromFile(m_context.layerNamed(ent->layerName()));   // none given: layer "0"
    if (const auto* text = AcDbText::cast(ent))
        m_context.ensureTextStyle(text->textStyleNameConst(), m_record, *ent);
    else if (const auto* mtext = AcDbMText::cast(ent))
        m_context.ensureTextStyle(mtext->textStyleNameConst(), m_record, *ent);
    if (attribute || vertex) {
        ent->setOwnerId(parent->objectId());
        attribute ? m_lastInsert->attachAttribute(id) : m_lastPolyline->attachVertex(id);
        advance();
        return;
    }
    if (owner.isNull()) {
        owner = ownerOf(info.owner);
        if (m_entitiesOwner.isNull() && !info.owner.isNull() && peekInt(m_record, 67, 0) != 1)
            m_entitiesOwner = owner;
    }
    // Entities come in runs of one owner: its record is kept at hand.
    if (owner != m_ownerRecordId) {
        m_ownerRecord = AcDbBlockTableRecord::cast(owner.object());
        m_ownerRecordId = m_ownerRecord ? owner : AcDbObjectId();
    }
    if (!m_ownerRecord)
        fail("entity outside model space (the drawing has no block records)");
    ent->setOwnerId(owner);
    m_ownerRecord->attachEntity(id);
    m_lastInsert = ref;
    m_lastPolyline = AcDbSequencePolyline::cast(ent);
    advance();
}

void Loader::readObject()
{
    const std::string_view type = m_record.type();
    qv::DxfContext::RecordInfo info = qv::DxfContext::recordHandle(m_record.pairs());
    AcDbStub* stub = claimSlot(info.handle);
    const auto maker = objectMakers().find(type);
    AcDbObject* obj = maker != objectMakers().end() ? maker->second(m_impl, m_record)
                                                    : m_impl.makeInArena<AcDbProxyObject>(qv::dxf::internName(type));
    const AcDbObjectId id = readRecord(stub, obj, info);
    if (auto* dict = AcDbDictionary::cast(obj)) {
        if (m_impl.rootDictionary.isNull())
            m_impl.rootDictionary = id;
        m_dictionaries.push_back(dict);
    } else if (auto* order = AcDbSortentsTable::cast(obj)) {
        m_drawOrders.push_back(order);
    } else if (auto* record = AcDbXrecord::cast(obj)) {
        m_records.push_back(record);
    }
    if (!info.owner.isNull())
        obj->setOwnerId(AcDbObjectId(m_impl.stubFor(info.owner)));
    else if (id != m_impl.rootDictionary)
        m_ownerless.push_back(obj);
    if (maker == objectMakers().end())
        noteHardPointers(id);
    advance();
}

// The objects an object of a type not modelled owns (360, outside its groups).
void Loader::noteHardPointers(AcDbObjectId holder)
{
    bool inGroup = false;
    for (const Pair& p : m_record.pairs()) {
        unsigned long long handle = 0;
        if (p.code == 102)
            inGroup = p.value.starts_with("{");
        else if (p.code == 360 && !inGroup && qv::dxf::parseHandle(p.value, handle) && handle != 0)
            m_hardPointers.emplace_back(AcDbHandle(handle), holder);
    }
}

// Objects that name no owner are owned by the object that holds them: some writers leave
// the owner of an index's buffers out.
void Loader::adoptByHardPointers()
{
    if (m_ownerless.empty() || m_hardPointers.empty())
        return;
    std::unordered_map<unsigned long long, AcDbObjectId> holders;
    for (const auto& [handle, holder] : m_hardPointers)
        holders.emplace(handle.value(), holder);
    for (AcDbObject* obj : m_ownerless) {
        const auto it = holders.find(obj->objectId().handle().value());
        if (!obj->ownerId().isNull() || it == holders.end() || !it->second.object())
            continue;
        obj->setOwnerId(it->second);
        m_impl.repaired(Impl::describe(obj) + ": it named no owner: given " + Impl::describe(it->second.object())
                        + ", which holds it");
    }
}

Loader::Survey Loader::survey() const
{
    Survey found;
    for (size_t i = 0; i < m_impl.stubs.size(); ++i) {
        AcDbObject* obj = m_impl.stubs[i].object;
        if (!obj)
            continue;
        if (!obj->ownerId().isNull() && !obj->ownerId().object())
            found.ownerMissing.push_back(obj);
        if (auto* layout = AcDbLayout::cast(obj); layout && !m_impl.stubs[i].erased)
            found.layouts.push_back(layout);
    }
    return found;
}

// An owner that no object has is taken as none, as if the file named none: the object is
// then owned by the dictionary or object that holds it.
void Loader::dropMissingOwners(const Survey& survey)
{
    for (AcDbObject* obj : survey.ownerMissing) {
        m_impl.repaired(Impl::describe(obj) + ": its owner " + obj->ownerId().handle().text() + " is missing: taken as none");
        obj->setOwnerId(AcDbObjectId());
        m_ownerless.push_back(obj);
    }
}

// Owner pointers (360) of objects of types not modelled that name objects the file does not
// have are set to none, as a new object given such a handle would be owned by the holder.
void Loader::dropMissingHardPointers()
{
    AcDbObjectId last;
    for (const auto& [handle, holder] : m_hardPointers) {
        AcDbObjectId target;
        AcDbObject* obj = holder.object();
        if (holder == last || !obj || m_db->getAcDbObjectId(target, false, handle) == Acad::eOk)
            continue;
        last = holder;
        if (const size_t dropped = qv::noneForMissing(obj->editData().extras, m_db, 360, 360))
            m_impl.repaired(Impl::describe(obj) + ": " + std::to_string(dropped)
                            + " of its owner pointers named missing objects: set to none");
    }
}

// Entries of dictionaries that name objects the file does not have are dropped, and so are
// those that name a symbol table or the root dictionary, which belong to the drawing alone;
// objects without an owner (some writers give none) are owned by the dictionary that names
// them.
void Loader::settleDictionaries()
{
    const AcDbObject* root = m_impl.rootDictionary.object();
    for (AcDbDictionary* dict : m_dictionaries) {
        for (const auto& [key, missing] : dict->dropEntriesWithoutObject())
            m_impl.repaired(Impl::describe(dict) + ": the entry '" + key + "' names the missing object " + missing.text()
                            + ": dropped");
        std::vector<std::pair<std::string, const AcDbObject*>> drawings;
        const std::unique_ptr<AcDbDictionaryIterator> entries(dict->newIterator());
        for (; !entries->done(); entries->next())
            if (const AcDbObject* obj = entries->objectId().object(); obj == root || AcDbSymbolTable::cast(obj))
                drawings.emplace_back(entries->name(), obj);
        for (const auto& [key, obj] : drawings) {
            dict->remove(key.c_str());
            m_impl.repaired(Impl::describe(dict) + ": the entry '" + key + "' names " + Impl::describe(obj)
                            + ", which no dictionary holds: dropped");
        }
        size_t adopted = 0;
        const std::unique_ptr<AcDbDictionaryIterator> it(dict->newIterator());
        for (; !it->done(); it->next())
            if (AcDbObject* obj = it->objectId().object(); obj && obj->ownerId().isNull() && obj != dict) {
                obj->setOwnerId(dict->objectId());
                ++adopted;
            }
        if (adopted > 0)
            m_impl.repaired(Impl::describe(dict) + ": " + std::to_string(adopted)
                            + " of its entries named no owner: given this dictionary");
    }
}

// A draw order belongs to a block record: one that names another object is dropped.
void Loader::dropStrayDrawOrders()
{
    for (AcDbSortentsTable* order : m_drawOrders) {
        const AcDbObject* block = order->blockId().object();
        if (AcDbBlockTableRecord::cast(block))
            continue;
        m_impl.repaired(Impl::describe(order) + ": the draw order is for "
                        + (block ? Impl::describe(block) : "the missing object " + order->blockId().handle().text())
                        + ", not a block: dropped");
        if (auto* dict = AcDbDictionary::cast(order->ownerId().object()))
            dict->remove(order->objectId());
        m_impl.destroyObject(order->objectId().stub());
    }
}

// Model and paper space are the block records the drawing uses as such, whatever their names
// (a writer may call model space "*U"): the record the "Model" layout names, else the one
// owning the model-space entities of the ENTITIES section, is model space; the record of the
// first paper layout is paper space. Each is renamed when no record has its name.
void Loader::nameSpaces(const Survey& survey)
{
    const AcDbLayout* model = nullptr;
    const AcDbLayout* firstPaper = nullptr;
    for (const AcDbLayout* layout : survey.layouts) {
        if (qv::dxf::equalNoCase(layout->name(), "Model"))
            model = layout;
        else if (layout->getTabOrder() == 1)
            firstPaper = layout;
    }
    if (model)
        nameSpace(model->getBlockTableRecordId(), AcDbBlockTableRecord::kModelSpace, "the layout 'Model' names it");
    else
        nameSpace(m_entitiesOwner, AcDbBlockTableRecord::kModelSpace, "it owns the model-space entities");
    if (firstPaper)
        nameSpace(firstPaper->getBlockTableRecordId(), AcDbBlockTableRecord::kPaperSpace,
                  "the first layout ('" + firstPaper->name() + "') names it");
}

void Loader::nameSpace(AcDbObjectId id, const char* name, const std::string& why)
{
    auto* table = AcDbBlockTable::cast(m_impl.blockTable.object());
    auto* btr = AcDbBlockTableRecord::cast(id.object());
    if (!table || !btr || btr->isErased() || table->has(name) || btr->isLayout())
        return;
    m_impl.repaired(Impl::describe(btr) + " ('" + btr->name() + "'): " + why + ": read as " + name);
    table->renameRecord(id, btr->name(), name);
    btr->setFlags(btr->flags() & ~1);   // a space is no anonymous block
}

void Loader::finish()
{
    m_context.resolve();
    const Survey found = survey();
    nameSpaces(found);
    dropMissingOwners(found);
    settleDictionaries();
    adoptByHardPointers();
    dropMissingHardPointers();
    for (AcDbXrecord* record : m_records)
        if (const size_t dropped = record->dropDanglingPointers())
            m_impl.repaired(Impl::describe(record) + ": " + std::to_string(dropped)
                            + " of its pointers named missing objects: set to none");
    dropStrayDrawOrders();
    // References to objects the file does not have are dropped (lenient ones only remain).
    for (size_t i = 0; i < m_impl.stubs.size(); ++i)
        if (const AcDbStub& stub = m_impl.stubs[i]; !stub.object && !stub.handle.isNull())
            m_impl.byHandle.erase(stub.handle.value());
    qv::completeTables(m_db);
    m_context.addPendingTextStyles();
    // Nothing since the survey made or dropped a layout: its list is the drawing's.
    qv::completeDatabase(m_db, &found.layouts);
    forgetDroppedHandles();
    if (m_impl.repairsLeftOut > 0)
        m_impl.repairs.push_back(std::to_string(m_impl.repairsLeftOut) + " more repairs, not listed");
}

// The handle of an object dropped while read is none of the drawing's: the seed a save
// writes is counted from the handles that are, as the next read of the save counts it.
void Loader::forgetDroppedHandles()
{
    unsigned long long largest = m_largestOtherHandle;
    for (size_t i = 0; i < m_impl.stubs.size(); ++i)
        if (const AcDbStub& stub = m_impl.stubs[i]; stub.object)
            largest = std::max(largest, stub.handle.value());
    m_impl.maxHandle = largest;
}

} // namespace

namespace qv {

void readDxf(AcDbDatabase* db, dxf::Reader& reader, size_t size)
{
    Loader(db, reader, size).run();
}

} // namespace qv
