// The pairs of one record: a 0 pair (the head, which names the record's type) and the
// pairs after it up to the next 0 pair.
#pragma once

#include "arx/dxfpair.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <vector>

namespace qv::dxf {

class Reader;

// Decoded texts of a record stay valid until the reader reads the next one.
class Record
{
public:
    Record() = default;
    // Neither copied nor moved: add counts on the capacity kept beside the pairs.
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    std::span<const Pair> pairs() const { return {m_pairs.data(), m_size}; }
    const Pair& head() const { return m_pairs.front(); }
    std::string_view type() const { return m_pairs.front().value; }
    // The first pair with the code after the head, or null.
    const Pair* find(int code) const;

private:
    friend class Reader;
    void clear() { m_size = 0; }
    // The next pair to fill (kept with its capacity from record to record).
    Pair& add()
    {
        if (m_size == m_capacity)
            grow();
        return m_pairs[m_size++];
    }
    void dropLast() { --m_size; }
    // The storage of the pairs, to be filled in place; keep then says how many it holds.
    std::span<Pair> room() { return {m_pairs.data(), m_capacity}; }
    // The same, grown, what it held kept.
    std::span<Pair> grownRoom()
    {
        grow();
        return room();
    }
    void keep(size_t size) { m_size = std::min(size, m_capacity); }
    void grow();

    std::vector<Pair> m_pairs;
    size_t m_size = 0;
    size_t m_capacity = 0;   // m_pairs.size(), kept at hand for add
};

} // namespace qv::dxf
