#include "results/TParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kFs = 44100.0f;

std::vector<float> DecayOf(const std::vector<float>& ir)
{
    std::vector<float> decay(ir.size());
    GetDecayCurve(ir.data(), decay.data(), static_cast<unsigned>(ir.size()));
    return decay;
}

} // namespace

TEST(GetDecayCurve, BackwardIntegratedEnergy)
{
    const std::vector<float> decay = DecayOf({0.0f, 2.0f, 0.0f, 1.0f, 0.0f});
    EXPECT_NEAR(decay[1], 10.0 * std::log10(5.0), 1e-5);
    EXPECT_NEAR(decay[2], 0.0, 1e-6);
    EXPECT_TRUE(std::isinf(decay[4]) && decay[4] < 0.0f) << "no energy left";
}

TEST(GetRevTime, ExponentialDecayOfSixtyDecibelsPerSecond)
{
    // Energy falls 60 dB per second: amplitude 10^(-3 t), 3 s at 44.1 kHz.
    std::vector<float> ir(static_cast<std::size_t>(3 * kFs));
    for (std::size_t i = 0; i < ir.size(); ++i) {
        ir[i] = static_cast<float>(std::pow(10.0, -3.0 * static_cast<double>(i) / kFs));
    }
    const std::vector<float> decay = DecayOf(ir);
    const unsigned n = static_cast<unsigned>(decay.size());
    for (float range : {-20.0f, -60.0f, 30.0f}) { // a positive range counts as falling
        EXPECT_NEAR(GetRevTime(decay.data(), n, range) / kFs, 1.0, 0.01) << range;
    }
    EXPECT_NEAR(GetDecayTime(decay.data(), n, 0.0f, -10.0f) / kFs, 1.0, 0.01);
}

TEST(GetRevTime, NoFallOfFiveDecibelsGivesZero)
{
    const std::pair<const char*, std::vector<float>> cases[] = {
        // The curve falls 1.8 and 4.8 dB, never 5.
        {"energy in the last three samples", {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f}},
        {"one pulse", {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f}},
        {"silence", std::vector<float>(50, 0.0f)},
    };
    for (const auto& [name, ir] : cases) {
        SCOPED_TRACE(name);
        const std::vector<float> decay = DecayOf(ir);
        const unsigned n = static_cast<unsigned>(decay.size());
        for (float range : {-20.0f, -30.0f, -60.0f}) {
            EXPECT_EQ(GetRevTime(decay.data(), n, range), 0.0f) << range;
        }
        EXPECT_EQ(GetDecayTime(decay.data(), n, 0.0f, -10.0f), 0.0f);
    }
}

TEST(GetC80, WindowsFromTheDirectSound)
{
    const unsigned direct = 100;
    std::vector<float> ir(20000, 0.0f);
    ir[10] = 5.0f; // before the direct sound: ignored
    ir[direct] = 1.0f;
    ir[direct + 2205] = 1.0f; // 50 ms: late for D50
    ir[direct + 3528] = 1.0f; // 80 ms: late for C80
    EXPECT_NEAR(GetC80(ir.data(), 20000, direct, kFs), 10.0 * std::log10(2.0), 1e-5);
    EXPECT_NEAR(GetD50(ir.data(), 20000, direct, kFs), 100.0 / 3.0, 1e-4);
    EXPECT_EQ(GetD50(ir.data(), 20000, 19999, kFs), 0.0f) << "no energy from the direct sound on";
    EXPECT_EQ(GetC80(ir.data(), 20000, 19999, kFs), 0.0f);
    EXPECT_EQ(GetD50(ir.data(), 20000, 30000, kFs), 0.0f) << "direct sound beyond the response";
}

TEST(GetCenterTime, CentreOfGravityFromSampleZero)
{
    std::vector<float> ir(201, 0.0f);
    ir[0] = 1.0f;
    ir[200] = -2.0f;
    EXPECT_FLOAT_EQ(GetCenterTime(ir.data(), 201), 160.0f);
    EXPECT_EQ(GetCenterTime(std::vector<float>(10, 0.0f).data(), 10), 0.0f);
}
