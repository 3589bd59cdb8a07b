// The parameters and text files written after a run (and read back when a
// project is opened), and the room's statistical reverberation times.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "room/Environment.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Parallel.h"
#include "util/Platform.h"

namespace {

// "<prefix>S001-R001<suffix>" for source s and receiver r counted from 0.
std::string PairName(const char* prefix, unsigned s, unsigned r, const char* suffix)
{
    return FormatText("%sS%.3d-R%.3d%s", prefix, static_cast<int>(s) + 1, static_cast<int>(r) + 1,
                      suffix);
}

// The settings CreateResults gives every result; the summed results are built
// with the same so that their parameters compare with the pairs'.
TResultParam ResultParamOf(const TRoom& room)
{
    std::vector<float> roomConstant = room.RoomConstant;
    std::vector<double> airAbs = room.AirAbs;
    roomConstant.resize(room.NumBands, 0.0f);
    airAbs.resize(room.NumBands, 0.0);
    return TResultParam(room.NumBands, room.ClusterOrderGlobal, room.VSound, room.FSample,
                        roomConstant.data(), room.BaseSize, room.MaxLength, airAbs.data(),
                        room.ArtificialTailFlag);
}

} // namespace

bool TRoom::HasResultGrid() const
{
    if (!ResultsCreated || spcresult.size() != NumReceivers) {
        return false;
    }
    for (const auto& row : spcresult) {
        if (row.size() != NumSources ||
            std::any_of(row.begin(), row.end(), [](const auto& r) { return r == nullptr; })) {
            return false;
        }
    }
    return true;
}

bool TRoom::SaveResults()
{
    if (NumSources == 0 || NumReceivers == 0) {
        return false;
    }
    if (!HasResultGrid()) {
        ConsolePrint("No results to save: the sources or receivers changed since the simulation.\n");
        return false;
    }
    const auto started = std::chrono::steady_clock::now();
    // Every pair's response and parameters, pairs in parallel; the reports
    // come out in pair order.
    const unsigned int threads = ThreadCount(NumThreads);
    const std::size_t pairs = static_cast<std::size_t>(NumSources) * NumReceivers;
    const std::size_t window = 2 * static_cast<std::size_t>(threads);
    std::vector<std::string> reports(window);
    std::vector<char> pairWritten(pairs, 0);
    auto save = [&](std::size_t pair, std::size_t slot) {
        const unsigned r = static_cast<unsigned>(pair / NumSources);
        const unsigned s = static_cast<unsigned>(pair % NumSources);
        reports[slot].clear();
        const ConsoleCapture capture(reports[slot]);
        TResult& result = *spcresult[r][s];
        bool ok = result.SaveGlobalIR(JoinPath(ProjectFolder, PairName("", s, r, ".txt")));
        ConsolePrint("Calculating acoustic parameters ... (S%.3d-R%.3d)\r", static_cast<int>(s) + 1,
                     static_cast<int>(r) + 1);
        result.GetMonoParams();
        ok &= result.SaveParams(JoinPath(ProjectFolder, PairName("PARAMS-", s, r, ".txt")));
        pairWritten[pair] = ok ? 1 : 0;
    };
    auto report = [&](std::size_t, std::size_t slot) { ConsolePrint("%s", reports[slot].c_str()); };
    RunInOrder(pairs, threads, window, save, report);
    bool written = std::find(pairWritten.begin(), pairWritten.end(), 0) == pairWritten.end();

    const TResultParam param = ResultParamOf(*this);
    // Every receiver with all sources: the sources' responses summed channel
    // by channel; the direct sound is the earliest of them.
    for (unsigned r = 0; r < NumReceivers; ++r) {
        TResult all(param, &receiver[r], &source[0]);
        ConsolePrint("Calculating acoustic parameters ... (SALL-R%.3d)\r", static_cast<int>(r) + 1);
        unsigned direct = MaxLength;
        for (unsigned s = 0; s < NumSources; ++s) {
            const TResult& pair = *spcresult[r][s];
            for (unsigned c = 0; c < all.NumChannels && c < pair.globalIR.size(); ++c) {
                for (unsigned i = 0; i < MaxLength; ++i) {
                    all.globalIR[c][i] += pair.globalIR[c][i];
                }
            }
            direct = std::min(direct, pair.DirectSoundIndex);
        }
        all.SetDirectSoundIndex(direct);
        all.GetMonoParams();
        written &= all.SaveParams(
            JoinPath(ProjectFolder, FormatText("PARAMS-SALL-R%.3d.txt", static_cast<int>(r) + 1)));
    }

    // The whole room: every channel of every pair summed into one response,
    // carried by the receiver of the most channels; its direct sound is its
    // largest sample.
    ConsolePrint("Calculating acoustic parameters ... (SALL-RALL)\r");
    unsigned widest = 0;
    for (unsigned r = 1; r < NumReceivers; ++r) {
        if (spcresult[r][0]->NumChannels > spcresult[widest][0]->NumChannels) {
            widest = r;
        }
    }
    TResult whole(param, &receiver[widest], &source[0]);
    std::vector<float>& sum = whole.globalIR[0];
    for (unsigned r = 0; r < NumReceivers; ++r) {
        for (unsigned s = 0; s < NumSources; ++s) {
            for (const auto& channel : spcresult[r][s]->globalIR) {
                for (unsigned i = 0; i < MaxLength; ++i) {
                    sum[i] += channel[i];
                }
            }
        }
    }
    for (unsigned c = 1; c < whole.NumChannels; ++c) {
        whole.globalIR[c] = sum;
    }
    whole.SetDirectSoundIndex(
        static_cast<unsigned>(std::max_element(sum.begin(), sum.end()) - sum.begin()));
    whole.GetMonoParams();
    written &= whole.SaveParams(JoinPath(ProjectFolder, "PARAMS-SALL-RALL.txt"));
    ConsolePrint("Calculating acoustic parameters ... Done!             \n");

    if (AuralizationFlag) {
        written &= Auralization();
        written &= SaveImpRespWAV();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ConsolePrint("Saving done: %zu pairs in %.2f s\n", pairs, seconds);
    return written;
}

bool TRoom::CheckSavedResults() const
{
    if (NumSources == 0 || NumReceivers == 0) {
        return false;
    }
    for (unsigned r = 0; r < NumReceivers; ++r) {
        for (unsigned s = 0; s < NumSources; ++s) {
            if (!FileExists(JoinPath(ProjectFolder, PairName("", s, r, ".txt")))) {
                return false;
            }
        }
    }
    return true;
}

int TRoom::LoadResults()
{
    if (NumSources == 0 || NumReceivers == 0) {
        ErrorMessage("Results file could not be loaded!");
        return -1;
    }
    ClearResults();
    CreateResults();
    ConsolePrint("Loading impulse responses: ... ");
    int status = 0;
    for (unsigned s = 0; s < NumSources; ++s) {
        for (unsigned r = 0; r < NumReceivers; ++r) {
            const std::string path = JoinPath(ProjectFolder, PairName("", s, r, ".txt"));
            if (!spcresult[r][s]->GetImpulseResponsesfromFile(path)) {
                ConsolePrint("\nResponse file %s is missing or incomplete: missing values are 0\n",
                            path.c_str());
                status = -1;
            }
            spcresult[r][s]->GetMonoParams();
        }
    }
    ConsolePrint(" Done!\n");
    return status;
}

void TRoom::AcousticParameters()
{
    const double c = SpeedOfSound(Temperature); // m/s
    // Amplitude attenuation in Np/m; energy decays at twice that rate.
    std::vector<double> air(NumBands, 0.0);
    CalculateAirAbsCoefs(static_cast<float>(Temperature + 273.15), static_cast<float>(Pressure),
                         static_cast<float>(Humidity), NumBands, air.data());
    CalculateAbsorptionArea();
    Volume = CalculateVolumeGeometry();
    Area = CalculateArea();

    if (T60.size() < 2) {
        T60.resize(2);
    }
    for (auto& row : T60) {
        row.resize(NumBands, 0.0f);
    }
    // Sabine's 24 ln 10 V / (c (A + 4 m V)) with A the absorption area of the
    // row's mean absorption and m the energy attenuation of the air, 1/m.
    for (unsigned b = 0; b < NumBands; ++b) {
        const double m = 2.0 * air[b];
        for (unsigned row = 0; row < 2; ++row) {
            const double denominator = c * (AverageAbsorption[row][b] * Area + 4.0 * m * Volume);
            const double t = 24.0 * std::numbers::ln10 * Volume / denominator;
            // No surface, no volume or total absorption: no finite decay time.
            T60[row][b] = denominator > 0.0 && std::isfinite(t) ? static_cast<float>(t) : 0.0f;
        }
    }
}
