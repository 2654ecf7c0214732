#include "blocks/blockdwg.h"

#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbhatch.h"
#include "arx/dbidmapping.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "host/acadhost.h"
#include "host/acadutilities.h"
#include "host/currentucs.h"
#include "host/drawingunit.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "host/planoutline.h"
#include "owning.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// A measure as the record keeps it: at the block's precision, or, when that is unknown,
// with up to 15 significant digits, so that it reads back as the value it was.
CString recordNumber(double value, int precision)
{
    if (precision >= 0)
        return CUtilities::DoubleToCString(value, precision);
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return CString(std::string(buffer, result.ptr));
}

constexpr const char* kNotSet = "<Not Set>";
constexpr const char* kNoXData = "No X Data";

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

bool resolves(const AcDbHandle& handle, AcDbDatabase* database)
{
    AcDbObjectId id;
    return database->getAcDbObjectId(id, false, handle, 0) == Acad::eOk;
}

CString handleText(const AcDbHandle& handle)
{
    char text[17];
    handle.getIntoAsciiBuffer(text, sizeof text);
    return text;
}

// An item of XData: its group code and its text, in parts read end to end (the texts
// they show stay alive while the item is used).
struct Item {
    short code;
    std::array<std::string_view, 3> parts;
};

// Whether a text is the item's parts end to end.
bool isTextOf(std::string_view text, const Item& item)
{
    for (const std::string_view part : item.parts) {
        if (!text.starts_with(part))
            return false;
        text.remove_prefix(part.size());
    }
    return text.empty();
}

// A chain of (group code, text) items.
Chain chainOf(std::span<const Item> items)
{
    resbuf* head = nullptr;
    std::string text;
    for (size_t i = items.size(); i-- > 0;) {
        text.clear();
        for (const std::string_view part : items[i].parts)
            text.append(part);
        resbuf* rb = acutNewRb(items[i].code);
        acutSetRbString(rb, text.c_str());
        rb->rbnext = head;
        head = rb;
    }
    return Chain(head, acutRelRb);
}

// Why a reference did not open, from the open's status.
CString whyNotOpened(Acad::ErrorStatus status)
{
    if (status == Acad::eWasErased)
        return "it has been erased";
    return CString("it cannot be opened (") + acadErrorStatusText(status) + ")";
}

// Why an entity open for read cannot be written (its layer is locked), or empty.
CString whyNotWritable(const AcDbEntity* entity)
{
    const Opened<AcDbLayerTableRecord> layer = openObject<AcDbLayerTableRecord>(entity->layerId(), AcDb::kForRead);
    if (layer && layer->isLocked())
        return "its layer \"" + entity->layer() + "\" is locked";
    return CString();
}

// Whether the object's XData of the application holds the items: their group codes, and
// their texts as texts.
bool holds(const AcDbObject* object, const char* app, std::span<const Item> items)
{
    size_t item = 0;
    bool same = true;
    const bool read = object->visitXData(app, [&](int code, std::string_view text) {
        same = same && item < items.size() && code == items[item].code
               && acutRbValueKind(code) == RbValueKind::kString && isTextOf(text, items[item]);
        ++item;
    });
    return read && same && item == items.size();
}

CString drawingText(const CAcadDrawing* drawing)
{
    return drawing->getPath() + drawing->getFileName();
}

// Moves a definition's outline to where a reference shows it, and back when dropped.
class PlacedOutline
{
public:
    PlacedOutline(AcDbObjectId outline, const AcGeMatrix3d& transform) : m_id(outline), m_transform(transform)
    {
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(m_id, AcDb::kForWrite))
            m_placed = entity->transformBy(m_transform) == Acad::eOk;
    }
    ~PlacedOutline()
    {
        if (!m_placed)
            return;
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(m_id, AcDb::kForWrite))
            entity->transformBy(m_transform.inverse());
    }
    PlacedOutline(const PlacedOutline&) = delete;
    PlacedOutline& operator=(const PlacedOutline&) = delete;

    bool placed() const { return m_placed; }

private:
    AcDbObjectId m_id;
    AcGeMatrix3d m_transform;
    bool m_placed = false;
};

} // namespace

// ---- construction and copies ----

CBlockDWG::CBlockDWG()
{
    kavroGuard("CBlockDWG::CBlockDWG", __FILE__, [&] { initialise(); });
}

bool CBlockDWG::Record::readable() const
{
    return app && !unreadable;
}

CBlockDWG::Record CBlockDWG::readRecord(const AcDbObject* reference)
{
    return kavroGuard("CBlockDWG::readRecord", __FILE__, [&] {
        Record record;
        // Room for the items of a record as this module writes it.
        record.texts.reserve(16);
        for (const char* app : {"ADE", "AECXDATA"}) {
            record.app = app;
            if (reference->visitXData(app, [&](int code, std::string_view text) {
                    if (code == 1000)
                        record.texts.push_back(text);
                }))
                return record;
            // Listed but not readable: the block's record is this one, and it is unknown.
            const std::vector<std::string> present = reference->xDataApplications();
            if (std::find(present.begin(), present.end(), app) != present.end()) {
                record.unreadable = true;
                return record;
            }
        }
        record.app = nullptr;
        return record;
    });
}

CBlockDWG::CBlockDWG(AcDbBlockReference* reference, AcApDocument* document, const Record* record)
{
    kavroGuard("CBlockDWG::CBlockDWG", __FILE__, [&] {
        initialise();
        setHyperlinks(new CHyperlinks(reference));
        m_objectId = reference->objectId();
        m_layer = reference->layer();
        m_colourIndex = reference->colorIndex();
        m_lineWeight = reference->lineWeight();
        if (const Opened<AcDbBlockTableRecord> definition =
                openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
            m_blockName = definition->name();
        setHandle(reference->getAcDbHandle());
        const Record read = record ? Record() : readRecord(reference);
        const Record& held = record ? *record : read;
        m_xDataAppName = held.app ? held.app : kNoXData;
        m_xDataUnreadable = held.unreadable;
        AcDbDatabase* database = document ? document->database() : nullptr;
        for (const std::string_view text : held.texts)
            readItem(text, database);
        m_attributes = std::make_unique<CAttributes>();
        m_attributes->extractSpaceBlockAttributeValues(reference, currentUcs(document->database()));
        if (const CAttribute* name = m_attributes->getAtAttribute(kNameAttribute)) {
            m_code = name->getValue();
            m_name = m_code;
        }
        if (m_name.IsEmpty())
            m_name = m_blockName;
    });
}

CBlockDWG::~CBlockDWG() = default;

void CBlockDWG::initialise()
{
    kavroGuard("CBlockDWG::initialise", __FILE__, [&] {
        m_name.Empty();
        m_area = m_perimeter = m_roomHeight = m_volume = 0.0;
        for (CString* text : {&m_tagType, &m_areaType, &m_costCentre, &m_date, &m_dateLastMove, &m_deptCharge,
                              &m_specialReq, &m_totStaff, &m_totWkStns})
            *text = kNotSet;
        m_units = CMeasureUnits::kUnknown;
        m_precision = -1;
        setBlockType(kBlockDWG);
        m_xDataAppName = "ADE";
        m_xDataUnreadable = false;
        m_hatch.reset();
        m_attributes.reset();
        m_assets.reset();
        m_zoomOnApply = 0;
        m_zoomMargin = 0.0;
    });
}

void CBlockDWG::setHatch(CHatch* hatch)
{
    (void)m_hatch.release();
    m_hatch.reset(hatch);
}

void CBlockDWG::setAttributes(CAttributes* attributes)
{
    (void)m_attributes.release();
    m_attributes.reset(attributes);
}

void CBlockDWG::setAssets(CAssets* assets)
{
    (void)m_assets.release();
    m_assets.reset(assets);
}

void CBlockDWG::setHandle(AcDbHandle handle)
{
    kavroGuard("CBlockDWG::setHandle", __FILE__, [&] {
        m_acDbHandle = handle;
        m_handle = handleText(handle);
    });
}

void CBlockDWG::setHandle(CString text)
{
    kavroGuard("CBlockDWG::setHandle", __FILE__, [&] {
        m_acDbHandle = AcDbHandle(text.GetString());
        m_handle = std::move(text);
    });
}

void CBlockDWG::copyInto(CBlockDWG* target) const
{
    kavroGuard("CBlockDWG::copyInto", __FILE__, [&] {
        if (!target)
            return;
        target->m_objectId = m_objectId;
        target->m_acDbHandle = m_acDbHandle;
        target->m_colourIndex = m_colourIndex;
        target->m_lineWeight = m_lineWeight;
        target->m_blockName = m_blockName;
        target->m_xDataAppName = m_xDataAppName;
        target->m_xDataUnreadable = m_xDataUnreadable;
        for (const AcDbHandle& handle : m_handlesToMinus)
            target->addHandleToMinus(handle, nullptr);
        for (const AcDbHandle& handle : m_handlesToAdd)
            target->addHandleToAdd(handle, nullptr);
        target->m_area = m_area;
        if (m_attributes) {
            target->setAttributes(new CAttributes);
            m_attributes->copyKavroAttributesTo(target->getAttributes());
        }
        if (m_hatch)
            target->setHatch(copyOf(*m_hatch));
        if (m_hyperlinks)
            target->setHyperlinks(copyOf(*m_hyperlinks));
        if (m_assets)
            target->setAssets(copyOf(*m_assets));
        copyTo(target);
    });
}

void CBlockDWG::copyFormatting(CBlockDWG* target) const
{
    kavroGuard("CBlockDWG::copyFormatting", __FILE__, [&] {
        if (!target)
            return;
        target->m_area = m_area;
        if (m_attributes) {
            if (!target->m_attributes)
                target->m_attributes = std::make_unique<CAttributes>();
            CAttributes* set = target->m_attributes.get();
            set->setTextHeight(m_attributes->getTextHeight());
            set->setRotation(m_attributes->getRotation());
            set->setWidthFactor(m_attributes->getWidthFactor());
            for (int i = 0; i < m_attributes->getCount(); ++i) {
                const auto* source = dynamic_cast<const CKavroAttribute*>(m_attributes->getAt(i));
                if (!source)
                    continue;
                if (CAttribute* found = set->getAtAttribute(source->getKind())) {
                    found->setValue(source->getValue());
                    continue;
                }
                auto* made = new CKavroAttribute;
                made->setKind(source->getKind());
                made->setValue(source->getValue());
                set->adopt(made);
            }
        }
        if (m_hatch) {
            if (!target->m_hatch)
                target->m_hatch = std::make_unique<CHatch>();
            target->m_hatch->setAngle(m_hatch->getAngle());
            target->m_hatch->setColour(m_hatch->getColour());
            target->m_hatch->setLayer(m_hatch->getLayer());
            target->m_hatch->setPattern(m_hatch->getPattern());
            target->m_hatch->setScale(m_hatch->getScale());
        }
        if (m_hyperlinks) {
            delete target->m_hyperlinks;
            target->m_hyperlinks = new CHyperlinks;
            for (int i = 0; i < m_hyperlinks->getCount(); ++i)
                target->m_hyperlinks->adopt(new CHyperlink(m_hyperlinks->getAt(i)->getHref(),
                                                         m_hyperlinks->getAt(i)->getDescription()));
        }
    });
}

int CBlockDWG::virtualQuery()
{
    return 0;
}

void CBlockDWG::exportTP(CStoredProcedure*, int, CString) {}

MSXML2::IXMLDOMNodePtr CBlockDWG::serialize(CString namespaceURI) const
{
    return kavroGuard("CBlockDWG::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("kavroBlock", namespaceURI);
        auto append = [&](const char* name, const CString& text) {
            element->appendChild(xml.createNode(name, text, namespaceURI));
        };
        append("mbHandle", m_handle);
        if (!m_name.IsEmpty())
            append("mbName", m_name);
        if (!m_code.IsEmpty())
            append("mbCode", m_code);
        if (m_area != 0.0)
            append("mbArea", CUtilities::DoubleToCString(m_area, 2));
        if (m_attributes) {
            const std::pair<const char*, int> swaps[] = {
                {"mbSwapName", kNameAttribute}, {"mbSwapArea", kAreaAttribute}, {"mbSwapAux", kAuxAttribute}};
            for (const auto& [name, kind] : swaps)
                if (const CAttribute* attribute = m_attributes->getAtAttribute(kind))
                    append(name, attribute->getValue());
        }
        if (m_hyperlinks)
            element->appendChild(m_hyperlinks->serialize(namespaceURI));
        if (m_assets)
            element->appendChild(m_assets->serialize(namespaceURI));
        return element;
    });
}

void CBlockDWG::deSerialize(MSXML2::IXMLDOMNodePtr node, CHatch* hatch)
{
    kavroGuard("CBlockDWG::deSerialize", __FILE__, [&] {
        if (!node || node->get_baseName() != "kavroBlock")
            return;
        if (hatch)
            m_hatch.reset(copyOf(*hatch));
        for (long i = 0; i < node->childCount(); ++i)
            readXMLChild(node->childAt(i));
    });
}

void CBlockDWG::readXMLChild(const MSXML2::IXMLDOMNodePtr& child)
{
    const CString name = child->get_baseName();
    if (name == "mbHandle") {
        setHandle(child->get_text());
    } else if (name == "mbName") {
        m_name = child->get_text();
    } else if (name == "mbCode") {
        m_code = child->get_text();
    } else if (name == "mbArea") {
        m_area = CUtilities::CStringToDouble(child->get_text());
    } else if (name == "mbSwapName" || name == "mbSwapArea" || name == "mbSwapAux") {
        if (!m_attributes)
            m_attributes = std::make_unique<CAttributes>();
        auto attribute = std::make_unique<CKavroAttribute>();
        attribute->setKind(name == "mbSwapName" ? kNameAttribute
                           : name == "mbSwapArea" ? kAreaAttribute
                                                  : kAuxAttribute);
        attribute->setValue(child->get_text());
        // A second value of a kind is refused, and dropped.
        m_attributes->adopt(attribute.release());
    } else if (name == "hyperlinks") {
        auto hyperlinks = std::make_unique<CHyperlinks>();
        hyperlinks->deSerialize(child->get_childNodes());
        delete m_hyperlinks;
        m_hyperlinks = hyperlinks.release();
    } else if (name == "assets") {
        auto assets = std::make_unique<CAssets>();
        assets->deSerialize(child->get_childNodes(), nullptr);
        m_assets = std::move(assets);
    }
}

// ---- the XData record ----

bool CBlockDWG::writeXData(AcDbObject* object)
{
    return kavroGuard("CBlockDWG::writeXData", __FILE__, [&] {
        auto* reference = AcDbBlockReference::cast(object);
        // Writing over a record that could not be read would replace what it holds with
        // defaults, and one whose units are unknown would lose them.
        if (!reference || m_xDataUnreadable || !m_units.known())
            return false;
        bool written = false;
        if (const Acad::ErrorStatus status = storeXData(reference, &written); status != Acad::eOk)
            throw new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, "CBlockDWG::writeXData", __LINE__,
                                   CString(), nullptr);
        return written;
    });
}

Acad::ErrorStatus CBlockDWG::storeXData(AcDbBlockReference* reference, bool* written)
{
    const std::string_view length = m_units.lengthText();
    if (m_xDataAppName == kNoXData)
        m_xDataAppName = "ADE";
    const CAttribute* nameAttribute = m_attributes ? m_attributes->getAtAttribute(kNameAttribute) : nullptr;
    const CString name = nameAttribute ? nameAttribute->getValue() : m_name;
    const CString area = recordNumber(m_area, m_precision), perimeter = recordNumber(m_perimeter, m_precision);
    const CString height = recordNumber(m_roomHeight, m_precision), volume = recordNumber(m_volume, m_precision);
    const CString toMinus = listText(m_handlesToMinus), toAdd = listText(m_handlesToAdd);
    const Item record[] = {
        {1001, {m_xDataAppName.str()}},
        {1002, {"{"}},
        {1000, {"AREA=", area.str(), m_units.areaText()}},
        {1000, {"PERIMETER=", perimeter.str(), length}},
        {1000, {"NAME=", name.str()}},
        {1000, {"TAGTYPE=", m_tagType.str()}},
        {1000, {"AREA_TYPE=", m_areaType.str()}},
        {1000, {"COST_CENTRE=", m_costCentre.str()}},
        {1000, {"DATE=", m_date.str()}},
        {1000, {"DATE_L_MOVE=", m_dateLastMove.str()}},
        {1000, {"DEPT_CHARGE=", m_deptCharge.str()}},
        {1000, {"ROOM_HEIGHT=", height.str(), length}},
        {1000, {"SPECIAL_REQ=", m_specialReq.str()}},
        {1000, {"TOT_STAFF=", m_totStaff.str()}},
        {1000, {"TOT_WKSTNS=", m_totWkStns.str()}},
        {1000, {"VOLUME=", volume.str(), m_units.volumeText()}},
        {1000, {"HANDLESTOMINUS=", toMinus.str()}},
        {1000, {"HANDLESTOADD=", toAdd.str()}},
        {1002, {"}"}},
    };
    // A record that holds what the reference holds already is not written again.
    if (holds(reference, m_xDataAppName, record))
        return Acad::eOk;
    if (!reference->isWriteEnabled())
        if (const Acad::ErrorStatus status = reference->upgradeOpen(); status != Acad::eOk)
            return status;
    // The application is registered in the database that holds the reference.
    acdbRegApp(m_xDataAppName, reference->database());
    const Acad::ErrorStatus status = reference->setXData(chainOf(record).get());
    if (written)
        *written = status == Acad::eOk;
    return status;
}

void CBlockDWG::readXData(const resbuf* chain, AcApDocument* document)
{
    kavroGuard("CBlockDWG::readXData", __FILE__, [&] {
        AcDbDatabase* database = document ? document->database() : nullptr;
        for (const resbuf* rb = chain; rb; rb = rb->rbnext)
            if (rb->restype == 1000)
                readItem(rb->resval.rstring ? rb->resval.rstring : "", database);
    });
}

// Each key that the text begins with replaces the text by its value, and the later keys
// are tested on what is left.
void CBlockDWG::readItem(std::string_view item, AcDbDatabase* database)
{
    if (item.starts_with("AREA="))
        item = readArea(item);
    if (item.starts_with("PERIMETER="))
        item = readPerimeter(item);
    // Every key ends with its only "=": the text begins with a key when its part up to the
    // first "=" is that key, and only a key after the one taken last can be taken next. Each
    // key fills a text, a number or a list of handles.
    using Handles = void (CBlockDWG::*)(CString, AcDbDatabase*);
    struct Field {
        std::string_view key;
        CString CBlockDWG::*text = nullptr;
        double CBlockDWG::*number = nullptr;
        Handles handles = nullptr;
    };
    static const Field fields[] = {
        {"TAGTYPE=", &CBlockDWG::m_tagType},
        {"AREA_TYPE=", &CBlockDWG::m_areaType},
        {"COST_CENTRE=", &CBlockDWG::m_costCentre},
        {"DATE=", &CBlockDWG::m_date},
        {"DATE_L_MOVE=", &CBlockDWG::m_dateLastMove},
        {"DEPT_CHARGE=", &CBlockDWG::m_deptCharge},
        {"ROOM_HEIGHT=", nullptr, &CBlockDWG::m_roomHeight},
        {"SPECIAL_REQ=", &CBlockDWG::m_specialReq},
        {"TOT_STAFF=", &CBlockDWG::m_totStaff},
        {"TOT_WKSTNS=", &CBlockDWG::m_totWkStns},
        {"VOLUME=", nullptr, &CBlockDWG::m_volume},
        {"HANDLESTOMINUS=", nullptr, nullptr, static_cast<Handles>(&CBlockDWG::setHandlesToMinus)},
        {"HANDLESTOADD=", nullptr, nullptr, static_cast<Handles>(&CBlockDWG::setHandlesToAdd)},
    };
    for (const Field* next = std::begin(fields);;) {
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            return;
        const std::string_view head = item.substr(0, equals + 1);
        const Field* field = std::find_if(next, std::end(fields), [&](const Field& f) {
            return f.key.size() == head.size() && f.key.front() == head.front() && f.key == head;
        });
        if (field == std::end(fields))
            return;
        item.remove_prefix(equals + 1);
        next = field + 1;
        if (field->number) {
            this->*field->number = CUtilities::CStringToDouble(CString(item));
        } else if (field->handles) {
            if (!item.empty())
                (this->*field->handles)(CString(item), database);
        } else if (CString& text = this->*field->text; text.str() != item) {
            // A text that holds the item already (its default, often) is left as it is.
            text = CString(item);
        }
    }
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

// "AREA=" + number + its unit's text: the unit sets the units (unknown for none, or one the
// module does not know) and the digits after the point the precision. Gives the number's text.
std::string_view CBlockDWG::readArea(std::string_view item)
{
    m_units = CMeasureUnits::readArea(item.substr(5), item);
    while (!item.empty() && isBlank(item.back()))
        item.remove_suffix(1);
    // The decimals are the digits after the point, up to the first other character ("e").
    const size_t point = item.find('.');
    const size_t end = point == std::string_view::npos ? point : item.find_first_not_of("0123456789", point + 1);
    const size_t decimals =
        point == std::string_view::npos ? 0 : (end == std::string_view::npos ? item.size() : end) - point - 1;
    m_precision = static_cast<int>(std::min<size_t>(decimals, CUtilities::maxPrecision));
    m_area = CUtilities::CStringToDouble(CString(item));
    return item;
}

// "PERIMETER=" + number + its unit's text. Gives the number's text.
std::string_view CBlockDWG::readPerimeter(std::string_view item)
{
    CMeasureUnits::readLength(item.substr(10), item);
    m_perimeter = CUtilities::CStringToDouble(CString(item));
    return item;
}

bool CBlockDWG::hasRecord() const
{
    return m_xDataAppName != kNoXData;
}

// ---- added and subtracted areas ----

CString CBlockDWG::listText(const CArray<AcDbHandle>& handles)
{
    CString text;
    for (const AcDbHandle& handle : handles)
        text += handleText(handle) + ",";
    return text;
}

// Only pieces ended by "," are read; with a database, only handles that resolve are kept.
void CBlockDWG::fillFromText(CArray<AcDbHandle>& handles, const CString& text, AcDbDatabase* database)
{
    handles.RemoveAll();
    int start = 0;
    for (int comma = text.Find(',', 0); comma >= 0; comma = text.Find(',', start)) {
        const AcDbHandle handle(text.Mid(start, comma - start).GetString());
        if (!database || resolves(handle, database))
            handles.Add(handle);
        start = comma + 1;
    }
}

void CBlockDWG::addHandleToMinus(AcDbHandle handle, AcDbDatabase* database)
{
    kavroGuard("CBlockDWG::addHandleToMinus", __FILE__, [&] {
        if (!database || resolves(handle, database))
            m_handlesToMinus.Add(handle);
    });
}

void CBlockDWG::addHandleToAdd(AcDbHandle handle, AcDbDatabase* database)
{
    kavroGuard("CBlockDWG::addHandleToAdd", __FILE__, [&] {
        if (!database || resolves(handle, database))
            m_handlesToAdd.Add(handle);
    });
}

void CBlockDWG::setHandlesToMinus(CString text, AcDbDatabase* database)
{
    kavroGuard("CBlockDWG::setHandlesToMinus", __FILE__, [&] { fillFromText(m_handlesToMinus, text, database); });
}

void CBlockDWG::setHandlesToAdd(CString text, AcDbDatabase* database)
{
    kavroGuard("CBlockDWG::setHandlesToAdd", __FILE__, [&] { fillFromText(m_handlesToAdd, text, database); });
}

void CBlockDWG::setHandlesToMinus(const AcDbObjectIdArray& ids)
{
    kavroGuard("CBlockDWG::setHandlesToMinus", __FILE__, [&] {
        m_handlesToMinus.RemoveAll();
        for (const AcDbObjectId& id : ids)
            if (const Opened<AcDbObject> object = openObject<AcDbObject>(id, AcDb::kForRead))
                addHandleToMinus(object->getAcDbHandle(), nullptr);
    });
}

void CBlockDWG::setHandlesToAdd(const AcDbObjectIdArray& ids)
{
    kavroGuard("CBlockDWG::setHandlesToAdd", __FILE__, [&] {
        m_handlesToAdd.RemoveAll();
        for (const AcDbObjectId& id : ids)
            if (const Opened<AcDbObject> object = openObject<AcDbObject>(id, AcDb::kForRead);
                CPlanOutline::isOutline(object.get()))
                addHandleToAdd(object->getAcDbHandle(), nullptr);
    });
}

// A handle whose object the database no longer knows is dropped, and the handle that moves
// into its place is examined next.
double CBlockDWG::sumOf(CArray<AcDbHandle>& handles, AcApDocument* document, bool areas) const
{
    if (handles.GetSize() == 0)
        return 0.0;   // most spaces add and subtract nothing
    AcDbDatabase* database = document->database();
    const CDrawingUnit unit = CDrawingUnit::of(database);
    CAcadUtilities utilities;
    double sum = 0.0;
    for (int i = 0; i < handles.GetSize();) {
        AcDbObjectId id;
        if (database->getAcDbObjectId(id, false, handles.GetAt(i), 0) != Acad::eOk) {
            ++i;
            continue;
        }
        Acad::ErrorStatus status = Acad::eOk;
        const Opened<AcDbObject> object = openObject<AcDbObject>(id, AcDb::kForRead, &status);
        if (status == Acad::eUnknownHandle) {
            handles.RemoveAt(i);
            continue;
        }
        if (const CPlanOutline outline(AcDbEntity::cast(object.get())); outline)
            sum += areas ? utilities.calculatePolylineArea(outline.get(), unit, m_units)
                         : utilities.calculatePolylinePerimeter(outline.get(), unit, m_units);
        ++i;
    }
    return sum;
}

double CBlockDWG::calcSubArea(AcApDocument* document)
{
    return kavroGuard("CBlockDWG::calcSubArea", __FILE__, [&] { return sumOf(m_handlesToMinus, document, true); });
}

double CBlockDWG::calcAddArea(AcApDocument* document)
{
    return kavroGuard("CBlockDWG::calcAddArea", __FILE__, [&] { return sumOf(m_handlesToAdd, document, true); });
}

double CBlockDWG::calcSubAreaPerimeters(AcApDocument* document)
{
    return kavroGuard("CBlockDWG::calcSubAreaPerimeters", __FILE__,
                      [&] { return sumOf(m_handlesToMinus, document, false); });
}

double CBlockDWG::calcAddAreaPerimeters(AcApDocument* document)
{
    return kavroGuard("CBlockDWG::calcAddAreaPerimeters", __FILE__,
                      [&] { return sumOf(m_handlesToAdd, document, false); });
}

// The definition's entities are read by their ids, each opened in turn as an iterator
// would open it (an erased one does not open), without the iterator.
AcDbObjectId CBlockDWG::outlineOf(AcDbObjectId definitionId)
{
    const Opened<AcDbBlockTableRecord> definition = openObject<AcDbBlockTableRecord>(definitionId, AcDb::kForRead);
    if (!definition)
        return AcDbObjectId();
    for (const AcDbObjectId& id : definition->entityIds())
        if (CPlanOutline::isOutline(openObject<AcDbEntity>(id, AcDb::kForRead).get()))
            return id;
    return AcDbObjectId();
}

bool CBlockDWG::outlineMeasure(AcApDocument* document, bool area, double& measure) const
{
    if (!m_units.known())
        return false;
    const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(m_objectId, AcDb::kForRead);
    if (!reference)
        return false;
    measure = 0.0;
    const CDrawingUnit unit = CDrawingUnit::of(document->database());
    CAcadUtilities utilities;
    if (const CPlanOutline outline(outlineOf(reference->blockTableRecord())); outline)
        measure = area ? utilities.recalculateBlockArea(reference.get(), outline.get(), unit, m_units)
                       : utilities.recalculateBlockPerimeter(reference.get(), outline.get(), unit, m_units);
    return true;
}

std::optional<double> CBlockDWG::measureArea(AcApDocument* document)
{
    return kavroGuard("CBlockDWG::measureArea", __FILE__, [&]() -> std::optional<double> {
        double outline = 0.0;
        if (!outlineMeasure(document, true, outline))
            return std::nullopt;
        const double subtracted = calcSubArea(document);
        return outline - subtracted + calcAddArea(document);
    });
}

void CBlockDWG::recalculateArea(AcApDocument* document)
{
    kavroGuard("CBlockDWG::recalculateArea", __FILE__, [&] {
        const std::optional<double> area = measureArea(document);
        if (!area)
            return;
        // An unknown precision keeps every digit.
        m_area = m_precision < 0 ? *area : CUtilities::roundDouble(*area, m_precision);
    });
}

bool CBlockDWG::hasClosedOutline() const
{
    return kavroGuard("CBlockDWG::hasClosedOutline", __FILE__, [&] {
        const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(m_objectId, AcDb::kForRead);
        if (!reference)
            return false;
        const Opened<AcDbCurve> outline =
            openObject<AcDbCurve>(outlineOf(reference->blockTableRecord()), AcDb::kForRead);
        return outline && outline->isClosed();
    });
}

void CBlockDWG::recalculatePerimeter(AcApDocument* document)
{
    kavroGuard("CBlockDWG::recalculatePerimeter", __FILE__, [&] {
        double outline = 0.0;
        if (!outlineMeasure(document, false, outline))
            return;
        const double subtracted = calcSubAreaPerimeters(document);
        m_perimeter = outline + subtracted + calcAddAreaPerimeters(document);
    });
}

void CBlockDWG::highlight(CArray<AcDbHandle>& handles, CAcadDrawing* drawing, int on, int report, bool subtracted)
{
    const DrawingLock lock(drawing);
    if (!lock.held())
        return;
    if (report)
        acutPrintf(subtracted ? "\nThere are %i area(s) subtracted from this block\n"
                              : "\nThere are %i area(s) added to this block\n",
                   handles.GetSize());
    AcDbDatabase* database = drawing->getDocument()->database();
    for (int i = 0; i < handles.GetSize();) {
        AcDbObjectId id;
        const Acad::ErrorStatus found = database->getAcDbObjectId(id, false, handles.GetAt(i), 0);
        if (found == Acad::eUnknownHandle) {
            handles.RemoveAt(i);
            continue;
        }
        ++i;
        AcDbEntity* entity = nullptr;
        if (found != Acad::eOk || acdbOpenObject(entity, id, AcDb::kForWrite) != Acad::eOk)
            continue;
        if (on) {
            // The entity's own look is kept from its first highlight, to be given back.
            m_unhighlighted.try_emplace(entity->objectId().handle(), entity->color(), entity->lineWeight());
            entity->setColorIndex(subtracted ? 1 : 3, false);
            entity->setLineWeight(AcDb::kLnWt100, true);
        } else if (const auto own = m_unhighlighted.find(entity->objectId().handle()); own != m_unhighlighted.end()) {
            entity->setColor(own->second.first, false);
            entity->setLineWeight(own->second.second, true);
            m_unhighlighted.erase(own);
        }
        const Acad::ErrorStatus closed = entity->close();
        if (subtracted && closed != Acad::eOk)
            throw new CEXUnhandled(closed, KAVRO_PRODUCT_CAPTION, __FILE__, "CBlockDWG::highlightAreasSubtracted",
                                   __LINE__, CString(), nullptr);
    }
    drawing->regenDrawing();
}

void CBlockDWG::highlightAreasSubtracted(CAcadDrawing* drawing, int highlight, int report)
{
    kavroGuard("CBlockDWG::highlightAreasSubtracted", __FILE__,
               [&] { this->highlight(m_handlesToMinus, drawing, highlight, report, true); });
}

void CBlockDWG::highlightAreasAdded(CAcadDrawing* drawing, int highlight, int report)
{
    kavroGuard("CBlockDWG::highlightAreasAdded", __FILE__,
               [&] { this->highlight(m_handlesToAdd, drawing, highlight, report, false); });
}

void CBlockDWG::convertUnits(CMeasureUnits units)
{
    kavroGuard("CBlockDWG::convertUnits", __FILE__, [&] {
        if (!m_units.known())
            return;
        m_perimeter = units.length(m_perimeter, m_units);
        m_area = units.area(m_area, m_units);
        m_units = units;
    });
}

Acad::ErrorStatus CBlockDWG::convertHandlesToObjectIds(const CArray<AcDbHandle>& handles, AcDbDatabase* database,
                                                       AcDbObjectIdArray& ids) const
{
    return kavroGuard("CBlockDWG::convertHandlesToObjectIds", __FILE__, [&] {
        for (const AcDbHandle& handle : handles) {
            AcDbObjectId id;
            if (database->getAcDbObjectId(id, false, handle, 0) != Acad::eOk)
                id.setNull();
            ids.push_back(id);
        }
        return Acad::eOk;
    });
}

// ---- definition, insertion and drawing update ----

Acad::ErrorStatus CBlockDWG::defineFromEntities(CAcadDrawing* drawing, const char* name,
                                                const AcDbObjectIdArray& entities, AcGePoint3d basePoint,
                                                AcDbObjectId& definitionId,
                                                const std::function<Acad::ErrorStatus(AcDbBlockTableRecord*)>& fill)
{
    const DrawingLock lock(drawing);
    if (!lock.held())
        return lock.status();
    std::vector<Opened<AcDbEntity>> moving;
    for (const AcDbObjectId& id : entities) {
        Acad::ErrorStatus status = Acad::eOk;
        moving.push_back(openObject<AcDbEntity>(id, AcDb::kForWrite, &status));
        if (status != Acad::eOk)
            return status;
    }
    auto record = std::make_unique<AcDbBlockTableRecord>();
    record->setName(name);
    record->setOrigin(AcGePoint3d::kOrigin);
    AcDbBlockTable* rawTable = nullptr;
    AcDbDatabase* database = drawing->getDocument()->database();
    if (const Acad::ErrorStatus status = database->getSymbolTable(rawTable, AcDb::kForWrite); status != Acad::eOk)
        return status;
    Opened<AcDbBlockTable> table(rawTable);
    if (const Acad::ErrorStatus status = table->add(definitionId, record.get()); status != Acad::eOk)
        return status;
    const Opened<AcDbBlockTableRecord> definition(record.release());
    table.reset();
    // The definition exists before the entities move, so a failure leaves nothing moved.
    const AcGeMatrix3d translation = AcGeMatrix3d::translation(AcGePoint3d::kOrigin - basePoint);
    for (const auto& entity : moving)
        entity->transformBy(translation);
    if (const Acad::ErrorStatus status = definition->assumeOwnershipOf(entities); status != Acad::eOk) {
        for (const auto& entity : moving)
            entity->transformBy(translation.inverse());
        definition->erase(true);
        definitionId.setNull();
        return status;
    }
    moving.clear();
    return fill(definition.get());
}

Acad::ErrorStatus CBlockDWG::placeInModelSpace(AcDbDatabase* database, std::unique_ptr<AcDbBlockReference> made,
                                               AcGePoint3d position, double rotation,
                                               Opened<AcDbBlockReference>& placed)
{
    made->setPosition(position);
    made->setRotation(rotation);
    made->transformBy(currentUcs(database));
    made->setNormal(currentUcsNormal(database));
    AcDbBlockTable* rawTable = nullptr;
    if (const Acad::ErrorStatus status = database->getSymbolTable(rawTable, AcDb::kForRead); status != Acad::eOk)
        return status;
    Opened<AcDbBlockTable> table(rawTable);
    AcDbBlockTableRecord* rawSpace = nullptr;
    if (const Acad::ErrorStatus status = table->getAt(ACDB_MODEL_SPACE, rawSpace, AcDb::kForWrite);
        status != Acad::eOk)
        return status;
    const Opened<AcDbBlockTableRecord> modelSpace(rawSpace);
    table.reset();
    if (const Acad::ErrorStatus status = modelSpace->appendAcDbEntity(made.get()); status != Acad::eOk)
        return status;
    placed.reset(made.release());
    return Acad::eOk;
}

Acad::ErrorStatus CBlockDWG::createBlockDefinition(AcDbObjectId& definitionId, const AcDbObjectIdArray& entities,
                                                   AcGePoint3d basePoint, double textHeight, double widthFactor,
                                                   double rotation, CAcadDrawing* drawing)
{
    return kavroGuard("CBlockDWG::createBlockDefinition", __FILE__, [&] {
        return defineFromEntities(drawing, m_blockName, entities, basePoint, definitionId,
                                  [&](AcDbBlockTableRecord* definition) {
                                      appendAttributeDefinitions(definition, textHeight, widthFactor, rotation,
                                                                 drawing);
                                      return Acad::eOk;
                                  });
    });
}

// AREA at the origin, NAME 1.5 text heights below it and AUX 1.5 text heights above it
// (at rotation 0), each on its own layer; NAME and AUX are clones of AREA.
void CBlockDWG::appendAttributeDefinitions(AcDbBlockTableRecord* definition, double textHeight, double widthFactor,
                                           double rotation, CAcadDrawing* drawing) const
{
    const double r = rotation / 180.0 * kPi;
    const double s = std::sin(r) * textHeight * 1.5, c = std::cos(r) * textHeight * 1.5;
    const AcGeVector3d normal = currentUcsNormal(drawing->getDocument()->database());
    struct Kind {
        AcGePoint3d position;
        const char *prompt, *text, *tag, *layer;
    };
    const Kind kinds[] = {
        {AcGePoint3d::kOrigin, "Enter Area", "DEFAULT AREA", "AREA", "ATT-AREA"},
        {AcGePoint3d(s, -c, 0), "Enter Name", "DEFAULT NAME", "NAME", "ATT-NAME"},
        {AcGePoint3d(-s, c, 0), "Enter Auxillary Value", "DEFAULT AUX", "AUX", "ATT-AUX"},
    };
    // Gives a definition its kind's properties and appends it; it stays open until dropped.
    auto append = [&](std::unique_ptr<AcDbAttributeDefinition> made, const Kind& kind) {
        made->setPosition(kind.position);
        made->setPrompt(kind.prompt);
        made->setTextString(kind.text);
        made->setTag(kind.tag);
        made->setNormal(normal);
        if (CLayer::ensureLayerExists(kind.layer, drawing))
            made->setLayer(kind.layer, true, false);
        Opened<AcDbAttributeDefinition> appended;
        if (definition->appendAcDbEntity(made.get()) == Acad::eOk)
            appended.reset(made.release());
        return appended;
    };
    auto area = std::make_unique<AcDbAttributeDefinition>();
    area->setHeight(textHeight);
    area->setRotation(r);
    area->setWidthFactor(widthFactor);
    area->setHorizontalMode(AcDb::kTextLeft);
    area->setVerticalMode(AcDb::kTextBase);
    area->setInvisible(false);
    area->setVerifiable(false);
    area->setPreset(false);
    area->setConstant(false);
    area->setFieldLength(25);
    const Opened<AcDbAttributeDefinition> areaDefinition = append(std::move(area), kinds[0]);
    if (!areaDefinition)
        return;
    append(std::unique_ptr<AcDbAttributeDefinition>(areaDefinition->clone()), kinds[1]);
    append(std::unique_ptr<AcDbAttributeDefinition>(areaDefinition->clone()), kinds[2]);
}

Acad::ErrorStatus CBlockDWG::insertBlock(CAcadDrawing* drawing, AcDbEntity* outline, AcGePoint3d basePoint,
                                         double textHeight, double widthFactor, double rotation)
{
    return kavroGuard("CBlockDWG::insertBlock", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return lock.status();
        const CString layer = outline->layer();
        AcDbObjectId definitionId;
        if (const Acad::ErrorStatus status = createBlockDefinition(
                definitionId, AcDbObjectIdArray{outline->objectId()}, basePoint, textHeight, widthFactor, rotation,
                drawing);
            status != Acad::eOk)
            return status;
        AcDbDatabase* database = drawing->getDocument()->database();
        auto made = std::make_unique<AcDbBlockReference>();
        made->setLayer(layer);
        made->setBlockTableRecord(definitionId);
        Opened<AcDbBlockReference> reference;
        if (const Acad::ErrorStatus status = placeInModelSpace(database, std::move(made), basePoint, 0.0, reference);
            status != Acad::eOk)
            return status;
        appendAttributes(reference.get());
        if (const Acad::ErrorStatus status = storeXData(reference.get()); status != Acad::eOk) {
            reference->erase(true);
            return status;
        }
        // The block now stands for the reference made.
        m_objectId = reference->objectId();
        setHandle(reference->getAcDbHandle());
        return Acad::eOk;
    });
}

// One attribute per non-constant attribute definition, placed by the block transform; the
// NAME, AREA and AUX texts come from the set's attributes of their kinds, others are empty.
void CBlockDWG::appendAttributes(AcDbBlockReference* reference) const
{
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead);
    if (!definition)
        return;
    const AcGeMatrix3d transform = reference->blockTransform();
    forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* entity) {
        const auto* source = AcDbAttributeDefinition::cast(entity);
        if (!source || source->isConstant())
            return true;
        auto attribute = std::make_unique<AcDbAttribute>();
        attribute->setPropertiesFrom(source, true);
        attribute->setInvisible(source->isInvisible());
        attribute->setPosition(source->position());
        attribute->setHeight(source->height());
        attribute->setRotation(source->rotation());
        attribute->setWidthFactor(source->widthFactor());
        attribute->setTag(source->tagConst());
        attribute->setFieldLength(source->fieldLength());
        attribute->setHorizontalMode(AcDb::kTextLeft);
        attribute->transformBy(transform);
        int kind = -1;
        for (int k = kNameAttribute; k <= kAuxAttribute; ++k)
            if (source->tag() == CKavroAttribute::tagOf(k))
                kind = k;
        const CAttribute* value = kind >= 0 && m_attributes ? m_attributes->getAtAttribute(kind) : nullptr;
        attribute->setTextString(value ? value->getValue() : CString());
        if (reference->appendAttribute(attribute.get()) == Acad::eOk)
            Opened<AcDbAttribute>(attribute.release());
        return true;
    });
}

bool CBlockDWG::applyToDWG(CAcadDrawing* drawing, CKavroExceptions* errors, bool* changed)
{
    return kavroGuard("CBlockDWG::applyToDWG", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            throw new CEXUnhandled(lock.status(), KAVRO_PRODUCT_CAPTION, __FILE__, "CBlockDWG::applyToDWG", __LINE__,
                                   drawingText(drawing), nullptr);
        // The reference is read, and opened for write only for what changes, so that a
        // block written back unchanged leaves the drawing unmodified.
        Acad::ErrorStatus status = Acad::eOk;
        const Opened<AcDbBlockReference> reference =
            openObject<AcDbBlockReference>(m_objectId, AcDb::kForRead, &status);
        const CString whyNot = reference ? whyNotWritable(reference.get()) : whyNotOpened(status);
        if (!whyNot.IsEmpty()) {
            if (errors)
                errors->add(new CEXBlockNotWritten(m_name, m_handle, whyNot, KAVRO_PRODUCT_CAPTION, __FILE__,
                                                   "CBlockDWG::applyToDWG"));
            return false;
        }
        bool wrote = updateBlockIdentifier(reference.get());
        wrote = writeXData(reference.get()) || wrote;
        if (m_attributes && m_attributes->getCount() > 0) {
            const AcGeMatrix3d ucs = currentUcs(drawing->getDocument()->database());
            wrote = m_attributes->applyToDWG(reference.get(), ucs, nullptr) || wrote;
        }
        if (m_hatch) {
            AcDbObjectId hatchId;
            hatchBlock(drawing, reference.get(), hatchId, errors);
            CHatch::replaceDrawnFor(reference.get(), hatchId);
            if (m_hyperlinks)
                hyperlinkHatch(&hatchId);
            wrote = wrote || !hatchId.isNull();
        }
        if (changed)
            *changed = wrote;
        if (m_hyperlinks)
            hyperlinkBlock(reference.get(), 0);
        if (m_zoomOnApply)
            zoomToBlock(drawing, reference.get());
        if (m_assets) {
            // What the assets report is not the caller's concern.
            CKavroExceptions assetErrors;
            m_assets->applyToDWG(drawing, &assetErrors);
        }
        return true;
    });
}

void CBlockDWG::updateAttributes(AcGeMatrix3d& transform, AcGePoint3d* anchor)
{
    kavroGuard("CBlockDWG::updateAttributes", __FILE__, [&] {
        if (m_attributes)
            m_attributes->applyToDWG(m_objectId, transform, anchor);
    });
}

bool CBlockDWG::updateBlockIdentifier(AcDbEntity* entity)
{
    return kavroGuard("CBlockDWG::updateBlockIdentifier", __FILE__, [&] {
        const auto* reference = AcDbBlockReference::cast(entity);
        if (!reference)
            return false;
        const Opened<AcDbBlockTableRecord> definition =
            openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead);
        return definition && definition->name() != m_blockName && definition->upgradeOpen() == Acad::eOk &&
               definition->setName(m_blockName) == Acad::eOk;
    });
}

void CBlockDWG::zoomToBlock(CAcadDrawing* drawing, AcDbBlockReference* reference)
{
    kavroGuard("CBlockDWG::zoomToBlock", __FILE__, [&] {
        AcGePoint3d lower, upper;
        CAcadUtilities().getBlockExtents(reference, lower, upper, m_zoomMargin);
        drawing->zoomWindow(lower, upper);
    });
}

namespace {

// Whether an entity of the record refers to the definition; an entity that cannot be
// opened might, so it counts as one.
bool refersTo(const AcDbBlockTableRecord* record, AcDbObjectId definitionId)
{
    AcDbBlockTableRecordIterator* raw = nullptr;
    record->newIterator(raw, true, true);
    const std::unique_ptr<AcDbBlockTableRecordIterator> it(raw);
    for (; !it->done(); it->step(true, true)) {
        AcDbEntity* opened = nullptr;
        if (it->getEntity(opened, AcDb::kForRead, false) != Acad::eOk)
            return true;
        const Opened<AcDbEntity> entity(opened);
        if (const auto* reference = AcDbBlockReference::cast(opened);
            reference && reference->blockTableRecord() == definitionId)
            return true;
    }
    return false;
}

} // namespace

int CBlockDWG::deleteBlockDefinition(CAcadDrawing* drawing, AcDbBlockTableRecord* definition)
{
    return kavroGuard("CBlockDWG::deleteBlockDefinition", __FILE__, [&] {
        AcDbBlockTable* rawTable = nullptr;
        if (drawing->getDocument()->database()->getSymbolTable(rawTable, AcDb::kForRead) != Acad::eOk)
            return 0;
        const Opened<AcDbBlockTable> table(rawTable);
        // Every layout and every other definition is searched: references in paper space
        // and nested in other blocks keep the definition too.
        const AcDbObjectId definitionId = definition->objectId();
        for (const AcDbObjectId& recordId : table->recordIds()) {
            if (recordId == definitionId || recordId.isErased())
                continue;
            const Opened<AcDbBlockTableRecord> record = openObject<AcDbBlockTableRecord>(recordId, AcDb::kForRead);
            if (!record || refersTo(record.get(), definitionId))
                return 0;
        }
        return definition->erase(true) == Acad::eOk ? 1 : 0;
    });
}

namespace {

void eraseAll(const AcDbObjectIdArray& ids)
{
    for (const AcDbObjectId& id : ids)
        if (const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForWrite))
            entity->erase(true);
}

} // namespace

int CBlockDWG::deleteBlock(CAcadDrawing* drawing)
{
    return kavroGuard("CBlockDWG::deleteBlock", __FILE__, [&] {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return 0;
        const Opened<AcDbBlockReference> reference = openObject<AcDbBlockReference>(m_objectId, AcDb::kForWrite);
        return reference ? turnIntoGeometry(drawing, reference.get()) : 0;
    });
}

// Copies the definition's outlines into the reference's space, within the reference's own
// database, and places them as the reference shows them (the block transform already
// carries the definition's origin). The other entities of the definition, its attribute
// definitions among them, are not copied. Any failure removes the copies made so far.
int CBlockDWG::turnIntoGeometry(CAcadDrawing* drawing, AcDbBlockReference* reference)
{
    const AcGeMatrix3d transform = reference->blockTransform();
    if (!transform.isUniScaledOrtho())
        return 0;
    const Opened<AcDbBlockTableRecord> definition =
        openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForWrite);
    if (!definition)
        return 0;
    AcDbObjectIdArray outlines;
    for (const AcDbObjectId& id : definition->entityIds()) {
        if (id.isErased())
            continue;
        const Opened<AcDbEntity> entity = openObject<AcDbEntity>(id, AcDb::kForRead);
        if (!entity)
            return 0;
        if (!CPlanOutline::isOutline(entity.get()))
            continue;
        // An outline that cannot be written (on a locked layer) would give a copy that
        // cannot be placed.
        if (entity->upgradeOpen() != Acad::eOk)
            return 0;
        outlines.push_back(id);
    }
    AcDbIdMapping copies;
    if (reference->database()->deepCloneObjects(outlines, reference->blockId(), copies, false) != Acad::eOk)
        return 0;
    AcDbObjectIdArray made;
    for (const AcDbIdPair& pair : copies.pairs())
        if (pair.isCloned() && pair.isPrimary())
            made.push_back(pair.value());
    bool placed = true;
    for (size_t i = 0; placed && i < made.size(); ++i) {
        const Opened<AcDbEntity> copy = openObject<AcDbEntity>(made[i], AcDb::kForWrite);
        placed = copy && copy->transformBy(transform) == Acad::eOk;
    }
    if (!placed) {
        eraseAll(made);
        return 0;
    }
    reference->erase(true);
    deleteBlockDefinition(drawing, definition.get());
    return 1;
}

// ---- hatching ----

void CBlockDWG::hatchBlock(CAcadDrawing* drawing, AcDbEntity* entity, AcDbObjectId& hatchId, CKavroExceptions* errors)
{
    kavroGuard("CBlockDWG::hatchBlock", __FILE__, [&] {
        auto* reference = AcDbBlockReference::cast(entity);
        if (!reference)
            return;
        const AcDbObjectId outline = outlineOf(reference->blockTableRecord());
        AcDbDatabase* database = drawing->getDocument()->database();
        AcDbObjectIdArray added, subtracted;
        convertHandlesToObjectIds(m_handlesToAdd, database, added);
        convertHandlesToObjectIds(m_handlesToMinus, database, subtracted);
        hatchObject(drawing, reference, outline, subtracted, added, hatchId, errors);
    });
}

// The outline is moved to where the reference shows it while the hatch takes its boundary,
// and moved back on every way out. A definition without an outline is reported as an
// outline that cannot be hatched.
void CBlockDWG::hatchObject(CAcadDrawing* drawing, AcDbBlockReference* reference, AcDbObjectId outlineId,
                            AcDbObjectIdArray subtracted, AcDbObjectIdArray added, AcDbObjectId& hatchId,
                            CKavroExceptions* errors)
{
    kavroGuard("CBlockDWG::hatchObject", __FILE__, [&] {
        if (!m_hatch)
            return;
        const char* procSig = "CBlockDWG::hatchObject";
        std::unique_ptr<AcDbHatch> hatch(m_hatch->createHatch(drawing));
        {
            const PlacedOutline outline(outlineId, reference->blockTransform());
            if (!outline.placed()
                || hatch->appendLoop(AcDbHatch::kOutermost, AcDbObjectIdArray{outlineId}) != Acad::eOk) {
                errors->add(new CEXHatchPolylineNotClosed(m_name, m_handle, KAVRO_PRODUCT_CAPTION, __FILE__, procSig));
                return;
            }
            for (const AcDbObjectId& id : added)
                if (hatch->appendLoop(AcDbHatch::kExternal, AcDbObjectIdArray{id}) != Acad::eOk)
                    errors->add(new CEXAdditionalHatchAreas(m_name, KAVRO_PRODUCT_CAPTION, __FILE__, procSig));
            for (const AcDbObjectId& id : subtracted)
                if (hatch->appendLoop(AcDbHatch::kDefault, AcDbObjectIdArray{id}) != Acad::eOk)
                    errors->add(new CEXNoHatchAreas(m_name, KAVRO_PRODUCT_CAPTION, __FILE__, procSig));
        }
        m_hatch->collectEvaluation(hatch.get(), "kavro block " + m_name, drawingText(drawing), errors, __FILE__,
                                   procSig);
        if (const Acad::ErrorStatus status = postToModelSpace(drawing, std::move(hatch), hatchId);
            status != Acad::eOk) {
            errors->add(new CEXUnhandled(status, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, __LINE__,
                                         drawingText(drawing), nullptr));
            return;
        }
        if (const Opened<AcDbEntity> posted = openObject<AcDbEntity>(hatchId, AcDb::kForRead))
            CAcadUtilities().sendToBack(posted.get());
    });
}

// ---- hyperlinks ----

void CBlockDWG::hyperlinkEntity(AcDbEntity* entity)
{
    kavroGuard("CBlockDWG::hyperlinkEntity", __FILE__, [&] {
        // As the host's own hyperlink calls, the statuses are not examined.
        if (m_hyperlinks)
            (void)m_hyperlinks->setEntityHyperlinks(entity, false);
    });
}

void CBlockDWG::hyperlinkHatch(AcDbObjectId* hatchId)
{
    kavroGuard("CBlockDWG::hyperlinkHatch", __FILE__, [&] {
        if (const Opened<AcDbEntity> hatch = openObject<AcDbEntity>(*hatchId, AcDb::kForWrite))
            hyperlinkEntity(hatch.get());
    });
}

void CBlockDWG::hyperlinkBlock(AcDbEntity* entity, int fromDefinition)
{
    kavroGuard("CBlockDWG::hyperlinkBlock", __FILE__, [&] {
        const auto* reference = AcDbBlockReference::cast(entity);
        auto linkAttributes = [&] {
            CAttributes::forEachAttribute(reference, AcDb::kForRead,
                                          [&](AcDbAttribute* attribute) { hyperlinkEntity(attribute); });
        };
        if (fromDefinition == 0) {
            hyperlinkEntity(entity);
            const int host = acadHost.getHostType();
            if (reference && (host == CAcadHost::autocad || host == CAcadHost::autocadLT))
                linkAttributes();
            return;
        }
        if (!reference)
            return;
        if (const Opened<AcDbBlockTableRecord> definition =
                openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
            forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* member) {
                hyperlinkEntity(member);
                return true;
            });
        linkAttributes();
    });
}
