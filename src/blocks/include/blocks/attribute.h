// One attribute text of a block reference as the module keeps it: tag, value, the layer to
// put the drawing attribute on, whether it was read from the drawing or the register, and
// the id of a drawing attribute it records.
#pragma once

#include "arx/dbid.h"
#include "mfc/cstring.h"

class CKavroAttribute;
class CStoredProcedure;

class CAttribute
{
public:
    CAttribute() = default;
    CAttribute(CString tag, CString value, int exists);
    // Virtual: a set deletes its space-block attributes through this class.
    virtual ~CAttribute() = default;
    CAttribute(const CAttribute&) = delete;
    CAttribute& operator=(const CAttribute&) = delete;

    // A new attribute with the same tag, value and exists flag (no layer, no object id).
    CAttribute* clone() const;
    // This attribute as one of a space block's, or null: what a dynamic cast gives, without
    // its search of the class hierarchy.
    virtual const CKavroAttribute* asKavroAttribute() const { return nullptr; }

    CString getTag() const { return m_tag; }
    void setTag(CString tag) { m_tag = std::move(tag); }
    CString getValue() const { return m_value; }
    void setValue(CString value) { m_value = std::move(value); }
    // Empty: the drawing attribute keeps its layer.
    CString getLayer() const { return m_layer; }
    void setLayer(CString layer) { m_layer = std::move(layer); }
    int getExists() const { return m_exists; }
    void setExists(int exists) { m_exists = exists; }
    void getObjectId(AcDbObjectId& id) const { id = m_objectId; }
    void setObjectId(AcDbObjectId id) { m_objectId = id; }

    // Writes tag, value and exists flag to the register as an attribute of the asset whose
    // handle text is given.
    void applyToQPX(CStoredProcedure* procedure, int drawingID, CString handle, int timeout);

private:
    CString m_tag;
    CString m_value;
    CString m_layer;
    int m_exists = 0;
    AcDbObjectId m_objectId;
};
