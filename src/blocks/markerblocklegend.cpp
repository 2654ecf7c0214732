#include "blocks/markerblocklegend.h"

#include "arx/dbcurves.h"
#include "blocks/attributes.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

namespace {

const char* const legendMarkerName = "MARKER-LEGEND";
const char* const legendMarkerLayer = "KAVRO_LEGEND_MARKER";

} // namespace

CMarkerBlockLegend::CMarkerBlockLegend(AcDbBlockReference* reference, AcApDocument* document)
{
    kavroGuard("CMarkerBlockLegend::CMarkerBlockLegend", __FILE__, [&] {
        readReference(reference, document);
        m_position = markedPosition(reference, document, "AcDbPolyline");
        CAttributes::forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            CString tag = attribute->tag();
            tag.MakeUpper();
            if (tag == "LEGENDTEXTSIZE")
                setTextSize(CUtilities::CStringToDouble(attribute->textString()));
            else if (tag == "LEGENDPRECISION")
                setPrecision(readPrecision(tag, attribute->textString()));
            else if (tag == "LEGENDUNITS")
                setUnits(CUtilities::CStringToInt(attribute->textString()));
        });
    });
}

void CMarkerBlockLegend::setPosition(AcGeMatrix3d transform, AcDbPolyline* outline)
{
    m_position = CAcadUtilities().getPolylineTopLeft(outline, &transform);
}

int CMarkerBlockLegend::insertMarkerBlock(CAcadDrawing* drawing, AcDbPolyline* outline, int units, int precision,
                                          double textSize, double rotation)
{
    const DrawingLock lock(drawing);
    if (!lock.held())
        return lock.status();
    const AcDbObjectIdArray ids{outline->objectId()};
    AcGePoint3d basePoint;
    {
        Acad::ErrorStatus status = Acad::eOk;
        const Opened<AcDbPolyline> opened = openObject<AcDbPolyline>(ids.front(), AcDb::kForRead, &status);
        if (!opened)
            return status;
        basePoint = CAcadUtilities().getPolylineTopLeft(opened.get(), nullptr);
    }
    AcDbObjectId definitionId;
    if (const int status =
            createMarkerBlockDefinition(definitionId, ids, basePoint, drawing, units, precision, textSize, 0.0);
        status != Acad::eOk)
        return status;
    const Acad::ErrorStatus status = insertMarker(drawing, definitionId, legendMarkerLayer, basePoint, rotation);
    if (status != Acad::eOk)
        withdrawMarker(drawing, definitionId, ids, basePoint);
    return status;
}

int CMarkerBlockLegend::createMarkerBlockDefinition(AcDbObjectId& definitionId, const AcDbObjectIdArray& outline,
                                                    AcGePoint3d basePoint, CAcadDrawing* drawing, int units,
                                                    int precision, double textSize, double attributeRotation)
{
    const std::vector<Setting> settings = {
        {"LEGENDTITLE", "", "LEGEND BLOCK"},
        {"LEGENDTEXTSIZE", "Enter legend text size", settingText(textSize, precision)},
        {"LEGENDPRECISION", "Enter precision", CUtilities::IntToCString(precision)},
        {"LEGENDROTATION", "Enter Rotation", settingText(attributeRotation, precision)},
        {"LEGENDUNITS", "Enter legend units", CUtilities::IntToCString(units)},
    };
    return defineMarker(definitionId, outline, basePoint, drawing, legendMarkerName, legendMarkerLayer, textSize,
                        attributeRotation, settings);
}
