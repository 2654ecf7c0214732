// Host utilities: prompts and picks on the host command line, polyline measures in square
// metres or feet, coordinate conversion, handles, XData item values, draw order, and the
// plot option tables (CPlotOptions) that turn stored plot identifiers into the plot
// engine's devices, media names, scales and plot areas, and back.
#pragma once

#include "arx/cmcolor.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdict.h"
#include "arx/geometry.h"
#include "database/plotoptions.h"
#include "host/drawingunit.h"
#include "mfc/cstring.h"
#include "win/variant.h"

#include <functional>
#include <vector>

class AcApDocument;

class CAcadUtilities : public CPlotOptions
{
public:
    virtual ~CAcadUtilities() = default;

    // Refuses an answer, saying why (qv::refuseAnswer: the module's texts carry their own line
    // breaks): on a terminal the caller asks again; elsewhere (a script) the command ends as
    // at a cancel (raises CEXCancelled).
    void refuseAnswer(const CString& why);
    // Prompts "\n" + prompt + " <" + default + ">:" and echoes the value kept.
    void getInteger(CString prompt, int defaultValue, int* result);
    // As getInteger, refusing (refuseAnswer) an answer that is no precision numbers can be
    // formatted with (CUtilities::minPrecision to maxPrecision).
    void getPrecision(CString prompt, int defaultValue, int* result);
    void getDouble(CString prompt, double defaultValue, int precision, double* result);
    // As getDouble, refusing an answer that is no size that can be drawn
    // (CUtilities::isDrawableSize); a default that cannot be drawn is bounded to one that can.
    void getSize(CString prompt, double defaultValue, int precision, double* result);
    // An empty answer keeps the default. Cancelling, or the end of input, ends the command
    // (raises CEXCancelled) rather than asking again forever.
    void getString(CString prompt, CString defaultValue, CString* result);
    CString getString(CString prompt);
    void getBoolean(CString prompt, BOOL defaultValue, BOOL* result);

    // Appends the ids of the selected entities that are not block references; FALSE when
    // the user cancelled the selection (an empty one gives TRUE).
    BOOL selectObjectIds(std::vector<AcDbObjectId>& ids, CString prompt);
    BOOL selectObjectId(AcDbObjectId& id, CString prompt);
    // 0 when an entity of the host class was picked (one of another class is refused, and in
    // a script taken for a cancel), 16 when none was: "Cancelled by User." for a cancel,
    // "Nothing selected." for Enter, and for an answer that found nothing the editor's own line.
    int selectObjectId(AcDbObjectId& id, CString prompt, CString className);
    // As selectObjectId, for an entity that is an outline (CPlanOutline::isOutline).
    int selectOutline(AcDbObjectId& id, CString prompt);
    int userSelectSpace(AcDbHandle& handle);
    // Asks for a block reference until one is picked, and copies the block read from it
    // into target; FALSE when none is picked, said as selectObjectId says it. Block is the
    // space-block model's drawing-side block, which reads itself from a reference of the
    // document.
    template <class Block>
    BOOL userSelectKavroBlock(AcApDocument* document, Block* target)
    {
        return pickBlockReference(
            [&](AcDbBlockReference* reference) { Block(reference, document).copyInto(target); });
    }

    // Measures in drawing units and converted by the drawing's unit (CDrawingUnit::of) to
    // metres or feet, as the (known) units say.
    double getPolyPerimeter(const AcDbPolyline* polyline);
    double calculatePolylinePerimeter(const AcDbPolyline* polyline, const CDrawingUnit& unit, CMeasureUnits units);
    double calculatePolylineArea(const AcDbPolyline* polyline, const CDrawingUnit& unit, CMeasureUnits units);
    double recalculateBlockArea(AcDbBlockReference* reference, const AcDbPolyline* outline,
                                const CDrawingUnit& unit, CMeasureUnits units);
    // The outline's length as the reference shows it (placedLength), under any scale.
    double recalculateBlockPerimeter(AcDbBlockReference* reference, const AcDbPolyline* outline,
                                     const CDrawingUnit& unit, CMeasureUnits units);
    // The extents of the definition's first outline (CPlanOutline), widened by margin, each
    // corner transformed by the reference's block transform.
    void getBlockExtents(AcDbEntity* entity, AcGePoint3d& lower, AcGePoint3d& upper, double margin);
    AcGePoint3d getPolylineTopLeft(AcDbPolyline* polyline, AcGeMatrix3d* transform);
    AcGePoint3d convertUCSToWCS(AcGePoint3d point);
    AcGePoint3d convertWCSToUCS(AcGePoint3d point);
    // Each handle of the list must be followed by ",".
    void convertHandlesStringToArray(CString list, std::vector<AcDbHandle>& handles);
    AcDbObjectId convertHandleToObjectId(AcDbHandle handle);
    // The value of one KEY=value item of a space block's XData record, by item kind.
    CString extractData(int kind, CString item);
    void sendToBack(AcDbEntity* entity);
    void getSortentsVariable();
    void setSortentsVariable(int value);
    AcDbSortentsTable* getSortentsTable(AcDbEntity* entity);
    // Inverts a colour that equals the model-space background.
    void adjustColourToBackground(AcCmColor& colour);
    static HRESULT createPointArray(VARIANT* out, double x, double y, double z);

private:
    // The pick loop of userSelectKavroBlock: hands the picked reference, open for read, to
    // read, and closes it whatever read does.
    BOOL pickBlockReference(const std::function<void(AcDbBlockReference*)>& read);
};
