// The drawing database: every object of one drawing, its header settings, symbol tables
// and dictionaries; read from and saved as DXF. A new database starts from a minimal
// valid drawing (model space, one paper-space layout, layer "0", Standard styles).
#pragma once

#include "arx/dbobject.h"
#include "arx/geometry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AcDbBlockTable;
class AcDbLayerTable;
class AcDbLinetypeTable;
class AcDbTextStyleTable;
class AcDbRegAppTable;
class AcDbDimStyleTable;
class AcDbViewportTable;
class AcDbViewTable;
class AcDbUCSTable;
class AcDbSymbolTable;
class AcDbDictionary;
class AcDbIdMapping;
namespace qv::dxf {
class Reader;
}

class AcDbDatabase
{
public:
    explicit AcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
    ~AcDbDatabase();
    AcDbDatabase(const AcDbDatabase&) = delete;
    AcDbDatabase& operator=(const AcDbDatabase&) = delete;
    // Says that the process exits once its documents are closed, every file written: the
    // databases that end from then on leave their objects' memory to the system.
    static void processEnds();

    // Replaces the contents with an ASCII DXF file's. On failure the database is unchanged
    // and lastErrorMessage() says why (with the line number for malformed files). A drawing
    // with a block that contains itself is refused (eSelfReference), naming the block.
    Acad::ErrorStatus readDxfFile(const char* fileName);
    Acad::ErrorStatus readDxfText(const std::string& text);
    // Writes the drawing as DXF 2013 through a temporary file in the same folder renamed
    // into place; a missing folder or a write error (eFileAccessErr), or a value that the
    // file could not hold as it is (eInvalidInput, naming the object), leaves any old file
    // untouched. lastErrorMessage() says why.
    Acad::ErrorStatus saveAs(const char* fileName, bool bakAndRename = false,
                             int version = AcDb::kDHL_CURRENT, const void* security = nullptr);
    Acad::ErrorStatus dxfOut(const char* fileName) { return saveAs(fileName); }
    // Writes the drawing as saveAs does to fileName, a file that does not exist yet (one
    // that does is kept, and the copy fails), with the permissions of the drawing's own
    // file; the drawing keeps its path and its unsaved changes.
    Acad::ErrorStatus saveCopy(const char* fileName);
    std::string dxfText() const;
    const std::string& lastErrorMessage() const;
    // What reading the drawing repaired so that it could be opened, one line per repair
    // naming the object and what was done (empty for a sound drawing).
    const std::vector<std::string>& readRepairs() const;
    // The path last read or saved.
    const std::string& originalFileName() const;

    // What changed since the drawing was made, read or successfully saved (the DBMOD
    // setting): 0 for nothing, else kObjectsModified for any object added, erased or closed
    // after an open for write, and kVariablesModified for a header setting set.
    enum DbMod : short { kObjectsModified = 1, kVariablesModified = 4 };
    short dbmod() const;

    Acad::ErrorStatus getSymbolTable(AcDbBlockTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbLayerTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbLinetypeTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbTextStyleTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbRegAppTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbDimStyleTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbViewportTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbViewTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getSymbolTable(AcDbUCSTable*& table, AcDb::OpenMode mode = AcDb::kForRead) const;
    AcDbObjectId blockTableId() const;
    AcDbObjectId layerTableId() const;
    AcDbObjectId linetypeTableId() const;
    AcDbObjectId textStyleTableId() const;
    AcDbObjectId regAppTableId() const;
    AcDbObjectId dimStyleTableId() const;
    AcDbObjectId viewportTableId() const;
    AcDbObjectId viewTableId() const;
    AcDbObjectId UCSTableId() const;

    Acad::ErrorStatus getNamedObjectsDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getLayoutDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getPlotSettingsDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode = AcDb::kForRead) const;
    Acad::ErrorStatus getGroupDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode = AcDb::kForRead) const;
    AcDbObjectId namedObjectsDictionaryId() const;
    AcDbObjectId layoutDictionaryId() const;
    AcDbObjectId plotSettingsDictionaryId() const;
    AcDbObjectId groupDictionaryId() const;
    // The table styles ("ACAD_TABLESTYLE"), made with a "Standard" style in a drawing that
    // has none; the null id when the root dictionary cannot be opened to add it.
    AcDbObjectId tableStyleDictionaryId() const;
    // The "Standard" table style.
    AcDbObjectId tablestyle() const;
    Acad::ErrorStatus getTableStyleDictionary(AcDbDictionary*& dict, AcDb::OpenMode mode = AcDb::kForRead) const;

    // The id of a handle, in constant time: eOk for any object the handle names, erased
    // ones included; eUnknownHandle otherwise.
    Acad::ErrorStatus getAcDbObjectId(AcDbObjectId& id, bool createIfNotFound, const AcDbHandle& handle,
                                      Adesk::UInt32 xRefId = 0) const;
    // Makes a new object resident with a fresh handle; it stays open for write.
    Acad::ErrorStatus addAcDbObject(AcDbObjectId& id, AcDbObject* obj);
    // Copies entities of this database, with their attributes, vertices, XData and extension
    // dictionaries, into the block record owner, with new handles; references among the
    // copies point to copies, others stay. Every copy is recorded in idMap (objects already
    // mapped are not copied again); copies are left closed. References are translated at
    // once, so deferXlation changes nothing. A null, unknown or erased id, an object that is
    // not a top-level entity of this database, or an owner that is not a live block record
    // of it fails before anything is made, as does a reference whose copy would make the
    // owner contain itself (eSelfReference); a failure leaves no copy behind.
    Acad::ErrorStatus deepCloneObjects(const AcDbObjectIdArray& ids, const AcDbObjectId& owner, AcDbIdMapping& idMap,
                                       bool deferXlation = false);
    AcDbHandle handseed() const;

    // Header settings.
    short lunits() const;
    Acad::ErrorStatus setLunits(short units);
    short luprec() const;
    AcDb::UnitsValue insunits() const;
    Acad::ErrorStatus setInsunits(AcDb::UnitsValue units);
    AcDbObjectId clayer() const;
    // Refuses the null id (and ids that are not layers of this database), changing nothing.
    Acad::ErrorStatus setClayer(AcDbObjectId layerId);
    AcGePoint3d ucsorg() const;
    AcGeVector3d ucsxdir() const;
    AcGeVector3d ucsydir() const;
    Acad::ErrorStatus setUcs(const AcGePoint3d& origin, const AcGeVector3d& xDir, const AcGeVector3d& yDir);
    bool tilemode() const;
    void setTilemode(bool model);
    int sortEnts() const;
    void setSortEnts(int value);
    AcGePoint3d extmin() const;
    AcGePoint3d extmax() const;
    // Other header variables, by name ("$INSBASE") and group code.
    bool getHeaderReal(const char* name, int code, double& value) const;
    bool getHeaderInt(const char* name, int code, long long& value) const;
    bool getHeaderText(const char* name, int code, std::string& value) const;
    void setHeaderValue(const char* name, int code, const std::string& value);

    AcDbObjectId currentSpaceId() const;
    AcDbObjectId modelSpaceId() const;
    AcDbObjectId paperSpaceId() const;

    // Open-object accounting: how many opens are not yet closed, and by which objects.
    int openObjectCount() const;
    AcDbObjectIdArray openObjectIds() const;
    size_t objectCount() const;

    struct Impl;
    Impl& impl() const { return *m_impl; }

private:
    // Reads the bytes through the reader (which reads them).
    Acad::ErrorStatus readDxf(qv::dxf::Reader& reader, std::string_view bytes);

    std::unique_ptr<Impl> m_impl;
};

class AcDbPlotSettingsValidator;

// The host application's services: the database that operations without a database
// argument act on, the product the host says it is, and its plot-settings validator.
class AcDbHostApplicationServices
{
public:
    // Provided by the plot library (qv_arx_plot), which its users link.
    AcDbPlotSettingsValidator* plotSettingsValidator() const;
    AcDbDatabase* workingDatabase() const { return m_working; }
    void setWorkingDatabase(AcDbDatabase* db) { m_working = db; }
    // The product name ("AutoCAD 2019" unless the host is told otherwise) and a second
    // identification text.
    const char* product() const { return m_product.c_str(); }
    void setProduct(std::string name) { m_product = std::move(name); }
    std::string versionString() const { return "cadhost " + m_product; }

private:
    AcDbDatabase* m_working = nullptr;
    std::string m_product = "AutoCAD 2019";
};
AcDbHostApplicationServices* acdbHostApplicationServices();

// Registers an application name for XData in the database (the working one by default);
// true when it is registered afterwards.
bool acdbRegApp(const char* appName, AcDbDatabase* db = nullptr);
// The current UCS of the database (the working one by default) as a UCS-to-world matrix.
bool acdbUcsMatrix(AcGeMatrix3d& matrix, AcDbDatabase* db = nullptr);
// Points (or, with isVector, displacements) between the current UCS and world coordinates.
bool acdbUcs2Wcs(const AcGePoint3d& from, AcGePoint3d& to, bool isVector, AcDbDatabase* db = nullptr);
bool acdbWcs2Ucs(const AcGePoint3d& from, AcGePoint3d& to, bool isVector, AcDbDatabase* db = nullptr);
