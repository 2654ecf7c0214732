#include "arx/dblayout.h"

#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"
#include "arx/dbviewport.h"

ACRX_DEFINE_MEMBERS(AcDbPlotSettings, AcDbObject, "PLOTSETTINGS")
ACRX_DEFINE_MEMBERS(AcDbLayout, AcDbPlotSettings, "LAYOUT")

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;

AcDbPlotSettings::AcDbPlotSettings(bool modelType)
{
    if (modelType) {
        m_flags = 1712;
        m_plotType = kDisplay;
        m_stdScaleType = kScaleToFit;
    }
}

Acad::ErrorStatus AcDbPlotSettings::setFlag(int bit, bool value) { QV_SETTER(m_flags = value ? m_flags | bit : m_flags & ~bit) }
Acad::ErrorStatus AcDbPlotSettings::setPlotCfgName(const char* name) { QV_SETTER(m_plotCfgName = name ? name : "") }
Acad::ErrorStatus AcDbPlotSettings::setCanonicalMediaName(const char* name) { QV_SETTER(m_mediaName = name ? name : "") }
Acad::ErrorStatus AcDbPlotSettings::setCurrentStyleSheet(const char* name) { QV_SETTER(m_styleSheet = name ? name : "") }
Acad::ErrorStatus AcDbPlotSettings::setPlotViewName(const char* name) { QV_SETTER(m_viewName = name ? name : "") }
Acad::ErrorStatus AcDbPlotSettings::setPlotType(PlotType type) { QV_SETTER(m_plotType = type) }
Acad::ErrorStatus AcDbPlotSettings::setPlotRotation(PlotRotation rotation) { QV_SETTER(m_rotation = rotation) }
Acad::ErrorStatus AcDbPlotSettings::setPlotPaperUnits(PlotPaperUnits units) { QV_SETTER(m_paperUnits = units) }

Acad::ErrorStatus AcDbPlotSettings::setStdScaleType(int type)
{
    if (type < 0 || type > 34)
        return Acad::eInvalidInput;
    QV_SETTER(m_stdScaleType = type)
}

void AcDbPlotSettings::getCustomPrintScale(double& numerator, double& denominator) const
{
    numerator = m_numerator;
    denominator = m_denominator;
}

Acad::ErrorStatus AcDbPlotSettings::setCustomPrintScale(double numerator, double denominator)
{
    if (numerator <= 0 || denominator <= 0)
        return Acad::eInvalidInput;
    QV_SETTER((m_numerator = numerator, m_denominator = denominator))
}

void AcDbPlotSettings::getPlotPaperMargins(double& left, double& bottom, double& right, double& top) const
{
    left = m_margins[0];
    bottom = m_margins[1];
    right = m_margins[2];
    top = m_margins[3];
}

void AcDbPlotSettings::getPlotPaperSize(double& width, double& height) const
{
    width = m_paper[0];
    height = m_paper[1];
}

Acad::ErrorStatus AcDbPlotSettings::setPlotPaperSize(double width, double height)
{
    QV_SETTER((m_paper[0] = width, m_paper[1] = height))
}

void AcDbPlotSettings::getPlotWindowArea(double& xmin, double& ymin, double& xmax, double& ymax) const
{
    xmin = m_window[0];
    ymin = m_window[1];
    xmax = m_window[2];
    ymax = m_window[3];
}

Acad::ErrorStatus AcDbPlotSettings::setPlotWindowArea(double xmin, double ymin, double xmax, double ymax)
{
    QV_SETTER((m_window[0] = xmin, m_window[1] = ymin, m_window[2] = xmax, m_window[3] = ymax))
}

Acad::ErrorStatus AcDbPlotSettings::copyFrom(const AcDbPlotSettings* o)
{
    if (!o)
        return Acad::eNullObjectPointer;
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    const int model = m_flags & kModelType;
    m_pageSetupName = o->m_pageSetupName;
    m_plotCfgName = o->m_plotCfgName;
    m_mediaName = o->m_mediaName;
    m_viewName = o->m_viewName;
    m_styleSheet = o->m_styleSheet;
    std::copy(std::begin(o->m_margins), std::end(o->m_margins), m_margins);
    std::copy(std::begin(o->m_paper), std::end(o->m_paper), m_paper);
    std::copy(std::begin(o->m_origin), std::end(o->m_origin), m_origin);
    std::copy(std::begin(o->m_window), std::end(o->m_window), m_window);
    m_numerator = o->m_numerator;
    m_denominator = o->m_denominator;
    m_stdScale = o->m_stdScale;
    m_flags = (o->m_flags & ~kModelType) | model;
    m_paperUnits = o->m_paperUnits;
    m_rotation = o->m_rotation;
    m_plotType = o->m_plotType;
    m_stdScaleType = o->m_stdScaleType;
    m_shadeMode = o->m_shadeMode;
    m_resolution = o->m_resolution;
    m_dpi = o->m_dpi;
    return Acad::eOk;
}

bool AcDbPlotSettings::dxfInField(DxfIn& in, const Token& t)
{
    if (in.subclass() != "AcDbPlotSettings")
        return false;
    switch (t.code) {
    case 1: m_pageSetupName = t.value; return true;
    case 2: m_plotCfgName = t.value; return true;
    case 4: m_mediaName = t.value; return true;
    case 6: m_viewName = t.value; return true;
    case 7: m_styleSheet = t.value; return true;
    case 40: case 41: case 42: case 43: m_margins[t.code - 40] = in.real(t); return true;
    case 44: case 45: m_paper[t.code - 44] = in.real(t); return true;
    case 46: case 47: m_origin[t.code - 46] = in.real(t); return true;
    case 48: case 49: m_window[t.code - 48] = in.real(t); return true;
    case 140: case 141: m_window[t.code - 138] = in.real(t); return true;
    case 142: m_numerator = in.real(t); return true;
    case 143: m_denominator = in.real(t); return true;
    case 70: m_flags = in.integer(t); return true;
    case 72: m_paperUnits = static_cast<PlotPaperUnits>(in.integer(t)); return true;
    case 73: m_rotation = static_cast<PlotRotation>(in.integer(t)); return true;
    case 74: m_plotType = static_cast<PlotType>(in.integer(t)); return true;
    case 75: m_stdScaleType = in.integer(t); return true;
    case 76: m_shadeMode = in.integer(t); return true;
    case 77: m_resolution = in.integer(t); return true;
    case 78: m_dpi = in.integer(t); return true;
    case 147: m_stdScale = in.real(t); return true;
    case 148: case 149: m_imageOrigin[t.code - 148] = in.real(t); return true;
    }
    return false;
}

void AcDbPlotSettings::dxfOutFields(DxfOut& out) const
{
    out.subclass("AcDbPlotSettings");
    out.tag(1, m_pageSetupName);
    out.tag(2, m_plotCfgName);
    out.tag(4, m_mediaName);
    out.tag(6, m_viewName);
    for (int i = 0; i < 4; ++i)
        out.real(40 + i, m_margins[i]);
    out.real(44, m_paper[0]);
    out.real(45, m_paper[1]);
    out.real(46, m_origin[0]);
    out.real(47, m_origin[1]);
    out.real(48, m_window[0]);
    out.real(49, m_window[1]);
    out.real(140, m_window[2]);
    out.real(141, m_window[3]);
    out.real(142, m_numerator);
    out.real(143, m_denominator);
    out.integer(70, m_flags);
    out.integer(72, m_paperUnits);
    out.integer(73, m_rotation);
    out.integer(74, m_plotType);
    out.tag(7, m_styleSheet);
    out.integer(75, m_stdScaleType);
    out.integer(76, m_shadeMode);
    out.integer(77, m_resolution);
    out.integer(78, m_dpi);
    out.real(147, m_stdScale);
    out.real(148, m_imageOrigin[0]);
    out.real(149, m_imageOrigin[1]);
}

// ---- AcDbLayout ----

Acad::ErrorStatus AcDbLayout::getName(const char*& name) const
{
    name = m_name.c_str();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLayout::getName(CString& name) const
{
    name = CString(m_name);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLayout::setLayoutName(const char* name)
{
    if (!name || !*name)
        return Acad::eInvalidInput;
    QV_SETTER(m_name = name)
}

Acad::ErrorStatus AcDbLayout::setTabOrder(int order) { QV_SETTER(m_tabOrder = order) }

Acad::ErrorStatus AcDbLayout::setBlockTableRecordId(AcDbObjectId id)
{
    if (!AcDbBlockTableRecord::cast(id.object()))
        return Acad::eInvalidInput;
    QV_SETTER(m_block = id)
}

AcDbObjectIdArray AcDbLayout::getViewportArray() const
{
    AcDbObjectIdArray ids;
    if (const auto* btr = AcDbBlockTableRecord::cast(m_block.object()))
        for (const AcDbObjectId& id : btr->entityIds())
            if (!id.isErased() && AcDbViewport::cast(id.object()))
                ids.push_back(id);
    return ids;
}

void AcDbLayout::getLimits(AcGePoint2d& min, AcGePoint2d& max) const
{
    min = {m_limits[0], m_limits[1]};
    max = {m_limits[2], m_limits[3]};
}

bool AcDbLayout::dxfInField(DxfIn& in, const Token& t)
{
    if (in.subclass() != "AcDbLayout")
        return AcDbPlotSettings::dxfInField(in, t);
    switch (t.code) {
    case 1: m_name = t.value; return true;
    case 70: m_layoutFlags = in.integer(t); return true;
    case 71: m_tabOrder = in.integer(t); return true;
    case 10: case 20: m_limits[t.code == 10 ? 0 : 1] = in.real(t); return true;
    case 11: case 21: m_limits[t.code == 11 ? 2 : 3] = in.real(t); return true;
    case 330: m_block = in.reference(t, true); return true;
    case 331: m_lastViewport = in.reference(t, false); return true;
    case 146: m_elevation = in.real(t); return true;
    case 76: m_ucsOrthoType = in.integer(t); return true;
    }
    return in.pointPart(t, 12, m_base) || in.pointPart(t, 14, m_extMin) || in.pointPart(t, 15, m_extMax)
        || in.pointPart(t, 13, m_ucsOrigin) || in.vectorPart(t, 16, m_ucsX) || in.vectorPart(t, 17, m_ucsY);
}

void AcDbLayout::dxfOutFields(DxfOut& out) const
{
    AcDbPlotSettings::dxfOutFields(out);
    out.subclass("AcDbLayout");
    out.tag(1, m_name);
    out.integer(70, m_layoutFlags);
    out.integer(71, m_tabOrder);
    out.point2d(10, m_limits[0], m_limits[1]);
    out.point2d(11, m_limits[2], m_limits[3]);
    out.point(12, m_base);
    out.point(14, m_extMin);
    out.point(15, m_extMax);
    out.real(146, m_elevation);
    out.point(13, m_ucsOrigin);
    out.vector(16, m_ucsX);
    out.vector(17, m_ucsY);
    out.integer(76, m_ucsOrthoType);
    out.id(330, m_block);
    if (m_lastViewport.isValid() && !m_lastViewport.isErased())
        out.id(331, m_lastViewport);
}

// ---- AcDbLayoutManager ----

namespace {

AcDbDatabase* dbOr(AcDbDatabase* db) { return db ? db : acdbHostApplicationServices()->workingDatabase(); }

AcDbDictionary* layoutDictionary(AcDbDatabase* db)
{
    return db ? AcDbDictionary::cast(db->layoutDictionaryId().object()) : nullptr;
}

AcDbLayout* layoutOfBlock(AcDbObjectId btrId)
{
    const auto* btr = AcDbBlockTableRecord::cast(btrId.object());
    return btr ? AcDbLayout::cast(btr->getLayoutId().object()) : nullptr;
}

} // namespace

AcDbObjectId AcDbLayoutManager::findLayoutNamed(const char* name, AcDbDatabase* db) const
{
    AcDbObjectId id;
    if (AcDbDictionary* dict = layoutDictionary(dbOr(db)))
        dict->getAt(name, id);
    return id;
}

bool AcDbLayoutManager::layoutExists(const char* name, AcDbDatabase* db) const
{
    return !findLayoutNamed(name, db).isNull();
}

Acad::ErrorStatus AcDbLayoutManager::setCurrentLayout(const char* name, AcDbDatabase* db)
{
    db = dbOr(db);
    const auto* layout = AcDbLayout::cast(findLayoutNamed(name, db).object());
    if (!layout)
        return Acad::eKeyNotFound;
    if (layout->modelType()) {
        db->setTilemode(true);
        return Acad::eOk;
    }
    auto* table = AcDbBlockTable::cast(db->blockTableId().object());
    const AcDbObjectId current = db->paperSpaceId();
    const AcDbObjectId wanted = layout->getBlockTableRecordId();
    if (current != wanted) {
        auto* a = AcDbBlockTableRecord::cast(current.object());
        auto* b = AcDbBlockTableRecord::cast(wanted.object());
        if (!a || !b)
            return Acad::eInvalidLayout;
        const std::string nameA = a->name(), nameB = b->name();
        table->renameRecord(current, nameA, "*Paper_Space_swap");
        table->renameRecord(wanted, nameB, nameA);
        table->renameRecord(current, "*Paper_Space_swap", nameB);
    }
    db->setTilemode(false);
    return Acad::eOk;
}

AcDbObjectId AcDbLayoutManager::getActiveLayoutBTRId(AcDbDatabase* db) const
{
    db = dbOr(db);
    return db ? (db->tilemode() ? db->modelSpaceId() : db->paperSpaceId()) : AcDbObjectId();
}

AcDbObjectId AcDbLayoutManager::getActiveLayoutId(AcDbDatabase* db) const
{
    const AcDbLayout* layout = layoutOfBlock(getActiveLayoutBTRId(db));
    return layout ? layout->objectId() : AcDbObjectId();
}

Acad::ErrorStatus AcDbLayoutManager::getActiveLayoutName(CString& name, bool allowModel, AcDbDatabase* db) const
{
    db = dbOr(db);
    if (!db)
        return Acad::eNoDatabase;
    const AcDbLayout* layout = layoutOfBlock(allowModel || !db->tilemode() ? getActiveLayoutBTRId(db) : db->paperSpaceId());
    if (!layout)
        return Acad::eNoLayout;
    name = CString(layout->name());
    return Acad::eOk;
}

int AcDbLayoutManager::countLayouts(AcDbDatabase* db) const
{
    AcDbDictionary* dict = layoutDictionary(dbOr(db));
    return dict ? static_cast<int>(dict->numEntries()) : 0;
}

Acad::ErrorStatus AcDbLayoutManager::createLayout(const char* name, AcDbObjectId& layoutId, AcDbObjectId& blockId,
                                                  AcDbDatabase* db)
{
    db = dbOr(db);
    AcDbDictionary* dict = layoutDictionary(db);
    auto* table = db ? AcDbBlockTable::cast(db->blockTableId().object()) : nullptr;
    if (!dict || !table || !name || !*name)
        return Acad::eInvalidInput;
    if (dict->has(name))
        return Acad::eDuplicateRecordName;
    std::string blockName;
    for (int n = 0; blockName.empty() || table->has(blockName.c_str()); ++n)
        blockName = "*Paper_Space" + std::to_string(n);
    if (dict->openAs(AcDb::kForWrite) != Acad::eOk || table->openAs(AcDb::kForWrite) != Acad::eOk)
        return Acad::eWasOpenForWrite;
    auto* btr = new AcDbBlockTableRecord;
    btr->setName(blockName.c_str());
    table->add(blockId, btr);
    auto* layout = new AcDbLayout;
    layout->setLayoutName(name);
    layout->setTabOrder(countLayouts(db));
    dict->setAt(name, layout, layoutId);
    layout->setBlockTableRecordId(blockId);
    btr->setLayoutId(layoutId);
    layout->close();
    btr->close();
    table->close();
    dict->close();
    return Acad::eOk;
}

AcDbLayoutManager* acdbLayoutManager()
{
    static AcDbLayoutManager manager;
    return &manager;
}
