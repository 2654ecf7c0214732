// Dictionaries (named references to objects they own), extension records, and the
// draw-order table of a block table record.
#pragma once

#include "arx/dbobject.h"
#include "arx/dxftaglist.h"

#include <unordered_map>

class AcDbDictionaryIterator
{
public:
    explicit AcDbDictionaryIterator(std::vector<std::pair<std::string, AcDbObjectId>> entries)
        : m_entries(std::move(entries)) {}
    bool done() const { return m_pos >= m_entries.size(); }
    bool next();
    const char* name() const { return done() ? "" : m_entries[m_pos].first.c_str(); }
    AcDbObjectId objectId() const { return done() ? AcDbObjectId() : m_entries[m_pos].second; }
    Acad::ErrorStatus getObject(AcDbObject*& obj, AcDb::OpenMode mode = AcDb::kForRead);

private:
    std::vector<std::pair<std::string, AcDbObjectId>> m_entries;
    size_t m_pos = 0;
};

class AcDbDictionary : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbDictionary)
    AcDbDictionary() = default;

    // Keys are compared without regard to case; erased entries are not found.
    Acad::ErrorStatus getAt(const char* key, AcDbObjectId& id) const;
    Acad::ErrorStatus getAt(const char* key, AcDbObject*& obj, AcDb::OpenMode mode = AcDb::kForRead) const;
    template <class T>
    Acad::ErrorStatus getAt(const char* key, T*& obj, AcDb::OpenMode mode) const
    {
        obj = nullptr;
        AcDbObjectId id;
        if (const Acad::ErrorStatus es = getAt(key, id); es != Acad::eOk)
            return es;
        return acdbOpenObject(obj, id, mode);
    }
    bool has(const char* key) const;
    bool has(AcDbObjectId id) const;
    // Stores obj under key, taking ownership of a new object (made resident, left open for
    // write until closed); a resident object is only referenced. Replacing an entry
    // erases the object it held. Needs the dictionary open for write.
    Acad::ErrorStatus setAt(const char* key, AcDbObject* obj, AcDbObjectId& id);
    Acad::ErrorStatus remove(const char* key);
    Acad::ErrorStatus remove(const char* key, AcDbObjectId& id);
    Acad::ErrorStatus remove(AcDbObjectId id);
    Acad::ErrorStatus nameAt(AcDbObjectId id, std::string& name) const;
    Adesk::UInt32 numEntries() const;
    AcDbDictionaryIterator* newIterator() const;
    bool isTreatElementsAsHard() const { return m_hardOwner; }
    void setTreatElementsAsHard(bool hard) { m_hardOwner = hard; }

    // Entries read from a file, in file order.
    void attachEntry(const std::string& key, AcDbObjectId id);
    // Drops the entries whose object the file did not have; gives their keys and handles.
    std::vector<std::pair<std::string, AcDbHandle>> dropEntriesWithoutObject();
    const char* dxfName() const override { return m_dxfName; }
    // "DICTIONARY" or "ACDBDICTIONARYWDFLT" (a dictionary with a default entry).
    void setDxfName(const char* name) { m_dxfName = name; }
    const qv::dxf::FieldTable& dxfTable() const override;
    void dxfInEnd() override;

private:
    std::vector<std::pair<std::string, AcDbObjectId>> m_entries;
    std::unordered_map<std::string, size_t> m_index;    // upper-case key -> entry
    const char* m_dxfName = "DICTIONARY";
    bool m_hardOwner = false;
    int m_mergeStyle = 1;
};

// Arbitrary tagged data kept in a dictionary.
class AcDbXrecord : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbXrecord)
    // A copy of the data (the caller frees it) / replaces the data.
    Acad::ErrorStatus rbChain(resbuf** chain, AcDbDatabase* db = nullptr) const;
    Acad::ErrorStatus setFromRbChain(const resbuf* chain, AcDbDatabase* db = nullptr);
    // Pointers (codes 330 to 369) that name no object of the drawing become none; how many.
    size_t dropDanglingPointers();

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    qv::dxf::TagList m_data;
    int m_cloning = 1;
};

// Draw order of a block table record's entities: each entity has a sort key (its handle
// unless moved); drawing goes by increasing key.
class AcDbSortentsTable : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbSortentsTable)
    AcDbObjectId blockId() const { return m_block; }
    Acad::ErrorStatus setBlockId(AcDbObjectId id);
    // Moves the entities below (above) all others, keeping their relative order.
    Acad::ErrorStatus moveToBottom(const AcDbObjectIdArray& ids);
    Acad::ErrorStatus moveToTop(const AcDbObjectIdArray& ids);
    // The record's entities (not erased) in draw order, first drawn first.
    Acad::ErrorStatus getFullDrawOrder(AcDbObjectIdArray& ids) const;
    bool firstEntityIsDrawnBeforeSecond(AcDbObjectId first, AcDbObjectId second) const;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    long long keyOf(AcDbObjectId id) const;
    Acad::ErrorStatus moveTo(const AcDbObjectIdArray& ids, bool bottom);

    AcDbObjectId m_block;
    std::unordered_map<AcDbObjectId, long long> m_keys;
    long long m_low = 0, m_high = 0;
    AcDbObjectId m_pendingEntity;
};
