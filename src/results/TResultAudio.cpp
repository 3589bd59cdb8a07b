// Auralization of a result and its WAV outputs: the source's dry sound
// convolved with every channel of the impulse response, and the impulse
// response itself.

#include <cstdio>
#include <limits>
#include <vector>

#include "audio/TWavTools.h"
#include "dsp/TFilter.h"
#include "results/TResult.h"
#include "scene/TSource.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"

namespace {

// Frames of several channels interleaved, each value times gain.
std::vector<float> Interleave(const std::vector<std::vector<float>>& channels, unsigned frames,
                              float gain)
{
    std::vector<float> out(static_cast<std::size_t>(frames) * channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) {
        for (unsigned i = 0; i < frames; ++i) {
            out[i * channels.size() + c] = channels[c][i] * gain;
        }
    }
    return out;
}

} // namespace

void TResult::Auralize()
{
    Auralize(source->SoundFile);
}

void TResult::Auralize(const std::string& file)
{
    std::vector<float> input;
    if (!source->SoundFileFlag) {
        ConsolePrint("\nAuralization: No sound file assigned to the source!\n");
        // Convolving with a unit impulse gives the response itself.
        input.assign(MaxLength, 0.0f);
        if (!input.empty()) {
            input[0] = 1.0f;
        }
    } else {
        const WaveHeader header = getWavHeaderInfo(file);
        if (header.NumCh != 1) {
            Fatal(1, "File %s has %d channels. Only MONO input files are supported.\n", file.c_str(),
                  header.NumCh);
        }
        readWAVData(file, input);
    }

    FreeAudio();
    const std::size_t length = input.empty() || MaxLength == 0 ? 0 : input.size() + MaxLength - 1;
    if (length > std::numeric_limits<unsigned int>::max()) {
        Fatal(1, "Auralization: %s is too long to be convolved.\n", file.c_str());
    }
    AudioOutputLength = static_cast<unsigned int>(length);
    Audio.assign(NumChannels, std::vector<float>(AudioOutputLength, 0.0f));
    if (AudioOutputLength > 0) {
        for (unsigned c = 0; c < NumChannels; ++c) {
            FFTFilt(globalIR[c].data(), MaxLength, input.data(), input.size(), Audio[c].data());
        }
    }
    AudioCreated = true;
}

bool TResult::SaveAudios(const std::string& base, float gain) const
{
    if (!AudioCreated) {
        ConsolePrint("No audio was processed!!.\n");
        return false;
    }
    const std::vector<float> frames = Interleave(Audio, AudioOutputLength, gain);
    return writeWAVData(base + ".wav", frames.data(), AudioOutputLength, static_cast<int>(FSample),
                        static_cast<int>(NumChannels));
}

void TResult::FreeAudio()
{
    Audio.clear();
    Audio.shrink_to_fit();
    AudioCreated = false;
    AudioOutputLength = 0;
}

bool TResult::WaveWriteIR(const std::string& name, float gain) const
{
    ConsolePrint("Writing WavFile %s ... ", name.c_str());
    const std::vector<float> frames = Interleave(globalIR, MaxLength, gain);
    const bool written = writeWAVData(name, frames.data(), MaxLength, static_cast<int>(FSample),
                                      static_cast<int>(NumChannels));
    ConsolePrint("Done!\n");
    return written;
}
