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
    // widestLanes: at most this many doubles per instruction even where the
    // processor has wider ones (2, 4 or 8; the same answers, for tests of
    // each path).
    explicit TPlaneSearch(const std::vector<TPlane>& planes, int widestLanes = 8);

    // lastPlane: the plane to skip, or any number outside the list for none.
    TPlaneHit Next(TPoint3D p, TVector v, int lastPlane) const;

    // Up to kBatchLanes rays searched together, one per lane of a vector:
    // each gets what Next would give it. Worth it only where Batches().
    static constexpr int kBatchLanes = 8;
    struct TRayBatch {
        double px[kBatchLanes] = {}, py[kBatchLanes] = {}, pz[kBatchLanes] = {};
        double vx[kBatchLanes] = {}, vy[kBatchLanes] = {}, vz[kBatchLanes] = {};
        int lastPlane[kBatchLanes] = {};
        unsigned active = 0; // bit l: lane l holds a ray
    };
    // What Next gives for each lane, lane by lane (set for the active lanes).
    struct TBatchHits {
        int plane[kBatchLanes] = {};
        double qx[kBatchLanes] = {}, qy[kBatchLanes] = {}, qz[kBatchLanes] = {};
        double distance[kBatchLanes] = {};
    };
    // Small rooms on processors with vectors of at least four doubles.
    bool Batches() const { return m_flat.count > 0 && m_flat.batch >= 4; }
    // Whether NextBatch takes all eight lanes in one vector.
    bool WideBatches() const { return m_flat.count > 0 && m_flat.batch == 8; }
    void NextBatch(const TRayBatch& rays, TBatchHits& hits) const;
    // Next for lane l of a batch alone.
    void NextLane(const TRayBatch& rays, int l, TBatchHits& hits) const;

private:
    // Rooms of fewer planes than this are searched plane by plane.
    static constexpr int kFlatLimit = 12;

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
    // What the polygon test of a plane reads, prepared so that the test maps
    // only the two local coordinates it uses and divides nothing.
    struct Outline {
        double origin[3];     // the plane's origem
        double toLocal[2][3]; // the first two rows of Mi, widened as Mi's use widens them
        int first;            // first triangle pair in m_pairs
        int count;            // pairs holding its triangles that can contain a point
        bool direct;          // the plane's own Contains decides (unusual triangles)
    };
    // Two non-degenerate triangles of an outline, tested together: their
    // corners in the local frame, the products of two corners that their
    // area terms share, and the sign test that stands for "area / den >= 0"
    // (see AddOutline). A lane without a triangle holds nothing.
    struct TrianglePair {
        double c0x[2], c0y[2], c1x[2], c1y[2], c2x[2], c2y[2];
        double c1xc2y[2], c1yc2x[2], c0yc2x[2], c0xc2y[2];
        double c0c1[2];    // c0x c1y - c0y c1x
        double flip[2];    // +1 or -1: the sign of den; 0 in an empty lane
        double floorAt[2]; // -|den| 2^-150: flipped areas at or above it pass
    };
    // The planes of a small room side by side, one row per quantity and
    // padded with planes that are never candidates, so that one instruction
    // serves several planes.
    struct Flat {
        static constexpr int kLanes = 16; // kFlatLimit rounded up to the widest vector
        enum { kNx, kNy, kNz, kOx, kOy, kOz, kRows };
        alignas(64) double rows[kRows][kLanes] = {};
        unsigned usable = 0; // bit i: plane i has a ring and a tessellation
        int count = 0;       // planes, padding excluded
        int width = 2;       // planes per instruction this processor allows
        int batch = 0;       // rays per instruction in NextBatch: 0 (none), 4 or 8
        // The outline of each plane whose polygon test is one triangle pair,
        // one row per quantity (Outline, then TrianglePair lane 0 and 1), for
        // the polygon test of eight rays at once.
        enum { kOrigin = 0, kToLocal = 3, kPair = 9, kPairValues = 13, kOutlineRows = kPair + 2 * kPairValues };
        alignas(64) double outline[kOutlineRows][kLanes] = {};
        unsigned onePair = 0; // bit i: plane i's outline is in those rows
    };

    // Distance to the crossing of plane i, with the crossing in q, or
    // kNoHitDistance when the plane is skipped, parallel or not ahead.
    double Crossing(int i, TPoint3D p, TVector v, TVector u, double margin, int lastPlane,
                    TPoint3D& q) const;
    // Tries plane i; updates hit when it is nearer (or as near with a lower
    // number) and its crossing lies inside the polygon.
    void Try(int i, TPoint3D p, TVector v, TVector u, double margin, int lastPlane,
             TPlaneHit& hit) const;
    // The search of a small room over m_flat.
    TPlaneHit NextFlat(TPoint3D p, TVector v, TVector u, int lastPlane) const;
    // NextBatch with all eight lanes in one vector of the widest instructions.
    friend struct WideSearch;

    // Appends the outline of the next plane and its triangles.
    void AddOutline(const TPlane& plane);
    // TPlane::Contains(q) >= 0 of plane i, with the same arithmetic.
    bool Inside(int i, TPoint3D q) const;
    int Build(int first, int count, const std::vector<Box>& boxes, int depth);

    std::vector<Entry> m_entries;
    std::vector<Outline> m_outlines;   // one per plane
    std::vector<TrianglePair> m_pairs; // grouped by outline
    Flat m_flat;                       // count 0: the room is not small
    std::vector<Node> m_nodes;  // empty: search plane by plane
    std::vector<int> m_order;   // plane numbers grouped by leaf
    double m_scale = 1.0;       // largest coordinate of the planes, at least 1
    const std::vector<TPlane>* m_planes; // the room's planes, not owned
};

// One search without a prepared tree, for callers outside the tracing loop.
TPlaneHit FindNextPlane(const std::vector<TPlane>& planes, TPoint3D p, TVector v, int lastPlane);
