// The clipping boundary of a block reference: a SPATIAL_FILTER under "ACAD_FILTER" →
// "SPATIAL" of the reference's extension dictionary, read from the pairs the database keeps
// of it. The boundary (two corners of a rectangle, or a polygon) is taken into the block's
// own coordinates through the filter's matrices, so that it follows the reference wherever
// it is moved since; an inverted clip (what lies outside the boundary is drawn) is the one
// its extension record "ACAD_XREC_ROUNDTRIP" names. A filter that is switched off, malformed
// (a point count other than its points, a number that is not finite, matrices missing or
// singular) or degenerate (no area) clips nothing.
#pragma once

#include "arx/geometry.h"

#include <vector>

class AcDbBlockReference;

namespace qv {

class ReferenceClip
{
public:
    explicit ReferenceClip(const AcDbBlockReference* ref);

    bool isActive() const { return !m_boundary.empty(); }
    bool isInverted() const { return m_inverted; }
    // The closed boundary in the block's coordinates; empty when nothing is clipped.
    const std::vector<AcGePoint3d>& boundary() const { return m_boundary; }

private:
    std::vector<AcGePoint3d> m_boundary;
    bool m_inverted = false;
};

} // namespace qv
