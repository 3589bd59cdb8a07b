#include "room/TSource.h"

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "audio/TWavTools.h"
#include "room/TReceiver.h"

TEST(TSource, RayCountsAreIcosahedronVertexCounts)
{
    const std::pair<unsigned, unsigned> cases[] = {
        {5000, 4842}, {20000, 20252}, {12, 12}, {13, 12}, {100, 92}, {1000000, 998562}};
    TSource s;
    for (const auto& [asked, stored] : cases) {
        s.SetNumRays(asked);
        EXPECT_EQ(s.GetNumRays(), stored) << asked;
    }
    testing::internal::CaptureStdout();
    s.SetNumRays(3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Adjusting number of rays to minimum value: 12.\n");
    EXPECT_EQ(s.GetNumRays(), 12u);
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
    const std::vector<float> mono(441, 0.25f);
    const std::string good = folder.Path("dry.wav");
    ASSERT_TRUE(writeWAVData(good, mono.data(), 441, 44100, 1));
    const std::vector<float> stereo(882, 0.25f);
    const std::string twoChannels = folder.Path("stereo.wav");
    ASSERT_TRUE(writeWAVData(twoChannels, stereo.data(), 441, 44100, 2));

    ErrorRecorder errors;
    TSource s(TPoint3D(), 0.01f, 0, 100, 0, 0, 9, good);
    EXPECT_TRUE(s.SoundFileFlag);
    EXPECT_EQ(s.SoundFile, good);

    TSource missing(TPoint3D(), 0.01f, 0, 100, 0, 0, 9, folder.Path("gone.wav"));
    EXPECT_FALSE(missing.SoundFileFlag);
    EXPECT_EQ(missing.SoundFile, "NONE");
    ASSERT_FALSE(errors.texts.empty());
    EXPECT_EQ(errors.texts.back(), "Soundfile " + folder.Path("gone.wav") +
                                       " NOT FOUND!\nNo auralization will be performed for this source.");

    EXPECT_FALSE(s.SetSoundFile(twoChannels));
    EXPECT_EQ(s.SoundFile, good) << "a refused file keeps the old one";
    EXPECT_TRUE(s.SetSoundFile("NO"));
    EXPECT_EQ(s.SoundFile, "NONE");
    EXPECT_FALSE(s.SoundFileFlag);
}

TEST(TReceiver, RadiusIsClampedAndSetsTheFactor)
{
    EXPECT_EQ(TReceiver(TPoint3D(), 0.05, 0, 0).Radius, 0.2);
    EXPECT_EQ(TReceiver(TPoint3D(), 1.5, 0, 0).Radius, 0.9);
    const TReceiver r(TPoint3D(), 0.5, 30, 0);
    EXPECT_FLOAT_EQ(r.RecFactor, static_cast<float>(0.5641895835477563 / 0.5));
    EXPECT_EQ(r.ElevRotation, 0.0);
}
