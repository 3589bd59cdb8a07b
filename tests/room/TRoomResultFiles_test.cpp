#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>

#include "SavedResultsFixtures.h"
#include "room/Environment.h"

namespace {

constexpr double kMetresPerSample = 343.0 / 44100.0;

double Level(double energy)
{
    return 94.0 + 10.0 * std::log10(energy);
}

} // namespace

TEST(SaveResults, SumsOverSourcesAndReceivers)
{
    // Two sources at a one-channel receiver (R1) and a two-channel one (R2);
    // no two pulses share a sample.
    ScratchFolder folder;
    TRoom room;
    PrepareGrid(room, folder, 2, {1, 2});
    Pulse(room, 0, 0, 0, 500, 1.0f);
    Pulse(room, 0, 1, 0, 800, 0.5f);
    Pulse(room, 1, 0, 0, 300, 2.0f);
    Pulse(room, 1, 0, 1, 1000, 1.0f);
    Pulse(room, 1, 1, 0, 1500, 0.25f);
    Pulse(room, 1, 1, 1, 2000, 0.75f);
    const unsigned direct[2][2] = {{500, 800}, {300, 1500}};
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned s = 0; s < 2; ++s) {
            room.spcresult[r][s]->SetDirectSoundIndex(direct[r][s]);
        }
    }
    testing::internal::CaptureStdout();
    room.SaveResults();
    const std::string console = testing::internal::GetCapturedStdout();

    EXPECT_FALSE(FileExists(folder.Path("S001-R001-IR.wav"))) << "audio only with auralization on";
    const std::string response = ReadFileText(folder.Path("S001-R002.txt"));
    EXPECT_EQ(std::count(response.begin(), response.end(), '\n'), 4410);
    EXPECT_NE(response.find("\n0 0 \n2 0 \n0 0 \n"), std::string::npos) << "one value per channel";
    {
        SCOPED_TRACE("one channel: the two sources summed");
        const std::string text = ReadFileText(folder.Path("PARAMS-SALL-R001.txt"));
        EXPECT_NEAR(GlobalValue(text, "SPL(dB)"), Level(1.0 + 0.25), 0.01);
        EXPECT_NEAR(DirectDistance(text), 500 * kMetresPerSample, 0.005) << "the earlier direct sound";
    }
    {
        SCOPED_TRACE("two channels: summed per channel, parameters of their mean");
        const std::string text = ReadFileText(folder.Path("PARAMS-SALL-R002.txt"));
        EXPECT_NEAR(GlobalValue(text, "SPL(dB)"), Level((4.0 + 1.0 + 0.0625 + 0.5625) / 4.0), 0.01);
        EXPECT_NEAR(DirectDistance(text), 300 * kMetresPerSample, 0.005);
    }
    {
        SCOPED_TRACE("the whole room: every channel of every pair in one response");
        const std::string text = ReadFileText(folder.Path("PARAMS-SALL-RALL.txt"));
        EXPECT_NEAR(GlobalValue(text, "SPL(dB)"), Level(1.0 + 0.25 + 4.0 + 1.0 + 0.0625 + 0.5625), 0.01);
        EXPECT_NEAR(DirectDistance(text), 300 * kMetresPerSample, 0.005) << "its largest sample";
        // Carried by the two-channel receiver, both channels holding the sum.
        EXPECT_NE(console.substr(console.find("(SALL-RALL)")).find("multichannel responses"),
                  std::string::npos);
    }
    EXPECT_NEAR(room.spcresult[1][0]->GetSPL(), Level((4.0 + 1.0) / 4.0), 0.01) << "kept for the plots";
    EXPECT_NEAR(GlobalValue(ReadFileText(folder.Path("PARAMS-S002-R001.txt")), "C80(dB)"),
                10.0 * std::log10(0.25 / 1e-8), 0.01);
}

TEST(LoadResults, RoundTripOfATracedRoom)
{
    ScratchFolder folder;
    TRoom room;
    PrepareGrid(room, folder, 2, {1});
    ASSERT_TRUE(room.Simulate());
    room.CalculateResponses();
    testing::internal::CaptureStdout();
    room.SaveResults();
    testing::internal::GetCapturedStdout();

    TRoom loaded;
    PrepareGrid(loaded, folder, 2, {1});
    ASSERT_TRUE(loaded.CheckSavedResults());
    testing::internal::CaptureStdout();
    EXPECT_EQ(loaded.LoadResults(), 0);
    testing::internal::GetCapturedStdout();
    for (unsigned s = 0; s < 2; ++s) {
        SCOPED_TRACE(s);
        const TResult& saved = *room.spcresult[0][s];
        const TResult& read = *loaded.spcresult[0][s];
        const float peak = saved.GetMaxIRAmplitude();
        ASSERT_GT(peak, 0.0f);
        for (std::size_t i = 0; i < saved.globalIR[0].size(); ++i) {
            ASSERT_NEAR(read.globalIR[0][i], saved.globalIR[0][i], 1e-5f * peak) << i;
        }
        // Written with six digits: the parameters agree to rounding.
        EXPECT_NEAR(read.GetSPL(), saved.GetSPL(), 0.01);
        EXPECT_NEAR(read.Param[9].T30, saved.Param[9].T30, 0.01);
        EXPECT_NEAR(read.Param[4].EDT, saved.Param[4].EDT, 0.01);
    }

    SCOPED_TRACE("one missing file");
    std::filesystem::remove(folder.Path("S002-R001.txt"));
    EXPECT_FALSE(loaded.CheckSavedResults());
    testing::internal::CaptureStdout();
    EXPECT_EQ(loaded.LoadResults(), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("S002-R001.txt is missing or incomplete"),
              std::string::npos);

    TRoom empty;
    empty.ProjectFolder = folder.Folder();
    EXPECT_FALSE(empty.CheckSavedResults());
    ErrorRecorder errors;
    EXPECT_EQ(empty.LoadResults(), -1);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Results file could not be loaded!"});
}

TEST(AcousticParameters, SabineAndEyringWithAirAbsorption)
{
    // 8 x 6 x 3 m, absorption 0.1 everywhere: without air 1.29 s (Sabine)
    // and 1.22 s (Eyring).
    TRoom room;
    room.Temperature = 20.0;
    room.Humidity = 50.0;
    room.Pressure = 1.0;
    FillBoxRoom(room, 8, 6, 3, 0.1f);
    room.GetExternalPlanes();
    testing::internal::CaptureStdout();
    room.AcousticParameters();
    testing::internal::GetCapturedStdout();
    EXPECT_NEAR(room.Volume, 144.0, 1e-6);
    EXPECT_NEAR(room.Area, 180.0, 1e-6);

    std::vector<double> air(room.NumBands);
    CalculateAirAbsCoefs(293.15f, 1.0f, 50.0f, room.NumBands, air.data());
    // ISO 9613-1 gives about 4.7 dB/km at 1 kHz: the coefficient is the
    // amplitude's (dB / 8.686), and the energy decays twice as fast.
    EXPECT_NEAR(air[4] * 8.686, 0.0047, 0.0005);
    const double c = 331.4 + 0.6 * 20.0;
    for (unsigned b = 0; b < room.NumBands; ++b) {
        SCOPED_TRACE(b);
        const double airArea = 4.0 * (2.0 * air[b]) * 144.0;
        const double sabine = 24.0 * std::numbers::ln10 * 144.0 / (c * (0.1 * 180.0 + airArea));
        const double eyring = 24.0 * std::numbers::ln10 * 144.0 / (c * (-std::log(0.9) * 180.0 + airArea));
        EXPECT_NEAR(room.T60[0][b], sabine, 1e-4);
        EXPECT_NEAR(room.T60[1][b], eyring, 1e-4);
    }
    EXPECT_NEAR(room.T60[0][0], 1.287, 0.005) << "little air absorption at 62.5 Hz";
    EXPECT_NEAR(room.T60[1][0], 1.222, 0.005);
}
