#include <gtest/gtest.h>

#include "TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "SavedResultsFixtures.h"
#include "audio/TWavTools.h"

namespace {

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

std::vector<float> Samples(const std::string& path, WaveHeader* header = nullptr)
{
    std::vector<float> data;
    const WaveHeader h = readWAVData(path, data);
    if (header != nullptr) {
        *header = h;
    }
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

std::string SaveQuietly(TRoom& room)
{
    testing::internal::CaptureStdout();
    room.SaveResults();
    return testing::internal::GetCapturedStdout();
}

} // namespace

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
    const std::string console = SaveQuietly(room);
    EXPECT_NE(console.find("Auralization processing ...\n"), std::string::npos);

    // Without sound files each pair's file is its response followed by
    // MaxLength - 1 samples of silence, brought to a peak of 1.
    std::vector<std::vector<float>> peaks(2, std::vector<float>(2));
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned s = 0; s < 2; ++s) {
            SCOPED_TRACE(FormatText("S%u-R%u", s + 1, r + 1));
            WaveHeader h;
            const std::vector<float> data = Samples(folder.Path(FormatText("S%.3u-R%.3u.wav", s + 1, r + 1)), &h);
            ASSERT_EQ(h.NumSamples, 1999u);
            ASSERT_EQ(h.NumCh, r == 0 ? 1 : 2);
            peaks[r][s] = Peak(responses[r][s]);
            EXPECT_NEAR(Peak(data), 1.0f, 1e-6f);
            for (unsigned i = 0; i < h.NumSamples; ++i) {
                const float expected = i < 1000 ? responses[r][s][i] / peaks[r][s] : 0.0f;
                ASSERT_NEAR(data[i * h.NumCh], expected, 2e-6f) << i;
            }
            EXPECT_NE(console.find(FormatText("Source[%u]->Receiver[%u] (Normalized) - Max. Amp. = %1.4f\n",
                                              s + 1, r + 1, static_cast<double>(peaks[r][s]))),
                      std::string::npos);
        }
    }
    // The mix of a receiver: each file back at its own level, over the number
    // of sources and the largest peak of all.
    const float maxPeak = 1.6f;
    for (unsigned r = 0; r < 2; ++r) {
        SCOPED_TRACE(r);
        WaveHeader h;
        const std::vector<float> mix = Samples(folder.Path(FormatText("SALL-R%.3u.wav", r + 1)), &h);
        ASSERT_EQ(h.NumSamples, 1999u);
        ASSERT_EQ(h.NumCh, r == 0 ? 1 : 2);
        for (unsigned i = 0; i < 1000; ++i) {
            const float expected = (responses[r][0][i] + responses[r][1][i]) / (2.0f * maxPeak);
            ASSERT_NEAR(mix[i * h.NumCh], expected, 2e-6f) << i;
        }
        EXPECT_LE(Peak(mix), 1.0f);
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
    const std::string console = SaveQuietly(room);
    EXPECT_NE(console.find("Maximum SPL: Source [02] -> Receiver [02]\n"), std::string::npos);
    const float gain = 1.0f / room.spcresult[1][1]->GetMaxIRAmplitude();
    for (unsigned r = 0; r < 2; ++r) {
        for (unsigned s = 0; s < 2; ++s) {
            const std::string path = folder.Path(FormatText("S%.3u-R%.3u-IR.wav", s + 1, r + 1));
            SCOPED_TRACE(path);
            const TResult& result = *room.spcresult[r][s];
            WaveHeader h;
            const std::vector<float> ours = Samples(path, &h);
            ASSERT_EQ(h.NumSamples, 600u);
            ASSERT_EQ(h.NumCh, result.NumChannels);
            const std::vector<float> sox = SoxDecode(path);
            ASSERT_EQ(sox.size(), ours.size()) << "sox must read the file";
            for (unsigned i = 0; i < 600; ++i) {
                for (unsigned c = 0; c < result.NumChannels; ++c) {
                    const float expected = gain * result.globalIR[c][i];
                    ASSERT_EQ(ours[i * h.NumCh + c], expected) << i;
                    ASSERT_NEAR(sox[i * h.NumCh + c], expected, 1e-6f) << i;
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
    const std::string console = SaveQuietly(room);
    for (const char* name : {"S001-R002.wav", "SALL-R002.wav", "S001-R002-IR.wav"}) {
        SCOPED_TRACE(name);
        const std::vector<float> data = Samples(folder.Path(name));
        const unsigned n = room.MaxLength; // lengthened to reach the farther receiver
        ASSERT_EQ(data.size(), std::string(name).find("IR") != std::string::npos ? n : 2 * n - 1);
        EXPECT_EQ(Peak(data), 0.0f) << "silence, not 0/0";
    }
    EXPECT_NE(console.find("S001-R002.wav is silent"), std::string::npos);
    EXPECT_EQ(Samples(folder.Path("SALL-R001.wav")), Samples(folder.Path("S001-R001.wav")))
        << "one source: its file scaled by P / Pmax = 1";
    EXPECT_NEAR(Peak(Samples(folder.Path("S001-R001-IR.wav"))), 1.0f, 1e-6f);

    SCOPED_TRACE("nothing reaches anything");
    ScratchFolder quiet;
    TRoom silent;
    silent.AuralizationFlag = true;
    PrepareGrid(silent, quiet, 1, {1}, 400);
    EXPECT_NE(SaveQuietly(silent).find("Every impulse response is silent"), std::string::npos);
    for (const char* name : {"S001-R001.wav", "SALL-R001.wav", "S001-R001-IR.wav"}) {
        SCOPED_TRACE(name);
        const std::vector<float> data = Samples(quiet.Path(name));
        ASSERT_FALSE(data.empty());
        EXPECT_EQ(Peak(data), 0.0f);
    }
}
