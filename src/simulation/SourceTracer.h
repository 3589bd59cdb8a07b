#pragma once
// The ray tracer: the rays of one source followed through a room that it only
// reads, with reception at every receiver. A run of consecutive rays is traced
// into a TTraceLog of its own, so that any number of threads can trace runs at
// once; the logs are then applied to the results in ray order, which makes
// the results independent of the thread count.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/MathFunctions.h"
#include "geometry/TPlane.h"
#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"
#include "simulation/PlaneSearch.h"
#include "simulation/TRay.h"

// What a surface does to a ray, per plane and band: the factors the tracer
// multiplies energies by, in rows of BandStride values per plane whose values
// past NumBands are 0.
struct TSurfaceTable {
    unsigned int NumBands = 0;
    unsigned int BandStride = 0;    // NumBands rounded up to whole vectors of kBandLanes
    std::vector<float> reflected;   // [plane * BandStride + b]: 1 - absorption; 1 without material
    std::vector<float> scattering;  // scattering coefficient / NumBands; 0 without material
    std::vector<float> unscattered; // 1 - scattering
    bool nonNegative = true;        // no factor is negative or NaN

    TSurfaceTable() = default;
    // Every plane reflects everything and scatters nothing.
    TSurfaceTable(unsigned int planes, unsigned int bands);
    void Set(unsigned int plane, unsigned int band, float absorption, float scatteringShare);
};

// Everything the tracer reads of the room, for one source. The planes, the
// search and the surface table must outlive the tracing.
struct TTraceScene {
    const std::vector<TPlane>* planes = nullptr;
    const TPlaneSearch* search = nullptr;
    const TSurfaceTable* surfaces = nullptr;
    std::vector<TPoint3D> receiverPositions;
    std::vector<double> receiverRadii;         // m
    std::vector<unsigned int> clusterOrder;    // per receiver: the last early reflection order
    unsigned int NumBands = 0;
    unsigned int NumPlaneLayers = 0;
    float samplesPerMetre = 0.0f;              // FSample / VSound
    double maxDistance = 0.0;                  // m: the response's length
    unsigned int MaxLength = 0;                // samples
    int maxReflections = -1;                   // -1: no limit
    bool artificialTail = false;               // every tenth ray ignores maxReflections
    float stopDecay = -60.0f;                  // dB below the emitted energy
    bool diffuse = false;                      // scattered energy is sent to the receivers
    bool hitFiles = false;
    bool saveLateRays = false;                 // late arrivals go to the ray file, not the response
    bool saveDiffuseRays = false;              // late scattered arrivals also go to the hit file

    // The source: rays are numbered from 0 in the order of directions, which
    // start with one ray towards each receiver (receiverRayDirections, as
    // cart2sph gives them); a later ray along one of these is not traced.
    TPoint3D sourcePosition;
    std::vector<TVector> directions;
    std::vector<TDirection> receiverRayDirections;
    std::vector<float> emitted;                // energy per band of every ray
};

// One arrival at a receiver and what the results do with it, in this order:
// the direct sound is merged; an early arrival is written to the early file;
// a late one to the ray file or into the response; then its hit line.
struct TArrivalRecord {
    enum Action : std::uint8_t {
        kDirect = 1,
        kEarlyFile = 2,
        kLateFile = 4,
        kLateResponse = 8,
        kEarlyHit = 16,
        kLateHit = 32,
    };
    unsigned int receiver = 0;
    int id = -1;                // the ray
    std::uint8_t actions = 0;
    unsigned int index = 0;     // arrival sample
    int reflections = 0;
    float fatordist = 0.0f;
    TDirection dir;             // degrees
    TDirection startDir;        // degrees
    std::size_t energies = 0;   // first of NumBands values in TTraceLog::energies
    std::size_t hits = 0;       // first of NumPlaneLayers counts in TTraceLog::hits
    std::size_t line = 0;       // with a ray-file action: its line in TTraceLog::text,
    std::size_t lineLength = 0; // formatted where the ray was traced
};

// How a traced ray ended.
struct TRayEnd {
    bool counted = false;       // it travelled and was reflected: counts for the mean free path
    bool lost = false;          // it left the room
    unsigned int reflections = 0;
    double dist = 0.0;          // m
    TPoint3D p;                 // last point
    TVector v;                  // last direction
};

// The arrivals and ray ends of a run of consecutive rays, in the order the
// one-thread tracer produces them.
struct TTraceLog {
    unsigned int firstRay = 0;
    std::vector<TArrivalRecord> arrivals;
    std::vector<float> energies;
    std::vector<unsigned int> hits;
    std::vector<TRayEnd> ends;        // one per ray of the run
    std::string text;                 // the arrivals' ray-file lines
    std::uint64_t segments = 0;       // straight paths traced (plane searches)

    void Clear();
    // The arrival as the results take it.
    void Fill(const TArrivalRecord& a, TRay& ray) const;
};

// Moves the ray to p on plane P and reflects it specularly; the plane's
// absorption is taken off its energy and, with diffuse processing, the
// scattered share goes to scattEnergy (NumBands values) instead.
void ReflectAtSurface(const TPlane& plane, const TSurfaceTable& surfaces, int P, bool diffuse,
                      Raio_st& ray, TPoint3D p, float* scattEnergy);

// 1 when nothing lies between P1 and P2, else 0.
int IsVisible(const TPlaneSearch& search, TPoint3D P1, TPoint3D P2);

// Traces rays [first, last) of the scene into log (cleared first). Between
// rays it asks keepGoing(), when given, and stops on false.
void TraceRays(const TTraceScene& scene, unsigned int first, unsigned int last, TTraceLog& log,
               const std::atomic<bool>* keepGoing = nullptr);
