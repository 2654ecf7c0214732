// The assets of a space block or a report category: an owning, ordered list, and the
// finding of the assets that stand inside a space's outline.
#pragma once

#include "arx/dbcurves.h"
#include "arx/resbuf.h"
#include "blocks/asset.h"
#include "mfc/carray.h"

class CHatch;
class CStoredProcedure;

class CAssets
{
public:
    CAssets() = default;
    virtual ~CAssets();
    CAssets(const CAssets&) = delete;
    CAssets& operator=(const CAssets&) = delete;

    void add(CAsset* asset);
    // Raises the framework's invalid-argument exception outside the list.
    CAsset* getAt(int index) const { return m_assets.GetAt(index); }
    // The first asset whose handle text equals the text (exact), or null.
    CAsset* getAtAsset(CString handle) const;
    int getCount() const { return m_assets.GetSize(); }
    // Appends a copy of every asset to the target.
    void copyTo(CAssets* target) const;
    // The element "assets" with one "asset" per asset, in order (also when empty).
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) const;
    // Appends one asset per "asset" node of an "assets" element's children, each with its
    // own copy of the hatch style when one is given.
    void deSerialize(MSXML2::IXMLDOMNodeListPtr nodes, CHatch* hatch);
    // Hides the visible attributes of the block references that selectPolylineBlockReferences
    // takes, recording them in hiddenAttributes so that CAttributes::setAttributesIDsVisible
    // shows them again, and regenerates the drawing.
    void setPolylineAssetAttributesInvisible(AcGePoint3d insertionPoint, const AcDbPolyline* outline,
                                             CAttributes* hiddenAttributes);
    void applyToDWG(CAcadDrawing* drawing, CKavroExceptions* errors);
    void deleteObjects();

    // Selects the block references (not space blocks) inside or crossing the outline of a
    // definition where a reference places it: by its block transform, or moved to the
    // insertion point (WCS) of a reference that is neither rotated nor scaled. The host's
    // result, 5100 when the caller owns a set to free.
    int selectPolylineBlockReferences(AcGePoint3d insertionPoint, const AcDbPolyline* outline, ads_name selectionSet);
    int selectPolylineBlockReferences(const AcGeMatrix3d& blockTransform, const AcDbPolyline* outline,
                                      ads_name selectionSet);
    // Appends one asset per block reference inside or crossing the outline so placed.
    void getPolylineAssets(AcGePoint3d insertionPoint, const AcDbPolyline* outline);
    void getPolylineAssets(const AcGeMatrix3d& blockTransform, const AcDbPolyline* outline);

    // Writes every asset to the register under the room's location id (CAsset::applyToQPX).
    void applyToQPX(CStoredProcedure* procedure, int drawingID, int locationID, int timeout);
    // Appends the assets the register holds in the location, each with its attributes.
    void getLocationAssets(CStoredProcedure* procedure, int locationID, int timeout);
    // Appends one asset per row of "__gr_getCategoryAssets" for the report category, each
    // with the category's hyperlinks of it and, when a hatch style is given, a copy of it.
    void getCategoryAssets(CStoredProcedure* procedure, int timeout, int categoryID, CHatch* hatch);
    // Writes every asset to the TP database (CAsset::exportTP), in list order.
    void exportTP(CStoredProcedure* procedure, int timeout, CString exportParameters);

private:
    // The asset of one selected entity, or null when it is not a named block reference.
    CAsset* assetOf(AcDbObjectId id) const;

    CArray<CAsset*> m_assets;
};
