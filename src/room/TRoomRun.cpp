// The steps around a simulation that a window or the command line takes:
// loading a project for use and preparing a run.

#include "room/TRoom.h"

#include "room/Environment.h"
#include "util/ErrorMessage.h"
#include "util/Parallel.h"
#include "util/Platform.h"

void TRoom::LoadAndAnalyse(const std::string& path)
{
    LoadProject(path);
    GetExternalPlanes();
    CalculateVolumeGeometry();
    CalculateArea();
    AcousticParameters();
    GetCenter();
    ShowInfo();
}

void TRoom::PrepareSimulation(std::optional<unsigned int> rays)
{
    ShowInfo();
    if (rays && *rays > static_cast<unsigned int>(kMaxNumRays)) {
        Fatal(1, "%u rays per source asked for; at most %d are supported.", *rays, kMaxNumRays);
    }
    if (rays) {
        SetNumRays(*rays);
        for (TSource& s : source) {
            s.SetNumRays(GetNumRays());
        }
    }
    if (ResultsCreated) {
        ClearResults();
    }
    CleanRayFiles();
    CleanResultFiles();
    CheckResultMemory(PhysicalMemoryBytes());
    CreateResults();
}

double TRoom::ResultMemoryBytes() const
{
    // Per pair and receiver channel: the late part of every band and the
    // broadband response, MaxLength floats each; the early part of every band
    // exists only while a pair's response is built, for as many pairs at once
    // as there are threads.
    double channels = 0.0;
    int widest = 1;
    for (const TReceiver& r : receiver) {
        channels += std::max(1, r.GetNumChannels());
        widest = std::max(widest, r.GetNumChannels());
    }
    const double pairs = static_cast<double>(NumSources) * NumReceivers;
    const double building = std::min(pairs, static_cast<double>(ThreadCount(NumThreads)));
    return (static_cast<double>(NumSources) * channels * (NumBands + 1.0) + building * widest * NumBands) *
           MaxLength * sizeof(float);
}

void TRoom::CheckResultMemory(double availableBytes) const
{
    const double needed = ResultMemoryBytes();
    if (availableBytes > 0.0 && needed > kResultMemoryShare * availableBytes) {
        constexpr double kGB = 1024.0 * 1024.0 * 1024.0;
        Fatal(1, "The responses of %u sources at %u receivers, %u samples each, need %.1f GB of "
                 "memory; this machine has %.1f GB. Shorten MAX_TIME or simulate fewer sources "
                 "and receivers at once.",
              NumSources, NumReceivers, MaxLength, needed / kGB, availableBytes / kGB);
    }
}
