// The database's private state, shared by the database, its objects, the DXF reader and
// the writer.
#pragma once

#include "arx/dbdatabase.h"
#include "arx/dbdrawingstate.h"
#include "arx/dxfreader.h"
#include "arx/dxftaglist.h"
#include "arx/dxfwriter.h"
#include "dbhandlemap.h"
#include "dbstublist.h"

#include <memory_resource>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class AcDbLayout;

struct HeaderVariable {
    std::string name;
    qv::dxf::TagList tags;
};

struct AcDbDatabase::Impl {
    // sizeHint: the size of the file the database is read from (0 for none), which the
    // arena's first block follows.
    explicit Impl(AcDbDatabase* owner, size_t sizeHint = 0);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    AcDbDatabase* self;
    // Objects read from files, their slots and what they hold: released with the drawing.
    std::pmr::monotonic_buffer_resource arena;
    qv::StubList stubs;
    qv::HandleMap byHandle;
    unsigned long long maxHandle = 0;
    unsigned long long lowFreeHandle = 0;   // searched from once maxHandle is the largest
    unsigned installed = 0;
    int openCount = 0;
    bool loading = false;   // objects change freely while a file is read

    std::vector<HeaderVariable> header;
    std::unordered_map<std::string, size_t> headerIndex;
    // The UCS matrices worked out from the header: to the world, and from it.
    std::optional<std::pair<AcGeMatrix3d, AcGeMatrix3d>> ucs;
    std::vector<qv::dxf::TagList> classes;
    std::vector<std::pair<std::string, qv::dxf::TagList>> otherSections;

    std::vector<AcDbObjectId> tables;     // in file order
    AcDbObjectId blockTable, layerTable, linetypeTable, textStyleTable, regAppTable, dimStyleTable,
        viewportTable, viewTable, ucsTable;
    AcDbObjectId rootDictionary;

    std::string lastError;
    std::string fileName;
    // What reading the file repaired, one line each naming the object (see repaired).
    std::vector<std::string> repairs;
    size_t repairsLeftOut = 0;
    std::unique_ptr<qv::DrawingState> state;   // the editor's, made on first use
    short dbmod = 0;   // what changed since the drawing was read, saved or made (DBMOD)

    // Tells the spatial index that an object changed or moved, and marks the drawing changed.
    void noteModified(AcDbObjectId id)
    {
        dbmod |= AcDbDatabase::kObjectsModified;
        if (state)
            state->index.objectModified(id);
    }

    // A slot for a handle read from a file (made on first reference; the handles given
    // out start above those of objects only, see noteHandle), or for a new object.
    AcDbStub* stubFor(AcDbHandle handle);
    AcDbStub* newStub();
    // Gives a slot made without a handle the next free one.
    void assignHandle(AcDbStub* stub);
    void noteHandle(AcDbHandle handle);
    AcDbHandle nextHandle();
    // Notes a repair made while reading: "what" names the object (type and handle) and what
    // was done. Past a hundred lines only a count is kept, said once the file is read.
    void repaired(std::string what);
    // An object as repairs and refusals name it: its type and handle.
    static std::string describe(const AcDbObject* obj);
    // Makes obj the object of a slot and the database its home; inArena when obj was made
    // in the arena (see makeInArena).
    AcDbObjectId install(AcDbStub* stub, AcDbObject* obj, bool inArena = false);
    // Destroys the object of a slot, leaving the slot empty.
    void destroyObject(AcDbStub* stub);
    template <class T, class... Args>
    T* makeInArena(Args&&... args)
    {
        return new (arena.allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    }

    HeaderVariable* headerVariable(const std::string& name);
    const qv::dxf::Tag* headerTag(const std::string& name, int code) const;
    void setHeader(const std::string& name, int code, std::string_view value);
    // As setHeader, for a change that marks the drawing changed.
    void changeHeader(const std::string& name, int code, std::string_view value)
    {
        setHeader(name, code, value);
        dbmod |= AcDbDatabase::kVariablesModified;
    }
    void setHeaderPoint(const std::string& name, int code, const AcGePoint3d& p);
    AcGePoint3d headerPoint(const std::string& name, int code, const AcGePoint3d& fallback) const;
    // The matrix from the UCS of $UCSORG, $UCSXDIR and $UCSYDIR to the world, and its
    // inverse, worked out once for each change of the header.
    const AcGeMatrix3d& ucsToWorld();
    const AcGeMatrix3d& worldToUcs();
    // Drops what was worked out from the header (every change of a variable calls it).
    void headerChanged() { ucs.reset(); }
};

namespace qv {
// Creates what a valid drawing needs that the database lacks: the nine tables, their
// standard records, model and paper space with their layouts, the root dictionary with
// ACAD_GROUP, ACAD_LAYOUT and ACAD_PLOTSETTINGS; then gives every object without a handle
// one. An entry of the root dictionary that should be a dictionary but is not is refused
// (dxf::FormatError). layouts, when given, are the database's layouts that are not erased,
// in the order of their slots (a reader that met them all), so that they are not searched for.
void completeDatabase(AcDbDatabase* db, const std::vector<AcDbLayout*>* layouts = nullptr);
// Creates only the tables and their standard records, model and paper space included: what
// blocks and entities need while a file without tables is read (its objects, which may
// come first, can name objects not read yet, so layouts and dictionaries wait).
void completeTables(AcDbDatabase* db);
// Reads a file of size bytes into db, a database made without content; throws
// dxf::FormatError.
void readDxf(AcDbDatabase* db, dxf::Reader& reader, size_t size);
// Writes db to the sink; false with error set when a value cannot be written or the sink
// fails (the sink knows why).
bool writeDxf(const AcDbDatabase* db, dxf::Sink& sink, std::string& error);
} // namespace qv
