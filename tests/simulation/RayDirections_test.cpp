#include "simulation/RayDirections.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "geometry/MathFunctions.h"

TEST(GeodesicRayCount, RoundsToTheNearestSphere)
{
    const std::pair<unsigned, unsigned> cases[] = {{1002, 1002}, {20252, 20252}, {12, 12}, {1000, 1002},
                                                   {20000, 20252}, {10000, 10242}, {100, 92}};
    for (const auto& [asked, count] : cases) {
        EXPECT_EQ(GeodesicRayCount(asked), count) << asked;
    }
}

TEST(CreateRaysDirections, CountsUnitLengthAndDistinctEntries)
{
    for (unsigned n : {1u, 2u, 3u, 10u, 45u}) {
        SCOPED_TRACE(n);
        const unsigned expected = 10 * n * n + 2;
        const auto list = CreateRaysDirections(expected);
        ASSERT_EQ(list.size(), expected);
        std::set<std::tuple<long, long, long>> seen;
        for (const TVector& v : list) {
            EXPECT_NEAR(v.Module(), 1.0, 1e-12);
            seen.insert({std::lround(v.x * 1e9), std::lround(v.y * 1e9), std::lround(v.z * 1e9)});
        }
        EXPECT_EQ(seen.size(), list.size()) << "no two entries alike";
        EXPECT_EQ(list[0].x, 0.0);
        EXPECT_EQ(list[0].z, 1.0);
        EXPECT_EQ(list[11].z, -1.0);
    }
    EXPECT_EQ(CreateRaysDirections(2).size(), 12u) << "below one subdivision: the 12 vertices";
}

TEST(CreateRaysDirections, OrderIsStable)
{
    // Ray numbers are identities in the ray files: the order must never change.
    const auto list = CreateRaysDirections(92);
    EXPECT_NEAR(list[1].x, 2.0 / std::sqrt(5.0) * std::cos(72.0 * M_PI / 180.0), 1e-15);
    EXPECT_NEAR(list[6].z, -1.0 / std::sqrt(5.0), 1e-15);
    // First point of edge 0 (vertex 0 to vertex 1), a third of the way along.
    const TVector v1 = list[1];
    const double theta = std::acos(v1.z);
    EXPECT_NEAR(list[12].z, std::cos(theta / 3.0), 1e-12);
    EXPECT_NEAR(std::atan2(list[12].y, list[12].x), std::atan2(v1.y, v1.x), 1e-12);
    double checksum = 0.0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        checksum += (i + 1) * (list[i].x + 2 * list[i].y + 3 * list[i].z);
    }
    EXPECT_NEAR(checksum, -1105.3112773329374, 1e-9);
}

TEST(RemoveRepeatedRays, KeepsOneRayPerDirection)
{
    std::vector<TVector> rays = {TVector(1, 0, 0), TVector(0, 2, 0), TVector(3, 0, 0), TVector(0, 0, 0),
                                 TVector(0, 0.5, 0), TVector(0, 0, -1)};
    EXPECT_EQ(RemoveRepeatedRays(rays), 3u);
    EXPECT_EQ(rays[0].x, 1.0);
    EXPECT_EQ(rays[1].y, 1.0);
    EXPECT_EQ(rays[2].z, -1.0);
}
