#pragma once
// A directivity pattern: how strongly a source radiates, or a receiver picks
// up, sound from a direction, per octave band and (for file patterns) per
// channel, e.g. the two ears of a head.
//
// A name that is the path of an existing file is read as a DAFF file
// (magnitude spectra or impulse responses); any other name selects one of
// the built-in patterns, whose axis is azimuth 0, elevation 0. Directions are
// (azimuth, elevation) in degrees relative to the source's or receiver's
// orientation.
//
// The room owns its patterns in one TDirectivityList; source and receiver
// types refer to a pattern by name and resolve it through the list (see
// ResolveDirectivity), so that rebuilding the list leaves nothing pointing at
// a destroyed pattern. The queries use scratch buffers of the object: one
// pattern is queried by one thread at a time.

#include <memory>
#include <string>
#include <vector>

class DAFFReader;
class DAFFContentIR;
class DAFFContentMS;

class TDirectivity {
public:
    // PatternType values.
    static constexpr int kDaffFile = 100;
    static constexpr int kOmni = 101;
    static constexpr int kCardioid = 102;
    static constexpr int kHypercardioid = 103;
    static constexpr int kSupercardioid = 104;
    static constexpr int kFigureEight = 105;
    static constexpr int kOmniToCardioid = 106;

    // DAFFType values (kind of content).
    static constexpr int kImpulseResponse = 0;
    static constexpr int kMagnitudeSpectrum = 1;  // also every built-in pattern
    static constexpr int kMagnitudePhaseSpectrum = 3;
    static constexpr int kNotSupported = -1;      // behaves as omnidirectional

    // Longest impulse response accepted from a file, in samples.
    static constexpr int kMaxIRLength = 1 << 18;

    // Loads the pattern named `name` for numBands room bands (band B has the
    // nominal frequency 62.5 x 2^B Hz). A file that cannot be used is reported
    // and raised as FatalError: the reader's error code when it cannot be
    // opened, -1 when a band has no frequency in the file, 1 otherwise. An
    // unknown built-in name falls back to "OMNI" with a message.
    TDirectivity(const std::string& name, unsigned int numBands);
    ~TDirectivity();
    TDirectivity(const TDirectivity&) = delete;
    TDirectivity& operator=(const TDirectivity&) = delete;

    // One magnitude per room band into output (NumBands values), for
    // patterns of kind kMagnitudeSpectrum; 1 in every band for kNotSupported.
    void GetMagnitudes(float azim, float elev, unsigned int ch, float* output);
    // The impulse response of the nearest direction (GetIRLength() samples)
    // times FrontEnergy, for impulse-response files. Magnitude patterns raise
    // FatalError; kNotSupported yields a unit impulse.
    void GetDirectionalIR(float azim, float elev, unsigned int ch, float* output);

    // Factor that gives the direction unit energy (1 for built-in patterns).
    float GetEnergy(float azim, float elev, unsigned int ch);
    // Largest GetEnergy over the channels.
    float GetMaxEnergy(float azim, float elev);
    // Index of the first largest absolute sample of the direction's impulse
    // response; 0 unless the pattern holds impulse responses.
    unsigned int GetDelay(float azim, float elev, unsigned int ch);
    // Smallest frontal delay over the channels; also stored as FrontDelay.
    unsigned int GetFrontDelay();

    const std::string& GetPatternName() const { return m_patternName; }
    int GetIRLength() const { return m_irLength; }
    int GetNumChannels() const { return m_numChannels; }
    int GetPatternType() const { return m_patternType; }
    int GetDAFFType() const { return m_daffType; }
    unsigned int GetNumBands() const { return m_numBands; }
    float GetFrontEnergy() const { return m_frontEnergy; }
    // Transform length prepared for impulse-response files (twice the next
    // power of two of the length); -1 for magnitude patterns.
    int GetFFTSize() const { return m_fftSize; }
    // The pattern's frequencies in Hz and, per room band, the index of the
    // frequency used for it.
    const std::vector<float>& GetDaffFreqs() const { return m_daffFreqs; }
    const std::vector<int>& GetFreqIndex() const { return m_freqIndex; }
    // The open file of a file pattern, null for built-in patterns.
    const DAFFReader* GetDAFFReader() const { return m_daff.get(); }

private:
    void LoadStandartDirectivityPattern(const std::string& name);
    void LoadDirectivityPatternDAFF(const std::string& path);
    // Record nearest to an object-view direction in the open file.
    int NearestRecord(float azim, float elev) const;

    std::unique_ptr<DAFFReader> m_daff;
    const DAFFContentIR* m_contentIR = nullptr;  // owned by m_daff
    const DAFFContentMS* m_contentMS = nullptr;  // owned by m_daff

    std::vector<float> m_daffFreqs;
    std::vector<int> m_freqIndex;        // per room band, -1 when unmapped
    std::vector<float> m_spectrum;       // scratch: one value per pattern frequency
    std::vector<float> m_bandScratch;    // scratch: one value per room band
    std::vector<float> m_directionalIR;  // scratch: m_irLength samples
    float m_frontEnergy = 1.0f;
    unsigned int m_frontDelay = 0;
    std::string m_patternName;
    int m_numChannels = 1;
    int m_patternType = -1;
    int m_fftSize = -1;
    unsigned int m_numBands = 0;
    int m_daffType = kNotSupported;
    int m_irLength = 1;
};

// The room's patterns, in list order; index = pattern identity. Source and
// receiver types share the patterns they use, so no type can hold a pattern
// that the list has let go.
using TDirectivityList = std::vector<std::shared_ptr<TDirectivity>>;

// Index of the first pattern in list order whose name occurs inside nameID
// (a type's pattern field "SUPERCARD_2" finds "SUPERCARD"); -1 when none.
int FindDirectivityID(const TDirectivityList& list, const std::string& nameID);

// Whether nameID occurs inside one of names: the test for a pattern being
// loaded already (note: the opposite direction of FindDirectivityID).
bool DirectivityNameKnown(const std::vector<std::string>& names, const std::string& nameID);

// Loads the patterns of names that are not loaded yet (DirectivityNameKnown)
// and appends them in order. All are loaded before any is appended, so a file
// that fails to load (FatalError) leaves the list untouched. Returns how many
// were added.
std::size_t AppendDirectivities(TDirectivityList& list, const std::vector<std::string>& names,
                                unsigned int numBands);

// The pattern a source or receiver type naming nameID uses: the match of
// FindDirectivityID, else the first pattern of the list, with "OMNI" added
// first to an empty list.
std::shared_ptr<TDirectivity> ResolveDirectivity(TDirectivityList& list, const std::string& nameID,
                                                 unsigned int numBands);
