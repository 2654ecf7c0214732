// Searches a closed outline made from arbitrary bytes for where it meets itself, by the sweep and
// pair by pair, and fails when the two answers differ. Three bytes make a vertex: its x and y on
// a grid (so that vertices and edges meet often) and its bulge's choice: a straight side mostly,
// else an arc of a bulge from a table reaching near-whole turns (a bulge of 1e9).
#include "geometry/outlinecrossing.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

double bulgeOf(std::uint8_t choice)
{
    static constexpr std::array<double, 12> kBulges = {0.1, 0.25, 0.4142135623730951, 0.5, 1, 2, 10, 1e3, 1e5, 1e7, 1e9, 3.7};
    if (choice < 128)
        return 0;
    const double bulge = kBulges[(choice & 63) % kBulges.size()];
    return choice & 64 ? -bulge : bulge;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6 || size > 3 * 64)
        return 0;
    AcDbPolyline outline;
    for (std::size_t i = 0; i + 2 < size; i += 3)
        outline.addVertexAt(outline.numVerts(), AcGePoint2d(data[i] % 32 * 100.0, data[i + 1] % 32 * 100.0),
                            bulgeOf(data[i + 2]));
    outline.setClosed(true);
    const std::optional<OutlineMeeting> swept = findSelfCrossing(outline, 0);
    const std::optional<OutlineMeeting> paired = findSelfCrossing(outline, std::numeric_limits<std::size_t>::max());
    if (swept.has_value() != paired.has_value())
        fail("the sweep and the pairs disagree whether the outline meets itself");
    if (swept && (swept->crosses != paired->crosses || swept->at.x != paired->at.x || swept->at.y != paired->at.y))
        fail("the sweep and the pairs name different meetings");
    return 0;
}
