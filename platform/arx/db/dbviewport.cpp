#include "arx/dbviewport.h"

#include "dbobjectimpl.h"
#include "arx/dbsymtb.h"

#include <algorithm>

ACRX_DEFINE_MEMBERS(AcDbViewport, AcDbEntity, "VIEWPORT")

Acad::ErrorStatus AcDbViewport::setCenterPoint(const AcGePoint3d& p) { QV_CHECKED_SETTER(allFinite(p), m_center = p) }
Acad::ErrorStatus AcDbViewport::setWidth(double width) { QV_CHECKED_SETTER(allFinite(width), m_width = width) }
Acad::ErrorStatus AcDbViewport::setHeight(double height) { QV_CHECKED_SETTER(allFinite(height), m_height = height) }
Acad::ErrorStatus AcDbViewport::setViewCenter(const AcGePoint2d& p) { QV_CHECKED_SETTER(allFinite(p), m_viewCenter = p) }
Acad::ErrorStatus AcDbViewport::setViewHeight(double height) { QV_CHECKED_SETTER(allFinite(height), m_viewHeight = height) }
Acad::ErrorStatus AcDbViewport::setOn() { QV_SETTER(m_status = m_status > 0 ? m_status : 1; m_flags &= ~kOffFlag) }
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
    if (const Acad::ErrorStatus es = checkTransform(m, true); es != Acad::eOk)
        return es;
    const double s = m.scale();
    m_center = m.transform(m_center);
    m_width *= s;
    m_height *= s;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::getGeomExtents(AcDbExtents& extents) const
{
    const AcGeVector3d half(m_width / 2, m_height / 2, 0);
    extents = AcDbExtents(m_center - half, m_center + half);
    return Acad::eOk;
}

const FieldTable& AcDbViewport::dxfTable() const
{
    static const FieldTable table({dxfFields(), {
        subclass("AcDbViewport"),
        point<&AcDbViewport::m_center>(10),
        real<&AcDbViewport::m_width>(40),
        real<&AcDbViewport::m_height>(41),
        integer<&AcDbViewport::m_status>(68),
        integer<&AcDbViewport::m_number>(69),
        point2d<&AcDbViewport::m_viewCenter>(12),
        vector<&AcDbViewport::m_viewDirection>(16),
        point<&AcDbViewport::m_viewTarget>(17),
        real<&AcDbViewport::m_viewHeight>(45),
        angle<&AcDbViewport::m_twist>(51),
        value({331},
              [](AcRxObject& o, const Field&, const Pair& p, FieldContext& c) {
                  if (const AcDbObjectId id = qv::dbContext(c).reference(p, false); !id.isNull())
                      static_cast<AcDbViewport&>(o).m_frozen.push_back(id);
                  return true;
              },
              [](const AcRxObject& o, const Field& f, Writer& out) {
                  for (const AcDbObjectId& id : static_cast<const AcDbViewport&>(o).m_frozen)
                      if (qv::live(id))
                          out.handle(f.code(), id.handle().value());
              }),
        integer<&AcDbViewport::m_flags>(90),
    }});
    return table;
}
