#include "arx/acedview.h"

#include "arx/aced.h"
#include "arx/dbdatabase.h"
#include "arx/dbdrawingstate.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace qv {

namespace {

constexpr double kScreenWidth = 800, kScreenHeight = 600;
constexpr size_t kMaxPreviousViews = 10;

double headerReal(AcDbDatabase* db, const char* name, int code, double fallback)
{
    double v = fallback;
    return db->getHeaderReal(name, code, v) && std::isfinite(v) ? v : fallback;
}

// The extents of the current space; the drawing limits when it is empty.
Box2d extentsWindow(AcDbDatabase* db)
{
    Box2d box = drawingState(db).index.extents(db->currentSpaceId());
    if (box.isEmpty())
        box = Box2d::around(headerReal(db, "$LIMMIN", 10, 0), headerReal(db, "$LIMMIN", 20, 0),
                            headerReal(db, "$LIMMAX", 10, 420), headerReal(db, "$LIMMAX", 20, 297));
    if (box.width() <= 0 && box.height() <= 0)
        box = box.expanded(0.5);
    return box;
}

void show(DrawingState& state, const std::optional<Box2d>& window)
{
    state.previousViews.push_back(state.view);
    if (state.previousViews.size() > kMaxPreviousViews)
        state.previousViews.erase(state.previousViews.begin());
    state.view = window;
}

} // namespace

Box2d viewWindow(AcDbDatabase* db)
{
    if (!db)
        return Box2d::around(0, 0, kScreenWidth, kScreenHeight);
    const DrawingState& state = drawingState(db);
    return state.view ? *state.view : extentsWindow(db);
}

bool zoomExtents(AcDbDatabase* db)
{
    if (!db)
        return false;
    show(drawingState(db), std::nullopt);
    return true;
}

bool zoomWindow(AcDbDatabase* db, const AcGePoint3d& corner1, const AcGePoint3d& corner2)
{
    for (const double v : {corner1.x, corner1.y, corner2.x, corner2.y})
        if (!std::isfinite(v))
            return false;
    const Box2d window = Box2d::around(corner1.x, corner1.y, corner2.x, corner2.y);
    if (!db || (window.width() <= 0 && window.height() <= 0))
        return false;
    show(drawingState(db), window);
    return true;
}

bool zoomPrevious(AcDbDatabase* db)
{
    if (!db)
        return false;
    DrawingState& state = drawingState(db);
    if (state.previousViews.empty())
        return false;
    state.view = state.previousViews.back();
    state.previousViews.pop_back();
    return true;
}

double pickBoxHalfSize(AcDbDatabase* db)
{
    resbuf pickbox;
    const double pixels = acedGetVar("PICKBOX", &pickbox) == RTNORM ? std::max<short>(pickbox.resval.rint, 0) : 3;
    const Box2d window = viewWindow(db);
    // The window fills the screen in the direction that limits it.
    const double shownHeight = std::max(window.height(), window.width() * kScreenHeight / kScreenWidth);
    return pixels * shownHeight / kScreenHeight;
}

} // namespace qv
