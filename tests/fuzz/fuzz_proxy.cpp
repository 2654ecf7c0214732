// Decodes proxy graphics from arbitrary bytes. The decoding stays within the points it may
// make, and every point and text direction it gives is finite.
#include "arx/dbproxygraphics.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::size_t kMaxPoints = 100000;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

bool finite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool finite(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Decoded with a tolerance, as a plot does, and without, as the extents are.
    for (const double tolerance : {0.01, 0.0}) {
        const qv::ProxyGraphics graphics(bytes, tolerance, kMaxPoints);
        std::size_t points = 0;
        for (const qv::ProxyGraphics::Part& part : graphics.parts()) {
            points += part.points.size();
            for (const AcGePoint3d& p : part.points)
                if (!finite(p))
                    fail("a point is not finite");
            if (!finite(part.direction) || !finite(part.up) || !std::isfinite(part.widthFactor))
                fail("a text's direction is not finite");
        }
        if (points > kMaxPoints)
            fail("more points than allowed");
        graphics.extents();
    }
    return 0;
}
