// Database objects: identity, ownership, open/close discipline, XData and extension
// dictionaries. A database owns its resident objects; callers reach them by id and open
// them for read (many readers) or write (one writer), closing each open with close().
#pragma once

#include "arx/dbid.h"
#include "arx/resbuf.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {
struct ObjectData;
namespace dxf {
struct Field;
class FieldTable;
class TagList;
class Writer;
} // namespace dxf
} // namespace qv

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

    bool isErased() const { return m_id.stub() && m_id.stub()->erased; }
    Acad::ErrorStatus erase(bool erasing = true);

    bool isReadEnabled() const { return m_readers > 0 || m_writer || !isDatabaseResident(); }
    bool isWriteEnabled() const { return m_writer || !isDatabaseResident(); }
    bool isNotifyEnabled() const { return m_notifiers > 0; }
    Acad::ErrorStatus upgradeOpen();
    Acad::ErrorStatus downgradeOpen();
    Acad::ErrorStatus close();
    Acad::ErrorStatus cancel() { return close(); }

    // A copy of the application's XData (1001 first), or null; the caller frees it. Null
    // too when the data does not convert (numbers that are not, binary chunks that are not
    // whole hexadecimal bytes or are too long): they are kept as read and written back.
    resbuf* xData(const char* appName = nullptr) const;
    // Calls visit(code, text) for each item of the named application's XData that xData gives,
    // text being the item's text for a text item and empty for others, without copying
    // them; false, and nothing visited, when xData gives null.
    bool visitXData(const char* appName, const std::function<void(int code, std::string_view text)>& visit) const;
    // Replaces the XData of the application the chain names (its first item, 1001); a
    // chain of only the 1001 item removes it. Other applications' data stay.
    Acad::ErrorStatus setXData(const resbuf* xdata);
    std::vector<std::string> xDataApplications() const;

    AcDbObjectId extensionDictionary() const;
    Acad::ErrorStatus createExtensionDictionary();
    Acad::ErrorStatus releaseExtensionDictionary();

    std::span<const AcDbObjectId> reactors() const;
    void addPersistentReactor(AcDbObjectId id);
    void removePersistentReactor(AcDbObjectId id);

    // -- DXF persistence (used by the reader and writer) --
    virtual const char* dxfName() const { return isA()->dxfName(); }
    virtual int handleCode() const { return 5; }
    // The object's fields: what is read from its records and written back.
    virtual const qv::dxf::FieldTable& dxfTable() const;
    // Called when all pairs of the object's record are read.
    virtual void dxfInEnd() {}
    // Writes the fields with the pairs kept as read.
    virtual void dxfOutFields(qv::dxf::Writer& out) const;
    // What most objects lack (XData, reactors, extension dictionary, kept pairs): null
    // when the object has none of it.
    const qv::ObjectData* data() const { return m_data; }
    // The pairs of the object's record that no field took, in file order with their
    // subclass markers (all of them for a type not modelled); null when there are none.
    const qv::dxf::TagList* keptPairs() const;
    // The same, made when missing; the reader fills the slot itself.
    qv::ObjectData& editData();
    qv::ObjectData*& dataSlot() { return m_data; }
    void setExtensionDictionaryId(AcDbObjectId id);

    // -- database bookkeeping --
    void attach(AcDbObjectId id) { m_id = id; }
    void setIntendedDatabase(AcDbDatabase* db);
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
    // Whether the object may be erased (eOk), checked before it is.
    virtual Acad::ErrorStatus checkErase() const { return Acad::eOk; }

private:
    Acad::ErrorStatus replaceXData(const qv::dxf::TagList& items, size_t first, size_t last);

    AcDbObjectId m_id;
    AcDbObjectId m_ownerId;
    qv::ObjectData* m_data = nullptr;
    short m_readers = 0;
    short m_notifiers = 0;
    bool m_writer = false;
};

// An object of a type this database does not model: all its tags are kept and written back.
class AcDbProxyObject : public AcDbObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbProxyObject)
    explicit AcDbProxyObject(const char* dxfName) : m_dxfName(dxfName) {}
    const char* dxfName() const override { return m_dxfName; }

private:
    const char* m_dxfName;   // interned
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
