#include "arx/dbdynblockreference.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbsymtb.h"
#include "dbobjectdata.h"

#include <memory>
#include <string>

namespace {

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

// The live block table record a handle text names in the object's database, or null.
AcDbObjectId recordOfHandle(const AcDbObject* object, const std::string& handle)
{
    AcDbDatabase* db = object->database();
    AcDbObjectId id;
    if (!db || handle.empty() || db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk)
        return {};
    return !id.isErased() && AcDbBlockTableRecord::cast(id.object()) ? id : AcDbObjectId();
}

AcDbObjectId fromXData(const AcDbObject* record)
{
    const Chain chain(record->xData("AcDbBlockRepBTag"), acutRelRb);
    for (const resbuf* rb = chain.get(); rb; rb = rb->rbnext)
        if (rb->restype == 1005 && rb->resval.rstring)
            return recordOfHandle(record, rb->resval.rstring);
    return {};
}

// The first 340 pointer of an object's data: the pairs kept as read, or an XRecord's data.
AcDbObjectId fromPointerObject(const AcDbObject* object)
{
    if (const auto* xrecord = AcDbXrecord::cast(object)) {
        resbuf* raw = nullptr;
        xrecord->rbChain(&raw);
        const Chain chain(raw, acutRelRb);
        for (const resbuf* rb = chain.get(); rb; rb = rb->rbnext)
            if (rb->restype == 340 && rb->resval.rstring)
                return recordOfHandle(object, rb->resval.rstring);
        return {};
    }
    if (const qv::ObjectData* data = object->data())
        for (const auto& tag : data->extras)
            if (tag.code == 340)
                return recordOfHandle(object, std::string(tag.value()));
    return {};
}

AcDbObjectId entryOf(AcDbObjectId dictionaryId, const char* key)
{
    const auto* dictionary = AcDbDictionary::cast(dictionaryId.isNull() || dictionaryId.isErased() ? nullptr
                                                                                                  : dictionaryId.object());
    AcDbObjectId id;
    if (!dictionary || dictionary->getAt(key, id) != Acad::eOk || id.isErased())
        return {};
    return id;
}

AcDbObjectId fromExtensionDictionary(const AcDbObject* record)
{
    const AcDbObjectId representation = entryOf(record->extensionDictionary(), "AcDbBlockRepresentation");
    if (representation.isNull() || !representation.object())
        return {};
    if (AcDbDictionary::cast(representation.object())) {
        const AcDbObjectId data = entryOf(representation, "AcDbRepData");
        return data.isNull() || !data.object() ? AcDbObjectId() : fromPointerObject(data.object());
    }
    return fromPointerObject(representation.object());
}

} // namespace

AcDbDynBlockReference::AcDbDynBlockReference(AcDbObjectId blockReferenceId)
{
    AcDbBlockReference* reference = nullptr;
    if (acdbOpenObject(reference, blockReferenceId, AcDb::kForRead) != Acad::eOk)
        return;
    *this = AcDbDynBlockReference(reference);
    reference->close();
}

AcDbDynBlockReference::AcDbDynBlockReference(const AcDbBlockReference* reference)
{
    if (!reference)
        return;
    m_reference = reference->objectId();
    m_definition = reference->blockTableRecord();
    m_dynamic = dynamicDefinitionOf(m_definition);
    if (m_dynamic.isNull() && isDynamicDefinition(m_definition))
        m_dynamic = m_definition;
}

bool AcDbDynBlockReference::isDynamicBlock() const
{
    return !m_dynamic.isNull();
}

AcDbObjectId AcDbDynBlockReference::dynamicBlockTableRecord() const
{
    return m_dynamic.isNull() ? m_definition : m_dynamic;
}

AcDbObjectId AcDbDynBlockReference::anonymousBlockTableRecord() const
{
    return !m_dynamic.isNull() && m_dynamic != m_definition ? m_definition : AcDbObjectId();
}

AcDbObjectId AcDbDynBlockReference::dynamicDefinitionOf(AcDbObjectId blockTableRecordId)
{
    AcDbBlockTableRecord* record = nullptr;
    if (acdbOpenObject(record, blockTableRecordId, AcDb::kForRead) != Acad::eOk)
        return {};
    AcDbObjectId dynamic = fromXData(record);
    if (dynamic.isNull())
        dynamic = fromExtensionDictionary(record);
    record->close();
    return dynamic == blockTableRecordId ? AcDbObjectId() : dynamic;
}

bool AcDbDynBlockReference::isDynamicDefinition(AcDbObjectId blockTableRecordId)
{
    AcDbBlockTableRecord* record = nullptr;
    if (acdbOpenObject(record, blockTableRecordId, AcDb::kForRead) != Acad::eOk)
        return false;
    const Chain guid(record->xData("AcDbDynamicBlockGUID"), acutRelRb);
    const bool dynamic = guid || !entryOf(record->extensionDictionary(), "ACAD_ENHANCEDBLOCK").isNull();
    record->close();
    return dynamic;
}
