#include "blocks/markerblockpie.h"

#include "blocks/attributes.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

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
                setPrecision(CUtilities::CStringToInt(attribute->textString()));
            else if (tag == "PIERADIUS")
                setRadius(CUtilities::CStringToDouble(attribute->textString()));
        });
    });
}
