#include "geometry/TPlane.h"

#include <algorithm>
#include <cmath>

#include "geometry/PolygonTriangulation.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"

TPlane::TPlane(int n)
{
    if (n > 2) {
        vertice.assign(static_cast<std::size_t>(n), TPoint3D());
        NumVert = static_cast<unsigned int>(n);
        mem_alloc = true;
    }
}

TPlane::TPlane(int n, const TPoint3D* pts)
{
    if (n > 2) {
        SetRing(pts, n);
        CalcNormal();
        CheckForErrors();
        Tecelagem();
    }
}

TPlane::TPlane(const std::vector<TPoint3D>& pts)
    : TPlane(static_cast<int>(pts.size()), pts.data())
{
}

TPlane::TPlane(const TPlane& p)
    : hits(p.hits), LayerID(p.LayerID), area(p.area), IsExternal(p.IsExternal)
{
    SetRing(p.vertice.data(), static_cast<int>(p.NumVert));
    CalcNormal();
    CheckForErrors();
    Tecelagem();
}

TPlane& TPlane::operator=(const TPlane& p)
{
    if (this != &p) {
        *this = TPlane(p);
    }
    return *this;
}

void TPlane::SetRing(const TPoint3D* pts, int n)
{
    vertice.assign(pts, pts + std::max(n, 0));
    NumVert = static_cast<unsigned int>(vertice.size());
    mem_alloc = NumVert > 0;
}

int TPlane::SetVertex(unsigned int vertID, TPoint3D p)
{
    if (vertID >= NumVert) {
        return -1;
    }
    vertice[vertID] = p;
    return 1;
}

int TPlane::SetVertex(unsigned int vertID, double a, double b, double c)
{
    return SetVertex(vertID, TPoint3D::Make(a, b, c));
}

TPoint3D TPlane::GetVertex(int vertID) const
{
    if (NumVert == 0) {
        Fatal(1, "vertice not allocated - Programing Error!!");
    }
    return vertice[static_cast<unsigned int>(vertID) % NumVert];
}

void TPlane::RemoveVertex(unsigned int pos)
{
    if (pos < NumVert) {
        vertice.erase(vertice.begin() + pos);
        --NumVert;
    }
}

static TVector Edge(TPoint3D from, TPoint3D to)
{
    return PointToVector(to - from);
}

TVector TPlane::CalcNormal()
{
    if (NumVert < 3) {
        return normal;
    }
    TVector n = Edge(vertice[0], vertice[1]) / Edge(vertice[0], vertice[2]);
    n.Normalize();
    normal = n / n.Module();
    return normal;
}

int TPlane::CheckForErrors()
{
    // Consecutive duplicates; i advances after a removal too.
    if (NumVert > 2) {
        for (unsigned int i = 0; i < NumVert; ++i) {
            if (vertice[i] == vertice[(i + 1) % NumVert]) {
                RemoveVertex(i);
            }
        }
    }
    // Any duplicates; j advances after a removal too.
    for (unsigned int i = 0; i < NumVert; ++i) {
        for (unsigned int j = i + 1; j < NumVert; ++j) {
            if (vertice[j] == vertice[i]) {
                RemoveVertex(j);
            }
        }
    }
    // Middle vertices of straight runs (or of spikes that turn straight back).
    for (unsigned int i = 0; i < NumVert;) {
        const TPoint3D middle = vertice[(i + 1) % NumVert];
        const TVector u = Edge(middle, vertice[i]);
        const TVector w = Edge(middle, vertice[(i + 2) % NumVert]);
        if (std::fabs(u * w) / (u.Module() * w.Module()) == 1.0) {
            RemoveVertex((i + 1) % NumVert);
        } else {
            ++i;
        }
    }
    if (NumVert < 3) {
        return 0;
    }
    // Vertices off the plane of the first three are projected onto it.
    const TVector n012 = Normal(Edge(vertice[0], vertice[1]) / Edge(vertice[0], vertice[2]));
    for (unsigned int k = 3; k < NumVert; ++k) {
        const TVector n01p = Normal(Edge(vertice[0], vertice[k]) / Edge(vertice[0], vertice[2]));
        const double angle = n012.Angle(n01p);
        if (angle != 0.0 && angle != 180.0) {
            vertice[k] = CalcProjection(vertice[k], vertice[0], n012);
        }
    }
    return 1;
}

void TPlane::InvertSequence()
{
    const unsigned int n = NumVert;
    if (n < 3) {
        return;
    }
    std::vector<TPoint3D> ring(vertice.begin(), vertice.begin() + n);
    vertice[0] = ring[2];
    vertice[1] = ring[1];
    vertice[2] = ring[0];
    for (unsigned int k = 3; k < n; ++k) {
        vertice[k] = ring[n - k + 2];
    }
}

void TPlane::Tecelagem()
{
    CalcNormal();
    triangulo.clear();
    m_localCorners.clear();
    NumTriang = 0;
    if (NumVert <= 2) {
        return;
    }

    // Local frame: vx along the first edge, vz along the normal, vy in the
    // plane. The axes are orthogonal but not normalised.
    origem = vertice[0];
    const TVector vx = Edge(origem, vertice[1]);
    const TVector p2 = Edge(origem, vertice[2]);
    const TVector vz = vx / p2;
    const TVector vy = vz / vx;
    const TMatrix3 M = {{{static_cast<float>(vx.x), static_cast<float>(vy.x), static_cast<float>(vz.x)},
                         {static_cast<float>(vx.y), static_cast<float>(vy.y), static_cast<float>(vz.y)},
                         {static_cast<float>(vx.z), static_cast<float>(vy.z), static_cast<float>(vz.z)}}};
    matrizInversa3x3(M, Mi);

    if (NumVert == 3) {
        triangulo.resize(1);
        triangulo[0].Set(vertice[0], vertice[1], vertice[2]);
        NumTriang = 1;
        CacheLocalCorners();
        return;
    }

    std::vector<TPoint2D> outline;
    outline.reserve(NumVert);
    for (unsigned int i = 0; i < NumVert; ++i) {
        const TPoint3D local = MudaBase(Mi, vertice[i] - origem);
        outline.push_back({local.x, local.y});
    }
    const auto triangles = TriangulatePolygon(outline);
    if (!triangles) {
        ConsolePrint("Plane of %u vertices starting at (%.2f, %.2f, %.2f) could not be "
                    "tessellated: its outline crosses itself or is degenerate. It will not "
                    "reflect rays.\n",
                    NumVert, origem.x, origem.y, origem.z);
        return;
    }
    // The corners are the ring's own vertices: mapping the local coordinates
    // back through the single-precision frame would move them off the outline
    // by rounding.
    triangulo.resize(triangles->size());
    for (std::size_t t = 0; t < triangles->size(); ++t) {
        const auto& corners = (*triangles)[t];
        TTriangle& triangle = triangulo[t];
        triangle.p0 = vertice[corners[0]];
        triangle.p1 = vertice[corners[1]];
        triangle.p2 = vertice[corners[2]];
        triangle.Center();
    }
    NumTriang = static_cast<unsigned int>(triangulo.size());
    CacheLocalCorners();
}

void TPlane::CacheLocalCorners()
{
    m_localCorners.clear();
    for (const TTriangle& t : triangulo) {
        m_localCorners.push_back({MudaBase(Mi, t.p0 - origem), MudaBase(Mi, t.p1 - origem),
                                  MudaBase(Mi, t.p2 - origem)});
    }
}

int TPlane::Inner(TPoint3D P3D)
{
    const int t = Contains(P3D);
    if (t >= 0) {
        ++hits;
    }
    return t;
}

int TPlane::Contains(TPoint3D P3D) const
{
    if (NumVert <= 2) {
        return -1;
    }
    const TPoint3D p = MudaBase(Mi, P3D - origem);
    for (unsigned int t = 0; t < NumTriang && t < m_localCorners.size(); ++t) {
        const auto& corners = m_localCorners[t];
        // A degenerate triangle (-1) contains nothing.
        if (Inner2D(corners[0], corners[1], corners[2], p) == 1) {
            return static_cast<int>(t);
        }
    }
    return -1;
}

int TPlane::Inner2D(TPoint3D P1, TPoint3D P2, TPoint3D P3, TPoint3D P)
{
    const float den = Area2D(P1, P2, P3);
    if (den == 0.0f) {
        return -1;
    }
    const float l1 = Area2D(P, P2, P3) / den;
    const float l2 = Area2D(P1, P, P3) / den;
    const float l3 = Area2D(P1, P2, P) / den;
    return (l1 >= 0.0f && l2 >= 0.0f && l3 >= 0.0f) ? 1 : 0;
}

float TPlane::Area2D(TPoint3D A, TPoint3D B, TPoint3D C)
{
    return static_cast<float>(A.x * B.y - A.y * B.x + A.y * C.x - A.x * C.y + B.x * C.y -
                              B.y * C.x);
}

TPoint3D TPlane::CalcProjection(TPoint3D P, TPoint3D P0_plane, TVector N_plane)
{
    const double dist = distPointToPlane(P, P0_plane, N_plane);
    return P - VectorToPoint(N_plane * dist);
}

double TPlane::PlaneArea()
{
    area = 0.0;
    for (auto& triangle : triangulo) {
        area += triangle.TriangleArea();
    }
    return area;
}

void TPlane::WriteVertexes(FILE* fid) const
{
    std::fprintf(fid, "%d ", static_cast<int>(NumVert));
    for (unsigned int i = 0; i < NumVert; ++i) {
        std::fprintf(fid, "%1.2f %1.2f %1.2f ", vertice[i].x, vertice[i].y, vertice[i].z);
    }
}
