// A space block as it stands in the open drawing: a block reference whose definition holds
// the space's outline and the NAME, AREA and AUX attribute definitions, and which carries
// the space's XData record. The object is a working copy: built from a reference (or
// empty, to be filled and inserted), changed by commands and dialogs, and written back.
//
// Besides the record of CBlock it keeps the reference's identity, definition name, XData
// application, the handles of the areas added to and subtracted from the outline, and the
// hatch style, attribute set and assets it owns.
#pragma once

#include "arx/acdocman.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbsymtb.h"
#include "arx/resbuf.h"
#include "blocks/block.h"
#include "host/hostguards.h"
#include "mfc/carray.h"
#include "msxml/dom.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class CAcadDrawing;
class CAssets;
class CAttributes;
class CHatch;
class CKavroExceptions;
class CStoredProcedure;

class CBlockDWG : public CBlock
{
public:
    // A reference's XData record as read once: the application it is kept under ("ADE",
    // else "AECXDATA"; null for none), whether that one is listed but cannot be read,
    // and the texts of its 1000 items, views into the reference that hold while it stays
    // open and unchanged.
    struct Record {
        const char* app = nullptr;
        bool unreadable = false;
        std::vector<std::string_view> texts;
        bool readable() const;
    };
    static Record readRecord(const AcDbObject* reference);

    CBlockDWG();
    // Reads the block from a reference that the caller holds open, in its document, and from
    // the record just read from it (read here when none is given).
    CBlockDWG(AcDbBlockReference* reference, AcApDocument* document, const Record* record = nullptr);
    ~CBlockDWG() override;

    // Two open slots that every kind shares: the query answers 0 and the export does
    // nothing (the kinds' own exports take more arguments).
    virtual int virtualQuery();
    virtual void exportTP(CStoredProcedure* procedure, int timeout, CString text);

    // Record defaults of a block not read from a reference: texts "<Not Set>", measures 0,
    // units unknown, precision -1, application "ADE", no hatch, attributes or assets.
    void initialise();
    // Makes a newly constructed target a deep copy of this block (not its layer or zoom).
    void copyInto(CBlockDWG* target) const;
    // Gives the target this block's area, attribute formatting and values, hatch style and
    // hyperlinks.
    void copyFormatting(CBlockDWG* target) const;

    CString getBlockName() const { return m_blockName; }
    void setBlockName(CString name) { m_blockName = std::move(name); }
    AcDbHandle* getAcDbHandle() { return &m_acDbHandle; }
    // Both keep the handle and its hexadecimal text in step.
    void setHandle(AcDbHandle handle);
    void setHandle(CString text);
    CString getXDataAppName() const { return m_xDataAppName; }
    void setXDataAppName(CString name) { m_xDataAppName = std::move(name); }
    AcDbObjectId getObjectId() const { return m_objectId; }
    void setObjectId(AcDbObjectId id) { m_objectId = id; }
    int getColourIndex() const { return m_colourIndex; }
    void setColourIndex(int index) { m_colourIndex = index; }
    int getLineWeight() const { return m_lineWeight; }
    void setLineWeight(int weight) { m_lineWeight = weight; }
    CString getLayer() const { return m_layer; }
    void setLayer(CString layer) { m_layer = std::move(layer); }
    int getZoomOnApply() const { return m_zoomOnApply; }
    void setZoomOnApply(int zoom) { m_zoomOnApply = zoom; }
    double getZoomMargin() const { return m_zoomMargin; }
    void setZoomMargin(double margin) { m_zoomMargin = margin; }
    // The owned objects: a setter takes over the object it is given and does not delete the
    // one it replaces.
    CHatch* getHatch() const { return m_hatch.get(); }
    void setHatch(CHatch* hatch);
    CAttributes* getAttributes() const { return m_attributes.get(); }
    void setAttributes(CAttributes* attributes);
    CAssets* getAssets() const { return m_assets.get(); }
    void setAssets(CAssets* assets);

    // -- XML --
    // The element "kavroBlock": handle, name, code, area (2 decimals), the NAME, AREA and
    // AUX values, hyperlinks and assets; empty texts, a zero area and missing parts are
    // left out.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) const;
    // Fills a new block from a "kavroBlock" element (children matched by local name, so
    // any prefix or namespace); with a hatch style the block gets its own copy of it.
    void deSerialize(MSXML2::IXMLDOMNodePtr node, CHatch* hatch);

    // -- the XData record --
    // Writes the record to a block reference (opened for write when open for read) unless
    // it holds that record already; anything else is left alone. A record the host refuses
    // raises an error. A record that was present but could not be read, or whose units are
    // unknown, is left as the drawing holds it. Whether the record was written.
    bool writeXData(AcDbObject* object);
    // Parses a record; the document's database resolves the area handles.
    void readXData(const resbuf* chain, AcApDocument* document);
    // Whether the reference this block was read from holds a record of its application
    // (getXDataAppName) that cannot be read, a malformed binary chunk say. The block's
    // record fields are then unknown (not those of the drawing) and are never written back.
    bool isXDataUnreadable() const { return m_xDataUnreadable; }
    // Whether the reference this block was read from holds a record of either application.
    bool hasRecord() const;

    // -- added and subtracted areas --
    // Appends the handle; with a database, only when the handle names an object there.
    void addHandleToMinus(AcDbHandle handle, AcDbDatabase* database);
    void addHandleToAdd(AcDbHandle handle, AcDbDatabase* database);
    // Replaces the list by the handles of a text of handles each ended by ",".
    void setHandlesToMinus(CString text, AcDbDatabase* database);
    void setHandlesToAdd(CString text, AcDbDatabase* database);
    // Replaces the list by the handles of the entities that open (added areas: outlines only).
    void setHandlesToMinus(const AcDbObjectIdArray& ids);
    void setHandlesToAdd(const AcDbObjectIdArray& ids);
    CString getHandlesToMinusAsString() const { return listText(m_handlesToMinus); }
    CString getHandlesToAddAsString() const { return listText(m_handlesToAdd); }
    AcDbHandle getHandleToMinusAt(int position) const { return m_handlesToMinus.GetAt(position); }
    AcDbHandle getHandleToAddAt(int position) const { return m_handlesToAdd.GetAt(position); }
    void removeHandleToMinusAt(int position) { m_handlesToMinus.RemoveAt(position); }
    void removeHandleToAddAt(int position) { m_handlesToAdd.RemoveAt(position); }
    int getHandlesToMinusCount() const { return m_handlesToMinus.GetSize(); }
    int getHandlesToAddCount() const { return m_handlesToAdd.GetSize(); }
    // Sums of the listed outlines' areas and lengths (CPlanOutline; other entities count
    // nothing) in the block's units, which must be known; handles whose objects are gone are
    // dropped from the list.
    double calcSubArea(AcApDocument* document);
    double calcAddArea(AcApDocument* document);
    double calcSubAreaPerimeters(AcApDocument* document);
    double calcAddAreaPerimeters(AcApDocument* document);
    // Outline area less the subtracted plus the added areas, in the block's units, unrounded;
    // none when the reference does not open or the units are unknown.
    std::optional<double> measureArea(AcApDocument* document);
    // The measured area, rounded to the precision (when known); unchanged when there is none.
    void recalculateArea(AcApDocument* document);
    // Outline perimeter plus the perimeters of both lists, unrounded; unchanged when the
    // reference does not open or the units are unknown.
    void recalculatePerimeter(AcApDocument* document);
    // Whether the definition of the block's reference holds a closed outline (its first
    // outline, a lightweight or 2D polyline, closed): without one there is nothing to measure.
    bool hasClosedOutline() const;
    // Colours the listed entities (red subtracted, green added), or gives those this block
    // highlighted their own earlier colour and line weight back (others are left as they
    // are); report prints how many there are.
    void highlightAreasSubtracted(CAcadDrawing* drawing, int highlight, int report);
    void highlightAreasAdded(CAcadDrawing* drawing, int highlight, int report);
    // Converts area and perimeter to the units (from units that are known; unknown ones are
    // left as they are).
    void convertUnits(CMeasureUnits units);
    // Appends one id per handle of the list, the null id for a handle that does not resolve.
    Acad::ErrorStatus convertHandlesToObjectIds(const CArray<AcDbHandle>& handles, AcDbDatabase* database,
                                                AcDbObjectIdArray& ids) const;

    // -- the drawing --
    // Makes the definition named blockName from the entities (moved by the base point to
    // the origin) with the AREA, NAME and AUX attribute definitions. On failure the drawing
    // is as it was.
    Acad::ErrorStatus createBlockDefinition(AcDbObjectId& definitionId, const AcDbObjectIdArray& entities,
                                            AcGePoint3d basePoint, double textHeight, double widthFactor,
                                            double rotation, CAcadDrawing* drawing);
    // Makes the definition around the outline and inserts its first reference at the base
    // point (current UCS) with the set's texts and the XData record; the block then stands
    // for that reference (its object id and handle).
    Acad::ErrorStatus insertBlock(CAcadDrawing* drawing, AcDbEntity* outline, AcGePoint3d basePoint,
                                  double textHeight, double widthFactor, double rotation);
    // Writes the block back to its reference: definition name, XData, attribute layout,
    // hatch, hyperlinks, zoom and assets; what holds its value already is not written, so
    // that an unchanged block leaves the drawing unmodified. Hatching warnings go to the
    // collector. A reference that cannot be written (on a locked layer, say) is left as it
    // is: false, and a CEXBlockNotWritten naming why goes to the collector. `changed`, when
    // given, tells whether a block written changed its definition's name, its record or its
    // texts, or drew a hatch (the hyperlinks and assets written after them are not told).
    bool applyToDWG(CAcadDrawing* drawing, CKavroExceptions* errors, bool* changed = nullptr);
    // Lays the attribute texts out around the anchor (world coordinates; null: the AREA
    // text's position), under the caller's lock.
    void updateAttributes(AcGeMatrix3d& transform, AcGePoint3d* anchor);
    // Names the reference's definition blockName; whether it was renamed.
    bool updateBlockIdentifier(AcDbEntity* entity);
    void zoomToBlock(CAcadDrawing* drawing, AcDbBlockReference* reference);
    // Turns the block into its outline polylines where the reference shows them, and erases
    // the definition when nothing refers to it any more; 1 when done, else 0 and the
    // drawing as it was.
    int deleteBlock(CAcadDrawing* drawing);
    // Erases the definition when no reference to it remains anywhere in the database; 1
    // when erased.
    int deleteBlockDefinition(CAcadDrawing* drawing, AcDbBlockTableRecord* definition);

    // -- hatching and hyperlinks --
    // Hatches the space in the block's hatch style (when it has one), posting the hatch
    // behind the other entities of model space; problems go to the collector.
    void hatchBlock(CAcadDrawing* drawing, AcDbEntity* entity, AcDbObjectId& hatchId, CKavroExceptions* errors);
    void hatchObject(CAcadDrawing* drawing, AcDbBlockReference* reference, AcDbObjectId outlineId,
                     AcDbObjectIdArray subtracted, AcDbObjectIdArray added, AcDbObjectId& hatchId,
                     CKavroExceptions* errors);
    // The block's hyperlinks go to an open entity, in list order (see setEntityHyperlinks).
    void hyperlinkEntity(AcDbEntity* entity);
    void hyperlinkHatch(AcDbObjectId* hatchId);
    // fromDefinition 0: the reference and (on AutoCAD and AutoCAD LT) its attributes;
    // otherwise the entities of its definition and its attributes.
    void hyperlinkBlock(AcDbEntity* entity, int fromDefinition);

    // The id of the first outline of a definition (CPlanOutline::isOutline), or the null id.
    static AcDbObjectId outlineOf(AcDbObjectId definitionId);

protected:
    // Makes a definition of the name from the entities, moved so that the base point becomes
    // its origin, and has fill complete it while it is open and the drawing locked (its status
    // is the result). Every entity opens before anything changes, and entities the definition
    // cannot take are moved back: a failure leaves the drawing as it was.
    static Acad::ErrorStatus defineFromEntities(CAcadDrawing* drawing, const char* name,
                                                const AcDbObjectIdArray& entities, AcGePoint3d basePoint,
                                                AcDbObjectId& definitionId,
                                                const std::function<Acad::ErrorStatus(AcDbBlockTableRecord*)>& fill);
    // Places the reference at the position and rotation given in the current UCS and appends
    // it to model space, where placed holds it open.
    static Acad::ErrorStatus placeInModelSpace(AcDbDatabase* database, std::unique_ptr<AcDbBlockReference> made,
                                               AcGePoint3d position, double rotation,
                                               Opened<AcDbBlockReference>& placed);

private:
    // Reads one child of a "kavroBlock" element.
    void readXMLChild(const MSXML2::IXMLDOMNodePtr& child);
    static CString listText(const CArray<AcDbHandle>& handles);
    static void fillFromText(CArray<AcDbHandle>& handles, const CString& text, AcDbDatabase* database);
    void readItem(std::string_view item, AcDbDatabase* database);
    std::string_view readArea(std::string_view item);
    std::string_view readPerimeter(std::string_view item);
    // Writes the record unless the reference holds it already; `written`, when given, is
    // set when it was written.
    Acad::ErrorStatus storeXData(AcDbBlockReference* reference, bool* written = nullptr);
    double sumOf(CArray<AcDbHandle>& handles, AcApDocument* document, bool areas) const;
    // The outline measure of the reference; false when the reference does not open.
    bool outlineMeasure(AcApDocument* document, bool area, double& measure) const;
    void highlight(CArray<AcDbHandle>& handles, CAcadDrawing* drawing, int on, int report, bool subtracted);
    void appendAttributeDefinitions(AcDbBlockTableRecord* definition, double textHeight, double widthFactor,
                                    double rotation, CAcadDrawing* drawing) const;
    void appendAttributes(AcDbBlockReference* reference) const;
    int turnIntoGeometry(CAcadDrawing* drawing, AcDbBlockReference* reference);

    AcDbObjectId m_objectId;
    AcDbHandle m_acDbHandle;
    CString m_blockName;
    CString m_xDataAppName = "ADE";
    bool m_xDataUnreadable = false;
    CArray<AcDbHandle> m_handlesToMinus;
    CArray<AcDbHandle> m_handlesToAdd;
    std::unique_ptr<CHatch> m_hatch;
    std::unique_ptr<CAttributes> m_attributes;
    std::unique_ptr<CAssets> m_assets;
    int m_zoomOnApply = 0;
    double m_zoomMargin = 0.0;
    // The colour and line weight each highlighted entity had before its highlight.
    std::map<AcDbHandle, std::pair<AcCmColor, AcDb::LineWeight>> m_unhighlighted;
    int m_colourIndex = 256;
    int m_lineWeight = -1;
    CString m_layer;
};
