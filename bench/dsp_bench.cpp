// Timing of the signal-processing kernels on impulse-response sized data at
// 44.1 kHz. Prints the best and median of several runs.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "dsp/FftwPlan.h"
#include "dsp/TFilter.h"
#include "dsp/TIIRFilter.h"

namespace {

constexpr double kFsHz = 44100.0;
constexpr int kRuns = 7;

std::vector<float> Noise(std::size_t n, unsigned int seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<float> dist(0.0f, 0.3f);
    std::vector<float> v(n);
    for (float& x : v) {
        x = dist(rng);
    }
    return v;
}

// An exponentially decaying noise burst: a stand-in for a room response.
std::vector<float> Response(std::size_t n, unsigned int seed)
{
    std::vector<float> h = Noise(n, seed);
    for (std::size_t i = 0; i < n; ++i) {
        h[i] *= static_cast<float>(std::exp(-6.9 * static_cast<double>(i) / static_cast<double>(n)));
    }
    return h;
}

void Report(const char* name, double samples, const std::function<void()>& work)
{
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("%-58s best %8.4f s  median %8.4f s  %8.2f Msamples/s (median)\n", name, seconds.front(), median,
                samples / median / 1e6);
}

} // namespace

int main()
{
    const std::size_t signalLength = static_cast<std::size_t>(10 * kFsHz);
    const std::size_t responseLength = static_cast<std::size_t>(2 * kFsHz);
    const std::vector<float> signal = Noise(signalLength, 1);
    const std::vector<float> response = Response(responseLength, 2);
    std::vector<float> y(signalLength + responseLength - 1);

    std::printf("FFTFilt transform length for 10 s x 2 s: %zu\n", FFTFiltLength(signalLength, responseLength));
    Report("FFTFilt: 10 s signal with 2 s response (output samples)", static_cast<double>(y.size()),
           [&] { FFTFilt(response.data(), response.size(), signal.data(), signal.size(), y.data()); });

    // Reference: the whole convolution as one real transform of the next power of two.
    Report("  reference: one 2^20-point real FFT convolution", static_cast<double>(y.size()), [&] {
        std::size_t n = 1;
        while (n < y.size()) {
            n *= 2;
        }
        FftwPlan a(FftwPlan::Kind::Real, n), b(FftwPlan::Kind::Real, n);
        std::fill(a.Samples().begin(), a.Samples().end(), 0.0);
        std::fill(b.Samples().begin(), b.Samples().end(), 0.0);
        std::copy(signal.begin(), signal.end(), a.Samples().begin());
        std::copy(response.begin(), response.end(), b.Samples().begin());
        a.Forward();
        b.Forward();
        for (std::size_t k = 0; k < a.Spectrum().size(); ++k) {
            a.Spectrum()[k] *= b.Spectrum()[k] / static_cast<double>(n);
        }
        a.Backward();
        std::copy(a.Samples().begin(), a.Samples().begin() + static_cast<std::ptrdiff_t>(y.size()), y.begin());
    });

    std::vector<float> fir(2047);
    OctaveBandDesign(fir.data(), static_cast<unsigned int>(fir.size()), static_cast<float>(1000.0 / (kFsHz / 2)));
    std::vector<float> work(responseLength);
    Report("Filter: 2 s response with 2047-tap FIR", static_cast<double>(work.size()), [&] {
        std::copy(response.begin(), response.end(), work.begin());
        Filter(work.data(), work.size(), fir.data(), fir.size());
    });

    Report("IIR cascade: 2 s response through nine octave bands", 9.0 * static_cast<double>(responseLength), [&] {
        for (unsigned int band = 0; band < 9; ++band) {
            float num[12], den[12], gain[4];
            GetOctaveIIRParamButter(num, den, gain, band, static_cast<float>(kFsHz));
            TMultiStageIIR cascade(4, num, den, gain);
            std::copy(response.begin(), response.end(), work.begin());
            cascade.Process(work.data(), work.size());
        }
    });

    std::vector<float> bandFilter(4096);
    Report("OctaveBandDesign: nine bands of 4096 taps", 9.0 * 4096.0, [&] {
        for (int band = 0; band < 9; ++band) {
            OctaveBandDesign(bandFilter.data(), 4096, static_cast<float>(62.5 * std::exp2(band) / (kFsHz / 2)));
        }
    });
    return 0;
}
