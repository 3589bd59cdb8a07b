#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "TestFiles.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "results/ResultFixtures.h"
#include "results/VelvetNoise.h"

TEST(TResultSynthesis, SingleArrivalBecomesItsPressure)
{
    TResultParam param = MakeResultParam();
    for (unsigned b = 0; b < kResultBands; ++b) {
        param.AirAbsorption[b] = 0.001 * (b + 1); // Np/m
    }
    ResultPair pair(param);
    TResult& r = *pair.result;
    r.InsertRay(MakeArrival(441, 1));
    r.ConvertToPressure();
    // 3.43 m from the source: p = sqrt(E) x 1 / (sqrt(pi) R) x sqrt(rho c) x exp(-m d).
    const double recFactor = 1.0 / (std::sqrt(3.14159265358979) * 0.5);
    for (unsigned b = 0; b < kResultBands; ++b) {
        SCOPED_TRACE(b);
        const double p =
            std::sqrt(b + 1.0) * recFactor * std::sqrt(343.0 * 1.2041) * std::exp(-3.43 * param.AirAbsorption[b]);
        EXPECT_NEAR(r.IR_Early[0][b][441], p, 1e-5 * p);
        EXPECT_EQ(r.IR_Early[0][b][440], 0.0f);
    }
}

TEST(TResultSynthesis, EarlyArrivalIsFilteredWithoutDelay)
{
    ScratchFolder folder;
    ResultPair pair(MakeResultParam(2000, 2, 63));
    TResult& r = *pair.result;
    r.CreateRayFile(0, 0, folder.Path("RAYS"));
    TRay arrival = MakeArrival(700, 1);
    r.SaveRay(arrival, 0);
    r.Cluster();
    r.GetImpulseResponses();
    const std::vector<float>& ir = r.globalIR[0];
    const auto peak = std::max_element(ir.begin(), ir.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    EXPECT_EQ(peak - ir.begin(), 700);
    // Linear-phase filters centred on the arrival: the response is symmetric
    // about it (the late part is empty).
    for (unsigned k = 1; k < 700; ++k) {
        ASSERT_NEAR(ir[700 - k], ir[700 + k], 1e-6f * std::fabs(*peak)) << k;
    }
}

// A pulse of band energy E in one band, early (clustered) or late, comes out
// of the synthesis with energy E x RecFactor^2 x rho c in the response,
// whatever the band's width and the sampling rate.
TEST(TResultSynthesis, EachBandKeepsTheEnergyOfItsArrival)
{
    ScratchFolder folder;
    for (float fs : {44100.0f, 48000.0f}) {
        for (int reflections : {1, 4}) { // early and late with cluster order 2
            for (unsigned b = 0; b < kResultBands; ++b) {
                SCOPED_TRACE(testing::Message() << fs << " Hz, " << reflections
                                                << " reflections, band " << b);
                TResultParam param = MakeResultParam(16384, 2, 2047);
                param.FSample = fs;
                ResultPair pair(param);
                TResult& r = *pair.result;
                r.CreateRayFile(0, 0, folder.Path("RAYS"));
                TRay arrival = MakeArrival(6000, reflections, 0.0f, 0.0f, 0.5f, 0.0f);
                arrival.spectrum[b] = 2.5f;
                r.SaveRay(arrival, reflections <= 2 ? 0 : 1);
                r.Cluster();
                r.GetImpulseResponses();
                double energy = 0.0;
                for (float v : r.globalIR[0]) {
                    energy += static_cast<double>(v) * v;
                }
                const double expected = 2.5 * r.RecFactor * r.RecFactor * 343.0 * r.Rho;
                EXPECT_NEAR(10.0 * std::log10(energy / expected), 0.0, 0.2);
            }
        }
    }
}

// Arrivals meeting on one sample are incoherent: their energies add.
TEST(TResultSynthesis, ArrivalsOnOneSampleAddTheirEnergies)
{
    ResultPair pair(MakeResultParam());
    TResult& r = *pair.result;
    r.InsertRay(MakeArrival(300, 1, 0.0f, 0.0f, 0.5f, 1.0f));
    r.InsertRay(MakeArrival(300, 2, 0.0f, 0.0f, 0.5f, 3.0f));
    r.ConvertToPressure();
    const double k = r.RecFactor * std::sqrt(343.0 * r.Rho);
    for (unsigned b = 0; b < kResultBands; ++b) {
        // Band energies (b + 1) and 3 (b + 1): 4 (b + 1) in all.
        EXPECT_NEAR(r.IR_Early[0][b][300], std::sqrt(4.0 * (b + 1)) * k, 1e-4 * k) << b;
    }
}

TEST(TResultSynthesis, DirectivityFrontDelaysAreRemoved)
{
    ScratchFolder folder;
    // The frontal record has one leading zero; peaks at 1 + 4 and 1 + 2 samples.
    auto pattern = [&](const char* name, int peak) {
        DaffDesign design;
        design.contentType = 0;
        design.filterLength = 8;
        design.stored = 6;
        design.value = [peak](int, int, int i) { return i == peak ? 1.0 : 0.1; };
        return folder.Write(name, WriteDaff(design).bytes);
    };
    ResultPair delayed(MakeResultParam(3000), pattern("src.daff", 4), pattern("rec.daff", 2));
    ResultPair plain(MakeResultParam(3000), pattern("src0.daff", 0), pattern("rec0.daff", 0));
    for (ResultPair* p : {&delayed, &plain}) {
        for (auto& band : p->result->IR[0]) {
            for (unsigned n = 0; n < band.size(); ++n) {
                band[n] = 1.0f / (1.0f + n);
            }
        }
        p->result->GetImpulseResponsesfromRAYS("");
    }
    const std::vector<float>& a = delayed.result->globalIR[0];
    const std::vector<float>& b = plain.result->globalIR[0];
    for (unsigned n = 0; n < 3000; ++n) { // 8 - 2 samples earlier, zeros at the end
        ASSERT_EQ(a[n], n + 6 < 3000 ? b[n + 6] : 0.0f) << n;
    }
}

TEST(VelvetNoise, OnePulsePerSegmentButTheLast)
{
    // {samples, segment length, pulses}: one pulse in every segment but the last, whole or not.
    for (const auto& [n, td, pulses] : {std::array{100u, 10u, 9u}, std::array{105u, 10u, 10u},
                                        std::array{10000u, 50u, 199u}, std::array{5u, 10u, 0u}}) {
        SCOPED_TRACE(n);
        std::vector<float> noise(n, 7.0f);
        VelvetNoise(noise.data(), n, static_cast<int>(td), 42);
        unsigned count = 0;
        for (unsigned k = 0; k < n; ++k) {
            if (noise[k] != 0.0f) {
                ASSERT_TRUE(noise[k] == 1.0f || noise[k] == -1.0f);
                EXPECT_LT(k / td, pulses) << "no pulse in the last segment";
                ++count;
            }
        }
        EXPECT_EQ(count, pulses);
    }
}

TEST(ArtificialTail, ContinuesTheFittedDecay)
{
    struct Case {
        const char* name;
        unsigned maxProbIndex;
        unsigned minFirstIndex;
        unsigned fadeEnd;
    };
    const Case cases[] = {{"fade-in over 1000 samples", 1500, 500, 1000},
                          {"receiver beyond the reliable distance: no fade-in", 100, 500, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultPair pair(MakeResultParam(10000, 2, 63, true));
        TResult& r = *pair.result;
        for (auto& band : r.IR[0]) { // a late part decaying as log10 v = -2 - 0.0001 n
            for (unsigned n = 0; n < band.size(); ++n) {
                band[n] = std::pow(10.0f, -2.0f - 0.0001f * n);
            }
        }
        const auto before = r.IR;
        r.MaxProbIndex = c.maxProbIndex;
        r.MinFirstIndex = c.minFirstIndex;
        r.AddArtificialTail_LateRays();
        for (unsigned b = 0; b < kResultBands; ++b) {
            SCOPED_TRACE(b);
            unsigned pulses = 0;
            for (unsigned n = 1; n < 10000; ++n) {
                const float added = r.IR[0][b][n] - before[0][b][n];
                if (added == 0.0f) {
                    continue;
                }
                ++pulses;
                float expected = 0.9f * std::pow(10.0f, -2.0f - 0.0001f * n);
                if (n < c.fadeEnd) {
                    expected *= 1.0f - std::exp(-8.0f * n / c.fadeEnd);
                }
                ASSERT_NEAR(added, expected, 0.01f * expected) << n;
            }
            EXPECT_GE(pulses, 10000u / 50 - 2) << "a pulse in every 50 samples at least";
        }
    }
}

TEST(ArtificialTail, TooFewArrivalsLeaveTheResponse)
{
    ResultPair pair(MakeResultParam(10000, 2, 63, true));
    TResult& r = *pair.result;
    for (unsigned n = 0; n < 10; ++n) {
        r.IR[0][3][100 * n] = 0.5f; // 10 points for 1002 rays: not more than 1002 / 100
    }
    const auto before = r.IR;
    r.AddArtificialTail_LateRays();
    EXPECT_EQ(r.IR, before);
}

