#include <gtest/gtest.h>

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

// The pulses of a grid of two sources at a one-channel receiver (r0) and a
// two-channel one (r1); no two pulses share a sample.
void FillPulses(TRoom& room)
{
    Pulse(room, 0, 0, 0, 500, 1.0f);
    room.spcresult[0][0]->SetDirectSoundIndex(500);
    Pulse(room, 0, 1, 0, 800, 0.5f);
    room.spcresult[0][1]->SetDirectSoundIndex(800);
    Pulse(room, 1, 0, 0, 300, 2.0f);
    Pulse(room, 1, 0, 1, 1000, 1.0f);
    room.spcresult[1][0]->SetDirectSoundIndex(300);
    Pulse(room, 1, 1, 0, 1500, 0.25f);
    Pulse(room, 1, 1, 1, 2000, 0.75f);
    room.spcresult[1][1]->SetDirectSoundIndex(1500);
}

} // namespace

TEST(SaveResults, SumsOverSourcesAndReceivers)
{
    ScratchFolder folder;
    TRoom room;
    PrepareGrid(room, folder, 2, {1, 2});
    FillPulses(room);
    testing::internal::CaptureStdout();
    room.SaveResults();
    const std::string console = testing::internal::GetCapturedStdout();

    for (const char* name : {"S001-R001.txt", "S002-R001.txt", "S001-R002.txt", "S002-R002.txt",
                             "PARAMS-S001-R001.txt", "PARAMS-S002-R002.txt", "PARAMS-SALL-R001.txt",
                             "PARAMS-SALL-R002.txt", "PARAMS-SALL-RALL.txt"}) {
        EXPECT_TRUE(FileExists(folder.Path(name))) << name;
    }
    EXPECT_FALSE(FileExists(folder.Path("S001-R001-IR.wav"))) << "audio only with auralization on";
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
        // Built on the two-channel receiver: both of its channels hold the sum,
        // so the parameters are those of the sum, with the multichannel note.
        const std::string rall = console.substr(console.find("(SALL-RALL)"));
        EXPECT_NE(rall.find("Warning: Calculating acoustic parameters over multichannel responses!"),
                  std::string::npos);
    }
    {
        SCOPED_TRACE("the pairs keep their parameters for the plots");
        EXPECT_NEAR(room.spcresult[1][0]->GetSPL(), Level((4.0 + 1.0) / 4.0), 0.01);
        EXPECT_NEAR(GlobalValue(ReadFileText(folder.Path("PARAMS-S002-R001.txt")), "C80(dB)"),
                    10.0 * std::log10(0.25 / 1e-8), 0.01);
    }
    EXPECT_NE(console.find("Calculating acoustic parameters ... Done!             \n"), std::string::npos);
}

TEST(SaveResults, OneChannelReceiverFirstOrLast)
{
    // The whole-room response goes with the first receiver of the most
    // channels wherever it stands; the sums do not depend on it.
    for (bool twoFirst : {false, true}) {
        SCOPED_TRACE(twoFirst ? "two-channel receiver first" : "two-channel receiver last");
        ScratchFolder folder;
        TRoom room;
        PrepareGrid(room, folder, 1, twoFirst ? std::vector<int>{2, 1} : std::vector<int>{1, 2});
        const unsigned wide = twoFirst ? 0 : 1;
        Pulse(room, wide, 0, 0, 100, 1.0f);
        Pulse(room, wide, 0, 1, 100, 1.0f);
        Pulse(room, 1 - wide, 0, 0, 2000, 3.0f);
        testing::internal::CaptureStdout();
        room.SaveResults();
        const std::string console = testing::internal::GetCapturedStdout();
        const std::string text = ReadFileText(folder.Path("PARAMS-SALL-RALL.txt"));
        EXPECT_NEAR(GlobalValue(text, "SPL(dB)"), Level(4.0 + 9.0), 0.01);
        EXPECT_NEAR(DirectDistance(text), 2000 * kMetresPerSample, 0.005);
        EXPECT_NE(console.substr(console.find("(SALL-RALL)")).find("multichannel"), std::string::npos);
    }
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
        ASSERT_EQ(read.globalIR[0].size(), saved.globalIR[0].size());
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
}

TEST(LoadResults, NothingToLoadWithoutSourcesOrReceivers)
{
    ScratchFolder folder;
    TRoom room;
    room.ProjectFolder = folder.Folder();
    folder.Touch("S001-R001.txt");
    EXPECT_FALSE(room.CheckSavedResults());
    ErrorRecorder errors;
    EXPECT_EQ(room.LoadResults(), -1);
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
