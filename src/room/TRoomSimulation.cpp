// The simulation run: tracing every ray of every source with reception at the
// receivers, then the response phase of every pair; and the lost-ray list the
// 3D view shows.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "geometry/MathFunctions.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "simulation/PlaneSearch.h"
#include "simulation/RayDirections.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

namespace {

constexpr double kRadToDeg = 57.295779513082323;
// Width of the Gaussian lobe of scattered energy around the specular
// direction, in units of pi radians (0.15 is 27 degrees).
constexpr float kScatterSigma = 0.15f;

TDirection DegreesOf(TVector v)
{
    TDirection d = cart2sph(v);
    d.azim = static_cast<float>(d.azim * kRadToDeg);
    d.elev = static_cast<float>(d.elev * kRadToDeg);
    return d;
}

// Sample index of a distance: halves go away from zero.
// Beyond the counter's range (or not a number) the index lies past every
// response and the arrival is ignored.
unsigned int SampleIndex(double samples)
{
    const double rounded = std::round(samples);
    return rounded >= 0.0 && rounded < 4294967295.0 ? static_cast<unsigned int>(rounded) : 4294967295u;
}

unsigned int SampleIndex(float samples)
{
    const float rounded = std::round(samples);
    return rounded >= 0.0f && rounded < 4294967295.0f ? static_cast<unsigned int>(rounded) : 4294967295u;
}

} // namespace

double TRoom::RayTracingReception(const Raio_st& y, int /*S*/, int R) const
{
    const TReceiver& rec = receiver[R];
    const TPoint3D m = rec.Position;
    if (!(PointToVector(m - y.p) * y.v > 0.0)) {
        return -1.0;
    }
    // Foot of the perpendicular from the centre onto the ray's line.
    const TPoint3D f = IntersectionLineAndPlane(y.v, y.p, y.v, m);
    const double d = Module(m - f);
    return rec.Radius >= d ? 1.0 - d / rec.Radius : 0.0;
}

bool TRoom::Simulate()
{
    const float VS = FSample / VSound; // samples per metre
    const double maxDistance = static_cast<double>(MaxLength) / FSample * VSound;
    const float estimate = MeanFreePath;

    if (!ResultsCreated) {
        ErrorMessage("Programming Error: ResultsCreate Function not Called!!!!");
        return false;
    }
    ConsolePrint("\n=======================\n");
    ConsolePrint("STARTING NEW SIMULATION\n");
    ConsolePrint("=======================\n");
    TRay auxRay(NumBands);
    TRay difRay(NumBands);
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

    // Hits per plane layer of the current ray, for the hit files.
    std::vector<unsigned int> hits(HitFilesFlag != 0 ? NumPlaneLayers : 0, 0);
    Raio_st ray(NumBands);
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
    std::vector<int> crossing(NumReceivers, 0);      // AtingiuReceptor
    std::vector<double> distToCentre(NumReceivers);  // DistLastRefRec, m
    std::vector<float> proximity(NumReceivers);      // fatordist
    std::vector<float> scattEnergy(NumBands, 0.0f);
    std::vector<float> emitted(NumBands, 0.0f);

    bool stopped = false;
    for (unsigned int S = 0; S < NumSources && !stopped; ++S) {
        TSource& src = source[S];
        double distanceSum = 0.0;
        double reflectionSum = 0.0;
        src.SetNumRays(src.NumberOfRays);
        NumRays = src.NumberOfRays;
        ConsolePrint("NumRays = %d\n", static_cast<int>(NumRays + NumReceivers));

        const std::vector<TVector> directions = CreateRaysDirections(NumRays);
        std::vector<TVector> receiverRays;
        for (const TReceiver& rec : receiver) {
            receiverRays.push_back(PointToVector(rec.Position - src.Position));
        }
        const unsigned int numExtraRays = RemoveRepeatedRays(receiverRays);
        std::vector<TDirection> receiverRayDirections;
        for (const TVector& v : receiverRays) {
            receiverRayDirections.push_back(cart2sph(v));
        }
        const unsigned int totalRays = NumRays + numExtraRays;

        // Every ray carries the same share of the source's power, per band.
        const bool hasLayer = src.LayerID >= 0 && static_cast<unsigned int>(src.LayerID) < NumSourceLayers;
        for (unsigned int b = 0; b < NumBands; ++b) {
            const float gain = hasLayer && b < sourceLayer[src.LayerID].spectrum.size()
                                   ? sourceLayer[src.LayerID].spectrum[b]
                                   : 1.0f;
            emitted[b] = src.GetPower() * gain / static_cast<float>(totalRays);
        }

        const unsigned int progressStep = std::max(1u, (NumRays + NumReceivers + 1) / 10);
        for (unsigned int RAY = 0; RAY < totalRays; ++RAY) {
            std::fill(hits.begin(), hits.end(), 0u);
            const TVector direction =
                RAY < numExtraRays ? receiverRays[RAY] : directions[RAY - numExtraRays];
            ray.Set(src.Position, direction, 0, 0.0f, emitted.data());
            ray.SetId(static_cast<int>(RAY));
            const TDirection startDir = DegreesOf(direction);
            const double energyFloor = ray.GetEnergy() * std::pow(10.0, StopDecay / 10.0);
            int lastPlane = -1;
            bool stop = false;
            unsigned int Reflection = 0;
            double Acumcostheta = 1.0;
            if (RAY >= numExtraRays) {
                // A receiver ray already covers this direction.
                const TDirection d = cart2sph(direction);
                for (const TDirection& other : receiverRayDirections) {
                    stop = stop || other == d;
                }
            }

            while (!stop) {
                // Reception on the segment up to the next surface.
                for (unsigned int R = 0; R < NumReceivers; ++R) {
                    crossing[R] = 0;
                    distToCentre[R] = -1.0;
                    proximity[R] = static_cast<float>(RayTracingReception(ray, static_cast<int>(S),
                                                                          static_cast<int>(R)));
                    if (proximity[R] > 0.0f && proximity[R] <= 1.0f) {
                        crossing[R] = 1;
                        distToCentre[R] = Module(receiver[R].Position - ray.p);
                    }
                }
                const TPlaneHit hit = search.Next(ray.p, ray.v, lastPlane);
                if (hit.plane >= 0) {
                    // A centre beyond the surface is not reached, whatever pokes through.
                    for (unsigned int R = 0; R < NumReceivers; ++R) {
                        if (distToCentre[R] > hit.distance) {
                            crossing[R] = 0;
                        }
                    }
                }
                for (unsigned int R = 0; R < NumReceivers; ++R) {
                    if (crossing[R] == 0) {
                        continue;
                    }
                    const double rdist = distToCentre[R] + ray.dist;
                    const unsigned int index = SampleIndex(static_cast<double>(VS) * rdist);
                    if (index >= MaxLength) {
                        continue;
                    }
                    auxRay.Set(index, ray.e.data(), DegreesOf(ray.v * -1.0), Reflection, proximity[R],
                               startDir);
                    auxRay.SetId(static_cast<int>(RAY));
                    TResult& result = *spcresult[R][S];
                    if (Reflection <= result.ClusterOrder) {
                        if (Reflection == 0) {
                            result.AcumulateDirectSound(auxRay);
                        } else {
                            result.SaveRay(auxRay, 0);
                            if (HitFilesFlag != 0) {
                                result.InsertHit(auxRay, hits.data(), static_cast<int>(NumPlaneLayers), 0,
                                                 static_cast<float>(Acumcostheta));
                            }
                        }
                    } else {
                        if (SaveLateRaysFlag != 0) {
                            result.SaveRay(auxRay, 1);
                        } else {
                            result.InsertRay(auxRay);
                        }
                        if (HitFilesFlag != 0) {
                            result.InsertHit(auxRay, hits.data(), static_cast<int>(NumPlaneLayers), 1,
                                             static_cast<float>(Acumcostheta));
                        }
                    }
                }

                if (hit.plane >= 0) {
                    const TPoint3D q = hit.point;
                    const int layer = plane[hit.plane].LayerID;
                    if (HitFilesFlag != 0 && layer >= 0 && static_cast<unsigned int>(layer) < hits.size()) {
                        hits[layer] += 1;
                    }
                    Acumcostheta *= PlaneInteraction(hit.plane, ray, q, scattEnergy.data());
                    const TVector specular = ray.v / ray.v.Module();
                    if (DiffuseProcessing != 0) {
                        for (unsigned int R = 0; R < NumReceivers; ++R) {
                            const TPoint3D m = receiver[R].Position;
                            if (CheckVisibility(q, m, search) == 0) {
                                continue;
                            }
                            TVector w = PointToVector(m - q);
                            const float scattDist = static_cast<float>(w.Module());
                            if (!(scattDist > 0.0f)) {
                                continue; // the centre lies on the hit point: no direction
                            }
                            w = w / scattDist;
                            const float cosine = static_cast<float>(std::fabs(specular * w));
                            const float theta = std::acos(std::min(cosine, 1.0f)) /
                                                static_cast<float>(std::numbers::pi);
                            const float attenuation =
                                std::exp(-0.5f * theta * theta / (kScatterSigma * kScatterSigma));
                            const float totalDist = scattDist + static_cast<float>(ray.dist);
                            const unsigned int index = SampleIndex(totalDist * VS);
                            difRay.Set(index, scattEnergy.data(), DegreesOf(w * -1.0), Reflection + 1, 1.0f,
                                       startDir);
                            difRay.MultiplyBy(attenuation);
                            difRay.SetId(static_cast<int>(RAY));
                            TResult& result = *spcresult[R][S];
                            if (Reflection + 1 <= result.ClusterOrder) {
                                result.SaveRay(difRay, 0);
                                if (HitFilesFlag != 0) {
                                    result.InsertHit(difRay, hits.data(), static_cast<int>(NumPlaneLayers), 0,
                                                     static_cast<float>(Acumcostheta));
                                }
                            } else {
                                if (SaveLateRaysFlag != 0) {
                                    result.SaveRay(difRay, 1);
                                } else {
                                    result.InsertRay(difRay);
                                }
                                if (HitFilesFlag != 0 && SaveDiffuseRaysFlag != 0) {
                                    result.InsertHit(difRay, hits.data(), static_cast<int>(NumPlaneLayers), 1,
                                                     static_cast<float>(Acumcostheta));
                                }
                            }
                        }
                    }
                    Reflection += 1;
                    lastPlane = hit.plane;
                }

                // Stop criteria, in this order.
                if (MaxRayTracReflections >= 0 && Reflection > static_cast<unsigned int>(MaxRayTracReflections)) {
                    stop = true;
                }
                if (ArtificialTailFlag && RAY % 10 == 0) {
                    stop = false; // every tenth ray keeps going for the tail's decay fit
                }
                if (ray.dist > maxDistance) {
                    stop = true;
                }
                if (ray.GetEnergy() < energyFloor) {
                    stop = true;
                }
                if (hit.plane < 0) {
                    stop = true;
                    if (lostFile.get() != nullptr) {
                        std::fprintf(lostFile.get(), "%1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %d %d\n", ray.p.x,
                                     ray.p.y, ray.p.z, ray.v.x, ray.v.y, ray.v.z, static_cast<int>(Reflection),
                                     static_cast<int>(S));
                    }
                }
                if (stop && ray.dist > 0.0 && Reflection != 0) {
                    distanceSum += ray.dist;
                    reflectionSum += Reflection;
                    MeanFreePath = static_cast<float>(0.8 * MeanFreePath + 0.2 * (distanceSum / reflectionSum));
                }
            }

            if (!IsRunning) {
                stopped = true; // a stop request ends the run after this ray
                break;
            }
            const unsigned int perSource = NumRays + NumReceivers;
            PercentageStatus = static_cast<float>(RAY + S * perSource + 1) /
                               static_cast<float>(perSource * NumSources) * 50.0f;
            if (RAY % progressStep == 0) {
                ConsolePrint("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f (Estim=%1.2f) - "
                            "N = %d    ",
                            2.0 * PercentageStatus, static_cast<int>(S) + 1, static_cast<int>(NumSources),
                            static_cast<int>(RAY), static_cast<int>(NumLostRays),
                            static_cast<double>(MeanFreePath), static_cast<double>(estimate),
                            TruncateToInt(maxDistance / MeanFreePath));
                ConsoleFlush();
            }
        }
        if (!stopped) {
            ConsolePrint("\r%1.2f %% - SOURCE %.2d/%.2d - RAY = %d - LOST = %d - MFP = %1.2f (Estim=%1.2f) - "
                        "N = %d     \n",
                        100.0, static_cast<int>(S) + 1, static_cast<int>(NumSources),
                        static_cast<int>(NumRays + NumReceivers), static_cast<int>(NumLostRays),
                        static_cast<double>(MeanFreePath), static_cast<double>(estimate),
                        TruncateToInt(maxDistance / MeanFreePath));
        }
    }
    lostFile.reset();
    ConsolePrint("\n");
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
    bool interrupted = false;
    for (unsigned int S = 0; S < NumSources && !interrupted; ++S) {
        for (unsigned int R = 0; R < NumReceivers; ++R) {
            TResult& result = *spcresult[R][S];
            ConsolePrint("\n=========== Processing SRC [%.2d] - REC [%.2d] =============\n",
                        static_cast<int>(S) + 1, static_cast<int>(R) + 1);
            result.ProcessDirectSound(static_cast<int>(NumPlaneLayers));
            ConsolePrint("\rClustering early reflections up order %d:\n", static_cast<int>(result.ClusterOrder));
            result.Cluster();
            ConsolePrint(" Done!\n");
            ConsolePrint("Calculating impulse response:\n");
            result.GetImpulseResponses();
            PercentageStatus = 50.0f + 50.0f * static_cast<float>(S * NumReceivers + R + 1) /
                                           static_cast<float>(NumReceivers * NumSources);
            if (!IsRunning && PercentageStatus < 100.0f) {
                ErrorMessage("Interrupted by the user! Results not calculated!!");
                interrupted = true;
                break;
            }
        }
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
