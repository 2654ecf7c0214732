#include "dxfcontext.h"

#include "arx/dbblockref.h"
#include "arx/dbsymtb.h"
#include "arx/dxfnumber.h"
#include "arx/dxfresbuf.h"
#include "dbobjectdata.h"

#include <algorithm>
#include <utility>

namespace qv {

namespace {

bool isMarker(const dxf::Pair& p) { return p.code == 100; }

// U+FFFD, which stands for a character that cannot be kept.
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Whether a pair that no field reads names a table's record: the block (2) and style (3) of a
// dimension, the style of a leader or a tolerance.
bool namesRecord(std::string_view type, int code)
{
    if (code != 2 && code != 3)
        return false;
    const bool dimension = type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION";
    return dimension || (code == 3 && (type == "LEADER" || type == "TOLERANCE"));
}

// Whether a pair may belong to a record's common part (handle, groups, owner, XData): one
// test for the many that are fields.
constexpr auto kCommonCodes = [] {
    std::array<bool, 331> codes{};
    codes[5] = codes[102] = codes[105] = codes[330] = true;
    return codes;
}();
bool mayBeCommon(int code)
{
    return static_cast<unsigned>(code) < kCommonCodes.size() ? kCommonCodes[static_cast<size_t>(code)] : code >= 1000;
}

// Whether a record's handle may come after the pair: before any marker, or among an
// entity's common fields, where some writers of release-12 files put it.
bool handleMayFollow(const dxf::Pair& p, bool before) { return isMarker(p) ? p.value == "AcDbEntity" : before; }

} // namespace

DxfContext::DxfContext(AcDbDatabase* db, dxf::Reader* reader) : m_impl(db->impl()), m_reader(reader) {}

DxfContext::RecordInfo DxfContext::recordHandle(std::span<const dxf::Pair> pairs)
{
    unsigned long long value = 0;
    bool common = true;
    for (size_t i = 1; i < pairs.size() && (common = handleMayFollow(pairs[i], common)); ++i)
        if (pairs[i].code == 5 || pairs[i].code == 105) {
            if (!dxf::parseHandle(pairs[i].value, value))
                return {};
            return {AcDbHandle(value), AcDbHandle(), &pairs[i]};
        }
    return {};
}

std::string DxfContext::describeRecord() const
{
    std::string text(m_recordType);
    if (!m_recordHandle.isNull())
        text += ' ' + m_recordHandle.text();
    return text;
}

std::string_view DxfContext::repairedName(const dxf::Pair& pair)
{
    auto it = m_repairedNames.find(pair.value);
    if (it == m_repairedNames.end()) {
        std::string name;
        for (const char c : pair.value)
            name += c ? std::string_view(&c, 1) : kReplacementCharacter;
        m_impl.repaired(describeRecord() + " at line " + std::to_string(pair.line) + ": the name '"
                        + std::string(pair.value) + "' holds a NUL byte, which no name can: read as '" + name + "'");
        it = m_repairedNames.emplace(pair.value, std::move(name)).first;
    }
    return it->second;
}

std::string_view DxfContext::blockName(std::span<const dxf::Pair> pairs, const dxf::Pair* pair)
{
    m_recordType = pairs[0].value;
    m_recordHandle = AcDbHandle();
    return pair ? name(*pair) : std::string_view();
}

bool DxfContext::givesName(const dxf::Pair& pair, std::string_view held) const
{
    if (pair.value == held)
        return true;
    const auto repaired = m_repairedNames.find(pair.value);
    return repaired != m_repairedNames.end() && repaired->second == held;
}

// A handle that is not hexadecimal (some writers put a letter there) is taken as none.
AcDbHandle DxfContext::noHandle(const dxf::Pair& pair)
{
    m_impl.repaired(describeRecord() + " at line " + std::to_string(pair.line) + ": the handle '" + std::string(pair.value.substr(0, 40))
                    + "' (group code " + std::to_string(pair.code) + ") is not hexadecimal: taken as none");
    return AcDbHandle();
}

std::string_view DxfContext::xdataText(const dxf::Pair& pair)
{
    const std::string_view text = m_reader ? m_reader->decoded(pair.value) : pair.value;
    size_t shown = std::min<size_t>(text.size(), 40);
    while (shown < text.size() && (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80)
        ++shown;   // not within a character
    m_impl.repaired(describeRecord() + " at line " + std::to_string(pair.line) + ": its XData value '"
                    + std::string(text.substr(0, shown)) + (shown < text.size() ? "...' (group code " : "' (group code ")
                    + std::to_string(pair.code) + ") is none of that code: kept as a text (1000)");
    return text;
}

void DxfContext::readRecord(AcRxObject& target, const dxf::FieldTable& table, std::span<const dxf::Pair> pairs,
                            ObjectData*& data, RecordInfo& info)
{
    const dxf::Pair* const parsed = std::exchange(info.handlePair, nullptr);
    const AcDbHandle known = std::exchange(info.handle, AcDbHandle());
    dxf::FieldTable::Cursor cursor;
    bool marked = false, common = true, handleRead = false, ownerRead = false;
    m_recordType = pairs[0].value;
    m_recordHandle = AcDbHandle();
    for (size_t i = 1; i < pairs.size();) {
        const dxf::Pair& p = pairs[i];
        if (!mayBeCommon(p.code)) {
            readField(target, table, cursor, pairs, i, data, marked, common);
        } else if ((p.code == 5 || p.code == 105) && common && !handleRead) {
            info.handle = m_recordHandle = &p == parsed ? known : handleOrNone(p);
            handleRead = true;
            ++i;
        } else if (p.code == 102 && p.value.starts_with("{")) {
            readGroup(pairs, i, data);
        } else if (p.code == 330 && !marked) {
            // The first owner counts; one given again is set by the writer from the structure.
            if (!ownerRead)
                info.owner = handleOrNone(p);
            ownerRead = true;
            ++i;
        } else if (p.code == 1001) {
            if (!data)
                data = ObjectData::make();
            const auto run = std::find_if(pairs.begin() + static_cast<long>(i), pairs.end(),
                                          [](const dxf::Pair& q) { return q.code < 1000; });
            data->xdata.reserve(data->xdata.size() + static_cast<size_t>(run - pairs.begin()) - i);
            // An application's name names its APPID record.
            for (; i < pairs.size() && pairs[i].code >= 1000; ++i) {
                const dxf::Pair& item = pairs[i];
                if (item.code == 1001)
                    data->xdata.add(1001, name(item));
                else if (dxf::isItemValue(item.code, item.value))
                    data->xdata.add(item.code, item.value);
                else
                    data->xdata.add(1000, xdataText(item));
            }
        } else {
            readField(target, table, cursor, pairs, i, data, marked, common);
        }
    }
    if (data && !std::is_sorted(data->extras.begin(), data->extras.end(),
                                [](const dxf::Tag& a, const dxf::Tag& b) { return a.anchor < b.anchor; }))
        data->extras.sortByAnchor();
}

// pairs[i] through the table, or kept as an extra when no field reads it.
inline void DxfContext::readField(AcRxObject& target, const dxf::FieldTable& table, dxf::FieldTable::Cursor& cursor,
                                  std::span<const dxf::Pair> pairs, size_t& i, ObjectData*& data, bool& marked,
                                  bool& common)
{
    const dxf::Pair& p = pairs[i];
    marked = marked || isMarker(p);
    common = handleMayFollow(p, common);
    if (!table.read(target, cursor, pairs, i, *this)) {
        if (!data)
            data = ObjectData::make();
        data->extras.add(p.code, namesRecord(m_recordType, p.code) ? name(p) : kept(p).value, cursor.anchor);
        ++i;
    }
}

// A "{NAME" group up to its closing "}": reactors, the extension dictionary, or another
// application's group kept whole. A group not closed within its record is refused.
void DxfContext::readGroup(std::span<const dxf::Pair> pairs, size_t& i, ObjectData*& data)
{
    if (!data)
        data = ObjectData::make();
    const size_t start = i;
    const std::string_view name = pairs[i].value;
    const bool reactors = name == "{ACAD_REACTORS", xdict = name == "{ACAD_XDICTIONARY";
    const bool kept = !reactors && !xdict;
    if (kept)
        data->appGroups.add(102, name);
    for (++i; i < pairs.size() && !(pairs[i].code == 102 && pairs[i].value == "}"); ++i) {
        const dxf::Pair& p = pairs[i];
        if (reactors && p.code == 330) {
            if (const AcDbObjectId id = reference(p, false); !id.isNull())
                data->reactors.push_back(id);
        } else if (xdict && p.code == 360) {
            data->extensionDictionary = reference(p, false);
            m_dictionaries.push_back({&data->extensionDictionary, describeRecord(), p.line});
        } else if (kept) {
            data->appGroups.add(p.code, p.value);
        }
    }
    // A group left open would take the fields and XData after it.
    if (i == pairs.size())
        throw dxf::FormatError(pairs[start].line, "group '" + std::string(name.substr(0, 40)) + "' not closed by '}'");
    if (kept)
        data->appGroups.add(102, "}");
    ++i;
}

AcDbObjectId DxfContext::reference(const dxf::Pair& pair, bool strict)
{
    const AcDbHandle h = handleOrNone(pair);
    if (h.isNull())
        return AcDbObjectId();
    AcDbStub* stub = m_impl.stubFor(h);
    if (strict)
        m_strict.push_back({stub, pair.line});
    return AcDbObjectId(stub);
}

AcDbObjectId DxfContext::layerNamed(std::string_view name)
{
    const AcDbObjectId id = recentLayer(name);
    return id.isNull() ? rememberLayer(name, findLayer(name)) : id;
}

AcDbObjectId DxfContext::layerNamed(const dxf::Pair& pair)
{
    const AcDbObjectId id = recentLayer(pair.value);
    return id.isNull() ? rememberLayer(pair.value, findLayer(name(pair))) : id;
}

AcDbObjectId DxfContext::recentLayer(std::string_view written) const
{
    // Names of one length mostly differ in their last byte: compared first, out of a call.
    for (const RecentLayer& recent : m_recentLayers)
        if (recent.name.size() == written.size() && !recent.id.isNull()
            && (written.empty() || recent.name.back() == written.back()) && recent.name == written)
            return recent.id;
    return AcDbObjectId();
}

AcDbObjectId DxfContext::rememberLayer(std::string_view written, AcDbObjectId id)
{
    if (!id.isNull()) {
        RecentLayer& recent = m_recentLayers[m_nextRecentLayer];
        m_nextRecentLayer = (m_nextRecentLayer + 1) % m_recentLayers.size();
        recent.name.assign(written);
        recent.id = id;
    }
    return id;
}

AcDbObjectId DxfContext::findLayer(std::string_view name)
{
    if (const auto it = m_layers.find(name); it != m_layers.end())
        return it->second;
    auto* table = AcDbSymbolTable::cast(m_impl.layerTable.object());
    if (!table)
        return AcDbObjectId();
    AcDbObjectId id;
    if (table->getAt(std::string(name).c_str(), id) != Acad::eOk) {
        // A layer the table lacks is added, so that the entity keeps its layer name.
        auto* rec = m_impl.makeInArena<AcDbLayerTableRecord>();
        rec->assignName(std::string(name));
        id = m_impl.install(m_impl.newStub(), rec, true);
        rec->setOwnerId(m_impl.layerTable);
        table->attachRecord(id, rec->name());
    }
    m_layers.emplace(name, id);
    return id;
}

void DxfContext::ensureTextStyle(const char* style, const dxf::Record& record, const AcDbObject& user)
{
    if (style == m_lastTextStyle)
        return;
    if (m_textStyles.count(style)) {
        m_lastTextStyle = style;
        return;
    }
    m_textStyles.insert(style);
    m_lastTextStyle = style;
    // The pair the text took its style from: a 7 of another section is no style of the text.
    const auto pairs = record.pairs();
    const auto pair =
        std::find_if(pairs.begin(), pairs.end(), [&](const dxf::Pair& p) { return p.code == 7 && givesName(p, style); });
    if (pair == pairs.end() || pair->value.empty())
        return;
    PendingStyle pending{style, AcDbDatabase::Impl::describe(&user), pair->line};
    if (m_impl.textStyleTable.isNull())
        m_styles.push_back(std::move(pending));   // added once the table is made
    else
        addTextStyle(pending);
}

void DxfContext::addTextStyle(const PendingStyle& pending)
{
    auto* table = AcDbSymbolTable::cast(m_impl.textStyleTable.object());
    AcDbObjectId id;
    if (!table || table->getAt(pending.name.c_str(), id) == Acad::eOk)
        return;
    auto* rec = m_impl.makeInArena<AcDbTextStyleTableRecord>();
    rec->assignName(pending.name);
    id = m_impl.install(m_impl.newStub(), rec, true);
    rec->setOwnerId(m_impl.textStyleTable);
    table->attachRecord(id, rec->name());
    m_impl.repaired(pending.user + " at line " + std::to_string(pending.line) + ": its text style '" + rec->name()
                    + "' is not in the table: added");
}

void DxfContext::addPendingTextStyles()
{
    for (const PendingStyle& pending : m_styles)
        addTextStyle(pending);
    m_styles.clear();
}

AcDbObjectId DxfContext::blockNamed(std::string_view name)
{
    AcDbObjectId id;
    if (const auto* table = AcDbSymbolTable::cast(m_impl.blockTable.object()))
        table->getAt(name, id);
    return id;
}

// A block that references name but the file does not define: an empty one, so that the
// references are kept (and plot nothing).
AcDbObjectId DxfContext::emptyBlock(const PendingBlock& pending)
{
    auto* table = AcDbSymbolTable::cast(m_impl.blockTable.object());
    auto* rec = m_impl.makeInArena<AcDbBlockTableRecord>();
    rec->assignName(pending.name);
    const AcDbObjectId id = m_impl.install(m_impl.newStub(), rec, true);
    rec->setOwnerId(m_impl.blockTable);
    table->attachRecord(id, pending.name);
    m_impl.repaired(AcDbDatabase::Impl::describe(pending.reference) + " at line " + std::to_string(pending.line)
                    + ": the block '" + pending.name
                    + "' is not defined: an empty one was added, so its references plot nothing");
    return id;
}

void DxfContext::setBlockNamed(AcDbBlockReference* ref, const dxf::Pair& pair)
{
    const std::string_view block = name(pair);
    if (block.empty())
        return;   // a reference without a block name is refused
    if (const AcDbObjectId id = blockNamed(block); !id.isNull())
        ref->setBlockFromFile(id);
    else
        m_blocks.push_back({ref, std::string(block), pair.line});
}

bool DxfContext::awaitsBlock(const AcDbBlockReference* reference) const
{
    return !m_blocks.empty() && m_blocks.back().reference == reference;
}

void DxfContext::setLinetypeNamed(AcDbLayerTableRecord* layer, std::string_view name)
{
    m_linetypes.push_back({layer, std::string(name)});
}

void DxfContext::resolve()
{
    for (const PendingReference& ref : m_strict)
        if (!ref.stub->object)
            throw dxf::FormatError(ref.line, "reference to the missing object " + ref.stub->handle.text());
    m_strict.clear();
    for (const PendingDictionary& d : m_dictionaries)
        if (!d.slot->isNull() && !d.slot->object()) {
            m_impl.repaired(d.holder + " at line " + std::to_string(d.line) + ": its extension dictionary "
                            + d.slot->handle().text() + " is missing: taken as none");
            d.slot->setNull();
        }
    m_dictionaries.clear();
    for (const PendingBlock& b : m_blocks) {
        AcDbObjectId id = blockNamed(b.name);
        if (id.isNull())
            id = emptyBlock(b);
        b.reference->setBlockFromFile(id);
    }
    m_blocks.clear();
    const auto* linetypes = AcDbSymbolTable::cast(m_impl.linetypeTable.object());
    for (const PendingLinetype& l : m_linetypes) {
        AcDbObjectId id;
        if (linetypes && (linetypes->getAt(l.name.empty() ? "Continuous" : l.name.c_str(), id) == Acad::eOk
                          || linetypes->getAt("Continuous", id) == Acad::eOk))
            l.layer->setLinetypeObjectId(id);
    }
    m_linetypes.clear();
}

} // namespace qv
