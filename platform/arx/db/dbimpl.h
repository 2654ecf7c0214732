// The database's private state, shared by the database, its objects, the DXF reader and
// the writer.
#pragma once

#include "arx/dbdatabase.h"
#include "arx/dbdrawingstate.h"

#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

struct HeaderVariable {
    std::string name;
    qv::dxf::Tags tags;
};

struct AcDbDatabase::Impl {
    explicit Impl(AcDbDatabase* owner) : self(owner) {}

    AcDbDatabase* self;
    std::deque<AcDbStub> stubs;
    std::unordered_map<unsigned long long, AcDbStub*> byHandle;
    unsigned long long maxHandle = 0;
    size_t installed = 0;
    int openCount = 0;
    bool loading = false;   // objects change freely while a file is read

    std::vector<HeaderVariable> header;
    std::unordered_map<std::string, size_t> headerIndex;
    std::vector<qv::dxf::Tags> classes;
    std::vector<std::pair<std::string, qv::dxf::Tags>> otherSections;

    std::vector<AcDbObjectId> tables;     // in file order
    AcDbObjectId blockTable, layerTable, linetypeTable, textStyleTable, regAppTable, dimStyleTable,
        viewportTable, viewTable, ucsTable;
    AcDbObjectId rootDictionary;

    std::string lastError;
    std::string fileName;
    std::unique_ptr<qv::DrawingState> state;   // the editor's, made on first use
    short dbmod = 0;   // what changed since the drawing was read, saved or made (DBMOD)

    // Tells the spatial index that an object changed or moved, and marks the drawing changed.
    void noteModified(AcDbObjectId id)
    {
        dbmod |= AcDbDatabase::kObjectsModified;
        if (state)
            state->index.objectModified(id);
    }

    // A slot for a handle read from a file (made on first reference), or for a new
    // object (null handle: the next free one).
    AcDbStub* stubFor(AcDbHandle handle);
    AcDbStub* newStub();
    // Gives a slot made without a handle the next free one.
    void assignHandle(AcDbStub* stub);
    void noteHandle(AcDbHandle handle);
    AcDbHandle nextHandle();
    // Makes obj the object of a slot and the database its home.
    AcDbObjectId install(AcDbStub* stub, AcDbObject* obj);

    HeaderVariable* headerVariable(const std::string& name);
    const qv::dxf::Tag* headerTag(const std::string& name, int code) const;
    void setHeader(const std::string& name, int code, const std::string& value);
    // As setHeader, for a change that marks the drawing changed.
    void changeHeader(const std::string& name, int code, const std::string& value)
    {
        setHeader(name, code, value);
        dbmod |= AcDbDatabase::kVariablesModified;
    }
    void setHeaderPoint(const std::string& name, int code, const AcGePoint3d& p);
    AcGePoint3d headerPoint(const std::string& name, int code, const AcGePoint3d& fallback) const;

    void moveFrom(Impl& other);
};

namespace qv {
// Gives every object without a handle one, and creates what a valid drawing needs that the
// database lacks (handles are given when assignHandles): the nine tables, their standard records, model and paper space with
// their layouts, the root dictionary with ACAD_GROUP, ACAD_LAYOUT and ACAD_PLOTSETTINGS.
void completeDatabase(AcDbDatabase* db, bool assignHandles = true);
Acad::ErrorStatus readDxf(AcDbDatabase* db, const std::string& bytes, std::string& error);
std::string writeDxf(const AcDbDatabase* db);
} // namespace qv
