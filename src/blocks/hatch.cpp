#include "blocks/hatch.h"

#include "arx/dbdatabase.h"
#include "host/acaddrawing.h"
#include "host/currentucs.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "host/layers.h"
#include "support/excustom.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"

#include <memory>

namespace {

constexpr const char* kDrawnHatchApp = "KAVRO_HATCH";

// The handle text of the hatch recorded on the entity, or empty.
std::string recordedHatch(const AcDbEntity* owner)
{
    const std::unique_ptr<resbuf, int (*)(resbuf*)> record(owner->xData(kDrawnHatchApp), acutRelRb);
    for (const resbuf* rb = record.get(); rb; rb = rb->rbnext)
        if (rb->restype == 1005 && rb->resval.rstring)
            return rb->resval.rstring;
    return std::string();
}

// The id of the database's layer of the name; null when it has none.
AcDbObjectId layerId(AcDbDatabase* database, const CString& name)
{
    AcDbObjectId id;
    AcDbLayerTable* table = nullptr;
    if (database->getSymbolTable(table, AcDb::kForRead) != Acad::eOk)
        return id;
    table->getAt(name, id);
    table->close();
    return id;
}

} // namespace

CString CHatch::getDrawnLayer() const
{
    const CString layer = CLayer::validateLayerName(m_layer);
    return layer.IsEmpty() ? CString("0") : layer;
}

void CHatch::putOnLayer(CAcadDrawing* drawing, AcDbEntity* entity) const
{
    kavroGuard("CHatch::putOnLayer", __FILE__, [&] {
        const CString layer = getDrawnLayer();
        CLayers().ensureLayerExists(drawing, layer, m_colour);
        if (entity->setLayer(layerId(drawing->getDocument()->database(), layer)) != Acad::eOk)
            throw new CEXCustom("The layer \"" + layer + "\" could not be made in the drawing: nothing was drawn on it.",
                                KAVRO_PRODUCT_CAPTION, __FILE__, "CHatch::putOnLayer", 0, nullptr);
    });
}

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
        putOnLayer(drawing, hatch.get());
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

void CHatch::replaceDrawnFor(AcDbEntity* owner, AcDbObjectId drawn)
{
    kavroGuard("CHatch::replaceDrawnFor", __FILE__, [&] {
        if (drawn.isNull())
            return;
        if (!owner->isWriteEnabled())
            if (const Acad::ErrorStatus status = owner->upgradeOpen(); status != Acad::eOk)
                throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, "CHatch::replaceDrawnFor", __LINE__,
                                       CString(), nullptr);
        AcDbDatabase* database = owner->database();
        if (const std::string earlier = recordedHatch(owner); !earlier.empty()) {
            AcDbObjectId id;
            if (database->getAcDbObjectId(id, false, AcDbHandle(earlier)) == Acad::eOk && id != drawn)
                if (const Opened<AcDbEntity> hatch = openObject<AcDbEntity>(id, AcDb::kForWrite);
                    hatch && AcDbHatch::cast(hatch.get()))
                    hatch->erase(true);
        }
        acdbRegApp(kDrawnHatchApp, database);
        // The record's two items live here: setXData keeps a copy of what it reads.
        std::string app = kDrawnHatchApp, handle = drawn.handle().text();
        resbuf handleItem{nullptr, 1005, {}};
        handleItem.resval.rstring = handle.data();
        resbuf record{&handleItem, 1001, {}};
        record.resval.rstring = app.data();
        if (const Acad::ErrorStatus status = owner->setXData(&record); status != Acad::eOk)
            throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, "CHatch::replaceDrawnFor", __LINE__,
                                   CString(), nullptr);
    });
}
