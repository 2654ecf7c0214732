#include "huffmancode.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace qv {

namespace {

constexpr unsigned kMaxLength = 15;   // the longest code deflate allows

// Huffman's construction: the depth of each used symbol's leaf in the tree of merged counts.
void treeDepths(const std::vector<std::uint32_t>& counts, std::uint8_t* lengths)
{
    using Node = std::pair<std::uint64_t, size_t>;   // weight, node
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    std::vector<size_t> parent(counts.size(), 0);
    for (size_t i = 0; i < counts.size(); ++i)
        if (counts[i] > 0)
            queue.emplace(counts[i], i);
    while (queue.size() > 1) {
        const Node a = queue.top();
        queue.pop();
        const Node b = queue.top();
        queue.pop();
        parent[a.second] = parent[b.second] = parent.size();
        parent.push_back(0);
        queue.emplace(a.first + b.first, parent.size() - 1);
    }
    const size_t root = parent.size() - 1;
    std::vector<std::uint8_t> depth(parent.size(), 0);
    for (size_t node = root; node-- > 0;)   // parents come after their children
        depth[node] = static_cast<std::uint8_t>(depth[parent[node]] + 1);
    for (size_t i = 0; i < counts.size(); ++i)
        lengths[i] = counts[i] > 0 ? depth[i] : 0;
}

// Lengths of at most limit bits: the counts are halved (a used symbol keeping a count of at
// least one) until the tree is shallow enough.
void limitedLengths(std::vector<std::uint32_t> counts, unsigned limit, std::uint8_t* lengths)
{
    for (;;) {
        treeDepths(counts, lengths);
        if (*std::max_element(lengths, lengths + counts.size()) <= limit)
            return;
        for (std::uint32_t& count : counts)
            count = count > 0 ? (count + 1) / 2 : 0;
    }
}

std::uint16_t reversed(std::uint16_t code, unsigned length)
{
    std::uint16_t out = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1)
        out = static_cast<std::uint16_t>((out << 1) | (code & 1));
    return out;
}

} // namespace

void huffmanCode(const std::uint32_t* counts, size_t symbols, unsigned limit, std::uint8_t* lengths,
                 std::uint16_t* codes)
{
    std::vector<std::uint32_t> used(counts, counts + symbols);
    auto codesUsed = std::count_if(used.begin(), used.end(), [](std::uint32_t count) { return count > 0; });
    for (size_t i = 0; codesUsed < 2 && i < symbols; ++i)
        if (used[i] == 0)
            used[i] = 1, ++codesUsed;
    limitedLengths(std::move(used), limit, lengths);
    // Canonical codes: shorter codes first, and within a length in the symbols' order.
    std::uint16_t perLength[kMaxLength + 1] = {}, next[kMaxLength + 1] = {};
    for (size_t i = 0; i < symbols; ++i)
        ++perLength[lengths[i]];
    perLength[0] = 0;
    for (unsigned bits = 1, code = 0; bits <= kMaxLength; ++bits) {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = static_cast<std::uint16_t>(code);
    }
    for (size_t i = 0; i < symbols; ++i)
        codes[i] = lengths[i] > 0 ? reversed(next[lengths[i]]++, lengths[i]) : 0;
}

} // namespace qv
