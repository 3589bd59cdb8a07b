#include "view/RoomDrawData.h"

#include <cmath>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "room/TRoom.h"

namespace {

// The 8 x 6 x 3 m example room with its source at (2, 3, 1.5) and its receiver
// of 0.5 m at (6, 2.5, 1.2), loaded and analysed as the program does.
void LoadShoebox(TRoom& room)
{
    const ConsoleRecorder quiet;
    room.LoadAndAnalyse(RequiredFile(std::string(VELTO_EXAMPLES_DIR) + "/shoebox/shoebox.txt"));
}

// What the view draws of the room with the room switched on and the switches set.
RoomDrawData Draw(const TRoom& room, const std::function<void(ViewControl&)>& set)
{
    ViewControl view;
    view.DrawRoom = true;
    set(view);
    return BuildRoomDrawData(room, view, LayerColors(room));
}

void ExpectPoint(TPoint3D actual, double x, double y, double z)
{
    EXPECT_NEAR(Module(actual - TPoint3D::Make(x, y, z)), 0.0, 1e-6);
}

void ExpectColor(RGBA c, RGBA expected)
{
    EXPECT_NEAR(c.r, expected.r, 1e-6);
    EXPECT_NEAR(c.g, expected.g, 1e-6);
    EXPECT_NEAR(c.b, expected.b, 1e-6);
    EXPECT_NEAR(c.a, expected.a, 1e-6);
}

} // namespace

TEST(RoomDrawData, ShoeboxPlanesMarkersAndLabels)
{
    TRoom room;
    LoadShoebox(room);
    ASSERT_EQ(room.NumPlanes, 6u);
    ASSERT_EQ(room.source.size(), 1u);
    ASSERT_EQ(room.receiver.size(), 1u);
    room.source[0].AzimRotation = 90.0f; // degrees
    room.source[0].ElevRotation = 30.0f;
    room.receiver[0].AzimRotation = 180.0;
    const RoomDrawData data = Draw(room, [](ViewControl& v) { v.drawSourceIDs = v.drawReceiverIDs = true; });

    std::size_t triangles = 0;
    for (const TPlane& plane : room.plane) {
        EXPECT_TRUE(plane.IsExternal); // every wall of a box is seen from outside
        triangles += 2 * plane.NumTriang;
    }
    EXPECT_EQ(data.triangles.size(), triangles);
    ExpectColor(data.triangles.back().color, {200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1});
    EXPECT_EQ(data.outlines.size(), room.NumPlanes);

    ASSERT_EQ(data.sources.size(), 1u);
    ASSERT_EQ(data.receivers.size(), 1u);
    ExpectPoint(data.sources[0].center, 2, 3, 1.5);
    ExpectPoint(data.receivers[0].center, 6, 2.5, 1.2);
    EXPECT_DOUBLE_EQ(data.receivers[0].radius, 0.5);
    ASSERT_EQ(data.aimLines.size(), 2u);
    ExpectPoint(data.aimLines[0].to, 2, 3 + std::sqrt(0.75), 2.0);
    ExpectPoint(data.aimLines[1].to, 5, 2.5, 1.2);
    ASSERT_EQ(data.labels.size(), 2u);
    EXPECT_EQ(data.labels[0].text, "S01");
    ExpectPoint(data.labels[0].anchor, 2, 3, 1.8);
    EXPECT_EQ(data.labels[1].text, "R01");
    ExpectPoint(data.labels[1].anchor, 6, 2.5, 1.7);
}

TEST(RoomDrawData, WhatEachSwitchLeavesOut)
{
    TRoom room;
    LoadShoebox(room);
    unsigned int all = 0;
    for (const TPlane& plane : room.plane) {
        all += plane.NumTriang;
    }
    const unsigned int two = room.plane[2].NumTriang;

    const struct {
        const char* name;
        void (*set)(ViewControl&);
        std::size_t triangles, normals, outlines, triangleOutlines, markers;
    } cases[] = {
        {"no room", [](ViewControl& v) { v.DrawRoom = false; }, 0, 0, 0, 0, 0},
        {"unfilled", [](ViewControl& v) { v.pintura = 0; }, 0, 0, 6, 0, 2},
        {"tessellation", [](ViewControl& v) { v.ViewTriangles = 1; }, 2 * all, 0, 6, all, 2},
        {"plane 2", [](ViewControl& v) { v.ViewSinglePlane = 1; v.activeplane = 2; }, two, two, 6,
         0, 2},
        {"plane 6", [](ViewControl& v) { v.ViewSinglePlane = 1; v.activeplane = 6; }, 0, 0, 6, 0,
         2},
        {"no markers", [](ViewControl& v) { v.drawSources = v.drawReceivers = false; }, 2 * all,
         0, 6, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RoomDrawData data = Draw(room, c.set);
        EXPECT_EQ(data.triangles.size(), c.triangles);
        EXPECT_EQ(data.normals.size(), c.normals);
        EXPECT_EQ(data.outlines.size(), c.outlines);
        EXPECT_EQ(data.triangleOutlines.size(), c.triangleOutlines);
        EXPECT_EQ(data.sources.size() + data.receivers.size(), c.markers);
        EXPECT_EQ(data.aimLines.size(), c.markers);
        ASSERT_EQ(data.axes.size(), 3u);
        ExpectPoint(data.axes[2].to, 0, 0, 1);
    }
}

TEST(RoomDrawData, SinglePlaneShadesItsTrianglesAndShowsNormals)
{
    TRoom room;
    LoadShoebox(room);
    room.plane[0].LayerID = 5; // no such layer: grey
    const RoomDrawData data = Draw(room, [](ViewControl& v) { v.ViewSinglePlane = v.ViewTriangles = 1; });

    const unsigned int n = room.plane[0].NumTriang; // the floor
    ASSERT_EQ(data.triangles.size(), n);
    ASSERT_EQ(data.normals.size(), n);
    const float shade = static_cast<float>(n) / static_cast<float>(n + 1);
    ExpectColor(data.triangles.back().color, {0.6f * shade, 0.6f * shade, 0.6f * shade, 1});
    for (const DrawLine& normal : data.normals) {
        EXPECT_NEAR(normal.from.z, 0.0, 1e-9);
        EXPECT_NEAR(std::abs(normal.to.z), 1.0, 1e-9);
        EXPECT_NEAR(Module(normal.to - normal.from), 1.0, 1e-9);
    }
}

TEST(RoomDrawData, LostRaysCrossTheWholeRoom)
{
    TRoom room;
    LoadShoebox(room);
    room.lostRays.resize(2);
    room.lostRays[0].p = TPoint3D::Make(1, 1, 1);
    room.lostRays[0].v = TVector(0, 0, 2); // not a unit vector
    room.lostRays[0].reflections = 3;
    room.lostRays[1].v = TVector(-1, 1, 0);
    room.NumLostRays = 2;
    room.MaxLostRaysRef = 4;
    const RoomDrawData data = Draw(room, [](ViewControl& v) { v.DrawLostRays = 1; });

    ASSERT_EQ(data.lostRays.size(), 2u);
    const double length = 1.5 * std::sqrt(8.0 * 8.0 + 6.0 * 6.0 + 3.0 * 3.0); // box diagonal
    EXPECT_NEAR(Module(data.lostRays[1].to - data.lostRays[1].from), length, 1e-5);
    ExpectPoint(data.lostRays[0].to, 1, 1, 1 + length);
    ExpectColor(data.lostRays[0].color, {0.85f, 1, 1, 0});
}

TEST(LostRayColor, ComponentsStayInRange)
{
    const struct {
        int n, max;
        RGBA expected;
    } cases[] = {{0, 0, {1, 0, 0, 0}},    {7, 0, {1, 1, 1, 0}},     {2, 4, {0.9f, 0, 1, 0}},
                 {5, 4, {0.75f, 1, 1, 0}}, {100, 1, {0, 0, 0, 0}}, {-1, 4, {1, 0, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + " of " + std::to_string(c.max));
        ExpectColor(LostRayColor(c.n, c.max), c.expected);
    }
}

TEST(LayerColors, StoredColourOrOneFromTheIndex)
{
    // The third layer's colour comes from its index with three layers:
    // (1 - 4 mod 3) 250 / 3, (1 - 6 mod 3) 150 / 3, (1 - 8 mod 3) 100 / 3, clamped.
    const std::array<int, 3> stored[] = {{255, 0, 0}, {300, -5, 51}, {-1, 0, 0}};
    const RGBA expected[] = {{1, 0, 0, 1}, {1, 0, 0.2f, 1}, {0, 1, 0, 1}};
    TRoom room;
    for (int i = 0; i < 3; ++i) {
        TPlaneLayer layer("layer" + std::to_string(i));
        layer.cor = stored[i];
        room.AddPlaneLayer(layer);
    }
    const std::vector<RGBA> colors = LayerColors(room);
    ASSERT_EQ(colors.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ExpectColor(colors[i], expected[i]);
    }

    TRoom many;
    for (int i = 0; i < 500; ++i) {
        many.AddPlaneLayer(TPlaneLayer("layer" + std::to_string(i)));
    }
    const std::vector<RGBA> manyColors = LayerColors(many);
    ASSERT_EQ(manyColors.size(), 500u);
    ExpectColor(manyColors[0], {0.5f, 0.3f, 0.2f, 1});
}
