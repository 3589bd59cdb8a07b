#include "room/StandardRoom.h"

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace {

// Volume of the auditorium from its three parts: the stage box, the main
// box and the rear part, whose width and floor height both change linearly
// along x (the integral of width times height over the length).
double ExpectedVolume(const TStandardRoom& d)
{
    const double stage = d.L1 * d.W1 * (d.H - d.H1);
    const double main = d.L * d.W * d.H;
    const double dw = d.W2 - d.W;
    const double rear = d.L2 * (d.W * d.H + dw * d.H / 2.0 - d.W * d.H2 / 2.0 - dw * d.H2 / 3.0);
    return stage + main + rear;
}

// Area of the walls, floors and ceilings, face by face (trapezoids).
double ExpectedArea(const TStandardRoom& d)
{
    const double stageHeight = d.H - d.H1;
    const double stage = d.W1 * stageHeight + 2.0 * d.L1 * d.W1 + 2.0 * d.L1 * stageHeight;
    const double besideOpening = 2.0 * (d.W - d.W1) / 2.0 * (stageHeight + d.H) / 2.0;
    const double stageFront = (d.W + d.W1) / 2.0 * d.H1;
    const double main = 2.0 * d.L * d.H + 2.0 * d.L * d.W;
    const double sideRun = std::hypot(d.L2, (d.W - d.W2) / 2.0);
    const double rearSides = 2.0 * sideRun * (d.H + (d.H - d.H2)) / 2.0;
    const double rearFloor = (d.W + d.W2) / 2.0 * std::hypot(d.L2, d.H2);
    const double rearCeiling = (d.W + d.W2) / 2.0 * d.L2;
    const double rearWall = d.W2 * (d.H - d.H2);
    return stage + besideOpening + stageFront + main + rearSides + rearFloor + rearCeiling +
           rearWall;
}

TStandardRoom Design(std::array<float, 9> lengths)
{
    TStandardRoom d;
    std::tie(d.L1, d.L, d.L2, d.W1, d.W, d.W2, d.H1, d.H, d.H2) = std::tuple_cat(lengths);
    return d;
}

} // namespace

TEST(TStandardRoom, DefaultRoomAndAFlatStage)
{
    TRoom room;
    TStandardRoom design;
    design.Build(room);
    ASSERT_EQ(room.NumPlanes, 18u);
    TPoint3D min = room.plane[0].vertice[0], max = min;
    for (const TPlane& p : room.plane) {
        for (const TPoint3D& v : p.vertice) {
            min.Set(std::fmin(min.x, v.x), std::fmin(min.y, v.y), std::fmin(min.z, v.z));
            max.Set(std::fmax(max.x, v.x), std::fmax(max.y, v.y), std::fmax(max.z, v.z));
        }
    }
    EXPECT_TRUE(min == TPoint3D::Make(0, -4, 0));
    EXPECT_TRUE(max == TPoint3D::Make(12, 4, 5));
    EXPECT_EQ(room.plane[7].PlaneArea(), 0.0) << "above the opening, both ceilings at H";
    // Normals into the room: the end wall faces +x, the stage floor +z.
    EXPECT_NEAR(room.plane[0].normal.x, 1.0, 1e-12);
    EXPECT_NEAR(room.plane[1].normal.z, 1.0, 1e-12);

    ASSERT_EQ(room.NumPlaneLayers, 3u);
    EXPECT_EQ(room.planeLayer[2].NumPlanes, 3u);
    EXPECT_EQ(room.material[room.planeLayer[2].MatID].nome, "Reflective_mat");

    SCOPED_TRACE("a flat stage as wide as the hall: its front has no area");
    EXPECT_NEAR(room.plane[8].PlaneArea(), 7.0, 1e-9);
    design.H1 = 0.0f;
    design.W1 = design.W;
    design.UpdateRoom(room);
    ASSERT_EQ(room.NumPlanes, 18u) << "rebuilding replaces the planes";
    EXPECT_EQ(room.plane[8].NumTriang, 0u);
    EXPECT_EQ(room.plane[8].PlaneArea(), 0.0);
}

TEST(TStandardRoom, VolumeAndAreaMatchTheShape)
{
    const std::pair<const char*, TStandardRoom> cases[] = {
        {"defaults", TStandardRoom()},
        {"flat stage as wide as the hall", Design({3, 4, 5, 8, 8, 3, 0, 5, 1.5f})},
        {"other lengths", Design({2, 6.5f, 3, 4, 10, 6, 0.5f, 7, 2.5f})},
        {"rear wider than the hall", Design({2, 6.5f, 3, 4, 10, 14, 0.5f, 7, 2.5f})}};
    for (auto [name, design] : cases) {
        SCOPED_TRACE(name);
        TRoom room;
        design.Build(room);
        AnalyseQuietly(room);
        EXPECT_NEAR(room.Volume, ExpectedVolume(design), 1e-6 * ExpectedVolume(design));
        EXPECT_NEAR(room.Area, ExpectedArea(design), 1e-6 * ExpectedArea(design));
    }
    EXPECT_NEAR(ExpectedVolume(TStandardRoom()), 352.0, 1e-9);
}

TEST(TStandardRoom, WrittenProjectLoadsBack)
{
    ScratchFolder folder;
    TRoom room;
    TStandardRoom design;
    design.Build(room);
    const std::string path = folder.Path("Temporary.txt");
    ASSERT_TRUE(TStandardRoom::WriteProject(room, path));
    TRoom loaded;
    const ConsoleRecorder quiet;
    ASSERT_EQ(FatalCode([&] { loaded.LoadProject(path); }), 0);
    EXPECT_EQ(loaded.NumPlanes, 17u) << "the plane without area is not written";
    ASSERT_EQ(loaded.NumPlaneLayers, 3u);
    EXPECT_EQ(loaded.planeLayer[2].cor, (std::array<int, 3>{50, 128, 20}));
    EXPECT_EQ(loaded.material[loaded.planeLayer[1].MatID].nome, "Absorptive_mat");
    AnalyseQuietly(loaded);
    EXPECT_NEAR(loaded.Volume, 352.0, 1e-6);

    ErrorRecorder errors;
    const std::string missing = folder.Path("missing/Temporary.txt");
    EXPECT_FALSE(TStandardRoom::WriteProject(room, missing));
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Cannot create file '" + missing + "'."});
}
