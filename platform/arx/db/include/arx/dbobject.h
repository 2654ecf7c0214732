// Database objects: identity, ownership, open/close discipline, XData and extension
// dictionaries. A database owns its resident objects; callers reach them by id and open
// them for read (many readers) or write (one writer), closing each open with close().
#pragma once

#include "arx/dbid.h"
#include "arx/dxffiler.h"
#include "arx/resbuf.h"

#include <memory>

// A database's slot for one object: the handle and the object, kept for the session.
class AcDbStub
{
public:
    AcDbDatabase* database = nullptr;
    AcDbHandle handle;
    std::unique_ptr<AcDbObject> object;
    size_t order = 0;   // when the object joined: files are written in this order
};

class AcDbDictionary;

class AcDbObject : public AcRxObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbObject)
    AcDbObject() = default;
    ~AcDbObject() override;
    AcDbObject(const AcDbObject&) = delete;
    AcDbObject& operator=(const AcDbObject&) = delete;

    AcDbObjectId objectId() const { return m_id; }
    AcDbObjectId id() const { return m_id; }
    AcDbHandle getAcDbHandle() const { return m_id.handle(); }
    void getAcDbHandle(AcDbHandle& handle) const { handle = m_id.handle(); }
    AcDbObjectId ownerId() const { return m_ownerId; }
    Acad::ErrorStatus setOwnerId(AcDbObjectId owner);
    // The database the object lives in, or the one it was prepared for.
    AcDbDatabase* database() const;
    bool isDatabaseResident() const { return !m_id.isNull(); }

    bool isErased() const { return m_erased; }
    Acad::ErrorStatus erase(bool erasing = true);

    bool isReadEnabled() const { return m_readers > 0 || m_writer || !isDatabaseResident(); }
    bool isWriteEnabled() const { return m_writer || !isDatabaseResident(); }
    bool isNotifyEnabled() const { return m_notifiers > 0; }
    Acad::ErrorStatus upgradeOpen();
    Acad::ErrorStatus downgradeOpen();
    Acad::ErrorStatus close();
    Acad::ErrorStatus cancel() { return close(); }

    // A copy of the application's XData (1001 first), or null; the caller frees it.
    resbuf* xData(const char* appName = nullptr) const;
    // Replaces the XData of the application the chain names (its first item, 1001); a
    // chain of only the 1001 item removes it. Other applications' data stay.
    Acad::ErrorStatus setXData(const resbuf* xdata);
    std::vector<std::string> xDataApplications() const;

    AcDbObjectId extensionDictionary() const { return m_xdict; }
    Acad::ErrorStatus createExtensionDictionary();
    Acad::ErrorStatus releaseExtensionDictionary();

    const std::vector<AcDbObjectId>& reactors() const { return m_reactors; }
    void addPersistentReactor(AcDbObjectId id);
    void removePersistentReactor(AcDbObjectId id);

    // -- DXF persistence (used by the reader and writer) --
    virtual const char* dxfName() const { return isA()->dxfName(); }
    virtual int handleCode() const { return 5; }
    // Consumes one tag of the object's data (common data first); false leaves it to the
    // extras.
    bool dxfIn(qv::dxf::DxfIn& in, const qv::dxf::Token& t) { return dxfInCommon(in, t) || dxfInField(in, t); }
    virtual bool dxfInCommon(qv::dxf::DxfIn&, const qv::dxf::Token&) { return false; }
    virtual bool dxfInField(qv::dxf::DxfIn& in, const qv::dxf::Token& t);
    // Called when all tags of the object are read.
    virtual void dxfInEnd(qv::dxf::DxfIn& in);
    // Called when the whole file is read: resolves names and references.
    virtual void dxfInResolve(qv::dxf::DxfIn& in);
    virtual void dxfOutFields(qv::dxf::DxfOut& out) const;
    qv::dxf::Extras& extras() { return m_extras; }
    const qv::dxf::Extras& extras() const { return m_extras; }
    qv::dxf::Tags& appGroups() { return m_appGroups; }
    const qv::dxf::Tags& appGroups() const { return m_appGroups; }
    const qv::dxf::Tags& xDataTags() const { return m_xdata; }
    qv::dxf::Tags& xDataTags() { return m_xdata; }
    void setExtensionDictionaryId(AcDbObjectId id) { m_xdict = id; }

    // -- database bookkeeping --
    void attach(AcDbObjectId id) { m_id = id; }
    void setIntendedDatabase(AcDbDatabase* db) { m_intendedDb = db; }
    Acad::ErrorStatus openAs(AcDb::OpenMode mode);
    // A new resident object starts open for write, whatever its layer.
    void markOpenForWrite();
    // Whether a write open is refused (an entity on a locked layer).
    virtual Acad::ErrorStatus checkWriteOpen() const { return Acad::eOk; }
    int openCount() const { return m_readers + (m_writer ? 1 : 0) + m_notifiers; }

protected:
    // eOk when the object may change: not in a database, or open for write.
    Acad::ErrorStatus assertWriteEnabled() const;
    virtual void onErase(bool erasing);

private:
    AcDbObjectId m_id;
    AcDbObjectId m_ownerId;
    AcDbObjectId m_xdict;
    AcDbDatabase* m_intendedDb = nullptr;
    std::vector<AcDbObjectId> m_reactors;
    qv::dxf::Tags m_xdata;
    qv::dxf::Tags m_appGroups;
    qv::dxf::Extras m_extras;
    bool m_erased = false;
    bool m_writer = false;
    int m_readers = 0;
    int m_notifiers = 0;
};

// An object of a type this database does not model: all its tags are kept and written back.
class AcDbProxyObject : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbProxyObject)
    explicit AcDbProxyObject(std::string dxfName) : m_dxfName(std::move(dxfName)) {}
    const char* dxfName() const override { return m_dxfName.c_str(); }
    void dxfOutFields(qv::dxf::DxfOut& out) const override;

private:
    std::string m_dxfName;
};

// Opens the object of an id as T. Statuses: eNullObjectId, eUnknownHandle (no object),
// eWasErased, eNotThatKindOfClass, eWasOpenForWrite, eWasOpenForRead, eOnLockedLayer.
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& obj, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErased = false, const AcRxClass* cls = nullptr);

template <class T>
Acad::ErrorStatus acdbOpenObject(T*& obj, AcDbObjectId id, AcDb::OpenMode mode = AcDb::kForRead,
                                 bool openErased = false)
{
    AcDbObject* o = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbObject(o, id, mode, openErased, T::desc());
    obj = es == Acad::eOk ? static_cast<T*>(o) : nullptr;
    return es;
}

// Closes an object when the guard ends, unless released.
template <class T>
class AcDbObjectPointer
{
public:
    AcDbObjectPointer() = default;
    AcDbObjectPointer(AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false)
    {
        m_status = acdbOpenObject(m_obj, id, mode, openErased);
    }
    ~AcDbObjectPointer() { reset(); }
    AcDbObjectPointer(const AcDbObjectPointer&) = delete;
    AcDbObjectPointer& operator=(const AcDbObjectPointer&) = delete;

    Acad::ErrorStatus openStatus() const { return m_status; }
    T* operator->() const { return m_obj; }
    T* object() const { return m_obj; }
    explicit operator bool() const { return m_obj != nullptr; }
    T* release() { T* o = m_obj; m_obj = nullptr; return o; }
    void reset()
    {
        if (m_obj)
            m_obj->isDatabaseResident() ? (void)m_obj->close() : delete m_obj;
        m_obj = nullptr;
    }

private:
    T* m_obj = nullptr;
    Acad::ErrorStatus m_status = Acad::eNullObjectId;
};
