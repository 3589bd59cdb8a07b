#include "simulation/PlaneSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/MathFunctions.h"

namespace {

constexpr double kNoHitDistance = 1.7976931348623158e+307;
// Below this many planes the tree costs more than it saves.
constexpr std::size_t kTreeThreshold = 12;
constexpr int kLeafSize = 2;

} // namespace

TPlaneSearch::TPlaneSearch(const std::vector<TPlane>& planes) : m_planes(&planes)
{
    m_entries.reserve(planes.size());
    std::vector<Box> boxes;
    for (int i = 0; i < static_cast<int>(planes.size()); ++i) {
        const TPlane& plane = planes[i];
        const bool usable = plane.NumVert > 2 && plane.NumTriang > 0;
        const TPoint3D origin = usable ? plane.vertice[0] : TPoint3D();
        m_entries.push_back({plane.normal, origin, usable});
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
    if (planes.size() >= kTreeThreshold && !m_order.empty()) {
        std::vector<Box> ordered(planes.size());
        for (std::size_t k = 0; k < m_order.size(); ++k) {
            ordered[m_order[k]] = boxes[k];
        }
        m_nodes.reserve(2 * m_order.size());
        Build(0, static_cast<int>(m_order.size()), ordered, 0);
    }
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
    if (nearer && (*m_planes)[i].Contains(q) >= 0) {
        hit.plane = i;
        hit.point = q;
        hit.distance = distance;
    }
}

TPlaneHit TPlaneSearch::Next(TPoint3D p, TVector v, int lastPlane) const
{
    TPlaneHit hit;
    TVector u = v;
    u.Normalize();
    const double margin =
        1e-9 * std::max({m_scale, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    if (m_nodes.empty()) {
        // Few planes: first the crossings of all of them, which are independent
        // of each other (so divisions and roots overlap in the processor), then
        // the polygon test from the nearest crossing on.
        const int count = static_cast<int>(m_entries.size());
        if (count > static_cast<int>(kTreeThreshold)) {
            // Many planes of which none can be hit: nothing to prune.
            for (int i = 0; i < count; ++i) {
                Try(i, p, v, u, margin, lastPlane, hit);
            }
            return hit;
        }
        // Plain arrays: no per-call initialisation of storage that is written
        // before it is read.
        double distances[kTreeThreshold];
        double crossX[kTreeThreshold], crossY[kTreeThreshold], crossZ[kTreeThreshold];
        int candidates[kTreeThreshold];
        int found = 0;
        // Computed for every plane without branching on the outcome, which
        // varies from plane to plane and ray to ray and would be mispredicted.
        for (int i = 0; i < count; ++i) {
            const Entry& entry = m_entries[i];
            const TPoint3D& o = entry.origin;
            const TVector& n = entry.normal;
            const double distPo = n * TVector(p.x - o.x, p.y - o.y, p.z - o.z);
            const double distP1 = n * TVector(p.x + u.x - o.x, p.y + u.y - o.y, p.z + u.z - o.z);
            const double d = distPo / (distPo - distP1);
            crossX[i] = p.x + u.x * d;
            crossY[i] = p.y + u.y * d;
            crossZ[i] = p.z + u.z * d;
            const TVector ahead(crossX[i] - p.x, crossY[i] - p.y, crossZ[i] - p.z);
            const bool valid = (i != lastPlane) & entry.usable & (n * v != 0.0) & (ahead * v > 0.0);
            distances[i] = valid ? ahead.Module() : kNoHitDistance;
        }
        for (int i = 0; i < count; ++i) {
            if (distances[i] < kNoHitDistance) {
                // Kept sorted by distance, then plane number: the first one
                // inside its polygon is the answer.
                int k = found++;
                while (k > 0 && distances[candidates[k - 1]] > distances[i]) {
                    candidates[k] = candidates[k - 1];
                    --k;
                }
                candidates[k] = i;
            }
        }
        for (int k = 0; k < found; ++k) {
            const int i = candidates[k];
            const TPoint3D q = TPoint3D::Make(crossX[i], crossY[i], crossZ[i]);
            if ((*m_planes)[i].Contains(q) >= 0) {
                hit.plane = i;
                hit.point = q;
                hit.distance = distances[i];
                break;
            }
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

TPlaneHit FindNextPlane(const std::vector<TPlane>& planes, TPoint3D p, TVector v, int lastPlane)
{
    return TPlaneSearch(planes).Next(p, v, lastPlane);
}
