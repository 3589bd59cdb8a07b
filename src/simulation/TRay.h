#pragma once
// The records that carry a ray through the system.
//
// Raio_st is the live state of one ray while it is traced. TRay is one arrival
// of energy at a receiver: what the tracer hands to the results and what the
// ray and hit files hold, one text line per record. TSubRay is the compact,
// sortable summary of a TRay that the clustering of early reflections uses.

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry/MathFunctions.h"
#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

inline constexpr unsigned int kMaxNumBands = 30;
// The tracer works on a ray's energies eight bands at a time, so they are
// held in whole vectors of eight, and the bands past NumBands stay 0.
inline constexpr unsigned int kBandLanes = 8;
inline constexpr unsigned int kPaddedBands = 32;
static_assert(kPaddedBands % kBandLanes == 0 && kPaddedBands >= kMaxNumBands);

class Raio_st {
public:
    int ID = -1;                 // number of the ray within its source's emission
    TPoint3D p;                  // emission point or last reflection point, m
    TVector v;                   // unit direction of travel
    double dist = 0.0;           // path length from the source to p, m
    unsigned int reflections = 0;
    alignas(32) std::array<float, kPaddedBands> e{}; // linear energy per band
    std::array<float, kMaxNumBands + 1> alfa_acc{};
    unsigned int NumBands = 0;

    Raio_st() = default;
    // Fatal (exit code 1) for more than kMaxNumBands bands.
    explicit Raio_st(unsigned int n);

    void Set(TPoint3D position, TVector direction, unsigned int reflectionCount, float distance,
             const float* energy);
    // Inline: the tracer asks after every reflection.
    double GetEnergy() const
    {
        double sum = 0.0;
        for (unsigned int b = 0; b < NumBands; ++b) {
            sum += e[b];
        }
        return sum;
    }
    void SetId(int id) { ID = id; }
    int GetId() const { return ID; }
};

class TRay {
public:
    unsigned int num_bands = 0;
    int ID = -1;                 // emitted ray this arrival stems from
    TDirection dir;              // arrival direction (reversed travel), degrees
    TDirection startDir;         // emission direction, degrees
    unsigned int index = 0;      // arrival sample: path length * fs / c, rounded
    float fatordist = 0.0f;      // 1 - d/r of the crossing; 1 for scattered energy
    int reflections = 0;         // 0 = direct sound
    std::vector<float> spectrum; // energy per band, num_bands values

    TRay();
    explicit TRay(unsigned int n);

    void SetSpectrum(unsigned int band, float value);
    void SetSpectrum(const float* values);
    void Set(unsigned int arrivalIndex, const float* energies, TDirection arrival,
             unsigned int reflectionCount, float proximity, TDirection start);
    float GetEnergy() const;
    void MultiplyBy(float f);
    void SetIndex(unsigned int i) { index = i; }
    void SetId(int id) { ID = id; }
    int GetId() const { return ID; }
    // Brings dir.azim into [0, 360).
    void FixAzimuth();

    // One text line: "index fatordist azim elev reflections startAzim startElev
    // e0 .. eN-1 id". The band count is not stored: a reader must be sized to it.
    void Save(FILE* f);
    // The line Save writes, appended to out (Save's FixAzimuth included).
    void Format(std::string& out);
    // Reads one line written by Save; false when the line is missing or
    // malformed (the record then keeps what it had).
    bool Read(FILE* f);
    // Record n (from 0) of the file, leaving the caller's position unchanged.
    bool GetFromFile(FILE* f, unsigned int n);
};

class TSubRay {
public:
    bool valid = false;
    int ID = -1;
    unsigned int index = 0;
    TDirection dir;
    float fatordist = 0.0f;
    unsigned int Reflections = 0;
    unsigned int FileListIndex = 0; // position of the full record in its ray file

    bool IsValid() const { return valid; }
};

struct dist_st {
    float dist = 0.0f;
    int i = 0;
    int j = 0;
};

// By index, then azimuth, then elevation.
bool SubRayCmp_Index(const TSubRay& a, const TSubRay& b);
bool Dist_cmp(const dist_st& a, const dist_st& b);

