#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "results/ResultFixtures.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"

namespace {

// Settings fixed for hand computation: 44.1 kHz, 343 m/s, no air absorption,
// results in the scratch folder.
void Prepare(TRoom& room, const ScratchFolder& folder)
{
    room.ProjectFolder = folder.Folder();
    room.FSample = 44100.0f;
    room.VSound = 343.0f;
    room.MaxLength = 44100;
    room.AirAbs.assign(room.NumBands, 0.0);
    room.SaveLostRays = 0;
}

void AddSourceAt(TRoom& room, TPoint3D p, unsigned rays = 12, float powerW = 1.0f)
{
    room.AddSource(TSource(p, powerW, -1, rays, 0.0f, 0.0f, room.NumBands, "NONE"));
}

void AddReceiverAt(TRoom& room, TPoint3D p, double radius)
{
    room.AddReceiver(TReceiver(p, radius, 0.0, -1));
}

// A square of side 2h centred on c, perpendicular to the given axis (0 x, 1 y, 2 z).
TPlane Square(TPoint3D c, int axis, double h)
{
    auto P = [&](double a, double b) {
        double v[3] = {c.x, c.y, c.z};
        v[(axis + 1) % 3] += a;
        v[(axis + 2) % 3] += b;
        return TPoint3D::Make(v[0], v[1], v[2]);
    };
    TPlane plane(std::vector<TPoint3D>{P(-h, -h), P(h, -h), P(h, h), P(-h, h)});
    plane.LayerID = 0;
    return plane;
}

// A 1 x 1 x 20 m tube open at the top, source near the bottom.
void OpenTube(TRoom& room, const ScratchFolder& folder, float absorption = 0.0f)
{
    Prepare(room, folder);
    std::vector<TPlane> planes = BoxPlanes(1, 1, 20);
    planes.erase(planes.begin() + 1); // no ceiling
    FillRoom(room, planes, absorption);
    AddSourceAt(room, TPoint3D::Make(0.5, 0.5, 0.5), 1002);
    AddReceiverAt(room, TPoint3D::Make(0.5, 0.5, 10), 0.2);
    room.SaveLostRays = 1;
    room.MaxLength = 441000;
}

} // namespace

TEST(RayTracingReception, ProximityFactor)
{
    struct Case {
        const char* name;
        TPoint3D centre;
        double expected;
    };
    // The ray starts at the origin along +x; receivers of radius 0.5 m.
    const Case cases[] = {
        {"on the line", TPoint3D::Make(4, 0, 0), 1.0},
        {"0.25 m off", TPoint3D::Make(4, 0.25, 0), 0.5},
        {"0.25 m off in z", TPoint3D::Make(2, 0, -0.25), 0.5},
        {"exactly on the rim", TPoint3D::Make(4, 0, 0.5), 0.0},
        {"outside", TPoint3D::Make(4, 0.7, 0), 0.0},
        {"behind, close", TPoint3D::Make(-0.1, 0, 0), -1.0},
        {"level with the start", TPoint3D::Make(0, 0.2, 0), -1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRoom room;
        AddReceiverAt(room, c.centre, 0.5);
        Raio_st ray(room.NumBands);
        const std::vector<float> e(room.NumBands, 1.0f);
        ray.Set(TPoint3D::Make(0, 0, 0), TVector(1, 0, 0), 0, 0.0f, e.data());
        EXPECT_NEAR(room.RayTracingReception(ray, 0, 0), c.expected, 1e-12);
    }
}

TEST(Simulate, DirectSoundUnlessAWallIsInTheWay)
{
    struct Case {
        const char* name;
        bool wall; // the plane x = 3, which the 0.5 m sphere pokes through
        double receiverX;
        unsigned index; // of the direct sound; 0: not heard
    };
    const Case cases[] = {{"free space", false, 3.43, 441},
                          {"centre in front of the wall", true, 2.8, 360},
                          {"centre beyond the wall", true, 3.2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        TRoom room;
        Prepare(room, folder);
        if (c.wall) {
            FillRoom(room, {Square(TPoint3D::Make(3, 0, 0), 0, 50)});
        }
        AddSourceAt(room, TPoint3D::Make(0, 0, 0));
        AddReceiverAt(room, TPoint3D::Make(c.receiverX, 0, 0), 0.5);
        room.CreateResults();
        EXPECT_TRUE(room.Simulate());
        const TResult& r = *room.spcresult[0][0];
        EXPECT_EQ(r.DirectSoundRay.reflections > 0, c.index > 0);
        if (c.index > 0) {
            EXPECT_EQ(r.DirectSoundRay.index, c.index);
            EXPECT_FLOAT_EQ(r.DirectSoundRay.fatordist, 1.0f) << "the receiver ray goes through the centre";
        } else {
            EXPECT_EQ(r.LateRefCount, 0u) << "reflections travel away from it";
        }
    }
}

TEST(Simulate, HandOverByReflectionOrder)
{
    // Two parallel walls x = 0 and x = 10; the receiver ray from x = 1 passes the
    // receiver at x = 5 after 4, 14, 24 and 34 m with 0, 1, 2 and 3 reflections.
    for (unsigned saveLate : {0u, 1u}) {
        SCOPED_TRACE(saveLate);
        ScratchFolder folder;
        TRoom room;
        Prepare(room, folder);
        FillRoom(room, {Square(TPoint3D::Make(0, 0, 0), 0, 100), Square(TPoint3D::Make(10, 0, 0), 0, 100)});
        AddSourceAt(room, TPoint3D::Make(1, 0, 0));
        AddReceiverAt(room, TPoint3D::Make(5, 0, 0), 0.3);
        room.ClusterOrderGlobal = 2;
        room.MaxRayTracReflections = 3;
        room.SaveLateRaysFlag = saveLate;
        room.CreateResults();
        room.Simulate();
        TResult& r = *room.spcresult[0][0];
        r.CloseRayFile();
        EXPECT_EQ(r.DirectSoundRay.index, 514u); // 4 m
        const std::vector<TRay> early = ReadRecords(folder.Path("RAYS-S001-R001-EARLY.txt"));
        ASSERT_EQ(early.size(), 2u);
        EXPECT_EQ(early[0].index, 1800u); // 14 m
        EXPECT_EQ(early[0].reflections, 1);
        EXPECT_EQ(early[1].index, 3086u); // 24 m: 3085.71
        EXPECT_EQ(early[1].reflections, 2);
        EXPECT_EQ(early[1].ID, 0);
        EXPECT_NEAR(early[1].dir.azim, 180.0f, 1e-3f) << "arrives from -x";
        const std::vector<TRay> late = ReadRecords(folder.Path("RAYS-S001-R001.txt"));
        const unsigned lateIndex = 4371; // 34 m
        if (saveLate != 0) {
            ASSERT_EQ(late.size(), 1u);
            EXPECT_EQ(late[0].index, lateIndex);
            EXPECT_EQ(late[0].reflections, 3);
            EXPECT_EQ(r.IR[0][0][lateIndex], 0.0f);
        } else {
            EXPECT_TRUE(late.empty());
            EXPECT_GT(r.IR[0][0][lateIndex], 0.0f);
        }
    }
}

TEST(Simulate, ScatteredContributionAlongTheSpecularDirection)
{
    ScratchFolder folder;
    TRoom room;
    Prepare(room, folder);
    // Floor z = 0 with scattering 0.9 (0.1 per band); the source 2 m above it and
    // the receiver straight above the source: ray 12 (straight down) reflects into it.
    FillRoom(room, {Square(TPoint3D::Make(0, 0, 0), 2, 100)}, 0.0f, 0.9f);
    AddSourceAt(room, TPoint3D::Make(0, 0, 2), 12, 13.0f);
    AddReceiverAt(room, TPoint3D::Make(0, 0, 4), 0.2);
    room.DiffuseProcessing = 1;
    room.ClusterOrderGlobal = 1;
    room.CreateResults();
    room.Simulate();
    room.spcresult[0][0]->CloseRayFile();
    std::vector<TRay> down;
    for (const TRay& r : ReadRecords(folder.Path("RAYS-S001-R001-EARLY.txt"))) {
        if (r.ID == 12) {
            down.push_back(r);
        }
    }
    // Each ray carries 13 W / 13 rays; the receiver ray replaces geodesic ray 0.
    ASSERT_EQ(down.size(), 2u);
    for (const TRay& r : down) {
        EXPECT_EQ(r.index, 771u); // 2 + 4 m
        EXPECT_EQ(r.reflections, 1);
        EXPECT_FLOAT_EQ(r.fatordist, 1.0f);
    }
    EXPECT_FLOAT_EQ(down[0].spectrum[0], 0.1f) << "scattered at the hit, at full weight";
    EXPECT_FLOAT_EQ(down[1].spectrum[0], 0.9f) << "the specular part on the next segment";
}

TEST(Simulate, ReturnsEarlyWithoutResultsOrObjects)
{
    ErrorRecorder recorder;
    ScratchFolder folder;
    TRoom room;
    Prepare(room, folder);
    EXPECT_FALSE(room.Simulate());
    AddSourceAt(room, TPoint3D::Make(0, 0, 0));
    room.CreateResults();
    EXPECT_FALSE(room.Simulate());
    room.CalculateResponses();
    EXPECT_FALSE(room.IsRunning);
    EXPECT_EQ(recorder.texts, (std::vector<std::string>{"Programming Error: ResultsCreate Function not Called!!!!",
                                                        "No receiver was defined\nSimulation aborted!\n"}));
}

TEST(Simulate, LostRaysLeaveAtOnceWithReflectionLimitZero)
{
    ScratchFolder folder;
    TRoom room;
    OpenTube(room, folder);
    room.MaxRayTracReflections = 0;
    room.CreateResults();
    ConsoleRecorder console;
    room.Simulate();

    // Independently: the directions whose first hit in the closed tube is the
    // ceiling (the ray towards the receiver is the first direction, straight up).
    std::vector<TPlane> closed = BoxPlanes(1, 1, 20);
    unsigned expected = 0;
    for (const TVector& v : CreateRaysDirections(1002)) {
        expected += FindNextPlane(closed, TPoint3D::Make(0.5, 0.5, 0.5), v, -1).plane == 1 ? 1 : 0;
    }
    const std::string last = console.text.substr(console.text.rfind("100.00 %"));
    EXPECT_NE(last.find("LOST = " + std::to_string(expected) + " "), std::string::npos) << last;
    room.LoadLostRaysTxt();
    ASSERT_EQ(room.lostRays.size(), expected);
    EXPECT_EQ(room.MaxLostRaysRef, 0);
    for (const Raio_st& l : room.lostRays) {
        EXPECT_EQ(l.reflections, 0u);
        EXPECT_NEAR(l.p.z, 0.5, 1e-9) << "still at the source";
        EXPECT_GT(l.v.z, 0.0);
    }
    room.DeleteLostRays();
    EXPECT_EQ(room.NumLostRays, 0u);
    EXPECT_TRUE(room.lostRays.empty());
}

TEST(Simulate, StopCriteria)
{
    struct Case {
        const char* name;
        bool tail;
        int limit;
        float absorption;
        float stopDecay;
        int maxLost; // most reflections of a lost ray; -1: above 6
    };
    const Case cases[] = {
        {"limit 6", false, 6, 0.0f, -60.0f, 6},
        {"tail: every tenth ray ignores the limit", true, -1, 0.0f, -60.0f, -1},
        // 0.5^7 is below -20 dB: the seventh reflection ends every ray.
        {"energy floor", false, -1, 0.5f, -20.0f, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        TRoom room;
        OpenTube(room, folder, c.absorption);
        room.ArtificialTailFlag = c.tail;
        room.MaxRayTracReflections = c.limit;
        room.StopDecay = c.stopDecay;
        room.CreateResults();
        room.Simulate();
        room.LoadLostRaysTxt();
        ASSERT_GT(room.NumLostRays, 0u);
        if (c.maxLost >= 0) {
            EXPECT_LE(room.MaxLostRaysRef, c.maxLost);
        } else {
            EXPECT_GT(room.MaxLostRaysRef, 6);
            EXPECT_EQ(room.MaxRayTracReflections, 6) << "the limit the other rays keep";
        }
    }
}

TEST(CreateResults, AutomaticClusterOrder)
{
    // One ray in 1002 still meets a 0.5 m sphere out to about 7.9 m and a
    // 0.2 m one out to 3.2 m; the 3 m cube's mean free path is about
    // 4V/S = 2 m: orders 3 or 4 and 1. Without walls there is no mean free
    // path, and only the direct sound is clustered.
    for (bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed box" : "open geometry");
        ScratchFolder folder;
        TRoom room;
        Prepare(room, folder);
        if (closed) {
            FillBoxRoom(room, 3, 3, 3);
        }
        AddSourceAt(room, TPoint3D::Make(1, 1, 1), 1002);
        AddReceiverAt(room, TPoint3D::Make(2, 2, 2), 0.5);
        AddReceiverAt(room, TPoint3D::Make(2, 1, 1), 0.2);
        room.ClusterOrderGlobal = -1;
        room.HitFilesFlag = 1;
        room.CreateResults();
        ASSERT_EQ(room.spcresult.size(), 2u);
        const unsigned large = room.spcresult[0][0]->ClusterOrder, small = room.spcresult[1][0]->ClusterOrder;
        if (closed) {
            EXPECT_TRUE(large == 3u || large == 4u) << large;
            EXPECT_EQ(small, 1u);
        } else {
            EXPECT_EQ(large + small, 0u);
        }
        for (const char* name : {"RAYS-S001-R001.txt", "RAYS-S001-R002-EARLY.txt", "HITS-S001-R002.txt",
                                 "HITS-S001-R001-EARLY.txt"}) {
            EXPECT_TRUE(FileExists(folder.Path(name))) << name;
        }
        room.ClearResults();
        EXPECT_FALSE(room.ResultsCreated);
        EXPECT_TRUE(room.spcresult.empty());
    }
}
