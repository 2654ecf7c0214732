// A space's outline as every command reads it: a polyline in a plane, lightweight or 2D.
#pragma once

#include "arx/dbcurves.h"
#include "host/hostguards.h"

#include <memory>

// An entity read as an outline, as a lightweight polyline: a lightweight polyline as it is; a
// 2D polyline (POLYLINE, as older drawings hold outlines) as a copy in no database of what it
// draws: the vertices it is drawn through (a curve or spline fit's, not the spline's frame)
// with their bulges and widths, its closure, elevation and normal. Any other entity, a 3D
// polyline or a mesh among them, is no outline.
class CPlanOutline
{
public:
    // The outline of an entity that the caller keeps open while this lives.
    explicit CPlanOutline(const AcDbEntity* entity);
    // The outline of the entity of an id, held open for read while this lives.
    explicit CPlanOutline(AcDbObjectId id);
    CPlanOutline(const CPlanOutline&) = delete;
    CPlanOutline& operator=(const CPlanOutline&) = delete;

    // Whether the object is an outline, told without reading it.
    static bool isOutline(const AcDbObject* object);

    // The polyline, or null when the entity is no outline (or the id does not open).
    const AcDbPolyline* get() const { return m_polyline; }
    const AcDbPolyline* operator->() const { return m_polyline; }
    explicit operator bool() const { return m_polyline != nullptr; }

private:
    void read(const AcDbEntity* entity);

    Opened<AcDbEntity> m_opened;
    std::unique_ptr<AcDbPolyline> m_copy;
    const AcDbPolyline* m_polyline = nullptr;
};
