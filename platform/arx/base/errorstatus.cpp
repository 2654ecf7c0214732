#include "arx/errorstatus.h"

const char* acadErrorStatusText(Acad::ErrorStatus status)
{
    using namespace Acad;
    switch (status) {
#define QV_STATUS(name) case name: return #name;
    QV_STATUS(eOk) QV_STATUS(eNotImplementedYet) QV_STATUS(eNotApplicable) QV_STATUS(eInvalidInput)
    QV_STATUS(eAmbiguousInput) QV_STATUS(eAmbiguousOutput) QV_STATUS(eOutOfMemory)
    QV_STATUS(eBufferTooSmall) QV_STATUS(eInvalidOpenState) QV_STATUS(eHandleExists)
    QV_STATUS(eNullHandle) QV_STATUS(eBrokenHandle) QV_STATUS(eUnknownHandle) QV_STATUS(eHandleInUse)
    QV_STATUS(eNullObjectPointer) QV_STATUS(eNullObjectId) QV_STATUS(eNullBlockName)
    QV_STATUS(eContainerNotEmpty) QV_STATUS(eNullEntityPointer) QV_STATUS(eIllegalEntityType)
    QV_STATUS(eKeyNotFound) QV_STATUS(eDuplicateKey) QV_STATUS(eInvalidIndex) QV_STATUS(eDuplicateIndex)
    QV_STATUS(eNotInDatabase) QV_STATUS(eOutOfDisk) QV_STATUS(eDeletedEntry) QV_STATUS(eInvalidExtents)
    QV_STATUS(eNotOpenForRead) QV_STATUS(eNotOpenForWrite) QV_STATUS(eWasErased)
    QV_STATUS(eWasOpenForRead) QV_STATUS(eWasOpenForWrite) QV_STATUS(eWasOpenForNotify)
    QV_STATUS(eAlreadyInDb) QV_STATUS(eNoDatabase) QV_STATUS(eInvalidDwgVersion) QV_STATUS(eFileNotFound)
    QV_STATUS(eFileAccessErr) QV_STATUS(eFilerError) QV_STATUS(eDegenerateGeometry) QV_STATUS(eNotClosed)
    QV_STATUS(eLockViolation) QV_STATUS(eLockConflict) QV_STATUS(eOnLockedLayer) QV_STATUS(eNoDocument)
    QV_STATUS(eRegappIdNotFound) QV_STATUS(eDuplicateRecordName) QV_STATUS(eBadLayerName)
    QV_STATUS(eNoLayout) QV_STATUS(eInvalidLayout) QV_STATUS(eNotThatKindOfClass) QV_STATUS(eSelfReference)
    QV_STATUS(eInvalidBlockName) QV_STATUS(eXdataSizeExceeded)
    QV_STATUS(eHadMultipleReaders) QV_STATUS(eMalformedDxf) QV_STATUS(eObjectIsReferenced) QV_STATUS(eNotOpenForEdit) QV_STATUS(eInvalidFileExtension)
    QV_STATUS(eNotSupportedInDwgApi) QV_STATUS(ePlotFailed) QV_STATUS(ePlotCancelled)
    QV_STATUS(ePlotDeviceNotFound) QV_STATUS(eInvalidPlotInfo) QV_STATUS(eCreateFailed)
    QV_STATUS(eHatchTooDense) QV_STATUS(eHatchPatternNotFound)
#undef QV_STATUS
    }
    return "eUnknownStatus";
}
