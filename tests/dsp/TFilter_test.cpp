#include "dsp/TFilter.h"

#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr double kPi = std::numbers::pi;

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
    return peak > 0.0 ? error / peak : error;
}

// Zero-phase magnitude in dB of a symmetric filter at normalised frequency f (1 = Nyquist).
double MagnitudeDb(const std::vector<float>& h, double f)
{
    std::complex<double> sum = 0.0;
    for (std::size_t k = 0; k < h.size(); ++k) {
        sum += static_cast<double>(h[k]) * std::polar(1.0, -kPi * f * static_cast<double>(k));
    }
    return 20.0 * std::log10(std::abs(sum));
}

} // namespace

TEST(Filter, MatchesDirectConvolutionWithHalfLengthShift)
{
    struct Case {
        std::size_t n;
        std::size_t m;
    };
    const Case cases[] = {{1, 1},     {2, 1},     {1, 2},     {2, 3},      {64, 64},    {65, 65},
                          {1023, 101}, {1025, 65}, {1025, 2047}, {100, 3001}, {5000, 1024}, {4097, 4096}};
    unsigned int seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE("n " + std::to_string(c.n) + " m " + std::to_string(c.m));
        std::vector<float> x = RandomSignal(c.n, seed++);
        const std::vector<float> h = RandomSignal(c.m, seed++);
        const std::vector<double> full = DirectConvolution(x, h);
        Filter(x.data(), x.size(), h.data(), h.size());
        EXPECT_LT(RelativeError(x, full, c.m / 2), 1e-6);
    }
}

TEST(Filter, CentredIdentityFiltersLeaveSignalUnchanged)
{
    const std::vector<float> original = RandomSignal(777, 42);
    const std::vector<std::vector<float>> filters = {{1.0f}, {0.0f, 1.0f, 0.0f}};
    for (const std::vector<float>& h : filters) {
        SCOPED_TRACE("taps " + std::to_string(h.size()));
        std::vector<float> x = original;
        Filter(x.data(), x.size(), h.data(), h.size());
        EXPECT_EQ(x, original);
    }
    // A long centred delta goes through the FFT path: equal to rounding.
    std::vector<float> delta(1001, 0.0f);
    delta[500] = 1.0f;
    std::vector<float> x = original;
    Filter(x.data(), x.size(), delta.data(), delta.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        ASSERT_NEAR(x[i], original[i], 1e-6f) << i;
    }
}

TEST(Filter, EmptyFilterGivesZeros)
{
    std::vector<float> x = RandomSignal(10, 3);
    Filter(x.data(), x.size(), nullptr, 0);
    EXPECT_EQ(x, std::vector<float>(10, 0.0f));
    Filter(nullptr, 0, x.data(), x.size()); // no samples: nothing to do
}

TEST(FFTFilt, MatchesDirectConvolution)
{
    struct Case {
        std::size_t la;
        std::size_t lb;
    };
    const Case cases[] = {{1, 1},      {2, 1},       {1, 2},      {1, 5000},    {3, 3},    {1023, 1025},
                          {1025, 1023}, {4096, 4096}, {17, 30000}, {30000, 4097}, {88, 9999}};
    unsigned int seed = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE("la " + std::to_string(c.la) + " lb " + std::to_string(c.lb));
        const std::vector<float> a = RandomSignal(c.la, seed++);
        const std::vector<float> b = RandomSignal(c.lb, seed++);
        std::vector<float> y(c.la + c.lb - 1, std::numeric_limits<float>::quiet_NaN());
        FFTFilt(a.data(), a.size(), b.data(), b.size(), y.data());
        EXPECT_LT(RelativeError(y, DirectConvolution(a, b)), 1e-6);
    }
}

TEST(FFTFilt, FilterLongerThanLargestTabulatedLength)
{
    // Both signals longer than 2^19: x is sparse so the reference stays cheap.
    const std::size_t lh = (std::size_t{1} << 19) + 3;
    const std::size_t lx = (std::size_t{1} << 19) + 10;
    const std::vector<float> h = RandomSignal(lh, 7);
    std::vector<float> x(lx, 0.0f);
    const std::size_t spikes[] = {0, 1, 262144, 524287, lx - 1};
    std::vector<double> expected(lx + lh - 1, 0.0);
    for (std::size_t s = 0; s < std::size(spikes); ++s) {
        const float amplitude = 1.0f - 0.3f * static_cast<float>(s);
        x[spikes[s]] = amplitude;
        for (std::size_t k = 0; k < lh; ++k) {
            expected[spikes[s] + k] += static_cast<double>(amplitude) * h[k];
        }
    }
    std::vector<float> y(lx + lh - 1);
    FFTFilt(h.data(), lh, x.data(), lx, y.data());
    EXPECT_LT(RelativeError(y, expected), 1e-6);
}

TEST(FFTFilt, EmptyInputWritesNothing)
{
    float y = 5.0f;
    const float a = 1.0f;
    FFTFilt(&a, 1, nullptr, 0, &y);
    FFTFilt(nullptr, 0, &a, 1, &y);
    EXPECT_EQ(y, 5.0f);
}

TEST(FFTFiltLength, CostTableChoice)
{
    struct Case {
        const char* name;
        std::size_t lx;
        std::size_t lh;
        std::size_t n;
    };
    // Worked by hand from blocks x cost.
    const Case cases[] = {
        {"single samples", 1, 1, 1},
        {"tiny filter, short signal", 10, 2, 4},      // 4 x 138 beats 2 x 303 (8) and 11 x 59 (2)
        {"10 s with 2 s response", 441000, 88200, 262144}, // 4 x 3047619 < 2 x 6422736 < 13 x 1441974
        {"one block cheapest", 1000, 1000, 2048},      // 1 x 14952
        {"filter at 2^19", 600000, 524288, 524288},    // only admissible tabulated length
        {"filter beyond 2^19", 524291, 524291, 2097152}, // 1 x 2.62e8 beats 3 x 1.25e8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FFTFiltLength(c.lx, c.lh), c.n);
    }
}

TEST(OctaveBandEdges, UpperEdgeCompressedBelowNyquist)
{
    // 16 kHz at 44.1 kHz: the upper octave edge (1.026) is above Nyquist.
    const TOctaveBandEdges top = OctaveBandEdges(1001, 16000.0f / 22050.0f);
    EXPECT_FLOAT_EQ(top.F[4], 0.99f);
    EXPECT_FLOAT_EQ(top.F[2], 16000.0f / 22050.0f / std::numbers::sqrt2_v<float>);
    EXPECT_EQ(top.F[5], 1.0f);
    for (int i = 1; i < 6; ++i) {
        EXPECT_LT(top.F[i - 1], top.F[i]) << i;
    }
    // 8 kHz: nothing to compress.
    const float fc = 8000.0f / 22050.0f;
    const TOctaveBandEdges lower = OctaveBandEdges(1001, fc);
    EXPECT_FLOAT_EQ(lower.F[3], fc * std::numbers::sqrt2_v<float>);
    EXPECT_FLOAT_EQ(lower.F[4], fc * std::numbers::sqrt2_v<float> * (1.0f + 1.0f / 1000.0f));
}

TEST(OctaveBandDesign, SymmetricWithUnitGainAtCentre)
{
    struct Case {
        unsigned int n;
        float fc;
    };
    for (const Case& c : {Case{1001, 1000.0f / 22050.0f}, Case{1024, 1000.0f / 22050.0f},
                          Case{2047, 250.0f / 24000.0f}, Case{1001, 16000.0f / 22050.0f}}) {
        SCOPED_TRACE("n " + std::to_string(c.n) + " fc " + std::to_string(c.fc));
        std::vector<float> h(c.n);
        OctaveBandDesign(h.data(), c.n, c.fc);
        float peak = 0.0f;
        for (float v : h) {
            peak = std::max(peak, std::abs(v));
        }
        for (std::size_t k = 0; k < h.size() / 2; ++k) {
            ASSERT_NEAR(h[k], h[h.size() - 1 - k], 1e-6f * peak) << k;
        }
        EXPECT_NEAR(MagnitudeDb(h, c.fc), 0.0, 0.1);
        // Two octaves below the centre lies in the stop band.
        EXPECT_LT(MagnitudeDb(h, c.fc / 4), -30.0);
    }
}

TEST(OctaveBandDesign, TopBandPassesUpToCompressedEdge)
{
    std::vector<float> h(1001);
    OctaveBandDesign(h.data(), 1001, 16000.0f / 22050.0f);
    EXPECT_NEAR(MagnitudeDb(h, 0.9), 0.0, 0.2);
    EXPECT_LT(MagnitudeDb(h, 0.3), -40.0);
}

TEST(OctaveBandDesign, DegenerateRequestsGiveZeroTaps)
{
    std::vector<float> one(1, 5.0f);
    OctaveBandDesign(one.data(), 1, 0.1f);
    EXPECT_EQ(one[0], 0.0f);
    std::vector<float> aboveNyquist(64, 5.0f);
    OctaveBandDesign(aboveNyquist.data(), 64, 1.5f); // 16 kHz band at 16 kHz sampling
    EXPECT_EQ(aboveNyquist, std::vector<float>(64, 0.0f));
}

TEST(OctaveBandDesign, NineBandsSumToDelayedDelta)
{
    // Flatness of the summed bank between 88 Hz and 11.3 kHz (the outer band
    // edges) at 44.1 kHz: within 0.035 dB for these lengths.
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
    const float F[3] = {-0.5f, 0.5f, 1.5f};
    const float M[3] = {1.0f, 1.0f, 1.0f};
    std::vector<float> h(255);
    fir2(static_cast<int>(h.size()), 3, F, M, h.data());
    // All-pass magnitude: a windowed delta at the centre.
    EXPECT_NEAR(h[127], 1.0f, 1e-3f);
    EXPECT_NEAR(MagnitudeDb(h, 0.5), 0.0, 0.05);
}
