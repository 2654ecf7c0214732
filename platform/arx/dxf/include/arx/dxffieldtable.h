// Declarative field tables: one table per object type lists, in the order they are written,
// the subclass markers and the fields of the type (group codes, the member that holds each
// value, how it is converted, when it is left out). The same table reads a record's pairs
// (in any order, each marker selecting its section; before any marker, as in release-12
// files, every section; after an embedded object's marker, none) and writes the object
// back. Pairs that no field reads are kept as extras anchored to the entry they followed,
// and written back there.
//
//     static const FieldTable table({AcDbEntity::dxfFields(), {
//         subclass("AcDbLine"),
//         real<&AcDbLine::m_thickness>(39).omitting(0),
//         point<&AcDbLine::m_start>(10),
//         point<&AcDbLine::m_end>(11),
//         extrusion<&AcDbLine::m_normal>(210),
//     }});
#pragma once

#include "arx/dxfcodes.h"
#include "arx/dxffield.h"
#include "arx/dxftaglist.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qv::dxf {

// Whether marker is one of the '|'-separated names (as a subclass entry names its markers).
bool namesMarker(std::string_view names, std::string_view marker);

class FieldTable
{
public:
    // The parts in order (the common fields of a base class first).
    FieldTable(std::initializer_list<FieldList> parts);
    FieldTable(const FieldTable&) = delete;
    FieldTable& operator=(const FieldTable&) = delete;

    // Where reading stands in a record: the section of the last marker (-1 before any),
    // the entry the last read pair belonged to, and whether the last marker is one the
    // table does not know (its pairs are all kept as extras), which fields of a common
    // first section were read, and where the record has the common section's marker (the
    // record's size when nowhere; found when first asked).
    struct Cursor {
        int section = -1;
        int anchor = -1;
        bool foreign = false;
        std::uint64_t commonRead = 0;
        std::optional<size_t> commonMarker;
    };

    // Reads pairs[i] and, for a field that takes a whole section, the pairs after it up to
    // the next marker or XData; i moves past what was read. false when no field reads
    // pairs[i] (i unchanged): the caller keeps it as an extra at the cursor's anchor.
    // Markers move the cursor; a foreign marker is not read.
    // Inline for the usual pair, a value of a field of the current section; any other is
    // read out of line.
    bool read(AcRxObject& object, Cursor& cursor, std::span<const Pair> pairs, size_t& i,
              FieldContext& context) const
    {
        const Pair& pair = pairs[i];
        const int entry = valueEntry(cursor, pair.code);
        if (entry < 0)
            return readPair(object, cursor, pairs, i, context);
        const Field& f = m_fields[static_cast<size_t>(entry)];
        if (!f.read(object, f, pair, context))
            return false;
        noteRead(cursor, entry);
        ++i;
        return true;
    }
    // Writes the markers and fields, each followed by the extras anchored to it (extras
    // sorted by anchor).
    void write(const AcRxObject& object, Writer& out, const TagList* extras) const;

    const std::vector<Field>& fields() const { return m_fields; }

private:
    using Lookup = std::array<unsigned char, kCodeCount>;

    bool readPair(AcRxObject& object, Cursor& cursor, std::span<const Pair> pairs, size_t& i,
                  FieldContext& context) const;
    // The entry of a value pair's field in the current section when it is the first of its
    // code there and no marker, section or late common field is involved; -1 otherwise.
    // (No value field has a marker's code, 100 or 101: those find a section's field or none.)
    int valueEntry(const Cursor& cursor, int code) const
    {
        if (cursor.foreign || !isValidCode(code))
            return -1;
        const Lookup& lookup = cursor.section < 0 ? m_lookups.back() : m_lookups[static_cast<size_t>(cursor.section)];
        const int entry = lookup[static_cast<size_t>(code - kMinCode)] - 1;
        if (entry < 0 || (entry < cursor.anchor && m_repeats[static_cast<size_t>(entry)] >= 0)
            || m_fields[static_cast<size_t>(entry)].role != Field::Role::kValue)
            return -1;
        return entry;
    }
    // A field never written (a count, a copy) is no place to keep pairs after, nor is a
    // common field read in a later section (the pairs after it stay in that section).
    void noteRead(Cursor& cursor, int entry) const
    {
        const Field& f = m_fields[static_cast<size_t>(entry)];
        if (entry < m_commonEnd)
            cursor.commonRead |= std::uint64_t(1) << entry;
        if (f.write && (cursor.section < 0 || entry > m_sections[static_cast<size_t>(cursor.section)]))
            cursor.anchor = entry;
    }
    void enterSubclass(Cursor& cursor, std::string_view marker) const;
    void searchSubclass(Cursor& cursor, std::string_view marker) const;
    void leaveSections(Cursor& cursor) const;
    void shareCommonFields();
    void linkRepeatedCodes();
    const Field* find(const Cursor& cursor, int code) const;
    int findCommonEnd() const;
    const Field* lateCommonField(const AcRxObject& object, Cursor& cursor, std::span<const Pair> pairs, size_t i,
                                 const Field* found) const;
    bool beforeCommonMarker(Cursor& cursor, std::span<const Pair> pairs, size_t i) const;
    static bool writes(const AcRxObject& object, const Field& f);
    bool readLate(AcRxObject& object, const Field& common, const Pair& pair, FieldContext& context) const;
    void index(Lookup& lookup, size_t entry, bool sections);

    std::vector<Field> m_fields;
    std::vector<std::string_view> m_markers;   // per entry: the marker a subclass writes
    std::vector<int> m_sections;         // the entry of each section's marker
    std::vector<Lookup> m_lookups;       // per section, then one for records without markers
    std::vector<int> m_repeats;          // per entry: the next of its section with its code, or -1
    int m_commonEnd = 0;                 // the end of a common first section's entries (0 without one)
};

} // namespace qv::dxf
