#include "room/StandardRoom.h"

#include <cmath>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace {

// Volume and area with every plane counted as part of the shell: the room's
// outside probe does not reach the two walls beside the stage opening, which
// lie in a notch of the bounding box.
void Analyse(TRoom& room)
{
    for (TPlane& p : room.plane) {
        p.IsExternal = true;
    }
    room.CalculateVolumeGeometry();
    room.CalculateArea();
}

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

struct TBounds {
    TPoint3D min = TPoint3D::Make(1e9, 1e9, 1e9);
    TPoint3D max = TPoint3D::Make(-1e9, -1e9, -1e9);
};

TBounds Bounds(const TRoom& room)
{
    TBounds b;
    for (const TPlane& p : room.plane) {
        for (const TPoint3D& v : p.vertice) {
            b.min.Set(std::fmin(b.min.x, v.x), std::fmin(b.min.y, v.y), std::fmin(b.min.z, v.z));
            b.max.Set(std::fmax(b.max.x, v.x), std::fmax(b.max.y, v.y), std::fmax(b.max.z, v.z));
        }
    }
    return b;
}

} // namespace

TEST(TStandardRoom, DefaultRoom)
{
    TRoom room;
    TStandardRoom design;
    design.Build(room);

    ASSERT_EQ(room.NumPlanes, 18u);
    const TBounds b = Bounds(room);
    EXPECT_TRUE(b.min == TPoint3D::Make(0, -4, 0));
    EXPECT_TRUE(b.max == TPoint3D::Make(12, 4, 5));
    EXPECT_TRUE(design.Vertex(-9) == TPoint3D::Make(12, -1.5, 1.5));

    EXPECT_LT(room.plane[7].NumVert, 3u);
    EXPECT_EQ(room.plane[7].NumTriang, 0u);
    EXPECT_EQ(room.plane[7].PlaneArea(), 0.0);
    // Normals point into the room: the end wall at x = 0 faces +x, the stage
    // floor +z, the rear wall -x.
    EXPECT_NEAR(room.plane[0].normal.x, 1.0, 1e-12);
    EXPECT_NEAR(room.plane[1].normal.z, 1.0, 1e-12);
    EXPECT_NEAR(room.plane[17].normal.x, -1.0, 1e-12);

    ASSERT_EQ(room.NumPlaneLayers, 3u);
    const struct {
        const char* layer;
        std::array<int, 3> colour;
        const char* material;
        float firstAbsorption;
        float scattering;
        unsigned int planes;
    } layers[] = {{"Walls", {50, 50, 255}, "Generic_mat", 0.30f, 0.05f, 12},
                  {"Floor", {0, 128, 255}, "Absorptive_mat", 0.60f, 0.01f, 3},
                  {"Ceiling", {50, 128, 20}, "Reflective_mat", 0.02f, 0.1f, 3}};
    for (unsigned int i = 0; i < 3; ++i) {
        SCOPED_TRACE(layers[i].layer);
        const TPlaneLayer& layer = room.planeLayer[i];
        EXPECT_EQ(layer.nome, layers[i].layer);
        EXPECT_EQ(layer.cor, layers[i].colour);
        ASSERT_GE(layer.MatID, 0);
        const TMaterial& m = room.material[layer.MatID];
        EXPECT_EQ(m.nome, layers[i].material);
        EXPECT_FLOAT_EQ(m.abs[0], layers[i].firstAbsorption);
        EXPECT_FLOAT_EQ(m.dif[8], layers[i].scattering);
        EXPECT_EQ(layer.NumPlanes, layers[i].planes);
    }
    EXPECT_EQ(room.material[0].nome, "Absorptive_mat");
    EXPECT_FLOAT_EQ(room.material[2].abs[8], 0.04f);
}

TEST(TStandardRoom, VolumeAndAreaMatchTheShape)
{
    TStandardRoom defaults;
    TStandardRoom flatStage;
    flatStage.H1 = 0.0f;
    flatStage.W1 = flatStage.W;
    TStandardRoom other;
    other.L1 = 2.0f;
    other.L = 6.5f;
    other.L2 = 3.0f;
    other.W1 = 4.0f;
    other.W = 10.0f;
    other.W2 = 6.0f;
    other.H1 = 0.5f;
    other.H = 7.0f;
    other.H2 = 2.5f;
    TStandardRoom wideningRear = other;
    wideningRear.W2 = 14.0f;
    const std::pair<const char*, TStandardRoom> cases[] = {
        {"defaults", defaults}, {"flat stage", flatStage}, {"other", other}, {"widening rear", wideningRear}};
    for (const auto& [name, design] : cases) {
        SCOPED_TRACE(name);
        TRoom room;
        TStandardRoom d = design;
        d.Build(room);
        Analyse(room);
        EXPECT_NEAR(room.Volume, ExpectedVolume(d), 1e-6 * ExpectedVolume(d));
        EXPECT_NEAR(room.Area, ExpectedArea(d), 1e-6 * ExpectedArea(d));
    }
    EXPECT_NEAR(ExpectedVolume(defaults), 352.0, 1e-9);
}

TEST(TStandardRoom, FlatStageFrontHasNoArea)
{
    TRoom room;
    TStandardRoom design;
    design.Build(room);
    EXPECT_NEAR(room.plane[8].PlaneArea(), 7.0, 1e-9);

    // Rebuilding replaces the planes of the same room.
    design.H1 = 0.0f;
    design.W1 = design.W;
    design.UpdateRoom(room);
    ASSERT_EQ(room.NumPlanes, 18u);
    EXPECT_EQ(room.plane[8].NumTriang, 0u);
    EXPECT_EQ(room.plane[8].PlaneArea(), 0.0);
    EXPECT_EQ(room.planeLayer[0].NumPlanes + room.planeLayer[1].NumPlanes +
                  room.planeLayer[2].NumPlanes,
              18u);
}

TEST(TStandardRoom, WrittenProjectLoadsBack)
{
    ScratchFolder folder;
    TRoom room;
    TStandardRoom design;
    design.Build(room);
    const std::string path = folder.Path("Temporary.txt");
    ASSERT_TRUE(TStandardRoom::WriteProject(room, path));
    const std::string text = ReadFileText(path);
    EXPECT_EQ(text.substr(0, 15), "\n<ENVIRONMENT>\n");
    EXPECT_LT(text.find("<LAYERS::PLANE>"), text.find("<LAYERS::COLOR>"));
    EXPECT_LT(text.find("<LAYERS::COLOR>"), text.find("<PLANES>"));
    EXPECT_LT(text.find("<PLANES>"), text.find("<MATERIALS>"));

    TRoom loaded;
    testing::internal::CaptureStdout();
    loaded.LoadProject(path);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(loaded.NumPlanes, 17u) << "the plane without area is not written";
    ASSERT_EQ(loaded.NumPlaneLayers, 3u);
    EXPECT_EQ(loaded.planeLayer[2].cor, (std::array<int, 3>{50, 128, 20}));
    EXPECT_EQ(loaded.material[loaded.planeLayer[1].MatID].nome, "Absorptive_mat");
    Analyse(loaded);
    EXPECT_NEAR(loaded.Volume, 352.0, 1e-6);

    ErrorRecorder errors;
    const std::string missing = folder.Path("missing/Temporary.txt");
    EXPECT_FALSE(TStandardRoom::WriteProject(room, missing));
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Cannot create file '" + missing + "'."});
}
