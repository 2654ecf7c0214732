// Reads a drawing from arbitrary bytes. Of a drawing the reader accepts, the XData of every
// entity is read as the module reads it; the drawing is written and read back, which must
// succeed: the writer never writes what its reader refuses. A UTF-8 byte order mark in
// front of a drawing changes nothing about whether it is accepted.
#include "arx/dbdatabase.h"
#include "arx/dbentity.h"
#include "arx/dbsymtb.h"
#include "arx/resbuf.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string byteOrderMark = "\xEF\xBB\xBF";

bool accepted(const std::string& text, AcDbDatabase& db)
{
    return db.readDxfText(text) == Acad::eOk;
}

[[noreturn]] void fail(const char* what, const AcDbDatabase& db)
{
    std::fprintf(stderr, "%s: %s\n", what, db.lastErrorMessage().c_str());
    std::abort();
}

// Reads the XData of every entity in every block.
void readXData(AcDbDatabase& db)
{
    AcDbBlockTable* blocks = nullptr;
    if (db.getSymbolTable(blocks) != Acad::eOk)
        return;
    for (const AcDbObjectId& blockId : blocks->recordIds()) {
        AcDbBlockTableRecord* block = nullptr;
        if (acdbOpenObject(block, blockId, AcDb::kForRead) != Acad::eOk)
            continue;
        for (const AcDbObjectId& id : block->entityIds()) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk)
                continue;
            acutRelRb(entity->xData());
            entity->close();
        }
        block->close();
    }
    blocks->close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    AcDbDatabase db(false);
    const bool read = accepted(text, db);
    if (text.starts_with(byteOrderMark)) {
        AcDbDatabase bare(false);
        if (accepted(text.substr(byteOrderMark.size()), bare) != read)
            fail("a byte order mark changed whether the drawing is accepted", read ? bare : db);
    }
    if (!read)
        return 0;
    readXData(db);
    AcDbDatabase back(false);
    if (!accepted(db.dxfText(), back))
        fail("the reader refused what the writer wrote", back);
    return 0;
}
