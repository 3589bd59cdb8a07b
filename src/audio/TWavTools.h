#pragma once
// Reading and writing RIFF/WAVE sound files as floating-point samples.
//
// Source sound files are written by other tools, so the reader walks the RIFF
// chunks by their declared sizes (extra chunks such as LIST, fact or PEAK may
// sit before or after "data"), understands WAVE_FORMAT_EXTENSIBLE through its
// sub-format, and never trusts a size it has not checked against the file:
// a data chunk that claims more bytes than the file holds is read as far as
// the file goes. Conditions the reader cannot continue from are reported with
// ErrorMessage and raised as FatalError (exit code 1).

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// Summary of a WAV file.
struct WaveHeader {
    // 1 integer PCM, 3 IEEE float, 7 mu-law, others as found. An extensible
    // file reports the tag of its sub-format (1 or 3) here.
    unsigned short PcmFormat = 0;
    unsigned short NumCh = 0;
    unsigned int SampleRate = 0;   // frames per second
    unsigned int BytesPerSec = 0;  // as stored
    unsigned short BitsPerSample = 0;
    // Whole frames per channel present in the file.
    unsigned int NumSamples = 0;
};

inline constexpr unsigned short kWavFormatPcm = 1;
inline constexpr unsigned short kWavFormatFloat = 3;
inline constexpr unsigned short kWavFormatMuLaw = 7;
inline constexpr unsigned short kWavFormatExtensible = 0xFFFE;

// Reads the format of a file and locates its data chunk. A file that cannot be
// opened, is not RIFF/WAVE, or ends before its "fmt " and "data" chunks:
// "Cannot read from wav File", FatalError with exit code 1.
WaveHeader getWavHeaderInfo(const std::string& name);

// Decodes every sample (frames x channels values, interleaved by frame) to
// floats in [-1, 1). out must hold NumSamples x NumCh values as reported by
// getWavHeaderInfo for the same file.
WaveHeader readWAVData(const std::string& name, float* out);
// The same into a vector sized here.
WaveHeader readWAVData(const std::string& name, std::vector<float>& out);

// Writes frames x channels interleaved 32-bit values unchanged, format tag 3
// for float samples and 1 for 32-bit integers. Returns false (after printing
// the system error) when the file cannot be written.
bool WriteWav32(const std::string& name, const void* data, unsigned int frames, int sampleRate,
                int channels, unsigned short formatTag);

template <typename T>
bool writeWAVData(const std::string& name, const T* data, unsigned int frames, int sampleRate,
                  int channels)
{
    static_assert(sizeof(T) == 4 && (std::is_same_v<T, float> || std::is_integral_v<T>),
                  "WAV files are written with 32-bit samples");
    const unsigned short tag = std::is_same_v<T, float> ? kWavFormatFloat : kWavFormatPcm;
    return WriteWav32(name, data, frames, sampleRate, channels, tag);
}

// Whether a sound file can be assigned to a source: integer or float samples
// of 8, 16, 24 or 32 bits, one channel, 44.1 kHz. Every failed condition is
// reported; the result is true only when all hold.
bool WavIsCompatible(const std::string& name);

float wavGetSampleRate(const std::string& name);
