#include "dsp/TFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#include "dsp/FftwPlan.h"
#include "util/ErrorMessage.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Below this many taps (or samples) the direct sum beats the FFT set-up.
constexpr std::size_t kDirectConvolutionMax = 64;

std::size_t NextPowerOfTwo(std::size_t n)
{
    std::size_t p = 1;
    while (p < n) {
        p *= 2;
    }
    return p;
}

// Which buffer of a block convolution could not be allocated.
struct ConvolutionAllocFailure {
    bool filterBuffer; // else the signal block buffer
};

// y (lx + lh - 1 samples, overwritten) = x * h by FFT overlap-add; both
// lengths >= 1. Throws ConvolutionAllocFailure when a buffer cannot be had.
void ConvolveBlocks(const float* x, std::size_t lx, const float* h, std::size_t lh, float* y)
{
    const std::size_t total = lx + lh - 1;
    const std::size_t n = FFTFiltLength(lx, lh);
    const std::size_t blockLength = n - lh + 1;

    std::optional<FftwPlan> plan;
    try {
        plan.emplace(FftwPlan::Kind::Real, n);
    } catch (const std::bad_alloc&) {
        throw ConvolutionAllocFailure{false};
    }
    std::vector<std::complex<double>> filterSpectrum;
    try {
        filterSpectrum.resize(n / 2 + 1);
    } catch (const std::bad_alloc&) {
        throw ConvolutionAllocFailure{true};
    }

    const std::span<double> samples = plan->Samples();
    const std::span<std::complex<double>> spectrum = plan->Spectrum();

    std::fill(samples.begin(), samples.end(), 0.0);
    std::copy(h, h + lh, samples.begin());
    plan->Forward();
    // The 1/n of the unnormalised round trip is folded into the filter.
    const double scale = 1.0 / static_cast<double>(n);
    for (std::size_t i = 0; i < filterSpectrum.size(); ++i) {
        filterSpectrum[i] = spectrum[i] * scale;
    }

    std::fill(y, y + total, 0.0f);
    // Blocks starting at or beyond the end of x are all zeros and add nothing.
    for (std::size_t start = 0; start < lx; start += blockLength) {
        const std::size_t count = std::min(blockLength, lx - start);
        std::copy(x + start, x + start + count, samples.begin());
        std::fill(samples.begin() + static_cast<std::ptrdiff_t>(count), samples.end(), 0.0);
        plan->Forward();
        for (std::size_t i = 0; i < filterSpectrum.size(); ++i) {
            spectrum[i] *= filterSpectrum[i];
        }
        plan->Backward();
        const std::size_t out = std::min(n, total - start);
        for (std::size_t i = 0; i < out; ++i) {
            y[start + i] += static_cast<float>(samples[i]);
        }
    }
}

} // namespace

TOctaveBandEdges OctaveBandEdges(unsigned int N, float fc)
{
    const double sqrt2 = std::numbers::sqrt2;
    const double transition = N >= 2 ? 1.0 / (N - 1.0) : 1.0;
    const double f2 = sqrt2 * (1.0 + transition);
    const double centre = fc;
    std::array<double, 6> f{0.0, centre / f2, centre / sqrt2, centre * sqrt2, centre * f2, 1.0};
    if (f[4] >= 1.0) {
        // Squeeze the upper pass edge and the stop edge into [f2, 0.99]; the
        // grid still ends at Nyquist.
        const double upperStop = f[4];
        for (int i = 3; i <= 4; ++i) {
            f[i] = f[2] + (f[i] - f[2]) * (0.99 - f[2]) / (upperStop - f[2]);
        }
    }
    TOctaveBandEdges edges;
    for (int i = 0; i < 6; ++i) {
        edges.F[i] = static_cast<float>(f[i]);
    }
    return edges;
}

unsigned int OctaveFilterLength(unsigned int baseLength, float fc)
{
    const double lowerEdge = fc / std::numbers::sqrt2 / 2.0; // cycles per sample
    unsigned int taps = baseLength;
    while (lowerEdge > 0.0 && taps < kOctaveFilterPeriods / lowerEdge && taps < kMaxOctaveFilterLength) {
        taps = 2 * taps + 1;
    }
    return taps;
}

void OctaveBandDesign(float* h, unsigned int N, float fc)
{
    if (N == 0) {
        return;
    }
    if (N == 1 || fc / std::numbers::sqrt2_v<float> >= 0.99f) {
        std::fill(h, h + N, 0.0f);
        return;
    }
    const TOctaveBandEdges edges = OctaveBandEdges(N, fc);
    fir2(static_cast<int>(N), 6, edges.F.data(), edges.M.data(), h);
}

void fir2(int N, int nf, const float* F, const float* M, float* h)
{
    if (N <= 0) {
        return;
    }
    const std::size_t taps = static_cast<std::size_t>(N);
    const std::size_t npt = taps < 1024 ? 512 : NextPowerOfTwo(taps);

    FftwPlan plan(FftwPlan::Kind::Complex, 2 * npt);
    const std::span<std::complex<double>> spectrum = plan.Spectrum();
    std::fill(spectrum.begin(), spectrum.end(), std::complex<double>{});

    // Magnitude on grid points 0 .. npt by linear interpolation between
    // breakpoints; points above npt are the mirror image written below.
    const auto gridIndex = [npt](float f) {
        const double position = std::floor((npt + 1) * static_cast<double>(f));
        return static_cast<std::ptrdiff_t>(std::clamp(position, 0.0, static_cast<double>(npt + 1)));
    };
    for (int i = 1; i < nf; ++i) {
        const std::ptrdiff_t p0 = gridIndex(F[i - 1]);
        const std::ptrdiff_t p1 = gridIndex(F[i]);
        if (p0 == p1) {
            continue;
        }
        const double slope = (static_cast<double>(M[i]) - M[i - 1]) / static_cast<double>(p1 - p0);
        for (std::ptrdiff_t k = p0; k < p1 && k <= static_cast<std::ptrdiff_t>(npt); ++k) {
            spectrum[static_cast<std::size_t>(k)] = M[i - 1] + static_cast<double>(k - p0) * slope;
        }
    }

    // Linear phase: a delay of (N - 1)/2 samples centres the filter.
    for (std::size_t k = 0; k <= npt; ++k) {
        const double phase = -0.5 * (N - 1.0) * kPi * static_cast<double>(k) / static_cast<double>(npt);
        spectrum[k] *= std::polar(1.0, phase);
    }
    for (std::size_t k = 1; k < npt; ++k) {
        spectrum[npt + k] = std::conj(spectrum[npt - k]);
    }
    plan.Backward();

    // Hamming window, built on the first half and mirrored so it is exactly symmetric.
    std::vector<double> window(taps, 1.0);
    if (taps > 1) {
        for (std::size_t k = 0; k <= taps / 2; ++k) {
            window[k] = 0.54 - 0.46 * std::cos(2.0 * kPi * static_cast<double>(k) / (N - 1.0));
            window[taps - 1 - k] = window[k];
        }
    }
    const double scale = 1.0 / static_cast<double>(2 * npt);
    for (std::size_t k = 0; k < taps; ++k) {
        h[k] = static_cast<float>(spectrum[k].real() * scale * window[k]);
    }
}

void Filter(float* x, std::size_t n, const float* h, std::size_t m)
{
    if (n == 0) {
        return;
    }
    if (m == 0) {
        std::fill(x, x + n, 0.0f);
        return;
    }
    const std::size_t shift = m / 2;

    if (std::min(n, m) <= kDirectConvolutionMax) {
        std::vector<float> out(n);
        for (std::size_t i = 0; i < n; ++i) {
            // Full-convolution index j = i + shift; taps k with 0 <= j - k < n.
            const std::size_t j = i + shift;
            const std::size_t kFirst = j >= n ? j - n + 1 : 0;
            const std::size_t kEnd = std::min(m, j + 1);
            double sum = 0.0;
            for (std::size_t k = kFirst; k < kEnd; ++k) {
                sum += static_cast<double>(h[k]) * x[j - k];
            }
            out[i] = static_cast<float>(sum);
        }
        std::copy(out.begin(), out.end(), x);
        return;
    }

    std::vector<float> full;
    try {
        full.resize(n + m - 1);
        if (m <= n) {
            ConvolveBlocks(x, n, h, m, full.data());
        } else {
            ConvolveBlocks(h, m, x, n, full.data());
        }
    } catch (const std::bad_alloc&) {
        Fatal(1, "FilterBlockConv : cannot allocate memory for signal_fft");
    } catch (const ConvolutionAllocFailure& failure) {
        Fatal(1, "FilterBlockConv : cannot allocate memory for %s",
              failure.filterBuffer ? "filter_fft" : "signal_fft");
    }
    std::copy(full.begin() + static_cast<std::ptrdiff_t>(shift),
              full.begin() + static_cast<std::ptrdiff_t>(shift + n), x);
}

void FFTFilt(const float* a, std::size_t la, const float* b, std::size_t lb, float* y)
{
    if (la == 0 || lb == 0) {
        return;
    }
    try {
        if (la <= lb) {
            ConvolveBlocks(b, lb, a, la, y);
        } else {
            ConvolveBlocks(a, la, b, lb, y);
        }
    } catch (const ConvolutionAllocFailure& failure) {
        Fatal(1, "FFTFilt : cannot allocate memory for filter %s", failure.filterBuffer ? "H" : "X");
    }
}

std::size_t FFTFiltLength(std::size_t lx, std::size_t lh)
{
    // Relative cost of one transform-multiply-inverse block of length 2^k.
    static constexpr std::array<double, 20> kCost = {
        18,       59,       138,      303,      660,       1441,      3150,
        6875,     14952,    32373,    69762,    149647,    319644,    680105,
        1441974,  3047619,  6422736,  13500637, 28311786,  59244791};
    constexpr int kTableMax = static_cast<int>(kCost.size()) - 1;
    const auto cost = [](int k) {
        if (k <= kTableMax) {
            return kCost[static_cast<std::size_t>(k)];
        }
        // N log2 N growth, anchored at the last tabulated length.
        return kCost[kTableMax] * std::exp2(k - kTableMax) * k / kTableMax;
    };

    lh = std::max<std::size_t>(lh, 1);
    const std::size_t total = lx + lh - 1;
    int kMin = 0;
    while ((std::size_t{1} << kMin) < lh) {
        ++kMin;
    }
    int kMax = kTableMax;
    if (kMin > kTableMax) {
        kMax = kMin;
        while ((std::size_t{1} << kMax) < total) {
            ++kMax;
        }
    }

    int best = kMin;
    double bestCost = std::numeric_limits<double>::infinity();
    for (int k = kMin; k <= kMax; ++k) {
        const std::size_t blockLength = (std::size_t{1} << k) - lh + 1;
        const std::size_t blocks = (total + blockLength - 1) / blockLength;
        const double c = static_cast<double>(blocks) * cost(k);
        if (c < bestCost) {
            bestCost = c;
            best = k;
        }
    }
    return std::size_t{1} << best;
}
