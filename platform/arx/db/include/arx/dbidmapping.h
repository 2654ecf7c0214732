// The record of a deep clone: for each object copied, its original (the key), its copy (the
// value), whether it was cloned, and whether it was one of the objects asked for (primary)
// rather than one they own (attributes, vertices, extension dictionaries and their entries).
#pragma once

#include "arx/dbid.h"

#include <unordered_map>
#include <vector>

class AcDbIdPair
{
public:
    AcDbIdPair() = default;
    AcDbIdPair(AcDbObjectId key, AcDbObjectId value, bool isCloned, bool isPrimary = false)
        : m_key(key), m_value(value), m_cloned(isCloned), m_primary(isPrimary) {}
    AcDbObjectId key() const { return m_key; }
    AcDbObjectId value() const { return m_value; }
    bool isCloned() const { return m_cloned; }
    bool isPrimary() const { return m_primary; }
    void setKey(AcDbObjectId id) { m_key = id; }
    void setValue(AcDbObjectId id) { m_value = id; }
    void setIsCloned(bool cloned) { m_cloned = cloned; }
    void setIsPrimary(bool primary) { m_primary = primary; }

private:
    AcDbObjectId m_key, m_value;
    bool m_cloned = false, m_primary = false;
};

class AcDbIdMapping
{
public:
    // Fills the pair whose key is pair.key(); false when the key is not mapped.
    bool compute(AcDbIdPair& pair) const;
    // Adds the pair, or replaces the one with the same key.
    bool assign(const AcDbIdPair& pair);
    Acad::ErrorStatus destDb(AcDbDatabase*& db) const;
    Acad::ErrorStatus origDb(AcDbDatabase*& db) const;
    void setDatabases(AcDbDatabase* orig, AcDbDatabase* dest);
    const std::vector<AcDbIdPair>& pairs() const { return m_pairs; }

private:
    std::vector<AcDbIdPair> m_pairs;   // in the order mapped
    std::unordered_map<AcDbObjectId, size_t> m_index;
    AcDbDatabase* m_orig = nullptr;
    AcDbDatabase* m_dest = nullptr;
};

class AcDbIdMappingIter
{
public:
    explicit AcDbIdMappingIter(const AcDbIdMapping& map) : m_map(&map) {}
    Acad::ErrorStatus iterateOn(const AcDbIdMapping& map);
    void start() { m_pos = 0; }
    bool done() const { return m_pos >= m_map->pairs().size(); }
    bool next();
    bool getMap(AcDbIdPair& pair) const;

private:
    const AcDbIdMapping* m_map;
    size_t m_pos = 0;
};
