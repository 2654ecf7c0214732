// Reading ASCII DXF: bytes to decoded tokens, sections to objects, then a pass that
// resolves names and references and completes what a valid drawing needs.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "dbimpl.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"

#include <cctype>
#include <cstring>
#include <map>
#include <functional>
#include <memory>

using qv::dxf::DxfIn;
using qv::dxf::Token;
using qv::dxf::upper;

namespace {

// Windows-1252 code points of the bytes 0x80 to 0x9F (0 where the code page has none).
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void appendUtf8(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isValidUtf8(std::string_view s)
{
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

std::string fromCp1252(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 8);
    for (unsigned char c : s) {
        const unsigned cp = c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
        appendUtf8(out, cp ? cp : 0xFFFD);
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Replaces "\U+XXXX" escapes with the characters they name.
std::string unescapeUnicode(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 3, "\\U+") == 0 && i + 7 <= s.size()) {
            unsigned cp = 0;
            bool ok = true;
            for (size_t k = i + 3; k < i + 7; ++k) {
                const int d = hexDigit(s[k]);
                ok = ok && d >= 0;
                cp = cp * 16 + static_cast<unsigned>(d < 0 ? 0 : d);
            }
            if (ok) {
                appendUtf8(out, cp);
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string decode(std::string_view raw, bool utf8)
{
    bool high = false;
    for (unsigned char c : raw)
        high = high || c >= 0x80;
    std::string s = !high ? std::string(raw) : (utf8 && isValidUtf8(raw)) ? std::string(raw) : fromCp1252(raw);
    return s.find("\\U+") == std::string::npos ? s : unescapeUnicode(s);
}

// The value after a header variable in the first part of the file, or "".
std::string peekHeader(std::string_view bytes, std::string_view name)
{
    const size_t at = bytes.substr(0, 1 << 16).find(name);
    if (at == std::string_view::npos)
        return {};
    size_t p = bytes.find('\n', at);            // end of the name line
    p = p == std::string_view::npos ? p : bytes.find('\n', p + 1);  // end of the code line
    if (p == std::string_view::npos)
        return {};
    const size_t e = bytes.find('\n', p + 1);
    std::string v(bytes.substr(p + 1, e == std::string_view::npos ? std::string_view::npos : e - p - 1));
    while (!v.empty() && (v.back() == '\r' || v.back() == ' '))
        v.pop_back();
    while (!v.empty() && v.front() == ' ')
        v.erase(v.begin());
    return v;
}

bool isStringCode(int code)
{
    return acutRbValueKind(code) == RbValueKind::kString;
}

class Tokenizer
{
public:
    Tokenizer(std::string_view bytes, std::string& error) : m_bytes(bytes), m_error(error) {}

    bool run(std::vector<Token>& tokens)
    {
        const std::string version = peekHeader(m_bytes, "$ACADVER");
        const bool utf8 = version >= "AC1021";
        int line = 0;
        size_t pos = 0;
        while (pos < m_bytes.size()) {
            std::string_view codeLine = nextLine(pos);
            ++line;
            if (pos >= m_bytes.size() && trim(codeLine).empty())
                break;   // the newline after the last value
            if (pos >= m_bytes.size())
                return fail(line, "group code without a value (the file is truncated)");
            const std::string_view value = nextLine(pos);
            ++line;
            long long code = 0;
            if (!qv::dxf::parseInt(codeLine, code) || trim(codeLine).find('.') != std::string_view::npos
                || code < -5 || code > 1071)
                return fail(line - 1, "invalid group code '" + std::string(trim(codeLine).substr(0, 40)) + "'");
            const int c = static_cast<int>(code);
            tokens.push_back({c, decode(isStringCode(c) ? value : trim(value), utf8), line - 1});
            if (c == 0 && trim(value) == "EOF")
                return true;
        }
        return fail(line, "unexpected end of file (no EOF)");
    }

private:
    static std::string_view trim(std::string_view s)
    {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        return s;
    }

    std::string_view nextLine(size_t& pos)
    {
        size_t e = m_bytes.find('\n', pos);
        if (e == std::string_view::npos)
            e = m_bytes.size();
        std::string_view l = m_bytes.substr(pos, e - pos);
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        pos = e + 1;
        return l;
    }

    bool fail(int line, const std::string& message)
    {
        m_error = "line " + std::to_string(line) + ": " + message;
        return false;
    }

    std::string_view m_bytes;
    std::string& m_error;
};

// A BLOCK, ENDBLK or SEQEND record: read for its handle, layer and other tags.
class FrameRecord : public AcDbEntity
{
public:
    bool dxfInField(DxfIn& in, const Token& t) override
    {
        switch (t.code) {
        case 2: name = t.value; return true;
        case 3: return true;
        case 70: flags = in.integer(t); return true;
        case 1: path = t.value; return true;
        case 4: description = t.value; return true;
        }
        return in.pointPart(t, 10, origin);
    }
    std::string name, path, description;
    int flags = 0;
    AcGePoint3d origin;
};

class Reader
{
public:
    Reader(AcDbDatabase* db, std::vector<Token>& tokens) : m_db(db), m_impl(db->impl()), m_in(db), m_t(tokens)
    {
        m_impl.loading = true;
    }
    ~Reader() { m_impl.loading = false; }

    bool run();
    const std::string& error() const { return m_in.error(); }

private:
    const Token& tok() const { return m_t[m_pos]; }
    bool at(int code, std::string_view value) const { return tok().code == code && tok().value == value; }
    bool fail(const std::string& message)
    {
        m_in.fail(tok().line, message);
        return false;
    }

    bool readSection();
    void readHeader();
    void readClasses();
    bool readTables();
    bool readTable();
    bool readBlocks();
    bool readEntities(AcDbObjectId owner, bool blockSection);
    bool readObjects();
    void readOtherSection(const std::string& name);
    bool skipToSectionEnd();

    // Reads the record at the cursor into obj, returning its handle (null when absent).
    AcDbHandle parseRecord(AcDbObject* obj, AcDbHandle* owner = nullptr);
    AcDbObjectId install(AcDbObject* obj, AcDbHandle handle);
    AcDbObjectId readObjectRecord(AcDbObject* obj, AcDbHandle* owner = nullptr);
    AcDbEntity* createEntity(const std::string& type) const;
    int peekInt(int code, int fallback) const;
    bool readEntity(AcDbObjectId owner);
    bool finish();

    AcDbDatabase* m_db;
    AcDbDatabase::Impl& m_impl;
    DxfIn m_in;
    std::vector<Token>& m_t;
    size_t m_pos = 0;
    AcDbBlockReference* m_lastInsert = nullptr;
    AcDbSequencePolyline* m_lastPolyline = nullptr;
};

bool Reader::run()
{
    while (!at(0, "EOF")) {
        if (!at(0, "SECTION"))
            return fail("expected SECTION, found '" + tok().value + "'");
        if (!readSection())
            return false;
    }
    return finish();
}

bool Reader::readSection()
{
    ++m_pos;
    if (tok().code != 2)
        return fail("section without a name");
    const std::string name = tok().value;
    ++m_pos;
    if (name == "HEADER")
        readHeader();
    else if (name == "CLASSES")
        readClasses();
    else if (name == "TABLES")
        return readTables() && skipToSectionEnd();
    else if (name == "BLOCKS")
        return readBlocks() && skipToSectionEnd();
    else if (name == "ENTITIES")
        return readEntities(AcDbObjectId(), false) && skipToSectionEnd();
    else if (name == "OBJECTS")
        return readObjects() && skipToSectionEnd();
    else
        readOtherSection(name);
    return skipToSectionEnd();
}

bool Reader::skipToSectionEnd()
{
    if (m_in.failed())
        return false;
    if (!at(0, "ENDSEC"))
        return fail(at(0, "EOF") ? "section not closed by ENDSEC" : "unexpected '" + tok().value + "' in section");
    ++m_pos;
    return true;
}

void Reader::readHeader()
{
    HeaderVariable* var = nullptr;
    for (; tok().code != 0; ++m_pos) {
        if (tok().code == 9) {
            m_impl.headerIndex[tok().value] = m_impl.header.size();
            var = &m_impl.header.emplace_back(HeaderVariable{tok().value, {}});
        } else if (var) {
            var->tags.push_back({tok().code, tok().value});
        }
    }
}

void Reader::readClasses()
{
    while (at(0, "CLASS")) {
        qv::dxf::Tags tags;
        for (++m_pos; tok().code != 0; ++m_pos)
            tags.push_back({tok().code, tok().value});
        m_impl.classes.push_back(std::move(tags));
    }
}

void Reader::readOtherSection(const std::string& name)
{
    qv::dxf::Tags tags;
    for (; !at(0, "ENDSEC") && !at(0, "EOF"); ++m_pos)
        tags.push_back({tok().code, tok().value});
    m_impl.otherSections.emplace_back(name, std::move(tags));
}

AcDbHandle Reader::parseRecord(AcDbObject* obj, AcDbHandle* owner)
{
    AcDbHandle handle;
    bool marker = false;
    m_in.setSubclass("");
    for (++m_pos; tok().code != 0; ++m_pos) {
        const Token& t = tok();
        if ((t.code == 5 || t.code == 105) && !marker && handle.isNull()) {
            handle = m_in.handle(t);
        } else if (t.code == 102 && t.value.starts_with("{")) {
            const bool reactors = t.value == "{ACAD_REACTORS", xdict = t.value == "{ACAD_XDICTIONARY";
            if (!reactors && !xdict)
                obj->appGroups().push_back({t.code, t.value});
            for (++m_pos; tok().code != 0 && !(tok().code == 102 && tok().value == "}"); ++m_pos) {
                if (reactors && tok().code == 330)
                    obj->addPersistentReactor(m_in.reference(tok(), false));
                else if (xdict && tok().code == 360)
                    obj->setExtensionDictionaryId(m_in.reference(tok(), true));
                else if (!reactors && !xdict)
                    obj->appGroups().push_back({tok().code, tok().value});
            }
            if (tok().code == 0)
                break;
            if (!reactors && !xdict)
                obj->appGroups().push_back({tok().code, tok().value});
        } else if (t.code == 330 && !marker && owner && owner->isNull()) {
            *owner = m_in.handle(t);
        } else if (t.code == 330 && !marker) {
            // An owner given again or where the structure decides: the writer sets it.
        } else if (t.code == 100) {
            marker = true;
            m_in.setSubclass(t.value);
            obj->extras().push_back({t.value, {}});
        } else if (t.code == 1001) {
            for (; tok().code >= 1000; ++m_pos)
                obj->xDataTags().push_back({tok().code, tok().value});
            --m_pos;
        } else if (!obj->dxfIn(m_in, t)) {
            auto& extras = obj->extras();
            if (extras.empty() || extras.back().subclass != m_in.subclass())
                extras.push_back({m_in.subclass(), {}});
            extras.back().tags.push_back({t.code, t.value});
        }
    }
    obj->dxfInEnd(m_in);
    return handle;
}

AcDbObjectId Reader::install(AcDbObject* obj, AcDbHandle handle)
{
    AcDbStub* stub = handle.isNull() ? m_impl.newStub() : m_impl.stubFor(handle);
    if (stub->object) {
        m_in.fail(tok().line, "duplicate handle " + handle.text());
        delete obj;
        return AcDbObjectId();
    }
    return m_impl.install(stub, obj);
}

AcDbObjectId Reader::readObjectRecord(AcDbObject* obj, AcDbHandle* owner)
{
    const AcDbHandle handle = parseRecord(obj, owner);
    return install(obj, handle);
}

bool Reader::readTables()
{
    while (at(0, "TABLE"))
        if (!readTable())
            return false;
    return !m_in.failed();
}

bool Reader::readTable()
{
    std::string name;
    for (size_t i = m_pos + 1; m_t[i].code != 0; ++i)
        if (m_t[i].code == 2) {
            name = m_t[i].value;
            break;
        }
    static const std::map<std::string, std::pair<std::function<AcDbSymbolTable*()>, AcDbObjectId AcDbDatabase::Impl::*>>
        kinds = {
            {"VPORT", {[] { return new AcDbViewportTable; }, &AcDbDatabase::Impl::viewportTable}},
            {"LTYPE", {[] { return new AcDbLinetypeTable; }, &AcDbDatabase::Impl::linetypeTable}},
            {"LAYER", {[] { return new AcDbLayerTable; }, &AcDbDatabase::Impl::layerTable}},
            {"STYLE", {[] { return new AcDbTextStyleTable; }, &AcDbDatabase::Impl::textStyleTable}},
            {"VIEW", {[] { return new AcDbViewTable; }, &AcDbDatabase::Impl::viewTable}},
            {"UCS", {[] { return new AcDbUCSTable; }, &AcDbDatabase::Impl::ucsTable}},
            {"APPID", {[] { return new AcDbRegAppTable; }, &AcDbDatabase::Impl::regAppTable}},
            {"DIMSTYLE", {[] { return new AcDbDimStyleTable; }, &AcDbDatabase::Impl::dimStyleTable}},
            {"BLOCK_RECORD", {[] { return new AcDbBlockTable; }, &AcDbDatabase::Impl::blockTable}},
        };
    const auto kind = kinds.find(name);
    if (kind == kinds.end())
        return fail("unknown table '" + name + "'");
    if (!(m_impl.*(kind->second.second)).isNull())
        return fail("table " + name + " given twice");
    AcDbSymbolTable* table = kind->second.first();
    const AcDbObjectId tableId = readObjectRecord(table);
    if (tableId.isNull())
        return false;
    m_impl.*(kind->second.second) = tableId;
    m_impl.tables.push_back(tableId);
    while (at(0, name)) {
        AcDbSymbolTableRecord* rec = table->createRecord();
        const AcDbObjectId id = readObjectRecord(rec);
        if (id.isNull())
            return false;
        rec->setOwnerId(tableId);
        table->attachRecord(id, rec->name());
    }
    if (!at(0, "ENDTAB"))
        return fail("table " + name + " not closed by ENDTAB");
    for (++m_pos; tok().code != 0; ++m_pos) {
    }
    return !m_in.failed();
}

AcDbEntity* Reader::createEntity(const std::string& type) const
{
    if (type == "LINE") return new AcDbLine;
    if (type == "CIRCLE") return new AcDbCircle;
    if (type == "ARC") return new AcDbArc;
    if (type == "LWPOLYLINE") return new AcDbPolyline;
    if (type == "TEXT") return new AcDbText;
    if (type == "MTEXT") return new AcDbMText;
    if (type == "ATTDEF") return new AcDbAttributeDefinition;
    if (type == "ATTRIB") return new AcDbAttribute;
    if (type == "HATCH") return new AcDbHatch;
    if (type == "VIEWPORT") return new AcDbViewport;
    if (type == "VERTEX") return new AcDbVertex;
    if (type == "INSERT")
        return peekInt(70, 1) > 1 || peekInt(71, 1) > 1 ? new AcDbMInsertBlock : new AcDbBlockReference;
    if (type == "POLYLINE") {
        const int flags = peekInt(70, 0);
        if (flags & 8) return new AcDb3dPolyline;
        if (flags & 16) return new AcDbPolygonMesh;
        if (flags & 64) return new AcDbPolyFaceMesh;
        return new AcDb2dPolyline;
    }
    return new AcDbProxyEntity(type);
}

int Reader::peekInt(int code, int fallback) const
{
    for (size_t i = m_pos + 1; m_t[i].code != 0; ++i) {
        long long v = 0;
        if (m_t[i].code == code && qv::dxf::parseInt(m_t[i].value, v))
            return static_cast<int>(v);
    }
    return fallback;
}

bool Reader::readEntity(AcDbObjectId owner)
{
    const std::string type = tok().value;
    const int line = tok().line;
    if (type == "SEQEND") {
        FrameRecord frame;
        const AcDbHandle h = parseRecord(&frame);
        m_impl.noteHandle(h);
        if (m_lastInsert)
            m_lastInsert->setSeqendHandle(h);
        else if (m_lastPolyline)
            m_lastPolyline->seqendHandle() = h;
        m_lastInsert = nullptr;
        m_lastPolyline = nullptr;
        return !m_in.failed();
    }
    AcDbEntity* ent = createEntity(type);
    AcDbHandle ownerHandle;
    const bool paper = peekInt(67, 0) == 1;
    const AcDbObjectId id = readObjectRecord(ent, &ownerHandle);
    if (id.isNull())
        return false;
    if (type == "ATTRIB" || type == "VERTEX") {
        AcDbEntity* parent = type == "ATTRIB" ? static_cast<AcDbEntity*>(m_lastInsert) : m_lastPolyline;
        if (!parent) {
            m_in.fail(line, type + " outside a " + (type == "ATTRIB" ? "block reference" : "polyline"));
            return false;
        }
        ent->setOwnerId(parent->objectId());
        type == "ATTRIB" ? m_lastInsert->attachAttribute(id) : m_lastPolyline->attachVertex(id);
        return !m_in.failed();
    }
    if (owner.isNull()) {
        const auto it = m_impl.byHandle.find(ownerHandle.value());
        const bool known = it != m_impl.byHandle.end() && AcDbBlockTableRecord::cast(it->second->object.get());
        owner = known ? AcDbObjectId(it->second) : (paper ? m_db->paperSpaceId() : m_db->modelSpaceId());
    }
    auto* btr = AcDbBlockTableRecord::cast(owner.object());
    if (!btr) {
        m_in.fail(line, "entity outside model space (the drawing has no block records)");
        return false;
    }
    ent->setOwnerId(owner);
    btr->attachEntity(id);
    m_lastInsert = AcDbBlockReference::cast(ent);
    m_lastPolyline = AcDbSequencePolyline::cast(ent);
    return !m_in.failed();
}

bool Reader::readEntities(AcDbObjectId owner, bool blockSection)
{
    m_lastInsert = nullptr;
    m_lastPolyline = nullptr;
    if (!blockSection && m_impl.blockTable.isNull())
        qv::completeDatabase(m_db, false);   // files without tables (R12 without TABLES)
    while (tok().code == 0 && !at(0, "ENDSEC") && !at(0, "EOF") && !at(0, "ENDBLK"))
        if (!readEntity(owner))
            return false;
    return !m_in.failed();
}

bool Reader::readBlocks()
{
    if (m_impl.blockTable.isNull())
        qv::completeDatabase(m_db, false);
    auto* table = AcDbBlockTable::cast(m_impl.blockTable.object());
    while (at(0, "BLOCK")) {
        auto begin = std::make_unique<FrameRecord>();
        const AcDbHandle beginHandle = parseRecord(begin.get());
        std::string name = begin->name;
        if (qv::dxf::equalNoCase(name, "$MODEL_SPACE"))
            name = AcDbBlockTableRecord::kModelSpace;
        else if (qv::dxf::equalNoCase(name, "$PAPER_SPACE"))
            name = AcDbBlockTableRecord::kPaperSpace;
        AcDbObjectId btrId;
        if (table->getAt(name.c_str(), btrId) != Acad::eOk) {
            auto* rec = new AcDbBlockTableRecord;
            rec->assignName(name);
            btrId = install(rec, AcDbHandle());
            rec->setOwnerId(m_impl.blockTable);
            table->attachRecord(btrId, name);
        }
        auto* btr = AcDbBlockTableRecord::cast(btrId.object());
        btr->setFlags(begin->flags);
        btr->setOrigin(begin->origin);
        btr->setXrefPath(begin->path);
        btr->setDescriptionFromFile(begin->description);
        m_impl.noteHandle(beginHandle);
        btr->frame().beginHandle = beginHandle;
        btr->frame().layer = begin->layer().str();
        btr->frame().beginExtras = std::move(begin->extras());
        btr->frame().beginXData = std::move(begin->xDataTags());
        if (!readEntities(btrId, true))
            return false;
        if (!at(0, "ENDBLK"))
            return fail("block '" + name + "' not closed by ENDBLK");
        FrameRecord end;
        btr->frame().endHandle = parseRecord(&end);
        btr->frame().endExtras = std::move(end.extras());
        m_impl.noteHandle(btr->frame().endHandle);
    }
    return !m_in.failed();
}

bool Reader::readObjects()
{
    while (tok().code == 0 && !at(0, "ENDSEC") && !at(0, "EOF")) {
        const std::string type = tok().value;
        AcDbObject* obj = nullptr;
        if (type == "DICTIONARY" || type == "ACDBDICTIONARYWDFLT") {
            auto* dict = new AcDbDictionary;
            dict->setDxfName(type);
            obj = dict;
        } else if (type == "XRECORD") {
            obj = new AcDbXrecord;
        } else if (type == "SORTENTSTABLE") {
            obj = new AcDbSortentsTable;
        } else if (type == "LAYOUT") {
            obj = new AcDbLayout;
        } else if (type == "PLOTSETTINGS") {
            obj = new AcDbPlotSettings;
        } else {
            obj = new AcDbProxyObject(type);
        }
        AcDbHandle owner;
        const AcDbObjectId id = readObjectRecord(obj, &owner);
        if (id.isNull())
            return false;
        if (m_impl.rootDictionary.isNull() && AcDbDictionary::cast(obj))
            m_impl.rootDictionary = id;
        if (!owner.isNull()) {
            const auto it = m_impl.byHandle.find(owner.value());
            obj->setOwnerId(it != m_impl.byHandle.end() ? AcDbObjectId(it->second) : AcDbObjectId());
        }
    }
    return !m_in.failed();
}

bool Reader::finish()
{
    for (const auto& ref : m_in.strictReferences())
        if (!ref.stub->object) {
            m_in.fail(ref.line, "reference to the missing object " + ref.stub->handle.text());
            return false;
        }
    // References to objects the file does not have are dropped (lenient ones only remain).
    for (AcDbStub& stub : m_impl.stubs)
        if (!stub.object)
            m_impl.byHandle.erase(stub.handle.value());
    qv::completeDatabase(m_db);
    for (AcDbStub& stub : m_impl.stubs)
        if (stub.object)
            stub.object->dxfInResolve(m_in);
    return !m_in.failed();
}

} // namespace

namespace qv {

Acad::ErrorStatus readDxf(AcDbDatabase* db, const std::string& bytes, std::string& error)
{
    if (bytes.empty()) {
        error = "the file is empty";
        return Acad::eMalformedDxf;
    }
    if (bytes.compare(0, 18, "AutoCAD Binary DXF") == 0) {
        error = "binary DXF is not supported: save the drawing as ASCII DXF";
        return Acad::eNotSupportedInDwgApi;
    }
    if (bytes.size() >= 6 && bytes.compare(0, 4, "AC10") == 0 && std::isdigit(static_cast<unsigned char>(bytes[4]))) {
        error = "this is a DWG file (" + bytes.substr(0, 6) + "): only DXF drawings can be read";
        return Acad::eInvalidDwgVersion;
    }
    std::vector<Token> tokens;
    if (!Tokenizer(bytes, error).run(tokens))
        return Acad::eMalformedDxf;
    Reader reader(db, tokens);
    if (!reader.run()) {
        error = reader.error();
        return Acad::eMalformedDxf;
    }
    return Acad::eOk;
}

} // namespace qv
