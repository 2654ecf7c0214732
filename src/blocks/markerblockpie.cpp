#include "blocks/markerblockpie.h"

#include "arx/dbcurves.h"
#include "blocks/attributes.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

namespace {

const char* const pieMarkerName = "MARKER-PIECHART";
const char* const pieMarkerLayer = "KAVRO_PIECHART_MARKER";

} // namespace

CMarkerBlockPie::CMarkerBlockPie(AcDbBlockReference* reference, AcApDocument* document)
{
    kavroGuard("CMarkerBlockPie::CMarkerBlockPie", __FILE__, [&] {
        readReference(reference, document);
        m_centre = markedPosition(reference, document, "AcDbCircle");
        CAttributes::forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            CString tag = attribute->tag();
            tag.MakeUpper();
            if (tag == "PIETEXTSIZE")
                setTextSize(CUtilities::CStringToDouble(attribute->textString()));
            else if (tag == "PIEPRECISION")
                setPrecision(readPrecision(tag, attribute->textString()));
            else if (tag == "PIERADIUS")
                setRadius(CUtilities::CStringToDouble(attribute->textString()));
        });
    });
}

void CMarkerBlockPie::setCentre(AcDbCircle* circle, AcGeMatrix3d transform)
{
    m_centre = CAcadUtilities().convertUCSToWCS(transform.transform(circle->center()));
}

int CMarkerBlockPie::insertMarkerBlock(CAcadDrawing* drawing, AcDbCircle* circle, int, int precision,
                                       double textSize, double rotation)
{
    const DrawingLock lock(drawing);
    if (!lock.held())
        return lock.status();
    const AcDbObjectIdArray ids{circle->objectId()};
    AcGePoint3d centre;
    double radius = 0.0;
    {
        Acad::ErrorStatus status = Acad::eOk;
        const Opened<AcDbCircle> opened = openObject<AcDbCircle>(ids.front(), AcDb::kForRead, &status);
        if (!opened)
            return status;
        centre = opened->center();
        radius = opened->radius();
    }
    AcDbObjectId definitionId;
    if (const int status =
            createMarkerBlockDefinition(definitionId, ids, centre, drawing, radius, precision, textSize, 0.0);
        status != Acad::eOk)
        return status;
    const Acad::ErrorStatus status = insertMarker(drawing, definitionId, pieMarkerLayer, centre, rotation);
    if (status != Acad::eOk)
        withdrawMarker(drawing, definitionId, ids, centre);
    return status;
}

int CMarkerBlockPie::createMarkerBlockDefinition(AcDbObjectId& definitionId, const AcDbObjectIdArray& outline,
                                                 AcGePoint3d centre, CAcadDrawing* drawing, double radius,
                                                 int precision, double textSize, double attributeRotation)
{
    const std::vector<Setting> settings = {
        {"PIETITLE", "", "PIE BLOCK"},
        {"PIETEXTSIZE", "Enter pie text size", settingText(textSize, precision)},
        {"PIEPRECISION", "Enter precision", CUtilities::IntToCString(precision)},
        {"PIERADIUS", "Enter Radius", settingText(radius, precision)},
        {"PIEXYOFFSETVALUE", "Enter pie chart offset value", settingText(500.0, precision)},
    };
    return defineMarker(definitionId, outline, centre, drawing, pieMarkerName, pieMarkerLayer, textSize,
                        attributeRotation, settings);
}
