// From arrivals to the broadband impulse response of a pair: amplitudes per
// band become pressure, are band-pass filtered and summed.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "directivity/TDirectivity.h"
#include "dsp/TFilter.h"
#include "dsp/TIIRFilter.h"
#include "results/TResult.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"
#include "util/Console.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

namespace {

double SumOfSquares(const std::vector<float>& h)
{
    double sum = 0.0;
    for (float v : h) {
        sum += static_cast<double>(v) * v;
    }
    return sum;
}

// The gain that gives a filter of this impulse-response energy unit energy;
// a filter that passes nothing (a band above the Nyquist frequency) stays as it is.
float UnitEnergyScale(double energy)
{
    return energy > 0.0 ? static_cast<float>(1.0 / std::sqrt(energy)) : 1.0f;
}

void Scale(std::vector<float>& x, unsigned int n, float factor)
{
    const auto end = x.begin() + std::min<std::ptrdiff_t>(n, static_cast<std::ptrdiff_t>(x.size()));
    std::transform(x.begin(), end, x.begin(), [factor](float v) { return v * factor; });
}

// Scales x[0 .. n-1] to the given energy; a silent x stays silent.
void MatchEnergy(std::vector<float>& x, unsigned int n, double energy)
{
    const double now = SumOfSquares(x);
    if (now > 0.0) {
        Scale(x, n, static_cast<float>(std::sqrt(energy / now)));
    }
}

} // namespace

void TResult::GetImpulseResponses()
{
    // Saved late rays and clustered early ones count through SaveRay.
    if (LateRefCount + EarlyRefCount != 0) {
        GetImpulseResponsesfromRAYS(RayFileName);
    }
}

void TResult::GetImpulseResponsesfromRAYS(const std::string& rayfilename)
{
    ConsolePrint("Creating Impulse Responses from Reflections ...\n");
    IR_Early.clear();
    AllocateEarly();

    if (FileSize(rayfilename).value_or(0) > 0) {
        TFileCloser in(std::fopen(rayfilename.c_str(), "r"));
        TRay record(NumBands);
        while (in.get() != nullptr && record.Read(in.get())) {
            InsertRay(record);
        }
    }

    ConvertToPressure();
    ConsolePrint(" Done.\n");
    if (NoiseTail) {
        AddArtificialTail_LateRays();
    }

    // The early part carries the detail and gets the linear-phase FIR filter,
    // but only up to the last early arrival plus the filter's length; the long
    // late part gets the cheap Butterworth cascade. Each filter is scaled to
    // unit energy, so that a pulse of band energy E keeps E in its band
    // whatever the band's width: the bands carry the energies the tracer gave
    // them, and a flat spectrum stays flat.
    ConsolePrint("Subband Filtering ...");
    std::vector<float> fir;
    for (unsigned int b = 0; b < NumBands; ++b) {
        std::array<float, 12> num{}, den{};
        std::array<float, 4> gain{};
        GetOctaveIIRParamButter(num.data(), den.data(), gain.data(), b, FSample);
        fir.assign(BaseLength > 0 ? OctaveFilterLength(BaseLength, octaveFreqs[b]) : 0u, 0.0f);
        OctaveBandDesign(fir.data(), static_cast<unsigned int>(fir.size()), octaveFreqs[b]);
        const auto shortLength =
            static_cast<unsigned int>(std::min<std::size_t>(fir.size() + MaxFirstIndex, MaxLength));
        const float firScale = UnitEnergyScale(SumOfSquares(fir));
        const float iirScale = UnitEnergyScale(OctaveIIRImpulseEnergy(b, FSample));
        for (unsigned int c = 0; c < NumChannels; ++c) {
            const double earlyEnergy = SumOfSquares(IR_Early[c][b]);
            const double lateEnergy = SumOfSquares(IR[c][b]);
            Filter(IR_Early[c][b].data(), shortLength, fir.data(), fir.size());
            Scale(IR_Early[c][b], shortLength, firScale);
            // A fresh cascade per channel: no channel starts in another's state.
            TMultiStageIIR iir(4, num.data(), den.data(), gain.data());
            iir.Process(IR[c][b].data(), MaxLength);
            Scale(IR[c][b], MaxLength, iirScale);
            if (m_energyPerSample) {
                // Unit-energy filters keep a band's energy on average; how the
                // arrivals fall within the filter's span moves it up or down,
                // most in the low bands. Each part is brought to exactly the
                // energy its arrivals carried in.
                MatchEnergy(IR_Early[c][b], shortLength, earlyEnergy);
                MatchEnergy(IR[c][b], MaxLength, lateEnergy);
            }
        }
        ConsolePrint("\rSubband Filtering ... %d/%d    ", static_cast<int>(b) + 1,
                    static_cast<int>(NumBands));
    }
    ConsolePrint("\rSubband Filtering ... Done!\n");
    GetGlobalIR();

    // Directivity impulse responses start with their own delay; remove it.
    unsigned int delay = 0;
    if (source->directivity) {
        delay += source->directivity->GetFrontDelay();
    }
    if (receiver->directivity) {
        delay += receiver->directivity->GetFrontDelay();
    }
    RemoveFrontDelay(delay);
    IR_Early.clear();
    IR_Early.shrink_to_fit();
}

void TResult::ConvertToPressure()
{
    // Amplitude sqrt(E) of an energy arriving through a sphere of radius R
    // becomes pressure: p = sqrt(E) x RecFactor x sqrt(rho c) x exp(-m d),
    // with m the air attenuation (Np/m) over the distance d the sample stands for.
    AllocateEarly();
    if (m_energyPerSample) {
        for (Channels* part : {&IR_Early, &IR}) {
            for (auto& channel : *part) {
                for (auto& band : channel) {
                    for (float& v : band) {
                        v = std::sqrt(std::max(v, 0.0f));
                    }
                }
            }
        }
        // The late part is diffuse: each band's arrivals get a sign of their
        // own, drawn per sample and fixed by the pair, so that neither the
        // arrivals within a band's long low-frequency filter nor the bands of
        // one arrival (where the Butterworth filters overlap) add in phase.
        // The early part keeps its positive pulses: reflections off walls
        // arrive in phase, and their shape matters to the ear.
        for (unsigned int b = 0; b < NumBands; ++b) {
            std::mt19937 random(TailSeed(NumBands + b));
            for (unsigned int n = 0; n < MaxLength; ++n) {
                const float sign = (random() & 1u) != 0 ? -1.0f : 1.0f;
                for (unsigned int c = 0; c < NumChannels; ++c) {
                    IR[c][b][n] *= sign;
                }
            }
        }
    }
    const float impedance = std::sqrt(VSound * Rho);
    for (unsigned int n = 0; n < MaxLength; ++n) {
        const double d = static_cast<double>(n) * VSound / FSample;
        for (unsigned int b = 0; b < NumBands; ++b) {
            AirAbsFactor[b] = static_cast<float>(std::exp(-d * AirAbs[b]));
            const float k = RecFactor * AirAbsFactor[b] * impedance;
            for (unsigned int c = 0; c < NumChannels; ++c) {
                IR_Early[c][b][n] *= k;
                IR[c][b][n] *= k;
            }
        }
    }
}

void TResult::GetGlobalIR()
{
    for (unsigned int c = 0; c < NumChannels; ++c) {
        for (unsigned int b = 0; b < NumBands; ++b) {
            const std::vector<float>& late = IR[c][b];
            for (unsigned int n = 0; n < MaxLength; ++n) {
                globalIR[c][n] += late[n];
            }
            if (!IR_Early.empty()) {
                const std::vector<float>& early = IR_Early[c][b];
                for (unsigned int n = 0; n < MaxLength; ++n) {
                    globalIR[c][n] += early[n];
                }
            }
        }
    }
}

void TResult::RemoveFrontDelay(unsigned int delay)
{
    if (delay == 0) {
        return;
    }
    for (std::vector<float>& channel : globalIR) {
        const std::size_t shift = std::min<std::size_t>(delay, channel.size());
        std::copy(channel.begin() + static_cast<std::ptrdiff_t>(shift), channel.end(), channel.begin());
        std::fill(channel.end() - static_cast<std::ptrdiff_t>(shift), channel.end(), 0.0f);
    }
}
