// Decay curves, reverberation times, clarity, definition and centre time.
// Energies are summed in double precision: a 3 s response at 44.1 kHz spans
// more than 60 dB, beyond what a float running sum keeps.

#include "results/TParameters.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/MathFunctions.h"

namespace {

// Energy of ir[first .. last-1].
double Energy(const float* ir, unsigned first, unsigned last)
{
    double sum = 0.0;
    for (unsigned i = first; i < last; ++i) {
        sum += static_cast<double>(ir[i]) * ir[i];
    }
    return sum;
}

// Sample at which a window of seconds after sample direct ends, at most n.
unsigned WindowEnd(unsigned direct, float seconds, float fs, unsigned n)
{
    const double end = std::trunc(static_cast<double>(direct) + static_cast<double>(seconds) * fs);
    return end < static_cast<double>(n) ? static_cast<unsigned>(std::max(end, 0.0)) : n;
}

// First index from `from` whose value is strictly below level (below) or at
// or below it (!below); n when there is none.
unsigned FirstIndexUnder(const float* decay, unsigned from, unsigned n, float level, bool below)
{
    for (unsigned i = from; i < n; ++i) {
        if (below ? decay[i] < level : decay[i] <= level) {
            return i;
        }
    }
    return n;
}

// Time in samples for 60 dB of decay along the least-squares line through
// decay[start .. end-1]. The line reaches range dB below any level after
// range/slope samples, so the time over the range scaled to 60 dB is
// -60/slope whatever the range. 0 when fewer than two points or the line
// does not fall.
float SixtyDecibelTime(const float* decay, unsigned start, unsigned end)
{
    if (end < start + 2) {
        return 0.0f;
    }
    const double slope = LinearFitting(decay, start, end).y; // dB per sample
    if (!(slope < 0.0) || !std::isfinite(slope)) {
        return 0.0f;
    }
    return static_cast<float>(-60.0 / slope);
}

} // namespace

float AWeighting(unsigned int band)
{
    constexpr float kWeights[] = {-26.2f, -16.1f, -8.6f, -3.2f, 0.0f, 1.2f, 1.0f, -1.1f, -6.6f};
    return band < std::size(kWeights) ? kWeights[band] : 0.0f;
}

void GetDecayCurve(const float* ir, float* decay, unsigned n)
{
    double sum = 0.0;
    for (unsigned i = n; i-- > 0;) {
        sum += static_cast<double>(ir[i]) * ir[i];
        decay[i] = sum > 0.0 ? static_cast<float>(10.0 * std::log10(sum))
                             : -std::numeric_limits<float>::infinity();
    }
}

float GetRevTime(const float* decay, unsigned n, float range)
{
    if (n == 0) {
        return 0.0f;
    }
    if (range > 0.0f) {
        range = -range;
    }
    const float top = decay[0];
    const unsigned start = FirstIndexUnder(decay, 0, n, top - 5.0f, true);
    if (start == n) {
        return 0.0f; // never 5 dB down: no part of the curve to fit
    }
    unsigned end = FirstIndexUnder(decay, start, n, top - 5.0f + range, false);
    if (end == n) {
        end = n - 1;
    }
    return SixtyDecibelTime(decay, start, end);
}

float GetDecayTime(const float* decay, unsigned n, float start, float range)
{
    if (n == 0) {
        return 0.0f;
    }
    if (range > 0.0f) {
        range = -range;
    }
    const float top = decay[0];
    const unsigned first = FirstIndexUnder(decay, 0, n, top + start, true);
    if (first == n) {
        return 0.0f;
    }
    unsigned end = FirstIndexUnder(decay, first, n, top + start + range, false);
    if (end == n) {
        end = n - 1;
    }
    return SixtyDecibelTime(decay, first, end);
}

float GetC80(const float* ir, unsigned n, unsigned direct, float fs)
{
    const unsigned limit = WindowEnd(direct, 0.08f, fs, n);
    const double early = Energy(ir, direct, limit);
    double late = Energy(ir, limit, n);
    if (early == 0.0 && late == 0.0) {
        return 0.0f; // nothing from the direct sound on: no ratio to take
    }
    if (late == 0.0) {
        late = 1e-08;
    }
    return static_cast<float>(10.0 * std::log10(early / late));
}

float GetD50(const float* ir, unsigned n, unsigned direct, float fs)
{
    const unsigned limit = WindowEnd(direct, 0.05f, fs, n);
    const double all = Energy(ir, direct, n);
    if (!(all > 0.0)) {
        return 0.0f;
    }
    return static_cast<float>(100.0 * Energy(ir, direct, limit) / all);
}

float UsableDecayRange(const float* decay, unsigned n)
{
    if (n == 0 || !std::isfinite(decay[0])) {
        return 0.0f;
    }
    const auto tailStart = static_cast<unsigned>(std::floor(n * (1.0 - kTruncationShare)));
    const float tailLevel = decay[std::min(tailStart, n - 1)];
    if (!std::isfinite(tailLevel)) {
        // The response ends in silence: nothing was cut off.
        return std::numeric_limits<float>::infinity();
    }
    const double margin = 10.0 * std::log10(kTruncationRatio);
    return static_cast<float>(std::max(0.0, decay[0] - tailLevel - margin));
}

float GetCenterTime(const float* ir, unsigned n)
{
    double moment = 0.0;
    double energy = 0.0;
    for (unsigned i = 0; i < n; ++i) {
        const double e = static_cast<double>(ir[i]) * ir[i];
        moment += static_cast<double>(i) * e;
        energy += e;
    }
    return energy > 0.0 ? static_cast<float>(moment / energy) : 0.0f;
}
