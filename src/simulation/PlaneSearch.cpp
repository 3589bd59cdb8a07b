#include "simulation/PlaneSearch.h"

#include "geometry/MathFunctions.h"

namespace {
constexpr double kNoHitDistance = 1.7976931348623158e+307;
}

TPlaneSearch::TPlaneSearch(std::vector<TPlane>& planes) : m_planes(&planes)
{
    m_entries.reserve(planes.size());
    for (const TPlane& plane : planes) {
        const bool usable = plane.NumVert > 2 && plane.NumTriang > 0;
        m_entries.push_back({plane.normal, usable ? plane.vertice[0] : TPoint3D(), usable});
    }
}

TPlaneHit TPlaneSearch::Next(TPoint3D p, TVector v, int lastPlane) const
{
    TPlaneHit hit;
    double best = kNoHitDistance;
    TVector u = v;
    u.Normalize();
    const int count = static_cast<int>(m_entries.size());
    for (int i = 0; i < count; ++i) {
        const Entry& entry = m_entries[i];
        if (i == lastPlane || !entry.usable || entry.normal * v == 0.0) {
            continue;
        }
        const TPoint3D q = IntersectionLineAndPlaneUnit(u, p, entry.normal, entry.origin);
        const TVector ahead(q.x - p.x, q.y - p.y, q.z - p.z);
        if (!(ahead * v > 0.0)) {
            continue;
        }
        const double d = ahead.Module();
        if (d < best && (*m_planes)[i].Inner(q) >= 0) {
            best = d;
            hit.plane = i;
            hit.point = q;
            hit.distance = d;
        }
    }
    return hit;
}

TPlaneHit FindNextPlane(std::vector<TPlane>& planes, TPoint3D p, TVector v, int lastPlane)
{
    return TPlaneSearch(planes).Next(p, v, lastPlane);
}
