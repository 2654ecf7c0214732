#include "blocks/attributes.h"

#include "blocks/kavroattribute.h"
#include "host/hostguards.h"
#include "owning.h"
#include "procedurecall.h"
#include "database/rowset.h"
#include "support/kavroguard.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

namespace {

CString upperTag(const AcDbAttribute* attribute)
{
    CString tag = attribute->tag();
    tag.MakeUpper();
    return tag;
}

// The attribute's rotation measured in the coordinate system that worldToUser leads to.
double rotationIn(const AcDbAttribute* attribute, const AcGeMatrix3d& worldToUser)
{
    const AcGeVector3d normal = attribute->normal();
    const AcGeVector3d direction = qv::ocsDirection(attribute->rotation(), normal);
    return qv::angleInOcs(worldToUser.transform(direction), worldToUser.transform(normal).normal());
}

bool near(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

bool near(const AcGePoint3d& a, const AcGePoint3d& b)
{
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}

// Whether two placements show the same, up to the rounding of transforming there and back.
bool samePlacement(const AcDbAttribute& a, const AcDbAttribute& b)
{
    return std::strcmp(a.textStringConst(), b.textStringConst()) == 0 && near(a.position(), b.position())
           && near(a.alignmentPoint(), b.alignmentPoint()) && near(a.height(), b.height())
           && near(a.widthFactor(), b.widthFactor()) && near(std::remainder(a.rotation() - b.rotation(), 2 * kPi), 0.0)
           && a.normal().isEqualTo(b.normal());
}

// Opens for write an attribute open for read, when it is not yet; false when it cannot be
// (on a locked layer, say).
bool writable(AcDbAttribute* attribute)
{
    return attribute->isWriteEnabled() || attribute->upgradeOpen() == Acad::eOk;
}

int kindOfTag(const CString& upper)
{
    for (int kind = kNameAttribute; kind <= kAuxAttribute; ++kind)
        if (upper == CKavroAttribute::tagOf(kind))
            return kind;
    return -1;
}

// Whether an ASCII text is an upper-case one in any letter case.
bool equalsUpper(const char* text, const char* upper)
{
    for (; *text && *upper; ++text, ++upper)
        if ((*text >= 'a' && *text <= 'z' ? *text - 'a' + 'A' : *text) != *upper)
            return false;
    return *text == *upper;
}

bool isAscii(const char* text)
{
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    return true;
}

// The kind of an attribute's tag in any letter case, or -1: an ASCII tag is compared as it
// is, any other upper-cased first.
int kindOfTag(const AcDbAttribute* attribute)
{
    const char* tag = attribute->tagConst();
    if (!isAscii(tag))
        return kindOfTag(upperTag(attribute));
    for (int kind = kNameAttribute; kind <= kAuxAttribute; ++kind)
        if (equalsUpper(tag, CKavroAttribute::tagOf(kind)))
            return kind;
    return -1;
}

} // namespace

CAttributes::~CAttributes()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CAttributes::add(CAttribute* attribute, int allowDuplicate)
{
    kavroGuard("CAttributes::add", __FILE__, [&] {
        if (allowDuplicate == 0 && getAtAttribute(attribute->getTag()))
            return;
        m_attributes.Add(attribute);
    });
}

void CAttributes::adopt(CAttribute* attribute)
{
    std::unique_ptr<CAttribute> owned(attribute);
    const int before = getCount();
    add(attribute, 0);
    if (getCount() > before)
        owned.release();
}

CAttribute* CAttributes::getAtAttribute(CString tag) const
{
    return kavroGuard("CAttributes::getAtAttribute", __FILE__, [&] {
        return findFirst(m_attributes, [&](const CAttribute* attribute) { return attribute->getTag() == tag; });
    });
}

CAttribute* CAttributes::getAtAttribute(int kind) const
{
    return kavroGuard("CAttributes::getAtAttribute", __FILE__, [&] {
        return findFirst(m_attributes, [&](const CAttribute* attribute) {
            const CKavroAttribute* k = attribute->asKavroAttribute();
            return k && k->getKind() == kind;
        });
    });
}

void CAttributes::copyKavroAttributesTo(CAttributes* target) const
{
    kavroGuard("CAttributes::copyKavroAttributesTo", __FILE__, [&] {
        target->setTextHeight(m_textHeight);
        target->setRotation(m_rotation);
        target->setWidthFactor(m_widthFactor);
        for (const CAttribute* attribute : m_attributes) {
            const auto* kavro = dynamic_cast<const CKavroAttribute*>(attribute);
            target->adopt(kavro ? kavro->clone() : attribute->clone());
        }
    });
}

void CAttributes::copyAttributesTo(CAttributes* target) const
{
    kavroGuard("CAttributes::copyAttributesTo", __FILE__, [&] {
        target->setTextHeight(m_textHeight);
        target->setRotation(m_rotation);
        target->setWidthFactor(m_widthFactor);
        for (const CAttribute* attribute : m_attributes)
            target->adopt(attribute->clone());
    });
}

void CAttributes::extractAttributeValues(AcDbBlockReference* reference)
{
    kavroGuard("CAttributes::extractAttributeValues", __FILE__, [&] {
        deleteObjects();
        forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            auto* element = new CAttribute(attribute->tag(), attribute->textString(), 1);
            element->setLayer(attribute->layer());
            adopt(element);
        });
    });
}

void CAttributes::extractSpaceBlockAttributeValues(AcDbBlockReference* reference, AcGeMatrix3d transform)
{
    kavroGuard("CAttributes::extractSpaceBlockAttributeValues", __FILE__, [&] {
        deleteObjects();
        const AcGeMatrix3d worldToUser = transform.inverse();
        bool first = true;
        // Each kind has one tag: the set, empty at first, refuses a kind it holds already.
        // The elements are kept in the order read and added together.
        bool held[kAuxAttribute + 1] = {};
        std::array<std::unique_ptr<CKavroAttribute>, kAuxAttribute + 1> kept;
        int count = 0;
        forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            if (first) {
                m_textHeight = attribute->height();
                m_widthFactor = attribute->widthFactor();
                m_rotation = rotationIn(attribute, worldToUser) * 180.0 / kPi;
                first = false;
            }
            const int kind = kindOfTag(attribute);
            if (kind < 0)
                return;
            if (!std::exchange(held[kind], true)) {
                auto element = std::make_unique<CKavroAttribute>();
                element->setKind(kind);
                element->setValue(attribute->textString());
                element->setLayer(CString(attribute->layerName()));
                kept[count++] = std::move(element);
            }
            if (kind == kAreaAttribute)
                m_insertionPoint = attribute->position();
        });
        m_attributes.SetSize(count);
        for (int i = 0; i < count; ++i)
            m_attributes.SetAt(i, kept[i].release());
    });
}

bool CAttributes::applyToDWG(AcDbEntity* entity)
{
    return kavroGuard("CAttributes::applyToDWG", __FILE__, [&] {
        const auto* reference = AcDbBlockReference::cast(entity);
        bool wrote = false;
        if (!reference)
            return wrote;
        // An attribute is written only when its layer or text changes.
        forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            const CAttribute* element = getAtAttribute(attribute->tag());
            if (!element)
                return;
            const bool moved = !element->getLayer().IsEmpty() && element->getLayer() != attribute->layer();
            const bool retexted = element->getValue() != attribute->textString();
            if ((!moved && !retexted) || !writable(attribute))
                return;
            if (moved)
                attribute->setLayer(element->getLayer());
            if (retexted)
                attribute->setTextString(element->getValue());
            wrote = true;
        });
        return wrote;
    });
}

bool CAttributes::applyToDWG(AcDbEntity* entity, AcGeMatrix3d transform, AcGePoint3d* anchor)
{
    return kavroGuard("CAttributes::applyToDWG", __FILE__, [&] {
        const auto* reference = AcDbBlockReference::cast(entity);
        bool wrote = false;
        if (!reference)
            return wrote;
        std::optional<AcGePoint3d> around = anchor ? std::optional(*anchor) : std::nullopt;
        if (!around)
            forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
                if (kindOfTag(attribute) == kAreaAttribute)
                    around = attribute->position();
            });
        // Each attribute is laid out on a copy, which it takes when that changes what it
        // shows: an attribute whose layout would change nothing is not written.
        const AcGeMatrix3d inverse = transform.inverse();
        forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            const std::unique_ptr<AcDbAttribute> laidOut(attribute->clone());
            layOut(laidOut.get(), transform, inverse, around ? &*around : nullptr);
            if (!samePlacement(*laidOut, *attribute) && writable(attribute)) {
                attribute->copyFrom(laidOut.get());
                wrote = true;
            }
        });
        return wrote;
    });
}

void CAttributes::layOut(AcDbAttribute* attribute, const AcGeMatrix3d& transform, const AcGeMatrix3d& inverse,
                         const AcGePoint3d* anchor) const
{
    attribute->setHeight(m_textHeight);
    attribute->setWidthFactor(m_widthFactor);
    attribute->transformBy(inverse);
    attribute->setRotation(m_rotation * kPi / 180.0);
    attribute->transformBy(transform);
    const double w = attribute->rotation();
    const double dx = std::sin(w) * m_textHeight * 1.5, dy = std::cos(w) * m_textHeight * 1.5;
    const int kind = kindOfTag(attribute);
    const CAttribute* element = kind < 0 ? nullptr : getAtAttribute(kind);
    if (!element)
        return;
    attribute->setTextString(element->getValue());
    if (!anchor)
        return;
    const AcGeVector3d offsets[] = {{-dx, dy, 0}, {0, 0, 0}, {dx, -dy, 0}};
    attribute->setPosition(*anchor + offsets[kind]);
}

bool CAttributes::applyToDWG(AcDbObjectId entityId, AcGeMatrix3d transform, AcGePoint3d* anchor)
{
    return kavroGuard("CAttributes::applyToDWG", __FILE__, [&] {
        // The attributes are opened on their own: the reference is only read.
        AcDbObjectPointer<AcDbEntity> entity(entityId, AcDb::kForRead);
        return entity && applyToDWG(entity.object(), transform, anchor);
    });
}

void CAttributes::setAttributesIDsInvisible(AcDbBlockReference* reference)
{
    kavroGuard("CAttributes::setAttributesIDsInvisible", __FILE__, [&] {
        forEachAttribute(reference, AcDb::kForWrite, [&](AcDbAttribute* attribute) {
            if (attribute->isInvisible())
                return;
            auto record = std::make_unique<CAttribute>();
            record->setObjectId(attribute->objectId());
            add(record.get(), 1);
            record.release();
            attribute->setInvisible(true);
        });
    });
}

void CAttributes::setAttributesIDsVisible()
{
    kavroGuard("CAttributes::setAttributesIDsVisible", __FILE__, [&] {
        for (const CAttribute* element : m_attributes) {
            AcDbObjectId id;
            element->getObjectId(id);
            const Opened<AcDbObject> object = openObject<AcDbObject>(id, AcDb::kForWrite);
            if (auto* attribute = AcDbAttribute::cast(object.get());
                attribute && CString(object->isA()->name()) == "AcDbAttribute")
                attribute->setInvisible(false);
        }
    });
}

void CAttributes::deleteObjects()
{
    kavroGuard("CAttributes::deleteObjects", __FILE__, [&] { deleteAll(m_attributes); });
}

void CAttributes::applyToQPX(CStoredProcedure* procedure, int drawingID, CString handle, int timeout)
{
    procedureGuard(procedure, "CAttributes::applyToQPX", __FILE__, [&] {
        for (CAttribute* attribute : m_attributes)
            attribute->applyToQPX(procedure, drawingID, handle, timeout);
    });
}

void CAttributes::getAssetAttributes(CStoredProcedure* procedure, int drawingID, CString handle, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CAttributes::getAssetAttributes", __FILE__, [&] {
        procedurecall::addInt(parameters, "@drawingID", drawingID);
        procedurecall::addText(parameters, "@handle", 50, handle);
        procedure->setTimeout(timeout);
        procedure->setName("[vlx]..[getAssetAttributes]");
        attached.attach(procedure, &parameters);
        RowSet rows(procedure->execSPReturnParas());
        rows.forEachRow([&] { adopt(new CAttribute(rows.text("aTag"), rows.text("aValue"), 1)); });
    });
}
