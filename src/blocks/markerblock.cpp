#include "blocks/markerblock.h"

#include "arx/dbdatabase.h"
#include "host/hostguards.h"

#include <cstring>

void CMarkerBlock::readReference(AcDbBlockReference* reference, AcApDocument* document)
{
    setObjectId(reference->objectId());
    setLayer(reference->layer());
    setColourIndex(reference->colorIndex());
    setLineWeight(reference->lineWeight());
    // The rotation as the reference would have it in the current UCS, measured without
    // moving the reference there and back.
    AcGeMatrix3d ucs;
    acdbUcsMatrix(ucs, document->database());
    const AcGeMatrix3d toUser = ucs.inverse();
    const AcGeVector3d normal = reference->normal();
    m_rotation = qv::angleInOcs(toUser.transform(qv::ocsDirection(reference->rotation(), normal)),
                                toUser.transform(normal).normal());
    if (const Opened<AcDbBlockTableRecord> definition =
            openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
        setBlockName(CString(definition->name()));
    setHandle(reference->getAcDbHandle());
}

AcGePoint3d CMarkerBlock::markedPosition(AcDbBlockReference* reference, AcApDocument* document, const char* className)
{
    bool marked = false;
    if (const Opened<AcDbBlockTableRecord> definition =
            openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
        forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* entity) {
            marked = std::strcmp(entity->isA()->name(), className) == 0;
            return !marked;
        });
    AcGePoint3d position;
    if (marked)
        acdbWcs2Ucs(reference->position(), position, false, document->database());
    return position;
}
