#include <gtest/gtest.h>

#include "TestSupport.h"
#include "directivity/TDirectivity.h"
#include "room/TRoom.h"

namespace {

TSource SourceOnType(int type)
{
    TSource s(TPoint3D::Make(1, 1, 1), 0.01f, type, 12, 0, 0, 9, "NONE");
    return s;
}

// A room with three source types and sources on types 1 and 2.
void AddThreeTypesAndTwoSources(TRoom& room)
{
    room.AddSourceLayer(std::string("A"));
    room.AddSourceLayer(std::string("B"));
    room.AddSourceLayer(std::string("C"));
    room.AddSource(SourceOnType(1));
    room.AddSource(SourceOnType(2));
}

} // namespace

TEST(TRoom, DeletingAnUnusedSourceTypeRenumbersTheSources)
{
    TRoom room;
    AddThreeTypesAndTwoSources(room);
    EXPECT_TRUE(room.DelSourceLayer(0));
    ASSERT_EQ(room.NumSourceLayers, 2u);
    EXPECT_EQ(room.sourceLayer[0].layername, "B");
    EXPECT_EQ(room.source[0].LayerID, 0);
    EXPECT_EQ(room.source[1].LayerID, 1);
    EXPECT_TRUE(room.DelSourceLayer(5)) << "out of range is not a refusal";
}

TEST(TRoom, DeletingAUsedSourceTypeIsRefused)
{
    TRoom room;
    AddThreeTypesAndTwoSources(room);
    ErrorRecorder errors;
    EXPECT_FALSE(room.DelSourceLayer(2));
    EXPECT_EQ(room.NumSourceLayers, 3u);
    ASSERT_EQ(errors.texts.size(), 1u);
    EXPECT_EQ(errors.texts[0], "Layer C is in use by source 2");
}

TEST(TRoom, SourceWithUnknownTypeGetsANewType)
{
    TRoom room;
    room.AddSourceLayer(std::string("A"));
    room.AddSourceLayer(std::string("B"));
    room.AddSource(SourceOnType(7));
    ASSERT_EQ(room.NumSourceLayers, 3u);
    EXPECT_EQ(room.sourceLayer[2].layername, "SRC_LAYER_3");
    EXPECT_EQ(room.source[0].LayerID, 2);
    ASSERT_EQ(room.NumDirectivities, 1u);
    EXPECT_EQ(room.sourceLayer[2].GetDirPatternName(), "OMNI");
}

TEST(TRoom, SourcesAndReceiversAreNamedByPosition)
{
    TRoom room;
    room.AddSourceLayer(std::string("A"));
    for (int i = 0; i < 3; ++i) {
        room.AddSource(SourceOnType(0));
        room.AddReceiver(TReceiver(TPoint3D::Make(i, 0, 0), 0.3, 0, 0));
    }
    room.DelSource(0);
    room.DelReceiver(1);
    ASSERT_EQ(room.NumSources, 2u);
    EXPECT_EQ(room.source[0].Name, "src 01");
    EXPECT_EQ(room.source[1].Name, "src 02");
    EXPECT_EQ(room.source[1].srcID, 1);
    ASSERT_EQ(room.NumReceivers, 2u);
    EXPECT_EQ(room.receiver[1].Name, "rec 02");
    EXPECT_EQ(room.receiver[1].Position.x, 2.0);
    room.DelSource(1);
    room.DelSource(0);
    EXPECT_EQ(room.NumSources, 0u);
    EXPECT_TRUE(room.source.empty());
}

TEST(TRoom, MaterialsAndPlaneLayers)
{
    TRoom room;
    const float absA[9] = {0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f};
    room.AddMaterial(TMaterial("A", 9, absA, 0.2f));
    room.AddMaterial(TMaterial("B", 9, 0.5f, 0.0f));
    room.AddMaterial(TMaterial("C", 9, 0.6f, 0.0f));
    room.AddMaterial(TMaterial("A", 9, 0.9f, 0.0f));
    ASSERT_EQ(room.NumMaterials, 3u);
    EXPECT_FLOAT_EQ(room.material[0].abs[4], 0.1f) << "the first material of a name stays";

    ErrorRecorder errors;
    room.AddPlaneLayer(TPlaneLayer("walls"));
    room.AddPlaneLayer(TPlaneLayer("ceiling"));
    room.AddPlaneLayer(TPlaneLayer("walls"));
    EXPECT_EQ(room.NumPlaneLayers, 2u);
    room.AssociateMaterialToLayer("C", "walls");
    room.AssociateMaterialToLayer("B", "ceiling");
    room.AssociateMaterialToLayer("B", "nowhere");
    EXPECT_EQ(room.planeLayer[0].MatID, 2);

    room.DelMaterial(1); // used by ceiling
    EXPECT_EQ(room.NumMaterials, 3u);
    room.DelMaterial(0);
    EXPECT_EQ(room.NumMaterials, 2u);
    EXPECT_EQ(room.planeLayer[0].MatID, 1) << "references above the deleted material move down";
    EXPECT_EQ(room.planeLayer[1].MatID, 0);

    TPlane floor({TPoint3D::Make(0, 0, 0), TPoint3D::Make(1, 0, 0), TPoint3D::Make(0, 1, 0)});
    floor.LayerID = 1;
    room.AddPlane(floor);
    room.planeLayer[1].NumPlanes = 1;
    EXPECT_EQ(room.DelPlaneLayer(1), 0);
    EXPECT_EQ(room.DelPlaneLayer(0), 1);
    EXPECT_EQ(room.plane[0].LayerID, 0);
    EXPECT_EQ(room.DelPlaneLayer(9), 1);

    const std::vector<std::string> expected = {
        "Layer walls already defined.",
        "Material \"B\" cannot be removed because is associated with plane layer \"ceiling\".\n",
        "Layer ceiling cannot be removed because is associated to 1 plane(s)."};
    EXPECT_EQ(errors.texts, expected);

    try {
        room.AssociateMaterialToLayer("glass", "walls");
        FAIL();
    } catch (const FatalError& e) {
        EXPECT_EQ(e.ExitCode(), 1);
        EXPECT_STREQ(e.what(), "Error: Material 'glass' associated to layer 'walls' was not found "
                               "in the material list.");
    }
}

TEST(TRoom, ReceiverTypes)
{
    TRoom room;
    room.AddDirectivity("OMNI");
    room.AddReceiverLayer(TReceiverLayer("mic", room.directivity[0]));
    room.AddReceiverLayer(TReceiverLayer("head", room.directivity[0]));
    room.AddReceiver(TReceiver(TPoint3D(), 0.3, 0, 1));
    ErrorRecorder errors;
    room.AddReceiverLayer(TReceiverLayer("mic", room.directivity[0]));
    EXPECT_FALSE(room.DelReceiverLayer(1));
    EXPECT_TRUE(room.DelReceiverLayer(0));
    EXPECT_EQ(room.receiver[0].LayerID, 0);
    const std::vector<std::string> expected = {"Layer mic already defined.",
                                               "Layer head is in use by receiver 1"};
    EXPECT_EQ(errors.texts, expected);
}

TEST(TRoom, DirectivityListMatchesNamesBySubstring)
{
    TRoom room;
    room.AddDirectivity("SUPERCARD");
    room.AddDirectivity("CARD");
    EXPECT_EQ(room.NumDirectivities, 1u) << "CARD occurs inside SUPERCARD";
    EXPECT_EQ(room.GetDirectivityID("SUPERCARD_2"), 0);
    EXPECT_EQ(room.GetDirectivityID("OMNI"), -1);
    room.AddDirectivity("OMNI");
    EXPECT_EQ(room.GetDirectivityID("OMNI"), 1);
    EXPECT_EQ(room.FindDirectivityOrDefault("missing")->GetPatternName(), std::string("SUPERCARD"));

    // A type keeps its pattern even when the list is emptied.
    TReceiverLayer type("mic", room.FindDirectivityOrDefault("OMNI"));
    room.DeleteDirectivities();
    EXPECT_EQ(type.GetDirPatternName(), "OMNI");
    EXPECT_EQ(room.FindDirectivityOrDefault("HYPERCARD")->GetPatternName(), std::string("OMNI"));
}

TEST(TRoom, ResponseLengthAndRays)
{
    TRoom room;
    EXPECT_FLOAT_EQ(room.SetMaxTime(1.5f), 1.5f);
    EXPECT_EQ(room.MaxLength, 66150u);
    room.ResultsCreated = true;
    ErrorRecorder errors;
    EXPECT_EQ(room.SetMaxTime(2.0f), -1.0f);
    EXPECT_EQ(room.MaxLength, 66150u);
    EXPECT_FLOAT_EQ(room.SetMaxTime(1.0f), 1.0f);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Increasing Impulse Response Length Not Possible YET!!"});
    room.ResultsCreated = false;
    EXPECT_EQ(room.SetMaxTime(-3.0f), 0.0f) << "a negative length is no length";

    room.SetNumRays(0);
    EXPECT_EQ(room.GetNumRays(), 20000u);
}
