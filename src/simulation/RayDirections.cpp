#include "simulation/RayDirections.h"

#include <array>
#include <cmath>

#include "geometry/MathFunctions.h"
#include "util/Parallel.h"

namespace {

struct Edge {
    int from;
    int to;
};

struct Face {
    int firstEdge;
    int secondEdge;
    int flag; // 0: both edges start at the shared vertex; -1: both end there
};

constexpr std::array<Edge, 30> kEdges = {{
    {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {1, 6}, {2, 6}, {2, 7}, {3, 7}, {3, 8},
    {4, 8}, {4, 9}, {5, 9}, {5, 10}, {1, 10}, {6, 11}, {7, 11}, {8, 11}, {9, 11}, {10, 11},
    {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 1}, {6, 7}, {7, 8}, {8, 9}, {9, 10}, {10, 6},
}};

constexpr std::array<Face, 20> kFaces = {{
    {0, 1, 0},    {1, 2, 0},    {2, 3, 0},    {3, 4, 0},    {4, 0, 0},
    {5, 6, -1},   {6, 7, 0},    {7, 8, -1},   {8, 9, 0},    {9, 10, -1},
    {10, 11, 0},  {11, 12, -1}, {12, 13, 0},  {13, 14, -1}, {14, 5, 0},
    {15, 16, -1}, {16, 17, -1}, {17, 18, -1}, {18, 19, -1}, {19, 15, -1},
}};

std::array<TVector, 12> IcosahedronVertices()
{
    constexpr double kPi = 3.1415926535897931;
    const double s = 2.0 / std::sqrt(5.0);
    const double r = (5.0 - std::sqrt(5.0)) / 5.0;
    std::array<TVector, 12> v;
    v[0] = TVector(0, 0, 1);
    for (int i = 1; i <= 5; ++i) {
        const double a = i * 72 * kPi / 180;
        v[i] = TVector(s * std::cos(a), s * std::sin(a), 1 - r);
        const double b = i * 72 * kPi / 180 + 0.62831853071795862;
        v[i + 5] = TVector(s * std::cos(b), s * std::sin(b), r - 1);
    }
    v[11] = TVector(0, 0, -1);
    return v;
}

// Point at fraction i/n of the great-circle arc from P to Q.
TVector ArcPoint(TVector P, TVector Q, int i, int n)
{
    const double pq = P * Q;
    const double theta = std::acos(pq);
    const TVector u = P * (Q * Q) - Q * pq;
    const TVector w = Q * (P * P) - P * pq;
    const TVector cross = P / Q;
    return (u * std::cos(i * theta / n) + w * std::cos((n - i) * theta / n)) / (cross * cross);
}

} // namespace

unsigned int GeodesicRayCount(unsigned int requested)
{
    const unsigned int quotient = requested >= 2 ? (requested - 2) / 10 : 0;
    const auto n = static_cast<unsigned int>(Round(std::sqrt(static_cast<double>(quotient))));
    return 10 * n * n + 2;
}

std::vector<TVector> CreateRaysDirections(double NumberOfRays, unsigned int threads)
{
    const double q = (NumberOfRays - 2.0) / 10.0;
    const int n = q > 0.0 ? static_cast<int>(std::sqrt(q)) : 0;
    std::vector<TVector> list;
    list.reserve(n > 0 ? 10u * n * n + 2 : 12u);
    const auto vertices = IcosahedronVertices();
    list.assign(vertices.begin(), vertices.end());

    std::array<std::size_t, 30> edgeStart{};
    for (std::size_t e = 0; e < kEdges.size(); ++e) {
        edgeStart[e] = list.size();
        for (int i = 1; i < n; ++i) {
            list.push_back(ArcPoint(vertices[kEdges[e].from], vertices[kEdges[e].to], i, n));
        }
    }
    // Every face holds (n - 1)(n - 2) / 2 points, after the edges' and in
    // face order, so each face knows where its points go and the faces can
    // be worked on at once.
    const std::size_t perFace = n >= 2 ? static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(n - 2) / 2 : 0;
    const std::size_t facesStart = list.size();
    list.resize(facesStart + kFaces.size() * perFace);
    auto subdivide = [&](std::size_t f, std::size_t /*slot*/) {
        const Face& face = kFaces[f];
        std::size_t at = facesStart + f * perFace;
        for (int j = 1; j < n; ++j) {
            const TVector p = list[edgeStart[face.firstEdge] + j - 1];
            const TVector q2 = list[edgeStart[face.secondEdge] + j - 1];
            const int m = face.flag == 0 ? j : n - j;
            for (int i = 1; i < m; ++i) {
                list[at++] = ArcPoint(p, q2, i, m);
            }
        }
    };
    // Faces are small next to a whole ray run; one thread does it all below
    // some thousands of points.
    const unsigned int useful = perFace >= 500 ? threads : 1;
    RunInOrder(kFaces.size(), useful, kFaces.size(), subdivide, [](std::size_t, std::size_t) {});
    return list;
}

unsigned int RemoveRepeatedRays(std::vector<TVector>& rays)
{
    std::vector<TVector> kept;
    std::vector<TDirection> keptDirections;
    for (const TVector& ray : rays) {
        const double length = ray.Module();
        if (length == 0.0 || !std::isfinite(length)) {
            continue; // a zero vector has no direction
        }
        const TVector unit = ray / length;
        const TDirection d = cart2sph(unit);
        bool repeated = false;
        for (const TDirection& other : keptDirections) {
            repeated = repeated || (other == d);
        }
        if (!repeated) {
            kept.push_back(unit);
            keptDirections.push_back(d);
        }
    }
    rays = std::move(kept);
    return static_cast<unsigned int>(rays.size());
}
