#include "dsp/FftwPlan.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

TEST(FftwPlan, ComplexImpulseGivesTwiddles)
{
    const std::size_t n = 12; // not a power of two
    FftwPlan plan(FftwPlan::Kind::Complex, n);
    ASSERT_EQ(plan.Spectrum().size(), n);
    EXPECT_TRUE(plan.Samples().empty());
    for (auto& v : plan.Spectrum()) {
        v = 0.0;
    }
    plan.Spectrum()[1] = 1.0;
    plan.Forward();
    for (std::size_t k = 0; k < n; ++k) {
        const std::complex<double> expected = std::polar(1.0, -2.0 * std::numbers::pi * k / n);
        EXPECT_NEAR(std::abs(plan.Spectrum()[k] - expected), 0.0, 1e-14) << k;
    }
    plan.Backward(); // unnormalised: n times the impulse
    EXPECT_NEAR(plan.Spectrum()[1].real(), static_cast<double>(n), 1e-12);
}

TEST(FftwPlan, RealRoundTripScalesByLength)
{
    for (std::size_t n : {1u, 2u, 7u, 1000u}) {
        SCOPED_TRACE("n " + std::to_string(n));
        FftwPlan plan(FftwPlan::Kind::Real, n);
        ASSERT_EQ(plan.Samples().size(), n);
        ASSERT_EQ(plan.Spectrum().size(), n / 2 + 1);
        for (std::size_t i = 0; i < n; ++i) {
            plan.Samples()[i] = std::sin(0.1 * static_cast<double>(i)) + 0.5;
        }
        plan.Forward();
        plan.Backward();
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_NEAR(plan.Samples()[i], n * (std::sin(0.1 * static_cast<double>(i)) + 0.5), 1e-10 * n);
        }
    }
}

TEST(FftwPlan, PlansFromSeveralThreads)
{
    // Plan creation and destruction are serialised inside the wrapper.
    std::vector<std::thread> threads;
    std::vector<double> results(4, 0.0);
    for (std::size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([t, &results] {
            for (int rep = 0; rep < 20; ++rep) {
                FftwPlan plan(FftwPlan::Kind::Real, 256 + 2 * t);
                for (double& v : plan.Samples()) {
                    v = 1.0;
                }
                plan.Forward();
                results[t] = plan.Spectrum()[0].real();
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    for (std::size_t t = 0; t < results.size(); ++t) {
        EXPECT_DOUBLE_EQ(results[t], 256.0 + 2.0 * static_cast<double>(t));
    }
}
