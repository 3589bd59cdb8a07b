#include "simulation/SourceTracer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

// Appends one arrival of energy per band e at a receiver, with the hit counts
// of the ray so far.
class Recorder {
public:
    Recorder(const TTraceScene& scene, TTraceLog& log, const std::vector<unsigned int>& hits)
        : m_scene(scene), m_log(log), m_hits(hits)
    {
    }

    // A crossing of the receiving sphere, or energy scattered towards it
    // (reflection is then the order it arrives with).
    void Add(unsigned int R, int id, unsigned int index, const float* e, TDirection arrival, unsigned int reflection,
             float proximity, TDirection start, bool scattered, float attenuation)
    {
        TArrivalRecord a;
        a.receiver = R;
        a.id = id;
        a.index = index;
        a.reflections = static_cast<int>(reflection);
        a.fatordist = proximity;
        a.dir = arrival;
        a.startDir = start;
        a.energies = m_log.energies.size();
        for (unsigned int b = 0; b < m_scene.NumBands; ++b) {
            m_log.energies.push_back(scattered ? e[b] * attenuation : e[b]);
        }
        const bool early = reflection <= m_scene.clusterOrder[R];
        if (!scattered && reflection == 0) {
            a.actions = TArrivalRecord::kDirect;
        } else if (early) {
            a.actions = TArrivalRecord::kEarlyFile | (m_scene.hitFiles ? TArrivalRecord::kEarlyHit : 0);
        } else {
            a.actions = m_scene.saveLateRays ? TArrivalRecord::kLateFile : TArrivalRecord::kLateResponse;
            if (m_scene.hitFiles && (!scattered || m_scene.saveDiffuseRays)) {
                a.actions |= TArrivalRecord::kLateHit;
            }
        }
        if ((a.actions & (TArrivalRecord::kEarlyHit | TArrivalRecord::kLateHit)) != 0) {
            a.hits = m_log.hits.size();
            m_log.hits.insert(m_log.hits.end(), m_hits.begin(), m_hits.end());
        }
        m_log.arrivals.push_back(a);
    }

private:
    const TTraceScene& m_scene;
    TTraceLog& m_log;
    const std::vector<unsigned int>& m_hits;
};

} // namespace

void TTraceLog::Clear()
{
    arrivals.clear();
    energies.clear();
    hits.clear();
    ends.clear();
    segments = 0;
}

void TTraceLog::Fill(const TArrivalRecord& a, TRay& ray) const
{
    ray.index = a.index;
    ray.spectrum.assign(energies.begin() + static_cast<std::ptrdiff_t>(a.energies),
                        energies.begin() + static_cast<std::ptrdiff_t>(a.energies + ray.num_bands));
    ray.dir = a.dir;
    ray.reflections = a.reflections;
    ray.fatordist = a.fatordist;
    ray.startDir = a.startDir;
    ray.ID = a.id;
    ray.FixAzimuth();
}

void ReflectAtSurface(const TPlane& hitPlane, const TSurfaceTable& surfaces, int P, bool diffuse,
                      Raio_st& ray, TPoint3D p, float* scattEnergy)
{
    ray.dist += Module(p - ray.p);
    ray.p = p;
    const TVector n = hitPlane.normal;
    ray.v = ray.v - n * (2.0 * (ray.v * n));
    ray.reflections += 1;

    const float* absorption = surfaces.absorption.data() + static_cast<std::size_t>(P) * surfaces.NumBands;
    const float* scattering = surfaces.scattering.data() + static_cast<std::size_t>(P) * surfaces.NumBands;
    for (unsigned int b = 0; b < surfaces.NumBands; ++b) {
        const float kept = ray.e[b] * (1.0f - absorption[b]);
        if (diffuse) {
            scattEnergy[b] = scattering[b] * kept;
            ray.e[b] = (1.0f - scattering[b]) * kept;
        } else {
            scattEnergy[b] = 0.0f;
            ray.e[b] = kept;
        }
    }
}

int IsVisible(const TPlaneSearch& search, TPoint3D P1, TPoint3D P2)
{
    const TVector v = PointToVector(P2 - P1);
    const float dist = static_cast<float>(v.Module());
    const TPlaneHit hit = search.Next(P1, v, -1);
    if (hit.plane < 0) {
        return 1;
    }
    return dist > hit.distance ? 0 : 1;
}

void TraceRays(const TTraceScene& scene, unsigned int first, unsigned int last, TTraceLog& log,
               const std::atomic<bool>* keepGoing)
{
    log.Clear();
    log.firstRay = first;
    const std::vector<TPlane>& planes = *scene.planes;
    const TPlaneSearch& search = *scene.search;
    const unsigned int numReceivers = static_cast<unsigned int>(scene.receiverPositions.size());
    const double VS = static_cast<double>(scene.samplesPerMetre);

    std::vector<unsigned int> hits(scene.hitFiles ? scene.NumPlaneLayers : 0, 0);
    Recorder recorder(scene, log, hits);
    std::vector<int> crossing(numReceivers, 0);
    std::vector<double> distToCentre(numReceivers);
    std::vector<float> proximity(numReceivers);
    std::vector<float> scattEnergy(scene.NumBands, 0.0f);
    Raio_st ray(scene.NumBands);
    // Counted here, not in the log, which may share a cache line with the
    // log another thread is filling.
    std::uint64_t segments = 0;

    for (unsigned int RAY = first; RAY < last; ++RAY) {
        if (keepGoing != nullptr && !keepGoing->load(std::memory_order_relaxed)) {
            log.segments = segments;
            return;
        }
        log.ends.emplace_back();
        TRayEnd& end = log.ends.back();
        if (RAY >= scene.receiverRayDirections.size()) {
            const TDirection d = cart2sph(scene.directions[RAY]);
            bool covered = false;
            for (const TDirection& other : scene.receiverRayDirections) {
                covered = covered || other == d;
            }
            if (covered) {
                continue;
            }
        }
        std::fill(hits.begin(), hits.end(), 0u);
        const TVector direction = scene.directions[RAY];
        ray.Set(scene.sourcePosition, direction, 0, 0.0f, scene.emitted.data());
        ray.SetId(static_cast<int>(RAY));
        const TDirection startDir = DegreesOf(direction);
        const double energyFloor = ray.GetEnergy() * std::pow(10.0, scene.stopDecay / 10.0);
        int lastPlane = -1;
        unsigned int Reflection = 0;
        bool stop = false;
        while (!stop) {
            // Reception on the segment up to the next surface.
            for (unsigned int R = 0; R < numReceivers; ++R) {
                crossing[R] = 0;
                distToCentre[R] = -1.0;
                proximity[R] =
                    static_cast<float>(RayProximity(ray.p, ray.v, scene.receiverPositions[R], scene.receiverRadii[R]));
                if (proximity[R] > 0.0f && proximity[R] <= 1.0f) {
                    crossing[R] = 1;
                    distToCentre[R] = Module(scene.receiverPositions[R] - ray.p);
                }
            }
            const TPlaneHit hit = search.Next(ray.p, ray.v, lastPlane);
            ++segments;
            if (hit.plane >= 0) {
                // A centre beyond the surface is not reached, whatever pokes through.
                for (unsigned int R = 0; R < numReceivers; ++R) {
                    if (distToCentre[R] > hit.distance) {
                        crossing[R] = 0;
                    }
                }
            }
            for (unsigned int R = 0; R < numReceivers; ++R) {
                if (crossing[R] == 0) {
                    continue;
                }
                const double rdist = distToCentre[R] + ray.dist;
                const unsigned int index = SampleIndex(VS * rdist);
                if (index >= scene.MaxLength) {
                    continue;
                }
                recorder.Add(R, static_cast<int>(RAY), index, ray.e.data(), DegreesOf(ray.v * -1.0), Reflection, proximity[R], startDir,
                             false, 1.0f);
            }

            if (hit.plane >= 0) {
                const TPoint3D q = hit.point;
                const int layer = planes[hit.plane].LayerID;
                if (scene.hitFiles && layer >= 0 && static_cast<unsigned int>(layer) < hits.size()) {
                    hits[layer] += 1;
                }
                ReflectAtSurface(planes[hit.plane], *scene.surfaces, hit.plane, scene.diffuse, ray, q,
                                 scattEnergy.data());
                if (scene.diffuse) {
                    const TVector specular = ray.v / ray.v.Module();
                    for (unsigned int R = 0; R < numReceivers; ++R) {
                        const TPoint3D m = scene.receiverPositions[R];
                        if (IsVisible(search, q, m) == 0) {
                            continue;
                        }
                        TVector w = PointToVector(m - q);
                        const float scattDist = static_cast<float>(w.Module());
                        if (!(scattDist > 0.0f)) {
                            continue; // the centre lies on the hit point: no direction
                        }
                        w = w / scattDist;
                        const float cosine = static_cast<float>(std::fabs(specular * w));
                        const float theta =
                            std::acos(std::min(cosine, 1.0f)) / static_cast<float>(std::numbers::pi);
                        const float attenuation =
                            std::exp(-0.5f * theta * theta / (kScatterSigma * kScatterSigma));
                        const float totalDist = scattDist + static_cast<float>(ray.dist);
                        const unsigned int index = SampleIndex(totalDist * scene.samplesPerMetre);
                        recorder.Add(R, static_cast<int>(RAY), index, scattEnergy.data(), DegreesOf(w * -1.0), Reflection + 1, 1.0f,
                                     startDir, true, attenuation);
                    }
                }
                Reflection += 1;
                lastPlane = hit.plane;
            }

            // Stop criteria, in this order.
            if (scene.maxReflections >= 0 && Reflection > static_cast<unsigned int>(scene.maxReflections)) {
                stop = true;
            }
            if (scene.artificialTail && RAY % 10 == 0) {
                stop = false; // every tenth ray keeps going for the tail's decay fit
            }
            if (ray.dist > scene.maxDistance) {
                stop = true;
            }
            if (ray.GetEnergy() < energyFloor) {
                stop = true;
            }
            if (hit.plane < 0) {
                stop = true;
                end.lost = true;
            }
        }
        end.counted = ray.dist > 0.0 && Reflection != 0;
        end.reflections = Reflection;
        end.dist = ray.dist;
        end.p = ray.p;
        end.v = ray.v;
    }
    log.segments = segments;
}
