// The acoustic parameters of a result and its text files: the impulse
// response and the parameter table.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/TFilter.h"
#include "results/RayProbability.h"
#include "results/TResult.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

namespace {

// Level of a mean-square pressure of 1 Pa^2 re (20 uPa)^2, rounded as the
// parameter tables have always used it.
constexpr double kLevelOfOnePascal = 94.0;

bool IsSilent(const std::vector<float>& x)
{
    return std::all_of(x.begin(), x.end(), [](float v) { return v == 0.0f; });
}

// Every parameter of one response except the A-weighted level. Decay times
// and the centre time are read from the direct sound on, as the clarity
// windows are; a decay time whose range the response does not cover is 0,
// and the console names it.
void ComputeParams(const std::vector<float>& x, unsigned direct, float fs, const char* band,
                   std::vector<float>& decay, TMonoParams& p)
{
    const unsigned n = static_cast<unsigned>(x.size());
    GetDecayCurve(x.data(), decay.data(), n);
    const unsigned onset = std::min(direct, n);
    const float* curve = decay.data() + onset;
    const unsigned length = n - onset;
    const float range = UsableDecayRange(curve, length);
    std::string missing;
    auto measured = [&](const char* name, float depth, float samples) {
        if (depth <= range) {
            return samples / fs;
        }
        missing += missing.empty() ? name : std::string(", ") + name;
        return 0.0f;
    };
    p.EDT = measured("EDT", kEDTDepth, GetDecayTime(curve, length, 0.0f, -10.0f));
    p.T20 = measured("T20", kT20Depth, GetRevTime(curve, length, -20.0f));
    p.T30 = measured("T30", kT30Depth, GetRevTime(curve, length, -30.0f));
    p.T60 = measured("T60", kT60Depth, GetRevTime(curve, length, -60.0f));
    if (!missing.empty()) {
        ConsolePrint("%s: %s not measured: the decay can be read over %1.1f dB before the end "
                     "of the response bends it\n",
                     band, missing.c_str(), static_cast<double>(range));
    }
    p.C80 = GetC80(x.data(), n, direct, fs);
    p.D50 = GetD50(x.data(), n, direct, fs);
    p.CT = length > 0 ? 1000.0f * GetCenterTime(x.data() + onset, length) / fs : 0.0f;
    p.SPL = static_cast<float>(decay[0] + kLevelOfOnePascal);
}

// A response without energy has no decay, clarity or level: every value is 0
// rather than a logarithm of zero. G is not a computed value and is kept.
void ZeroParams(TMonoParams& p)
{
    const float g = p.G;
    p = TMonoParams{};
    p.G = g;
}

} // namespace

void TResult::GetMonoParams()
{
    if (NumChannels > 1) {
        ConsolePrint("\nWarning: Calculating acoustic parameters over multichannel responses!\nUsing "
                    "average of all channels\n");
    }
    std::vector<float> mono(MaxLength, 0.0f);
    for (unsigned i = 0; i < MaxLength; ++i) {
        double sum = 0.0;
        for (const auto& channel : globalIR) {
            sum += channel[i];
        }
        mono[i] = static_cast<float>(sum / static_cast<double>(globalIR.size()));
    }
    if (IsSilent(mono)) {
        for (TMonoParams& p : Param) {
            ZeroParams(p);
        }
        return;
    }

    std::vector<float> decay(MaxLength);
    ComputeParams(mono, DirectSoundIndex, FSample, "Broadband", decay, Param[NumBands]);

    std::vector<float> fir;
    std::vector<float> band(MaxLength);
    double energyA = 0.0; // sum of 10^(SPL_A/10) over the bands
    for (unsigned b = 0; b < NumBands; ++b) {
        band = mono;
        fir.assign(OctaveFilterLength(BaseLength, octaveFreqs[b]), 0.0f);
        OctaveBandDesign(fir.data(), static_cast<unsigned>(fir.size()), octaveFreqs[b]);
        Filter(band.data(), band.size(), fir.data(), fir.size());
        // A band above the Nyquist frequency filters to nothing; it holds no
        // energy and adds none to the A-weighted total.
        if (IsSilent(band)) {
            ZeroParams(Param[b]);
            continue;
        }
        const std::string label = FormatText("Band %d Hz", static_cast<int>(62.5 * std::pow(2.0, b)));
        ComputeParams(band, DirectSoundIndex, FSample, label.c_str(), decay, Param[b]);
        Param[b].SPL_A = AWeighting(b) + Param[b].SPL;
        energyA += std::pow(10.0, Param[b].SPL_A / 10.0);
    }
    Param[NumBands].SPL_A = energyA > 0.0 ? static_cast<float>(10.0 * std::log10(energyA)) : 0.0f;
}

bool TResult::SaveParams(const std::string& filename) const
{
    TFileCloser file(utilOpenFile(filename, "wt"));
    FILE* f = file.get();
    if (f == nullptr) {
        return false;
    }
    std::fprintf(f, "-----");
    for (unsigned b = 0; b < NumBands; ++b) {
        std::fprintf(f, "\t%.4d", static_cast<int>(62.5 * std::pow(2.0, b)));
    }
    std::fprintf(f, "\tGlobal\n");

    struct Row {
        const char* label;
        const char* format;
        float TMonoParams::*value;
    };
    static constexpr Row kRows[] = {
        {"T20(s)", "\t%1.2f", &TMonoParams::T20},  {"T30(s)", "\t%1.2f", &TMonoParams::T30},
        {"T60(s)", "\t%1.2f", &TMonoParams::T60},  {"EDT(s)", "\t%1.2f", &TMonoParams::EDT},
        {"C80(dB)", "\t%1.2f", &TMonoParams::C80}, {"D50(%)", "\t%1.2f", &TMonoParams::D50},
        {"CT(ms) ", "\t%1.1f", &TMonoParams::CT},  {"SPL(dB)", "\t%1.2f", &TMonoParams::SPL},
        {"SPL(A)", "\t%1.2f", &TMonoParams::SPL_A},
    };
    for (const Row& row : kRows) {
        std::fputs(row.label, f);
        for (unsigned b = 0; b <= NumBands && b < Param.size(); ++b) {
            std::fprintf(f, row.format, static_cast<double>(Param[b].*row.value));
        }
        std::fprintf(f, "\n");
    }

    double directEnergy = 0.0;
    for (float e : DirectSoundRay.spectrum) {
        directEnergy += e;
    }
    std::fprintf(f, "Direct Sound: Distance = %1.2f m, Rays = %d, ",
                 static_cast<double>(VSound) * DirectSoundIndex / FSample, DirectSoundRay.reflections);
    std::fprintf(f, " SPL(dir): %1.2f\n", 93.97 + 10.0 * std::log10(directEnergy));
    const double d = static_cast<double>(VSound) * DirectSoundRay.index / FSample;
    std::fprintf(f, "Expected NumRays: %1.0f\n",
                 source->NumberOfRays * RayProbability(d, receiver->Radius));
    if (!file.Close()) {
        std::remove(filename.c_str()); // not left looking complete
        return false;
    }
    return true;
}

bool TResult::SaveGlobalIR(const std::string& filename) const
{
    TFileCloser file(std::fopen(filename.c_str(), "w"));
    FILE* f = file.get();
    if (f == nullptr) {
        ConsolePrint("Impossivel abrir arquivo %s para gravar\n", filename.c_str());
        return false;
    }
    for (unsigned i = 0; i < MaxLength; ++i) {
        for (const auto& channel : globalIR) {
            std::fprintf(f, "%g ", static_cast<double>(channel[i]));
        }
        std::fprintf(f, "\n");
    }
    if (!file.Close()) {
        ConsolePrint("Impossivel abrir arquivo %s para gravar\n", filename.c_str());
        std::remove(filename.c_str()); // not left looking complete
        return false;
    }
    return true;
}

bool TResult::GetImpulseResponsesfromFile(const std::string& filename)
{
    for (auto& channel : globalIR) {
        std::fill(channel.begin(), channel.end(), 0.0f);
    }
    TFileCloser file(std::fopen(filename.c_str(), "r"));
    if (file.get() == nullptr) {
        return false;
    }
    bool complete = true;
    std::string line;
    for (unsigned i = 0; i < MaxLength; ++i) {
        if (!ReadLine(file.get(), line)) {
            return false;
        }
        const std::vector<std::string> fields = SplitFields(line);
        for (unsigned c = 0; c < globalIR.size(); ++c) {
            const auto value = c < fields.size() ? ParseDouble(fields[c]) : std::nullopt;
            complete = complete && value.has_value();
            globalIR[c][i] = static_cast<float>(value.value_or(0.0));
        }
    }
    return complete;
}
