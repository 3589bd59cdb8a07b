#include "dsp/FftwPlan.h"

#include <algorithm>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

TEST(FftwPlan, PlansFromSeveralThreads)
{
    // Plans are made and destroyed from four threads at once (serialised
    // inside); the transforms themselves are checked through FFTFilt.
    std::vector<double> dc(4);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < dc.size(); ++t) {
        threads.emplace_back([t, &dc] {
            for (int rep = 0; rep < 20; ++rep) {
                FftwPlan plan(FftwPlan::Kind::Real, 255 + t); // odd and even lengths
                std::fill(plan.Samples().begin(), plan.Samples().end(), 1.0);
                plan.Forward();
                dc[t] = plan.Spectrum()[0].real();
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    for (std::size_t t = 0; t < dc.size(); ++t) {
        EXPECT_NEAR(dc[t], 255.0 + static_cast<double>(t), 1e-9);
    }
}
