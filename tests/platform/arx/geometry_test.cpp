// Geometry: matrices, the object coordinate system and extents.
#include "arx/geometry.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Geometry, MatrixProductInverseAndOrthogonality)
{
    const AcGeMatrix3d m = AcGeMatrix3d::translation(AcGeVector3d(5, -2, 1))
        * AcGeMatrix3d::rotation(0.7, AcGeVector3d(1, 2, 3)) * AcGeMatrix3d::scaling(2.5);
    const AcGePoint3d p(1, 2, 3);
    EXPECT_TRUE(m.inverse().transform(m.transform(p)).isEqualTo(p, AcGeTol()));
    EXPECT_TRUE((m * m.inverse()).isEqualTo(AcGeMatrix3d::kIdentity));
    EXPECT_TRUE(m.isUniScaledOrtho());
    EXPECT_NEAR(m.scale(), 2.5, 1e-12);
    EXPECT_FALSE(AcGeMatrix3d::scaling(AcGeScale3d(2, 1, 1)).isUniScaledOrtho());
    // A rotation of a quarter turn about z takes x to y; translations leave vectors alone.
    const AcGeMatrix3d r = AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis, AcGePoint3d(1, 0, 0));
    EXPECT_TRUE(r.transform(AcGePoint3d(2, 0, 0)).isEqualTo(AcGePoint3d(1, 1, 0)));
    EXPECT_TRUE(AcGeMatrix3d::translation(AcGeVector3d(9, 9, 9)).transform(AcGeVector3d::kXAxis).isEqualTo(AcGeVector3d::kXAxis));
}

TEST(Geometry, AlignCoordSysAndArbitraryAxis)
{
    AcGeMatrix3d m;
    m.setToAlignCoordSys(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis, AcGeVector3d::kYAxis, AcGeVector3d::kZAxis,
                         AcGePoint3d(10, 0, 0), AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis, AcGeVector3d::kZAxis);
    EXPECT_TRUE(m.transform(AcGePoint3d(1, 0, 0)).isEqualTo(AcGePoint3d(10, 1, 0)));
    // The DXF arbitrary-axis rule: a normal near the z axis uses Wy x N, others Wz x N.
    EXPECT_TRUE(qv::ocsXAxis(AcGeVector3d(0, 0, -1)).isEqualTo(AcGeVector3d(-1, 0, 0)));
    EXPECT_TRUE(qv::ocsXAxis(AcGeVector3d(1, 0, 0)).isEqualTo(AcGeVector3d(0, 1, 0)));
    const AcGeVector3d n = AcGeVector3d(1, 1, 1).normal();
    const AcGePoint3d p(3, -4, 7);
    EXPECT_TRUE(AcGeMatrix3d::worldToPlane(n).transform(AcGeMatrix3d::planeToWorld(n).transform(p)).isEqualTo(p));
    // The world's plane is the matrix its construction gives (from a longer normal), bit for bit.
    const AcGeMatrix3d world = AcGeMatrix3d::planeToWorld(AcGeVector3d::kZAxis);
    const AcGeMatrix3d built = AcGeMatrix3d::planeToWorld(AcGeVector3d(0, 0, 2));
    EXPECT_EQ(std::memcmp(world.entry.data(), built.entry.data(), sizeof world.entry), 0);
}

TEST(Geometry, ExtentsEmptyAndTransformed)
{
    AcDbExtents e;
    EXPECT_TRUE(e.isEmpty());
    EXPECT_EQ(e.minPoint().x, 1e20);
    EXPECT_EQ(e.maxPoint().x, -1e20);
    e.addPoint(AcGePoint3d(0, 0, 0));
    e.addPoint(AcGePoint3d(2, 1, 0));
    e.transformBy(AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis));
    EXPECT_TRUE(e.minPoint().isEqualTo(AcGePoint3d(-1, 0, 0), AcGeTol()));
    EXPECT_TRUE(e.maxPoint().isEqualTo(AcGePoint3d(0, 2, 0), AcGeTol()));
}
