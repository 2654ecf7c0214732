// Reading ASCII DXF as a stream of group pairs: one pair at a time, or one record (a 0
// pair and the pairs after it up to the next 0 pair) at a time. UTF-8 byte-order marks at
// the start are skipped, CRLF line ends are accepted, and texts are decoded only when they
// hold bytes above ASCII or a backslash. Malformed pairs throw FormatError. Lines are scanned
// with the machine's vector instructions or with portable code, which give the same pairs.
#pragma once

#include "arx/dxfformaterror.h"
#include "arx/dxfmappedfile.h"
#include "arx/dxfrecord.h"
#include "arx/dxftextdecoder.h"

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace qv::dxf {

class Reader
{
public:
    // How lines are scanned: as the build chose (the vector instructions unless built with
    // QV_PORTABLE_SCAN), portably, or with the vector instructions where this code has them
    // for the machine (portably elsewhere).
    enum class Scan : unsigned char { kBuilt, kPortable, kSimd };

    // The bytes must outlive the reader. Texts are decoded by the release and code page
    // the header names ($ACADVER, $DWGCODEPAGE), looked for near the start.
    explicit Reader(std::string_view bytes, Scan scan = Scan::kBuilt);
    // Reads a mapped file, giving back the memory of what was read as records go by: the
    // views of a record are valid until the next one is read.
    explicit Reader(MappedFile& file);

    // The next pair; false at the end of the bytes. Its value stays valid until the next
    // record is read (reading pair by pair, as long as the reader).
    bool next(Pair& pair);
    // The next record; false at the end of the bytes. A first pair that is not a 0 pair
    // makes a record of its own. A record that runs into the zeros read for pages of the file
    // that faulted throws.
    bool nextRecord(Record& record);
    // The line last read.
    int line() const { return m_line; }
    // A value of the current record decoded as its texts are (valid until the next record).
    std::string_view decoded(std::string_view raw);
    // Why the bytes read may not be what the file holds (empty when nothing says so, and for
    // bytes of no file): as MappedFile::damage() tells.
    std::string damage() const { return m_file ? m_file->damage() : std::string(); }

private:
    // Where reading stands: a record is read with a copy in locals, given back at its end.
    struct Cursor {
        const char* at;   // where the next line starts
        int line;         // the line last read
    };
    // How the value line after a code is read.
    enum class LineKind : unsigned char { kPlain, kText, kRecordType };
    // Codes of the plain code lines read, by the line's bytes: a file repeats few code lines
    // ("  0", " 10", "330"), which are then found here instead of parsed.
    // A slot never filled has a line no code line has (its line end, within eight bytes, is
    // kept with it); a line not known is given as kNoCode.
    struct KnownCode {
        uint64_t line = ~0ull;
        int code = std::numeric_limits<int>::min();
        LineKind kind = LineKind::kPlain;
    };

    // The functions that scan take the look at sixteen bytes they scan with.
    template <class Look>
    bool nextRecordBy(Record& record);
    template <class Look>
    bool read(Cursor& c, Pair& pair);
    static LineKind lineKindOf(int code);
    KnownCode plainCode(Cursor& c);
    template <class Look>
    KnownCode knownCode(Cursor& c, unsigned& breaks, unsigned& marks) const;
    static size_t slotOf(uint64_t line) { return (line * 0x9E3779B97F4A7C15ull) >> (64 - kKnownCodeBits); }
    template <class Look>
    int codeOfLine(Cursor& c) const;
    // The next line without its line end (but for the carriage return of a value to be
    // trimmed); found: whether it holds what watch looks for.
    template <auto watch, class Look>
    std::string_view nextLine(Cursor& c, bool& found) const;
    size_t offset(const char* at) const { return static_cast<size_t>(at - m_bytes.data()); }

    std::string_view m_bytes;
    MappedFile* m_file = nullptr;
    const char* m_cur;   // where the next line starts
    const char* m_end;
    size_t m_pendingOffset = 0;   // where the pending 0 pair starts
    size_t m_releasedUpTo = 0;
    int m_line = 0;
    TextDecoder m_decoder;
    Pair m_pending;
    bool m_hasPending = false;
    Scan m_scan;   // kPortable or kSimd
    // Decoded texts of the current record: kept, with their capacity, for the next ones.
    std::vector<std::unique_ptr<std::string>> m_decoded;
    size_t m_decodedUsed = 0;
    // Room for the code lines of a file (some write a code's line in more than one way)
    // without two often sharing a slot.
    static constexpr int kKnownCodeBits = 8;
    std::array<KnownCode, 1 << kKnownCodeBits> m_knownCodes{};
};

// Whether the bytes begin as a DXF file does, with a group code: byte-order marks aside, a
// first line that holds an integer. Only their first bytes are looked at.
bool beginsWithCode(std::string_view bytes);

} // namespace qv::dxf
