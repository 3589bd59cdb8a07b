#include "simulation/PlaneSearch.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include <cstring>

#include "geometry/MathFunctions.h"
#include "simulation/WideSearch.h"

namespace {

constexpr double kNoHitDistance = 1.7976931348623158e+307;
constexpr int kLeafSize = 2;

// What the crossing of every plane of a small room reads of the ray.
struct RayLanes {
    double px, py, pz; // the start
    double ux, uy, uz; // the unit direction
    double vx, vy, vz; // the direction as given
    double ex, ey, ez; // p + u
};

// The crossings of the planes [0, count) with the ray, n planes per vector
// operation: each lane does what IntersectionLineAndPlaneUnit and the tests
// of the plain search do, operation by operation in the same order (the
// build does not contract products and sums). Bit i of the result: plane i
// is not parallel to the ray (NaN counting as not parallel, as in the plain
// test), its crossing lies strictly ahead and the root of the squared
// distance stays below kNoHitDistance (of a finite square it is at most
// 1.4e154, of an infinite one infinite). Inlined into the functions below,
// each compiled for its instruction set.
// Vectors of n doubles and of their comparison results.
template <int n> struct LaneTypes;
template <> struct LaneTypes<2> {
    typedef double Lanes __attribute__((vector_size(16)));
    typedef long long Mask __attribute__((vector_size(16)));
};
template <> struct LaneTypes<4> {
    typedef double Lanes __attribute__((vector_size(32)));
    typedef long long Mask __attribute__((vector_size(32)));
};

template <int n>
[[gnu::always_inline]] inline unsigned ScanPlanes(const double (*rows)[16], int count, const RayLanes& r,
                                                  double* crossX, double* crossY, double* crossZ,
                                                  double* square)
{
    using Lanes = typename LaneTypes<n>::Lanes;
    using Mask = typename LaneTypes<n>::Mask;
    unsigned ahead = 0;
    for (int i = 0; i < count; i += n) {
        Lanes nx, ny, nz, ox, oy, oz;
        std::memcpy(&nx, rows[0] + i, sizeof nx);
        std::memcpy(&ny, rows[1] + i, sizeof ny);
        std::memcpy(&nz, rows[2] + i, sizeof nz);
        std::memcpy(&ox, rows[3] + i, sizeof ox);
        std::memcpy(&oy, rows[4] + i, sizeof oy);
        std::memcpy(&oz, rows[5] + i, sizeof oz);
        const Lanes distPo = nx * (r.px - ox) + ny * (r.py - oy) + nz * (r.pz - oz);
        const Lanes distP1 = nx * (r.ex - ox) + ny * (r.ey - oy) + nz * (r.ez - oz);
        const Lanes d = distPo / (distPo - distP1);
        const Lanes qx = r.px + r.ux * d;
        const Lanes qy = r.py + r.uy * d;
        const Lanes qz = r.pz + r.uz * d;
        const Lanes ax = qx - r.px;
        const Lanes ay = qy - r.py;
        const Lanes az = qz - r.pz;
        const Lanes along = ax * r.vx + ay * r.vy + az * r.vz;
        const Lanes facing = nx * r.vx + ny * r.vy + nz * r.vz;
        const Lanes s = ax * ax + ay * ay + az * az;
        const Lanes zero = {};
        const Mask valid = (facing != zero) & (along > zero) & (s <= zero + DBL_MAX);
        std::memcpy(crossX + i, &qx, sizeof qx);
        std::memcpy(crossY + i, &qy, sizeof qy);
        std::memcpy(crossZ + i, &qz, sizeof qz);
        std::memcpy(square + i, &s, sizeof s);
        for (int l = 0; l < n; ++l) {
            ahead |= static_cast<unsigned>(valid[l] & 1) << (i + l);
        }
    }
    return ahead;
}

unsigned ScanPlanes2(const double (*rows)[16], int count, const RayLanes& r, double* crossX, double* crossY,
                     double* crossZ, double* square)
{
    return ScanPlanes<2>(rows, count, r, crossX, crossY, crossZ, square);
}

// What the scan of a batch of rays gives per lane: the nearest crossing
// ahead and its square distance, and whether no other crossing comes near
// it, so that only its polygon test remains to be done (bit l of quick).
struct BatchScan {
    double qx[TPlaneSearch::kBatchLanes], qy[TPlaneSearch::kBatchLanes], qz[TPlaneSearch::kBatchLanes];
    double least[TPlaneSearch::kBatchLanes];
    int nearest[TPlaneSearch::kBatchLanes];
    unsigned quick = 0;
};

// The rays of lanes [first, first + n) of a batch against every plane,
// each lane doing what ScanPlanes and the choice of the nearest crossing in
// NextFlat do for one ray, operation by operation.
template <int n>
[[gnu::always_inline]] inline void ScanBatch(const double (*rows)[16], int count, unsigned usable,
                                             const TPlaneSearch::TRayBatch& rays, int first, BatchScan& out)
{
    using Lanes = typename LaneTypes<n>::Lanes;
    using Mask = typename LaneTypes<n>::Mask;
    Lanes px, py, pz, vx, vy, vz, last;
    std::memcpy(&px, rays.px + first, sizeof px);
    std::memcpy(&py, rays.py + first, sizeof py);
    std::memcpy(&pz, rays.pz + first, sizeof pz);
    std::memcpy(&vx, rays.vx + first, sizeof vx);
    std::memcpy(&vy, rays.vy + first, sizeof vy);
    std::memcpy(&vz, rays.vz + first, sizeof vz);
    for (int l = 0; l < n; ++l) {
        last[l] = rays.lastPlane[first + l];
    }
    // TVector::Normalize.
    const Lanes squareV = vx * vx + vy * vy + vz * vz;
    Lanes module = {};
    for (int l = 0; l < n; ++l) {
        module[l] = __builtin_sqrt(squareV[l]);
    }
    const Lanes ux = vx / module, uy = vy / module, uz = vz / module;
    const Lanes ex = px + ux, ey = py + uy, ez = pz + uz;

    const Lanes infinite = Lanes{} + std::numeric_limits<double>::infinity();
    Lanes least = infinite, second = infinite, nearest = Lanes{} - 1.0;
    Lanes bestX = {}, bestY = {}, bestZ = {};
    for (int i = 0; i < count; ++i) {
        if ((usable >> i & 1u) == 0) {
            continue;
        }
        const double nx = rows[0][i], ny = rows[1][i], nz = rows[2][i];
        const double ox = rows[3][i], oy = rows[4][i], oz = rows[5][i];
        const Lanes distPo = nx * (px - ox) + ny * (py - oy) + nz * (pz - oz);
        const Lanes distP1 = nx * (ex - ox) + ny * (ey - oy) + nz * (ez - oz);
        const Lanes d = distPo / (distPo - distP1);
        const Lanes qx = px + ux * d;
        const Lanes qy = py + uy * d;
        const Lanes qz = pz + uz * d;
        const Lanes ax = qx - px;
        const Lanes ay = qy - py;
        const Lanes az = qz - pz;
        const Lanes along = ax * vx + ay * vy + az * vz;
        const Lanes facing = nx * vx + ny * vy + nz * vz;
        const Lanes s = ax * ax + ay * ay + az * az;
        const Lanes zero = {};
        const Mask valid = (facing != zero) & (along > zero) & (s <= zero + DBL_MAX) & (last != zero + i);
        // second = std::min(second, std::max(least, s)); then the nearest
        // (the first of equal squares) and least = std::min(least, s).
        const Lanes above = least < s ? s : least;
        second = valid ? (above < second ? above : second) : second;
        const Mask nearer = valid & (s < least);
        nearest = nearer ? zero + i : nearest;
        bestX = nearer ? qx : bestX;
        bestY = nearer ? qy : bestY;
        bestZ = nearer ? qz : bestZ;
        least = nearer ? s : least;
    }
    const Mask quick = (second > least * (1.0 + 1e-14)) & (least >= DBL_MIN);
    std::memcpy(out.qx + first, &bestX, sizeof bestX);
    std::memcpy(out.qy + first, &bestY, sizeof bestY);
    std::memcpy(out.qz + first, &bestZ, sizeof bestZ);
    std::memcpy(out.least + first, &least, sizeof least);
    for (int l = 0; l < n; ++l) {
        out.nearest[first + l] = static_cast<int>(nearest[l]);
        out.quick |= static_cast<unsigned>(quick[l] & 1) << (first + l);
    }
}

#ifdef VELTO_WIDE_LANES
[[gnu::target("avx")]] unsigned ScanPlanes4(const double (*rows)[16], int count, const RayLanes& r,
                                             double* crossX, double* crossY, double* crossZ, double* square)
{
    return ScanPlanes<4>(rows, count, r, crossX, crossY, crossZ, square);
}

[[gnu::target("avx")]] void ScanBatch4(const double (*rows)[16], int count, unsigned usable,
                                        const TPlaneSearch::TRayBatch& rays, BatchScan& out)
{
    for (int first = 0; first < TPlaneSearch::kBatchLanes; first += 4) {
        if ((rays.active >> first & 15u) != 0) {
            ScanBatch<4>(rows, count, usable, rays, first, out);
        }
    }
}

#endif

int WidestLanes()
{
#ifdef VELTO_WIDE_LANES
    if (__builtin_cpu_supports("avx")) {
        return 4;
    }
#endif
    return 2;
}

// Rays per instruction of NextBatch: 0 where a batch gains nothing.
int BatchLanes()
{
#ifdef VELTO_WIDE_LANES
    if (WideLanesSupported()) {
        return 8;
    }
    if (__builtin_cpu_supports("avx")) {
        return 4;
    }
#endif
    return 0;
}

} // namespace

TPlaneSearch::TPlaneSearch(const std::vector<TPlane>& planes, int widestLanes) : m_planes(&planes)
{
    m_entries.reserve(planes.size());
    m_outlines.reserve(planes.size());
    std::vector<Box> boxes;
    for (int i = 0; i < static_cast<int>(planes.size()); ++i) {
        const TPlane& plane = planes[i];
        const bool usable = plane.NumVert > 2 && plane.NumTriang > 0;
        const TPoint3D origin = usable ? plane.vertice[0] : TPoint3D();
        m_entries.push_back({plane.normal, origin, usable});
        AddOutline(plane);
        if (!usable) {
            continue;
        }
        Box box{{origin.x, origin.y, origin.z}, {origin.x, origin.y, origin.z}};
        for (const TTriangle& t : plane.triangulo) {
            for (const TPoint3D& c : {t.p0, t.p1, t.p2}) {
                const double xyz[3] = {c.x, c.y, c.z};
                for (int a = 0; a < 3; ++a) {
                    box.min[a] = std::min(box.min[a], xyz[a]);
                    box.max[a] = std::max(box.max[a], xyz[a]);
                    m_scale = std::max(m_scale, std::fabs(xyz[a]));
                }
            }
        }
        // The polygon test works in single precision: a crossing it accepts
        // may lie a few 1e-7 of the plane's size outside the exact outline.
        const double size = std::max({box.max[0] - box.min[0], box.max[1] - box.min[1],
                                      box.max[2] - box.min[2]});
        const double grow = 1e-4 * size;
        for (int a = 0; a < 3; ++a) {
            box.min[a] -= grow;
            box.max[a] += grow;
        }
        boxes.push_back(box);
        m_order.push_back(i);
    }
    if (planes.size() < static_cast<std::size_t>(kFlatLimit)) {
        // Padding lanes stay zero and unusable.
        m_flat.count = static_cast<int>(planes.size());
        for (int i = 0; i < m_flat.count; ++i) {
            const Entry& entry = m_entries[i];
            m_flat.rows[Flat::kNx][i] = entry.normal.x;
            m_flat.rows[Flat::kNy][i] = entry.normal.y;
            m_flat.rows[Flat::kNz][i] = entry.normal.z;
            m_flat.rows[Flat::kOx][i] = entry.origin.x;
            m_flat.rows[Flat::kOy][i] = entry.origin.y;
            m_flat.rows[Flat::kOz][i] = entry.origin.z;
            m_flat.usable |= entry.usable ? 1u << i : 0u;
        }
        m_flat.width = std::min(widestLanes, WidestLanes()) >= 4 ? 4 : 2;
        const int batch = std::min(widestLanes, BatchLanes());
        m_flat.batch = batch >= 8 ? 8 : batch >= 4 ? 4 : 0;
        for (int i = 0; i < m_flat.count; ++i) {
            const Outline& o = m_outlines[i];
            if (o.direct || o.count != 1) {
                continue;
            }
            for (int a = 0; a < 3; ++a) {
                m_flat.outline[Flat::kOrigin + a][i] = o.origin[a];
                m_flat.outline[Flat::kToLocal + a][i] = o.toLocal[0][a];
                m_flat.outline[Flat::kToLocal + 3 + a][i] = o.toLocal[1][a];
            }
            const TrianglePair& pair = m_pairs[o.first];
            for (int lane = 0; lane < 2; ++lane) {
                const double values[Flat::kPairValues] = {
                    pair.c0x[lane],    pair.c0y[lane],    pair.c1x[lane],   pair.c1y[lane], pair.c2x[lane],
                    pair.c2y[lane],    pair.c1xc2y[lane], pair.c1yc2x[lane], pair.c0yc2x[lane],
                    pair.c0xc2y[lane], pair.c0c1[lane],   pair.flip[lane],  pair.floorAt[lane]};
                for (int k = 0; k < Flat::kPairValues; ++k) {
                    m_flat.outline[Flat::kPair + lane * Flat::kPairValues + k][i] = values[k];
                }
            }
            m_flat.onePair |= 1u << i;
        }
    }
    if (planes.size() >= static_cast<std::size_t>(kFlatLimit) && !m_order.empty()) {
        std::vector<Box> ordered(planes.size());
        for (std::size_t k = 0; k < m_order.size(); ++k) {
            ordered[m_order[k]] = boxes[k];
        }
        m_nodes.reserve(2 * m_order.size());
        Build(0, static_cast<int>(m_order.size()), ordered, 0);
    }
}

void TPlaneSearch::AddOutline(const TPlane& plane)
{
    Outline outline{};
    outline.origin[0] = plane.origem.x;
    outline.origin[1] = plane.origem.y;
    outline.origin[2] = plane.origem.z;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            outline.toLocal[r][c] = plane.Mi[r][c];
        }
    }
    outline.first = static_cast<int>(m_pairs.size());
    outline.direct = plane.NumVert <= 2;
    const auto& corners = plane.LocalCorners();
    const std::size_t visited = std::min<std::size_t>(plane.NumTriang, corners.size());
    int lane = 0;
    for (std::size_t t = 0; t < visited; ++t) {
        const TPoint3D& c0 = corners[t][0];
        const TPoint3D& c1 = corners[t][1];
        const TPoint3D& c2 = corners[t][2];
        const float den = TPlane::Area2D(c0, c1, c2);
        if (!(den != 0.0f) || std::isnan(den)) {
            continue; // contains nothing: Inner2D gives -1, or 0 for every point
        }
        if (std::isinf(den)) {
            outline.direct = true; // area / den is 0 for any finite area: rare enough to leave to Contains
            continue;
        }
        if (lane == 0) {
            TrianglePair empty{};
            empty.floorAt[0] = empty.floorAt[1] = std::numeric_limits<double>::infinity();
            m_pairs.push_back(empty);
        }
        TrianglePair& pair = m_pairs.back();
        pair.c0x[lane] = c0.x;
        pair.c0y[lane] = c0.y;
        pair.c1x[lane] = c1.x;
        pair.c1y[lane] = c1.y;
        pair.c2x[lane] = c2.x;
        pair.c2y[lane] = c2.y;
        pair.c1xc2y[lane] = c1.x * c2.y;
        pair.c1yc2x[lane] = c1.y * c2.x;
        pair.c0yc2x[lane] = c0.y * c2.x;
        pair.c0xc2y[lane] = c0.x * c2.y;
        pair.c0c1[lane] = c0.x * c1.y - c0.y * c1.x;
        // For a finite den other than 0, the float quotient area / den is at
        // least 0 (or -0) exactly when area and den have the same sign, area is
        // a zero, or the quotient is so small that it rounds to -0: at most
        // 2^-150 in magnitude (a tie goes to the even 0). In double, with the
        // area's sign turned by den's, that is area >= -|den| 2^-150 exactly;
        // NaN and the infinity of the wrong sign fail as the quotient does.
        pair.flip[lane] = den > 0.0f ? 1.0 : -1.0;
        pair.floorAt[lane] = -std::ldexp(static_cast<double>(std::fabs(den)), -150);
        lane ^= 1;
    }
    outline.count = static_cast<int>(m_pairs.size()) - outline.first;
    m_outlines.push_back(outline);
}

bool TPlaneSearch::Inside(int i, TPoint3D q) const
{
    typedef double Pair __attribute__((vector_size(16)));
    typedef float PairF __attribute__((vector_size(8)));
    typedef long long PairMask __attribute__((vector_size(16)));
    const Outline& o = m_outlines[i];
    if (o.direct) {
        return (*m_planes)[i].Contains(q) >= 0;
    }
    // MudaBase(Mi, q - origem) without the third coordinate, which the
    // triangle test does not read.
    const double dx = q.x - o.origin[0];
    const double dy = q.y - o.origin[1];
    const double dz = q.z - o.origin[2];
    const double x = o.toLocal[0][0] * dx + o.toLocal[0][1] * dy + o.toLocal[0][2] * dz;
    const double y = o.toLocal[1][0] * dx + o.toLocal[1][1] * dy + o.toLocal[1][2] * dz;
    // Every triangle is tested, two at a time, without stopping at the first
    // that holds the point: which one does varies from ray to ray and would
    // be mispredicted. The areas are TPlane::Area2D's sums term by term,
    // with the products of two corners taken from the table, rounded to
    // float as Area2D returns them.
    auto load = [](const double* a) {
        Pair v;
        std::memcpy(&v, a, sizeof v);
        return v;
    };
    auto asFloat = [](Pair a) { return __builtin_convertvector(__builtin_convertvector(a, PairF), Pair); };
    PairMask inside = {};
    for (int t = o.first; t < o.first + o.count; ++t) {
        const TrianglePair& c = m_pairs[t];
        const Pair c0x = load(c.c0x), c0y = load(c.c0y), c1x = load(c.c1x), c1y = load(c.c1y);
        const Pair c2x = load(c.c2x), c2y = load(c.c2y);
        const Pair a1 = asFloat(x * c1y - y * c1x + y * c2x - x * c2y + load(c.c1xc2y) - load(c.c1yc2x));
        const Pair a2 = asFloat(c0x * y - c0y * x + load(c.c0yc2x) - load(c.c0xc2y) + x * c2y - y * c2x);
        const Pair a3 = asFloat(load(c.c0c1) + c0y * x - c0x * y + c1x * y - c1y * x);
        const Pair flip = load(c.flip), floorAt = load(c.floorAt);
        inside |= (flip * a1 >= floorAt) & (flip * a2 >= floorAt) & (flip * a3 >= floorAt);
    }
    return (inside[0] | inside[1]) != 0;
}

int TPlaneSearch::Build(int first, int count, const std::vector<Box>& boxes, int depth)
{
    Box bounds = boxes[m_order[first]];
    for (int k = first; k < first + count; ++k) {
        for (int a = 0; a < 3; ++a) {
            bounds.min[a] = std::min(bounds.min[a], boxes[m_order[k]].min[a]);
            bounds.max[a] = std::max(bounds.max[a], boxes[m_order[k]].max[a]);
        }
    }
    const int index = static_cast<int>(m_nodes.size());
    m_nodes.push_back({bounds, first, count, -1});
    if (count <= kLeafSize || depth > 40) {
        return index;
    }
    // Surface-area heuristic: of all splits of the centre-sorted planes along
    // each axis, take the one whose children a random ray is least likely to
    // enter, weighted by the planes they hold.
    auto area = [](const Box& b) {
        const double dx = b.max[0] - b.min[0], dy = b.max[1] - b.min[1], dz = b.max[2] - b.min[2];
        return dx * dy + dy * dz + dz * dx;
    };
    auto merged = [](Box a, const Box& b) {
        for (int k = 0; k < 3; ++k) {
            a.min[k] = std::min(a.min[k], b.min[k]);
            a.max[k] = std::max(a.max[k], b.max[k]);
        }
        return a;
    };
    int bestAxis = 0;
    int half = count / 2;
    double bestCost = std::numeric_limits<double>::infinity();
    std::vector<int> sorted(m_order.begin() + first, m_order.begin() + first + count);
    std::vector<double> rightArea(count);
    for (int axis = 0; axis < 3; ++axis) {
        std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
            const double ca = boxes[a].min[axis] + boxes[a].max[axis];
            const double cb = boxes[b].min[axis] + boxes[b].max[axis];
            return ca < cb || (ca == cb && a < b);
        });
        Box acc = boxes[sorted[count - 1]];
        for (int k = count - 1; k >= 1; --k) {
            acc = merged(acc, boxes[sorted[k]]);
            rightArea[k] = area(acc);
        }
        acc = boxes[sorted[0]];
        for (int k = 1; k < count; ++k) {
            const double cost = k * area(acc) + (count - k) * rightArea[k];
            if (cost < bestCost) {
                bestCost = cost;
                bestAxis = axis;
                half = k;
            }
            acc = merged(acc, boxes[sorted[k]]);
        }
    }
    std::sort(m_order.begin() + first, m_order.begin() + first + count, [&](int a, int b) {
        const double ca = boxes[a].min[bestAxis] + boxes[a].max[bestAxis];
        const double cb = boxes[b].min[bestAxis] + boxes[b].max[bestAxis];
        return ca < cb || (ca == cb && a < b);
    });
    const int left = Build(first, half, boxes, depth + 1);
    const int right = Build(first + half, count - half, boxes, depth + 1);
    m_nodes[index].first = left;
    m_nodes[index].count = 0;
    m_nodes[index].right = right;
    return index;
}

double TPlaneSearch::Crossing(int i, TPoint3D p, TVector v, TVector u, double margin, int lastPlane,
                              TPoint3D& q) const
{
    const Entry& entry = m_entries[i];
    if (i == lastPlane || !entry.usable || entry.normal * v == 0.0) {
        return kNoHitDistance;
    }
    // The same arithmetic as IntersectionLineAndPlaneUnit, split so that the
    // division and the crossing are computed only for planes ahead. Rounding
    // in the crossing stays below 1e-15 of the coordinates' size: a plane is
    // ruled out early only when it lies behind by far more than that.
    const TPoint3D& o = entry.origin;
    const TVector& n = entry.normal;
    const double distPo = n * TVector(p.x - o.x, p.y - o.y, p.z - o.z);
    const double distP1 = n * TVector(p.x + u.x - o.x, p.y + u.y - o.y, p.z + u.z - o.z);
    const double den = distPo - distP1;
    if (distPo * den < 0.0 && std::fabs(distPo) > margin) {
        return kNoHitDistance;
    }
    const double d = distPo / den;
    q = TPoint3D::Make(p.x + u.x * d, p.y + u.y * d, p.z + u.z * d);
    const TVector ahead(q.x - p.x, q.y - p.y, q.z - p.z);
    if (!(ahead * v > 0.0)) {
        return kNoHitDistance;
    }
    return ahead.Module();
}

void TPlaneSearch::Try(int i, TPoint3D p, TVector v, TVector u, double margin, int lastPlane,
                       TPlaneHit& hit) const
{
    const Entry& entry = m_entries[i];
    const double best = hit.plane < 0 ? kNoHitDistance : hit.distance;
    if (i != lastPlane && entry.usable && entry.normal * v != 0.0) {
        // Beyond the best hit by far more than rounding: no need for the crossing.
        const TPoint3D& o = entry.origin;
        const TVector& n = entry.normal;
        const double distPo = n * TVector(p.x - o.x, p.y - o.y, p.z - o.z);
        const double distP1 = n * TVector(p.x + u.x - o.x, p.y + u.y - o.y, p.z + u.z - o.z);
        if (std::fabs(distPo) > (best + margin) * std::fabs(distPo - distP1) * (1.0 + 1e-9)) {
            return;
        }
    }
    TPoint3D q;
    const double distance = Crossing(i, p, v, u, margin, lastPlane, q);
    if (distance >= kNoHitDistance) {
        return;
    }
    const bool nearer = distance < best || (distance == best && i < hit.plane);
    if (nearer && Inside(i, q)) {
        hit.plane = i;
        hit.point = q;
        hit.distance = distance;
    }
}

TPlaneHit TPlaneSearch::Next(TPoint3D p, TVector v, int lastPlane) const
{
    TVector u = v;
    u.Normalize();
    if (m_flat.count > 0) {
        return NextFlat(p, v, u, lastPlane);
    }
    TPlaneHit hit;
    const double margin =
        1e-9 * std::max({m_scale, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    if (m_nodes.empty()) {
        // Many planes of which none can be hit: nothing to prune.
        for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
            Try(i, p, v, u, margin, lastPlane, hit);
        }
        return hit;
    }

    const double origin[3] = {p.x, p.y, p.z};
    const double dir[3] = {u.x, u.y, u.z};
    // Entry and exit of the ray p + t u (t in metres) through a box, or false
    // when it misses the box or the box lies wholly behind.
    auto span = [&](const Box& box, double& tEnter) {
        double lo = -std::numeric_limits<double>::infinity();
        double hi = std::numeric_limits<double>::infinity();
        for (int a = 0; a < 3; ++a) {
            if (dir[a] == 0.0) {
                if (origin[a] < box.min[a] || origin[a] > box.max[a]) {
                    return false;
                }
                continue;
            }
            double t0 = (box.min[a] - origin[a]) / dir[a];
            double t1 = (box.max[a] - origin[a]) / dir[a];
            if (t0 > t1) {
                std::swap(t0, t1);
            }
            lo = std::max(lo, t0);
            hi = std::min(hi, t1);
        }
        tEnter = lo;
        return lo <= hi + margin && hi >= -margin;
    };

    // Nearest boxes first; a box entered beyond the best hit cannot hold it.
    int stack[128];
    double stackEnter[128];
    int top = 0;
    double rootEnter;
    if (!span(m_nodes[0].box, rootEnter)) {
        return hit;
    }
    stack[top] = 0;
    stackEnter[top++] = rootEnter;
    while (top > 0) {
        --top;
        const Node& node = m_nodes[stack[top]];
        const double best = hit.plane < 0 ? kNoHitDistance : hit.distance;
        if (stackEnter[top] > best * (1.0 + 1e-9) + margin) {
            continue;
        }
        if (node.count > 0) {
            for (int k = node.first; k < node.first + node.count; ++k) {
                Try(m_order[k], p, v, u, margin, lastPlane, hit);
            }
            continue;
        }
        double enterLeft = 0.0, enterRight = 0.0;
        const bool left = span(m_nodes[node.first].box, enterLeft);
        const bool right = span(m_nodes[node.right].box, enterRight);
        // The tree is at most 42 levels deep, so the stack never fills. The
        // farther child goes first so that the nearer one is searched first.
        if (left && right) {
            const bool leftFirst = enterLeft <= enterRight;
            stack[top] = leftFirst ? node.right : node.first;
            stackEnter[top++] = leftFirst ? enterRight : enterLeft;
            stack[top] = leftFirst ? node.first : node.right;
            stackEnter[top++] = leftFirst ? enterLeft : enterRight;
        } else if (left) {
            stack[top] = node.first;
            stackEnter[top++] = enterLeft;
        } else if (right) {
            stack[top] = node.right;
            stackEnter[top++] = enterRight;
        }
    }
    return hit;
}

// Inlined into Next: the ray then stays in registers.
[[gnu::always_inline]] inline TPlaneHit TPlaneSearch::NextFlat(TPoint3D p, TVector v, TVector u,
                                                               int lastPlane) const
{
    // First the crossings of all planes, several at a time and without
    // branching on outcomes that vary from plane to plane and ray to ray;
    // then the polygon test from the nearest crossing on. Plain arrays:
    // nothing is initialised that is written before it is read.
    alignas(64) double crossX[Flat::kLanes], crossY[Flat::kLanes], crossZ[Flat::kLanes];
    alignas(64) double square[Flat::kLanes]; // squared distance to the crossing
    const RayLanes r{p.x, p.y, p.z, u.x, u.y, u.z, v.x, v.y, v.z, p.x + u.x, p.y + u.y, p.z + u.z};
#ifdef VELTO_WIDE_LANES
    unsigned ahead = m_flat.width == 4
                         ? ScanPlanes4(m_flat.rows, m_flat.count, r, crossX, crossY, crossZ, square)
                         : ScanPlanes2(m_flat.rows, m_flat.count, r, crossX, crossY, crossZ, square);
#else
    unsigned ahead = ScanPlanes2(m_flat.rows, m_flat.count, r, crossX, crossY, crossZ, square);
#endif
    ahead &= m_flat.usable;
    if (static_cast<unsigned>(lastPlane) < static_cast<unsigned>(m_flat.count)) {
        ahead &= ~(1u << lastPlane);
    }
    TPlaneHit hit;
    if (ahead == 0) {
        return hit;
    }

    // The root is monotonic, so the nearest crossing has the least square;
    // of equal squares the lower plane number comes first, as in the sort
    // below. When no other square comes within 1e-14 of it (the roots of
    // normal squares that far from each other differ) and its crossing is
    // inside, it is the answer without the sort.
    int nearest = -1;
    double least = std::numeric_limits<double>::infinity();
    double second = least; // the least square of the others
    for (unsigned rest = ahead; rest != 0; rest &= rest - 1) {
        const int i = __builtin_ctz(rest);
        const double s = square[i];
        second = std::min(second, std::max(least, s));
        nearest = s < least ? i : nearest;
        least = std::min(least, s);
    }
    if (second > least * (1.0 + 1e-14) && least >= DBL_MIN) {
        const TPoint3D q = TPoint3D::Make(crossX[nearest], crossY[nearest], crossZ[nearest]);
        if (Inside(nearest, q)) {
            hit.plane = nearest;
            hit.point = q;
            hit.distance = std::sqrt(least);
            return hit;
        }
    }

    // Near ties, or the nearest crossing lies outside its polygon: the
    // distances of all, kept sorted by distance, then plane number; the first
    // one inside its polygon is the answer.
    double distances[kFlatLimit];
    int candidates[kFlatLimit];
    int found = 0;
    for (unsigned rest = ahead; rest != 0; rest &= rest - 1) {
        const int i = __builtin_ctz(rest);
        distances[i] = std::sqrt(square[i]);
        int k = found++;
        while (k > 0 && distances[candidates[k - 1]] > distances[i]) {
            candidates[k] = candidates[k - 1];
            --k;
        }
        candidates[k] = i;
    }
    for (int k = 0; k < found; ++k) {
        const int i = candidates[k];
        const TPoint3D q = TPoint3D::Make(crossX[i], crossY[i], crossZ[i]);
        if (Inside(i, q)) {
            hit.plane = i;
            hit.point = q;
            hit.distance = distances[i];
            break;
        }
    }
    return hit;
}

void TPlaneSearch::NextLane(const TRayBatch& rays, int l, TBatchHits& hits) const
{
    const TPlaneHit hit = Next(TPoint3D::Make(rays.px[l], rays.py[l], rays.pz[l]),
                               TVector(rays.vx[l], rays.vy[l], rays.vz[l]), rays.lastPlane[l]);
    hits.plane[l] = hit.plane;
    hits.qx[l] = hit.point.x;
    hits.qy[l] = hit.point.y;
    hits.qz[l] = hit.point.z;
    hits.distance[l] = hit.distance;
}

void TPlaneSearch::NextBatch(const TRayBatch& rays, TBatchHits& hits) const
{
#ifdef VELTO_WIDE_LANES
    if (m_flat.batch == 8) {
        WideSearch::NextBatch(*this, rays, hits);
        return;
    }
    BatchScan scan;
    ScanBatch4(m_flat.rows, m_flat.count, m_flat.usable, rays, scan);
    for (unsigned rest = rays.active; rest != 0; rest &= rest - 1) {
        const int l = __builtin_ctz(rest);
        if ((scan.quick >> l & 1u) != 0) {
            const TPoint3D q = TPoint3D::Make(scan.qx[l], scan.qy[l], scan.qz[l]);
            if (Inside(scan.nearest[l], q)) {
                hits.plane[l] = scan.nearest[l];
                hits.qx[l] = q.x;
                hits.qy[l] = q.y;
                hits.qz[l] = q.z;
                hits.distance[l] = std::sqrt(scan.least[l]);
                continue;
            }
        }
        // A near tie, a crossing outside its polygon or none ahead: the
        // search of one ray settles it.
        NextLane(rays, l, hits);
    }
#else
    for (unsigned rest = rays.active; rest != 0; rest &= rest - 1) {
        NextLane(rays, __builtin_ctz(rest), hits);
    }
#endif
}

#ifdef VELTO_WIDE_LANES
void WideSearch::NextBatch(const TPlaneSearch& search, const TPlaneSearch::TRayBatch& rays,
                           TPlaneSearch::TBatchHits& hits)
{
    const WideRays in = LoadRays(rays);
    WideHits out;
    const __mmask8 found = Find(TablesOf(search), in, out);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(hits.plane), _mm512_cvtepi64_epi32(out.plane));
    _mm512_storeu_pd(hits.qx, out.qx);
    _mm512_storeu_pd(hits.qy, out.qy);
    _mm512_storeu_pd(hits.qz, out.qz);
    _mm512_storeu_pd(hits.distance, out.distance);
    for (unsigned rest = in.active & ~found; rest != 0; rest &= rest - 1) {
        search.NextLane(rays, __builtin_ctz(rest), hits);
    }
}
#endif

TPlaneHit FindNextPlane(const std::vector<TPlane>& planes, TPoint3D p, TVector v, int lastPlane)
{
    return TPlaneSearch(planes).Next(p, v, lastPlane);
}
