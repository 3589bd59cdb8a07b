#include "directivity/TDirectivity.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>

#include "directivity/daff/DAFFReader.h"
#include "directivity/daff/DAFFUtils.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

namespace {

struct BuiltIn {
    const char* name;
    int type;
};

constexpr BuiltIn kBuiltIns[] = {
    {"OMNI", TDirectivity::kOmni},
    {"CARDIOID", TDirectivity::kCardioid},
    {"HYPERCARD", TDirectivity::kHypercardioid},
    {"SUPERCARD", TDirectivity::kSupercardioid},
    {"EIGHTFIG", TDirectivity::kFigureEight},
    {"OMNI2CARD", TDirectivity::kOmniToCardioid},
};

float BandFrequency(unsigned int band)
{
    return 62.5f * std::ldexp(1.0f, static_cast<int>(band));
}

// 1/sqrt(sum) with a silent direction (sum not positive) left unscaled.
float UnitEnergyFactor(double sum)
{
    if (!(sum > 0.0) || !std::isfinite(sum)) {
        return 1.0f;
    }
    return static_cast<float>(1.0 / std::sqrt(sum));
}

} // namespace

TDirectivity::TDirectivity(const std::string& name, unsigned int numBands)
    : m_freqIndex(numBands, -1), m_bandScratch(numBands, 0.0f), m_numBands(numBands)
{
    if (FileExists(name)) {
        LoadDirectivityPatternDAFF(name);
    } else {
        LoadStandartDirectivityPattern(name);
    }
    // Computed once more with the loader's value in force: for impulse
    // responses this brings the factor back to 1 (responses are used unscaled).
    m_frontEnergy = GetMaxEnergy(0.0f, 0.0f);
}

TDirectivity::~TDirectivity() = default;

void TDirectivity::LoadStandartDirectivityPattern(const std::string& name)
{
    std::string patternName = name;
    m_patternType = -1;
    for (const BuiltIn& builtIn : kBuiltIns) {
        if (name == builtIn.name) {
            m_patternType = builtIn.type;
        }
    }
    if (m_patternType == -1) {
        ErrorMessage("No directivity pattern %s found!\nSetting to internal OMNI pattern.", name.c_str());
        m_patternType = kOmni;
        patternName = "OMNI";
    }
    m_patternName = patternName;
    m_daffType = kMagnitudeSpectrum;
    m_numChannels = 1;
    m_spectrum.assign(m_numBands, 0.0f);
    m_daffFreqs.clear();
    for (unsigned int b = 0; b < m_numBands; ++b) {
        m_daffFreqs.push_back(BandFrequency(b));
        m_freqIndex[b] = static_cast<int>(b);
    }
    m_irLength = 1;
    m_directionalIR.assign(1, 1.0f);
    ConsolePrint("Directivity Type (INTERNAL %s): DAFF_MAGNITUDE_SPECTRUM\n", m_patternName.c_str());
}

void TDirectivity::LoadDirectivityPatternDAFF(const std::string& path)
{
    m_daff = DAFFReader::create();
    if (const int error = m_daff->openFile(path); error != kDaffNoError) {
        m_daff.reset();
        Fatal(error, "DAFF Error: %s for file %s\n", DAFFUtils::StrError(error).c_str(), path.c_str());
    }
    if (m_daff->getFileFormatVersion() != kDaffFileFormatVersion) {
        Fatal(1, "Wrong DAFF File version: %d\nOnly DAFF File Version 170 implemented.\n",
              m_daff->getFileFormatVersion());
    }
    m_patternType = kDaffFile;
    m_patternName = path;
    m_daffType = m_daff->getContentType();
    m_numChannels = m_daff->getProperties()->getNumberOfChannels();

    if (m_daffType == kImpulseResponse) {
        m_contentIR = dynamic_cast<const DAFFContentIR*>(m_daff->getContent());
        assert(m_contentIR != nullptr);
        m_irLength = m_contentIR->getFilterLength();
        // Filter lengths come from the file; refuse one that would only exhaust memory.
        if (m_irLength > kMaxIRLength) {
            Fatal(1, "Impulse response length (%d) in DAFF file %s is longer than %d samples.",
                  m_irLength, path.c_str(), kMaxIRLength);
        }
        m_directionalIR.assign(static_cast<std::size_t>(m_irLength), 0.0f);
        const int p = static_cast<int>(std::ceil(std::log10(static_cast<double>(m_irLength)) /
                                                 0.3010299956639812));
        m_fftSize = 1 << (p + 1);
        ConsolePrint("Source Type (DAFF): DAFF_IMPULSE_RESPONSE\n");
    } else if (m_daffType == kMagnitudeSpectrum) {
        m_contentMS = dynamic_cast<const DAFFContentMS*>(m_daff->getContent());
        assert(m_contentMS != nullptr);
        const int numFreqs = m_contentMS->getNumFrequencies();
        if (numFreqs < static_cast<int>(m_numBands)) {
            Fatal(1, "Number of bands (%d) in DAFF file is less than %d!. Aborting!", numFreqs,
                  static_cast<int>(m_numBands));
        }
        m_daffFreqs = m_contentMS->getFrequencies();
        m_irLength = 1;
        m_fftSize = -1;
        m_directionalIR.assign(1, 1.0f);
        ConsolePrint("Directivity Type (DAFF): DAFF_MAGNITUDE_SPECTRUM\n");
    } else if (m_daffType == kMagnitudePhaseSpectrum) {
        Fatal(1, "DAFF_MAGNITUDE_PHASE_SPECTRUM NOT IMPLEMENTED\n");
    } else {
        ConsolePrint("Directivity Type (DAFF): NOT_DEFINED !!\n");
        m_daffType = kNotSupported;
        m_irLength = 1;
        m_directionalIR.assign(1, 1.0f);
    }

    if (m_daffType == kMagnitudeSpectrum) {
        // Each band takes the first file frequency at or above its nominal frequency.
        std::vector<unsigned int> missing;
        for (unsigned int b = 0; b < m_numBands; ++b) {
            const float wanted = BandFrequency(b);
            for (std::size_t n = 0; n < m_daffFreqs.size(); ++n) {
                if (m_daffFreqs[n] >= wanted) {
                    m_freqIndex[b] = static_cast<int>(n);
                    break;
                }
            }
            if (m_freqIndex[b] < 0) {
                missing.push_back(b);
            }
        }
        for (std::size_t i = 0; i < missing.size(); ++i) {
            const double frequency = BandFrequency(missing[i]);
            if (i + 1 < missing.size()) {
                ErrorMessage("Band %f not found in DAFF File!\n", frequency);
            } else {
                Fatal(-1, "Band %f not found in DAFF File!\n", frequency);
            }
        }
    }
    m_spectrum.assign(m_daffType == kMagnitudeSpectrum ? m_daffFreqs.size() : m_numBands, 0.0f);
    m_frontEnergy = GetMaxEnergy(0.0f, 0.0f);
}

int TDirectivity::NearestRecord(float azim, float elev) const
{
    int record = 0;
    m_daff->getContent()->getNearestNeighbour(kDaffObjectView, azim, elev, record);
    return record;
}

void TDirectivity::GetMagnitudes(float azim, float elev, unsigned int ch, float* output)
{
    if (m_patternType != kDaffFile) {
        constexpr float kDegToRad = 3.14159265358979323846f / 180.0f;
        const float u = std::cos(elev * kDegToRad) * std::cos(azim * kDegToRad);
        float magnitude = 1.0f;
        switch (m_patternType) {
        case kCardioid:
            magnitude = (1.0f + u) / 2.0f;
            break;
        case kHypercardioid:
            magnitude = (1.0f + 3.0f * u) / 4.0f;
            break;
        case kSupercardioid:
            magnitude = std::fabs(0.37f + 0.63f * u);
            break;
        case kFigureEight:
            magnitude = std::fabs(std::cos(std::acos(std::clamp(u, -1.0f, 1.0f)) +
                                           3.14159265358979323846f / 2.0f));
            break;
        case kOmniToCardioid:
            for (unsigned int b = 0; b < m_numBands; ++b) {
                const float k = std::log10(1.0f + static_cast<float>(b) / 4.0f);
                output[b] = std::fabs((1.0f - k) + k * u);
            }
            return;
        default:
            break;
        }
        std::fill(output, output + m_numBands, magnitude);
        return;
    }
    if (m_daffType == kMagnitudeSpectrum) {
        assert(ch < static_cast<unsigned int>(m_numChannels));
        if (m_contentMS->getMagnitudes(NearestRecord(azim, elev), static_cast<int>(ch),
                                       m_spectrum.data()) != kDaffNoError) {
            std::fill(output, output + m_numBands, 0.0f);
            return;
        }
        for (unsigned int b = 0; b < m_numBands; ++b) {
            output[b] = m_spectrum[static_cast<std::size_t>(m_freqIndex[b])];
        }
        return;
    }
    if (m_daffType == kMagnitudePhaseSpectrum) {
        Fatal(1, "DAFF_MAGNITUDE_PHASE_SPECTRUM NOT IMPLEMENTED\n");
    }
    // Impulse-response patterns are queried with GetDirectionalIR; other
    // content is omnidirectional.
    std::fill(output, output + m_numBands, 1.0f);
}

void TDirectivity::GetDirectionalIR(float azim, float elev, unsigned int ch, float* output)
{
    if (m_patternType == kDaffFile && m_daffType == kImpulseResponse) {
        assert(ch < static_cast<unsigned int>(m_numChannels));
        if (m_contentIR->getFilterCoeffs(NearestRecord(azim, elev), static_cast<int>(ch), output,
                                         1.0f) != kDaffNoError) {
            std::fill(output, output + m_irLength, 0.0f);
            return;
        }
        for (int i = 0; i < m_irLength; ++i) {
            output[i] *= m_frontEnergy;
        }
        return;
    }
    if (m_daffType == kMagnitudeSpectrum) {
        Fatal(1, "ERROR!! - Getting IMPULSE RESPONSE FROM DAFF_MAGNITUDE_SPECTRUM");
    }
    output[0] = 1.0f;
}

float TDirectivity::GetEnergy(float azim, float elev, unsigned int ch)
{
    if (m_patternType != kDaffFile) {
        return 1.0f;
    }
    double sum = 0.0;
    if (m_daffType == kMagnitudeSpectrum) {
        GetMagnitudes(azim, elev, ch, m_bandScratch.data());
        for (float m : m_bandScratch) {
            sum += m;
        }
        return UnitEnergyFactor(sum);
    }
    if (m_daffType == kImpulseResponse) {
        GetDirectionalIR(azim, elev, ch, m_directionalIR.data());
        for (float s : m_directionalIR) {
            sum += static_cast<double>(s) * s;
        }
        return UnitEnergyFactor(sum);
    }
    return 1.0f;
}

float TDirectivity::GetMaxEnergy(float azim, float elev)
{
    float best = 0.0f;
    for (int ch = 0; ch < m_numChannels; ++ch) {
        best = std::max(best, GetEnergy(azim, elev, static_cast<unsigned int>(ch)));
    }
    return best;
}

unsigned int TDirectivity::GetDelay(float azim, float elev, unsigned int ch)
{
    if (m_patternType != kDaffFile || m_daffType != kImpulseResponse) {
        return 0;
    }
    GetDirectionalIR(azim, elev, ch, m_directionalIR.data());
    unsigned int peak = 0;
    float largest = 0.0f;
    for (std::size_t i = 0; i < m_directionalIR.size(); ++i) {
        if (std::fabs(m_directionalIR[i]) > largest) {
            largest = std::fabs(m_directionalIR[i]);
            peak = static_cast<unsigned int>(i);
        }
    }
    return peak;
}

unsigned int TDirectivity::GetFrontDelay()
{
    unsigned int delay = std::numeric_limits<int>::max();
    for (int ch = 0; ch < m_numChannels; ++ch) {
        delay = std::min(delay, GetDelay(0.0f, 0.0f, static_cast<unsigned int>(ch)));
    }
    m_frontDelay = delay;
    return m_frontDelay;
}

int FindDirectivityID(const TDirectivityList& list, const std::string& nameID)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (nameID.find(list[i]->GetPatternName()) != std::string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool DirectivityNameKnown(const std::vector<std::string>& names, const std::string& nameID)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return name.find(nameID) != std::string::npos;
    });
}

std::size_t AppendDirectivities(TDirectivityList& list, const std::vector<std::string>& names,
                                unsigned int numBands)
{
    std::vector<std::string> known;
    for (const auto& pattern : list) {
        known.push_back(pattern->GetPatternName());
    }
    TDirectivityList fresh;
    for (const std::string& name : names) {
        if (!DirectivityNameKnown(known, name)) {
            fresh.push_back(std::make_shared<TDirectivity>(name, numBands));
            known.push_back(name);
        }
    }
    list.insert(list.end(), fresh.begin(), fresh.end());
    return fresh.size();
}

std::shared_ptr<TDirectivity> ResolveDirectivity(TDirectivityList& list, const std::string& nameID,
                                                 unsigned int numBands)
{
    if (list.empty()) {
        list.push_back(std::make_shared<TDirectivity>("OMNI", numBands));
    }
    const int id = FindDirectivityID(list, nameID);
    return list[id >= 0 ? static_cast<std::size_t>(id) : 0];
}
