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
    const std::vector<float> ir = {0.0f, 2.0f, 0.0f, 1.0f, 0.0f};
    const std::vector<float> decay = DecayOf(ir);
    EXPECT_NEAR(decay[0], 10.0 * std::log10(5.0), 1e-5);
    EXPECT_NEAR(decay[1], 10.0 * std::log10(5.0), 1e-5);
    EXPECT_NEAR(decay[2], 0.0, 1e-6);
    EXPECT_NEAR(decay[3], 0.0, 1e-6);
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
    EXPECT_NEAR(GetRevTime(decay.data(), n, -20.0f) / kFs, 1.0, 0.01);
    EXPECT_NEAR(GetRevTime(decay.data(), n, -30.0f) / kFs, 1.0, 0.01);
    EXPECT_NEAR(GetRevTime(decay.data(), n, 30.0f) / kFs, 1.0, 0.01) << "a positive range counts as falling";
    EXPECT_NEAR(GetRevTime(decay.data(), n, -60.0f) / kFs, 1.0, 0.01);
    EXPECT_NEAR(GetDecayTime(decay.data(), n, 0.0f, -10.0f) / kFs, 1.0, 0.01);
}

TEST(GetRevTime, NoFallOfFiveDecibelsGivesZero)
{
    struct Case {
        const char* name;
        std::vector<float> ir;
    };
    const Case cases[] = {
        // Its last three samples: the curve falls 1.8 and 4.8 dB, never 5.
        {"energy at the very end", {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f}},
        {"one pulse", {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f}},
        {"silence", std::vector<float>(50, 0.0f)},
        {"one sample", {1.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<float> decay = DecayOf(c.ir);
        const unsigned n = static_cast<unsigned>(decay.size());
        for (float range : {-20.0f, -30.0f, -60.0f}) {
            EXPECT_EQ(GetRevTime(decay.data(), n, range), 0.0f) << range;
        }
        EXPECT_EQ(GetDecayTime(decay.data(), n, 0.0f, -10.0f), 0.0f);
    }
    EXPECT_EQ(GetRevTime(nullptr, 0, -20.0f), 0.0f);
}

TEST(GetRevTime, FitEndsAtLastSampleWhenRangeIsNotReached)
{
    // A 30 dB linear fall in dB (stepwise exponential) that stops: T60 fits
    // what there is and still finds the slope.
    std::vector<float> ir(4410);
    for (std::size_t i = 0; i < ir.size(); ++i) {
        ir[i] = static_cast<float>(std::pow(10.0, -3.0 * static_cast<double>(i) / kFs));
    }
    const std::vector<float> decay = DecayOf(ir);
    const float t60 = GetRevTime(decay.data(), static_cast<unsigned>(decay.size()), -60.0f);
    EXPECT_GT(t60, 0.0f);
    EXPECT_TRUE(std::isfinite(t60));
}

TEST(GetC80, ClarityAndDefinition)
{
    const unsigned direct = 100;
    std::vector<float> ir(20000, 0.0f);
    ir[direct] = 1.0f;
    {
        SCOPED_TRACE("one pulse at the direct sound");
        EXPECT_NEAR(GetC80(ir.data(), 20000, direct, kFs), 80.0, 1e-4);
        EXPECT_NEAR(GetD50(ir.data(), 20000, direct, kFs), 100.0, 1e-4);
    }
    {
        SCOPED_TRACE("an equal pulse 100 ms later; one before the direct sound is ignored");
        ir[direct + 4410] = 1.0f;
        ir[10] = 5.0f;
        EXPECT_NEAR(GetC80(ir.data(), 20000, direct, kFs), 0.0, 1e-5);
        EXPECT_NEAR(GetD50(ir.data(), 20000, direct, kFs), 50.0, 1e-4);
    }
    {
        SCOPED_TRACE("window edges: 80 ms and 50 ms after the direct sound are late");
        std::vector<float> edge(20000, 0.0f);
        edge[direct] = 1.0f;
        edge[direct + 3528] = 1.0f; // 80 ms
        edge[direct + 2205] = 1.0f; // 50 ms
        EXPECT_NEAR(GetC80(edge.data(), 20000, direct, kFs), 10.0 * std::log10(2.0), 1e-5);
        EXPECT_NEAR(GetD50(edge.data(), 20000, direct, kFs), 100.0 / 3.0, 1e-4);
    }
    {
        SCOPED_TRACE("nothing from the direct sound on");
        const std::vector<float> early = {1.0f, 0.0f, 0.0f};
        EXPECT_EQ(GetD50(early.data(), 3, 2, kFs), 0.0f);
        EXPECT_EQ(GetD50(early.data(), 3, 7, kFs), 0.0f) << "direct sound beyond the response";
    }
}

TEST(GetCenterTime, CentreOfGravityFromSampleZero)
{
    std::vector<float> ir(201, 0.0f);
    ir[0] = 1.0f;
    ir[200] = 1.0f;
    EXPECT_FLOAT_EQ(GetCenterTime(ir.data(), 201), 100.0f);
    ir[200] = -2.0f;
    EXPECT_FLOAT_EQ(GetCenterTime(ir.data(), 201), 160.0f);
    const std::vector<float> silent(10, 0.0f);
    EXPECT_EQ(GetCenterTime(silent.data(), 10), 0.0f);
}
