#pragma once
// The next-plane search of the ray tracer: which plane a ray from p along v
// meets first. A plane counts when it is not the plane hit last, the ray is
// not parallel to it, its crossing lies strictly ahead and inside the
// polygon; the nearest such plane wins, and of planes at exactly the same
// distance the one with the lower number.

#include <array>
#include <vector>

#include "geometry/TPlane.h"
#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

struct TPlaneHit {
    int plane = -1;         // -1: nothing ahead, the ray leaves the room
    TPoint3D point;         // the crossing
    double distance = -1.0; // m from the start, -1 without a hit
};

// Holds what the search reads of every plane, built once per run over the
// room's planes, which must outlive it and keep their geometry meanwhile.
// The search only reads them, so threads may share one. Small rooms are searched plane by plane; larger
// ones through a bounding-volume tree that only skips planes which cannot be
// the answer, so both give the decisions of the plane-by-plane search.
class TPlaneSearch {
public:
    explicit TPlaneSearch(const std::vector<TPlane>& planes);

    // lastPlane: the plane to skip, or any number outside the list for none.
    TPlaneHit Next(TPoint3D p, TVector v, int lastPlane) const;

private:
    struct Entry {
        TVector normal;
        TPoint3D origin; // vertex 0
        bool usable;     // has a ring and a tessellation
    };
    struct Box {
        std::array<double, 3> min;
        std::array<double, 3> max;
    };
    struct Node {
        Box box;
        int first; // leaf: first index into m_order; inner: the left child
        int count; // leaf: number of planes; inner: 0
        int right; // inner: the right child
    };

    // Distance to the crossing of plane i, with the crossing in q, or
    // kNoHitDistance when the plane is skipped, parallel or not ahead.
    double Crossing(int i, TPoint3D p, TVector v, TVector u, double margin, int lastPlane,
                    TPoint3D& q) const;
    // Tries plane i; updates hit when it is nearer (or as near with a lower
    // number) and its crossing lies inside the polygon.
    void Try(int i, TPoint3D p, TVector v, TVector u, double margin, int lastPlane,
             TPlaneHit& hit) const;
    int Build(int first, int count, const std::vector<Box>& boxes, int depth);

    std::vector<Entry> m_entries;
    std::vector<Node> m_nodes;  // empty: search plane by plane
    std::vector<int> m_order;   // plane numbers grouped by leaf
    double m_scale = 1.0;       // largest coordinate of the planes, at least 1
    const std::vector<TPlane>* m_planes; // the room's planes, not owned
};

// One search without a prepared tree, for callers outside the tracing loop.
TPlaneHit FindNextPlane(const std::vector<TPlane>& planes, TPoint3D p, TVector v, int lastPlane);
