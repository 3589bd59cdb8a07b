#include "simulation/SourceTracer.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "simulation/RayDirections.h"

namespace {

// A small room traced with a scene built by hand: bands that absorb
// differently on every wall, receivers large and small, near a wall and in
// the open, and every option that changes what a ray leaves in its log.
struct TracedRoom {
    std::vector<TPlane> planes;
    TSurfaceTable surfaces;
    TTraceScene scene;
};

void Fill(TracedRoom& s, bool open, int maxReflections, bool tail, bool lateFile)
{
    s.planes = BoxPlanes(8, 6, 3);
    if (open) {
        s.planes.pop_back(); // the wall x = 8 is missing: rays get lost
    }
    for (std::size_t P = 0; P < s.planes.size(); ++P) {
        s.planes[P].LayerID = static_cast<int>(P % 2);
    }
    const unsigned int bands = 9;
    s.surfaces = TSurfaceTable(static_cast<unsigned int>(s.planes.size()), bands);
    for (unsigned int P = 0; P < s.planes.size(); ++P) {
        for (unsigned int b = 0; b < bands; ++b) {
            s.surfaces.Set(P, b, 0.02f + 0.01f * static_cast<float>((P * 7 + b * 3) % 11), 0.0f);
        }
    }
    TTraceScene& scene = s.scene;
    scene.planes = &s.planes;
    scene.surfaces = &s.surfaces;
    scene.receiverPositions = {TPoint3D::Make(6, 2.5, 1.2), TPoint3D::Make(0.4, 0.5, 0.3),
                               TPoint3D::Make(4, 3, 1.5)};
    scene.receiverRadii = {0.5, 0.3, 1.5};
    scene.clusterOrder = {2, 5, 0};
    scene.NumBands = bands;
    scene.NumPlaneLayers = 2;
    scene.samplesPerMetre = 44100.0f / 343.0f;
    scene.maxDistance = 1.5 * 343.0;
    scene.MaxLength = static_cast<unsigned int>(1.5 * 44100);
    scene.maxReflections = maxReflections;
    scene.artificialTail = tail;
    scene.stopDecay = -60.0f;
    scene.hitFiles = true;
    scene.saveLateRays = lateFile;
    scene.sourcePosition = TPoint3D::Make(2, 3, 1.5);
    std::vector<TVector> receiverRays;
    for (const TPoint3D& r : scene.receiverPositions) {
        receiverRays.push_back(PointToVector(r - scene.sourcePosition));
    }
    RemoveRepeatedRays(receiverRays);
    for (const TVector& v : receiverRays) {
        scene.receiverRayDirections.push_back(cart2sph(v));
    }
    scene.directions = receiverRays;
    for (const TVector& v : CreateRaysDirections(1500)) {
        scene.directions.push_back(v);
    }
    scene.emitted.assign(bands, 1.0f / static_cast<float>(scene.directions.size()));
}

// Every ray of the scene, in runs as the simulation traces them.
std::vector<TTraceLog> TraceAll(const TTraceScene& scene)
{
    std::vector<TTraceLog> logs;
    const auto count = static_cast<unsigned int>(scene.directions.size());
    for (unsigned int first = 0; first < count; first += 64) {
        logs.emplace_back();
        TraceRays(scene, first, std::min(count, first + 64), logs.back());
    }
    return logs;
}

bool SameBits(const void* a, const void* b, std::size_t size)
{
    return std::memcmp(a, b, size) == 0;
}

void ExpectSameLogs(const std::vector<TTraceLog>& a, const std::vector<TTraceLog>& b)
{
    ASSERT_EQ(a.size(), b.size());
    std::size_t arrivals = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "run " << k);
        ASSERT_EQ(a[k].segments, b[k].segments);
        ASSERT_EQ(a[k].ends.size(), b[k].ends.size());
        for (std::size_t i = 0; i < a[k].ends.size(); ++i) {
            const TRayEnd& x = a[k].ends[i];
            const TRayEnd& y = b[k].ends[i];
            ASSERT_EQ(x.counted, y.counted) << i;
            ASSERT_EQ(x.lost, y.lost) << i;
            ASSERT_EQ(x.reflections, y.reflections) << i;
            ASSERT_TRUE(SameBits(&x.dist, &y.dist, sizeof x.dist) && SameBits(&x.p, &y.p, sizeof x.p) &&
                        SameBits(&x.v, &y.v, sizeof x.v))
                << i;
        }
        ASSERT_EQ(a[k].arrivals.size(), b[k].arrivals.size());
        for (std::size_t i = 0; i < a[k].arrivals.size(); ++i) {
            const TArrivalRecord& x = a[k].arrivals[i];
            const TArrivalRecord& y = b[k].arrivals[i];
            ASSERT_EQ(x.receiver, y.receiver) << i;
            ASSERT_EQ(x.id, y.id) << i;
            ASSERT_EQ(x.actions, y.actions) << i;
            ASSERT_EQ(x.index, y.index) << i;
            ASSERT_EQ(x.reflections, y.reflections) << i;
            ASSERT_TRUE(SameBits(&x.fatordist, &y.fatordist, sizeof x.fatordist)) << i;
            ASSERT_TRUE(SameBits(&x.dir, &y.dir, sizeof x.dir) &&
                        SameBits(&x.startDir, &y.startDir, sizeof x.startDir))
                << i;
            ASSERT_TRUE(SameBits(&a[k].energies[x.energies], &b[k].energies[y.energies], 9 * sizeof(float))) << i;
            if ((x.actions & (TArrivalRecord::kEarlyHit | TArrivalRecord::kLateHit)) != 0) {
                ASSERT_TRUE(SameBits(&a[k].hits[x.hits], &b[k].hits[y.hits], 2 * sizeof(unsigned int))) << i;
            }
            ASSERT_EQ(a[k].text.substr(x.line, x.lineLength), b[k].text.substr(y.line, y.lineLength)) << i;
        }
        arrivals += a[k].arrivals.size();
    }
    EXPECT_GT(arrivals, 1000u);
}

} // namespace

// Rays go through the search one by one, in batches of the search with the
// rest ray by ray, or eight at a time through the widest vectors, as the
// processor allows; every ray must leave exactly the same log whichever way
// it went: arrivals, their energies, hit counts and ray-file lines, and how
// each ray ended.
TEST(TraceRays, EveryPathLeavesTheSameLog)
{
    struct Case {
        bool open;
        int maxReflections;
        bool tail;
        bool lateFile;
    };
    for (const Case c : {Case{false, -1, false, false}, Case{true, -1, false, true}, Case{false, 12, true, false}}) {
        SCOPED_TRACE(testing::Message() << (c.open ? "open" : "closed") << " room, limit " << c.maxReflections);
        TracedRoom setup;
        Fill(setup, c.open, c.maxReflections, c.tail, c.lateFile);
        const TPlaneSearch oneByOne(setup.planes, 2);
        setup.scene.search = &oneByOne;
        const std::vector<TTraceLog> reference = TraceAll(setup.scene);
        if (c.open) {
            std::size_t lost = 0;
            for (const TTraceLog& log : reference) {
                for (const TRayEnd& end : log.ends) {
                    lost += end.lost ? 1 : 0;
                }
            }
            EXPECT_GT(lost, 50u);
        }
        for (const int widest : {4, 8}) {
            const TPlaneSearch search(setup.planes, widest);
            if (!search.Batches() || (widest == 8) != search.WideBatches()) {
                continue; // this processor has no such vectors
            }
            SCOPED_TRACE(testing::Message() << "up to " << widest << " lanes");
            setup.scene.search = &search;
            ExpectSameLogs(TraceAll(setup.scene), reference);
        }
    }
}

// A stop request ends the run between rays: the rays under way end as
// usual, none starts after it, and the log covers the rays begun.
TEST(TraceRays, StopsBetweenRays)
{
    TracedRoom setup;
    Fill(setup, false, -1, false, false);
    const TPlaneSearch search(setup.planes);
    setup.scene.search = &search;
    TTraceLog log;
    const std::atomic<bool> stop(false);
    TraceRays(setup.scene, 0, 64, log, &stop);
    EXPECT_TRUE(log.ends.empty());
    EXPECT_TRUE(log.arrivals.empty());
    EXPECT_EQ(log.segments, 0u);
}
