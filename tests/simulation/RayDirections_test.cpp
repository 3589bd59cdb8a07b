#include "simulation/RayDirections.h"

#include <cmath>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

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
    for (unsigned n : {1u, 3u, 45u}) {
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
        EXPECT_EQ(list[0].z, 1.0) << "straight up first";
    }
    EXPECT_EQ(CreateRaysDirections(2).size(), 12u) << "below one subdivision: the 12 vertices";
}

TEST(CreateRaysDirections, OrderIsStable)
{
    // Ray numbers are identities in the ray files: the order must never change.
    const auto list = CreateRaysDirections(92);
    double checksum = 0.0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        checksum += (i + 1) * (list[i].x + 2 * list[i].y + 3 * list[i].z);
    }
    EXPECT_NEAR(checksum, -1105.3112773329374, 1e-9);

    // Faces worked on by several threads: the same list, bit for bit.
    const auto one = CreateRaysDirections(20252);
    for (unsigned int threads : {2u, 7u}) {
        const auto many = CreateRaysDirections(20252, threads);
        ASSERT_EQ(many.size(), one.size());
        EXPECT_EQ(std::memcmp(many.data(), one.data(), one.size() * sizeof(TVector)), 0) << threads;
    }
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
