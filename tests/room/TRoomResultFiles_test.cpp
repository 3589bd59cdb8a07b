#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "audio/TWavTools.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "room/Environment.h"
#include "room/TRoom.h"

// Rooms whose result grid is filled by hand: sources and receivers (of one
// or two channels) without tracing, responses made of pulses or decaying
// oscillations.

namespace {

constexpr double kMetresPerSample = 343.0 / 44100.0;

// Sources at (1, 1, 1.5), (2, 1, 1.5), ...; receivers at (4, 3, 1.5),
// (4, 2, 1.5), ... with channels[r] channels each. Results created, every
// response silent.
void PrepareGrid(TRoom& room, const ScratchFolder& folder, unsigned sources, const std::vector<int>& channels,
                 unsigned maxLength = 4410)
{
    room.ProjectFolder = folder.Folder();
    room.FSample = 44100.0f;
    room.VSound = 343.0f;
    room.MaxLength = maxLength;
    room.AirAbs.assign(room.NumBands, 0.0);
    room.ClusterOrderGlobal = 1;
    room.SaveLostRays = 0;
    FillBoxRoom(room, 6, 5, 3, 0.2f);
    for (unsigned s = 0; s < sources; ++s) {
        room.AddSource(TSource(TPoint3D::Make(1.0 + s, 1, 1.5), 0.01f, -1, 1002, 0.0f, 0.0f, room.NumBands, "NONE"));
    }
    for (std::size_t r = 0; r < channels.size(); ++r) {
        room.AddReceiver(TReceiver(TPoint3D::Make(4, 3.0 - r, 1.5), 0.3 + 0.1 * r, 0.0, -1));
        if (channels[r] > 1) {
            DaffDesign design;
            design.channels = channels[r];
            const std::string path = folder.Write(FormatText("head%d.daff", static_cast<int>(r)),
                                                  WriteDaff(design).bytes);
            room.receiver[r].SetDirectivity(std::make_shared<TDirectivity>(path, room.NumBands));
        }
    }
    room.CreateResults();
}

// The broadband (last) value of a labelled row of a parameter file.
double GlobalValue(const std::string& text, const std::string& label)
{
    const std::size_t row = text.find("\n" + label + "\t");
    if (row == std::string::npos) {
        return -1e9;
    }
    const std::size_t end = text.find('\n', row + 1);
    const std::size_t tab = text.rfind('\t', end);
    return std::strtod(text.substr(tab + 1, end - tab - 1).c_str(), nullptr);
}

// The distance of the direct-sound line of a parameter file, m.
double DirectDistance(const std::string& text)
{
    double d = -1.0;
    const std::size_t at = text.find("Direct Sound: Distance = ");
    if (at != std::string::npos) {
        std::sscanf(text.c_str() + at, "Direct Sound: Distance = %lf", &d);
    }
    return d;
}

double Level(double energy)
{
    return 94.0 + 10.0 * std::log10(energy);
}

// A decaying oscillation of the given peak from sample start in every
// channel of pair (r, s).
void Response(TRoom& room, unsigned r, unsigned s, unsigned start, float amplitude)
{
    TResult& result = *room.spcresult[r][s];
    for (auto& channel : result.globalIR) {
        for (unsigned i = start; i < result.MaxLength; ++i) {
            const double t = i - start;
            channel[i] += static_cast<float>(amplitude * std::exp(-t / 200.0) * std::cos(0.2 * t));
        }
    }
    result.SetDirectSoundIndex(start);
}

std::vector<float> Samples(const std::string& path)
{
    std::vector<float> data;
    readWAVData(path, data);
    return data;
}

float Peak(const std::vector<float>& x)
{
    float p = 0.0f;
    for (float v : x) {
        p = std::max(p, std::fabs(v));
    }
    return p;
}

void SaveQuietly(TRoom& room)
{
    const ConsoleRecorder quiet;
    room.SaveResults();
}

} // namespace

TEST(SaveResults, SumsOverSourcesAndReceivers)
{
    // Two sources at a one-channel receiver (R1) and a two-channel one (R2);
    // no two pulses share a sample.
    ScratchFolder folder;
    TRoom room;
    PrepareGrid(room, folder, 2, {1, 2});
    // A pulse of amplitude a (Pa) at sample i in channel c of pair (r, s).
    const auto pulse = [&room](unsigned r, unsigned s, unsigned c, unsigned i, float a) {
        room.spcresult[r][s]->globalIR[c][i] = a;
    };
    pulse(0, 0, 0, 500, 1.0f);
    pulse(0, 1, 0, 800, 0.5f);
    pulse(1, 0, 0, 300, 2.0f);
    pulse(1, 0, 1, 1000, 1.0f);
    pulse(1, 1, 0, 1500, 0.25f);
    pulse(1, 1, 1, 2000, 0.75f);
    const unsigned direct[2][2] = {{500, 800}, {300, 1500}};
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned s = 0; s < 2; ++s) {
            room.spcresult[r][s]->SetDirectSoundIndex(direct[r][s]);
        }
    }
    SaveQuietly(room);

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
    }
    EXPECT_NEAR(room.spcresult[1][0]->GetSPL(), Level((4.0 + 1.0) / 4.0), 0.01) << "kept for the plots";
    EXPECT_NEAR(GlobalValue(ReadFileText(folder.Path("PARAMS-S002-R001.txt")), "C80(dB)"),
                10.0 * std::log10(0.25 / 1e-8), 0.01);
}

TEST(LoadResults, RoundTripOfATracedRoom)
{
    const ConsoleRecorder quiet;
    ScratchFolder folder;
    TRoom room;
    PrepareGrid(room, folder, 2, {1});
    ASSERT_TRUE(room.Simulate());
    room.CalculateResponses();
    SaveQuietly(room);

    TRoom loaded;
    PrepareGrid(loaded, folder, 2, {1});
    ASSERT_TRUE(loaded.CheckSavedResults());
    EXPECT_EQ(loaded.LoadResults(), 0);
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
    EXPECT_EQ(loaded.LoadResults(), -1);

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
    const ConsoleRecorder quiet;
    room.GetExternalPlanes();
    room.AcousticParameters();
    EXPECT_NEAR(room.Volume, 144.0, 1e-6);
    EXPECT_NEAR(room.Area, 180.0, 1e-6);

    std::vector<double> air(room.NumBands);
    CalculateAirAbsCoefs(293.15f, 1.0f, 50.0f, room.NumBands, air.data());
    // The coefficient is the amplitude's: the energy decays twice as fast.
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

TEST(Auralization, PairFilesAreNormalisedResponsesAndMixesKeepLevels)
{
    ScratchFolder folder;
    TRoom room;
    room.AuralizationFlag = true;
    PrepareGrid(room, folder, 2, {1, 2}, 1000);
    Response(room, 0, 0, 50, 0.8f);
    Response(room, 0, 1, 120, 0.2f);
    Response(room, 1, 0, 80, 0.4f);
    Response(room, 1, 1, 30, 1.6f);
    std::vector<std::vector<std::vector<float>>> responses(2);
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned s = 0; s < 2; ++s) {
            responses[r].push_back(room.spcresult[r][s]->globalIR[0]);
        }
    }
    SaveQuietly(room);

    // Without sound files each pair's file is its response followed by
    // MaxLength - 1 samples of silence, brought to a peak of 1. The mix of a
    // receiver: each file back at its own level, over the number of sources
    // and the largest peak of all (1.6).
    for (unsigned r = 0; r < 2; ++r) {
        const unsigned channels = r + 1;
        for (unsigned s = 0; s < 3; ++s) {
            const std::string name = s < 2 ? FormatText("S%.3u-R%.3u.wav", s + 1, r + 1)
                                           : FormatText("SALL-R%.3u.wav", r + 1);
            SCOPED_TRACE(name);
            const std::vector<float> data = Samples(folder.Path(name));
            ASSERT_EQ(data.size(), 1999u * channels);
            if (s < 2) {
                EXPECT_NEAR(Peak(data), 1.0f, 1e-6f);
            }
            for (unsigned i = 0; i < 1999; ++i) {
                float expected = 0.0f;
                if (i < 1000) {
                    expected = s < 2 ? responses[r][s][i] / Peak(responses[r][s])
                                     : (responses[r][0][i] + responses[r][1][i]) / (2.0f * 1.6f);
                }
                ASSERT_NEAR(data[i * channels], expected, 2e-6f) << i;
            }
        }
    }
}

TEST(SaveImpRespWAV, SharedGainReadBySox)
{
    ScratchFolder folder;
    TRoom room;
    room.AuralizationFlag = true;
    PrepareGrid(room, folder, 2, {1, 2}, 600);
    Response(room, 0, 0, 50, 0.3f);
    Response(room, 0, 1, 20, 0.1f);
    Response(room, 1, 0, 70, 0.05f);
    Response(room, 1, 1, 10, 0.6f); // the loudest pair
    SaveQuietly(room);
    const float gain = 1.0f / room.spcresult[1][1]->GetMaxIRAmplitude();
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned s = 0; s < 2; ++s) {
            const std::string path = folder.Path(FormatText("S%.3u-R%.3u-IR.wav", s + 1, r + 1));
            SCOPED_TRACE(path);
            const TResult& result = *room.spcresult[r][s];
            const unsigned channels = result.NumChannels;
            const std::vector<float> ours = Samples(path);
            ASSERT_EQ(ours.size(), 600u * channels);
            const std::vector<float> sox = SoxDecode(path);
            ASSERT_EQ(sox.size(), ours.size()) << "sox must read the file";
            for (unsigned i = 0; i < 600; ++i) {
                for (unsigned c = 0; c < channels; ++c) {
                    const float expected = gain * result.globalIR[c][i];
                    ASSERT_EQ(ours[i * channels + c], expected) << i;
                    ASSERT_NEAR(sox[i * channels + c], expected, 1e-6f) << i;
                }
            }
        }
    }
    EXPECT_NEAR(Peak(Samples(folder.Path("S002-R002-IR.wav"))), 1.0f, 1e-6f);
}

TEST(Auralization, ReceiverThatNothingReachesIsSilent)
{
    ScratchFolder folder;
    TRoom room;
    room.AuralizationFlag = true;
    PrepareGrid(room, folder, 1, {1, 1}, 400);
    Response(room, 0, 0, 20, 0.5f);
    SaveQuietly(room);
    for (const char* name : {"S001-R002.wav", "SALL-R002.wav", "S001-R002-IR.wav"}) {
        SCOPED_TRACE(name);
        const std::vector<float> data = Samples(folder.Path(name));
        const unsigned n = room.MaxLength; // lengthened to reach the farther receiver
        ASSERT_EQ(data.size(), std::string(name).find("IR") != std::string::npos ? n : 2 * n - 1);
        EXPECT_EQ(Peak(data), 0.0f) << "silence, not 0/0";
    }
    EXPECT_EQ(Samples(folder.Path("SALL-R001.wav")), Samples(folder.Path("S001-R001.wav")))
        << "one source: its file scaled by P / Pmax = 1";
    EXPECT_NEAR(Peak(Samples(folder.Path("S001-R001-IR.wav"))), 1.0f, 1e-6f);

    SCOPED_TRACE("nothing reaches anything");
    ScratchFolder quiet;
    TRoom silent;
    silent.AuralizationFlag = true;
    PrepareGrid(silent, quiet, 1, {1}, 400);
    SaveQuietly(silent);
    for (const char* name : {"S001-R001.wav", "SALL-R001.wav", "S001-R001-IR.wav"}) {
        SCOPED_TRACE(name);
        const std::vector<float> data = Samples(quiet.Path(name));
        ASSERT_FALSE(data.empty());
        EXPECT_EQ(Peak(data), 0.0f);
    }
}
