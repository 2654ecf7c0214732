// Identity of database objects: object ids (session-stable references to an object's slot
// in its database, whose handle is what files keep), plus the enums that the database's
// operations share.
#pragma once

#include "arx/dbhandle.h"
#include "arx/errorstatus.h"
#include "arx/rxobject.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class AcDbDatabase;
class AcDbObject;

namespace AcDb {
enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
enum Visibility { kVisible = 0, kInvisible = 1 };
enum LineWeight : int {
    kLnWt000 = 0, kLnWt005 = 5, kLnWt009 = 9, kLnWt013 = 13, kLnWt015 = 15, kLnWt018 = 18,
    kLnWt020 = 20, kLnWt025 = 25, kLnWt030 = 30, kLnWt035 = 35, kLnWt040 = 40, kLnWt050 = 50,
    kLnWt053 = 53, kLnWt060 = 60, kLnWt070 = 70, kLnWt080 = 80, kLnWt090 = 90, kLnWt100 = 100,
    kLnWt106 = 106, kLnWt120 = 120, kLnWt140 = 140, kLnWt158 = 158, kLnWt200 = 200, kLnWt211 = 211,
    kLnWtByLayer = -1, kLnWtByBlock = -2, kLnWtByLwDefault = -3
};
enum TextHorzMode { kTextLeft = 0, kTextCenter = 1, kTextRight = 2, kTextAlign = 3, kTextMid = 4, kTextFit = 5 };
enum TextVertMode { kTextBase = 0, kTextBottom = 1, kTextVertMid = 2, kTextTop = 3 };
// The units a drawing's insertion units ($INSUNITS) name.
enum UnitsValue {
    kUnitsUndefined = 0, kUnitsInches = 1, kUnitsFeet = 2, kUnitsMiles = 3, kUnitsMillimeters = 4,
    kUnitsCentimeters = 5, kUnitsMeters = 6, kUnitsKilometers = 7, kUnitsMicroinches = 8, kUnitsMils = 9,
    kUnitsYards = 10, kUnitsAngstroms = 11, kUnitsNanometers = 12, kUnitsMicrons = 13, kUnitsDecimeters = 14,
    kUnitsDekameters = 15, kUnitsHectometers = 16, kUnitsGigameters = 17, kUnitsAstronomical = 18,
    kUnitsLightYears = 19, kUnitsParsecs = 20, kUnitsUSSurveyFeet = 21, kUnitsUSSurveyInch = 22,
    kUnitsUSSurveyYard = 23, kUnitsUSSurveyMile = 24, kUnitsMax = kUnitsUSSurveyMile
};
enum DuplicateRecordCloning { kDrcNotApplicable = 0, kDrcIgnore = 1, kDrcReplace = 2 };
// Save formats: every value writes the current DXF release.
enum AcDbDwgVersion { kDHL_CURRENT = 33 };
} // namespace AcDb

// A database's slot for one object, kept for the database's life: the handle, the object
// (null while only referenced, or when the object went with a failed operation), and what
// the database knows of it.
class AcDbStub
{
public:
    AcDbObject* object = nullptr;
    AcDbDatabase* database = nullptr;
    AcDbHandle handle;
    unsigned order = 0;     // when the object joined: files are written in this order
    bool erased = false;
    bool inArena = false;   // the object lives in the database's arena (read from a file)
};

// A reference to an object of a database, valid for the database's lifetime.
class AcDbObjectId
{
public:
    AcDbObjectId() = default;
    static const AcDbObjectId kNull;

    bool isNull() const { return m_stub == nullptr; }
    void setNull() { m_stub = nullptr; }
    // True when the id refers to an object that exists (erased or not).
    bool isValid() const { return m_stub && m_stub->object; }
    bool isErased() const { return m_stub && m_stub->object && m_stub->erased; }
    AcDbHandle handle() const { return m_stub ? m_stub->handle : AcDbHandle(); }
    AcDbDatabase* database() const { return m_stub ? m_stub->database : nullptr; }
    AcDbObject* object() const { return m_stub ? m_stub->object : nullptr; }

    bool operator==(const AcDbObjectId& id) const { return m_stub == id.m_stub; }
    bool operator!=(const AcDbObjectId& id) const { return m_stub != id.m_stub; }
    bool operator<(const AcDbObjectId& id) const;
    explicit operator bool() const { return m_stub != nullptr; }

    AcDbStub* stub() const { return m_stub; }
    explicit AcDbObjectId(AcDbStub* stub) : m_stub(stub) {}

private:
    AcDbStub* m_stub = nullptr;
};

using AcDbObjectIdArray = std::vector<AcDbObjectId>;

template <>
struct std::hash<AcDbObjectId> {
    size_t operator()(const AcDbObjectId& id) const noexcept { return std::hash<const void*>()(id.stub()); }
};
