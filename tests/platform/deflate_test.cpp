// The deflate encoder's codes, checked against their limits and inflated by zlib.
#include "deflate/compressor.h"
#include "huffmancode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

// Counts that grow as the Fibonacci numbers make an unlimited Huffman code 20 bits deep: the
// builder keeps each code within deflate's 15 bits, a prefix code still (Kraft's sum at most
// one), and a block of literals so counted inflates to the bytes the encoder took.
TEST(HuffmanCode, FibonacciCountsKeepCodesWithinFifteenBits)
{
    std::vector<std::uint32_t> counts = {1, 1};
    while (counts.size() < 21)
        counts.push_back(counts[counts.size() - 1] + counts[counts.size() - 2]);
    std::vector<std::uint8_t> lengths(counts.size());
    std::vector<std::uint16_t> codes(counts.size());
    qv::huffmanCode(counts.data(), counts.size(), 15, lengths.data(), codes.data());
    std::uint32_t kraft = 0;   // in units of 2^-15
    for (const unsigned length : lengths) {
        ASSERT_GE(length, 1u);
        ASSERT_LE(length, 15u);
        kraft += 1u << (15 - length);
    }
    EXPECT_LE(kraft, 1u << 15);

    // Each byte as often as its count, never three alike in a row (a run): the byte with
    // most left that is not the last one.
    std::vector<unsigned char> data;
    for (std::vector<std::uint32_t> left = counts;;) {
        size_t next = counts.size();
        for (size_t b = 0; b < counts.size(); ++b)
            if (left[b] > 0 && (data.empty() || b != data.back()) && (next == counts.size() || left[b] > left[next]))
                next = b;
        if (next == counts.size())
            break;
        data.push_back(static_cast<unsigned char>(next)), --left[next];
    }
    std::vector<unsigned char> stream;
    const auto part = [&](size_t, size_t, bool last, qv::DeflatePart& out) {
        return qv::runDeflate([&](qv::DeflateInput& input) { input.write(data.data(), data.size()); }, last, out);
    };
    ASSERT_TRUE(qv::zlibStreamInParts(1, 1, part, stream));
    std::vector<unsigned char> back(data.size());
    uLongf size = back.size();
    ASSERT_EQ(uncompress(back.data(), &size, stream.data(), stream.size()), Z_OK);
    EXPECT_EQ(back, data);
}

} // namespace
