// Symbol tables (blocks, layers, linetypes, text styles, applications, dimension styles,
// viewports, views, UCSs) and their records. Names are compared without regard to case,
// as the host does; records keep the order in which they were added.
#pragma once

#define ACDB_MODEL_SPACE "*Model_Space"
#define ACDB_PAPER_SPACE "*Paper_Space"

#include "arx/cmcolor.h"
#include "arx/dbobject.h"
#include "arx/dxftaglist.h"
#include "arx/dxftext.h"
#include "arx/geometry.h"
#include "mfc/cstring.h"

#include <string_view>
#include <unordered_map>

class AcDbEntity;
class AcDbSortentsTable;
class AcDbSymbolTableRecord;

namespace qv {
// Walks a list of object ids either way, passing over erased ones when asked to.
class IdListIterator
{
public:
    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    void step(bool forward = true, bool skipDeleted = true);
    Acad::ErrorStatus seek(AcDbObjectId id);

protected:
    IdListIterator(const std::vector<AcDbObjectId>* ids, bool atBeginning, bool skipDeleted);
    ~IdListIterator() = default;
    // eInvalidIndex once done.
    Acad::ErrorStatus currentId(AcDbObjectId& id) const;
    template <class T>
    Acad::ErrorStatus openCurrent(T*& object, AcDb::OpenMode mode, bool openErased) const
    {
        AcDbObjectId id;
        if (const Acad::ErrorStatus es = currentId(id); es != Acad::eOk)
            return es;
        return acdbOpenObject(object, id, mode, openErased);
    }

private:
    void skip(bool forward);

    const std::vector<AcDbObjectId>* m_ids;
    long m_pos = 0;
    bool m_skipDeleted = true;
};
} // namespace qv

class AcDbSymbolTableIterator : public qv::IdListIterator
{
public:
    AcDbSymbolTableIterator(const std::vector<AcDbObjectId>* ids, bool atBeginning, bool skipDeleted)
        : IdListIterator(ids, atBeginning, skipDeleted)
    {
    }
    virtual ~AcDbSymbolTableIterator() = default;
    Acad::ErrorStatus getRecordId(AcDbObjectId& id) const { return currentId(id); }
    Acad::ErrorStatus getRecord(AcDbSymbolTableRecord*& record, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const;
};

template <class Record>
class AcDbSymbolTableIteratorT : public AcDbSymbolTableIterator
{
public:
    using AcDbSymbolTableIterator::AcDbSymbolTableIterator;
    using AcDbSymbolTableIterator::getRecord;
    Acad::ErrorStatus getRecord(Record*& record, AcDb::OpenMode mode = AcDb::kForRead, bool openErased = false) const
    {
        return openCurrent(record, mode, openErased);
    }
};

class AcDbSymbolTable : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTable)

    bool has(const char* name) const;
    bool has(AcDbObjectId id) const;
    Acad::ErrorStatus getAt(const char* name, AcDbObjectId& id, bool getErased = false) const;
    Acad::ErrorStatus getAt(std::string_view name, AcDbObjectId& id, bool getErased = false) const;
    Acad::ErrorStatus getAt(const char* name, AcDbSymbolTableRecord*& record, AcDb::OpenMode mode = AcDb::kForRead,
                            bool openErased = false) const;
    // Takes ownership on success. Fails with eDuplicateRecordName for a name in use, and
    // needs the table open for write.
    Acad::ErrorStatus add(AcDbSymbolTableRecord* record);
    Acad::ErrorStatus add(AcDbObjectId& id, AcDbSymbolTableRecord* record);
    Acad::ErrorStatus newIterator(AcDbSymbolTableIterator*& it, bool atBeginning = true,
                                  bool skipDeleted = true) const;
    const std::vector<AcDbObjectId>& recordIds() const { return m_records; }

    // The DXF table name ("LAYER") and a new record of the table's kind.
    virtual const char* tableName() const = 0;
    virtual AcDbSymbolTableRecord* createRecord() const = 0;

    // Records read from a file join without checks; a record renamed updates the index.
    void attachRecord(AcDbObjectId id, const std::string& name);
    // Adds a record under a name no live record holds; false (nothing added) when one does.
    bool attachNewRecord(AcDbObjectId id, const std::string& name);
    void attachRecordName(AcDbObjectId id, const std::string& name);
    void renameRecord(AcDbObjectId id, const std::string& oldName, const std::string& newName);
    void forgetRecordName(AcDbObjectId id, const std::string& name);
    Acad::ErrorStatus validateNewName(const std::string& name, AcDbObjectId except) const;

    const qv::dxf::FieldTable& dxfTable() const override;
    int liveRecordCount() const;

protected:
    static const std::vector<qv::dxf::Field>& dxfFields();

private:
    std::vector<AcDbObjectId> m_records;
    // Each name as the record spells it, found by any spelling.
    std::unordered_map<std::string, AcDbObjectId, qv::dxf::NoCaseHash, qv::dxf::NoCaseEqual> m_byName;
};

template <class Record>
class AcDbTypedSymbolTable : public AcDbSymbolTable
{
public:
    using Iterator = AcDbSymbolTableIteratorT<Record>;
    using AcDbSymbolTable::getAt;
    using AcDbSymbolTable::newIterator;
    Acad::ErrorStatus getAt(const char* name, Record*& record, AcDb::OpenMode mode = AcDb::kForRead,
                            bool openErased = false) const
    {
        record = nullptr;
        AcDbObjectId id;
        if (const Acad::ErrorStatus es = getAt(name, id, openErased); es != Acad::eOk)
            return es;
        return acdbOpenObject(record, id, mode, openErased);
    }
    Acad::ErrorStatus newIterator(Iterator*& it, bool atBeginning = true, bool skipDeleted = true) const
    {
        it = new Iterator(&recordIds(), atBeginning, skipDeleted);
        return Acad::eOk;
    }
    AcDbSymbolTableRecord* createRecord() const override { return new Record; }
};

class AcDbSymbolTableRecord : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbSymbolTableRecord)

    Acad::ErrorStatus getName(const char*& name) const;
    Acad::ErrorStatus getName(CString& name) const;
    Acad::ErrorStatus getName(std::string& name) const;
    const std::string& name() const { return m_name; }
    // A name in use in the table gives eDuplicateRecordName (95).
    Acad::ErrorStatus setName(const char* name);
    // Sets the name without checks (the table keeps its index in step).
    void assignName(std::string name) { m_name = std::move(name); }
    bool isDependent() const { return m_name.find('|') != std::string::npos; }
    int flags() const { return m_flags; }
    // Flags are written as a 16-bit integer: others give eInvalidInput.
    Acad::ErrorStatus setFlags(int flags);

protected:
    // The first fields of a record's table: the markers, the name and the flags.
    static std::vector<qv::dxf::Field> dxfFields(const char* subclass);
    static qv::dxf::Field nameField();
    static qv::dxf::Field flagsField();
    void onErase(bool erasing) override;

private:
    std::string m_name;
    int m_flags = 0;
};

class AcDbBlockTableRecord;
using AcDbBlockTableIterator = AcDbSymbolTableIteratorT<AcDbBlockTableRecord>;

class AcDbBlockTable : public AcDbTypedSymbolTable<AcDbBlockTableRecord>
{
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockTable)
    const char* tableName() const override { return "BLOCK_RECORD"; }
};

class AcDbBlockTableRecordIterator : public qv::IdListIterator
{
public:
    AcDbBlockTableRecordIterator(const AcDbBlockTableRecord* record, bool atBeginning, bool skipDeleted);
    Acad::ErrorStatus getEntityId(AcDbObjectId& id) const { return currentId(id); }
    Acad::ErrorStatus getEntity(AcDbEntity*& entity, AcDb::OpenMode mode = AcDb::kForRead,
                                bool openErased = false) const;
};

class AcDbBlockTableRecord : public AcDbSymbolTableRecord
{
public:
    ACRX_DECLARE_MEMBERS(AcDbBlockTableRecord)
    static constexpr const char* kModelSpace = "*Model_Space";
    static constexpr const char* kPaperSpace = "*Paper_Space";

    // Adds an entity (ownership passes to the database); the record must be resident and
    // open for write. The entity stays open for write until closed. A reference that would
    // make the record contain itself is refused (eSelfReference) and stays the caller's.
    Acad::ErrorStatus appendAcDbEntity(AcDbObjectId& id, AcDbEntity* entity);
    Acad::ErrorStatus appendAcDbEntity(AcDbEntity* entity);
    Acad::ErrorStatus newIterator(AcDbBlockTableRecordIterator*& it, bool atBeginning = true,
                                  bool skipDeleted = true) const;
    // Moves entities of other records of the same database here, keeping ids and handles;
    // when one is a reference that would make the record contain itself, moves none
    // (eSelfReference).
    Acad::ErrorStatus assumeOwnershipOf(const AcDbObjectIdArray& entityIds);
    const std::vector<AcDbObjectId>& entityIds() const { return m_entities; }
    // Whether a block reference was ever added: walks over the definitions' nesting pass by
    // the records that never held one without looking at each entity.
    bool mayHoldReferences() const { return m_held & kHeldReferences; }
    // The live references to this definition, in model and paper space and nested in
    // other definitions (directOnly and forceValidity are accepted for the host's
    // signature: every reference is direct here).
    Acad::ErrorStatus getBlockReferenceIds(AcDbObjectIdArray& ids, bool directOnly = true,
                                           bool forceValidity = false) const;

    AcGePoint3d origin() const { return m_origin; }
    Acad::ErrorStatus setOrigin(const AcGePoint3d& origin);
    bool isLayout() const;
    AcDbObjectId getLayoutId() const { return m_layout; }
    Acad::ErrorStatus setLayoutId(AcDbObjectId layout);
    bool isAnonymous() const;
    bool hasAttributeDefinitions() const;
    bool isFromExternalReference() const { return (flags() & 4) != 0; }
    const std::string& comments() const { return m_description; }
    Acad::ErrorStatus setComments(const char* text);
    const std::string& pathName() const { return m_xrefPath; }
    short blockInsertUnits() const { return m_insertUnits; }
    void setBlockInsertUnits(short units) { m_insertUnits = units; }

    // The draw-order table in the extension dictionary ("ACAD_SORTENTS"), made on request.
    Acad::ErrorStatus getSortentsTable(AcDbSortentsTable*& table, AcDb::OpenMode mode,
                                       bool createIfNecessary = false);

    bool isPaperSpace() const;

    // -- DXF: the BLOCK and ENDBLK records that frame the definition --
    struct Frame {
        AcDbHandle beginHandle, endHandle;
        const char* layer = "0";                  // interned
        qv::ObjectData* begin = nullptr;          // what the records hold besides the fields
        qv::ObjectData* end = nullptr;
    };
    ~AcDbBlockTableRecord() override;
    Frame& frame() { return m_frame; }
    const Frame& frame() const { return m_frame; }
    // The fields of the BLOCK and ENDBLK records (read into and written from the record).
    static const qv::dxf::FieldTable& blockBeginTable();
    static const qv::dxf::FieldTable& blockEndTable();
    // Adds an entity read from a file or moved here, without open checks.
    void attachEntity(AcDbObjectId id);
    void detachEntities(const std::unordered_map<AcDbObjectId, bool>& ids);

    const qv::dxf::FieldTable& dxfTable() const override;

protected:
    // A definition that live references still show is not erased (eObjectIsReferenced):
    // it is emptied and refilled in place instead, keeping its id.
    Acad::ErrorStatus checkErase() const override;

private:
    enum Held : unsigned char { kHeldReferences = 1, kHeldAttributeDefinitions = 2 };
    // Notes the kind of an entity added, so that m_held tells what the list may hold.
    void noteHeld(const AcDbObject* entity);

    std::vector<AcDbObjectId> m_entities;
    unsigned char m_held = 0;   // Held flags: what was added, never cleared
    AcGePoint3d m_origin;
    AcDbObjectId m_layout;
    std::string m_description;
    std::string m_xrefPath;
    short m_insertUnits = 0;
    short m_explodable = -1, m_scalable = -1;   // none given
    Frame m_frame;
};

class AcDbLayerTableRecord;
using AcDbLayerTableIterator = AcDbSymbolTableIteratorT<AcDbLayerTableRecord>;

class AcDbLayerTable : public AcDbTypedSymbolTable<AcDbLayerTableRecord>
{
public:
    ACRX_DECLARE_MEMBERS(AcDbLayerTable)
    const char* tableName() const override { return "LAYER"; }
};

class AcDbLayerTableRecord : public AcDbSymbolTableRecord
{
public:
    ACRX_DECLARE_MEMBERS(AcDbLayerTableRecord)
    AcDbLayerTableRecord();

    bool isFrozen() const { return flags() & 1; }
    Acad::ErrorStatus setIsFrozen(bool frozen);
    bool isLocked() const { return flags() & 4; }
    void setIsLocked(bool locked);
    bool isOff() const { return m_off; }
    void setIsOff(bool off) { m_off = off; }
    bool VPDFLT() const { return flags() & 2; }
    void setVPDFLT(bool frozen) { setFlags(frozen ? flags() | 2 : flags() & ~2); }
    bool isPlottable() const { return m_plottable; }
    Acad::ErrorStatus setIsPlottable(bool plottable);
    AcCmColor color() const { return m_color; }
    void setColor(const AcCmColor& color) { m_color = color; m_fileIndex = -1; }
    AcDb::LineWeight lineWeight() const { return m_lineWeight; }
    Acad::ErrorStatus setLineWeight(AcDb::LineWeight weight);
    AcDbObjectId linetypeObjectId() const { return m_linetype; }
    Acad::ErrorStatus setLinetypeObjectId(AcDbObjectId id);

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    AcCmColor m_color;
    int m_fileIndex = -1;   // the index a file gave beside a true colour
    bool m_off = false;
    bool m_plottable = true;
    AcDb::LineWeight m_lineWeight = AcDb::kLnWtByLwDefault;
    AcDbObjectId m_linetype;
};

class AcDbLinetypeTableRecord;
class AcDbLinetypeTable : public AcDbTypedSymbolTable<AcDbLinetypeTableRecord>
{
public:
    ACRX_DECLARE_MEMBERS(AcDbLinetypeTable)
    const char* tableName() const override { return "LTYPE"; }
};

class AcDbLinetypeTableRecord : public AcDbSymbolTableRecord
{
public:
    ACRX_DECLARE_MEMBERS(AcDbLinetypeTableRecord)
    const std::string& comments() const { return m_comments; }
    void setComments(const char* text) { m_comments = text ? text : ""; }
    double patternLength() const { return m_patternLength; }
    void setPatternLength(double length) { m_patternLength = length; }
    // The most dashes a file can count (its group code 73 is a 16-bit integer).
    static constexpr int kMaxDashes = 32767;
    int numDashes() const { return static_cast<int>(m_dashes.size()); }
    // Up to kMaxDashes: more are cut to those.
    void setNumDashes(int count);
    double dashLengthAt(int index) const;
    Acad::ErrorStatus setDashLengthAt(int index, double length);

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    // A dash's length and the tags that describe a shape or text in it.
    struct Dash {
        double length = 0;
        qv::dxf::TagList complex;
    };
    std::string m_comments;
    double m_patternLength = 0;
    std::vector<Dash> m_dashes;
};

class AcDbTextStyleTableRecord;
class AcDbTextStyleTable : public AcDbTypedSymbolTable<AcDbTextStyleTableRecord>
{
public:
    ACRX_DECLARE_MEMBERS(AcDbTextStyleTable)
    const char* tableName() const override { return "STYLE"; }
};

class AcDbTextStyleTableRecord : public AcDbSymbolTableRecord
{
public:
    ACRX_DECLARE_MEMBERS(AcDbTextStyleTableRecord)
    double textSize() const { return m_size; }
    void setTextSize(double size) { m_size = size; }
    double xScale() const { return m_xScale; }
    void setXScale(double scale) { m_xScale = scale; }
    double priorSize() const { return m_priorSize; }
    const std::string& fileName() const { return m_font; }
    void setFileName(const char* font) { m_font = font ? font : ""; }

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    double m_size = 0, m_xScale = 1, m_oblique = 0, m_priorSize = 2.5;
    int m_generation = 0;
    std::string m_font = "txt", m_bigFont;
};

class AcDbRegAppTableRecord;
class AcDbRegAppTable : public AcDbTypedSymbolTable<AcDbRegAppTableRecord>
{
public:
    ACRX_DECLARE_MEMBERS(AcDbRegAppTable)
    const char* tableName() const override { return "APPID"; }
    static bool isRegistered(AcDbDatabase* db, const char* appName);
};

class AcDbRegAppTableRecord : public AcDbSymbolTableRecord
{
public:
    ACRX_DECLARE_MEMBERS(AcDbRegAppTableRecord)
    const qv::dxf::FieldTable& dxfTable() const override;
};

// Records whose data the database keeps as read (their fields are extras).
#define QV_PLAIN_TABLE(TABLE, RECORD, DXFTABLE, SUBCLASS)                                    \
    class RECORD;                                                                            \
    class TABLE : public AcDbTypedSymbolTable<RECORD>                                        \
    {                                                                                        \
    public:                                                                                  \
        ACRX_DECLARE_MEMBERS(TABLE)                                                          \
        const char* tableName() const override { return DXFTABLE; }                          \
    };                                                                                       \
    class RECORD : public AcDbSymbolTableRecord                                              \
    {                                                                                        \
    public:                                                                                  \
        ACRX_DECLARE_MEMBERS(RECORD)                                                         \
        const qv::dxf::FieldTable& dxfTable() const override;                                \
    };

QV_PLAIN_TABLE(AcDbViewportTable, AcDbViewportTableRecord, "VPORT", "AcDbViewportTableRecord")
QV_PLAIN_TABLE(AcDbViewTable, AcDbViewTableRecord, "VIEW", "AcDbViewTableRecord")
QV_PLAIN_TABLE(AcDbUCSTable, AcDbUCSTableRecord, "UCS", "AcDbUCSTableRecord")
#undef QV_PLAIN_TABLE

class AcDbDimStyleTableRecord;
class AcDbDimStyleTable : public AcDbTypedSymbolTable<AcDbDimStyleTableRecord>
{
public:
    ACRX_DECLARE_MEMBERS(AcDbDimStyleTable)
    const char* tableName() const override { return "DIMSTYLE"; }
    const qv::dxf::FieldTable& dxfTable() const override;
};

class AcDbDimStyleTableRecord : public AcDbSymbolTableRecord
{
public:
    ACRX_DECLARE_MEMBERS(AcDbDimStyleTableRecord)
    int handleCode() const override { return 105; }
    const qv::dxf::FieldTable& dxfTable() const override;
};
