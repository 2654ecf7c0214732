#include "host/planoutline.h"

CPlanOutline::CPlanOutline(const AcDbEntity* entity)
{
    read(entity);
}

CPlanOutline::CPlanOutline(AcDbObjectId id) : m_opened(openObject<AcDbEntity>(id, AcDb::kForRead))
{
    read(m_opened.get());
}

bool CPlanOutline::isOutline(const AcDbObject* object)
{
    return AcDbPolyline::cast(object) || AcDb2dPolyline::cast(object);
}

void CPlanOutline::read(const AcDbEntity* entity)
{
    m_polyline = AcDbPolyline::cast(entity);
    if (m_polyline)
        return;
    if (const auto* sequence = AcDb2dPolyline::cast(entity)) {
        m_copy = std::make_unique<AcDbPolyline>();
        sequence->getFlatPolyline(*m_copy);
        m_polyline = m_copy.get();
    }
}
