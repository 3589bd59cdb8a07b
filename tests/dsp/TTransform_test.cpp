#include "dsp/TTransform.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

std::vector<TComplex> RandomComplex(int n, unsigned int seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<TComplex> v(static_cast<std::size_t>(n));
    for (TComplex& c : v) {
        c = {dist(rng), dist(rng)};
    }
    return v;
}

// sum_i x[i] exp(sign j 2 pi i k / n) x scale, the definition evaluated directly.
std::vector<TComplex> NaiveDft(const std::vector<TComplex>& x, double sign, double scale)
{
    const std::size_t n = x.size();
    std::vector<TComplex> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double angle = sign * 2.0 * std::numbers::pi * static_cast<double>((i * k) % n) / n;
            sum += std::complex<double>(x[i].re, x[i].im) * std::polar(1.0, angle);
        }
        out[k] = {sum.real() * scale, sum.imag() * scale};
    }
    return out;
}

double MaxDifference(const std::vector<TComplex>& a, const std::vector<TComplex>& b)
{
    double d = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        d = std::max(d, Abs(a[i] - b[i]));
    }
    return d;
}

} // namespace

TEST(TransformFFT, ForwardAndInverseMatchNaiveDft)
{
    const double fs = 44100.0;
    for (int n : {1, 2, 4, 8, 64, 1024, 4096}) {
        SCOPED_TRACE("n " + std::to_string(n));
        const std::vector<TComplex> x = RandomComplex(n, static_cast<unsigned int>(n));
        std::vector<TComplex> forward = x;
        TransformFFT(n, 0, fs, forward.data());
        EXPECT_LT(MaxDifference(forward, NaiveDft(x, -1.0, 1.0 / fs)), 1e-12 * n / fs + 1e-15);

        // With the forward transform right, a round trip proves the inverse.
        std::vector<TComplex> inverse = x;
        TransformFFT(n, 1, fs, inverse.data());
        TransformFFT(n, 0, fs, inverse.data());
        EXPECT_LT(MaxDifference(inverse, x), 1e-13);
    }
}

TEST(TransformFFT, LengthNotPowerOfTwoIsFatal)
{
    ErrorRecorder recorder;
    std::vector<TComplex> x(12);
    EXPECT_THROW(TransformFFT(12, 0, 1.0, x.data()), FatalError);
    EXPECT_THROW(TransformFFT(0, 0, 1.0, x.data()), FatalError);
    EXPECT_EQ(recorder.texts.size(), 2u);
}
