#include "arx/dbdatabase.h"

#include "posix/atomicfile.h"
#include "win/winbase.h"

#include "arx/dbdict.h"
#include "arx/dbtablestyle.h"
#include "arx/dbentity.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dxfformaterror.h"
#include "arx/dxfmappedfile.h"
#include "arx/dxfnumber.h"
#include "arx/dxfpageresource.h"
#include "arx/dxfreader.h"
#include "arx/dxftext.h"
#include "dbimpl.h"
#include "dbnesting.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <functional>
#include <limits>

using qv::dxf::formatReal;

// ---- Impl ----

namespace {

constexpr size_t kFirstArenaBlock = 64 * 1024;

bool processEnding = false;

} // namespace

AcDbDatabase::Impl::Impl(AcDbDatabase* owner, size_t sizeHint)
    : self(owner), arena(std::max(kFirstArenaBlock, sizeHint), qv::dxf::PageResource::instance()), stubs(&arena)
{
}

AcDbDatabase::Impl::~Impl()
{
    state.reset();
    for (size_t i = 0; i < stubs.size(); ++i)
        destroyObject(&stubs[i]);
}

void AcDbDatabase::Impl::destroyObject(AcDbStub* stub)
{
    AcDbObject* obj = stub->object;
    stub->object = nullptr;
    if (obj && stub->inArena)
        obj->~AcDbObject();
    else
        delete obj;
}

AcDbStub* AcDbDatabase::Impl::stubFor(AcDbHandle handle)
{
    if (AcDbStub* stub = byHandle.find(handle.value()))
        return stub;
    AcDbStub& stub = stubs.add();
    stub.database = self;
    stub.handle = handle;
    byHandle.insert(&stub);
    return &stub;
}

AcDbStub* AcDbDatabase::Impl::newStub()
{
    AcDbStub& stub = stubs.add();
    stub.database = self;
    return &stub;
}

void AcDbDatabase::Impl::assignHandle(AcDbStub* stub)
{
    stub->handle = nextHandle();
    byHandle.insert(stub);
}

void AcDbDatabase::Impl::noteHandle(AcDbHandle handle) { maxHandle = std::max(maxHandle, handle.value()); }

// Handles run up from the largest read; once the largest possible is taken, the lowest free.
AcDbHandle AcDbDatabase::Impl::nextHandle()
{
    if (maxHandle != std::numeric_limits<unsigned long long>::max())
        return AcDbHandle(++maxHandle);
    while (byHandle.find(++lowFreeHandle))
        ;
    return AcDbHandle(lowFreeHandle);
}

std::string AcDbDatabase::Impl::describe(const AcDbObject* obj)
{
    const AcDbHandle handle = obj->objectId().handle();
    std::string text = obj->dxfName();
    text += handle.isNull() ? std::string(" without a handle") : ' ' + handle.text();
    return text;
}

// What a repair quotes (a name holding a NUL byte, which would end the line printed) is
// shown as a file writes it: whole, on one line.
void AcDbDatabase::Impl::repaired(std::string what)
{
    constexpr size_t kListed = 100;
    if (repairs.size() >= kListed) {
        ++repairsLeftOut;
    } else if (qv::dxf::needsEscape(what)) {
        std::string shown;
        qv::dxf::escapeText(what, shown);
        repairs.push_back(std::move(shown));
    } else {
        repairs.push_back(std::move(what));
    }
}

AcDbObjectId AcDbDatabase::Impl::install(AcDbStub* stub, AcDbObject* obj, bool inArena)
{
    stub->object = obj;
    stub->inArena = inArena;
    stub->erased = false;
    stub->order = ++installed;
    obj->setIntendedDatabase(nullptr);
    obj->attach(AcDbObjectId(stub));
    return AcDbObjectId(stub);
}

HeaderVariable* AcDbDatabase::Impl::headerVariable(const std::string& name)
{
    const auto it = headerIndex.find(name);
    return it == headerIndex.end() ? nullptr : &header[it->second];
}

const qv::dxf::Tag* AcDbDatabase::Impl::headerTag(const std::string& name, int code) const
{
    const auto it = headerIndex.find(name);
    if (it == headerIndex.end())
        return nullptr;
    for (const auto& t : header[it->second].tags)
        if (t.code == code)
            return &t;
    return nullptr;
}

void AcDbDatabase::Impl::setHeader(const std::string& name, int code, std::string_view value)
{
    HeaderVariable* var = headerVariable(name);
    if (!var) {
        headerIndex.emplace(name, header.size());
        var = &header.emplace_back(HeaderVariable{name, {}});
    }
    qv::dxf::TagList tags;
    bool set = false;
    for (const auto& t : var->tags) {
        const bool replace = t.code == code && !set;
        tags.add(t.code, replace ? value : t.value());
        set = set || replace;
    }
    if (!set)
        tags.add(code, value);
    var->tags = std::move(tags);
    headerChanged();
}

const AcGeMatrix3d& AcDbDatabase::Impl::ucsToWorld()
{
    if (!ucs) {
        const AcGeVector3d x = self->ucsxdir().normal(), y = self->ucsydir().normal();
        AcGeMatrix3d toWorld;
        toWorld.setCoordSystem(self->ucsorg(), x, y, x.crossProduct(y).normal());
        AcGeMatrix3d toUcs = toWorld;
        toUcs.invert();
        ucs.emplace(toWorld, toUcs);
    }
    return ucs->first;
}

const AcGeMatrix3d& AcDbDatabase::Impl::worldToUcs()
{
    ucsToWorld();
    return ucs->second;
}

void AcDbDatabase::Impl::setHeaderPoint(const std::string& name, int code, const AcGePoint3d& p)
{
    setHeader(name, code, formatReal(p.x));
    setHeader(name, code + 10, formatReal(p.y));
    setHeader(name, code + 20, formatReal(p.z));
}

AcGePoint3d AcDbDatabase::Impl::headerPoint(const std::string& name, int code, const AcGePoint3d& fallback) const
{
    AcGePoint3d p = fallback;
    double* parts[3] = {&p.x, &p.y, &p.z};
    for (int i = 0; i < 3; ++i)
        if (const auto* t = headerTag(name, code + 10 * i))
            qv::dxf::parseReal(t->value(), *parts[i]);
    return p;
}

// ---- AcDbDatabase ----

namespace {

// What a user can do about a drawing the reader refuses.
constexpr const char* kRefusalAdvice =
    " (the drawing is not opened: correct this in the program that wrote it, or open it there and save it again)";

} // namespace

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool) : m_impl(std::make_unique<Impl>(this))
{
    if (buildDefaultDrawing)
        qv::completeDatabase(this);
    m_impl->dbmod = 0;
}

AcDbDatabase::~AcDbDatabase()
{
    if (acdbHostApplicationServices()->workingDatabase() == this)
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
#ifndef QV_SANITIZE
    // Freeing a drawing object by object touches all its pages again, only for the system
    // to take them back at exit anyway. Sanitizer builds free it, so that leak checks run.
    if (processEnding) {
        m_impl->state.reset();   // the editor's state is known by serial number to the process
        static_cast<void>(m_impl.release());
    }
#endif
}

void AcDbDatabase::processEnds() { processEnding = true; }

Acad::ErrorStatus AcDbDatabase::readDxfText(const std::string& text)
{
    qv::dxf::Reader reader(text);
    return readDxf(reader, text);
}

namespace {

// Why the bytes are not a drawing the reader takes, looking only at their first bytes, with
// the status to return; eOk when they may be one.
Acad::ErrorStatus notReadable(std::string_view bytes, std::string& why)
{
    if (bytes.empty()) {
        why = "the file is empty";
        return Acad::eMalformedDxf;
    }
    if (bytes.starts_with("AutoCAD Binary DXF")) {
        why = "binary DXF is not supported: save the drawing as ASCII DXF";
        return Acad::eNotSupportedInDwgApi;
    }
    if (bytes.size() >= 6 && bytes.starts_with("AC10") && std::isdigit(static_cast<unsigned char>(bytes[4]))) {
        why = "this is a DWG file (" + std::string(bytes.substr(0, 6)) + "): only DXF drawings can be read";
        return Acad::eInvalidDwgVersion;
    }
    if (!qv::dxf::beginsWithCode(bytes)) {
        why = "this is not a DXF file (it does not begin with a group code): only DXF drawings can be read";
        return Acad::eMalformedDxf;
    }
    return Acad::eOk;
}

} // namespace

Acad::ErrorStatus AcDbDatabase::readDxf(qv::dxf::Reader& reader, std::string_view bytes)
{
    if (m_impl->openCount > 0) {
        m_impl->lastError = "objects of the drawing are still open";
        return Acad::eWasOpenForWrite;
    }
    // The drawing is read into a database of its own, which replaces this one's contents
    // only when the whole file was read.
    AcDbDatabase fresh(false);
    std::string error;
    Acad::ErrorStatus es = notReadable(bytes, error);
    if (es == Acad::eOk) {
        fresh.m_impl = std::make_unique<Impl>(&fresh, bytes.size());
        try {
            qv::readDxf(&fresh, reader, bytes.size());
            es = qv::checkBlockNesting(&fresh, error);
        } catch (const qv::dxf::FormatError& e) {
            error = std::string(e.what()) + kRefusalAdvice;
            es = Acad::eMalformedDxf;
        }
    }
    // A file that changed while it was read says so, whatever was read of it.
    if (const std::string damage = reader.damage(); !damage.empty()) {
        error = damage;
        es = Acad::eFileAccessErr;
    }
    if (es != Acad::eOk) {
        m_impl->lastError = error;
        return es;
    }
    std::unique_ptr<Impl> read = std::move(fresh.m_impl);
    read->self = this;
    for (size_t i = 0; i < read->stubs.size(); ++i)
        read->stubs[i].database = this;
    read->fileName = m_impl->fileName;
    read->dbmod = 0;
    m_impl = std::move(read);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::readDxfFile(const char* name)
{
    const std::string fileName = nativePath(name ? name : "");
    qv::dxf::MappedFile file;
    if (!name || !file.open(fileName)) {
        m_impl->lastError = "cannot open '" + fileName + "': " + (name ? file.error() : "no file name");
        return file.errorNumber() == ENOENT || !name ? Acad::eFileNotFound : Acad::eFileAccessErr;
    }
    qv::dxf::Reader reader(file);
    const Acad::ErrorStatus es = readDxf(reader, file.bytes());
    if (es == Acad::eOk)
        m_impl->fileName = fileName;
    else
        m_impl->lastError = std::string(fileName) + ": " + m_impl->lastError;
    return es;
}

namespace {

// Writes through a file that replaces its target whole.
class AtomicSink : public qv::dxf::Sink
{
public:
    explicit AtomicSink(qv::AtomicFile& file) : m_file(file) {}
    bool write(const char* data, size_t size) override { return m_file.write(data, size); }

private:
    qv::AtomicFile& m_file;
};

// Writes the drawing through file, opened on fileName, which replaces an existing file only
// when told; error says why it failed.
Acad::ErrorStatus writeDxfFile(const AcDbDatabase* db, const char* fileName, qv::AtomicFile& file,
                               const std::function<bool(const std::string&)>& open, bool replace, std::string& error)
{
    if (!fileName || !*fileName) {
        error = "no file name";
        return Acad::eInvalidInput;
    }
    if (!open(nativePath(fileName))) {
        error = file.error();
        return Acad::eFileAccessErr;
    }
    AtomicSink sink(file);
    std::string invalid;
    if (!qv::writeDxf(db, sink, invalid) || !file.commit(replace)) {
        error = invalid.empty() ? file.error() : "cannot save '" + file.target() + "': " + invalid;
        return invalid.empty() ? Acad::eFileAccessErr : Acad::eInvalidInput;
    }
    return Acad::eOk;
}

} // namespace

std::string AcDbDatabase::dxfText() const
{
    std::string text, error;
    qv::dxf::StringSink sink(text);
    qv::writeDxf(this, sink, error);
    return text;
}

Acad::ErrorStatus AcDbDatabase::saveAs(const char* fileName, bool, int, const void*)
{
    qv::AtomicFile file;
    const auto open = [&file](const std::string& path) { return file.open(path); };
    const Acad::ErrorStatus es = writeDxfFile(this, fileName, file, open, true, m_impl->lastError);
    if (es != Acad::eOk)
        return es;
    m_impl->fileName = file.target();
    m_impl->dbmod = 0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::saveCopy(const char* fileName)
{
    qv::AtomicFile file;
    const auto open = [&](const std::string& path) { return file.openLike(path, m_impl->fileName); };
    return writeDxfFile(this, fileName, file, open, false, m_impl->lastError);
}

const std::string& AcDbDatabase::lastErrorMessage() const { return m_impl->lastError; }
short AcDbDatabase::dbmod() const { return m_impl->dbmod; }
const std::vector<std::string>& AcDbDatabase::readRepairs() const { return m_impl->repairs; }

const std::string& AcDbDatabase::originalFileName() const { return m_impl->fileName; }

#define QV_GET_TABLE(TYPE, MEMBER)                                                                  \
    Acad::ErrorStatus AcDbDatabase::getSymbolTable(TYPE*& table, AcDb::OpenMode mode) const         \
    {                                                                                               \
        return acdbOpenObject(table, m_impl->MEMBER, mode);                                         \
    }
QV_GET_TABLE(AcDbBlockTable, blockTable)
QV_GET_TABLE(AcDbLayerTable, layerTable)
QV_GET_TABLE(AcDbLinetypeTable, linetypeTable)
QV_GET_TABLE(AcDbTextStyleTable, textStyleTable)
QV_GET_TABLE(AcDbRegAppTable, regAppTable)
QV_GET_TABLE(AcDbDimStyleTable, dimStyleTable)
QV_GET_TABLE(AcDbViewportTable, viewportTable)
QV_GET_TABLE(AcDbViewTable, viewTable)
QV_GET_TABLE(AcDbUCSTable, ucsTable)
#undef QV_GET_TABLE

AcDbObjectId AcDbDatabase::blockTableId() const { return m_impl->blockTable; }
AcDbObjectId AcDbDatabase::layerTableId() const { return m_impl->layerTable; }
AcDbObjectId AcDbDatabase::linetypeTableId() const { return m_impl->linetypeTable; }
AcDbObjectId AcDbDatabase::textStyleTableId() const { return m_impl->textStyleTable; }
AcDbObjectId AcDbDatabase::regAppTableId() const { return m_impl->regAppTable; }
AcDbObjectId AcDbDatabase::dimStyleTableId() const { return m_impl->dimStyleTable; }
AcDbObjectId AcDbDatabase::viewportTableId() const { return m_impl->viewportTable; }
AcDbObjectId AcDbDatabase::viewTableId() const { return m_impl->viewTable; }
AcDbObjectId AcDbDatabase::UCSTableId() const { return m_impl->ucsTable; }

AcDbObjectId AcDbDatabase::namedObjectsDictionaryId() const { return m_impl->rootDictionary; }

namespace {

AcDbObjectId rootEntry(const AcDbDatabase* db, const char* key)
{
    AcDbObjectId id;
    if (const auto* root = AcDbDictionary::cast(db->namedObjectsDictionaryId().object()))
        root->getAt(key, id);
    return id;
}

} // namespace

AcDbObjectId AcDbDatabase::layoutDictionaryId() const { return rootEntry(this, "ACAD_LAYOUT"); }
AcDbObjectId AcDbDatabase::plotSettingsDictionaryId() const { return rootEntry(this, "ACAD_PLOTSETTINGS"); }
AcDbObjectId AcDbDatabase::groupDictionaryId() const { return rootEntry(this, "ACAD_GROUP"); }

AcDbObjectId AcDbDatabase::tableStyleDictionaryId() const
{
    if (const AcDbObjectId id = rootEntry(this, "ACAD_TABLESTYLE"); !id.isNull())
        return id;
    // A drawing without table styles gets the dictionary with its "Standard" style.
    AcDbDictionary* root = nullptr;
    if (acdbOpenObject(root, namedObjectsDictionaryId(), AcDb::kForWrite) != Acad::eOk)
        return AcDbObjectId();
    auto* dict = new AcDbDictionary;
    AcDbObjectId dictId;
    const Acad::ErrorStatus es = root->setAt("ACAD_TABLESTYLE", dict, dictId);
    root->close();
    if (es != Acad::eOk) {
        delete dict;
        return AcDbObjectId();
    }
    auto* style = new AcDbTableStyle;
    style->setDescription("Standard");
    AcDbObjectId styleId;
    if (dict->setAt("Standard", style, styleId) == Acad::eOk)
        style->close();
    else
        delete style;
    dict->close();
    return dictId;
}

Acad::ErrorStatus AcDbDatabase::getTableStyleDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode) const
{
    return acdbOpenObject(dict, tableStyleDictionaryId(), mode);
}

AcDbObjectId AcDbDatabase::tablestyle() const
{
    AcDbObjectId id;
    if (const auto* dict = AcDbDictionary::cast(tableStyleDictionaryId().object()))
        dict->getAt("Standard", id);
    return id;
}

Acad::ErrorStatus AcDbDatabase::getNamedObjectsDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode) const
{
    return acdbOpenObject(dict, namedObjectsDictionaryId(), mode);
}

Acad::ErrorStatus AcDbDatabase::getLayoutDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode) const
{
    return acdbOpenObject(dict, layoutDictionaryId(), mode);
}

Acad::ErrorStatus AcDbDatabase::getPlotSettingsDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode) const
{
    return acdbOpenObject(dict, plotSettingsDictionaryId(), mode);
}

Acad::ErrorStatus AcDbDatabase::getGroupDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode) const
{
    return acdbOpenObject(dict, groupDictionaryId(), mode);
}

Acad::ErrorStatus AcDbDatabase::getAcDbObjectId(AcDbObjectId& id, bool, const AcDbHandle& handle, Adesk::UInt32) const
{
    AcDbStub* stub = handle.isNull() ? nullptr : m_impl->byHandle.find(handle.value());
    if (!stub || !stub->object)
        return Acad::eUnknownHandle;
    id = AcDbObjectId(stub);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::addAcDbObject(AcDbObjectId& id, AcDbObject* obj)
{
    if (!obj)
        return Acad::eNullObjectPointer;
    if (obj->isDatabaseResident())
        return Acad::eAlreadyInDb;
    AcDbStub* stub = m_impl->newStub();
    m_impl->assignHandle(stub);
    id = m_impl->install(stub, obj);
    obj->markOpenForWrite();
    return Acad::eOk;
}

// The next handle after the largest; the largest possible handle when that is taken (new
// objects then take the lowest free ones).
AcDbHandle AcDbDatabase::handseed() const
{
    const unsigned long long largest = m_impl->maxHandle;
    return AcDbHandle(largest == std::numeric_limits<unsigned long long>::max() ? largest : largest + 1);
}

namespace {

long long headerInt(const AcDbDatabase::Impl& impl, const char* name, int code, long long fallback)
{
    long long v = fallback;
    if (const auto* t = impl.headerTag(name, code))
        qv::dxf::parseInt(t->value(), v);
    return v;
}

} // namespace

short AcDbDatabase::lunits() const { return static_cast<short>(headerInt(*m_impl, "$LUNITS", 70, 2)); }

Acad::ErrorStatus AcDbDatabase::setLunits(short units)
{
    if (units < 1 || units > 5)
        return Acad::eInvalidInput;
    m_impl->changeHeader("$LUNITS", 70, std::to_string(units));
    return Acad::eOk;
}

short AcDbDatabase::luprec() const { return static_cast<short>(headerInt(*m_impl, "$LUPREC", 70, 4)); }

AcDb::UnitsValue AcDbDatabase::insunits() const
{
    // A code no unit has is as good as none.
    const long long units = headerInt(*m_impl, "$INSUNITS", 70, 0);
    return units >= 0 && units <= AcDb::kUnitsMax ? static_cast<AcDb::UnitsValue>(units) : AcDb::kUnitsUndefined;
}

Acad::ErrorStatus AcDbDatabase::setInsunits(AcDb::UnitsValue units)
{
    if (units < 0 || units > AcDb::kUnitsMax)
        return Acad::eInvalidInput;
    m_impl->changeHeader("$INSUNITS", 70, std::to_string(static_cast<int>(units)));
    return Acad::eOk;
}

AcDbObjectId AcDbDatabase::clayer() const
{
    AcDbObjectId id;
    const auto* table = AcDbSymbolTable::cast(m_impl->layerTable.object());
    const auto* t = m_impl->headerTag("$CLAYER", 8);
    if (table && (!t || table->getAt(std::string(t->value()).c_str(), id) != Acad::eOk))
        table->getAt("0", id);
    return id;
}

Acad::ErrorStatus AcDbDatabase::setClayer(AcDbObjectId layerId)
{
    if (layerId.isNull())
        return Acad::eNullObjectId;
    const auto* rec = AcDbLayerTableRecord::cast(layerId.object());
    if (!rec || layerId.database() != this || rec->isErased())
        return Acad::eInvalidInput;
    m_impl->changeHeader("$CLAYER", 8, rec->name());
    return Acad::eOk;
}

AcGePoint3d AcDbDatabase::ucsorg() const { return m_impl->headerPoint("$UCSORG", 10, AcGePoint3d()); }

AcGeVector3d AcDbDatabase::ucsxdir() const
{
    return m_impl->headerPoint("$UCSXDIR", 10, AcGePoint3d(1, 0, 0)).asVector();
}

AcGeVector3d AcDbDatabase::ucsydir() const
{
    return m_impl->headerPoint("$UCSYDIR", 10, AcGePoint3d(0, 1, 0)).asVector();
}

Acad::ErrorStatus AcDbDatabase::setUcs(const AcGePoint3d& origin, const AcGeVector3d& xDir, const AcGeVector3d& yDir)
{
    if (xDir.isZeroLength() || yDir.isZeroLength() || xDir.isParallelTo(yDir))
        return Acad::eInvalidInput;
    const AcGeVector3d x = xDir.normal();
    const AcGeVector3d z = x.crossProduct(yDir).normal();
    const AcGeVector3d y = z.crossProduct(x);
    m_impl->setHeaderPoint("$UCSORG", 10, origin);
    m_impl->setHeaderPoint("$UCSXDIR", 10, AcGePoint3d(x.x, x.y, x.z));
    m_impl->setHeaderPoint("$UCSYDIR", 10, AcGePoint3d(y.x, y.y, y.z));
    m_impl->dbmod |= kVariablesModified;
    return Acad::eOk;
}

bool AcDbDatabase::tilemode() const { return headerInt(*m_impl, "$TILEMODE", 70, 1) != 0; }
void AcDbDatabase::setTilemode(bool model) { m_impl->changeHeader("$TILEMODE", 70, model ? "1" : "0"); }
int AcDbDatabase::sortEnts() const { return static_cast<int>(headerInt(*m_impl, "$SORTENTS", 280, 127)); }
void AcDbDatabase::setSortEnts(int value) { m_impl->changeHeader("$SORTENTS", 280, std::to_string(value)); }
AcGePoint3d AcDbDatabase::extmin() const { return m_impl->headerPoint("$EXTMIN", 10, AcGePoint3d(1e20, 1e20, 1e20)); }
AcGePoint3d AcDbDatabase::extmax() const
{
    return m_impl->headerPoint("$EXTMAX", 10, AcGePoint3d(-1e20, -1e20, -1e20));
}

bool AcDbDatabase::getHeaderReal(const char* name, int code, double& value) const
{
    const auto* t = m_impl->headerTag(name, code);
    return t && qv::dxf::parseReal(t->value(), value);
}

bool AcDbDatabase::getHeaderInt(const char* name, int code, long long& value) const
{
    const auto* t = m_impl->headerTag(name, code);
    return t && qv::dxf::parseInt(t->value(), value);
}

bool AcDbDatabase::getHeaderText(const char* name, int code, std::string& value) const
{
    const auto* t = m_impl->headerTag(name, code);
    if (t)
        value = t->value();
    return t != nullptr;
}

void AcDbDatabase::setHeaderValue(const char* name, int code, const std::string& value)
{
    m_impl->changeHeader(name, code, value);
}

AcDbObjectId AcDbDatabase::currentSpaceId() const { return tilemode() ? modelSpaceId() : paperSpaceId(); }

namespace {

AcDbObjectId blockNamed(const AcDbDatabase* db, const char* name)
{
    AcDbObjectId id;
    if (const auto* table = AcDbSymbolTable::cast(db->blockTableId().object()))
        table->getAt(name, id);
    return id;
}

} // namespace

AcDbObjectId AcDbDatabase::modelSpaceId() const { return blockNamed(this, AcDbBlockTableRecord::kModelSpace); }
AcDbObjectId AcDbDatabase::paperSpaceId() const { return blockNamed(this, AcDbBlockTableRecord::kPaperSpace); }

int AcDbDatabase::openObjectCount() const { return m_impl->openCount; }

AcDbObjectIdArray AcDbDatabase::openObjectIds() const
{
    AcDbObjectIdArray ids;
    for (size_t i = 0; i < m_impl->stubs.size(); ++i)
        if (AcDbStub& stub = m_impl->stubs[i]; stub.object && stub.object->openCount() > 0)
            ids.push_back(AcDbObjectId(&stub));
    return ids;
}

size_t AcDbDatabase::objectCount() const
{
    size_t n = 0;
    for (size_t i = 0; i < m_impl->stubs.size(); ++i)
        n += m_impl->stubs[i].object != nullptr;
    return n;
}

// ---- free functions ----

AcDbHostApplicationServices* acdbHostApplicationServices()
{
    static AcDbHostApplicationServices services;
    return &services;
}

bool acdbRegApp(const char* appName, AcDbDatabase* db)
{
    db = db ? db : acdbHostApplicationServices()->workingDatabase();
    if (!db || !appName || !*appName)
        return false;
    if (AcDbRegAppTable::isRegistered(db, appName))
        return true;
    AcDbRegAppTable* table = nullptr;
    if (db->getSymbolTable(table, AcDb::kForWrite) != Acad::eOk)
        return false;
    auto* rec = new AcDbRegAppTableRecord;
    rec->setName(appName);
    const bool added = table->add(rec) == Acad::eOk;
    added ? (void)rec->close() : delete rec;
    table->close();
    return added;
}

bool acdbUcsMatrix(AcGeMatrix3d& matrix, AcDbDatabase* db)
{
    db = db ? db : acdbHostApplicationServices()->workingDatabase();
    if (!db)
        return false;
    matrix = db->impl().ucsToWorld();
    return true;
}

bool acdbUcs2Wcs(const AcGePoint3d& from, AcGePoint3d& to, bool isVector, AcDbDatabase* db)
{
    AcGeMatrix3d m;
    if (!acdbUcsMatrix(m, db))
        return false;
    to = isVector ? AcGePoint3d::kOrigin + m.transform(from.asVector()) : m.transform(from);
    return true;
}

bool acdbWcs2Ucs(const AcGePoint3d& from, AcGePoint3d& to, bool isVector, AcDbDatabase* db)
{
    db = db ? db : acdbHostApplicationServices()->workingDatabase();
    if (!db)
        return false;
    const AcGeMatrix3d& m = db->impl().worldToUcs();
    to = isVector ? AcGePoint3d::kOrigin + m.transform(from.asVector()) : m.transform(from);
    return true;
}
