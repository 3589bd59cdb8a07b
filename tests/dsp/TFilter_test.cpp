#include "dsp/TFilter.h"

#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<float> RandomSignal(std::size_t n, unsigned int seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v) {
        x = dist(rng);
    }
    return v;
}

// Full linear convolution by the O(n m) definition, in double.
std::vector<double> DirectConvolution(const std::vector<float>& x, const std::vector<float>& h)
{
    std::vector<double> y(x.size() + h.size() - 1, 0.0);
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t k = 0; k < h.size(); ++k) {
            y[i + k] += static_cast<double>(x[i]) * h[k];
        }
    }
    return y;
}

// Largest deviation relative to the largest reference magnitude.
double RelativeError(const std::vector<float>& got, const std::vector<double>& expected, std::size_t offset = 0)
{
    double peak = 0.0, error = 0.0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        peak = std::max(peak, std::abs(expected[offset + i]));
        error = std::max(error, std::abs(got[i] - expected[offset + i]));
    }
    return error / peak;
}

// Zero-phase magnitude in dB of a symmetric filter at normalised frequency f (1 = Nyquist).
double MagnitudeDb(const std::vector<float>& h, double f)
{
    std::complex<double> sum = 0.0;
    for (std::size_t k = 0; k < h.size(); ++k) {
        sum += static_cast<double>(h[k]) * std::polar(1.0, -std::numbers::pi * f * static_cast<double>(k));
    }
    return 20.0 * std::log10(std::abs(sum));
}

} // namespace

TEST(FilterAndFFTFilt, MatchDirectConvolution)
{
    // Short, equal, odd/even and very unequal lengths, on both sides of the
    // direct/FFT switch and of power-of-two block lengths.
    const std::pair<std::size_t, std::size_t> cases[] = {
        {1, 1},      {2, 1},      {1, 2},     {2, 3},       {64, 64},    {65, 65},    {1023, 101},
        {1025, 2047}, {100, 3001}, {5000, 1024}, {1, 5000}, {1025, 1023}, {17, 30000}, {30000, 4097}};
    unsigned int seed = 1;
    for (const auto& [n, m] : cases) {
        SCOPED_TRACE("n " + std::to_string(n) + " m " + std::to_string(m));
        const std::vector<float> x = RandomSignal(n, seed++);
        const std::vector<float> h = RandomSignal(m, seed++);
        const std::vector<double> full = DirectConvolution(x, h);
        std::vector<float> y(n + m - 1, std::numeric_limits<float>::quiet_NaN()); // must be overwritten
        FFTFilt(x.data(), n, h.data(), m, y.data());
        EXPECT_LT(RelativeError(y, full), 1e-6);
        std::vector<float> filtered = x; // in place, shifted by half the filter
        Filter(filtered.data(), n, h.data(), m);
        EXPECT_LT(RelativeError(filtered, full, m / 2), 1e-6);
    }
}

TEST(FFTFilt, FilterLongerThanLargestTabulatedLength)
{
    // Both signals longer than 2^19; x is sparse so the reference stays cheap.
    const std::size_t lh = (std::size_t{1} << 19) + 3, lx = (std::size_t{1} << 19) + 10;
    const std::vector<float> h = RandomSignal(lh, 7);
    std::vector<float> x(lx, 0.0f);
    std::vector<double> expected(lx + lh - 1, 0.0);
    for (std::size_t spike : {std::size_t{0}, std::size_t{1}, std::size_t{262144}, lx - 1}) {
        x[spike] = 1.0f - static_cast<float>(spike) / static_cast<float>(lx);
        for (std::size_t k = 0; k < lh; ++k) {
            expected[spike + k] += static_cast<double>(x[spike]) * h[k];
        }
    }
    std::vector<float> y(lx + lh - 1);
    FFTFilt(h.data(), lh, x.data(), lx, y.data());
    EXPECT_LT(RelativeError(y, expected), 1e-6);
}

TEST(FFTFiltLength, CostTableChoice)
{
    // Worked by hand from blocks x cost.
    const std::tuple<const char*, std::size_t, std::size_t, std::size_t> cases[] = {
        {"single samples", 1, 1, 1},
        {"short", 10, 2, 4},                             // 4 x 138 beats 2 x 303 (8) and 11 x 59 (2)
        {"10 s with 2 s response", 441000, 88200, 262144}, // 4 x 3047619 beats 2 x 6422736
        {"filter at 2^19", 600000, 524288, 524288},      // the only admissible tabulated length
        {"filter beyond 2^19", 524291, 524291, 2097152}, // 1 x 2.62e8 beats 3 x 1.25e8 (2^20)
    };
    for (const auto& [name, lx, lh, n] : cases) {
        EXPECT_EQ(FFTFiltLength(lx, lh), n) << name;
    }
}

TEST(OctaveBandDesign, SymmetricWithUnitGainAtCentre)
{
    for (const auto& [n, fc] : {std::pair{1001u, 1000.0f / 22050.0f}, std::pair{1024u, 1000.0f / 22050.0f},
                                std::pair{2047u, 250.0f / 24000.0f}}) {
        SCOPED_TRACE("n " + std::to_string(n) + " fc " + std::to_string(fc));
        std::vector<float> h(n);
        OctaveBandDesign(h.data(), n, fc);
        for (std::size_t k = 0; k < h.size() / 2; ++k) {
            ASSERT_NEAR(h[k], h[h.size() - 1 - k], 1e-9f) << k;
        }
        EXPECT_NEAR(MagnitudeDb(h, fc), 0.0, 0.1);
        EXPECT_LT(MagnitudeDb(h, fc / 4), -30.0); // two octaves down
    }
    // The 16 kHz band at 44.1 kHz: its upper edges lie beyond Nyquist and are
    // squeezed below it, so the band still passes up to 0.9 Nyquist.
    std::vector<float> top(1001);
    OctaveBandDesign(top.data(), 1001, 16000.0f / 22050.0f);
    EXPECT_NEAR(MagnitudeDb(top, 0.9), 0.0, 0.2);
    std::vector<float> aboveNyquist(64, 5.0f); // the 16 kHz band at 16 kHz sampling
    OctaveBandDesign(aboveNyquist.data(), 64, 2.0f);
    EXPECT_EQ(aboveNyquist, std::vector<float>(64, 0.0f));
}

TEST(OctaveBandDesign, NineBandsSumToDelayedDelta)
{
    // Flatness of the summed bank between the outer band edges (88 Hz and 11.3 kHz) at 44.1 kHz.
    for (unsigned int n : {1001u, 2048u, 4096u}) {
        SCOPED_TRACE("n " + std::to_string(n));
        std::vector<float> sum(n, 0.0f), h(n);
        for (int band = 0; band < 9; ++band) {
            OctaveBandDesign(h.data(), n, static_cast<float>(62.5 * std::exp2(band) / 22050.0));
            for (std::size_t k = 0; k < n; ++k) {
                sum[k] += h[k];
            }
        }
        double worst = 0.0;
        for (double fHz = 88.4; fHz <= 11314.0; fHz *= 1.005) {
            worst = std::max(worst, std::abs(MagnitudeDb(sum, fHz / 22050.0)));
        }
        EXPECT_LT(worst, 0.05);
    }
}

TEST(fir2, BreakpointsOutsideRangeAreClamped)
{
    const float F[3] = {-0.5f, 0.5f, 1.5f}, M[3] = {1.0f, 1.0f, 1.0f};
    std::vector<float> h(255);
    fir2(static_cast<int>(h.size()), 3, F, M, h.data());
    EXPECT_NEAR(h[127], 1.0f, 1e-3f); // all-pass: a centred delta
    EXPECT_NEAR(MagnitudeDb(h, 0.5), 0.0, 0.05);
}
