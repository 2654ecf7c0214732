// Reads a drawing from arbitrary bytes; of a drawing the reader accepts, the save is read
// back and saved again, and the two saves must be the same bytes: whatever a read keeps or
// repairs, its save reads back to itself.
#include "arx/dbdatabase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    AcDbDatabase db(false), back(false);
    if (db.readDxfText(std::string(reinterpret_cast<const char*>(data), size)) != Acad::eOk)
        return 0;
    const std::string saved = db.dxfText();
    if (back.readDxfText(saved) != Acad::eOk || back.dxfText() != saved) {
        std::fprintf(stderr, "a save read back and saved again differs: %s\n", back.lastErrorMessage().c_str());
        std::abort();
    }
    return 0;
}
