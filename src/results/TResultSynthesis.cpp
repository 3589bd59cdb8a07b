// From arrivals to the broadband impulse response of a pair: amplitudes per
// band become pressure, are band-pass filtered and summed.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "directivity/TDirectivity.h"
#include "dsp/TFilter.h"
#include "dsp/TIIRFilter.h"
#include "results/TResult.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "util/Console.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

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
    // late part gets the cheap Butterworth cascade.
    ConsolePrint("Subband Filtering ...");
    const unsigned int shortLength = std::min(BaseLength + MaxFirstIndex, MaxLength);
    std::vector<float> fir(BaseLength, 0.0f);
    for (unsigned int b = 0; b < NumBands; ++b) {
        std::array<float, 12> num{}, den{};
        std::array<float, 4> gain{};
        GetOctaveIIRParamButter(num.data(), den.data(), gain.data(), b, FSample);
        if (BaseLength > 0) {
            OctaveBandDesign(fir.data(), BaseLength, octaveFreqs[b]);
        }
        for (unsigned int c = 0; c < NumChannels; ++c) {
            Filter(IR_Early[c][b].data(), shortLength, fir.data(), fir.size());
            // A fresh cascade per channel: no channel starts in another's state.
            TMultiStageIIR iir(4, num.data(), den.data(), gain.data());
            iir.Process(IR[c][b].data(), MaxLength);
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
