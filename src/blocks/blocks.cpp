#include "blocks/blocks.h"

#include "arx/dbdatabase.h"
#include "blocks/blockdwgbuilding.h"
#include "blocks/blockdwgfloor.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blockdwgsite.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "owning.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"

#include <algorithm>
#include <vector>

namespace {

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

int selectInserts(const char* blockName, ads_name selectionSet)
{
    resbuf* chain = blockName ? acutBuildList(RTDXF0, "INSERT", 2, blockName, 0) : acutBuildList(RTDXF0, "INSERT", 0);
    const Chain filter(chain, acutRelRb);
    return acedSSGet("X", nullptr, nullptr, filter.get(), selectionSet);
}

CString definitionName(const AcDbBlockReference* reference, bool& opened)
{
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead);
    opened = static_cast<bool>(definition);
    return opened ? CString(definition->name()) : CString();
}

} // namespace

CBlocks::~CBlocks()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

int CBlocks::addBlock(CBlock* block)
{
    return kavroGuard("CBlocks::addBlock", __FILE__, [&] {
        m_blocks.Add(block);
        return count();
    });
}

MSXML2::IXMLDOMNodePtr CBlocks::serialize(CString namespaceURI) const
{
    return kavroGuard("CBlocks::serialize", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr element = CXMLUtilities().createNode("kavroBlocks", namespaceURI);
        for (CBlock* block : m_blocks)
            if (const auto* drawn = dynamic_cast<const CBlockDWG*>(block))
                element->appendChild(drawn->serialize(namespaceURI));
        return element;
    });
}

void CBlocks::deSerialize(MSXML2::IXMLDOMNodeListPtr nodes, CHatch* hatch)
{
    kavroGuard("CBlocks::deSerialize", __FILE__, [&] {
        if (!nodes)
            return;
        for (long i = 0; i < nodes->get_length(); ++i) {
            const MSXML2::IXMLDOMNodePtr node = nodes->get_item(i);
            if (node->get_baseName() != "kavroBlock")
                continue;
            auto block = std::make_unique<CBlockDWG>();
            block->deSerialize(node, hatch);
            addBlock(block.get());
            block.release();
        }
    });
}

CBlock* CBlocks::getAt(int index) const
{
    return kavroGuard("CBlocks::getAt", __FILE__, [&] { return m_blocks.GetAt(index); });
}

CBlock* CBlocks::getAt(CString handle) const
{
    return kavroGuard("CBlocks::getAt", __FILE__, [&] {
        return findFirst(m_blocks, [&](const CBlock* block) { return block->getHandle() == handle; });
    });
}

CBlock* CBlocks::getByCode(CString code) const
{
    return kavroGuard("CBlocks::getByCode", __FILE__, [&] {
        return findFirst(m_blocks, [&](const CBlock* block) { return block->getCode() == code; });
    });
}

void CBlocks::replaceAt(int index, CBlock* block)
{
    kavroGuard("CBlocks::replaceAt", __FILE__, [&] {
        CBlock* replaced = m_blocks.GetAt(index);
        m_blocks.SetAt(index, block);
        deleteObject(replaced);
    });
}

void CBlocks::deleteObject(CBlock* block)
{
    kavroGuard("CBlocks::deleteObject", __FILE__, [&] {
        if (block && block->getBlockType() == kBlock)
            delete block;
    });
}

void CBlocks::deleteObjects()
{
    kavroGuard("CBlocks::deleteObjects", __FILE__, [&] {
        for (CBlock* block : m_blocks)
            deleteObject(block);
        m_blocks.RemoveAll();
    });
}

void CBlocks::destroyBlocks()
{
    kavroGuard("CBlocks::destroyBlocks", __FILE__, [&] { deleteAll(m_blocks); });
}

void CBlocks::sortBlocksByHandle(int ascending)
{
    kavroGuard("CBlocks::sortBlocksByHandle", __FILE__, [&] {
        std::vector<std::pair<int, CBlock*>> keyed;
        for (CBlock* block : m_blocks)
            keyed.emplace_back(CUtilities::_httoi(block->getHandle()), block);
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            return ascending ? a.first < b.first : a.first > b.first;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            m_blocks.SetAt(static_cast<int>(i), keyed[i].second);
    });
}

void CBlocks::zoomToBlocks(CAcadDrawing* drawing, double margin)
{
    kavroGuard("CBlocks::zoomToBlocks", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            throw new CEXUnhandled(lock.status(), KAVRO_PRODUCT_CAPTION, __FILE__, "CBlocks::zoomToBlocks", __LINE__,
                                   CString(), nullptr);
        AcGePoint3d lower(1e30, 1e30, 1e30), upper(-1e30, -1e30, -1e30);
        CAcadUtilities utilities;
        for (const CBlock* any : m_blocks) {
            const auto* block = dynamic_cast<const CBlockDWG*>(any);
            const Opened<AcDbBlockReference> reference =
                openObject<AcDbBlockReference>(block ? block->getObjectId() : AcDbObjectId(), AcDb::kForRead);
            if (!reference)
                continue;
            AcGePoint3d low, high;
            utilities.getBlockExtents(reference.get(), low, high, margin);
            lower.x = std::min(lower.x, low.x);
            lower.y = std::min(lower.y, low.y);
            upper.x = std::max(upper.x, high.x);
            upper.y = std::max(upper.y, high.y);
        }
        drawing->zoomWindow(lower, upper);
    });
}

CString CBlocks::readNameFromXData(AcDbObject* reference)
{
    return kavroGuard("CBlocks::readNameFromXData", __FILE__, [&] {
        Chain record(reference->xData("ADE"), acutRelRb);
        if (!record)
            record.reset(reference->xData("AECXDATA"));
        for (const resbuf* rb = record.get(); rb; rb = rb->rbnext)
            if (rb->restype == 1000 && CString(rb->resval.rstring).Left(5) == "NAME=")
                return CAcadUtilities().extractData(0x11, rb->resval.rstring);
        return CString();
    });
}

int CBlocks::getKavroBlockSS(ads_name selectionSet)
{
    return kavroGuard("CBlocks::getKavroBlockSS", __FILE__, [&] { return selectInserts("ROOM-*", selectionSet); });
}

int CBlocks::getAcadBlockSS(ads_name selectionSet)
{
    return kavroGuard("CBlocks::getAcadBlockSS", __FILE__, [&] { return selectInserts(nullptr, selectionSet); });
}

int CBlocks::getLegendBlockSS(ads_name selectionSet)
{
    return kavroGuard("CBlocks::getLegendBlockSS", __FILE__,
                      [&] { return selectInserts("MARKER-LEGEND", selectionSet); });
}

int CBlocks::getPieBlockSS(ads_name selectionSet)
{
    return kavroGuard("CBlocks::getPieBlockSS", __FILE__,
                      [&] { return selectInserts("MARKER-PIECHART", selectionSet); });
}

// Gross-area blocks are named "ROOM-GROSS_AREA" or carry the name "GROSS AREA" in their
// record; the drawing kind "f" makes floors and rooms, any other sites and buildings.
CBlock* CBlocks::kindOf(AcDbBlockReference* reference, const CString& name, AcApDocument* document,
                        int collectAssets, const CString& drawingKind)
{
    const CString recordName = readNameFromXData(reference);
    const bool grossArea = name == "ROOM-GROSS_AREA" || recordName == "GROSS AREA";
    const bool floors = drawingKind == "f";
    if (grossArea)
        return floors ? static_cast<CBlock*>(new CBlockDWGFloor(reference, document))
                      : new CBlockDWGSite(reference, document);
    return floors ? static_cast<CBlock*>(new CBlockDWGRoom(reference, document, collectAssets))
                  : new CBlockDWGBuilding(reference, document);
}

template <class Make>
void CBlocks::load(CAcadDrawing* drawing, int (CBlocks::*select)(ads_name), Make&& make)
{
    SelectionSet set;
    if (set.take((this->*select)(set.name())) != RTNORM)
        return;
    set.forEachId([&](AcDbObjectId id) {
        const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForRead);
        auto* reference = AcDbBlockReference::cast(entity.get());
        bool opened = false;
        const CString name = reference ? definitionName(reference, opened) : CString();
        if (!opened)
            return;
        if (CBlock* block = make(reference, drawing->getDocument(), name))
            addBlock(block);
    });
}

void CBlocks::getKavroDWGBlocks_SS(CAcadDrawing* drawing, void*, int collectAssets, CString drawingKind)
{
    kavroGuard("CBlocks::getKavroDWGBlocks_SS", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        drawing->zoomExtents();
        load(drawing, &CBlocks::getKavroBlockSS,
             [&](AcDbBlockReference* reference, AcApDocument* document, const CString& name) -> CBlock* {
                 return name == "MARKER-LEGEND" ? nullptr
                                                : kindOf(reference, name, document, collectAssets, drawingKind);
             });
        drawing->zoomPrevious();
    });
}

void CBlocks::getKavroDWGBlocks_I(CAcadDrawing* drawing, void*, int collectAssets, CString drawingKind)
{
    kavroGuard("CBlocks::getKavroDWGBlocks_I", __FILE__, [&] {
        if (!drawing->isOpen())
            return;
        AcDbBlockTable* rawTable = nullptr;
        if (drawing->getDocument()->database()->getSymbolTable(rawTable, AcDb::kForRead) != Acad::eOk)
            return;
        Opened<AcDbBlockTable> table(rawTable);
        AcDbBlockTableRecord* rawSpace = nullptr;
        if (table->getAt(ACDB_MODEL_SPACE, rawSpace, AcDb::kForRead) != Acad::eOk)
            return;
        const Opened<AcDbBlockTableRecord> modelSpace(rawSpace);
        table.reset();
        forEachEntity(modelSpace.get(), AcDb::kForRead, [&](AcDbEntity* entity) {
            auto* reference = AcDbBlockReference::cast(entity);
            bool opened = false;
            const CString name = reference ? definitionName(reference, opened) : CString();
            if (opened && name != "MARKER-LEGEND" && name != "MARKER-PIECHART")
                addBlock(kindOf(reference, name, drawing->getDocument(), collectAssets, drawingKind));
            return true;
        });
    });
}

void CBlocks::getAcadBlocks(CAcadDrawing* drawing, void*)
{
    kavroGuard("CBlocks::getAcadBlocks", __FILE__, [&] {
        drawing->zoomExtents();
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        load(drawing, &CBlocks::getAcadBlockSS,
             [](AcDbBlockReference* reference, AcApDocument* document, const CString&) -> CBlock* {
                 return new CBlockDWG(reference, document);
             });
        drawing->zoomPrevious();
    });
}

void CBlocks::getLegendBlock_SS(CAcadDrawing* drawing)
{
    kavroGuard("CBlocks::getLegendBlock_SS", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        drawing->zoomExtents();
        load(drawing, &CBlocks::getLegendBlockSS,
             [](AcDbBlockReference* reference, AcApDocument* document, const CString& name) -> CBlock* {
                 return name == "MARKER-LEGEND" ? new CMarkerBlockLegend(reference, document) : nullptr;
             });
        drawing->zoomPrevious();
    });
}

void CBlocks::getPieBlock_SS(CAcadDrawing* drawing)
{
    kavroGuard("CBlocks::getPieBlock_SS", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        drawing->zoomExtents();
        load(drawing, &CBlocks::getPieBlockSS,
             [](AcDbBlockReference* reference, AcApDocument* document, const CString& name) -> CBlock* {
                 return name == "MARKER-PIECHART" ? new CMarkerBlockPie(reference, document) : nullptr;
             });
        drawing->zoomPrevious();
    });
}
