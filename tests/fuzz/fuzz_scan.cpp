// Reads arbitrary bytes as DXF, record by record, with the portable scan and with the vector
// instructions at once, and aborts at the first difference: in a record's pairs (codes,
// values and lines), in the line the reader stands at, or in the error that stops it.
#include "arx/dxfreader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using qv::dxf::Reader;

// The next record a reader reads, written out whole, or the error that stops it; more:
// whether the reader may read on.
std::string nextRecord(Reader& reader, qv::dxf::Record& record, bool& more)
{
    try {
        more = reader.nextRecord(record);
    } catch (const std::exception& e) {
        more = false;
        return std::string("error: ") + e.what();
    }
    std::string text = "line " + std::to_string(reader.line()) + (more ? "" : ", the end");
    for (const qv::dxf::Pair& pair : record.pairs())
        text.append("\n" + std::to_string(pair.line) + " " + std::to_string(pair.code) + " "
                    + std::to_string(pair.value.size()) + ":")
            .append(pair.value);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Reader portable(bytes, Reader::Scan::kPortable), simd(bytes, Reader::Scan::kSimd);
    qv::dxf::Record portableRecord, simdRecord;
    for (bool more = true; more;) {
        bool simdMore = false;
        const std::string read = nextRecord(portable, portableRecord, more);
        const std::string simdRead = nextRecord(simd, simdRecord, simdMore);
        if (read != simdRead || more != simdMore) {
            std::fprintf(stderr, "the portable scan read\n%s\nthe vector scan read\n%s\n", read.c_str(), simdRead.c_str());
            std::abort();
        }
    }
    return 0;
}
