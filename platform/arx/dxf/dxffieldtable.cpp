#include "arx/dxffieldtable.h"

#include "arx/dxfformaterror.h"
#include "arx/dxfnumber.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace qv::dxf {

namespace {

constexpr unsigned char kNoField = 0;

size_t slot(int code) { return static_cast<size_t>(code - kMinCode); }

std::string_view firstName(std::string_view names) { return names.substr(0, names.find('|')); }

} // namespace

bool namesMarker(std::string_view names, std::string_view marker)
{
    while (!names.empty()) {
        const size_t bar = names.find('|');
        if (names.substr(0, bar) == marker)
            return true;
        names = bar == std::string_view::npos ? std::string_view() : names.substr(bar + 1);
    }
    return false;
}

FieldTable::FieldTable(std::initializer_list<FieldList> parts)
{
    for (const FieldList& part : parts)
        m_fields.insert(m_fields.end(), part.begin(), part.end());
    assert(m_fields.size() < 255);
    m_markers.resize(m_fields.size());
    for (size_t i = 0; i < m_fields.size(); ++i) {
        assert(m_fields[i].role != Field::Role::kValue || (m_fields[i].indexOf(100) < 0 && m_fields[i].indexOf(101) < 0));
        if (m_fields[i].role == Field::Role::kSubclass) {
            m_sections.push_back(static_cast<int>(i));
            m_markers[i] = firstName(m_fields[i].name);
        }
    }
    m_lookups.resize(m_sections.size() + 1);
    for (Lookup& lookup : m_lookups)
        lookup.fill(kNoField);
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const size_t end = s + 1 < m_sections.size() ? static_cast<size_t>(m_sections[s + 1]) : m_fields.size();
        for (size_t i = static_cast<size_t>(m_sections[s]) + 1; i < end; ++i)
            index(m_lookups[s], i, true);
    }
    for (size_t i = 0; i < m_fields.size(); ++i)
        index(m_lookups.back(), i, false);
    shareCommonFields();
    m_commonEnd = findCommonEnd();
    assert(m_commonEnd <= 64);
    linkRepeatedCodes();
}

// The fields of a common first section read the codes that a later section has no field for.
void FieldTable::shareCommonFields()
{
    if (m_sections.empty() || !m_fields[static_cast<size_t>(m_sections[0])].common)
        return;
    for (size_t s = 1; s < m_sections.size(); ++s)
        for (size_t c = 0; c < kCodeCount; ++c)
            if (m_lookups[s][c] == kNoField)
                m_lookups[s][c] = m_lookups[0][c];
}

// A code that two fields of one section read (an attribute's version and its lock flag,
// both 280) goes to them in the order they are written.
void FieldTable::linkRepeatedCodes()
{
    m_repeats.assign(m_fields.size(), -1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        if (f.role != Field::Role::kValue || f.codeCount != 1)
            continue;
        for (size_t j = i + 1; j < m_fields.size() && m_fields[j].role != Field::Role::kSubclass; ++j)
            if (m_fields[j].role == Field::Role::kValue && m_fields[j].codeCount == 1 && m_fields[j].code() == f.code()) {
                m_repeats[i] = static_cast<int>(j);
                break;
            }
    }
}

// Maps the entry's codes (first entry wins); a section field takes every code of its
// section, but not in records without markers.
void FieldTable::index(Lookup& lookup, size_t entry, bool sections)
{
    const Field& f = m_fields[entry];
    const auto mark = static_cast<unsigned char>(entry + 1);
    if (f.role == Field::Role::kSection) {
        if (sections)
            for (unsigned char& e : lookup)
                if (e == kNoField)
                    e = mark;
        return;
    }
    for (int i = 0; i < f.codeCount; ++i) {
        unsigned char& e = lookup[slot(f.codes[static_cast<size_t>(i)])];
        if (e == kNoField)
            e = mark;
    }
}

// Most markers name the section after the current one: that one is tried before the search.
inline void FieldTable::enterSubclass(Cursor& cursor, std::string_view marker) const
{
    const size_t next = static_cast<size_t>(cursor.section + 1);
    if (next < m_sections.size()) {
        const int entry = m_sections[next];
        const std::string_view name = m_markers[static_cast<size_t>(entry)];
        if (name.size() == marker.size() && std::memcmp(name.data(), marker.data(), name.size()) == 0) {
            cursor.section = static_cast<int>(next);
            cursor.anchor = entry;
            cursor.foreign = false;
            return;
        }
    }
    searchSubclass(cursor, marker);
}

void FieldTable::searchSubclass(Cursor& cursor, std::string_view marker) const
{
    // The next section of that name after the current one (a name may come twice).
    const int count = static_cast<int>(m_sections.size());
    const int from = cursor.section + 1;
    for (int k = 0; k < count; ++k) {
        const int s = (from + k) % count;
        const int entry = m_sections[static_cast<size_t>(s)];
        if (namesMarker(m_fields[static_cast<size_t>(entry)].name, marker)) {
            cursor.section = s;
            cursor.anchor = entry;
            cursor.foreign = false;
            return;
        }
    }
    leaveSections(cursor);
}

// Pairs of a foreign subclass or an embedded object are kept at the end of the section
// before it (before everything when no marker came yet), so that they never come between
// a section's fields when written, and are read back where they were written.
void FieldTable::leaveSections(Cursor& cursor) const
{
    cursor.foreign = true;
    if (cursor.section < 0) {
        cursor.anchor = -1;
        return;
    }
    const size_t next = static_cast<size_t>(cursor.section) + 1;
    cursor.anchor = (next < m_sections.size() ? m_sections[next] : static_cast<int>(m_fields.size())) - 1;
}

inline const Field* FieldTable::find(const Cursor& cursor, int code) const
{
    if (cursor.foreign || !isValidCode(code))
        return nullptr;
    const Lookup& lookup = cursor.section < 0 ? m_lookups.back() : m_lookups[static_cast<size_t>(cursor.section)];
    const unsigned char e = lookup[slot(code)];
    if (e == kNoField)
        return nullptr;
    int entry = e - 1;
    while (entry < cursor.anchor && m_repeats[static_cast<size_t>(entry)] >= 0)
        entry = m_repeats[static_cast<size_t>(entry)];
    return &m_fields[static_cast<size_t>(entry)];
}

int FieldTable::findCommonEnd() const
{
    if (m_sections.empty() || !m_fields[static_cast<size_t>(m_sections[0])].common)
        return 0;
    return m_sections.size() > 1 ? m_sections[1] : static_cast<int>(m_fields.size());
}

// A common field not read yet (or read with a value a save leaves out) whose code comes in a
// section that keeps it otherwise (a subclass the table does not know, or one read whole):
// some writers give an entity's layer or colour after its own marker, whatever its type. Not
// before the common section's marker in a record that has one: there the pair is of the
// section it came in, and is written back there (a save writes such pairs before the common
// section).
inline const Field* FieldTable::lateCommonField(const AcRxObject& object, Cursor& cursor, std::span<const Pair> pairs,
                                                size_t i, const Field* found) const
{
    const int code = pairs[i].code;
    if (!(cursor.foreign || (found && found->role == Field::Role::kSection)) || !isValidCode(code))
        return nullptr;
    const unsigned char e = m_lookups[0][slot(code)];
    if (e == kNoField || e > m_commonEnd)
        return nullptr;
    const Field& f = m_fields[e - 1];
    if (f.role != Field::Role::kValue || ((cursor.commonRead >> (e - 1) & 1) && writes(object, f))
        || beforeCommonMarker(cursor, pairs, i))
        return nullptr;
    return &f;
}

bool FieldTable::beforeCommonMarker(Cursor& cursor, std::span<const Pair> pairs, size_t i) const
{
    if (!cursor.commonMarker) {
        const std::string_view marker = m_markers[static_cast<size_t>(m_sections[0])];
        const auto at = std::find_if(pairs.begin(), pairs.end(),
                                     [&](const Pair& p) { return p.code == 100 && p.value == marker; });
        cursor.commonMarker = static_cast<size_t>(at - pairs.begin());
    }
    return i < *cursor.commonMarker && *cursor.commonMarker < pairs.size();
}

// Whether a save writes anything of the field.
bool FieldTable::writes(const AcRxObject& object, const Field& f)
{
    if (!f.write || (f.when && !f.when(object)))
        return false;
    std::string written;
    StringSink sink(written);
    Writer out(sink, 256);
    f.write(object, f, out);
    out.finish();
    return !written.empty();
}

// A late common field whose value it cannot take (a value of another program's), or would
// not write back (a default, left out of a save), stays a pair of the section it came in, as
// it was before common fields were taken late; the field is taken as given then.
bool FieldTable::readLate(AcRxObject& object, const Field& common, const Pair& pair, FieldContext& context) const
{
    try {
        if (!common.read(object, common, pair, context))
            return false;
    } catch (const FormatError&) {
        return false;
    }
    return writes(object, common);
}

bool FieldTable::readPair(AcRxObject& object, Cursor& cursor, std::span<const Pair> pairs, size_t& i,
                          FieldContext& context) const
{
    const Pair& pair = pairs[i];
    if (pair.code == 100) {
        enterSubclass(cursor, pair.value);
        if (cursor.foreign)
            return false;
        ++i;
        return true;
    }
    // An embedded object (an MTEXT's columns) repeats codes of the object's own fields.
    if (pair.code == 101) {
        leaveSections(cursor);
        return false;
    }
    const Field* f = find(cursor, pair.code);
    if (const Field* common = lateCommonField(object, cursor, pairs, i, f)) {
        cursor.commonRead |= std::uint64_t(1) << (common - m_fields.data());
        if (readLate(object, *common, pair, context)) {
            ++i;
            return true;
        }
    }
    if (!f)
        return false;
    if (f->role == Field::Role::kSection) {
        cursor.anchor = static_cast<int>(f - m_fields.data());
        size_t end = i;
        while (end < pairs.size() && pairs[end].code != 100 && pairs[end].code != 1001)
            ++end;
        const size_t taken = f->readSection(object, pairs.subspan(i, end - i), context);
        i += taken > 0 ? taken : 1;
        return true;
    }
    if (!f->read(object, *f, pair, context))
        return false;
    noteRead(cursor, static_cast<int>(f - m_fields.data()));
    ++i;
    return true;
}

void FieldTable::write(const AcRxObject& object, Writer& out, const TagList* extras) const
{
    size_t next = 0;
    auto extrasUpTo = [&](int anchor) {
        for (; extras && next < extras->size() && (*extras)[next].anchor <= anchor; ++next)
            out.tag((*extras)[next].code, (*extras)[next].value());
    };
    extrasUpTo(-1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        if (!f.when || f.when(object)) {
            if (f.role == Field::Role::kSubclass)
                out.word(100, f.nameOf ? std::string_view(f.nameOf(object)) : m_markers[i]);
            else if (f.write)
                f.write(object, f, out);
        }
        extrasUpTo(static_cast<int>(i));
    }
    extrasUpTo(INT_MAX);
}

} // namespace qv::dxf
