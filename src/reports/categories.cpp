#include "reports/categories.h"

#include "blocks/assets.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "database/parameterint.h"
#include "database/parameters.h"
#include "database/procedureguard.h"
#include "database/rowset.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlitems.h"

#include <memory>

CCategories::~CCategories()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

MSXML2::IXMLDOMNodePtr CCategories::serialize(CString namespaceURI)
{
    return kavroGuard("CCategories::serialize", __FILE__,
                      [&] { return serializeItems("categories", namespaceURI, m_categories, m_count); });
}

void CCategories::deSerialize(MSXML2::IXMLDOMNodeListPtr nodes)
{
    kavroGuard("CCategories::deSerialize", __FILE__, [&] {
        deSerializeItems<CCategory>(nodes, "category", [this](CCategory* category) { add(category); });
    });
}

void CCategories::add(CCategory* category)
{
    kavroGuard("CCategories::add", __FILE__, [&] {
        std::unique_ptr<CCategory> owned(category);
        if (!owned)
            return;
        for (int i = 0; i < m_count; ++i)
            if (owned->isDuplicateOf(*m_categories.GetAt(i)))
                return;
        m_categories.Add(owned.get());
        owned.release();
        ++m_count;
    });
}

namespace {

// The hatch style of a row whose pattern is not empty: angle, colour, scale and layer in
// that order, a NULL column leaving its setting as it is ("_Kavro" for the layer).
std::unique_ptr<CHatch> hatchOf(const RowSet& row, const CString& pattern)
{
    auto hatch = std::make_unique<CHatch>();
    hatch->setPattern(pattern);
    if (const _variant_t angle = row.value("cHatchAngle"); !angle.isNull())
        hatch->setAngle(static_cast<short>(angle));
    CString colourText;
    if (row.text("cHatchColour", colourText)) {
        AcCmColor colour;
        CUtilities::hashColourToAcad(colourText, colour);
        hatch->setColour(colour);
    }
    if (const _variant_t scale = row.value("cHatchScale"); !scale.isNull())
        hatch->setScale(static_cast<short>(scale));
    CString layer = "_Kavro";
    row.text("cHatchLayer", layer);
    hatch->setLayer(layer);
    return hatch;
}

// The category's space blocks ("__gr_getCategoryBlocks"): the category holds the list while
// it is read, so that it destroys what was read when the read fails; an empty list is dropped.
void readBlocks(CCategory& category, CStoredProcedure* procedure, int timeout)
{
    auto* blocks = new CBlocks;
    category.setBlocks(blocks);
    blocks->getCategoryDWGBlocks(procedure, timeout, category.getID(), category.getHatch());
    if (blocks->count() == 0) {
        category.setBlocks(nullptr);
        delete blocks;
    }
}

// The category's assets ("__gr_getCategoryAssets"), held the same way.
void readAssets(CCategory& category, CStoredProcedure* procedure, int timeout)
{
    auto* assets = new CAssets;
    category.setAssets(assets);
    assets->getCategoryAssets(procedure, timeout, category.getID(), category.getHatch());
    if (assets->getCount() == 0) {
        category.setAssets(nullptr);
        delete assets;
    }
}

} // namespace

void CCategories::getReportCategories(CStoredProcedure* procedure, int graphicReportID, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CCategories::getReportCategories", __FILE__, [&] {
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", graphicReportID);
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getReportCategories");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        if (!rows)
            return;
        RowSet row(rows);
        row.forEachRow([&] {
            auto category = std::make_unique<CCategory>();
            // A NULL id leaves the category at id 0.
            if (const _variant_t id = row.value("cID"); !id.isNull())
                category->setID(static_cast<int>(id));
            if (CString title; row.text("cTitle", title))
                category->setTitle(title);
            if (CString pattern; row.text("cHatchPattern", pattern) && !pattern.IsEmpty())
                category->setHatch(hatchOf(row, pattern).release());
            readBlocks(*category, procedure, timeout);
            readAssets(*category, procedure, timeout);
            // The lists' reads ran their own calls on the procedure: a failure further on
            // is recorded as this call again.
            procedure->setName("__gr_getReportCategories");
            attached.attach(procedure, &parameters);
            add(category.release());
        });
    });
}

void CCategories::deleteObjects()
{
    kavroGuard("CCategories::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_categories.GetSize(); ++i)
            delete m_categories.GetAt(i);
        m_categories.RemoveAll();
        m_count = 0;
    });
}
