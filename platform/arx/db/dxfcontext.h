// Reading records into the objects of one database: the common part of every record
// (handle, application groups, reactors, extension dictionary, owner, XData), the fields
// through the object's table, references by handle, and the names of layers, linetypes and
// blocks, some of which can only be settled once the whole file is read (resolve).
#pragma once

#include "arx/dbdatabase.h"
#include "arx/dxffieldtable.h"
#include "arx/dxfnumber.h"
#include "arx/dxfreader.h"
#include "arx/dxfrecord.h"
#include "dbimpl.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class AcDbBlockReference;
class AcDbLayerTableRecord;

namespace qv {

class DxfContext : public dxf::FieldContext
{
public:
    // Records of a file are read from reader, which decodes what a repair keeps as a text.
    explicit DxfContext(AcDbDatabase* db, dxf::Reader* reader = nullptr);


    // What a record's common part names. recordHandle fills handle and handlePair before
    // the record is read; readRecord then takes that pair's handle without parsing it again.
    struct RecordInfo {
        AcDbHandle handle;
        AcDbHandle owner;
        const dxf::Pair* handlePair = nullptr;
    };
    // The handle of a record, read before its object is made (null when none or not
    // hexadecimal), with the pair it is read from.
    static RecordInfo recordHandle(std::span<const dxf::Pair> pairs);
    // Reads the pairs after a record's head into target's fields (table) and data; info
    // holds what they name (and may come from recordHandle on the same pairs).
    void readRecord(AcRxObject& target, const dxf::FieldTable& table, std::span<const dxf::Pair> pairs,
                    ObjectData*& data, RecordInfo& info);

    // The object of a handle (its slot made on first reference, the null id for handle 0).
    // A strict reference that has no object when the file is read is an error.
    AcDbObjectId reference(const dxf::Pair& pair, bool strict);
    // A name that pair gives to a table's record or to a record it refers to. No name can
    // hold a NUL byte (names are C strings to the API, cut there): each is read as U+FFFD,
    // so that the name keeps its other bytes and its records their references, and the
    // first record of each such name says so with a repair. Inline, as every entity's layer
    // goes through it: only a repair is out of line.
    std::string_view name(const dxf::Pair& pair)
    {
        return pair.value.find('\0') == std::string_view::npos ? pair.value : repairedName(pair);
    }
    // The name a BLOCK record (pairs) gives its block in its pair (null when none), through
    // name (a repair names the record); empty when none.
    std::string_view blockName(std::span<const dxf::Pair> pairs, const dxf::Pair* pair);
    // The layer of a name (without regard to case), made when the table lacks it.
    AcDbObjectId layerNamed(std::string_view name);
    // The layer a pair names: the last few are found by the name as written, and only a
    // name not among them goes through name (a repair) to the table.
    AcDbObjectId layerNamed(const dxf::Pair& pair);
    // Adds the text style a text's record names (its group 7) when the table lacks it, so
    // that the text keeps it. The table is searched once for each distinct name (style: the
    // name as the text keeps it).
    void ensureTextStyle(const char* style, const dxf::Record& record, const AcDbObject& user);
    // Adds the styles of texts read before the file had a style table, once it has one.
    void addPendingTextStyles();
    // Sets the block of a reference by name, now or once the file is read (an undefined
    // block is then made, empty, as a repair).
    void setBlockNamed(AcDbBlockReference* reference, const dxf::Pair& pair);
    // Whether the reference waits for a block defined later in the file.
    bool awaitsBlock(const AcDbBlockReference* reference) const;
    // Sets the linetype of a layer by name once the file is read (Continuous when unknown).
    void setLinetypeNamed(AcDbLayerTableRecord* layer, std::string_view name);
    // Settles what waited for the whole file; throws dxf::FormatError.
    void resolve();

private:
    struct PendingReference {
        AcDbStub* stub;
        int line;
    };
    struct PendingBlock {
        AcDbBlockReference* reference;
        std::string name;
        int line;
    };
    struct PendingDictionary {
        AcDbObjectId* slot;   // an object's extension dictionary
        std::string holder;
        int line;
    };
    struct PendingStyle {
        std::string name;
        std::string user;   // the text, as repairs name it
        int line;
    };
    struct PendingLinetype {
        AcDbLayerTableRecord* layer;
        std::string name;
    };

    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    using NameMap = std::unordered_map<std::string, AcDbObjectId, NameHash, std::equal_to<>>;

    // A layer looked up lately, by the name looked up.
    struct RecentLayer {
        std::string name;
        AcDbObjectId id;
    };
    void readField(AcRxObject& target, const dxf::FieldTable& table, dxf::FieldTable::Cursor& cursor,
                   std::span<const dxf::Pair> pairs, size_t& i, ObjectData*& data, bool& marked, bool& common);
    void readGroup(std::span<const dxf::Pair> pairs, size_t& i, ObjectData*& data);
    // Inline, as every record's handle and owner go through it: only a repair is out of line.
    AcDbHandle handleOrNone(const dxf::Pair& pair)
    {
        unsigned long long value = 0;
        return dxf::parseHandle(pair.value, value) ? AcDbHandle(value) : noHandle(pair);
    }
    AcDbHandle noHandle(const dxf::Pair& pair);
    // An XData number that is none, or does not fit its code, which other readers refuse:
    // kept as a text (1000), decoded as the file's texts are.
    std::string_view xdataText(const dxf::Pair& pair);
    std::string_view repairedName(const dxf::Pair& pair);
    // Whether pair gives the name held, as read through name.
    bool givesName(const dxf::Pair& pair, std::string_view held) const;
    AcDbObjectId findLayer(std::string_view name);
    // The layer of one of the last names looked up as written (null when it is not one),
    // and the name's layer remembered.
    AcDbObjectId recentLayer(std::string_view written) const;
    AcDbObjectId rememberLayer(std::string_view written, AcDbObjectId id);
    std::string describeRecord() const;
    AcDbObjectId blockNamed(std::string_view name);
    AcDbObjectId emptyBlock(const PendingBlock& pending);
    void addTextStyle(const PendingStyle& pending);

    AcDbDatabase::Impl& m_impl;
    dxf::Reader* m_reader;
    std::vector<PendingReference> m_strict;
    std::vector<PendingBlock> m_blocks;
    std::vector<PendingLinetype> m_linetypes;
    std::vector<PendingDictionary> m_dictionaries;
    std::vector<PendingStyle> m_styles;
    // Names as written in the file to their records, so that each name is looked up once.
    NameMap m_layers;
    // Names that held NUL bytes, as read, to the names kept.
    std::unordered_map<std::string, std::string, NameHash, std::equal_to<>> m_repairedNames;
    // Entities take turns among a few layers: those of the last names need no hashing.
    std::array<RecentLayer, 8> m_recentLayers;
    size_t m_nextRecentLayer = 0;
    std::unordered_set<const char*> m_textStyles;
    const char* m_lastTextStyle = nullptr;
    // The record being read, as repairs name it.
    std::string_view m_recordType;
    AcDbHandle m_recordHandle;
};

} // namespace qv
