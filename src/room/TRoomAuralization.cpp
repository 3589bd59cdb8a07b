// The WAV outputs of a run: auralized sound of every pair and the mix of all
// sources per receiver, and the impulse responses with one shared gain.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/TWavTools.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Parallel.h"
#include "util/Platform.h"

namespace {

std::string PairBase(const std::string& folder, unsigned s, unsigned r)
{
    return JoinPath(folder, FormatText("S%.3d-R%.3d", static_cast<int>(s) + 1, static_cast<int>(r) + 1));
}

} // namespace

bool TRoom::Auralization()
{
    if (NumSources == 0 || NumReceivers == 0 || !HasResultGrid()) {
        return false;
    }
    ConsolePrint("Auralization processing ...\n");
    const int fs = static_cast<int>(FSample);
    // Peak of each pair's auralized sound before normalisation, and whether
    // its file was written (char: written from several threads).
    std::vector<std::vector<float>> peak(NumReceivers, std::vector<float>(NumSources, 0.0f));
    std::vector<std::vector<char>> written(NumReceivers, std::vector<char>(NumSources, 0));
    // Pairs in parallel, each holding its audio only while it is written; the
    // reports come out in pair order.
    const unsigned int threads = ThreadCount(NumThreads);
    const std::size_t window = 2 * static_cast<std::size_t>(threads);
    std::vector<std::string> reports(window);
    auto auralize = [&](std::size_t pair, std::size_t slot) {
        const unsigned s = static_cast<unsigned>(pair / NumReceivers);
        const unsigned r = static_cast<unsigned>(pair % NumReceivers);
        reports[slot].clear();
        const ConsoleCapture capture(reports[slot]);
        ConsolePrint("\rSource[%d]->Receiver[%d] (Normalized) ... ", static_cast<int>(s) + 1,
                     static_cast<int>(r) + 1);
        TResult& result = *spcresult[r][s];
        result.Auralize();
        const float p = result.GetMaxAudioAmplitude();
        written[r][s] = result.SaveAudios(PairBase(ProjectFolder, s, r), p > 0.0f ? 1.0f / p : 0.0f);
        result.FreeAudio();
        peak[r][s] = p;
        ConsolePrint("\rSource[%d]->Receiver[%d] (Normalized) - Max. Amp. = %1.4f\n", static_cast<int>(s) + 1,
                     static_cast<int>(r) + 1, static_cast<double>(p));
        if (!(p > 0.0f)) {
            ConsolePrint("Nothing reaches the receiver: %s.wav is silent\n", PairBase(ProjectFolder, s, r).c_str());
        }
    };
    auto report = [&](std::size_t, std::size_t slot) { ConsolePrint("%s", reports[slot].c_str()); };
    RunInOrder(static_cast<std::size_t>(NumSources) * NumReceivers, threads, window, auralize, report);
    bool mixesWritten = true;
    float maxPeak = 0.0f;
    for (const auto& row : peak) {
        maxPeak = std::max(maxPeak, *std::max_element(row.begin(), row.end()));
    }
    ConsolePrint("Done!\n");

    for (unsigned r = 0; r < NumReceivers; ++r) {
        const unsigned channels = spcresult[r][0]->NumChannels;
        unsigned frames = 0;
        for (unsigned s = 0; s < NumSources; ++s) {
            if (written[r][s]) {
                const std::string file = PairBase(ProjectFolder, s, r) + ".wav";
                frames = std::max(frames, getWavHeaderInfo(file).NumSamples);
            }
        }
        std::vector<float> mix(static_cast<std::size_t>(frames) * channels, 0.0f);
        for (unsigned s = 0; s < NumSources; ++s) {
            if (!written[r][s]) {
                continue;
            }
            // Each normalised file times its own peak is back at its level;
            // over the sources' count and the largest peak the sum stays
            // within full scale.
            const float scale =
                maxPeak > 0.0f ? peak[r][s] / (static_cast<float>(NumSources) * maxPeak) : 0.0f;
            std::vector<float> data;
            const WaveHeader h = readWAVData(PairBase(ProjectFolder, s, r) + ".wav", data);
            if (h.NumCh != channels) {
                continue; // not a file this run wrote for the receiver
            }
            const std::size_t n = std::min(data.size(), mix.size());
            for (std::size_t i = 0; i < n; ++i) {
                mix[i] += scale * data[i];
            }
        }
        ConsolePrint("Saving receiver [%d] mix for all sources (Original relative levels kept).\n",
                    static_cast<int>(r) + 1);
        if (!(maxPeak > 0.0f)) {
            ConsolePrint("Nothing reaches any receiver: the mix is silent\n");
        }
        mixesWritten &= writeWAVData(
            JoinPath(ProjectFolder, FormatText("SALL-R%.3d.wav", static_cast<int>(r) + 1)),
            mix.data(), frames, fs, static_cast<int>(channels));
    }
    return mixesWritten;
}

bool TRoom::SaveImpRespWAV()
{
    if (NumSources == 0 || NumReceivers == 0 || !HasResultGrid()) {
        return false;
    }
    // The gain that brings the loudest pair to full scale is shared by all
    // files, so that they keep their relative levels. A silent pair's zero
    // parameters say nothing about its level and are passed over.
    float bestSPL = -1e+08f;
    float normaliser = 0.0f;
    unsigned bestSource = 0;
    unsigned bestReceiver = 0;
    for (unsigned r = 0; r < NumReceivers; ++r) {
        for (unsigned s = 0; s < NumSources; ++s) {
            const TResult& result = *spcresult[r][s];
            const float amplitude = result.GetMaxIRAmplitude();
            if (amplitude > 0.0f && result.GetSPL() > bestSPL) {
                bestSPL = result.GetSPL();
                bestSource = s;
                bestReceiver = r;
                normaliser = std::max(normaliser, amplitude);
            }
        }
    }
    ConsolePrint("Maximum SPL: Source [%.2d] -> Receiver [%.2d]\n", static_cast<int>(bestSource) + 1,
                static_cast<int>(bestReceiver) + 1);
    if (!(normaliser > 0.0f)) {
        ConsolePrint("Every impulse response is silent: the IR files are written as silence\n");
    }
    const float gain = normaliser > 0.0f ? 1.0f / normaliser : 0.0f;
    std::vector<char> written(static_cast<std::size_t>(NumSources) * NumReceivers, 0);
    // Pairs in parallel; each one's report comes out whole, in pair order.
    std::vector<std::string> reports(written.size());
    auto write = [&](std::size_t pair, std::size_t slot) {
        const unsigned s = static_cast<unsigned>(pair / NumReceivers);
        const unsigned r = static_cast<unsigned>(pair % NumReceivers);
        const ConsoleCapture capture(reports[slot]);
        written[pair] = spcresult[r][s]->WaveWriteIR(PairBase(ProjectFolder, s, r) + "-IR.wav", gain) ? 1 : 0;
    };
    auto report = [&](std::size_t, std::size_t slot) { ConsolePrint("%s", reports[slot].c_str()); };
    RunInOrder(written.size(), ThreadCount(NumThreads), written.size(), write, report);
    return std::find(written.begin(), written.end(), 0) == written.end();
}
