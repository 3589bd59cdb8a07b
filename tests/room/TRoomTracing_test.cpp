#include <cmath>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"

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

TEST(MFP_Estimation, ClosedCubeMatchesItsDirections)
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
    EXPECT_FALSE(room.IsRunning);
}

TEST(MFP_Estimation, OpenGeometryIsUnknown)
{
    // A lone floor: the centre lies on it, so no ray ever reflects.
    TRoom floorOnly;
    floorOnly.AddPlane(BoxPlanes(3, 3, 1)[0]);
    testing::internal::CaptureStdout();
    EXPECT_EQ(floorOnly.MFP_Estimation(), 0.0f);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("mean free path is unknown"), std::string::npos);
    TRoom empty;
    testing::internal::CaptureStdout();
    EXPECT_EQ(empty.MFP_Estimation(), 0.0f);
    testing::internal::GetCapturedStdout();
}

TEST(TRoomReport, PrintsTheRoom)
{
    TRoom room;
    FillBoxRoom(room, 5, 4, 3, 0.1f);
    room.AddPlaneLayer(TPlaneLayer("bare"));
    room.AddSourceLayer(std::string("speaker"));
    room.AddSource(TSource(TPoint3D::Make(1, 1, 1), 0.01f, 0, 100, 0, 0, 9, "NONE"));
    room.AddReceiver(TReceiver(TPoint3D::Make(4, 3, 1.2), 0.3, 0, 0));
    testing::internal::CaptureStdout();
    room.GetExternalPlanes();
    room.CalculateVolumeGeometry();
    room.CalculateArea();
    room.MeanFreePath = 2.5f;
    testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    room.ShowInfo();
    const std::string report = testing::internal::GetCapturedStdout();
    for (const char* line :
         {"\nENVIRONMENT SECTION:\nSound Speed = 343.00\nTemperature = 25.00\nPressure    = 1.00\n"
          "Humidity    = 40.00\n",
          "\nSIMULATION SECTION:\nStop Decay  = -60.00\nFreq.Sample = 44100.00\nMax. Time   = 1.00\n"
          "Number of Bands = 9\nAir Absorption = ON\nAuralization = OFF\nArtificial Tail = OFF\n"
          "Max Raytracing Reflections = -1 (Not Limited = -1)\nCluster order = 0 (-1 = AUTOMATIC CLUSTERING)\n",
          "\nSOURCE LAYERS: 1\n[01] - speaker\n\nSOURCE(S): 1\n",
          "\nMATERIALS SECTION:\nNumber of Materials = 1\n[01] - wall\n",
          "\nPLANE-LAYER SECTION:\nNumber of Plane Layers = 2\n[01] - walls \t<-> wall\n"
          "[02] - bare \t<-> No Material associated\n",
          "\nGEOMETRY INFO:\nVolume = 60.00 m3 (depends on the surface orientation)\n"
          "Area   = 94.00 m2 (check if there are no overlapping areas)\n"
          "Estimating volume from Mean Free Path ...\rVolume estimated from Mean Free Path = 58.75 m3\n"}) {
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n---\n" << report;
    }
}
