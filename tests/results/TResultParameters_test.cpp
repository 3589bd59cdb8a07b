#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestFiles.h"
#include "TestSupport.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "results/RayProbability.h"
#include "results/ResultFixtures.h"
#include "results/TResult.h"

namespace {

constexpr unsigned kLength = 8820; // 200 ms

const TMonoParams& Broadband(const TResult& r)
{
    return r.Param[r.NumBands];
}

} // namespace

TEST(GetMonoParams, SinglePulseAtTheDirectSound)
{
    ResultPair pair(MakeResultParam(kLength, 2, 2047));
    TResult& r = *pair.result;
    r.SetDirectSoundIndex(441);
    r.globalIR[0][441] = 1.0f;
    r.GetMonoParams();
    const TMonoParams& p = Broadband(r);
    EXPECT_NEAR(p.SPL, 94.0, 1e-4);
    EXPECT_NEAR(p.C80, 80.0, 1e-3);
    EXPECT_NEAR(p.D50, 100.0, 1e-3);
    EXPECT_NEAR(p.CT, 10.0, 1e-3) << "ms from sample 0";
    EXPECT_EQ(p.T30, 0.0f) << "a pulse has no decay to fit";
    // A pulse is white: each octave band takes its share of the energy,
    // its width (fc / sqrt 2 to fc sqrt 2) over the Nyquist frequency. The
    // lowest bands are narrower than the filters' transition bands and lose
    // more; the highest is cut at the Nyquist frequency.
    for (unsigned b = 3; b + 1 < kResultBands; ++b) {
        SCOPED_TRACE(b);
        const double width = 62.5 * std::pow(2.0, b) * std::sqrt(0.5);
        EXPECT_NEAR(r.Param[b].SPL, 94.0 + 10.0 * std::log10(width / 22050.0), 0.5);
    }
    EXPECT_FLOAT_EQ(r.Param[4].SPL_A, r.Param[4].SPL);
    EXPECT_FLOAT_EQ(r.Param[0].SPL_A, r.Param[0].SPL - 26.2f);
    double sumA = 0.0;
    for (unsigned b = 0; b < kResultBands; ++b) {
        sumA += std::pow(10.0, r.Param[b].SPL_A / 10.0);
    }
    EXPECT_NEAR(p.SPL_A, 10.0 * std::log10(sumA), 1e-3);
}

TEST(GetMonoParams, ExponentialDecayThroughTheBands)
{
    const unsigned length = 3 * 44100;
    ResultPair pair(MakeResultParam(length, 2, 2047));
    TResult& r = *pair.result;
    for (unsigned i = 0; i < length; ++i) {
        // Alternating sign spreads the energy over the whole spectrum.
        const double sign = (i * 2654435761u) & 0x80000000u ? -1.0 : 1.0;
        r.globalIR[0][i] = static_cast<float>(sign * std::pow(10.0, -3.0 * i / 44100.0));
    }
    r.GetMonoParams();
    EXPECT_NEAR(Broadband(r).T20, 1.0, 0.01);
    EXPECT_NEAR(Broadband(r).T30, 1.0, 0.01);
    EXPECT_NEAR(Broadband(r).EDT, 1.0, 0.01);
    for (unsigned b = 2; b < kResultBands; ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(r.Param[b].T30, 1.0, 0.05);
    }
}

TEST(GetMonoParams, SilentResponseGivesZeros)
{
    ResultPair pair(MakeResultParam(kLength));
    TResult& r = *pair.result;
    r.Param[3].G = 7.0f;
    r.Param[3].SPL = 50.0f;
    r.GetMonoParams();
    for (unsigned b = 0; b <= kResultBands; ++b) {
        SCOPED_TRACE(b);
        const TMonoParams& p = r.Param[b];
        for (float v : {p.T20, p.T30, p.T60, p.EDT, p.C80, p.D50, p.SPL, p.SPL_A, p.CT}) {
            EXPECT_EQ(v, 0.0f);
        }
    }
    EXPECT_EQ(r.Param[3].G, 7.0f) << "not a computed value";
}

TEST(GetMonoParams, MeanOfTheChannels)
{
    ScratchFolder folder;
    DaffDesign design;
    design.channels = 2;
    const std::string head = folder.Write("head.daff", WriteDaff(design).bytes);
    ResultPair pair(MakeResultParam(kLength), "OMNI", head);
    TResult& r = *pair.result;
    ASSERT_EQ(r.NumChannels, 2u);
    r.globalIR[0][100] = 2.0f;
    testing::internal::CaptureStdout();
    r.GetMonoParams();
    EXPECT_NE(testing::internal::GetCapturedStdout().find(
                  "Warning: Calculating acoustic parameters over multichannel responses!\n"
                  "Using average of all channels\n"),
              std::string::npos);
    EXPECT_NEAR(Broadband(r).SPL, 94.0, 1e-4) << "(2 + 0) / 2 = 1 Pa";
}

TEST(SaveParams, TableText)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam(kLength));
    TResult& r = *pair.result;
    for (unsigned b = 0; b <= kResultBands; ++b) {
        TMonoParams& p = r.Param[b];
        p.T20 = 1.0f + 0.1f * b;
        p.T30 = 1.005f;
        p.T60 = 2.0f;
        p.EDT = 0.25f;
        p.C80 = -3.456f;
        p.D50 = 50.0f;
        p.CT = 123.46f;
        p.SPL = 80.0f;
        p.SPL_A = 79.994f;
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
    std::string t20 = "T20(s)";
    for (const char* v : {"1.00", "1.10", "1.20", "1.30", "1.40", "1.50", "1.60", "1.70", "1.80", "1.90"}) {
        t20 += std::string("\t") + v;
    }
    const double d = 343.0 * 1286 / 44100.0;
    char expected[64];
    std::snprintf(expected, sizeof expected, "Expected NumRays: %1.0f\n", 1002 * RayProbability(d, 0.5));
    const std::string text =
        "-----\t0062\t0125\t0250\t0500\t1000\t2000\t4000\t8000\t16000\tGlobal\n" + t20 + "\n" +
        row("T30(s)", "1.00") + row("T60(s)", "2.00") + row("EDT(s)", "0.25") + row("C80(dB)", "-3.46") +
        row("D50(%)", "50.00") + row("CT(ms) ", "123.5") + row("SPL(dB)", "80.00") + row("SPL(A)", "79.99") +
        "Direct Sound: Distance = 10.00 m, Rays = 12,  SPL(dir): 93.97\n" + expected;
    EXPECT_EQ(ReadFileText(folder.Path("PARAMS.txt")), text);
}

TEST(SaveGlobalIR, TextRoundTrip)
{
    ScratchFolder folder;
    ScratchFolder folder2;
    DaffDesign design;
    design.channels = 2;
    const std::string head = folder.Write("head.daff", WriteDaff(design).bytes);
    ResultPair pair(MakeResultParam(4), "OMNI", head);
    TResult& r = *pair.result;
    r.globalIR = {{0.5f, -1.25e-7f, 0.0f, 3.0f}, {1.0f, 2.0f, 0.125f, -4.0f}};
    r.SaveGlobalIR(folder.Path("S001-R001.txt"));
    EXPECT_EQ(ReadFileText(folder.Path("S001-R001.txt")),
              "0.5 1 \n-1.25e-07 2 \n0 0.125 \n3 -4 \n");

    ResultPair other(MakeResultParam(4), "OMNI", head);
    EXPECT_TRUE(other.result->GetImpulseResponsesfromFile(folder.Path("S001-R001.txt")));
    EXPECT_EQ(other.result->globalIR, r.globalIR);

    SCOPED_TRACE("a damaged or short file reads what it can and says so");
    folder.Touch("short.txt", "0.5 1 \n2 x \n");
    EXPECT_FALSE(other.result->GetImpulseResponsesfromFile(folder.Path("short.txt")));
    EXPECT_EQ(other.result->globalIR[0], (std::vector<float>{0.5f, 2.0f, 0.0f, 0.0f}));
    EXPECT_EQ(other.result->globalIR[1], (std::vector<float>{1.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(other.result->GetImpulseResponsesfromFile(folder.Path("missing.txt")));

    testing::internal::CaptureStdout();
    r.SaveGlobalIR(folder.Path("no-such-folder/S001-R001.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Impossivel abrir arquivo " + folder.Path("no-such-folder/S001-R001.txt") + " para gravar\n");
}
