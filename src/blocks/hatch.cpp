#include "blocks/hatch.h"

#include "arx/dbdatabase.h"
#include "host/acaddrawing.h"
#include "host/currentucs.h"
#include "host/layers.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"

#include <memory>

void CHatch::copyTo(CHatch* target) const
{
    kavroGuard("CHatch::copyTo", __FILE__, [&] {
        target->setPattern(m_pattern);
        target->setAngle(m_angle);
        target->setScale(m_scale);
        target->setLayer(m_layer);
        target->setColour(m_colour);
    });
}

AcDbHatch* CHatch::createHatch(CAcadDrawing* drawing) const
{
    return kavroGuard("CHatch::createHatch", __FILE__, [&] {
        const AcGeVector3d normal = currentUcsNormal(drawing->getDocument()->database());
        // The host's hatch takes the colour by value: an index colour becomes its RGB.
        AcCmColor colour = m_colour;
        if (!colour.isByColor())
            colour.setRGB(colour.red(), colour.green(), colour.blue());
        auto hatch = std::make_unique<AcDbHatch>();
        hatch->setPatternAngle(static_cast<double>(m_angle));
        hatch->setPatternScale(static_cast<double>(m_scale));
        hatch->setAssociative(false);
        hatch->setPattern(AcDbHatch::kPreDefined, m_pattern);
        hatch->setColor(colour);
        hatch->setHatchStyle(AcDbHatch::kNormal);
        hatch->setNormal(normal);
        hatch->setElevation(0.0);
        CLayers().ensureLayerExists(drawing, m_layer, m_colour);
        hatch->setLayer(m_layer);
        return hatch.release();
    });
}

bool CHatch::collectEvaluation(const AcDbHatch* hatch, const CString& subject, const CString& drawingText,
                               CKavroExceptions* errors, const char* file, const char* procSig) const
{
    const Acad::ErrorStatus status = hatch->evaluateHatch(true);
    const double scale = static_cast<double>(m_scale);
    if (status == Acad::eHatchTooDense)
        errors->add(new CEXHatchTooDense(subject, m_pattern, scale, KAVRO_PRODUCT_CAPTION, file, procSig));
    else if (status == Acad::eAmbiguousOutput)
        errors->add(new CEXHatchNotDenseEnough(subject, m_pattern, scale, KAVRO_PRODUCT_CAPTION, file, procSig));
    else if (status != Acad::eOk) {
        errors->add(new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, file, procSig, __LINE__, drawingText, nullptr));
        return false;
    }
    return true;
}
