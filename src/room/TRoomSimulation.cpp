// The simulation run: tracing every ray of every source with reception at the
// receivers, then the response phase of every pair; and the lost-ray list the
// 3D view shows.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry/MathFunctions.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/SourceTracer.h"
#include "simulation/RayDirections.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Parallel.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

namespace {

// Rays traced as one piece of work: large enough that handing out work costs
// nothing, small enough that the rays' arrivals wait in memory only briefly.
constexpr unsigned int kRaysPerRun = 64;

} // namespace

double TRoom::RayTracingReception(const Raio_st& y, int /*S*/, int R) const
{
    return RayProximity(y.p, y.v, receiver[R].Position, receiver[R].Radius);
}

TSurfaceTable TRoom::SurfaceTable() const
{
    TSurfaceTable table(NumPlanes, NumBands);
    for (unsigned int P = 0; P < NumPlanes; ++P) {
        // A plane whose layer has no material reflects everything.
        const TMaterial* m = nullptr;
        const int layer = plane[P].LayerID;
        if (layer >= 0 && static_cast<unsigned int>(layer) < NumPlaneLayers) {
            const int id = planeLayer[layer].MatID;
            if (id >= 0 && static_cast<unsigned int>(id) < NumMaterials) {
                m = &material[id];
            }
        }
        for (unsigned int b = 0; b < NumBands && m != nullptr; ++b) {
            table.Set(P, b, b < m->abs.size() ? m->abs[b] : 0.0f,
                      b < m->dif.size() ? m->dif[b] / static_cast<float>(NumBands) : 0.0f);
        }
    }
    return table;
}

TTraceScene TRoom::TraceSceneOf(unsigned int S, const TPlaneSearch& search, const TSurfaceTable& surfaces) const
{
    TTraceScene scene;
    scene.planes = &plane;
    scene.search = &search;
    scene.surfaces = &surfaces;
    for (unsigned int R = 0; R < NumReceivers; ++R) {
        scene.receiverPositions.push_back(receiver[R].Position);
        scene.receiverRadii.push_back(receiver[R].Radius);
        scene.clusterOrder.push_back(spcresult[R][S]->ClusterOrder);
    }
    scene.NumBands = NumBands;
    scene.NumPlaneLayers = NumPlaneLayers;
    scene.samplesPerMetre = FSample / VSound;
    scene.maxDistance = static_cast<double>(MaxLength) / FSample * VSound;
    scene.MaxLength = MaxLength;
    scene.maxReflections = MaxRayTracReflections;
    scene.artificialTail = ArtificialTailFlag;
    scene.stopDecay = StopDecay;
    scene.diffuse = DiffuseProcessing != 0;
    scene.hitFiles = HitFilesFlag != 0;
    scene.saveLateRays = SaveLateRaysFlag != 0;
    scene.saveDiffuseRays = SaveDiffuseRaysFlag != 0;

    // A ray straight to each receiver first, so that the direct sound never
    // slips between the rays of the sphere; a sphere ray along one of them is
    // left out.
    const TSource& src = source[S];
    scene.sourcePosition = src.Position;
    std::vector<TVector> receiverRays;
    for (const TReceiver& rec : receiver) {
        receiverRays.push_back(PointToVector(rec.Position - src.Position));
    }
    RemoveRepeatedRays(receiverRays);
    for (const TVector& v : receiverRays) {
        scene.receiverRayDirections.push_back(cart2sph(v));
    }
    scene.directions = receiverRays;
    const std::vector<TVector> sphere = CreateRaysDirections(src.NumberOfRays, ThreadCount(NumThreads));
    scene.directions.insert(scene.directions.end(), sphere.begin(), sphere.end());

    // Every ray carries the same share of the source's power, per band.
    const bool hasLayer = src.LayerID >= 0 && static_cast<unsigned int>(src.LayerID) < NumSourceLayers;
    scene.emitted.resize(NumBands);
    for (unsigned int b = 0; b < NumBands; ++b) {
        const float gain = hasLayer && b < sourceLayer[src.LayerID].spectrum.size()
                               ? sourceLayer[src.LayerID].spectrum[b]
                               : 1.0f;
        scene.emitted[b] = src.GetPower() * gain / static_cast<float>(scene.directions.size());
    }
    return scene;
}

void TRoom::ApplyArrival(unsigned int S, const TTraceLog& log, const TArrivalRecord& a, TRay& ray)
{
    log.Fill(a, ray);
    TResult& result = *spcresult[a.receiver][S];
    if ((a.actions & TArrivalRecord::kDirect) != 0) {
        result.AcumulateDirectSound(ray);
    }
    if ((a.actions & (TArrivalRecord::kEarlyFile | TArrivalRecord::kLateFile)) != 0) {
        // The line was formatted by the tracing thread, with Save's turn of
        // the azimuth, which the ray takes here too.
        ray.FixAzimuth();
        result.SaveRayLine(log.text, a.line, a.lineLength, (a.actions & TArrivalRecord::kEarlyFile) != 0 ? 0 : 1);
    }
    if ((a.actions & TArrivalRecord::kLateResponse) != 0) {
        result.InsertRay(ray);
    }
    if ((a.actions & (TArrivalRecord::kEarlyHit | TArrivalRecord::kLateHit)) != 0) {
        // Surfaces change only a ray's energy, never its weight: every hit line weighs 1.
        result.InsertHit(ray, log.hits.data() + a.hits, static_cast<int>(NumPlaneLayers),
                         (a.actions & TArrivalRecord::kEarlyHit) != 0 ? 0 : 1, 1.0f);
    }
}

bool TRoom::Simulate()
{
    const double maxDistance = static_cast<double>(MaxLength) / FSample * VSound;
    const float estimate = MeanFreePath;

    if (!ResultsCreated) {
        ErrorMessage("Programming Error: ResultsCreate Function not Called!!!!");
        return false;
    }
    ConsolePrint("\n=======================\n");
    ConsolePrint("STARTING NEW SIMULATION\n");
    ConsolePrint("=======================\n");
    if (NumReceivers == 0) {
        ErrorMessage("No receiver was defined\nSimulation aborted!\n");
        return false;
    }
    if (NumSources == 0) {
        ErrorMessage("No source was defined\nSimulation aborted!\n");
        return false;
    }
    if (spcresult.size() != NumReceivers || spcresult[0].size() != NumSources) {
        ErrorMessage("Programming Error: ResultsCreate Function not Called!!!!");
        return false;
    }
    if (ArtificialTailFlag && MaxRayTracReflections == -1) {
        ConsolePrint("========================================================\n");
        ConsolePrint("ATENTION: ARTIFICIAL_TAIL flag in ON and MAX_RAYTRAC_REF is -1\n");
        ConsolePrint("There is no need to proceed with long propagation time since tail is artificial.\n");
        MaxRayTracReflections = 6;
        ConsolePrint("Setting MAX_RAYTRAC_REF = %d.\n", MaxRayTracReflections);
        ConsolePrint("========================================================\n");
    }
    ConsolePrint("Start Processing ...\n");
    CalcCriticalDist();
    ConsolePrint("Critical Distance: %1.2f m\n", static_cast<double>(CriticalDistance));
    ConsolePrint(DiffuseProcessing != 0 ? "Starting Ray-tracing (Specular + Diffusion):\n"
                                       : "Starting Ray-tracing (Only Specular):\n");

    NumLostRays = 0;
    TFilePtr lostFile;
    if (SaveLostRays != 0) {
        LostFileName = JoinPath(ProjectFolder, "LostRays.txt");
        lostFile.reset(utilOpenFile(LostFileName, "wt"));
    }
    IsRunning = true;

    const TPlaneSearch search(plane);
    const TSurfaceTable surfaces = SurfaceTable();
    const unsigned int threads = ThreadCount(NumThreads);
    const auto started = std::chrono::steady_clock::now();
    std::uint64_t segments = 0;
    unsigned int traced = 0;
    unsigned int lost = 0; // rays that left the room, for the progress line
    // Millions of segments a second so far.
    auto rate = [&] {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return seconds > 0.0 ? static_cast<double>(segments) / seconds * 1e-6 : 0.0;
    };
    bool stopped = false;
    for (unsigned int S = 0; S < NumSources && !stopped; ++S) {
        TSource& src = source[S];
        src.SetNumRays(src.NumberOfRays);
        NumRays = src.NumberOfRays;
        ConsolePrint("NumRays = %d\n", static_cast<int>(NumRays + NumReceivers));

        const TTraceScene scene = TraceSceneOf(S, search, surfaces);
        const unsigned int totalRays = static_cast<unsigned int>(scene.directions.size());
        const unsigned int perSource = NumRays + NumReceivers;
        const unsigned int progressStep = std::max(1u, (perSource + 1) / 10);
        double distanceSum = 0.0;
        double reflectionSum = 0.0;
        TRay arrival(NumBands);

        // Each run of rays is traced on any thread into a log of its own; the
        // logs reach the results, the lost-ray file and the running mean free
        // path in ray order, as if one thread had traced them all.
        const std::size_t window = 4 * static_cast<std::size_t>(threads);
        std::vector<TTraceLog> logs(window);
        const std::size_t runs = (totalRays + kRaysPerRun - 1) / kRaysPerRun;
        auto trace = [&](std::size_t run, std::size_t slot) {
            const unsigned int first = static_cast<unsigned int>(run) * kRaysPerRun;
            TraceRays(scene, first, std::min(totalRays, first + kRaysPerRun), logs[slot], &IsRunning);
        };
        auto apply = [&](std::size_t /*run*/, std::size_t slot) {
            const TTraceLog& log = logs[slot];
            segments += log.segments;
            // Late arrivals add to samples spread over long responses, which
            // are rarely in the cache: they are asked for some arrivals ahead.
            constexpr std::size_t kAhead = 8;
            auto prefetch = [&](std::size_t k) {
                if (k < log.arrivals.size() && (log.arrivals[k].actions & TArrivalRecord::kLateResponse) != 0) {
                    const TArrivalRecord& a = log.arrivals[k];
                    spcresult[a.receiver][S]->PrefetchRay(a.index, a.reflections);
                }
            };
            for (std::size_t k = 0; k < kAhead; ++k) {
                prefetch(k);
            }
            std::size_t k = 0;
            for (std::size_t i = 0; i < log.ends.size(); ++i) {
                const unsigned int RAY = log.firstRay + static_cast<unsigned int>(i);
                for (; k < log.arrivals.size() && log.arrivals[k].id == static_cast<int>(RAY); ++k) {
                    prefetch(k + kAhead);
                    ApplyArrival(S, log, log.arrivals[k], arrival);
                }
                const TRayEnd& end = log.ends[i];
                lost += end.lost ? 1 : 0;
                if (end.lost && lostFile.get() != nullptr) {
                    std::fprintf(lostFile.get(), "%1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %d %d\n", end.p.x, end.p.y,
                                 end.p.z, end.v.x, end.v.y, end.v.z, static_cast<int>(end.reflections),
                                 static_cast<int>(S));
                }
                if (end.counted) {
                    distanceSum += end.dist;
                    reflectionSum += end.reflections;
                    MeanFreePath = static_cast<float>(0.8 * MeanFreePath + 0.2 * (distanceSum / reflectionSum));
                }
                traced += 1;
                PercentageStatus = static_cast<float>(RAY + S * perSource + 1) /
                                   static_cast<float>(perSource * NumSources) * 50.0f;
                if (RAY % progressStep == 0) {
                    ConsolePrint("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f (Estim=%1.2f) - "
                                "N = %d - %.2f M segments/s    ",
                                2.0 * PercentageStatus, static_cast<int>(S) + 1, static_cast<int>(NumSources),
                                static_cast<int>(RAY), static_cast<int>(lost),
                                static_cast<double>(MeanFreePath), static_cast<double>(estimate),
                                TruncateToInt(maxDistance / MeanFreePath), rate());
                    ConsoleFlush();
                }
            }
        };
        const bool all = RunInOrder(runs, threads, window, trace, apply, [this] { return IsRunning.load(); });
        if (!all || !IsRunning) {
            stopped = true; // a stop request ends the run between two rays
            break;
        }
        ConsolePrint("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f (Estim=%1.2f) - "
                    "N = %d - %.2f M segments/s     \n",
                    100.0, static_cast<int>(S) + 1, static_cast<int>(NumSources),
                    static_cast<int>(NumRays + NumReceivers), static_cast<int>(lost),
                    static_cast<double>(MeanFreePath), static_cast<double>(estimate),
                    TruncateToInt(maxDistance / MeanFreePath), rate());
    }
    lostFile.reset();
    ConsolePrint("\n");
    if (!stopped) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        ConsolePrint("Tracing done: %u rays, %llu segments in %.2f s (%.2f M segments/s) on %u threads\n", traced,
                     static_cast<unsigned long long>(segments), seconds, rate(), threads);
    }
    return true;
}

void TRoom::CalculateResponses()
{
    if (!ResultsCreated || spcresult.size() != NumReceivers) {
        return;
    }
    for (const auto& row : spcresult) {
        if (row.size() != NumSources) {
            return;
        }
    }
    IsRunning = true;
    PercentageStatus = 50.0f;
    const auto started = std::chrono::steady_clock::now();
    const unsigned int threads = ThreadCount(NumThreads);
    const std::size_t pairs = static_cast<std::size_t>(NumSources) * NumReceivers;
    // Pairs are independent: each is worked out on any thread, and its report
    // is printed in pair order once the pairs before it are done.
    const std::size_t window = 2 * static_cast<std::size_t>(threads);
    std::vector<std::string> reports(window);
    // Fewer pairs than threads: the spare ones help within each pair.
    const unsigned int threadsPerPair =
        std::max(1u, threads / static_cast<unsigned int>(std::max<std::size_t>(1, std::min<std::size_t>(pairs, threads))));
    auto respond = [&](std::size_t pair, std::size_t slot) {
        const unsigned int S = static_cast<unsigned int>(pair / NumReceivers);
        const unsigned int R = static_cast<unsigned int>(pair % NumReceivers);
        reports[slot].clear();
        const ConsoleCapture capture(reports[slot]);
        TResult& result = *spcresult[R][S];
        result.NumThreads = threadsPerPair;
        ConsolePrint("\n=========== Processing SRC [%.2d] - REC [%.2d] =============\n", static_cast<int>(S) + 1,
                     static_cast<int>(R) + 1);
        result.ProcessDirectSound(static_cast<int>(NumPlaneLayers));
        ConsolePrint("\rClustering early reflections up order %d:\n", static_cast<int>(result.ClusterOrder));
        result.Cluster();
        ConsolePrint(" Done!\n");
        ConsolePrint("Calculating impulse response:\n");
        result.GetImpulseResponses();
    };
    auto report = [&](std::size_t pair, std::size_t slot) {
        ConsolePrint("%s", reports[slot].c_str());
        PercentageStatus = 50.0f + 50.0f * static_cast<float>(pair + 1) / static_cast<float>(pairs);
        ConsolePrint("\rResponses: %zu of %zu pairs", pair + 1, pairs);
    };
    if (RunInOrder(pairs, threads, window, respond, report, [this] { return IsRunning.load(); })) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        ConsolePrint("\nResponses done: %zu pairs in %.2f s on %u threads\n", pairs, seconds, threads);
    } else {
        ErrorMessage("Interrupted by the user! Results not calculated!!");
    }
    IsRunning = false;
}

void TRoom::CreateLostRays(unsigned int n)
{
    DeleteLostRays();
    lostRays.assign(n, Raio_st());
    NumLostRays = n;
    LostRaysCreated = true;
}

void TRoom::DeleteLostRays()
{
    lostRays.clear();
    NumLostRays = 0;
    LostRaysCreated = false;
}

void TRoom::LoadLostRaysTxt()
{
    if (NumLostRays != 0) {
        DeleteLostRays();
    }
    const std::string path = JoinPath(ProjectFolder, "LostRays.txt");
    TFileCloser file(std::fopen(path.c_str(), "r"));
    if (file.get() == nullptr) {
        ErrorMessage("\nFile with lost rays cannot be opened (%s)!\n", path.c_str());
        return;
    }
    MaxLostRaysRef = 0;
    std::vector<Raio_st> rays;
    std::string line;
    while (ReadLine(file.get(), line)) {
        const std::vector<std::string> f = SplitFields(line);
        if (f.size() < 8) {
            continue; // not a lost-ray line
        }
        double v[6];
        bool ok = true;
        for (int i = 0; i < 6 && ok; ++i) {
            const auto value = ParseDouble(f[i]);
            ok = value.has_value();
            v[i] = value.value_or(0.0);
        }
        const auto reflections = ParseInt(f[6]);
        if (!ok || !reflections || *reflections < 0) {
            continue;
        }
        Raio_st r;
        r.p = TPoint3D::Make(v[0], v[1], v[2]);
        r.v = TVector(v[3], v[4], v[5]);
        r.v.Normalize();
        r.reflections = static_cast<unsigned int>(*reflections);
        MaxLostRaysRef = std::max(MaxLostRaysRef, *reflections);
        rays.push_back(r);
    }
    CreateLostRays(static_cast<unsigned int>(rays.size()));
    lostRays = std::move(rays);
}
