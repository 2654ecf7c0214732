// A block reference seen as a reference of a dynamic block. A reference whose dynamic
// properties differ from the definition's uses an anonymous "*U…" definition made from the
// dynamic one; the anonymous record points back to its dynamic definition, through the
// XData "AcDbBlockRepBTag" (1070 version, 1005 handle of the dynamic block record) or its
// extension dictionary's "AcDbBlockRepresentation" entry (an object with a 340 pointer, or a
// dictionary whose "AcDbRepData" entry holds one), as files written by other programs carry
// it. A dynamic definition itself carries the XData "AcDbDynamicBlockGUID" or the extension
// dictionary entry "ACAD_ENHANCEDBLOCK".
#pragma once

#include "arx/dbid.h"

class AcDbBlockReference;

class AcDbDynBlockReference
{
public:
    explicit AcDbDynBlockReference(AcDbObjectId blockReferenceId);
    // The reference must be open.
    explicit AcDbDynBlockReference(const AcDbBlockReference* reference);

    // Whether the reference's definition is a dynamic block or made from one.
    bool isDynamicBlock() const;
    AcDbObjectId blockId() const { return m_reference; }
    // The dynamic definition of an anonymous definition made from one; otherwise the
    // reference's own definition (null for an id that is not a block reference).
    AcDbObjectId dynamicBlockTableRecord() const;
    // The anonymous definition the reference uses, or null when it uses its dynamic
    // definition itself or is not dynamic.
    AcDbObjectId anonymousBlockTableRecord() const;

    // The dynamic definition that a block table record was made from, or null.
    static AcDbObjectId dynamicDefinitionOf(AcDbObjectId blockTableRecordId);
    // Whether a block table record is a dynamic definition itself.
    static bool isDynamicDefinition(AcDbObjectId blockTableRecordId);

private:
    AcDbObjectId m_reference;
    AcDbObjectId m_definition;
    AcDbObjectId m_dynamic;
};
