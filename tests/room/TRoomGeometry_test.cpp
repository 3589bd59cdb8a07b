#include <cmath>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestSupport.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"

TEST(TRoomGeometry, ClosedBoxFromInwardAndOutwardRings)
{
    for (bool inward : {true, false}) {
        SCOPED_TRACE(inward ? "inward" : "outward");
        TRoom room;
        FillBoxRoom(room, 5, 4, 3, 0.1f, 0.0f, inward);
        AnalyseQuietly(room);
        for (const TPlane& p : room.plane) {
            EXPECT_TRUE(p.IsExternal);
        }
        EXPECT_NEAR(room.Volume, 60.0, 1e-9);
        EXPECT_NEAR(room.Area, 94.0, 1e-9);
        EXPECT_NEAR(room.GetMaxRoomLength(), std::sqrt(50.0), 1e-5);
        EXPECT_TRUE(room.GetCenter() == TPoint3D::Make(2.5, 2, 1.5));
    }
}

TEST(TRoomGeometry, InnerPartitionIsNotExternal)
{
    TRoom room;
    FillBoxRoom(room, 5, 4, 3);
    TPlane partition(std::vector<TPoint3D>{TPoint3D::Make(2.5, 0, 0), TPoint3D::Make(2.5, 4, 0),
                                           TPoint3D::Make(2.5, 4, 3), TPoint3D::Make(2.5, 0, 3)});
    partition.LayerID = 0;
    room.AddPlane(partition);
    AnalyseQuietly(room);
    EXPECT_FALSE(room.plane[6].IsExternal);
    EXPECT_NEAR(room.Volume, 60.0, 1e-9);
    EXPECT_NEAR(room.Area, 106.0, 1e-9);
}

TEST(TRoomGeometry, DegenerateRooms)
{
    TRoom empty;
    AnalyseQuietly(empty);
    EXPECT_GT(empty.Area, 0.0) << "later divided by";
    EXPECT_GT(empty.Volume, 0.0);

    TRoom single;
    single.AddPlane(BoxPlanes(1, 1, 1)[0]);
    AnalyseQuietly(single);
    EXPECT_TRUE(single.plane[0].IsExternal);

    // Two coplanar panels: no extent along z. The probe still ends; its
    // samples lie in the panels' own plane, from where nothing is ahead.
    TRoom flat;
    flat.AddPlane(BoxPlanes(2, 2, 1)[0]);
    flat.AddPlane(TPlane(std::vector<TPoint3D>{TPoint3D::Make(3, 0, 0), TPoint3D::Make(4, 0, 0),
                                               TPoint3D::Make(4, 2, 0)}));
    AnalyseQuietly(flat);
    EXPECT_FALSE(flat.plane[0].IsExternal);
    EXPECT_FALSE(flat.plane[1].IsExternal);

    TRoom forced;
    FillBoxRoom(forced, 5, 4, 3);
    forced.ForceVolumeFlag = 1;
    forced.Volume = 123.0;
    EXPECT_EQ(forced.CalculateVolumeGeometry(), 123.0);
}

TEST(TRoomGeometry, Visibility)
{
    TRoom room;
    FillBoxRoom(room, 10, 4, 3);
    const TPoint3D a = TPoint3D::Make(1, 2, 1.5), b = TPoint3D::Make(9, 2, 1.5);
    EXPECT_EQ(room.CheckVisibility(a, b), 1);
    TPlane panel(std::vector<TPoint3D>{TPoint3D::Make(5, 1, 0.5), TPoint3D::Make(5, 3, 0.5),
                                       TPoint3D::Make(5, 3, 2.5), TPoint3D::Make(5, 1, 2.5)});
    room.AddPlane(panel);
    EXPECT_EQ(room.CheckVisibility(a, b), 0);
    EXPECT_EQ(room.CheckVisibility(a, TPoint3D::Make(5, 2, 1.5)), 1) << "a panel through the end point does not block";
    EXPECT_EQ(room.CheckVisibility(TPoint3D::Make(1, 0.5, 0.2), TPoint3D::Make(9, 0.5, 0.2)), 1)
        << "passing beside the panel";
}

TEST(TRoomGeometry, ProbeEndsForFarAndHugeCoordinates)
{
    // A 1 mm box 1e6 m from the origin (steps vanish in single precision), and
    // one with a coordinate beyond single precision.
    for (double offset : {1e6, 1e39}) {
        SCOPED_TRACE(offset);
        TRoom room;
        for (TPlane p : BoxPlanes(0.001, 0.001, 0.001)) {
            for (auto& v : p.vertice) {
                v.x += offset;
            }
            p.Tecelagem();
            room.AddPlane(p);
        }
        const ConsoleRecorder console;
        room.GetExternalPlanes();
        EXPECT_NE(console.text.find("Done!\n"), std::string::npos);
    }
}

TEST(PlaneInteraction, ReflectsAndSplitsEnergy)
{
    for (unsigned diffuse : {0u, 1u}) {
        SCOPED_TRACE(diffuse);
        TRoom room;
        room.NumBands = 5;
        FillBoxRoom(room, 5, 4, 3, 0.2f, 0.5f);
        room.DiffuseProcessing = diffuse;
        Raio_st ray(5);
        const float energy[5] = {1, 1, 1, 1, 1};
        ray.Set(TPoint3D::Make(0, 2, 1.5), TVector(1, 0, 0), 0, 0.0f, energy);
        float scattered[5];
        const TPlaneHit hit = FindNextPlane(room.plane, ray.p, ray.v, -1);
        ASSERT_EQ(hit.plane, 5);
        EXPECT_EQ(room.PlaneInteraction(hit.plane, ray, hit.point, scattered), 1.0);
        EXPECT_TRUE(ray.p == TPoint3D::Make(5, 2, 1.5));
        EXPECT_DOUBLE_EQ(ray.dist, 5.0);
        EXPECT_EQ(ray.v.x, -1.0);
        EXPECT_EQ(ray.reflections, 1u);
        for (int b = 0; b < 5; ++b) {
            EXPECT_FLOAT_EQ(ray.e[b], diffuse ? 0.72f : 0.8f);
            EXPECT_FLOAT_EQ(scattered[b], diffuse ? 0.08f : 0.0f);
            EXPECT_NEAR(ray.e[b] + scattered[b] + 0.2f, 1.0f, 1e-6f) << "absorbed + scattered + kept";
        }
    }
}

TEST(PlaneInteraction, FacingWallsAlternate)
{
    TRoom room;
    FillBoxRoom(room, 5, 4, 3, 1.0f);
    const TPlaneSearch search(room.plane);
    Raio_st ray(room.NumBands);
    const std::vector<float> energy(room.NumBands, 1.0f);
    ray.Set(TPoint3D::Make(1, 2, 1.5), TVector(1, 0, 0), 0, 0.0f, energy.data());
    std::vector<float> scattered(room.NumBands);
    int last = -1;
    std::vector<int> walls;
    for (int step = 0; step < 4; ++step) {
        const TPlaneHit hit = search.Next(ray.p, ray.v, last);
        walls.push_back(hit.plane);
        room.PlaneInteraction(hit.plane, ray, hit.point, scattered.data());
        last = hit.plane;
    }
    EXPECT_EQ(walls, (std::vector<int>{5, 4, 5, 4}));
    EXPECT_DOUBLE_EQ(ray.dist, 4.0 + 15.0);
    EXPECT_EQ(ray.GetEnergy(), 0.0) << "absorption 1 removes everything, the ray goes on";
}

TEST(MFP_Estimation, ClosedCubeMatchesItsDirectionsAndOpenGeometryIsUnknown)
{
    TRoom room;
    const double edge = 4.0;
    FillBoxRoom(room, edge, edge, edge);
    room.MaxLength = 441000; // 10 s: the reflection limit ends every ray
    // Each ray travels edge / (|vx| + |vy| + |vz|) per reflection, 51 reflections.
    double distance = 0.0, reflections = 0.0;
    for (const TVector& v : CreateRaysDirections(1002)) {
        distance += 51 * edge / (std::fabs(v.x) + std::fabs(v.y) + std::fabs(v.z));
        reflections += 51;
    }
    const float mfp = room.MFP_Estimation();
    EXPECT_NEAR(mfp, distance / reflections, 0.01 * distance / reflections);
    EXPECT_NEAR(mfp, 4.0 * 64.0 / 96.0, 0.05 * 4.0 * 64.0 / 96.0) << "close to 4V/S";

    // A lone floor: the centre lies on it, so no ray ever reflects.
    TRoom floorOnly;
    floorOnly.AddPlane(BoxPlanes(3, 3, 1)[0]);
    TRoom empty;
    const ConsoleRecorder quiet;
    EXPECT_EQ(floorOnly.MFP_Estimation(), 0.0f);
    EXPECT_EQ(empty.MFP_Estimation(), 0.0f);
}
