#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "TestFiles.h"
#include "TestSupport.h"
#include "results/ResultFixtures.h"
#include "results/TResult.h"

TEST(GetMonoParams, SinglePulseAtTheDirectSound)
{
    ResultPair pair(MakeResultParam(8820, 2, 2047));
    TResult& r = *pair.result;
    r.SetDirectSoundIndex(441);
    r.globalIR[0][441] = 1.0f;
    r.GetMonoParams();
    const TMonoParams& p = r.Param[kResultBands];
    EXPECT_NEAR(p.SPL, 94.0, 1e-4);
    EXPECT_NEAR(p.C80, 80.0, 1e-3);
    EXPECT_NEAR(p.D50, 100.0, 1e-3);
    EXPECT_NEAR(p.CT, 0.0, 1e-3) << "ms from the direct sound";
    // A pulse is white: an octave band takes its width (fc / sqrt 2 to
    // fc sqrt 2) over the Nyquist frequency. The lowest bands are narrower than
    // the filters' transitions and the highest is cut at Nyquist.
    for (unsigned b = 3; b + 1 < kResultBands; ++b) {
        SCOPED_TRACE(b);
        const double width = 62.5 * std::pow(2.0, b) * std::sqrt(0.5);
        EXPECT_NEAR(r.Param[b].SPL, 94.0 + 10.0 * std::log10(width / 22050.0), 0.5);
    }
    EXPECT_FLOAT_EQ(r.Param[0].SPL_A, r.Param[0].SPL - 26.2f);
    double sumA = 0.0;
    for (unsigned b = 0; b < kResultBands; ++b) {
        sumA += std::pow(10.0, r.Param[b].SPL_A / 10.0);
    }
    EXPECT_NEAR(p.SPL_A, 10.0 * std::log10(sumA), 1e-3);
}

namespace {

// Exponentially decaying noise: 60 dB in t60 seconds, `silence` samples of
// nothing first, n samples in all.
std::vector<float> DecayingNoise(double t60, float fs, unsigned silence, unsigned n)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise;
    std::vector<float> x(n, 0.0f);
    for (unsigned i = silence; i < n; ++i) {
        x[i] = noise(random) * static_cast<float>(std::pow(10.0, -3.0 * (i - silence) / (t60 * fs)));
    }
    return x;
}

// The broadband parameters of response x with its direct sound at sample direct.
TMonoParams BroadbandParams(const std::vector<float>& x, unsigned direct)
{
    ResultPair pair(MakeResultParam(static_cast<unsigned>(x.size())));
    TResult& r = *pair.result;
    r.globalIR[0] = x;
    r.SetDirectSoundIndex(direct);
    const ConsoleRecorder quiet;
    r.GetMonoParams();
    return r.Param[kResultBands];
}

} // namespace

TEST(GetMonoParams, DecayTimesAndCentreTimeCountFromTheDirectSound)
{
    const float fs = 44100.0f;
    const std::vector<float> prompt = DecayingNoise(0.5, fs, 0, 44100);
    const std::vector<float> delayed = DecayingNoise(0.5, fs, 500, 44600);
    const TMonoParams a = BroadbandParams(prompt, 0);
    const TMonoParams b = BroadbandParams(delayed, 500);
    EXPECT_NEAR(a.EDT, 0.5, 0.05);
    EXPECT_NEAR(b.EDT, a.EDT, 1e-3);
    // Energy decaying as exp(-t / tau) has its centre of gravity at tau.
    const double tau = 0.5 / (6.0 * std::log(10.0));
    EXPECT_NEAR(a.CT, 1000.0 * tau, 2.0);
    EXPECT_NEAR(b.CT, a.CT, 0.05);
    EXPECT_NEAR(b.T30, a.T30, 1e-3);
}

TEST(GetMonoParams, DecayTimesNeedTheirRangeBeforeTheResponseEnds)
{
    const float fs = 44100.0f;
    // No absorption: the level never falls, the response just stops.
    std::vector<float> flat = DecayingNoise(1e9, fs, 0, 44100);
    const TMonoParams none = BroadbandParams(flat, 0);
    EXPECT_EQ(none.EDT, 0.0f);
    EXPECT_EQ(none.T20, 0.0f);
    EXPECT_EQ(none.T30, 0.0f);
    EXPECT_EQ(none.T60, 0.0f);
    EXPECT_GT(none.SPL, 0.0f);

    // A 1 s decay cut after 0.5 s: 30 dB of decay, enough for T20 but not T30.
    const TMonoParams cut = BroadbandParams(DecayingNoise(1.0, fs, 0, 22050), 0);
    EXPECT_NEAR(cut.T20, 1.0, 0.1);
    EXPECT_NEAR(cut.EDT, 1.0, 0.1);
    EXPECT_EQ(cut.T30, 0.0f);
    EXPECT_EQ(cut.T60, 0.0f);
}

TEST(GetMonoParams, SilentResponseGivesZeros)
{
    ResultPair pair(MakeResultParam(2000));
    TResult& r = *pair.result;
    r.Param[3].G = 7.0f;
    r.Param[3].SPL = 50.0f;
    r.GetMonoParams();
    for (const TMonoParams& p : r.Param) { // no logarithm of zero, no division by it
        EXPECT_EQ((std::vector<float>{p.T20, p.T30, p.T60, p.EDT, p.C80, p.D50, p.SPL, p.SPL_A, p.CT}),
                  std::vector<float>(9, 0.0f));
    }
    EXPECT_EQ(r.Param[3].G, 7.0f) << "not a computed value";
}

TEST(SaveParams, TableText)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam(2000));
    TResult& r = *pair.result;
    for (unsigned b = 0; b <= kResultBands; ++b) {
        r.Param[b] = {1.0f + 0.1f * b, 1.005f, 2.0f, 0.25f, -3.456f, 50.0f, 9.0f, 80.0f, 79.994f, 123.46f};
    }
    r.SetDirectSoundIndex(1286); // 10.00 m at 343 m/s
    r.DirectSoundRay.index = 1286;
    r.DirectSoundRay.reflections = 12;
    r.DirectSoundRay.spectrum.assign(kResultBands, 0.0f);
    r.DirectSoundRay.spectrum[0] = 1.0f;
    r.SaveParams(folder.Path("PARAMS.txt"));

    auto row = [](const char* label, const char* value) {
        std::string s = label;
        for (unsigned b = 0; b <= kResultBands; ++b) {
            s += std::string("\t") + value;
        }
        return s + "\n";
    };
    EXPECT_EQ(ReadFileText(folder.Path("PARAMS.txt")),
              "-----\t0062\t0125\t0250\t0500\t1000\t2000\t4000\t8000\t16000\tGlobal\n"
              "T20(s)\t1.00\t1.10\t1.20\t1.30\t1.40\t1.50\t1.60\t1.70\t1.80\t1.90\n" +
                  row("T30(s)", "1.00") + row("T60(s)", "2.00") + row("EDT(s)", "0.25") +
                  row("C80(dB)", "-3.46") + row("D50(%)", "50.00") + row("CT(ms) ", "123.5") +
                  row("SPL(dB)", "80.00") + row("SPL(A)", "79.99") +
                  "Direct Sound: Distance = 10.00 m, Rays = 12,  SPL(dir): 93.97\n"
                  "Expected NumRays: 1\n"); // 1002 rays x 0.00062 for a 0.5 m sphere at 10 m
}

TEST(GetImpulseResponsesfromFile, DamagedOrShortFile)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam(3));
    TResult& r = *pair.result;
    // What can be read is kept, the rest is 0, and the caller is told.
    folder.Touch("short.txt", "0.25 \nx \n");
    EXPECT_FALSE(r.GetImpulseResponsesfromFile(folder.Path("short.txt")));
    EXPECT_EQ(r.globalIR[0], (std::vector<float>{0.25f, 0.0f, 0.0f}));

    r.SaveGlobalIR(folder.Path("no-such-folder/S001-R001.txt")); // reported, not a crash
}
