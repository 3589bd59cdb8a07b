#include "simulation/PlaneSearch.h"

#include <array>
#include <cmath>
#include <cstring>
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

// Upright prism over a floor outline (x, y pairs) from z = 0 to z = h.
std::vector<TPlane> Prism(const std::vector<std::array<double, 2>>& outline, double h)
{
    std::vector<TPoint3D> floor, ceiling;
    for (const auto& c : outline) {
        floor.push_back(TPoint3D::Make(c[0], c[1], 0));
        ceiling.push_back(TPoint3D::Make(c[0], c[1], h));
    }
    std::vector<TPlane> planes;
    planes.emplace_back(floor);
    planes.emplace_back(std::vector<TPoint3D>(ceiling.rbegin(), ceiling.rend()));
    for (std::size_t k = 0; k < outline.size(); ++k) {
        const std::size_t next = (k + 1) % outline.size();
        planes.emplace_back(std::vector<TPoint3D>{floor[k], floor[next], ceiling[next], ceiling[k]});
    }
    return planes;
}

// Rooms the search takes plane by plane: a box, a box turned about two axes
// (no normal along an axis), an L-shaped room and one with a notch, whose
// floors and ceilings hold four and three triangles.
std::vector<std::vector<TPlane>> SmallRooms()
{
    std::vector<TPlane> tilted;
    const double a = 0.3, b = 0.7;
    for (const TPlane& wall : BoxPlanes(5, 4, 3)) {
        std::vector<TPoint3D> ring;
        for (const TPoint3D& c : wall.vertice) {
            const double x = c.x * std::cos(a) - c.y * std::sin(a), y = c.x * std::sin(a) + c.y * std::cos(a);
            ring.push_back(TPoint3D::Make(x * std::cos(b) + c.z * std::sin(b), y, c.z * std::cos(b) - x * std::sin(b)));
        }
        tilted.emplace_back(ring);
    }
    return {BoxPlanes(8, 6, 3), tilted, Prism({{0, 0}, {6, 0}, {6, 3}, {3, 3}, {3, 5}, {0, 5}}, 3),
            Prism({{0, 0}, {5, 0}, {5, 4}, {2.5, 2}, {0, 4}}, 2.5)};
}

// A ray for trial number trial in a small room: starts inside and outside,
// on corners, on edges and on planes (skipping the plane started on), and
// runs along axes, towards corners and along edges, where ties and crossings
// on polygon borders are common.
struct TrialRay {
    TPoint3D p;
    TVector v;
    int last = -1;
};

TrialRay MakeTrialRay(const std::vector<TPlane>& planes, std::mt19937& rng, int trial)
{
    const int count = static_cast<int>(planes.size());
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto corner = [&](int plane) {
        const auto& ring = planes[plane].vertice;
        return ring[std::uniform_int_distribution<std::size_t>(0, ring.size() - 1)(rng)];
    };
    const int on = trial % count;
    TrialRay ray;
    ray.p = TPoint3D::Make(-1 + 10 * unit(rng), -1 + 8 * unit(rng), -1 + 5 * unit(rng));
    ray.last = trial % 9 == 0 ? count + trial % 3 - 1 : -1; // -1, count and beyond: no skip
    switch (trial % 4) {
    case 1: // a corner
        ray.p = corner(on);
        break;
    case 2: { // a point of an edge
        const TPoint3D c0 = corner(on), c1 = corner(on);
        ray.p = c0 + (c1 - c0) * std::round(4 * unit(rng)) * 0.25;
        break;
    }
    case 3: { // a point of a triangle of the plane, which is then skipped
        const TTriangle& t = planes[on].triangulo[0];
        const double s = unit(rng), w = unit(rng) * (1 - s);
        ray.p = t.p0 + (t.p1 - t.p0) * s + (t.p2 - t.p0) * w;
        ray.last = on;
        break;
    }
    }
    ray.v = TVector(unit(rng) - 0.5, unit(rng) - 0.5, unit(rng) - 0.5);
    if (trial % 5 == 1) {
        ray.v = TVector(0, 0, 0);
        (trial % 3 == 0 ? ray.v.x : trial % 3 == 1 ? ray.v.y : ray.v.z) = trial % 2 == 0 ? 1.0 : -2.5;
    } else if (trial % 5 == 2) {
        ray.v = PointToVector(corner(trial % count) - ray.p); // may be zero: no direction, no hit
    } else if (trial % 5 == 3) {
        ray.v = PointToVector(corner(on) - corner(on));
    }
    return ray;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

// The plane-by-plane search of small rooms takes shortcuts (several planes per
// instruction, the polygon test without divisions, the sort only for near
// ties or a nearest crossing outside its polygon); none may change a bit of
// its answers.
TEST(TPlaneSearch, SmallRoomsGiveThePlainSearchsAnswersBitForBit)
{
    for (const bool narrow : {false, true}) {
        for (auto& planes : SmallRooms()) {
            SCOPED_TRACE(testing::Message() << planes.size() << (narrow ? " planes, two lanes" : " planes"));
            auto reference = planes;
            const TPlaneSearch search(planes, narrow ? 2 : 8);
            std::mt19937 rng(11);
            int hits = 0;
            for (int trial = 0; trial < 30000; ++trial) {
                const TrialRay ray = MakeTrialRay(planes, rng, trial);
                const TPlaneHit a = search.Next(ray.p, ray.v, ray.last);
                const TPlaneHit b = BruteForce(reference, ray.p, ray.v, ray.last);
                ASSERT_EQ(a.plane, b.plane) << trial;
                if (b.plane >= 0) {
                    ++hits;
                    ASSERT_EQ(std::memcmp(&a.point, &b.point, sizeof a.point), 0) << trial;
                    ASSERT_TRUE(SameBits(a.distance, b.distance)) << trial;
                }
            }
            EXPECT_GT(hits, 10000);
        }
    }
}

// Eight rays at once, one per lane, four or eight lanes to a vector as the
// processor allows: each lane gets what Next gives its ray alone, whatever
// the other lanes hold and whichever lanes are in use.
TEST(TPlaneSearch, BatchesGiveEachRayWhatNextGivesIt)
{
    int batched = 0;
    for (const int widest : {4, 8}) {
        for (auto& planes : SmallRooms()) {
            SCOPED_TRACE(testing::Message() << planes.size() << " planes, up to " << widest << " lanes");
            const TPlaneSearch search(planes, widest);
            if (!search.Batches() || (widest == 8) != search.WideBatches()) {
                continue; // this processor has no such vectors
            }
            ++batched;
            std::mt19937 rng(5);
            int trial = 0;
            for (int round = 0; round < 4000; ++round) {
                TPlaneSearch::TRayBatch batch;
                batch.active = std::uniform_int_distribution<unsigned>(1, 255)(rng);
                std::vector<TrialRay> rays(TPlaneSearch::kBatchLanes);
                for (int l = 0; l < TPlaneSearch::kBatchLanes; ++l) {
                    rays[l] = MakeTrialRay(planes, rng, trial++);
                    batch.px[l] = rays[l].p.x;
                    batch.py[l] = rays[l].p.y;
                    batch.pz[l] = rays[l].p.z;
                    batch.vx[l] = rays[l].v.x;
                    batch.vy[l] = rays[l].v.y;
                    batch.vz[l] = rays[l].v.z;
                    batch.lastPlane[l] = rays[l].last;
                }
                TPlaneSearch::TBatchHits hits;
                search.NextBatch(batch, hits);
                for (int l = 0; l < TPlaneSearch::kBatchLanes; ++l) {
                    if ((batch.active >> l & 1u) == 0) {
                        continue;
                    }
                    const TPlaneHit alone = search.Next(rays[l].p, rays[l].v, rays[l].last);
                    ASSERT_EQ(hits.plane[l], alone.plane) << round << " lane " << l;
                    if (alone.plane >= 0) {
                        ASSERT_TRUE(SameBits(hits.qx[l], alone.point.x) && SameBits(hits.qy[l], alone.point.y) &&
                                    SameBits(hits.qz[l], alone.point.z))
                            << round << " lane " << l;
                        ASSERT_TRUE(SameBits(hits.distance[l], alone.distance)) << round << " lane " << l;
                    }
                }
            }
        }
    }
    if (batched == 0) {
        GTEST_SKIP() << "no vectors of four doubles on this processor";
    }
}

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
