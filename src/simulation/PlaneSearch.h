#pragma once
// The next-plane search of the ray tracer: which plane a ray from p along v
// meets first. Every plane except the one hit last is tried in order; a plane
// counts when the ray is not parallel to it, its crossing lies strictly ahead,
// is strictly nearer than the best so far and lies inside the polygon. Ties go
// to the lower plane number.

#include <vector>

#include "geometry/TPlane.h"
#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

struct TPlaneHit {
    int plane = -1;         // -1: nothing ahead, the ray leaves the room
    TPoint3D point;         // the crossing
    double distance = -1.0; // m from the start, -1 without a hit
};

// Holds what the search reads of every plane in one compact array; built once
// per run over the room's planes, which must outlive it and keep their
// geometry meanwhile (Inner counts hits on them).
class TPlaneSearch {
public:
    explicit TPlaneSearch(std::vector<TPlane>& planes);

    // lastPlane: the plane to skip, or any number outside the list for none.
    TPlaneHit Next(TPoint3D p, TVector v, int lastPlane) const;

private:
    struct Entry {
        TVector normal;
        TPoint3D origin; // vertex 0
        bool usable;     // has a ring and a tessellation
    };
    std::vector<Entry> m_entries;
    std::vector<TPlane>* m_planes; // the room's planes, not owned
};

// One search without a prepared array, for callers outside the tracing loop.
TPlaneHit FindNextPlane(std::vector<TPlane>& planes, TPoint3D p, TVector v, int lastPlane);
