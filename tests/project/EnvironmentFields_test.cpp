#include "project/EnvironmentFields.h"

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace {

TSource SourceWithRays(unsigned int rays)
{
    return TSource(TPoint3D::Make(1, 1, 1), 0.01f, -1, rays, 0.0f, 0.0f, 9, "NONE");
}

} // namespace

// Each case edits a fresh room: 25 C, 1 atm, 40 %, 1 s at 44100 Hz, -60 dB,
// no reflection limit, 20000 rays.
TEST(ApplyEnvironmentField, AcceptsWholeNumbersWithinTheRangeOnly)
{
    using F = EnvironmentField;
    const struct {
        F field;
        const char* text;
        bool accepted, changed;
        const char* shown;
    } cases[] = {
        {F::Temperature, " 21.5\t", true, true, "21.5"},
        {F::Temperature, "20C", false, false, "25.0"},
        {F::Pressure, "0", false, false, "1.0"},
        {F::IRDuration, "0.00001", false, false, "1.0"}, // under one sample
        {F::IRDuration, "1.00001", true, false, "1.0"},  // the same 44100 samples
        {F::MaxReflections, "0", false, false, "-1"},
        {F::EnergyDecay, "-1e-50", false, false, "-60.0"}, // 0 once stored as float
        {F::NumRays, "10000000", true, true, "10000000"},
        {F::NumRays, "10000001", false, false, "20000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.field) << " \"" << c.text << "\"");
        TRoom room;
        room.ClusterOrderGlobal = 3;
        const FieldEdit edit = ApplyEnvironmentField(room, c.field, c.text);
        EXPECT_EQ(edit.accepted, c.accepted);
        EXPECT_EQ(edit.changed, c.changed);
        EXPECT_EQ(edit.shown, c.shown);
        EXPECT_EQ(edit.message.empty(), c.accepted) << edit.message;
        EXPECT_EQ(room.ClusterOrderGlobal, c.changed ? -1 : 3) << "automatic after a change";
    }
}

TEST(ApplyEnvironmentField, AirEditsDeriveWhatALoadDerives)
{
    const ConsoleRecorder quiet;
    ScratchFolder folder;
    TRoom loaded;
    loaded.EnviromentSetupTXT(folder.Touch(
        "p.txt", "<ENVIRONMENT>\nTEMPERATURE = -5.5\nPRESSURE = 0.8\nHUMIDITY = 70\n</ENVIRONMENT>\n"));
    TRoom edited;
    ApplyEnvironmentField(edited, EnvironmentField::Temperature, "-5.5");
    ApplyEnvironmentField(edited, EnvironmentField::Pressure, "0.8");
    ApplyEnvironmentField(edited, EnvironmentField::Humidity, "70");
    EXPECT_EQ(edited.VSound, loaded.VSound);
    EXPECT_EQ(edited.AirAbs, loaded.AirAbs);
}

TEST(ApplyEnvironmentField, LengthDropsEarlierResultsAndRaysReachEverySource)
{
    ScratchFolder folder;
    const ConsoleRecorder quiet;
    ErrorRecorder errors;
    TRoom room;
    room.ProjectFolder = folder.Folder();
    FillBoxRoom(room, 6, 4, 3, 0.3f);
    room.AddSource(SourceWithRays(12));
    room.AddSource(SourceWithRays(4842));
    room.AddReceiver(TReceiver(TPoint3D::Make(4, 2, 1.5), 0.3, 0.0, -1));
    room.CreateResults();
    ApplyEnvironmentField(room, EnvironmentField::IRDuration, "1.0");
    EXPECT_TRUE(room.HasResultGrid()) << "the same length keeps them";
    EXPECT_TRUE(ApplyEnvironmentField(room, EnvironmentField::IRDuration, "3").changed);
    EXPECT_EQ(room.MaxLength, 3u * 44100u);
    EXPECT_FALSE(room.ResultsCreated || room.HasResultGrid());
    EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();

    EXPECT_TRUE(ApplyEnvironmentField(room, EnvironmentField::NumRays, "20000").changed)
        << "the room asked for 20000 already, its sources did not";
    EXPECT_EQ(room.source[0].NumberOfRays, 20252u);
    EXPECT_EQ(room.source[1].NumberOfRays, 20252u);
}

TEST(ApplyEnvironmentOption, ChangesOnlyWhatDiffers)
{
    ScratchFolder folder;
    ErrorRecorder errors;
    TRoom room;
    room.DiffuseProcessing = 2;
    EXPECT_FALSE(ApplyEnvironmentOption(room, EnvironmentOption::DiffuseProcessing, true));
    EXPECT_EQ(room.DiffuseProcessing, 2u);
    EXPECT_FALSE(ApplyEnvironmentOption(room, EnvironmentOption::SaveLateRays, false));

    // A project read without auralization names sound files it has not checked.
    room.AddSource(SourceWithRays(12));
    room.source[0].SoundFile = folder.Path("gone.wav");
    EXPECT_TRUE(ApplyEnvironmentOption(room, EnvironmentOption::Auralization, true));
    EXPECT_TRUE(FillEnvironmentFields(room).Auralization);
    EXPECT_EQ(errors.texts.size(), 1u) << "a missing file is reported";
    EXPECT_EQ(room.source[0].SoundFile, folder.Path("gone.wav")) << "and kept, to be saved again";
}
