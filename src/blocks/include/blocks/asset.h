// An asset: a block reference, other than a space block, that stands inside a space. The
// record keeps which reference it is, its register ids, the names of its block, its
// insertion point, whether it is present in its location, and the attribute set,
// hyperlinks and hatch style it owns.
#pragma once

#include "arx/dbblockref.h"
#include "mfc/cstring.h"
#include "msxml/dom.h"

class CAcadDrawing;
class CAttributes;
class CHatch;
class CHyperlinks;
class CKavroExceptions;
class CStoredProcedure;

class CAsset
{
public:
    CAsset() = default;
    // An asset found in a drawing (location id 0).
    CAsset(int drawingID, CString handle, CString blockIdentifier, CString blockDescription,
           CString uniqueDescription, double pointX, double pointY, int existsInLocation);
    CAsset(int locationID, int drawingID, CString handle, CString blockIdentifier, CString blockDescription,
           CString uniqueDescription, double pointX, double pointY, int existsInLocation);
    // A register row: present in its location unless the status text is exactly "0".
    CAsset(int locationID, int drawingID, CString handle, CString blockIdentifier, CString blockDescription,
           CString uniqueDescription, double pointX, double pointY, CString status);
    virtual ~CAsset();
    CAsset(const CAsset&) = delete;
    CAsset& operator=(const CAsset&) = delete;

    AcDbObjectId getObjectId() const { return m_objectId; }
    void setObjectId(AcDbObjectId id) { m_objectId = id; }
    AcDbHandle* getAcDbHandle() { return &m_handle; }
    // The handle as the host's hexadecimal text.
    CString getHandle() const;
    void setHandle(AcDbHandle handle) { m_handle = handle; }
    void setHandle(CString handle) { m_handle = AcDbHandle(handle.GetString()); }
    int getLocationID() const { return m_locationID; }
    void setLocationID(int id) { m_locationID = id; }
    int getDrawingID() const { return m_drawingID; }
    void setDrawingID(int id) { m_drawingID = id; }
    CString getBlockIdentifier() const { return m_blockIdentifier; }
    void setBlockIdentifier(CString text) { m_blockIdentifier = std::move(text); }
    CString getBlockDescription() const { return m_blockDescription; }
    void setBlockDescription(CString text) { m_blockDescription = std::move(text); }
    CString getUniqueDescription() const { return m_uniqueDescription; }
    void setUniqueDescription(CString text) { m_uniqueDescription = std::move(text); }
    double getPointX() const { return m_pointX; }
    void setPointX(double x) { m_pointX = x; }
    double getPointY() const { return m_pointY; }
    void setPointY(double y) { m_pointY = y; }
    int getExistsInLocation() const { return m_existsInLocation; }
    void setExistsInLocation(int exists) { m_existsInLocation = exists; }
    // The three owned objects: a setter takes over the object and does not delete the one
    // it replaces.
    CAttributes* getAttributes() const { return m_attributes; }
    void setAttributes(CAttributes* attributes) { m_attributes = attributes; }
    CHyperlinks* getHyperlinks() const { return m_hyperlinks; }
    void setHyperlinks(CHyperlinks* hyperlinks) { m_hyperlinks = hyperlinks; }
    CHatch* getHatch() const { return m_hatch; }
    void setHatch(CHatch* hatch) { m_hatch = hatch; }

    // Sets every field but the object id, and drops the attributes, hyperlinks and hatch.
    void initialise(int locationID, int drawingID, CString handle, CString blockIdentifier,
                    CString blockDescription, CString uniqueDescription, double pointX, double pointY,
                    int existsInLocation);

    // Copies everything but the object id and drawing id into a new asset.
    void copyTo(CAsset* target) const;
    // The element "asset": location id, handle, the three texts and the point (5 decimals).
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) const;
    // Reads an "asset" element (qualified names compared exactly); a missing child leaves
    // its field as it was. With a hatch style, the asset gets its own copy of it.
    void deSerialize(MSXML2::IXMLDOMNodePtr node, CHatch* hatch);
    // Line weights of assets stay as drawn: only tells whether the entity is a block reference.
    bool editLineWeights(AcDbEntity* entity);
    // Switches the reference's layer on and writes its hatch, hyperlinks and attributes.
    void applyToDWG(CAcadDrawing* drawing, CKavroExceptions* errors);
    // Switches the reference's layer on, thaws and unlocks it; its line weight, plot flag
    // and colour stay as they are, and a layer already showing is not written.
    void showLayerOf() const;

    // Hatches the reference's extents in the asset's hatch style (when it has one).
    void hatchAsset(CAcadDrawing* drawing, AcDbEntity* entity, AcDbObjectId& hatchId, CKavroExceptions* errors);
    // Draws an invisible rectangle between the corners (definition coordinates) where the
    // reference shows it, and hatches it.
    void hatchAssetArea(CAcadDrawing* drawing, AcDbBlockReference* reference, AcGePoint3d lower,
                        AcGePoint3d upper, AcDbObjectId& hatchId, CKavroExceptions* errors);

    // The hyperlinks go to an entity open for write in reverse list order.
    void hyperlinkEntity(AcDbEntity* entity);
    void hyperlinkHatch(AcDbObjectId* hatchId);
    // The reference, the entities of its definition and its attributes.
    void hyperlinkAsset(AcDbEntity* entity);

    // Writes the asset to the register under the room's location id; its attributes follow
    // when it exists in the location and the register does not exclude it from take-off.
    void applyToQPX(CStoredProcedure* procedure, int drawingID, int locationID, int timeout);
    // Writes the asset to the TP database with "__to_tp_exportAsset" under its own location id.
    void exportTP(CStoredProcedure* procedure, int timeout, CString exportParameters);

private:
    // Sets the field that an "asset" child names.
    void readChild(const MSXML2::IXMLDOMNodePtr& child);

    AcDbObjectId m_objectId;
    AcDbHandle m_handle;
    int m_locationID = 0;
    int m_drawingID = 0;
    CString m_blockIdentifier;
    CString m_blockDescription;
    CString m_uniqueDescription;
    double m_pointX = 0.0;
    double m_pointY = 0.0;
    int m_existsInLocation = 0;
    CAttributes* m_attributes = nullptr;
    CHyperlinks* m_hyperlinks = nullptr;
    CHatch* m_hatch = nullptr;
};

// The asset exclusion text of the module; empty, and nothing sets it.
extern CString assetExclusion;
