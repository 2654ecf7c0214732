// Reads a drawing from arbitrary bytes; of a drawing the reader accepts, the save is read
// back and saved again, and the two saves must be the same bytes: whatever a read keeps or
// repairs, its save reads back to itself.
#include "arx/dbdatabase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The line of a text that holds the byte at offset, counted from 1.
std::size_t lineAt(const std::string& text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        line += text[i] == '\n';
    return line;
}

[[noreturn]] void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

std::string resaved(const std::string& saved)
{
    AcDbDatabase db(false);
    if (db.readDxfText(saved) != Acad::eOk)
        fail("the reader refused what the writer wrote", db.lastErrorMessage());
    return db.dxfText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    AcDbDatabase db(false);
    if (db.readDxfText(std::string(reinterpret_cast<const char*>(data), size)) != Acad::eOk)
        return 0;
    const std::string first = db.dxfText();
    const std::string second = resaved(first);
    if (first != second) {
        std::size_t at = 0;
        while (at < first.size() && at < second.size() && first[at] == second[at])
            ++at;
        fail("a save read back and saved again differs", "from line " + std::to_string(lineAt(first, at)));
    }
    return 0;
}
