#include <cmath>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "room/TRoom.h"

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
    {
        TRoom empty;
        testing::internal::CaptureStdout();
        empty.GetExternalPlanes();
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "PLEASE WAIT! CHECKING EXTERNAL WALLS ...Room WITHOUT planes!\n");
        EXPECT_EQ(empty.CalculateArea(), 1e-6);
        EXPECT_EQ(empty.CalculateVolumeGeometry(), 4.494232837155789e+300);
    }
    {
        TRoom single;
        single.AddPlane(BoxPlanes(1, 1, 1)[0]);
        testing::internal::CaptureStdout();
        single.GetExternalPlanes();
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Room with a single plane!\n"), std::string::npos);
        EXPECT_TRUE(single.plane[0].IsExternal);
    }
    {
        // Two coplanar panels: no extent along z. The probe still ends; its
        // samples lie in the panels' own plane, from where nothing is ahead.
        TRoom flat;
        auto floor = BoxPlanes(2, 2, 1)[0];
        flat.AddPlane(floor);
        TPlane second(std::vector<TPoint3D>{TPoint3D::Make(3, 0, 0), TPoint3D::Make(4, 0, 0),
                                            TPoint3D::Make(4, 2, 0)});
        flat.AddPlane(second);
        testing::internal::CaptureStdout();
        flat.GetExternalPlanes();
        const std::string console = testing::internal::GetCapturedStdout();
        EXPECT_NE(console.find("All planes are coplanar -> Infinity Room Volume\n"), std::string::npos);
        EXPECT_FALSE(flat.plane[0].IsExternal);
        EXPECT_FALSE(flat.plane[1].IsExternal);
    }
    {
        TRoom forced;
        FillBoxRoom(forced, 5, 4, 3);
        forced.ForceVolumeFlag = 1;
        forced.Volume = 123.0;
        EXPECT_EQ(forced.CalculateVolumeGeometry(), 123.0);
    }
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
        testing::internal::CaptureStdout();
        room.GetExternalPlanes();
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Done!\n"), std::string::npos);
    }
}
