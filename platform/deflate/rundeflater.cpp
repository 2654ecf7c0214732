#include "deflate/rundeflater.h"

#include "huffmancode.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qv {

namespace {

constexpr size_t kBlockTokens = size_t{1} << 15;   // tokens coded with one block's codes
constexpr size_t kMinRun = 3, kMaxRun = 258;       // the lengths a match may have
constexpr unsigned kEndOfBlock = 256, kFirstLengthSymbol = 257;

constexpr std::uint64_t kAdlerBase = 65521;
const unsigned char kZero[2] = {0, 0};

// Deflate's length symbols: the shortest length of each and its extra bits.
constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Each match length's symbol (less 257); 258 has a symbol of its own.
constexpr auto kLengthSymbol = [] {
    std::array<std::uint8_t, kMaxRun + 1> symbols{};
    for (std::uint8_t s = 0; s < 29; ++s)
        for (size_t length = kLengthBase[s]; length < (s + 1 < 29 ? kLengthBase[s + 1] : kMaxRun + 1); ++length)
            symbols[length] = s;
    return symbols;
}();

// The order in which a dynamic block gives the code lengths of the code-length alphabet.
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The bits in which eight bytes of data differ from pattern.
std::uint64_t wordDifference(const unsigned char* data, std::uint64_t pattern)
{
    std::uint64_t word;
    std::memcpy(&word, data, 8);
    return word ^ pattern;
}

// How many of the first limit bytes of data equal byte: 32 bytes at a time through a run,
// then word by word to the first byte that differs.
size_t runLength(const unsigned char* data, size_t limit, unsigned char byte)
{
    const std::uint64_t pattern = 0x0101010101010101u * byte;
    size_t length = 0;
    while (length + 32 <= limit
           && (wordDifference(data + length, pattern) | wordDifference(data + length + 8, pattern)
               | wordDifference(data + length + 16, pattern) | wordDifference(data + length + 24, pattern)) == 0)
        length += 32;
    for (; length + 8 <= limit; length += 8)
        if (const std::uint64_t differ = wordDifference(data + length, pattern))
            return length + static_cast<size_t>(std::endian::native == std::endian::little ? std::countr_zero(differ)
                                                                                           : std::countl_zero(differ)) / 8;
    while (length < limit && data[length] == byte)
        ++length;
    return length;
}

// A code-length symbol (16 repeats the last length, 17 and 18 give runs of zeros) and the
// value of its extra bits.
struct LengthStep {
    std::uint8_t symbol, extra;
};

constexpr unsigned extraBits(unsigned symbol)
{
    return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0;
}

// The code lengths as code-length symbols: runs of zeros and repeats shortened.
std::vector<LengthStep> lengthSteps(const std::uint8_t* lengths, size_t count)
{
    std::vector<LengthStep> steps;
    for (size_t at = 0; at < count;) {
        const std::uint8_t value = lengths[at];
        size_t same = 1;
        while (at + same < count && lengths[at + same] == value)
            ++same;
        at += same;
        if (value == 0) {
            for (; same >= 11; same -= std::min<size_t>(same, 138))
                steps.push_back({18, static_cast<std::uint8_t>(std::min<size_t>(same, 138) - 11)});
            if (same >= 3)
                steps.push_back({17, static_cast<std::uint8_t>(same - 3)}), same = 0;
        } else {
            steps.push_back({value, 0}), --same;
            for (; same >= 3; same -= std::min<size_t>(same, 6))
                steps.push_back({16, static_cast<std::uint8_t>(std::min<size_t>(same, 6) - 3)});
        }
        steps.insert(steps.end(), same, LengthStep{value, 0});
    }
    return steps;
}

} // namespace

RunDeflater::RunDeflater() : m_tokens(kBlockTokens)
{
}

// A byte unlike the last is a literal without looking further; a run of at least three
// bytes like the last is a match, the others literals.
void RunDeflater::write(const unsigned char* data, size_t size)
{
    for (size_t at = 0; at < size;) {
        if (m_tokenCount == kBlockTokens)
            writeBlock(false);
        const unsigned char byte = data[at];
        const size_t length = byte == m_previous ? runLength(data + at, std::min(size - at, kMaxRun), byte) : 0;
        if (length >= kMinRun)
            run(length), at += length;
        else
            literal(byte), ++at;
    }
}

// A run of zeros: a literal zero first unless the last byte was one.
void RunDeflater::writeZeros(size_t count)
{
    if (count > 0 && m_previous != 0)
        write(kZero, 1), --count;
    for (; count >= kMinRun; count -= std::min(count, kMaxRun)) {
        if (m_tokenCount == kBlockTokens)
            writeBlock(false);
        run(std::min(count, kMaxRun));
    }
    write(kZero, count);
}

// length more bytes like the last: the sums as if each had been added on its own.
void RunDeflater::run(size_t length)
{
    const auto byte = static_cast<std::uint64_t>(m_previous);
    m_tokens[m_tokenCount++] = static_cast<std::uint16_t>(kEndOfBlock + length);
    ++m_counts[kFirstLengthSymbol + kLengthSymbol[length]];
    m_sumOfSums += length * m_sum + byte * length * (length + 1) / 2;
    m_sum += length * byte;
    m_length += length;
}

void RunDeflater::finish(bool last)
{
    if (last || m_tokenCount > 0)
        writeBlock(last);
    if (!last) {
        // A stored block, not the last, of no bytes: its head, then from the next byte its
        // length and the length's complement.
        m_bits.put(0, 3);
        m_bits.alignToByte();
        m_bits.put(0x0000, 16);
        m_bits.put(0xFFFF, 16);
    }
    m_bits.alignToByte();
}

std::uint32_t RunDeflater::adler()
{
    m_sum %= kAdlerBase, m_sumOfSums %= kAdlerBase;
    return static_cast<std::uint32_t>(m_sumOfSums << 16 | m_sum);
}

// A dynamic block: its codes, then the tokens and the block's end.
void RunDeflater::writeBlock(bool last)
{
    ++m_counts[kEndOfBlock];
    std::uint8_t lengths[kLiteralSymbols + 2];   // the literal/length codes', then the two distance codes'
    std::uint16_t codes[kLiteralSymbols + 2];
    huffmanCode(m_counts.data(), kLiteralSymbols, 15, lengths, codes);
    const std::uint32_t distanceCounts[2] = {1, 0};   // every match is one byte back
    huffmanCode(distanceCounts, 2, 15, lengths + kLiteralSymbols, codes + kLiteralSymbols);
    m_bits.put(last ? 1 : 0, 1);
    m_bits.put(2, 2);
    writeCodeLengths(lengths);
    writeTokens(codes, lengths);
    m_bits.put(codes[kEndOfBlock], lengths[kEndOfBlock]);
    m_tokenCount = 0;
    m_counts.fill(0);
    adler();
}

// The block's code lengths, the literal/length codes' up to the last used one, as
// code-length symbols, which are Huffman coded in turn.
void RunDeflater::writeCodeLengths(const std::uint8_t* lengths)
{
    size_t literalCodes = kLiteralSymbols;
    while (literalCodes > kFirstLengthSymbol && lengths[literalCodes - 1] == 0)
        --literalCodes;
    std::uint8_t given[kLiteralSymbols + 2];
    std::copy(lengths, lengths + literalCodes, given);
    std::copy(lengths + kLiteralSymbols, lengths + kLiteralSymbols + 2, given + literalCodes);
    const std::vector<LengthStep> steps = lengthSteps(given, literalCodes + 2);
    std::uint32_t stepCounts[19] = {};
    for (const LengthStep& step : steps)
        ++stepCounts[step.symbol];
    std::uint8_t stepLengths[19];
    std::uint16_t stepCodes[19];
    huffmanCode(stepCounts, 19, 7, stepLengths, stepCodes);
    size_t ordered = 19;
    while (ordered > 4 && stepLengths[kCodeLengthOrder[ordered - 1]] == 0)
        --ordered;
    m_bits.put(static_cast<std::uint32_t>(literalCodes - kFirstLengthSymbol), 5);
    m_bits.put(1, 5);   // two distance codes
    m_bits.put(static_cast<std::uint32_t>(ordered - 4), 4);
    for (size_t i = 0; i < ordered; ++i)
        m_bits.put(stepLengths[kCodeLengthOrder[i]], 3);
    for (const LengthStep& step : steps) {
        m_bits.put(stepCodes[step.symbol], stepLengths[step.symbol]);
        m_bits.put(step.extra, extraBits(step.symbol));
    }
}

void RunDeflater::writeTokens(const std::uint16_t* codes, const std::uint8_t* lengths)
{
    for (size_t i = 0; i < m_tokenCount; ++i) {
        const std::uint16_t token = m_tokens[i];
        if (token < kEndOfBlock) {
            m_bits.put(codes[token], lengths[token]);
            continue;
        }
        const unsigned length = token - kEndOfBlock, symbol = kLengthSymbol[length];
        m_bits.put(codes[kFirstLengthSymbol + symbol], lengths[kFirstLengthSymbol + symbol]);
        m_bits.put(length - kLengthBase[symbol], kLengthExtra[symbol]);
        m_bits.put(codes[kLiteralSymbols], lengths[kLiteralSymbols]);
    }
}

} // namespace qv
