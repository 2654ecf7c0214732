// What the editor keeps for one drawing, made on first use and gone with the drawing's
// contents: the serial number that entity names carry, the spatial index, and the view.
#pragma once

#include "arx/dbspatialindex.h"

#include <optional>
#include <vector>

namespace qv {

struct DrawingState {
    explicit DrawingState(AcDbDatabase* db);
    ~DrawingState();
    DrawingState(const DrawingState&) = delete;
    DrawingState& operator=(const DrawingState&) = delete;

    AcDbDatabase* database;
    long long serial;
    SpatialIndex index;
    std::optional<Box2d> view;      // none: the extents of the current space
    std::vector<std::optional<Box2d>> previousViews;
};

DrawingState& drawingState(AcDbDatabase* db);
// The drawing whose state has the serial number, or null once that state is gone.
AcDbDatabase* databaseWithSerial(long long serial);

} // namespace qv
