#include "simulation/PlaneSearch.h"

#include <random>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "geometry/MathFunctions.h"

namespace {

// The search written out plainly, plane by plane, as the reference.
TPlaneHit BruteForce(std::vector<TPlane>& planes, TPoint3D p, TVector v, int last)
{
    TPlaneHit hit;
    double best = 1.7976931348623158e+307;
    for (int i = 0; i < static_cast<int>(planes.size()); ++i) {
        TPlane& plane = planes[i];
        if (i == last || plane.normal * v == 0.0) {
            continue;
        }
        const TPoint3D q = IntersectionLineAndPlane(v, p, plane.normal, plane.vertice[0]);
        if (!(PointToVector(q - p) * v > 0.0)) {
            continue;
        }
        const double d = Module(q - p);
        if (d < best && plane.Inner(q) >= 0) {
            best = d;
            hit = {i, q, d};
        }
    }
    return hit;
}

// Every wall of the box split into split x split panels, plus tilted panels
// inside: many planes, shared edges and corners.
std::vector<TPlane> ManyPlanes(int split)
{
    std::vector<TPlane> planes = PanelledBoxPlanes(8, 6, 3, split);
    planes.emplace_back(std::vector<TPoint3D>{TPoint3D::Make(4, 0, 0), TPoint3D::Make(4, 3, 0),
                                              TPoint3D::Make(4, 3, 3), TPoint3D::Make(4, 0, 3)});
    planes.emplace_back(std::vector<TPoint3D>{TPoint3D::Make(2, 2, 1), TPoint3D::Make(2, 4, 1),
                                              TPoint3D::Make(2, 3, 2.5)});
    planes.emplace_back(std::vector<TPoint3D>{TPoint3D::Make(5, 1, 0.5), TPoint3D::Make(6.5, 2, 0.7),
                                              TPoint3D::Make(6, 4, 2.2), TPoint3D::Make(5.2, 3.1, 2)});
    return planes;
}

} // namespace

TEST(TPlaneSearch, SameDecisionsAsThePlainSearch)
{
    // 1: searched plane by plane; 4 and 9: through the tree.
    for (int split : {1, 4, 9}) {
        SCOPED_TRACE(split);
        auto planes = ManyPlanes(split);
        auto reference = planes;
        const TPlaneSearch search(planes);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (int trial = 0; trial < 20000; ++trial) {
            // Starts inside and outside the box; panel corners and axis-aligned
            // directions now and then make ties, edge and corner hits.
            TPoint3D p = TPoint3D::Make(4 + 5 * unit(rng), 3 + 4 * unit(rng), 1.5 + 2 * unit(rng));
            if (trial % 11 == 0) {
                p = planes[trial % planes.size()].vertice[0];
            }
            const TVector v = trial % 7 == 0 ? TVector(1, 0, 0)
                              : trial % 13 == 0 ? TVector(0, 0, -1)
                                                : TVector(unit(rng), unit(rng), unit(rng));
            const int last = trial % 5 == 0 ? static_cast<int>(trial % planes.size()) : -1;
            const TPlaneHit a = search.Next(p, v, last);
            const TPlaneHit b = BruteForce(reference, p, v, last);
            ASSERT_EQ(a.plane, b.plane) << trial;
            if (a.plane >= 0) {
                ASSERT_TRUE(a.point == b.point);
                ASSERT_EQ(a.distance, b.distance);
            }
        }
    }
}
