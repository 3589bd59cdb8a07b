#include "dsp/FftwPlan.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

TEST(FftwPlan, RealRoundTripAndPlansFromSeveralThreads)
{
    // Plans are made and destroyed from four threads at once (serialised inside).
    std::vector<std::thread> threads;
    std::vector<double> dc(4), roundTrip(4);
    for (std::size_t t = 0; t < dc.size(); ++t) {
        threads.emplace_back([t, &dc, &roundTrip] {
            for (int rep = 0; rep < 20; ++rep) {
                FftwPlan plan(FftwPlan::Kind::Real, 255 + t); // odd and even lengths
                for (double& v : plan.Samples()) {
                    v = 1.0;
                }
                plan.Forward();
                dc[t] = plan.Spectrum()[0].real();
                plan.Backward();
                roundTrip[t] = plan.Samples()[7];
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    for (std::size_t t = 0; t < dc.size(); ++t) {
        EXPECT_NEAR(dc[t], 255.0 + static_cast<double>(t), 1e-9);
        EXPECT_NEAR(roundTrip[t], 255.0 + static_cast<double>(t), 1e-9);
    }
}
