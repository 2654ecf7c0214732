// The statuses that the host's operations report, and their texts.
#pragma once

#include <cstdint>

namespace Adesk {
using Int8 = std::int8_t;
using Int16 = std::int16_t;
using Int32 = std::int32_t;
using Int64 = std::int64_t;
using UInt8 = std::uint8_t;
using UInt16 = std::uint16_t;
using UInt32 = std::uint32_t;
using UInt64 = std::uint64_t;
using Boolean = bool;
constexpr bool kTrue = true;
constexpr bool kFalse = false;
} // namespace Adesk

namespace Acad {

// Values are fixed: callers and stored error records compare them as numbers. No host
// status is 320, the value a module uses for "lock still held".
enum ErrorStatus : int {
    eOk = 0,
    eNotImplementedYet = 1,
    eNotApplicable = 2,
    eInvalidInput = 3,
    eAmbiguousInput = 4,
    eAmbiguousOutput = 5,     // also: a hatch pattern too sparse to be displayed
    eOutOfMemory = 6,
    eBufferTooSmall = 7,
    eInvalidOpenState = 8,
    eHandleExists = 10,
    eNullHandle = 11,
    eBrokenHandle = 12,
    eUnknownHandle = 13,
    eHandleInUse = 14,
    eNullObjectPointer = 15,
    eNullObjectId = 16,
    eNullBlockName = 17,
    eContainerNotEmpty = 18,
    eNullEntityPointer = 20,
    eIllegalEntityType = 21,
    eKeyNotFound = 22,
    eDuplicateKey = 23,
    eInvalidIndex = 24,
    eDuplicateIndex = 25,
    eNotInDatabase = 27,
    eOutOfDisk = 28,
    eDeletedEntry = 29,
    eInvalidExtents = 31,
    eNotOpenForRead = 32,
    eNotOpenForWrite = 33,
    eWasErased = 37,
    eWasOpenForRead = 39,
    eWasOpenForWrite = 40,
    eWasOpenForNotify = 41,
    eAlreadyInDb = 48,
    eNoDatabase = 51,
    eInvalidDwgVersion = 53,
    eFileNotFound = 58,
    eFileAccessErr = 59,
    eFilerError = 60,
    eDegenerateGeometry = 70,
    eNotClosed = 71,
    eLockViolation = 80,
    eLockConflict = 81,
    eOnLockedLayer = 87,
    eNoDocument = 90,
    eRegappIdNotFound = 91,
    eDuplicateRecordName = 95,
    eBadLayerName = 96,
    eNoLayout = 98,
    eInvalidLayout = 99,
    eNotThatKindOfClass = 101,
    eSelfReference = 102,
    eInvalidBlockName = 103,
    eXdataSizeExceeded = 104,
    eHadMultipleReaders = 105,
    eMalformedDxf = 106,
    eObjectIsReferenced = 107,
    eNotOpenForEdit = 110,
    eInvalidFileExtension = 120,
    eNotSupportedInDwgApi = 130,
    ePlotFailed = 200,
    ePlotCancelled = 201,
    ePlotDeviceNotFound = 202,
    eInvalidPlotInfo = 203,
    eCreateFailed = 210,
    eHatchTooDense = 420,
    eHatchPatternNotFound = 421,   // a predefined hatch pattern name that no table holds
};

} // namespace Acad

// The host's text for a status: its name, as "eOnLockedLayer".
const char* acadErrorStatusText(Acad::ErrorStatus status);
