#include "blocks/blocks.h"

#include "arx/dbdatabase.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/blockdwgbuilding.h"
#include "blocks/blockdwgfloor.h"
#include "blocks/blockdwgroom.h"
#include "blocks/blockdwgsite.h"
#include "blocks/blockqpxbuilding.h"
#include "blocks/blockqpxfloor.h"
#include "blocks/blockqpxroom.h"
#include "blocks/blockqpxsite.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "blocks/markerblocklegend.h"
#include "blocks/markerblockpie.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "owning.h"
#include "procedurecall.h"
#include "database/rowset.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// The key of the item that names the space in its record.
constexpr std::string_view kNameKey = "NAME=";

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

// The drawing zoomed to its extents while the loaders select from it, and the previous
// view restored on every way out, a block that fails to build included.
class ExtentsView
{
public:
    explicit ExtentsView(CAcadDrawing* drawing) : m_drawing(drawing) { m_drawing->zoomExtents(); }
    ~ExtentsView()
    {
        cleanUpQuietly([this] { m_drawing->zoomPrevious(); });
    }
    ExtentsView(const ExtentsView&) = delete;
    ExtentsView& operator=(const ExtentsView&) = delete;

private:
    CAcadDrawing* m_drawing;
};

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

// The NAME, AREA and AUX texts of a category row, each that is neither NULL nor empty.
CAttributes* swappedAttributes(const RowSet& rows)
{
    auto attributes = std::make_unique<CAttributes>();
    const char* columns[] = {"mbSwapName", "mbSwapArea", "mbSwapAux"};
    for (int kind = kNameAttribute; kind <= kAuxAttribute; ++kind) {
        CString value;
        if (!rows.text(columns[kind], value) || value.IsEmpty())
            continue;
        auto attribute = std::make_unique<CKavroAttribute>();
        attribute->setKind(kind);
        attribute->setValue(value);
        attributes->adopt(attribute.release());
    }
    return attributes.release();
}

// The register block of a row's type text: only "r", "f" and "b" (exactly) name a room, a
// floor or a building; anything else is a site.
std::unique_ptr<CBlockQPX> registerKindOf(const CString& type)
{
    if (type == "r")
        return std::make_unique<CBlockQPXRoom>();
    if (type == "f")
        return std::make_unique<CBlockQPXFloor>();
    if (type == "b")
        return std::make_unique<CBlockQPXBuilding>();
    return std::make_unique<CBlockQPXSite>();
}

// The register's status text: a first character "0" means the space exists, a second
// character "1" that it is a duplicate.
void readStatus(CBlockQPX* block, const CString& status)
{
    if (status.GetLength() > 0 && status[0] == '0')
        block->setStatusExists(1);
    if (status.GetLength() > 1 && status[1] == '1')
        block->setStatusDuplicate(1);
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

CBlockQPX* CBlocks::getAtQPXBlock(int locationID) const
{
    return kavroGuard("CBlocks::getAtQPXBlock", __FILE__, [&]() -> CBlockQPX* {
        for (CBlock* block : m_blocks)
            if (auto* qpx = dynamic_cast<CBlockQPX*>(block); qpx && qpx->getLocationID() == locationID)
                return qpx;
        return nullptr;
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
        std::vector<std::pair<std::uint64_t, CBlock*>> keyed;
        for (CBlock* block : m_blocks)
            keyed.emplace_back(CUtilities::handleValue(block->getHandle()), block);
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
        // With nothing measured the window would be inverted: the view stays as it is.
        if (lower.x <= upper.x && lower.y <= upper.y)
            drawing->zoomWindow(lower, upper);
    });
}

CString CBlocks::readNameFromXData(AcDbObject* reference)
{
    return kavroGuard("CBlocks::readNameFromXData", __FILE__, [&] {
        std::optional<std::string_view> name;
        auto visit = [&](int code, std::string_view text) {
            if (!name && code == 1000 && text.starts_with(kNameKey))
                name = text.substr(kNameKey.size());
        };
        if (!reference->visitXData("ADE", visit))
            reference->visitXData("AECXDATA", visit);
        return name ? CString(*name) : CString();
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
// record; the drawing kind "f" makes floors and rooms, any other sites and buildings. The
// record is read once, for its name and for the block; only a record that cannot be read
// leaves the name to be looked for as readNameFromXData does.
CBlock* CBlocks::kindOf(AcDbBlockReference* reference, const CString& name, AcApDocument* document,
                        int collectAssets, const CString& drawingKind)
{
    const CBlockDWG::Record record = CBlockDWG::readRecord(reference);
    CString recordName;
    if (!record.readable())
        recordName = readNameFromXData(reference);
    else if (const auto named = std::find_if(record.texts.begin(), record.texts.end(),
                                             [](std::string_view text) { return text.starts_with(kNameKey); });
             named != record.texts.end())
        recordName = CString(named->substr(kNameKey.size()));
    const bool grossArea = name == "ROOM-GROSS_AREA" || recordName == "GROSS AREA";
    const bool floors = drawingKind == "f";
    if (grossArea)
        return floors ? static_cast<CBlock*>(new CBlockDWGFloor(reference, document, &record))
                      : new CBlockDWGSite(reference, document, &record);
    return floors ? static_cast<CBlock*>(new CBlockDWGRoom(reference, document, collectAssets, &record))
                  : new CBlockDWGBuilding(reference, document, &record);
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
        const ExtentsView view(drawing);
        load(drawing, &CBlocks::getKavroBlockSS,
             [&](AcDbBlockReference* reference, AcApDocument* document, const CString& name) -> CBlock* {
                 return name == "MARKER-LEGEND" ? nullptr
                                                : kindOf(reference, name, document, collectAssets, drawingKind);
             });
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
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        const ExtentsView view(drawing);
        load(drawing, &CBlocks::getAcadBlockSS,
             [](AcDbBlockReference* reference, AcApDocument* document, const CString&) -> CBlock* {
                 return new CBlockDWG(reference, document);
             });
    });
}

void CBlocks::getLegendBlock_SS(CAcadDrawing* drawing)
{
    kavroGuard("CBlocks::getLegendBlock_SS", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        const ExtentsView view(drawing);
        load(drawing, &CBlocks::getLegendBlockSS,
             [](AcDbBlockReference* reference, AcApDocument* document, const CString& name) -> CBlock* {
                 return name == "MARKER-LEGEND" ? new CMarkerBlockLegend(reference, document) : nullptr;
             });
    });
}

void CBlocks::getPieBlock_SS(CAcadDrawing* drawing)
{
    kavroGuard("CBlocks::getPieBlock_SS", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        const ExtentsView view(drawing);
        load(drawing, &CBlocks::getPieBlockSS,
             [](AcDbBlockReference* reference, AcApDocument* document, const CString& name) -> CBlock* {
                 return name == "MARKER-PIECHART" ? new CMarkerBlockPie(reference, document) : nullptr;
             });
    });
}

void CBlocks::getCategoryDWGBlocks(CStoredProcedure* procedure, int timeout, int categoryID, CHatch* hatch)
{
    const char* procSig = "CBlocks::getCategoryDWGBlocks";
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, procSig, __FILE__, [&] {
        procedurecall::addInt(parameters, "@categoryID", categoryID);
        // The procedure keeps the time-out it holds; the hyperlink reads take the given one.
        procedure->setName("__gr_getCategoryBlocks");
        attached.attach(procedure, &parameters);
        RowSet rows(procedure->execSPReturnParas());
        rows.forEachRow([&] {
            auto block = std::make_unique<CBlockDWG>();
            CString text;
            if (rows.text("mbHandle", text))
                block->setHandle(text);
            if (rows.text("mbName", text))
                block->setName(text);
            if (rows.text("mbCode", text))
                block->setCode(text);
            if (double area = 0.0; rows.number("mbArea", area))
                block->setArea(area);
            block->setAttributes(swappedAttributes(rows));
            auto hyperlinks = std::make_unique<CHyperlinks>();
            hyperlinks->getBlockHyperlinks(procedure, timeout, categoryID, block->getHandle());
            if (hyperlinks->getCount() > 0)
                block->setHyperlinks(hyperlinks.release());
            if (hatch)
                block->setHatch(copyOf(*hatch));
            addBlock(block.release());
        });
    });
}

void CBlocks::getQPXBlocks(CStoredProcedure* procedure, int timeout, int parentID, int withAssets)
{
    const char* procSig = "CBlocks::getQPXBlocks";
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, procSig, __FILE__, [&] {
        procedurecall::addInt(parameters, "@parentID", parentID);
        // The procedure keeps the time-out it holds; the asset reads take the given one.
        procedure->setName("__to_getBlocksFromQPX");
        attached.attach(procedure, &parameters);
        RowSet rows(procedure->execSPReturnParas());
        rows.forEachRow([&] {
            const int id = rows.integer("id");
            std::unique_ptr<CBlockQPX> block = registerKindOf(rows.text("type"));
            if (block->getBlockType() == kBlockQPXRoom && withAssets) {
                block->setAssets(new CAssets);
                block->getAssets()->getLocationAssets(procedure, id, timeout);
            }
            block->setLocationID(id);
            block->setParentID(rows.integer("parentid"));
            block->setName(rows.text("name"));
            block->setCode(rows.text("code"));
            readStatus(block.get(), rows.text("status"));
            CString text;
            if (double area = 0.0; rows.number("area", area))
                block->setArea(area);
            if (rows.text("handle", text))
                block->setHandle(text);
            if (double perimeter = 0.0; rows.number("perimeter", perimeter))
                block->setPerimeter(perimeter);
            addBlock(block.release());
        });
    });
}
