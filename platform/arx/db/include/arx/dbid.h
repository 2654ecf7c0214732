// Identity of database objects: 64-bit handles (persistent, written to files) and object
// ids (session-stable references to an object's slot in its database), plus the enums
// that the database's operations share.
#pragma once

#include "arx/errorstatus.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class AcDbDatabase;
class AcDbObject;
class AcDbStub;

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
enum UnitsValue {
    kUnitsUndefined = 0, kUnitsInches = 1, kUnitsFeet = 2, kUnitsMiles = 3, kUnitsMillimeters = 4,
    kUnitsCentimeters = 5, kUnitsMeters = 6, kUnitsKilometers = 7
};
enum DuplicateRecordCloning { kDrcNotApplicable = 0, kDrcIgnore = 1, kDrcReplace = 2 };
// Save formats: every value writes the current DXF release.
enum AcDbDwgVersion { kDHL_CURRENT = 33 };
} // namespace AcDb

class AcDbHandle
{
public:
    AcDbHandle() = default;
    AcDbHandle(unsigned long long value) : m_value(value) {}
    // Hexadecimal text in either case; empty or invalid text gives the null handle.
    explicit AcDbHandle(const char* hex);
    explicit AcDbHandle(const std::string& hex) : AcDbHandle(hex.c_str()) {}

    bool isNull() const { return m_value == 0; }
    void setNull() { m_value = 0; }
    unsigned long long value() const { return m_value; }
    // Upper-case hexadecimal without leading zeros ("0" for the null handle); the buffer
    // needs 17 characters.
    bool getIntoAsciiBuffer(char* buffer, size_t bufferSize = 17) const;
    std::string text() const;

    AcDbHandle& operator++() { ++m_value; return *this; }
    bool operator==(const AcDbHandle& h) const { return m_value == h.m_value; }
    bool operator!=(const AcDbHandle& h) const { return m_value != h.m_value; }
    bool operator<(const AcDbHandle& h) const { return m_value < h.m_value; }
    bool operator>(const AcDbHandle& h) const { return m_value > h.m_value; }

private:
    unsigned long long m_value = 0;
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
    bool isValid() const;
    bool isErased() const;
    AcDbHandle handle() const;
    AcDbDatabase* database() const;
    AcDbObject* object() const;

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

template <>
struct std::hash<AcDbHandle> {
    size_t operator()(const AcDbHandle& h) const noexcept { return std::hash<unsigned long long>()(h.value()); }
};

// Run-time class information: every database object reports its class, whose name is the
// host's class name ("AcDbPolyline"), and casts follow the class tree.
class AcRxClass
{
public:
    AcRxClass(const char* name, const AcRxClass* parent, const char* dxfName = "")
        : m_name(name), m_parent(parent), m_dxfName(dxfName) {}
    const char* name() const { return m_name; }
    const char* dxfName() const { return m_dxfName; }
    const AcRxClass* myParent() const { return m_parent; }
    bool isDerivedFrom(const AcRxClass* other) const;

private:
    const char* m_name;
    const AcRxClass* m_parent;
    const char* m_dxfName;
};

class AcRxObject
{
public:
    virtual ~AcRxObject() = default;
    static const AcRxClass* desc();
    virtual const AcRxClass* isA() const { return desc(); }
    bool isKindOf(const AcRxClass* cls) const { return isA()->isDerivedFrom(cls); }
};

#define ACRX_DECLARE_MEMBERS(CLASS)                                                    \
    static const AcRxClass* desc();                                                    \
    static CLASS* cast(const AcRxObject* p)                                            \
    {                                                                                  \
        return p && p->isKindOf(desc()) ? static_cast<CLASS*>(const_cast<AcRxObject*>(p)) : nullptr; \
    }                                                                                  \
    const AcRxClass* isA() const override { return desc(); }

#define ACRX_DEFINE_MEMBERS(CLASS, PARENT, DXFNAME)                                    \
    const AcRxClass* CLASS::desc()                                                     \
    {                                                                                  \
        static const AcRxClass cls(#CLASS, PARENT::desc(), DXFNAME);                   \
        return &cls;                                                                   \
    }
