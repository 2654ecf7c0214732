// The attribute texts of a space block or an asset: an owning list of attributes and the
// placement the set gives the texts of a space block in the drawing (text height, width
// factor, rotation in degrees in the user coordinate system, and the AREA text's position).
// Drawing attributes are written under the caller's document lock.
#pragma once

#include "arx/dbblockref.h"
#include "arx/dbtext.h"
#include "blocks/attribute.h"
#include "mfc/carray.h"

class CStoredProcedure;

#include <memory>

class CAttributes
{
public:
    CAttributes() = default;
    virtual ~CAttributes();
    CAttributes(const CAttributes&) = delete;
    CAttributes& operator=(const CAttributes&) = delete;

    // Appends the attribute, unless allowDuplicate is 0 and an element has the same tag
    // (exact); the set owns only an attribute it appended.
    void add(CAttribute* attribute, int allowDuplicate);
    // Adds without duplicates, deleting an attribute the set refuses.
    void adopt(CAttribute* attribute);
    CAttribute* getAt(int index) const { return m_attributes.GetAt(index); }
    // The first element with the tag (exact), or null.
    CAttribute* getAtAttribute(CString tag) const;
    // The first space-block attribute of the kind, or null.
    CAttribute* getAtAttribute(int kind) const;
    int getCount() const { return m_attributes.GetSize(); }

    double getTextHeight() const { return m_textHeight; }
    void setTextHeight(double height) { m_textHeight = height; }
    double getWidthFactor() const { return m_widthFactor; }
    void setWidthFactor(double factor) { m_widthFactor = factor; }
    double getRotation() const { return m_rotation; }
    void setRotation(double degrees) { m_rotation = degrees; }
    void getInsertionPoint(AcGePoint3d& point) const { point = m_insertionPoint; }
    void setInsertionPoint(AcGePoint3d point) { m_insertionPoint = point; }

    // Placement (not the insertion point) and a clone of every element whose tag the
    // target lacks.
    void copyKavroAttributesTo(CAttributes* target) const;
    void copyAttributesTo(CAttributes* target) const;

    // Replaces the elements by every attribute of an asset reference.
    void extractAttributeValues(AcDbBlockReference* reference);
    // Replaces the elements by the NAME, AREA and AUX attributes of a space-block reference
    // (tags compared upper-cased) and reads the placement; transform is the UCS matrix.
    void extractSpaceBlockAttributeValues(AcDbBlockReference* reference, AcGeMatrix3d transform);

    // Writes each element's value (and layer, when set) to the attribute of its tag; an
    // attribute that holds them already is not written. The same holds for the layout below.
    // Each gives whether it wrote an attribute.
    bool applyToDWG(AcDbEntity* entity);
    // Writes the space-block texts and lays them out around the anchor (world coordinates;
    // null: the AREA attribute's position; without either the texts keep their places),
    // under the UCS matrix transform.
    bool applyToDWG(AcDbEntity* entity, AcGeMatrix3d transform, AcGePoint3d* anchor);
    bool applyToDWG(AcDbObjectId entityId, AcGeMatrix3d transform, AcGePoint3d* anchor);

    // Hides each visible attribute of the reference and appends an element recording its
    // object id (an attribute already hidden is not recorded).
    void setAttributesIDsInvisible(AcDbBlockReference* reference);
    // Shows the attributes whose ids the elements record again; the elements stay.
    void setAttributesIDsVisible();

    void deleteObjects();

    // Writes every attribute to the register as one of the asset's (CAttribute::applyToQPX).
    void applyToQPX(CStoredProcedure* procedure, int drawingID, CString handle, int timeout);
    // Appends the attributes the register holds for the asset, each tag once (the first
    // row's), with exists 1; NULL values read as "".
    void getAssetAttributes(CStoredProcedure* procedure, int drawingID, CString handle, int timeout);

    // Visits each attribute of the reference open in the mode (one that does not open is
    // passed over), closing it afterwards. The attributes are those the reference holds when
    // the walk begins, but an erased one; they are read by index, as a visit may add to them.
    template <class Visit>
    static void forEachAttribute(const AcDbBlockReference* reference, AcDb::OpenMode mode, Visit&& visit)
    {
        const size_t count = reference->attributeIds().size();
        for (size_t i = 0; i < count && i < reference->attributeIds().size(); ++i) {
            const AcDbObjectId id = reference->attributeIds()[i];
            if (id.isErased())
                continue;
            AcDbObjectPointer<AcDbAttribute> attribute(id, mode);
            if (attribute)
                visit(attribute.object());
        }
    }

private:
    // Lays one attribute out: placement (inverse: the transform's inverse), then text and
    // position by its tag.
    void layOut(AcDbAttribute* attribute, const AcGeMatrix3d& transform, const AcGeMatrix3d& inverse,
                const AcGePoint3d* anchor) const;

    CArray<CAttribute*> m_attributes;
    double m_textHeight = 250.0;
    double m_widthFactor = 1.0;
    double m_rotation = 0.0;
    AcGePoint3d m_insertionPoint;
};
