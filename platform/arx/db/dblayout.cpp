#include "arx/dblayout.h"

#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbsymtb.h"
#include "arx/dbviewport.h"
#include "dbobjectimpl.h"

#include <cstdint>

ACRX_DEFINE_MEMBERS(AcDbPlotSettings, AcDbObject, "PLOTSETTINGS")
ACRX_DEFINE_MEMBERS(AcDbLayout, AcDbPlotSettings, "LAYOUT")

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
Acad::ErrorStatus AcDbPlotSettings::setPlotType(PlotType type) { QV_CHECKED_SETTER(type >= kDisplay && type <= kLayout, m_plotType = type) }

Acad::ErrorStatus AcDbPlotSettings::setPlotRotation(PlotRotation rotation)
{
    QV_CHECKED_SETTER(rotation >= k0degrees && rotation <= k270degrees, m_rotation = rotation)
}

Acad::ErrorStatus AcDbPlotSettings::setPlotPaperUnits(PlotPaperUnits units)
{
    QV_CHECKED_SETTER(units >= kInches && units <= kPixels, m_paperUnits = units)
}

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
    if (numerator <= 0 || denominator <= 0 || !allFinite(numerator, denominator))
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
    QV_CHECKED_SETTER(allFinite(width, height), (m_paper[0] = width, m_paper[1] = height))
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
    QV_CHECKED_SETTER(allFinite(xmin, ymin, xmax, ymax),
                      (m_window[0] = xmin, m_window[1] = ymin, m_window[2] = xmax, m_window[3] = ymax))
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

std::vector<Field> AcDbPlotSettings::plotSettingsFields()
{
    using P = AcDbPlotSettings;
    return {
        subclass("AcDbPlotSettings"),
        text<&P::m_pageSetupName>(1),
        text<&P::m_plotCfgName>(2),
        text<&P::m_mediaName>(4),
        text<&P::m_viewName>(6),
        realAt<&P::m_margins, 0>(40),
        realAt<&P::m_margins, 1>(41),
        realAt<&P::m_margins, 2>(42),
        realAt<&P::m_margins, 3>(43),
        realAt<&P::m_paper, 0>(44),
        realAt<&P::m_paper, 1>(45),
        realAt<&P::m_origin, 0>(46),
        realAt<&P::m_origin, 1>(47),
        realAt<&P::m_window, 0>(48),
        realAt<&P::m_window, 1>(49),
        realAt<&P::m_window, 2>(140),
        realAt<&P::m_window, 3>(141),
        real<&P::m_numerator>(142),
        real<&P::m_denominator>(143),
        integer<&P::m_flags>(70),
        integer<&P::m_paperUnits>(72).range(kInches, kPixels),
        integer<&P::m_rotation>(73).range(k0degrees, k270degrees),
        integer<&P::m_plotType>(74).range(kDisplay, kLayout),
        text<&P::m_styleSheet>(7),
        integer<&P::m_stdScaleType>(75).range(0, 34),
        integer<&P::m_shadeMode>(76),
        integer<&P::m_resolution>(77),
        integer<&P::m_dpi>(78),
        real<&P::m_stdScale>(147),
        realAt<&P::m_imageOrigin, 0>(148),
        realAt<&P::m_imageOrigin, 1>(149),
    };
}

const FieldTable& AcDbPlotSettings::dxfTable() const
{
    static const FieldTable table({plotSettingsFields()});
    return table;
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

Acad::ErrorStatus AcDbLayout::setTabOrder(int order) { QV_CHECKED_SETTER(order >= 0 && order <= INT16_MAX, m_tabOrder = order) }

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
    min = m_limMin;
    max = m_limMax;
}

const FieldTable& AcDbLayout::dxfTable() const
{
    using L = AcDbLayout;
    static const FieldTable table({plotSettingsFields(), {
        subclass("AcDbLayout"),
        nameText<&L::m_name>(1),
        integer<&L::m_layoutFlags>(70),
        integer<&L::m_tabOrder>(71),
        point2d<&L::m_limMin>(10),
        point2d<&L::m_limMax>(11),
        point<&L::m_base>(12),
        point<&L::m_extMin>(14),
        point<&L::m_extMax>(15),
        real<&L::m_elevation>(146),
        point<&L::m_ucsOrigin>(13),
        vector<&L::m_ucsX>(16),
        vector<&L::m_ucsY>(17),
        integer<&L::m_ucsOrthoType>(76),
        reference<&L::m_block>(330),   // a block record the file lacks is repaired
        reference<&L::m_lastViewport>(331).omittingEmpty(),
    }});
    return table;
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
