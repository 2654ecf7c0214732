// A path on the sheet, in device units (points for PDF, pixels for rasters, y down).
#pragma once

#include <vector>

namespace qv {

struct DevicePoint {
    double x = 0, y = 0;
};
using DevicePath = std::vector<DevicePoint>;

} // namespace qv
