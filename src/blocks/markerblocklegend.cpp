#include "blocks/markerblocklegend.h"

#include "blocks/attributes.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

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
                setPrecision(CUtilities::CStringToInt(attribute->textString()));
            else if (tag == "LEGENDUNITS")
                setUnits(CUtilities::CStringToInt(attribute->textString()));
        });
    });
}
