#include "arx/dbviewport.h"

#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"

#include <algorithm>

ACRX_DEFINE_MEMBERS(AcDbViewport, AcDbEntity, "VIEWPORT")

using qv::dxf::DxfIn;
using qv::dxf::DxfOut;
using qv::dxf::Token;

Acad::ErrorStatus AcDbViewport::setCenterPoint(const AcGePoint3d& p) { QV_SETTER(m_center = p) }
Acad::ErrorStatus AcDbViewport::setWidth(double width) { QV_SETTER(m_width = width) }
Acad::ErrorStatus AcDbViewport::setHeight(double height) { QV_SETTER(m_height = height) }
Acad::ErrorStatus AcDbViewport::setViewCenter(const AcGePoint2d& p) { QV_SETTER(m_viewCenter = p) }
Acad::ErrorStatus AcDbViewport::setViewHeight(double height) { QV_SETTER(m_viewHeight = height) }
Acad::ErrorStatus AcDbViewport::setOn() { QV_SETTER(m_status = m_status > 0 ? m_status : 1) }
Acad::ErrorStatus AcDbViewport::setOff() { QV_SETTER(m_status = 0) }

Acad::ErrorStatus AcDbViewport::freezeLayersInViewport(const AcDbObjectIdArray& layerIds)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    for (const AcDbObjectId& id : layerIds) {
        if (!AcDbLayerTableRecord::cast(id.object()))
            return Acad::eInvalidInput;
        if (!isLayerFrozenInViewport(id))
            m_frozen.push_back(id);
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::thawLayersInViewport(const AcDbObjectIdArray& layerIds)
{
    if (const Acad::ErrorStatus es = assertWriteEnabled(); es != Acad::eOk)
        return es;
    for (const AcDbObjectId& id : layerIds)
        m_frozen.erase(std::remove(m_frozen.begin(), m_frozen.end(), id), m_frozen.end());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::thawAllLayersInViewport() { QV_SETTER(m_frozen.clear()) }

bool AcDbViewport::isLayerFrozenInViewport(AcDbObjectId layerId) const
{
    return std::find(m_frozen.begin(), m_frozen.end(), layerId) != m_frozen.end();
}

Acad::ErrorStatus AcDbViewport::getFrozenLayerList(AcDbObjectIdArray& ids) const
{
    ids.clear();
    for (const AcDbObjectId& id : m_frozen)
        if (id.isValid() && !id.isErased())
            ids.push_back(id);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::transformBy(const AcGeMatrix3d& m)
{
    if (!m.isUniScaledOrtho())
        return Acad::eNotApplicable;
    const double s = m.scale();
    QV_SETTER((m_center = m.transform(m_center), m_width *= s, m_height *= s))
}

Acad::ErrorStatus AcDbViewport::getGeomExtents(AcDbExtents& extents) const
{
    const AcGeVector3d half(m_width / 2, m_height / 2, 0);
    extents = AcDbExtents(m_center - half, m_center + half);
    return Acad::eOk;
}

bool AcDbViewport::dxfInField(DxfIn& in, const Token& t)
{
    if (in.subclass() != "AcDbViewport" && !in.subclass().empty())
        return false;
    switch (t.code) {
    case 40: m_width = in.real(t); return true;
    case 41: m_height = in.real(t); return true;
    case 45: m_viewHeight = in.real(t); return true;
    case 51: m_twist = in.real(t) * kPi / 180; return true;
    case 68: m_status = in.integer(t); return true;
    case 69: m_number = in.integer(t); return true;
    case 90: m_flags = in.integer(t); return true;
    case 331: if (AcDbObjectId id = in.reference(t, false)) m_frozen.push_back(id); return true;
    case 12: m_viewCenter.x = in.real(t); return true;
    case 22: m_viewCenter.y = in.real(t); return true;
    }
    return in.pointPart(t, 10, m_center) || in.vectorPart(t, 16, m_viewDirection) || in.pointPart(t, 17, m_viewTarget);
}

void AcDbViewport::dxfOutFields(DxfOut& out) const
{
    AcDbEntity::dxfOutFields(out);
    out.subclass("AcDbViewport");
    out.point(10, m_center);
    out.real(40, m_width);
    out.real(41, m_height);
    out.integer(68, m_status);
    out.integer(69, m_number);
    out.point2d(12, m_viewCenter.x, m_viewCenter.y);
    out.vector(16, m_viewDirection);
    out.point(17, m_viewTarget);
    out.real(45, m_viewHeight);
    out.real(51, m_twist * 180 / kPi);
    for (const AcDbObjectId& id : m_frozen)
        if (id.isValid() && !id.isErased())
            out.id(331, id);
    out.integer(90, m_flags);
}
