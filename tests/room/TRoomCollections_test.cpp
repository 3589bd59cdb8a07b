#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "audio/TWavTools.h"
#include "directivity/TDirectivity.h"
#include "room/TRoom.h"

namespace {

TSource SourceOnType(int type, const std::string& soundFile = "NONE")
{
    return TSource(TPoint3D::Make(1, 1, 1), 0.01f, type, 12, 0, 0, 9, soundFile);
}

} // namespace

TEST(TRoom, SourceTypesAreDeletedOnlyWhenUnused)
{
    TRoom room;
    room.AddSourceLayer(std::string("A"));
    room.AddSourceLayer(std::string("B"));
    room.AddSourceLayer(std::string("C"));
    room.AddSource(SourceOnType(1));
    room.AddSource(SourceOnType(2));
    ErrorRecorder errors;
    EXPECT_FALSE(room.DelSourceLayer(2));
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Layer C is in use by source 2"});
    EXPECT_TRUE(room.DelSourceLayer(0));
    ASSERT_EQ(room.NumSourceLayers, 2u);
    EXPECT_EQ(room.sourceLayer[0].layername, "B");
    EXPECT_EQ(room.source[0].LayerID, 0) << "the sources follow their types down";
    EXPECT_EQ(room.source[1].LayerID, 1);
    EXPECT_TRUE(room.DelSourceLayer(5)) << "out of range is not a refusal";
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
    EXPECT_TRUE(room.source.empty());
}

TEST(TRoom, MaterialsAndPlaneLayers)
{
    TRoom room;
    const float absA[9] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    room.AddMaterial(TMaterial("A", 9, absA, 0.2f));
    room.AddMaterial(TMaterial("B", 9, 0.5f, 0.0f));
    room.AddMaterial(TMaterial("C", 9, 0.6f, 0.0f));
    room.AddMaterial(TMaterial("A", 9, 0.9f, 0.0f));
    ASSERT_EQ(room.NumMaterials, 3u);
    EXPECT_FLOAT_EQ(room.material[0].abs[4], 0.5f) << "the first material of a name stays";

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

    EXPECT_EQ(FatalCode([&] { room.AssociateMaterialToLayer("glass", "walls"); }), 1);
    const std::vector<std::string> expected = {
        "Layer walls already defined.",
        "Material \"B\" cannot be removed because is associated with plane layer \"ceiling\".\n",
        "Layer ceiling cannot be removed because is associated to 1 plane(s).",
        "Error: Material 'glass' associated to layer 'walls' was not found in the material list."};
    EXPECT_EQ(errors.texts, expected);
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

// The name matching is the list helpers' (TDirectivityList tests); the room
// keeps its count in step, and a type keeps its pattern when the list is emptied.
TEST(TRoom, DirectivityCountAndPatternsOutliveTheList)
{
    TRoom room;
    room.AddDirectivity("SUPERCARD");
    room.AddDirectivity("CARD");
    EXPECT_EQ(room.NumDirectivities, 1u);
    TReceiverLayer type("mic", room.FindDirectivityOrDefault("OMNI"));
    EXPECT_EQ(type.GetDirPatternName(), "SUPERCARD");
    room.DeleteDirectivities();
    EXPECT_EQ(type.GetDirPatternName(), "SUPERCARD");
    EXPECT_EQ(room.FindDirectivityOrDefault("HYPERCARD")->GetPatternName(), std::string("OMNI"));
    EXPECT_EQ(room.NumDirectivities, 1u);
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

TEST(TSource, RayCountsAreIcosahedronVertexCounts)
{
    const std::pair<unsigned, unsigned> cases[] = {
        {5000, 4842}, {20000, 20252}, {12, 12}, {13, 12}, {100, 92}, {1000000, 998562}, {3, 12}};
    TSource s;
    const ConsoleRecorder quiet;
    for (const auto& [asked, stored] : cases) {
        s.SetNumRays(asked);
        EXPECT_EQ(s.GetNumRays(), stored) << asked;
    }
}

TEST(TSource, PowerAndLevel)
{
    EXPECT_NEAR(SPL2Power(90.0), 4.0 * 3.14159265358979 * 1e-3, 1e-9) << "90 dB at 1 m is 4 pi mW";
    EXPECT_NEAR(Power2SPL(1e-3), 79.0, 1e-12);
    // The pair is offset by 0.0079 dB: a level survives a save only to 0.1 dB.
    EXPECT_NEAR(Power2SPL(SPL2Power(90.0)), 90.0 - 0.007901359779037, 1e-9);
}

TEST(TSource, SoundFiles)
{
    ScratchFolder folder;
    const std::vector<float> samples(882, 0.25f);
    const std::string good = folder.Path("dry.wav"), twoChannels = folder.Path("stereo.wav");
    ASSERT_TRUE(writeWAVData(good, samples.data(), 441, 44100, 1));
    ASSERT_TRUE(writeWAVData(twoChannels, samples.data(), 441, 44100, 2));

    ErrorRecorder errors;
    TSource s = SourceOnType(0, good);
    EXPECT_TRUE(s.SoundFileFlag);
    EXPECT_EQ(s.SoundFile, good);

    TSource missing = SourceOnType(0, folder.Path("gone.wav"));
    EXPECT_FALSE(missing.SoundFileFlag);
    EXPECT_EQ(missing.SoundFile, "NONE");
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Soundfile " + folder.Path("gone.wav") +
                                                     " NOT FOUND!\nNo auralization will be performed for this source."});

    EXPECT_FALSE(s.SetSoundFile(twoChannels));
    EXPECT_EQ(s.SoundFile, good) << "a refused file keeps the old one";
    EXPECT_TRUE(s.SetSoundFile("NO"));
    EXPECT_EQ(s.SoundFile, "NONE");
    EXPECT_FALSE(s.SoundFileFlag);
}

TEST(TReceiver, RadiusIsClamped)
{
    EXPECT_EQ(TReceiver(TPoint3D(), 0.05, 0, 0).Radius, 0.2);
    EXPECT_EQ(TReceiver(TPoint3D(), 1.5, 0, 0).Radius, 0.9);
}
