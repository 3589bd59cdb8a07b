#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "TestSupport.h"
#include "audio/TWavTools.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "results/ResultFixtures.h"
#include "results/TResult.h"

TEST(Auralize, SoundFileConvolvedWithEveryChannel)
{
    ScratchFolder folder;
    std::vector<float> sound(3000);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<float>(0.5 * std::sin(0.05 * i) * std::exp(-1e-3 * i));
    }
    ASSERT_TRUE(writeWAVData(folder.Path("dry.wav"), sound.data(), 3000, 44100, 1));
    DaffDesign head;
    head.channels = 2;
    ResultPair pair(MakeResultParam(700), "OMNI", folder.Write("head.daff", WriteDaff(head).bytes));
    pair.source.SoundFile = folder.Path("dry.wav");
    pair.source.SoundFileFlag = true;
    TResult& r = *pair.result;
    // A decaying oscillation from sample 100, different in every channel.
    for (unsigned c = 0; c < 2; ++c) {
        for (unsigned i = 100; i < 700; ++i) {
            r.globalIR[c][i] = static_cast<float>(0.2 * std::exp((100.0 - i) / 80.0) * std::cos(0.3 * (i - 100) + c));
        }
    }
    r.Auralize();
    ASSERT_EQ(r.AudioOutputLength, 3000u + 700u - 1u);
    ASSERT_EQ(r.Audio.size(), 2u);
    for (unsigned c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        ASSERT_EQ(r.Audio[c].size(), r.AudioOutputLength);
        for (unsigned n = 0; n < r.AudioOutputLength; n += 37) {
            double direct = 0.0;
            for (unsigned k = 0; k < 700; ++k) {
                if (n >= k && n - k < 3000) {
                    direct += static_cast<double>(r.globalIR[c][k]) * sound[n - k];
                }
            }
            ASSERT_NEAR(r.Audio[c][n], direct, 1e-5) << n;
        }
    }

    SCOPED_TRACE("written interleaved, times the gain");
    ASSERT_TRUE(r.SaveAudios(folder.Path("wet"), 2.0f));
    std::vector<float> data;
    const WaveHeader h = readWAVData(folder.Path("wet.wav"), data);
    EXPECT_EQ(h.SampleRate, 44100u);
    ASSERT_EQ(h.NumCh, 2);
    ASSERT_EQ(data.size(), 2u * r.AudioOutputLength);
    for (unsigned i = 0; i < r.AudioOutputLength; i += 11) {
        ASSERT_EQ(data[2 * i], 2.0f * r.Audio[0][i]);
        ASSERT_EQ(data[2 * i + 1], 2.0f * r.Audio[1][i]);
    }

    SCOPED_TRACE("nothing to write once freed");
    r.FreeAudio();
    EXPECT_FALSE(r.SaveAudios(folder.Path("none"), 1.0f));
    EXPECT_FALSE(FileExists(folder.Path("none.wav")));
}

TEST(Auralize, MultichannelSoundFileIsFatal)
{
    ScratchFolder folder;
    const std::vector<float> stereo(200, 0.1f);
    ASSERT_TRUE(writeWAVData(folder.Path("stereo.wav"), stereo.data(), 100, 44100, 2));
    ResultPair pair(MakeResultParam(100));
    pair.source.SoundFile = folder.Path("stereo.wav");
    pair.source.SoundFileFlag = true;
    ErrorRecorder errors;
    EXPECT_EQ(FatalCode([&] { pair.result->Auralize(); }), 1);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"File " + folder.Path("stereo.wav") +
                                                     " has 2 channels. Only MONO input files are supported.\n"});
}
