// Construction, insertion of arrivals, the direct sound and the ray and hit
// files of a result.

#include "results/TResult.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>

#include "directivity/TDirectivity.h"
#include "dsp/FftwPlan.h"
#include "results/RayProbability.h"
#include "scene/TReceiver.h"
#include "scene/TSource.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/TextParsing.h"

TResultParam::TResultParam(unsigned int numBands, int firstROrder, float vSound, float fSample,
                           const float* roomConst, unsigned int baseLength, unsigned int maxLength,
                           const double* airAbsorption, bool noiseTail)
    : NumBands(numBands), FirstROrder(firstROrder), VSound(vSound), FSample(fSample),
      BaseLength(baseLength), MaxLength(maxLength), AirAbsorption(airAbsorption, airAbsorption + numBands),
      RoomConst(roomConst, roomConst + numBands), NoiseTail(noiseTail)
{
}

namespace {

// Truncation to a sample count that saturates instead of overflowing
// (infinite distances occur for tiny ray counts).
unsigned int TruncatedIndex(double value)
{
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 4294967295.0) {
        return 4294967295u;
    }
    return static_cast<unsigned int>(value);
}

float FixAzimuth(float azim)
{
    TRay r;
    r.dir.azim = azim;
    r.FixAzimuth();
    return r.dir.azim;
}

// Directivity kinds as InsertRay combines them. A pattern without usable
// content (or none at all) is omnidirectional, as its magnitude queries say.
bool HoldsImpulseResponses(const std::shared_ptr<TDirectivity>& d)
{
    return d && d->GetDAFFType() == TDirectivity::kImpulseResponse &&
           d->GetPatternType() == TDirectivity::kDaffFile;
}

bool HoldsMagnitudes(const std::shared_ptr<TDirectivity>& d)
{
    return !d || d->GetDAFFType() == TDirectivity::kMagnitudeSpectrum ||
           d->GetDAFFType() == TDirectivity::kNotSupported;
}

} // namespace

TResult::TResult(const TResultParam& param, TReceiver* rec, TSource* src)
    : receiver(rec), source(src)
{
    MaxLength = param.MaxLength;
    BaseLength = param.BaseLength;
    NumBands = param.NumBands;
    FSample = param.FSample;
    VSound = param.VSound;
    NoiseTail = param.NoiseTail;
    ClusterOrder = param.FirstROrder < 0 ? 0u : static_cast<unsigned int>(param.FirstROrder);
    MinFirstIndex = MaxLength;

    NumChannels = static_cast<unsigned int>(std::max(1, receiver->GetNumChannels()));
    SourceIRLength = source->directivity
                         ? static_cast<unsigned int>(std::max(1, source->directivity->GetIRLength()))
                         : 1u;
    ReceiverIRLength = static_cast<unsigned int>(std::max(1, receiver->GetIRLength()));
    SourceIR.assign(SourceIRLength, 0.0f);
    SourceSpectrum.assign(NumBands, 0.0f);
    ReceiverSpectrum.assign(NumBands, 0.0f);
    LayerSpectrum.assign(NumBands, 1.0f);

    SrcRecDistance = static_cast<float>(Module(source->Position - receiver->Position));
    MaxProbDistance = static_cast<float>(MaxProbRayDistance(source->NumberOfRays, receiver->Radius));
    MaxProbIndex = TruncatedIndex(FSample * std::trunc(static_cast<double>(MaxProbDistance)) / VSound);

    // Twice the next power of two holds the full linear convolution of two
    // responses of up to L samples each.
    SpectrumLength = 2u * std::bit_ceil(std::max(SourceIRLength, ReceiverIRLength));
    if (HoldsImpulseResponses(source->directivity) && HoldsImpulseResponses(receiver->directivity)) {
        SourceFreqResp = std::make_unique<FftwPlan>(FftwPlan::Kind::Complex, SpectrumLength);
        HRIR_fft = std::make_unique<FftwPlan>(FftwPlan::Kind::Complex, SpectrumLength);
    }

    m_energyPerSample = HoldsMagnitudes(source->directivity) && HoldsMagnitudes(receiver->directivity);
    RecFactor = receiver->RecFactor;
    DirectSoundRay = TRay(NumBands);
    DirectSoundRay.index = 0;
    DirectSoundRay.reflections = 0;
    DirectSoundRay.fatordist = 0.0f;

    Param.assign(NumBands + 1, TMonoParams{});
    AirAbs = param.AirAbsorption;
    AirAbs.resize(NumBands, 0.0);
    RoomConst = param.RoomConst;
    RoomConst.resize(NumBands, 0.0f);
    T60_estimate.assign(NumBands, 0.0f);
    AirAbsFactor.assign(NumBands, 0.0f);
    BGain.resize(NumBands);
    octaveFreqs.resize(NumBands);
    for (unsigned int b = 0; b < NumBands; ++b) {
        BGain[b] = 1.0f / std::pow(2.0f, static_cast<float>(b));
        octaveFreqs[b] = 62.5f * std::pow(2.0f, static_cast<float>(b)) / (FSample / 2.0f);
    }

    IR.assign(NumChannels, std::vector<std::vector<float>>(NumBands, std::vector<float>(MaxLength, 0.0f)));
    HRIR.assign(NumChannels, std::vector<float>(ReceiverIRLength, 0.0f));
    globalIR.assign(NumChannels, std::vector<float>(MaxLength, 0.0f));
}

TResult::~TResult() = default;

float TResult::GetMaxIRAmplitude() const
{
    float largest = 0.0f;
    for (const auto& channel : globalIR) {
        for (float v : channel) {
            largest = std::max(largest, std::fabs(v));
        }
    }
    return largest;
}

float TResult::GetMaxAudioAmplitude() const
{
    float largest = 0.0f;
    for (const auto& channel : Audio) {
        const std::size_t n = std::min<std::size_t>(AudioOutputLength, channel.size());
        for (std::size_t i = 0; i < n; ++i) {
            largest = std::max(largest, std::fabs(channel[i]));
        }
    }
    return largest;
}

void TResult::AllocateEarly()
{
    if (IR_Early.empty()) {
        IR_Early.assign(NumChannels,
                        std::vector<std::vector<float>>(NumBands, std::vector<float>(MaxLength, 0.0f)));
    }
}

std::vector<float>& TResult::Destination(unsigned int k, unsigned int c, unsigned int b)
{
    return k > ClusterOrder ? IR[c][b] : IR_Early[c][b];
}

void TResult::PrefetchRay(unsigned int index, int reflections) const
{
    const unsigned int k = reflections < 0 ? 0u : static_cast<unsigned int>(reflections);
    const auto& rows = k > ClusterOrder ? IR : IR_Early;
    if (index >= MaxLength) {
        return;
    }
    for (const auto& channel : rows) {
        for (const std::vector<float>& band : channel) {
            if (index < band.size()) {
                __builtin_prefetch(band.data() + index, 1);
            }
        }
    }
}

void TResult::InsertRay(const TRay& ray)
{
    const unsigned int i = ray.index;
    if (i >= MaxLength) {
        return;
    }
    const unsigned int k = ray.reflections < 0 ? 0u : static_cast<unsigned int>(ray.reflections);
    if (i < DirectSoundIndex) {
        DirectSoundIndex = i;
    }
    if (k > ClusterOrder) {
        ++LateRefCount;
    } else {
        ++EarlyRefCount;
        MaxFirstIndex = std::max(MaxFirstIndex, i);
    }
    MinFirstIndex = std::min(MinFirstIndex, i);
    if (k > MaxReflection) {
        MaxReflection = k;
        MaxReflectionIndex = i;
    }
    if (k == 0) {
        DirectSoundIndex = i;
        DirectSoundRay.spectrum.assign(ray.spectrum.begin(), ray.spectrum.end());
        DirectSoundRay.spectrum.resize(NumBands, 0.0f);
    }
    if (k <= ClusterOrder) {
        AllocateEarly();
    }

    // The receiver turns only in azimuth; the source in both angles.
    const float recAz = FixAzimuth(ray.dir.azim - static_cast<float>(receiver->AzimRotation));
    const float recEl = ray.dir.elev;
    const float srcAz = ray.startDir.azim - source->AzimRotation;
    const float srcEl = ray.startDir.elev - source->ElevRotation;
    ++NumReflections;

    const auto& srcDir = source->directivity;
    const auto& recDir = receiver->directivity;
    // The bands the ray lacks add nothing. (Kept between calls: this runs
    // for every late arrival.)
    std::vector<float>& energy = m_insertEnergy;
    energy.assign(ray.spectrum.begin(), ray.spectrum.end());
    energy.resize(NumBands, 0.0f);
    auto sourceMagnitudes = [&] {
        if (srcDir) {
            srcDir->GetMagnitudes(srcAz, srcEl, 0, SourceSpectrum.data());
        } else {
            std::fill(SourceSpectrum.begin(), SourceSpectrum.end(), 1.0f);
        }
    };
    auto receiverMagnitudes = [&](unsigned int c) {
        if (recDir) {
            recDir->GetMagnitudes(recAz, recEl, c, ReceiverSpectrum.data());
        } else {
            std::fill(ReceiverSpectrum.begin(), ReceiverSpectrum.end(), 1.0f);
        }
    };
    // Adds a x h[j] at i + j, cutting what would end beyond the response.
    auto addResponse = [&](std::vector<float>& dest, float a, const float* h, unsigned int length) {
        const unsigned int n = std::min(length, MaxLength - i);
        for (unsigned int j = 0; j < n; ++j) {
            dest[i + j] += a * h[j];
        }
    };

    const bool srcMag = HoldsMagnitudes(srcDir);
    const bool srcIR = HoldsImpulseResponses(srcDir);
    const bool recMag = HoldsMagnitudes(recDir);
    const bool recIR = HoldsImpulseResponses(recDir);

    if (srcMag && recMag) {
        sourceMagnitudes();
        for (unsigned int c = 0; c < NumChannels; ++c) {
            receiverMagnitudes(c);
            for (unsigned int b = 0; b < NumBands; ++b) {
                Destination(k, c, b)[i] +=
                    SourceSpectrum[b] * energy[b] * ReceiverSpectrum[b] * ReceiverSpectrum[b];
            }
        }
    } else if (srcMag && recIR) {
        sourceMagnitudes();
        for (unsigned int c = 0; c < NumChannels; ++c) {
            recDir->GetDirectionalIR(recAz, recEl, c, HRIR[c].data());
            for (unsigned int b = 0; b < NumBands; ++b) {
                const float a = std::sqrt(SourceSpectrum[b] * energy[b]);
                addResponse(Destination(k, c, b), a, HRIR[c].data(), ReceiverIRLength);
            }
        }
    } else if (srcIR && recMag) {
        srcDir->GetDirectionalIR(srcAz, srcEl, 0, SourceIR.data());
        for (unsigned int c = 0; c < NumChannels; ++c) {
            receiverMagnitudes(c);
            for (unsigned int b = 0; b < NumBands; ++b) {
                const float a = std::sqrt(ReceiverSpectrum[b] * energy[b]);
                addResponse(Destination(k, c, b), a, SourceIR.data(), SourceIRLength);
            }
        }
    } else if (srcIR && recIR) {
        srcDir->GetDirectionalIR(srcAz, srcEl, 0, SourceIR.data());
        auto sourceBins = SourceFreqResp->Spectrum();
        std::fill(sourceBins.begin(), sourceBins.end(), std::complex<double>(0.0, 0.0));
        for (unsigned int j = 0; j < SourceIRLength; ++j) {
            sourceBins[j] = SourceIR[j];
        }
        SourceFreqResp->Forward();
        std::vector<float> combined(SourceIRLength + ReceiverIRLength, 0.0f);
        for (unsigned int c = 0; c < NumChannels; ++c) {
            recDir->GetDirectionalIR(recAz, recEl, c, HRIR[c].data());
            auto bins = HRIR_fft->Spectrum();
            std::fill(bins.begin(), bins.end(), std::complex<double>(0.0, 0.0));
            for (unsigned int j = 0; j < ReceiverIRLength; ++j) {
                bins[j] = HRIR[c][j];
            }
            HRIR_fft->Forward();
            for (std::size_t j = 0; j < bins.size(); ++j) {
                bins[j] *= sourceBins[j];
            }
            HRIR_fft->Backward();
            for (std::size_t j = 0; j < combined.size(); ++j) {
                combined[j] = static_cast<float>(bins[j].real() / SpectrumLength);
            }
            for (unsigned int b = 0; b < NumBands; ++b) {
                addResponse(Destination(k, c, b), std::sqrt(energy[b]), combined.data(),
                            static_cast<unsigned int>(combined.size()));
            }
        }
    }
    // Magnitude-phase patterns have no combination: the arrival adds nothing.
}

void TResult::AcumulateDirectSound(const TRay& ray)
{
    if (ray.fatordist > DirectSoundRay.fatordist) {
        DirectSoundRay.index = ray.index;
        DirectSoundRay.dir = ray.dir;
        DirectSoundRay.startDir = ray.startDir;
        DirectSoundRay.fatordist = ray.fatordist;
        DirectSoundRay.ID = ray.ID;
        DirectSoundIndex = ray.index;
    }
    for (unsigned int b = 0; b < NumBands && b < ray.spectrum.size(); ++b) {
        DirectSoundRay.spectrum[b] += ray.spectrum[b];
    }
    DirectSoundRay.reflections += 1;
}

void TResult::ProcessDirectSound(int /*numPlaneLayers*/)
{
    if (DirectSoundRay.reflections == 0) {
        ConsolePrint("No Direct Sound!\n");
        return;
    }
    ConsolePrint("Direct Sound: ");
    ConsolePrint("Index: %d (%1.2f m)", static_cast<int>(DirectSoundIndex),
                static_cast<double>(VSound) * DirectSoundIndex / FSample);
    ConsolePrint(" - ");
    ConsolePrint("Rays: %d", DirectSoundRay.reflections);
    ConsolePrint(" - ");
    // Pressure of the merged energy at the receiver, re 20 uPa.
    ConsolePrint("SPL: %1.2f\n",
                20.0 * std::log10(RecFactor * std::sqrt(DirectSoundRay.GetEnergy()) / 2e-05));
    ConsolePrint("\n");
    const int merged = DirectSoundRay.reflections;
    DirectSoundRay.reflections = 0;
    SaveRay(DirectSoundRay, 0); // counts it as an early arrival
    DirectSoundRay.reflections = merged;
    DirectSoundIndex = DirectSoundRay.index;
}

void TResult::CreateRayFile(int s, int r, const std::string& base)
{
    RayFileName = FormatText("%s-S%.3d-R%.3d.txt", base.c_str(), s + 1, r + 1);
    EarlyFileName = FormatText("%s-S%.3d-R%.3d-EARLY.txt", base.c_str(), s + 1, r + 1);
    RayFile.reset(std::fopen(RayFileName.c_str(), "w"));
    if (!RayFile) {
        Fatal(1, "Impossibel to open file %s for recording", RayFileName.c_str());
    }
    EarlyRayFile.reset(std::fopen(EarlyFileName.c_str(), "w"));
    if (!EarlyRayFile) {
        RayFile.reset();
        Fatal(1, "Impossibel to open file %s for recording", EarlyFileName.c_str());
    }
    RayFileOpen = 1;
}

void TResult::SaveRay(TRay& ray, int which)
{
    std::string line;
    ray.Format(line);
    SaveRayLine(line, 0, line.size(), which);
}

void TResult::SaveRayLine(const std::string& line, std::size_t first, std::size_t length, int which)
{
    FILE* f = which == 0 ? EarlyRayFile.get() : RayFile.get();
    if (f == nullptr) {
        ConsolePrint("Erro de programação - arquivo para gravar raios nao está aberto!!!\n");
        return;
    }
    std::fwrite(line.data() + first, 1, length, f);
    // The counts tell the response phase that the files hold arrivals.
    if (which == 0) {
        ++EarlyRefCount;
    } else {
        ++LateRefCount;
    }
}

void TResult::CloseRayFile()
{
    RayFile.reset();
    EarlyRayFile.reset();
    RayFileOpen = 0;
}

void TResult::CreateHitFile(int s, int r, const std::string& base)
{
    HitFileName = FormatText("%s-S%.3d-R%.3d.txt", base.c_str(), s + 1, r + 1);
    EarlyHitFileName = FormatText("%s-S%.3d-R%.3d-EARLY.txt", base.c_str(), s + 1, r + 1);
    HitFile.reset(std::fopen(HitFileName.c_str(), "w"));
    if (!HitFile) {
        Fatal(1, "Impossible to open file %s for recording", HitFileName.c_str());
    }
    EarlyHitFile.reset(std::fopen(EarlyHitFileName.c_str(), "w"));
    if (!EarlyHitFile) {
        HitFile.reset();
        Fatal(1, "Impossible to open file %s for recording", EarlyHitFileName.c_str());
    }
    m_earlyHitLines.clear();
    m_earlyHitLinesLoaded = false;
    HitFileCreated = 1;
}

void TResult::InsertHit(const TRay& ray, const unsigned int* hits, int count, int which, float value)
{
    FILE* f = which == 0 ? EarlyHitFile.get() : HitFile.get();
    if (f == nullptr) {
        ConsolePrint("Erro de programação - arquivo para gravar HITS nao está aberto!!!\n");
        return;
    }
    std::fprintf(f, "%d %f %f %d %f ", static_cast<int>(ray.index), static_cast<double>(ray.dir.azim),
                 static_cast<double>(ray.dir.elev), 1, static_cast<double>(value));
    for (int l = 0; l < count; ++l) {
        std::fprintf(f, "%d ", static_cast<int>(hits[l]));
    }
    std::fprintf(f, "\n");
}

void TResult::CopyHit(unsigned int line, int count)
{
    if (!HitFile) {
        return;
    }
    if (!m_earlyHitLinesLoaded) {
        // Lines are read from the closed early file once; the hit file and the
        // early hit file stay as they are.
        m_earlyHitLines.clear();
        if (EarlyHitFile) {
            std::fflush(EarlyHitFile.get());
        }
        TFileCloser in(std::fopen(EarlyHitFileName.c_str(), "r"));
        std::string text;
        while (in.get() != nullptr && ReadLine(in.get(), text)) {
            m_earlyHitLines.push_back(text);
        }
        m_earlyHitLinesLoaded = true;
    }
    if (line >= m_earlyHitLines.size()) {
        return;
    }
    // Keep the first three fields as written, replace the fourth, keep the rest.
    const std::string& text = m_earlyHitLines[line];
    std::size_t pos = 0;
    std::string out;
    for (int field = 0; field < 4; ++field) {
        const std::size_t start = text.find_first_not_of(" \t", pos);
        if (start == std::string::npos) {
            return;
        }
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        if (field < 3) {
            out += text.substr(start, end - start) + " ";
        }
        pos = end;
    }
    pos = text.find_first_not_of(" \t", pos);
    out += FormatText("%d ", count);
    if (pos != std::string::npos) {
        out += text.substr(pos);
    }
    if (out.empty() || out.back() != '\n') {
        out += "\n";
    }
    std::fputs(out.c_str(), HitFile.get());
}

void TResult::CloseHitFile()
{
    HitFile.reset();
    EarlyHitFile.reset();
    HitFileCreated = 0;
}
