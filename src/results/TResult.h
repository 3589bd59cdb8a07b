#pragma once
// The result of one source at one receiver. During tracing it takes every
// arrival of energy at the receiver (a TRay): the direct sound is merged into
// one record, early reflections (at most ClusterOrder reflections) go to the
// pair's early ray file, late ones to the ray file or straight into the
// per-band responses. After tracing, Cluster merges the early arrivals of one
// reflection path into one record and GetImpulseResponses turns everything
// into the broadband impulse response globalIR, in pascal.
//
// The room owns one result per receiver and source (TRoom::spcresult); a
// result points at its source and receiver in the room's lists, which must not
// change while it lives.
//
// Files of a pair (base "<folder>/RAYS" or "<folder>/HITS"):
//   base-S001-R001.txt        late arrivals, then the clustered early ones
//   base-S001-R001-EARLY.txt  raw early arrivals, then the merged direct sound
// Sample indices count from the emission instant.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "results/TParameters.h"
#include "simulation/TRay.h"

class FftwPlan;
class TReceiver;
class TSource;

// The room-wide settings every result is built with.
class TResultParam {
public:
    unsigned int NumBands = 0;
    int FirstROrder = 0;      // arrivals with at most this many reflections are early
    float VSound = 343.0f;    // m/s
    float FSample = 44100.0f; // Hz
    unsigned int BaseLength = 0; // taps of the FIR band filters
    unsigned int MaxLength = 0;  // samples of every response
    std::vector<double> AirAbsorption; // per band, Np/m
    std::vector<float> RoomConst;      // per band, m2
    bool NoiseTail = false;            // add an artificial reverberation tail

    TResultParam() = default;
    // The arrays hold numBands values and are copied.
    TResultParam(unsigned int numBands, int firstROrder, float vSound, float fSample,
                 const float* roomConst, unsigned int baseLength, unsigned int maxLength,
                 const double* airAbsorption, bool noiseTail);
};

struct TFileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
using TFilePtr = std::unique_ptr<FILE, TFileClose>;

class TResult {
public:
    using Channels = std::vector<std::vector<std::vector<float>>>; // [channel][band][sample]

    float Rho = 1.2041f;               // air density, kg/m3
    unsigned int EarlyRefCount = 0;    // early arrivals inserted or written to the early file
    unsigned int LateRefCount = 0;     // late arrivals inserted or written to the ray file
    bool ClusterDone = false;
    unsigned int MaxProbIndex = 0;     // sample index of MaxProbDistance
    unsigned int noiseStart = 0;       // first sample of the artificial tail
    unsigned int MaxReflectionIndex = 0;
    unsigned int MaxReflection = 0;
    bool NoiseTail = false;
    float RoomArea = 1.0f;
    float VSound = 343.0f;             // m/s
    unsigned int BaseLength = 0;
    unsigned int NumReflections = 0;   // arrivals passed to InsertRay
    unsigned int DirectSoundIndex = 0;
    TFilePtr HitFile, RayFile, EarlyRayFile, EarlyHitFile;
    std::string RayFileName, EarlyFileName, HitFileName, EarlyHitFileName;
    std::vector<double> AirAbs;        // per band, Np/m
    std::vector<float> T60_estimate;   // per band, s (set by the artificial tail)
    std::vector<float> octaveFreqs;    // per band: centre frequency / (FSample / 2)
    std::vector<float> RoomConst;      // per band
    TReceiver* receiver = nullptr;     // the room's receiver, not owned
    TSource* source = nullptr;         // the room's source, not owned
    float RecFactor = 0.0f;            // the receiver's reception factor, 1/m
    std::vector<std::vector<float>> HRIR; // per channel: the receiver's directional IR
    std::vector<float> SourceIR;          // the source's directional IR
    std::vector<float> SourceSpectrum, ReceiverSpectrum; // per band: directivity magnitudes
    std::vector<float> LayerSpectrum;     // per band, 1
    unsigned int SourceIRLength = 1;
    unsigned int ReceiverIRLength = 1;
    unsigned int SpectrumLength = 2;   // transform length for two directional IRs
    // Transforms for combining two directional impulse responses; made once,
    // only when both patterns hold impulse responses.
    std::unique_ptr<FftwPlan> SourceFreqResp;
    std::unique_ptr<FftwPlan> HRIR_fft;
    unsigned int MaxFirstIndex = 0;    // latest early arrival
    unsigned int MinFirstIndex = 0;    // earliest arrival (starts at MaxLength)
    std::vector<float> AirAbsFactor;   // per band scratch
    unsigned int NumBands = 0;
    unsigned int MaxLength = 0;        // samples
    float FSample = 44100.0f;          // Hz
    unsigned int NumRays = 0;          // rays emitted by the source
    unsigned int NumChannels = 1;
    Channels IR;                       // late part, amplitudes (then pascal)
    Channels IR_Early;                 // early part; exists only while a response is built
    float energiatotal = 0.0f;
    std::vector<float> BGain;          // per band, 1 / 2^b
    std::vector<std::vector<float>> Audio; // per channel: auralized sound
    bool AudioCreated = false;
    TRay DirectSoundRay;               // merged direct sound; reflections counts merged rays
    int RayFileOpen = 0;
    int HitFileCreated = 0;
    std::vector<std::vector<float>> globalIR; // [channel][sample], Pa
    float SrcRecDistance = 0.0f;       // m
    std::vector<TMonoParams> Param;    // NumBands + 1 sets: the bands, then broadband
    unsigned int AudioOutputLength = 0;
    unsigned int ClusterOrder = 0;
    unsigned int NumThreads = 1;       // threads the clustering of a large block may use
    float MaxProbDistance = 0.0f;      // m: one ray in NumRays still meets the receiver

    TResult(const TResultParam& param, TReceiver* rec, TSource* src);
    ~TResult();
    TResult(const TResult&) = delete;
    TResult& operator=(const TResult&) = delete;

    void SetNumRays(unsigned int n) { NumRays = n; }
    unsigned int GetNumChannels() const { return NumChannels; }
    unsigned int GetDirectSoundIndex() const { return DirectSoundIndex; }
    void SetDirectSoundIndex(unsigned int i) { DirectSoundIndex = i; }
    float GetSPL() const { return Param[NumBands].SPL; }
    float GetMaxIRAmplitude() const;
    float GetMaxAudioAmplitude() const;

    // Adds one arrival to IR (late) or IR_Early (early; allocated on demand),
    // weighted by the source's and receiver's directivity. Arrivals at or
    // beyond MaxLength are ignored entirely.
    void InsertRay(const TRay& ray);
    // Asks the processor to fetch the samples that InsertRay of an arrival at
    // index with that many reflections will add to, so that a caller going
    // through many arrivals can have them come in ahead of use. Changes
    // nothing.
    void PrefetchRay(unsigned int index, int reflections) const;
    // Merges an arrival of order 0 into DirectSoundRay.
    void AcumulateDirectSound(const TRay& ray);
    // Reports the merged direct sound and writes it to the early file.
    void ProcessDirectSound(int numPlaneLayers);

    // Fatal (exit code 1) when a file cannot be created.
    void CreateRayFile(int s, int r, const std::string& base);
    // which: 0 early file, 1 ray file.
    void SaveRay(TRay& ray, int which);
    // The same with the ray's line as TRay::Format gives it.
    void SaveRayLine(const std::string& line, std::size_t first, std::size_t length, int which);
    void CloseRayFile();
    void CreateHitFile(int s, int r, const std::string& base);
    // One line "index azim elev 1 value hits[0] .. hits[count-1]" to the early
    // (which 0) or late (1) hit file.
    void InsertHit(const TRay& ray, const unsigned int* hits, int count, int which, float value);
    // Appends line `line` (from 0) of the early hit file to the hit file with
    // its arrival count replaced by count. Nothing when there is no such line.
    void CopyHit(unsigned int line, int count);
    void CloseHitFile();

    // Merges the early arrivals of each reflection order that come within 10
    // samples of each other and from about the same direction into one record
    // each, appended to the ray file; closes the ray and hit files.
    void Cluster();
    // Builds globalIR from the ray file and the late part in IR.
    void GetImpulseResponses();
    void GetImpulseResponsesfromRAYS(const std::string& rayfilename);
    // Turns the band amplitudes of IR and IR_Early into pascal at the
    // receiver, with the air attenuation of the distance each sample stands for.
    void ConvertToPressure();
    // Adds IR and IR_Early of every band to globalIR.
    void GetGlobalIR();
    // Shifts every channel of globalIR towards the start by delay samples,
    // zero-filling its end.
    void RemoveFrontDelay(unsigned int delay);
    // Adds a velvet-noise tail, shaped by the decay fitted to what was
    // gathered, to IR of every band and channel.
    void AddArtificialTail_LateRays();

    // --- parameters and files ----------------------------------------------
    // Fills Param (every band, then broadband) from the mean of globalIR over
    // the channels; all zero for a silent response.
    void GetMonoParams();
    // The parameter table of Param with the direct-sound summary; failures to
    // open are reported and the file is skipped.
    // Both return false when the file could not be written completely.
    bool SaveParams(const std::string& filename) const;
    // globalIR as text: one line per sample, one "%g " value per channel.
    bool SaveGlobalIR(const std::string& filename) const;
    // Reads a file written by SaveGlobalIR into globalIR. Values missing from
    // a short or damaged file stay 0; false when the file cannot be opened or
    // does not hold MaxLength lines of NumChannels numbers.
    bool GetImpulseResponsesfromFile(const std::string& filename);

    // --- auralization ---------------------------------------------------------
    // Auralize with the source's sound file.
    void Auralize();
    // Audio = every channel of globalIR convolved with the mono sound in file,
    // or with a unit impulse when the source has no sound file. A sound file
    // of more than one channel is fatal (exit code 1).
    void Auralize(const std::string& file);
    // Writes Audio times gain to base + ".wav", interleaved by frame; false
    // when there is no audio or the file could not be written.
    bool SaveAudios(const std::string& base, float gain) const;
    void FreeAudio();
    // Writes globalIR times gain to the WAV file name; false when it could
    // not be written.
    bool WaveWriteIR(const std::string& name, float gain) const;

private:
    std::vector<float>& Destination(unsigned int k, unsigned int c, unsigned int b);
    void AllocateEarly();
    // Seed of the tail noise of one band: fixed by the pair and the band.
    std::uint32_t TailSeed(unsigned int band) const;

    // Arrivals add their energies to IR and IR_Early, and ConvertToPressure
    // takes the square root once: arrivals that meet on a sample are
    // incoherent. Patterns given as impulse responses add waveforms instead.
    bool m_energyPerSample = true;
    std::vector<std::string> m_earlyHitLines; // early hit file, loaded by Cluster
    bool m_earlyHitLinesLoaded = false;
    std::vector<float> m_insertEnergy; // InsertRay's energies per band
};
