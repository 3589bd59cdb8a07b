#include "simulation/SourceTracer.h"

#include "simulation/WideSearch.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
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
    Recorder(const TTraceScene& scene, TTraceLog& log) : m_scene(scene), m_log(log) {}

    // A crossing of the receiving sphere, or energy scattered towards it
    // (reflection is then the order it arrives with).
    void Add(unsigned int R, int id, unsigned int index, const float* e, TDirection arrival, unsigned int reflection,
             float proximity, TDirection start, bool scattered, float attenuation, const std::vector<unsigned int>& hits)
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
            m_log.hits.insert(m_log.hits.end(), hits.begin(), hits.end());
        }
        m_log.arrivals.push_back(a);
    }

private:
    const TTraceScene& m_scene;
    TTraceLog& m_log;
};

// Eight bands of energy, as one vector where the processor has one.
typedef float Bands __attribute__((vector_size(kBandLanes * sizeof(float))));

// By reference: a vector wider than the processor's is passed in memory.
void Load(Bands& to, const float* from)
{
    std::memcpy(&to, from, sizeof to);
}

void Store(float* to, const Bands& from)
{
    std::memcpy(to, &from, sizeof from);
}

// Moves the ray to p on the plane of normal n and number P and reflects it
// specularly; the plane's absorption is taken off its energy and, with
// diffuse processing, the scattered share goes to scattEnergy (BandStride
// values) instead; without, scattEnergy is left as it is. Each band gets
// the products it would get alone: a vector only does eight bands at once.
[[gnu::always_inline]] inline void Reflect(TVector n, const TSurfaceTable& surfaces, int P, bool diffuse,
                                           Raio_st& ray, TPoint3D p, float* scattEnergy)
{
    ray.dist += Module(p - ray.p);
    ray.p = p;
    ray.v = ray.v - n * (2.0 * (ray.v * n));
    ray.reflections += 1;

    const std::size_t row = static_cast<std::size_t>(P) * surfaces.BandStride;
    const float* reflected = surfaces.reflected.data() + row;
    const float* scattering = surfaces.scattering.data() + row;
    const float* unscattered = surfaces.unscattered.data() + row;
    for (unsigned int b = 0; b < surfaces.BandStride; b += kBandLanes) {
        Bands e, factor;
        Load(e, ray.e.data() + b);
        Load(factor, reflected + b);
        const Bands kept = e * factor;
        if (diffuse) {
            Load(factor, scattering + b);
            Store(scattEnergy + b, factor * kept);
            Load(factor, unscattered + b);
            Store(ray.e.data() + b, factor * kept);
        } else {
            Store(ray.e.data() + b, kept);
        }
    }
}

// GetEnergy() < floor, mostly without GetEnergy's sum in order band by band.
// With no energy negative, a float sum of the bands a vector at a time lies
// within 1e-6 of the exact sum (some ten roundings of 6e-8 each) as long as
// it stays between 1e-30 and the largest float; a sum that far above the
// floor decides alone.
[[gnu::always_inline]] inline bool BelowFloor(const Raio_st& ray, unsigned int stride, double floor,
                                              bool nonNegative)
{
    if (nonNegative) {
        Bands sum, e;
        Load(sum, ray.e.data());
        for (unsigned int b = kBandLanes; b < stride; b += kBandLanes) {
            Load(e, ray.e.data() + b);
            sum += e;
        }
        float total = 0.0f;
        for (unsigned int l = 0; l < kBandLanes; ++l) {
            total += sum[l];
        }
        if (total >= 1e-30f && total <= FLT_MAX && static_cast<double>(total) >= floor * (1.0 + 1e-5)) {
            return false;
        }
    }
    return ray.GetEnergy() < floor;
}

} // namespace

void TTraceLog::Clear()
{
    arrivals.clear();
    energies.clear();
    hits.clear();
    ends.clear();
    text.clear();
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

TSurfaceTable::TSurfaceTable(unsigned int planes, unsigned int bands)
    : NumBands(bands), BandStride((bands + kBandLanes - 1) / kBandLanes * kBandLanes)
{
    const std::size_t size = static_cast<std::size_t>(planes) * BandStride;
    reflected.assign(size, 0.0f);
    scattering.assign(size, 0.0f);
    unscattered.assign(size, 0.0f);
    for (unsigned int P = 0; P < planes; ++P) {
        for (unsigned int b = 0; b < bands; ++b) {
            Set(P, b, 0.0f, 0.0f);
        }
    }
}

void TSurfaceTable::Set(unsigned int plane, unsigned int band, float absorption, float scatteringShare)
{
    const std::size_t k = static_cast<std::size_t>(plane) * BandStride + band;
    // The factors as the reflection used to compute them on every hit.
    reflected[k] = 1.0f - absorption;
    scattering[k] = scatteringShare;
    unscattered[k] = 1.0f - scatteringShare;
    nonNegative = nonNegative && reflected[k] >= 0.0f && scattering[k] >= 0.0f && unscattered[k] >= 0.0f;
}

void ReflectAtSurface(const TPlane& hitPlane, const TSurfaceTable& surfaces, int P, bool diffuse,
                      Raio_st& ray, TPoint3D p, float* scattEnergy)
{
    alignas(32) std::array<float, kPaddedBands> scattered{};
    Reflect(hitPlane.normal, surfaces, P, diffuse, ray, p, scattered.data());
    std::copy_n(scattered.begin(), surfaces.NumBands, scattEnergy);
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

namespace {

// One ray while it is traced.
struct Lane {
    Raio_st ray;
    unsigned int id = 0;
    int lastPlane = -1;
    unsigned int Reflection = 0;
    double energyFloor = 0.0;
    TDirection startDir;
    std::vector<unsigned int> hits; // per plane layer, with hit files
};

constexpr int kLanes = TPlaneSearch::kBatchLanes;

#ifdef VELTO_WIDE_LANES
// Eight rays traced together, one per lane, their state lane by lane.
struct alignas(64) Packet {
    TPlaneSearch::TRayBatch rays; // where they are, where they go, the plane they left
    alignas(64) double dist[kLanes] = {};
    alignas(64) double reflections[kLanes] = {};
    alignas(64) double floor[kLanes] = {}; // the energy at which the ray stops
    alignas(64) float e[kPaddedBands][kLanes] = {};
    unsigned int tail = 0; // bit l: the ray of lane l ignores the reflection limit
};

// A factor per band and plane, as rows of sixteen planes.
struct alignas(64) BandRows {
    float value[kPaddedBands][16] = {};
};

// The rays of a packet in registers, but for their energies.
struct WideState {
    WideRays rays;
    __m512d dist, reflections, floor;
};

VELTO_WIDE void Store(const WideState& from, Packet& to)
{
    WideSearch::StoreRays(from.rays, to.rays);
    _mm512_store_pd(to.dist, from.dist);
    _mm512_store_pd(to.reflections, from.reflections);
    _mm512_store_pd(to.floor, from.floor);
}

VELTO_WIDE void Load(const Packet& from, WideState& to)
{
    to.rays = WideSearch::LoadRays(from.rays);
    to.dist = _mm512_load_pd(from.dist);
    to.reflections = _mm512_load_pd(from.reflections);
    to.floor = _mm512_load_pd(from.floor);
}
#endif

// The rays of one run, each traced segment by segment into the run's log.
class RunTracer {
public:
    RunTracer(const TTraceScene& scene, TTraceLog& log)
        : m_scene(scene), m_log(log), m_recorder(scene, log), m_surfaces(*scene.surfaces),
          m_quickFloor(m_surfaces.nonNegative &&
                       std::all_of(scene.emitted.begin(), scene.emitted.end(), [](float e) { return e >= 0.0f; }))
    {
    }

    // Sets the lane to the start of the ray; false when the ray is left out
    // (it runs along one of the rays towards the receivers).
    bool Start(Lane& lane, unsigned int RAY) const
    {
        if (RAY >= m_scene.receiverRayDirections.size()) {
            const TDirection d = cart2sph(m_scene.directions[RAY]);
            bool covered = false;
            for (const TDirection& other : m_scene.receiverRayDirections) {
                covered = covered || other == d;
            }
            if (covered) {
                return false;
            }
        }
        lane.hits.assign(m_scene.hitFiles ? m_scene.NumPlaneLayers : 0, 0u);
        const TVector direction = m_scene.directions[RAY];
        lane.ray = Raio_st(m_scene.NumBands);
        lane.ray.Set(m_scene.sourcePosition, direction, 0, 0.0f, m_scene.emitted.data());
        lane.ray.SetId(static_cast<int>(RAY));
        lane.id = RAY;
        lane.startDir = DegreesOf(direction);
        lane.energyFloor = lane.ray.GetEnergy() * std::pow(10.0, m_scene.stopDecay / 10.0);
        lane.lastPlane = -1;
        lane.Reflection = 0;
        return true;
    }

    // Reception at receiver R on the segment from p along v, the ray having
    // travelled dist with energies e and Reflection reflections, up to the
    // surface hit (plane -1: none).
    void Receive(unsigned int R, TPoint3D p, TVector v, double dist, const float* e, unsigned int Reflection,
                 const Lane& lane, int hitPlane, double hitDistance)
    {
        const TPoint3D centre = m_scene.receiverPositions[R];
        const float proximity = static_cast<float>(RayProximity(p, v, centre, m_scene.receiverRadii[R]));
        if (!(proximity > 0.0f && proximity <= 1.0f)) {
            return;
        }
        // A centre beyond the surface is not reached, whatever pokes through.
        const double distToCentre = Module(centre - p);
        if (hitPlane >= 0 && distToCentre > hitDistance) {
            return;
        }
        const unsigned int index = SampleIndex(static_cast<double>(m_scene.samplesPerMetre) * (distToCentre + dist));
        if (index >= m_scene.MaxLength) {
            return;
        }
        m_recorder.Add(R, static_cast<int>(lane.id), index, e, DegreesOf(v * -1.0), Reflection, proximity,
                       lane.startDir, false, 1.0f, lane.hits);
    }

    // The segment of the lane's ray up to the surface it hits (or none):
    // reception on the way, the reflection and the stop rules. True when the
    // ray ends; its end is then in the log.
    bool Step(Lane& lane, const TPlaneHit& hit)
    {
        Raio_st& ray = lane.ray;
        const unsigned int RAY = lane.id;
        ++m_segments;
        for (unsigned int R = 0; R < m_scene.receiverPositions.size(); ++R) {
            Receive(R, ray.p, ray.v, ray.dist, ray.e.data(), lane.Reflection, lane, hit.plane, hit.distance);
        }

        if (hit.plane >= 0) {
            const TPoint3D q = hit.point;
            const TPlane& plane = (*m_scene.planes)[hit.plane];
            if (m_scene.hitFiles && plane.LayerID >= 0 && static_cast<unsigned int>(plane.LayerID) < lane.hits.size()) {
                lane.hits[plane.LayerID] += 1;
            }
            Reflect(plane.normal, m_surfaces, hit.plane, m_scene.diffuse, ray, q, m_scattEnergy.data());
            if (m_scene.diffuse) {
                Scatter(lane, q);
            }
            lane.Reflection += 1;
            lane.lastPlane = hit.plane;
        }

        // Stop criteria, in this order.
        bool stop = false;
        if (m_scene.maxReflections >= 0 && lane.Reflection > static_cast<unsigned int>(m_scene.maxReflections)) {
            stop = true;
        }
        if (m_scene.artificialTail && RAY % 10 == 0) {
            stop = false; // every tenth ray keeps going for the tail's decay fit
        }
        if (ray.dist > m_scene.maxDistance) {
            stop = true;
        }
        if (BelowFloor(ray, m_surfaces.BandStride, lane.energyFloor, m_quickFloor)) {
            stop = true;
        }
        if (hit.plane < 0) {
            stop = true;
        }
        if (stop) {
            End(RAY, hit.plane < 0, lane.Reflection, ray.dist, ray.p, ray.v);
        }
        return stop;
    }

    // The end of ray RAY in the log.
    void End(unsigned int RAY, bool lost, unsigned int Reflection, double dist, TPoint3D p, TVector v)
    {
        TRayEnd& end = m_log.ends[RAY - m_log.firstRay];
        end.lost = lost;
        end.counted = dist > 0.0 && Reflection != 0;
        end.reflections = Reflection;
        end.dist = dist;
        end.p = p;
        end.v = v;
    }

    // Rays [first, last), lanes of them at a time (1 or kLanes), each
    // segment by segment with Step; with several lanes the search takes the
    // lanes' rays together. The rays are dealt to the lanes in order as
    // lanes free up.
    void TraceLanes(unsigned int first, unsigned int last, const std::atomic<bool>* keepGoing, int lanes);

#ifdef VELTO_WIDE_LANES
    // Rays [first, last) as Step traces them, specular only, eight at a time
    // in the lanes of the widest vectors: the rays are dealt to the lanes in
    // order as lanes free up.
    [[VELTO_WIDE_TARGET]] void TraceWide(unsigned int first, unsigned int last, const std::atomic<bool>* keepGoing);
#endif

    std::uint64_t Segments() const { return m_segments; }

private:
    // The share of the reflection at q just scattered, sent to every
    // receiver in sight within a lobe around the specular direction.
    void Scatter(const Lane& lane, TPoint3D q)
    {
        const Raio_st& ray = lane.ray;
        const TVector specular = ray.v / ray.v.Module();
        for (unsigned int R = 0; R < m_scene.receiverPositions.size(); ++R) {
            const TPoint3D m = m_scene.receiverPositions[R];
            if (IsVisible(*m_scene.search, q, m) == 0) {
                continue;
            }
            TVector w = PointToVector(m - q);
            const float scattDist = static_cast<float>(w.Module());
            if (!(scattDist > 0.0f)) {
                continue; // the centre lies on the hit point: no direction
            }
            w = w / scattDist;
            const float cosine = static_cast<float>(std::fabs(specular * w));
            const float theta = std::acos(std::min(cosine, 1.0f)) / static_cast<float>(std::numbers::pi);
            const float attenuation = std::exp(-0.5f * theta * theta / (kScatterSigma * kScatterSigma));
            const float totalDist = scattDist + static_cast<float>(ray.dist);
            const unsigned int index = SampleIndex(totalDist * m_scene.samplesPerMetre);
            m_recorder.Add(R, static_cast<int>(lane.id), index, m_scattEnergy.data(), DegreesOf(w * -1.0),
                           lane.Reflection + 1, 1.0f, lane.startDir, true, attenuation, lane.hits);
        }
    }

    const TTraceScene& m_scene;
    TTraceLog& m_log;
    Recorder m_recorder;
    const TSurfaceTable& m_surfaces;
    const bool m_quickFloor;
    alignas(32) std::array<float, kPaddedBands> m_scattEnergy{};
    // Counted here, not in the log, which may share a cache line with the
    // log another thread is filling.
    std::uint64_t m_segments = 0;
};

void RunTracer::TraceLanes(unsigned int first, unsigned int last, const std::atomic<bool>* keepGoing, int lanes)
{
    const TPlaneSearch& search = *m_scene.search;
    std::array<Lane, kLanes> lane;
    std::array<TPlaneHit, TPlaneSearch::kBatchLanes> hits;
    TPlaneSearch::TRayBatch batch;
    TPlaneSearch::TBatchHits found;
    unsigned int active = 0; // bit l: lane l holds a ray
    unsigned int next = first;
    bool stopping = false;
    for (;;) {
        for (int l = 0; l < lanes; ++l) {
            while ((active >> l & 1u) == 0 && next < last && !stopping) {
                if (keepGoing != nullptr && !keepGoing->load(std::memory_order_relaxed)) {
                    stopping = true; // the rays under way end as usual
                } else if (Start(lane[l], next++)) {
                    active |= 1u << l;
                }
            }
        }
        if (active == 0) {
            break;
        }
        if (lanes == 1) {
            hits[0] = search.Next(lane[0].ray.p, lane[0].ray.v, lane[0].lastPlane);
        } else {
            for (unsigned int rest = active; rest != 0; rest &= rest - 1) {
                const int l = __builtin_ctz(rest);
                const Raio_st& ray = lane[l].ray;
                batch.px[l] = ray.p.x;
                batch.py[l] = ray.p.y;
                batch.pz[l] = ray.p.z;
                batch.vx[l] = ray.v.x;
                batch.vy[l] = ray.v.y;
                batch.vz[l] = ray.v.z;
                batch.lastPlane[l] = lane[l].lastPlane;
            }
            batch.active = active;
            search.NextBatch(batch, found);
            for (unsigned int rest = active; rest != 0; rest &= rest - 1) {
                const int l = __builtin_ctz(rest);
                hits[l].plane = found.plane[l];
                hits[l].point = TPoint3D::Make(found.qx[l], found.qy[l], found.qz[l]);
                hits[l].distance = found.distance[l];
            }
        }
        for (unsigned int rest = active; rest != 0; rest &= rest - 1) {
            const int l = __builtin_ctz(rest);
            if (Step(lane[l], hits[l])) {
                active &= ~(1u << l);
            }
        }
    }
    m_log.ends.resize(next - first);
}

#ifdef VELTO_WIDE_LANES
void RunTracer::TraceWide(unsigned int first, unsigned int last, const std::atomic<bool>* keepGoing)
{
    using namespace wide;
    const TPlaneSearch& search = *m_scene.search;
    const unsigned int bands = m_scene.NumBands;
    BandRows reflected;
    for (unsigned int P = 0; P < 16 && P < m_scene.planes->size(); ++P) {
        for (unsigned int b = 0; b < bands; ++b) {
            reflected.value[b][P] = m_surfaces.reflected[static_cast<std::size_t>(P) * m_surfaces.BandStride + b];
        }
    }
    // The rays live in registers; the packet holds them where scalar code
    // needs them (new rays, arrivals, ends, the search of one ray) and
    // always holds the energies.
    Packet pk;
    const WideSearch::Tables tables = WideSearch::TablesOf(search);
    std::array<Lane, kLanes> lanes;
    TPlaneSearch::TBatchHits spare;
    WideState state{};
    WideRays& rays = state.rays;
    __m512d& dist = state.dist;
    __m512d& reflections = state.reflections;
    WideHits hits{};
    const __m512d zero = _mm512_setzero_pd();
    unsigned int next = first;
    bool stopping = false;
    bool refill = true; // some lane is free and rays are left
    for (;;) {
        if (refill) {
            Store(state, pk);
            for (int l = 0; l < kLanes; ++l) {
                while ((pk.rays.active >> l & 1u) == 0 && next < last && !stopping) {
                    if (keepGoing != nullptr && !keepGoing->load(std::memory_order_relaxed)) {
                        stopping = true; // the rays under way end as usual
                    } else if (Start(lanes[l], next++)) {
                        const Raio_st& ray = lanes[l].ray;
                        pk.rays.px[l] = ray.p.x;
                        pk.rays.py[l] = ray.p.y;
                        pk.rays.pz[l] = ray.p.z;
                        pk.rays.vx[l] = ray.v.x;
                        pk.rays.vy[l] = ray.v.y;
                        pk.rays.vz[l] = ray.v.z;
                        pk.rays.lastPlane[l] = -1;
                        pk.dist[l] = ray.dist;
                        pk.reflections[l] = 0.0;
                        pk.floor[l] = lanes[l].energyFloor;
                        for (unsigned int b = 0; b < bands; ++b) {
                            pk.e[b][l] = ray.e[b];
                        }
                        const bool tail = m_scene.artificialTail && lanes[l].id % 10 == 0;
                        pk.tail = (pk.tail & ~(1u << l)) | (tail ? 1u << l : 0u);
                        pk.rays.active |= 1u << l;
                    }
                }
            }
            Load(pk, state);
            refill = false;
        }
        const __mmask8 active = rays.active;
        if (active == 0) {
            break;
        }
        m_segments += static_cast<unsigned int>(__builtin_popcount(active));

        const __mmask8 found = WideSearch::Find(tables, rays, hits);
        if ((active & ~found) != 0) {
            Store(state, pk);
            for (unsigned int rest = active & ~found; rest != 0; rest &= rest - 1) {
                search.NextLane(pk.rays, __builtin_ctz(rest), spare);
            }
            const __mmask8 left = active & ~found;
            const __m512i plane =
                _mm512_cvtepi32_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(spare.plane)));
            hits.plane = _mm512_mask_blend_epi64(left, hits.plane, plane);
            hits.qx = _mm512_mask_blend_pd(left, hits.qx, _mm512_loadu_pd(spare.qx));
            hits.qy = _mm512_mask_blend_pd(left, hits.qy, _mm512_loadu_pd(spare.qy));
            hits.qz = _mm512_mask_blend_pd(left, hits.qz, _mm512_loadu_pd(spare.qz));
            hits.distance = _mm512_mask_blend_pd(left, hits.distance, _mm512_loadu_pd(spare.distance));
        }
        const __mmask8 hit = active & _mm512_cmpgt_epi64_mask(hits.plane, _mm512_set1_epi64(-1));
        const __m512d px = rays.px, py = rays.py, pz = rays.pz;
        const __m512d vx = rays.vx, vy = rays.vy, vz = rays.vz;

        // Reception: RayProximity's tests that rule a receiver out, lane by
        // lane; the rare lanes they leave take the path of one ray.
        const __m512d vv = dot(vx, vy, vz, vx, vy, vz);
        for (unsigned int R = 0; R < m_scene.receiverPositions.size(); ++R) {
            const TPoint3D c = m_scene.receiverPositions[R];
            const __m512d wx = sub(_mm512_set1_pd(c.x), px), wy = sub(_mm512_set1_pd(c.y), py),
                          wz = sub(_mm512_set1_pd(c.z), pz);
            const __m512d wv = dot(wx, wy, wz, vx, vy, vz);
            const __m512d ww = dot(wx, wy, wz, wx, wy, wz);
            const __m512d size =
                add(add(add(add(add(_mm512_abs_pd(wx), _mm512_abs_pd(wy)), _mm512_abs_pd(wz)), _mm512_abs_pd(px)),
                        _mm512_abs_pd(py)),
                    _mm512_abs_pd(pz));
            const __m512d reach = add(_mm512_set1_pd(m_scene.receiverRadii[R]),
                                      mul(_mm512_set1_pd(1e-12), add(_mm512_set1_pd(1.0), size)));
            const __mmask8 behind = _mm512_cmp_pd_mask(wv, zero, _CMP_NGT_UQ);
            const __m512d gap = sub(sub(mul(ww, vv), mul(wv, wv)), mul(mul(_mm512_set1_pd(1e-12), ww), vv));
            const __m512d limit = mul(mul(mul(reach, reach), vv), _mm512_set1_pd(1.0 + 1e-12));
            const __mmask8 far = _mm512_cmp_pd_mask(size, _mm512_set1_pd(1e6), _CMP_LE_OQ) &
                                 _mm512_cmp_pd_mask(vv, _mm512_set1_pd(0.5), _CMP_GE_OQ) &
                                 _mm512_cmp_pd_mask(vv, _mm512_set1_pd(2.0), _CMP_LE_OQ) &
                                 _mm512_cmp_pd_mask(gap, limit, _CMP_GT_OQ);
            const __mmask8 near = active & ~behind & ~far;
            if (near == 0) {
                continue;
            }
            Store(state, pk);
            alignas(64) int plane[kLanes];
            alignas(64) double distance[kLanes];
            _mm256_store_si256(reinterpret_cast<__m256i*>(plane), _mm512_cvtepi64_epi32(hits.plane));
            _mm512_store_pd(distance, hits.distance);
            for (unsigned int rest = near; rest != 0; rest &= rest - 1) {
                const int l = __builtin_ctz(rest);
                alignas(32) std::array<float, kPaddedBands> e;
                for (unsigned int b = 0; b < bands; ++b) {
                    e[b] = pk.e[b][l];
                }
                Receive(R, TPoint3D::Make(pk.rays.px[l], pk.rays.py[l], pk.rays.pz[l]),
                        TVector(pk.rays.vx[l], pk.rays.vy[l], pk.rays.vz[l]), pk.dist[l], e.data(),
                        static_cast<unsigned int>(pk.reflections[l]), lanes[l], plane[l], distance[l]);
            }
        }
        if (m_scene.hitFiles) {
            alignas(64) int plane[kLanes];
            _mm256_store_si256(reinterpret_cast<__m256i*>(plane), _mm512_cvtepi64_epi32(hits.plane));
            for (unsigned int rest = hit; rest != 0; rest &= rest - 1) {
                const int l = __builtin_ctz(rest);
                const int layer = (*m_scene.planes)[plane[l]].LayerID;
                if (layer >= 0 && static_cast<unsigned int>(layer) < lanes[l].hits.size()) {
                    lanes[l].hits[layer] += 1;
                }
            }
        }

        // The reflection, as Reflect does it.
        const __m512d dx = sub(hits.qx, px), dy = sub(hits.qy, py), dz = sub(hits.qz, pz);
        dist = _mm512_mask_add_pd(dist, hit, dist, _mm512_sqrt_pd(dot(dx, dy, dz, dx, dy, dz)));
        const __m512d nx = Pick(tables.rows[0], hits.plane), ny = Pick(tables.rows[1], hits.plane),
                      nz = Pick(tables.rows[2], hits.plane);
        const __m512d k = mul(_mm512_set1_pd(2.0), dot(vx, vy, vz, nx, ny, nz));
        rays.vx = _mm512_mask_blend_pd(hit, vx, sub(vx, mul(nx, k)));
        rays.vy = _mm512_mask_blend_pd(hit, vy, sub(vy, mul(ny, k)));
        rays.vz = _mm512_mask_blend_pd(hit, vz, sub(vz, mul(nz, k)));
        rays.px = _mm512_mask_blend_pd(hit, px, hits.qx);
        rays.py = _mm512_mask_blend_pd(hit, py, hits.qy);
        rays.pz = _mm512_mask_blend_pd(hit, pz, hits.qz);
        rays.last = _mm512_mask_blend_epi64(hit, rays.last, hits.plane);
        reflections = _mm512_mask_add_pd(reflections, hit, reflections, _mm512_set1_pd(1.0));
        // Energies band by band, and their sum in double in band order, as
        // GetEnergy adds them.
        const __m512i index32 = _mm512_zextsi256_si512(_mm512_cvtepi64_epi32(hits.plane));
        __m512d energy = zero;
        for (unsigned int b = 0; b < bands; ++b) {
            const __m256 factor =
                _mm512_castps512_ps256(_mm512_permutexvar_ps(index32, _mm512_load_ps(reflected.value[b])));
            __m256 e = _mm256_load_ps(pk.e[b]);
            e = _mm256_mask_mul_ps(e, hit, e, factor);
            _mm256_store_ps(pk.e[b], e);
            energy = add(energy, _mm512_cvtps_pd(e));
        }

        // The stop rules of Step.
        __mmask8 stop = 0;
        if (m_scene.maxReflections >= 0) {
            stop = _mm512_cmp_pd_mask(reflections, _mm512_set1_pd(m_scene.maxReflections), _CMP_GT_OQ);
        }
        if (m_scene.artificialTail) {
            stop &= static_cast<__mmask8>(~pk.tail);
        }
        stop |= _mm512_cmp_pd_mask(dist, _mm512_set1_pd(m_scene.maxDistance), _CMP_GT_OQ);
        stop |= _mm512_cmp_pd_mask(energy, state.floor, _CMP_LT_OQ);
        const __mmask8 lost = active & ~hit;
        stop = (stop | lost) & active;
        if (stop != 0) {
            Store(state, pk);
            for (unsigned int rest = stop; rest != 0; rest &= rest - 1) {
                const int l = __builtin_ctz(rest);
                End(lanes[l].id, (lost >> l & 1u) != 0, static_cast<unsigned int>(pk.reflections[l]), pk.dist[l],
                    TPoint3D::Make(pk.rays.px[l], pk.rays.py[l], pk.rays.pz[l]),
                    TVector(pk.rays.vx[l], pk.rays.vy[l], pk.rays.vz[l]));
            }
            rays.active = active & ~stop;
            refill = next < last && !stopping;
        }
    }
    m_log.ends.resize(next - first);
}
#endif

// The ray-file lines of the log's arrivals, formatted here, on the tracing
// thread, rather than where the logs are applied one after another.
void FormatLines(const TTraceScene& scene, TTraceLog& log)
{
    TRay ray(scene.NumBands);
    for (TArrivalRecord& a : log.arrivals) {
        if ((a.actions & (TArrivalRecord::kEarlyFile | TArrivalRecord::kLateFile)) == 0) {
            continue;
        }
        log.Fill(a, ray);
        a.line = log.text.size();
        ray.Format(log.text);
        a.lineLength = log.text.size() - a.line;
    }
}

} // namespace

void TraceRays(const TTraceScene& scene, unsigned int first, unsigned int last, TTraceLog& log,
               const std::atomic<bool>* keepGoing)
{
    log.Clear();
    log.firstRay = first;
    log.ends.resize(last - first);
    RunTracer tracer(scene, log);
    const TPlaneSearch& search = *scene.search;
    // Specular rays of a small room go through the search several at once,
    // each in a lane of its own; scattering sends every reflection through
    // searches of its own, so there the rays are traced one by one.
    const bool batched = search.Batches() && !scene.diffuse;
    bool traced = false;
#ifdef VELTO_WIDE_LANES
    if (batched && search.WideBatches()) {
        tracer.TraceWide(first, last, keepGoing);
        traced = true;
    }
#endif
    if (!traced) {
        tracer.TraceLanes(first, last, keepGoing, batched ? kLanes : 1);
    }
    if (batched) {
        // The lanes interleave their rays' arrivals; each ray's own stay in order.
        std::stable_sort(log.arrivals.begin(), log.arrivals.end(),
                         [](const TArrivalRecord& a, const TArrivalRecord& b) { return a.id < b.id; });
    }
    FormatLines(scene, log);
    log.segments = tracer.Segments();
}
