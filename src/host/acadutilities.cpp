#include "host/acadutilities.h"

#include "arx/aced.h"
#include "arx/acedinput.h"
#include "arx/acedselect.h"
#include "arx/acutprintf.h"
#include "arx/dbsymtb.h"
#include "host/placedlength.h"
#include "host/planoutline.h"
#include "support/exrecords.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <limits>
#include <optional>
#include <string>

namespace {

CString className(const AcDbObject* object)
{
    return object->isA()->name();
}

// The prompt "\n" + prompt + " <" + default + ">:".
CString withDefault(const CString& prompt, const CString& defaultText)
{
    return "\n" + prompt + " <" + defaultText + ">:";
}

resbuf shortCode(short code)
{
    resbuf rb {};
    rb.restype = RTSHORT;
    rb.resval.rint = code;
    return rb;
}

AcGePoint3d transformed(const AcGePoint3d& point, short from, short to)
{
    const ads_point in = {point.x, point.y, point.z};
    ads_point out = {point.x, point.y, point.z};
    const resbuf fromCode = shortCode(from), toCode = shortCode(to);
    acedTrans(in, &fromCode, &toCode, 0, out);
    return AcGePoint3d(out[0], out[1], out[2]);
}

// A yes or a no in any letter case ("Y", "yes", "1", "true"; "N", "no", "0", "false"), none
// for any other answer.
std::optional<BOOL> yesOrNo(const char* text)
{
    std::string answer = CString(text).Trim().GetString();
    std::transform(answer.begin(), answer.end(), answer.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* yes : {"1", "y", "yes", "t", "true"})
        if (answer == yes)
            return TRUE;
    for (const char* no : {"0", "n", "no", "f", "false"})
        if (answer == no)
            return FALSE;
    return std::nullopt;
}

// A picked entity's id, or the null id when the pick gave none.
AcDbObjectId pickedId(const ads_name entity)
{
    AcDbObjectId id;
    acdbGetObjectId(id, entity);
    return id;
}

// Says why a pick gave no entity: a cancel (Esc, Ctrl+C, "^C", the end of input) is the
// user's, Enter picked nothing, and an answer that found nothing was named by the editor.
void reportNoPick(int status)
{
    if (status == RTCAN)
        acutPrintf("Cancelled by User.\n");
    else if (status == RTNONE)
        acutPrintf("Nothing selected.\n");
}

// Asks for an entity until one that is wanted is picked (0), saying which class a refused one
// is; 16 when none is picked.
int pickEntity(AcDbObjectId& id, CString prompt, const std::function<bool(const AcDbEntity*)>& wanted)
{
    if (prompt.IsEmpty())
        prompt = "Please select an object";
    for (;;) {
        ads_name entity;
        ads_point point;
        if (const int status = acedEntSel("\n" + prompt + "\n", entity, point); status != RTNORM) {
            reportNoPick(status);
            return 16;
        }
        id = pickedId(entity);
        AcDbEntity* opened = nullptr;
        if (acdbOpenObject(opened, id, AcDb::kForRead) != Acad::eOk)
            continue;
        const bool taken = wanted(opened);
        const CString name = className(opened);
        opened->close();
        if (taken)
            return 0;
        if (!qv::refuseAnswer("Invalid selection - " + name.str() + ".\n")) {
            reportNoPick(RTCAN);
            return 16;
        }
    }
}

} // namespace

void CAcadUtilities::refuseAnswer(const CString& why)
{
    kavroGuard("CAcadUtilities::refuseAnswer", __FILE__, [&] {
        if (!qv::refuseAnswer(why.str()))
            throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadUtilities::refuseAnswer");
    });
}

void CAcadUtilities::getInteger(CString prompt, int defaultValue, int* result)
{
    kavroGuard("CAcadUtilities::getInteger", __FILE__, [&] {
        *result = defaultValue;
        int answer = 0;
        const int status = acedGetInt(withDefault(prompt, CUtilities::IntToCString(defaultValue)), &answer);
        if (status == RTCAN)
            throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadUtilities::getInteger");
        if (status == RTNORM)
            *result = answer;
        acutPrintf(" %i\n", *result);
    });
}

void CAcadUtilities::getPrecision(CString prompt, int defaultValue, int* result)
{
    kavroGuard("CAcadUtilities::getPrecision", __FILE__, [&] {
        for (getInteger(prompt, defaultValue, result);
             *result < CUtilities::minPrecision || *result > CUtilities::maxPrecision;
             getInteger(prompt, defaultValue, result))
            refuseAnswer("The precision must be from " + CUtilities::IntToCString(CUtilities::minPrecision) + " to "
                         + CUtilities::IntToCString(CUtilities::maxPrecision) + ".\n");
    });
}

void CAcadUtilities::getDouble(CString prompt, double defaultValue, int precision, double* result)
{
    kavroGuard("CAcadUtilities::getDouble", __FILE__, [&] {
        *result = defaultValue;
        double answer = 0;
        const int status =
            acedGetReal(withDefault(prompt, CUtilities::DoubleToCString(defaultValue, precision)), &answer);
        if (status == RTCAN)
            throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadUtilities::getDouble");
        if (status == RTNORM)
            *result = answer;
        acutPrintf(" %s\n", CUtilities::DoubleToCString(*result, precision));
    });
}

void CAcadUtilities::getSize(CString prompt, double defaultValue, int precision, double* result)
{
    kavroGuard("CAcadUtilities::getSize", __FILE__, [&] {
        // The default is drawable too, so that an empty answer or a cancel ends the asking.
        if (!CUtilities::isDrawableSize(defaultValue))
            defaultValue = std::copysign(1e150, defaultValue);
        for (getDouble(prompt, defaultValue, precision, result); !CUtilities::isDrawableSize(*result);
             getDouble(prompt, defaultValue, precision, result))
            refuseAnswer("The size is too large to draw.\n");
    });
}

void CAcadUtilities::getString(CString prompt, CString defaultValue, CString* result)
{
    kavroGuard("CAcadUtilities::getString", __FILE__, [&] {
        std::string answer;
        if (acedGetString(1, withDefault(prompt, defaultValue), answer) != RTNORM)
            throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadUtilities::getString");
        *result = answer.empty() ? defaultValue : CString(answer);
        acutPrintf(" %s\n", *result);
    });
}

CString CAcadUtilities::getString(CString prompt)
{
    return kavroGuard("CAcadUtilities::getString", __FILE__, [&] {
        std::string answer;
        if (acedGetString(1, "\n" + prompt + ":", answer) != RTNORM)
            throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadUtilities::getString");
        return CString(answer);
    });
}

void CAcadUtilities::getBoolean(CString prompt, BOOL defaultValue, BOOL* result)
{
    kavroGuard("CAcadUtilities::getBoolean", __FILE__, [&] {
        // Enter keeps the default; anything but a yes or a no is refused. The answer
        // holds no blanks: at a terminal, Space ends it as Enter does.
        std::optional<BOOL> answer;
        while (!answer) {
            std::string text;
            if (acedGetString(0, withDefault(prompt, CUtilities::BoolToCString(defaultValue)), text) != RTNORM)
                throw new CEXCancelled(KAVRO_PRODUCT_CAPTION, __FILE__, "CAcadUtilities::getBoolean");
            answer = text.empty() ? std::optional<BOOL>(defaultValue) : yesOrNo(text.c_str());
            if (!answer)
                refuseAnswer("\nAnswer Yes or No (1 or 0).");
        }
        *result = *answer;
        acutPrintf(" %s\n", CUtilities::BoolToCString(*result));
    });
}

BOOL CAcadUtilities::selectObjectIds(std::vector<AcDbObjectId>& ids, CString prompt)
{
    return kavroGuard("CAcadUtilities::selectObjectIds", __FILE__, [&]() -> BOOL {
        acutPrintf("\n%s", prompt);
        ads_name set;
        // A cancel is told from an empty selection, which selects nothing and goes on.
        if (const int status = acedSSGet(nullptr, nullptr, nullptr, nullptr, set); status != RTNORM)
            return status == RTCAN ? FALSE : TRUE;
        Adesk::Int32 length = 0;
        acedSSLength(set, &length);
        for (Adesk::Int32 i = 0; i < length; ++i) {
            ads_name entity;
            acedSSName(set, i, entity);
            const AcDbObjectId id = pickedId(entity);
            AcDbEntity* opened = nullptr;
            if (acdbOpenObject(opened, id, AcDb::kForRead) != Acad::eOk)
                continue;
            const CString name = className(opened);
            opened->close();
            if (name != "AcDbBlockReference")
                ids.push_back(id);
        }
        acedSSFree(set);
        return TRUE;
    });
}

BOOL CAcadUtilities::selectObjectId(AcDbObjectId& id, CString prompt)
{
    return kavroGuard("CAcadUtilities::selectObjectId", __FILE__, [&]() -> BOOL {
        ads_name entity;
        ads_point point;
        if (acedEntSel(prompt, entity, point) != RTNORM)
            return FALSE;
        id = pickedId(entity);
        return TRUE;
    });
}

int CAcadUtilities::selectObjectId(AcDbObjectId& id, CString prompt, CString wanted)
{
    return kavroGuard("CAcadUtilities::selectObjectId", __FILE__, [&] {
        return pickEntity(id, prompt, [&](const AcDbEntity* entity) { return className(entity) == wanted; });
    });
}

int CAcadUtilities::selectOutline(AcDbObjectId& id, CString prompt)
{
    return kavroGuard("CAcadUtilities::selectOutline", __FILE__,
                      [&] { return pickEntity(id, prompt, CPlanOutline::isOutline); });
}

int CAcadUtilities::userSelectSpace(AcDbHandle& handle)
{
    AcDbObjectId id;
    if (selectObjectId(id, "\nPlease select a space\n", "AcDbBlockReference") != 0)
        return 13;
    AcDbEntity* reference = nullptr;
    if (acdbOpenObject(reference, id, AcDb::kForRead) != Acad::eOk)
        return 13;
    reference->getAcDbHandle(handle);
    reference->close();
    return 0;
}

BOOL CAcadUtilities::pickBlockReference(const std::function<void(AcDbBlockReference*)>& read)
{
    return kavroGuard("CAcadUtilities::userSelectKavroBlock", __FILE__, [&]() -> BOOL {
        for (;;) {
            ads_name entity;
            ads_point point;
            if (const int status = acedEntSel("\nPlease select a Kavro Space\n", entity, point); status != RTNORM) {
                reportNoPick(status);
                return FALSE;
            }
            AcDbEntity* opened = nullptr;
            if (acdbOpenObject(opened, pickedId(entity), AcDb::kForRead) != Acad::eOk)
                continue;
            if (auto* reference = AcDbBlockReference::cast(opened); reference && className(opened) == "AcDbBlockReference") {
                // The reference is closed on every way out, an error of the block model included.
                const std::unique_ptr<AcDbEntity, void (*)(AcDbEntity*)> closing(opened, [](AcDbEntity* e) { e->close(); });
                read(reference);
                return TRUE;
            }
            opened->close();
            if (!qv::refuseAnswer("Invalid selection.\n")) {
                reportNoPick(RTCAN);
                return FALSE;
            }
        }
    });
}

double CAcadUtilities::getPolyPerimeter(const AcDbPolyline* polyline)
{
    return kavroGuard("CAcadUtilities::getPolyPerimeter", __FILE__, [&] {
        double end = 0, length = 0;
        polyline->getEndParam(end);
        polyline->getDistAtParam(end, length);
        return length;
    });
}

double CAcadUtilities::calculatePolylinePerimeter(const AcDbPolyline* polyline, const CDrawingUnit& unit, CMeasureUnits units)
{
    return kavroGuard("CAcadUtilities::calculatePolylinePerimeter", __FILE__,
                      [&] { return getPolyPerimeter(polyline) / unit.lengthDivisor(units); });
}

double CAcadUtilities::calculatePolylineArea(const AcDbPolyline* polyline, const CDrawingUnit& unit, CMeasureUnits units)
{
    return kavroGuard("CAcadUtilities::calculatePolylineArea", __FILE__, [&] {
        double area = 0; // a failed area query measures nothing
        polyline->getArea(area);
        return area / unit.areaDivisor(units);
    });
}

double CAcadUtilities::recalculateBlockArea(AcDbBlockReference* reference, const AcDbPolyline* outline,
                                            const CDrawingUnit& unit, CMeasureUnits units)
{
    return kavroGuard("CAcadUtilities::recalculateBlockArea", __FILE__, [&] {
        const AcGeScale3d scale = reference->scaleFactors();
        return std::fabs(scale.sx) * std::fabs(scale.sy) * calculatePolylineArea(outline, unit, units);
    });
}

double CAcadUtilities::recalculateBlockPerimeter(AcDbBlockReference* reference, const AcDbPolyline* outline,
                                                 const CDrawingUnit& unit, CMeasureUnits units)
{
    return kavroGuard("CAcadUtilities::recalculateBlockPerimeter", __FILE__, [&] {
        return placedLength(*outline, reference->blockTransform()) / unit.lengthDivisor(units);
    });
}

void CAcadUtilities::getBlockExtents(AcDbEntity* entity, AcGePoint3d& lower, AcGePoint3d& upper, double margin)
{
    kavroGuard("CAcadUtilities::getBlockExtents", __FILE__, [&] {
        AcDbBlockReference* reference = AcDbBlockReference::cast(entity);
        if (!reference)
            return;
        AcDbExtents extents;
        AcDbBlockTableRecord* definition = nullptr;
        if (acdbOpenObject(definition, reference->blockTableRecord(), AcDb::kForRead) == Acad::eOk) {
            AcDbBlockTableRecordIterator* it = nullptr;
            definition->newIterator(it, true, true);
            for (; it && !it->done(); it->step(true, true)) {
                AcDbEntity* member = nullptr;
                if (it->getEntity(member, AcDb::kForRead, false) != Acad::eOk)
                    continue;
                const bool outline = CPlanOutline::isOutline(member);
                if (outline)
                    member->getGeomExtents(extents);
                member->close();
                if (outline)
                    break;
            }
            delete it;
            definition->close();
        }
        lower = extents.minPoint();
        upper = extents.maxPoint();
        if (margin > 0) {
            lower.x -= margin;
            lower.y -= margin;
            upper.x += margin;
            upper.y += margin;
        }
        const AcGeMatrix3d transform = reference->blockTransform();
        lower.transformBy(transform);
        upper.transformBy(transform);
    });
}

AcGePoint3d CAcadUtilities::getPolylineTopLeft(AcDbPolyline* polyline, AcGeMatrix3d* transform)
{
    AcGePoint3d topLeft(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), 0);
    for (unsigned int i = 0; i < polyline->numVerts(); ++i) {
        AcGePoint3d vertex;
        polyline->getPointAt(i, vertex);
        if (transform)
            vertex.transformBy(*transform);
        topLeft.x = std::min(topLeft.x, vertex.x);
        topLeft.y = std::max(topLeft.y, vertex.y);
    }
    return topLeft;
}

AcGePoint3d CAcadUtilities::convertUCSToWCS(AcGePoint3d point)
{
    return kavroGuard("CAcadUtilities::convertUCSToWCS", __FILE__, [&] { return transformed(point, 1, 0); });
}

AcGePoint3d CAcadUtilities::convertWCSToUCS(AcGePoint3d point)
{
    return kavroGuard("CAcadUtilities::convertWCSToUCS", __FILE__, [&] { return transformed(point, 0, 1); });
}

void CAcadUtilities::convertHandlesStringToArray(CString list, std::vector<AcDbHandle>& handles)
{
    kavroGuard("CAcadUtilities::convertHandlesStringToArray", __FILE__, [&] {
        int start = 0;
        for (int comma = list.Find(',', 0); comma >= 0; comma = list.Find(',', start)) {
            handles.push_back(AcDbHandle(list.Mid(start, comma - start)));
            start = comma + 1;
        }
    });
}

AcDbObjectId CAcadUtilities::convertHandleToObjectId(AcDbHandle handle)
{
    return kavroGuard("CAcadUtilities::convertHandleToObjectId", __FILE__, [&] {
        char text[20];
        handle.getIntoAsciiBuffer(text, sizeof text);
        ads_name entity;
        if (acdbHandEnt(text, entity) != RTNORM)
            return AcDbObjectId();
        return pickedId(entity);
    });
}

CString CAcadUtilities::extractData(int kind, CString item)
{
    return kavroGuard("CAcadUtilities::extractData", __FILE__, [&] {
        struct Cut { int kind, front, back; };
        static const Cut cuts[] = {
            {0x11, 5, 0},      {0x100, 5, 5},     {0x101, 5, 6},      {0x110, 10, 2},     {0x111, 10, 3},
            {0x1000, 8, 0},    {0x1001, 10, 0},   {0x1010, 12, 0},    {0x1011, 5, 0},     {0x1100, 12, 0},
            {0x1101, 12, 0},   {0x1110, 12, 0},   {0x1111, 12, 0},    {0x10000, 10, 0},   {0x10001, 11, 0},
            {0x10010, 7, 0},   {0x10011, 15, 0},  {0x10100, 13, 0},
        };
        for (const Cut& cut : cuts)
            if (cut.kind == kind) {
                if (item.GetLength() < cut.front + cut.back)
                    return CString();
                return item.Mid(cut.front, item.GetLength() - cut.front - cut.back);
            }
        return CString();
    });
}

void CAcadUtilities::sendToBack(AcDbEntity* entity)
{
    getSortentsVariable();
    AcDbSortentsTable* table = getSortentsTable(entity);
    if (!table)
        return;
    table->moveToBottom(AcDbObjectIdArray{entity->objectId()});
    table->close();
}

void CAcadUtilities::getSortentsVariable()
{
    resbuf value {};
    acedGetVar("SORTENTS", &value);
    if ((value.resval.rint & 127) != 127)
        setSortentsVariable(value.resval.rint | 127);
}

void CAcadUtilities::setSortentsVariable(int value)
{
    resbuf rb = shortCode(static_cast<short>(value));
    acedSetVar("SORTENTS", &rb);
}

AcDbSortentsTable* CAcadUtilities::getSortentsTable(AcDbEntity* entity)
{
    const AcDbObjectId ownerId = entity->ownerId();
    if (ownerId.isNull())
        return nullptr;
    AcDbBlockTableRecord* owner = nullptr;
    if (acdbOpenObject(owner, ownerId, AcDb::kForRead) != Acad::eOk)
        return nullptr;
    if (owner->extensionDictionary().isNull()) {
        if (owner->upgradeOpen() != Acad::eOk) {
            owner->close();
            return nullptr;
        }
        owner->createExtensionDictionary();
        if (owner->extensionDictionary().isNull()) {
            owner->close();
            return nullptr;
        }
    }
    AcDbDictionary* dictionary = nullptr;
    const Acad::ErrorStatus opened = acdbOpenObject(dictionary, owner->extensionDictionary(), AcDb::kForRead);
    owner->close();
    if (opened != Acad::eOk)
        return nullptr;
    AcDbObject* found = nullptr;
    if (dictionary->getAt("ACAD_SORTENTS", found, AcDb::kForWrite) != Acad::eOk) {
        if (dictionary->upgradeOpen() != Acad::eOk) {
            dictionary->close();
            return nullptr;
        }
        auto* table = new AcDbSortentsTable;
        AcDbObjectId tableId;
        if (dictionary->setAt("ACAD_SORTENTS", table, tableId) != Acad::eOk) {
            delete table;
            dictionary->close();
            return nullptr;
        }
        table->setBlockId(ownerId);
        found = table;
    }
    dictionary->close();
    AcDbSortentsTable* table = AcDbSortentsTable::cast(found);
    if (!table)
        found->close();
    return table;
}

void CAcadUtilities::adjustColourToBackground(AcCmColor& colour)
{
    AcColorSettings settings;
    acedGetCurrentColors(&settings);
    const unsigned background = settings.dwGfxModelBkColor;
    const unsigned red = background & 0xFF, green = (background >> 8) & 0xFF, blue = (background >> 16) & 0xFF;
    if (colour.red() == red && colour.green() == green && colour.blue() == blue)
        colour.setRGB(static_cast<Adesk::UInt8>(255 - red), static_cast<Adesk::UInt8>(255 - green),
                      static_cast<Adesk::UInt8>(255 - blue));
}

HRESULT CAcadUtilities::createPointArray(VARIANT* out, double x, double y, double z)
{
    VariantClear(out);
    SAFEARRAYBOUND bound{3, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_R8, 1, &bound);
    if (!array)
        return E_OUTOFMEMORY;
    out->vt = VT_ARRAY | VT_R8;
    out->parray = array;
    double values[3] = {x, y, z};
    for (LONG i = 0; i < 3; ++i)
        if (const HRESULT hr = SafeArrayPutElement(array, &i, &values[i]); FAILED(hr))
            return hr;
    return S_OK;
}
