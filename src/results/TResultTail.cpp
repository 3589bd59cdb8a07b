// Artificial reverberation tail: the decay of what the tracer gathered is
// fitted per band and channel and continued by velvet noise, faded in over the
// stretch where fewer and fewer rays reach the receiver. A run can then stop
// tracing early and still yield a full-length late response.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "results/TResult.h"
#include "results/VelvetNoise.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"
#include "util/Console.h"

namespace {

// Samples between noise pulses per octave band from 62.5 Hz: denser at high
// frequencies, where real responses are denser.
constexpr int kPulseSpacing[] = {50, 40, 30, 20, 15, 10, 10, 10, 10};

int PulseSpacing(unsigned int band)
{
    return band < std::size(kPulseSpacing) ? kPulseSpacing[band] : 0;
}

} // namespace

std::uint32_t TResult::TailSeed(unsigned int band) const
{
    std::seed_seq seq{static_cast<unsigned int>(source->srcID), static_cast<unsigned int>(receiver->recID),
                      band};
    std::uint32_t seed = 0;
    seq.generate(&seed, &seed + 1);
    return seed;
}

void TResult::AddArtificialTail_LateRays()
{
    ConsolePrint("Adding artificial tail ...\n");
    ConsolePrint("T60 Estimation from preliminary rays:");
    std::vector<float> noise(MaxLength), x, y;
    x.reserve(MaxLength);
    y.reserve(MaxLength);
    const float log10e = std::log10(std::exp(1.0f));
    for (unsigned int b = 0; b < NumBands; ++b) {
        VelvetNoise(noise.data(), MaxLength, PulseSpacing(b), TailSeed(b));
        ConsolePrint("\nSubband[%d]", static_cast<int>(b) + 1);
        for (unsigned int c = 0; c < NumChannels; ++c) {
            std::vector<float>& late = IR[c][b];
            const std::vector<float>* early = IR_Early.empty() ? nullptr : &IR_Early[c][b];
            x.clear();
            y.clear();
            for (unsigned int n = 0; n < MaxLength; ++n) {
                const float v = std::fabs((early != nullptr ? (*early)[n] : 0.0f) + late[n]);
                if (v > 0.0f) {
                    x.push_back(static_cast<float>(n));
                    y.push_back(std::log10(v));
                }
            }
            const unsigned int k = static_cast<unsigned int>(x.size());
            if (k <= NumRays / 100) {
                ConsolePrint("Less than 10%% of rays collected! No artificial tail will be generated "
                            "for ch %.2d\n",
                            static_cast<int>(c) + 1);
                continue;
            }
            // log10 v = intercept + slope n, least squares.
            const TPoint3D fit = LinearFitting(x.data(), y.data(), k);
            const float intercept = static_cast<float>(fit.x);
            const float slope = -std::fabs(static_cast<float>(fit.y));
            if (!(slope < 0.0f) || !std::isfinite(slope) || !std::isfinite(intercept)) {
                // A flat fit has no decay to continue (and no finite T60).
                ConsolePrint(" - ch[%d]: no decay found, no artificial tail", static_cast<int>(c));
                continue;
            }
            const float rate = -std::fabs(slope / log10e); // natural-log amplitude decay per sample
            const float amplitude = 0.9f * std::pow(10.0f, intercept);
            T60_estimate[b] = -60.0f / (FSample * 20.0f * slope);
            ConsolePrint(" - ch[%d] = %1.2f", static_cast<int>(c), static_cast<double>(T60_estimate[b]));
            noiseStart = static_cast<unsigned int>(x.front());
            ConsolePrint(" - start = %d", static_cast<int>(noiseStart));

            // The fade-in ends where one ray per emission no longer reaches the
            // receiver, counted from the first arrival.
            const long long fadeEnd = static_cast<long long>(noiseStart) + MaxProbIndex - MinFirstIndex;
            const unsigned int end = static_cast<unsigned int>(
                std::clamp<long long>(fadeEnd, noiseStart, MaxLength));
            for (unsigned int n = noiseStart; n < MaxLength; ++n) {
                // Positive pulses, like the simulated arrivals.
                const float tail = std::fabs(noise[n]) * amplitude * std::exp(static_cast<float>(n) * rate);
                if (n < end) {
                    const float fade = 1.0f - std::exp(-8.0f * static_cast<float>(n - noiseStart) /
                                                       static_cast<float>(end - noiseStart));
                    late[n] += tail * fade;
                } else {
                    late[n] += tail;
                }
            }
        }
    }
}
