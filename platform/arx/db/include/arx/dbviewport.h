// Paper-space viewports: a window on model space with its own frozen layers.
#pragma once

#include "arx/dbentity.h"

class AcDbViewport : public AcDbEntity
{
public:
    ACRX_DECLARE_MEMBERS(AcDbViewport)

    AcGePoint3d centerPoint() const { return m_center; }
    Acad::ErrorStatus setCenterPoint(const AcGePoint3d& p);
    double width() const { return m_width; }
    Acad::ErrorStatus setWidth(double width);
    double height() const { return m_height; }
    Acad::ErrorStatus setHeight(double height);
    AcGePoint2d viewCenter() const { return m_viewCenter; }
    Acad::ErrorStatus setViewCenter(const AcGePoint2d& p);
    double viewHeight() const { return m_viewHeight; }
    Acad::ErrorStatus setViewHeight(double height);
    AcGeVector3d viewDirection() const { return m_viewDirection; }
    AcGePoint3d viewTarget() const { return m_viewTarget; }
    double twistAngle() const { return m_twist; }
    // The viewport's id in its layout (1 is the paper-space view itself).
    int number() const { return m_number; }
    // On: a positive status (its place in the stack of active viewports) and not turned off
    // by its flags.
    bool isOn() const { return m_status > 0 && !(m_flags & kOffFlag); }
    Acad::ErrorStatus setOn();
    Acad::ErrorStatus setOff();
    // Clipped by an entity of its layout (which draws the frame) rather than its rectangle.
    bool isNonRectClipOn() const { return m_flags & kNonRectClipFlag; }

    Acad::ErrorStatus freezeLayersInViewport(const AcDbObjectIdArray& layerIds);
    Acad::ErrorStatus thawLayersInViewport(const AcDbObjectIdArray& layerIds);
    Acad::ErrorStatus thawAllLayersInViewport();
    bool isLayerFrozenInViewport(AcDbObjectId layerId) const;
    Acad::ErrorStatus getFrozenLayerList(AcDbObjectIdArray& ids) const;

    Acad::ErrorStatus transformBy(const AcGeMatrix3d& m) override;
    Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const override;

    const qv::dxf::FieldTable& dxfTable() const override;

private:
    static constexpr int kNonRectClipFlag = 0x10000, kOffFlag = 0x20000;

    AcGePoint3d m_center;
    double m_width = 0, m_height = 0, m_viewHeight = 1, m_twist = 0;
    int m_status = 1, m_number = 2, m_flags = 0;
    AcGePoint2d m_viewCenter;
    AcGeVector3d m_viewDirection = AcGeVector3d::kZAxis;
    AcGePoint3d m_viewTarget;
    AcDbObjectIdArray m_frozen;
};
