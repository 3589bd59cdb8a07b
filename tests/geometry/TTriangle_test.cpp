#include "geometry/TTriangle.h"

#include <gtest/gtest.h>

TEST(TTriangle, SetFillsCentreAndArea)
{
    TTriangle t;
    t.Set(TPoint3D::Make(0, 0, 0), TPoint3D::Make(3, 0, 0), TPoint3D::Make(0, 0, 4));
    EXPECT_FLOAT_EQ(t.area, 6.0f);
    EXPECT_DOUBLE_EQ(t.center.x, 1.0);
    EXPECT_DOUBLE_EQ(t.center.z, 4.0 / 3.0);
    EXPECT_TRUE(t.GetVertex(1) == TPoint3D::Make(3, 0, 0));
    EXPECT_TRUE(t.GetVertex(2) == TPoint3D::Make(0, 0, 4));
}

TEST(TTriangle, DegenerateTriangleHasZeroArea)
{
    TTriangle t;
    t.Set(TPoint3D::Make(0, 0, 0), TPoint3D::Make(1, 1, 1), TPoint3D::Make(2, 2, 2));
    EXPECT_EQ(t.TriangleArea(), 0.0);
}
