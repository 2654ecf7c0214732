// A deflate encoder for filtered image rows, which are mostly long runs of one byte. Like
// zlib's run-length strategy it looks for nothing but runs (matches one byte back), but it
// measures a run 32 bytes at a time, takes runs of zeros its caller already knows of without
// reading them, and keeps no window or hash table, so a blank stretch costs a few
// instructions per 258 bytes. Each block of tokens is coded with Huffman codes of its own,
// and the Adler-32 of what it took is kept from the tokens, run by run.
#pragma once

#include "deflate/deflatebits.h"
#include "deflate/deflateinput.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

class RunDeflater final : public DeflateInput {
public:
    RunDeflater();

    // Takes the next bytes of the stream.
    void write(const unsigned char* data, size_t size) override;
    // Takes count zero bytes, without looking at them.
    void writeZeros(size_t count) override;
    // Ends what was taken: with the stream's last block when last, else on a byte boundary
    // (an empty stored block, as a sync flush ends), so that more deflate data can follow.
    void finish(bool last);

    // Hands over the raw deflate data written so far, keeping none.
    std::vector<unsigned char> takeOutput() { return m_bits.takeBytes(); }
    // The Adler-32 of the bytes taken and their count.
    std::uint32_t adler();
    std::uint64_t length() const { return m_length; }

private:
    static constexpr size_t kLiteralSymbols = 286;   // literals, the block's end and match lengths

    // Between two blocks the sums grow by at most 2^15 tokens of 258 bytes of 255, which
    // keeps them far inside 64 bits; they are reduced once a block.
    void literal(unsigned char byte)
    {
        m_tokens[m_tokenCount++] = byte;
        ++m_counts[byte];
        m_sum += byte;
        m_sumOfSums += m_sum;
        ++m_length;
        m_previous = byte;
    }

    void run(size_t length);
    void writeBlock(bool last);
    void writeCodeLengths(const std::uint8_t* lengths);
    void writeTokens(const std::uint16_t* codes, const std::uint8_t* lengths);

    std::vector<std::uint16_t> m_tokens;          // a literal byte, or 256 + a run's length
    size_t m_tokenCount = 0;
    std::array<std::uint32_t, kLiteralSymbols> m_counts{};   // uses of each literal/length symbol
    int m_previous = -1;                          // the last byte taken, none at first
    std::uint64_t m_sum = 1, m_sumOfSums = 0;      // Adler-32's two sums, reduced per block
    std::uint64_t m_length = 0;
    DeflateBits m_bits;
};

} // namespace qv
