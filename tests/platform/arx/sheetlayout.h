// Test helpers for plots of a layout: a sheet and a viewport on it.
#pragma once

#include "arx/dbdatabase.h"
#include "arx/dblayout.h"
#include "arx/dbviewport.h"

// Adds the layout "Sheet" to db; its id and its block's id go to the out arguments.
inline Acad::ErrorStatus createSheet(AcDbDatabase& db, AcDbObjectId& layoutId, AcDbObjectId& blockId)
{
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    const Acad::ErrorStatus es = acdbLayoutManager()->createLayout("Sheet", layoutId, blockId, &db);
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    return es;
}

// A viewport centred at centre on the paper, width × height mm, that shows model space
// around viewCenter, viewHeight tall; not yet in any block.
inline AcDbViewport* newViewport(const AcGePoint3d& centre, double width, double height, const AcGePoint2d& viewCenter,
                                 double viewHeight)
{
    auto* vp = new AcDbViewport;
    vp->setCenterPoint(centre);
    vp->setWidth(width);
    vp->setHeight(height);
    vp->setViewCenter(viewCenter);
    vp->setViewHeight(viewHeight);
    return vp;
}
